// `table dump`: everything a table holds, as the engine reads it: the header
// as stored in .b0, the field descriptions, the index and every record slot,
// live or deleted. Printed as text or as one JSON document (keys in README.md).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "storage/table_blob.h"

namespace zavlin::cli {

struct FileDump {
    std::string extension;  // ".b0", ".b1", ".b2", ".bi"
    std::string path;
    bool exists = false;
    uint64_t size = 0;
};

struct FieldDump {
    int index = 0;
    std::string name;
    std::string type;  // type name, "ftString"
    int typeCode = 0;
    int size = 0;      // declared length of a string, else the slot size
    int slotSize = 0;  // bytes in the record slot
    int offset = 0;    // offset of the value in the slot, header included
};

struct BlobDump {
    ABlobHeadr header;
    bool bytesRead = false;  // --blobs and the pages could be read
    std::vector<uint8_t> bytes;
    std::string bytesError;  // --blobs and the pages could not be read
};

struct ValueDump {
    std::string field;
    std::string text;   // asString, or "<error: ...>"
    std::string error;  // empty when the value could be shown
    std::optional<BlobDump> blob;
};

struct SlotDump {
    uint32_t slot = 0;
    bool headerRead = false;
    ARecordHeadr header;
    std::vector<ValueDump> values;
};

struct TableDump {
    std::string table;  // file name without extension
    std::vector<FileDump> files;
    ATableBlobHead header;  // as stored in the first 68 bytes of .b0
    uint64_t slotLength = 0;
    std::vector<FieldDump> fields;
    std::vector<IndexEntry> index;
    std::vector<SlotDump> slots;
};

// Walks the open table; never stops at a value it cannot show.
TableDump collectDump(TTableBlob& table, bool blobs);
std::string dumpText(const TableDump& dump);
std::string dumpJson(const TableDump& dump);

int tableDump(const std::string& path, bool json, bool blobs);
// Every live group row's timetable blob decoded (group_decode.h), or only the
// row with this key; non-zero when a blob does not decode.
int tableDecode(const std::string& path, std::optional<uint32_t> key);

}  // namespace zavlin::cli
