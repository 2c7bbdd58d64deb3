// What a repair relies on before it rewrites a table: the header and the
// field descriptions in .b0, and the lengths and counters that tie them to
// .b1 and .b2. A repair that trusted damaged descriptions would cut or
// reinterpret the records, so it refuses the table instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "storage/file_system.h"

namespace zavlin {

// Codes raised through ErrorOpen; each text is followed by a blank and the
// name of the file concerned.
constexpr uint16_t kDamagedFields = 64;      // also refused by Open
constexpr uint16_t kDamagedHeader = 70;      // version, header length, key kind
constexpr uint16_t kDamagedSlotLength = 71;  // FLengthRecords vs the descriptions
constexpr uint16_t kDamagedLength = 72;      // .b0, .b1 or .b2 length
constexpr uint16_t kDamagedFreePages = 73;   // free-page counters vs .b2
constexpr uint16_t kDamagedDeletedHead = 74;
constexpr uint16_t kIndexDisagrees = 75;  // pack only: re-index first
constexpr uint16_t kRepairReadError = 76;
constexpr uint16_t kDamagedChain = 77;  // pack only: a value's pages

extern const char* const kDamagedFieldsText;

struct TableDamage {
    uint16_t code = 0;  // 0: nothing found
    std::string text;
    explicit operator bool() const { return code != 0; }
};

// The field descriptions (count × 32 bytes): every type one with a field
// class, every size the one its type takes, a string 1..255 bytes.
// `slotData` receives the sum of the sizes.
TableDamage checkFieldDescriptions(const uint8_t* descriptions, std::size_t count,
                                   uint64_t& slotData);

// Reads the table `fileName` (path without extension) and checks what a
// re-index or a pack relies on. Nothing is written. A .b1 longer than the
// counted slots by less than one slot cannot hold a record; when
// `allowPartialTail` is set it is accepted and `cutB1To` gets the length to
// cut it to (otherwise -1).
TableDamage validateForRepair(FileSystem& fs, const std::string& fileName, bool allowPartialTail,
                              int64_t& cutB1To);

}  // namespace zavlin
