// Reads an .xz file whole: the recorded reports of the composition engine are
// tens of megabytes of repeated lines, and a few dozen kilobytes compressed.
#pragma once

#include <filesystem>
#include <string>

namespace zavlin::testsupport {

// False, with the reason in message, when the file is missing, damaged or
// not xz.
[[nodiscard]] bool readXzFile(const std::filesystem::path& path, std::string& bytes,
                              std::string& message);

}  // namespace zavlin::testsupport
