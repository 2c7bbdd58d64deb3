// zavlin-cli export rtf and export ical over the sample college.
#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "base/my_dialog.h"
#include "model/god.h"
#include "storage/year_database.h"
#include "support/cli_runner.h"
#include "support/files.h"
#include "support/ical_reader.h"
#include "support/scoped_env.h"
#include "support/scratch_home.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;
using testsupport::CliRun;

class DocumentCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(home.empty());
        const CliRun made = run("demo --size S");
        ASSERT_EQ(made.status, 0) << made.out;
    }

    CliRun run(const std::string& words) {
        return testsupport::runAtHome(ZAVLIN_CLI, words, home.str());
    }

    std::string file(const std::string& name) const { return (home.path() / name).string(); }

    static std::size_t count(const std::string& s, const std::string& part) {
        std::size_t n = 0;
        for (std::size_t at = s.find(part); at != std::string::npos; at = s.find(part, at + 1)) ++n;
        return n;
    }

    testsupport::ScopedEnv wait{"ZAVLIN_LOCK_WAIT_MS", "0"};
    testsupport::ScratchHome home{"doccli"};
};

// Groups open and close in pairs (escaped braces aside), and every table row
// ends as many cells as it defines: a reader would stumble otherwise.
void expectWellFormedRtf(const std::string& doc) {
    int depth = 0;
    for (std::size_t i = 0; i < doc.size(); ++i) {
        if (doc[i] == '\\') {
            ++i;  // an escaped character or the first letter of a control word
        } else if (doc[i] == '{') {
            ++depth;
        } else if (doc[i] == '}') {
            ASSERT_GT(depth, 0) << "at " << i;
            --depth;
        }
    }
    EXPECT_EQ(depth, 0);
    std::size_t rows = 0;
    for (std::size_t at = doc.find("{\\trowd "); at != std::string::npos;
         at = doc.find("{\\trowd ", at + 1)) {
        const std::size_t end = doc.find("\\row }", at);
        ASSERT_NE(end, std::string::npos);
        const std::string row = doc.substr(at, end - at);
        std::size_t defs = 0, cells = 0;
        for (std::size_t k = row.find("\\cellx"); k != std::string::npos;
             k = row.find("\\cellx", k + 1))
            ++defs;
        for (std::size_t k = row.find("\\cell "); k != std::string::npos;
             k = row.find("\\cell ", k + 1))
            ++cells;
        EXPECT_EQ(defs, cells) << row.substr(0, 200);
        ++rows;
    }
    EXPECT_GT(rows, 1u);
}

const std::string kRtfStart = "{\\rtf1\\ansi\\ansicpg1251";
const std::string kRtfEnd = std::string("\\par }\r\n") + '\0';
// "Недели : " as Windows-1251 escapes.
const std::string kWeeksLine = "\\'CD\\'E5\\'E4\\'E5\\'EB\\'E8 : ";

TEST_F(DocumentCli, LoadTablesOfTeachersAndGroupsAsRtf) {
    CliRun r = run("export rtf --load teachers --weeks 1-4 --to '" + file("t.rtf") + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    std::string doc = testsupport::readFile(file("t.rtf"));
    EXPECT_TRUE(doc.starts_with(kRtfStart)) << doc.substr(0, 80);
    EXPECT_TRUE(doc.ends_with(kRtfEnd));
    EXPECT_NE(doc.find(kWeeksLine + "1-4\\par "), std::string::npos);
    // One table: its page is the weeks and the grid, no title above them.
    EXPECT_NE(doc.find("\\landscape\\paperw16838\\paperh11906 " + kWeeksLine), std::string::npos);
    // The header row over the weeks, and tables that do not fit themselves.
    EXPECT_NE(doc.find("\\clvmgf "), std::string::npos);
    EXPECT_EQ(doc.find("\\trautofit1"), std::string::npos);
    expectWellFormedRtf(doc);

    // The active weeks by default.
    r = run("export rtf --load teachers --to '" + file("a.rtf") + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(testsupport::readFile(file("a.rtf")).find(kWeeksLine + "53-54\\par "),
              std::string::npos);

    r = run("export rtf --load groups --group ИС-21 --group ИС-22 --to '" + file("g.rtf") + "'");
    ASSERT_EQ(r.status, 0) << r.out;
    doc = testsupport::readFile(file("g.rtf"));
    EXPECT_TRUE(doc.starts_with(kRtfStart));
    EXPECT_EQ(count(doc, "\\page "), 1u);
    EXPECT_NE(doc.find("\\'C8\\'D1-21\\par "), std::string::npos);
    EXPECT_NE(doc.find("\\'C8\\'D1-22\\par "), std::string::npos);
    EXPECT_NE(doc.find(kWeeksLine + "1-52\\par "), std::string::npos);
    // Week labels are written bottom to top in rows tall enough for them.
    EXPECT_NE(doc.find("\\cltxbtlr"), std::string::npos);
    EXPECT_NE(doc.find("\\trrh1134"), std::string::npos);
    expectWellFormedRtf(doc);
}

TEST_F(DocumentCli, RtfRefusalsAndAFileHeldOpen) {
    const std::string to = " --to '" + file("x.rtf") + "'";
    for (const std::string& words :
         {"export rtf --load teachers --teacher Никто" + to, "export rtf --load rooms" + to,
          "export rtf --load teachers --group ИС-21" + to,
          "export rtf --load groups --group ИС-99" + to, "export rtf --load groups --weeks 60" + to,
          std::string("export rtf --load groups")}) {
        const CliRun r = run(words);
        EXPECT_EQ(r.status, 2) << words << "\n" << r.out;
    }
    EXPECT_FALSE(fs::exists(file("x.rtf")));

    ASSERT_TRUE(testsupport::writeFile(file("x.rtf"), "old"));
    ASSERT_TRUE(testsupport::writeFile(file(".~lock.x.rtf#"), "someone"));
    const CliRun r = run("export rtf --load groups --group ИС-21" + to);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("Нельзя удалтиь файл \"" + file("x.rtf") +
                         "\". Очевидно он занят другой программой"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(testsupport::readFile(file("x.rtf")), "old");
}

// What the model says of one group's week: the start, end and room of every
// held lesson, from the college's lesson times.
struct Expected {
    std::string group;
    std::string substitute;  // a teacher holding a substitution that week
    std::string subStart;
    std::vector<std::string> events;  // "start end room", sorted
};

Expected expectedFromModel(const fs::path& home, int ne) {
    Expected e;
    TScriptedDialog dialog;
    TDM1 dm(home, dialog);
    TAllGod years(dm);
    EXPECT_TRUE(years.AllGodLoad());
    const TGod* god = years.God();
    if (god == nullptr) return e;
    const auto at = [&](int d, int y, bool end) {
        const DateParts p = decodeDate(god->AllNed.DNed(ne)->Dt + d - 1);
        const TTaimYrok& t = years.Lt[static_cast<std::size_t>(y)];
        const int m = end ? t.Tk() : t.Tn();
        return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:00", p.year, p.month, p.day, m / 60,
                           m % 60);
    };
    for (const auto& gr : god->LGryp) {
        const TNed* week = gr->GetNed(ne);
        if (week == nullptr) continue;
        Expected mine;
        mine.group = gr->Name();
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y) {
                const TYrok* yrok = week->GetYrok(0, d, y);
                for (int i = 0; yrok != nullptr && i < yrok->CountYrDpZm(); ++i) {
                    const TYr* yr = yrok->YrDpZm(i);
                    if (!yr->Held() || yr->Fio() == nullptr) continue;
                    if (yr->SetZamenaYes() && !yr->LZm.empty() && mine.substitute.empty()) {
                        mine.substitute = yr->Fio()->Name();
                        mine.subStart = at(d, y, false);
                    }
                    mine.events.push_back(at(d, y, false) + " " + at(d, y, true) + " " +
                                          yr->NameAyd());
                }
            }
        std::sort(mine.events.begin(), mine.events.end());
        if (!mine.substitute.empty()) return mine;
    }
    return e;
}

TEST_F(DocumentCli, CalendarOfADemoGroupAgreesWithTheModel) {
    const fs::path python = testsupport::pythonWithIcalendar();
    if (python.empty()) GTEST_SKIP() << "Python's icalendar module is missing (python3-icalendar)";
    constexpr int kWeek = 5;  // the sample's week with substitutions
    const Expected e = expectedFromModel(home.path(), kWeek);
    ASSERT_FALSE(e.group.empty()) << "no group with a substitution in week 5";
    ASSERT_FALSE(e.events.empty());

    CliRun r = run(
        fmt::format("export ical --group {} --weeks {} --to '{}'", e.group, kWeek, file("g.ics")));
    ASSERT_EQ(r.status, 0) << r.out;
    std::string why;
    auto read = testsupport::readIcal(python, file("g.ics"), why);
    ASSERT_TRUE(read) << why;
    EXPECT_EQ(read->version, "2.0");
    std::vector<std::string> got;
    for (const auto& ev : read->events) {
        got.push_back(ev.start + " " + ev.end + " " + ev.location);
        EXPECT_FALSE(ev.summary.empty());
        EXPECT_FALSE(ev.description.empty());
    }
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, e.events);

    // The substitute's calendar holds the lesson, marked as a substitution.
    r = run(fmt::format("export ical --teacher '{}' --weeks {} --to '{}'", e.substitute, kWeek,
                        file("t.ics")));
    ASSERT_EQ(r.status, 0) << r.out;
    read = testsupport::readIcal(python, file("t.ics"), why);
    ASSERT_TRUE(read) << why;
    const auto it = std::find_if(read->events.begin(), read->events.end(),
                                 [&](const auto& ev) { return ev.start == e.subStart; });
    ASSERT_NE(it, read->events.end());
    EXPECT_NE(it->description.find("(замена)"), std::string::npos) << it->description;
    EXPECT_NE(it->summary.find(e.group), std::string::npos) << it->summary;
}

TEST_F(DocumentCli, CalendarRefusals) {
    const std::string to = " --to '" + file("x.ics") + "'";
    for (const std::string& words :
         {"export ical" + to, "export ical --group ИС-21 --teacher X" + to,
          "export ical --group ИС-99" + to, "export ical --teacher Никто --weeks 5" + to,
          "export ical --group ИС-21 --weeks 0" + to}) {
        const CliRun r = run(words);
        EXPECT_EQ(r.status, 2) << words << "\n" << r.out;
    }
    EXPECT_FALSE(fs::exists(file("x.ics")));
    // The sample's active weeks have no dates: an empty calendar, said so.
    const CliRun r = run("export ical --group ИС-21" + to);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find(": 0 "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("without dates"), std::string::npos) << r.out;
    EXPECT_NE(testsupport::readFile(file("x.ics")).find("END:VCALENDAR\r\n"), std::string::npos);
    // A file that cannot be written is a failure, not a success.
    const CliRun lost = run("export ical --group ИС-21 --to '" + file("no/x.ics") + "'");
    EXPECT_EQ(lost.status, 1) << lost.out;
    EXPECT_NE(lost.out.find("could not be written"), std::string::npos) << lost.out;
}

}  // namespace
}  // namespace zavlin
