#include "storage/table_interface.h"

namespace zavlin {

TTableInterface::~TTableInterface() {
    const int32_t c = count_.load();
    if (c != 0)
        hooks_.Message("Ошибка Interface " + className_ + " неразрушен =" + std::to_string(c));
}

int32_t TTableInterface::addRef() {
    return ++count_;
}

int32_t TTableInterface::release() {
    int32_t c = count_.load();
    while (true) {
        if (c <= 0) {
            hooks_.Message("Ошибка количества ссылок на " + className_ + " =" +
                           std::to_string(c - 1));
            return c;
        }
        if (count_.compare_exchange_weak(c, c - 1)) return c - 1;
    }
}

TFieldInterface::TFieldInterface(TField* field)
    : TTableInterface("TFieldInterface", field->Owner()->Hooks()), field_(field) {
    void* self = nullptr;
    if (QueryInterface(IID_IField, &self) != S_OK) {
        hooks_.Message("Interface \"IField\" не поддерживается");
    } else {
        // Asking for the interface counted a reference that nobody holds.
        (void)release();
    }
}

int32_t TFieldInterface::QueryInterface(const TGuid& iid, void** obj) {
    if (iid == IID_IField) {
        *obj = static_cast<IField*>(this);
        addRef();
        return S_OK;
    }
    *obj = nullptr;
    return E_NOINTERFACE;
}

TTableBlobInterface::TTableBlobInterface(TTableBlob& table)
    : TTableInterface("TTableBlobInterface", table.Hooks()), table_(table) {
    void* self = nullptr;
    if (QueryInterface(IID_ITableBlob, &self) != S_OK) {
        hooks_.Message("Interface \"ITableBlob\" не поддерживается");
    } else {
        (void)release();
    }
    for (int i = 0; i < table_.FieldCount(); ++i) wrap(table_.Field(i));
}

TTableBlobInterface::~TTableBlobInterface() {
    freeWrappers();
}

int32_t TTableBlobInterface::QueryInterface(const TGuid& iid, void** obj) {
    if (iid == IID_ITableBlob) {
        *obj = static_cast<ITableBlob*>(this);
        addRef();
        return S_OK;
    }
    *obj = nullptr;
    return E_NOINTERFACE;
}

void TTableBlobInterface::wrap(TField* field) {
    if (field) fields_.push_back(std::make_unique<TFieldInterface>(field));
}

void TTableBlobInterface::freeWrappers() {
    fields_.clear();
}

void TTableBlobInterface::GetField(int index, IField*& field) {
    field = nullptr;
    if (index < 0 || index >= static_cast<int>(fields_.size())) return;
    field = fields_[static_cast<std::size_t>(index)].get();
    field->_AddRef();
}

bool TTableBlobInterface::CreateFile() {
    freeWrappers();
    auto saved = std::move(table_.CanReWrite);
    table_.CanReWrite = nullptr;
    const bool ok = table_.CreateFile();
    table_.CanReWrite = std::move(saved);
    return ok;
}

bool TTableBlobInterface::Open() {
    freeWrappers();
    const bool ok = table_.Open();
    if (ok)
        for (int i = 0; i < table_.FieldCount(); ++i) wrap(table_.Field(i));
    return ok;
}

void TTableBlobInterface::Close() {
    table_.Close();
    freeWrappers();
}

void TTableBlobInterface::EmptyTable() {
    freeWrappers();
    (void)table_.EmptyTable();
    for (int i = 0; i < table_.FieldCount(); ++i) wrap(table_.Field(i));
}

void TTableBlobInterface::AddAutoIncField(const std::string& name) {
    wrap(table_.AddAutoIncField(name));
}
void TTableBlobInterface::AddNewKeysField(const std::string& name) {
    wrap(table_.AddNewKeysField(name));
}
void TTableBlobInterface::AddStringField(const std::string& name, int length) {
    wrap(table_.AddStringField(name, length));
}
void TTableBlobInterface::AddSmallIntField(const std::string& name) {
    wrap(table_.AddFieldByName(ftSmallint, name));
}
void TTableBlobInterface::AddWordField(const std::string& name) {
    wrap(table_.AddFieldByName(ftWord, name));
}
void TTableBlobInterface::AddIntegerField(const std::string& name) {
    wrap(table_.AddFieldByName(ftInteger, name));
}
void TTableBlobInterface::AddDateField(const std::string& name) {
    wrap(table_.AddFieldByName(ftDate, name));
}
void TTableBlobInterface::AddDateTimeField(const std::string& name) {
    wrap(table_.AddFieldByName(ftDateTime, name));
}
void TTableBlobInterface::AddBlobField(const std::string& name, int pageSize) {
    wrap(table_.AddBlobField(name, pageSize));
}

}  // namespace zavlin
