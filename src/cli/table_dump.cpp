#include "cli/table_dump.h"

#include <fmt/format.h>

#include <nlohmann/json.hpp>
#include <system_error>
#include <utility>

#include "base/datetime.h"
#include "base/streams.h"
#include "cli/group_decode.h"
#include "cli/table_access.h"

namespace zavlin::cli {
namespace {

using Json = nlohmann::ordered_json;

// Every field of the 68-byte header but FDateTimeCreate, in file order, with
// the place FDateTimeCreate takes among them.
std::vector<std::pair<const char*, uint64_t>> headerIntegers(const ATableBlobHead& h) {
    return {
        {"FVers", h.FVers},
        {"FLengthHeadr", h.FLengthHeadr},
        {"FCountField", h.FCountField},
        {"FTypeInc", h.FTypeInc},
        {"FAutoInc", h.FAutoInc},
        {"FCountRecordAll", h.FCountRecordAll},
        {"FCountRecord", h.FCountRecord},
        {"FLengthRecords", h.FLengthRecords},
        {"FAutoIncDelRec", h.FAutoIncDelRec},
        {"FIndexDelRec", h.FIndexDelRec},
        {"FReserv0", h.FReserv0},
        {"FVersPage", h.FVersPage},
        {"FReserv1", h.FReserv1},
        {"FLengthPage", h.FLengthPage},
        {"FCountPageAll", h.FCountPageAll},
        {"FCountPageEmpty", h.FCountPageEmpty},
        {"FLastEmptyPageN", h.FLastEmptyPageN},
        // FDateTimeCreate (offset 48) goes here.
        {"FReserv2", h.FReserv2},
        {"FReserv3", h.FReserv3},
        {"FReserv4", h.FReserv4},
    };
}
constexpr std::size_t kDateTimeCreatePlace = 17;

std::vector<std::pair<const char*, uint64_t>> recordHeaderItems(const ARecordHeadr& h) {
    return {{"FState", h.FState},
            {"FVers", h.FVers},
            {"FAutoIncDelRec", h.FAutoIncDelRec},
            {"FIndexDelRec", h.FIndexDelRec},
            {"FReserv", h.FReserv}};
}

std::vector<std::pair<const char*, uint64_t>> blobHeaderItems(const ABlobHeadr& h) {
    return {{"FCountPage", h.FCountPage},
            {"FPageStartN", h.FPageStartN},
            {"FSummaLength", h.FSummaLength},
            {"FReserv1", h.FReserv1}};
}

std::string errorText(const std::exception& e) {
    return fmt::format("<error: {}>", e.what());
}

// The header as the file holds it (the engine recomputes FLengthRecords).
ATableBlobHead storedHeader(TTableBlob& table) {
    auto file = table.fileSystem().open(table.FilePath(".b0"), OpenMode::ReadWrite);
    uint8_t bytes[kTableHeadSize];
    if (file && file->readAt(0, bytes, sizeof bytes)) return ATableBlobHead::decode(bytes);
    return table.Headr();
}

ValueDump readValue(TField& field, bool blobs) {
    ValueDump v;
    v.field = field.Name();
    try {
        v.text = field.asString();
    } catch (const std::exception& e) {
        v.text = errorText(e);
        v.error = e.what();
    }
    if (!field.asBlobField()) return v;
    auto& blobField = static_cast<TBlobField&>(field);
    try {
        BlobDump b;
        b.header = blobField.StoredBlobHeadr();
        if (blobs) {
            try {
                TMemoryStream stream;
                blobField.SaveToStream(stream);
                b.bytes = stream.Bytes();
                b.bytesRead = true;
            } catch (const std::exception& e) {
                b.bytesError = e.what();
            }
        }
        v.blob = std::move(b);
    } catch (const std::exception& e) {
        if (v.error.empty()) {
            v.text = errorText(e);
            v.error = e.what();
        }
    }
    return v;
}

// Counts code points, so that Cyrillic names line up.
std::size_t displayWidth(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string padded(std::string_view s, std::size_t width) {
    std::string r(s);
    const std::size_t w = displayWidth(s);
    if (w < width) r.append(width - w, ' ');
    return r;
}

std::string items(const std::vector<std::pair<const char*, uint64_t>>& list) {
    std::string r;
    for (const auto& [name, value] : list) {
        if (!r.empty()) r += ' ';
        r += fmt::format("{}={}", name, value);
    }
    return r;
}

void appendHex(std::string& out, const std::vector<uint8_t>& bytes, std::string_view indent) {
    for (std::size_t at = 0; at < bytes.size(); at += 16) {
        std::string hex;
        std::string chars;
        for (std::size_t i = at; i < at + 16; ++i) {
            if (i < bytes.size()) {
                hex += fmt::format("{:02x} ", bytes[i]);
                chars += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
            } else {
                hex += "   ";
            }
        }
        out += fmt::format("{}{:08x}  {} |{}|\n", indent, at, hex, chars);
    }
}

std::string hexString(const std::vector<uint8_t>& bytes) {
    std::string r;
    r.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) r += fmt::format("{:02x}", b);
    return r;
}

}  // namespace

TableDump collectDump(TTableBlob& table, bool blobs) {
    TableDump d;
    d.table = table.FileName();
    for (const char* ext : {".b0", ".b1", ".b2", ".bi"}) {
        FileDump f;
        f.extension = ext;
        f.path = table.FilePath(ext).string();
        std::error_code ec;
        const auto size = std::filesystem::file_size(f.path, ec);
        f.exists = !ec;
        f.size = ec ? 0 : size;
        d.files.push_back(f);
    }
    d.header = storedHeader(table);
    d.slotLength = table.slotLength();
    for (int i = 0; i < table.FieldCount(); ++i) {
        TField& f = *table.Field(i);
        d.fields.push_back({i, f.Name(), f.NameTypeField(), static_cast<int>(f.TypeField()),
                            f.Size(), f.GetSizeForFile_b1(), f.PosSeekRecord()});
    }
    d.index = table.Index();
    table.FirstAll();
    while (!table.EofAll()) {
        SlotDump s;
        s.slot = table.IndexActivRecordAll();
        s.headerRead = table.ReadRecordHeadr(s.header);
        for (int i = 0; i < table.FieldCount(); ++i)
            s.values.push_back(readValue(*table.Field(i), blobs));
        d.slots.push_back(std::move(s));
        table.NextAll();
    }
    return d;
}

std::string dumpText(const TableDump& d) {
    std::string out = fmt::format("table {}\n", d.table);
    for (const FileDump& f : d.files) {
        out += f.exists ? fmt::format("  {}  {}  {} bytes\n", f.extension, f.path, f.size)
                        : fmt::format("  {}  {}  (absent)\n", f.extension, f.path);
    }

    out += "header\n";
    const auto ints = headerIntegers(d.header);
    for (std::size_t i = 0; i < ints.size(); ++i) {
        if (i == kDateTimeCreatePlace)
            out += fmt::format("  {:<16} {} = {}\n", "FDateTimeCreate", d.header.FDateTimeCreate,
                               dateTimeText(d.header.FDateTimeCreate));
        out += fmt::format("  {:<16} {}\n", ints[i].first, ints[i].second);
    }

    std::size_t nameWidth = 4;
    for (const FieldDump& f : d.fields) nameWidth = std::max(nameWidth, displayWidth(f.name));
    out += fmt::format("fields: {}, slot length {} bytes\n", d.fields.size(), d.slotLength);
    out += fmt::format("  index  {}  {:<12} size  slot size  offset\n", padded("name", nameWidth),
                       "type");
    for (const FieldDump& f : d.fields)
        out += fmt::format("  {:<5}  {}  {:<12} {:<5} {:<10} {}\n", f.index,
                           padded(f.name, nameWidth), f.type, f.size, f.slotSize, f.offset);

    out += fmt::format("index: {} entries\n", d.index.size());
    if (!d.index.empty()) out += "  key         slot\n";
    for (const IndexEntry& e : d.index) out += fmt::format("  {:<11} {}\n", e.key, e.slot);

    out += fmt::format("slots: {}\n", d.slots.size());
    const std::string valueIndent(4 + nameWidth + 2, ' ');
    for (const SlotDump& s : d.slots) {
        if (!s.headerRead) {
            out += fmt::format("  slot {}  <error: cannot read the record header>\n", s.slot);
            continue;
        }
        out += fmt::format("  slot {}  {}  {}\n", s.slot, s.header.live() ? "live" : "deleted",
                           items(recordHeaderItems(s.header)));
        for (const ValueDump& v : s.values) {
            const std::string name = padded(v.field, nameWidth);
            if (!v.blob) {
                out += fmt::format("    {}  {}\n", name, v.text);
                continue;
            }
            out += fmt::format("    {}  {}\n", name, items(blobHeaderItems(v.blob->header)));
            if (v.blob->bytesRead) appendHex(out, v.blob->bytes, valueIndent);
            if (!v.blob->bytesError.empty())
                out += fmt::format("{}<error: {}>\n", valueIndent, v.blob->bytesError);
        }
    }
    return out;
}

std::string dumpJson(const TableDump& d) {
    Json doc;
    doc["table"] = d.table;
    Json files = Json::object();
    for (const FileDump& f : d.files) {
        const std::string key = f.extension.substr(1);
        files[key] = f.exists ? Json{{"path", f.path}, {"size", f.size}} : Json(nullptr);
    }
    doc["files"] = files;

    Json header = Json::object();
    const auto ints = headerIntegers(d.header);
    for (std::size_t i = 0; i < ints.size(); ++i) {
        if (i == kDateTimeCreatePlace) {
            header["FDateTimeCreate"] = d.header.FDateTimeCreate;
            header["FDateTimeCreateText"] = dateTimeText(d.header.FDateTimeCreate);
        }
        header[ints[i].first] = ints[i].second;
    }
    doc["header"] = header;
    doc["slotLength"] = d.slotLength;

    Json fields = Json::array();
    for (const FieldDump& f : d.fields)
        fields.push_back({{"index", f.index},
                          {"name", f.name},
                          {"type", f.type},
                          {"typeCode", f.typeCode},
                          {"size", f.size},
                          {"slotSize", f.slotSize},
                          {"offset", f.offset}});
    doc["fields"] = fields;

    Json index = Json::array();
    for (const IndexEntry& e : d.index) index.push_back({{"key", e.key}, {"slot", e.slot}});
    doc["index"] = index;

    Json slots = Json::array();
    for (const SlotDump& s : d.slots) {
        Json slot = {{"slot", s.slot}};
        if (!s.headerRead) {
            slot["live"] = nullptr;
            slot["header"] = nullptr;
        } else {
            slot["live"] = s.header.live();
            Json h = Json::object();
            for (const auto& [name, value] : recordHeaderItems(s.header)) h[name] = value;
            slot["header"] = h;
        }
        Json values = Json::array();
        for (const ValueDump& v : s.values) {
            Json value = {{"field", v.field}, {"text", v.text}};
            if (!v.error.empty()) value["error"] = v.error;
            if (v.blob) {
                Json b = Json::object();
                for (const auto& [name, n] : blobHeaderItems(v.blob->header)) b[name] = n;
                if (v.blob->bytesRead) b["hex"] = hexString(v.blob->bytes);
                if (!v.blob->bytesError.empty()) b["bytesError"] = v.blob->bytesError;
                value["blob"] = b;
            }
            values.push_back(value);
        }
        slot["values"] = values;
        slots.push_back(slot);
    }
    doc["slots"] = slots;
    // Names and texts are UTF-8 already; a stray byte in a path must not abort.
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

int tableDump(const std::string& path, bool json, bool blobs) {
    ConsoleHooks console;
    TTableBlob table(console.hooks());
    table.SetReadOnly(true);
    if (!openTable(table, path)) return kExitFailed;
    try {
        const TableDump d = collectDump(table, blobs);
        fmt::print("{}", json ? dumpJson(d) : dumpText(d));
    } catch (const std::exception& e) {
        printError(fmt::format("cannot read {}: {}", table.FileName(), e.what()));
        return kExitFailed;
    }
    return kExitOk;
}

int tableDecode(const std::string& path, std::optional<uint32_t> key) {
    ConsoleHooks console;
    TTableBlob table(console.hooks());
    table.SetReadOnly(true);
    if (!openTable(table, path)) return kExitFailed;
    TField* blob = table.FieldByName("Zavlin");
    TLongWordField* keys = keyField(table);
    if (blob == nullptr || !blob->asBlobField() || keys == nullptr) {
        printError(fmt::format("{} holds no group timetables (no key and blob field Zavlin)",
                               table.FileName()));
        return kExitFailed;
    }
    TField* name = table.FieldByName("Gryp");
    const BlobNames names = readBlobNames(table.FilePath(".b0").parent_path());
    int shown = 0;
    int failed = 0;
    for (table.First(); !table.Eof(); table.Next()) {
        try {
            const uint32_t n = keys->asLongWord();
            if (key && n != *key) continue;
            ++shown;
            fmt::print("group {} N={}\n", name != nullptr ? name->asString() : "?", n);
            TMemoryStream stream;
            static_cast<TBlobField&>(*blob).SaveToStream(stream);
            const GroupDecode d = decodeGroupBlob(stream.Bytes(), names);
            fmt::print("  {} bytes\n{}", stream.Bytes().size(), d.text);
            if (!d.ok) ++failed;
        } catch (const std::exception& e) {
            // A row whose pages cannot be read is a failed decode, not the end.
            fmt::print("  cannot be read: {}\n", e.what());
            ++failed;
        }
    }
    if (key && shown == 0) {
        printError(fmt::format("no live record with key {} in {}", *key, table.FileName()));
        return kExitFailed;
    }
    if (failed != 0) {
        printError(fmt::format("{} of {} group timetables could not be decoded", failed, shown));
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace zavlin::cli
