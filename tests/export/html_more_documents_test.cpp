// The report windows' documents of the export hub over the tiny year (and the
// planned hours over the sample college): file, title and heading of each,
// and the cells that carry the data — substitutions with their substitute,
// the groups in a room, the rooms of teachers and groups, the teachers'
// groups per period, the planned load counted from the load items.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/datetime.h"
#include "demo/sample_college.h"
#include "demo/sample_plan.h"
#include "export/document_opener.h"
#include "export/html_documents.h"
#include "export_year_fixture.h"
#include "storage/typed_arrays.h"

namespace zavlin::exporting {
namespace {

namespace fs = std::filesystem;

using TRows = std::vector<std::vector<std::string>>;

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The cells (heads and data) of every table row of a page, in order.
TRows rowsOf(const std::string& page) {
    TRows rows;
    for (std::size_t at = page.find("<TR>"); at != std::string::npos;
         at = page.find("<TR>", at + 4)) {
        const std::size_t end = page.find("</TR>", at);
        std::vector<std::string> cells;
        for (std::size_t c = page.find("  <T", at); c != std::string::npos && c < end;
             c = page.find("  <T", c + 4)) {
            const bool head = page.compare(c, 5, "  <TH") == 0;
            const std::size_t open = page.find('>', c) + 1;
            const std::size_t close = page.find(head ? "</TH>" : "</TD>", open);
            cells.push_back(page.substr(open, close - open));
        }
        rows.push_back(std::move(cells));
    }
    return rows;
}

// The first row whose first cells are the given ones.
std::vector<std::string> rowStarting(const TRows& rows, const std::vector<std::string>& start) {
    for (const auto& row : rows)
        if (row.size() >= start.size() && std::equal(start.begin(), start.end(), row.begin()))
            return row;
    return {};
}

// Cell i of a row, or a mark that it is missing (a test never indexes past
// a row that is not there).
std::string cell(const std::vector<std::string>& row, std::size_t i) {
    return i < row.size() ? row[i] : "<missing>";
}
std::string lastCell(const std::vector<std::string>& row) {
    return row.empty() ? "<missing>" : row.back();
}

TArrayOfPointByte weekDays(std::initializer_list<std::pair<int, int>> pairs) {
    TArrayOfPointByte wd;
    for (const auto& [ne, d] : pairs)
        wd.AddPoint(static_cast<uint8_t>(ne), static_cast<uint8_t>(d));
    return wd;
}

class MoreDocuments : public testing_export::TinyYear {
protected:
    void SetUp() override {
        TinyYear::SetUp();
        build();
        year->SelectAllGryp(true);
        for (const auto& fio : year->LFio) fio->Select = true;
        for (const auto& ayd : year->LAyd) ayd->Select = true;
        g1 = year->FindGrypForName("Г-1");
        g2 = year->FindGrypForName("Г-2");
        ivanov = year->FindFioForShortName("Иванов И.И.");
        petrov = year->FindFioForShortName("Петров П.П.");
        ASSERT_TRUE(g1 && g2 && ivanov && petrov && room);
        hub = std::make_unique<THtmlExportHub>(*year, home, hubDialog, opener);
        hub->StartWord = false;
        label = year->AllNed.DNed(1)->GetShortStrDateNed();
        monday = "Понедельник " + year->AllNed.DNed(1)->GetStrDateShortDey(1);
    }
    std::string temp(const std::string& name) const {
        return cp1251ToUtf8(readFile(hub->PathTemp / name));
    }
    // Chemistry with Петров, cancelled: Г-1 on Monday period 4, Г-2 on
    // Monday period 2.
    void cancelChemistry() {
        TYrName* chem = year->CreateYrName("Хим", "Химия");
        ASSERT_TRUE(year->AddYrName(chem));
        for (auto [gr, y] : {std::pair{g1, 4}, std::pair{g2, 2}}) {
            TPredmet* pr = gr->CreatePredmet(chem);
            TFioPredmet* fp = pr->AddFio(1, petrov);
            TYrokKorzina* item = pr->AddPredmetNe(kSetkaPlan, 1);
            TNed* week = gr->GetNed(1);
            TYr* yr = week->AddYrRas(0, 1, y, item, fp);
            ASSERT_NE(yr, nullptr);
            ASSERT_NE(week->GetYrok(0, 1, y)->AddOtmena(yr), nullptr);
        }
    }

    TScriptedDialog hubDialog;
    TRecordingOpener opener;
    std::unique_ptr<THtmlExportHub> hub;
    TGryp* g1 = nullptr;
    TGryp* g2 = nullptr;
    TFio* ivanov = nullptr;
    TFio* petrov = nullptr;
    std::string label;
    std::string monday;
};

// Each document in its own file under its title, and the heading it opens
// with; a document is a stale file replaced, never appended to.
TEST_F(MoreDocuments, EachKindWritesItsFileTitleAndHeading) {
    const TArrayOfPointByte wd = weekDays({{1, 1}});
    struct Kind {
        std::function<bool()> run;
        const char* file;
        const char* title;
        std::string heading;
    };
    const std::vector<Kind> kinds = {
        {[&] { return hub->CreateWordZamena1(wd, true, true, true); }, "zamena1.htm",
         "Замены в группах", "ЗАМЕНЫ В ГРУППАХ " + monday + " неделя " + label},
        {[&] { return hub->CreateWordZamena3(wd, true, true, true); }, "zamena1.htm",
         "Замены в группах относительно базовой недели",
         "ЗАМЕНЫ ОТНОСИТЕЛЬНО БАЗОВОЙ НЕДЕЛИ " + monday + " неделя " + label},
        {[&] { return hub->CreateWordZamena2(wd, true, true, true); }, "zamena2.htm",
         "Замены преподавателей", "ЗАМЕНЫ ПРЕПОДАВАТЕЛЕЙ " + monday + " неделя " + label},
        {[&] { return hub->CreateWordZamena4(wd, true, true, true); }, "zamena2.htm",
         "Замены преподавателей относительно базовой недели",
         "ЗАМЕНЫ ПРЕПОДАВАТЕЛЕЙ ОТНОСИТЕЛЬНО БАЗОВОЙ НЕДЕЛИ " + monday + " неделя " + label},
        {[&] { return hub->CreateWordAllFioNed(0, 3); }, "grypfio.htm", "Группы преподавателей",
         "ГРУППЫ ПРЕПОДАВАТЕЛЕЙ неделя " + label},
        {[&] { return hub->CreateWordAllFioNed2(1, 1, 0, 3); }, "grypfio2.htm",
         "Группы преподавателей",
         "ГРУППЫ ПРЕПОДАВАТЕЛЕЙ с недели " + label + " по неделю " + label},
        {[&] { return hub->CreateWordFioToAyd(0, 3, wd); }, "fioayd.htm",
         "Аудитории преподавателей", "АУДИТОРИИ ПРЕПОДАВАТЕЛЕЙ " + monday + " неделя " + label},
        {[&] { return hub->CreateWordAydToGryp(0, 3, wd); }, "aydgryp.htm", "Аудитории и Группы",
         "АУДИТОРИИ И ГРУППЫ " + monday + " неделя " + label},
        {[&] { return hub->CreateWordGrypToAyd(0, 3, wd); }, "grypayd.htm", "Группы и аудитории",
         "ГРУППЫ И АУДИТОРИИ " + monday + " неделя " + label},
        {[&] { return hub->CreateWordCvodGryp(); }, "cvgryp.htm", "Планируемая нагрузка группы",
         "ПЛАНИРУЕМАЯ НАГРУЗКА ГРУППЫ Г-1"},
        {[&] { return hub->CreateWordPlanFio(1, 1); }, "planfio.htm",
         "Планируемые часы преподавателей",
         "ПЛАНИРУЕМЫЕ ЧАСЫ ПРЕПОДАВАТЕЛЕЙ с недели " + label + " по неделю " + label},
        {[&] { return hub->CreateWordFioAllGod(1, 1, 0, 11); }, "fioallgod.htm",
         "Годовое расписание преподавателей",
         "ГОДОВОЕ РАСПИСАНИЕ ПРЕПОДАВАТЕЛЯ Иванов Иван Иванович с недели " + label + " по неделю " +
             label},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.file);
        hubDialog.shown.clear();
        // A stale document of the same name goes first.
        { std::ofstream(hub->PathTemp / k.file) << "stale"; }
        ASSERT_TRUE(k.run());
        EXPECT_EQ(hub->Fil, std::vector<std::string>{k.file});
        EXPECT_EQ(hubDialog.shown,
                  std::vector<std::string>{"Создан файл " + (hub->PathTemp / k.file).string()});
        const std::string doc = temp(k.file);
        EXPECT_EQ(doc.find("stale"), std::string::npos);
        EXPECT_NE(doc.find(std::string("<TITLE>") + k.title + "</TITLE>"), std::string::npos);
        EXPECT_NE(doc.find("<P ALIGN=CENTER><FONT SIZE=4 COLOR=\"RED\">" + k.heading + "</FONT>"),
                  std::string::npos)
            << doc;
    }
}

// The word-processor window names a kind: each reaches its own document.
TEST_F(MoreDocuments, EachKindReachesItsDocument) {
    const TArrayOfPointByte wd = weekDays({{1, 1}});
    TWordRequest request;
    request.WD = &wd;
    const std::vector<std::pair<int, std::string>> kinds = {
        {0, "rgryp.htm"},    {1, "rfio.htm"},      {2, "vedgryp.htm"},  {3, "vedfio.htm"},
        {4, "zamena1.htm"},  {41, "zamena1.htm"},  {5, "zamena2.htm"},  {51, "zamena2.htm"},
        {7, "grypfio.htm"},  {77, "grypfio2.htm"}, {8, "fioayd.htm"},   {9, "aydgryp.htm"},
        {91, "grypayd.htm"}, {21, "cvgryp.htm"},   {24, "planfio.htm"}, {26, "fioallgod.htm"},
        {60, "ekzgr.htm"},   {61, "ekzfio.htm"}};
    for (const auto& [kind, file] : kinds) {
        EXPECT_TRUE(hub->CreateWordOfKind(kind, request)) << kind;
        EXPECT_EQ(hub->Fil, std::vector<std::string>{file}) << kind;
    }
    // The two substitution layouts of one file differ in title.
    ASSERT_TRUE(hub->CreateWordOfKind(41, request));
    EXPECT_NE(temp("zamena1.htm").find("относительно базовой недели</TITLE>"), std::string::npos);
    // Without days a day-by-day document has headings for none.
    request.WD = nullptr;
    ASSERT_TRUE(hub->CreateWordOfKind(9, request));
    EXPECT_EQ(temp("aydgryp.htm").find("<TABLE"), std::string::npos);
    // A kind no document has writes nothing.
    EXPECT_FALSE(hub->CreateWordOfKind(6, request));
    EXPECT_TRUE(hub->Fil.empty());
}

TEST_F(MoreDocuments, SubstitutionsOfGroupsNameTheSubstitute) {
    cancelChemistry();
    ASSERT_TRUE(hub->CreateWordZamena1(weekDays({{1, 2}, {1, 1}}), true, true, true));
    const std::string doc = temp("zamena1.htm");
    const TRows rows = rowsOf(doc);
    ASSERT_FALSE(rows.empty());
    // Monday first, whatever the order asked in.
    EXPECT_LT(doc.find(monday), doc.find("Вторник"));
    EXPECT_EQ(rows.front(), (std::vector<std::string>{"Группа", "Пара", "Предмет", "Кого заменяют",
                                                      "Замена", "Кто заменяет", "Ауд."}));
    ASSERT_EQ(rows.size(), 4u) << doc;
    EXPECT_EQ(rows[1], (std::vector<std::string>{"Г-1", "0", "Матем", "Иванов И.И.", "Физика",
                                                 "Петров П.П.", "101"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"Г-1", "4", "Хим", "Петров П.П.", "Предмет",
                                                 "отменен", ""}));
    EXPECT_EQ(cell(rows[3], 0), "Г-2");
    // Tuesday has nothing to change.
    EXPECT_NE(doc.find("Замен нет."), std::string::npos);

    // Full names, no room column, the day by period.
    ASSERT_TRUE(hub->CreateWordZamena1(weekDays({{1, 1}}), false, false, false, true));
    const TRows byPeriod = rowsOf(temp("zamena1.htm"));
    ASSERT_EQ(byPeriod.size(), 4u);
    EXPECT_EQ(byPeriod.front().size(), 6u);
    EXPECT_EQ(byPeriod[1],
              (std::vector<std::string>{"Г-1", "0", "Математика", "Иванов Иван Иванович", "Физика",
                                        "Петров Пётр Петрович"}));
    EXPECT_EQ(
        (std::vector<std::string>{byPeriod[2][0], byPeriod[2][1], byPeriod[3][0], byPeriod[3][1]}),
        (std::vector<std::string>{"Г-2", "2", "Г-1", "4"}));

    // Only the selected groups.
    g1->Select = false;
    ASSERT_TRUE(hub->CreateWordZamena1(weekDays({{1, 1}}), true, true, true));
    EXPECT_EQ(temp("zamena1.htm").find("Г-1"), std::string::npos);
}

TEST_F(MoreDocuments, SubstitutionsByTeacherFollowTheChosenSide) {
    cancelChemistry();
    const TArrayOfPointByte wd = weekDays({{1, 1}});
    // The substitute: Петров gives physics; the cancellations are nobody's.
    ASSERT_TRUE(hub->CreateWordZamena2(wd, true, true, true, zvSubstitute));
    TRows rows = rowsOf(temp("zamena2.htm"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.front().front(), "Преподаватель");
    EXPECT_EQ(rows[1], (std::vector<std::string>{"Петров П.П.", "Г-1", "0", "Матем", "Иванов И.И.",
                                                 "Физика", "Петров П.П.", "101"}));

    // The replaced: Иванов loses his Monday lesson, Петров his chemistry.
    ASSERT_TRUE(hub->CreateWordZamena2(wd, false, true, false, zvReplaced));
    rows = rowsOf(temp("zamena2.htm"));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rowStarting(rows, {"Иванов Иван Иванович", "Г-1", "0"}).size(), 7u);
    EXPECT_EQ(rowStarting(rows, {"Петров Пётр Петрович", "Г-1", "4"}).size(), 7u);
    EXPECT_EQ(rowStarting(rows, {"", "Г-2", "2"}).size(), 7u);

    // A teacher with nothing that day: no table at all.
    petrov->Select = false;
    ASSERT_TRUE(hub->CreateWordZamena2(wd, true, true, true, zvSubstitute));
    EXPECT_NE(temp("zamena2.htm").find("Замен нет."), std::string::npos);
    EXPECT_TRUE(rowsOf(temp("zamena2.htm")).empty());
}

TEST_F(MoreDocuments, SubstitutionsAgainstTheBaseWeek) {
    // Г-1's week 1 was made from an empty week 2: all it holds is new.
    ASSERT_NE(g1->SetNed(2), nullptr);
    g1->GetNed(1)->SetNedSinx(2);
    ASSERT_TRUE(hub->CreateWordZamena3(weekDays({{1, 1}}), true, true, true));
    const TRows rows = rowsOf(temp("zamena1.htm"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], (std::vector<std::string>{"Г-1", "0", "Назначен", "дополнительно", "Физика",
                                                 "Петров П.П.", "101"}));
    ASSERT_TRUE(hub->CreateWordZamena4(weekDays({{1, 1}}), true, true, true, zvBoth));
    EXPECT_EQ(
        rowStarting(rowsOf(temp("zamena2.htm")), {"Петров П.П.", "Г-1", "0", "Назначен"}).size(),
        8u);
}

TEST_F(MoreDocuments, RoomsOfTeachersGroupsAndRooms) {
    cancelChemistry();
    // The union's Tuesday lesson in room 101 in both groups.
    for (TGryp* gr : {g1, g2}) gr->GetNed(1)->GetYrok(0, 2, 1)->LYr.front()->SetAyd(room);
    TAyd* other = year->AddAyd(year->LDom.front().get(), "202");
    ASSERT_NE(other, nullptr);
    other->Select = true;
    const TArrayOfPointByte wd = weekDays({{1, 1}, {1, 2}, {1, 3}});

    ASSERT_TRUE(hub->CreateWordAydToGryp(0, 4, wd));
    TRows rows = rowsOf(temp("aydgryp.htm"));
    EXPECT_EQ(rows.front(), (std::vector<std::string>{"Аудитория", "0", "1", "2", "3", "4"}));
    // Monday, Tuesday, Wednesday: every selected room has its row each day.
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[1], (std::vector<std::string>{"101", "Г-1", "", "", "", ""}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"202", "", "", "", "", ""}));
    EXPECT_EQ(rows[4], (std::vector<std::string>{"101", "", "Г-1,Г-2", "", "", ""}));
    EXPECT_EQ(rows[7], (std::vector<std::string>{"101", "", "", "", "", ""}));

    ASSERT_TRUE(hub->CreateWordGrypToAyd(0, 4, wd));
    rows = rowsOf(temp("grypayd.htm"));
    // Three days' heads, two groups on Monday and Tuesday, one on Wednesday.
    ASSERT_EQ(rows.size(), 8u);
    // Monday: Г-1's physics in 101, its chemistry cancelled; Г-2 cancelled.
    EXPECT_EQ(rows[1], (std::vector<std::string>{"Г-1", "101", "", "", "", "отм"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"Г-2", "", "", "отм", "", ""}));
    // Wednesday: Г-2's lesson has no room yet; Г-1 studies nothing.
    EXPECT_EQ(rows.back(), (std::vector<std::string>{"Г-2", "?", "", "", "", ""}));
    EXPECT_TRUE(rowStarting(rows, {"Г-3"}).empty());

    ASSERT_TRUE(hub->CreateWordFioToAyd(0, 4, wd));
    const std::string doc = temp("fioayd.htm");
    rows = rowsOf(doc);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front().front(), "Преподаватель");
    // Monday: only Петров teaches (Иванов was replaced, chemistry cancelled).
    const std::size_t tuesday = doc.find("Вторник");
    EXPECT_EQ(doc.substr(0, tuesday).find("Иванов"), std::string::npos);
    EXPECT_EQ(rowStarting(rows, {"Петров Пётр Петрович"}),
              (std::vector<std::string>{"Петров Пётр Петрович", "101", "", "", "", ""}));
    // Tuesday: one room for the union; Wednesday: a lesson without a room.
    EXPECT_EQ(rowStarting(rows, {"Иванов Иван Иванович", "", "101"}).size(), 6u);
    EXPECT_EQ(rows.back(), (std::vector<std::string>{"Иванов Иван Иванович", "?", "", "", "", ""}));
}

// Names come from the data: they reach the page as text, never as markup.
TEST_F(MoreDocuments, NamesFromTheDataAreEscaped) {
    room->SetName("<b>");
    g1->SetName("Г&<i>");
    const TArrayOfPointByte wd = weekDays({{1, 1}});
    ASSERT_TRUE(hub->CreateWordAydToGryp(0, 0, wd));
    const std::string rooms = temp("aydgryp.htm");
    EXPECT_EQ(rooms.find("<b>"), std::string::npos);
    EXPECT_EQ(rooms.find("<i>"), std::string::npos);
    EXPECT_NE(rooms.find("<TD>&lt;b&gt;</TD>\r\n  <TD>Г&amp;&lt;i&gt;</TD>"), std::string::npos)
        << rooms;
    ASSERT_TRUE(hub->CreateWordZamena1(wd, true, true, true));
    const std::string zamena = temp("zamena1.htm");
    EXPECT_EQ(zamena.find("<i>"), std::string::npos);
    EXPECT_NE(zamena.find("<TD>&lt;b&gt;</TD>"), std::string::npos);
}

TEST_F(MoreDocuments, TeachersGroupsPerPeriod) {
    ASSERT_TRUE(hub->CreateWordAllFioNed(0, 1));
    TRows rows = rowsOf(temp("grypfio.htm"));
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows.front(), (std::vector<std::string>{"Преподаватель", "Понедельник", "Вторник",
                                                      "Среда", "Четверг", "Пятница", "Суббота"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"0", "1", "0", "1", "0", "1", "0", "1", "0", "1",
                                                 "0", "1"}));
    std::vector<std::string> ivanovRow = {"Иванов И.И.", "", "", "", "Г-1,Г-2", "Г-2", ""};
    ivanovRow.resize(13);
    EXPECT_EQ(rowStarting(rows, {"Иванов И.И."}), ivanovRow);
    EXPECT_EQ(rowStarting(rows, {"Петров П.П.", "Г-1"}).size(), 13u);

    // The full cell, over a range of weeks: only the weeks taught.
    ASSERT_TRUE(hub->CreateWordAllFioNed2(1, 3, 1, 1, gfFull));
    rows = rowsOf(temp("grypfio2.htm"));
    // Петров teaches in period 0 only: no row.
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2], (std::vector<std::string>{"Иванов И.И.", label, "", "Г-1,Г-2 Матем", "", "",
                                                 "", ""}));
}

TEST_F(MoreDocuments, ATeachersYearCountsThePeriodsTaught) {
    ASSERT_TRUE(hub->CreateWordFioAllGod(1, 2, 0, 11));
    const TRows rows = rowsOf(temp("fioallgod.htm"));
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows.front(), (std::vector<std::string>{"Неделя", "Понедельник", "Вторник", "Среда",
                                                      "Четверг", "Пятница", "Суббота", "Пары"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{label, "", "1: Г-1,Г-2 Матем", "0: Г-2 Матем", "",
                                                 "", "", "2"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"Итого", "", "", "", "", "", "", "2"}));
    EXPECT_EQ(rows[4],
              (std::vector<std::string>{label, "0: Г-1 Физика ауд.101", "", "", "", "", "", "1"}));

    // Periods outside the range asked neither show nor count.
    ASSERT_TRUE(hub->CreateWordFioAllGod(1, 1, 1, 11));
    const TRows later = rowsOf(temp("fioallgod.htm"));
    ASSERT_EQ(later.size(), 5u);
    EXPECT_EQ(lastCell(later.at(1)), "1");
    EXPECT_EQ(later[3].front(), "Неделя");
    EXPECT_EQ(later[4], (std::vector<std::string>{"Итого", "", "", "", "", "", "", "0"}));
}

TEST_F(MoreDocuments, PlannedLoadOfGroupsAndTeachers) {
    // Week 1 in the first semester; physics also has one pair off the grid.
    g1->SetDateSemm2(year->AllNed.DNed(20)->Dt);
    TPredmet* physics = g1->LPredmet[1].get();
    ASSERT_NE(physics->AddPredmetNe(kSetkaDop, 1), nullptr);

    ASSERT_TRUE(hub->CreateWordCvodGryp());
    TRows rows = rowsOf(temp("cvgryp.htm"));
    ASSERT_GE(rows.size(), 4u);
    EXPECT_EQ(rows.front(),
              (std::vector<std::string>{"N", "Предмет", "Преподаватели", "1 сем. пары",
                                        "2 сем. пары", "Вне сетки", "Часы за год", "Итого"}));
    EXPECT_EQ(rows[1],
              (std::vector<std::string>{"1", "Матем", "Иванов И.И.", "2", "", "", "4", "4"}));
    EXPECT_EQ(rows[2],
              (std::vector<std::string>{"2", "Физика", "Петров П.П.", "", "", "1", "", "2"}));
    EXPECT_EQ(rows[3], (std::vector<std::string>{"", "Итого", "", "2", "", "1", "4", "6"}));

    ASSERT_TRUE(hub->CreateWordPlanFio(1, 52));
    rows = rowsOf(temp("planfio.htm"));
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[1], (std::vector<std::string>{"Иванов Иван Иванович", "Г-1", "Матем", "2", "",
                                                 "", "2", "4"}));
    EXPECT_EQ(rows[2], (std::vector<std::string>{"", "Г-2", "Матем", "2", "", "", "2", "4"}));
    EXPECT_EQ(rows[3], (std::vector<std::string>{"", "Итого", "", "4", "", "", "4", "8"}));
    // His mathematics is one union of both groups: given once.
    EXPECT_EQ(rows[4],
              (std::vector<std::string>{"", "С учетом объединений", "", "2", "", "", "2", "4"}));
    EXPECT_EQ(rows[5], (std::vector<std::string>{"Петров Пётр Петрович", "Г-1", "Физика", "", "1",
                                                 "1", "2", "4"}));

    // Weeks without load: no rows.
    ASSERT_TRUE(hub->CreateWordPlanFio(2, 52));
    EXPECT_EQ(rowsOf(temp("planfio.htm")).size(), 1u);
}

// The planned hours of a teacher over a range of weeks of the sample college
// against a count made from the load items themselves.
TEST(MorePlanDocuments, PlannedHoursOfTheSampleCollege) {
    testsupport::ScratchHome scratch{"planfio"};
    ASSERT_FALSE(scratch.empty());
    std::string message;
    ASSERT_TRUE(scratch.MakeDatabase(message)) << message;
    TScriptedDialog dialog;
    TDM1 dm(scratch.str(), dialog);
    TAllRasp year(dm);
    demo::SampleOptions options;
    options.size = demo::SampleSize::S;
    options.year = 2016;
    year.YGod = 2016;
    year.AllNed.SetDataGod(2016, false);
    ASSERT_TRUE(demo::buildSampleYear(demo::planSample(options), year, message)) << message;

    constexpr int n1 = 3;
    constexpr int n2 = 9;
    int checked = 0;
    for (const auto& fio : year.LFio) {
        int plan = 0;
        for (const auto& gr : year.LGryp)
            for (int ne = n1; ne <= n2; ++ne) {
                const TNed* week = gr->GetNed(ne);
                if (week == nullptr) continue;
                for (const auto& item : week->LKorzina(kSetkaPlan))
                    for (const auto& fp : item->Predmet()->GetLFio(ne))
                        if (fp->Fio() == fio.get()) plan += item->Dan.ky;
            }
        if (plan == 0) continue;
        for (const auto& other : year.LFio) other->Select = other == fio;
        TRecordingOpener opener;
        THtmlExportHub hub(year, scratch.path(), dialog, opener);
        hub.StartWord = false;
        ASSERT_TRUE(hub.CreateWordPlanFio(n1, n2));
        const TRows rows = rowsOf(cp1251ToUtf8(readFile(hub.PathTemp / "planfio.htm")));
        const auto total = rowStarting(rows, {"", "Итого"});
        ASSERT_EQ(total.size(), 8u) << fio->Name();
        EXPECT_EQ(total[3], std::to_string(plan)) << fio->Name();
        if (++checked == 5) break;
    }
    EXPECT_EQ(checked, 5);
}

}  // namespace
}  // namespace zavlin::exporting

namespace zavlin::exporting {
namespace {

// The monthly statements over the tiny year: Г-1 has physics (a substitution
// by Петров) on Monday, mathematics with Иванов on Tuesday in a union with
// Г-2 and a 4-hour examination on Thursday; Г-2 also on Wednesday.
class StatementDocuments : public MoreDocuments {
protected:
    // A year whose week 1 lies wholly in September: the statements never
    // show August days under September.
    void SetUp() override {
        MoreDocuments::SetUp();
        year->YGod = 2014;
        year->AllNed.SetDataGod(2014, false);
        ASSERT_EQ(decodeDate(year->AllNed.DNed(1)->Dt).day, 1);
    }
    // The column of the day d of week 1.
    int column(const TRows& rows, int d) const {
        const int32_t date = year->AllNed.DNed(1)->Dt + d - 1;
        const auto& heads = rows.front();
        const auto it = std::find(heads.begin(), heads.end(), std::to_string(decodeDate(date).day));
        return it == heads.end() ? -1 : static_cast<int>(it - heads.begin());
    }
    int month() const { return decodeDate(year->AllNed.DNed(1)->Dt + 1).month; }
};

TEST_F(StatementDocuments, GroupStatementByDay) {
    g2->Select = false;
    ASSERT_TRUE(hub->CreateWordVedGryp(month(), 0));
    const std::string doc = temp("vedgryp.htm");
    EXPECT_NE(doc.find("<TITLE>Ведомости групп</TITLE>"), std::string::npos);
    EXPECT_NE(doc.find(">ВЕДОМОСТЬ ГРУППЫ Г-1 за "), std::string::npos);
    const TRows rows = rowsOf(doc);
    ASSERT_FALSE(rows.empty());
    ASSERT_EQ(rows.front().size(), 34u);
    EXPECT_EQ(lastCell(rows.front()), "Всего");
    const int tuesday = column(rows, 2);
    const int thursday = column(rows, 4);
    ASSERT_GT(tuesday, 1);
    ASSERT_GT(thursday, 1);
    const auto math = rowStarting(rows, {"Матем", "Иванов И.И."});
    ASSERT_EQ(math.size(), 34u);
    EXPECT_EQ(math[static_cast<std::size_t>(tuesday)], "2");
    EXPECT_EQ(math[static_cast<std::size_t>(thursday)], "4");
    EXPECT_EQ(math.back(), "6");
    const auto full = rowStarting(rows, {"Для полной группы"});
    ASSERT_EQ(full.size(), 34u);
    EXPECT_EQ(full[static_cast<std::size_t>(thursday)], "4");
    // The replaced lesson is not counted for Иванов; the substitution is
    // Петров's.
    const auto monday = static_cast<std::size_t>(column(rows, 1));
    EXPECT_EQ(math[monday], "");
    const auto physics = rowStarting(rows, {"Физика", "Петров П.П."});
    ASSERT_EQ(physics.size(), 34u);
    EXPECT_EQ(physics[monday], "2");
    EXPECT_EQ(full.back(), "8");
}

TEST_F(StatementDocuments, TeacherStatementCountsAUnionOnce) {
    petrov->Select = false;
    ASSERT_TRUE(hub->CreateWordVedFio(month(), 0, reports::TStatementKinds::All));
    std::string doc = temp("vedfio.htm");
    EXPECT_NE(doc.find("<TITLE>Ведомости преподавателей</TITLE>"), std::string::npos);
    EXPECT_NE(doc.find(">ВЕДОМОСТЬ ПРЕПОДАВАТЕЛЯ Иванов Иван Иванович за "), std::string::npos);
    TRows rows = rowsOf(doc);
    ASSERT_FALSE(rows.empty());
    const int tuesday = column(rows, 2);
    ASSERT_GT(tuesday, 1);
    EXPECT_EQ(lastCell(rowStarting(rows, {"Г-1", "Матем"})), "6");
    EXPECT_EQ(cell(rowStarting(rows, {"Итого", "без учета"}), static_cast<std::size_t>(tuesday)),
              "4");
    EXPECT_EQ(cell(rowStarting(rows, {"Итого", "с учетом объединений"}),
                   static_cast<std::size_t>(tuesday)),
              "2");
    EXPECT_NE(doc.find("Общая сумма часов с учетом объединений=8  без учета=10"), std::string::npos)
        << doc;

    // One table for all: the day totals with unions.
    petrov->Select = true;
    ASSERT_TRUE(hub->CreateWordVedFio(month(), 0, reports::TStatementKinds::All, vvAllFio));
    rows = rowsOf(temp("vedfio.htm"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(cell(rows[1], 0), "Иванов Иван Иванович");
    EXPECT_EQ(cell(rows[1], static_cast<std::size_t>(tuesday)), "2");
    EXPECT_EQ(lastCell(rows[1]), "8");

    // Substitutions only: Петров's physics, nothing of Иванов.
    ASSERT_TRUE(
        hub->CreateWordVedFio(month(), 0, reports::TStatementKinds::Substitutions, vvAllFio));
    rows = rowsOf(temp("vedfio.htm"));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(lastCell(rows[1]), "");
    EXPECT_EQ(lastCell(rows[2]), "2");
}

}  // namespace
}  // namespace zavlin::exporting
