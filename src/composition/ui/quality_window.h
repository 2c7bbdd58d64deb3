// TForm11_12 "Оценка качества расписания": the ten quality measures of every
// active week, one measure's findings or the summary of all ten. The weeks
// are measured on a worker thread; the window shows the week in progress and
// fills its memo when the worker is done.
//
// The worker reads the year in place, and once the window has closed its
// opener may change the year again. So a close asked while the worker runs
// stops it and keeps the (modal) window up until the worker reports it has
// let go, with the event loop running: the GUI thread never waits on it.
// The worker stops between weeks and between measures; one measure of one
// week is a single scan and runs to its end. Only a window destroyed
// without being closed waits for that in its destructor.
#pragma once

#include <QDialog>
#include <QStringList>
#include <cstdint>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "shell/ui/window_context.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;

namespace zavlin {
class TAllRasp;
}

namespace zavlin::composition::ui {

using shell::ui::TWindowContext;

// The memo stops taking findings at this many lines.
inline constexpr int kQualityMemoLines = 16000;

// The choices of "Исследуемый параметр": "Сводный отчет" (0), then the ten
// measures in their order (1-10).
const std::vector<std::string>& QualityChoices();

// What week ne adds to a memo that holds `held` lines: the week's title, then
// for choice 0 the ten summary lines, else the measure's findings while the
// memo holds fewer than kQualityMemoLines lines and its summary line. stop
// is asked before and after each measure; a stopped week is left
// incomplete.
std::vector<std::string> QualityWeekLines(const TAllRasp& year, int choice, int tip, int ne,
                                          int held, std::stop_token stop = {});

class TForm11_12 : public QDialog {
    Q_OBJECT
public:
    // Controls: "ParamBox" (the drop-down), "Memo", "Progress" (bar),
    // "ProgressLabel" (the week being measured), "CloseButton". The first
    // computation starts at once, for "Сводный отчет".
    TForm11_12(TWindowContext& context, int tip, QWidget* parent = nullptr);
    ~TForm11_12() override;

    const int Tip;  // 0 timetable, 1 pinned lessons

    QComboBox* ParamBox() const { return param_; }
    QPlainTextEdit* Memo() const { return memo_; }
    // A computation is running.
    bool Busy() const { return busy_; }
    // The memo's lines as the last finished computation left them.
    QStringList Lines() const { return lines_; }
    // Starts the computation for the choice anew; a running one is stopped
    // and the new one starts on the worker thread once it has ended.
    void Recompute();

    // While a computation runs, stops it and closes once it has ended.
    void done(int result) override;

signals:
    // The memo holds the lines of the current choice.
    void computed();

private:
    void stopWorker();
    void onWeek(std::uint64_t generation, int done, const QString& title);
    void onDone(std::uint64_t generation, bool complete, const QStringList& lines);

    TWindowContext& context_;
    QComboBox* param_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    std::jthread worker_;
    std::uint64_t generation_ = 0;
    bool busy_ = false;
    bool closing_ = false;
    int closeResult_ = 0;
    QStringList lines_;
};

}  // namespace zavlin::composition::ui
