// `table dump --decode` on a small year written by the model: the lessons,
// substitutions and examinations a person must find, and the byte offset
// of a damaged blob. The walk is also held against the model's own reader:
// both must accept and refuse the same blobs.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "base/streams.h"
#include "cli/group_decode.h"
#include "model/year.h"
#include "storage/year_database.h"
#include "support/cli_runner.h"
#include "support/scratch_home.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;

using Result = testsupport::CliRun;

class TableDecodeCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.empty());
        home = scratch.str();
        ASSERT_EQ(run("init").status, 0);
        ASSERT_EQ(run("year add 2016").status, 0);
        dm = std::make_unique<TDM1>(home, dialog);
        year = std::make_unique<TAllRasp>(*dm);
        year->YGod = 2016;
        for (const char* name :
             {"Иванов Иван Иванович", "Петров Пётр Петрович", "Сидоров Сидор Сидорович"}) {
            auto fio = std::make_unique<TFio>();
            fio->SetBigName(name);
            fios.push_back(year->AddFio(std::move(fio)));
            ASSERT_NE(fios.back(), nullptr);
        }
        TYrName* math = year->CreateYrName("Матем", "Математика");
        TYrName* phys = year->CreateYrName("Физика", "Физика");
        ASSERT_TRUE(year->AddYrName(math));
        ASSERT_TRUE(year->AddYrName(phys));
        TDom* dom = year->AddDom("Главный");
        ASSERT_NE(dom, nullptr);
        TAyd* r101 = year->AddAyd(dom, "101");
        TAyd* r102 = year->AddAyd(dom, "102");
        ASSERT_TRUE(r101 != nullptr && r102 != nullptr);

        auto gr = std::make_unique<TGryp>(year.get());
        gr->SetName("ИС-21");
        g = year->AddGryp(std::move(gr));
        ASSERT_NE(g, nullptr);
        // Week 2: mathematics (Иванов) on Monday period 1 and Tuesday period 3;
        // the Monday lesson is replaced by physics (Петров) taught by Сидоров
        // in room 102, the Tuesday one is cancelled.
        TNed* w = g->SetNed(2);
        TPredmet* pm = g->CreatePredmet(math);
        TPredmet* pp = g->CreatePredmet(phys);
        TFioPredmet* fm = pm->AddFio(2, fios[0]);
        TFioPredmet* fp = pp->AddFio(2, fios[1]);
        TYrokKorzina* km = pm->AddPredmetNe(kSetkaPlan, 2);
        pm->AddPredmetNe(kSetkaPlan, 2);
        TYrokKorzina* kz = pp->AddPredmetNe(kSetkaZamena, 2, fp);
        TYr* monday = w->AddYrRas(0, 1, 1, km, fm);
        TYr* tuesday = w->AddYrRas(0, 2, 3, km, fm);
        ASSERT_TRUE(monday != nullptr && tuesday != nullptr);
        monday->SetAyd(r101);
        auto* zm = static_cast<TZamena*>(w->AddYrRas(0, 1, 1, kz, fp));
        ASSERT_NE(zm, nullptr);
        zm->SetFio(fios[2]);
        zm->SetAyd(r102);
        TNed::LinkZamena(zm, monday);
        TNed::LinkZamena(w->AddYrRas(0, 2, 3, nullptr, nullptr), tuesday);
        ASSERT_TRUE(year->SaveRasp());
        blob = g->WriteRasp();
        groupN = g->Dan.N;
        ivanovN = fios[0]->N;
        sidorovN = fios[2]->N;
        mathN = math->N;
        physN = phys->N;
        // The program runs against the files alone.
        year.reset();
        dm.reset();
    }
    void TearDown() override {
        year.reset();
        dm.reset();
    }

    Result run(const std::string& args) { return testsupport::runAtHome(ZAVLIN_CLI, args, home); }

    Result decode(const std::string& more = "") {
        return run("table dump '" + home + "/Database/YmGryp' --decode" + more);
    }

    bool storeBlob(const std::vector<uint8_t>& bytes) {
        TDM1 files(home, dialog);
        TTableBlob& t = files.AT1;
        t.SetTableName("YmGryp.b0");
        if (!t.Open()) return false;
        t.SetKey();
        t.FieldByName("N")->setAsInteger(groupN);
        bool ok = t.GotoKey();
        if (ok) {
            t.Edit();
            TMemoryStream stream{std::vector<uint8_t>(bytes)};
            t.FieldByName("Zavlin")->LoadFromStream(stream);
            ok = t.Post();
        }
        t.Close();
        return ok;
    }

    // Whether the model's strict reader takes the blob; the saved year
    // gives it the teachers, names and rooms to resolve.
    bool modelReads(const std::vector<uint8_t>& bytes) {
        if (!year) {
            dm = std::make_unique<TDM1>(home, dialog);
            year = std::make_unique<TAllRasp>(*dm);
            year->YGod = 2016;
            if (!year->LoadYear()) return false;
        }
        TGryp copy(year.get());
        return copy.ReadRasp(bytes);
    }

    static bool has(const Result& r, const std::string& text) {
        return r.out.find(text) != std::string::npos;
    }

    testsupport::ScratchHome scratch{"decode"};
    std::string home;
    TScriptedDialog dialog;
    std::unique_ptr<TDM1> dm;
    std::unique_ptr<TAllRasp> year;
    std::vector<TFio*> fios;
    TGryp* g = nullptr;
    int groupN = 0;
    int ivanovN = 0, sidorovN = 0, mathN = 0, physN = 0;
    std::vector<uint8_t> blob;
};

// Catches a decode that loses lessons, mixes up who teaches a substitution,
// or prints numbers where the year has names.
TEST_F(TableDecodeCli, ShowsTheWeekAsLessonsWithNames) {
    const Result r = decode();
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r, "group ИС-21 N=")) << r.out;
    EXPECT_TRUE(has(r, "@0 version 109, a 18-byte header")) << r.out;
    EXPECT_TRUE(has(r, "week 2: 4 lesson(s)\n")) << r.out;
    // A replaced lesson gives its room up to the substitution.
    EXPECT_TRUE(has(r, "Пн period 1: Матем, Иванов Иван Иванович (replaced), Сетка, 2.00 h\n"))
        << r.out;
    EXPECT_TRUE(has(r,
                    "Пн period 1: substitution: Физика, Петров Пётр Петрович, taught by Сидоров "
                    "Сидор Сидорович, room 102, Сетка, 2.00 h\n"))
        << r.out;
    EXPECT_TRUE(has(r, "Вт period 3: Матем, Иванов Иван Иванович (replaced), Сетка, 2.00 h\n"))
        << r.out;
    EXPECT_TRUE(has(r, "Вт period 3: cancelled, Сетка, 2.00 h\n")) << r.out;
    // Each substitution names the lesson it replaces by its index: 0, the
    // only plan lesson of its period.
    EXPECT_TRUE(has(r, "replaces 1 lesson(s) of the period, indexes: 0\n")) << r.out;
}

// Catches a decode that reports success on a damaged blob, crashes on one,
// or points at the wrong byte. Offsets counted by hand from the layout: a
// 2-byte version header, the 18-byte counts, 9 bytes of GN, Kyrs and
// DateSemm2; mathematics 15 + 6 + 2 * 13, physics 15 + 6 + 13 + 2.
TEST_F(TableDecodeCli, ADamagedBlobGivesItsOffsetAndFails) {
    ASSERT_GT(blob.size(), 112u + 11);
    std::vector<uint8_t> cut(blob.begin(), blob.begin() + 112 + 5);
    ASSERT_TRUE(storeBlob(cut));
    Result r = decode();
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(has(r,
                    "failed at byte 112 of 117, in week 0: cut short: a week needs 11 bytes, "
                    "5 left\n"))
        << r.out;
    EXPECT_TRUE(has(r, "@29 subject 0 N=1 name Матем (#")) << r.out;
    EXPECT_TRUE(has(r, "@76 subject 1 N=2 name Физика (#")) << r.out;
    EXPECT_TRUE(has(r, "error: 1 of 1 group timetables could not be decoded")) << r.out;
    EXPECT_FALSE(has(r, "timetable\n")) << r.out;

    std::vector<uint8_t> later = blob;
    later[0] = 110;
    ASSERT_TRUE(storeBlob(later));
    r = decode();
    EXPECT_EQ(r.status, 1) << r.out;
    const std::string size = std::to_string(blob.size());
    EXPECT_TRUE(has(r, "failed at byte 0 of " + size + ", in the header: unknown version 110\n"))
        << r.out;

    std::vector<uint8_t> longer = blob;
    longer.push_back(7);
    ASSERT_TRUE(storeBlob(longer));
    r = decode();
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(has(r, "failed at byte " + size + " of " + std::to_string(blob.size() + 1) +
                           ", in the tail: 1 bytes after the last record\n"))
        << r.out;
}

// Catches a walk that drifts from the model's reader: what one refuses the
// other must refuse, at every length the blob could be cut to and with each
// record size zeroed; and no cut may pass for a whole timetable.
TEST_F(TableDecodeCli, RefusesExactlyWhatTheModelRefuses) {
    const cli::BlobNames names;
    ASSERT_TRUE(modelReads(blob));
    EXPECT_TRUE(cli::decodeGroupBlob(blob, names).ok);
    for (std::size_t n = 1; n < blob.size(); ++n) {
        const std::vector<uint8_t> cut(blob.begin(), blob.begin() + static_cast<long>(n));
        const cli::GroupDecode d = cli::decodeGroupBlob(cut, names);
        EXPECT_EQ(d.ok, modelReads(cut)) << "cut to " << n;
        EXPECT_FALSE(d.ok) << "cut to " << n;
        EXPECT_LE(d.failedAt, n) << "cut to " << n;
    }
    for (std::size_t at = 2; at < 2 + 18; ++at) {
        std::vector<uint8_t> bad = blob;
        bad[at] = 0;
        EXPECT_EQ(cli::decodeGroupBlob(bad, names).ok, modelReads(bad)) << "byte " << at;
    }
}

// Catches a walk that reads the oldest form differently from the model: no
// version header, 5-byte assignments, the week's study days as a range, a
// substitution held inside the lesson it replaced.
TEST_F(TableDecodeCli, ReadsTheOldestFormLikeTheModel) {
    auto lo = [](int n) { return static_cast<uint8_t>(n & 0xFF); };
    auto hi = [](int n) { return static_cast<uint8_t>(n >> 8); };
    const std::vector<uint8_t> old = {
        // kYh KPr, record sizes week 11 subject 15 assignment 5 item 3 lesson 13 day 1 zm 2
        1, 1, 11, 15, 5, 3, 13, 1, 2,
        // subject 1: mathematics, one assignment, Spar 1
        1, lo(mathN), hi(mathN), 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0,
        // week 2, Иванов, one lesson, union 0 (one byte)
        2, lo(ivanovN), hi(ivanovN), 1, 0,
        // item 1, layer 0, Monday, period 1, no room, no attribute, 200, Zm 1
        1, 0, 1, 1, 0, 0, 0, 0, 200, 0, 0, 1, 0,
        // held instead: physics by Сидоров, no room, no attribute, 150
        lo(physN), hi(physN), lo(sidorovN), hi(sidorovN), 0, 0, 0, 0, 150, 0,
        // week 2: one plan item, study days Monday to Friday as a range
        2, 0, 1, 0, 1, 5, 0, 0, 0, 0, 0,
        // plan item: subject 1, number 1, one lesson a week
        1, 1, 1};
    const cli::BlobNames names{{{sidorovN, "Сидоров"}}, {{physN, "Физика"}}, {}, {}};
    const cli::GroupDecode d = cli::decodeGroupBlob(old, names);
    EXPECT_TRUE(d.ok) << d.text;
    EXPECT_TRUE(modelReads(old));
    EXPECT_NE(d.text.find("@0 no version header: version 100"), std::string::npos) << d.text;
    EXPECT_NE(d.text.find("study days old days 1-5"), std::string::npos) << d.text;
    EXPECT_NE(d.text.find("Zm=1 index 0 replaced (old block @42: subject name Физика (#" +
                          std::to_string(physN) + ") teacher Сидоров (#" +
                          std::to_string(sidorovN) + ") room -)"),
              std::string::npos)
        << d.text;
    EXPECT_NE(d.text.find("week 2: 1 lesson(s)\n      Пн period 1: #" + std::to_string(mathN) +
                          ", #" + std::to_string(ivanovN) + " (replaced), Сетка, 2.00 h\n"),
              std::string::npos)
        << d.text;
    for (std::size_t n = 1; n < old.size(); ++n) {
        const std::vector<uint8_t> cut(old.begin(), old.begin() + static_cast<long>(n));
        EXPECT_EQ(cli::decodeGroupBlob(cut, names).ok, modelReads(cut)) << "cut to " << n;
    }
}

// Catches --decode on a table that holds no group timetables, and --key
// that shows the wrong rows.
TEST_F(TableDecodeCli, SelectsGroupTablesAndRows) {
    Result r = run("table dump '" + home + "/Database/YmFio' --decode");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(has(r, "holds no group timetables")) << r.out;

    r = decode(" --key " + std::to_string(groupN));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r, "group ИС-21")) << r.out;
    r = decode(" --key " + std::to_string(groupN + 1));
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(has(r, "no live record with key")) << r.out;
}

}  // namespace
}  // namespace zavlin
