// `table dump --decode`: a group's timetable blob spelled out for a person,
// record by record with its byte offset, then as weeks, days and periods.
// The model's reader builds a whole timetable or nothing and cannot say where
// it stopped; this walk follows the same layout (docs/file-formats.md) and
// the same refusals, and on a fault prints what it read and the offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace zavlin::cli {

// Names the blob refers to by number, read from the year tables beside the
// group table; a number without a name prints as "#N".
struct BlobNames {
    std::map<int, std::string> fio;     // YmFio: Name
    std::map<int, std::string> yrName;  // YmYrok: Yrok
    std::map<int, std::string> ayd;     // YmAyd: Klass
    std::map<int, std::string> atr;     // YmAtribyt: Name
};

// Best effort: a missing or unreadable table leaves its map empty.
BlobNames readBlobNames(const std::filesystem::path& folder);

struct GroupDecode {
    bool ok = false;
    std::string text;          // UTF-8, each line indented by two blanks
    std::size_t failedAt = 0;  // byte offset of the fault when !ok
    std::string fault;         // why, when !ok
};

GroupDecode decodeGroupBlob(const std::vector<uint8_t>& blob, const BlobNames& names);

}  // namespace zavlin::cli
