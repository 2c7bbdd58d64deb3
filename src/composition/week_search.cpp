#include "composition/week_search.h"

#include <fmt/format.h>

#include <algorithm>
#include <cassert>
#include <chrono>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "composition/explain.h"
#include "composition/parallel_search.h"
#include "composition/quality.h"
#include "composition/repair.h"
#include "composition/sos_run.h"
#include "composition/unit_order.h"
#include "model/group.h"
#include "model/teacher.h"
#include "model/timetable.h"
#include "model/year.h"

namespace zavlin {

namespace {

constexpr int kTimetable = 0;

uint16_t clampWord(int v) {
    return static_cast<uint16_t>(std::clamp(v, 0, 65535));
}

// The order of the units as a key: variants are compared by it before their
// records are read back.
uint64_t orderHash(const std::vector<std::unique_ptr<TSosPredmet>>& units) {
    uint64_t h = 1469598103934665603ull;
    for (const auto& u : units) {
        h ^= u->NAuto;
        h *= 1099511628211ull;
    }
    return h;
}

// The cell in its standard order, but with the lessons that came from the
// preliminary settings first and in the order they were set: the final test
// expects the i-th pinned lesson of a cell to stay its i-th lesson.
void sortKeepingPinned(TYrok& cell) {
    std::vector<TYr*> order;
    for (TYr* yr : cell.LYr)
        if (yr->TestPy()) order.push_back(yr);
    cell.SortYr();
    if (order.empty()) return;
    for (TYr* yr : cell.LYr)
        if (!yr->TestPy()) order.push_back(yr);
    cell.LYr = std::move(order);
}

}  // namespace

TSpSostPr::TSpSostPr(TSosRun& run, int ned) : Run(run), Year(run.Year), Ne(ned) {
    FiName = run.VariantFile();
    (void)Run.Fs.remove(FiName);
    Sf = Run.Fs.open(FiName, OpenMode::CreateTruncate);
    if (!Sf) Run.FileFault("Не удалось записать файл " + FiName.string());
    for (const auto& gr : Year.LGryp)
        if (gr->Select && gr->GetNed(Ne) != nullptr) Lg.push_back(gr.get());
}

TSpSostPr::~TSpSostPr() {
    DropVariantFile();
}

bool TSpSostPr::FormS1StopSos() const {
    return Run.FormS1StopSos();
}

void TSpSostPr::SaveLogError(const std::string&, const std::string& Op) {
    Run.SaveStepLog(Op);
}

int TSpSostPr::CountSosPredmet() const {
    return static_cast<int>(
        std::count_if(Li.begin(), Li.end(), [](const auto& u) { return u->Ok == 0; }));
}

int TSpSostPr::CountSssPredmet() const {
    return static_cast<int>(
        std::count_if(Li.begin(), Li.end(), [](const auto& u) { return u->Ok == 1; }));
}

int TSpSostPr::MimRunDey(int nFio, int minYrDey) {
    const int64_t key = (static_cast<int64_t>(nFio) << 8) | (minYrDey & 0xFF);
    auto found = FMim.find(key);
    if (found != FMim.end()) return found->second;
    if (!FLoadsRead) {
        // Each teacher's subjects of the week, in the groups' order, read
        // once: asking the year scans every group for every teacher.
        FLoadsRead = true;
        std::vector<int> seen;
        for (const auto& gr : Year.LGryp) {
            if (gr->GetNed(Ne) == nullptr) continue;
            const bool early = gr->Dan.TimeDay < 6;
            for (const auto& pr : gr->LPredmet) {
                seen.clear();
                for (const auto& fp : pr->GetLFio(Ne)) {
                    const int t = fp->Dan.NFio;
                    if (std::find(seen.begin(), seen.end(), t) != seen.end()) continue;
                    seen.push_back(t);
                    FLoads[t].push_back({early, pr->CountPredmetNe(kSetkaPlan, Ne)});
                }
            }
        }
    }
    // TAllRasp::GetMimRunDey over the list: the running sum is never reset.
    int m = 0;
    int sum = 0;
    if (const auto loads = FLoads.find(nFio); loads != FLoads.end())
        for (const auto& [early, e] : loads->second) {
            const int c = minYrDey == 1 ? 1 : (early ? minYrDey : 2);
            m = std::max(m, std::min(e, 6));
            sum += e;
            if (c > 0 && sum >= c) m = std::max(m, std::min(6, (sum + c - 1) / c));
        }
    if (m == 0) m = 6;
    assert(m == Year.GetMimRunDey(nFio, Ne, minYrDey));
    FMim.emplace(key, m);
    return m;
}

void TSpSostPr::GetSosSpisok() {
    Run.SaveLog("Определения списка оставшихся предметов");
    // Looked up per lesson, the lists would be walked once per lesson.
    std::unordered_set<const TFio*> listed(Lf.begin(), Lf.end());
    std::unordered_map<int, std::vector<TSosPredmet*>> byOb;
    for (const auto& unit : Li)
        if (unit->NOb != 0) byOb[unit->NOb].push_back(unit.get());
    for (TGryp* gr : Lg) {
        TNed* week = gr->GetNed(Ne);
        if (week == nullptr || gr->CountPredmet() == 0) continue;
        week->SortLNYrok();
        for (const auto& item : week->LKorzina(kSetkaPlan)) {
            TYrokKorzina* korzina = item.get();
            TPredmet* predmet = korzina->Predmet();
            if (predmet == nullptr || CountPodGrypNotRasp(*korzina, kSetkaPlan, kTimetable) <= 0)
                continue;
            for (const auto& fpOwned : korzina->LFio()) {
                TFioPredmet* fp = fpOwned.get();
                const int placed = fp->CountYr(kSetkaPlan, kTimetable);
                const int needed = predmet->CountPredmetNe(kSetkaPlan, Ne, fp);
                for (int k = placed; k < needed; ++k) {
                    auto lesson = std::make_unique<TSGYF>();
                    lesson->Gryp = gr;
                    lesson->YrokKorzina = korzina;
                    lesson->FioPredmet = fp;
                    add(std::move(lesson), &byOb);
                    if (TFio* fio = fp->Fio(); fio != nullptr && listed.insert(fio).second)
                        Lf.push_back(fio);
                }
            }
        }
    }
    Run.SaveLog("Количество предметов=" + std::to_string(Count()));
}

void TSpSostPr::Add(std::unique_ptr<TSGYF> sgyf) {
    add(std::move(sgyf), nullptr);
}

void TSpSostPr::add(std::unique_ptr<TSGYF> sgyf,
                    std::unordered_map<int, std::vector<TSosPredmet*>>* byOb) {
    const int nob = sgyf->FioPredmet != nullptr ? sgyf->FioPredmet->Dan.Nob : 0;
    TSosPredmet* target = nullptr;
    if (!Li.empty() && nob != 0) {
        const int groupN = sgyf->Gryp->Dan.N;
        auto takes = [&](const TSosPredmet& unit) {
            return unit.NOb == nob &&
                   std::none_of(unit.LSGYF.begin(), unit.LSGYF.end(),
                                [&](const auto& l) { return l->Gryp->Dan.N == groupN; });
        };
        // The union's units in the list's order, as the walk over it meets them.
        if (byOb != nullptr) {
            if (const auto it = byOb->find(nob); it != byOb->end())
                for (TSosPredmet* unit : it->second)
                    if (takes(*unit)) {
                        target = unit;
                        break;
                    }
        } else {
            for (const auto& unit : Li)
                if (takes(*unit)) {
                    target = unit.get();
                    break;
                }
        }
    }
    if (target == nullptr) {
        Li.push_back(std::make_unique<TSosPredmet>(Year));
        target = Li.back().get();
        if (byOb != nullptr && nob != 0) (*byOb)[nob].push_back(target);
    }
    target->NOb = static_cast<uint16_t>(nob);
    target->LSGYF.push_back(std::move(sgyf));
}

namespace {

TSortKey sortKey(TSosPredmet& unit, int ne) {
    TSortKey k;
    if (unit.LSGYF.empty()) return k;
    const TYrokKorzina& korzina = *unit.LSGYF.front()->YrokKorzina;
    const auto& fios = korzina.LFio();
    k.empty = false;
    k.joint = unit.NOb != 0;
    k.teachers = static_cast<int>(fios.size());
    k.distinct = k.teachers > 1 ? CountCompareFioPredmet(korzina) : k.teachers;
    k.lessons = unit.CountPodGrypFio(ne);
    k.cells = unit.CountYrokForFio(ne);
    k.most = korzina.CountMaxYrForFioPredmet();
    k.first = fios.empty() ? nullptr : fios.front()->Fio();
    return k;
}

}  // namespace

int TSpSostPr::ComparePredmet(TSosPredmet& p, TSosPredmet& q, int& code) {
    return compareSortKeys(sortKey(p, Ne), sortKey(q, Ne), code);
}

void TSpSostPr::SortSosPredmet() {
    if (Count() > 1) {
        const AStatys saved = Run.Statys;
        const std::string caption = Run.Caption;
        Run.Statys = AStatys::sSortRasp;
        Run.SaveLog("Сортировка");
        Run.Status("Прекратить cортировку");
        Run.Counters.PositionMax = Count();
        Run.Counters.Position = 0;
        Run.Progress();
        std::vector<TSortKey> keys;
        keys.reserve(Li.size());
        for (const auto& unit : Li) keys.push_back(sortKey(*unit, Ne));
        const std::vector<int> order = classicUnitOrder(
            keys, [&] { return FormS1StopSos(); },
            [&](int highest) {
                Run.Counters.Position = highest;
                if (highest % 64 == 0) Run.Progress();
            });
        std::vector<std::unique_ptr<TSosPredmet>> sorted;
        sorted.reserve(Li.size());
        for (const int at : order) sorted.push_back(std::move(Li[static_cast<std::size_t>(at)]));
        Li = std::move(sorted);
        Run.Statys = saved;
        Run.Status(caption);
    }
    for (std::size_t i = 0; i < Li.size(); ++i) Li[i]->NAuto = static_cast<uint16_t>(i + 1);
    if (Run.WLog)
        for (const auto& unit : Li) {
            std::string line = std::to_string(unit->NAuto);
            const TFio* previous = nullptr;
            for (const auto& l : unit->LSGYF) {
                line += " Гр." + l->Gryp->Name();
                const auto n = l->YrokKorzina->LFio().size();
                if (n > 1) line += "(1/" + std::to_string(n) + ")";
            }
            const TSGYF& head = *unit->LSGYF.front();
            if (head.YrokKorzina->Predmet() != nullptr)
                line += " " + head.YrokKorzina->Predmet()->Name();
            for (const auto& l : unit->LSGYF) {
                const TFio* fio = l->FioPredmet->Fio();
                if (fio != previous && fio != nullptr) line += " " + fio->Name();
                previous = fio;
            }
            if (unit->NOb != 0) line += " объединение N" + std::to_string(unit->NOb);
            Run.SaveLog(line);
        }
    Run.Counters.Position = 0;
    Run.Progress();
}

void TSpSostPr::Exchange(int n1, int n2) {
    if (n1 == n2 || n1 < 0 || n2 < 0 || n1 >= Count() || n2 >= Count()) return;
    std::swap(Li[static_cast<std::size_t>(n1)], Li[static_cast<std::size_t>(n2)]);
}

TKahVar TSpSostPr::CurrentKahVar() const {
    TKahVar kv;
    const TWeekTotals totals = WeekTotals(Year, kTimetable, Ne);
    kv.mk[0] = clampWord(CountSssPredmet());
    kv.mk[1] = clampWord(totals.groupHoles);
    kv.mk[2] = clampWord(totals.badNagryzka);
    kv.mk[3] = clampWord(totals.teacherHoles);
    return kv;
}

std::vector<uint8_t> TSpSostPr::CurrentRecord() const {
    std::vector<uint8_t> record;
    record.reserve(Li.size() * kEntrySize);
    for (const auto& unit : Li) {
        const bool placed = unit->Ok == 1;
        record.push_back(unit->Ok);
        record.push_back(static_cast<uint8_t>(placed ? unit->Day() : 0));
        record.push_back(static_cast<uint8_t>(placed ? unit->Period() : 0));
        record.push_back(static_cast<uint8_t>(unit->NAuto & 0xFF));
        record.push_back(static_cast<uint8_t>(unit->NAuto >> 8));
    }
    return record;
}

void TSpSostPr::SaveNew() {
    St = CurrentRecord();
    SizeSt = static_cast<int>(St.size());
    // A variant that did not reach the file cannot be restored: the run stops.
    if (Sf && Run.FilesOk() &&
        !Sf->writeAt(static_cast<uint64_t>(CountSt) * static_cast<uint64_t>(SizeSt), St.data(),
                     St.size()))
        Run.FileFault("Не удалось записать файл " + FiName.string());
    FOrders.emplace(orderHash(Li), CountSt);
    ++CountSt;
    const TKahVar kv = CurrentKahVar();
    Lk.push_back(kv);
    if (kv.mk[0] > CountSsOkMax) {
        CountSsOkMax = kv.mk[0];
        Run.Counters.CountSsOk = CountSsOkMax;
        Run.Ti = TSosRun::Clock::now();
    }
    Run.Counters.CountSsNo = static_cast<int>(
        std::count_if(Li.begin(), Li.end(), [](const auto& u) { return u->Ok == 2; }));
    ++Run.Counters.KolVar;
    Run.Progress();
    if (Run.WLog) Run.SaveLog("Вариант" + std::to_string(CountSt) + " ");
}

bool TSpSostPr::readVariant(int k, std::vector<uint8_t>& record) {
    record.assign(static_cast<std::size_t>(SizeSt), 0);
    if (!Sf || !Run.FilesOk()) return false;
    if (Sf->readAt(static_cast<uint64_t>(k) * static_cast<uint64_t>(SizeSt), record.data(),
                   record.size()))
        return true;
    Run.FileFault("Не удалось прочитать файл " + FiName.string());
    return false;
}

bool TSpSostPr::TestVariant() {
    if (SizeSt != static_cast<int>(Li.size() * kEntrySize)) return false;
    std::vector<uint8_t> record;
    const auto [first, last] = FOrders.equal_range(orderHash(Li));
    for (auto it = first; it != last; ++it) {
        if (!readVariant(it->second, record)) continue;
        bool same = true;
        for (std::size_t i = 0; i < Li.size() && same; ++i) {
            const uint16_t n = static_cast<uint16_t>(record[i * kEntrySize + 3] |
                                                     (record[i * kEntrySize + 4] << 8));
            same = n == Li[i]->NAuto;
        }
        if (same) return true;
    }
    return false;
}

void TSpSostPr::LoadOld() {
    for (const auto& unit : Li) {
        for (const auto& l : unit->LSGYF) {
            if (l->Yr != nullptr)
                if (TNed* week = l->Gryp->GetNed(Ne)) week->DeletePGrRasp(kTimetable, l->Yr, false);
            l->Yr = nullptr;
        }
        unit->Ok = 0;
    }
    if (Lk.empty()) return;
    std::size_t best = 0;
    for (std::size_t i = 0; i < Lk.size(); ++i) {
        const auto& a = Lk[i].mk;
        const auto& b = Lk[best].mk;
        if (a[0] > b[0] || (a[0] == b[0] && a[1] < b[1]) ||
            (a[0] == b[0] && a[1] == b[1] && a[2] < b[2]) ||
            (a[0] == b[0] && a[1] == b[1] && a[2] == b[2] && a[3] <= b[3]))
            best = i;
        if (Run.WLog)
            Run.SaveLog(fmt::format("ВарN{} всего{} дыр_г{} предм{} дыр_ф{}", i + 1, a[0], a[1],
                                    a[2], a[3]));
    }
    BestVariant = static_cast<int>(best);
    std::vector<uint8_t> record;
    if (readVariant(static_cast<int>(best), record) && LayRecord(std::move(record)) && Run.WLog)
        Run.SaveLog("-----Сортировка лучшего варианта----");
    Run.SaveLog("Количество найденных вариантов=" + std::to_string(Lk.size()));
    Run.SaveLog("Лучший найденный вариант N" + std::to_string(best + 1));
    Run.SaveLog("Количество назначенных предметов=" + std::to_string(Lk[best].mk[0]));
}

bool TSpSostPr::LayRecord(std::vector<uint8_t> record) {
    bool laid = false;
    if (record.size() == Li.size() * kEntrySize) {
        std::vector<std::unique_ptr<TSosPredmet>*> byNAuto(Li.size() + 1, nullptr);
        for (auto& unit : Li)
            if (unit->NAuto >= 1 && unit->NAuto <= Li.size()) byNAuto[unit->NAuto] = &unit;
        std::vector<std::unique_ptr<TSosPredmet>> ordered;
        ordered.reserve(Li.size());
        bool whole = true;
        for (std::size_t i = 0; i < Li.size() && whole; ++i) {
            const uint16_t n = static_cast<uint16_t>(record[i * kEntrySize + 3] |
                                                     (record[i * kEntrySize + 4] << 8));
            whole = n >= 1 && n <= Li.size() && byNAuto[n] != nullptr && *byNAuto[n];
            if (whole) ordered.push_back(std::move(*byNAuto[n]));
        }
        if (whole) {
            Li = std::move(ordered);
        } else {
            // A record that does not name every unit once cannot be laid.
            for (auto& unit : ordered)
                for (auto& slot : Li)
                    if (!slot) {
                        slot = std::move(unit);
                        break;
                    }
            record.clear();
        }
        for (std::size_t i = 0; i < Li.size() && !record.empty(); ++i) {
            TSosPredmet& unit = *Li[i];
            unit.Ok = record[i * kEntrySize];
            if (unit.Ok != 1) continue;
            const int d = record[i * kEntrySize + 1];
            const int y = record[i * kEntrySize + 2];
            for (const auto& l : unit.LSGYF) {
                TNed* week = l->Gryp->GetNed(Ne);
                if (week == nullptr) continue;
                l->Yr = week->AddYrRas(kTimetable, d, y, l->YrokKorzina, l->FioPredmet);
                if (TYrok* cell = week->GetYrok(kTimetable, d, y)) sortKeepingPinned(*cell);
            }
            laid = true;
        }
    }
    return laid;
}

void TSpSostPr::DropVariantFile() {
    if (!Sf) return;
    Sf.reset();
    (void)Run.Fs.remove(FiName);
}

void TSpSostPr::UseVariantFile(const std::filesystem::path& path) {
    Sf.reset();
    FiName = path;
    (void)Run.Fs.remove(FiName);
    Sf = Run.Fs.open(FiName, OpenMode::CreateTruncate);
    if (!Sf) Run.FileFault("Не удалось записать файл " + FiName.string());
}

namespace {

std::string elapsedText(TSosRun::Clock::duration span) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(span).count();
    return fmt::format("{}:{:02}:{:02}", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

int firstWithOk(const TSpSostPr& sp, int ok) {
    for (int i = 0; i < sp.Count(); ++i)
        if (sp.Item(i)->Ok == ok) return i;
    return -1;
}

// Unit p placed, displacing another or improving the timetable to make
// room while that helps.
void place(TSpSostPr& sp, TSosRun& run, int p) {
    for (;;) {
        if (sp.GetVariantForPredmet(p, 0, 0, 0, true)) return;
        ++run.Counters.CountYly;
        if (sp.GetNextVariantForPredmet(p, true) || sp.GetVariantForPredmet(p, 0, 0, 1, true))
            return;
        bool improved = false;
        {
            struct Hold {
                TSpSostPr& sp;
                explicit Hold(TSpSostPr& s) : sp(s) { sp.HoldPlacements(true); }
                ~Hold() { sp.HoldPlacements(false); }
            } hold{sp};
            for (int kind = 0; kind <= 2 && !improved; ++kind)
                improved = sp.OptimizeRasp(false, true, kind, p);
            // With the repair after the pass, what the unit's own groups and
            // teachers cannot make room for is left to it.
            const bool wide = !(run.Options.LocalSweeps && run.Options.Repair);
            for (int kind = 0; kind <= 2 && !improved && wide; ++kind)
                improved = sp.OptimizeRasp(true, true, kind, p);
        }
        if (!improved) return;
    }
}

// The pass-end improvement: whole cells moved between days (kind 3), then,
// with PolishHoles, the groups' holes filled (kind 0), and with
// PolishTeacherHoles the teachers' holes (kind 2) and the groups' once more,
// each repeated while it succeeds. The holes a unit's own improvement left
// are closed here; on the sample colleges this halves the group holes of a
// composed week and, the holes closed, the search needs fewer passes.
void polish(TSpSostPr& sp, TSosRun& run) {
    // Whatever ends the pass end, the search leaves it.
    struct Leave {
        TSpSostPr& sp;
        ~Leave() {
            sp.ResumeSweeps(false);
            sp.PassEnd(false);
        }
    } leave{sp};
    sp.ResumeSweeps(run.Options.ResumeSweeps);
    sp.PassEnd(true);
    run.Counters.CountYly = 0;
    while (run.FormS1StopSos() && sp.OptimizeRasp(true, true, 3, 0)) ++run.Counters.CountYly;
    const auto groupHoles = [&] {
        if (!run.Options.PolishHoles) return;
        run.Counters.CountYly = 0;
        while (run.FormS1StopSos() && sp.OptimizeRasp(true, true, 0, 0)) ++run.Counters.CountYly;
    };
    groupHoles();
    if (!run.Options.PolishTeacherHoles) return;
    // Not bound by the 50 moves of a unit's improvement: on a large college
    // the teachers' holes take hundreds of moves; the week's units bound
    // them instead. The holes closed leave new group holes: those go again.
    for (int n = 0; n < sp.Count() && run.FormS1StopSos(); ++n) {
        run.Counters.CountYly = 0;
        if (!sp.OptimizeRasp(true, true, 2, 0)) break;
    }
    groupHoles();
}

}  // namespace

ASearchEnd SearchPasses(TSpSostPr& sp, TSosRun& run) {
    const int ne = sp.Ne;
    // The search ends itself on these; any other end came from outside.
    ASearchEnd end = ASearchEnd::Stopped;
    int p = 0;
    // Passes since the best variant last placed more units.
    int idle = 0;
    while (run.FormS1StopSos()) {
        // A pass: every unit from p on gets a place or is left unplaced.
        for (; p < sp.Count() && run.FormS1StopSos(); ++p) {
            run.Counters.CountYly = 0;
            run.Counters.Position = p;
            run.Progress();
            place(sp, run, p);
        }
        if (run.Options.Repair) RepairUnplaced(sp, run);
        if (sp.CountSssPredmet() > sp.CountSsOkMax) polish(sp, run);
        const int bestBefore = sp.CountSsOkMax;
        sp.SaveNew();
        if (sp.CountSsOkMax > bestBefore) idle = 0;

        if (sp.CountSt >= TSpSostPr::kMaxVariants) {
            end = ASearchEnd::VariantLimit;
            run.RequestStop();
        } else if (run.Options.Repair && run.Options.RepairPatience > 0 &&
                   firstWithOk(sp, 0) >= 0 && ++idle >= run.Options.RepairPatience) {
            // What the repair could not place after that many passes the
            // reordering will hardly place either: on a large college each
            // pass costs seconds and the variant store holds thousands.
            end = ASearchEnd::NoProgress;
            run.RequestStop();
        } else {
            // The first unplaced unit moves up until it finds a place in an
            // order not tried before; at the top it is given up.
            int q = firstWithOk(sp, 0);
            while (run.FormS1StopSos() && q >= 0) {
                if (q == 0) {
                    TSosPredmet& lost = *sp.Item(0);
                    lost.PredmetDeleteRasp(ne);
                    lost.Ok = 2;
                    for (const auto& l : lost.LSGYF) {
                        if (!run.FormS1StopSos()) break;
                        run.SaveLog("Нет вариантов для Гр." + LessonText(*l));
                    }
                    q = firstWithOk(sp, 0);
                    continue;
                }
                run.Counters.Position = q;
                run.Progress();
                sp.Exchange(q - 1, q);
                --q;
                for (int i = q; i < sp.Count(); ++i) sp.Item(i)->PredmetDeleteRasp(ne);
                if (sp.GetVariantForPredmet(q, 0, 0, 0, true) && !sp.TestVariant()) {
                    p = q + 1;
                    run.Counters.Position = p;
                    run.Progress();
                    break;
                }
            }
        }
        if (firstWithOk(sp, 0) < 0) {
            polish(sp, run);
            if (end == ASearchEnd::Stopped) end = ASearchEnd::Finished;
            run.RequestStop();
        }
    }

    return end;
}

TSostavResult SostavNed(TSosRun& run, int ne) {
    TSostavResult result;
    const std::string stopCaption = "Прекратить cоставление";
    run.Status(stopCaption);
    TSpSostPr sp(run, ne);
    sp.GetSosSpisok();
    run.Counters.CountSs = sp.Count();
    run.Counters.CountSsOk = 0;
    run.Counters.CountYly = 0;
    result.units = sp.Count();
    if (sp.Count() == 0) return result;

    run.ClearStopRequest();
    // Read before the deadline is armed, so a deadline reached always shows.
    const TSosRun::Clock::time_point armed = TSosRun::Clock::now();
    run.ArmWeekDeadline();
    sp.SortSosPredmet();
    // A stop pressed while sorting ended the sort; the search starts afresh
    // (a limit reached while sorting still ends it). The caption comes again
    // after the clear: a button that a stop lost in between disabled is given
    // back.
    run.ClearOutsideStopRequest();
    run.Status(stopCaption);
    run.Ti = run.Ti2 = run.Tm1 = run.Tm2 = TSosRun::Clock::now();
    run.Counters.KolVar = 0;
    run.Counters.Position = 0;
    run.Counters.PositionMax = sp.Count();
    run.Progress();
    for (int i = 0; i < sp.Count(); ++i) sp.Item(i)->Ok = 0;
    run.SaveLog("Составление. Неделя N" + run.Year.AllNed.GetNumberWeek(ne));

    ASearchEnd end = ASearchEnd::Stopped;
    const int searches = SosSearchCount(run.Options);
    if (searches <= 1 || !SearchInParallel(sp, run, searches, end)) {
        end = SearchPasses(sp, run);
        sp.SaveNew();
        sp.LoadOld();
    }
    run.Tm2 = TSosRun::Clock::now();
    if (end == ASearchEnd::Stopped && run.WeekTimeLimit.count() > 0 &&
        run.Tm2 - armed >= run.WeekTimeLimit)
        end = ASearchEnd::TimeLimit;
    if (run.Tm2 > run.Tm1) run.SaveLog("Время составления:" + elapsedText(run.Tm2 - run.Tm1));
    result.placed = sp.CountSssPredmet();
    result.stopped = end == ASearchEnd::Stopped || end == ASearchEnd::TimeLimit;
    result.variants = sp.CountSt;
    result.tries = sp.CountTry;
    result.noPlace = static_cast<int>(
        std::count_if(sp.Li.begin(), sp.Li.end(), [](const auto& u) { return u->Ok == 2; }));
    for (const auto& unit : sp.Li)
        if (unit->Ok != 1)
            for (const auto& l : unit->LSGYF) result.unplaced.push_back(LessonText(*l));
    // Told against the restored timetable: the one the dispatcher sees. After
    // a file fault nothing was restored, and an empty week explains nothing.
    if (run.FilesOk()) {
        result.why = ExplainWeek(sp, end);
        for (const std::string& line : result.why) run.SaveLog(line);
    }
    run.Counters.Position = 0;
    run.Progress();
    if (run.WLog)
        for (const std::string& line : KahestvoReportLines(run.Year, ne)) run.SaveLog(line);
    return result;
}

int GetNMaxNed(const TAllRasp& year, const std::vector<int>& activeWeeks) {
    std::vector<int> weeks = activeWeeks;
    std::sort(weeks.begin(), weeks.end());
    int nMax = 0;
    int mG = 0;
    int mD = 0;
    int mL = 0;
    for (auto it = weeks.rbegin(); it != weeks.rend(); ++it) {
        const int ne = *it;
        int g = 0;
        int d = 0;
        int l = 0;
        for (const auto& gr : year.LGryp) {
            if (!gr->Select || !gr->TestNed(ne)) continue;
            ++g;
            d += gr->CountRunDey(ne);
            l += gr->GetNed(ne)->CountYrokKorzina(0);
        }
        if (g >= mG) {
            mG = g;
            if (d >= mD) {
                mD = d;
                if (l >= mL) {
                    mL = l;
                    nMax = ne;
                }
            }
        }
    }
    if (nMax == 0 && !weeks.empty()) nMax = weeks.front();
    return nMax;
}

}  // namespace zavlin
