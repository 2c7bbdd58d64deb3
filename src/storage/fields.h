// Field classes: each reads and writes one value of the current record slot.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/datetime.h"
#include "base/streams.h"
#include "storage/field_types.h"

namespace zavlin {

class TTableBlob;

class TField {
public:
    explicit TField(TTableBlob* owner) : FOwner(owner) {}
    virtual ~TField() = default;
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    TFieldTableBlobType TypeField() const { return FType; }
    const std::string& Name() const { return FName; }
    void SetName(std::string name) { FName = std::move(name); }
    TTableBlob* Owner() const { return FOwner; }

    // Declared length for a string field, the slot size for every other field.
    virtual int Size() const { return GetSizeForFile_b1(); }
    virtual void Clear();

    virtual int32_t asInteger();
    virtual void setAsInteger(int64_t value);
    virtual std::string asString();
    virtual void setAsString(std::string_view value);
    virtual TDateTime asDateTime();
    virtual void setAsDateTime(TDateTime value);

    // Writes the pending value into the current slot (called by Post). The
    // value stays pending until Committed(), so a Post that fails can be
    // repeated.
    virtual void WriteForFile_b1();
    virtual void Committed() { FModifiFields = false; }
    virtual bool asBlobField() const { return false; }
    virtual bool asStringField() const { return false; }
    virtual int GetSizeForFile_b1() const { return 0; }
    virtual void SetSizeForFile_b1(int /*length*/) {}
    virtual void LoadFromStream(TStream& stream);
    virtual void SaveToStream(TStream& stream);

    int GetIndex() const;
    // Offset of the value inside the field data (without the record header).
    int SeekForFile_b1() const { return FPosSeekRecord - 12; }
    std::string NameTypeField() const { return fieldTypeName(FTypeN); }

    bool Pending() const { return FModifiFields; }
    int32_t PosSeekRecord() const { return FPosSeekRecord; }
    void SetPosSeekRecord(int32_t pos) { FPosSeekRecord = pos; }
    void SetTypeCode(uint8_t code) {
        FTypeN = code;
        FType = static_cast<TFieldTableBlobType>(code);
    }
    // The raw value bytes last read or set.
    const std::vector<uint8_t>& RawValue() const { return FStValue; }

protected:
    // Reads the stored value of the current slot into FStValue.
    void readValue();
    // Starts a new pending value: FStValue cleared to zeros of the slot size.
    uint8_t* beginWrite();
    void endWrite();

    TTableBlob* FOwner;
    std::string FName;
    TFieldTableBlobType FType = ftUnknown;
    uint8_t FTypeN = 0;
    // Kept wider than the original's 16 bits: a slot of a damaged or restructured
    // table may exceed 32767 bytes, and a wrapped offset would point before it.
    int32_t FPosSeekRecord = 0;
    bool FModifiFields = false;
    std::vector<uint8_t> FStValue;
};

class TLongWordField : public TField {
public:
    using TField::TField;
    int GetSizeForFile_b1() const override { return 4; }
    int32_t asInteger() override;
    void setAsInteger(int64_t value) override;
    std::string asString() override;
    void setAsString(std::string_view value) override;
    // The stored value as it is, without the signed 32-bit limit of asInteger.
    uint32_t asLongWord();
};

class TAutoIncField : public TLongWordField {
public:
    using TLongWordField::TLongWordField;
    void setAsInteger(int64_t value) override;
};

class TNewKeysField : public TLongWordField {
public:
    using TLongWordField::TLongWordField;
    void setAsInteger(int64_t value) override;
};

class TIntegerField : public TField {
public:
    using TField::TField;
    int GetSizeForFile_b1() const override { return 4; }
    int32_t asInteger() override;
    void setAsInteger(int64_t value) override;
    std::string asString() override;
    void setAsString(std::string_view value) override;
};

class TSmallintField : public TField {
public:
    using TField::TField;
    int GetSizeForFile_b1() const override { return 2; }
    int32_t asInteger() override;
    void setAsInteger(int64_t value) override;
    std::string asString() override;
    void setAsString(std::string_view value) override;
};

class TWordField : public TField {
public:
    using TField::TField;
    int GetSizeForFile_b1() const override { return 2; }
    int32_t asInteger() override;
    void setAsInteger(int64_t value) override;
    std::string asString() override;
    void setAsString(std::string_view value) override;
};

class TBooleanField : public TField {
public:
    using TField::TField;
    int GetSizeForFile_b1() const override { return 1; }
    int32_t asInteger() override;
    void setAsInteger(int64_t value) override;
    std::string asString() override;
    void setAsString(std::string_view value) override;
    bool asBoolean() { return asInteger() != 0; }
};

class TFloatField : public TField {
public:
    using TField::TField;
    int GetSizeForFile_b1() const override { return 10; }
    int32_t asInteger() override;
    void setAsInteger(int64_t value) override;
    std::string asString() override;
    void setAsString(std::string_view value) override;
    long double asFloat();
    void setAsFloat(long double value);
};

class TStringField : public TField {
public:
    using TField::TField;
    int Size() const override { return FSizeForFile_b1 - 1; }
    int GetSizeForFile_b1() const override { return FSizeForFile_b1; }
    void SetSizeForFile_b1(int length) override;
    bool asStringField() const override { return true; }
    int32_t asInteger() override;
    void setAsInteger(int64_t value) override;
    std::string asString() override;
    void setAsString(std::string_view value) override;

private:
    int FSizeForFile_b1 = 1;
};

class TDateField : public TField {
public:
    using TField::TField;
    int GetSizeForFile_b1() const override { return 4; }
    int32_t asInteger() override;
    void setAsInteger(int64_t value) override;
    std::string asString() override;
    void setAsString(std::string_view value) override;
    TDateTime asDateTime() override;
    void setAsDateTime(TDateTime value) override;
};

class TDateTimeField : public TField {
public:
    using TField::TField;
    int GetSizeForFile_b1() const override { return 8; }
    int32_t asInteger() override;
    void setAsInteger(int64_t value) override;
    std::string asString() override;
    void setAsString(std::string_view value) override;
    TDateTime asDateTime() override;
    void setAsDateTime(TDateTime value) override;
};

// Parses a decimal integer the way the fields do: optional blanks, optional
// sign, digits. Throws EConvertError for anything else or outside 32 bits.
int32_t parseIntegerText(std::string_view text);

}  // namespace zavlin
