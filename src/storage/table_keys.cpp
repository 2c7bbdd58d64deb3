#include <algorithm>

#include "base/neighbour_sort.h"
#include "base/text.h"
#include "storage/table_blob.h"

namespace zavlin {

void TTableBlob::SortIndexRecord() {
    sortIndex(siIndex);
}
void TTableBlob::SortAutoIncRecord() {
    sortIndex(siAutoInc);
}

void TTableBlob::SetKey() {
    FGotoKey = true;
}
void TTableBlob::EditKey() {
    FGotoKey = true;
}

void TTableBlob::keyChanged(uint32_t oldKey, uint32_t newKey) {
    if (newKey > FHeadr.FAutoInc) {
        FHeadr.FAutoInc = newKey;
        FModifiHeadr = true;
    }
    for (auto& e : FStIndex) {
        if (e.key == oldKey) {
            e.key = newKey;
            FStIndexModifi = true;
            break;
        }
    }
}

bool TTableBlob::GotoKey() {
    FGotoKey = false;
    if (FStIndex.empty()) {
        FIndexActivRecord = 0;
        indexReadPos_ = 0;
        posSlot_ = FHeadr.FCountRecordAll;
        return false;
    }
    for (std::size_t i = 0; i < FStIndex.size(); ++i) {
        if (FStIndex[i].key == FGotoKeyN) {
            FIndexActivRecord = static_cast<uint32_t>(i);
            placeAtEntry(static_cast<uint32_t>(i));
            return true;
        }
    }
    indexReadPos_ = static_cast<uint32_t>(FStIndex.size());
    return false;
}

bool TTableBlob::gapKey(uint32_t& key) {
    if (FHeadr.FCountRecordAll == FHeadr.FAutoInc) return false;
    if (FStIndex.size() < 2) return false;
    SortAutoIncRecord();
    for (std::size_t i = 1; i < FStIndex.size(); ++i) {
        const uint64_t k = FStIndex[i - 1].key;
        if (k + 1 < FStIndex[i].key) {
            key = static_cast<uint32_t>(k + 1);
            return true;
        }
    }
    return false;
}

bool TTableBlob::Locate(std::string_view fieldName, int32_t value) {
    TField* f = FieldByName(fieldName);
    if (!f) return false;
    SetIndexActivRecord(FIndexActivRecord);
    while (!Eof()) {
        if (f->asInteger() == value) return true;
        Next();
    }
    return false;
}

bool TTableBlob::Locate(std::string_view fieldName, std::string_view value) {
    TField* f = FieldByName(fieldName);
    if (!f) return false;
    SetIndexActivRecord(FIndexActivRecord);
    while (!Eof()) {
        if (f->asString() == value) return true;
        Next();
    }
    return false;
}

bool TTableBlob::Locate(std::string_view fieldNames, const std::vector<std::string>& values) {
    std::vector<TField*> fields;
    std::size_t start = 0;
    while (start <= fieldNames.size()) {
        std::size_t end = fieldNames.find(';', start);
        if (end == std::string_view::npos) end = fieldNames.size();
        TField* f = FieldByName(trimView(fieldNames.substr(start, end - start)));
        if (!f) return false;
        fields.push_back(f);
        start = end + 1;
    }
    if (fields.size() > values.size()) return false;
    SetIndexActivRecord(FIndexActivRecord);
    while (!Eof()) {
        bool all = true;
        for (std::size_t i = 0; i < fields.size() && all; ++i)
            all = fields[i]->asString() == values[i];
        if (all) return true;
        Next();
    }
    return false;
}

bool TTableBlob::TestKeys() {
    if (FStIndex.empty()) return true;
    SortAutoIncRecord();
    bool result = true;
    TTestKeys verdict = asIgnore;
    for (std::size_t i = 0; i < FStIndex.size(); ++i) {
        const uint32_t key = FStIndex[i].key;
        const bool wrong = key == 0 || (i > 0 && key == FStIndex[i - 1].key) ||
                           (FHeadr.FTypeInc == 1 && key > FHeadr.FAutoInc);
        if (!wrong) continue;
        result = false;
        if (verdict != asNill && onTestKeys) onTestKeys(*this, key, verdict);
    }
    SortIndexRecord();
    indexReadPos_ = 0;
    return result;
}

}  // namespace zavlin
