// The deletion and naming rules of the reference-list windows over a scratch
// year: what is refused with which text, and that a refusal changes nothing.
#include "entry/reference_checks.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "../model/year_fixture.h"
#include "base/file_system.h"
#include "model/attribute.h"
#include "model/building.h"
#include "model/room.h"
#include "model/subject_name.h"
#include "support/scratch_home.h"

namespace zavlin::entry {
namespace {

using testing_year::YearFixture;

class ReferenceChecks : public YearFixture {
protected:
    // A lesson of a new group held in the room.
    void holdLesson(TAyd* ayd) {
        TGryp* gr = group("Г-" + std::to_string(++groups_));
        TPredmet* pr = subject(gr, 0, {0}, 2, 1);
        TYr* yr = gr->GetNed(1)->AddYrRas(0, 1, 1, item(gr, pr, 1), pr->GetLFio(1)[0].get());
        ASSERT_NE(yr, nullptr);
        yr->SetAyd(ayd);
    }
    int groups_ = 0;
};

// Catches a subject of a group deleted (its lessons would point at nothing),
// the last subject deleted from a picking window, and a mixed selection
// partly deleted.
TEST_F(ReferenceChecks, SubjectsInUseOrLastAreRefused) {
    EXPECT_EQ(CheckDelYrName(*year, {}, true), "Выберите предмет");
    EXPECT_EQ(CheckDelYrName(*year, {nullptr}, true), "Выберите предмет");
    EXPECT_EQ(CheckDelYrName(*year, {names[1]}, false), std::nullopt);

    TGryp* gr = group("Г-1");
    subject(gr, 0, {0}, 1);
    ASSERT_GE(names[0]->NoDelete, 1);
    EXPECT_EQ(CheckDelYrName(*year, {names[0]}, true), "Удаление невозможно. Предмет используется");
    EXPECT_EQ(CheckDelYrName(*year, {names[1], names[0]}, true),
              "Удаление невозможно. Предмет используется");

    const std::vector<const TYrName*> all(names.begin(), names.end());
    EXPECT_EQ(CheckDelYrName(*year, all, false),
              "Удаление единственного предмета возможно только при входе в это окно через главное "
              "меню программы");
    ASSERT_TRUE(year->DelYrName(names[2]));
    ASSERT_TRUE(year->DelYrName(names[1]));
    EXPECT_EQ(CheckDelYrName(*year, {names[0]}, false),
              "Удаление единственного предмета возможно только при входе в это окно через главное "
              "меню программы");
    EXPECT_EQ(CheckDelYrName(*year, {names[0]}, true), "Удаление невозможно. Предмет используется");
}

// Catches the bulk deletion offered outside the main menu, or a used subject
// counted among the unused ones.
TEST_F(ReferenceChecks, UnusedSubjectsAreTheUnreferencedOnes) {
    EXPECT_EQ(CheckDelUnusedYrName(false),
              "Удаление неиспользуемых предметов возможно только при входе в это окно из главного "
              "окна программы");
    EXPECT_EQ(CheckDelUnusedYrName(true), std::nullopt);
    TGryp* gr = group("Г-1");
    subject(gr, 1, {0}, 1);
    const std::vector<TYrName*> unused = UnusedYrNames(*year);
    ASSERT_EQ(unused.size(), 2u);
    for (TYrName* yr : unused) EXPECT_NE(yr, names[1]);
}

// Catches the only building deleted (rooms could not be entered any more) and
// a building deleted while a lesson is held in one of its rooms.
TEST_F(ReferenceChecks, BuildingsAndTheirRooms) {
    std::string failure;
    TDom* main = room->Dom();
    EXPECT_EQ(CheckDelDom(*year, {nullptr}), "Выберите здание");
    EXPECT_EQ(CheckDelDom(*year, {main}), "Нельзя удалять единственное здание");
    EXPECT_FALSE(DelDomWithRooms(*year, main, failure));
    EXPECT_EQ(year->CountDom(), 1);

    TDom* second = year->AddDom("Второй");
    ASSERT_NE(second, nullptr);
    TAyd* free1 = year->AddAyd(second, "201");
    TAyd* free2 = year->AddAyd(second, "202");
    ASSERT_NE(free1, nullptr);
    ASSERT_NE(free2, nullptr);
    free1->AddFio(fios[0]);
    holdLesson(free2);
    EXPECT_EQ(CheckDelDom(*year, {second}), "Удаление невозможно. Здание используется");
    EXPECT_FALSE(DelDomWithRooms(*year, second, failure));
    EXPECT_EQ(failure, "");
    EXPECT_EQ(year->CountDom(), 2);
    EXPECT_EQ(year->CountAyd(), 3);

    // The main building's rooms are free: the building goes with them.
    EXPECT_EQ(CheckDelDom(*year, {main}), std::nullopt);
    EXPECT_TRUE(DelDomWithRooms(*year, main, failure));
    EXPECT_EQ(year->CountDom(), 1);
    EXPECT_EQ(year->CountAyd(), 2);
    EXPECT_EQ(year->LDom[0].get(), second);

    // Several buildings chosen at once that are all there are.
    TDom* third = year->AddDom("Третий");
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(CheckDelDom(*year, {third, second}), "Нельзя удалять единственное здание");
}

// Catches a building deletion that stops half-way told as nothing done (or
// as done), and memory that no longer matches the tables afterwards: each
// disk operation of the deletion fails once in turn.
TEST(ReferenceChecksOnDisk, BuildingDeletionStoppedHalfWaySaysWhatWent) {
    testsupport::ScratchHome scratch("dom_fault");
    std::string message;
    ASSERT_TRUE(scratch.MakeDatabase(message)) << message;
    TScriptedDialog dialog;
    FaultInjectingFileSystem faulty;
    TDM1 dm(scratch.str(), dialog, faulty);
    TAllRasp year(dm);
    year.YGod = 2016;
    ASSERT_NE(year.AddAyd(year.AddDom("Главный"), "101"), nullptr);

    // The rooms of the building named so, as the tables hold them.
    auto roomsOnDisk = [&](const std::string& name) {
        TAllRasp fresh(dm);
        fresh.YGod = year.YGod;
        EXPECT_TRUE(fresh.LoadYear());
        const TDom* dom = fresh.FindDom(name);
        return dom == nullptr ? -1 : static_cast<int>(RoomsOfDom(fresh, dom).size());
    };
    bool partial = false;
    bool done = false;  // the deletion ran without meeting the failure
    for (uint64_t n = 1; n < 400 && !done; ++n) {
        const std::string name = "Д" + std::to_string(n);
        TDom* dom = year.AddDom(name);
        ASSERT_NE(dom, nullptr);
        for (const char* room : {"1", "2", "3"}) ASSERT_NE(year.AddAyd(dom, room), nullptr);
        std::string failure;
        faulty.failAt(n, false);
        const bool deleted = DelDomWithRooms(year, dom, failure);
        done = !faulty.failed();
        faulty.failAt(0);
        SCOPED_TRACE(n);
        if (deleted) {
            EXPECT_EQ(year.FindDom(name), nullptr);
            EXPECT_EQ(roomsOnDisk(name), -1);
            continue;
        }
        ASSERT_EQ(year.FindDom(name), dom);
        const int left = static_cast<int>(RoomsOfDom(year, dom).size());
        EXPECT_EQ(roomsOnDisk(name), left);
        if (left == 3) {
            EXPECT_EQ(failure, "");
        } else if (left > 0) {
            partial = true;
            EXPECT_EQ(failure, "Не удалось записать изменение в базу данных. Здание " + name +
                                   " осталось, из его аудиторий удалено: " +
                                   std::to_string(3 - left) + " из 3.");
        } else {
            EXPECT_EQ(failure, "Не удалось записать изменение в базу данных. Здание " + name +
                                   " осталось без аудиторий: они удалены.");
        }
    }
    EXPECT_TRUE(done);
    EXPECT_TRUE(partial);
}

// Catches a palette with repeated colours (two buildings would print alike)
// or an index outside it read past the table.
TEST(DomColors, FifteenDistinctColoursAndASafeOutside) {
    std::vector<unsigned> seen;
    for (int i = 0; i < kDomColorCount; ++i) {
        EXPECT_EQ(std::count(seen.begin(), seen.end(), DomColorRgb(i)), 0) << i;
        seen.push_back(DomColorRgb(i));
    }
    EXPECT_EQ(DomColorRgb(-1), DomColorRgb(0));
    EXPECT_EQ(DomColorRgb(kDomColorCount), DomColorRgb(0));
}

// Catches a room in use deleted, the Latin letter of the message lost, the
// last room deleted from a picking window, and the timetable's own use of a
// room not looked at.
TEST_F(ReferenceChecks, RoomsInUseOrLastAreRefused) {
    EXPECT_EQ(CheckDelAyd(*year, {}, true), "Выберите аудиторию");
    EXPECT_EQ(CheckDelAyd(*year, {room}, false),
              "Удаление единственной аудитории возможно только из главного окна программы");
    EXPECT_EQ(CheckDelAyd(*year, {room}, true), std::nullopt);

    TAyd* other = year->AddAyd(room->Dom(), "102");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(CheckDelAyd(*year, {room}, false), std::nullopt);
    holdLesson(room);
    const std::string used = "Удаление невозможно. \x41удитория используется";
    EXPECT_EQ(CheckDelAyd(*year, {room}, true), used);
    EXPECT_EQ(CheckDelAyd(*year, {other, room}, true), used);
    EXPECT_TRUE(AydInUse(*year, *room));

    // A room the timetable reports held, with nothing counted on it.
    year->AydUsedInRasp = [&](const TAyd& ayd) { return &ayd == other; };
    EXPECT_EQ(CheckDelAyd(*year, {other}, true), used);
}

// Catches a built-in attribute renamed or deleted, an attribute with load
// deleted, and a repeated or empty attribute name accepted.
TEST_F(ReferenceChecks, AttributesBuiltInOrLoaded) {
    const TAtribyt& atribyt = year->Atribyt;
    ASSERT_EQ(atribyt.LAtr.size(), TAtribyt::kBuiltIn);
    const std::string builtIn = "Пять верхних атрибутов изменению и удалению неподлежат";
    for (std::size_t i = 0; i < TAtribyt::kBuiltIn; ++i) {
        EXPECT_EQ(CheckChangeAtr(atribyt, atribyt.LAtr[i].get()), builtIn);
        EXPECT_EQ(CheckDelAtr(atribyt, atribyt.LAtr[i].get()), builtIn);
    }
    TAtr* own = year->AddAtribyt("Практика");
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(CheckChangeAtr(atribyt, own), std::nullopt);
    EXPECT_EQ(CheckDelAtr(atribyt, own), std::nullopt);
    ++own->NoDelete;
    EXPECT_EQ(CheckDelAtr(atribyt, own), "За данным атрибутом закреплена нагрузка.");
    --own->NoDelete;

    const std::string repeat = "Должно быть не менее двух атрибутов. Измените название.";
    EXPECT_EQ(CheckAtrName(atribyt, nullptr, "  "), repeat);
    EXPECT_EQ(CheckAtrName(atribyt, nullptr, "Сетка"), repeat);
    EXPECT_EQ(CheckAtrName(atribyt, nullptr, " Практика "), repeat);
    EXPECT_EQ(CheckAtrName(atribyt, own, "Практика"), std::nullopt);
    EXPECT_EQ(CheckAtrName(atribyt, nullptr, "Лабораторная"), std::nullopt);
}

// Catches empty names stored, repeats missed behind blanks, an entry taken
// for a repeat of itself, and room numbers compared across buildings.
TEST_F(ReferenceChecks, NamesOfTheEditWindows) {
    EXPECT_EQ(CheckYrName(*year, nullptr, " "), "Введите сокращенное название предмета!");
    EXPECT_EQ(CheckYrName(*year, nullptr, " Физика "), "Повтор названия предмета!\r\n");
    EXPECT_EQ(CheckYrName(*year, names[1], "Физика"), std::nullopt);
    EXPECT_EQ(CheckYrName(*year, names[0], "Физика"), "Повтор названия предмета!\r\n");

    TDom* main = room->Dom();
    EXPECT_EQ(CheckDomName(*year, nullptr, ""), "Введите название здания!");
    EXPECT_EQ(CheckDomName(*year, nullptr, "Главный "), "Повтор названия!");
    EXPECT_EQ(CheckDomName(*year, main, "Главный"), std::nullopt);

    EXPECT_EQ(CheckAyd(*year, nullptr, nullptr, "101"), "Выберите здание!");
    EXPECT_EQ(CheckAyd(*year, nullptr, main, "  "), "Введите название аудитории!");
    EXPECT_EQ(CheckAyd(*year, nullptr, main, "101"), "Повтор названия аудитории!");
    EXPECT_EQ(CheckAyd(*year, room, main, "101"), std::nullopt);
    TDom* second = year->AddDom("Второй");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(CheckAyd(*year, nullptr, second, "101"), std::nullopt);
}

}  // namespace
}  // namespace zavlin::entry
