#include "composition/driver.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "model/calendar.h"
#include "model/god.h"
#include "model/group.h"
#include "model/teacher.h"
#include "model/timetable.h"
#include "model/year.h"

namespace zavlin {

namespace {

constexpr int kRasp = 0;
constexpr int kPy = 1;

// Plan and additional lessons of a cell; substitutions sit on top of them.
std::vector<const TYr*> lessonsOf(const TYrok* cell) {
    std::vector<const TYr*> out;
    if (cell == nullptr) return out;
    out.insert(out.end(), cell->LYr.begin(), cell->LYr.end());
    out.insert(out.end(), cell->LDp.begin(), cell->LDp.end());
    return out;
}

std::vector<const TYr*> allEntriesOf(const TYrok* cell) {
    std::vector<const TYr*> out;
    for (int i = 0; cell != nullptr && i < cell->CountYrDpZm(); ++i) out.push_back(cell->YrDpZm(i));
    return out;
}

void copyGroupWeek(TAllRasp& year, TGryp& gr, int neFrom, int neTo) {
    TNed* from = gr.GetNed(neFrom);
    TNed* to = gr.GetNed(neTo);
    if (from == nullptr || to == nullptr) return;
    to->SetNedSinx(static_cast<uint8_t>(neFrom));
    for (int d = 1; d <= kDayCount; ++d) {
        if (!to->TestRunDey(d)) continue;
        for (int y = 0; y < kPeriodCount; ++y) {
            const TYrok* source = from->GetYrok(kRasp, d, y);
            if (source == nullptr || source->LYr.empty()) continue;
            // Snapshots: adding lessons changes the target cell.
            const std::vector<TYr*> wanted = source->LYr;
            const std::vector<const TYr*> present = allEntriesOf(to->GetYrok(kRasp, d, y));
            const bool qualifies = std::all_of(present.begin(), present.end(), [&](const TYr* yr) {
                return std::any_of(wanted.begin(), wanted.end(),
                                   [&](const TYr* w) { return yr->Compare(*w); });
            });
            if (!qualifies) continue;
            std::vector<bool> matched(present.size(), false);
            for (const TYr* yr : wanted) {
                bool there = false;
                for (std::size_t i = 0; i < present.size() && !there; ++i)
                    if (!matched[i] && present[i]->Compare(*yr)) {
                        matched[i] = true;
                        there = true;
                    }
                if (there) continue;
                TPredmet* pr = yr->Predmet();
                if (pr == nullptr) continue;
                TYrokKorzina* basket = to->FindYrokKorzina(kSetkaPlan, pr);
                if (basket == nullptr) continue;
                // The teacher slot: the lesson's index among the subject's
                // teachers of week F, held by the same teacher in week T.
                const TLFio& fpTo = pr->GetLFio(neTo);
                const int slot = yr->GetIndexFioPredmet();
                if (slot < 0 || slot >= static_cast<int>(fpTo.size())) continue;
                TFioPredmet* assignment = fpTo[static_cast<std::size_t>(slot)].get();
                if (assignment->Fio() != yr->FioPredmet()->Fio()) continue;
                TYr* made = year.AddYr(&gr, kRasp, neTo, d, y, basket, assignment);
                if (made != nullptr && yr->TestPy()) made->SetPy(true);
            }
        }
    }
}

// Every teacher's lessons of the week in one walk of the groups: asking
// for each teacher's cell walks every group again, which on a large
// college cost more than the composition itself.
bool testFioOverlaps(TSosRun& run, int tip, int ne) {
    TAllRasp& year = run.Year;
    if (tip != kRasp && tip != kPy) return true;
    struct Entry {
        int fio;
        int cell;
        int g;
        const TYr* yr;
    };
    std::vector<Entry> entries;
    for (std::size_t gi = 0; gi < year.LGryp.size(); ++gi) {
        const TNed* week = year.LGryp[gi]->GetNed(ne);
        if (week == nullptr) continue;
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y) {
                const TYrok* cell = week->GetYrok(tip, d, y);
                if (cell == nullptr) continue;
                for (int i = 0; i < cell->CountYrDpZm(); ++i) {
                    const TYr* yr = cell->YrDpZm(i);
                    if (yr->Fio() != nullptr)
                        entries.push_back(
                            {yr->Fio()->N, (d - 1) * kPeriodCount + y, static_cast<int>(gi), yr});
                }
            }
    }
    // Stable: a teacher's lessons of a cell stay in group order.
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.fio != b.fio ? a.fio < b.fio : a.cell < b.cell;
    });
    bool ok = true;
    std::vector<const Entry*> lessons;
    std::vector<int> unions;
    for (const auto& fio : year.LFio) {
        auto it = std::lower_bound(entries.begin(), entries.end(), fio->N,
                                   [](const Entry& e, int n) { return e.fio < n; });
        while (it != entries.end() && it->fio == fio->N) {
            const int cell = it->cell;
            lessons.clear();
            unions.clear();
            for (; it != entries.end() && it->fio == fio->N && it->cell == cell; ++it) {
                if (!it->yr->SetZamenaYes()) lessons.push_back(&*it);
                const int nob = it->yr->NObed();
                if (it->yr->Held() && nob != 0 &&
                    std::find(unions.begin(), unions.end(), nob) == unions.end())
                    unions.push_back(nob);
            }
            if (lessons.size() < 2) continue;
            // One union only when every lesson carries it: a lesson outside
            // the union beside it is still a clash.
            const bool oneUnion = unions.size() == 1 &&
                                  std::all_of(lessons.begin(), lessons.end(), [&](const Entry* l) {
                                      return l->yr->NObed() == unions.front();
                                  });
            if (oneUnion) continue;
            ok = false;
            auto groupName = [&](const Entry* l) {
                return year.LGryp[static_cast<std::size_t>(l->g)]->Name();
            };
            run.SaveLog(fio->BigName() + " " + weekdayName(cell / kPeriodCount + 1) + " Пара=" +
                        std::to_string(cell % kPeriodCount) + " Группы " + groupName(lessons[0]) +
                        " и " + groupName(lessons[1]) + " - ошибка накладки преподавателя");
        }
    }
    return ok;
}

bool testPodGryp(TSosRun& run, int tip, int ne, const TGryp& gr, const TNed& week) {
    bool ok = true;
    for (int d = 1; d <= kDayCount; ++d)
        for (int y = 0; y < kPeriodCount; ++y) {
            const std::vector<const TYr*> lessons = lessonsOf(week.GetYrok(tip, d, y));
            if (lessons.size() < 2) continue;
            const bool wholeGroup = std::any_of(lessons.begin(), lessons.end(), [&](const TYr* yr) {
                const TPredmet* pr = yr->Predmet();
                return pr != nullptr && pr->GetLFio(ne).size() < 2;
            });
            if (!wholeGroup) continue;
            ok = false;
            run.SaveLog("Группа " + gr.Name() +
                        " Ошибка: соединена группа и подгруппа в одно время");
        }
    return ok;
}

// Matched as a set: the composition reorders a cell's lessons.
bool testPyKept(TSosRun& run, const TGryp& gr, const TNed& week) {
    bool ok = true;
    for (int d = 1; d <= kDayCount; ++d)
        for (int y = 0; y < kPeriodCount; ++y) {
            const TYrok* py = week.GetYrok(kPy, d, y);
            if (py == nullptr || py->LYr.empty()) continue;
            // Lesson by lesson in order: the composition keeps a cell's pinned
            // lessons first, in the order they were set.
            const std::vector<const TYr*> rasp = allEntriesOf(week.GetYrok(kRasp, d, y));
            bool kept = rasp.size() >= py->LYr.size();
            for (std::size_t i = 0; kept && i < py->LYr.size(); ++i) {
                const TYr* r = rasp[i];
                const TYr* p = py->LYr[i];
                kept = r->SetZamenaYes() || (r->Fio() == p->Fio() && r->Predmet() == p->Predmet());
            }
            if (kept) continue;
            ok = false;
            run.SaveLog("Группа " + gr.Name() + " Ошибка: утерена предварительная установка");
        }
    return ok;
}

}  // namespace

void copyWeek(TSosRun& run, int neFrom, int neTo) {
    for (const auto& gr : run.Year.LGryp) {
        if (!gr->Select) continue;
        run.SaveLog("Группа " + gr->Name() + " c недели " + std::to_string(neFrom) + " на неделю " +
                    std::to_string(neTo));
        copyGroupWeek(run.Year, *gr, neFrom, neTo);
    }
}

bool testRasp(TSosRun& run, int tip, int tipSostRasp, const std::vector<int>& weeks) {
    TAllRasp& year = run.Year;
    bool ok = true;
    if (tip == kPy) run.SaveLog("Предварительные установоки расписания");
    for (int ne : weeks) {
        run.SaveLog(" неделя " + std::to_string(ne));
        ok = testFioOverlaps(run, tip, ne) && ok;
        for (const auto& gr : year.LGryp) {
            const TNed* week = gr->GetNed(ne);
            if (!gr->Select || week == nullptr) continue;
            ok = testPodGryp(run, tip, ne, *gr, *week) && ok;
            if (tip == kRasp && tipSostRasp != 2) ok = testPyKept(run, *gr, *week) && ok;
        }
    }
    if (ok)
        run.SaveLog(tip == kPy ? "Тест Предварительных установок расписания ошибок не обнаружил"
                               : "Тест составленного расписания ошибок не обнаружил");
    return ok;
}

// --- TFormS1State

TFormS1State::TFormS1State(TAllRasp& year, std::filesystem::path home, FileSystem& fs)
    : Run(year, std::move(home), fs) {
    Run.Observer = this;
}

std::string TFormS1State::CaptionOf(int tipSostRasp) {
    switch (tipSostRasp) {
        case 1:
            return "Пересоставление расписания";
        case 2:
            return "Синхронизация расписания";
        default:
            return "Составление расписания с \"0\"";
    }
}

std::vector<int> TFormS1State::ActiveWeeks() const {
    std::vector<int> weeks;
    for (int ne = 1; ne <= kWeeks; ++ne)
        if (const TDNed* w = Run.Year.AllNed.DNed(ne); w != nullptr && w->Activ)
            weeks.push_back(ne);
    return weeks;
}

void TFormS1State::SetTipSostRasp(uint8_t tip) {
    std::lock_guard<std::mutex> guard(FLock);
    FTipSostRasp = tip;
}

void TFormS1State::SetSinxrNed(uint8_t ne) {
    std::lock_guard<std::mutex> guard(FLock);
    FSinxrNed = ne;
}

void TFormS1State::SetSostRaspYes(bool complete) {
    std::lock_guard<std::mutex> guard(FLock);
    FSostRaspYes = complete;
}

uint8_t TFormS1State::TipSostRasp() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FTipSostRasp;
}

uint8_t TFormS1State::SinxrNed() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FSinxrNed;
}

bool TFormS1State::SostRaspYes() const {
    std::lock_guard<std::mutex> guard(FLock);
    return FSostRaspYes;
}

TFormS1Snapshot TFormS1State::Snapshot() const {
    std::lock_guard<std::mutex> guard(FLock);
    TFormS1Snapshot s;
    s.StartPotok = FStartPotok.load();
    s.Statys = FStatys;
    s.Caption = FCaption;
    s.Status = FStatus;
    s.ButtonCaption = FButtonCaption;
    s.ButtonEnabled = FButtonEnabled;
    s.Counters = FCounters;
    s.NMaxNed = FNMaxNed;
    s.Sl = FSl;
    s.PyOk = FPyOk;
    s.RaspOk = FRaspOk;
    s.Ended = FEnded;
    s.Verdict = FVerdict;
    s.Weeks = FWeeks;
    s.FileError = FFileError;
    return s;
}

void TFormS1State::Open() {
    uint8_t tip = 0;
    uint8_t base = 0;
    {
        std::lock_guard<std::mutex> guard(FLock);
        if (FTipSostRasp != 2) FSinxrNed = 0;
        tip = FTipSostRasp;
        base = FSinxrNed;
        FCaption = CaptionOf(tip);
        FStatys = AStatys::sSinxrPY;
        FStatus.clear();
        FCounters = TSosCounters{};
        FSl.clear();
        FNMaxNed = 0;
        FPyOk = FRaspOk = FEnded = false;
        FVerdict.clear();
        FWeeks.clear();
        FFileError.clear();
    }
    if (auto* god = dynamic_cast<TGod*>(&Run.Year)) {
        god->TipSostRasp = tip;
        god->SinxrNed = base;
    }
    Run.Statys = AStatys::sSinxrPY;
    // A file that cannot be deleted is appended to.
    (void)Run.Fs.remove(Run.LogFile());
    (void)Run.CreateLog();
    Run.Counters = TSosCounters{};
    button("Прекратить составление", false);
    clearMemo();
    // The caption heads the report but is not a memo line.
    const bool filesOk = Run.FilesOk();
    Run.Observer = nullptr;
    Run.SaveLog(CaptionOf(tip));
    Run.Observer = this;
    // Its fault, though, the window must hear.
    if (filesOk && !Run.FilesOk()) SosLog(Run.FileError());
    Run.Ti = Run.Ti2 = TSosRun::Clock::now();
    Run.Progress();
}

void TFormS1State::SosLog(const std::string& line) {
    if (StopRun) Run.RequestStop();
    if (!Run.FilesOk()) {
        std::lock_guard<std::mutex> guard(FLock);
        if (FFileError.empty()) FFileError = Run.FileError();
    }
    if (FWindow != nullptr) FWindow->SosLog(line);
}

void TFormS1State::SosStatus(const std::string& text) {
    {
        std::lock_guard<std::mutex> guard(FLock);
        FStatus = text;
        FStatys = Run.Statys;
    }
    if (FWindow != nullptr) FWindow->SosStatus(text);
}

// A week search re-arms StopSos when it starts; an ended run clears it again
// at the search's first report.
void TFormS1State::SosProgress(const TSosCounters& counters) {
    if (StopRun) Run.RequestStop();
    {
        std::lock_guard<std::mutex> guard(FLock);
        FCounters = counters;
        FStatys = Run.Statys;
    }
    if (FWindow != nullptr) FWindow->SosProgress(counters);
}

void TFormS1State::SosMessage(const std::string& text) {
    {
        std::lock_guard<std::mutex> guard(FLock);
        FVerdict = text;
    }
    if (FWindow != nullptr) FWindow->SosMessage(text);
}

void TFormS1State::SosShowList(const std::vector<std::string>& lines) {
    if (FWindow != nullptr) FWindow->SosShowList(lines);
}

void TFormS1State::button(const std::string& caption, bool enabled) {
    {
        std::lock_guard<std::mutex> guard(FLock);
        FButtonCaption = caption;
        FButtonEnabled = enabled;
    }
    if (FWindow != nullptr) FWindow->SosButton(caption, enabled);
}

void TFormS1State::clearMemo() {
    if (FWindow != nullptr) FWindow->SosClearMemo();
}

void TFormS1State::setPyOk(bool ok) {
    std::lock_guard<std::mutex> guard(FLock);
    FPyOk = ok;
}

void TFormS1State::setRaspOk(bool ok) {
    std::lock_guard<std::mutex> guard(FLock);
    FRaspOk = ok;
}

void TFormS1State::setNMaxNed(int ne) {
    std::lock_guard<std::mutex> guard(FLock);
    FNMaxNed = ne;
}

void TFormS1State::setSl(std::vector<std::string> sl) {
    std::lock_guard<std::mutex> guard(FLock);
    FSl = std::move(sl);
}

void TFormS1State::setEnded(bool ended) {
    std::lock_guard<std::mutex> guard(FLock);
    FEnded = ended;
}

TSostavResult TFormS1State::search(int ne) {
    struct Lowered {
        std::atomic<bool>& flag;
        ~Lowered() { flag = false; }
    } lowered{FSearching};
    FSearching = true;
    return SostavNed(Run, ne);
}

void TFormS1State::addWeek(TSosWeek week) {
    std::lock_guard<std::mutex> guard(FLock);
    FWeeks.push_back(std::move(week));
}

void TFormS1State::setStartPotok(bool running) {
    std::lock_guard<std::mutex> guard(FLock);
    FStartPotok = running;
    if (!running) FFileError = Run.FileError();
}

// --- TSosRaspisanue

TSosRaspisanue::TSosRaspisanue(TFormS1State& state) : S(state) {}

TSosRaspisanue::~TSosRaspisanue() {
    if (FThread.joinable()) EndRun();
    Wait();
}

void TSosRaspisanue::Start() {
    if (FThread.joinable()) return;
    // Reset here, not on the worker: a stop asked for right after Start()
    // must not be lost.
    S.StopRun = false;
    S.Run.ClearStopRequest();
    S.setStartPotok(true);
    // Open talks to the window too, so it runs on the worker like the rest.
    FThread = std::jthread([this] {
        try {
            S.Open();
        } catch (const std::exception& e) {
            // Nothing has been changed yet: the run ends before it starts,
            // and an exception must not leave the worker.
            S.SosMessage(e.what());
            S.button("Закрыть окно", true);
            S.setStartPotok(false);
            return;
        }
        Execute();
    });
}

void TSosRaspisanue::Stop() noexcept {
    S.Run.RequestStop();
}

void TSosRaspisanue::EndRun() noexcept {
    S.StopRun = true;
    S.Run.RequestStop();
}

void TSosRaspisanue::Wait() {
    if (FThread.joinable()) FThread.join();
}

void TSosRaspisanue::AddString(const std::string& str0) {
    S.Run.SaveLog(str0);
}

void TSosRaspisanue::AddStatysAndMemo(const std::string& str0) {
    S.Run.SaveLog(str0);
    S.Run.Status(str0);
}

void TSosRaspisanue::ShowModalFormS2(const std::vector<std::string>& sl) {
    S.setSl(sl);
    S.SosShowList(sl);
}

void TSosRaspisanue::Execute() {
    TSosRun& run = S.Run;
    S.setStartPotok(true);
    std::string verdict;
    bool tested = false;  // the verdict comes from the final test
    bool testOk = false;
    bool ended = false;
    try {
        const std::vector<int> weeks = S.ActiveWeeks();
        const int tip = S.TipSostRasp();
        const int base = S.SinxrNed();
        AddString("------Start------");
        run.Statys = AStatys::sSinxrPY;
        const bool pyOk = testRasp(run, kPy, tip, weeks);
        S.setPyOk(pyOk);
        if (!pyOk) {
            verdict =
                "Предварительные установки расписания имеют ошибку.Расписание не составлялось";
        } else {
            if (tip == 2) AddString("Базовая неделя " + std::to_string(base));
            AddString("Проверка правильности ввода исходных данных");
            // The base week of a synchronisation is its model: clearing it
            // first would copy an empty week over the others.
            std::vector<int> cleared = weeks;
            if (tip == 2) std::erase(cleared, base);
            if (!ending()) clearing(cleared, tip == 0);
            if (!ending()) transferPy(cleared);
            if (!ending()) spreadPy(cleared);
            if (tip == 2) {
                if (!ending()) synchronise(weeks, base, S.SostRaspYes(), false);
            } else {
                if (!ending()) composeHardest(weeks);
                if (!ending()) synchronise(weeks, S.nMaxNed(), true, true);
            }
            // Whatever the test below finds, a run cut short has left the
            // year cleared or half composed.
            ended = S.StopRun.load();
            S.setEnded(ended);
            S.clearMemo();
            run.Status("Тест составленного расписания");
            testOk = testRasp(run, kRasp, tip, weeks);
            tested = true;
        }
    } catch (const std::exception& e) {
        // A value out of range aborts the run; what is done stays.
        verdict = e.what();
    }
    // The closing lines reach the report before the verdict is decided, so
    // that one verdict tells whether the report took them too; the window
    // hears them after the verdict, in their usual place.
    const std::vector<std::string> closing{"------GAME OVER------", "------End------"};
    const bool filesOk = run.FilesOk();
    run.Observer = nullptr;
    for (const std::string& line : closing) run.SaveLog(line);
    run.Observer = &S;
    if (tested) {
        S.setRaspOk(testOk && run.FilesOk() && !ended);
        verdict = ended ? "Составление прервано. Расписание не сохранено."
                  : S.raspOk() ? "Расписание составлено."
                               : "Составленное расписание имеет ошибку.";
    }
    if (!verdict.empty()) S.SosMessage(verdict);
    if (tested) {
        run.Counters.Position = 0;
        run.Progress();
    }
    S.button("Закрыть окно", true);
    if (filesOk && !run.FilesOk()) S.SosLog(run.FileError());
    for (const std::string& line : closing) S.SosLog(line);
    S.setStartPotok(false);
}

void TSosRaspisanue::clearing(const std::vector<int>& weeks, bool allGroups) {
    if (allGroups)
        S.Run.Status("Удаление старого расписания");
    else
        AddString("Удаление старого расписания для выбранных групп");
    for (int ne : weeks)
        for (const auto& gr : S.Run.Year.LGryp)
            if (allGroups || gr->Select) gr->ClearRasp(kRasp, ne, false);
}

void TSosRaspisanue::transferPy(const std::vector<int>& weeks) {
    S.Run.Status("Перенос предварительных установок  групп");
    std::vector<std::string> sl;
    for (int ne : weeks) {
        AddString(" неделя " + std::to_string(ne));
        for (const auto& gr : S.Run.Year.LGryp) {
            if (!gr->Select) continue;
            AddString("Перенос предварительных установок  группы " + gr->Name());
            gr->CopyPyToRasp(ne, sl);
        }
    }
    S.setSl(sl);
    if (!sl.empty()) ShowModalFormS2(sl);
}

void TSosRaspisanue::spreadPy(const std::vector<int>& weeks) {
    S.Run.Statys = AStatys::sSinxrPY;
    S.clearMemo();
    S.Run.Status("Синхронизация предварительных установок групп");
    for (std::size_t i = 0; i < weeks.size(); ++i)
        for (std::size_t j = i + 1; j < weeks.size(); ++j) {
            copyWeek(S.Run, weeks[i], weeks[j]);
            copyWeek(S.Run, weeks[j], weeks[i]);
        }
}

void TSosRaspisanue::composeHardest(const std::vector<int>& weeks) {
    TSosRun& run = S.Run;
    run.Statys = AStatys::sSosRasp;
    S.clearMemo();
    run.Status("Составление");
    const int hardest = GetNMaxNed(run.Year, weeks);
    S.setNMaxNed(hardest);
    if (hardest == 0) return;
    AddString("Наиболее сложная неделя " + std::to_string(hardest));
    S.button("Прекратить составление", true);
    S.addWeek({hardest, true, S.search(hardest), false, 0});
}

void TSosRaspisanue::synchronise(const std::vector<int>& weeks, int base, bool complete,
                                 bool mayRecompose) {
    TSosRun& run = S.Run;
    run.Statys = AStatys::sSinxr;
    S.clearMemo();
    S.button("Прекратить cинхронизацию недели", true);
    run.Status("Синхронизация других недель");
    for (int ne : weeks) {
        if (ne == base) continue;
        if (ending()) break;
        const std::string label = run.Year.AllNed.GetNumberWeek(ne);
        AddString("Неделя N" + label + " Назначение предметов отсутствующих на базовой неделе");
        copyWeek(run, base, ne);
        TSosWeek week{ne, false, {}, false, 0};
        if (complete) {
            run.Status("Досоставление. Неделя N" + label);
            week.result = S.search(ne);
            week.composed = true;
            if (mayRecompose && run.Options.Recompose && week.result.placed < week.result.units &&
                !week.result.stopped && !ending())
                recompose(week, base);
        }
        S.addWeek(std::move(week));
    }
    run.Statys = AStatys::sSinxrEnd;
    run.Status("Синхронизация окончена");
}

namespace {

// Week ne of the selected groups back to its pinned lessons, as the run
// left it before the copy.
void keepPinnedOnly(TAllRasp& year, int ne) {
    for (const auto& gr : year.LGryp) {
        TNed* week = gr->Select ? gr->GetNed(ne) : nullptr;
        if (week == nullptr) continue;
        for (int d = 1; d <= kDayCount; ++d)
            for (int y = 0; y < kPeriodCount; ++y) {
                const TYrok* cell = week->GetYrok(kRasp, d, y);
                if (cell == nullptr) continue;
                const std::vector<TYr*> lessons = cell->LYr;
                for (TYr* yr : lessons)
                    if (!yr->TestPy()) week->DeletePGrRasp(kRasp, yr, false);
            }
        week->SetNedSinx(0);
    }
}

}  // namespace

void TSosRaspisanue::recompose(TSosWeek& week, int base) {
    TSosRun& run = S.Run;
    const int ne = week.ne;
    const int lacking = week.result.units - week.result.placed;
    const std::string label = run.Year.AllNed.GetNumberWeek(ne);
    AddString("Неделя N" + label + " составляется заново: после досоставления без места " +
              std::to_string(lacking));
    keepPinnedOnly(run.Year, ne);
    run.Statys = AStatys::sSosRasp;
    run.Status("Составление. Неделя N" + label);
    TSostavResult fresh = S.search(ne);
    run.Statys = AStatys::sSinxr;
    if (!fresh.stopped && run.FilesOk() && fresh.units - fresh.placed < lacking) {
        AddString("Неделя N" + label + " составлена заново: без места " +
                  std::to_string(fresh.units - fresh.placed));
        week.result = std::move(fresh);
        week.afresh = true;
        week.lacking = lacking;
        return;
    }
    // The copy placed as much: it is made again, the same as before.
    AddString("Неделя N" + label + " остаётся копией базовой недели");
    keepPinnedOnly(run.Year, ne);
    copyWeek(run, base, ne);
    run.Status("Досоставление. Неделя N" + label);
    week.result = S.search(ne);
}

std::vector<TGryp*> LeaveOutUnreadableGroups(TAllRasp& year) {
    std::vector<TGryp*> left;
    for (TGryp* gr : year.UnreadableGryp()) {
        if (gr->Select) left.push_back(gr);
        gr->Select = false;
    }
    return left;
}

}  // namespace zavlin
