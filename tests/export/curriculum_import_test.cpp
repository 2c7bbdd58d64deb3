#include "export/curriculum_import.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "base/file_system.h"
#include "base/my_dialog.h"
#include "base/text.h"
#include "composition/sos_run.h"
#include "composition/week_search.h"
#include "demo/sample_college.h"
#include "export/curriculum_writer.h"
#include "export/xml_document.h"
#include "model/god.h"
#include "model/name_text.h"
#include "storage/year_database.h"
#include "support/scratch_home.h"

namespace zavlin::exporting {
namespace {

namespace fs = std::filesystem;

constexpr int kYear = 2015;

// A Graf of `days` study days (Monday to Saturday from 1 September), the
// rest free.
std::string grafOf(int days) {
    TAllNed calendar;
    calendar.SetDataGod(kYear, false);
    std::string out;
    for (int i = 0; i < kGrafDays; ++i) {
        int ne = 0, d = 0;
        const bool study =
            days > 0 && calendar.DateToNedDey(calendar.Date09_01() + i, false, ne, d) && d <= 6;
        out += study ? "У" : "-";
        if (study) --days;
    }
    return out;
}

struct GroupXml {
    std::string name = "ИС-11";
    int studyDays = 100;
    int dey2sem = 0;
    std::string subjects;  // "Pr" elements
};

std::string subjectXml(int np, const std::string& ned, int h1, const std::string& fio1,
                       const std::string& extra = "") {
    return "<Pr NPredmet=\"" + std::to_string(np) + "\" GNYrName=\"7\" N=\"3\" Tip=\"K\"" + extra +
           "><Ned>" + ned + "</Ned><Sem1 H1=\"" + std::to_string(h1) + "\" H2=\"0\">" + fio1 +
           "</Sem1></Pr>";
}

std::string docXml(const std::vector<GroupXml>& groups, const std::string& vers = "1",
                   const std::string& extraFio = "") {
    std::string g;
    for (const GroupXml& gx : groups)
        g += "<Gr Name=\"" + gx.name + "\" N=\"4\"><Main><Kyrs>2</Kyrs><Stud1>25</Stud1>" +
             "<Dey2sem>" + std::to_string(gx.dey2sem) + "</Dey2sem><Graf>" + grafOf(gx.studyDays) +
             "</Graf></Main>" + "<LPrGryp Count=\"9\">" + gx.subjects + "</LPrGryp></Gr>";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Plan><Year" +
           (vers.empty() ? std::string() : " Vers=\"" + vers + "\"") +
           " Name=\"2015\">"
           "<LDom Count=\"2\"><D Name=\"Главный корпус\" Count=\"2\"><LAyd>"
           "<A Name=\"101\" N=\"11\" Count=\"30\"/><A Name=\"Актовый\" N=\"12\" Count=\"90\"/>"
           "</LAyd></D><D Name=\"" +
           std::string(49, 'x') +
           "\" Count=\"0\"/></LDom>"
           "<LPredmet><P N=\"1\"><SName>Математика</SName><LName>Высшая математика</LName></P>"
           "<P N=\"2\"><SName>Информационные технологии</SName><LName>ИТ</LName></P></LPredmet>"
           "<LFio><F N=\"1\"><Name>Иванов Иван Иванович</Name></F>"
           "<F N=\"2\"><Name>Петрова Анна</Name></F>" +
           extraFio +
           "</LFio><LMetodist><M N=\"5\"><Name>Сидоров Пётр Павлович</Name></M></LMetodist>"
           "<LGryp Count=\"" +
           std::to_string(groups.size()) + "\">" + g + "</LGryp></Year></Plan>";
}

const std::string kFio1 = "<LFio1 Count=\"1\"><F FN=\"1\"/></LFio1>";

GroupXml defaultGroup() {
    GroupXml g;
    g.subjects = subjectXml(1, "<Ne1 H=\"4;0;3;\"/>", 35, kFio1) +
                 subjectXml(2, "<Ne2 H=\"2;\"/>", 0, "<LFio2 Count=\"2\"><F FN=\"2\"/></LFio2>",
                            " BakMet=\"5\"") +
                 subjectXml(9, "<Ne1 H=\"2;\"/>", 0, "");  // no subject text: skipped
    return g;
}

bool readPlan(const std::string& xml, TCurriculumPlan& plan, std::string& message) {
    TXMLCreater doc;
    if (!doc.LoadFromAnsiString(xml)) {
        message = doc.LastError();
        return false;
    }
    return ReadCurriculumPlan(doc, plan, message);
}

// The short name keeps one or two words whole and turns three into initials.
TEST(CurriculumNames, TeacherShortNameByWordCount) {
    EXPECT_EQ(ShortFioName("Иванов Иван Иванович"), "Иванов И.И.");
    EXPECT_EQ(ShortFioName("Петрова Анна"), "Петрова Анна");
    EXPECT_EQ(ShortFioName("Сидоров"), "Сидоров");
    EXPECT_EQ(ShortFioName("  Сидоров  "), "Сидоров");
    EXPECT_EQ(ImportFirstQuestion(2015),
              "При импорте все данные на год: 2015-2016 будут уничтожены! Продолжать?");
}

// The worked example, rounding of an exact half downwards, and the odd pair
// going to the second week only while it has fewer.
TEST(CurriculumTypicalWeek, PairsOfTheTwoWeeks) {
    std::array<int, 2> given{};
    EXPECT_EQ(TypicalWeekPairs(100, 35, given), (std::array<int, 2>{1, 1}));
    given = {};
    // 12 days: w = 2; 6 hours: l = 3, odd: the first week takes the extra.
    EXPECT_EQ(TypicalWeekPairs(12, 6, given), (std::array<int, 2>{2, 1}));
    EXPECT_EQ(TypicalWeekPairs(12, 6, given), (std::array<int, 2>{1, 2}));
    EXPECT_EQ(TypicalWeekPairs(12, 6, given), (std::array<int, 2>{2, 1}));
    given = {};
    // 5 hours over 2 weeks is 2.5: an exact half rounds down to 2.
    EXPECT_EQ(TypicalWeekPairs(12, 5, given), (std::array<int, 2>{1, 1}));
    // Fewer than three days make no week.
    EXPECT_EQ(TypicalWeekPairs(2, 40, given), (std::array<int, 2>{0, 0}));
    // 9 days: 1 week with the remainder 3 > 2 makes 2, so 8 hours are 4 a week.
    given = {};
    EXPECT_EQ(TypicalWeekPairs(9, 8, given), (std::array<int, 2>{2, 2}));
    given = {};
    EXPECT_EQ(TypicalWeekPairs(8, 8, given), (std::array<int, 2>{4, 4}));
}

TEST(CurriculumRead, SubjectsKindsTeachersAndSkips) {
    TCurriculumPlan plan;
    std::string message;
    ASSERT_TRUE(readPlan(docXml({defaultGroup()}), plan, message)) << message;
    EXPECT_EQ(plan.version, 1);
    EXPECT_EQ(plan.year, 2015);
    ASSERT_EQ(plan.buildings.size(), 1u) << "a building name over 48 characters is skipped";
    ASSERT_EQ(plan.buildings[0].rooms.size(), 1u) << "a room name over 5 characters is skipped";
    EXPECT_EQ(plan.buildings[0].rooms[0].n, 11);
    EXPECT_EQ(plan.buildings[0].rooms[0].seats, 30);
    ASSERT_EQ(plan.groups.size(), 1u);
    const TPlanGroup& g = plan.groups[0];
    EXPECT_EQ(g.kyrs, 2);
    EXPECT_EQ(g.stud1, 25);
    ASSERT_EQ(g.subjects.size(), 2u) << "the entry without a subject text is skipped";
    const TPlanSubject& math = g.subjects[0];
    EXPECT_EQ(math.shortName, "Математика");
    EXPECT_EQ(math.kind, 1);
    EXPECT_EQ(math.tipDRKM, 3);
    EXPECT_EQ(math.hPairs, (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(math.half[0].hours, 35);
    const TPlanSubject& it = g.subjects[1];
    EXPECT_EQ(it.shortName, "Информационные (Д)") << "15 characters, then the kind's mark";
    EXPECT_EQ(it.kind, 2);
    // One named teacher and the methodist's placeholder up to Count.
    ASSERT_EQ(it.half[0].teachers.size(), 2u);
    const TPlanTeacher& placeholder =
        plan.teachers[static_cast<std::size_t>(it.half[0].teachers[1])];
    EXPECT_EQ(placeholder.fullName, "?Сидоров Пётр Павлович");
    EXPECT_EQ(placeholder.shortName, "?Сидоров П.П.");
    EXPECT_EQ(plan.teachers.size(), 3u);
}

TEST(CurriculumRead, MalformedAndInconsistentFilesAreRefused) {
    TCurriculumPlan plan;
    std::string message;
    EXPECT_FALSE(readPlan("<?xml version=\"1.0\"?><Plan><Year Vers=\"1\"></Plan>", plan, message));
    EXPECT_NE(message.find("строка 1"), std::string::npos) << message;

    GroupXml bad = defaultGroup();
    bad.subjects = subjectXml(1, "<Ne1 H=\"4;x;\"/>", 35, kFio1);
    EXPECT_FALSE(readPlan(docXml({bad}), plan, message));
    EXPECT_NE(message.find("\"x\""), std::string::npos) << message;

    bad.subjects =
        subjectXml(1, "<Ne1 H=\"4;\"/>", 35, "<LFio1 Count=\"1\"><F FN=\"77\"/></LFio1>");
    EXPECT_FALSE(readPlan(docXml({bad}), plan, message)) << "an unknown teacher reference";
    EXPECT_NE(message.find("77"), std::string::npos) << message;

    bad.subjects = subjectXml(1, "<Ne1 H=\"400;\"/>", 35, kFio1);
    EXPECT_FALSE(readPlan(docXml({bad}), plan, message)) << "200 pairs in a week";

    GroupXml twice = defaultGroup();
    EXPECT_FALSE(readPlan(docXml({twice, twice}), plan, message)) << "a group named twice";
    EXPECT_NE(message.find("ИС-11"), std::string::npos) << message;

    const std::string nan = std::string(docXml({defaultGroup()}))
                                .replace(docXml({defaultGroup()}).find("<Kyrs>2"), 7, "<Kyrs>z");
    EXPECT_FALSE(readPlan(nan, plan, message)) << "a course that is no number";
}

// A database home with its list of years.
class ImportHome {
public:
    ImportHome() : scratch_("import") {
        std::string message;
        ok = scratch_.MakeDatabase(message);
        EXPECT_TRUE(ok) << message;
        reopen();
    }
    void reopen() {
        years.reset();
        dm = std::make_unique<TDM1>(scratch_.path(), dialog, faulty);
        years = std::make_unique<TAllGod>(*dm);
        EXPECT_TRUE(years->ReadListGod());
    }
    TImportResult import(const std::string& xml, std::string& message,
                         const TImportHooks& hooks = {}) {
        TCurriculumPlan plan;
        if (!readPlan(xml, plan, message)) return TImportResult::Failed;
        return ImportCurriculum(*years, plan, dialog, hooks, message);
    }
    // The stored year, read afresh.
    std::unique_ptr<TGod> stored(int year = kYear) {
        reopen();
        const int indx = years->GetIndexGod(year);
        if (indx < 0) return nullptr;
        auto god = years->CreateGod(indx);
        EXPECT_TRUE(god->Load());
        return god;
    }
    const fs::path& path() const { return scratch_.path(); }

    testsupport::ScratchHome scratch_;
    FaultInjectingFileSystem faulty;
    bool ok = false;
    TScriptedDialog dialog{false};
    std::unique_ptr<TDM1> dm;
    std::unique_ptr<TAllGod> years;
};

// Study days of the group's weeks before its second half-year.
int studyDaysBeforeSpring(const TGryp& gr) {
    int days = 0;
    for (int ne = 1; ne < gr.NedStartSemm(2); ++ne)
        for (int d = 1; d <= 6; ++d) days += gr.TestRunDey(ne, d) ? 1 : 0;
    return days;
}

TPredmet* subjectNamed(TGryp& gr, const std::string& name) {
    for (const auto& pr : gr.LPredmet)
        if (pr->YrName() != nullptr && pr->YrName()->Name() == name) return pr.get();
    return nullptr;
}

TEST(CurriculumImport, BuildsTheYearFromTheFile) {
    ImportHome home;
    ASSERT_TRUE(home.ok);
    std::string message;
    std::vector<std::string> status;
    TImportHooks hooks;
    hooks.status = [&](const std::string& s) { status.push_back(s); };
    ASSERT_EQ(home.import(docXml({defaultGroup()}), message, hooks), TImportResult::Done)
        << message;
    EXPECT_TRUE(home.dialog.asked.empty()) << "a new year needs no second warning";
    EXPECT_EQ(status.back(), kImportDone);
    ASSERT_NE(home.years->God(), nullptr);
    ASSERT_NE(home.years->God()->FindAyd("Главный корпус", "101"), nullptr);
    EXPECT_EQ(home.years->God()->FindAyd("Главный корпус", "101")->GN, 11);
    EXPECT_NE(std::find(status.begin(), status.end(), "Группа: ИС-11 Предмет: Математика"),
              status.end());

    auto god = home.stored();
    ASSERT_NE(god, nullptr);
    EXPECT_EQ(home.dm->FGodini.ReadInteger("God", "ActivGod", 0), kYear) << "made active";
    TGryp* gr = god->FindGrypForName("ИС-11");
    ASSERT_NE(gr, nullptr);
    EXPECT_EQ(gr->Dan.GN, 4);
    EXPECT_EQ(gr->Dan.Kyrs, 2);
    EXPECT_EQ(gr->Dan.Ks, 25);
    ASSERT_NE(god->FindAyd("Главный корпус", "101"), nullptr);
    EXPECT_EQ(god->FindAyd("Главный корпус", "101")->kv, 30);

    TPredmet* math = subjectNamed(*gr, "Математика");
    ASSERT_NE(math, nullptr);
    EXPECT_EQ(math->YrName()->BigName(), "Высшая математика");
    EXPECT_EQ(math->Dan.TipDRKM, 3);
    EXPECT_EQ(math->Dan.GDel, 1);
    EXPECT_EQ(math->Dan.GNYrName, 7);
    EXPECT_EQ(math->Dan.GNPredmetYp, 3);
    EXPECT_EQ(math->Dan.Sem1, 17) << "35 hours are 17 planned pairs";
    // "4;0;3;" and the typical weeks of 35 hours over 100 days.
    EXPECT_EQ(math->CountPredmetNe(kSetkaPlan, 1), 2);
    EXPECT_EQ(math->CountPredmetNe(kSetkaPlan, 2), 0);
    EXPECT_EQ(math->CountPredmetNe(kSetkaPlan, 3), 1);
    EXPECT_EQ(math->CountPredmetNe(kSetkaPlan, 53), 1);
    EXPECT_EQ(math->CountPredmetNe(kSetkaPlan, 54), 1);
    EXPECT_EQ(math->NameFio(1), "Иванов И.И.");
    EXPECT_EQ(math->CountFio(2), 0) << "a week without pairs gets no teachers";
    EXPECT_EQ(math->Dan.Podg, 0);
    ASSERT_NE(gr->GetNed(53), nullptr);
    EXPECT_EQ(gr->GetNed(55), nullptr) << "no second half-year";

    TPredmet* it = subjectNamed(*gr, "Информационные (Д)");
    ASSERT_NE(it, nullptr);
    EXPECT_EQ(it->Dan.GDel, 2);
    EXPECT_EQ(it->CountPredmetNe(kSetkaPlan, 1), 1);
    EXPECT_EQ(it->CountFio(1), 2) << "the teacher and the methodist's placeholder";
    EXPECT_EQ(it->Dan.Podg, 1) << "two teachers read in subgroups";
    EXPECT_NE(god->FindFioForShortName("?Сидоров П.П."), nullptr);
    EXPECT_EQ(god->FindFioForShortName("?Сидоров П.П.")->BigName(), "?Сидоров Пётр Павлович");
    EXPECT_EQ(gr->CountPredmet(), 2);
}

// The second half-year: its teachers from the week it starts in, and its
// typical weeks 55 and 56 from its own study days.
TEST(CurriculumImport, SecondHalfYearTeachersAndTypicalWeeks) {
    ImportHome home;
    ASSERT_TRUE(home.ok);
    GroupXml g;
    g.studyDays = 200;
    g.dey2sem = 183;  // 1 March 2016, a Tuesday
    g.subjects =
        "<Pr NPredmet=\"1\" N=\"1\"><Ned><Ne1 H=\"2;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;"
        "0;0;0;4;\"/></Ned><Sem1 H1=\"20\">" +
        kFio1 + "</Sem1><Sem2 H1=\"12\"><LFio1 Count=\"1\"><F FN=\"2\"/></LFio1></Sem2></Pr>";
    std::string message;
    ASSERT_EQ(home.import(docXml({g}), message), TImportResult::Done) << message;
    auto god = home.stored();
    TGryp* gr = god->FindGrypForName("ИС-11");
    ASSERT_NE(gr, nullptr);
    EXPECT_EQ(gr->StrDateSemm2(), "01.03.2016");
    const int spring = gr->NedStartSemm(2);
    EXPECT_EQ(spring, 27);
    TPredmet* math = subjectNamed(*gr, "Математика");
    ASSERT_NE(math, nullptr);
    EXPECT_EQ(math->NameFio(1), "Иванов И.И.");
    EXPECT_EQ(math->CountPredmetNe(kSetkaPlan, 28), 2);
    EXPECT_EQ(math->NameFio(28), "Петрова Анна") << "week 28 is in the second half-year";
    ASSERT_NE(gr->GetNed(55), nullptr);
    // 156 study days before 1 March, 44 from it. 20 hours over 26 weeks
    // round to 1: one pair in week 53. 12 hours over 7 weeks round to 2.
    EXPECT_EQ(math->CountPredmetNe(kSetkaPlan, 53), 1);
    EXPECT_EQ(math->CountPredmetNe(kSetkaPlan, 54), 0);
    EXPECT_EQ(math->CountPredmetNe(kSetkaPlan, 55), 1);
    EXPECT_EQ(math->CountPredmetNe(kSetkaPlan, 56), 1);
    EXPECT_EQ(math->NameFio(53), "Иванов И.И.");
    EXPECT_EQ(math->NameFio(55), "Петрова Анна");
    EXPECT_EQ(math->Dan.Sem1, 10);
    EXPECT_EQ(math->Dan.Sem2, 6);
}

// Too few hours for a pair in the typical weeks: 4 hours over 100 days is
// 17 weeks and rounds to no pair, yet both teachers of the half-year go to
// both weeks and make the subject one of subgroups.
TEST(CurriculumImport, HalfYearWithoutTypicalPairsKeepsItsTeachers) {
    ImportHome home;
    ASSERT_TRUE(home.ok);
    GroupXml g;
    g.studyDays = 100;
    g.subjects =
        "<Pr NPredmet=\"1\" N=\"1\"><Ned><Ne1 H=\"\"/></Ned><Sem1 H1=\"4\">"
        "<LFio1 Count=\"2\"><F FN=\"1\"/><F FN=\"2\"/></LFio1></Sem1></Pr>";
    std::string message;
    ASSERT_EQ(home.import(docXml({g}), message), TImportResult::Done) << message;
    auto god = home.stored();
    TPredmet* math = subjectNamed(*god->FindGrypForName("ИС-11"), "Математика");
    ASSERT_NE(math, nullptr);
    EXPECT_EQ(math->Dan.Sem1, 2);
    EXPECT_EQ(math->Dan.Podg, 1);
    for (int ne : {53, 54}) {
        EXPECT_EQ(math->CountPredmetNe(kSetkaPlan, ne), 0) << ne;
        std::set<std::string> names;
        for (const auto& fp : math->GetLFio(ne))
            if (fp->Fio() != nullptr) names.insert(fp->Fio()->Name());
        EXPECT_EQ(names, (std::set<std::string>{"Иванов И.И.", "Петрова Анна"})) << ne;
    }
    for (int ne : {55, 56}) EXPECT_TRUE(math->GetLFio(ne).empty()) << ne;
}

TEST(CurriculumImport, OldVersionChangesNothing) {
    ImportHome home;
    ASSERT_TRUE(home.ok);
    for (const std::string vers : {"", "0"}) {
        std::string message;
        EXPECT_EQ(home.import(docXml({defaultGroup()}, vers), message), TImportResult::Failed);
        EXPECT_EQ(message, kOldVersionMessage);
        EXPECT_EQ(home.years->CountGod(), 0);
        EXPECT_TRUE(home.dialog.asked.empty());
    }
}

TEST(CurriculumImport, ExistingYearIsAskedTwiceAndReplacedWhole) {
    ImportHome home;
    ASSERT_TRUE(home.ok);
    std::string message;
    GroupXml other = defaultGroup();
    other.name = "ЭК-21";
    ASSERT_EQ(home.import(docXml({defaultGroup(), other}), message), TImportResult::Done)
        << message;

    bool backedUp = false;
    TImportHooks hooks;
    hooks.backup = [&] {
        backedUp = true;
        return true;
    };
    // Backup yes, replace no: the backup stays made, the year untouched.
    home.dialog.queue(true);
    home.dialog.queue(false);
    EXPECT_EQ(home.import(docXml({defaultGroup()}), message, hooks), TImportResult::Declined);
    EXPECT_TRUE(backedUp);
    ASSERT_EQ(home.dialog.asked.size(), 2u);
    EXPECT_EQ(home.dialog.asked[0], "Выполнить резервное копирование перед импортированием?");
    EXPECT_EQ(home.dialog.asked[1],
              "Год: 2015-2016. Повторное предупреждение. Если группы  существуют, то их данные "
              "будут переписаны. Продолжать?");
    EXPECT_NE(home.stored()->FindGrypForName("ЭК-21"), nullptr);

    // A backup that fails stops the import.
    home.dialog.asked.clear();
    hooks.backup = [] { return false; };
    home.dialog.queue(true);
    EXPECT_EQ(home.import(docXml({defaultGroup()}), message, hooks), TImportResult::Failed);
    EXPECT_NE(message.find("Резервная копия не создана"), std::string::npos);
    EXPECT_NE(home.stored()->FindGrypForName("ЭК-21"), nullptr);

    // No backup, replace yes: the year holds only what the file holds.
    home.dialog.asked.clear();
    home.dialog.queue(false);
    home.dialog.queue(true);
    hooks.backup = [] { return true; };
    ASSERT_EQ(home.import(docXml({defaultGroup()}), message, hooks), TImportResult::Done)
        << message;
    EXPECT_EQ(home.dialog.asked.size(), 2u);
    auto god = home.stored();
    EXPECT_EQ(god->FindGrypForName("ЭК-21"), nullptr);
    ASSERT_NE(god->FindGrypForName("ИС-11"), nullptr);
    EXPECT_EQ(god->CountGryp(), 1);
    EXPECT_EQ(god->CountFio(), 3);
    EXPECT_EQ(home.years->CountGod(), 1);
}

// A write refused in the middle of the import is told, with the way back,
// and never reported as success; a read refused before the year is touched
// leaves it whole. The next import mends the year.
TEST(CurriculumImport, AFailedWriteIsReportedWithTheWayBack) {
    ImportHome home;
    ASSERT_TRUE(home.ok);
    std::string message;
    GroupXml other = defaultGroup();
    other.name = "ЭК-21";
    const std::string xml = docXml({defaultGroup(), other});
    ASSERT_EQ(home.import(xml, message), TImportResult::Done) << message;
    home.dialog = TScriptedDialog(true);
    home.faulty.failAt(0);
    const uint64_t start = home.faulty.operations();
    ASSERT_EQ(home.import(xml, message), TImportResult::Done) << message;
    const uint64_t total = home.faulty.operations() - start;
    ASSERT_GT(total, 20u);
    int failures = 0;
    for (uint64_t n : {total / 3, total / 2, total * 3 / 4, total - 2}) {
        home.reopen();
        home.faulty.failAt(n, false);
        const TImportResult result = home.import(xml, message);
        if (!home.faulty.failed()) continue;
        home.faulty.failAt(0);
        // A fault after a write was made good (a journal's clean-up) may
        // leave the import done: then the year must be whole.
        if (result == TImportResult::Done) {
            auto god = home.stored();
            ASSERT_NE(god, nullptr) << "operation " << n;
            EXPECT_EQ(god->CountGryp(), 2) << "operation " << n;
            EXPECT_EQ(subjectNamed(*god->FindGrypForName("ЭК-21"), "Математика")
                          ->CountPredmetNe(kSetkaPlan, 1),
                      2)
                << "operation " << n;
            continue;
        }
        ++failures;
        EXPECT_EQ(result, TImportResult::Failed) << "operation " << n << " of " << total;
        if (message.find("данные не изменены") != std::string::npos) {
            auto kept = home.stored();
            ASSERT_NE(kept, nullptr);
            EXPECT_EQ(kept->CountGryp(), 2) << "operation " << n;
            continue;
        }
        EXPECT_NE(message.find("Резервное восстановление"), std::string::npos) << message;
    }
    EXPECT_GT(failures, 0);
    home.faulty.failAt(0);
    home.reopen();
    ASSERT_EQ(home.import(xml, message), TImportResult::Done) << message;
    auto god = home.stored();
    ASSERT_NE(god, nullptr);
    EXPECT_EQ(god->CountGryp(), 2);
    EXPECT_EQ(
        subjectNamed(*god->FindGrypForName("ЭК-21"), "Математика")->CountPredmetNe(kSetkaPlan, 1),
        2);
}

TEST(CurriculumDryRun, ReportsExactlyTheChangedLoadAndTheNewTeacher) {
    ImportHome home;
    ASSERT_TRUE(home.ok);
    std::string message;
    ASSERT_EQ(home.import(docXml({defaultGroup()}), message), TImportResult::Done) << message;

    TCurriculumPlan same;
    ASSERT_TRUE(readPlan(docXml({defaultGroup()}), same, message));
    TImportReport report;
    ASSERT_TRUE(DryRunCurriculum(*home.years, same, report, message)) << message;
    EXPECT_TRUE(report.NoChange()) << report.Text();

    // What the import rewrites beyond the pairs is compared too, and what the
    // deletion takes without the plan giving it back is counted as removed.
    {
        TGod& god = *home.years->God();
        TGryp& gr = *god.FindGrypForName("ИС-11");
        TPredmet& math = *subjectNamed(gr, "Математика");
        const uint8_t tip = math.Dan.TipDRKM;
        const uint8_t days = gr.GetNedDey(2);
        math.Dan.TipDRKM = static_cast<uint8_t>(tip + 1);
        gr.SetNedDey(2, static_cast<uint8_t>(days & ~(1u << 3)));
        god.LFio[0]->SetDolg("доцент");
        ASSERT_TRUE(DryRunCurriculum(*home.years, same, report, message)) << message;
        EXPECT_FALSE(report.NoChange());
        std::string text = report.Text();
        EXPECT_NE(text.find("нагрузка ИС-11 / Математика: тип"), std::string::npos) << text;
        EXPECT_NE(text.find("группа ИС-11: дни недели 2:"), std::string::npos) << text;
        EXPECT_NE(text.find("данные преподавателей вне учебного плана (часы, аудитории, "
                            "должность): 1"),
                  std::string::npos)
            << text;
        math.Dan.TipDRKM = tip;
        gr.SetNedDey(2, days);
        god.LFio[0]->SetDolg("");
        ASSERT_TRUE(DryRunCurriculum(*home.years, same, report, message)) << message;
        EXPECT_TRUE(report.NoChange()) << report.Text();
    }

    // Week 3 of mathematics gets 2 pairs, and a new teacher appears in the
    // second half-year list of a subject without second-half load.
    GroupXml changed = defaultGroup();
    changed.subjects = subjectXml(1, "<Ne1 H=\"4;0;4;\"/>", 35, kFio1) +
                       subjectXml(2, "<Ne2 H=\"2;\"/>", 0,
                                  "<LFio2 Count=\"2\"><F FN=\"2\"/></LFio2>", " BakMet=\"5\"");
    std::string xml = docXml({changed}, "1", "<F N=\"3\"><Name>Орлов Олег Олегович</Name></F>");
    xml.replace(xml.find("</Sem1></Pr>"), 12,
                "</Sem1><Sem2 H1=\"0\"><LFio1 Count=\"1\"><F FN=\"3\"/></LFio1></Sem2></Pr>");
    TCurriculumPlan plan;
    ASSERT_TRUE(readPlan(xml, plan, message)) << message;
    ASSERT_TRUE(DryRunCurriculum(*home.years, plan, report, message)) << message;
    EXPECT_EQ(report.added, std::vector<std::string>{"преподаватель Орлов Олег Олегович"})
        << report.Text();
    ASSERT_EQ(report.changed.size(), 1u) << report.Text();
    EXPECT_EQ(report.changed[0], "нагрузка ИС-11 / Математика: нед. 3: 1 → 2");
    EXPECT_TRUE(report.removed.empty()) << report.Text();

    // Nothing was written: the year still has one pair in week 3.
    auto god = home.stored();
    EXPECT_EQ(
        subjectNamed(*god->FindGrypForName("ИС-11"), "Математика")->CountPredmetNe(kSetkaPlan, 3),
        1);
    EXPECT_EQ(god->FindFioForShortName("Орлов О.О."), nullptr);
}

bool hasLine(const std::vector<std::string>& lines, const std::string& start) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& l) { return l.rfind(start, 0) == 0; });
}

// The year written and read back as a plan.
TCurriculumPlan writtenPlan(const TAllRasp& year, const fs::path& file) {
    TCurriculumPlan plan;
    std::string message;
    EXPECT_TRUE(SaveCurriculum(year, file, message)) << message;
    EXPECT_TRUE(LoadCurriculumPlan(file, plan, message)) << message;
    return plan;
}

// A name the file cuts to 18 characters comes back as the year's own name
// when exactly one of the year's names begins with it; two that share the
// cut make a new subject, and the dry run says so. Imported, the year is
// what its written plan says.
TEST(CurriculumReimport, CutSubjectNamesKeepTheYearsOnlyWhenUnique) {
    ImportHome home;
    ASSERT_TRUE(home.ok);
    std::string message;
    ASSERT_EQ(home.import(docXml({defaultGroup()}), message), TImportResult::Done) << message;
    TGod& god = *home.years->God();
    TGryp& gr = *god.FindGrypForName("ИС-11");
    // Short names hold up to 20 characters.
    const std::string alone = "Математика и физика";
    const std::string twin = "Теоретич. механика1";
    const std::string twin2 = "Теоретич. механика2";
    for (const std::string& name : {alone, twin, twin2}) {
        TYrName* yr = god.CreateYrName(name, name == alone ? "Матанализ" : "");
        ASSERT_TRUE(god.AddYrName(yr)) << name;
        if (name == twin2) continue;
        TPredmet* pr = gr.CreatePredmet(yr);
        ASSERT_NE(pr, nullptr);
        pr->Dan.GDel = 1;
        ASSERT_NE(pr->AddPredmetNe(kSetkaPlan, 1), nullptr);
    }
    const TCurriculumPlan plan = writtenPlan(god, home.path() / "plan.xml");
    const std::string twinCut = trim(utf8Prefix(twin, kSubjectShort1));

    TImportReport report;
    ASSERT_TRUE(DryRunCurriculum(*home.years, plan, report, message)) << message;
    EXPECT_FALSE(hasLine(report.added, "предмет " + trim(utf8Prefix(alone, kSubjectShort1))))
        << report.Text();
    EXPECT_FALSE(hasLine(report.removed, "предмет " + alone)) << report.Text();
    EXPECT_FALSE(hasLine(report.changed, "нагрузка ИС-11 / " + alone)) << report.Text();
    EXPECT_TRUE(hasLine(report.added, "предмет " + twinCut)) << report.Text();
    EXPECT_TRUE(hasLine(report.added, "нагрузка ИС-11 / " + twinCut)) << report.Text();
    EXPECT_TRUE(hasLine(report.removed, "нагрузка ИС-11 / " + twin)) << report.Text();

    home.dialog = TScriptedDialog(true);
    ASSERT_EQ(ImportCurriculum(*home.years, plan, home.dialog, {}, message), TImportResult::Done)
        << message;
    auto stored = home.stored();
    ASSERT_NE(stored, nullptr);
    const TYrName* kept = stored->FindYrNameForName(alone);
    ASSERT_NE(kept, nullptr) << "the full name is kept";
    EXPECT_EQ(kept->BigName(), "Матанализ");
    TGryp& again = *stored->FindGrypForName("ИС-11");
    ASSERT_NE(subjectNamed(again, alone), nullptr);
    EXPECT_EQ(subjectNamed(again, alone)->CountPredmetNe(kSetkaPlan, 1), 1);
    ASSERT_NE(subjectNamed(again, twinCut), nullptr) << "an ambiguous cut is a new subject";

    ASSERT_TRUE(DryRunCurriculum(*home.years, plan, report, message)) << message;
    EXPECT_TRUE(report.NoChange()) << report.Text();
}

// What a plan does not hold survives the re-import of its year: the active
// weeks and the year's own Saturday rule. Plan numbers travel as the
// teachers' references: a teacher's own number when it is unique, a free one
// otherwise, which the dry run shows as the change it is.
TEST(CurriculumReimport, CalendarSettingsAndPlanNumbers) {
    ImportHome home;
    ASSERT_TRUE(home.ok);
    std::string message;
    ASSERT_EQ(home.import(docXml({defaultGroup()}), message), TImportResult::Done) << message;
    TGod& god = *home.years->God();
    god.AllNed.SetActivWeeks({2, 3});
    ASSERT_TRUE(god.AllNed.SaveDataGod());
    ASSERT_TRUE(god.SetDataGod(true));
    ASSERT_TRUE(home.dm->FGodini.UpdateFile());
    const std::string activeWeeks = god.AllNed.ActivDNedToStr();
    ASSERT_EQ(god.CountFio(), 3);
    god.LFio[0]->GN = 0;
    god.LFio[1]->GN = 7;
    god.LFio[2]->GN = 7;
    const TCurriculumPlan plan = writtenPlan(god, home.path() / "plan.xml");
    std::map<std::string, int> numbers;
    for (const TPlanTeacher& t : plan.teachers) numbers[t.shortName] = t.fn;
    ASSERT_EQ(numbers.size(), 3u);
    std::set<int> distinct;
    for (const auto& [name, n] : numbers) {
        EXPECT_GT(n, 7) << name << ": no number of its own that is unique";
        distinct.insert(n);
    }
    EXPECT_EQ(distinct.size(), 3u);

    TImportReport report;
    ASSERT_TRUE(DryRunCurriculum(*home.years, plan, report, message)) << message;
    EXPECT_FALSE(hasLine(report.changed, "активные недели")) << report.Text();
    const std::string first = god.LFio[0]->Name();
    EXPECT_TRUE(hasLine(report.changed,
                        fmt::format("преподаватель {}: номер 0 → {}", first, numbers[first])))
        << report.Text();

    home.dialog = TScriptedDialog(true);
    ASSERT_EQ(ImportCurriculum(*home.years, plan, home.dialog, {}, message), TImportResult::Done)
        << message;
    auto stored = home.stored();
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->AllNed.ActivDNedToStr(), activeWeeks);
    EXPECT_TRUE(stored->FRunSubb);
    for (const auto& [name, n] : numbers) {
        ASSERT_NE(stored->FindFioForShortName(name), nullptr) << name;
        EXPECT_EQ(stored->FindFioForShortName(name)->GN, n) << name;
    }
    // Numbered now, each keeps its own.
    const TCurriculumPlan second = writtenPlan(*stored, home.path() / "again.xml");
    for (const TPlanTeacher& t : second.teachers) EXPECT_EQ(t.fn, numbers[t.shortName]);
    ASSERT_TRUE(DryRunCurriculum(*home.years, second, report, message)) << message;
    EXPECT_TRUE(report.NoChange()) << report.Text();
}

// The half-year's hours written give back both its planned pairs and its
// typical weeks; its second half-year starts on its day even when the group
// does not study that day.
TEST(CurriculumReimport, HalfYearHoursAndItsStartComeBack) {
    ImportHome home;
    ASSERT_TRUE(home.ok);
    GroupXml g;
    g.dey2sem = 250;  // past the 100 study days
    g.subjects = subjectXml(1, "<Ne1 H=\"4;0;3;\"/>", 36, kFio1);
    std::string message;
    ASSERT_EQ(home.import(docXml({g}), message), TImportResult::Done) << message;
    TGod& god = *home.years->God();
    TGryp& gr = *god.FindGrypForName("ИС-11");
    int32_t start = god.AllNed.Date09_01() + g.dey2sem - 1;
    if (isoWeekday(start) == 7) ++start;
    EXPECT_EQ(gr.Dan.DateSemm2, start);
    TPredmet& math = *subjectNamed(gr, "Математика");
    EXPECT_EQ(math.Dan.Sem1, 18);
    EXPECT_EQ(math.CountPredmetNe(kSetkaPlan, 53) + math.CountPredmetNe(kSetkaPlan, 54), 2);

    const TCurriculumPlan plan = writtenPlan(god, home.path() / "plan.xml");
    ASSERT_EQ(plan.groups.size(), 1u);
    EXPECT_EQ(plan.groups[0].dey2sem, g.dey2sem);
    ASSERT_FALSE(plan.groups[0].subjects.empty());
    EXPECT_EQ(plan.groups[0].subjects[0].half[0].hours / 2, 18);
    TImportReport report;
    ASSERT_TRUE(DryRunCurriculum(*home.years, plan, report, message)) << message;
    EXPECT_TRUE(report.NoChange()) << report.Text();

    // Planned pairs the typical weeks cannot give back yield to the load.
    math.Dan.Sem1 = 40;
    const TCurriculumPlan other = writtenPlan(god, home.path() / "other.xml");
    ASSERT_TRUE(DryRunCurriculum(*home.years, other, report, message)) << message;
    ASSERT_EQ(report.changed.size(), 1u) << report.Text();
    EXPECT_EQ(report.changed[0].find("нагрузка ИС-11 / Математика: пар 1 полугодия 40 → "), 0u)
        << report.Text();
}

// Without its calendar a year would be written with every study day on
// another date: refused.
TEST(CurriculumWriter, AYearWithoutItsCalendarIsRefused) {
    ImportHome home;
    ASSERT_TRUE(home.ok);
    TAllRasp year(*home.dm);
    year.YGod = kYear;
    std::string message;
    const fs::path file = home.path() / "plan.xml";
    EXPECT_FALSE(SaveCurriculum(year, file, message));
    EXPECT_FALSE(message.empty());
    EXPECT_FALSE(fs::exists(file));
    year.AllNed.SetDataGod(kYear, false);
    EXPECT_TRUE(SaveCurriculum(year, file, message)) << message;
}

// The sample college written out, imported into another database and
// compared load by load; the imported year composes.
class CurriculumRoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(source.ok);
        const demo::SampleResult made = demo::createSampleCollege(
            source.path(), demo::SampleOptions{demo::SampleSize::S, 1, kYear}, source.dialog);
        ASSERT_TRUE(made.ok) << made.message;
        original = source.stored();
        ASSERT_NE(original, nullptr);
        file = source.path() / "plan.xml";
        std::string message;
        ASSERT_TRUE(SaveCurriculum(*original, file, message)) << message;
    }

    ImportHome source;
    std::unique_ptr<TGod> original;
    fs::path file;
};

TEST_F(CurriculumRoundTrip, ImportedSampleKeepsItsLoadAndComposes) {
    ImportHome target;
    ASSERT_TRUE(target.ok);
    TCurriculumPlan plan;
    std::string message;
    ASSERT_TRUE(LoadCurriculumPlan(file, plan, message)) << message;
    ASSERT_EQ(ImportCurriculum(*target.years, plan, target.dialog, {}, message),
              TImportResult::Done)
        << message;
    auto imported = target.stored();
    ASSERT_NE(imported, nullptr);
    ASSERT_EQ(imported->CountGryp(), original->CountGryp());
    int typicalDiffers = 0;
    int singlesLost = 0;
    int compared = 0;
    for (const auto& gr : original->LGryp) {
        TGryp* copy = imported->FindGrypForName(gr->Name());
        ASSERT_NE(copy, nullptr) << gr->Name();
        EXPECT_EQ(copy->Dan.Kyrs, gr->Dan.Kyrs);
        EXPECT_EQ(copy->Dan.Ks, gr->Dan.Ks);
        ASSERT_EQ(copy->CountPredmet(), gr->CountPredmet()) << gr->Name();
        for (int s = 0; s < gr->CountPredmet(); ++s) {
            const TPredmet& a = *gr->LPredmet[static_cast<std::size_t>(s)];
            const TPredmet& b = *copy->LPredmet[static_cast<std::size_t>(s)];
            // The plan's short names hold 18 characters.
            ASSERT_EQ(trim(utf8Prefix(a.YrName()->Name(), kSubjectShort1)), b.YrName()->Name());
            for (int ne = 1; ne <= kStudyWeeks; ++ne)
                EXPECT_EQ(b.CountPredmetNe(kSetkaPlan, ne), a.CountPredmetNe(kSetkaPlan, ne))
                    << gr->Name() << " / " << a.YrName()->Name() << " week " << ne;
            // The typical weeks travel as half-year hours: their sum comes
            // back, shared out by the import's rule.
            const int a53 = a.CountPredmetNe(kSetkaPlan, 53),
                      a54 = a.CountPredmetNe(kSetkaPlan, 54);
            const int b53 = b.CountPredmetNe(kSetkaPlan, 53),
                      b54 = b.CountPredmetNe(kSetkaPlan, 54);
            // A single pair over a half-year of one study week is one hour,
            // which plans no pair at all: the format cannot carry it.
            const bool single = a53 + a54 == 1 && studyDaysBeforeSpring(*gr) < 9;
            if (single) {
                ++singlesLost;
                EXPECT_EQ(b53 + b54, 0);
                continue;
            }
            EXPECT_EQ(a53 + a54, b53 + b54) << gr->Name() << " / " << a.YrName()->Name();
            EXPECT_LE(std::abs(b53 - b54), 1);
            typicalDiffers += a53 != b53 ? 1 : 0;
            ++compared;
            if (a.CountAllFio() > 0 && a53 + a54 > 0) {
                EXPECT_EQ(b.NameFio(53), a.NameFio(53))
                    << gr->Name() << " / " << a.YrName()->Name();
            }
        }
    }
    RecordProperty("typical_week_subjects_shared_differently", typicalDiffers);
    RecordProperty("typical_week_single_pairs_lost", singlesLost);
    EXPECT_GT(compared, 50);

    // One typical week of three groups composes from the imported load.
    target.years->LoadTimeYrok();
    for (int g = 0; g < 3; ++g) imported->LGryp[static_cast<std::size_t>(g)]->Select = true;
    TSosRun run(*imported, target.path());
    run.WLog = false;
    run.Statys = AStatys::sSosRasp;
    const TSostavResult result = SostavNed(run, 53);
    EXPECT_GT(result.units, 0);
    EXPECT_EQ(result.placed, result.units) << (result.unplaced.empty() ? "" : result.unplaced[0]);
}

TEST_F(CurriculumRoundTrip, DryRunOfTheWrittenYearFindsOnlyWhatThePlanCannotCarry) {
    TCurriculumPlan plan;
    std::string message;
    ASSERT_TRUE(LoadCurriculumPlan(file, plan, message)) << message;
    TImportReport report;
    ASSERT_TRUE(DryRunCurriculum(*source.years, plan, report, message)) << message;
    // The weekly load of weeks 1-52, the calendar of those weeks, the start
    // of the second half-year, the active weeks and every name come back;
    // what differs is what the plan cannot carry: the typical weeks' pairs
    // shared out again, fields the sample never filled, and all the year
    // holds outside a plan, counted lost.
    EXPECT_TRUE(report.added.empty()) << report.Text();
    for (const std::string& line : report.removed)
        for (const char* kind :
             {"предмет ", "нагрузка ", "группа ", "преподаватель ", "здание ", "аудитория "})
            EXPECT_NE(line.find(kind), 0u) << line;
    EXPECT_TRUE(hasLine(report.removed, "уроки в расписании: ")) << report.Text();
    EXPECT_TRUE(hasLine(report.removed, "факультеты: ")) << report.Text();
    EXPECT_FALSE(hasLine(report.changed, "активные недели")) << report.Text();
    for (const std::string& line : report.changed) {
        EXPECT_EQ(line.find("начало 2 полугодия"), std::string::npos) << line;
        // The sample fills what its plan holds: kinds, planned pairs,
        // subgroups and the teachers' plan numbers.
        for (const char* field :
             {"вид ", "пар 1 полугодия", "пар 2 полугодия", "подгруппы", "номер"})
            EXPECT_EQ(line.find(field), std::string::npos) << line;
        for (int ne = 1; ne <= kStudyWeeks; ++ne) {
            const std::string week = std::to_string(ne) + ":";
            EXPECT_EQ(line.find(": нед. " + week), std::string::npos) << line;
            EXPECT_EQ(line.find("; нед. " + week), std::string::npos) << line;
            EXPECT_EQ(line.find("дни недели " + week), std::string::npos) << line;
        }
        // Teachers go with pairs: a subject without any keeps none.
        for (std::size_t t = line.find("преподаватели нед. "); t != std::string::npos;
             t = line.find("преподаватели нед. ", t + 1)) {
            const std::size_t end = line.find(';', t);
            EXPECT_TRUE(line.substr(t, end - t).ends_with("→ -")) << line;
        }
    }

    // Imported once, the year is what its plan says: a second pass is silent.
    ImportHome target;
    ASSERT_TRUE(target.ok);
    ASSERT_EQ(ImportCurriculum(*target.years, plan, target.dialog, {}, message),
              TImportResult::Done)
        << message;
    auto imported = target.stored();
    const fs::path again = target.path() / "again.xml";
    ASSERT_TRUE(SaveCurriculum(*imported, again, message)) << message;
    TCurriculumPlan second;
    ASSERT_TRUE(LoadCurriculumPlan(again, second, message)) << message;
    ASSERT_TRUE(DryRunCurriculum(*target.years, second, report, message)) << message;
    EXPECT_TRUE(report.NoChange()) << report.Text();
}

}  // namespace
}  // namespace zavlin::exporting
