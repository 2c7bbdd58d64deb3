#include "shell/shell.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/my_dialog.h"
#include "model/building.h"
#include "model/god.h"
#include "model/group.h"
#include "model/room.h"
#include "model/teacher.h"
#include "storage/year_database.h"
#include "storage/year_tables.h"
#include "support/scratch_home.h"

namespace zavlin::shell {
namespace {

namespace fs = std::filesystem;

struct RecordingView : TShellView {
    void StatusText(const std::string& text) override { texts.push_back(text); }
    void HideSplash() override { ++hidden; }
    bool saw(const std::string& text) const {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    std::vector<std::string> texts;
    int hidden = 0;
};

// Records the captions too, which the scripted dialog does not.
struct CaptionDialog : TMyDialog {
    bool MessageDlg(const std::string& Msg, const std::string& Caption) override {
        asked.emplace_back(Msg, Caption);
        if (answers.empty()) return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void MessageShow(const std::string& Msg) override { shown.push_back(Msg); }
    std::deque<bool> answers;
    std::vector<std::pair<std::string, std::string>> asked;
    std::vector<std::string> shown;
};

struct YearData {
    std::vector<std::string> teachers;
    std::vector<std::string> groups;
    std::vector<std::string> subjects;
    std::vector<std::string> rooms;
    std::vector<std::string> attributes;  // shared by every year
};

std::map<std::string, std::vector<uint8_t>> tableBytes(const fs::path& db) {
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& e : fs::directory_iterator(db)) {
        const std::string name = e.path().filename().string();
        if (name.rfind("Ym", 0) != 0) continue;
        std::ifstream in(e.path(), std::ios::binary);
        files[name] = {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    return files;
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(home.empty());
        std::string message;
        ASSERT_TRUE(home.MakeDatabase(message)) << message;
    }

    fs::path db() const { return home.path() / "Database"; }

    // Stores a year through the model, as the data-entry windows would.
    void addYear(int year, const YearData& data = {}) {
        TScriptedDialog quiet;
        TDM1 dm(home.path(), quiet);
        TAllGod all(dm);
        ASSERT_TRUE(all.ReadListGod());
        const int indx = all.AddGod(year);
        ASSERT_GE(indx, 0);
        std::unique_ptr<TGod> god = all.CreateGod(indx);
        for (const auto& name : data.teachers) {
            auto fio = std::make_unique<TFio>();
            fio->SetBigName(name);
            ASSERT_NE(god->AddFio(std::move(fio)), nullptr);
        }
        for (const auto& name : data.subjects)
            ASSERT_TRUE(god->AddYrName(god->CreateYrName(name, "")));
        for (const auto& name : data.groups) {
            auto gr = std::make_unique<TGryp>(god.get());
            gr->SetName(name);
            ASSERT_NE(god->AddGryp(std::move(gr)), nullptr);
        }
        if (!data.rooms.empty()) {
            TDom* dom = god->AddDom("Главный");
            ASSERT_NE(dom, nullptr);
            for (const auto& name : data.rooms) ASSERT_NE(god->AddAyd(dom, name), nullptr);
        }
        for (const auto& name : data.attributes) ASSERT_NE(god->AddAtribyt(name), nullptr);
        ASSERT_TRUE(god->SaveRasp());
        EXPECT_TRUE(quiet.shown.empty());
    }

    // A settings value as another run of the program reads it from disk.
    std::string mainSetting(const std::string& section, const std::string& key) {
        TScriptedDialog quiet;
        TDM1 dm(home.path(), quiet);
        return dm.FIni1.ReadString(section, key);
    }
    std::string godSetting(const std::string& section, const std::string& key) {
        TScriptedDialog quiet;
        TDM1 dm(home.path(), quiet);
        return dm.FGodini.ReadString(section, key);
    }
    void setMain(const std::string& section, const std::string& key, const std::string& value) {
        TScriptedDialog quiet;
        TDM1 dm(home.path(), quiet);
        ASSERT_TRUE(dm.FIni1.WriteString(section, key, value));
    }
    void setGod(const std::string& section, const std::string& key, const std::string& value) {
        TScriptedDialog quiet;
        TDM1 dm(home.path(), quiet);
        ASSERT_TRUE(dm.FGodini.WriteString(section, key, value));
    }

    // The teachers of a year as stored on disk.
    std::vector<std::string> storedTeachers(int year) {
        TScriptedDialog quiet;
        TDM1 dm(home.path(), quiet);
        TAllGod all(dm);
        EXPECT_TRUE(all.ReadListGod());
        const int indx = all.GetIndexGod(year);
        if (indx < 0) return {"(no year)"};
        auto god = all.CreateGod(indx);
        EXPECT_TRUE(god->Load());
        std::vector<std::string> names;
        for (const auto& fio : god->LFio) names.push_back(fio->BigName());
        return names;
    }

    void replaceTable(const TYearTableSpec& table) {
        const std::string base = tableBaseName(table.file);
        for (const auto& e : fs::directory_iterator(db()))
            if (e.path().stem() == base) fs::remove(e.path());
        TScriptedDialog quiet;
        TCoreHooks hooks(quiet);
        ASSERT_TRUE(createYearTable(db(), table, hooks));
    }

    testsupport::ScratchHome home{"shell"};
    TScriptedDialog dialog;
    RecordingView view;
};

// --- the structure-version ladder

// Catches a newer database being written to, its version overwritten at
// close, a message that differs from the program's, and a shell left usable.
TEST_F(ShellTest, ANewerDatabaseStopsWithItsMessageAndTouchesNoTable) {
    setGod("Database", "Vers", "5");
    setMain("Program", "End", "Start");
    const auto before = tableBytes(db());
    TShell shell(home.path(), dialog);
    EXPECT_EQ(shell.Start(view), TStartOutcome::Locked);
    EXPECT_FALSE(shell.GoodStart());
    EXPECT_EQ(dialog.shown, (std::vector<std::string>{
                                "База данных создана версией программы с более поздней датой\r\n"
                                "Старая версия базы данных =4\r\n"
                                "Новая версия ../Database/God.ini[Database]=5\r\n"
                                "Обновите версию программы"}));
    EXPECT_GE(view.hidden, 1);
    // No re-index for the unclean end either: the tables are not ours to touch.
    EXPECT_FALSE(view.saw("Реиндексация YmGod.b0"));
    EXPECT_EQ(tableBytes(db()), before);

    const TMenuState state = shell.MenuVid();
    EXPECT_TRUE(state.locked);
    EXPECT_FALSE(state.godMenu);
    EXPECT_FALSE(state.yearMenus);
    EXPECT_FALSE(state.toolPanel);
    EXPECT_FALSE(state.backupCopy);
    EXPECT_EQ(shell.AllGod(), nullptr);

    bool asked = false;
    shell.Close(
        true, [&] { return asked = true; }, [] {});
    EXPECT_FALSE(asked);
    EXPECT_EQ(godSetting("Database", "Vers"), "5");
    EXPECT_EQ(mainSetting("Program", "End"), "Start");
}

// Catches the legacy step skipped below version 2 or a failed conversion
// that lets the program run on tables it could not read.
TEST_F(ShellTest, VersionZeroWithoutTheConverterLocksTheShell) {
    setGod("Database", "Vers", "0");
    TShell shell(home.path(), dialog);
    EXPECT_EQ(shell.Start(view), TStartOutcome::Locked);
    ASSERT_EQ(dialog.shown.size(), 2u);
    EXPECT_EQ(dialog.shown[0], "Отсутствует " + shell.DM().DB.PathR + "TableBDE.so");
    EXPECT_EQ(dialog.shown[1],
              "Критическая ошибка изменения структуры базы данных.(возможно нет dll для BDE)");
    EXPECT_TRUE(shell.MenuVid().locked);
    EXPECT_EQ(godSetting("Database", "Vers"), "0");
}

// A database of the legacy format, converted by the stand-in library: its
// tables lack the group name field, so the next step fails.
TEST_F(ShellTest, TheLegacyConversionRecordsVersionTwoAndTheLadderGoesOn) {
    fs::remove_all(db());
    fs::create_directories(db());
    fs::copy_file(ZAVLIN_FAKE_CONVERTER, home.path() / "TableBDE.so");
    for (const char* name : kYearTables) {
        const std::string base = tableBaseName(name);
        std::ofstream(db() / (base + ".db")) << base << "-1\n";
        std::ofstream(db() / (base + ".px")) << "x";
        std::ofstream(db() / (base + ".mb")) << "x";
    }
    TScriptedDialog yes(true);
    TShell shell(home.path(), yes);
    EXPECT_EQ(shell.Start(view), TStartOutcome::Terminate);
    ASSERT_EQ(yes.asked.size(), 1u);
    EXPECT_EQ(yes.asked[0], "Для преобразования таблиц будет загружена библиотека " +
                                shell.DM().DB.PathR + "TableBDE.so. Загрузить?");
    EXPECT_TRUE(view.saw("Реструктуризация YmGod.b0"));
    EXPECT_TRUE(view.saw("Реструктуризация YmAtribyt.b0"));
    // The settings file of the database is new as well.
    EXPECT_EQ(yes.shown, (std::vector<std::string>{
                             "Фаил не обнаружен: " + shell.DM().DB.PathF + "god.Ini Создаю новый",
                             "В таблице YmGryp нет поля Gryp",
                             "Критическая ошибка изменения структуры базы данных. Версия=2."}));
    EXPECT_EQ(godSetting("Database", "Vers"), "2");
    EXPECT_FALSE(fs::exists(db() / "YmGod.db"));
}

TEST_F(ShellTest, ARefusedConverterLocksTheShell) {
    setGod("Database", "Vers", "1");
    fs::copy_file(ZAVLIN_FAKE_CONVERTER, home.path() / "TableBDE.so");
    const auto before = tableBytes(db());
    TShell shell(home.path(), dialog);
    EXPECT_EQ(shell.Start(view), TStartOutcome::Locked);
    EXPECT_EQ(dialog.asked.size(), 1u);
    EXPECT_EQ(
        dialog.shown,
        (std::vector<std::string>{
            "Библиотека " + shell.DM().DB.PathR + "TableBDE.so не загружена",
            "Критическая ошибка изменения структуры базы данных.(возможно нет dll для BDE)"}));
    EXPECT_EQ(godSetting("Database", "Vers"), "1");
    EXPECT_EQ(tableBytes(db()), before);
}

// Catches a ladder that stops after one step or does not record each.
TEST_F(ShellTest, VersionsTwoAndThreeClimbToFour) {
    replaceTable({"YmGryp.b0",
                  {{"N", ftAutoInc, 0},
                   {"God", ftInteger, 0},
                   {"Gryp", ftString, 5},
                   {"RunDay", ftInteger, 0},
                   {"Dan", ftBlob, 0}}});
    replaceTable({"YmDom.b0", {{"N", ftAutoInc, 0}, {"God", ftInteger, 0}, {"Dom", ftString, 48}}});
    setGod("Database", "Vers", "2");
    {
        TShell shell(home.path(), dialog);
        EXPECT_EQ(shell.Start(view), TStartOutcome::Running);
        EXPECT_TRUE(dialog.shown.empty()) << dialog.shown.front();
        EXPECT_EQ(godSetting("Database", "Vers"), "4");
    }
    TScriptedDialog quiet;
    TDM1 dm(home.path(), quiet);
    dm.AT1.SetTableName("YmGryp.b0");
    ASSERT_TRUE(dm.AT1.Open());
    EXPECT_EQ(dm.AT1.FieldByName("Gryp")->Size(), 18);
    dm.AT1.Close();
    dm.AT1.SetTableName("YmDom.b0");
    ASSERT_TRUE(dm.AT1.Open());
    EXPECT_NE(dm.AT1.FieldByName("Color"), nullptr);
    dm.AT1.Close();
}

// Catches a failed structure step that lets the program go on.
TEST_F(ShellTest, FailedStructureStepsTerminate) {
    replaceTable({"YmGryp.b0", {{"N", ftAutoInc, 0}, {"God", ftInteger, 0}}});
    setGod("Database", "Vers", "2");
    {
        TShell shell(home.path(), dialog);
        EXPECT_EQ(shell.Start(view), TStartOutcome::Terminate);
        ASSERT_FALSE(dialog.shown.empty());
        EXPECT_EQ(dialog.shown.back(),
                  "Критическая ошибка изменения структуры базы данных. Версия=2.");
        EXPECT_FALSE(shell.GoodStart());
        EXPECT_GE(view.hidden, 1);
        shell.Close(false, nullptr, nullptr);
    }
    EXPECT_EQ(godSetting("Database", "Vers"), "2");

    for (const auto& e : fs::directory_iterator(db()))
        if (e.path().stem() == "YmDom") fs::remove(e.path());
    setGod("Database", "Vers", "3");
    TScriptedDialog second;
    TShell shell(home.path(), second);
    EXPECT_EQ(shell.Start(view), TStartOutcome::Terminate);
    ASSERT_FALSE(second.shown.empty());
    EXPECT_EQ(second.shown.back(), "Критическая ошибка изменения структуры базы данных. Версия=3.");
    EXPECT_EQ(godSetting("Database", "Vers"), "3");
}

// --- unclean end, damaged and missing databases

// Catches a crash marker ignored, a clean end re-indexed for nothing, the
// tables' names not reaching the splash, and "End" not set while running.
TEST_F(ShellTest, AnUncleanEndReindexesEveryTableACleanOneNone) {
    addYear(2016, {{"Иванов Иван Иванович"}, {"ИС-11"}, {"Матем"}, {}, {}});
    setMain("Program", "End", "Start");
    {
        TShell shell(home.path(), dialog);
        ASSERT_EQ(shell.Start(view), TStartOutcome::Running);
        for (const std::string& name : shell.DM().DB.ListReIndex)
            EXPECT_TRUE(view.saw("Реиндексация " + name)) << name;
        EXPECT_EQ(mainSetting("Program", "End"), "Start");
        EXPECT_TRUE(dialog.shown.empty());
        shell.Close(false, nullptr, nullptr);
    }
    EXPECT_EQ(mainSetting("Program", "End"), "OK");
    EXPECT_EQ(storedTeachers(2016), (std::vector<std::string>{"Иванов Иван Иванович"}));

    RecordingView clean;
    TShell shell(home.path(), dialog);
    ASSERT_EQ(shell.Start(clean), TStartOutcome::Running);
    for (const std::string& text : clean.texts)
        EXPECT_NE(text.rfind("Реиндексация ", 0), 0u) << text;
}

void spoil(const fs::path& table) {
    std::ofstream out(table, std::ios::binary | std::ios::trunc);
    out << "this is no table at all";
}

// Catches a damaged table at start-up that crashes, throws or lets the
// program run on it.
TEST_F(ShellTest, ADamagedYearListLocksTheShellWithOneMessage) {
    addYear(2016);
    spoil(db() / "YmGod.b0");
    TShell shell(home.path(), dialog);
    EXPECT_EQ(shell.Start(view), TStartOutcome::Locked);
    EXPECT_EQ(dialog.shown, (std::vector<std::string>{"Ошибка чтения списка учебных годов " +
                                                      shell.DM().TablePath("YmGod.b0").string()}));
    EXPECT_TRUE(shell.MenuVid().locked);
    EXPECT_GE(view.hidden, 1);
    shell.Close(
        true, [] { return true; }, [] {});
    EXPECT_EQ(mainSetting("Program", "End"), "Start");
}

// Catches a year that loads half (the windows would save the half over the
// whole) and a failure that shows nothing.
TEST_F(ShellTest, AnUnreadableTableOfTheActiveYearLocksTheShell) {
    addYear(2016, {{"Петров Пётр Петрович"}, {"ИС-11"}, {}, {}, {}});
    setGod("God", "ActivGod", "2016");
    spoil(db() / "YmFio.b0");
    TShell shell(home.path(), dialog);
    EXPECT_EQ(shell.Start(view), TStartOutcome::Locked);
    EXPECT_EQ(dialog.shown,
              (std::vector<std::string>{
                  "Ошибка чтения данных учебного года 2016-2017. Таблицы: YmFio.b0"}));
    EXPECT_EQ(shell.God(), nullptr);
    EXPECT_TRUE(shell.MenuVid().locked);
}

TEST_F(ShellTest, AChosenYearThatDoesNotReadIsNotKeptActive) {
    addYear(2016, {{"Петров Пётр Петрович"}, {"ИС-11"}, {}, {}, {}});
    TShell shell(home.path(), dialog);
    ASSERT_EQ(shell.Start(view), TStartOutcome::Running);
    ASSERT_EQ(shell.God(), nullptr);
    spoil(db() / "YmGryp.b0");
    EXPECT_FALSE(shell.ChooseYear(0, view));
    EXPECT_EQ(dialog.shown,
              (std::vector<std::string>{
                  "Ошибка чтения данных учебного года 2016-2017. Таблицы: YmGryp.b0"}));
    EXPECT_EQ(shell.God(), nullptr);
    EXPECT_EQ(shell.ActiveYearIndex(), -1);
    EXPECT_FALSE(shell.MenuVid().yearMenus);
    EXPECT_EQ(godSetting("God", "ActivGod"), "0");
}

TEST_F(ShellTest, ADamagedTableAfterAnUncleanEndNamesItAndLocks) {
    addYear(2016);
    setMain("Program", "End", "Start");
    fs::remove(db() / "YmFio.b0");
    TShell shell(home.path(), dialog);
    EXPECT_EQ(shell.Start(view), TStartOutcome::Locked);
    EXPECT_EQ(dialog.shown, (std::vector<std::string>{"Отсутствует фаил. YmFio.b0"}));
    EXPECT_TRUE(shell.MenuVid().locked);
}

// Another program working on the database (a composition from the command
// line): the start-up must neither wait for ever nor work beside it.
TEST_F(ShellTest, ADatabaseHeldByAnotherProgramLocksTheShell) {
    setMain("Program", "End", "Start");
    const char* old = std::getenv("ZAVLIN_LOCK_WAIT_MS");
    const std::string saved = old != nullptr ? old : "";
    ASSERT_EQ(setenv("ZAVLIN_LOCK_WAIT_MS", "0", 1), 0);
    // Locks are shared inside one process: the holder is a child.
    int taken[2];
    int release[2];
    ASSERT_EQ(pipe(taken), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(taken[0]);
        close(release[1]);
        TScriptedDialog quiet;
        TDM1 other(home.path(), quiet);
        const TDatabaseLock held(other, LockKind::Exclusive);
        const char ok = held.Held() ? '1' : '0';
        char end = 0;
        if (write(taken[1], &ok, 1) != 1 || read(release[0], &end, 1) < 0) _exit(2);
        _exit(0);
    }
    close(taken[1]);
    close(release[0]);
    char ok = 0;
    ASSERT_EQ(read(taken[0], &ok, 1), 1);
    EXPECT_EQ(ok, '1');
    {
        TShell shell(home.path(), dialog);
        EXPECT_EQ(shell.Start(view), TStartOutcome::Locked);
        ASSERT_EQ(dialog.shown.size(), 1u);
        EXPECT_NE(dialog.shown[0].find("База данных занята"), std::string::npos) << dialog.shown[0];
        EXPECT_FALSE(view.saw("Реиндексация YmGod.b0"));
    }
    close(release[1]);
    close(taken[0]);
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(mainSetting("Program", "End"), "Start");
    if (old != nullptr)
        (void)setenv("ZAVLIN_LOCK_WAIT_MS", saved.c_str(), 1);
    else
        (void)unsetenv("ZAVLIN_LOCK_WAIT_MS");
}

TEST_F(ShellTest, NoDatabaseFolderGivesOneMessage) {
    fs::remove_all(db());
    TShell shell(home.path(), dialog);
    EXPECT_EQ(shell.Start(view), TStartOutcome::Locked);
    EXPECT_EQ(dialog.shown,
              (std::vector<std::string>{"Отсутствует папка базы данных " + shell.DM().DB.PathF}));
    EXPECT_FALSE(fs::exists(db()));
}

// A crash between the two renames of a restore leaves the restored copy
// beside the old database and no "Database": the start-up puts the restored
// one in place before it opens a table.
TEST_F(ShellTest, ARestoreCutBetweenItsRenamesIsFinishedFirst) {
    setGod("Restored", "Mark", "1");
    fs::copy(db(), home.path() / "Database.restoring", fs::copy_options::recursive);
    setGod("Restored", "Mark", "0");
    fs::rename(db(), home.path() / "Database.old");
    TShell shell(home.path(), dialog);
    EXPECT_EQ(shell.Start(view), TStartOutcome::Running);
    EXPECT_EQ(dialog.shown,
              (std::vector<std::string>{"Прерванное восстановление базы данных завершено."}));
    EXPECT_EQ(godSetting("Restored", "Mark"), "1");
    EXPECT_FALSE(fs::exists(home.path() / "Database.old"));
    EXPECT_FALSE(fs::exists(home.path() / "Database.restoring"));
}

// A first start: no settings at all and an empty database folder. The
// ladder starts from the legacy step, which has no converter here.
TEST_F(ShellTest, AFirstStartOnAnEmptyFolderRecordsTheDateAndLocks) {
    fs::remove_all(db());
    fs::remove(home.path() / "Zavlin98.ini");
    fs::create_directories(db());
    TShell shell(home.path(), dialog);
    EXPECT_EQ(shell.Start(view), TStartOutcome::Locked);
    ASSERT_FALSE(dialog.shown.empty());
    EXPECT_EQ(dialog.shown.back(),
              "Критическая ошибка изменения структуры базы данных.(возможно нет dll для BDE)");
    EXPECT_NE(mainSetting("VersProgram", "DateIns"), "");
    EXPECT_EQ(godSetting("Database", "VersApplication"), ApplicationVersion());
}

// --- years and weeks

TEST_F(ShellTest, YearsAreSortedAndTheActiveOneIsLoaded) {
    addYear(2016);
    addYear(2014);
    addYear(2015, {{"Петров Пётр Петрович", "Сидоров Сидор Сидорович"},
                   {"ИС-11", "ИС-12", "Эк-1"},
                   {"Матем"},
                   {"101", "102"},
                   {}});
    setGod("God", "ActivGod", "2015");
    const std::string installed = "45000";
    setMain("VersProgram", "DateIns", installed);

    TShell shell(home.path(), dialog);
    ASSERT_EQ(shell.Start(view), TStartOutcome::Running);
    EXPECT_TRUE(shell.GoodStart());
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_EQ(mainSetting("VersProgram", "DateIns"), installed);

    const auto items = shell.YearItems();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].text, "2014-2015");
    EXPECT_EQ(items[0].year, 2014);
    EXPECT_EQ(items[1].text, "2015-2016");
    EXPECT_EQ(items[2].text, "2016-2017");
    EXPECT_EQ(shell.ActiveYearIndex(), 1);
    // The year's loading speaks on the splash.
    EXPECT_TRUE(view.saw("Чтение YmFio.b0"));
    EXPECT_TRUE(view.saw("Чтение расписания"));
    ASSERT_NE(shell.God(), nullptr);
    EXPECT_EQ(shell.God()->YGod, 2015);

    const TMenuFacts facts = shell.Facts();
    EXPECT_TRUE(facts.yearActive);
    EXPECT_EQ(facts.teachers, 2);
    EXPECT_EQ(facts.groups, 3);
    EXPECT_EQ(facts.subjects, 1);
    EXPECT_EQ(facts.rooms, 2);
    EXPECT_EQ(facts.attributes, 0);
    // No week was stored: the list makes week 1 active.
    EXPECT_EQ(facts.activeWeeks, 1);
    EXPECT_EQ(facts.activeRealWeeks, 1);

    const TMenuState state = shell.MenuVid();
    EXPECT_FALSE(state.locked);
    EXPECT_TRUE(state.godMenu);
    EXPECT_TRUE(state.deleteYear);
    EXPECT_TRUE(state.yearMenus);
    EXPECT_TRUE(state.toolPanel);
    EXPECT_TRUE(state.weekList);
    EXPECT_TRUE(state.plusMinus);
    EXPECT_TRUE(state.backupCopy);

    // 1 September 2015 is a Tuesday: week 1 runs from Monday 31 August.
    const auto weeks = shell.WeekTexts();
    ASSERT_EQ(weeks.size(), 56u);
    EXPECT_EQ(weeks[0], shell.God()->GetNumberWeek(1) + " c 31/08/15 по 6/09/15");
    EXPECT_EQ(weeks[1], shell.God()->GetNumberWeek(2) + " c 7/09/15 по 13/09/15");
    EXPECT_EQ(weeks[51], shell.God()->GetNumberWeek(52) + " c 22/08/16 по 28/08/16");
    EXPECT_EQ(weeks[52], "1Допонительная");
    EXPECT_EQ(weeks[55], "4Допонительная");
}

TEST_F(ShellTest, WithoutYearsNothingIsActive) {
    TShell shell(home.path(), dialog);
    ASSERT_EQ(shell.Start(view), TStartOutcome::Running);
    EXPECT_EQ(godSetting("God", "RunSubb"), "2");
    EXPECT_TRUE(shell.YearItems().empty());
    EXPECT_EQ(shell.ActiveYearIndex(), -1);
    EXPECT_TRUE(shell.WeekTexts().empty());
    EXPECT_FALSE(shell.Facts().yearActive);
    const TMenuState state = shell.MenuVid();
    EXPECT_FALSE(state.locked);
    EXPECT_TRUE(state.godMenu);
    EXPECT_FALSE(state.deleteYear);
    EXPECT_FALSE(state.yearMenus);
    EXPECT_FALSE(state.toolPanel);
    EXPECT_FALSE(state.weekList);
    EXPECT_FALSE(state.plusMinus);
    EXPECT_TRUE(state.backupCopy);
    // A named active year that is gone is no active year.
    setGod("God", "ActivGod", "2030");
    TShell again(home.path(), dialog);
    ASSERT_EQ(again.Start(view), TStartOutcome::Running);
    EXPECT_EQ(again.God(), nullptr);
}

TEST_F(ShellTest, ChoosingAYearLoadsItAndRemembersIt) {
    addYear(2014, {{"Петров Пётр Петрович"}, {}, {}, {}, {"Практика"}});
    addYear(2015);
    setGod("God", "ActivGod", "2015");
    TShell shell(home.path(), dialog);
    ASSERT_EQ(shell.Start(view), TStartOutcome::Running);
    RecordingView load;
    ASSERT_TRUE(shell.ChooseYear(0, load));
    EXPECT_EQ(shell.ActiveYearIndex(), 0);
    EXPECT_EQ(shell.Facts().teachers, 1);
    EXPECT_EQ(shell.Facts().attributes, 1);
    EXPECT_EQ(shell.God()->YGod, 2014);
    EXPECT_EQ(shell.WeekTexts()[0].substr(shell.God()->GetNumberWeek(1).size()),
              " c 1/09/14 по 7/09/14");
    EXPECT_FALSE(shell.ChooseYear(5, load));
    EXPECT_EQ(shell.God()->YGod, 2014);
    shell.Close(false, nullptr, nullptr);
    EXPECT_EQ(godSetting("God", "ActivGod"), "2014");
}

// Catches an empty selection stored (the person would lose the flags), the
// "+" button storing, and flags stored under another year.
TEST_F(ShellTest, WeekFlagsAreStoredOnlyForANonEmptySelection) {
    addYear(2016);
    setGod("God", "ActivGod", "2016");
    TShell shell(home.path(), dialog);
    ASSERT_EQ(shell.Start(view), TStartOutcome::Running);

    std::array<bool, kWeekItems> weeks{};
    weeks[0] = weeks[2] = weeks[53] = true;
    EXPECT_TRUE(shell.SetActiveWeeks(weeks, true));
    const std::string stored = "101" + std::string(50, '0') + "1" + "00";
    EXPECT_EQ(godSetting("YhGod2016", "Week"), stored);
    EXPECT_EQ(shell.ActiveWeeks(), weeks);
    EXPECT_EQ(shell.Facts().activeWeeks, 3);
    EXPECT_EQ(shell.Facts().activeRealWeeks, 2);
    EXPECT_EQ(shell.Facts().activeExtraWeeks, 1);

    // "-" and leaving the list.
    EXPECT_TRUE(shell.SetActiveWeeks({}, false));
    EXPECT_TRUE(shell.SetActiveWeeks({}, true));
    EXPECT_EQ(godSetting("YhGod2016", "Week"), stored);
    EXPECT_EQ(shell.Facts().activeWeeks, 0);

    // "+" selects everything without storing.
    std::array<bool, kWeekItems> all{};
    all.fill(true);
    EXPECT_TRUE(shell.SetActiveWeeks(all, false));
    EXPECT_EQ(shell.Facts().activeWeeks, 56);
    EXPECT_EQ(godSetting("YhGod2016", "Week"), stored);

    EXPECT_TRUE(shell.SetActiveWeeks({}, false));
    shell.EnsureActiveWeek();
    std::array<bool, kWeekItems> first{};
    first[0] = true;
    EXPECT_EQ(shell.ActiveWeeks(), first);

    // The stored flags come back with the year.
    {
        TShell again(home.path(), dialog);
        ASSERT_EQ(again.Start(view), TStartOutcome::Running);
        EXPECT_EQ(again.ActiveWeeks(), weeks);
    }

    // A settings file that cannot be replaced: said, not passed over.
    fs::create_directory(db() / "god.Ini.new");
    EXPECT_FALSE(shell.SetActiveWeeks(first, true));
    EXPECT_EQ(dialog.shown, (std::vector<std::string>{"Ошибка записи " +
                                                      shell.DM().FGodini.FullFileName().string()}));
}

// --- new and deleted years

TEST_F(ShellTest, ANewYearCopiesTheNearestEarlierYear) {
    addYear(2013, {{"Старый Учитель Тринадцатый"}, {"А-1"}, {"Химия"}, {}, {}});
    addYear(2014, {{"Новый Учитель Четырнадцатый"}, {"Б-1", "Б-2"}, {"Физика"}, {"201"}, {}});
    addYear(2017, {{"Будущий Учитель"}, {}, {}, {}, {}});
    setGod("God", "ActivGod", "2013");
    TShell shell(home.path(), dialog);
    ASSERT_EQ(shell.Start(view), TStartOutcome::Running);

    RecordingView copy;
    EXPECT_EQ(shell.NewYear(2015, copy), TNewYearResult::Created);
    EXPECT_TRUE(dialog.shown.empty());
    ASSERT_NE(shell.God(), nullptr);
    EXPECT_EQ(shell.God()->YGod, 2015);
    EXPECT_EQ(shell.YearItems()[static_cast<std::size_t>(shell.ActiveYearIndex())].text,
              "2015-2016");
    const TMenuFacts facts = shell.Facts();
    EXPECT_EQ(facts.teachers, 1);
    EXPECT_EQ(facts.groups, 2);
    EXPECT_EQ(facts.subjects, 1);
    EXPECT_EQ(facts.rooms, 1);
    for (const char* text : {"Факультеты", "Предметы", "Предмет Физика", "Преподаватели", "Группы",
                             "Группа Б-1", "Здания"})
        EXPECT_TRUE(copy.saw(text)) << text;
    EXPECT_TRUE(std::any_of(copy.texts.begin(), copy.texts.end(), [](const std::string& t) {
        return t.rfind("Преподаватель Новый", 0) == 0;
    }));
    EXPECT_EQ(storedTeachers(2015), (std::vector<std::string>{"Новый Учитель Четырнадцатый"}));
    EXPECT_EQ(storedTeachers(2014), (std::vector<std::string>{"Новый Учитель Четырнадцатый"}));

    // Only later years: nothing to copy from.
    RecordingView none;
    EXPECT_EQ(shell.NewYear(2012, none), TNewYearResult::Created);
    EXPECT_EQ(shell.God()->YGod, 2012);
    EXPECT_EQ(shell.Facts().teachers, 0);
    EXPECT_FALSE(none.saw("Преподаватели"));
    EXPECT_EQ(storedTeachers(2012), std::vector<std::string>{});
    EXPECT_EQ(shell.YearItems().size(), 5u);
    EXPECT_EQ(godSetting("God", "ActivGod"), "2012");
}

TEST_F(ShellTest, AnExistingYearIsRefused) {
    addYear(2014, {{"Петров Пётр Петрович"}, {}, {}, {}, {}});
    setGod("God", "ActivGod", "2014");
    TShell shell(home.path(), dialog);
    ASSERT_EQ(shell.Start(view), TStartOutcome::Running);
    const auto before = tableBytes(db());
    EXPECT_EQ(shell.NewYear(2014, view), TNewYearResult::Exists);
    EXPECT_EQ(dialog.shown, (std::vector<std::string>{"2014- Год уже существует!"}));
    EXPECT_EQ(shell.YearItems().size(), 1u);
    EXPECT_EQ(tableBytes(db()), before);
    EXPECT_EQ(storedTeachers(2014), (std::vector<std::string>{"Петров Пётр Петрович"}));
}

// Catches a "Нет" that still deletes, a backup skipped or run too early,
// a wrong caption, and a year left in the list or on disk.
TEST_F(ShellTest, DeletingAYearAsksTwiceBacksUpAndDeletes) {
    addYear(2014, {{"Петров Пётр Петрович"}, {"ИС-11"}, {}, {}, {}});
    addYear(2015, {{"Сидоров Сидор Сидорович"}, {}, {}, {}, {}});
    setGod("God", "ActivGod", "2014");
    CaptionDialog ask;
    TShell shell(home.path(), ask);
    ASSERT_EQ(shell.Start(view), TStartOutcome::Running);
    const std::pair<std::string, std::string> first = {
        "Удалив учебный год вы лишаетесь всех данных этого года(фамилии, предметы..).Продолжить?",
        "Предупреждение"};
    const std::pair<std::string, std::string> second = {"Удалить  год? (2014-2015)", "Информация"};
    int backups = 0;
    const auto backup = [&] {
        ++backups;
        return true;
    };

    ask.answers = {false};
    EXPECT_FALSE(shell.DeleteActiveYear(view, backup));
    EXPECT_EQ(ask.asked, (std::vector<std::pair<std::string, std::string>>{first}));
    ask.answers = {true, false};
    ask.asked.clear();
    EXPECT_FALSE(shell.DeleteActiveYear(view, backup));
    EXPECT_EQ(ask.asked, (std::vector<std::pair<std::string, std::string>>{first, second}));
    EXPECT_EQ(backups, 0);
    EXPECT_EQ(shell.YearItems().size(), 2u);
    EXPECT_EQ(storedTeachers(2014), (std::vector<std::string>{"Петров Пётр Петрович"}));

    // A backup that failed or was cancelled (or none at all) keeps the year:
    // the closing message would point to a restore that has nothing.
    for (const std::function<bool()>& failed : {std::function<bool()>([&] {
                                                    ++backups;
                                                    return false;
                                                }),
                                                std::function<bool()>()}) {
        ask.answers = {true, true};
        ask.shown.clear();
        EXPECT_FALSE(shell.DeleteActiveYear(view, failed));
        EXPECT_EQ(ask.shown,
                  (std::vector<std::string>{"Резервная копия не создана. Учебный год не удалён."}));
        EXPECT_EQ(shell.YearItems().size(), 2u);
        ASSERT_NE(shell.God(), nullptr);
        EXPECT_EQ(shell.God()->YGod, 2014);
        EXPECT_EQ(storedTeachers(2014), (std::vector<std::string>{"Петров Пётр Петрович"}));
    }
    EXPECT_EQ(backups, 1);
    backups = 0;
    ask.shown.clear();

    ask.answers = {true, true};
    RecordingView work;
    // The backup must see the year still there.
    const auto checkedBackup = [&] {
        ++backups;
        EXPECT_EQ(storedTeachers(2014), (std::vector<std::string>{"Петров Пётр Петрович"}));
        return true;
    };
    EXPECT_TRUE(shell.DeleteActiveYear(work, checkedBackup));
    EXPECT_EQ(backups, 1);
    EXPECT_EQ(ask.shown, (std::vector<std::string>{
                             "Если удаление ошибочно то воспользуйтесь Резервным востановлением.",
                             "Выберите(выделите)или введите новый активный учебный год."}));
    ASSERT_EQ(shell.YearItems().size(), 1u);
    EXPECT_EQ(shell.YearItems()[0].year, 2015);
    EXPECT_EQ(shell.God(), nullptr);
    EXPECT_EQ(shell.ActiveYearIndex(), -1);
    EXPECT_FALSE(shell.MenuVid().yearMenus);
    EXPECT_FALSE(shell.MenuVid().deleteYear);
    EXPECT_TRUE(work.saw("Реиндексация YmFio.b0"));
    EXPECT_EQ(storedTeachers(2014), (std::vector<std::string>{"(no year)"}));
    EXPECT_EQ(storedTeachers(2015), (std::vector<std::string>{"Сидоров Сидор Сидорович"}));

    // Nothing active: nothing to delete, nothing asked.
    ask.asked.clear();
    EXPECT_FALSE(shell.DeleteActiveYear(view, backup));
    EXPECT_TRUE(ask.asked.empty());
}

// --- closing

TEST_F(ShellTest, CloseMarksACleanEndAndRemindsOnlyTheUser) {
    addYear(2016);
    setGod("God", "ActivGod", "2016");
    {
        TShell shell(home.path(), dialog);
        ASSERT_EQ(shell.Start(view), TStartOutcome::Running);
        ASSERT_TRUE(shell.ChooseYear(0, view));
        int asked = 0;
        shell.Close(
            false, [&] { return ++asked > 0; }, [] { ADD_FAILURE(); });
        EXPECT_EQ(asked, 0);
        EXPECT_FALSE(shell.FClickExitUser);
    }
    EXPECT_EQ(mainSetting("Program", "End"), "OK");
    EXPECT_EQ(godSetting("Database", "Vers"), "4");
    EXPECT_EQ(godSetting("God", "ActivGod"), "2016");

    TShell shell(home.path(), dialog);
    ASSERT_EQ(shell.Start(view), TStartOutcome::Running);
    EXPECT_EQ(mainSetting("Program", "End"), "Start");
    bool userAtReminder = false;
    bool hiddenAtReminder = false;
    int ran = 0;
    int hidden = 0;
    shell.Close(
        true,
        [&] {
            userAtReminder = shell.FClickExitUser;
            hiddenAtReminder = hidden == 1;
            return true;
        },
        [&] { ++ran; },
        [&] {
            // The year list is gone first: its active year is stored.
            EXPECT_EQ(shell.AllGod(), nullptr);
            ++hidden;
        });
    EXPECT_TRUE(userAtReminder);
    EXPECT_TRUE(hiddenAtReminder);
    EXPECT_EQ(hidden, 1);
    EXPECT_EQ(ran, 1);
    EXPECT_FALSE(shell.FClickExitUser);
    EXPECT_EQ(mainSetting("Program", "End"), "OK");

    // A declined reminder runs nothing.
    TShell third(home.path(), dialog);
    ASSERT_EQ(third.Start(view), TStartOutcome::Running);
    third.Close(
        true, [] { return false; }, [&] { ++ran; });
    EXPECT_EQ(ran, 1);
}

}  // namespace
}  // namespace zavlin::shell
