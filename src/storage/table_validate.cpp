// The checks a re-index or a pack runs before it touches a table.
#include "storage/table_validate.h"

#include <memory>
#include <vector>

#include "base/little_endian.h"
#include "storage/field_types.h"
#include "storage/table_format.h"

namespace zavlin {

const char* const kDamagedFieldsText = "Ошибка описания полей. База данных повреждена.";

namespace {

const char* const kHeaderText = "Ошибка заголовка таблицы. Восстановление отменено.";
const char* const kSlotLengthText =
    "Длина записи в заголовке не равна сумме длин полей. Восстановление отменено.";
const char* const kLengthText = "Ошибка длины файла. Восстановление отменено.";
const char* const kFreePagesText =
    "Ошибка счетчиков свободных Blob страниц. Восстановление отменено.";
const char* const kDeletedHeadText = "Ошибка цепочки удаленных записей. Восстановление отменено.";
const char* const kReadText = "Ошибка при чтении файла. Восстановление отменено.";

// The slot size a type always takes; 0 for a string (its own size) and for
// the types without a field class.
int fixedSize(uint8_t type) {
    switch (type) {
        case ftSmallint:
        case ftWord:
            return 2;
        case ftBoolean:
            return 1;
        case ftFloat:
            return 10;
        case ftInteger:
        case ftDate:
        case ftAutoInc:
        case ftLongWord:
        case ftNewKeys:
            return 4;
        case ftDateTime:
            return 8;
        case ftBlob:
            return kBlobHeadSize;
        default:
            return 0;
    }
}

TableDamage damage(uint16_t code, const char* text, const std::filesystem::path& file) {
    return {code, std::string(text) + " " + file.string()};
}

int64_t fileSize(FileSystem& fs, const std::filesystem::path& p, std::unique_ptr<File>& f) {
    if (!fs.exists(p)) return 0;
    f = fs.open(p, OpenMode::ReadWrite);
    return f ? f->size() : -1;
}

}  // namespace

TableDamage checkFieldDescriptions(const uint8_t* descriptions, std::size_t count,
                                   uint64_t& slotData) {
    slotData = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t* d = descriptions + i * kFieldDescSize;
        const uint8_t type = d[0];
        const uint8_t size = d[28];
        if (!fieldTypeCreatable(type)) return {kDamagedFields, kDamagedFieldsText};
        // A string holds its length byte, so it takes at least one byte.
        const bool fits = type == ftString ? size >= 1 : size == fixedSize(type);
        if (!fits) return {kDamagedFields, kDamagedFieldsText};
        slotData += size;
    }
    return {};
}

TableDamage validateForRepair(FileSystem& fs, const std::string& fileName, bool allowPartialTail,
                              int64_t& cutB1To) {
    cutB1To = -1;
    const std::filesystem::path b0Path(fileName + ".b0");
    const std::filesystem::path b1Path(fileName + ".b1");
    const std::filesystem::path b2Path(fileName + ".b2");
    std::unique_ptr<File> b0;
    const int64_t b0Size = fileSize(fs, b0Path, b0);
    if (!b0 || b0Size < 0) return damage(kRepairReadError, kReadText, b0Path);
    uint8_t head[kTableHeadSize];
    if (b0Size < kTableHeadSize) return damage(kDamagedLength, kLengthText, b0Path);
    if (!b0->readAt(0, head, sizeof head)) return damage(kRepairReadError, kReadText, b0Path);
    const ATableBlobHead h = ATableBlobHead::decode(head);
    if (b0Size != kTableHeadSize + static_cast<int64_t>(h.FCountField) * kFieldDescSize)
        return damage(kDamagedLength, kLengthText, b0Path);
    std::vector<uint8_t> desc(static_cast<std::size_t>(h.FCountField) * kFieldDescSize);
    if (!desc.empty() && !b0->readAt(kTableHeadSize, desc.data(), desc.size()))
        return damage(kRepairReadError, kReadText, b0Path);

    uint64_t slotData = 0;
    if (TableDamage d = checkFieldDescriptions(desc.data(), h.FCountField, slotData)) {
        d.text += " " + b0Path.string();
        return d;
    }
    // The key kind follows the key fields, as open sets it.
    uint8_t typeInc = h.FTypeInc;
    bool blobs = false;
    for (std::size_t i = 0; i < h.FCountField; ++i) {
        const uint8_t type = desc[i * kFieldDescSize];
        if (type == ftAutoInc) typeInc = 1;
        if (type == ftNewKeys) typeInc = 0;
        if (type == ftBlob) blobs = true;
    }
    if (h.FVers != 1 || h.FLengthHeadr != kTableHeadSize || h.FTypeInc > 1 ||
        typeInc != h.FTypeInc || (blobs && h.FLengthPage == 0))
        return damage(kDamagedHeader, kHeaderText, b0Path);
    if (h.FLengthRecords != slotData) return damage(kDamagedSlotLength, kSlotLengthText, b0Path);

    const uint64_t slotLen = kRecordHeadSize + slotData;
    std::unique_ptr<File> b1;
    const int64_t b1Size = fileSize(fs, b1Path, b1);
    if (b1Size < 0) return damage(kRepairReadError, kReadText, b1Path);
    const uint64_t counted = slotLen * h.FCountRecordAll;
    if (static_cast<uint64_t>(b1Size) != counted) {
        const bool partial = static_cast<uint64_t>(b1Size) > counted &&
                             static_cast<uint64_t>(b1Size) - counted < slotLen;
        if (!partial || !allowPartialTail) return damage(kDamagedLength, kLengthText, b1Path);
        cutB1To = static_cast<int64_t>(counted);
    }

    if (h.FAutoIncDelRec != 0) {
        // The head of the deleted chain must name a deleted slot holding its key.
        uint8_t s[kRecordHeadSize + 4] = {};
        const std::size_t n = slotData >= 4 ? sizeof s : kRecordHeadSize;
        if (h.FIndexDelRec >= h.FCountRecordAll || !b1 ||
            !b1->readAt(static_cast<uint64_t>(h.FIndexDelRec) * slotLen, s, n))
            return damage(kDamagedDeletedHead, kDeletedHeadText, b0Path);
        if (s[0] != 0 || (slotData >= 4 && getU32(s + kRecordHeadSize) != h.FAutoIncDelRec))
            return damage(kDamagedDeletedHead, kDeletedHeadText, b0Path);
    }

    if (!blobs) return {};
    std::unique_ptr<File> b2;
    const int64_t b2Size = fileSize(fs, b2Path, b2);
    if (b2Size < 0) return damage(kRepairReadError, kReadText, b2Path);
    const uint64_t pageLen = kPageHeadSize + static_cast<uint64_t>(h.FLengthPage);
    if (static_cast<uint64_t>(b2Size) != pageLen * h.FCountPageAll)
        return damage(kDamagedLength, kLengthText, b2Path);
    // The free-page counters decide where the next values go: a wrong one
    // would hand out a page in use.
    uint64_t freePages = 0;
    bool headFree = h.FLastEmptyPageN == 0;
    for (uint32_t p = 1; p <= h.FCountPageAll; ++p) {
        uint8_t ph[kPageHeadSize];
        if (!b2->readAt((p - 1) * pageLen, ph, sizeof ph))
            return damage(kRepairReadError, kReadText, b2Path);
        const bool isFree = APageBlobHeadr::decode(ph).FState != 0;
        if (isFree) ++freePages;
        if (p == h.FLastEmptyPageN) headFree = isFree;
    }
    if (freePages != h.FCountPageEmpty || (h.FCountPageEmpty == 0) != (h.FLastEmptyPageN == 0) ||
        h.FLastEmptyPageN > h.FCountPageAll || !headFree)
        return damage(kDamagedFreePages, kFreePagesText, b2Path);
    return {};
}

}  // namespace zavlin
