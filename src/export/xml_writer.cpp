// The writer: the exact text of a document in Windows-1251 or UTF-8, and
// saving and loading whole files.
#include "base/cp1251.h"
#include "export/xml_document.h"

namespace zavlin {

namespace {

constexpr std::string_view kLineBreak = "\r\n";

bool writable(TUnicodeCodecType codec) {
    return codec == TUnicodeCodecType::ucWin1251 || codec == TUnicodeCodecType::ucUTF8;
}

const char* kUnwritable = "Документ XML не записан: его кодировка не windows-1251 и не UTF-8";

bool writeAll(TStream& stream, const std::string& text) {
    return stream.Write(text.data(), static_cast<int64_t>(text.size())) ==
           static_cast<int64_t>(text.size());
}

}  // namespace

// Builds the text of a document in its encoding.
class XMLWriter {
public:
    XMLWriter(const TXMLCreater& creater, std::string& out)
        : utf8_(creater.UnicodeCodecType() == TUnicodeCodecType::ucUTF8),
          canWriteSize_(creater.CanWriteSize()),
          out_(out) {}

    void prolog(const TXMLCreater& creater) {
        text("<?xml version=\"");
        text(creater.Version());
        text("\"");
        const std::string encoding = creater.Encoding();
        if (!encoding.empty()) {
            text(" encoding=\"");
            text(encoding);
            text("\"");
        }
        text(" ?>");
        pending_ += kLineBreak;
    }

    void docType(const TXMLDocType& docType) {
        text("<!DOCTYPE ");
        text(docType.FDocTypeName);
        text("[");
        pending_ += kLineBreak;
        for (const auto& list : docType.LDTDString) {
            if (list->ClassName() != "TDTDEntity") continue;
            for (std::size_t i = 0; i < list->Lines.size(); ++i) {
                if (list->Lines[i].empty()) continue;
                text("<!ENTITY ");
                text(list->Name());
                text(std::to_string(i + 1));
                text(" \"");
                escaped(list->Lines[i]);
                text("\">");
                pending_ += kLineBreak;
            }
        }
        text("]>");
        pending_ += kLineBreak;
    }

    void element(const TXMLObject& object) {
        text("<");
        text(object.FName);
        for (const auto& atr : object.LXMLAtr) {
            text(" ");
            text(atr->Name());
            text("=\"");
            value(*atr);
            text("\"");
            if (atr->IsEmpty()) pending_ += kLineBreak;
        }
        text(">");
        pending_ += kLineBreak;
        for (const auto& field : object.LXMLField) {
            if (field->IsEmpty()) {
                if (!canWriteSize_) continue;
                text("<");
                text(field->Name());
                text("/>");
            } else {
                text("<");
                text(field->Name());
                text(">");
                value(*field);
                text("</");
                text(field->Name());
                text(">");
            }
            pending_ += kLineBreak;
        }
        for (const auto& child : object.LXMLObject) element(*child);
        text("</");
        text(object.FName);
        text(">");
        pending_ += kLineBreak;
    }

    // Must run before the output is taken: text held back is not in it yet.
    void flush() {
        if (utf8_)
            out_ += pending_;
        else
            out_ += utf8ToCp1251(pending_);
        pending_.clear();
    }

private:
    // Text is gathered in UTF-8 and converted in large pieces; only a raw
    // stream value interrupts it.
    void text(std::string_view utf8) { pending_ += utf8; }
    void raw(std::string_view bytes) {
        flush();
        out_ += bytes;
    }

    void escaped(std::string_view utf8) {
        for (char c : utf8) {
            switch (c) {
                case '&':
                    pending_ += "&amp;";
                    break;
                case '<':
                    pending_ += "&lt;";
                    break;
                case '>':
                    pending_ += "&gt;";
                    break;
                case '\'':
                    pending_ += "&apos;";
                    break;
                case '"':
                    pending_ += "&quot;";
                    break;
                default:
                    pending_ += c;
            }
        }
    }

    void value(const TXMLDan& dan) {
        switch (dan.Type()) {
            case usTypeField::usStream:
                raw(dan.asStream());
                break;
            case usTypeField::usInt:
            case usTypeField::usLongWord:
                text(dan.asString());
                break;
            default:
                escaped(dan.asString());
        }
    }

    bool utf8_;
    bool canWriteSize_;
    std::string& out_;
    std::string pending_;
};

bool TXMLObject::WriteToStream(TStream& stream) const {
    if (FXMLCreater == nullptr || !writable(FXMLCreater->UnicodeCodecType())) return false;
    std::string out;
    XMLWriter writer(*FXMLCreater, out);
    writer.element(*this);
    writer.flush();
    return writeAll(stream, out);
}

bool TXMLDocType::WriteToStream(TStream& stream) const {
    if (FXMLCreater == nullptr || !writable(FXMLCreater->UnicodeCodecType())) return false;
    std::string out;
    XMLWriter writer(*FXMLCreater, out);
    writer.docType(*this);
    writer.flush();
    return writeAll(stream, out);
}

bool TXMLCreater::SaveToAnsiString(std::string& text) {
    text.clear();
    if (!writable(FUnicodeCodecType)) {
        FLastError = kUnwritable;
        return false;
    }
    XMLWriter writer(*this, text);
    writer.prolog(*this);
    if (FXMLDocType) writer.docType(*FXMLDocType);
    if (FXMLObject) writer.element(*FXMLObject);
    writer.flush();
    FLastError.clear();
    return true;
}

bool TXMLCreater::WriteToStream(TStream& stream) {
    std::string text;
    if (!SaveToAnsiString(text)) return false;
    if (!writeAll(stream, text)) {
        FLastError = "Ошибка при записи документа XML";
        return false;
    }
    return true;
}

bool TXMLCreater::SaveToFile(const std::filesystem::path& fileName, FileSystem& fs) {
    if (onBeforeSaveToFile) onBeforeSaveToFile();
    std::string text;
    if (!SaveToAnsiString(text)) return false;
    if (!replaceFileWhole(fs, fileName, reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                          true)) {
        FLastError = "Ошибка при записи файла " + fileName.string();
        return false;
    }
    if (onAfterSaveToFile) onAfterSaveToFile();
    return true;
}

bool TXMLCreater::LoadFromFile(const std::filesystem::path& fileName, FileSystem& fs) {
    Clear();
    auto file = fs.open(fileName, OpenMode::ReadOnly);
    if (!file) {
        FLastError = "Ошибка при открытии файла " + fileName.string();
        return false;
    }
    const int64_t size = file->size();
    if (size < 0 || static_cast<uint64_t>(size) > kXMLMaxFileSize) {
        FLastError = size < 0 ? "Ошибка при чтении файла " + fileName.string()
                              : "Файл " + fileName.string() + " слишком велик для документа XML";
        return false;
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    if (size > 0 && !file->readAt(0, text.data(), text.size())) {
        FLastError = "Ошибка при чтении файла " + fileName.string();
        return false;
    }
    return LoadFromAnsiString(text);
}

}  // namespace zavlin
