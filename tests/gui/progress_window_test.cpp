// The progress window of a run over sample colleges: a whole run from zero
// with its report, a stop in the middle of the hardest week that the run
// survives, pinned lessons that cannot go in listed while the worker waits
// (and a close asked for meanwhile), and a run whose files fail.
#include "composition/ui/progress_window.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
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
    // another group there: the transfer must refuse it. Returns the first
    // group; only it is selected.
    TGryp* pinAgainstAnotherGroup(TGod& year, int ne) {
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
                            0, d, 0, other.gr->GetNed(ne)->FindYrokKorzina(kSetkaPlan, other.pr),
                            other.fio);
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
    // week, a run that does not go on to the other weeks after it, a best
    // variant lost on the way, and the improvements shown without a report.
    void stopInTheHardestWeek() {
        EntryHarness h("progress_stop");
        {
            TScriptedDialog quiet(true);
            const demo::SampleResult made = demo::createSampleCollege(
                h.home.path(), demo::SampleOptions{demo::SampleSize::M, 1, 2026}, quiet);
            QVERIFY2(made.ok, made.message.c_str());
        }
        QVERIFY(h.start());
        QVERIFY(h.shell->God() != nullptr);
        h.year().SelectAllGryp(true);

        TFormS1 w(*h.context, TSosStart{0, 0, false, false});
        // Only a bound for a stop that is not heard: the button ends the week.
        w.State().Run.WeekStepLimit = 5'000'000;
        MemoWatch memo;
        memo.watch(&w);
        w.show();
        QVERIFY(!child<QLabel>(&w, "CountYlyText")->isVisibleTo(&w));
        QTRY_VERIFY_WITH_TIMEOUT(w.Statys() == AStatys::sSosRasp, kRunMs);
        auto* button = child<QPushButton>(&w, "StopButton");
        QTRY_VERIFY_WITH_TIMEOUT(button->isEnabled(), kRunMs);
        // Into the search: variants are being stored.
        QTRY_VERIFY_WITH_TIMEOUT(child<QLabel>(&w, "KolVarText")->text().toInt() > 0, kRunMs);
        QVERIFY(child<QLabel>(&w, "CountSsText")->text().contains(QString::fromUtf8(" из ")));
        QCOMPARE(w.Statys(), AStatys::sSosRasp);
        QVERIFY(saveScreenshot(&w, "progress_window"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY2(w.isVisible(), "closing is refused while a week is composed");
        QVERIFY(!button->isEnabled());
        QVERIFY(!w.Finished());

        QTRY_VERIFY_WITH_TIMEOUT(w.Finished(), kRunMs);
        QVERIFY(w.isVisible());
        const TFormS1Snapshot done = w.State().Snapshot();
        QCOMPARE(done.Verdict, std::string("Расписание составлено."));
        QVERIFY(done.RaspOk);
        QVERIFY(done.Weeks.size() >= 2);
        for (const TSosWeek& week : done.Weeks) {
            const testsupport::WeekVerdict verdict = testsupport::judgeWeek(h.year(), week.ne);
            QVERIFY2(verdict.breaches.empty(),
                     verdict.breaches.empty() ? "" : verdict.breaches.front().c_str());
            if (week.ne == done.NMaxNed) QVERIFY(week.result.placed > 0);
        }
        const bool unplaced = std::any_of(done.Weeks.begin(), done.Weeks.end(),
                                          [](auto& week) { return !week.result.unplaced.empty(); });
        QCOMPARE(child<QPlainTextEdit>(&w, "WhyText")->isVisibleTo(&w), unplaced);
        QVERIFY(memo.most <= TFormS1::kMemoLines);
        QVERIFY(saveScreenshot(&w, "progress_window_end"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!w.isVisible());
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
            QCOMPARE(done.Verdict, std::string("Составленное расписание имеет ошибку."));
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
};

QTEST_MAIN(ProgressWindowTest)
#include "progress_window_test.moc"
