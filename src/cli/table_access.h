// What the table verbs share: opening a table with the engine's messages on
// stderr, finding a record by key, and reading the NAME:TYPE[:LENGTH] and
// NAME=VALUE arguments of the command line.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/core_hooks.h"
#include "storage/table_blob.h"

namespace zavlin::cli {

// Exit statuses of every verb.
enum ExitStatus : int {
    kExitOk = 0,
    kExitFailed = 1,  // the table could not be opened, read or changed
    kExitUsage = 2,   // the command line itself is wrong
};

// A malformed argument; main prints it and exits with kExitUsage.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Prints "error: <text>" to stderr.
void printError(std::string_view text);

// Asks question on a terminal; yes only for an answer beginning with y or д.
// Without a terminal it prints the question and "not confirmed: <hint>".
bool confirmedOnTerminal(const std::string& question, std::string_view hint);

// The hooks of a table a verb opens without a database object: the engine's
// messages printed to stderr as they come, and counted; questions answered no.
class ConsoleHooks {
public:
    ConsoleHooks();
    ConsoleHooks(const ConsoleHooks&) = delete;
    ConsoleHooks& operator=(const ConsoleHooks&) = delete;
    TCoreHooks& hooks() { return hooks_; }
    int messageCount() const { return messages_; }

private:
    TConsoleDialog dialog_;
    TCoreHooks hooks_;
    int messages_ = 0;
};

// Points the table at path ("Dir/YmGod", "YmGod.b0", "YmGod") and reports
// every ErrorOpen on stderr as "error <code>: <text>".
void attachTable(TTableBlob& table, const std::string& path);
// attachTable + Open. False when the engine refused (already reported).
[[nodiscard]] bool openTable(TTableBlob& table, const std::string& path);

// The key field (first field, ftAutoInc or ftNewKeys), or null.
TLongWordField* keyField(const TTableBlob& table);
// Puts the table on the live record with this key (SetKey, key, GotoKey,
// Eof), ready for Edit or Delete. False when no live record has the key.
[[nodiscard]] bool gotoRecord(TTableBlob& table, uint32_t key);

// A decimal number 0..4294967295; `what` names it in the error.
uint32_t parseUnsigned(std::string_view text, std::string_view what);

struct NewField {
    std::string name;
    TFieldTableBlobType type = ftUnknown;
    int length = 0;  // declared length of a string, page size of a blob, else 0
};
// Bytes the field takes in a record slot.
std::size_t slotSize(const NewField& field);
// NAME:TYPE[:LENGTH], checked against what a table can hold.
NewField parseFieldArg(std::string_view text);
// Checks the list as a whole: a key field first, names unique.
void checkFieldList(const std::vector<NewField>& fields);

struct Assignment {
    std::string name;
    std::string value;
};
// NAME=VALUE, split at the first "="; a name may not be given twice.
std::vector<Assignment> parseAssignments(const std::vector<std::string>& args);

}  // namespace zavlin::cli
