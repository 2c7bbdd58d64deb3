// Adding fields and changing the blob page size.
#include "base/errors.h"
#include "storage/table_blob.h"
#include "storage/table_restore_guard.h"

namespace zavlin {

// ---------------------------------------------------------------- fields

TField* TTableBlob::FieldByName(std::string_view name) const {
    for (auto& f : LField)
        if (f->Name() == name) return f.get();
    return nullptr;
}

TBlobField* TTableBlob::FindBlobField() const {
    for (auto& f : LField)
        if (f->asBlobField()) return static_cast<TBlobField*>(f.get());
    return nullptr;
}

TField* TTableBlob::AddFieldByName(uint8_t typeCode, std::string_view name) {
    return AddFieldByName(static_cast<TFieldTableBlobType>(typeCode), name, 0);
}

TField* TTableBlob::AddFieldByName(TFieldTableBlobType type, std::string_view name, int length) {
    if (openedReadOnly()) return nullptr;
    if (type == ftString && (length < 0 || length > 254))
        throw ERangeError("string length outside 0..254");
    if (LField.size() >= 255) throw ERangeError("a table holds at most 255 fields");
    if (type == ftBlob && (length < 0 || length > 65535))
        throw ERangeError("blob page size outside 1..65535");
    // Field positions in a slot are signed 16-bit numbers.
    const int added = type == ftString ? length + 1 : 12;
    if (kRecordHeadSize + FHeadr.FLengthRecords + static_cast<uint32_t>(added) > 32767)
        throw ERangeError("record slot longer than 32767 bytes");
    if (!fieldTypeCreatable(type)) {
        hooks_.Message("Класс Field не поддерживается " + fieldTypeName(type));
        return nullptr;
    }
    std::vector<int> oldOffsets;
    std::vector<int> oldSizes;
    fieldLayout(oldOffsets, oldSizes);
    std::vector<uint8_t> oldB1;
    const bool rewrite = Active() && FHeadr.FCountRecordAll > 0;
    if (rewrite && !readAllSlots(oldB1)) return nullptr;
    const ATableBlobHead savedHeadr = FHeadr;
    TField* f = createField(type);
    f->SetName(std::string(name));
    if (type == ftString) f->SetSizeForFile_b1(length + 1);
    if (type == ftBlob && length > 0) SetLengthPageBlob(static_cast<uint16_t>(length));
    FModifiHeadr = FModifiNameField = true;
    recomputeLayout();
    if (!Active()) return f;
    RestoreGuard restore(*this, [&] {
        LField.pop_back();
        FHeadr = savedHeadr;
    });
    bool ok;
    if (rewrite) {
        // Old slots get the new field as zeros; .b1 and .b0 change together.
        std::vector<int> order;
        for (std::size_t i = 0; i + 1 < LField.size(); ++i) order.push_back(static_cast<int>(i));
        order.push_back(-1);
        const std::vector<uint8_t> b1 = relayoutSlots(oldB1, oldOffsets, oldSizes, order);
        const std::vector<uint8_t> b0 = encodeB0();
        Replacement r;
        r.b0 = &b0;
        r.b1 = &b1;
        ok = replaceFiles(r);
        if (ok) {
            FModifiHeadr = FModifiNameField = false;
            ok = reopenAfterReplace();
        }
    } else {
        ok = saveHeadr();
    }
    if (!ok) return nullptr;
    restore.dismiss();
    return f;
}

TAutoIncField* TTableBlob::AddAutoIncField(std::string_view name) {
    return static_cast<TAutoIncField*>(AddFieldByName(ftAutoInc, name, 0));
}
TNewKeysField* TTableBlob::AddNewKeysField(std::string_view name) {
    return static_cast<TNewKeysField*>(AddFieldByName(ftNewKeys, name, 0));
}
TBlobField* TTableBlob::AddBlobField(std::string_view name, int pageSize) {
    return static_cast<TBlobField*>(AddFieldByName(ftBlob, name, pageSize));
}
TStringField* TTableBlob::AddStringField(std::string_view name, int length) {
    return static_cast<TStringField*>(AddFieldByName(ftString, name, length));
}

bool TTableBlob::SetNewFieldName(TField* field, std::string_view newName) {
    if (!field || openedReadOnly()) return false;
    field->SetName(std::string(newName));
    FModifiHeadr = FModifiNameField = true;
    return !Active() || saveHeadr();
}

void TTableBlob::SetLengthPageBlob(uint16_t size) {
    // Pages already in .b2 have the old length: only an empty page file can
    // change it (re-sizing a filled one is SetNewSizeBlobField's work).
    if (FHeadr.FCountPageAll > 0) return;
    if (size != 0 && size != FHeadr.FLengthPage) {
        FHeadr.FLengthPage = size;
        FModifiHeadr = true;
    }
}

bool TTableBlob::SetNewSizePageBlob(uint16_t size) {
    if (size == 0 || size == FHeadr.FLengthPage) return true;
    if (FHeadr.FCountPageAll > 0 || openedReadOnly()) return false;
    FHeadr.FLengthPage = size;
    FModifiHeadr = true;
    return !Active() || saveHeadr();
}

}  // namespace zavlin
