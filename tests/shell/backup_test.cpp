// Backup and restore of the database folder: the block copy's result codes,
// the log's bytes, the reminder's dates, and a restore cut short at every
// file operation.
#include "shell/backup.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>

#include "base/datetime.h"
#include "model/god.h"
#include "settings/settings_file.h"
#include "storage/year_database.h"
#include "support/files.h"
#include "support/scoped_env.h"
#include "support/scratch_home.h"

namespace zavlin::shell {
namespace {

namespace fs = std::filesystem;
using testsupport::ScopedEnv;
using testsupport::ScratchHome;

using testsupport::readFile;
using testsupport::writeFile;

// 8 December 2026 03:05:07.
double fixedMoment() {
    return encodeDate(2026, 12, 8) + encodeTime(3, 5, 7, 0);
}

// ---- TMySystem -------------------------------------------------------------

TEST(MySystemCopy, CopiesInBlocksWithTheirEvents) {
    ScratchHome home("copy");
    writeFile(home.path() / "src.bin", "0123456789");
    TMySystem sys;
    sys.CountCopyByte = 4;
    int maxPos = -1, steps = 0, after = 0;
    sys.onBeforeCopy = [&](int m) { maxPos = m; };
    sys.onStrepIt = [&] { ++steps; };
    sys.onAfterCopy = [&] { ++after; };
    const fs::path to = home.path() / "new" / "deeper" / "dst.bin";
    ASSERT_EQ(sys.CopyFile((home.path() / "src.bin").string(), to.string()), 0);
    EXPECT_EQ(readFile(to), "0123456789");
    EXPECT_EQ(maxPos, 3);  // 10 div 4 + 1
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(after, 1);
    EXPECT_EQ(sys.IOResultString(), "Ok ");
}

TEST(MySystemCopy, NamesEveryFailureWithItsCodeAndDetail) {
    ScratchHome home("copycodes");
    const std::string src = (home.path() / "src.bin").string();
    writeFile(src, "0123456789");
    const std::string dst = (home.path() / "dst.bin").string();
    TMySystem sys;

    EXPECT_EQ(sys.CopyFile("", dst), 2);
    EXPECT_EQ(sys.CopyFile(src, home.str() + "/"), 2);
    EXPECT_EQ(sys.IOResultString(), "Ошибочное имя файла " + home.str() + "/");

    EXPECT_EQ(sys.CopyFile(src, "/no_such_root_zavlin/a/b.bin"), 5);
    EXPECT_EQ(sys.IOResultString(), "Диск не доступен /no_such_root_zavlin");

    // A folder cannot be made below a file.
    EXPECT_EQ(sys.CopyFile(src, src + "/sub/x.bin"), 7);
    EXPECT_EQ(sys.IOResultString(), "Ошибка создания каталога " + src + "/sub");

    EXPECT_EQ(sys.CopyFile(home.str(), dst), 1);
    EXPECT_EQ(sys.IOResultString(), "Файл не найден " + home.str());

    EXPECT_EQ(sys.CopyFile(src + ".missing", dst), 10);
    EXPECT_EQ(sys.IOResultString(), "Файл занят другим приложением " + src + ".missing");

    sys.FreeSpace = [](const std::string&) { return std::optional<uint64_t>(9); };
    EXPECT_EQ(sys.CopyFile(src, dst), 4);
    EXPECT_EQ(sys.IOResultString(), "Диск переполнен \"" + home.str() + "\"");
    EXPECT_FALSE(fs::exists(dst));
    sys.FreeSpace = nullptr;

    sys.CountCopyByte = 0;
    EXPECT_EQ(sys.CopyFile(src, dst), 9);
    EXPECT_EQ(sys.IOResultString(), "Ошибка записи " + src + " " + dst);
}

TEST(MySystemCopy, DiskFailuresGiveReadAndWriteCodesAndTheSyncCounts) {
    ScratchHome home("copyfaults");
    const std::string src = (home.path() / "src.bin").string();
    writeFile(src, "0123456789");
    const std::string dst = (home.path() / "dst.bin").string();
    // open source, open target, read, write, read, write, read, write, sync
    const std::vector<std::pair<uint64_t, int>> expected = {{1, 10}, {2, 6}, {3, 3}, {4, 6},
                                                            {7, 3},  {8, 6}, {9, 6}, {10, 0}};
    for (const auto& [n, code] : expected) {
        FaultInjectingFileSystem faulty;
        faulty.failAt(n, false);
        TMySystem sys(faulty);
        sys.CountCopyByte = 4;
        EXPECT_EQ(sys.CopyFile(src, dst), code) << "operation " << n;
        if (code == 3) {
            EXPECT_EQ(sys.IOResultString(), "Ошибка чтения с диска " + src);
        }
        if (code == 6) {
            EXPECT_EQ(sys.IOResultString(), "Ошибка записи на диск " + dst);
        }
    }
}

TEST(MySystemFolders, ListsSortedPlainFilesAndDeletesTrees) {
    ScratchHome home("listing");
    writeFile(home.path() / "b.b0", "x");
    writeFile(home.path() / "a.b0", "x");
    writeFile(home.path() / "c.ini", "x");
    fs::create_directories(home.path() / "z.b0");
    fs::create_symlink(home.path() / "c.ini", home.path() / "link.b0");
    EXPECT_EQ(TMySystem::GetNameFileOfPath(home.str(), "*.b0"),
              (std::vector<std::string>{"a.b0", "b.b0"}));
    EXPECT_EQ(TMySystem::GetNameFileOfPath(home.str(), "*.*"),
              (std::vector<std::string>{"a.b0", "b.b0", "c.ini"}));

    writeFile(home.path() / "tree" / "x" / "y" / "f", "x");
    writeFile(home.path() / "tree" / "g", "x");
    TMySystem sys;
    EXPECT_TRUE(sys.DeleteDir((home.path() / "tree").string()));
    EXPECT_FALSE(fs::exists(home.path() / "tree"));
    EXPECT_TRUE(fs::exists(home.path() / "a.b0"));
}

// ---- TCopyFileBaza: settings and the reminder --------------------------------

TEST(BackupDates, TextOfTheMomentAndFirstUse) {
    EXPECT_EQ(BackupDateText(fixedMoment()), "08.12.2026 03ч:05м:07с");
    ScratchHome home("dates");
    TScriptedDialog dialog;
    TCopyFileBaza baza(home.path(), dialog);
    baza.ReadSettings();
    EXPECT_EQ(baza.DateCopyText(), "не производилось.");
    EXPECT_EQ(baza.PathCopy, (home.path() / "REM").string());
}

class ReminderTest : public ::testing::Test {
protected:
    void storeLastDate(int days) {
        TScriptedDialog quiet;
        TCoreHooks hooks(quiet);
        TFileIni ini(hooks, home.path());
        ini.SetFileName("Zavlin98.ini");
        ASSERT_TRUE(ini.WriteDate("CopyToArxiv", "LastDate", days));
    }
    // Whether the question came, and what TestNewCopy said after a "Да".
    std::pair<bool, bool> remindAt(double now, int nextCopy = 7) {
        TScriptedDialog dialog(true);
        TCopyFileBaza baza(home.path(), dialog);
        baza.Now = [now] { return now; };
        baza.NextCopy = nextCopy;
        const bool result = baza.TestNewCopy();
        if (!dialog.asked.empty()) {
            EXPECT_EQ(dialog.asked.front(), "Резервное копирование было более " +
                                                std::to_string(nextCopy) +
                                                " дней назад. Копировать?");
        }
        return {!dialog.asked.empty(), result};
    }
    ScratchHome home{"reminder"};
};

TEST_F(ReminderTest, DueFromTheSeventhDayNeverWhenSwitchedOff) {
    const int last = encodeDate(2026, 12, 1);
    storeLastDate(last);
    EXPECT_EQ(remindAt(last + 6 + 0.99), std::make_pair(false, false));
    EXPECT_EQ(remindAt(last + 7 + 0.01), std::make_pair(true, true));
    EXPECT_EQ(remindAt(last + 8 + 0.5), std::make_pair(true, true));
    EXPECT_EQ(remindAt(last + 800, -1), std::make_pair(false, false));
}

TEST_F(ReminderTest, NoBackupYetIsDueAtOnce) {
    EXPECT_EQ(remindAt(fixedMoment()), std::make_pair(true, true));
}

// ---- TCopyFileBaza: the copy ---------------------------------------------------

class BackupCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(db() / "a.b0", "AAAA");
        writeFile(db() / "b.txt", "BB");
        writeFile(db() / "_COPYBASE.LOG", "old log");
        writeFile(db() / "db.lock", "");
        fs::create_directories(db() / "sub");
        // The start-up has made the settings file (a missing one is announced).
        writeFile(home.path() / "Zavlin98.ini", "");
    }
    fs::path db() const { return home.path() / "Database"; }
    std::unique_ptr<TCopyFileBaza> baza(TMyDialog& dialog, FileSystem& fsys = realFileSystem()) {
        auto b = std::make_unique<TCopyFileBaza>(home.path(), dialog, fsys);
        b->Now = fixedMoment;
        b->PauseMs = 0;
        b->ReadSettings();
        b->PathCopy = (backup.path() / "REM").string();
        return b;
    }
    fs::path rem() const { return backup.path() / "REM"; }
    ScratchHome home{"bkhome"};
    ScratchHome backup{"bktarget"};
};

TEST_F(BackupCopyTest, CopiesTheFilesAndWritesTheLogInCp1251) {
    TScriptedDialog dialog;
    auto b = baza(dialog);
    ASSERT_TRUE(b->Copy(nullptr));
    EXPECT_EQ(readFile(rem() / "Database" / "a.b0"), "AAAA");
    EXPECT_EQ(readFile(rem() / "Database" / "b.txt"), "BB");
    // Never the log, the locks or a folder.
    EXPECT_EQ(TMySystem::GetNameFileOfPath((rem() / "Database").string(), "*.*"),
              (std::vector<std::string>{"a.b0", "b.txt"}));
    EXPECT_FALSE(fs::exists(rem() / "Database" / "sub"));

    const std::string h = db().string();
    const std::string r = (rem() / "Database").string();
    // "Последнее копирование:" "08.12.2026 03ч:05м:07с", then the pairs with "из" and "в".
    const std::string expected =
        "\xCF\xEE\xF1\xEB\xE5\xE4\xED\xE5\xE5 \xEA\xEE\xEF\xE8\xF0\xEE\xE2\xE0\xED\xE8\xE5:"
        "08.12.2026 03\xF7:05\xEC:07\xF1\r\n"
        "1) \xE8\xE7 " +
        h + "/a.b0 \xE2 " + r +
        "/a.b0\r\n"
        "2) \xE8\xE7 " +
        h + "/b.txt \xE2 " + r + "/b.txt\r\n";
    EXPECT_EQ(readFile(db() / "_copybase.log"), expected);

    ASSERT_EQ(dialog.shown.size(), 2u);
    EXPECT_EQ(dialog.shown[0], "Создаю резервный каталог " + rem().string());
    EXPECT_EQ(dialog.shown[1], "Скопировано файлов -2");
    EXPECT_EQ(b->DateCopyText(), "08.12.2026 03ч:05м:07с");
    TScriptedDialog other;
    TCopyFileBaza again(home.path(), other);
    again.ReadSettings();
    EXPECT_EQ(again.DateCopyText(), "08.12.2026 03ч:05м:07с");
}

// A backup cut at the N-th file operation, by a crash or by one I/O error:
// once settled, the backup folder holds the previous backup or the new one,
// whole, never a mix.
TEST_F(BackupCopyTest, ACutRunLeavesThePreviousBackupOrTheNewOneWhole) {
    TScriptedDialog dialog;
    ASSERT_TRUE(baza(dialog)->Copy(nullptr));
    const fs::path old = backup.path() / "old";
    fs::copy(rem(), old, fs::copy_options::recursive);
    writeFile(db() / "a.b0", "NEW-AAAA");
    writeFile(db() / "b.txt", "NEW-BB");
    for (const bool crash : {true, false}) {
        for (uint64_t n = 1;; ++n) {
            fs::remove_all(rem());
            fs::copy(old, rem(), fs::copy_options::recursive);
            FaultInjectingFileSystem faulty;
            faulty.failAt(n, crash);
            TScriptedDialog d;
            auto b = baza(d, faulty);
            const bool ok = b->Copy(nullptr);
            std::string message;
            ASSERT_TRUE(FinishInterruptedBackup(rem().string(), realFileSystem(), message))
                << message;
            const std::string a = readFile(rem() / "Database" / "a.b0");
            const std::string bb = readFile(rem() / "Database" / "b.txt");
            EXPECT_TRUE((a == "AAAA" && bb == "BB") || (a == "NEW-AAAA" && bb == "NEW-BB"))
                << "operation " << n << (crash ? " (crash)" : "");
            if (ok) {
                EXPECT_EQ(a, "NEW-AAAA") << "operation " << n;
            }
            EXPECT_FALSE(fs::exists(rem() / "Database.copying")) << "operation " << n;
            EXPECT_FALSE(fs::exists(rem() / "Database.old")) << "operation " << n;
            if (!faulty.failed()) {
                EXPECT_TRUE(ok);
                break;
            }
            ASSERT_LT(n, 200u);
        }
    }
}

struct RecordingObserver : TBackupObserver {
    void FilesStart(int pairs) override { events += "files " + std::to_string(pairs) + ";"; }
    void FileStart(int index, const std::string& source) override {
        events += std::to_string(index) + " " + fs::path(source).filename().string() + ";";
        if (onFile) onFile();
    }
    void BlocksStart(int blocks) override { events += "blocks " + std::to_string(blocks) + ";"; }
    void BlockDone() override { events += "block;"; }
    void FileDone(int index) override { events += "done " + std::to_string(index) + ";"; }
    std::string events;
    std::function<void()> onFile;
};

TEST_F(BackupCopyTest, ReportsProgressAndAStopKeepsThePreviousBackup) {
    TScriptedDialog dialog;
    RecordingObserver seen;
    ASSERT_TRUE(baza(dialog)->Copy(&seen));
    EXPECT_EQ(seen.events, "files 2;0 a.b0;blocks 1;block;done 0;1 b.txt;blocks 1;block;done 1;");

    writeFile(db() / "a.b0", "NEW");
    std::atomic<bool> stop{false};
    RecordingObserver stopping;
    stopping.onFile = [&] { stop = true; };
    TScriptedDialog d;
    auto b = baza(d);
    b->Now = [] { return fixedMoment() + 9; };
    const std::string log = readFile(db() / "_copybase.log");
    EXPECT_FALSE(b->Copy(&stopping, &stop));
    EXPECT_EQ(readFile(rem() / "Database" / "a.b0"), "AAAA");
    // The log still tells of the backup that is there.
    EXPECT_EQ(readFile(db() / "_copybase.log"), log);
    EXPECT_FALSE(fs::exists(rem() / "Database.copying"));
    // Not a backup: the reminder still counts from the last one.
    EXPECT_EQ(b->DateCopyText(), "08.12.2026 03ч:05м:07с");
}

// Another process holds the database lock of home until told to let go.
class OtherHolder {
public:
    OtherHolder(const fs::path& db, LockKind kind) {
        if (::pipe(ready_) != 0 || ::pipe(release_) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            LockRefusal refusal;
            auto held = realFileSystem().lock(db / "db.lock", kind, lockWait(), refusal);
            const char c = held ? 'y' : 'n';
            (void)!::write(ready_[1], &c, 1);
            char x;
            (void)!::read(release_[0], &x, 1);
            ::_exit(0);
        }
        char c = 0;
        taken_ = ::read(ready_[0], &c, 1) == 1 && c == 'y';
    }
    ~OtherHolder() {
        if (pid_ <= 0) return;
        (void)!::write(release_[1], "x", 1);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        for (int fd : {ready_[0], ready_[1], release_[0], release_[1]}) ::close(fd);
    }
    bool taken() const { return taken_; }

private:
    int ready_[2] = {-1, -1};
    int release_[2] = {-1, -1};
    pid_t pid_ = -1;
    bool taken_ = false;
};

TEST_F(BackupCopyTest, CopiesOnlyWhileNoWriterHoldsTheDatabase) {
    const ScopedEnv wait("ZAVLIN_LOCK_WAIT_MS", "20");
    {
        OtherHolder writer(db(), LockKind::Exclusive);
        ASSERT_TRUE(writer.taken());
        TScriptedDialog dialog;
        EXPECT_FALSE(baza(dialog)->Copy(nullptr));
        ASSERT_FALSE(dialog.shown.empty());
        EXPECT_EQ(dialog.shown.back().rfind("База данных занята другой программой", 0), 0u)
            << dialog.shown.back();
        EXPECT_FALSE(fs::exists(rem() / "Database" / "a.b0"));
    }
    {
        // Readers may stay beside a backup.
        OtherHolder reader(db(), LockKind::Shared);
        ASSERT_TRUE(reader.taken());
        TScriptedDialog dialog;
        EXPECT_TRUE(baza(dialog)->Copy(nullptr));
        // ... but not beside a restore.
        writeFile(rem() / "Database" / "YmGod.b0", "backup");
        TScriptedDialog yes(true);
        auto b = baza(yes);
        EXPECT_FALSE(b->Restore(nullptr));
        ASSERT_FALSE(yes.shown.empty());
        EXPECT_EQ(yes.shown.back().rfind("База данных занята другой программой", 0), 0u)
            << yes.shown.back();
        EXPECT_EQ(readFile(db() / "a.b0"), "AAAA");
        EXPECT_FALSE(fs::exists(db() / "YmGod.b0"));
    }
}

TEST_F(BackupCopyTest, ACopyWhoseFolderVanishedFailsAndKeepsThePreviousBackup) {
    TScriptedDialog dialog;
    ASSERT_TRUE(baza(dialog)->Copy(nullptr));
    const std::string log = readFile(db() / "_copybase.log");
    writeFile(db() / "a.b0", "NEW-AAAA");
    writeFile(db() / "b.txt", "NEW-BB");
    // Something removes the copy in progress after its first file.
    RecordingObserver seen;
    seen.onFile = [&] {
        if (seen.events.find("1 b.txt") != std::string::npos)
            fs::remove_all(rem() / "Database.copying");
    };
    TScriptedDialog d;
    auto b = baza(d);
    b->Now = [] { return fixedMoment() + 1; };
    EXPECT_FALSE(b->Copy(&seen));
    EXPECT_EQ(readFile(rem() / "Database" / "a.b0"), "AAAA");
    EXPECT_EQ(readFile(rem() / "Database" / "b.txt"), "BB");
    EXPECT_FALSE(fs::exists(rem() / "Database.copying"));
    EXPECT_EQ(readFile(db() / "_copybase.log"), log);
    EXPECT_EQ(b->DateCopyText(), "08.12.2026 03ч:05м:07с");
    ASSERT_FALSE(d.shown.empty());
    EXPECT_EQ(d.shown.back(), "Резервная копия не сохранена: прежняя копия в " + rem().string() +
                                  " оставлена без изменений.");
}

// A second backup or a restore of the same backup folder, in another
// process, while a backup copies into it: refused, and the copy in progress
// is neither settled away nor replaced.
TEST_F(BackupCopyTest, OneRunAtATimeHoldsTheBackupFolder) {
    TScriptedDialog first;
    ASSERT_TRUE(baza(first)->Copy(nullptr));
    writeFile(rem() / "Database" / "YmGod.b0", "backup");
    writeFile(db() / "a.b0", "NEW-AAAA");
    const ScopedEnv wait("ZAVLIN_LOCK_WAIT_MS", "20");
    int up[2], down[2];
    ASSERT_EQ(::pipe(up), 0);
    ASSERT_EQ(::pipe(down), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        RecordingObserver seen;
        seen.onFile = [&] {
            if (seen.events != "files 2;0 a.b0;") return;
            (void)!::write(up[1], "c", 1);
            char c = 0;
            (void)!::read(down[0], &c, 1);
        };
        TScriptedDialog d;
        ::_exit(baza(d)->Copy(&seen) ? 0 : 1);
    }
    char c = 0;
    ASSERT_EQ(::read(up[0], &c, 1), 1);
    ASSERT_TRUE(fs::exists(rem() / "Database.copying"));

    TScriptedDialog second;
    EXPECT_FALSE(baza(second)->Copy(nullptr));
    const std::string busy =
        "Резервный каталог " + rem().string() + " занят другим копированием или восстановлением";
    ASSERT_FALSE(second.shown.empty());
    EXPECT_EQ(second.shown.back().rfind(busy, 0), 0u) << second.shown.back();
    TScriptedDialog restore(true);
    EXPECT_FALSE(baza(restore)->Restore(nullptr));
    ASSERT_FALSE(restore.shown.empty());
    EXPECT_EQ(restore.shown.back().rfind(busy, 0), 0u) << restore.shown.back();
    EXPECT_TRUE(fs::exists(rem() / "Database.copying"));
    EXPECT_EQ(readFile(db() / "a.b0"), "NEW-AAAA");

    (void)!::write(down[1], "g", 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    for (int fd : {up[0], up[1], down[0], down[1]}) ::close(fd);
    EXPECT_EQ(readFile(rem() / "Database" / "a.b0"), "NEW-AAAA");
    EXPECT_EQ(readFile(rem() / "Database" / "b.txt"), "BB");
    EXPECT_FALSE(fs::exists(rem() / "Database" / "YmGod.b0"));
    EXPECT_FALSE(fs::exists(rem() / "Database.copying"));
}

TEST_F(BackupCopyTest, RefusesABackupFolderInsideTheDatabaseOrOnIt) {
    for (const fs::path& target : {db() / "bk", db(), home.path()}) {
        TScriptedDialog dialog;
        auto b = baza(dialog);
        b->PathCopy = target.string();
        EXPECT_FALSE(b->Copy(nullptr)) << target;
        ASSERT_EQ(dialog.shown.size(), 1u) << target;
        EXPECT_NE(dialog.shown[0].find("каталоге базы данных"), std::string::npos);
    }
    EXPECT_EQ(readFile(db() / "a.b0"), "AAAA");
    EXPECT_FALSE(fs::exists(db() / "bk"));
}

TEST_F(BackupCopyTest, AMissingFolderOnAnotherDiskStopsTheCopy) {
    TScriptedDialog dialog;
    auto b = baza(dialog);
    b->PathCopy = "/no_such_root_zavlin/REM";
    EXPECT_FALSE(b->Copy(nullptr));
    EXPECT_EQ(dialog.shown,
              (std::vector<std::string>{"Резервный каталог недоступен /no_such_root_zavlin/REM"}));
    EXPECT_FALSE(fs::exists(db() / "_copybase.log"));
}

// ---- TCopyFileBaza: the restore --------------------------------------------------

std::set<int> years(const fs::path& h) {
    TScriptedDialog quiet;
    TDM1 dm(h, quiet);
    TAllGod all(dm);
    std::set<int> out;
    if (!all.ReadListGod()) return {-1};
    for (int i = 0; i < all.CountGod(); ++i) out.insert(all.RecordGod(i)->yGod);
    return out;
}
void addYear(const fs::path& h, int god) {
    TScriptedDialog quiet;
    TDM1 dm(h, quiet);
    TAllGod all(dm);
    ASSERT_TRUE(all.ReadListGod());
    ASSERT_GE(all.AddGod(god), 0);
}
// Every table of the database opens and checks clean.
bool tablesClean(const fs::path& h, std::string& why) {
    TScriptedDialog quiet;
    TDM1 dm(h, quiet);
    bool clean = true;
    for (const std::string& name : dm.DB.ListReIndex) {
        dm.AT1.SetTableName(name);
        dm.AT1.ErrorTest = [&](TTableBlob&, uint16_t code, const std::string& text) {
            clean = false;
            why += name + ": " + std::to_string(code) + " " + text + "\n";
        };
        if (!dm.AT1.Open()) {
            why += name + " does not open\n";
            return false;
        }
        clean = dm.AT1.TestTable() && clean;
        dm.AT1.Close();
    }
    return clean;
}

class RestoreTest : public ::testing::Test {
protected:
    // A database with the year 2020, backed up into REM, then 2021 added.
    void SetUp() override {
        std::string message;
        ASSERT_TRUE(tmpl.MakeDatabase(message)) << message;
        addYear(tmpl.path(), 2020);
        TScriptedDialog dialog;
        TCopyFileBaza b(tmpl.path(), dialog);
        b.Now = fixedMoment;
        b.PauseMs = 0;
        b.ReadSettings();
        ASSERT_TRUE(b.Copy(nullptr));
        addYear(tmpl.path(), 2021);
        ASSERT_EQ(years(tmpl.path()), (std::set<int>{2020, 2021}));
    }
    void fresh() {
        fs::remove_all(work.path());
        fs::copy(tmpl.path(), work.path(), fs::copy_options::recursive);
    }
    std::unique_ptr<TCopyFileBaza> baza(TMyDialog& dialog, FileSystem& fsys = realFileSystem()) {
        auto b = std::make_unique<TCopyFileBaza>(work.path(), dialog, fsys);
        b->Now = fixedMoment;
        b->PauseMs = 0;
        b->ReadSettings();
        return b;
    }
    ScratchHome tmpl{"rstmpl"};
    ScratchHome work{"rswork"};
};

TEST_F(RestoreTest, AsksFirstAndReplacesTheDatabase) {
    fresh();
    TScriptedDialog no;
    no.queue(false);
    EXPECT_FALSE(baza(no)->Restore(nullptr));
    ASSERT_EQ(no.asked.size(), 1u);
    EXPECT_EQ(no.asked[0],
              "Востановление приведет к потере изменений данных после 8/12/2026 Копировать?");
    EXPECT_EQ(years(work.path()), (std::set<int>{2020, 2021}));

    // A file the backup does not hold is named in a question before it goes;
    // "Нет" keeps the database as it is.
    writeFile(work.path() / "Database" / "extra.txt", "mine");
    TScriptedDialog keep(true);
    keep.queue(true);
    keep.queue(false);
    EXPECT_FALSE(baza(keep)->Restore(nullptr));
    EXPECT_EQ(years(work.path()), (std::set<int>{2020, 2021}));
    EXPECT_EQ(readFile(work.path() / "Database" / "extra.txt"), "mine");
    EXPECT_FALSE(fs::exists(work.path() / "Database.restoring"));

    TScriptedDialog yes(true);
    auto b = baza(yes);
    ASSERT_TRUE(b->Restore(nullptr));
    EXPECT_EQ(years(work.path()), (std::set<int>{2020}));
    EXPECT_FALSE(fs::exists(work.path() / "Database" / "extra.txt"));
    ASSERT_EQ(yes.asked.size(), 2u);
    const auto named = std::find_if(yes.asked.begin(), yes.asked.end(), [](const std::string& m) {
        return m.rfind("В резервной копии нет файлов базы данных ", 0) == 0;
    });
    ASSERT_NE(named, yes.asked.end());
    EXPECT_EQ(named->substr(named->size() - std::string(" Продолжить?").size()), " Продолжить?");
    EXPECT_NE(named->find("extra.txt"), std::string::npos) << *named;
    EXPECT_EQ(named->find("_copybase.log"), std::string::npos) << *named;
    EXPECT_EQ(named->find("db.lock"), std::string::npos) << *named;
    // Every file it names was in the database and is not in the backup.
    const std::string prefix = "В резервной копии нет файлов базы данных ";
    const std::string list = named->substr(prefix.size(), named->rfind(':') - prefix.size());
    for (std::size_t at = 0; at < list.size();) {
        const std::size_t comma = std::min(list.find(", ", at), list.size());
        const std::string name = list.substr(at, comma - at);
        EXPECT_TRUE(fs::exists(tmpl.path() / "Database" / name) || name == "extra.txt") << name;
        EXPECT_FALSE(fs::exists(work.path() / "REM" / "Database" / name)) << name;
        EXPECT_FALSE(fs::exists(work.path() / "Database" / name)) << name;
        at = comma + 2;
    }
    const auto files = TMySystem::GetNameFileOfPath((work.path() / "Database").string(), "*.*");
    ASSERT_FALSE(yes.shown.empty());
    EXPECT_EQ(yes.shown.back(), "Востановлено файлов -" +
                                    std::to_string(files.size() - 1) +  // the log stays
                                    "\nВaм необходимо перезагрузить программу!");
    EXPECT_TRUE(fs::exists(work.path() / "Database" / "_copybase.log"));
    EXPECT_FALSE(fs::exists(work.path() / "Database.restoring"));
    EXPECT_FALSE(fs::exists(work.path() / "Database.old"));
    TScriptedDialog quiet;
    TCoreHooks hooks(quiet);
    TFileIni ini(hooks, work.path());
    ini.SetFileName("Zavlin98.ini");
    EXPECT_EQ(ini.ReadString("CopyFromArxiv", "DateCopy"), "08.12.2026 03ч:05м:07с");
    EXPECT_EQ(ini.ReadInteger("CopyFromArxiv", "LastDate"), encodeDate(2026, 12, 8));
    EXPECT_EQ(ini.ReadInteger("CopyToArxiv", "LastDate"), encodeDate(2026, 12, 8));
}

// A backup folder this user may not write (a disc, another user's folder) is
// still read under a lock: a backup running there keeps the restore out, and
// once it is gone the restore reads the folder through a shared lock.
TEST_F(RestoreTest, AFolderItMayNotWriteIsStillReadUnderALock) {
    fresh();
    const bool root = ::geteuid() == 0;
    const fs::path rem = work.path() / "REM";
    auto own = [&](const fs::path& path, uid_t uid) {
        ASSERT_EQ(::chown(path.c_str(), uid, uid), 0) << path;
    };
    if (root) {
        // The home is the restoring user's; the backup folder stays root's.
        own(work.path(), 65534);
        for (const auto& e : fs::recursive_directory_iterator(work.path()))
            if (e.path().string().rfind(rem.string(), 0) != 0) own(e.path(), 65534);
    }
    const ScopedEnv wait("ZAVLIN_LOCK_WAIT_MS", "20");
    auto restoreAsReader = [&](const std::string& expectedStart) {
        const pid_t child = ::fork();
        if (child == 0) {
            if (root && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(10);
            if (::access(rem.c_str(), W_OK) == 0) ::_exit(11);
            TScriptedDialog yes(true);
            const bool done = baza(yes)->Restore(nullptr);
            if (expectedStart.empty()) ::_exit(done ? 0 : 12);
            ::_exit(!done && !yes.shown.empty() && yes.shown.back().rfind(expectedStart, 0) == 0
                        ? 0
                        : 13);
        }
        int status = 0;
        EXPECT_EQ(::waitpid(child, &status, 0), child);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    fs::permissions(rem, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);
    if (!root) fs::permissions(rem, fs::perms::owner_write, fs::perm_options::remove);

    // Another process backs up into the folder meanwhile.
    int up[2], down[2];
    ASSERT_EQ(::pipe(up), 0);
    ASSERT_EQ(::pipe(down), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        LockRefusal refusal;
        auto held = realFileSystem().lock(rem / kBackupLockFile, LockKind::Exclusive,
                                          std::chrono::milliseconds(0), refusal);
        (void)!::write(up[1], held ? "y" : "n", 1);
        char c = 0;
        (void)!::read(down[0], &c, 1);
        ::_exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(up[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    EXPECT_EQ(restoreAsReader("Резервный каталог " + rem.string() + " занят"), 0);
    EXPECT_EQ(years(work.path()), (std::set<int>{2020, 2021}));
    (void)!::write(down[1], "g", 1);
    int status = 0;
    ASSERT_EQ(::waitpid(holder, &status, 0), holder);
    for (int fd : {up[0], up[1], down[0], down[1]}) ::close(fd);

    EXPECT_EQ(restoreAsReader(""), 0);
    EXPECT_EQ(years(work.path()), (std::set<int>{2020}));
    if (!root) fs::permissions(rem, fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(RestoreTest, RefusesMissingFoldersAndFoldersWithoutADatabase) {
    fresh();
    const std::string missing = (work.path() / "nowhere").string();
    const std::string file = (work.path() / "Zavlin98.ini").string();
    const std::string empty = (work.path() / "empty").string();
    fs::create_directories(fs::path(empty) / "Database");
    writeFile(fs::path(empty) / "Database" / "god.Ini", "[x]\r\n");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {missing, "Резервный каталог недоступен " + missing},
        {file, "Отсутствует резервный каталог " + file},
        {empty, "В каталоге " + empty + " нет резервной копии базы данных (нет файла " + empty +
                    "/Database/YmGod.b0). Восстановление отменено."},
    };
    for (const auto& [folder, message] : cases) {
        TScriptedDialog dialog(true);
        auto b = baza(dialog);
        b->PathCopy = folder;
        EXPECT_FALSE(b->Restore(nullptr));
        EXPECT_EQ(dialog.shown, std::vector<std::string>{message});
    }
    EXPECT_EQ(years(work.path()), (std::set<int>{2020, 2021}));
}

// A restore cut at the N-th file operation, as a crash (every operation from
// there on fails) or as one I/O error: after the start-up's repair the
// database opens, checks clean and holds the old years or the restored ones.
void cutAtEveryOperation(
    RestoreTest& t, bool crash, const std::function<void()>& fresh,
    const std::function<std::unique_ptr<TCopyFileBaza>(TMyDialog&, FileSystem&)>& make,
    const fs::path& home) {
    (void)t;
    uint64_t n = 1;
    for (;; ++n) {
        fresh();
        FaultInjectingFileSystem faulty;
        faulty.failAt(n, crash);
        TScriptedDialog dialog(true);
        const bool ok = make(dialog, faulty)->Restore(nullptr);
        std::string message;
        ASSERT_TRUE(FinishInterruptedRestore(home, realFileSystem(), message))
            << "operation " << n << ": " << message;
        EXPECT_FALSE(fs::exists(home / "Database.restoring")) << n;
        EXPECT_FALSE(fs::exists(home / "Database.old")) << n;
        std::string why;
        EXPECT_TRUE(tablesClean(home, why)) << "operation " << n << "\n" << why;
        const std::set<int> now = years(home);
        if (ok) {
            EXPECT_EQ(now, (std::set<int>{2020})) << "operation " << n;
        }
        EXPECT_TRUE(now == (std::set<int>{2020}) || now == (std::set<int>{2020, 2021}))
            << "operation " << n;
        if (!faulty.failed()) {
            EXPECT_TRUE(ok);
            break;
        }
        ASSERT_LT(n, 1000u);
    }
    // The copy of some forty files and the swap: many places to be cut.
    EXPECT_GT(n, 80u);
}

TEST_F(RestoreTest, ACrashAtAnyOperationLeavesOldOrNewDatabase) {
    cutAtEveryOperation(
        *this, true, [this] { fresh(); },
        [this](TMyDialog& d, FileSystem& f) { return baza(d, f); }, work.path());
}

TEST_F(RestoreTest, AnIoErrorAtAnyOperationLeavesOldOrNewDatabase) {
    cutAtEveryOperation(
        *this, false, [this] { fresh(); },
        [this](TMyDialog& d, FileSystem& f) { return baza(d, f); }, work.path());
}

TEST(FinishInterruptedRestore, SettlesEachStateOfTheSwap) {
    ScratchHome home("settle");
    const fs::path db = home.path() / "Database";
    const fs::path staging = home.path() / "Database.restoring";
    const fs::path aside = home.path() / "Database.old";
    std::string message;

    // Nothing to do.
    writeFile(db / "t", "old");
    ASSERT_TRUE(FinishInterruptedRestore(home.path(), realFileSystem(), message));
    EXPECT_EQ(message, "");

    // A copy that never completed is dropped.
    writeFile(staging / "t", "ne");
    ASSERT_TRUE(FinishInterruptedRestore(home.path(), realFileSystem(), message));
    EXPECT_EQ(readFile(db / "t"), "old");
    EXPECT_FALSE(fs::exists(staging));
    EXPECT_EQ(message, "Восстановление базы данных было прервано: база данных оставлена прежней.");

    // Cut between the renames: the complete copy goes in.
    writeFile(staging / "t", "new");
    fs::rename(db, aside);
    ASSERT_TRUE(FinishInterruptedRestore(home.path(), realFileSystem(), message));
    EXPECT_EQ(readFile(db / "t"), "new");
    EXPECT_FALSE(fs::exists(aside));
    EXPECT_EQ(message, "Прерванное восстановление базы данных завершено.");

    // Only the old folder, aside: it comes back.
    fs::rename(db, aside);
    ASSERT_TRUE(FinishInterruptedRestore(home.path(), realFileSystem(), message));
    EXPECT_EQ(readFile(db / "t"), "new");
    EXPECT_FALSE(fs::exists(aside));
}

}  // namespace
}  // namespace zavlin::shell
