// Shared helpers of the storage tests: a scratch folder per test, raw file
// bytes, and a recorder for the engine's events and user messages.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/user_messages.h"
#include "storage/table_blob.h"

namespace zavlin::test {

// A fresh empty folder, removed when the object goes away.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // The table base path "<dir>/<name>" as a string, for SetTableName.
    std::string table(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::vector<uint8_t> readBytes(const std::filesystem::path& p);
void writeBytes(const std::filesystem::path& p, const std::vector<uint8_t>& bytes);
// "0a ff 10" style dump for failure messages.
std::string hex(const std::vector<uint8_t>& bytes);
// Bytes from a hex string; blanks are ignored ("01 44 ff").
std::vector<uint8_t> fromHex(const std::string& text);

// Records user messages and ErrorOpen/ErrorTest calls while alive.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    void attach(TTableBlob& table);
    std::vector<std::string> messages;
    std::vector<std::pair<uint16_t, std::string>> errors;

private:
    UserMessageHandler previous_;
};

// Creates and opens a table at <dir>/<name> with the given fields added in
// order ("N:ftAutoInc", "Name:ftString:48", "Dan:ftBlob"); fails the test on error.
void createTable(TTableBlob& t, const ScratchDir& dir, const std::string& name,
                 const std::vector<std::string>& fields);

}  // namespace zavlin::test
