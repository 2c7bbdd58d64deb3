// The document model: its elements, values' owners and document type.
#include "export/xml_document.h"

#include <algorithm>
#include <utility>

#include "export/xml_encoding.h"

namespace zavlin {

namespace {

template <typename T>
T* itemAt(const std::vector<std::unique_ptr<T>>& list, int i) {
    if (i < 0 || i >= static_cast<int>(list.size())) return nullptr;
    return list[static_cast<std::size_t>(i)].get();
}

template <typename T>
T* findByName(const std::vector<std::unique_ptr<T>>& list, std::string_view name) {
    for (const auto& item : list)
        if (item->Name() == name) return item.get();
    return nullptr;
}
}  // namespace

// ---- TXMLObject ----

TXMLObject* TXMLObject::CreateXMLObject(std::string name) {
    LXMLObject.push_back(std::make_unique<TXMLObject>(FXMLCreater, this, std::move(name)));
    return LXMLObject.back().get();
}

TXMLAtr* TXMLObject::AddXMLAtr(std::string name) {
    LXMLAtr.push_back(std::make_unique<TXMLAtr>(FXMLCreater, this, std::move(name)));
    return LXMLAtr.back().get();
}

TXMLAtr* TXMLObject::AddNewXMLAtr(std::string name, int32_t value) {
    TXMLAtr* a = AddXMLAtr(std::move(name));
    a->setAsInteger(value);
    return a;
}

TXMLAtr* TXMLObject::AddNewXMLAtr(std::string name, uint16_t value) {
    return AddNewXMLAtr(std::move(name), static_cast<int32_t>(value));
}

TXMLAtr* TXMLObject::AddNewXMLAtr(std::string name, uint32_t value) {
    TXMLAtr* a = AddXMLAtr(std::move(name));
    a->setAsLongWord(value);
    return a;
}

TXMLAtr* TXMLObject::AddNewXMLAtr(std::string name, std::string_view text) {
    TXMLAtr* a = AddXMLAtr(std::move(name));
    a->setAsString(text);
    return a;
}

TXMLAtr* TXMLObject::AddNewXMLAtr(std::string name, bool value) {
    TXMLAtr* a = AddXMLAtr(std::move(name));
    a->setAsBoolean(value);
    return a;
}

TXMLAtr* TXMLObject::AddNewXMLAtrStream(std::string name, std::string_view bytes) {
    TXMLAtr* a = AddXMLAtr(std::move(name));
    a->setAsStream(bytes);
    return a;
}

TXMLAtr* TXMLObject::AddNewXMLAtrDateTime(std::string name, TDateTime value) {
    TXMLAtr* a = AddXMLAtr(std::move(name));
    a->setAsDateTime(value);
    return a;
}

TXMLAtr* TXMLObject::AddNewXMLAtrDate(std::string name, TDateTime value) {
    TXMLAtr* a = AddXMLAtr(std::move(name));
    a->setAsDate(value);
    return a;
}

TXMLAtr* TXMLObject::AddNewXMLAtrTime(std::string name, TDateTime value) {
    TXMLAtr* a = AddXMLAtr(std::move(name));
    a->setAsTime(value);
    return a;
}

TXMLAtr* TXMLObject::AtrByName(std::string_view name) {
    if (TXMLAtr* a = FindXMLAtr(name)) return a;
    return AddXMLAtr(std::string(name));
}

TXMLAtr* TXMLObject::FindXMLAtr(std::string_view name) const {
    return findByName(LXMLAtr, name);
}

TXMLField* TXMLObject::AddXMLField(std::string name) {
    LXMLField.push_back(std::make_unique<TXMLField>(FXMLCreater, this, std::move(name)));
    return LXMLField.back().get();
}

TXMLField* TXMLObject::AddNewXMLField(std::string name, int32_t value) {
    TXMLField* f = AddXMLField(std::move(name));
    f->setAsInteger(value);
    return f;
}

TXMLField* TXMLObject::AddNewXMLField(std::string name, uint32_t value) {
    TXMLField* f = AddXMLField(std::move(name));
    f->setAsLongWord(value);
    return f;
}

TXMLField* TXMLObject::AddNewXMLField(std::string name, std::string_view text) {
    TXMLField* f = AddXMLField(std::move(name));
    f->setAsString(text);
    return f;
}

TXMLField* TXMLObject::AddNewXMLField(std::string name, bool value) {
    TXMLField* f = AddXMLField(std::move(name));
    f->setAsBoolean(value);
    return f;
}

TXMLField* TXMLObject::AddNewXMLField(std::string name, const TArrayOfWord& value) {
    TXMLField* f = AddXMLField(std::move(name));
    f->setAsArrayOfWord(value);
    return f;
}

TXMLField* TXMLObject::AddNewXMLFieldStream(std::string name, std::string_view bytes) {
    TXMLField* f = AddXMLField(std::move(name));
    f->setAsStream(bytes);
    return f;
}

TXMLField* TXMLObject::AddNewXMLFieldDateTime(std::string name, TDateTime value) {
    TXMLField* f = AddXMLField(std::move(name));
    f->setAsDateTime(value);
    return f;
}

TXMLField* TXMLObject::AddNewXMLFieldDate(std::string name, TDateTime value) {
    TXMLField* f = AddXMLField(std::move(name));
    f->setAsDate(value);
    return f;
}

TXMLField* TXMLObject::AddNewXMLFieldTime(std::string name, TDateTime value) {
    TXMLField* f = AddXMLField(std::move(name));
    f->setAsTime(value);
    return f;
}

TXMLField* TXMLObject::FieldByName(std::string_view name) {
    if (TXMLField* f = FindXMLField(name)) return f;
    return AddXMLField(std::string(name));
}

TXMLField* TXMLObject::FindXMLField(std::string_view name) const {
    return findByName(LXMLField, name);
}

TXMLObject* TXMLObject::FindXMLObject(std::string_view name) const {
    return findByName(LXMLObject, name);
}

TXMLObject* TXMLObject::FindXMLObject(std::string_view name, std::string_view atrName,
                                      std::string_view atrValue) const {
    for (const auto& child : LXMLObject) {
        if (child->FName != name) continue;
        const TXMLAtr* a = child->FindXMLAtr(atrName);
        if (a != nullptr && a->asString() == atrValue) return child.get();
    }
    return nullptr;
}

TXMLObject* TXMLObject::FindXMLObject(std::string_view name, std::string_view atrName,
                                      uint32_t atrValue) const {
    return FindXMLObject(name, atrName, std::to_string(atrValue));
}

TXMLObject* TXMLObject::FindFirstXMLObject(std::string_view name) const {
    for (const auto& child : LXMLObject) {
        if (child->FName == name) return child.get();
        if (TXMLObject* found = child->FindFirstXMLObject(name)) return found;
    }
    return nullptr;
}

bool TXMLObject::ExchangeXMLObject(int i1, int i2) {
    const int n = CountLXMLObject();
    if (i1 < 0 || i2 < 0 || i1 >= n || i2 >= n) return false;
    std::swap(LXMLObject[static_cast<std::size_t>(i1)], LXMLObject[static_cast<std::size_t>(i2)]);
    return true;
}

bool TXMLObject::ExchangeXMLObject(const TXMLObject* o1, const TXMLObject* o2) {
    auto indexOf = [this](const TXMLObject* o) {
        for (std::size_t i = 0; i < LXMLObject.size(); ++i)
            if (LXMLObject[i].get() == o) return static_cast<int>(i);
        return -1;
    };
    return ExchangeXMLObject(indexOf(o1), indexOf(o2));
}

bool TXMLObject::DeleteXMLObject(const TXMLObject* child) {
    auto it = std::find_if(LXMLObject.begin(), LXMLObject.end(),
                           [child](const auto& o) { return o.get() == child; });
    if (it == LXMLObject.end()) return false;
    LXMLObject.erase(it);
    return true;
}

TXMLAtr* TXMLObject::XMLAtr(int i) const {
    return itemAt(LXMLAtr, i);
}
TXMLField* TXMLObject::XMLField(int i) const {
    return itemAt(LXMLField, i);
}
TXMLObject* TXMLObject::XMLObject(int i) const {
    return itemAt(LXMLObject, i);
}

// ---- document type ----

int TDTDEntity::Add(std::string line) {
    Lines.push_back(std::move(line));
    return static_cast<int>(Lines.size());
}

std::string TDTDEntity::StrEntity(std::string_view text) const {
    for (std::size_t i = 0; i < Lines.size(); ++i)
        if (Lines[i] == text) return "&" + FName + std::to_string(i + 1) + ";";
    return {};
}

TDTDEntity* TXMLDocType::AddDTDEntity(std::string name) {
    auto entity = std::make_unique<TDTDEntity>(this, std::move(name));
    TDTDEntity* raw = entity.get();
    LDTDString.push_back(std::move(entity));
    return raw;
}

TDTDString* TXMLDocType::AddDTDString(std::string name) {
    LDTDString.push_back(std::make_unique<TDTDString>(this, std::move(name)));
    return LDTDString.back().get();
}

TDTDEntity* TXMLDocType::FindDTDEntity(std::string_view name) const {
    return static_cast<TDTDEntity*>(FindDTDString(name, "TDTDEntity"));
}

TDTDString* TXMLDocType::FindDTDString(std::string_view name, std::string_view className) const {
    for (const auto& list : LDTDString)
        if (list->Name() == name && list->ClassName() == className) return list.get();
    return nullptr;
}

TDTDString* TXMLDocType::DTDString(int i) const {
    return itemAt(LDTDString, i);
}

// ---- TXMLCreater ----

void TXMLCreater::Clear() {
    FXMLObject.reset();
    FXMLDocType.reset();
}

TXMLObject* TXMLCreater::CreateMainXMLObject(std::string name) {
    FXMLObject = std::make_unique<TXMLObject>(this, nullptr, std::move(name));
    return FXMLObject.get();
}

TXMLDocType* TXMLCreater::CreateXMLDocType(std::string name) {
    FXMLDocType = std::make_unique<TXMLDocType>(this, std::move(name));
    return FXMLDocType.get();
}

TXMLObject* TXMLCreater::FindFirstXMLObject(std::string_view name) const {
    if (!FXMLObject) return nullptr;
    if (FXMLObject->Name() == name) return FXMLObject.get();
    return FXMLObject->FindFirstXMLObject(name);
}

std::string TXMLCreater::Encoding() const {
    switch (FUnicodeCodecType) {
        case TUnicodeCodecType::ucWin1251:
            return "windows-1251";
        case TUnicodeCodecType::ucUTF8:
            return "UTF-8";
        default:
            return {};
    }
}

void TXMLCreater::SetEncoding(std::string_view name) {
    const std::string lower = lowerAscii(name);
    if (lower == "windows-1251")
        FUnicodeCodecType = TUnicodeCodecType::ucWin1251;
    else if (lower == "utf-8")
        FUnicodeCodecType = TUnicodeCodecType::ucUTF8;
}

}  // namespace zavlin
