#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/collation.h"
#include "base/neighbour_sort.h"
#include "base/streams.h"
#include "model/attribute.h"
#include "model/building.h"
#include "model/element.h"
#include "model/faculty.h"
#include "model/lesson_time.h"
#include "model/reference_sort.h"
#include "model/room.h"
#include "model/subject_name.h"
#include "model/teacher.h"

namespace zavlin {
namespace {

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// The grid bytes of a teacher with every cell 1 except day 1 period 0 and
// day 6 period 11.
std::vector<uint8_t> sampleGrid() {
    std::vector<uint8_t> grid(72, 1);
    grid[0] = 0;
    grid[71] = 0;
    return grid;
}

// --- Teachers: names ---------------------------------------------------------

// Catches a wrong split of the full name into surname and initials.
TEST(TeacherName, ShortNameFollowsTheWordCount) {
    TFio f;
    f.SetBigName("Иванов Иван Петрович");
    EXPECT_EQ(f.BigName(), "Иванов Иван Петрович");
    EXPECT_EQ(f.Name(), "Иванов И.П.");
    f.SetBigName("Петров Пётр");
    EXPECT_EQ(f.Name(), "Петров Пётр");
    f.SetBigName("Сидоров");
    EXPECT_EQ(f.Name(), "Сидоров");
    f.SetBigName("  Ёлкин Эдуард Юрьевич \t");
    EXPECT_EQ(f.BigName(), "Ёлкин Эдуард Юрьевич");
    EXPECT_EQ(f.Name(), "Ёлкин Э.Ю.");
    f.SetBigName("   ");
    EXPECT_EQ(f.BigName(), "");
    EXPECT_EQ(f.Name(), "");
}

// Catches a limit counted in bytes, or a split made before the cut.
TEST(TeacherName, LongNameIsCutTo48CharactersBeforeSplitting) {
    TFio f;
    const std::string surname = repeat("Ж", 46);
    f.SetBigName(surname + " Иван Петрович");  // 60 characters
    EXPECT_EQ(f.BigName(), surname + " И");
    EXPECT_EQ(f.Name(), surname + " И");
}

// The matching form keeps one initial for two words, unlike the setter.
TEST(TeacherName, BigNameToShortNameDiffersFromTheSetter) {
    EXPECT_EQ(BigNameToShortName("Петров Пётр"), "Петров П.");
    EXPECT_EQ(BigNameToShortName("Иванов Иван Петрович"), "Иванов И.П.");
    EXPECT_EQ(BigNameToShortName("Сидоров"), "Сидоров");
}

TEST(TeacherName, TestShortBigNameIgnoresCaseDotsAndBlanks) {
    EXPECT_TRUE(TestShortBigName(" Физика. ", "ФИЗИКА"));
    EXPECT_TRUE(TestShortBigName("Т.О.Э", "т о э"));
    EXPECT_TRUE(TestShortBigName("Ёж", "ёж"));
    EXPECT_FALSE(TestShortBigName("Иванов И.П.", "Иванов Иван Петрович"));
}

// --- Teachers: fields --------------------------------------------------------

TEST(TeacherFields, DefaultsRdayAndSelectionBits) {
    TFio f;
    for (int day = 1; day <= kDays; ++day)
        for (int period = 0; period < kPeriods; ++period) ASSERT_EQ(f.Dan.Op[day][period], 1);
    EXPECT_EQ(f.Rday(), 5);
    f.SetRday(0);
    EXPECT_EQ(f.Rday(), 5);
    f.SetRday(7);
    EXPECT_EQ(f.Rday(), 5);
    f.SetRday(6);
    EXPECT_EQ(f.Rday(), 6);

    EXPECT_FALSE(f.modifi);
    f.SetBitSec(2, true);
    EXPECT_TRUE(f.modifi);
    f.SetBitSec(12, true);  // beyond the byte: bit 7
    EXPECT_EQ(f.FBitSec, 0x84);
    EXPECT_TRUE(f.BitSec(7));
    EXPECT_TRUE(f.BitSec(9));
    f.SetBitSec(2, false);
    EXPECT_EQ(f.FBitSec, 0x80);
}

// --- Teachers: blob ----------------------------------------------------------

TEST(TeacherBlob, WritesVersion3ByteForByte) {
    TFio f;
    f.Dan.Op[1][0] = 0;
    f.Dan.Op[6][11] = 0;
    f.FBitSec = 0x81;
    f.SetDolg("Доц.");
    f.GN = 0x01020304;

    std::vector<uint8_t> expected = {0x03};
    const std::vector<uint8_t> grid = sampleGrid();
    expected.insert(expected.end(), grid.begin(), grid.end());
    const std::vector<uint8_t> tail = {0x81, 0x04, 0xC4, 0xEE, 0xF6, 0x2E, 0x04, 0x03, 0x02, 0x01};
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(f.DanToBytes(), expected);

    TMemoryStream stream;
    f.SaveDan(stream);
    EXPECT_EQ(stream.Bytes(), expected);

    stream.SetPosition(0);
    TFio g;
    g.LoadDan(stream);
    EXPECT_EQ(g.Dan.Op, f.Dan.Op);
    EXPECT_EQ(g.FBitSec, 0x81);
    EXPECT_EQ(g.Dolg(), "Доц.");
    EXPECT_EQ(g.GN, 0x01020304);
}

// Catches older blobs mistaken for newer ones (or the reverse).
TEST(TeacherBlob, ReadsTheOlderForms) {
    const std::vector<uint8_t> grid = sampleGrid();

    TFio onlyGrid;
    onlyGrid.SetDolg("проф.");
    onlyGrid.DanFromBytes(grid);
    EXPECT_EQ(onlyGrid.Dan.Op[1][0], 0);
    EXPECT_EQ(onlyGrid.Dan.Op[1][1], 1);
    EXPECT_EQ(onlyGrid.Dan.Op[6][11], 0);
    EXPECT_EQ(onlyGrid.FBitSec, 0);
    EXPECT_EQ(onlyGrid.Dolg(), "проф.");

    std::vector<uint8_t> withBits = grid;
    withBits.push_back(0x05);
    TFio bits;
    bits.DanFromBytes(withBits);
    EXPECT_EQ(bits.Dan.Op[1][0], 0);
    EXPECT_EQ(bits.FBitSec, 0x05);

    std::vector<uint8_t> version2 = {0x02};
    version2.insert(version2.end(), grid.begin(), grid.end());
    const std::vector<uint8_t> tail2 = {0x10, 0x02, 0xC4, 0xE0};
    version2.insert(version2.end(), tail2.begin(), tail2.end());
    TFio v2;
    v2.DanFromBytes(version2);
    EXPECT_EQ(v2.Dan.Op[6][11], 0);
    EXPECT_EQ(v2.FBitSec, 0x10);
    EXPECT_EQ(v2.Dolg(), "Да");
    EXPECT_EQ(v2.GN, 0);

    // Version 1 carries nothing after the grid, whatever follows.
    std::vector<uint8_t> version1 = {0x01};
    version1.insert(version1.end(), grid.begin(), grid.end());
    version1.insert(version1.end(), {0x7F, 0x00, 0x01, 0x02, 0x03, 0x04});
    TFio v1;
    v1.DanFromBytes(version1);
    EXPECT_EQ(v1.Dan.Op[1][0], 0);
    EXPECT_EQ(v1.FBitSec, 0);
    EXPECT_EQ(v1.GN, 0);

    TFio empty;
    empty.DanFromBytes({});
    EXPECT_EQ(empty.Dan.Op[1][0], 1);
}

// Catches reads past the end of a damaged blob (run under the sanitizers).
TEST(TeacherBlob, TruncatedBlobsKeepWhatTheyHold) {
    std::vector<uint8_t> blob = {0x03};
    const std::vector<uint8_t> grid = sampleGrid();
    blob.insert(blob.end(), grid.begin(), grid.end());
    blob.insert(blob.end(), {0x02, 0x0A, 0xC0, 0xC1, 0xC2});  // says 10, holds 3
    TFio f;
    f.GN = 77;
    f.DanFromBytes(blob);
    EXPECT_EQ(f.Dan.Op[1][0], 0);
    EXPECT_EQ(f.FBitSec, 0x02);
    EXPECT_EQ(f.Dolg(), "АБВ");
    EXPECT_EQ(f.GN, 77);

    TFio shortOne;
    shortOne.DanFromBytes(std::vector<uint8_t>{0, 0, 0});
    EXPECT_EQ(shortOne.Dan.Op[1][2], 0);
    EXPECT_EQ(shortOne.Dan.Op[1][3], 1);

    // Every prefix of a full blob must read without harm.
    TFio full;
    full.SetDolg("Доцент кафедры");
    full.GN = 5;
    const std::vector<uint8_t> bytes = full.DanToBytes();
    for (std::size_t n = 0; n <= bytes.size(); ++n) {
        TFio g;
        g.DanFromBytes(std::span<const uint8_t>(bytes.data(), n));
    }
}

// --- Rooms and buildings -----------------------------------------------------

// Catches one-sided bindings, which leave dangling pointers when either dies.
TEST(RoomBinding, IsSymmetricAndSurvivesDestruction) {
    auto ivanov = std::make_unique<TFio>();
    ivanov->SetBigName("Иванов Иван Петрович");
    TFio petrov;
    petrov.SetBigName("Петров Пётр");
    TAyd room;
    room.AddFio(ivanov.get());
    room.AddFio(ivanov.get());
    room.AddFio(&petrov);
    ASSERT_EQ(room.LFio.size(), 2u);
    ASSERT_EQ(ivanov->LAyd.size(), 1u);
    EXPECT_EQ(ivanov->LAyd[0], &room);
    EXPECT_EQ(room.AllFio(), "Иванов И.П.,Петров Пётр");

    room.DelFio(&petrov);
    EXPECT_EQ(room.LFio.size(), 1u);
    EXPECT_TRUE(petrov.LAyd.empty());

    ivanov.reset();
    EXPECT_TRUE(room.LFio.empty());

    {
        TAyd other;
        other.AddFio(&petrov);
        EXPECT_EQ(petrov.LAyd.size(), 1u);
    }
    EXPECT_TRUE(petrov.LAyd.empty());
}

// Catches a building that could be deleted while a room still stands in it.
TEST(RoomBinding, BuildingReferenceCountsInNoDelete) {
    TDom a("Главный корпус");
    TDom b;
    {
        TAyd room;
        room.SetDom(&a);
        room.SetDom(&a);
        EXPECT_EQ(a.NoDelete, 1);
        room.SetDom(&b);
        EXPECT_EQ(a.NoDelete, 0);
        EXPECT_EQ(b.NoDelete, 1);
        TAyd second;
        second.SetDom(&b);
        EXPECT_EQ(b.NoDelete, 2);
        second.SetDom(nullptr);
        EXPECT_EQ(b.NoDelete, 1);
    }
    EXPECT_EQ(b.NoDelete, 0);
}

TEST(RoomBlob, WritesTwoByteNumbersAndDropsUnknownOnes) {
    TFio t5;
    t5.N = 5;
    TFio t300;
    t300.N = 300;
    TAyd room;
    room.AddFio(&t5);
    room.AddFio(&t300);
    EXPECT_EQ(room.FioToBytes(), (std::vector<uint8_t>{0x05, 0x00, 0x2C, 0x01}));

    auto finder = [&](int n) -> TFio* {
        if (n == 5) return &t5;
        if (n == 300) return &t300;
        return nullptr;
    };
    TAyd loaded;
    loaded.FioFromBytes(std::vector<uint8_t>{0x2C, 0x01, 0x09, 0x00, 0x05, 0x00, 0x07}, finder);
    ASSERT_EQ(loaded.LFio.size(), 2u);
    EXPECT_EQ(loaded.LFio[0], &t300);
    EXPECT_EQ(loaded.LFio[1], &t5);
    EXPECT_EQ(t5.LAyd.size(), 2u);
}

TEST(RoomAndBuilding, NamesAreCutToTheirLimits) {
    TAyd room;
    room.SetName("Ауд.1234");
    EXPECT_EQ(room.Name(), "Ауд.1");
    TDom dom(repeat("Д", 50));
    EXPECT_EQ(dom.Name(), repeat("Д", 48));
}

// --- The year container and its objects --------------------------------------

// Catches a teardown order that touches freed teachers or buildings.
TEST(Spisok, TearsDownBoundListsCleanly) {
    auto spisok = std::make_unique<TSpisok>();
    spisok->LFio.push_back(std::make_unique<TFio>());
    spisok->LDom.push_back(std::make_unique<TDom>());
    spisok->LAyd.push_back(std::make_unique<TAyd>());
    spisok->LAyd[0]->AddFio(spisok->LFio[0].get());
    spisok->LAyd[0]->SetDom(spisok->LDom[0].get());
    EXPECT_EQ(spisok->Atribyt.LAtr.size(), TAtribyt::kBuiltIn);
    spisok.reset();
}

TEST(Spisok, ChildrenInheritContainerAndNotification) {
    TSpisok spisok;
    TFak fak(&spisok);
    fak.SetName("Механический");
    EXPECT_EQ(fak.Spisok, &spisok);
    int calls = 0;
    auto count = [&](TDan* sender) {
        EXPECT_EQ(sender, &fak);
        ++calls;
    };
    fak.SetOnModifiEvent(TModifiRaspEvent(count));
    TFak child(static_cast<TDan*>(&fak));
    EXPECT_EQ(child.Spisok, &spisok);
    ASSERT_TRUE(child.OnModifiEvent());
    child.OnModifiEvent()(&fak);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(child.Name(), "");
    EXPECT_EQ(fak.Name(), "Механический");
}

// --- Subject names -----------------------------------------------------------

TEST(SubjectName, FullNameFallsBackToTheShortName) {
    TYrName y("Физ.", "");
    EXPECT_EQ(y.BigName(), "Физ.");
    EXPECT_EQ(y.FullName(), "Физ.(Физ.)");
    y.SetBigName("Физика");
    EXPECT_EQ(y.FullName(), "Физ.(Физика)");
    TYrNameGos gos;
    EXPECT_EQ(gos.Name(), "Гос. экзамен");
    EXPECT_EQ(gos.BigName(), "Государственный экзамен");
}

// --- Attributes --------------------------------------------------------------

TEST(Attributes, NamesNumbersAndClearing) {
    TAtribyt a;
    ASSERT_EQ(a.LAtr.size(), 5u);
    EXPECT_EQ(a.AtrName(65003), "Экзамен");
    EXPECT_EQ(a.AtrName(7), "Атрибут удален");
    EXPECT_EQ(a.AtrNumer(7), nullptr);
    TAtr* lab = a.Add(7, "Лабораторная " + repeat("ж", 40));
    EXPECT_EQ(lab->Name(), "Лабораторная " + repeat("ж", 35));
    EXPECT_EQ(a.AtrNumer(7), lab);
    lab->Select = true;
    a.LAtr[2]->Select = true;
    EXPECT_EQ(a.AtrSelectName(), "Диф. зачет," + lab->Name());
    a.Clear();
    EXPECT_EQ(a.LAtr.size(), 5u);
    EXPECT_EQ(a.AtrName(7), "Атрибут удален");
    EXPECT_EQ(a.AtrName(65004), "Гос. экзамен");

    a.LAtr.clear();
    EXPECT_EQ(a.AtrName(0), "Сетка");
}

// --- Lesson times ------------------------------------------------------------

TEST(LessonTime, StartPastMidnightAndLengthWithoutStartStoreZero) {
    TTaimYrok t;
    t.SetTn(1440);
    EXPECT_EQ(t.Tn(), 0);
    t.SetTd(90);
    EXPECT_EQ(t.Td(), 0);
    t.SetTn(1439);
    EXPECT_EQ(t.Tn(), 1439);
    t.SetTd(45);
    EXPECT_EQ(t.Td(), 45);
}

TEST(LessonTime, DefaultsAndTexts) {
    const auto times = defaultLessonTimes();
    EXPECT_EQ(times[0].TnTkText(), "07:15-08:45");
    EXPECT_EQ(times[1].TnText(), "09:00");
    EXPECT_EQ(times[2].TnTkText(), "10:45-12:15");
    EXPECT_EQ(times[2].N, 2);
    EXPECT_EQ(times[0].TdText(), "01:30");
    EXPECT_EQ(times[0].TkText(), "08:45");
}

// --- Ordering ----------------------------------------------------------------

TEST(RussianOrder, CollatorPlacesLettersAsARussianReaderWould) {
    EXPECT_LT(compareRussian("а", "б"), 0);
    EXPECT_GT(compareRussian("б", "а"), 0);
    EXPECT_EQ(compareRussian("Иванов", "Иванов"), 0);
    // Case matters less than the letter: "Б" follows "а" despite its code.
    EXPECT_GT(compareRussian("Б", "а"), 0);
    EXPECT_LT(compareRussian("а", "А"), 0);
    // "Ё" sorts with "Е", not after "Я" nor before "А" as its code would.
    EXPECT_LT(compareRussian("Ежов", "Ёлкин"), 0);
    EXPECT_LT(compareRussian("Ёлкин", "Ермаков"), 0);
    EXPECT_LT(compareRussian("Елкин", "Ёлкин"), 0);
}

TEST(RussianOrder, TeachersSortByFullNameKeepingTies) {
    std::vector<std::unique_ptr<TFio>> list;
    const char* names[] = {"Ермаков Олег", "Ёлкин Юрий", "Ежов Иван", "Ёлкин Юрий", "Абрамов"};
    int n = 0;
    for (const char* name : names) {
        list.push_back(std::make_unique<TFio>());
        list.back()->SetBigName(name);
        list.back()->N = ++n;
    }
    sortFio(list);
    std::vector<int> order;
    for (const auto& f : list) order.push_back(f->N);
    EXPECT_EQ(order, (std::vector<int>{5, 3, 2, 4, 1}));
}

// Catches: a sort of the long lists that orders ties or "Ё", case and
// spaces otherwise than the neighbour walk the short lists were sorted by.
TEST(RussianOrder, ALongListSortsAsTheNeighbourWalk) {
    const char* parts[] = {"Ёлкин", "Елкин", "ежов", "Ежов", "Абрамов", "абрамов", "Я", "Ю.", ""};
    std::vector<std::unique_ptr<TFio>> list;
    uint32_t seed = 5;
    auto next = [&] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (int n = 1; n <= 600; ++n) {
        list.push_back(std::make_unique<TFio>());
        std::string name = parts[next() % 9];
        name += ' ';
        name += parts[next() % 9];
        list.back()->SetBigName(name);
        list.back()->N = n;
    }
    std::vector<const TFio*> walked;
    for (const auto& f : list) walked.push_back(f.get());
    neighbourSort(walked.begin(), walked.end(), [](const TFio* a, const TFio* b) {
        return compareRussian(a->BigName(), b->BigName()) < 0;
    });
    sortFio(list);
    for (std::size_t i = 0; i < list.size(); ++i)
        ASSERT_EQ(list[i].get(), walked[i]) << "position " << i;
}

TEST(RussianOrder, SubjectsAndRooms) {
    std::vector<std::unique_ptr<TYrName>> subjects;
    subjects.push_back(std::make_unique<TYrName>("Яз.", "Ботаника"));
    subjects.push_back(std::make_unique<TYrName>("Алгебра", ""));
    subjects.push_back(std::make_unique<TYrName>("Б", "Астрономия"));
    sortYrName(subjects);
    EXPECT_EQ(subjects[0]->Name(), "Алгебра");
    EXPECT_EQ(subjects[1]->Name(), "Б");
    EXPECT_EQ(subjects[2]->Name(), "Яз.");

    std::vector<std::unique_ptr<TAyd>> rooms;
    for (const char* name : {"205", "101", "205", "1а"}) {
        rooms.push_back(std::make_unique<TAyd>());
        rooms.back()->SetName(name);
        rooms.back()->kv = static_cast<uint16_t>(rooms.size());
    }
    sortAyd(rooms);
    std::vector<int> order;
    for (const auto& r : rooms) order.push_back(r->kv);
    EXPECT_EQ(order, (std::vector<int>{2, 4, 1, 3}));
}

}  // namespace
}  // namespace zavlin
