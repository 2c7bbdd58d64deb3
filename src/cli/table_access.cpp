#include "cli/table_access.h"

#include <unistd.h>

#include <fmt/format.h>

#include <charconv>
#include <cstdio>
#include <iostream>
#include <string>

#include "base/cp1251.h"
#include "base/text.h"

namespace zavlin::cli {
namespace {

std::vector<std::string_view> splitColons(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t colon = text.find(':', start);
        if (colon == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, colon - start));
        start = colon + 1;
    }
}

int parseLength(std::string_view text, std::string_view arg) {
    int value = 0;
    const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || p != text.data() + text.size())
        throw UsageError(fmt::format("field '{}': length '{}' is not a number", arg, text));
    return value;
}

void checkFieldName(std::string_view name, std::string_view arg) {
    if (name.empty()) throw UsageError(fmt::format("field '{}': the name is empty", arg));
    if (trimView(name) != name)
        throw UsageError(fmt::format("field '{}': the name starts or ends with a blank", arg));
    if (name.find('=') != std::string_view::npos)
        throw UsageError(fmt::format("field '{}': the name contains '='", arg));
    const std::string cp = utf8ToCp1251(name);
    if (cp1251ToUtf8(cp) != name)
        throw UsageError(
            fmt::format("field '{}': the name has characters outside Windows-1251", arg));
    if (cp.size() > static_cast<std::size_t>(kFieldNameLength))
        throw UsageError(fmt::format("field '{}': the name is longer than {} characters", arg,
                                     kFieldNameLength));
}

}  // namespace

std::size_t slotSize(const NewField& field) {
    switch (field.type) {
        case ftString:
            return static_cast<std::size_t>(field.length) + 1;
        case ftBoolean:
            return 1;
        case ftSmallint:
        case ftWord:
            return 2;
        case ftFloat:
            return 10;
        case ftDateTime:
            return 8;
        case ftBlob:
            return kBlobHeadSize;
        default:
            return 4;
    }
}

void printError(std::string_view text) {
    // Never throws: it reports the failures, a full disk behind stderr too.
    (void)std::fputs(fmt::format("error: {}\n", text).c_str(), stderr);
}

bool confirmedOnTerminal(const std::string& question, std::string_view hint) {
    if (isatty(STDIN_FILENO) == 0) {
        fmt::print(stderr, "{}\n", question);
        printError(fmt::format("not confirmed: {}", hint));
        return false;
    }
    fmt::print(stderr, "{} [y/n] ", question);
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y' || answer.rfind("д", 0) == 0 ||
                               answer.rfind("Д", 0) == 0);
}

ConsoleHooks::ConsoleHooks() : dialog_(false), hooks_(dialog_) {
    hooks_.SetMessageRoute([this](const std::string& text) {
        ++messages_;
        fmt::print(stderr, "{}\n", text);
    });
}

void attachTable(TTableBlob& table, const std::string& path) {
    table.SetTableName(path);
    table.ErrorOpen = [](TTableBlob&, uint16_t code, const std::string& text) {
        fmt::print(stderr, "error {}: {}\n", code, text);
    };
}

bool openTable(TTableBlob& table, const std::string& path) {
    attachTable(table, path);
    return table.Open();
}

TLongWordField* keyField(const TTableBlob& table) {
    if (table.FieldCount() == 0) return nullptr;
    TField* f = table.Field(0);
    if (f->TypeField() != ftAutoInc && f->TypeField() != ftNewKeys) return nullptr;
    return static_cast<TLongWordField*>(f);
}

bool gotoRecord(TTableBlob& table, uint32_t key) {
    TLongWordField* k = keyField(table);
    if (!k) return false;
    table.SetKey();
    k->setAsInteger(key);
    if (!table.GotoKey()) return false;
    return !table.Eof();
}

uint32_t parseUnsigned(std::string_view text, std::string_view what) {
    uint32_t value = 0;
    const auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || p != text.data() + text.size())
        throw UsageError(fmt::format("{} '{}' is not a number from 0 to 4294967295", what, text));
    return value;
}

NewField parseFieldArg(std::string_view text) {
    const std::vector<std::string_view> parts = splitColons(text);
    if (parts.size() < 2 || parts.size() > 3)
        throw UsageError(fmt::format("field '{}' is not NAME:TYPE or NAME:TYPE:LENGTH", text));
    NewField field;
    field.name = std::string(parts[0]);
    checkFieldName(field.name, text);
    uint8_t code = 0;
    if (!fieldTypeByName(std::string(parts[1]), code))
        throw UsageError(fmt::format("field '{}': unknown type '{}'", text, parts[1]));
    if (!fieldTypeCreatable(code))
        throw UsageError(
            fmt::format("field '{}': type {} cannot be stored in a table", text, parts[1]));
    field.type = static_cast<TFieldTableBlobType>(code);
    const bool hasLength = parts.size() == 3;
    if (field.type == ftString) {
        if (!hasLength)
            throw UsageError(fmt::format("field '{}': ftString needs a length (1..254)", text));
        field.length = parseLength(parts[2], text);
        if (field.length < 1 || field.length > 254)
            throw UsageError(fmt::format("field '{}': string length must be 1..254", text));
    } else if (field.type == ftBlob) {
        if (hasLength) {
            field.length = parseLength(parts[2], text);
            if (field.length < 1 || field.length > 65535)
                throw UsageError(fmt::format("field '{}': blob page size must be 1..65535", text));
        }
    } else if (hasLength) {
        throw UsageError(fmt::format("field '{}': type {} takes no length", text, parts[1]));
    }
    return field;
}

void checkFieldList(const std::vector<NewField>& fields) {
    if (fields.empty()) throw UsageError("a table needs at least its key field");
    if (fields.front().type != ftAutoInc && fields.front().type != ftNewKeys)
        throw UsageError(
            fmt::format("the first field '{}' must be the key: type ftAutoInc or ftNewKeys",
                        fields.front().name));
    if (fields.size() > 255) throw UsageError("a table holds at most 255 fields");
    for (std::size_t i = 0; i < fields.size(); ++i)
        for (std::size_t j = i + 1; j < fields.size(); ++j)
            if (fields[i].name == fields[j].name)
                throw UsageError(fmt::format("field name '{}' is given twice", fields[i].name));
    std::size_t length = kRecordHeadSize;
    for (const NewField& f : fields) length += slotSize(f);
    // Field offsets are signed 16-bit inside the engine.
    if (length > 32767) throw UsageError("a record slot would be longer than 32767 bytes");
}

std::vector<Assignment> parseAssignments(const std::vector<std::string>& args) {
    std::vector<Assignment> result;
    for (const std::string& arg : args) {
        const std::size_t eq = arg.find('=');
        if (eq == std::string::npos || eq == 0)
            throw UsageError(fmt::format("'{}' is not NAME=VALUE", arg));
        Assignment a{arg.substr(0, eq), arg.substr(eq + 1)};
        for (const Assignment& other : result)
            if (other.name == a.name)
                throw UsageError(fmt::format("field '{}' is given twice", a.name));
        result.push_back(std::move(a));
    }
    return result;
}

}  // namespace zavlin::cli
