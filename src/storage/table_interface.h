// The interfaces through which an outside converter library fills tables.
// The order of the operations is the layout the library sees, so it is fixed.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/streams.h"
#include "storage/table_blob.h"

namespace zavlin {

struct TGuid {
    uint32_t d1;
    uint16_t d2;
    uint16_t d3;
    std::array<uint8_t, 8> d4;
    bool operator==(const TGuid&) const = default;
};

// {9272F829-C20E-4D6F-8F5A-CE75E2755F65}
constexpr TGuid IID_ITableBlob{
    0x9272F829, 0xC20E, 0x4D6F, {0x8F, 0x5A, 0xCE, 0x75, 0xE2, 0x75, 0x5F, 0x65}};
// {053A1691-7377-49D2-A98F-8E86B0C49A44}
constexpr TGuid IID_IField{
    0x053A1691, 0x7377, 0x49D2, {0xA9, 0x8F, 0x8E, 0x86, 0xB0, 0xC4, 0x9A, 0x44}};

constexpr int32_t S_OK = 0;
constexpr int32_t E_NOINTERFACE = static_cast<int32_t>(0x80004002u);

class IUnknownLike {
public:
    virtual int32_t QueryInterface(const TGuid& iid, void** obj) = 0;
    virtual int32_t _AddRef() = 0;
    virtual int32_t _Release() = 0;

protected:
    ~IUnknownLike() = default;
};

class IField : public IUnknownLike {
public:
    virtual std::string GetAsString() = 0;
    virtual void SetAsString(const std::string& value) = 0;
    virtual int32_t GetAsInteger() = 0;
    virtual void SetAsInteger(int32_t value) = 0;
    virtual double GetAsDateTime() = 0;
    virtual void SetAsDateTime(double value) = 0;
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) = 0;

protected:
    ~IField() = default;
};

class ITableBlob : public IUnknownLike {
public:
    virtual std::string GetDatabaseName() = 0;
    virtual void SetDatabaseName(const std::string& value) = 0;
    virtual std::string GetTableName() = 0;
    virtual void SetTableName(const std::string& value) = 0;
    virtual void GetField(int index, IField*& field) = 0;
    virtual bool CreateFile() = 0;
    virtual bool Open() = 0;
    virtual void Close() = 0;
    virtual void EmptyTable() = 0;
    virtual void AddAutoIncField(const std::string& name) = 0;
    virtual void AddNewKeysField(const std::string& name) = 0;
    virtual void AddStringField(const std::string& name, int length) = 0;
    virtual void AddSmallIntField(const std::string& name) = 0;
    virtual void AddWordField(const std::string& name) = 0;
    virtual void AddIntegerField(const std::string& name) = 0;
    virtual void AddDateField(const std::string& name) = 0;
    virtual void AddDateTimeField(const std::string& name) = 0;
    virtual void AddBlobField(const std::string& name, int pageSize) = 0;
    virtual int32_t RecordCount() = 0;
    virtual void Append() = 0;
    virtual void First() = 0;
    virtual bool Eof() = 0;
    virtual void Next() = 0;
    virtual void Delete() = 0;
    virtual void Post() = 0;

protected:
    ~ITableBlob() = default;
};

// Counts references; nothing is freed automatically at 0, the creator owns it.
class TTableInterface {
public:
    TTableInterface(std::string className, TCoreHooks& hooks)
        : className_(std::move(className)), hooks_(hooks) {}
    virtual ~TTableInterface();
    int32_t addRef();
    int32_t release();
    int32_t refCount() const { return count_.load(); }

protected:
    std::string className_;
    TCoreHooks& hooks_;
    std::atomic<int32_t> count_{0};
};

class TFieldInterface : public TTableInterface, public IField {
public:
    explicit TFieldInterface(TField* field);

    int32_t QueryInterface(const TGuid& iid, void** obj) override;
    int32_t _AddRef() override { return addRef(); }
    int32_t _Release() override { return release(); }

    std::string GetAsString() override { return field_->asString(); }
    void SetAsString(const std::string& value) override { field_->setAsString(value); }
    int32_t GetAsInteger() override { return field_->asInteger(); }
    void SetAsInteger(int32_t value) override { field_->setAsInteger(value); }
    double GetAsDateTime() override { return field_->asDateTime(); }
    void SetAsDateTime(double value) override { field_->setAsDateTime(value); }
    void LoadFromStream(TStream& stream) override { field_->LoadFromStream(stream); }
    void SaveToStream(TStream& stream) override { field_->SaveToStream(stream); }

    TField* field() const { return field_; }

private:
    TField* field_;
};

class TTableBlobInterface : public TTableInterface, public ITableBlob {
public:
    explicit TTableBlobInterface(TTableBlob& table);
    ~TTableBlobInterface() override;

    int32_t QueryInterface(const TGuid& iid, void** obj) override;
    int32_t _AddRef() override { return addRef(); }
    int32_t _Release() override { return release(); }

    std::string GetDatabaseName() override { return table_.DatabaseName(); }
    void SetDatabaseName(const std::string& value) override { table_.SetDatabaseName(value); }
    std::string GetTableName() override { return table_.TableName(); }
    void SetTableName(const std::string& value) override { table_.SetTableNameVerbatim(value); }
    void GetField(int index, IField*& field) override;
    bool CreateFile() override;
    bool Open() override;
    void Close() override;
    void EmptyTable() override;
    void AddAutoIncField(const std::string& name) override;
    void AddNewKeysField(const std::string& name) override;
    void AddStringField(const std::string& name, int length) override;
    void AddSmallIntField(const std::string& name) override;
    void AddWordField(const std::string& name) override;
    void AddIntegerField(const std::string& name) override;
    void AddDateField(const std::string& name) override;
    void AddDateTimeField(const std::string& name) override;
    void AddBlobField(const std::string& name, int pageSize) override;
    int32_t RecordCount() override { return static_cast<int32_t>(table_.RecordCount()); }
    void Append() override { (void)table_.Append(); }
    void First() override { table_.First(); }
    bool Eof() override { return table_.Eof(); }
    void Next() override { table_.Next(); }
    void Delete() override { (void)table_.Delete(); }
    void Post() override { (void)table_.Post(); }

    TTableBlob& table() { return table_; }
    int fieldWrapperCount() const { return static_cast<int>(fields_.size()); }

private:
    void wrap(TField* field);
    void freeWrappers();
    TTableBlob& table_;
    std::vector<std::unique_ptr<TFieldInterface>> fields_;
};

}  // namespace zavlin
