// Sample colleges as stored: the same files for the same seed, a year that
// loads back clean from consistent tables, and a hidden timetable that keeps
// every rule of composition when judged against the stored year.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "model/god.h"
#include "model/group.h"
#include "sample_home.h"
#include "settings/settings_file.h"
#include "storage/table_format.h"
#include "storage/year_tables.h"
#include "timetable_rules.h"

namespace zavlin::demo {
namespace {

using testing::LoadedYear;
using testing::sampleHome;
using testing::SampleHome;
namespace fs = std::filesystem;

constexpr SampleSize kTestedSizes[] = {SampleSize::S, SampleSize::M};

std::vector<uint8_t> bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A table header with its creation moment blanked out: everything else of
// the file must match.
std::vector<uint8_t> withoutCreationTime(std::vector<uint8_t> b) {
    if (b.size() < static_cast<std::size_t>(kTableHeadSize)) return b;
    ATableBlobHead h = ATableBlobHead::decode(b.data());
    h.FDateTimeCreate = 0;
    h.encode(b.data());
    return b;
}

std::map<std::string, std::vector<uint8_t>> folderFiles(const fs::path& home) {
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& e : fs::recursive_directory_iterator(home)) {
        if (!e.is_regular_file()) continue;
        const std::string rel = fs::relative(e.path(), home).string();
        std::vector<uint8_t> b = bytes(e.path());
        files[rel] = e.path().extension() == ".b0" ? withoutCreationTime(std::move(b)) : b;
    }
    return files;
}

// Catches: anything drawn from the clock, the address space or an unordered
// container's order finding its way into the files.
TEST(SampleFiles, TheSameSeedWritesTheSameFilesButForCreationTimes) {
    const fs::path a = testing::scratchFolder("det_a");
    const fs::path b = testing::scratchFolder("det_b");
    TScriptedDialog dialog;
    const SampleOptions options{SampleSize::S, 11, 2026};
    ASSERT_TRUE(createSampleCollege(a, options, dialog).ok);
    ASSERT_TRUE(createSampleCollege(b, options, dialog).ok);
    const auto fa = folderFiles(a);
    const auto fb = folderFiles(b);
    ASSERT_EQ(fa.size(), fb.size());
    int tables = 0;
    for (const auto& [name, content] : fa) {
        ASSERT_TRUE(fb.count(name)) << name;
        EXPECT_TRUE(content == fb.at(name)) << name << " differs";
        tables += name.ends_with(".b0") ? 1 : 0;
    }
    EXPECT_GE(tables, 9);
    EXPECT_TRUE(fa.count(countsFileName(options)));
    fs::remove_all(a);
    fs::remove_all(b);
}

// Catches: a sample made in a database that states no lesson times left
// without any (every credit and room by time would miss its periods), or
// times the college entered overwritten by the usual ones.
TEST(SampleFiles, LessonTimesAreStatedButNeverOverwritten) {
    TScriptedDialog dialog;
    const SampleOptions options{SampleSize::S, 5, 2026};
    TCoreHooks hooks(dialog);
    auto prepared = [&hooks](const fs::path& home, int firstStart) {
        std::string message;
        EXPECT_EQ(CreateDatabase(home, message), TCreateDatabaseResult::Created) << message;
        TFileIni ini(hooks, home / "Database");
        ini.SetFileName("god.Ini");
        EXPECT_TRUE(ini.EraseSection("Time"));
        if (firstStart != 0) {
            EXPECT_TRUE(ini.WriteInteger("Time", "Yrok0", firstStart));
            EXPECT_TRUE(ini.WriteInteger("Time", "LYrok0", 80));
        }
        EXPECT_TRUE(ini.CloseIni());
    };
    auto times = [&hooks](const fs::path& home) {
        TFileIni ini(hooks, home / "Database");
        ini.SetFileName("god.Ini");
        return ini.ReadSectionValues("Time");
    };

    const fs::path bare = testing::scratchFolder("times_bare");
    prepared(bare, 0);
    ASSERT_TRUE(times(bare).empty());
    ASSERT_TRUE(createSampleCollege(bare, options, dialog).ok);
    const std::vector<std::string> usual{
        "Yrok0=435",  "LYrok0=90", "Yrok1=540",  "LYrok1=90", "Yrok2=645",  "LYrok2=90",
        "Yrok3=750",  "LYrok3=90", "Yrok4=855",  "LYrok4=90", "Yrok5=960",  "LYrok5=90",
        "Yrok6=1065", "LYrok6=90", "Yrok7=1170", "LYrok7=90", "Yrok8=1275", "LYrok8=90",
        "Yrok9=1380", "LYrok9=90", "Yrok10=0",   "LYrok10=0", "Yrok11=0",   "LYrok11=0"};
    EXPECT_EQ(times(bare), usual);

    const fs::path own = testing::scratchFolder("times_own");
    prepared(own, 480);
    ASSERT_TRUE(createSampleCollege(own, options, dialog).ok);
    EXPECT_EQ(times(own), (std::vector<std::string>{"Yrok0=480", "LYrok0=80"}));
    fs::remove_all(bare);
    fs::remove_all(own);
}

// Catches: a half-written year, entries cut by their fields, blobs the
// reader rejects, tables left inconsistent by the generator's writes.
TEST(SampleFiles, EachSizeLoadsBackFromConsistentTables) {
    for (SampleSize size : kTestedSizes) {
        SCOPED_TRACE(sizeName(size));
        const SampleHome& h = sampleHome(size, 3);
        ASSERT_TRUE(h.result.ok) << h.result.message;
        const SamplePlan& plan = h.result.plan;

        LoadedYear y(h);
        EXPECT_TRUE(y.loaded);
        EXPECT_TRUE(y.dialog.shown.empty()) << y.dialog.shown.front();
        EXPECT_EQ(y.year.CountGryp(), static_cast<int>(plan.groups.size()));
        EXPECT_EQ(y.year.CountFio(), static_cast<int>(plan.teachers.size()));
        EXPECT_EQ(y.year.CountYrName(), static_cast<int>(plan.names.size()));
        EXPECT_EQ(y.year.CountAyd(), static_cast<int>(plan.rooms.size()));
        EXPECT_EQ(y.year.CountDom(), static_cast<int>(plan.buildings.size()));
        EXPECT_EQ(y.year.CountFak(), static_cast<int>(plan.faculties.size()));
        for (int ne : {kActiveWeeks[0], kActiveWeeks[1], kSubstitutionWeek})
            EXPECT_EQ(y.year.GetLOb(ne).size(), plan.unions.size()) << "week " << ne;
        // Names come back whole: nothing was cut to a field's length.
        for (std::size_t i = 0; i < plan.teachers.size(); ++i)
            EXPECT_NE(y.year.FindFioForBigName(plan.teachers[i].fullName), nullptr)
                << plan.teachers[i].fullName;
        for (const PlanSubjectName& n : plan.names) {
            const TYrName* stored = y.year.FindYrNameForName(n.shortName);
            ASSERT_NE(stored, nullptr) << n.shortName;
            EXPECT_EQ(stored->BigName(), n.fullName);
        }
        std::set<std::string> faculties;
        for (const auto& f : y.year.LFak) faculties.insert(f->Name());
        for (const PlanFaculty& f : plan.faculties) EXPECT_TRUE(faculties.count(f.name)) << f.name;

        for (const std::string& table : y.dm.DB.ListReIndex) {
            TTableBlob& t = y.dm.AT1;
            t.SetTableName(table);
            bool consistent = true;
            t.ErrorTest = [&](TTableBlob&, uint16_t code, const std::string& text) {
                consistent = false;
                ADD_FAILURE() << table << ": " << code << " " << text;
            };
            ASSERT_TRUE(t.Open()) << table;
            EXPECT_TRUE(t.TestTable() && consistent) << table;
            t.Close();
            t.ErrorTest = nullptr;
        }

        // The active year with exactly its numerator and denominator weeks.
        EXPECT_EQ(y.dm.FGodini.ReadInteger("God", "ActivGod", 0), plan.options.year);
        TGod god(y.dm);
        god.SetDataGod(plan.options.year, false);
        EXPECT_EQ(god.AllNed.CountActivDNed(), 2);
        for (int ne : kActiveWeeks) EXPECT_TRUE(god.AllNed.DNed(ne)->Activ) << ne;
    }
}

// Catches: a generator whose own bookkeeping lets a clash, a lesson outside
// a window or a study day, a split block or subgroup, or a load that
// disagrees with the timetable slip through.
TEST(HiddenTimetable, KeepsEveryRuleOfComposition) {
    for (SampleSize size : kTestedSizes)
        for (uint64_t seed : {3u, 8u}) {
            if (size == SampleSize::M && seed != 3) continue;
            SCOPED_TRACE(std::string(sizeName(size)) + " seed " + std::to_string(seed));
            const SampleHome& h = sampleHome(size, seed);
            ASSERT_TRUE(h.result.ok) << h.result.message;
            LoadedYear y(h);
            ASSERT_TRUE(y.loaded);
            const std::vector<std::string> v = testing::timetableViolations(h.result.plan, y.year);
            EXPECT_TRUE(v.empty()) << v.size() << " violations, first: " << v.front();
        }
}

bool mentions(const std::vector<std::string>& v, const std::string& what) {
    return std::any_of(v.begin(), v.end(),
                       [&](const std::string& s) { return s.find(what) != std::string::npos; });
}

// The judge itself: a timetable broken on purpose must be caught, or a
// clean verdict above would mean nothing.
TEST(HiddenTimetable, TheJudgeCatchesEachKindOfBreak) {
    const SampleHome& h = sampleHome(SampleSize::S, 3);
    ASSERT_TRUE(h.result.ok);
    LoadedYear y(h);
    ASSERT_TRUE(y.loaded);
    const SamplePlan& plan = h.result.plan;
    const auto& lessons = plan.weeks[0].lessons;
    auto single = [&](const PlanLesson& l) {
        const PlanSubject& s = plan.groups[static_cast<std::size_t>(l.group)]
                                   .subjects[static_cast<std::size_t>(l.subject)];
        return s.teachers.size() == 1 && s.unionIndex < 0 && s.spar == 1 && !l.pinned;
    };

    {  // A lesson moved onto another lesson of its teacher in another group.
        SamplePlan broken = plan;
        auto& ls = broken.weeks[0].lessons;
        bool done = false;
        for (std::size_t i = 0; i < ls.size() && !done; ++i)
            for (std::size_t j = 0; j < ls.size() && !done; ++j)
                if (single(ls[i]) && single(ls[j]) && ls[i].teacher == ls[j].teacher &&
                    ls[i].group != ls[j].group) {
                    ls[i].day = ls[j].day;
                    ls[i].period = ls[j].period;
                    done = true;
                }
        ASSERT_TRUE(done);
        EXPECT_TRUE(mentions(testing::timetableViolations(broken, y.year), "outside a union"));
    }
    {  // A lesson after the group's window.
        SamplePlan broken = plan;
        PlanLesson& l = broken.weeks[0].lessons.front();
        l.period = plan.groups[static_cast<std::size_t>(l.group)].firstPeriod + 4;
        EXPECT_TRUE(mentions(testing::timetableViolations(broken, y.year), "outside the window"));
    }
    {  // One subgroup taught without the other.
        SamplePlan broken = plan;
        auto& ls = broken.weeks[0].lessons;
        const auto it = std::find_if(ls.begin(), ls.end(), [&](const PlanLesson& l) {
            return plan.groups[static_cast<std::size_t>(l.group)]
                       .subjects[static_cast<std::size_t>(l.subject)]
                       .teachers.size() == 2;
        });
        ASSERT_NE(it, ls.end());
        ls.erase(it);
        const auto v = testing::timetableViolations(broken, y.year);
        EXPECT_TRUE(mentions(v, "teachers of")) << v.size();
        EXPECT_TRUE(mentions(v, " gives "));
    }
    {  // A lesson less than the stored load.
        SamplePlan broken = plan;
        auto& ls = broken.weeks[1].lessons;
        ls.erase(std::find_if(ls.begin(), ls.end(), single));
        EXPECT_TRUE(mentions(testing::timetableViolations(broken, y.year), "load"));
    }
    {  // A lesson when its teacher cannot teach.
        SamplePlan broken = plan;
        bool done = false;
        for (PlanLesson& l : broken.weeks[0].lessons) {
            const PlanTeacher& t = plan.teachers[static_cast<std::size_t>(l.teacher)];
            if (done || !single(l) || !t.restricted) continue;
            for (int d = 1; d <= 6 && !done; ++d)
                if (t.op[static_cast<std::size_t>(d)][static_cast<std::size_t>(l.period)] == 0) {
                    l.day = d;
                    done = true;
                }
        }
        if (done) {
            EXPECT_TRUE(mentions(testing::timetableViolations(broken, y.year), "may not teach"));
        }
    }
    {  // A pinned lesson the preliminary settings do not hold.
        SamplePlan broken = plan;
        const auto it =
            std::find_if(broken.weeks[0].lessons.begin(), broken.weeks[0].lessons.end(), single);
        it->pinned = true;
        EXPECT_TRUE(mentions(testing::timetableViolations(broken, y.year), "pinned"));
    }
    EXPECT_FALSE(lessons.empty());
}

}  // namespace
}  // namespace zavlin::demo
