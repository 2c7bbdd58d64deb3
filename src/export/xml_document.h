// The system's own small XML document: a prolog, an optional document type
// with entity lists, and one root element whose elements have attributes,
// simple text children ("fields") and child elements. Every exchanged XML
// document (timetable exchange, curriculum import, the XML forms) goes
// through it.
//
// Text: every name and text value held by the model is the program's UTF-8.
// The writer turns it into the document's encoding (Windows-1251, where a
// character outside the code page becomes "?", or UTF-8); the reader turns
// the file's encoding (windows-1251, KOI8-R or UTF-8, as its prolog says;
// without a declaration the document's current `Encoding`) into UTF-8.
// Stream values are raw bytes and pass through both untouched.
//
// Text written (CR LF ends every line):
//   <?xml version="1.0" encoding="windows-1251" ?>
//   <!DOCTYPE name[                      only with a document type
//   <!ENTITY list1 "escaped line 1">     every non-empty line of every entity list
//   ]>
//   <Root attr="value" empty=""          an empty attribute is followed by a line break
//   >
//   <Field>escaped value</Field>
//   <Empty/>                             an empty field, only with CanWriteSize
//   <Child>
//   </Child>
//   </Root>
// The five characters & < > ' " of attribute, field and entity texts are
// written as &amp; &lt; &gt; &apos; &quot;.
//
// Reading rebuilds the tree with every value as text: a child holding only
// text (or nothing) and no attribute becomes a field, any other a child
// element, so an element written with nothing inside reads back as an empty
// field. Text between child elements is dropped; comments and processing
// instructions are skipped; a CDATA section is text.
//
// Reading is hardened: only the five predefined entities, character
// references and the document's own internal entities are expanded (never
// an external entity or document type definition); nesting, the number of
// entity expansions and the expanded size are bounded; malformed input ends
// with false, a message naming the line (`LastError`) and an empty document.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/datetime.h"
#include "base/file_system.h"
#include "base/streams.h"

namespace zavlin {

class TArrayOfWord;
class TXMLCreater;
class TXMLDocType;
class TXMLObject;

enum class TUnicodeCodecType {
    ucCustom,
    ucASCII,
    ucISO8859_1,
    ucISO8859_2,
    ucISO8859_3,
    ucISO8859_4,
    ucISO8859_5,
    ucISO8859_6,
    ucISO8859_7,
    ucISO8859_8,
    ucISO8859_9,
    ucISO8859_10,
    ucISO8859_13,
    ucISO8859_14,
    ucISO8859_15,
    ucKOI8_R,
    ucMacLatin2,
    ucMacRoman,
    ucMacCyrillic,
    ucCP437,
    ucWin1250,
    ucWin1251,
    ucWin1252,
    ucEBCDIC_US,
    ucUTF8,
    ucUTF16,
    ucUTF16RE,
};

// The type a value was stored with.
enum class usTypeField {
    usNil,
    usString,
    usInt,
    usStream,
    usDateTime,
    usDate,
    UsTime,
    usBoolean,
    usLongWord
};

// Limits of the reader.
inline constexpr int kXMLMaxDepth = 256;
inline constexpr uint64_t kXMLMaxEntityExpansions = 100000;
// The expansion budget: the expanded entity text (and the entity lines kept)
// may reach the larger of the minimum and the factor times the input, never
// more than the maximum. Both loaders refuse input above the file size.
inline constexpr uint64_t kXMLMinExpansionBudget = 1u << 20;
inline constexpr uint64_t kXMLExpansionFactor = 2;
inline constexpr uint64_t kXMLMaxExpansionBudget = 64u << 20;
inline constexpr uint64_t kXMLMaxFileSize = 64u << 20;
// An entity line number above this is expanded but not kept in the model.
inline constexpr int kXMLMaxEntityLine = 10000;

// A typed value with a name: the base of attributes and fields. Values read
// from a document are always text (usString).
class TXMLDan {
public:
    TXMLDan(TXMLCreater* creater, TXMLObject* owner, std::string name)
        : FXMLCreater(creater), FXMLObject(owner), FName(std::move(name)) {}
    virtual ~TXMLDan() = default;
    TXMLDan(const TXMLDan&) = delete;
    TXMLDan& operator=(const TXMLDan&) = delete;

    const std::string& Name() const { return FName; }
    void SetName(std::string name) { FName = std::move(name); }
    usTypeField Type() const { return Ftype; }
    TXMLObject* XMLObject() const { return FXMLObject; }
    // True when nothing is stored (an empty text counts as nothing).
    bool IsEmpty() const { return Fs.empty(); }

    // The value as text: text and Boolean as stored, numbers in decimal,
    // "01.09.2016 08:05:07" for a date-time, its date or time part for a
    // date or a time; a stream and an empty value give "".
    std::string asString() const;
    void setAsString(std::string_view utf8);

    // Typed reads. A value stored with the matching type gives it back; a
    // text is parsed; an empty value reads 0. A text that is no number, a
    // negative number for asLongWord or a number outside the type gives false
    // (with the reason in *message when asked) and leaves value unchanged.
    [[nodiscard]] bool asInteger(int32_t& value, std::string* message = nullptr) const;
    [[nodiscard]] bool asLongWord(uint32_t& value, std::string* message = nullptr) const;
    // True when the text, trimmed and lower-cased, is "true".
    bool asBoolean() const;
    // "dd.mm.yyyy", "hh:mm:ss" or both separated by a blank, read by
    // position; the three reads of a text are the same moment.
    [[nodiscard]] bool asDateTime(TDateTime& value, std::string* message = nullptr) const;
    [[nodiscard]] bool asDate(TDateTime& value, std::string* message = nullptr) const;
    [[nodiscard]] bool asTime(TDateTime& value, std::string* message = nullptr) const;
    // The stored bytes: raw for a stream, the UTF-8 text for a text.
    const std::string& asStream() const { return Fs; }

    void setAsInteger(int32_t value);
    void setAsLongWord(uint32_t value);
    void setAsBoolean(bool value);
    void setAsStream(std::string_view bytes);
    void setAsDateTime(TDateTime value);
    void setAsDate(TDateTime value);
    void setAsTime(TDateTime value);
    // Every element followed by ";", a 0 written as nothing: 5, 0, 7 is "5;;7;".
    void setAsArrayOfWord(const TArrayOfWord& value);
    // Splits the text at ";" (an empty item is 0). False, with the array
    // unchanged, when an item is no number from 0 to 65535.
    [[nodiscard]] bool GetArrayOfWord(TArrayOfWord& value, std::string* message = nullptr) const;

protected:
    TXMLCreater* FXMLCreater;
    TXMLObject* FXMLObject;
    std::string Fs;
    usTypeField Ftype = usTypeField::usNil;
    std::string FName;

private:
    void store(usTypeField type, std::string bytes);
    [[nodiscard]] bool storedDouble(double& value) const;
    [[nodiscard]] bool readInt64(int64_t& value, std::string* message) const;
};

class TXMLAtr : public TXMLDan {
public:
    using TXMLDan::TXMLDan;
};

class TXMLField : public TXMLDan {
public:
    using TXMLDan::TXMLDan;
};

// An element. Its three lists keep insertion order and own their items.
class TXMLObject {
public:
    TXMLObject(TXMLCreater* creater, TXMLObject* boss, std::string name)
        : FXMLCreater(creater), FBossXMLObject(boss), FName(std::move(name)) {}
    TXMLObject(const TXMLObject&) = delete;
    TXMLObject& operator=(const TXMLObject&) = delete;

    const std::string& Name() const { return FName; }
    void SetName(std::string name) { FName = std::move(name); }
    // The parent; null for the root.
    TXMLObject* BossXMLObject() const { return FBossXMLObject; }
    TXMLCreater* XMLCreater() const { return FXMLCreater; }

    TXMLObject* CreateXMLObject(std::string name);

    TXMLAtr* AddXMLAtr(std::string name);
    TXMLAtr* AddNewXMLAtr(std::string name, int32_t value);
    TXMLAtr* AddNewXMLAtr(std::string name, uint16_t value);
    TXMLAtr* AddNewXMLAtr(std::string name, uint32_t value);
    TXMLAtr* AddNewXMLAtr(std::string name, std::string_view text);
    TXMLAtr* AddNewXMLAtr(std::string name, const char* text) {
        return AddNewXMLAtr(std::move(name), std::string_view(text));
    }
    TXMLAtr* AddNewXMLAtr(std::string name, bool value);
    TXMLAtr* AddNewXMLAtrStream(std::string name, std::string_view bytes);
    TXMLAtr* AddNewXMLAtrDateTime(std::string name, TDateTime value);
    TXMLAtr* AddNewXMLAtrDate(std::string name, TDateTime value);
    TXMLAtr* AddNewXMLAtrTime(std::string name, TDateTime value);
    // The attribute of that name, added empty when absent.
    TXMLAtr* AtrByName(std::string_view name);
    // The first attribute of that name, or null.
    TXMLAtr* FindXMLAtr(std::string_view name) const;

    TXMLField* AddXMLField(std::string name);
    TXMLField* AddNewXMLField(std::string name, int32_t value);
    TXMLField* AddNewXMLField(std::string name, uint32_t value);
    TXMLField* AddNewXMLField(std::string name, std::string_view text);
    TXMLField* AddNewXMLField(std::string name, const char* text) {
        return AddNewXMLField(std::move(name), std::string_view(text));
    }
    TXMLField* AddNewXMLField(std::string name, bool value);
    TXMLField* AddNewXMLField(std::string name, const TArrayOfWord& value);
    TXMLField* AddNewXMLFieldStream(std::string name, std::string_view bytes);
    TXMLField* AddNewXMLFieldDateTime(std::string name, TDateTime value);
    TXMLField* AddNewXMLFieldDate(std::string name, TDateTime value);
    TXMLField* AddNewXMLFieldTime(std::string name, TDateTime value);
    TXMLField* FieldByName(std::string_view name);
    TXMLField* FindXMLField(std::string_view name) const;

    // The first direct child of that name, or null.
    TXMLObject* FindXMLObject(std::string_view name) const;
    // The first direct child of that name whose attribute atrName has the
    // text atrValue.
    TXMLObject* FindXMLObject(std::string_view name, std::string_view atrName,
                              std::string_view atrValue) const;
    TXMLObject* FindXMLObject(std::string_view name, std::string_view atrName,
                              uint32_t atrValue) const;
    // Depth first below this element: each child is tested, then its own
    // descendants, before the next child.
    TXMLObject* FindFirstXMLObject(std::string_view name) const;

    // Swap two children; false when a position or an object is not a child.
    [[nodiscard]] bool ExchangeXMLObject(int i1, int i2);
    [[nodiscard]] bool ExchangeXMLObject(const TXMLObject* o1, const TXMLObject* o2);
    // Frees the child; false when it is not one.
    bool DeleteXMLObject(const TXMLObject* child);

    int CountLXMLAtr() const { return static_cast<int>(LXMLAtr.size()); }
    int CountLXMLField() const { return static_cast<int>(LXMLField.size()); }
    int CountLXMLObject() const { return static_cast<int>(LXMLObject.size()); }
    // Null outside the list.
    TXMLAtr* XMLAtr(int i) const;
    TXMLField* XMLField(int i) const;
    TXMLObject* XMLObject(int i) const;
    void ClearLXMLAtr() { LXMLAtr.clear(); }
    void ClearLXMLField() { LXMLField.clear(); }
    void ClearLXMLObject() { LXMLObject.clear(); }

    // Writes this element in the creater's encoding; false (nothing written)
    // when that encoding cannot be written.
    [[nodiscard]] bool WriteToStream(TStream& stream) const;

private:
    friend class TXMLCreater;
    friend class XMLWriter;
    friend class XMLReader;

    TXMLCreater* FXMLCreater;
    TXMLObject* FBossXMLObject;
    std::string FName;
    std::vector<std::unique_ptr<TXMLAtr>> LXMLAtr;
    std::vector<std::unique_ptr<TXMLField>> LXMLField;
    std::vector<std::unique_ptr<TXMLObject>> LXMLObject;
};

// A named list of text lines of the document type.
class TDTDString {
public:
    TDTDString(TXMLDocType* docType, std::string name)
        : FXMLDocType(docType), FName(std::move(name)) {}
    virtual ~TDTDString() = default;
    TDTDString(const TDTDString&) = delete;
    TDTDString& operator=(const TDTDString&) = delete;

    virtual std::string_view ClassName() const { return "TDTDString"; }
    const std::string& Name() const { return FName; }
    TXMLDocType* XMLDocType() const { return FXMLDocType; }

    std::vector<std::string> Lines;

protected:
    TXMLDocType* FXMLDocType;
    std::string FName;
};

// Entity values, one per line; line i (from 1) is the entity FName + i.
class TDTDEntity : public TDTDString {
public:
    using TDTDString::TDTDString;
    std::string_view ClassName() const override { return "TDTDEntity"; }
    // Adds a line; returns its number (from 1).
    int Add(std::string line);
    // "&" + FName + line number + ";" of the first line equal to text, or ""
    // when no line is.
    std::string StrEntity(std::string_view text) const;
};

class TXMLDocType {
public:
    TXMLDocType(TXMLCreater* creater, std::string name)
        : FXMLCreater(creater), FDocTypeName(std::move(name)) {}
    TXMLDocType(const TXMLDocType&) = delete;
    TXMLDocType& operator=(const TXMLDocType&) = delete;

    const std::string& DocTypeName() const { return FDocTypeName; }
    TDTDEntity* AddDTDEntity(std::string name);
    TDTDString* AddDTDString(std::string name);
    // The first entity list of that name, or null.
    TDTDEntity* FindDTDEntity(std::string_view name) const;
    // The first list of that name and class name ("TDTDEntity", "TDTDString").
    TDTDString* FindDTDString(std::string_view name, std::string_view className) const;
    int CountLDTDString() const { return static_cast<int>(LDTDString.size()); }
    TDTDString* DTDString(int i) const;
    void ClearLDTDString() { LDTDString.clear(); }
    [[nodiscard]] bool WriteToStream(TStream& stream) const;

private:
    friend class XMLWriter;
    TXMLCreater* FXMLCreater;
    std::string FDocTypeName;
    std::vector<std::unique_ptr<TDTDString>> LDTDString;
};

class TXMLCreater {
public:
    TXMLCreater() = default;
    TXMLCreater(const TXMLCreater&) = delete;
    TXMLCreater& operator=(const TXMLCreater&) = delete;

    // Drops the root and the document type.
    void Clear();
    // Replace any root or document type.
    TXMLObject* CreateMainXMLObject(std::string name);
    TXMLDocType* CreateXMLDocType(std::string name);
    TXMLObject* MainXMLObject() const { return FXMLObject.get(); }
    TXMLDocType* XMLDocType() const { return FXMLDocType.get(); }
    // The root when its name matches, else the depth-first search below it.
    TXMLObject* FindFirstXMLObject(std::string_view name) const;

    const std::string& Version() const { return FVersion; }
    void SetVersion(std::string version) { FVersion = std::move(version); }
    // "windows-1251", "UTF-8" or "" for any other encoding.
    std::string Encoding() const;
    // "windows-1251" or "utf-8" in any letter case select the encoding; any
    // other text changes nothing.
    void SetEncoding(std::string_view name);
    TUnicodeCodecType UnicodeCodecType() const { return FUnicodeCodecType; }
    // Write fields without a value as "<name/>".
    bool CanWriteSize() const { return FCanWriteSize0; }
    void SetCanWriteSize(bool value) { FCanWriteSize0 = value; }

    std::function<void()> onBeforeSaveToFile;
    std::function<void()> onAfterSaveToFile;

    // The writers fail (false, LastError) only when the encoding is neither
    // Windows-1251 nor UTF-8 (a document read as KOI8-R until it is set).
    [[nodiscard]] bool WriteToStream(TStream& stream);
    [[nodiscard]] bool SaveToAnsiString(std::string& text);
    // Written aside and renamed over the file, so a failed save leaves the
    // old file whole. onAfterSaveToFile is raised only after a success.
    [[nodiscard]] bool SaveToFile(const std::filesystem::path& fileName,
                                  FileSystem& fs = realFileSystem());
    // Clear, then read. On failure the document stays empty and LastError
    // says why, naming the line.
    [[nodiscard]] bool LoadFromFile(const std::filesystem::path& fileName,
                                    FileSystem& fs = realFileSystem());
    [[nodiscard]] bool LoadFromAnsiString(std::string_view text);

    // Why the last save or load failed; "" after a success.
    const std::string& LastError() const { return FLastError; }

private:
    friend class XMLReader;
    std::unique_ptr<TXMLDocType> FXMLDocType;
    std::unique_ptr<TXMLObject> FXMLObject;
    std::string FVersion = "1.0";
    TUnicodeCodecType FUnicodeCodecType = TUnicodeCodecType::ucWin1251;
    bool FCanWriteSize0 = false;
    std::string FLastError;
};

}  // namespace zavlin
