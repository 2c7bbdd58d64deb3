// Changing a table's structure: deleting and moving fields, re-sizing string
// fields and blob pages, copying and comparing tables.
#include <algorithm>
#include <cstring>

#include "base/errors.h"
#include "base/streams.h"
#include "storage/table_blob.h"
#include "storage/table_restore_guard.h"

namespace zavlin {
namespace {

// Frees a value's page chain inside an in-memory image of .b2.
void freeChainInImage(std::vector<uint8_t>& b2, ATableBlobHead& h, uint32_t first, uint32_t count) {
    const uint64_t pageLen = kPageHeadSize + static_cast<uint64_t>(h.FLengthPage);
    uint32_t page = first;
    uint64_t steps = 0;
    while (page != 0) {
        if (page > h.FCountPageAll || ++steps > h.FCountPageAll || page * pageLen > b2.size())
            throw ERangeError("blob page chain outside the page file or looping");
        uint8_t* p = b2.data() + (page - 1) * pageLen;
        APageBlobHeadr ph = APageBlobHeadr::decode(p);
        if (ph.FState == 1) throw ERangeError("blob page freed twice");
        const uint32_t next = ph.FNextPage;
        ph.FNextPage = h.FLastEmptyPageN;
        ph.FState = 1;
        ph.encode(p);
        h.FLastEmptyPageN = page;
        page = next;
    }
    h.FCountPageEmpty += count;
}

}  // namespace

bool TTableBlob::DeleteFieldName(int index) {
    // The key stays: the index and every lookup depend on it.
    if (!Active() || index < 1 || index >= FieldCount()) return false;
    // Freeing the field's pages changes the header in memory; a failure must
    // not leave those counters for the next header write.
    const ATableBlobHead headrBefore = FHeadr;
    try {
        if (!flushData()) return false;
        std::vector<int> oldOffsets;
        std::vector<int> oldSizes;
        fieldLayout(oldOffsets, oldSizes);
        std::vector<uint8_t> oldB1;
        if (!readAllSlots(oldB1)) return false;
        const bool isBlob = LField[static_cast<std::size_t>(index)]->asBlobField();
        const ATableBlobHead savedHeadr = FHeadr;
        std::vector<uint8_t> b2;
        bool keepB2 = false;
        if (isBlob) {
            int blobs = 0;
            for (auto& f : LField) blobs += f->asBlobField() ? 1 : 0;
            keepB2 = blobs > 1;
            if (keepB2) {
                // Another blob field keeps its pages: free only this field's.
                b2.resize(FFileStream_b2.size());
                if (!b2.empty() && !FFileStream_b2.read(0, b2.data(), b2.size())) return false;
                const uint64_t len = slotLength();
                const int at = oldOffsets[static_cast<std::size_t>(index)];
                for (uint32_t s = 0; s < FHeadr.FCountRecordAll; ++s) {
                    const ABlobHeadr bh = ABlobHeadr::decode(oldB1.data() + s * len + at);
                    if (bh.FCountPage > 0)
                        freeChainInImage(b2, FHeadr, bh.FPageStartN, bh.FCountPage);
                }
            } else {
                FHeadr.FVersPage = 1;
                FHeadr.FLengthPage = kDefaultPageLength;
                FHeadr.FCountPageAll = 0;
                FHeadr.FCountPageEmpty = 0;
                FHeadr.FLastEmptyPageN = 0;
            }
        }
        std::vector<int> newFields;
        for (int i = 0; i < FieldCount(); ++i)
            if (i != index) newFields.push_back(i);
        auto removed = std::move(LField[static_cast<std::size_t>(index)]);
        LField.erase(LField.begin() + index);
        const std::vector<uint8_t> b1 = relayoutSlots(oldB1, oldOffsets, oldSizes, newFields);
        recomputeLayout();
        const std::vector<uint8_t> b0 = encodeB0();
        Replacement r;
        r.b0 = &b0;
        r.b1 = &b1;
        if (keepB2) r.b2 = &b2;
        r.removeB2 = isBlob && !keepB2;
        RestoreGuard restore(*this, [&] {
            LField.insert(LField.begin() + index, std::move(removed));
            FHeadr = savedHeadr;
        });
        if (!replaceFiles(r)) return false;
        restore.dismiss();
        FModifiHeadr = FModifiNameField = false;
        return reopenAfterReplace();
    } catch (const std::exception&) {
        FHeadr = headrBefore;
        return false;
    }
}

bool TTableBlob::MoveFieldNameUp(int index) {
    if (!Active() || index < 2 || index >= FieldCount()) return false;
    std::vector<int> order(static_cast<std::size_t>(FieldCount()));
    for (int i = 0; i < FieldCount(); ++i) order[static_cast<std::size_t>(i)] = i;
    std::swap(order[static_cast<std::size_t>(index)], order[static_cast<std::size_t>(index - 1)]);
    std::vector<int> oldOffsets;
    std::vector<int> oldSizes;
    fieldLayout(oldOffsets, oldSizes);
    std::vector<uint8_t> oldB1;
    if (!readAllSlots(oldB1)) return false;
    std::swap(LField[static_cast<std::size_t>(index)], LField[static_cast<std::size_t>(index - 1)]);
    const std::vector<uint8_t> b1 = relayoutSlots(oldB1, oldOffsets, oldSizes, order);
    recomputeLayout();
    const std::vector<uint8_t> b0 = encodeB0();
    Replacement r;
    r.b0 = &b0;
    r.b1 = &b1;
    RestoreGuard restore(*this, [&] {
        std::swap(LField[static_cast<std::size_t>(index)],
                  LField[static_cast<std::size_t>(index - 1)]);
    });
    if (!replaceFiles(r)) return false;
    restore.dismiss();
    FModifiHeadr = FModifiNameField = false;
    return reopenAfterReplace();
}

bool TTableBlob::MoveFieldNameDown(int index) {
    // The key stays first, so the first field does not move either.
    if (!Active() || index < 1 || index >= FieldCount() - 1) return false;
    return MoveFieldNameUp(index + 1);
}

bool TTableBlob::readyToResize(std::string& message) const {
    if (!Active()) {
        message = "Таблица закрыта: " + FTableName;
        return false;
    }
    if (FieldCount() == 0) {
        message = "В таблице нет полей " + FTableName;
        return false;
    }
    return true;
}

bool TTableBlob::SetNewSizeStringField(std::string_view name, int newLength, std::string& message) {
    message.clear();
    const std::string table = FTableName;
    const std::string n(name);
    if (!readyToResize(message)) return false;
    if (FieldByName("_" + n)) {
        message = "Изменение невозможно." + table + " В таблице существует временное поле: \"_" +
                  n + "\"";
        return false;
    }
    TField* old = FieldByName(n);
    if (!old || !old->asStringField()) {
        message = "В таблице " + table + " нет поля " + n;
        return false;
    }
    const std::string failed = "Произошла ошибка при добавлении поля в таблице " + table;
    if (newLength < 0 || newLength > 254) {
        message = failed;
        return false;
    }
    // The field goes to the end with its new length and every slot, deleted
    // ones included, gets its text cut to that length: the result of adding
    // "_" + name, copying each text and deleting the old field, built in
    // memory and put in place with one replacement of .b0 and .b1. Done step
    // by step on disk, a failure half-way would leave the temporary field and
    // half the texts copied, and the change could never be made again.
    try {
        if (!flushData()) {
            message = failed;
            return false;
        }
        std::vector<int> oldOffsets;
        std::vector<int> oldSizes;
        fieldLayout(oldOffsets, oldSizes);
        std::vector<uint8_t> oldB1;
        if (!readAllSlots(oldB1)) {
            message = failed;
            return false;
        }
        const ATableBlobHead savedHeadr = FHeadr;
        const int index = old->GetIndex();
        const std::size_t oldMax = static_cast<std::size_t>(old->GetSizeForFile_b1() - 1);
        std::vector<int> order;
        for (int i = 0; i < FieldCount(); ++i)
            if (i != index) order.push_back(i);
        order.push_back(index);
        auto moved = std::move(LField[static_cast<std::size_t>(index)]);
        LField.erase(LField.begin() + index);
        moved->SetSizeForFile_b1(newLength + 1);
        LField.push_back(std::move(moved));
        std::vector<uint8_t> b1 = relayoutSlots(oldB1, oldOffsets, oldSizes, order);
        recomputeLayout();
        const std::size_t slot = slotLength();
        const auto at = static_cast<std::size_t>(LField.back()->PosSeekRecord());
        for (std::size_t s = 0; s + slot <= b1.size(); s += slot) {
            uint8_t* p = b1.data() + s + at;
            const std::size_t len = std::min(
                {static_cast<std::size_t>(p[0]), oldMax, static_cast<std::size_t>(newLength)});
            p[0] = static_cast<uint8_t>(len);
            std::memset(p + 1 + len, 0, static_cast<std::size_t>(newLength) - len);
        }
        const std::vector<uint8_t> b0 = encodeB0();
        Replacement r;
        r.b0 = &b0;
        r.b1 = &b1;
        RestoreGuard restore(*this, [&] {
            auto back = std::move(LField.back());
            LField.pop_back();
            back->SetSizeForFile_b1(static_cast<int>(oldMax) + 1);
            LField.insert(LField.begin() + index, std::move(back));
            FHeadr = savedHeadr;
        });
        if (!replaceFiles(r)) {
            message = failed;
            return false;
        }
        restore.dismiss();
        FModifiHeadr = FModifiNameField = false;
        if (!reopenAfterReplace()) {
            message = failed;
            return false;
        }
    } catch (const std::exception&) {
        message = failed;
        return false;
    }
    First();
    return true;
}

void TTableBlob::CopyDataFieldsToTable(TTableBlob& target) {
    if (!target.Active() && !target.Open()) return;
    First();
    while (!Eof()) {
        const uint32_t cursor = FIndexActivRecord;
        const int64_t slot = posSlot_;
        if (!target.Append()) break;
        target.Edit();
        for (auto& f : LField) {
            TField* t = target.FieldByName(f->Name());
            if (!t) continue;
            TMemoryStream m;
            posSlot_ = slot;
            f->SaveToStream(m);
            m.SetPosition(0);
            t->LoadFromStream(m);
        }
        if (!target.Post()) break;
        FIndexActivRecord = cursor;
        Next();
    }
    target.Close();
}

bool TTableBlob::CompareFile(TTableBlob& other, std::string& message) {
    message.clear();
    if (!other.Active() && !other.Open()) return false;
    if (other.RecordCount() != RecordCount()) {
        message = "Разное количество Записей (Recotd)";
        other.Close();
        return false;
    }
    bool same = true;
    First();
    other.First();
    while (!Eof() && !other.Eof()) {
        int differences = 0;
        const std::string key =
            LField.empty() ? std::string() : std::to_string(LField[0]->asInteger());
        for (auto& f : LField) {
            TField* o = other.FieldByName(f->Name());
            if (!o) continue;
            TMemoryStream a;
            TMemoryStream b;
            f->SaveToStream(a);
            o->SaveToStream(b);
            if (a.Size() != b.Size()) {
                message += "Разная длина данных для N=" + key + "\r\n";
                ++differences;
            } else if (a.Size() > 0 && std::memcmp(a.Memory(), b.Memory(),
                                                   static_cast<std::size_t>(a.Size())) != 0) {
                message += "Отличие данных для \"" + LField[0]->Name() + "\"=" + key + "\r\n";
                ++differences;
            }
        }
        if (differences > 0) same = false;
        if (differences > 100) break;
        Next();
        other.Next();
    }
    other.Close();
    return same;
}

bool TTableBlob::SetNewSizeBlobField(std::string_view name, uint16_t newPageSize,
                                     std::string& message) {
    message.clear();
    const std::string table = FTableName;
    const std::string n(name);
    if (!readyToResize(message)) return false;
    TField* target = FieldByName(n);
    if (!target || !target->asBlobField() || newPageSize == 0) {
        message = "В таблице " + table + " нет поля " + n;
        return false;
    }
    const std::string folder = FDatabaseName;
    const std::string tempName = "-" + table;
    bool ok = true;
    try {
        TTableBlob temp(hooks_, fs_);
        temp.SetDatabaseName(folder);
        temp.SetTableName(folder + tempName);
        ok = temp.CreateFile();
        for (std::size_t i = 0; ok && i < LField.size(); ++i) {
            const TField& f = *LField[i];
            int length = 0;
            if (f.asStringField()) length = f.Size();
            if (f.asBlobField()) length = &f == target ? newPageSize : FHeadr.FLengthPage;
            ok = temp.AddFieldByName(f.TypeField(), f.Name(), length) != nullptr;
        }
        temp.Close();
        if (ok) {
            CopyDataFieldsToTable(temp);
            // The copied keys came with the bytes; make the index and the
            // counter agree with them before the files change places.
            ok = temp.Open();
            if (ok && temp.headr().FAutoInc < FHeadr.FAutoInc) {
                temp.headr().FAutoInc = FHeadr.FAutoInc;
                temp.markHeadrModified();
                ok = temp.saveHeadr();
            }
            temp.Close();
            if (ok) ok = temp.ReIndexTable();
        }
        if (ok && !CompareFile(temp, message)) return false;
    } catch (const std::exception&) {
        ok = false;
    }
    if (!ok) {
        message = "Произошла ошибка при добавлении поля в таблице " + table;
        return false;
    }
    // Put the temporary table's files in place of ours, committed as one step.
    const std::string fileName = FileName();
    const std::filesystem::path base(fileName);
    const std::string stem = base.filename().string();
    const std::string tempStem = "-" + stem;
    // The table stays locked while its files change places.
    const auto held = LockTable(LockKind::Exclusive);
    if (!held) return false;
    Close();
    std::string plan = "REMOVE\t" + stem + ".bi\n";
    for (const char* ext : {".b2", ".b1", ".b0"})
        plan += std::string("RENAME\t") + tempStem + ext + "\t" + stem + ext + "\n";
    plan += "REMOVE\t" + tempStem + ".bi\n";
    const std::filesystem::path planPath(fileName + ".bt");
    const std::vector<uint8_t> planBytes(plan.begin(), plan.end());
    ok = replaceFileWhole(fs_, planPath, planBytes.data(), planBytes.size(), true) &&
         RecoverFiles(fs_, fileName);
    // Only this operation, under the table's own lock, ever used the
    // temporary table: its lock file goes with it.
    (void)fs_.remove(base.parent_path() / (tempStem + ".bl"));
    const bool reopened = Open();
    if (!ok || !reopened) {
        if (message.empty()) message = "Произошла ошибка при добавлении поля в таблице " + table;
        return false;
    }
    message = "Создан файл " + fileName + " с новым размером: " + std::to_string(newPageSize);
    return true;
}

}  // namespace zavlin
