// Type codes of table fields, as stored in the field descriptions.
#pragma once

#include <cstdint>
#include <string>

namespace zavlin {

enum TFieldTableBlobType : uint8_t {
    ftUnknown = 0,
    ftString = 1,
    ftSmallint = 2,
    ftInteger = 3,
    ftWord = 4,
    ftBoolean = 5,
    ftFloat = 6,
    ftCurrency = 7,
    ftBCD = 8,
    ftDate = 9,
    ftTime = 10,
    ftDateTime = 11,
    ftBytes = 12,
    ftVarBytes = 13,
    ftAutoInc = 14,
    ftBlob = 15,
    ftMemo = 16,
    ftGraphic = 17,
    ftFmtMemo = 18,
    ftParadoxOle = 19,
    ftDBaseOle = 20,
    ftTypedBinary = 21,
    ftCursor = 22,
    ftLongWord = 23,
    ftNewKeys = 24,
};

constexpr int kFieldTypeCount = 25;

// "ftString" for ftString and so on; codes past the list read "ftUnknown".
std::string fieldTypeName(uint8_t code);
// The code of a type name ("ftBlob" -> 15); false when unknown.
bool fieldTypeByName(const std::string& name, uint8_t& code);
// True for the twelve types that have a field class.
bool fieldTypeCreatable(uint8_t code);

}  // namespace zavlin
