// Shared helpers of the storage tests: a scratch folder per test, raw file
// bytes, and a recorder for the engine's events and user messages.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "base/core_hooks.h"
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

// "20 20 20" style: the byte given as two hex digits, n times (for blank padding).
std::string repeatHex(const std::string& byte, int n);

// Every regular file of a folder by name with its bytes, to check that an
// operation left the disk as it was.
std::map<std::string, std::vector<uint8_t>> snapshotFiles(const std::filesystem::path& dir);

// A .b0 image with the creation moment (8 bytes at header offset 48) set to zero,
// so that it can be compared with hand-written bytes.
std::vector<uint8_t> withoutCreationTime(std::vector<uint8_t> b0);

// Bytes [from, from + n) of a file image (fewer when the image is shorter).
std::vector<uint8_t> slice(const std::vector<uint8_t>& bytes, std::size_t from, std::size_t n);

// The hooks the storage tests give their tables (the owner of a table in a
// test is the test): questions answered no, messages printed to stderr unless
// a MessageRecorder is alive.
TCoreHooks& hooks();

// Records the messages reaching hooks() and, for attached tables, the
// ErrorOpen/ErrorTest calls, while alive.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    void attach(TTableBlob& table);
    std::vector<std::string> messages;
    std::vector<std::pair<uint16_t, std::string>> errors;

private:
    TCoreHooks::MessageRoute previous_;
};

// Creates and opens a table at <dir>/<name> with the given fields added in
// order ("N:ftAutoInc", "Name:ftString:48", "Dan:ftBlob"); fails the test on error.
void createTable(TTableBlob& t, const ScratchDir& dir, const std::string& name,
                 const std::vector<std::string>& fields);

}  // namespace zavlin::test

// ---- Helpers of the maintenance and crash-safety tests ----
namespace zavlin::test {

// n recognisable bytes; the seed tells values apart.
std::vector<uint8_t> seededBytes(std::size_t n, uint8_t seed);
// Loads a value into the named blob field of the current record (pending until Post).
void loadBlob(TTableBlob& t, const std::string& field, const std::vector<uint8_t>& value);
// The stored value of the named blob field of the current record.
std::vector<uint8_t> blobValue(TTableBlob& t, const std::string& field);
// Puts the cursor on the live record with this key (first field); false when none.
bool gotoRecord(TTableBlob& t, uint32_t key);

// What an open table holds, seen through the engine: its fields, the page
// length, the key counter, the deleted slots and every live record by key
// (field name -> the text of a string field, the whole value of a blob field,
// the stored bytes of any other field).
struct TableImage {
    std::vector<std::string> fields;  // "Name:type code:slot size"
    uint16_t pageLength = 0;
    uint32_t autoInc = 0;
    uint32_t deletedSlots = 0;
    std::map<uint32_t, std::map<std::string, std::vector<uint8_t>>> records;
    bool operator==(const TableImage&) const = default;
};
TableImage imageOf(TTableBlob& t);
// A readable summary for failure messages.
std::string describe(const TableImage& image);
void PrintTo(const TableImage& image, std::ostream* out);

}  // namespace zavlin::test

namespace zavlin::test {
// The names of the files that differ between two snapshots (added, removed
// or changed), for short failure messages.
std::string changedFiles(const std::map<std::string, std::vector<uint8_t>>& a,
                         const std::map<std::string, std::vector<uint8_t>>& b);
}  // namespace zavlin::test
