// TFormS1 "Составление": the modal progress window of a composition run. It
// owns the run state, starts the worker shortly after it is shown, hears the
// worker through queued signals, and TFormS2 "Ошибки назначения" lists the
// pinned lessons that could not be transferred.
#pragma once

#include <QDialog>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <memory>

#include "composition/driver.h"
#include "shell/ui/window_context.h"

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace zavlin::composition::ui {

using shell::ui::TWindowContext;

// What the start window hands the progress window.
struct TSosStart {
    uint8_t TipSostRasp = 0;   // 0 from zero, 1 recomposition, 2 synchronisation
    uint8_t SinxrNed = 0;      // the base week of a synchronisation
    bool SostRaspYes = false;  // a synchronisation also completes the weeks
    bool WLog = false;         // the report file "Logsrasp.txt"
};

class TFormS1Bridge;
struct TFormS1Pending;

class TFormS1 : public QDialog {
    Q_OBJECT
public:
    // The context's shell must have a loaded year. The report and the
    // variant file go to the shell's home, through its file system.
    TFormS1(TWindowContext& context, const TSosStart& start, QWidget* parent = nullptr);
    ~TFormS1() override;

    // Configure State().Run (limits) before the window is shown.
    TFormS1State& State() { return *state_; }
    // The worker has ended (the button reads "Закрыть окно").
    bool Finished() const;
    // The phase of the run as the worker last reported it; cheap, any time.
    AStatys Statys() const;
    // The memo never holds more than this many lines.
    static constexpr int kMemoLines = 19;
    // What draws the worker's reports: a test counts its turns to see that
    // nothing came of them.
    const QTimer& RedrawTimer() const { return redrawTimer_; }

    // GUI-thread ends of the bridge.
    // Draws what the worker reported, and shows its messages and the list in
    // their turn, each answered before anything said after it is drawn.
    void ApplyPending();
    void SShowMessage(const std::string& text);
    void ShowList(const std::vector<std::string>& lines);

signals:
    // The worker has ended and the window shows its outcome.
    void runEnded();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void startWorker();
    void FormShow();
    void FormClose(QCloseEvent* event);
    void draw(const TFormS1Pending& p);
    void ClearMemo();
    // Appends to the memo, which keeps the latest kMemoLines lines.
    void AddString(const std::vector<std::string>& lines);
    void AddStatysString(const std::string& status);
    void ShowStaticText(const TSosCounters& counters);
    void tick();         // the redraw timer: counters, lines, the end of the worker
    void Timer2Timer();  // the time since the last improvement, once a second
    void stopClicked();
    // True when the window may close now; otherwise stops what runs.
    bool mayClose();
    void runFinished();
    void showExplanations(const TFormS1Snapshot& done);

    TWindowContext& context_;
    std::unique_ptr<TAllRasp> noYear_;  // stands in when no year is loaded
    std::unique_ptr<TFormS1State> state_;
    std::unique_ptr<TSosRaspisanue> Patok;  // the worker
    std::unique_ptr<TFormS1Bridge> bridge_;

    QLabel* status_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    QPushButton* button_ = nullptr;
    QLabel* time_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* index_ = nullptr;
    QLabel* kolVar_ = nullptr;
    QLabel* countSs_ = nullptr;
    QLabel* countSsNo_ = nullptr;
    QLabel* countYlyCaption_ = nullptr;
    QLabel* countYly_ = nullptr;
    QLabel* whyLabel_ = nullptr;
    QPlainTextEdit* why_ = nullptr;

    QTimer startTimer_;    // one-shot: the worker starts after the window shows
    QTimer redrawTimer_;   // counters and lines, a few times a second
    QTimer secondsTimer_;  // the time since the last improvement
    std::deque<QString> lines_;
    bool answering_ = false;  // a box or the list is open
    bool shown_ = false;
    bool started_ = false;
    bool ending_ = false;  // the worker has ended; its outcome is being shown
    bool finished_ = false;
    bool closing_ = false;        // a close waits for the worker to end
    bool stopAsked_ = false;      // the button stopped a phase; the next gives it back
    bool buttonEnabled_ = false;  // as the worker last set it
};

// Runs TFormS1 modally for one run on the context's year and returns when it
// has closed, with the state as the run left it. After a run whose files
// could not be written, or that was ended before its phases were done, the
// context's dropChanges is set: what the run did is not saved.
TFormS1Snapshot RunFormS1(TWindowContext& context, const TSosStart& start);

}  // namespace zavlin::composition::ui
