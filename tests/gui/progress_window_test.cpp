// The progress window of a run over sample colleges: a whole run from zero
// with its report, stops in the middle of the hardest week, of its sort and
// of a week's copy that the run survives, pinned lessons that cannot go in
// listed while the worker waits (and a close asked for meanwhile), a message
// box the rest of the run waits for, a run closed before it composed, runs
// whose files fail, and a window opened without a year.
#include "composition/ui/progress_window.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/cp1251.h"
#include "base/my_dialog.h"
#include "composition/ui/transfer_errors_window.h"
#include "demo/sample_college.h"
#include "entry_fixture.h"
#include "model/god.h"
#include "model/group.h"
#include "model/timetable.h"
#include "screenshot.h"
#include "support/timetable_judge.h"

namespace fs = std::filesystem;
using namespace zavlin;
using namespace zavlin::composition::ui;
using namespace zavlin::test;

namespace {

// A run over a sample college takes minutes under the sanitizers.
constexpr int kRunMs = 20 * 60 * 1000;

QStringList memoLines(QWidget* window) {
    const QString text = child<QPlainTextEdit>(window, "Memo")->toPlainText();
    return text.isEmpty() ? QStringList{} : text.split('\n');
}

// The report's lines back in UTF-8; each must end in CR LF.
std::vector<std::string> reportLines(const fs::path& file, bool& wellEnded) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<std::string> lines;
    std::size_t from = 0;
    wellEnded = true;
    while (from < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", from);
        if (end == std::string::npos) {
            wellEnded = false;
            break;
        }
        lines.push_back(cp1251ToUtf8(bytes.substr(from, end - from)));
        from = end + 2;
    }
    return lines;
}

bool shownMessage(const EntryHarness& h, const std::string& text) {
    return std::find(h.dialog.shown.begin(), h.dialog.shown.end(), text) != h.dialog.shown.end();
}

// The shell's files pass through to the disk, with two hooks on the run's
// worker: a line written to the report may hold the worker there until the
// test lets it go (so that a click lands in a known phase), and the variant
// file may refuse to open.
class GateFileSystem : public FaultInjectingFileSystem {
public:
    ~GateFileSystem() override { release(); }
    // Asked on the worker before each line written to the report, with its
    // count; true holds the worker there (once).
    std::function<bool(int line)> holdWhen;
    int failVariantAt = 0;  // this open of the variant file fails
    std::atomic<bool> held{false};

    void release() {
        std::call_once(released_, [this] { gate_.set_value(); });
    }
    std::unique_ptr<File> open(const fs::path& path, OpenMode mode) override {
        if (path.filename() == "temprasp.bin" && ++variantOpens_ == failVariantAt) return nullptr;
        std::unique_ptr<File> file = FaultInjectingFileSystem::open(path, mode);
        if (path.filename() != "Logsrasp.txt" || !file) return file;
        return std::make_unique<GatedReport>(*this, std::move(file));
    }

private:
    class GatedReport : public File {
    public:
        GatedReport(GateFileSystem& gate, std::unique_ptr<File> file)
            : owner_(gate), file_(std::move(file)) {}
        bool readAt(uint64_t offset, void* buffer, std::size_t n) override {
            return file_->readAt(offset, buffer, n);
        }
        int64_t readSomeAt(uint64_t offset, void* buffer, std::size_t n) override {
            return file_->readSomeAt(offset, buffer, n);
        }
        bool writeAt(uint64_t offset, const void* buffer, std::size_t n) override {
            owner_.beforeLine();
            return file_->writeAt(offset, buffer, n);
        }
        bool truncate(uint64_t size) override { return file_->truncate(size); }
        bool sync() override { return file_->sync(); }
        int64_t size() override { return file_->size(); }

    private:
        GateFileSystem& owner_;
        std::unique_ptr<File> file_;
    };
    void beforeLine() {
        if (!held && holdWhen && holdWhen(++reportLines_)) {
            held = true;
            opened_.wait();
        }
    }

    std::promise<void> gate_;
    std::shared_future<void> opened_ = gate_.get_future().share();
    std::once_flag released_;
    std::atomic<int> reportLines_{0};
    std::atomic<int> variantOpens_{0};
};

// A test that fails while the worker is held must not leave the window's
// end waiting for it.
struct ReleaseOnExit {
    GateFileSystem& gate;
    ~ReleaseOnExit() { gate.release(); }
};

// The harness's shell restarted over fs.
bool restartOver(EntryHarness& h, FileSystem& fs) {
    h.context.reset();
    h.shell = std::make_unique<shell::TShell>(h.home.path(), h.dialog, fs);
    if (h.shell->Start(h.view) != shell::TStartOutcome::Running) return false;
    h.context = std::make_unique<shell::ui::TWindowContext>(
        shell::ui::TWindowContext{*h.shell, h.dialog, nullptr, {}, {}, {}, false, {}});
    return true;
}

std::vector<int> activeWeeks(const TGod& year) {
    std::vector<int> weeks;
    for (int ne = 1; ne <= kWeeks; ++ne)
        if (const TDNed* w = year.AllNed.DNed(ne); w != nullptr && w->Activ) weeks.push_back(ne);
    return weeks;
}

// Lessons of layer tip (0 timetable, 1 pinned) over the active weeks.
std::size_t lessonsIn(const TGod& year, int tip) {
    std::size_t n = 0;
    for (int ne : activeWeeks(year))
        for (const auto& gr : year.LGryp)
            if (const TNed* week = gr->GetNed(ne))
                for (int d = 1; d <= kDayCount; ++d)
                    for (int y = 0; y < kPeriodCount; ++y)
                        if (const TYrok* cell = week->GetYrok(tip, d, y)) n += cell->LYr.size();
    return n;
}

// The sample's pinned lessons become its stored timetable, and no lesson
// stays pinned. Returns the stored timetable's lesson count (0 on a fault).
std::size_t storeTimetableWithoutPins(TGod& year) {
    std::vector<std::string> refused;
    for (int ne : activeWeeks(year))
        for (const auto& gr : year.LGryp) {
            if (gr->GetNed(ne) == nullptr) continue;
            gr->CopyPyToRasp(ne, refused);
            gr->ClearRasp(1, ne, false);
        }
    if (!refused.empty() || lessonsIn(year, 1) != 0 || !year.SaveRasp()) return 0;
    return lessonsIn(year, 0);
}

// A message box that stays open while whileOpen runs, as a real one stays
// until the dispatcher answers it.
class BlockingDialog : public TMyDialog {
public:
    bool MessageDlg(const std::string&, const std::string&) override { return true; }
    void MessageShow(const std::string& text) override {
        shown.push_back(text);
        if (whileOpen) whileOpen(text);
    }
    std::function<void(const std::string&)> whileOpen;
    std::vector<std::string> shown;
};

// The memo of a window never grows past its limit while the run writes.
struct MemoWatch {
    int most = 0;
    void watch(QWidget* window) {
        auto* memo = child<QPlainTextEdit>(window, "Memo");
        QObject::connect(memo, &QPlainTextEdit::textChanged, memo,
                         [this, memo] { most = std::max(most, memo->blockCount()); });
    }
};

}  // namespace

class ProgressWindowTest : public QObject {
    Q_OBJECT

    SampleTemplate template_;

    // A pinned lesson of one group at the moment its teacher already teaches
    // another group there (in the timetable: the transfer must refuse it;
    // pinned too: the pinned lessons' test fails). Returns the first group;
    // only it is selected.
    TGryp* pinAgainstAnotherGroup(TGod& year, int ne, int heldLayer = 0) {
        struct Slot {
            TGryp* gr;
            TPredmet* pr;
            TFioPredmet* fio;
        };
        std::map<TFio*, Slot> first;
        for (auto& gr : year.LGryp) {
            if (!gr->TestNed(ne)) continue;
            for (auto& pr : gr->LPredmet) {
                if (gr->GetNed(ne)->FindYrokKorzina(kSetkaPlan, pr.get()) == nullptr) continue;
                for (auto& fio : pr->GetLFio(ne)) {
                    // A union may hold one teacher in two groups at once.
                    if (fio->Dan.Nob != 0) continue;
                    auto [at, fresh] =
                        first.try_emplace(fio->Fio(), Slot{gr.get(), pr.get(), fio.get()});
                    if (fresh || at->second.gr == gr.get()) continue;
                    const Slot other = at->second;
                    for (int d = 1; d <= 6; ++d) {
                        TYr* held = other.gr->GetNed(ne)->AddYrRas(
                            heldLayer, d, 0,
                            other.gr->GetNed(ne)->FindYrokKorzina(kSetkaPlan, other.pr), other.fio);
                        if (held == nullptr) continue;
                        TYr* pinned = gr->GetNed(ne)->AddYrRas(
                            1, d, 0, gr->GetNed(ne)->FindYrokKorzina(kSetkaPlan, pr.get()),
                            fio.get());
                        if (pinned == nullptr) return nullptr;
                        year.SelectAllGryp(false);
                        gr->Select = true;
                        return gr.get();
                    }
                }
            }
        }
        return nullptr;
    }

private slots:
    void initTestCase() {
        std::string message;
        QVERIFY2(template_.make("progress_template", message), message.c_str());
    }

    // Catches: a worker that does not start by itself, a memo that grows
    // without end or loses the closing lines, a report missing lines or its
    // caption, the verdict not shown, a closing button not offered, and a
    // sound run taken for one to drop.
    void wholeRunFromZero() {
        auto h = template_.copy("progress_whole");
        h->year().SelectAllGryp(true);
        TFormS1 w(*h->context, TSosStart{0, 0, false, true});
        MemoWatch memo;
        memo.watch(&w);
        QCOMPARE(w.windowTitle(), QString::fromUtf8("Составление расписания с \"0\""));
        w.show();
        QVERIFY(child<QLabel>(&w, "CountYlyText")->isVisibleTo(&w));
        QTRY_VERIFY_WITH_TIMEOUT(w.Finished(), kRunMs);
        auto* button = child<QPushButton>(&w, "StopButton");
        QCOMPARE(button->text(), QString::fromUtf8("Закрыть окно"));
        QVERIFY(button->isEnabled());
        const QStringList lines = memoLines(&w);
        QVERIFY(lines.size() >= 2);
        QCOMPARE(lines.end()[-2], QString::fromUtf8("------GAME OVER------"));
        QCOMPARE(lines.back(), QString::fromUtf8("------End------"));
        QVERIFY(shownMessage(*h, "Расписание составлено."));
        QVERIFY(memo.most > 0);
        QVERIFY2(memo.most <= TFormS1::kMemoLines, QByteArray::number(memo.most));

        // The report holds every line in order, the caption first: the
        // memo's lines are its last ones.
        bool wellEnded = false;
        const std::vector<std::string> report =
            reportLines(h->home.path() / "Logsrasp.txt", wellEnded);
        QVERIFY(wellEnded);
        QVERIFY(report.size() > static_cast<std::size_t>(lines.size()) + 1);
        QCOMPARE(report.front(), std::string("Составление расписания с \"0\""));
        QCOMPARE(report[1], std::string("------Start------"));
        for (qsizetype i = 0; i < lines.size(); ++i)
            QCOMPARE(QString::fromStdString(report[report.size() - lines.size() + i]), lines[i]);

        const TFormS1Snapshot done = w.State().Snapshot();
        QVERIFY(done.RaspOk);
        QVERIFY(!done.StartPotok);
        QCOMPARE(child<QLabel>(&w, "CountSsText")->text(),
                 QString::number(done.Counters.CountSsOk) + QString::fromUtf8(" из ") +
                     QString::number(done.Counters.CountSs));
        bool unplaced = false;
        for (const TSosWeek& week : done.Weeks) unplaced |= !week.result.unplaced.empty();
        QCOMPARE(child<QPlainTextEdit>(&w, "WhyText")->isVisibleTo(&w), unplaced);
        QCOMPARE(h->year().TipSostRasp, uint8_t{0});
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!w.isVisible());
    }

    // Catches: a stop that closes the window or ends the run instead of the
    // week, a stop that does not stop (the week would run on to its step
    // bound), a run that does not go on to the other weeks after it, a best
    // variant lost on the way.
    void stopInTheHardestWeek() {
        GateFileSystem gate;
        EntryHarness h("progress_stop");
        {
            TScriptedDialog quiet(true);
            const demo::SampleResult made = demo::createSampleCollege(
                h.home.path(), demo::SampleOptions{demo::SampleSize::M, 1, 2026}, quiet);
            QVERIFY2(made.ok, made.message.c_str());
        }
        QVERIFY(restartOver(h, gate));
        h.year().SelectAllGryp(true);

        TFormS1 w(*h.context, TSosStart{0, 0, false, true});
        ReleaseOnExit releaseOnExit{gate};
        // Only a bound for a stop that is not heard: the button ends the week.
        w.State().Run.WeekStepLimit = 5'000'000;
        // Held as the search stores its first variant: the click lands in it.
        gate.holdWhen = [&w](int) {
            const TSosRun& run = w.State().Run;
            return run.Statys == AStatys::sSosRasp && run.Counters.KolVar > 0;
        };
        MemoWatch memo;
        memo.watch(&w);
        w.show();
        QTRY_VERIFY_WITH_TIMEOUT(gate.held, kRunMs);
        const TFormS1Snapshot atStop = w.State().Snapshot();
        QCOMPARE(atStop.Statys, AStatys::sSosRasp);
        QVERIFY(atStop.Counters.KolVar > 0);
        QCOMPARE(w.Statys(), AStatys::sSosRasp);
        auto* button = child<QPushButton>(&w, "StopButton");
        QTRY_VERIFY(button->isEnabled());
        QTRY_VERIFY(child<QLabel>(&w, "KolVarText")->text().toInt() > 0);
        QVERIFY(child<QLabel>(&w, "CountSsText")->text().contains(QString::fromUtf8(" из ")));
        QVERIFY(saveScreenshot(&w, "progress_window"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY2(w.isVisible(), "closing is refused while a week is composed");
        QVERIFY2(!button->isEnabled(), "the stop is on its way");
        QVERIFY(!w.Finished());
        gate.release();

        QTRY_VERIFY_WITH_TIMEOUT(w.Finished(), kRunMs);
        QVERIFY(w.isVisible());
        const TFormS1Snapshot done = w.State().Snapshot();
        QCOMPARE(done.Verdict, std::string("Расписание составлено."));
        QVERIFY(done.RaspOk);
        QVERIFY(!done.Ended);
        QVERIFY(done.Weeks.size() >= 2);
        for (const TSosWeek& week : done.Weeks) {
            const testsupport::WeekVerdict verdict = testsupport::judgeWeek(h.year(), week.ne);
            QVERIFY2(verdict.breaches.empty(),
                     verdict.breaches.empty() ? "" : verdict.breaches.front().c_str());
            if (week.ne != done.NMaxNed) continue;
            QVERIFY(week.result.placed > 0);
            // The week ended at the click: at most the variant the pass in
            // hand completed was stored after it.
            QVERIFY2(week.result.variants <= atStop.Counters.KolVar + 1,
                     QByteArray::number(week.result.variants));
        }
        const bool unplaced = std::any_of(done.Weeks.begin(), done.Weeks.end(),
                                          [](auto& week) { return !week.result.unplaced.empty(); });
        QCOMPARE(child<QPlainTextEdit>(&w, "WhyText")->isVisibleTo(&w), unplaced);
        QVERIFY(memo.most <= TFormS1::kMemoLines);
        QVERIFY(saveScreenshot(&w, "progress_window_end"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!w.isVisible());
    }

    // Catches: a stop pressed while the units are sorted that also ends the
    // search after the sort, leaving the hardest week empty (and copied so
    // to the others).
    void stopWhileSorting() {
        GateFileSystem gate;
        auto h = template_.copy("progress_sort_stop");
        QVERIFY(restartOver(*h, gate));
        h->year().SelectAllGryp(true);
        TFormS1 w(*h->context, TSosStart{0, 0, false, true});
        ReleaseOnExit releaseOnExit{gate};
        gate.holdWhen = [&w](int) { return w.State().Run.Statys == AStatys::sSortRasp; };
        w.show();
        QTRY_VERIFY_WITH_TIMEOUT(gate.held, kRunMs);
        QCOMPARE(w.Statys(), AStatys::sSortRasp);
        auto* button = child<QPushButton>(&w, "StopButton");
        QTRY_VERIFY(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(w.isVisible());
        QVERIFY(!button->isEnabled());
        gate.release();

        QTRY_VERIFY_WITH_TIMEOUT(w.Finished(), kRunMs);
        const TFormS1Snapshot done = w.State().Snapshot();
        QVERIFY(!done.Ended);
        QVERIFY(done.NMaxNed != 0);
        bool found = false;
        for (const TSosWeek& week : done.Weeks) {
            if (week.ne != done.NMaxNed) continue;
            found = true;
            QVERIFY(week.result.units > 0);
            QVERIFY2(week.result.placed > 0, "the search after the sort started afresh");
        }
        QVERIFY(found);
    }

    // Catches: a stop pressed while a week is only copied (nothing that a
    // stop ends runs) leaving the button dead for the rest of the run, and
    // the copy ended by it.
    void stopWhileCopyingWeeks() {
        GateFileSystem gate;
        auto h = template_.copy("progress_sync_stop");
        QVERIFY(restartOver(*h, gate));
        h->year().SelectAllGryp(true);
        const std::vector<int> weeks = activeWeeks(h->year());
        QVERIFY(weeks.size() >= 2);
        TFormS1 w(*h->context, TSosStart{2, static_cast<uint8_t>(weeks.front()), false, true});
        ReleaseOnExit releaseOnExit{gate};
        gate.holdWhen = [&w](int) { return w.State().Run.Statys == AStatys::sSinxr; };
        w.show();
        QTRY_VERIFY_WITH_TIMEOUT(gate.held, kRunMs);
        auto* button = child<QPushButton>(&w, "StopButton");
        QTRY_COMPARE(button->text(), QString::fromUtf8("Прекратить cинхронизацию недели"));
        QTRY_VERIFY(button->isEnabled());
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(w.isVisible());
        QVERIFY2(button->isEnabled(), "nothing runs that the button could stop");
        gate.release();

        QTRY_VERIFY_WITH_TIMEOUT(w.Finished(), kRunMs);
        const TFormS1Snapshot done = w.State().Snapshot();
        QVERIFY(!done.Ended);
        QCOMPARE(done.Weeks.size(), weeks.size() - 1);
        for (const TSosWeek& week : done.Weeks) QVERIFY(!week.composed);
    }

    // Catches: the refused pinned lessons not shown, the worker going on (or
    // the window freezing) while they are, the run stopping at them; and a
    // close asked for meanwhile that either shuts the window under a running
    // worker or is forgotten.
    void pinnedLessonsNotTransferred() {
        for (const bool closeMeanwhile : {false, true}) {
            auto h = template_.copy(closeMeanwhile ? "progress_pinned_close" : "progress_pinned");
            TGryp* group = pinAgainstAnotherGroup(h->year(), 53);
            QVERIFY(group != nullptr);

            const TSosStart start{1, 0, false, false};
            std::unique_ptr<TFormS1> own;
            QPointer<TFormS1> w;
            std::vector<std::string> listed;
            bool waited = false;
            ModalWait listWait = whenModal<TFormS2>([&](TFormS2* list) {
                QVERIFY(w != nullptr);
                QCOMPARE(list->windowTitle(), QString::fromUtf8("Ошибки назначения"));
                const TFormS1Snapshot now = w->State().Snapshot();
                QVERIFY(now.StartPotok);
                QCOMPARE(now.Statys, AStatys::sSinxrPY);
                QCOMPARE(now.NMaxNed, 0);
                QVERIFY(!now.Sl.empty());
                for (const QString& line : memoLines(list)) listed.push_back(line.toStdString());
                if (closeMeanwhile) {
                    w->close();
                    QVERIFY2(w->isVisible(), "the window waits for the worker before it goes");
                } else {
                    QVERIFY(saveScreenshot(list, "transfer_errors_window"));
                }
                waited = true;
                click(list, "CloseButton");
            });
            // The list comes only after the pinned lessons' test and transfer.
            listWait.setBoundMs(kRunMs);
            TFormS1Snapshot done;
            if (closeMeanwhile) {
                own = std::make_unique<TFormS1>(*h->context, start);
                w = own.get();
                own->show();
                QTRY_VERIFY_WITH_TIMEOUT(own->Finished(), kRunMs);
                QTRY_VERIFY(!own->isVisible());
                done = own->State().Snapshot();
                QCOMPARE(done.NMaxNed, 0);
                QVERIFY(done.Weeks.empty());
                QVERIFY(done.Ended);
            } else {
                // Through the main window's way in: the run that goes on.
                bool ended = false;
                ModalWait runWait = whenModal<TFormS1>([&](TFormS1* window) {
                    w = window;
                    QTRY_VERIFY_WITH_TIMEOUT(window->Finished(), kRunMs);
                    QVERIFY(window->isVisible());
                    ended = true;
                    click(window, "StopButton");
                });
                done = RunFormS1(*h->context, start);
                QVERIFY(runWait.shown());
                QVERIFY(ended);
                QVERIFY(done.NMaxNed != 0);
                QVERIFY(!done.Weeks.empty());
                QVERIFY2(!h->context->dropChanges, "a sound run is kept");
            }
            QVERIFY(listWait.shown());
            QVERIFY(waited);
            QCOMPARE(listed, done.Sl);
            QVERIFY(listed.front().find(group->Name()) != std::string::npos);
            // Closed before it composed, the run is not kept; gone on, it
            // kept the refused lessons out.
            QCOMPARE(done.Verdict,
                     std::string(closeMeanwhile ? "Составление прервано. Расписание не сохранено."
                                                : "Составленное расписание имеет ошибку."));
        }
    }

    // Catches: a run whose files failed kept as if sound, and the fault kept
    // from the dispatcher.
    void fileFaultDropsTheRun() {
        auto h = template_.copy("progress_fault", true);
        h->year().SelectAllGryp(true);
        h->faulty->failAt(1);
        ModalWait wait = whenModal<TFormS1>([&](TFormS1* w) {
            QTRY_VERIFY_WITH_TIMEOUT(w->Finished(), kRunMs);
            click(w, "StopButton");
        });
        const TFormS1Snapshot done = RunFormS1(*h->context, TSosStart{0, 0, false, true});
        QVERIFY(wait.shown());
        QVERIFY(!done.FileError.empty());
        QVERIFY(!done.RaspOk);
        QVERIFY(h->context->dropChanges);
        QVERIFY(std::any_of(h->dialog.shown.begin(), h->dialog.shown.end(), [&](auto& text) {
            return text.find(done.FileError) != std::string::npos;
        }));
    }

    // Catches: a run closed before it composed whose cleared year is
    // reported as composed and kept (saved by the main window over the
    // stored timetable).
    void closedBeforeComposingIsNotKept() {
        GateFileSystem gate;
        auto h = template_.copy("progress_closed_early");
        const std::size_t stored = storeTimetableWithoutPins(h->year());
        QVERIFY(stored > 0);
        QVERIFY(restartOver(*h, gate));
        QCOMPARE(lessonsIn(h->year(), 0), stored);
        QCOMPARE(lessonsIn(h->year(), 1), std::size_t{0});
        h->year().SelectAllGryp(true);
        // The report's third line is the pinned lessons' test heading.
        gate.holdWhen = [](int line) { return line == 3; };
        ModalWait wait = whenModal<TFormS1>([&](TFormS1* w) {
            ReleaseOnExit releaseOnExit{gate};
            QTRY_VERIFY_WITH_TIMEOUT(gate.held, kRunMs);
            QCOMPARE(w->Statys(), AStatys::sSinxrPY);
            QTest::keyClick(w, Qt::Key_Escape);
            QVERIFY2(w->isVisible(), "the window waits for the worker");
            gate.release();
            QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), kRunMs);
            QVERIFY(w->Finished());
        });
        const TFormS1Snapshot done = RunFormS1(*h->context, TSosStart{0, 0, false, true});
        QVERIFY(wait.shown());
        QVERIFY(done.Ended);
        QVERIFY(!done.RaspOk);
        QVERIFY(done.FileError.empty());
        QCOMPARE(done.Verdict, std::string("Составление прервано. Расписание не сохранено."));
        QVERIFY(shownMessage(*h, done.Verdict));
        QVERIFY(!shownMessage(*h, "Расписание составлено."));
        QVERIFY(h->context->dropChanges);
        QVERIFY(h->start());
        QCOMPARE(lessonsIn(h->year(), 0), stored);
    }

    // Catches: a file that fails in the middle of a run (the hardest week
    // composed, the next week's variant file refused) kept as if sound.
    void fileFaultInTheMiddleDropsTheRun() {
        GateFileSystem gate;
        gate.failVariantAt = 2;
        auto h = template_.copy("progress_fault_mid");
        const std::size_t stored = storeTimetableWithoutPins(h->year());
        QVERIFY(stored > 0);
        QVERIFY(restartOver(*h, gate));
        h->year().SelectAllGryp(true);
        ModalWait wait = whenModal<TFormS1>([&](TFormS1* w) {
            QTRY_VERIFY_WITH_TIMEOUT(w->Finished(), kRunMs);
            click(w, "StopButton");
        });
        const TFormS1Snapshot done = RunFormS1(*h->context, TSosStart{0, 0, false, false});
        QVERIFY(wait.shown());
        QVERIFY(done.NMaxNed != 0);
        QVERIFY(!done.Weeks.empty());
        QVERIFY(done.FileError.find("temprasp.bin") != std::string::npos);
        QVERIFY(!done.RaspOk);
        QVERIFY(!shownMessage(*h, "Расписание составлено."));
        QVERIFY(h->context->dropChanges);
        QVERIFY(h->start());
        QCOMPARE(lessonsIn(h->year(), 0), stored);
    }

    // Catches: the end of the run (its closing lines, "Закрыть окно", a close
    // asked for) taken while the verdict's box is still open, closing the
    // window under it.
    void messageBoxHoldsTheRest() {
        auto h = template_.copy("progress_box");
        QVERIFY(pinAgainstAnotherGroup(h->year(), 53, 1) != nullptr);
        BlockingDialog box;
        shell::ui::TWindowContext context{*h->shell, box, nullptr, {}, {}, {}, false, {}};
        TFormS1 w(context, TSosStart{1, 0, false, false});
        auto* button = child<QPushButton>(&w, "StopButton");
        bool answered = false;
        box.whileOpen = [&](const std::string&) {
            // The worker says the rest of the run and ends meanwhile.
            QTRY_VERIFY_WITH_TIMEOUT(!w.State().StartPotok(), kRunMs);
            // Absence is shown over many turns of the window's redraw.
            QSignalSpy turns(&w.RedrawTimer(), &QTimer::timeout);
            QTRY_VERIFY_WITH_TIMEOUT(turns.count() >= 5, kRunMs);
            QVERIFY(!w.Finished());
            QVERIFY(button->text() != QString::fromUtf8("Закрыть окно"));
            QVERIFY(!memoLines(&w).contains(QString::fromUtf8("------GAME OVER------")));
            w.close();
            const int before = turns.count();
            QTRY_VERIFY_WITH_TIMEOUT(turns.count() >= before + 3, kRunMs);
            QVERIFY2(w.isVisible(), "the window does not close under its box");
            answered = true;
        };
        w.show();
        QVERIFY(!child<QLabel>(&w, "CountYlyText")->isVisibleTo(&w));
        QTRY_VERIFY_WITH_TIMEOUT(answered, kRunMs);
        // Answered: the end comes, and the close asked for meanwhile.
        QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), kRunMs);
        QVERIFY(w.Finished());
        QCOMPARE(box.shown, std::vector<std::string>{"Предварительные установки расписания имеют "
                                                     "ошибку.Расписание не составлялось"});
        const QStringList lines = memoLines(&w);
        QVERIFY(lines.size() >= 2);
        QCOMPARE(lines.end()[-2], QString::fromUtf8("------GAME OVER------"));
        QCOMPARE(lines.back(), QString::fromUtf8("------End------"));
    }

    // Catches: a window opened with no year loaded reading through a null
    // year, or starting a run on nothing.
    void noYearLoaded() {
        EntryHarness h("progress_no_year");
        shell::TShell shell(h.home.path(), h.dialog);
        QVERIFY(shell.God() == nullptr);
        shell::ui::TWindowContext context{shell, h.dialog, nullptr, {}, {}, {}, false, {}};
        TFormS1 w(context, TSosStart{});
        w.show();
        QVERIFY(w.Finished());
        auto* button = child<QPushButton>(&w, "StopButton");
        QCOMPARE(button->text(), QString::fromUtf8("Закрыть окно"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QVERIFY(!w.State().StartPotok());
        QVERIFY(h.dialog.shown.empty());
        QCOMPARE(RunFormS1(context, TSosStart{}).Verdict, std::string());
    }
};

QTEST_MAIN(ProgressWindowTest)
#include "progress_window_test.moc"
