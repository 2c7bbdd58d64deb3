// The reader: the file's bytes are turned into UTF-8 first, then parsed in
// one pass into a tree that the document takes over only when the whole text
// was read. Documents come from outside (a server, a user's file), so every
// refusal names its line and nothing is fetched or expanded without bound.
#include <algorithm>
#include <map>

#include "base/cp1251.h"
#include "export/xml_document.h"
#include "export/xml_encoding.h"

namespace zavlin {

namespace {

bool isNameChar(char c) {
    switch (c) {
        case ' ':
        case '\t':
        case '\r':
        case '\n':
        case '<':
        case '>':
        case '/':
        case '=':
        case '"':
        case '\'':
        case '&':
        case '[':
        case ']':
        case '\0':
            return false;
        default:
            return true;
    }
}

std::size_t lineOf(std::string_view s, std::size_t pos) {
    pos = std::min(pos, s.size());
    return 1 + static_cast<std::size_t>(
                   std::count(s.begin(), s.begin() + static_cast<long>(pos), '\n'));
}

std::string lineMessage(std::size_t line, const std::string& what) {
    return "Ошибка в документе XML, строка " + std::to_string(line) + ": " + what;
}

}  // namespace

class XMLReader {
public:
    explicit XMLReader(TXMLCreater& creater) : creater_(creater) {}

    bool read(std::string_view raw) {
        if (raw.empty()) return failAt(0, "документ пуст"), false;
        if (raw.size() > kXMLMaxFileSize) {
            error_ = "Документ XML длиннее " + std::to_string(kXMLMaxFileSize) + " байт";
            return false;
        }
        budget_ =
            std::min(kXMLMaxExpansionBudget,
                     std::max<uint64_t>(kXMLMinExpansionBudget,
                                        kXMLExpansionFactor * static_cast<uint64_t>(raw.size())));
        if (const std::size_t nul = raw.find('\0'); nul != std::string_view::npos) {
            error_ = lineMessage(lineOf(raw, nul), "нулевой байт в тексте");
            return false;
        }
        bool bom = false;
        if (raw.substr(0, 3) == "\xEF\xBB\xBF") {
            raw.remove_prefix(3);
            bom = true;
        }
        TUnicodeCodecType codec = creater_.FUnicodeCodecType;
        if (bom) codec = TUnicodeCodecType::ucUTF8;
        std::string version = creater_.FVersion;
        std::size_t start = 0;
        if (!prolog(raw, bom, codec, version, start)) return false;

        if (codec == TUnicodeCodecType::ucUTF8) {
            if (const std::size_t bad = invalidUtf8At(raw); bad != std::string_view::npos) {
                error_ = lineMessage(lineOf(raw, bad), "байты, неверные в кодировке UTF-8");
                return false;
            }
            text_ = raw;
            pos_ = start;
        } else {
            if (codec != TUnicodeCodecType::ucKOI8_R) codec = TUnicodeCodecType::ucWin1251;
            const auto convert = codec == TUnicodeCodecType::ucKOI8_R ? koi8rToUtf8 : cp1251ToUtf8;
            // The prolog may hold letters that grow in UTF-8: it is converted
            // apart, so the body starts where the converted prolog ends.
            text_ = convert(raw.substr(0, start));
            pos_ = text_.size();
            text_ += convert(raw.substr(start));
        }
        if (!document()) return false;

        creater_.FUnicodeCodecType = codec;
        creater_.FVersion = version;
        creater_.FXMLDocType = std::move(docType_);
        creater_.FXMLObject = std::move(root_);
        return true;
    }

    const std::string& error() const { return error_; }

private:
    void failAt(std::size_t pos, const std::string& what) {
        if (error_.empty()) error_ = lineMessage(lineOf(text_, pos), what);
    }

    bool atEnd() const { return pos_ >= text_.size(); }
    bool lookingAt(std::string_view s) const { return text_.compare(pos_, s.size(), s) == 0; }
    void skipBlanks() {
        while (!atEnd() && isXmlBlank(text_[pos_])) ++pos_;
    }

    // Read on the raw bytes: the encoding it names decides how the rest is
    // converted.
    bool prolog(std::string_view raw, bool bom, TUnicodeCodecType& codec, std::string& version,
                std::size_t& end) {
        std::size_t p = 0;
        while (p < raw.size() && isXmlBlank(raw[p])) ++p;
        if (raw.compare(p, 5, "<?xml") != 0 || p + 5 >= raw.size() ||
            !(isXmlBlank(raw[p + 5]) || raw[p + 5] == '?'))
            return true;
        const std::size_t close = raw.find("?>", p);
        if (close == std::string_view::npos) {
            error_ = lineMessage(lineOf(raw, p), "незакрытое объявление <?xml");
            return false;
        }
        std::size_t q = p + 5;
        while (true) {
            while (q < close && isXmlBlank(raw[q])) ++q;
            if (q >= close) break;
            const std::size_t nameStart = q;
            while (q < close && raw[q] != '=' && !isXmlBlank(raw[q])) ++q;
            const std::string name(raw.substr(nameStart, q - nameStart));
            while (q < close && isXmlBlank(raw[q])) ++q;
            if (q >= close || raw[q] != '=') {
                error_ = lineMessage(lineOf(raw, q), "неверное объявление <?xml");
                return false;
            }
            ++q;
            while (q < close && isXmlBlank(raw[q])) ++q;
            if (q >= close || (raw[q] != '"' && raw[q] != '\'')) {
                error_ = lineMessage(lineOf(raw, q), "значение в объявлении <?xml без кавычек");
                return false;
            }
            const char quote = raw[q];
            const std::size_t valueEnd = raw.find(quote, q + 1);
            if (valueEnd == std::string_view::npos || valueEnd > close) {
                error_ = lineMessage(lineOf(raw, q), "незакрытое значение в объявлении <?xml");
                return false;
            }
            const std::string_view value = raw.substr(q + 1, valueEnd - q - 1);
            q = valueEnd + 1;
            if (name == "encoding") {
                const std::string lower = lowerAscii(value);
                if (lower == "windows-1251" || lower == "cp1251")
                    codec = TUnicodeCodecType::ucWin1251;
                else if (lower == "koi8-r")
                    codec = TUnicodeCodecType::ucKOI8_R;
                else if (lower == "utf-8" || lower == "utf8")
                    codec = TUnicodeCodecType::ucUTF8;
                else {
                    error_ = lineMessage(lineOf(raw, q),
                                         "неизвестная кодировка \"" + cp1251ToUtf8(value) + "\"");
                    return false;
                }
                if (bom && codec != TUnicodeCodecType::ucUTF8) {
                    error_ =
                        lineMessage(lineOf(raw, q), "метка UTF-8 в начале файла, а кодировка \"" +
                                                        cp1251ToUtf8(value) + "\"");
                    return false;
                }
            } else if (name == "version") {
                const bool plain = !value.empty() && value.size() <= 16 &&
                                   std::all_of(value.begin(), value.end(), [](char c) {
                                       return (c >= '0' && c <= '9') || c == '.';
                                   });
                if (!plain) {
                    error_ = lineMessage(lineOf(raw, q), "неверная версия XML");
                    return false;
                }
                version = value;
            }
        }
        end = close + 2;
        return true;
    }

    // Comments, processing instructions and blanks around the root; the
    // document type before it.
    bool document() {
        bool seenDocType = false;
        while (true) {
            skipBlanks();
            if (atEnd()) return failAt(pos_, "нет корневого элемента"), false;
            if (lookingAt("<!--") || lookingAt("<?")) {
                if (!skipMarkup()) return false;
            } else if (lookingAt("<!DOCTYPE")) {
                if (seenDocType) return failAt(pos_, "второе объявление <!DOCTYPE"), false;
                seenDocType = true;
                if (!docType()) return false;
            } else if (lookingAt("<") && pos_ + 1 < text_.size() && isNameChar(text_[pos_ + 1]) &&
                       text_[pos_ + 1] != '!') {
                break;
            } else {
                return failAt(pos_, "текст или разметка вне корневого элемента"), false;
            }
        }
        root_ = std::make_unique<TXMLObject>(&creater_, nullptr, std::string());
        std::string text;
        bool hasElements = false;
        if (!element(*root_, 1, text, hasElements)) return false;
        while (true) {
            skipBlanks();
            if (atEnd()) return true;
            if (!(lookingAt("<!--") || lookingAt("<?")))
                return failAt(pos_, "текст или разметка после корневого элемента"), false;
            if (!skipMarkup()) return false;
        }
    }

    // Comments and processing instructions carry nothing the model keeps.
    bool skipMarkup() {
        const bool comment = lookingAt("<!--");
        const std::string_view close = comment ? "-->" : "?>";
        const std::size_t end = text_.find(close, pos_ + (comment ? 4 : 2));
        if (end == std::string::npos)
            return failAt(pos_, comment ? "незакрытый комментарий" : "незакрытая инструкция <?"),
                   false;
        pos_ = end + close.size();
        return true;
    }

    bool name(std::string& out) {
        const std::size_t from = pos_;
        while (!atEnd() && isNameChar(text_[pos_])) ++pos_;
        if (pos_ == from) return failAt(pos_, "ожидается имя"), false;
        out.assign(text_, from, pos_ - from);
        return true;
    }

    bool quoted(std::string_view what, std::size_t& from, std::size_t& to) {
        if (atEnd() || (text_[pos_] != '"' && text_[pos_] != '\''))
            return failAt(pos_, std::string(what) + " без кавычек"), false;
        const std::size_t end = text_.find(text_[pos_], pos_ + 1);
        if (end == std::string::npos) return failAt(pos_, "незакрытые кавычки"), false;
        from = pos_ + 1;
        to = end;
        pos_ = end + 1;
        return true;
    }

    // Decodes text_[from, to) into out: the five predefined entities,
    // character references and the declared entities, within the limits.
    // Every search stays inside the range: a document of many small values
    // must not be scanned to its end for each of them.
    bool decode(std::size_t from, std::size_t to, std::string& out, bool attribute) {
        const std::string_view range = std::string_view(text_).substr(0, to);
        std::size_t p = from;
        while (p < to) {
            const std::size_t amp = range.find_first_of(attribute ? "&<" : "&", p);
            const std::size_t stop = amp == std::string_view::npos ? to : amp;
            out.append(range, p, stop - p);
            if (stop == to) break;
            if (range[stop] == '<') return failAt(stop, "символ < в значении атрибута"), false;
            const std::size_t semi = range.substr(0, std::min(to, stop + 66)).find(';', stop);
            if (semi == std::string_view::npos || semi == stop + 1)
                return failAt(stop, "неверная ссылка на сущность"), false;
            const std::string_view ref = range.substr(stop + 1, semi - stop - 1);
            if (!reference(ref, stop, out)) return false;
            p = semi + 1;
        }
        return true;
    }

    bool reference(std::string_view ref, std::size_t at, std::string& out) {
        if (ref[0] == '#') {
            const bool hex = ref.size() > 1 && (ref[1] == 'x');
            const std::string_view digits = ref.substr(hex ? 2 : 1);
            uint32_t cp = 0;
            bool ok = !digits.empty() && digits.size() <= 8;
            for (char c : digits) {
                int d = -1;
                if (c >= '0' && c <= '9')
                    d = c - '0';
                else if (hex && c >= 'a' && c <= 'f')
                    d = c - 'a' + 10;
                else if (hex && c >= 'A' && c <= 'F')
                    d = c - 'A' + 10;
                if (d < 0) {
                    ok = false;
                    break;
                }
                cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(d);
            }
            if (!ok || cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
                return failAt(at, "неверная ссылка на символ &" + std::string(ref) + ";"), false;
            appendCodePoint(out, cp);
            return true;
        }
        if (ref == "amp") return out += '&', true;
        if (ref == "lt") return out += '<', true;
        if (ref == "gt") return out += '>', true;
        if (ref == "apos") return out += '\'', true;
        if (ref == "quot") return out += '"', true;
        const auto it = entities_.find(std::string(ref));
        if (it == entities_.end())
            return failAt(at, "неизвестная сущность &" + std::string(ref) + ";"), false;
        if (++expansions_ > kXMLMaxEntityExpansions)
            return failAt(at, "подстановок сущностей больше " +
                                  std::to_string(kXMLMaxEntityExpansions)),
                   false;
        if (!spend(at, it->second.size())) return false;
        out += it->second;
        return true;
    }

    // <!DOCTYPE name [SYSTEM "..." | PUBLIC "..." "..."] [ [ ... ] ] >
    // An external identifier is kept as a name only: nothing is fetched.
    bool docType() {
        const std::size_t start = pos_;
        pos_ += 9;
        skipBlanks();
        std::string docName;
        if (!name(docName)) return false;
        docType_ = std::make_unique<TXMLDocType>(&creater_, docName);
        skipBlanks();
        if (lookingAt("SYSTEM") || lookingAt("PUBLIC")) {
            const bool isPublic = lookingAt("PUBLIC");
            pos_ += 6;
            std::size_t from = 0, to = 0;
            for (int i = 0; i < (isPublic ? 2 : 1); ++i) {
                skipBlanks();
                if (!quoted("внешний идентификатор", from, to)) return false;
            }
            skipBlanks();
        }
        if (lookingAt("[")) {
            ++pos_;
            if (!internalSubset()) return false;
            skipBlanks();
        }
        if (!lookingAt(">")) {
            if (atEnd()) return failAt(start, "незакрытое объявление <!DOCTYPE"), false;
            return failAt(pos_, "неверное объявление <!DOCTYPE"), false;
        }
        ++pos_;
        return true;
    }

    bool internalSubset() {
        while (true) {
            skipBlanks();
            if (atEnd()) return failAt(pos_, "незакрытое объявление <!DOCTYPE"), false;
            if (lookingAt("]")) {
                ++pos_;
                return true;
            }
            if (lookingAt("<!--") || lookingAt("<?")) {
                if (!skipMarkup()) return false;
            } else if (lookingAt("<!ENTITY")) {
                if (!entityDeclaration()) return false;
            } else if (lookingAt("<!ELEMENT") || lookingAt("<!ATTLIST") ||
                       lookingAt("<!NOTATION")) {
                if (!skipDeclaration()) return false;
            } else if (lookingAt("%")) {
                return failAt(pos_, "параметрические сущности не читаются"), false;
            } else {
                return failAt(pos_, "неверная разметка в <!DOCTYPE"), false;
            }
        }
    }

    bool skipDeclaration() {
        const std::size_t start = pos_;
        char quote = 0;
        for (; !atEnd(); ++pos_) {
            const char c = text_[pos_];
            if (quote != 0) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                ++pos_;
                return true;
            }
        }
        return failAt(start, "незакрытое объявление"), false;
    }

    bool entityDeclaration() {
        const std::size_t start = pos_;
        pos_ += 8;
        skipBlanks();
        if (lookingAt("%")) return failAt(start, "параметрические сущности не читаются"), false;
        std::string entityName;
        if (!name(entityName)) return false;
        skipBlanks();
        if (lookingAt("SYSTEM") || lookingAt("PUBLIC"))
            return failAt(start, "внешняя сущность " + entityName + " не читается"), false;
        std::size_t from = 0, to = 0;
        if (!quoted("значение сущности", from, to)) return false;
        std::string value;
        if (!decode(from, to, value, false)) return false;
        skipBlanks();
        if (!lookingAt(">")) return failAt(pos_, "неверное объявление сущности"), false;
        ++pos_;
        if (!spend(start, value.size())) return false;
        // The first declaration of a name is the one that counts.
        if (!entities_.emplace(entityName, value).second) return true;
        return keepInModel(start, entityName, std::move(value));
    }

    bool spend(std::size_t at, uint64_t bytes) {
        expanded_ += bytes;
        if (expanded_ > budget_)
            return failAt(at, "подстановки сущностей длиннее " + std::to_string(budget_) + " байт"),
                   false;
        return true;
    }

    // "list" + line number goes back into its entity list.
    // A short declaration with a high line number makes every line below it;
    // those lines are paid for from the expansion budget, so a small document
    // cannot ask for gigabytes of empty lines.
    bool keepInModel(std::size_t at, const std::string& entityName, std::string value) {
        std::size_t digits = entityName.size();
        while (digits > 0 && entityName[digits - 1] >= '0' && entityName[digits - 1] <= '9')
            --digits;
        if (digits == 0 || digits == entityName.size() || entityName[digits] == '0' ||
            entityName.size() - digits > 5)
            return true;
        const int line = std::stoi(entityName.substr(digits));
        if (line > kXMLMaxEntityLine) return true;
        const std::string listName = entityName.substr(0, digits);
        auto found = lists_.find(listName);
        if (found == lists_.end()) {
            if (!spend(at, sizeof(TDTDEntity) + listName.size())) return false;
            found = lists_.emplace(listName, docType_->AddDTDEntity(listName)).first;
        }
        TDTDEntity* list = found->second;
        const auto wanted = static_cast<std::size_t>(line);
        if (list->Lines.size() < wanted) {
            if (!spend(at, (wanted - list->Lines.size()) * sizeof(std::string))) return false;
            list->Lines.resize(wanted);
        }
        list->Lines[wanted - 1] = std::move(value);
        return true;
    }

    // Reads the element at pos_ into node: its name, attributes, content.
    // text is its character content, hasElements whether it had any.
    bool element(TXMLObject& node, int depth, std::string& text, bool& hasElements) {
        const std::size_t start = pos_;
        if (depth > kXMLMaxDepth)
            return failAt(start, "элементы вложены глубже " + std::to_string(kXMLMaxDepth)), false;
        ++pos_;
        if (!name(node.FName)) return false;
        while (true) {
            const std::size_t before = pos_;
            skipBlanks();
            if (atEnd()) return failAt(start, "незакрытый тег <" + node.FName), false;
            if (lookingAt("/>")) {
                pos_ += 2;
                return true;
            }
            if (lookingAt(">")) {
                ++pos_;
                break;
            }
            if (before == pos_ && !node.LXMLAtr.empty())
                return failAt(pos_, "нет пробела между атрибутами"), false;
            std::string atrName;
            if (!name(atrName)) return false;
            skipBlanks();
            if (!lookingAt("=")) return failAt(pos_, "атрибут " + atrName + " без значения"), false;
            ++pos_;
            skipBlanks();
            std::size_t from = 0, to = 0;
            if (!quoted("значение атрибута " + atrName, from, to)) return false;
            std::string value;
            if (!decode(from, to, value, true)) return false;
            node.AddXMLAtr(std::move(atrName))->setAsString(value);
        }
        while (true) {
            const std::size_t lt = text_.find_first_of("<&", pos_);
            if (lt == std::string::npos) {
                pos_ = text_.size();
                return failAt(start, "незакрытый элемент <" + node.FName + ">"), false;
            }
            if (text_[lt] == '&') {
                if (!decode(pos_, lt, text, false)) return false;
                const std::size_t semi = text_.find_first_of(";<", lt);
                if (semi == std::string::npos || text_[semi] == '<')
                    return failAt(lt, "неверная ссылка на сущность"), false;
                if (!decode(lt, semi + 1, text, false)) return false;
                pos_ = semi + 1;
                continue;
            }
            text.append(text_, pos_, lt - pos_);
            pos_ = lt;
            if (lookingAt("</")) {
                const std::size_t endTag = pos_;
                pos_ += 2;
                std::string endName;
                if (!name(endName)) return false;
                skipBlanks();
                if (!lookingAt(">")) return failAt(endTag, "незакрытый тег </" + endName), false;
                ++pos_;
                if (endName != node.FName)
                    return failAt(endTag, "тег </" + endName + "> не закрывает элемент <" +
                                              node.FName + ">"),
                           false;
                return true;
            }
            if (lookingAt("<![CDATA[")) {
                const std::size_t end = text_.find("]]>", pos_ + 9);
                if (end == std::string::npos) return failAt(pos_, "незакрытый раздел CDATA"), false;
                text.append(text_, pos_ + 9, end - pos_ - 9);
                pos_ = end + 3;
                continue;
            }
            if (lookingAt("<!--") || lookingAt("<?")) {
                if (!skipMarkup()) return false;
                continue;
            }
            if (pos_ + 1 >= text_.size() || !isNameChar(text_[pos_ + 1]) || text_[pos_ + 1] == '!')
                return failAt(pos_, "неверная разметка"), false;
            hasElements = true;
            auto child = std::make_unique<TXMLObject>(&creater_, &node, std::string());
            std::string childText;
            bool childHasElements = false;
            if (!element(*child, depth + 1, childText, childHasElements)) return false;
            if (!childHasElements && child->LXMLAtr.empty())
                node.AddXMLField(child->FName)->setAsString(childText);
            else
                node.LXMLObject.push_back(std::move(child));
        }
    }

    TXMLCreater& creater_;
    std::string text_;
    std::size_t pos_ = 0;
    std::string error_;
    std::unique_ptr<TXMLDocType> docType_;
    std::unique_ptr<TXMLObject> root_;
    std::map<std::string, std::string, std::less<>> entities_;
    std::map<std::string, TDTDEntity*, std::less<>> lists_;
    uint64_t expansions_ = 0;
    uint64_t expanded_ = 0;
    uint64_t budget_ = 0;
};

bool TXMLCreater::LoadFromAnsiString(std::string_view text) {
    Clear();
    XMLReader reader(*this);
    if (!reader.read(text)) {
        Clear();
        FLastError = reader.error();
        return false;
    }
    FLastError.clear();
    return true;
}

}  // namespace zavlin
