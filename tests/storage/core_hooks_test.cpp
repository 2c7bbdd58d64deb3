// Each database object speaks to its own person and keeps its own disk mode:
// two of them in one process (the window program's worker beside another
// window) must never hear each other's messages, questions or settings.
#include "base/core_hooks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "storage/table_validate.h"
#include "storage/year_database.h"
#include "storage/year_tables.h"
#include "test_support.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

struct ProgressLog : TProgressObserver {
    void StydImageShowBar(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

// A field description's type byte: the descriptions start at 68, 32 bytes each.
void breakSecondFieldType(const fs::path& b0) {
    std::FILE* f = std::fopen(b0.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(std::fseek(f, 68 + 32, SEEK_SET), 0);
    ASSERT_EQ(std::fputc(0, f), 0);
    ASSERT_EQ(std::fclose(f), 0);
}

class TwoDatabases : public ::testing::Test {
protected:
    void SetUp() override {
        std::string message;
        ASSERT_EQ(CreateDatabase(homeA.path(), message), TCreateDatabaseResult::Created) << message;
        ASSERT_EQ(CreateDatabase(homeB.path(), message), TCreateDatabaseResult::Created) << message;
    }

    bool readTeachers(TDM1& dm) {
        return dm.ReadEntries("YmFio.b0", std::nullopt, [](TTableBlob&) {});
    }

    test::ScratchDir homeA;
    test::ScratchDir homeB;
    TScriptedDialog dialogA;
    TScriptedDialog dialogB{true};
};

// Catches a process-wide dialog or message function: the questions, messages
// and progress of one database reaching the other's person.
TEST_F(TwoDatabases, EachHearsOnlyItsOwnQuestionsMessagesAndProgress) {
    TDM1 a(homeA.path(), dialogA);
    TDM1 b(homeB.path(), dialogB);
    ProgressLog progressA;
    ProgressLog progressB;
    a.Hooks.ProgressObserver = &progressA;
    b.Hooks.ProgressObserver = &progressB;

    EXPECT_FALSE(a.MyMessageDlg("вопрос A"));
    EXPECT_TRUE(b.MyMessageDlg("вопрос B"));
    EXPECT_EQ(dialogA.asked, (std::vector<std::string>{"вопрос A"}));
    EXPECT_EQ(dialogB.asked, (std::vector<std::string>{"вопрос B"}));

    // A missing settings file is announced by the file's owner only.
    fs::remove(homeB.path() / "Zavlin98.ini");
    (void)b.FIni1.ReadString("Program", "End");
    EXPECT_TRUE(dialogA.shown.empty());
    ASSERT_EQ(dialogB.shown.size(), 1u);
    EXPECT_EQ(dialogB.shown[0].rfind("Фаил не обнаружен: ", 0), 0u) << dialogB.shown[0];

    // A maintenance run reports to its own progress line and box.
    fs::remove(homeA.path() / "Database" / "YmFio.b0");
    EXPECT_FALSE(a.ReindexFiles());
    EXPECT_FALSE(progressA.texts.empty());
    EXPECT_TRUE(progressB.texts.empty());
    EXPECT_NE(std::find(dialogA.shown.begin(), dialogA.shown.end(), "Отсутствует фаил. YmFio.b0"),
              dialogA.shown.end());
    EXPECT_EQ(dialogB.shown.size(), 1u) << "nothing more reached B";
}

// Catches the table engine speaking through anything but its owner's hooks:
// a damaged table's message must reach the database that opened it.
TEST_F(TwoDatabases, DamagedTableMessageReachesItsOwner) {
    TDM1 a(homeA.path(), dialogA);
    TDM1 b(homeB.path(), dialogB);
    breakSecondFieldType(homeA.path() / "Database" / "YmFio.b0");
    test::MessageRecorder elsewhere;

    EXPECT_FALSE(readTeachers(a));
    const std::vector<std::string> said{
        "Класс Field не поддерживается ftUnknown",
        std::string(kDamagedFieldsText) + " " + (homeA.path() / "Database" / "YmFio.b0").string()};
    EXPECT_EQ(dialogA.shown, said);
    EXPECT_TRUE(readTeachers(b));
    EXPECT_TRUE(dialogB.shown.empty());
    EXPECT_TRUE(elsewhere.messages.empty());

    // A front end may route plain messages away from the box.
    std::vector<std::string> routed;
    (void)a.Hooks.SetMessageRoute([&](const std::string& text) { routed.push_back(text); });
    EXPECT_FALSE(readTeachers(a));
    EXPECT_EQ(routed, said);
    EXPECT_EQ(dialogA.shown, said) << "nothing more reached the box";
}

// Catches a process-wide sync switch: a database over a file system that does
// not wait for the disk must leave another database's syncing as it was.
TEST_F(TwoDatabases, SyncModeBelongsToEachDatabase) {
    RealFileSystem unsynced(false);
    RealFileSystem synced(true);
    TDM1 a(homeA.path(), dialogA, unsynced);
    TDM1 b(homeB.path(), dialogB, synced);
    auto store = [](TDM1& dm) {
        uint32_t n = 0;
        return dm.StoreEntry("YmFio.b0", n, [](TTableBlob& t) {
            t.FieldByName("God")->setAsInteger(2016);
            t.FieldByName("Name")->setAsString("Иванов И.П.");
        });
    };

    ASSERT_TRUE(store(b));
    const uint64_t afterFirst = synced.diskSyncs();
    EXPECT_GT(afterFirst, 0u) << "a synced database waits for the disk";
    ASSERT_TRUE(store(a));
    EXPECT_EQ(unsynced.diskSyncs(), 0u);
    ASSERT_TRUE(store(b));
    EXPECT_GT(synced.diskSyncs(), afterFirst)
        << "the other database's writes did not switch it off";
    EXPECT_TRUE(synced.syncsToDisk());
    EXPECT_FALSE(unsynced.syncsToDisk());
}

}  // namespace
}  // namespace zavlin
