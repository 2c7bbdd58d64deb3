// The year database: creating it, storing and deleting entries year by year
// through AT1, re-indexing, the structure upgrades, the legacy conversion
// through an outside library, and the name and URL helpers.
#include "storage/year_database.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

#include "base/errors.h"
#include "base/my_dialog.h"
#include "base/streams.h"
#include "settings/settings_file.h"
#include "storage/name_helpers.h"
#include "storage/url_coding.h"
#include "test_support.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

struct ProgressLog : TProgressObserver {
    void StydImageShowBar(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

std::vector<std::string> prefixed(const std::string& prefix) {
    std::vector<std::string> r;
    for (const char* name : kYearTables) r.push_back(prefix + name);
    return r;
}

int storedVersion(const fs::path& db) {
    TScriptedDialog quiet;
    TCoreHooks hooks(quiet);
    TFileIni ini(hooks, db);
    ini.SetFileName("god.Ini");
    return ini.ReadInteger("Database", "Vers", -1);
}

class YearDatabase : public ::testing::Test {
protected:
    void SetUp() override {
        std::string message;
        ASSERT_EQ(CreateDatabase(dir.path(), message), TCreateDatabaseResult::Created) << message;
        dm = std::make_unique<TDM1>(dir.path(), dialog);
        dm->Hooks.ProgressObserver = &progress;
    }

    fs::path db() const { return dir.path() / "Database"; }

    // Opens a table of the database on its own object, outside TDM1.
    std::unique_ptr<TTableBlob> open(const std::string& name) {
        auto t = std::make_unique<TTableBlob>(test::hooks());
        t->SetDatabaseName(db().string());
        t->SetTableName(name);
        EXPECT_TRUE(t->Open()) << name;
        return t;
    }

    uint32_t storeTeacher(int year, const std::string& name, uint32_t n = 0) {
        EXPECT_TRUE(dm->StoreEntry("YmFio.b0", n, [&](TTableBlob& t) {
            t.FieldByName("God")->setAsInteger(year);
            t.FieldByName("Name")->setAsString(name);
            t.FieldByName("RunDay")->setAsInteger(5);
            TMemoryStream blob(std::vector<uint8_t>(300, static_cast<uint8_t>(year % 256)));
            t.FieldByName("Dan")->LoadFromStream(blob);
        }));
        return n;
    }

    // "year:name" of every row the table holds, in index order.
    std::vector<std::string> allTeachers() {
        std::vector<std::string> r;
        auto t = open("YmFio.b0");
        t->First();
        while (!t->Eof()) {
            r.push_back(t->FieldByName("God")->asString() + ":" +
                        t->FieldByName("Name")->asString());
            t->Next();
        }
        return r;
    }

    std::vector<std::string> teachersOf(int year) {
        std::vector<std::string> r;
        EXPECT_TRUE(dm->ReadEntries("YmFio.b0", year, [&](TTableBlob& t) {
            r.push_back(t.FieldByName("Name")->asString());
        }));
        return r;
    }

    test::ScratchDir dir;
    TScriptedDialog dialog;
    ProgressLog progress;
    std::unique_ptr<TDM1> dm;

private:
};

// Catches a wrong type or length for the fields the data model reads by kind,
// page sizes other than those of the conversion, a missing version or lesson
// times, and an init that touches an existing database.
TEST_F(YearDatabase, CreatesTheNineTablesOnceAndLeavesAnExistingDatabaseAlone) {
    EXPECT_EQ(dm->DB.PathR, fs::absolute(dir.path()).lexically_normal().string() + "/");
    EXPECT_EQ(dm->DB.PathF, dm->DB.PathR + "Database/");
    const uint16_t pages[] = {1024, 4096, 128, 1024, 1024, 1024, 1024, 64, 1024};
    for (std::size_t i = 0; i < kYearTables.size(); ++i) {
        auto t = open(kYearTables[i]);
        EXPECT_EQ(t->Field(0)->TypeField(), ftAutoInc) << kYearTables[i];
        EXPECT_EQ(t->LengthPageBlob(), pages[i]) << kYearTables[i];
        EXPECT_EQ(t->FieldByName("God") != nullptr, i != 8) << kYearTables[i];
    }
    EXPECT_EQ(open("YmGryp.b0")->FieldByName("Gryp")->Size(), 18);
    EXPECT_EQ(open("YmGryp.b0")->FieldByName("Dey")->Size(), 7);
    EXPECT_EQ(open("YmAyd.b0")->FieldByName("Klass")->Size(), 5);
    EXPECT_EQ(open("YmAyd.b0")->FieldByName("Dom")->TypeField(), ftInteger);
    EXPECT_EQ(open("YmDom.b0")->FieldByName("Color")->TypeField(), ftWord);
    EXPECT_EQ(open("YmFak.b0")->FieldByName("Fak")->Size(), 48);
    EXPECT_EQ(open("YmFakGryp.b0")->FieldByName("Fak")->TypeField(), ftInteger);
    EXPECT_EQ(storedVersion(db()), 4);
    EXPECT_FALSE(fs::exists(dir.path() / "Database.new"));
    // The version, then the lesson times the database starts with: 07:15 and
    // every 105 minutes, 90 long; 24:45 and 26:30 are no times of day.
    std::ifstream godIni(db() / "god.Ini", std::ios::binary);
    const std::string settings{std::istreambuf_iterator<char>(godIni),
                               std::istreambuf_iterator<char>()};
    EXPECT_EQ(settings,
              "[Database]\r\nVers=4\r\n[Time]\r\n"
              "Yrok0=435\r\nLYrok0=90\r\nYrok1=540\r\nLYrok1=90\r\n"
              "Yrok2=645\r\nLYrok2=90\r\nYrok3=750\r\nLYrok3=90\r\n"
              "Yrok4=855\r\nLYrok4=90\r\nYrok5=960\r\nLYrok5=90\r\n"
              "Yrok6=1065\r\nLYrok6=90\r\nYrok7=1170\r\nLYrok7=90\r\n"
              "Yrok8=1275\r\nLYrok8=90\r\nYrok9=1380\r\nLYrok9=90\r\n"
              "Yrok10=0\r\nLYrok10=0\r\nYrok11=0\r\nLYrok11=0\r\n");

    storeTeacher(2016, "Иванов И.П.");
    const auto before = test::snapshotFiles(db());
    std::string message;
    EXPECT_EQ(CreateDatabase(dir.path(), message), TCreateDatabaseResult::Exists);
    EXPECT_EQ(test::snapshotFiles(db()), before);
    EXPECT_TRUE(dialog.shown.empty());

    // A database folder holding only other files is filled, keeping them.
    test::ScratchDir other;
    fs::create_directories(other.path() / "Database");
    test::writeBytes(other.path() / "Database" / "notes.txt", {'x'});
    EXPECT_EQ(CreateDatabase(other.path(), message), TCreateDatabaseResult::Created) << message;
    EXPECT_TRUE(fs::exists(other.path() / "Database" / "YmAtribyt.b0"));
    EXPECT_EQ(test::readBytes(other.path() / "Database" / "notes.txt"), std::vector<uint8_t>{'x'});
}

// Catches an operation that reaches rows of another year, a rewrite that
// appends instead of finding the key, a store of a missing key that writes
// anyway, and AT1 left open between operations.
TEST_F(YearDatabase, OperationsOfOneYearNeverShowOrChangeAnotherYearsRows) {
    const uint32_t a = storeTeacher(2016, "Петров П.П.");
    const uint32_t b = storeTeacher(2017, "Сидоров С.С.");
    const uint32_t c = storeTeacher(2016, "Козлов К.К.");
    EXPECT_EQ(a, 1u);
    EXPECT_EQ(b, 2u);
    EXPECT_EQ(c, 3u);
    EXPECT_FALSE(dm->AT1.Active());
    EXPECT_EQ(teachersOf(2016), (std::vector<std::string>{"Петров П.П.", "Козлов К.К."}));
    EXPECT_EQ(teachersOf(2017), (std::vector<std::string>{"Сидоров С.С."}));

    EXPECT_EQ(storeTeacher(2016, "Петров П.А.", a), a);
    uint32_t missing = 42;
    EXPECT_FALSE(dm->StoreEntry(
        "YmFio.b0", missing, [](TTableBlob& t) { t.FieldByName("Name")->setAsString("never"); }));
    EXPECT_EQ(missing, 42u);
    EXPECT_FALSE(dm->AT1.Active());
    EXPECT_EQ(allTeachers(), (std::vector<std::string>{"2016:Петров П.А.", "2017:Сидоров С.С.",
                                                       "2016:Козлов К.К."}));

    // The blob went with the row.
    EXPECT_TRUE(dm->ReadEntries("YmFio.b0", 2017, [](TTableBlob& t) {
        TMemoryStream out;
        t.FieldByName("Dan")->SaveToStream(out);
        EXPECT_EQ(out.Bytes(), std::vector<uint8_t>(300, 2017 % 256));
    }));

    EXPECT_TRUE(dm->DeleteEntry("YmFio.b0", c));
    EXPECT_FALSE(dm->DeleteEntry("YmFio.b0", c));
    EXPECT_TRUE(dm->DeleteAllOfYear("YmFio.b0", 2016));
    EXPECT_FALSE(dm->AT1.Active());
    EXPECT_EQ(allTeachers(), (std::vector<std::string>{"2017:Сидоров С.С."}));
    EXPECT_TRUE(dm->DeleteAllOfYear("YmFio.b0", 2016));
    EXPECT_EQ(teachersOf(2016), std::vector<std::string>{});
}

// Catches a walk that deletes the row after each match (or every row after
// it) instead of the matching rows themselves.
TEST_F(YearDatabase, DeleteWhereTakesExactlyTheMatchingRows) {
    for (const char* name : {"А", "Б", "В", "Г", "Д", "Е"}) storeTeacher(2016, name);
    storeTeacher(2017, "Б");
    auto named = [](std::initializer_list<std::string> names) {
        return [names](TTableBlob& t) {
            const std::string name = t.FieldByName("Name")->asString();
            return std::find(names.begin(), names.end(), name) != names.end();
        };
    };
    EXPECT_TRUE(dm->DeleteWhere(dm->AT2, "YmFio.b0", named({"В"})));
    EXPECT_EQ(allTeachers(), (std::vector<std::string>{"2016:А", "2016:Б", "2016:Г", "2016:Д",
                                                       "2016:Е", "2017:Б"}));
    // Several matches, the last row among them.
    EXPECT_TRUE(dm->DeleteWhere(dm->AT2, "YmFio.b0", named({"Б", "Е"})));
    EXPECT_EQ(allTeachers(), (std::vector<std::string>{"2016:А", "2016:Г", "2016:Д"}));
    EXPECT_TRUE(dm->DeleteWhere(dm->AT2, "YmFio.b0", named({"нет такого"})));
    EXPECT_EQ(allTeachers().size(), 3u);
}

// Catches a half-written new row left behind when a value cannot be stored,
// and an existing row changed by a store that failed.
TEST_F(YearDatabase, AStoreThatThrowsLeavesNoNewRowAndTheOldRowUnchanged) {
    const uint32_t kept = storeTeacher(2016, "Петров П.П.");
    uint32_t n = 0;
    auto badValue = [](TTableBlob& t) {
        t.FieldByName("God")->setAsInteger(2016);
        t.FieldByName("RunDay")->setAsString("пять");
    };
    EXPECT_THROW((void)dm->StoreEntry("YmFio.b0", n, badValue), EConvertError);
    EXPECT_EQ(n, 0u);
    EXPECT_FALSE(dm->AT1.Active());
    n = kept;
    EXPECT_THROW((void)dm->StoreEntry("YmFio.b0", n, badValue), EConvertError);
    EXPECT_EQ(n, kept);
    EXPECT_EQ(allTeachers(), (std::vector<std::string>{"2016:Петров П.П."}));
}

TEST(YearDatabaseDey, DigitsGiveTheWeekdaysAndOtherCharactersKeepTheDefault) {
    std::array<int, 7> days{9, 9, 9, 9, 9, 9, 9};
    ReadDey("135", days);
    EXPECT_EQ(days, (std::array<int, 7>{1, 3, 5, 0, 0, 0, 0}));
    days = {9, 9, 9, 9, 9, 9, 9};
    ReadDey("", days);
    EXPECT_EQ(days, (std::array<int, 7>{9, 9, 9, 9, 9, 9, 9}));
    ReadDey("1x3 56789", days);
    EXPECT_EQ(days, (std::array<int, 7>{1, 9, 3, 9, 5, 6, 7}));
}

// Catches a re-index that keeps a damaged .bi, stops at the first missing
// table, or does not pack, and a table without .bi that cannot be opened.
TEST_F(YearDatabase, ReindexRebuildsEveryIndexAndReportsEachMissingOrBrokenTable) {
    storeTeacher(2016, "Петров П.П.");
    storeTeacher(2016, "Козлов К.К.");
    const uint32_t gone = storeTeacher(2016, "Сидоров С.С.");
    ASSERT_TRUE(dm->DeleteEntry("YmFio.b0", gone));
    for (const char* name : kYearTables) fs::remove(db() / (tableBaseName(name) + ".bi"));
    EXPECT_EQ(teachersOf(2016), (std::vector<std::string>{"Петров П.П.", "Козлов К.К."}));
    // An index that does not even fit the table: only throwing it away repairs it.
    test::writeBytes(db() / "YmFio.bi", test::fromHex("07000000 00000000 09000000 01000000 01"));

    EXPECT_TRUE(dm->ReindexFiles());
    EXPECT_EQ(progress.texts, prefixed("Реиндексация "));
    EXPECT_TRUE(dialog.shown.empty());
    for (const char* name : kYearTables)
        EXPECT_TRUE(fs::exists(db() / (tableBaseName(name) + ".bi"))) << name;
    EXPECT_EQ(storeTeacher(2017, "Петров П.А.", 1), 1u);
    auto t = open("YmFio.b0");
    EXPECT_EQ(t->RecordCountAll(), 2u);
    EXPECT_EQ(t->RecordCount(), 2u);
    t->Close();

    fs::remove(db() / "YmFak.b0");
    uint32_t n = 0;
    ASSERT_TRUE(dm->StoreEntry(
        "YmDom.b0", n, [](TTableBlob& f) { f.FieldByName("Dom")->setAsString("Главный"); }));
    fs::resize_file(db() / "YmDom.b1", fs::file_size(db() / "YmDom.b1") - 1);
    fs::remove(db() / "YmAtribyt.bi");
    progress.texts.clear();
    EXPECT_FALSE(dm->ReindexFiles());
    EXPECT_EQ(progress.texts, prefixed("Реиндексация "));
    EXPECT_EQ(dialog.shown,
              (std::vector<std::string>{"Отсутствует фаил. YmFak.b0",
                                        "Ошибка реиндексации и упаковки фаила. YmDom.b0"}));
    EXPECT_TRUE(fs::exists(db() / "YmAtribyt.bi")) << "tables after a failure are re-indexed";
    EXPECT_FALSE(dm->AT1.Active());
}

// Catches a wrong key reported as anything else, one message for several
// wrong keys, and a load that stops at the first wrong key.
TEST_F(YearDatabase, WrongKeysAreReportedOncePerKeyAndTheLoadGoesOn) {
    storeTeacher(2016, "Петров П.П.");
    storeTeacher(2016, "Козлов К.К.");
    uint64_t slot = 0;
    {
        auto t = open("YmFio.b0");
        slot = t->slotLength();
    }
    // The second slot gets the first slot's key; the index is rebuilt from the slots.
    auto b1 = test::readBytes(db() / "YmFio.b1");
    b1[slot + 12] = 1;
    test::writeBytes(db() / "YmFio.b1", b1);
    fs::remove(db() / "YmFio.bi");

    EXPECT_EQ(teachersOf(2016).size(), 2u);
    EXPECT_EQ(dialog.shown,
              (std::vector<std::string>{
                  "Ошибка индекса базы данных.Сообщите разработчику. Таблица:YmFio ключ N=1"}));
}

// Catches a widening that loses the texts or runs again on 18 characters, a
// Color column with garbage in old rows, a version not recorded after each
// step, and a newer database touched at all.
TEST_F(YearDatabase, UpgradesWidenGroupNamesAddColorAndRecordTheVersion) {
    ASSERT_TRUE(createYearTable(db(), {"YmGryp.b0",
                                       {{"N", ftAutoInc, 0},
                                        {"God", ftInteger, 0},
                                        {"Gryp", ftString, 5},
                                        {"Zavlin", ftBlob, 0}}},
                                test::hooks()));
    ASSERT_TRUE(createYearTable(
        db(), {"YmDom.b0", {{"N", ftAutoInc, 0}, {"God", ftInteger, 0}, {"Dom", ftString, 48}}},
        test::hooks()));
    for (const char* name : {"ИС-11", "Эк-2"}) {
        uint32_t n = 0;
        ASSERT_TRUE(dm->StoreEntry("YmGryp.b0", n, [&](TTableBlob& t) {
            t.FieldByName("God")->setAsInteger(2016);
            t.FieldByName("Gryp")->setAsString(name);
        }));
        n = 0;
        ASSERT_TRUE(dm->StoreEntry("YmDom.b0", n, [&](TTableBlob& t) {
            t.FieldByName("God")->setAsInteger(2016);
            t.FieldByName("Dom")->setAsString(std::string("Корпус ") + name);
        }));
    }
    ASSERT_TRUE(dm->FGodini.WriteInteger("Database", "Vers", 2));

    EXPECT_EQ(dm->UpgradeDatabase(), TUpgradeResult::Ok);
    EXPECT_EQ(storedVersion(db()), 4);
    EXPECT_TRUE(dialog.shown.empty());
    std::vector<std::string> rows;
    ASSERT_TRUE(dm->ReadEntries("YmGryp.b0", 2016, [&](TTableBlob& t) {
        rows.push_back(t.FieldByName("Gryp")->asString());
    }));
    ASSERT_TRUE(dm->ReadEntries("YmDom.b0", 2016, [&](TTableBlob& t) {
        rows.push_back(t.FieldByName("Dom")->asString() + "/" + t.FieldByName("Color")->asString());
    }));
    EXPECT_EQ(rows, (std::vector<std::string>{"ИС-11", "Эк-2", "Корпус ИС-11/0", "Корпус Эк-2/0"}));
    EXPECT_EQ(open("YmGryp.b0")->FieldByName("Gryp")->Size(), 18);
    uint32_t n = 1;
    EXPECT_TRUE(dm->StoreEntry("YmGryp.b0", n, [](TTableBlob& t) {
        t.FieldByName("Gryp")->setAsString("ИС-11 вечерняя");
    }));

    // A second run finds nothing to do.
    ASSERT_TRUE(dm->FGodini.WriteInteger("Database", "Vers", 2));
    const auto before = test::snapshotFiles(db());
    EXPECT_EQ(dm->UpgradeDatabase(), TUpgradeResult::Ok);
    EXPECT_EQ(test::readBytes(db() / "YmGryp.b0"), before.at("YmGryp.b0"));
    EXPECT_EQ(test::readBytes(db() / "YmDom.b1"), before.at("YmDom.b1"));

    ASSERT_TRUE(dm->FGodini.WriteInteger("Database", "Vers", 5));
    EXPECT_EQ(dm->UpgradeDatabase(), TUpgradeResult::NewerDatabase);
    EXPECT_EQ(storedVersion(db()), 5);
    EXPECT_EQ(upgradeFailureText(TUpgradeResult::NewerDatabase, 5),
              "База данных создана версией программы с более поздней датой\r\n"
              "Старая версия базы данных =4\r\n"
              "Новая версия ../Database/God.ini[Database]=5\r\n"
              "Обновите версию программы");

    // Below 2 the legacy conversion comes first, and it needs its library.
    ASSERT_TRUE(dm->FGodini.WriteInteger("Database", "Vers", 0));
    EXPECT_EQ(dm->UpgradeDatabase(), TUpgradeResult::ConvertFailed);
    EXPECT_EQ(storedVersion(db()), 0);
    EXPECT_EQ(dialog.shown,
              (std::vector<std::string>{"Отсутствует " + dm->DB.PathR + "TableBDE.so"}));
}

TEST_F(YearDatabase, AFailedWideningShowsTheEnginesMessageAndKeepsTheVersion) {
    fs::remove(db() / "YmGryp.b0");
    ASSERT_TRUE(createYearTable(db(), {"YmGryp.b0", {{"N", ftAutoInc, 0}, {"God", ftInteger, 0}}},
                                test::hooks()));
    ASSERT_TRUE(dm->FGodini.WriteInteger("Database", "Vers", 2));
    EXPECT_EQ(dm->UpgradeDatabase(), TUpgradeResult::Vers2Failed);
    EXPECT_EQ(storedVersion(db()), 2);
    EXPECT_EQ(dialog.shown, (std::vector<std::string>{"В таблице YmGryp нет поля Gryp"}));
    EXPECT_FALSE(dm->AT1.Active());
}

// --- the legacy conversion, through the fake converter library

class YearDatabaseConversion : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(db());
        fs::copy_file(ZAVLIN_FAKE_CONVERTER, dir.path() / "TableBDE.so");
        for (const char* name : kYearTables) {
            const std::string base = tableBaseName(name);
            const std::string rows = base + "-1\n" + base + "-2\n";
            test::writeBytes(db() / (base + ".db"), std::vector<uint8_t>(rows.begin(), rows.end()));
            test::writeBytes(db() / (base + ".px"), {1});
            test::writeBytes(db() / (base + ".mb"), {2});
        }
        dm = std::make_unique<TDM1>(dir.path(), dialog);
        dm->Hooks.ProgressObserver = &progress;
    }

    fs::path db() const { return dir.path() / "Database"; }

    int legacyFilesLeft() const {
        int n = 0;
        for (const char* name : kYearTables)
            for (const char* ext : {".db", ".px", ".mb"})
                n += fs::exists(db() / (tableBaseName(name) + ext)) ? 1 : 0;
        return n;
    }

    std::vector<std::string> calls() const {
        std::vector<std::string> r;
        std::string line;
        const auto bytes = test::readBytes(db() / "calls.log");
        for (uint8_t c : bytes) {
            if (c == '\n') {
                r.push_back(line);
                line.clear();
            } else {
                line += static_cast<char>(c);
            }
        }
        return r;
    }

    std::vector<std::string> namesIn(const char* table) {
        std::vector<std::string> r;
        EXPECT_TRUE(dm->ReadEntries(table, std::nullopt, [&](TTableBlob& t) {
            r.push_back(t.FieldByName("Name")->asString());
        }));
        return r;
    }

    test::ScratchDir dir;
    TScriptedDialog dialog{true};  // yes to loading the library
    ProgressLog progress;
    std::unique_ptr<TDM1> dm;
};

// Catches a wrong order, page size or trailing argument, tables not built
// through the interface, and legacy files kept after full success.
TEST_F(YearDatabaseConversion, ConvertsEveryTableInOrderAndThenDeletesTheLegacyFiles) {
    EXPECT_TRUE(dm->ReStracth_BDE());
    EXPECT_EQ(calls(), (std::vector<std::string>{
                           "YmGod.b0 1024 0 2", "YmGryp.b0 4096 0 2", "YmFio.b0 128 0 2",
                           "YmFak.b0 1024 0 2", "YmFakGryp.b0 1024 0 2", "YmYrok.b0 1024 0 2",
                           "YmDom.b0 1024 0 2", "YmAyd.b0 64 0 2", "YmAtribyt.b0 1024 0 2"}));
    EXPECT_EQ(progress.texts, prefixed("Реструктуризация "));
    EXPECT_EQ(namesIn("YmAyd.b0"), (std::vector<std::string>{"YmAyd-1", "YmAyd-2"}));
    TTableBlob t{test::hooks()};
    t.SetDatabaseName(db().string());
    t.SetTableName("YmGryp.b0");
    ASSERT_TRUE(t.Open());
    EXPECT_EQ(t.LengthPageBlob(), 4096);
    t.Close();
    EXPECT_EQ(legacyFilesLeft(), 0);
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_FALSE(dm->AT1.Active());
}

// Catches a second run (the version was not recorded after the first one)
// creating the converted tables anew from legacy files that are gone.
TEST_F(YearDatabaseConversion, ASecondRunKeepsTablesAlreadyConverted) {
    ASSERT_TRUE(dm->ReStracth_BDE());
    ASSERT_EQ(legacyFilesLeft(), 0);
    fs::remove(db() / "calls.log");
    EXPECT_TRUE(dm->ReStracth_BDE());
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(namesIn("YmAyd.b0"), (std::vector<std::string>{"YmAyd-1", "YmAyd-2"}));
}

// Catches a conversion that stops at the first failure, deletes legacy files
// after a partial success, or lets the converter's exception through.
TEST_F(YearDatabaseConversion, AFailedTableStillConvertsTheRestButKeepsEveryLegacyFile) {
    test::writeBytes(db() / "YmFio.fail", {});
    EXPECT_FALSE(dm->ReStracth_BDE());
    EXPECT_EQ(calls().size(), 9u);
    EXPECT_EQ(namesIn("YmFak.b0"), (std::vector<std::string>{"YmFak-1", "YmFak-2"}));
    EXPECT_EQ(namesIn("YmAtribyt.b0"), (std::vector<std::string>{"YmAtribyt-1", "YmAtribyt-2"}));
    EXPECT_EQ(legacyFilesLeft(), 27);

    fs::remove(db() / "YmFio.fail");
    fs::remove(db() / "calls.log");
    test::writeBytes(db() / "YmGod.throw", {});
    EXPECT_FALSE(dm->ReStracth_BDE());
    EXPECT_EQ(calls().size(), 9u);
    EXPECT_EQ(legacyFilesLeft(), 27);
    EXPECT_FALSE(dm->AT1.Active());
}

TEST_F(YearDatabaseConversion, AMissingOrBrokenLibraryIsReportedWithItsFullPath) {
    const std::string library = dm->DB.PathR + "TableBDE.so";
    test::writeBytes(library, {'n', 'o', 't', ' ', 'E', 'L', 'F'});
    EXPECT_FALSE(dm->ReStracth_BDE());
    fs::remove(library);
    EXPECT_FALSE(dm->ReStracth_BDE());
    EXPECT_EQ(dialog.shown,
              (std::vector<std::string>{"Ошибка загрузки " + library, "Отсутствует " + library}));
    EXPECT_FALSE(fs::exists(db() / "calls.log"));
    EXPECT_EQ(legacyFilesLeft(), 27);
}

// Catches a library loaded without the user being told its full name, loaded
// against a no, or taken from outside the home folder through a link.
TEST_F(YearDatabaseConversion, TheLibraryIsNamedAndLoadedOnlyWithConsentFromTheHomeFolder) {
    const std::string library = dm->DB.PathR + "TableBDE.so";
    dialog.queue(false);
    EXPECT_FALSE(dm->ReStracth_BDE());
    ASSERT_EQ(dialog.asked.size(), 1u);
    EXPECT_NE(dialog.asked[0].find(library), std::string::npos) << dialog.asked[0];
    EXPECT_EQ(dialog.shown, (std::vector<std::string>{"Библиотека " + library + " не загружена"}));
    EXPECT_FALSE(fs::exists(db() / "calls.log")) << "nothing of the library ran";
    EXPECT_EQ(legacyFilesLeft(), 27);

    // The same library reached through a link from the home folder.
    test::ScratchDir elsewhere;
    fs::rename(library, elsewhere.path() / "TableBDE.so");
    fs::create_symlink(elsewhere.path() / "TableBDE.so", library);
    dialog.shown.clear();
    EXPECT_FALSE(dm->ReStracth_BDE());
    EXPECT_EQ(dialog.asked.size(), 1u) << "refused before asking";
    EXPECT_EQ(dialog.shown, (std::vector<std::string>{"Библиотека " + library +
                                                      " находится вне папки программы"}));
    EXPECT_FALSE(fs::exists(db() / "calls.log"));

    fs::remove(library);
    fs::rename(elsewhere.path() / "TableBDE.so", library);
    EXPECT_TRUE(dm->ReStracth_BDE());
    EXPECT_EQ(dialog.asked.size(), 2u);
    EXPECT_EQ(legacyFilesLeft(), 0);
}

// --- the helpers of the data-entry windows and the server exchange

TEST(YearDatabaseNames, ShortNameFromThreePartsUpperCasesCyrillicFirstLetters) {
    std::string f = "  иванов ", i = "иван", o = " петрович";
    EXPECT_EQ(SetNameFill(f, i, o), "Иванов И.П.");
    EXPECT_EQ(f, "Иванов");
    EXPECT_EQ(o, "Петрович");
    f = "ёлкин", i = "яков", o = "ahmed";
    EXPECT_EQ(SetNameFill(f, i, o), "Ёлкин Я.a.");
    f = "Петров", i = "  ", o = "Петрович";
    EXPECT_EQ(SetNameFill(f, i, o), "");
    EXPECT_EQ(i, "");
    f = "рябов", i = "Эдуард", o = "Юрьевич";
    EXPECT_EQ(SetNameFill(f, i, o), "Рябов Э.Ю.");
}

TEST(YearDatabaseNames, PartsOfAFullName) {
    EXPECT_EQ(NameFirst("Иванов И.П."), "Иванов");
    EXPECT_EQ(NameSecond("Иванов И.П."), "И");
    EXPECT_EQ(NameThree("Иванов И.П."), "П");
    EXPECT_EQ(NameFirst("Иванов Иван Петрович"), "Иванов");
    EXPECT_EQ(NameSecond("Иванов   Иван Петрович"), "Иван");
    EXPECT_EQ(NameThree("Иванов Иван  Петрович"), "Петрович");
    EXPECT_EQ(NameThree("Иванов И. П. мл"), "П");
    EXPECT_EQ(NameThree("Иванов И.Петр Сергеевич"), "Петр");
    EXPECT_EQ(NameFirst("Иванов"), "Иванов");
    EXPECT_EQ(NameSecond("Иванов"), "");
    EXPECT_EQ(NameThree("Иванов"), "");
    EXPECT_EQ(NameThree("Иванов Иван"), "");
    EXPECT_EQ(NameFirst(" Иванов"), "");
}

TEST(YearDatabaseUrl, DecodingRules) {
    EXPECT_EQ(DecodeURL("a%41%4a%4Bz"), "aAJKz");
    EXPECT_EQ(DecodeURL("%D0%98"), "И");
    EXPECT_EQ(DecodeURL("a%\r\nb%\n\rc%\rd%\ne"), "abcde");
    EXPECT_EQ(DecodeURL("100%!x%4G"), "100%!x%4G") << "a % not followed by hex or a break stays";
    EXPECT_EQ(DecodeURL("ab%4"), "ab");
    EXPECT_EQ(DecodeURL("ab%"), "ab");
    EXPECT_EQ(DecodeURL("ab%41"), "abA");
    EXPECT_EQ(DecodeURL(""), "");
}

TEST(YearDatabaseUrl, EncodingKeepsOnlyLettersDigitsDashAndDotAndRoundTrips) {
    EXPECT_EQ(EncodeURL("Ab-9.x_y~z"), "Ab-9.x%5Fy%7Ez");
    EXPECT_EQ(EncodeURL("Ия a&b=\"%"), "%D0%98%D1%8F%20a%26b%3D%22%25");
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    EXPECT_EQ(DecodeURL(EncodeURL(all)), all);
}

}  // namespace
}  // namespace zavlin
