// Whole-file reads and writes for tests that lay out folders by hand.
#pragma once

#include <filesystem>
#include <string>

namespace zavlin::testsupport {

// Writes bytes as the whole file, making its folder when missing; false when
// it could not be written.
bool writeFile(const std::filesystem::path& path, const std::string& bytes);
// The whole file; empty when it is missing or unreadable.
std::string readFile(const std::filesystem::path& path);

}  // namespace zavlin::testsupport
