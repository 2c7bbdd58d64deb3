// zavlin-cli load set / load show over the sample college.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "storage/year_database.h"
#include "support/cli_runner.h"
#include "support/files.h"
#include "support/scoped_env.h"
#include "support/scratch_home.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using testsupport::CliRun;

// The database files but the lock files, which every verb may create.
std::map<std::string, std::string> storedFiles(const fs::path& home) {
    auto files = testsupport::folderFiles(home / "Database");
    for (auto it = files.begin(); it != files.end();)
        it = it->first == "db.lock" || it->first.ends_with(".bl") ? files.erase(it) : std::next(it);
    return files;
}

class LoadCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(home.empty());
        const CliRun made = run("demo --size S");
        ASSERT_EQ(made.status, 0) << made.out;
    }

    CliRun run(const std::string& words) {
        return testsupport::runAtHome(ZAVLIN_CLI, words, home.str());
    }

    Json shown(const std::string& group) {
        const CliRun r = testsupport::runCommandLine(
            ZAVLIN_CLI, "load show --json --group " + group + " --home '" + home.str() + "'",
            false);
        EXPECT_EQ(r.status, 0) << r.err;
        return Json::parse(r.out, nullptr, false);
    }

    // The subject of the shown group with that name.
    static const Json& subject(const Json& doc, const std::string& name) {
        for (const Json& s : doc["subjects"])
            if (s["name"] == name) return s;
        ADD_FAILURE() << "no subject " << name;
        return doc;
    }

    static int pairs(const Json& subjectDoc, int ne) {
        return subjectDoc["pairs"][static_cast<std::size_t>(ne - 1)].get<int>();
    }

    testsupport::ScopedEnv wait{"ZAVLIN_LOCK_WAIT_MS", "0"};
    testsupport::ScratchHome home{"loadcli"};
};

TEST_F(LoadCli, SetIsStoredAndShownAndTouchesOnlyItsSubjectAndWeeks) {
    const Json before = shown("ИС-21");
    ASSERT_FALSE(before.is_discarded());
    ASSERT_EQ(before["weeks"].size(), 56u);

    CliRun r = run("load set --group ИС-21 --subject ОАиП --weeks 53-54 --pairs 4");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("week=pairs: 53=2 54=2"), std::string::npos) << r.out;
    Json after = shown("ИС-21");
    EXPECT_EQ(pairs(subject(after, "ОАиП"), 53), 2);
    EXPECT_EQ(pairs(subject(after, "ОАиП"), 54), 2);
    const Json& old = subject(before, "ОАиП");
    EXPECT_EQ(subject(after, "ОАиП")["total"].get<int>(),
              old["total"].get<int>() - pairs(old, 53) - pairs(old, 54) + 4);
    for (std::size_t i = 0; i < before["subjects"].size(); ++i)
        if (before["subjects"][i]["name"] != "ОАиП") {
            EXPECT_EQ(after["subjects"][i], before["subjects"][i]);
        } else {
            for (int ne = 1; ne <= 52; ++ne)
                EXPECT_EQ(pairs(after["subjects"][i], ne), pairs(old, ne));
        }
    for (int ne : {53, 54})
        EXPECT_EQ(after["weeks"][ne - 1]["pairs"].get<int>(),
                  before["weeks"][ne - 1]["pairs"].get<int>() - pairs(old, ne) + 2);

    // An odd number: the extra pair goes to week 53 unless week 54 holds
    // fewer pairs than 53 (the subject's own 2 + 2 in both).
    const int t53 = after["weeks"][52]["pairs"].get<int>();
    const int t54 = after["weeks"][53]["pairs"].get<int>();
    r = run("load set --group ИС-21 --subject 5 --weeks 53-54 --pairs 5");
    ASSERT_EQ(r.status, 0) << r.out;
    after = shown("ИС-21");
    EXPECT_EQ(pairs(subject(after, "ОАиП"), 53), t54 < t53 ? 2 : 3);
    EXPECT_EQ(pairs(subject(after, "ОАиП"), 54), t54 < t53 ? 3 : 2);
}

TEST_F(LoadCli, ShowPrintsEverySubjectAcrossTheFiftySixWeeks) {
    ASSERT_EQ(run("load set --group ИС-22 --subject ОАиП --weeks 5-54 --pairs 7").status, 0);
    const CliRun r = run("load show --group ИС-22");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Группа ИС-22"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Итого пары в неделю"), std::string::npos);
    EXPECT_NE(r.out.find(" 55 56 Итого\n"), std::string::npos) << r.out;
    // Weeks 5, 53 and 54 are the group's. 53 lies at an even distance from
    // 5 like 5 itself, so the first two study weeks leave the odd class
    // empty and it comes first: the seventh pair goes to week 54.
    std::string row;
    for (std::size_t at = r.out.find("ОАиП"); at != std::string::npos && r.out[at] != '\n'; ++at)
        row += r.out[at];
    EXPECT_TRUE(row.ends_with(" 7")) << row;
    const Json doc = shown("ИС-22");
    int lines = 0;
    for (const Json& s : doc["subjects"]) {
        EXPECT_NE(r.out.find(s["name"].get<std::string>()), std::string::npos) << s["name"];
        ++lines;
    }
    EXPECT_GT(lines, 5);
    const Json& pr = subject(doc, "ОАиП");
    EXPECT_EQ(pairs(pr, 5), 2);
    EXPECT_EQ(pairs(pr, 53), 2);
    EXPECT_EQ(pairs(pr, 54), 3);
    // Not a study week: shown as '.', stored as 0.
    EXPECT_FALSE(doc["weeks"][0]["study"].get<bool>());
    EXPECT_EQ(pairs(pr, 1), 0);
}

TEST_F(LoadCli, RefusalsSayWhyAndLeaveTheYearAsStored) {
    const auto before = storedFiles(home.path());
    struct Case {
        std::string words;
        int status;
        std::string says;
    };
    const std::vector<Case> cases = {
        {"--subject ОАиП --weeks 53-54 --pairs -3", 2, "cannot be negative"},
        {"--subject Астрономия --weeks 53-54 --pairs 3", 2, "has no subject \"Астрономия\""},
        {"--subject 99 --weeks 53-54 --pairs 3", 2, "has no subject \"99\""},
        {"--subject ОАиП --weeks 54-53 --pairs 3", 2, "--weeks 54-53"},
        {"--subject ОАиП --weeks 0-3 --pairs 3", 2, "--weeks 0-3"},
        {"--subject ОАиП --weeks 50-57 --pairs 3", 2, "--weeks 50-57"},
        {"--subject ОАиП --weeks 5x --pairs 3", 2, "--weeks 5x"},
        {"--subject ОАиП --weeks 10-20 --pairs 3", 1, "does not study in weeks 10-20"},
        {"--subject ОАиП --weeks 53 --pairs 21", 2, "at most 20 pairs a week"},
        {"--subject ОАиП --weeks 53", 2, "--pairs"},
    };
    for (const Case& c : cases) {
        const CliRun r = run("load set --group ИС-21 " + c.words);
        EXPECT_EQ(r.status, c.status) << c.words << "\n" << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.words << "\n" << r.out;
    }
    CliRun r = run("load set --group ИС-99 --subject ОАиП --weeks 53 --pairs 1");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("no group \"ИС-99\""), std::string::npos) << r.out;
    r = run("load show --group ИС-99");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(run("load").status, 2);
    const std::string help = run("help").out;
    EXPECT_NE(help.find("load set --group G"), std::string::npos) << help;
    EXPECT_NE(help.find("load show --group G"), std::string::npos) << help;
    EXPECT_EQ(storedFiles(home.path()), before);
    // The last week alone is a valid range: 20 pairs fit.
    EXPECT_EQ(run("load set --group ИС-21 --subject ОАиП --weeks 54 --pairs 20").status, 0);
    EXPECT_EQ(pairs(subject(shown("ИС-21"), "ОАиП"), 54), 20);
}

TEST_F(LoadCli, LoweringTheLoadSaysWhichLessonsLeftTheTimetable) {
    const CliRun r = run("load set --group ИС-41 --subject 1 --weeks 1-56 --pairs 0");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("taken out beyond the new counts"), std::string::npos) << r.out;
    const Json doc = shown("ИС-41");
    const Json& first = doc["subjects"][0];
    EXPECT_EQ(first["total"].get<int>(), 0);
    // Setting the same count again takes nothing out.
    const CliRun again = run("load set --group ИС-41 --subject 1 --weeks 1-56 --pairs 0");
    ASSERT_EQ(again.status, 0) << again.out;
    EXPECT_EQ(again.out.find("taken out"), std::string::npos) << again.out;
}

TEST_F(LoadCli, SetWaitsForNoOneAndChangesNothingWhileTheDatabaseIsHeld) {
    const auto before = storedFiles(home.path());
    {
        TScriptedDialog dialog;
        TDM1 dm(home.path(), dialog);
        TDatabaseLock held(dm, LockKind::Exclusive);
        ASSERT_TRUE(held.Held());
        const CliRun set = run("load set --group ИС-21 --subject ОАиП --weeks 53 --pairs 1");
        EXPECT_EQ(set.status, 1) << set.out;
        EXPECT_NE(set.out.find("занята программой"), std::string::npos) << set.out;
        EXPECT_EQ(run("load show --group ИС-21").status, 1);
    }
    {
        // A reader lets another reader in, but not a writer.
        TScriptedDialog dialog;
        TDM1 dm(home.path(), dialog);
        TDatabaseLock reading(dm, LockKind::Shared);
        ASSERT_TRUE(reading.Held());
        EXPECT_EQ(run("load show --group ИС-21").status, 0);
        EXPECT_EQ(run("load set --group ИС-21 --subject ОАиП --weeks 53 --pairs 1").status, 1);
    }
    EXPECT_EQ(storedFiles(home.path()), before);
    EXPECT_EQ(run("load set --group ИС-21 --subject ОАиП --weeks 53 --pairs 1").status, 0);
    EXPECT_NE(storedFiles(home.path()), before);
}

}  // namespace
}  // namespace zavlin
