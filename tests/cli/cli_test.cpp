// Runs the built zavlin-cli in a scratch folder, as a script would, and checks
// its exit status, its output and the table files it leaves behind.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "model/god.h"
#include "model/group.h"
#include "model/year.h"
#include "storage/year_database.h"
#include "support/cli_runner.h"
#include "support/scratch_home.h"

#ifndef ZAVLIN_CLI
#error "ZAVLIN_CLI must name the zavlin-cli binary"
#endif

namespace zavlin {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using Bytes = std::vector<uint8_t>;

const char* const kLengthError = "Ошибка длины файла. База данных повреждена.";
const std::vector<std::string> kFields = {
    "N:ftAutoInc",   "Name:ftString:48", "Born:ftDate", "Moment:ftDateTime",
    "Dan:ftBlob:64", "Score:ftInteger",  "Ok:ftBoolean"};

struct Result {
    int status = -1;  // -1 when the program died of a signal
    std::string out;
    std::string err;
};

std::string quoted(const std::string& s) {
    std::string r = "'";
    for (char c : s) r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

Bytes readBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const fs::path& p, const Bytes& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::string hexOf(const Bytes& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string r;
    for (uint8_t b : bytes) {
        r += digits[b >> 4];
        r += digits[b & 15];
    }
    return r;
}

// Every file of the folder with its bytes, to prove that nothing changed.
std::map<std::string, Bytes> snapshot(const fs::path& dir) {
    std::map<std::string, Bytes> files;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.is_regular_file() && e.path().filename() != "stderr.txt")
            files[e.path().filename().string()] = readBytes(e.path());
    return files;
}

// The value of a field in one slot of a --json dump.
const Json& valueOf(const Json& dump, std::size_t slot, const std::string& field) {
    for (const Json& v : dump.at("slots").at(slot).at("values"))
        if (v.at("field") == field) return v;
    throw std::runtime_error("no field " + field);
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch_.empty());
        dir_ = scratch_.path();
    }

    Result run(const std::vector<std::string>& args) {
        testsupport::CliCall call;
        call.args = args;
        call.workDir = dir_;
        testsupport::CliRun r = testsupport::runProgram(ZAVLIN_CLI, call);
        return {r.status, std::move(r.out), std::move(r.err)};
    }

    // Runs a command that must succeed and returns its stdout.
    std::string ok(const std::vector<std::string>& args) {
        const Result r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return r.out;
    }

    Json dump(const std::string& table, bool blobs = false) {
        std::vector<std::string> args = {"table", "dump", table, "--json"};
        if (blobs) args.push_back("--blobs");
        const std::string out = ok(args);
        return Json::parse(out);
    }

    void createSample() {
        std::vector<std::string> args = {"table", "create", "T"};
        args.insert(args.end(), kFields.begin(), kFields.end());
        ok(args);
    }

    testsupport::ScratchHome scratch_{"cli"};
    fs::path dir_;
};

// A blob of 150 bytes holding every kind of byte, 0 and 0xFF included.
Bytes sampleBlob() {
    Bytes b(150);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i * 37 + 255);
    return b;
}

// Catches values that are not posted, wrong conversions, a mangled blob and
// a layout that disagrees with the declared fields.
TEST_F(CliTest, ValuesRoundTripThroughCreateAppendSetAndDump) {
    createSample();
    writeBytes(dir_ / "blob.bin", sampleBlob());
    EXPECT_EQ(ok({"table", "append", "T", "Name=ПКС-21 Программирование", "Born=1/9/2004",
                  "Moment=1/9/2023 8ч:30м:00с", "Dan=@blob.bin", "Score=12", "Ok=TRUE"}),
              "1\n");
    EXPECT_EQ(ok({"table", "append", "T.b0", "Name=Бух-22"}), "2\n");
    ok({"table", "set", "T", "2", "Name=Бухучёт-22", "Score=-7", "Born=29/2/2024"});

    const Json d = dump("T", true);
    const Json& h = d.at("header");
    EXPECT_EQ(h.at("FCountField"), 7);
    EXPECT_EQ(h.at("FTypeInc"), 1);
    EXPECT_EQ(h.at("FAutoInc"), 2);
    EXPECT_EQ(h.at("FCountRecordAll"), 2);
    EXPECT_EQ(h.at("FCountRecord"), 2);
    EXPECT_EQ(h.at("FLengthRecords"), 82);
    EXPECT_EQ(h.at("FLengthPage"), 64);
    EXPECT_EQ(h.at("FCountPageAll"), 3);
    EXPECT_GT(h.at("FDateTimeCreate").get<double>(), 45000.0);  // after 2023
    EXPECT_TRUE(h.contains("FDateTimeCreateText"));
    EXPECT_EQ(d.at("slotLength"), 94);
    EXPECT_EQ(d.at("files").at("b0").at("size"), 68 + 7 * 32);
    EXPECT_EQ(d.at("files").at("b1").at("size"), 2 * 94);
    EXPECT_EQ(d.at("files").at("b2").at("size"), 3 * (16 + 64));

    const std::vector<std::pair<std::string, int>> offsets = {
        {"N", 12},   {"Name", 16},  {"Born", 65}, {"Moment", 69},
        {"Dan", 77}, {"Score", 89}, {"Ok", 93}};
    ASSERT_EQ(d.at("fields").size(), offsets.size());
    for (std::size_t i = 0; i < offsets.size(); ++i) {
        EXPECT_EQ(d["fields"][i].at("name"), offsets[i].first);
        EXPECT_EQ(d["fields"][i].at("offset"), offsets[i].second);
    }
    EXPECT_EQ(d["fields"][1].at("type"), "ftString");
    EXPECT_EQ(d["fields"][1].at("size"), 48);
    EXPECT_EQ(d["fields"][1].at("slotSize"), 49);

    EXPECT_EQ(d.at("index"), Json::parse(R"([{"key":1,"slot":0},{"key":2,"slot":1}])"));
    EXPECT_EQ(d["slots"][0].at("live"), true);
    EXPECT_EQ(d["slots"][0]["header"].at("FState"), 255);
    EXPECT_EQ(valueOf(d, 0, "N").at("text"), "1");
    EXPECT_EQ(valueOf(d, 0, "Name").at("text"), "ПКС-21 Программирование");
    EXPECT_EQ(valueOf(d, 0, "Born").at("text"), "1/09/2004");
    EXPECT_EQ(valueOf(d, 0, "Moment").at("text"), "1/09/2023 08ч:30м:00с");
    EXPECT_EQ(valueOf(d, 0, "Score").at("text"), "12");
    EXPECT_EQ(valueOf(d, 0, "Ok").at("text"), "true");
    const Json& blob = valueOf(d, 0, "Dan").at("blob");
    EXPECT_EQ(blob.at("FCountPage"), 3);
    EXPECT_EQ(blob.at("FPageStartN"), 1);
    EXPECT_EQ(blob.at("FSummaLength"), 150);
    EXPECT_EQ(blob.at("hex"), hexOf(sampleBlob()));
    EXPECT_EQ(valueOf(d, 1, "Name").at("text"), "Бухучёт-22");
    EXPECT_EQ(valueOf(d, 1, "Score").at("text"), "-7");
    EXPECT_EQ(valueOf(d, 1, "Born").at("text"), "29/02/2024");
    EXPECT_EQ(valueOf(d, 1, "Dan").at("blob").at("FSummaLength"), 0);

    // A shorter blob set later frees the pages it no longer needs.
    writeBytes(dir_ / "small.bin", Bytes{'h', 'i', 0, '!'});
    ok({"table", "set", "T", "1", "Dan=@small.bin"});
    const Json after = dump("T", true);
    EXPECT_EQ(valueOf(after, 0, "Dan").at("blob").at("hex"), "68690021");
    EXPECT_EQ(after["header"].at("FCountPageEmpty"), 2);
    EXPECT_NE(after["header"].at("FLastEmptyPageN"), 0);
    EXPECT_EQ(valueOf(after, 0, "Name").at("text"), "ПКС-21 Программирование");

    // The text dump names the same things.
    const std::string text = ok({"table", "dump", "T"});
    for (const char* s : {"FCountRecordAll", "FDateTimeCreate", "FLastEmptyPageN", "ftDateTime",
                          "Бухучёт-22", "29/02/2024", "FSummaLength=4", "FIndexDelRec="})
        EXPECT_NE(text.find(s), std::string::npos) << s;
}

// Catches a broken deleted-record chain: wrong slot reused, undelete out of
// order, a refused undelete that still writes.
TEST_F(CliTest, DeleteUndeleteAndAppendFollowTheDeletedChain) {
    createSample();
    for (const char* name : {"Name=A", "Name=B", "Name=C"}) ok({"table", "append", "T", name});

    EXPECT_NE(ok({"table", "delete", "T", "2"}).find("slot 1"), std::string::npos);
    Json d = dump("T");
    EXPECT_EQ(d["slots"][1].at("live"), false);
    EXPECT_EQ(d["slots"][1]["header"].at("FState"), 0);
    EXPECT_EQ(d["header"].at("FAutoIncDelRec"), 2);
    EXPECT_EQ(d["header"].at("FIndexDelRec"), 1);
    EXPECT_EQ(d["header"].at("FCountRecord"), 2);
    EXPECT_EQ(d.at("index"), Json::parse(R"([{"key":1,"slot":0},{"key":3,"slot":2}])"));
    EXPECT_EQ(valueOf(d, 1, "Name").at("text"), "B");  // a deleted slot keeps its values

    ok({"table", "delete", "T", "3"});
    d = dump("T");
    EXPECT_EQ(d["slots"][2]["header"].at("FAutoIncDelRec"), 2);  // the link to the one before
    EXPECT_EQ(d["slots"][2]["header"].at("FIndexDelRec"), 1);

    const auto before = snapshot(dir_);
    Result r = run({"table", "undelete", "T", "1"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("Востановление осуществляется начиная с последней удалённой записи "
                         "Index=2"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(snapshot(dir_), before);
    for (const char* slot : {"0", "3", "x"}) {  // live, beyond the end, not a number
        r = run({"table", "undelete", "T", slot});
        EXPECT_NE(r.status, 0) << slot;
        EXPECT_FALSE(r.err.empty()) << slot;
    }
    r = run({"table", "delete", "T", "2"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("no record with key 2"), std::string::npos) << r.err;
    EXPECT_EQ(snapshot(dir_), before);

    EXPECT_NE(ok({"table", "undelete", "T", "2"}).find("record 3"), std::string::npos);
    ok({"table", "undelete", "T", "1"});
    d = dump("T");
    EXPECT_EQ(d["header"].at("FAutoIncDelRec"), 0);
    EXPECT_EQ(d["header"].at("FCountRecord"), 3);
    EXPECT_EQ(valueOf(d, 1, "Name").at("text"), "B");

    // An append reuses the last deleted slot and, auto-incrementing, a new key.
    ok({"table", "delete", "T", "1"});
    EXPECT_EQ(ok({"table", "append", "T", "Name=D"}), "4\n");
    d = dump("T");
    EXPECT_EQ(d["header"].at("FCountRecordAll"), 3);
    EXPECT_EQ(valueOf(d, 0, "N").at("text"), "4");
    EXPECT_EQ(valueOf(d, 0, "Name").at("text"), "D");
    EXPECT_EQ(d["slots"][0].at("live"), true);
}

TEST_F(CliTest, CreateKeepsAnExistingTableUnlessForced) {
    createSample();
    ok({"table", "append", "T", "Name=keep me"});
    const auto before = snapshot(dir_);
    Result r = run({"table", "create", "T", "K:ftNewKeys", "X:ftWord"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("Таблица сущенствует. Перезаписать?"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--force"), std::string::npos);
    EXPECT_EQ(snapshot(dir_), before);

    ok({"table", "create", "T.b0", "K:ftNewKeys", "X:ftWord", "--force"});
    const Json d = dump("T");
    EXPECT_EQ(d["header"].at("FCountRecordAll"), 0);
    EXPECT_EQ(d["header"].at("FTypeInc"), 0);
    ASSERT_EQ(d.at("fields").size(), 2u);
    EXPECT_EQ(d["fields"][1].at("type"), "ftWord");
    EXPECT_TRUE(d["files"].at("b2").is_null());  // the old blob pages are gone
    EXPECT_TRUE(d.at("slots").empty());
}

// A damaged table must stop every verb before it writes a byte.
TEST_F(CliTest, DamagedTableFailsWithTheEngineCodeAndStaysUntouched) {
    createSample();
    writeBytes(dir_ / "blob.bin", sampleBlob());
    ok({"table", "append", "T", "Name=A", "Dan=@blob.bin"});
    ok({"table", "append", "T", "Name=B"});
    ok({"table", "delete", "T", "2"});
    const auto good = snapshot(dir_);

    struct Damage {
        const char* file;
        int cut;
        const char* code;
    };
    for (const Damage& damage : {Damage{"T.b1", 1, "error 61: "}, Damage{"T.bi", 8, "error 63: "},
                                 Damage{"T.b2", 80, "error 62: "}}) {
        for (const auto& [name, bytes] : good) writeBytes(dir_ / name, bytes);
        Bytes b = good.at(damage.file);
        b.resize(b.size() - static_cast<std::size_t>(damage.cut));
        writeBytes(dir_ / damage.file, b);
        const auto before = snapshot(dir_);
        const std::vector<std::vector<std::string>> verbs = {
            {"table", "dump", "T"},
            {"table", "dump", "T", "--json"},
            {"table", "append", "T", "Name=C"},
            {"table", "set", "T", "1", "Name=C"},
            {"table", "delete", "T", "1"},
            {"table", "undelete", "T", "1"},
            {"table", "create", "T", "N:ftAutoInc"}};
        for (const auto& verb : verbs) {
            const Result r = run(verb);
            const std::string what = std::string(damage.file) + " " + verb[1];
            EXPECT_NE(r.status, 0) << what;
            EXPECT_NE(r.status, -1) << what;
            if (verb[1] != "create") {
                EXPECT_NE(r.err.find(std::string(damage.code) + kLengthError), std::string::npos)
                    << what << ": " << r.err;
                EXPECT_NE(r.err.find(damage.file), std::string::npos) << what;
                EXPECT_EQ(r.out, "") << what;
            }
            EXPECT_EQ(snapshot(dir_), before) << what;
        }
    }

    fs::remove_all(dir_ / "empty");
    fs::create_directory(dir_ / "empty");
    const Result r = run({"table", "dump", "empty/Missing"});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("error 23: Таблица отсутствует."), std::string::npos) << r.err;
    EXPECT_TRUE(fs::is_empty(dir_ / "empty"));
}

// Re-index and pack refuse a table whose descriptions they cannot trust and
// change nothing; check exits 1 on each finding and says whether re-index
// repairs it. Catches a repair that cuts records after a damaged slot size,
// and a check that calls a table consistent whose next write loses data.
TEST_F(CliTest, RepairRefusesDamageAndCheckNamesEachFinding) {
    createSample();
    for (const char* name : {"Name=A", "Name=B", "Name=C"}) ok({"table", "append", "T", name});
    const auto good = snapshot(dir_);
    auto damaged = [&](const char* file, std::size_t at, std::vector<uint8_t> bytes) {
        for (const auto& [name, b] : good) writeBytes(dir_ / name, b);
        Bytes b = good.at(file);
        std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<std::ptrdiff_t>(at));
        writeBytes(dir_ / file, b);
    };
    // The slot size of Name (49) in its description, cut to 3.
    damaged("T.b0", 68 + 32 + 28, {3});
    const auto before = snapshot(dir_);
    for (const char* verb : {"reindex", "pack"}) {
        const Result r = run({"table", verb, "T"});
        EXPECT_EQ(r.status, 1) << verb;
        EXPECT_NE(r.err.find("error 71: "), std::string::npos) << verb << ": " << r.err;
        EXPECT_NE(r.err.find("refused, the table was left as it is"), std::string::npos) << r.err;
        EXPECT_EQ(snapshot(dir_), before) << verb;
    }

    // Slot 1 holds key 1 too: reported, and re-index keeps both records.
    constexpr std::size_t kSlot = 12 + 4 + 49 + 4 + 8 + 12 + 4 + 1;
    damaged("T.b1", kSlot + 12, {1, 0, 0, 0});
    Result r = run({"table", "check", "T"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error 102: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("reported only"), std::string::npos) << r.err;
    EXPECT_EQ(ok({"table", "reindex", "T"}), "T: index rebuilt, 3 records\n");
    r = run({"table", "check", "T"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error 102: "), std::string::npos) << r.err;

    // A key counter of 0: the next append would hand out key 1 again.
    damaged("T.b0", 4, {0, 0, 0, 0});
    r = run({"table", "check", "T"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error 103: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("table reindex repairs this"), std::string::npos) << r.err;
    EXPECT_EQ(ok({"table", "reindex", "T"}), "T: index rebuilt, 3 records\n");
    EXPECT_EQ(ok({"table", "check", "T"}), "T: consistent\n");
    EXPECT_EQ(ok({"table", "append", "T", "Name=D"}), "4\n");
}

// Catches arguments that are half applied: a refused value must not leave a
// new record behind, a refused field list must not leave a table.
TEST_F(CliTest, BadArgumentsAreRefusedBeforeAnythingIsWritten) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> badCreates = {
        {{"N:ftAutoInc", "Name:ftStrin:10"}, "ftStrin"},
        {{"N:ftAutoInc", "Sum:ftCurrency"}, "ftCurrency"},
        {{"N:ftAutoInc", "Name:ftString"}, "Name:ftString"},
        {{"N:ftAutoInc", "Name:ftString:255"}, "1..254"},
        {{"N:ftAutoInc", "Dan:ftBlob:0"}, "Dan:ftBlob:0"},
        {{"N:ftAutoInc", "Age:ftWord:3"}, "Age:ftWord:3"},
        {{"N:ftAutoInc", "Name"}, "'Name'"},
        {{"Name:ftString:10", "N:ftAutoInc"}, "key"},
        {{"N:ftAutoInc", "N:ftInteger"}, "twice"},
        {{"N:ftAutoInc", "ThisNameIsLongerThanTwentySix:ftInteger"}, "26"},
    };
    for (const auto& [fields, needle] : badCreates) {
        std::vector<std::string> args = {"table", "create", "Bad"};
        args.insert(args.end(), fields.begin(), fields.end());
        const Result r = run(args);
        EXPECT_EQ(r.status, 2) << needle;
        EXPECT_NE(r.err.find(needle), std::string::npos) << needle << ": " << r.err;
        EXPECT_FALSE(fs::exists(dir_ / "Bad.b0")) << needle;
    }

    createSample();
    ok({"table", "append", "T", "Name=A"});
    const auto before = snapshot(dir_);
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> badValues = {
        {{"table", "append", "T", "Name=B", "Born=31/02/2004"}, {"Born", "31/02/2004"}},
        {{"table", "append", "T", "Moment=1/9/2023 25ч:00м:00с"}, {"Moment", "25ч"}},
        {{"table", "append", "T", "Score=99999999999"}, {"Score", "99999999999"}},
        {{"table", "append", "T", "Score=12a"}, {"Score", "12a"}},
        {{"table", "append", "T", "Nme=B"}, {"Nme"}},
        {{"table", "append", "T", "N=5"}, {"key"}},
        {{"table", "append", "T", "Name"}, {"NAME=VALUE"}},
        {{"table", "append", "T", "Dan=text"}, {"@FILE"}},
        {{"table", "append", "T", "Dan=@missing.bin"}, {"missing.bin"}},
        {{"table", "set", "T", "1", "Born=1/13/2004"}, {"Born", "1/13/2004"}},
        {{"table", "set", "T", "9", "Name=B"}, {"key 9"}},
        {{"table", "set", "T", "one", "Name=B"}, {"one"}},
    };
    for (const auto& [args, needles] : badValues) {
        const Result r = run(args);
        EXPECT_GT(r.status, 0) << args.back();
        for (const std::string& needle : needles)
            EXPECT_NE(r.err.find(needle), std::string::npos) << needle << ": " << r.err;
        EXPECT_EQ(snapshot(dir_), before) << args.back();
    }
    // The key counter did not move either.
    EXPECT_EQ(ok({"table", "append", "T", "Name=B"}), "2\n");
}

// A dump is what one reads when something is wrong, so it must go on past
// values it cannot show.
TEST_F(CliTest, DumpShowsUnreadableValuesAsErrorsAndGoesOn) {
    createSample();
    writeBytes(dir_ / "blob.bin", sampleBlob());
    ok({"table", "append", "T", "Name=A", "Born=1/9/2004", "Dan=@blob.bin"});
    ok({"table", "append", "T", "Name=B"});

    Bytes b1 = readBytes(dir_ / "T.b1");
    for (int i = 0; i < 4; ++i) b1[65 + i] = i == 0 ? 0xF0 : 0xFF;  // Born: no such day
    b1[77 + 2] = 99;                                                // Dan: FPageStartN = 99
    writeBytes(dir_ / "T.b1", b1);

    const std::string text = ok({"table", "dump", "T", "--blobs"});
    EXPECT_NE(text.find("<error: "), std::string::npos) << text;
    EXPECT_NE(text.find("FPageStartN=99"), std::string::npos);
    EXPECT_NE(text.find("slot 1"), std::string::npos);  // the walk went on

    const Json d = dump("T", true);
    EXPECT_TRUE(valueOf(d, 0, "Born").contains("error"));
    EXPECT_EQ(valueOf(d, 0, "Born").at("text").get<std::string>().rfind("<error: ", 0), 0u);
    EXPECT_EQ(valueOf(d, 0, "Name").at("text"), "A");
    const Json& blob = valueOf(d, 0, "Dan").at("blob");
    EXPECT_EQ(blob.at("FPageStartN"), 99);
    EXPECT_TRUE(blob.contains("bytesError"));
    EXPECT_FALSE(blob.contains("hex"));
    EXPECT_EQ(valueOf(d, 1, "Name").at("text"), "B");
}

TEST_F(CliTest, HelpVersionAndUsageErrors) {
    const std::string help = ok({"help"});
    for (const char* verb : {"table dump", "table create", "table append", "table set",
                             "table delete", "table undelete"})
        EXPECT_NE(help.find(verb), std::string::npos) << verb;
    EXPECT_NE(ok({"--version"}).find("zavlin-cli"), std::string::npos);
    EXPECT_EQ(run({}).status, 2);
    EXPECT_EQ(run({"frobnicate"}).status, 2);
    EXPECT_EQ(run({"table", "dump"}).status, 2);  // PATH missing
    createSample();
    ok({"table", "dump", "T", "--home", dir_.string()});
    ok({"--home", dir_.string(), "table", "append", "T"});
}

// Year 2016 with one lesson of week 3, Tuesday period 1, in each of two groups:
// ИС-11 (30 students, Иванов) and ИС-12 (10 students, Петров); rooms 101
// (20 seats) and 102 (40 seats), no rooms given yet.
void buildRoomYear(const fs::path& home) {
    std::string message;
    ASSERT_EQ(CreateDatabase(home, message), TCreateDatabaseResult::Created) << message;
    TScriptedDialog dialog;
    TDM1 dm(home, dialog);
    {
        // The year verbs take only a year of the list.
        TAllGod years(dm);
        ASSERT_TRUE(years.ReadListGod());
        ASSERT_GE(years.AddGod(2016), 0);
    }
    TAllRasp year(dm);
    year.YGod = 2016;
    TYrName* math = year.CreateYrName("Матем", "");
    ASSERT_TRUE(year.AddYrName(math));
    TDom* dom = year.AddDom("Главный");
    ASSERT_NE(dom, nullptr);
    for (auto [name, seats] : {std::pair{"101", 20}, std::pair{"102", 40}}) {
        TAyd* ayd = year.AddAyd(dom, name);
        ASSERT_NE(ayd, nullptr);
        ayd->kv = static_cast<uint16_t>(seats);
        ASSERT_TRUE(year.AddAyd(ayd));
    }
    for (auto [group, teacher, students] : {std::tuple{"ИС-11", "Иванов Иван Иванович", 30},
                                            std::tuple{"ИС-12", "Петров Пётр Петрович", 10}}) {
        auto fio = std::make_unique<TFio>();
        fio->SetBigName(teacher);
        TFio* added = year.AddFio(std::move(fio));
        auto gr = std::make_unique<TGryp>(&year);
        gr->SetName(group);
        gr->Dan.Ks = static_cast<uint16_t>(students);
        TGryp* g = year.AddGryp(std::move(gr));
        ASSERT_NE(g, nullptr);
        TNed* week = g->SetNed(3);
        TPredmet* pr = g->CreatePredmet(math);
        pr->AddFio(3, added);
        week->AddYrokRas(0, 2, 1, pr->AddPredmetNe(kSetkaPlan, 3));
    }
    ASSERT_TRUE(year.SaveRasp());
}

// The room names of the group's lessons in week 3, Tuesday period 1, as stored.
std::string storedRoom(const fs::path& home, const std::string& group) {
    TScriptedDialog dialog;
    TDM1 dm(home, dialog);
    TAllRasp year(dm);
    year.YGod = 2016;
    if (!year.LoadYear()) return "<not loaded>";
    const TGryp* gr = year.FindGrypForName(group);
    const TYrok* yrok = gr != nullptr ? gr->GetNed(3)->GetYrok(0, 2, 1) : nullptr;
    return yrok != nullptr ? yrok->GetStrAydName() : "<no lesson>";
}

// Catches rooms given but not saved, the seat test not applied, and lessons
// reported that were not given a room.
TEST_F(CliTest, RoomsDistributeGivesRoomsBySeatsAndSavesThem) {
    const fs::path home = dir_ / "home";
    buildRoomYear(home);
    const std::string out = ok({"rooms", "distribute", "--week", "3", "--day", "2", "--seats",
                                "--year", "2016", "--home", home.string()});
    EXPECT_NE(out.find("2 lessons given rooms"), std::string::npos) << out;
    EXPECT_NE(out.find("ИС-11  Вт  1  Иванов И.И.  102 (Главный)"), std::string::npos) << out;
    EXPECT_NE(out.find("ИС-12  Вт  1  Петров П.П.  101 (Главный)"), std::string::npos) << out;
    EXPECT_EQ(storedRoom(home, "ИС-11"), "102");
    EXPECT_EQ(storedRoom(home, "ИС-12"), "101");
    // Nothing is left to give: a second run reports none and changes nothing.
    const std::string again =
        ok({"rooms", "distribute", "--week", "3", "--year", "2016", "--home", home.string()});
    EXPECT_NE(again.find("0 lessons given rooms"), std::string::npos) << again;
    EXPECT_EQ(storedRoom(home, "ИС-11"), "102");
}

// Catches the active year of god.Ini ignored, a missing year not reported, and
// the table showing groups in the wrong room or period.
TEST_F(CliTest, RoomsOccupancyShowsGroupsPerRoomAndPeriod) {
    const fs::path home = dir_ / "home";
    buildRoomYear(home);
    const std::vector<std::string> show = {"rooms", "occupancy", "--week", "3",
                                           "--day", "2",         "--home", home.string()};
    Result r = run(show);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--year"), std::string::npos) << r.err;

    ok({"rooms", "distribute", "--week", "3", "--day", "2", "--year", "2016", "--home",
        home.string()});
    {
        TScriptedDialog dmDialog;
        TDM1 dm(home, dmDialog);
        ASSERT_TRUE(dm.FGodini.WriteInteger("God", "ActivGod", 2016));
    }
    const std::string out = ok(show);
    EXPECT_NE(out.find("Главный"), std::string::npos) << out;
    // Without seats the last gathered teacher chooses first.
    EXPECT_NE(out.find("101   -  ИС-12  - "), std::string::npos) << out;
    EXPECT_NE(out.find("102   -  ИС-11  - "), std::string::npos) << out;

    EXPECT_EQ(run({"rooms", "occupancy", "--week", "57", "--day", "2", "--year", "2016", "--home",
                   home.string()})
                  .status,
              2);
    r = run({"rooms", "occupancy", "--week", "3", "--day", "2", "--year", "2016", "--home",
             (dir_ / "nowhere").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no database"), std::string::npos) << r.err;
}

// Catches a year list that misses or mis-marks the active year, week flags
// not written to god.Ini, and week verbs that ignore the active year.
TEST_F(CliTest, YearsAndWeeksWorkOnTheActiveYear) {
    const std::string home = (dir_ / "years").string();
    ok({"init", "--home", home});
    EXPECT_EQ(ok({"years", "--home", home}), "no academic years\n");
    Result r = run({"weeks", "--home", home});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no academic year is active"), std::string::npos) << r.err;

    ok({"year", "add", "2019", "--home", home});
    ok({"year", "add", "2018", "--home", home});  // the added year becomes active
    EXPECT_EQ(ok({"years", "--home", home}), "* 2018-2019\n  2019-2020\n");
    ok({"year", "activate", "2019", "--home", home});
    EXPECT_EQ(ok({"years", "--home", home}), "  2018-2019\n* 2019-2020\n");

    ok({"weeks", "activate", "2,5-6,53", "--home", home});
    const std::string weeks = ok({"weeks", "--home", home});
    EXPECT_NE(weeks.find("4 active weeks"), std::string::npos) << weeks;
    EXPECT_NE(weeks.find("*  2  2 c 9/09/19 по 15/09/19\n"), std::string::npos) << weeks;
    EXPECT_NE(weeks.find("   3  3 c 16/09/19 по 22/09/19\n"), std::string::npos) << weeks;
    EXPECT_NE(weeks.find("* 53  1Допонительная\n"), std::string::npos) << weeks;
    std::string flags(56, '0');
    for (int week : {2, 5, 6, 53}) flags[static_cast<std::size_t>(week - 1)] = '1';
    const Bytes ini = readBytes(fs::path(home) / "Database" / "god.Ini");
    EXPECT_NE(std::string(ini.begin(), ini.end()).find("Week=" + flags), std::string::npos);

    // 1 September 2018 is a Saturday: without Saturday lessons week 1 starts
    // on the 3rd.
    const std::string other = ok({"weeks", "--year", "2018", "--home", home});
    EXPECT_NE(other.find("   1  1 c 3/09/18 по 9/09/18\n"), std::string::npos) << other;
    EXPECT_NE(other.find("0 active weeks"), std::string::npos) << other;

    for (const char* bad : {"0", "57", "5-3", ",", "2,x"})
        EXPECT_EQ(run({"weeks", "activate", bad, "--home", home}).status, 2) << bad;
    EXPECT_EQ(run({"weeks", "--year", "2030", "--home", home}).status, 1);
    const std::string help = ok({"help"});
    for (const char* verb : {"years", "year add", "year copy", "weeks activate"})
        EXPECT_NE(help.find(verb), std::string::npos) << verb;
}

// Catches a copy that loses the teachers or adds to what the target held, a
// copy over an existing year without --force, and a deleted year still listed.
TEST_F(CliTest, YearsAreAddedCopiedAndDeleted) {
    const std::string home = (dir_ / "years").string();
    ok({"init", "--home", home});
    ok({"year", "add", "2018", "--home", home});
    ok({"table", "append", (fs::path(home) / "Database" / "YmFio.b0").string(), "God=2018",
        "Name=Иванов Иван Иванович", "RunDay=5"});
    const std::string added = ok({"year", "add", "2019", "--home", home});
    EXPECT_NE(added.find("Преподаватель Иванов И.И.\n"), std::string::npos) << added;
    EXPECT_NE(added.find("copied from 2018-2019"), std::string::npos) << added;
    EXPECT_NE(ok({"year", "show", "--home", home}).find("year 2019/20: 0 groups, 1 teachers"),
              std::string::npos);

    Result r = run({"year", "add", "2019", "--home", home});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("2019- Год уже существует!"), std::string::npos) << r.err;
    EXPECT_EQ(run({"year", "copy", "2018", "2019", "--home", home}).status, 1);
    EXPECT_NE(ok({"year", "copy", "2018", "2019", "--force", "--home", home})
                  .find("2018-2019 copied to 2019-2020"),
              std::string::npos);
    EXPECT_NE(ok({"year", "show", "2019", "--home", home}).find("1 teachers"), std::string::npos);
    ok({"year", "copy", "2018", "2021", "--home", home});
    EXPECT_NE(ok({"year", "show", "2021", "--home", home}).find("1 teachers"), std::string::npos);

    EXPECT_NE(ok({"year", "delete", "2019", "--home", home}).find("2019-2020 deleted"),
              std::string::npos);
    EXPECT_EQ(ok({"years", "--home", home}), "  2018-2019\n  2021-2022\n");
    EXPECT_EQ(run({"year", "show", "--home", home}).status, 1);  // no year is active now
    EXPECT_EQ(run({"year", "delete", "2019", "--home", home}).status, 1);
    EXPECT_EQ(run({"year", "activate", "2030", "--home", home}).status, 1);
    // A deleted year is not shown as an empty one.
    r = run({"year", "show", "2019", "--home", home});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.find("year 2019"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("there is no academic year 2019"), std::string::npos) << r.err;
}

// ------------------------------------------------------------ input the program must refuse

// Catches: a year outside 1900..3000 taken by a verb (or through the active
// year of god.Ini) and shown as "1999/0" or stored; a year number printed
// without its two-digit second half.
TEST_F(CliTest, YearsOutsideTheRangeOrNotStoredAreRefused) {
    const std::string home = (dir_ / "range").string();
    ok({"init", "--home", home});
    for (const char* y : {"1899", "3001", "0"})
        for (const std::vector<std::string>& verb : {std::vector<std::string>{"year", "add", y},
                                                     {"year", "show", y},
                                                     {"year", "activate", y},
                                                     {"weeks", "--year", y}}) {
            std::vector<std::string> args = verb;
            args.insert(args.end(), {"--home", home});
            const Result bad = run(args);
            EXPECT_NE(bad.status, 0) << verb[0] << " " << verb[1] << " " << y;
        }
    EXPECT_EQ(ok({"years", "--home", home}), "no academic years\n");
    const Result missing = run({"year", "show", "1999", "--home", home});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out.find("1999/0"), std::string::npos) << missing.out;

    ok({"year", "add", "3000", "--home", home});
    ok({"year", "add", "1999", "--home", home});
    EXPECT_NE(ok({"year", "show", "1999", "--home", home}).find("year 1999/00: 0 groups"),
              std::string::npos);
    EXPECT_NE(ok({"year", "show", "3000", "--home", home}).find("year 3000/01"), std::string::npos);

    // An active year in god.Ini that no verb could have made.
    const fs::path ini = fs::path(home) / "Database" / "god.Ini";
    Bytes text = readBytes(ini);
    const std::string bytes(text.begin(), text.end());
    const std::size_t at = bytes.find("ActivGod=1999");
    ASSERT_NE(at, std::string::npos) << bytes;
    const std::string changed = bytes.substr(0, at) + "ActivGod=5" + bytes.substr(at + 13);
    writeBytes(ini, Bytes(changed.begin(), changed.end()));
    const Result odd = run({"year", "show", "--home", home});
    EXPECT_EQ(odd.status, 1);
    EXPECT_NE(odd.err.find("5: the academic years run from 1900 to 3000"), std::string::npos)
        << odd.err;
}

// Catches: a year reported as added and active while god.Ini could not be
// saved (the next start would open another year).
TEST_F(CliTest, AnActiveYearThatCannotBeWrittenToTheSettingsFails) {
    const std::string home = (dir_ / "ini").string();
    ok({"init", "--home", home});
    ok({"year", "add", "2018", "--home", home});
    // The settings are saved through "god.Ini.new": a folder there stops it.
    const fs::path blocker = fs::path(home) / "Database" / "god.Ini.new";
    fs::create_directories(blocker / "x");
    const Result r = run({"year", "add", "2019", "--home", home});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.err.find("god.Ini could not be written: 2019-2020 is not the active year"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.out.find("active year: 2019"), std::string::npos) << r.out;
    EXPECT_EQ(run({"year", "activate", "2019", "--home", home}).status, 1);
    fs::remove_all(blocker);
    EXPECT_EQ(ok({"years", "--home", home}), "* 2018-2019\n  2019-2020\n");
    ok({"year", "activate", "2019", "--home", home});
    EXPECT_EQ(ok({"years", "--home", home}), "  2018-2019\n* 2019-2020\n");
}

// Catches: bytes that are no UTF-8 stored as "?" without a word, and
// characters the table's code page lacks replaced silently.
TEST_F(CliTest, TextThatIsNotUtf8IsRefusedAndLostCharactersAreNamed) {
    createSample();
    ok({"table", "append", "T", "Name=Бух-22"});
    const Bytes before = readBytes(dir_ / "T.b1");
    for (const char* bad : {"Name=\xCF\xF0\xE8", "Name=ok\xC3", "Name=\xED\xA0\x80"}) {
        Result r = run({"table", "set", "T", "1", bad});
        EXPECT_EQ(r.status, 1) << bad;
        EXPECT_NE(r.err.find("field 'Name': the value is not valid UTF-8"), std::string::npos)
            << r.err;
        r = run({"table", "append", "T", "Score=1", bad});
        EXPECT_EQ(r.status, 1) << bad;
    }
    EXPECT_EQ(readBytes(dir_ / "T.b1"), before) << "nothing was written";
    EXPECT_EQ(dump("T").at("header").at("FCountRecord"), 1);

    Result r = run({"table", "set", "T", "1", "Name=Σ-группа €"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning: field 'Name': characters outside Windows-1251"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(valueOf(dump("T"), 0, "Name").at("text"), "?-группа €");
    r = run({"table", "set", "T", "1", "Name=Что? Где?"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err.find("warning"), std::string::npos) << "a real ? is no loss: " << r.err;
}

// Catches: a listing that never reached its file reported as done.
TEST_F(CliTest, OutputThatCannotBeWrittenFailsTheVerb) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const std::string home = (dir_ / "full").string();
    ok({"init", "--home", home});
    // A line this short reaches the device only when the program ends.
    const std::string cmd = quoted(ZAVLIN_CLI) + " years --home " + quoted(home) +
                            " >/dev/full 2>" + quoted((dir_ / "err.txt").string());
    const int status = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    const Bytes err = readBytes(dir_ / "err.txt");
    EXPECT_NE(std::string(err.begin(), err.end()).find("the output could not be written"),
              std::string::npos);
    EXPECT_EQ(ok({"years", "--home", home}), "no academic years\n");
}

// Catches: the converter library of "db upgrade" loaded without its path
// being printed or without the user's --yes.
TEST_F(CliTest, UpgradeNamesTheConverterLibraryAndLoadsItOnlyWithYes) {
    const std::string home = (dir_ / "old").string();
    ok({"init", "--home", home});
    const fs::path ini = fs::path(home) / "Database" / "god.Ini";
    Bytes text = readBytes(ini);
    std::string bytes(text.begin(), text.end());
    const std::size_t at = bytes.find("Vers=");
    ASSERT_NE(at, std::string::npos) << bytes;
    bytes[at + 5] = '1';
    writeBytes(ini, Bytes(bytes.begin(), bytes.end()));
    // Not a library at all: loading it would fail loudly, refusing must not try.
    const fs::path library = fs::path(home) / "TableBDE.so";
    writeBytes(library, {'n', 'o', 't', ' ', 'E', 'L', 'F'});
    const std::string full = fs::absolute(library).string();

    Result r = run({"db", "upgrade", "--home", home});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(full), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(full + " was not loaded: add --yes"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Ошибка загрузки"), std::string::npos) << r.err;

    r = run({"db", "upgrade", "--yes", "--home", home});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Ошибка загрузки " + full), std::string::npos) << r.err;
}

}  // namespace
}  // namespace zavlin

namespace zavlin {
namespace {

// Every file of the database folder but the lock files, which a reader may
// create (where the folder lets it).
std::map<std::string, Bytes> databaseFiles(const fs::path& home) {
    std::map<std::string, Bytes> files = snapshot(home / "Database");
    for (auto it = files.begin(); it != files.end();) {
        const std::string& name = it->first;
        const bool lock = name == "db.lock" || name.ends_with(".bl");
        it = lock ? files.erase(it) : std::next(it);
    }
    return files;
}

// The names of the files added, removed or changed between two snapshots.
std::string changedFiles(const std::map<std::string, Bytes>& before,
                         const std::map<std::string, Bytes>& after) {
    std::string names;
    for (const auto& [name, bytes] : before) {
        auto it = after.find(name);
        if (it == after.end() || it->second != bytes) names += name + " ";
    }
    for (const auto& [name, bytes] : after)
        if (!before.count(name)) names += name + " ";
    return names;
}

// Sets an environment variable while alive (the program inherits it).
struct ScopedEnv {
    ScopedEnv(const char* name, const char* value) : name_(name) { setenv(name, value, 1); }
    ~ScopedEnv() { unsetenv(name_); }
    const char* name_;
};

// Catches reading verbs that replay, rebuild or rewrite files: each would fail
// on a read-only home ("error 24 ... read error", "0 groups"). Without .bi a
// writing open stores a new index, so its absence shows any write.
TEST_F(CliTest, ReadingVerbsLeaveEveryFileAsItWas) {
    const fs::path home = dir_ / "home";
    buildRoomYear(home);
    {
        TScriptedDialog dmDialog;
        TDM1 dm(home, dmDialog);
        ASSERT_TRUE(dm.FGodini.WriteInteger("God", "ActivGod", 2016));
    }
    for (const auto& e : fs::directory_iterator(home / "Database"))
        if (e.path().extension() == ".bi") fs::remove(e.path());
    const auto before = databaseFiles(home);
    const std::string h = home.string();
    const std::string shown = ok({"year", "show", "--home", h});
    EXPECT_NE(shown.find("2 groups"), std::string::npos) << shown;
    ok({"years", "--home", h});
    ok({"db", "check", "--home", h});
    ok({"rooms", "occupancy", "--week", "3", "--day", "2", "--home", h});
    const std::string table = (home / "Database" / "YmGryp").string();
    EXPECT_NE(ok({"table", "dump", table}).find("ИС-12"), std::string::npos);
    ok({"table", "check", table});
    EXPECT_EQ(changedFiles(before, databaseFiles(home)), "");
    // A writing verb does store the index again: the comparison can tell.
    ok({"table", "reindex", table});
    EXPECT_EQ(changedFiles(before, databaseFiles(home)), "YmGryp.bi ");
}

// Catches a second process let in beside a writer, a waiter that cannot say
// who holds the table, and a refused verb that changed something anyway.
TEST_F(CliTest, LockedTableOrDatabaseIsRefusedNamingTheHolder) {
    const fs::path home = dir_ / "home";
    buildRoomYear(home);
    const std::string h = home.string();
    const std::string table = (home / "Database" / "YmGryp").string();
    ScopedEnv wait("ZAVLIN_LOCK_WAIT_MS", "0");
    setLockHolderName("cli_test holder");
    const std::string holder = "pid " + std::to_string(getpid()) + " cli_test holder";
    const auto before = databaseFiles(home);
    {
        TScriptedDialog quiet;
        TCoreHooks hooks(quiet);
        TTableBlob t(hooks);
        t.SetTableName(table);
        const auto held = t.LockTable(LockKind::Exclusive);
        ASSERT_NE(held, nullptr);
        for (const std::vector<std::string>& verb :
             {std::vector<std::string>{"table", "dump", table},
              {"table", "append", table, "God=2016"},
              {"table", "check", table},
              {"year", "show", "2016", "--home", h}}) {
            const Result r = run(verb);
            EXPECT_EQ(r.status, 1) << verb[1];
            if (verb[0] == "table") {
                EXPECT_NE(r.err.find("error 34"), std::string::npos) << r.err;
            }
            EXPECT_NE(r.err.find(holder), std::string::npos) << r.err;
        }
    }
    {
        TScriptedDialog dmDialog;
        TDM1 dm(home, dmDialog);
        TDatabaseLock held(dm, LockKind::Exclusive);
        ASSERT_TRUE(held.Held());
        for (const std::vector<std::string>& verb :
             {std::vector<std::string>{"year", "show", "2016", "--home", h},
              {"db", "check", "--home", h},
              {"rooms", "distribute", "--week", "3", "--year", "2016", "--home", h}}) {
            const Result r = run(verb);
            EXPECT_EQ(r.status, 1) << verb[0];
            EXPECT_NE(r.err.find("занята программой " + holder), std::string::npos) << r.err;
        }
    }
    {
        // Readers share the database with one another.
        TScriptedDialog dmDialog;
        TDM1 dm(home, dmDialog);
        TDatabaseLock reading(dm, LockKind::Shared);
        ASSERT_TRUE(reading.Held());
        EXPECT_NE(ok({"year", "show", "2016", "--home", h}).find("2 groups"), std::string::npos);
        EXPECT_EQ(run({"rooms", "distribute", "--week", "3", "--year", "2016", "--home", h}).status,
                  1);
    }
    EXPECT_EQ(changedFiles(before, databaseFiles(home)), "");
    ok({"rooms", "distribute", "--week", "3", "--year", "2016", "--home", h});
}

}  // namespace
}  // namespace zavlin
