// The group timetable blob: the exact bytes written for a small group, the
// model rebuilt from them, blobs of the older versions, and damaged input.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/my_dialog.h"
#include "model/group.h"
#include "model/room.h"
#include "model/subject_name.h"
#include "model/teacher.h"
#include "model/year.h"
#include "storage/year_database.h"
#include "support/scratch_home.h"

namespace zavlin {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// Hand-built blobs, little-endian, record by record.
struct Blob {
    Blob& b(std::initializer_list<int> xs) {
        for (int x : xs) v.push_back(static_cast<uint8_t>(x));
        return *this;
    }
    Blob& w(int x) { return b({x & 0xFF, (x >> 8) & 0xFF}); }
    Blob& d(uint32_t x) { return w(static_cast<int>(x & 0xFFFF)).w(static_cast<int>(x >> 16)); }
    Blob& subject(int n, int yrName, int podg, int kFio) {
        return b({n}).w(yrName).w(0).w(0).b({podg, 0, 0, 0, kFio, 1, 0, 0});
    }
    // Before 108 the union number is a byte.
    Blob& oldFio(int ne, int fio, int kYr, int nob) { return b({ne}).w(fio).b({kYr, nob}); }
    Blob& fio(int ne, int fio, int kYr, int nob) { return b({ne}).w(fio).b({kYr}).w(nob); }
    Blob& lesson(int nn, int tip, int de, int y, int room, int zm, int index, int kh00 = 200) {
        return b({nn, tip, de, y}).w(room).w(0).w(kh00).b({0, zm, index});
    }
    Blob& week(int n, int kdop, int knyr, int yd, int dt1, int dt6, int kotm, int kzam) {
        return b({n, kdop, knyr, yd, dt1, dt6, 0}).w(kotm).w(kzam);
    }
    Blob& item(int n, int nn, int ky) { return b({n, nn, ky}); }
    Bytes v;
};

// The 109 header with the usual record sizes.
Blob header109(int kYh, int kPr, int kEn = 0, int kZh = 0) {
    Blob x;
    x.b({109, 18, kYh, kPr, 11, 15, 6, 3, 13, 1, 2, kEn, 3, 10, kZh, 12, 1, 1, 1, 1});
    x.d(0).b({1}).d(0);
    return x;
}

// A failed read can leave an examination week without entries, which the
// next read drops: see GroupBlob.ExamWeekCutShortIsNotKept.
bool holdsEmptyExamWeek(const TGryp& g) {
    for (const TENed* e : g.LENed)
        if (e->CountEkzamen() == 0) return true;
    return false;
}

int fioN(const TYr* yr) {
    return yr != nullptr && yr->Fio() != nullptr ? yr->Fio()->N : 0;
}

// A period's lessons in running order: teacher N, "+" before an additional
// lesson, "~" before a substitution, "-" for a cancellation, "@" and a room.
std::string period(const TNed* w, int tip, int de, int y) {
    const TYrok* yrok = w != nullptr ? w->GetYrok(tip, de, y) : nullptr;
    if (yrok == nullptr) return "empty";
    std::string out;
    for (int i = 0; i < yrok->CountYrDpZm(); ++i) {
        const TYr* yr = yrok->YrDpZm(i);
        if (i > 0) out += ' ';
        if (yr->SetOtmenaYes()) {
            out += '-';
        } else {
            if (yr->SetZamenaYes()) out += '~';
            if (!yr->SetZamenaYes() && i >= yrok->CountYr()) out += '+';
            out += std::to_string(fioN(yr));
        }
        if (yr->Ayd() != nullptr) out += "@" + std::to_string(yr->NAyd());
    }
    return out;
}

// How many substitutions each assignment of the item's week may hold.
std::vector<int> zmCounts(const TYrokKorzina& item) {
    std::vector<int> out;
    const auto& zk = static_cast<const TYrokKorzinaZamena&>(item);
    for (const auto& fp : item.LFio()) {
        const TZmKorzina* c = zk.FindZmKorzina(fp.get());
        out.push_back(c != nullptr ? c->FCountZm : 0);
    }
    return out;
}

// The teacher numbers of a subject's assignments in week ne.
std::vector<int> teachers(const TPredmet& pr, int ne) {
    std::vector<int> out;
    for (const auto& fp : pr.GetLFio(ne)) out.push_back(fp->Fio() != nullptr ? fp->Fio()->N : 0);
    return out;
}

class GroupBlob : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(scratch.empty());
        home = scratch.str();
        std::string message;
        ASSERT_TRUE(scratch.MakeDatabase(message)) << message;
        dm = std::make_unique<TDM1>(home, dialog);
        a = year();
    }
    void TearDown() override {
        years.clear();
        a.reset();
        dm.reset();
    }

    // Teachers 11-14, subject names 21-23, rooms 31-32; nothing stored.
    std::unique_ptr<TAllRasp> year() {
        auto y = std::make_unique<TAllRasp>(*dm);
        y->YGod = 2016;
        for (int n : {11, 12, 13, 14}) {
            y->LFio.push_back(std::make_unique<TFio>());
            y->LFio.back()->SetBigName("Учитель " + std::to_string(n));
            y->LFio.back()->N = n;
        }
        for (int n : {21, 22, 23})
            y->LYrName.push_back(std::make_unique<TYrName>("Пр" + std::to_string(n), ""));
        for (int i = 0; i < 2; ++i) y->LAyd.push_back(std::make_unique<TAyd>());
        for (int i = 0; i < 3; ++i) y->LYrName[i]->N = 21 + i;
        for (int i = 0; i < 2; ++i) y->LAyd[i]->N = 31 + i;
        return y;
    }
    static TGryp& group(TAllRasp& y) {
        y.LGryp.push_back(std::make_unique<TGryp>(&y));
        y.LGryp.back()->SetName("Г-1");
        return *y.LGryp.back();
    }
    // A fresh group, by default in a fresh year so that unions start from nothing.
    TGryp& load(const Bytes& blob, bool* ok = nullptr, TAllRasp* into = nullptr) {
        if (into == nullptr) into = years.emplace_back(year()).get();
        TGryp& g = group(*into);
        const bool read = g.ReadRasp(blob);
        if (ok != nullptr) *ok = read;
        return g;
    }
    void expectStableRewrite(TGryp& g) {
        const Bytes once = g.WriteRasp();
        bool ok = false;
        TGryp& again = load(once, &ok);
        EXPECT_TRUE(ok);
        EXPECT_EQ(again.WriteRasp(), once);
    }
    // The group takes an edit, and what it writes reads back to the same bytes.
    void expectUsableAndStable(TGryp& g) {
        TAllRasp& y = *g.God();
        TNed* w = g.SetNed(kWeeks);
        TPredmet* pr = g.CreatePredmet(y.YrNameNumer(23));
        ASSERT_NE(pr, nullptr);
        TFioPredmet* fp = pr->AddFio(kWeeks, y.FioNumer(14));
        TYrokKorzina* k = pr->AddPredmetNe(kSetkaPlan, kWeeks);
        ASSERT_NE(k, nullptr);
        ASSERT_NE(w->AddYrRas(0, 6, 11, k, fp), nullptr);
        const Bytes once = g.WriteRasp();
        TGryp& again = load(once);
        EXPECT_EQ(period(again.GetNed(kWeeks), 0, 6, 11), "14");
        EXPECT_EQ(again.WriteRasp(), once);
    }

    testsupport::ScratchHome scratch{"blob"};
    fs::path home;
    TScriptedDialog dialog;
    std::unique_ptr<TDM1> dm;
    std::unique_ptr<TAllRasp> a;
    std::vector<std::unique_ptr<TAllRasp>> years;
};

// Two subjects in week 1: subject 1 (name 21, Podg 1) with teachers 11 and
// 12, one plan lesson each in both layers, teacher 11 in union 1 with another
// group; subject 2 (name 22) with teacher 13, two plan lessons and one
// additional lesson sharing a period with subject 1.
void buildSmallGroup(TAllRasp& y, TGryp& g, TGryp& partner) {
    g.Dan.GN = 0x1234;
    g.Dan.Kyrs = 2;
    g.Dan.DateSemm2 = 42000;
    TNed* w = g.SetNed(1);
    w->SetYhDey(0x1F);
    TPredmet* p1 = g.CreatePredmet(y.YrNameNumer(21));
    p1->Dan.Podg = 1;
    TPredmet* p2 = g.CreatePredmet(y.YrNameNumer(22));
    TFioPredmet* f11 = p1->AddFio(1, y.FioNumer(11));
    p1->AddFio(1, y.FioNumer(12));
    TFioPredmet* f13 = p2->AddFio(1, y.FioNumer(13));
    TYrokKorzina* k1 = p1->AddPredmetNe(kSetkaPlan, 1);
    TYrokKorzina* k2 = p2->AddPredmetNe(kSetkaPlan, 1);
    p2->AddPredmetNe(kSetkaPlan, 1);
    TYrokKorzina* k3 = p2->AddPredmetNe(kSetkaDop, 1);
    w->AddYrokRas(0, 1, 0, k1);
    w->AddYrokRas(1, 2, 3, k1);
    w->AddYrRas(0, 1, 1, k2, f13)->SetAyd(y.GetAydNumer(32));
    w->AddYrRas(0, 3, 5, k2, f13);
    w->AddYrRas(0, 1, 0, k3, f13);
    f11->LYr[0]->SetAyd(y.GetAydNumer(31));

    partner.SetNed(1);
    TPredmet* q = partner.CreatePredmet(y.YrNameNumer(21));
    auto ob = std::make_unique<TOb>(1, 0);
    ob->AddFio(f11);
    ob->AddFio(q->AddFio(1, y.FioNumer(11)));
    y.AddOb(std::move(ob), true);
}

// clang-format off
const Bytes kSmallBlob = {
    109, 18,                                   // version, header size
    1, 2, 11, 15, 6, 3, 13, 1, 2,              // 1 week, 2 subjects, record sizes
    0, 3, 10, 0, 12, 1, 1, 1, 1,               // no exam weeks, no credits
    0x34, 0x12, 0, 0,                          // GN
    2,                                         // Kyrs
    0x10, 0xA4, 0, 0,                          // DateSemm2 = 42000
    // subject: N, name 21, GNYrName, GNPredmetYp, Podg, TipDRKM, GDel, RazN, KFio, Spar, Sem1, Sem2
    1, 21, 0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 1, 0, 0,
    1, 11, 0, 2, 1, 0,                         // week 1, teacher 11, 2 lessons, union 1
    // NN tip de y  room   attr  Kh00    YOk Zm index
    1, 0, 1, 0, 31, 0, 0, 0, 200, 0, 0, 0, 0,
    1, 1, 2, 3, 0, 0, 0, 0, 200, 0, 0, 0, 0,
    1, 12, 0, 2, 0, 0,                         // teacher 12
    1, 0, 1, 0, 0, 0, 0, 0, 200, 0, 0, 0, 1,   // second in its period
    1, 1, 2, 3, 0, 0, 0, 0, 200, 0, 0, 0, 1,
    2, 22, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0,
    1, 13, 0, 3, 0, 0,
    2, 0, 1, 1, 32, 0, 0, 0, 200, 0, 0, 0, 0,
    2, 0, 3, 5, 0, 0, 0, 0, 200, 0, 0, 0, 0,
    3, 0, 1, 0, 0, 0, 0, 0, 200, 0, 0, 0, 2,   // additional: after both plan lessons
    // week 1: kdop 1, knyr 2, days 1-4, Dt1 unused, Dt6, NeSinx, kotm, kzam
    1, 1, 2, 0x1F, 10, 0, 0, 0, 0, 0, 0,
    1, 1, 1,                                   // plan: subject 1, item 1, 1 a week
    2, 2, 2,
    2, 3, 1,                                   // additional
};
// clang-format on
constexpr std::size_t kSubject1 = 2 + 18 + 9;
constexpr std::size_t kFio11 = kSubject1 + 15;
constexpr std::size_t kWeek1 = kFio11 + 2 * (6 + 2 * 13) + 15 + 6 + 3 * 13;

TEST_F(GroupBlob, SmallGroupWritesKnownBytesAndReadsBack) {
    TGryp& g = group(*a);
    TGryp& partner = group(*a);
    buildSmallGroup(*a, g, partner);
    const Bytes blob = g.WriteRasp();
    ASSERT_EQ(blob, kSmallBlob);
    const Bytes partnerBlob = partner.WriteRasp();

    auto b = year();
    bool ok = false;
    TGryp& r = load(blob, &ok, b.get());
    ASSERT_TRUE(ok);
    TGryp& rPartner = load(partnerBlob, nullptr, b.get());
    b->TestAfterDelObAllNed();

    EXPECT_EQ((std::vector<int>{r.Dan.GN, r.Dan.Kyrs, r.Dan.DateSemm2}),
              (std::vector<int>{0x1234, 2, 42000}));
    ASSERT_EQ(r.CountPredmet(), 2);
    TPredmet& p1 = *r.LPredmet[0];
    TPredmet& p2 = *r.LPredmet[1];
    EXPECT_EQ(p1.YrName(), b->YrNameNumer(21));
    EXPECT_EQ(p1.Dan.Podg, 1);
    EXPECT_EQ(p2.YrName(), b->YrNameNumer(22));
    ASSERT_EQ(teachers(p1, 1), (std::vector<int>{11, 12}));
    ASSERT_EQ(teachers(p2, 1), std::vector<int>{13});

    // The union joins the assignments of both groups.
    ASSERT_EQ(b->GetLOb(1).size(), 1u);
    const TOb& ob = *b->GetLOb(1)[0];
    EXPECT_EQ(ob.FN, 1);
    ASSERT_EQ(ob.CountFioPredmet(), 2);
    EXPECT_EQ(ob.LFioPredmet[0], p1.GetLFio(1)[0].get());
    EXPECT_EQ(ob.LFioPredmet[1], rPartner.LPredmet[0]->GetLFio(1)[0].get());
    EXPECT_EQ(p1.GetLFio(1)[1]->Ob, nullptr);

    ASSERT_EQ(r.LNed.size(), 1u);
    TNed* w = r.GetNed(1);
    EXPECT_EQ(w->Dan.Yd, 0x1F);
    auto items = [](const std::vector<std::unique_ptr<TYrokKorzina>>& l) {
        std::vector<std::vector<int>> out;
        for (const auto& k : l) out.push_back({k->Dan.N, k->Dan.NN, k->Dan.ky});
        return out;
    };
    EXPECT_EQ(items(w->LNYrok), (std::vector<std::vector<int>>{{1, 1, 1}, {2, 2, 2}}));
    EXPECT_EQ(items(w->LDYrok), (std::vector<std::vector<int>>{{2, 3, 1}}));

    EXPECT_EQ(period(w, 0, 1, 0), "11@31 12 +13");
    EXPECT_EQ(period(w, 1, 2, 3), "11 12");
    EXPECT_EQ(period(w, 0, 1, 1), "13@32");
    EXPECT_EQ(period(w, 0, 3, 5), "13");
    const TYrok* shared = w->GetYrok(0, 1, 0);
    EXPECT_EQ(shared->LYr[0]->Predmet(), &p1);
    EXPECT_EQ(shared->LDp[0]->Predmet(), &p2);
    EXPECT_EQ(r.WriteRasp(), blob);

    // Read without its partner, a union of one is released with the year.
    TGryp& alone = load(blob);
    ASSERT_EQ(alone.God()->GetLOb(1).size(), 1u);
    alone.God()->TestAfterDelObAllNed();
    EXPECT_TRUE(alone.God()->GetLOb(1).empty());
    EXPECT_EQ(alone.LPredmet[0]->GetLFio(1)[0]->Ob, nullptr);
    EXPECT_EQ(alone.LPredmet[0]->GetLFio(1)[0]->Dan.Nob, 0);
}

// Subject 1 (teacher 11): plan lessons at day 1 period 0 and day 2 period 4.
// Subject 2 (teachers 12, 13): a substitution item allowing 13 two lessons
// and 12 one; 12 replaces the first lesson with teacher 14 standing in; the
// second lesson is cancelled. Two examinations in week 4 and a credit.
void buildSubstitutions(TAllRasp& y, TGryp& g) {
    TNed* w = g.SetNed(1);
    TPredmet* p1 = g.CreatePredmet(y.YrNameNumer(21));
    TPredmet* p2 = g.CreatePredmet(y.YrNameNumer(22));
    TFioPredmet* f11 = p1->AddFio(1, y.FioNumer(11));
    TFioPredmet* f12 = p2->AddFio(1, y.FioNumer(12));
    TFioPredmet* f13 = p2->AddFio(1, y.FioNumer(13));
    TYrokKorzina* k1 = p1->AddPredmetNe(kSetkaPlan, 1);
    p1->AddPredmetNe(kSetkaPlan, 1);
    p2->AddPredmetNe(kSetkaZamena, 1, f13);
    p2->AddPredmetNe(kSetkaZamena, 1, f13);
    TYrokKorzina* kz = p2->AddPredmetNe(kSetkaZamena, 1, f12);
    TYr* first = w->AddYrRas(0, 1, 0, k1, f11);
    TYr* second = w->AddYrRas(0, 2, 4, k1, f11);
    first->SetAyd(y.GetAydNumer(31));
    auto* zm = static_cast<TZamena*>(w->AddYrRas(0, 1, 0, kz, f12));
    zm->SetFio(y.FioNumer(14));
    zm->SetAyd(y.GetAydNumer(32));
    TNed::LinkZamena(zm, first);
    TNed::LinkZamena(w->AddYrRas(0, 2, 4, nullptr, nullptr), second);

    TEDey& day = *g.SetENed(4)->mDey[2];
    for (int fio : {12, 13}) {
        auto e = std::make_unique<TEkzamen>(&day);
        e->Dan.de = 2;
        e->SetPredmet(p2);
        e->SetFio(y.FioNumer(fio));
        e->SetAtr(y.Atribyt.AtrNumer(TAtribyt::kEkzamen));
        day.LEkz.push_back(std::move(e));
    }
    auto z = createZachet(&g, 2);
    z->FDan.FNe = 1;
    z->SetPredmet(p1);
    z->AddEkzam(y.FioNumer(13));
    g.LZachet.push_back(std::move(z));
}

TEST_F(GroupBlob, SubstitutionAndCancellationRoundTrip) {
    TGryp& g = group(*a);
    buildSubstitutions(*a, g);
    const Bytes blob = g.WriteRasp();
    bool ok = false;
    TGryp& r = load(blob, &ok);
    ASSERT_TRUE(ok);
    TNed* rw = r.GetNed(1);
    ASSERT_NE(rw, nullptr);
    ASSERT_EQ(rw->LZYrok.size(), 1u);
    const TYrokKorzina& item = *rw->LZYrok[0];
    EXPECT_EQ(item.Predmet(), r.LPredmet[1].get());
    EXPECT_EQ(zmCounts(item), (std::vector<int>{1, 2}));
    EXPECT_EQ(item.Dan.ky, 2);

    EXPECT_EQ(period(rw, 0, 1, 0), "11 ~14@32");
    TYr* plan = rw->GetYrok(0, 1, 0)->LYr[0];
    TYr* sub = rw->GetYrok(0, 1, 0)->LZm[0];
    EXPECT_EQ(plan->Dan.Zm, kZmReplaced);
    EXPECT_EQ(plan->LZm, std::vector<TYr*>{sub});
    EXPECT_EQ(sub->LZm, std::vector<TYr*>{plan});
    EXPECT_EQ(sub->FioPredmet(), r.LPredmet[1]->GetLFio(1)[0].get());
    EXPECT_EQ(sub->YrokKorzina(), &item);

    EXPECT_EQ(period(rw, 0, 2, 4), "11 -");
    const TYrok* q = rw->GetYrok(0, 2, 4);
    ASSERT_EQ(rw->LOtmena.size(), 1u);
    EXPECT_EQ(rw->LOtmena[0].get(), q->LZm[0]);
    EXPECT_EQ(q->LZm[0]->LZm, std::vector<TYr*>{q->LYr[0]});
    EXPECT_EQ(q->LYr[0]->Dan.Zm, kZmReplaced);
    EXPECT_EQ(rw->Dan.kzam, 1);

    ASSERT_NE(r.GetENed(4), nullptr);
    EXPECT_EQ(r.GetENed(4)->mDey[2]->LEkz.size(), 2u);
    ASSERT_EQ(r.LZachet.size(), 1u);
    EXPECT_EQ(r.LZachet[0]->FPredmet, r.LPredmet[0].get());
    EXPECT_EQ(r.LZachet[0]->FAtr->N, TAtribyt::kDifZachet);
    EXPECT_EQ(r.WriteRasp(), blob);
}

// Reading over a group replaces its assignments in unions too: the union
// keeps the partner and the new assignment, not the destroyed one.
TEST_F(GroupBlob, ReadingAgainLeavesNoDeadUnionMember) {
    TGryp& g = group(*a);
    TGryp& partner = group(*a);
    buildSmallGroup(*a, g, partner);
    ASSERT_TRUE(g.ReadRasp(kSmallBlob));
    a->TestAfterDelObAllNed();
    ASSERT_EQ(a->GetLOb(1).size(), 1u);
    EXPECT_EQ(a->GetLOb(1)[0]->LFioPredmet,
              (std::vector<TFioPredmet*>{partner.LPredmet[0]->GetLFio(1)[0].get(),
                                         g.LPredmet[0]->GetLFio(1)[0].get()}));
}

// Two plan lessons share a period: the first is cancelled, then the second
// replaced. The period keeps that order through a save and a load.
TEST_F(GroupBlob, SubstitutionsKeepTheirOrderInAPeriod) {
    TGryp& g = group(*a);
    TNed* w = g.SetNed(1);
    TPredmet* p1 = g.CreatePredmet(a->YrNameNumer(21));
    TPredmet* p2 = g.CreatePredmet(a->YrNameNumer(22));
    p1->AddFio(1, a->FioNumer(11));
    p1->AddFio(1, a->FioNumer(12));
    TFioPredmet* f13 = p2->AddFio(1, a->FioNumer(13));
    TYrokKorzina* k1 = p1->AddPredmetNe(kSetkaPlan, 1);
    TYrokKorzina* kz = p2->AddPredmetNe(kSetkaZamena, 1, f13);
    w->AddYrokRas(0, 3, 2, k1);
    TYrok* yrok = w->GetYrok(0, 3, 2);
    TNed::LinkZamena(w->AddYrRas(0, 3, 2, nullptr, nullptr), yrok->LYr[0]);
    TNed::LinkZamena(w->AddYrRas(0, 3, 2, kz, f13), yrok->LYr[1]);

    const Bytes blob = g.WriteRasp();
    TGryp& r = load(blob);
    EXPECT_EQ(period(r.GetNed(1), 0, 3, 2), "11 12 - ~13");
    EXPECT_EQ(r.WriteRasp(), blob);
}

// The blobs of the version tests below, record by record.
Bytes version100() {
    Blob x;
    x.b({1, 3, 11, 15, 5, 3, 13, 1, 2});
    x.subject(1, 21, 3, 1).oldFio(1, 11, 1, 1);
    x.lesson(1, 0, 2, 1, 31, kZmOldStyle, 0);
    x.w(22).w(12).w(32).w(0).w(100);  // substitute: subject name 22, teacher 12, room 32, 1.00 h
    x.subject(2, 22, 0, 1).oldFio(1, 13, 0, 0);
    x.subject(3, 22, 0, 1).oldFio(1, 14, 0, 0);
    x.week(1, 5, 1, 0, 1, 5, 0x0909, 0x0909).item(1, 1, 1);
    return x.v;
}

Bytes version103() {
    Blob x;
    x.b({103, 9, 1, 1, 11, 15, 5, 3, 13, 1, 2}).d(0x0A0B0C0D).b({0}).d(43000);
    x.subject(1, 21, 2, 1).oldFio(1, 11, 2, 7);
    x.lesson(1, 0, 1, 0, 31, 0, 0).lesson(2, 0, 1, 0, 0, 0, 1);
    x.week(1, 1, 1, 0x07, 10, 0, 0x0101, 0x0101).item(1, 1, 1).item(1, 2, 1);
    return x.v;
}

Bytes version104() {
    Blob x;
    x.b({104, 18, 1, 1, 11, 15, 5, 3, 13, 1, 2, 0, 3, 10, 0, 12, 1, 1, 1, 1});
    x.d(0x11111111).b({3}).d(0);
    x.subject(1, 21, 0, 1).oldFio(1, 11, 2, 0);
    x.lesson(1, 0, 4, 2, 31, 0, 0).lesson(1, 0, 5, 0, 0, kZmReplaced, 0);
    x.week(1, 0, 1, 0x7F, 10, 0, 1, 0).item(1, 1, 2);
    x.lesson(0, 0, 5, 0, 32, kZmZamena, 1).w(0).b({1, 0});  // cancels lesson 0 of its period
    return x.v;
}

Bytes version105() {
    Blob x;
    x.b({105, 18, 1, 2, 11, 15, 5, 3, 13, 1, 2, 1, 3, 10, 1, 12, 1, 1, 1, 1});
    x.d(0x01020304).b({2}).d(0);
    x.subject(1, 21, 0, 1).oldFio(2, 11, 1, 0).lesson(1, 0, 1, 0, 0, kZmReplaced, 0);
    x.subject(2, 22, 0, 2).oldFio(2, 12, 1, 0).lesson(2, 0, 1, 0, 0, kZmZamena, 1).w(0);
    x.oldFio(2, 13, 0, 0);
    x.week(2, 0, 1, 0x7F, 10, 0, 0, 1).item(1, 1, 1);
    x.item(2, 2, 1).b({1, 0});  // replaces lesson 0
    x.b({2}).w(1);              // exam week 2, one entry
    x.b({3}).w(1).w(11).w(TAtribyt::kEkzamen).w(200).b({5});
    x.b({3, 2, 4}).w(90).w(600).b({1, 1, 1}).w(31).w(11).w(12);
    return x.v;
}

Bytes version108() {
    const int pad = 0xEE;
    Blob x;
    x.b({108, 19, 1, 2, 12, 16, 7, 4, 14, 1, 3, 1, 4, 11, 0, 12, 1, 1, 1, 1, pad});
    x.d(0).b({1}).d(0);
    x.subject(1, 21, 4, 1).b({pad}).fio(1, 11, 1, 300).b({pad});
    x.lesson(1, 0, 2, 2, 31, 0, 0).b({pad});
    x.subject(2, 22, 0, 2).b({pad}).fio(1, 12, 1, 0).b({pad});
    x.lesson(2, 0, 2, 2, 0, kZmZamena, 1).b({pad}).w(14).b({pad});
    x.fio(1, 13, 0, 0).b({pad});
    x.week(1, 0, 1, 0x7F, 10, 0, 0, 1).b({pad}).item(1, 1, 1).b({pad});
    x.item(2, 2, 3).b({pad}).b({1, 0});  // replaces lesson 0
    x.b({2, 1, 3, 0, 1});                // position 1 may hold 3, position 0 one
    x.b({1}).w(1).b({pad});
    x.b({6}).w(2).w(13).w(TAtribyt::kEkzamen).w(300).b({9, pad});
    return x.v;
}

// No version byte: 9-byte header, 5-byte assignments, no kind-2 items, week
// counts of substitutions ignored, old-style substitution, legacy days.
TEST_F(GroupBlob, ReadsVersion100) {
    const Bytes blob = version100();
    bool ok = false;
    TGryp& g = load(blob, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(g.CountPredmet(), 3);
    EXPECT_EQ(g.LPredmet[0]->Dan.Podg, 0);
    TFioPredmet* fp = g.LPredmet[0]->GetLFio(1)[0].get();
    EXPECT_EQ(fp->Dan.Nob, 1);
    ASSERT_EQ(g.God()->GetLOb(1).size(), 1u);
    EXPECT_EQ(g.God()->GetLOb(1)[0]->LFioPredmet, std::vector<TFioPredmet*>{fp});

    TNed* w = g.GetNed(1);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Dan.Yd, 0x3F);  // days 1-5
    EXPECT_TRUE(w->LDYrok.empty());
    EXPECT_TRUE(w->LOtmena.empty());
    EXPECT_EQ(period(w, 0, 2, 1), "11 ~12@32");
    TYr* plan = w->GetYrok(0, 2, 1)->LYr[0];
    TYr* sub = w->GetYrok(0, 2, 1)->LZm[0];
    EXPECT_EQ(plan->Dan.Zm, kZmReplaced);
    EXPECT_EQ(plan->LZm, std::vector<TYr*>{sub});
    EXPECT_EQ(sub->LZm, std::vector<TYr*>{plan});
    // The first subject of that name takes it, with its first teacher.
    ASSERT_EQ(w->LZYrok.size(), 1u);
    EXPECT_EQ(w->LZYrok[0]->Predmet(), g.LPredmet[1].get());
    EXPECT_EQ(sub->FioPredmet(), g.LPredmet[1]->GetLFio(1)[0].get());
    EXPECT_EQ(sub->Kh00(), 100);
    expectStableRewrite(g);
}

// 103: GN read but dropped, Kyrs 0 read as 1, kind-2 items, substitution
// counts in the week ignored. 104: stand-alone cancellations; GN dropped still.
TEST_F(GroupBlob, ReadsVersions103And104) {
    TGryp& g = group(*years.emplace_back(year()));
    g.Dan.GN = 99;
    ASSERT_TRUE(g.ReadRasp(version103()));
    EXPECT_EQ((std::vector<int>{g.Dan.GN, g.Dan.Kyrs, g.Dan.DateSemm2}),
              (std::vector<int>{0, 1, 43000}));
    EXPECT_EQ(g.LPredmet[0]->Dan.Podg, 0);
    EXPECT_EQ(g.LPredmet[0]->GetLFio(1)[0]->Dan.Nob, 7);
    TNed* w = g.GetNed(1);
    EXPECT_EQ(w->Dan.Yd, 0x07);
    ASSERT_EQ(w->LDYrok.size(), 1u);
    EXPECT_EQ(period(w, 0, 1, 0), "11@31 +11");
    EXPECT_TRUE(w->LZYrok.empty());
    EXPECT_TRUE(w->LOtmena.empty());
    expectStableRewrite(g);

    TGryp& h = group(*years.back());
    h.Dan.GN = 99;
    ASSERT_TRUE(h.ReadRasp(version104()));
    EXPECT_EQ(h.Dan.GN, 0);
    EXPECT_EQ(h.Dan.Kyrs, 3);
    w = h.GetNed(1);
    ASSERT_EQ(w->LOtmena.size(), 1u);
    EXPECT_EQ(period(w, 0, 5, 0), "11 -@32");
    const TYrok* p = w->GetYrok(0, 5, 0);
    EXPECT_EQ(p->LZm[0]->LZm, std::vector<TYr*>{p->LYr[0]});
    EXPECT_EQ(period(w, 0, 4, 2), "11@31");
    expectStableRewrite(h);
}

// GN kept from 105; substitution items carry no per-teacher counts yet (each
// teacher of the week gets one); examination times read as 0; credits.
TEST_F(GroupBlob, ReadsVersion105) {
    const Bytes blob = version105();
    bool ok = false;
    TGryp& g = load(blob, &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(g.Dan.GN, 0x01020304);
    TNed* w = g.GetNed(2);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->LZYrok.size(), 1u);
    EXPECT_EQ(zmCounts(*w->LZYrok[0]), (std::vector<int>{1, 1}));
    EXPECT_EQ(period(w, 0, 1, 0), "11 ~12");
    const TYrok* p = w->GetYrok(0, 1, 0);
    EXPECT_EQ(p->LZm[0]->LZm, std::vector<TYr*>{p->LYr[0]});

    const TENed* e = g.GetENed(2);
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->mDey[3]->LEkz.size(), 1u);
    const TEkzamen& ex = *e->mDey[3]->LEkz[0];
    EXPECT_EQ(ex.Predmet, g.LPredmet[0].get());
    EXPECT_EQ((std::vector<int>{ex.Dan.Tm, ex.Dan.Kh00, ex.FFio->N, ex.FAtr->N}),
              (std::vector<int>{0, 200, 11, TAtribyt::kEkzamen}));

    ASSERT_EQ(g.LZachet.size(), 1u);
    const TZachet& z = *g.LZachet[0];
    EXPECT_EQ(z.FPredmet, g.LPredmet[0].get());
    EXPECT_EQ((std::vector<int>{z.Types(), z.Ne(), z.Day(), z.FDan.FLength, z.FDan.FStart}),
              (std::vector<int>{3, 2, 4, 90, 600}));
    EXPECT_EQ(z.FAyd->N, 31);
    ASSERT_EQ(z.CountEkzam() + z.CountAsist(), 2);
    EXPECT_EQ(z.LEkzam[0]->N, 11);
    EXPECT_EQ(z.LAsist[0]->N, 12);
    expectStableRewrite(g);
}

// Wide union numbers, per-teacher counts and examination times; every
// record announced one byte longer than known, the header too.
TEST_F(GroupBlob, ReadsVersion108WithLongerRecords) {
    const Bytes blob = version108();
    bool ok = false;
    TGryp& g = load(blob, &ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(g.CountPredmet(), 2);
    EXPECT_EQ(g.LPredmet[0]->Dan.Podg, 0);
    TFioPredmet* fp = g.LPredmet[0]->GetLFio(1)[0].get();
    EXPECT_EQ(fp->Dan.Nob, 300);
    ASSERT_EQ(g.God()->GetLOb(1).size(), 1u);
    EXPECT_EQ(g.God()->GetLOb(1)[0]->FN, 300);

    TNed* w = g.GetNed(1);
    EXPECT_EQ(period(w, 0, 2, 2), "11 ~14");
    const TYrok* p = w->GetYrok(0, 2, 2);
    EXPECT_EQ(p->LYr[0]->LZm, std::vector<TYr*>{p->LZm[0]});
    ASSERT_EQ(w->LZYrok.size(), 1u);
    EXPECT_EQ(zmCounts(*w->LZYrok[0]), (std::vector<int>{1, 3}));

    const TENed* e = g.GetENed(1);
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->mDey[6]->LEkz.size(), 1u);
    const TEkzamen& ex = *e->mDey[6]->LEkz[0];
    EXPECT_EQ(ex.Predmet, g.LPredmet[1].get());
    EXPECT_EQ((std::vector<int>{ex.Dan.Tm, ex.Dan.Kh00, ex.FFio->N}),
              (std::vector<int>{9, 300, 13}));
    expectStableRewrite(g);
}

const std::string kGroupFailed =
    "Ошибка при чтении данных группы Г-1\nРасписание этой группы имеет ошибку";

bool holdsNothing(const TGryp& g) {
    return g.LPredmet.empty() && g.LNed.empty() && g.LENed.empty() && g.LZachet.empty();
}

// Each count raised past what follows: the read fails with the one message
// of the part it broke in, keeps nothing of the blob, and the empty group
// still works and writes a blob that reads back to itself.
TEST_F(GroupBlob, CountsRunningPastTheEnd) {
    struct Case {
        std::size_t at;
        uint8_t value;
        std::string message;
    };
    const std::string subject = "Ошибка при чтении Гр.Г-1 предмет=";
    const std::string week = "Ошибка при чтении Гр.Г-1 урок=";
    // Weeks, subjects (the third reads week 1's bytes and runs out in its
    // assignment), exam weeks, credits, assignments, lessons, items.
    const Case cases[] = {{2, 3, week + "1"},
                          {3, 9, subject + "2"},
                          {11, 5, kGroupFailed},
                          {14, 7, kGroupFailed},
                          {kSubject1 + 11, 60, subject + "0"},
                          {kFio11 + 3, 200, subject + "0"},
                          {kWeek1 + 1, 200, week + "0"},
                          {kWeek1 + 2, 90, week + "0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at);
        Bytes blob = kSmallBlob;
        blob[c.at] = c.value;
        const std::size_t shown = dialog.shown.size();
        bool ok = true;
        TGryp& g = load(blob, &ok);
        EXPECT_FALSE(ok);
        ASSERT_EQ(dialog.shown.size(), shown + 1);
        EXPECT_EQ(dialog.shown.back(), c.message);
        EXPECT_NE(g.BlobFault.find("cut short"), std::string::npos) << g.BlobFault;
        EXPECT_TRUE(holdsNothing(g));
        // Its union membership went with it.
        for (const auto& ob : g.God()->GetLOb(1))
            for (const TFioPredmet* fp : ob->LFioPredmet) EXPECT_NE(fp->Predmet()->Gryp(), &g);
        expectUsableAndStable(g);
    }
}

// Blobs no version of the writer produces: refused whole with the group's
// message, the group's own fields as they were, nothing of the blob kept.
TEST_F(GroupBlob, BlobsNoWriterProducesAreRefused) {
    struct Case {
        std::string name;
        Bytes blob;
        std::string fault;
    };
    Bytes trailing = kSmallBlob;
    trailing.push_back(0);
    Bytes trailingMany = kSmallBlob;
    trailingMany.insert(trailingMany.end(), {1, 2, 3});
    auto versioned = [](uint8_t vers) {
        Bytes b = kSmallBlob;
        b[0] = vers;
        return b;
    };
    Bytes shortHeader = kSmallBlob;
    shortHeader[1] = 8;
    Bytes noLessonSize = kSmallBlob;
    noLessonSize[8] = 0;  // sizeYr
    const Case cases[] = {
        {"version 0", versioned(0), "unknown version 0"},
        {"version 255", versioned(255), "unknown version 255"},
        {"version 110", versioned(110), "unknown version 110"},
        {"headerless 57 weeks", versioned(57), "unknown version 57"},
        {"one byte after", trailing, "1 bytes after the last record"},
        {"three bytes after", trailingMany, "3 bytes after the last record"},
        {"one byte", Bytes{109}, "1 bytes, too short for a header"},
        {"eight bytes", Bytes(kSmallBlob.begin(), kSmallBlob.begin() + 8),
         "8 bytes, too short for a header"},
        {"header cut", Bytes(kSmallBlob.begin(), kSmallBlob.begin() + 15),
         "cut short in its header"},
        {"settings cut", Bytes(kSmallBlob.begin(), kSmallBlob.begin() + kSubject1 - 1),
         "cut short in its header"},
        {"header of 8 bytes", shortHeader, "a header of 8 bytes"},
        {"record of 0 bytes", noLessonSize, "a record size of 0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TGryp& g = group(*years.emplace_back(year()));
        g.Dan.GN = 77;
        g.Dan.Kyrs = 4;
        const std::size_t shown = dialog.shown.size();
        EXPECT_FALSE(g.ReadRasp(c.blob));
        EXPECT_EQ(g.BlobFault, c.fault);
        ASSERT_EQ(dialog.shown.size(), shown + 1);
        EXPECT_EQ(dialog.shown.back(), kGroupFailed);
        EXPECT_TRUE(holdsNothing(g));
        EXPECT_EQ(g.Dan.GN, 77);
        EXPECT_EQ(g.Dan.Kyrs, 4);
        EXPECT_FALSE(g.modifiRasp);
        for (const auto& ob : g.God()->GetLOb(1)) EXPECT_EQ(ob->CountFioPredmet(), 0);
    }
}

// What the writer produces for a group without a timetable, and a row that
// never had a blob, both read as an empty group without a word.
TEST_F(GroupBlob, EmptyTimetablesReadWithoutComplaint) {
    TGryp& empty = group(*a);
    const Bytes written = empty.WriteRasp();
    EXPECT_EQ(written.size(), 2u + ADanRasp::kSize + 9u);
    for (const Bytes& blob : {written, Bytes{}}) {
        TGryp& g = load(blob);
        EXPECT_TRUE(g.BlobFault.empty()) << g.BlobFault;
        EXPECT_TRUE(holdsNothing(g));
    }
    bool ok = false;
    load(written, &ok);
    EXPECT_TRUE(ok);
    load(Bytes{}, &ok);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(dialog.shown.empty());
    // After a failure a good blob clears the fault.
    TGryp& g = load(Bytes{200});
    EXPECT_FALSE(g.BlobFault.empty());
    EXPECT_TRUE(g.ReadRasp(kSmallBlob));
    EXPECT_TRUE(g.BlobFault.empty());
    EXPECT_EQ(g.CountPredmet(), 2);
}

// Old weeks give their days as a range Dt1..Dt6; a range out of order or
// outside 1-6 leaves only the week bit.
TEST_F(GroupBlob, LegacyDayRangeBecomesDayBits) {
    const int cases[][3] = {{1, 5, 0x3F}, {2, 2, 0x05}, {1, 6, 0x7F},
                            {0, 3, 0x01}, {4, 2, 0x01}, {3, 7, 0x01}};
    for (const auto& c : cases) {
        Blob x = header109(1, 0);
        x.week(1, 0, 0, 0x55, c[0], c[1], 0, 0);
        const TNed* w = load(x.v).GetNed(1);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->Dan.Yd, c[2]) << c[0] << ".." << c[1];
        EXPECT_EQ(w->Dan.Dt1, 10);
        EXPECT_EQ(w->Dan.Dt6, 0);
    }
}

TEST_F(GroupBlob, WeeksOutOfRangeOrRepeatedAreDropped) {
    Blob x = header109(4, 1);
    x.subject(1, 21, 0, 3);
    x.fio(0, 11, 1, 0).lesson(1, 0, 1, 0, 0, 0, 0);
    x.fio(57, 11, 1, 0).lesson(1, 0, 1, 0, 0, 0, 0);
    x.fio(2, 11, 1, 0).lesson(1, 0, 3, 4, 0, 0, 0);
    x.week(0, 0, 1, 0x7F, 10, 0, 0, 0).item(1, 1, 1);
    x.week(57, 0, 1, 0x7F, 10, 0, 0, 0).item(1, 1, 1);
    x.week(2, 0, 1, 0x0F, 10, 0, 0, 0).item(1, 1, 1);
    x.week(2, 0, 1, 0x7F, 10, 0, 0, 0).item(1, 1, 1);
    bool ok = false;
    TGryp& g = load(x.v, &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(g.LNed.size(), 1u);
    TNed* w = g.GetNed(2);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Dan.Yd, 0x0F);
    EXPECT_EQ(w->LNYrok.size(), 1u);
    ASSERT_NE(w->GetYrok(0, 3, 4), nullptr);
    EXPECT_EQ(g.LPredmet[0]->CountAllFio(), 1);
    expectUsableAndStable(g);
}

TEST_F(GroupBlob, MissingSubjectTeacherAndRoomAreDropped) {
    Blob x = header109(1, 1, 1);
    x.subject(1, 99, 0, 2);                                          // its name is gone
    x.fio(1, 99, 1, 0).lesson(1, 0, 1, 0, 31, 0, 0);                 // teacher gone
    x.fio(1, 12, 1, 0).lesson(1, 0, 1, 1, 99, 0, 0);                 // room gone
    x.week(1, 0, 2, 0x7F, 10, 0, 0, 0).item(9, 2, 1).item(1, 1, 1);  // subject 9 gone
    x.b({1}).w(2);
    x.b({1}).w(9).w(11).w(TAtribyt::kEkzamen).w(200).b({0});
    x.b({2}).w(1).w(11).w(TAtribyt::kEkzamen).w(200).b({0});
    bool ok = false;
    TGryp& g = load(x.v, &ok);
    EXPECT_TRUE(ok);
    ASSERT_EQ(g.CountPredmet(), 1);
    TPredmet& pr = *g.LPredmet[0];
    EXPECT_EQ(pr.YrName(), nullptr);
    EXPECT_EQ(teachers(pr, 1), std::vector<int>{12});
    TNed* w = g.GetNed(1);
    ASSERT_EQ(w->LNYrok.size(), 1u);
    EXPECT_EQ(w->LNYrok[0]->Predmet(), &pr);
    EXPECT_EQ(w->GetYrok(0, 1, 0), nullptr);
    ASSERT_NE(w->GetYrok(0, 1, 1), nullptr);
    EXPECT_EQ(w->GetYrok(0, 1, 1)->LYr[0]->Ayd(), nullptr);
    ASSERT_NE(g.GetENed(1), nullptr);
    EXPECT_EQ(g.GetENed(1)->CountEkzamen(), 1);
    expectUsableAndStable(g);
}

// Two entries announced, the first cut short.
TEST_F(GroupBlob, ExamWeekCutShortIsNotKept) {
    Blob x = header109(0, 1, 1);
    x.subject(1, 21, 0, 0);
    x.b({5}).w(2);
    x.b({1}).w(1).w(11).w(TAtribyt::kEkzamen).w(200).b({0});
    bool ok = true;
    TGryp& g = load(Bytes(x.v.begin(), x.v.end() - 1), &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(g.BlobFault, "cut short in its examinations or credits");
    EXPECT_FALSE(holdsEmptyExamWeek(g));
    EXPECT_TRUE(holdsNothing(g));
    expectStableRewrite(g);
}

class GroupBlobDamage : public GroupBlob {
protected:
    void checkDamaged(TGryp& g) {
        EXPECT_FALSE(holdsEmptyExamWeek(g));
        expectUsableAndStable(g);
    }
    // Valid blobs of several versions and shapes.
    std::vector<Bytes> samples() {
        std::vector<Bytes> out{kSmallBlob};
        TGryp& g = group(*a);
        buildSubstitutions(*a, g);
        out.push_back(g.WriteRasp());
        for (const Bytes& old :
             {version100(), version103(), version104(), version105(), version108()})
            out.push_back(old);
        return out;
    }
};

// Any cut but the empty blob is refused whole with exactly one message.
TEST_F(GroupBlobDamage, EveryTruncationIsRefusedWhole) {
    for (const Bytes& full : samples()) {
        for (std::size_t len = 0; len < full.size(); ++len) {
            SCOPED_TRACE(len);
            const std::size_t shown = dialog.shown.size();
            bool ok = false;
            TGryp& g =
                load(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(len)), &ok);
            EXPECT_EQ(ok, len == 0);
            EXPECT_EQ(dialog.shown.size(), shown + (len == 0 ? 0 : 1));
            EXPECT_EQ(g.BlobFault.empty(), len == 0);
            EXPECT_TRUE(holdsNothing(g));
            checkDamaged(g);
            years.clear();
            if (HasFailure()) return;
        }
    }
}

TEST_F(GroupBlobDamage, RandomBytesNeverBreakTheGroup) {
    const std::vector<Bytes> all = samples();
    std::mt19937 rng(1998);
    for (int round = 0; round < 600; ++round) {
        SCOPED_TRACE(round);
        Bytes blob = all[static_cast<std::size_t>(round) % all.size()];
        const int flips = 1 + static_cast<int>(rng() % 4);
        for (int i = 0; i < flips; ++i) blob[rng() % blob.size()] = static_cast<uint8_t>(rng());
        checkDamaged(load(blob));
        years.clear();
        if (HasFailure()) return;
    }
}

}  // namespace
}  // namespace zavlin
