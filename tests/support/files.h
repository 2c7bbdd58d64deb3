// Whole-file reads and writes for tests that lay out folders by hand.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace zavlin::testsupport {

// Writes bytes as the whole file, making its folder when missing; false when
// it could not be written.
bool writeFile(const std::filesystem::path& path, const std::string& bytes);
// The whole file; empty when it is missing or unreadable.
std::string readFile(const std::filesystem::path& path);
// The plain files of a folder (not below it), by name, with their bytes.
std::map<std::string, std::string> folderFiles(const std::filesystem::path& folder);

}  // namespace zavlin::testsupport
