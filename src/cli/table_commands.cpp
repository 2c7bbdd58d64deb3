#include "cli/table_commands.h"

#include <fmt/format.h>

#include <memory>

#include "base/cp1251.h"
#include "base/errors.h"
#include "base/streams.h"
#include "base/text_checks.h"
#include "cli/table_access.h"

namespace zavlin::cli {
namespace {

// A conversion or range error while setting a value; names field and value.
class ValueError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One NAME=VALUE resolved against the open table.
struct FieldValue {
    TField* field = nullptr;
    std::string value;
    std::unique_ptr<TMemoryStream> blob;  // the file's bytes for a blob field
};

// Resolves the names and loads the blob files, before anything is written.
std::vector<FieldValue> resolve(TTableBlob& table, const std::vector<Assignment>& assignments) {
    std::vector<FieldValue> result;
    const TLongWordField* key = keyField(table);
    for (const Assignment& a : assignments) {
        FieldValue fv;
        fv.field = table.FieldByName(a.name);
        fv.value = a.value;
        if (!fv.field) throw UsageError(fmt::format("the table has no field '{}'", a.name));
        if (fv.field == key)
            throw UsageError(fmt::format("field '{}' is the key; the table gives it", a.name));
        // The table's code page cannot say what bytes that are no text meant.
        if (!fv.field->asBlobField() && !isValidUtf8(a.value))
            throw ValueError(fmt::format(
                "field '{}': the value is not valid UTF-8 text; nothing was written", a.name));
        if (fv.field->asBlobField()) {
            if (a.value.empty() || a.value.front() != '@' || a.value.size() == 1)
                throw UsageError(
                    fmt::format("blob field '{}' takes @FILE, not '{}'", a.name, a.value));
            const std::string file = a.value.substr(1);
            fv.blob = std::make_unique<TMemoryStream>();
            try {
                fv.blob->LoadFromFile(file);
            } catch (const std::exception&) {
                throw ValueError(fmt::format("field '{}': cannot read file '{}'", a.name, file));
            }
            const uint16_t page = table.LengthPageBlob();
            const int64_t pages = page == 0 ? 0 : (fv.blob->Size() + page - 1) / page;
            if (page == 0 || pages > static_cast<int64_t>(kMaxBlobPages))
                throw ValueError(fmt::format(
                    "field '{}': file '{}' ({} bytes) needs more than {} pages of {} bytes", a.name,
                    file, fv.blob->Size(), kMaxBlobPages, page));
        }
        result.push_back(std::move(fv));
    }
    return result;
}

// Sets every value on the current record (pending until Post).
void setValues(std::vector<FieldValue>& values) {
    for (FieldValue& fv : values) {
        try {
            if (fv.blob) {
                fv.blob->Seek(0, SeekOrigin::Begin);
                fv.field->LoadFromStream(*fv.blob);
            } else {
                fv.field->setAsString(fv.value);
            }
        } catch (const EConvertError& e) {
            throw ValueError(fmt::format("field '{}' ({}): cannot take the value '{}': {}",
                                         fv.field->Name(), fv.field->NameTypeField(), fv.value,
                                         e.what()));
        } catch (const ERangeError& e) {
            throw ValueError(fmt::format("field '{}' ({}): the value '{}' is out of range: {}",
                                         fv.field->Name(), fv.field->NameTypeField(), fv.value,
                                         e.what()));
        }
    }
}

void warnCutStrings(const std::vector<FieldValue>& values) {
    for (const FieldValue& fv : values) {
        if (!fv.field->asStringField()) continue;
        if (!fitsCp1251(fv.value))
            fmt::print(stderr,
                       "warning: field '{}': characters outside Windows-1251 were stored as '?'\n",
                       fv.field->Name());
        const std::size_t chars = utf8ToCp1251(fv.value).size();
        if (chars > static_cast<std::size_t>(fv.field->Size()))
            fmt::print(stderr, "note: field '{}' holds {} characters; the value was cut\n",
                       fv.field->Name(), fv.field->Size());
    }
}

// Runs a verb body, turning the errors it throws into messages and a status.
template <typename Body>
int guarded(Body body) {
    try {
        return body();
    } catch (const UsageError& e) {
        printError(e.what());
        return kExitUsage;
    } catch (const ValueError& e) {
        printError(e.what());
        return kExitFailed;
    } catch (const std::exception& e) {
        // A damaged table stops the engine with a range error.
        printError(fmt::format("the table cannot be changed: {}", e.what()));
        return kExitFailed;
    }
}

int noKeyField(const TTableBlob& table) {
    printError(fmt::format("{}: the first field is not a key field (ftAutoInc or ftNewKeys)",
                           table.FileName()));
    return kExitFailed;
}

}  // namespace

int tableCreate(const std::string& path, const std::vector<std::string>& fieldArgs, bool force) {
    return guarded([&] {
        std::vector<NewField> newFields;
        for (const std::string& arg : fieldArgs) newFields.push_back(parseFieldArg(arg));
        checkFieldList(newFields);

        ConsoleHooks console;
        TTableBlob table(console.hooks());
        attachTable(table, path);
        bool refused = false;
        table.CanReWrite = [&](TTableBlob&, const std::string& question, bool& rewrite) {
            if (force) return;
            rewrite = false;
            refused = true;
            printError(question);
            fmt::print(stderr, "the table is kept; use --force to overwrite it\n");
        };
        if (!table.CreateFile()) {
            // An empty name has been reported by the engine already.
            if (!refused && !table.FileName().empty())
                printError(fmt::format("cannot create the table files {}.*", table.FileName()));
            return static_cast<int>(kExitFailed);
        }
        for (const NewField& field : newFields) {
            if (!table.AddFieldByName(field.type, field.name, field.length)) {
                printError(
                    fmt::format("cannot add field '{}' to {}", field.name, table.FileName()));
                return static_cast<int>(kExitFailed);
            }
        }
        fmt::print("created {} with {} fields\n", table.FileName(), table.FieldCount());
        table.Close();
        return static_cast<int>(kExitOk);
    });
}

int tableAppend(const std::string& path, const std::vector<std::string>& args) {
    return guarded([&] {
        const std::vector<Assignment> assignments = parseAssignments(args);
        ConsoleHooks console;
        TTableBlob table(console.hooks());
        if (!openTable(table, path)) return static_cast<int>(kExitFailed);
        TLongWordField* key = keyField(table);
        if (!key) return noKeyField(table);
        std::vector<FieldValue> values = resolve(table, assignments);
        // Append writes the slot at once, so every value is tried first: a
        // value the field refuses must leave the table as it was.
        setValues(values);
        if (!table.Append()) {
            printError(fmt::format("cannot append a record to {}", table.FileName()));
            return static_cast<int>(kExitFailed);
        }
        // The slot the new record took; the key is read before any value is set.
        const uint32_t newKey = key->asLongWord();
        setValues(values);
        warnCutStrings(values);
        if (!table.Post()) {
            printError(fmt::format("record {} was appended to {} but its values were not written",
                                   newKey, table.FileName()));
            return static_cast<int>(kExitFailed);
        }
        fmt::print("{}\n", newKey);
        return static_cast<int>(kExitOk);
    });
}

int tableSet(const std::string& path, const std::string& keyText,
             const std::vector<std::string>& args) {
    return guarded([&] {
        const uint32_t key = parseUnsigned(keyText, "key");
        const std::vector<Assignment> assignments = parseAssignments(args);
        if (assignments.empty()) throw UsageError("nothing to set: give NAME=VALUE");
        ConsoleHooks console;
        TTableBlob table(console.hooks());
        if (!openTable(table, path)) return static_cast<int>(kExitFailed);
        if (!keyField(table)) return noKeyField(table);
        std::vector<FieldValue> values = resolve(table, assignments);
        if (!gotoRecord(table, key)) {
            printError(fmt::format("{}: no record with key {}", table.FileName(), key));
            return static_cast<int>(kExitFailed);
        }
        table.Edit();
        setValues(values);
        warnCutStrings(values);
        if (!table.Post()) {
            printError(fmt::format("cannot write record {} of {}", key, table.FileName()));
            return static_cast<int>(kExitFailed);
        }
        fmt::print("set {} field(s) of record {}\n", values.size(), key);
        return static_cast<int>(kExitOk);
    });
}

int tableDelete(const std::string& path, const std::string& keyText) {
    return guarded([&] {
        const uint32_t key = parseUnsigned(keyText, "key");
        ConsoleHooks console;
        TTableBlob table(console.hooks());
        if (!openTable(table, path)) return static_cast<int>(kExitFailed);
        if (!keyField(table)) return noKeyField(table);
        if (!gotoRecord(table, key)) {
            printError(fmt::format("{}: no record with key {}", table.FileName(), key));
            return static_cast<int>(kExitFailed);
        }
        const int64_t slot = table.IndexActivRecordAbsolut();
        if (!table.Delete()) {
            printError(fmt::format("cannot delete record {} of {}", key, table.FileName()));
            return static_cast<int>(kExitFailed);
        }
        fmt::print("deleted record {} (slot {})\n", key, slot);
        return static_cast<int>(kExitOk);
    });
}

int tableUndelete(const std::string& path, const std::string& slotText) {
    return guarded([&] {
        const uint32_t slot = parseUnsigned(slotText, "slot");
        ConsoleHooks console;
        TTableBlob table(console.hooks());
        if (!openTable(table, path)) return static_cast<int>(kExitFailed);
        TLongWordField* key = keyField(table);
        if (!key) return noKeyField(table);
        if (slot >= table.CountRecordAll()) {
            printError(fmt::format("{} has {} slot(s); there is no slot {}", table.FileName(),
                                   table.CountRecordAll(), slot));
            return static_cast<int>(kExitFailed);
        }
        table.SetIndexActivRecordAll(slot);
        ARecordHeadr header;
        if (!table.ReadRecordHeadr(header)) {
            printError(fmt::format("cannot read slot {} of {}", slot, table.FileName()));
            return static_cast<int>(kExitFailed);
        }
        if (header.live()) {
            printError(fmt::format("slot {} holds a live record; nothing to undelete", slot));
            return static_cast<int>(kExitFailed);
        }
        const int messagesBefore = console.messageCount();
        if (!table.UnDelete()) {
            // The engine has said why (only the last deleted record comes back).
            if (console.messageCount() == messagesBefore)
                printError(fmt::format("cannot undelete slot {} of {}", slot, table.FileName()));
            return static_cast<int>(kExitFailed);
        }
        fmt::print("undeleted slot {} (record {})\n", slot, key->asLongWord());
        return static_cast<int>(kExitOk);
    });
}

}  // namespace zavlin::cli
