// The year object's reference lists against a real year database in a scratch
// folder: what each store, delete and load leaves on disk and in the lists.
#include "model/year.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/file_system.h"
#include "base/my_dialog.h"
#include "base/streams.h"
#include "storage/year_database.h"
#include "support/scratch_home.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

struct ProgressLog : TProgressObserver {
    void StydImageShowBar(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

std::unique_ptr<TFio> teacher(const std::string& bigName) {
    auto fio = std::make_unique<TFio>();
    fio->SetBigName(bigName);
    return fio;
}

std::vector<std::string> bigNames(const TAllRasp& year) {
    std::vector<std::string> out;
    for (const auto& fio : year.LFio) out.push_back(fio->BigName());
    return out;
}

class Year : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.empty());
        home = scratch.str();
        std::string message;
        ASSERT_TRUE(scratch.MakeDatabase(message)) << message;
        dm = std::make_unique<TDM1>(home, dialog);
        dm->Hooks.ProgressObserver = &progress;
        a = std::make_unique<TAllRasp>(*dm);
        a->YGod = 2016;
        b = std::make_unique<TAllRasp>(*dm);
        b->YGod = 2017;
    }
    void TearDown() override {
        a.reset();
        b.reset();
        dm.reset();
    }

    // "God:Name:RunDay" of every teacher row, in index order.
    std::vector<std::string> fioRows() {
        std::vector<std::string> r;
        EXPECT_TRUE(dm->ReadEntries("YmFio.b0", std::nullopt, [&](TTableBlob& t) {
            r.push_back(t.FieldByName("God")->asString() + ":" + t.FieldByName("Name")->asString() +
                        ":" + t.FieldByName("RunDay")->asString());
        }));
        return r;
    }

    std::vector<uint8_t> fioBlob(int n) {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(dm->ReadEntries("YmFio.b0", std::nullopt, [&](TTableBlob& t) {
            if (t.FieldByName("N")->asInteger() != n) return;
            TMemoryStream out;
            t.FieldByName("Dan")->SaveToStream(out);
            bytes = out.Bytes();
        }));
        return bytes;
    }

    // A fresh object reading the year from disk.
    std::unique_ptr<TAllRasp> reload(uint16_t god) {
        auto year = std::make_unique<TAllRasp>(*dm);
        year->YGod = god;
        EXPECT_TRUE(year->LoadReferenceLists());
        return year;
    }

    testsupport::ScratchHome scratch{"year"};
    fs::path home;
    TScriptedDialog dialog;
    ProgressLog progress;
    std::unique_ptr<TDM1> dm;
    std::unique_ptr<TAllRasp> a;
    std::unique_ptr<TAllRasp> b;
};

// Catches a teacher stored without its year, name, working days or blob, a
// rewrite that appends instead, a store of a vanished row that appends, and a
// delete that leaves the row or the list entry.
TEST_F(Year, TeachersAreAppendedRewrittenAndDeletedRowByRow) {
    auto fresh = teacher("Петров Пётр Ильич");
    fresh->SetRday(6);
    fresh->Dan.Op[1][0] = 0;
    fresh->SetDolg("доцент");
    TFio* petrov = a->AddFio(std::move(fresh));
    ASSERT_NE(petrov, nullptr);
    EXPECT_GT(petrov->N, 0);
    EXPECT_EQ(a->FioNumer(petrov->N), petrov);
    EXPECT_EQ(fioRows(), std::vector<std::string>{"2016:Петров Пётр Ильич:6"});
    EXPECT_EQ(fioBlob(petrov->N), petrov->DanToBytes());

    const int n = petrov->N;
    petrov->SetBigName("Петров Павел Ильич");
    petrov->SetRday(4);
    ASSERT_TRUE(a->AddFio(petrov));
    EXPECT_EQ(petrov->N, n);
    EXPECT_EQ(fioRows(), std::vector<std::string>{"2016:Петров Павел Ильич:4"});

    auto loaded = reload(2016);
    ASSERT_EQ(loaded->CountFio(), 1);
    EXPECT_EQ(loaded->LFio[0]->Name(), "Петров П.И.");
    EXPECT_EQ(loaded->LFio[0]->Rday(), 4);
    EXPECT_EQ(loaded->LFio[0]->Dolg(), "доцент");
    EXPECT_EQ(loaded->LFio[0]->Dan.Op[1][0], 0);
    EXPECT_EQ(loaded->LFio[0]->Dan.Op[1][1], 1);

    // Deleted behind this object's back: a store finds no row and adds none.
    ASSERT_TRUE(loaded->DelFio(loaded->LFio[0].get()));
    EXPECT_EQ(loaded->CountFio(), 0);
    EXPECT_EQ(fioRows(), std::vector<std::string>{});
    EXPECT_FALSE(a->AddFio(petrov));
    EXPECT_EQ(fioRows(), std::vector<std::string>{});
    EXPECT_FALSE(a->DelFio(petrov));
    EXPECT_EQ(a->CountFio(), 1);
}

// Catches a load, rewrite or delete that reaches rows of another year stored
// in the same table.
TEST_F(Year, RowsOfAnotherYearAreNeverShownChangedOrDeleted) {
    TFio* mine = a->AddFio(teacher("Иванов Иван Иванович"));
    ASSERT_NE(b->AddFio(teacher("Сидоров Сидор Сидорович")), nullptr);
    ASSERT_NE(b->AddDom("Главный"), nullptr);
    TYrName* yr = b->CreateYrName("Физика", "Общая физика");
    ASSERT_TRUE(b->AddYrName(yr));
    ASSERT_NE(a->CreateYrName("Химия", ""), nullptr);
    ASSERT_TRUE(a->AddYrName(a->LYrName[0].get()));
    auto fak = std::make_unique<TFak>(static_cast<TSpisok*>(nullptr));
    fak->SetName("Физический");
    ASSERT_NE(b->AddFak(std::move(fak)), nullptr);

    auto a2 = reload(2016);
    EXPECT_EQ(bigNames(*a2), std::vector<std::string>{"Иванов Иван Иванович"});
    ASSERT_EQ(a2->CountYrName(), 1);
    EXPECT_EQ(a2->LYrName[0]->Name(), "Химия");
    EXPECT_EQ(a2->CountFak(), 0);
    ASSERT_EQ(a2->CountDom(), 1);  // its own unnamed one, not the other year's
    EXPECT_EQ(a2->LDom[0]->Name(), "");

    mine->SetBigName("Иванов Илья Иванович");
    ASSERT_TRUE(a->AddFio(mine));
    EXPECT_TRUE(a->DelAllFio());
    EXPECT_TRUE(a->DelAllYrName());
    EXPECT_TRUE(a->DelAllFak());
    EXPECT_TRUE(a->DelAllAyd());
    EXPECT_TRUE(a->DelAllDom());
    EXPECT_EQ(fioRows(), std::vector<std::string>{"2017:Сидоров Сидор Сидорович:5"});

    auto b2 = reload(2017);
    EXPECT_EQ(bigNames(*b2), std::vector<std::string>{"Сидоров Сидор Сидорович"});
    ASSERT_EQ(b2->CountYrName(), 1);
    EXPECT_EQ(b2->LYrName[0]->BigName(), "Общая физика");
    ASSERT_EQ(b2->CountFak(), 1);
    EXPECT_EQ(b2->LFak[0]->Name(), "Физический");
    EXPECT_EQ(b2->LFak[0]->Spisok, b2.get());
    ASSERT_EQ(b2->CountDom(), 1);
    EXPECT_EQ(b2->LDom[0]->Name(), "Главный");
}

// Catches a delete that ignores the reference count, one refused for good, and
// a deleted teacher left bound to its rooms.
TEST_F(Year, ReferencedEntriesCannotBeDeletedUntilReleased) {
    TFio* fio = a->AddFio(teacher("Кузнецов Кузьма Кузьмич"));
    ASSERT_NE(fio, nullptr);
    TDom* dom = a->AddDom("Корпус 1");
    ASSERT_NE(dom, nullptr);
    TAyd* ayd = a->AddAyd(dom, "101");
    ASSERT_NE(ayd, nullptr);
    ayd->AddFio(fio);

    fio->NoDelete = 1;
    EXPECT_FALSE(a->DelFio(fio));
    EXPECT_EQ(fioRows().size(), 1u);
    EXPECT_EQ(a->CountFio(), 1);
    fio->NoDelete = 0;
    EXPECT_TRUE(a->DelFio(fio));
    EXPECT_EQ(fioRows().size(), 0u);
    EXPECT_TRUE(ayd->LFio.empty());

    TYrName* yr = a->CreateYrName("Химия", "");
    ASSERT_TRUE(a->AddYrName(yr));
    yr->NoDelete = 2;
    EXPECT_FALSE(a->DelYrName(yr));
    yr->NoDelete = 0;
    EXPECT_TRUE(a->DelYrName(yr));
    EXPECT_EQ(a->CountYrName(), 0);

    // The room holds its building; a lesson in the room holds the room.
    EXPECT_EQ(dom->NoDelete, 1);
    EXPECT_FALSE(a->DelDom(dom));
    bool lessonThere = true;
    a->AydUsedInRasp = [&](const TAyd&) { return lessonThere; };
    EXPECT_FALSE(a->DelAyd(ayd));
    lessonThere = false;
    EXPECT_TRUE(a->DelAyd(ayd));
    EXPECT_EQ(dom->NoDelete, 0);
    EXPECT_TRUE(a->DelDom(dom));
    EXPECT_EQ(reload(2016)->CountAyd(), 0);
}

// Catches a room kept without its building, a building not counted by its
// rooms, bindings or room fields lost between save and load, and a year left
// without a building (or given a second one on every load).
TEST_F(Year, RoomsAndBuildingsSurviveASaveAndLoad) {
    ASSERT_TRUE(a->LoadReferenceLists());
    ASSERT_EQ(a->CountDom(), 1);
    EXPECT_EQ(a->LDom[0]->Name(), "");
    EXPECT_GT(a->LDom[0]->N, 0);
    EXPECT_EQ(reload(2016)->CountDom(), 1);

    TFio* p = a->AddFio(teacher("Петров Пётр Петрович"));
    TFio* s = a->AddFio(teacher("Смирнов Семён Семёнович"));
    TDom* dom = a->AddDom("Корпус 2");
    ASSERT_NE(dom, nullptr);
    TAyd* ayd = a->CreateAyd(dom, "205а");
    ayd->kv = 30;
    ayd->SetSpecAyd(true);
    ayd->AddFio(s);
    ayd->AddFio(p);
    ASSERT_TRUE(a->AddAyd(ayd));
    ASSERT_NE(a->AddAyd(dom, "12"), nullptr);
    EXPECT_EQ(a->FindAyd("Корпус 2", "205а"), ayd);
    EXPECT_EQ(a->FindAyd("", "205а"), nullptr);

    // A room whose building has gone.
    uint32_t orphan = 0;
    ASSERT_TRUE(dm->StoreEntry("YmAyd.b0", orphan, [](TTableBlob& t) {
        t.FieldByName("God")->setAsInteger(2016);
        t.FieldByName("Klass")->setAsString("999");
        t.FieldByName("Dom")->setAsInteger(9999);
    }));

    auto loaded = reload(2016);
    ASSERT_EQ(loaded->CountAyd(), 2);
    EXPECT_EQ(loaded->GetAydNumer(static_cast<int>(orphan)), nullptr);
    TAyd* back = loaded->GetAydNumer(ayd->N);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Name(), "205а");
    EXPECT_EQ(back->kv, 30);
    EXPECT_TRUE(back->SpecAyd());
    ASSERT_NE(back->Dom(), nullptr);
    EXPECT_EQ(back->Dom()->Name(), "Корпус 2");
    EXPECT_EQ(back->Dom()->NoDelete, 2);
    EXPECT_EQ(back->AllFio(), "Смирнов С.С.,Петров П.П.");
    EXPECT_EQ(loaded->FindFioForShortName("Петров П.П.")->LAyd, std::vector<TAyd*>{back});
    EXPECT_EQ(loaded->AydToListBoxN(),
              (TListBoxN{{"12 (0 чел.)", loaded->LAyd[0]->N}, {"205а (30 чел.)", ayd->N}}));
}

// Catches an insertion that does not re-sort, a byte order instead of the
// Russian one (Ё after Е, case ignored), and sorting on the short name.
TEST_F(Year, TeachersAndSubjectsFollowRussianOrder) {
    for (const char* name : {"Жуков Жан", "Ёлкин Юрий", "егоров Егор", "Абрамов Антон"})
        ASSERT_NE(a->AddFio(teacher(name)), nullptr);
    EXPECT_EQ(bigNames(*a), (std::vector<std::string>{"Абрамов Антон", "егоров Егор", "Ёлкин Юрий",
                                                      "Жуков Жан"}));
    TFio* abramov = a->LFio[0].get();
    abramov->SetBigName("Яковлев Антон");
    ASSERT_TRUE(a->AddFio(abramov));
    EXPECT_EQ(a->LFio.back().get(), abramov);
    EXPECT_EQ(bigNames(*reload(2016)), bigNames(*a));

    // The full name decides; the short name stands in only when it is empty.
    ASSERT_TRUE(a->AddYrName(a->CreateYrName("Мат", "Высшая математика")));
    ASSERT_TRUE(a->AddYrName(a->CreateYrName("Ф-ра", "")));
    ASSERT_TRUE(a->AddYrName(a->CreateYrName("Анг", "Язык")));
    std::vector<std::string> order;
    for (const auto& yr : a->LYrName) order.push_back(yr->Name());
    EXPECT_EQ(order, (std::vector<std::string>{"Мат", "Ф-ра", "Анг"}));
    EXPECT_EQ(a->FindYrNameForLongName("Ф-ра"), a->LYrName[1].get());
    EXPECT_EQ(a->FindYrNameForName(" Анг "), a->LYrName[2].get());
}

// Catches a full name not matched through its formed short name, and a
// current entry that leaves the list.
TEST_F(Year, LookupsAndTheCurrentEntry) {
    TFio* ivanov = a->AddFio(teacher("Иванов Иван"));
    TFio* petrov = a->AddFio(teacher("Петров Пётр Петрович"));
    EXPECT_EQ(a->FindFioForBigName("  Иванов Иван "), ivanov);
    ivanov->SetBigName("Иванов");
    petrov->SetBigName("Петров П.П.");
    EXPECT_EQ(a->FindFioForBigName("Петров Павел Пантелеевич"), petrov);
    EXPECT_EQ(a->FindFioForBigName("Петров Павел"), nullptr);
    EXPECT_EQ(a->FioNumer(0), nullptr);

    a->FioActivUp();
    EXPECT_EQ(a->FioActivIndx(), 0);
    a->FioActivDown();
    a->FioActivDown();
    EXPECT_EQ(a->FioActivIndx(), 1);
    ASSERT_TRUE(a->DelFio(a->LFio[1].get()));
    EXPECT_EQ(a->FioActivIndx(), 0);
    petrov = nullptr;
    ivanov->Select = true;
    EXPECT_EQ(a->CountSelectFio(), 1);
    EXPECT_EQ(a->FioToListBoxN(), (TListBoxN{{"Иванов", ivanov->N}}));
}

// Catches attributes tied to one year, built-in ones that can be deleted, and
// faculties deleted by the wrong position.
TEST_F(Year, AttributesAreSharedByAllYearsAndFacultiesDeleteByPosition) {
    TAtr* lab = a->AddAtribyt("Лабораторная");
    ASSERT_NE(lab, nullptr);
    ASSERT_NE(a->AddAtribyt("Практика"), nullptr);
    EXPECT_FALSE(a->DelAtribyt(a->Atribyt.LAtr[0].get()));
    ASSERT_TRUE(b->LoadReferenceLists());
    EXPECT_EQ(b->Atribyt.AtrName(lab->N), "Лабораторная");
    const int labN = lab->N;
    EXPECT_TRUE(a->DelAtribyt(lab));
    EXPECT_EQ(a->Atribyt.AtrName(labN), "Атрибут удален");
    const TListBoxN names = reload(2017)->AtribytToComboBoxN(true);
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names.front().first, "Консультация");
    EXPECT_EQ(names.back().first, "Практика");

    for (const char* name : {"Первый", "Второй", "Третий"}) {
        auto fak = std::make_unique<TFak>(static_cast<TSpisok*>(a.get()));
        fak->SetName(name);
        ASSERT_NE(a->AddFak(std::move(fak)), nullptr);
    }
    EXPECT_FALSE(a->DelFak(3));
    EXPECT_TRUE(a->DelFak(1));
    std::vector<std::string> left;
    for (const auto& [text, n] : reload(2016)->FakToListBoxN()) left.push_back(text);
    EXPECT_EQ(left, (std::vector<std::string>{"Первый", "Третий"}));
}

// Catches a table read without its progress text or out of order.
TEST_F(Year, LoadingAnnouncesEveryTable) {
    ASSERT_TRUE(a->LoadReferenceLists());
    EXPECT_EQ(progress.texts, (std::vector<std::string>{"Чтение YmFak.b0", "Чтение YmFio.b0",
                                                        "Чтение YmYrok.b0", "Чтение YmDom.b0",
                                                        "Чтение YmAyd.b0", "Чтение YmAtribyt.b0"}));
}

struct SaveLog : TSaveProgress {
    void SaveStart(int groups) override { events.push_back("start " + std::to_string(groups)); }
    void SaveStep(int done) override { events.push_back("step " + std::to_string(done)); }
    void SaveFinish() override { events.push_back("finish"); }
    std::vector<std::string> events;
};

// Catches the model falling back to a process-wide dialog, or a save bar
// shared by every year: two databases in one process, each year speaks only
// to the person and the bar of its own database.
TEST_F(Year, YearsOfTwoDatabasesAskTellAndReportApart) {
    char tmpl[] = "/tmp/zavlin_year_other_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const fs::path otherHome = tmpl;
    std::string message;
    ASSERT_EQ(CreateDatabase(otherHome, message), TCreateDatabaseResult::Created) << message;
    TScriptedDialog otherDialog(true);
    {
        TDM1 otherDm(otherHome, otherDialog);
        TAllRasp other(otherDm);
        other.YGod = 2016;
        SaveLog saveA;
        SaveLog saveOther;
        dm->Hooks.SaveProgress = &saveA;
        otherDm.Hooks.SaveProgress = &saveOther;

        EXPECT_FALSE(a->AskUser("удалить?"));
        EXPECT_TRUE(other.AskUser("заменить?"));
        other.ShowUser("готово");
        EXPECT_EQ(dialog.asked, (std::vector<std::string>{"удалить?"}));
        EXPECT_TRUE(dialog.shown.empty());
        EXPECT_EQ(otherDialog.asked, (std::vector<std::string>{"заменить?"}));
        EXPECT_EQ(otherDialog.shown, (std::vector<std::string>{"готово"}));

        EXPECT_TRUE(other.SaveRasp());
        EXPECT_TRUE(saveA.events.empty());
        EXPECT_FALSE(saveOther.events.empty());
        EXPECT_EQ(saveOther.events.back(), "finish");
        dm->Hooks.SaveProgress = nullptr;
    }
    fs::remove_all(otherHome);
}

// A disk that refuses any one operation of a store: the store says false
// instead of throwing out of the window or verb that asked, and the rows on
// disk are the ones before it or the ones after it, never half of them.
TEST_F(Year, AStoreTheDiskRefusesFailsWithoutThrowing) {
    {
        TAllRasp seed(*dm);
        seed.YGod = 2016;
        ASSERT_NE(seed.AddFio(teacher("Петров Пётр Петрович")), nullptr);
        ASSERT_NE(seed.AddDom("Главный"), nullptr);
    }
    for (uint64_t n = 1;; ++n) {
        FaultInjectingFileSystem faulty;
        TScriptedDialog quiet;
        bool added = false;
        {
            TDM1 faultyDm(home, quiet, faulty);
            TAllRasp year(faultyDm);
            year.YGod = 2016;
            ASSERT_TRUE(year.LoadReferenceLists());
            faulty.failAt(n, /*crash=*/false);
            auto gr = std::make_unique<TGryp>(&year);
            gr->SetName("ИС-11");
            TGryp* stored = nullptr;
            EXPECT_NO_THROW(stored = year.AddGryp(std::move(gr))) << "operation " << n;
            TFio* fio = nullptr;
            EXPECT_NO_THROW(fio = year.AddFio(teacher("Сидоров Сидор Сидорович")))
                << "operation " << n;
            TAtr* atr = nullptr;
            EXPECT_NO_THROW(atr = year.AddAtribyt("Сетка-2")) << "operation " << n;
            added = stored != nullptr && fio != nullptr && atr != nullptr;
        }
        TAllRasp reread(*dm);
        reread.YGod = 2016;
        ASSERT_TRUE(reread.LoadYear());
        const std::vector<std::string> names = bigNames(reread);
        EXPECT_TRUE(names.size() == 1 || names.size() == 2) << "operation " << n;
        EXPECT_EQ(names.front(), "Петров Пётр Петрович");
        EXPECT_LE(reread.CountGryp(), 1);
        // Clean up what this round stored, so the next one starts alike.
        while (reread.CountGryp() > 0) ASSERT_TRUE(reread.DelGryp(reread.LGryp.back().get()));
        while (reread.CountFio() > 1) ASSERT_TRUE(reread.DelFio(reread.LFio.back().get()));
        for (std::size_t i = reread.Atribyt.LAtr.size(); i-- > TAtribyt::kBuiltIn;)
            ASSERT_TRUE(reread.DelAtribyt(reread.Atribyt.LAtr[i].get()));
        if (!faulty.failed()) {
            EXPECT_TRUE(added);
            break;  // every operation of the three stores has failed once
        }
    }
}

}  // namespace
}  // namespace zavlin
