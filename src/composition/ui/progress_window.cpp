#include "composition/ui/progress_window.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStringList>
#include <QTime>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <optional>
#include <string_view>

#include "base/my_dialog.h"
#include "composition/sos_options.h"
#include "composition/ui/transfer_errors_window.h"
#include "model/god.h"
#include "shell/shell.h"
#include "storage/year_database.h"

namespace zavlin::composition::ui {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// Composing a week or sorting its units: the stop button stops that step.
bool composing(AStatys statys) {
    return statys == AStatys::sSortRasp || statys == AStatys::sSosRasp || statys == AStatys::sSinxr;
}

}  // namespace

// What the worker said since the window last took it.
struct TFormS1Pending {
    bool clear = false;  // the memo is emptied before lines
    std::vector<std::string> lines;
    std::optional<std::string> status;
    std::optional<std::string> caption;  // of the button, set by a search
    std::optional<std::pair<std::string, bool>> button;
    std::optional<TSosCounters> counters;
    // Shown after the rest is drawn; at most one of them per batch.
    std::optional<std::string> message;
    std::optional<std::vector<std::string>> list;
    std::shared_ptr<std::promise<void>> listDone;
};

// The worker's observer. Its calls come on the worker thread and only store
// what they heard; one queued call at a time asks the window to take it.
// A search reports thousands of times a second, so counters keep only their
// latest value and lines gather until the window takes them as one batch.
// A message or the list closes a batch: what the worker said after it waits
// until the dispatcher has answered the box.
class TFormS1Bridge : public QObject, public TFormS1Observer {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::string_view kStopPrefix = "Прекратить ";

    TFormS1Bridge(TFormS1& window, const TSosRun& run) : window_(window), run_(run) {}

    AStatys statys() const { return statys_.load(); }

    using Pending = TFormS1Pending;

    // Taken by the window on its own thread, oldest batch first; last is
    // set with the batch still being filled.
    Pending take(bool& last) {
        std::lock_guard<std::mutex> guard(lock_);
        Pending out;
        if (!closedBatches_.empty()) {
            out = std::move(closedBatches_.front());
            closedBatches_.pop_front();
            last = false;
            return out;
        }
        out = std::move(pending_);
        pending_ = Pending{};
        posted_ = false;
        last = true;
        return out;
    }
    Clock::time_point lastImprovement() const {
        std::lock_guard<std::mutex> guard(lock_);
        return ti_;
    }

    // The window goes: a worker waiting for the list goes on, and waits no
    // more from now on.
    void shutDown() {
        std::lock_guard<std::mutex> guard(lock_);
        closed_ = true;
        releaseList();
    }
    // The worker waits for the list window to close; a list the window shut
    // down meanwhile was already let go.
    void listClosed(const std::shared_ptr<std::promise<void>>& done) {
        std::lock_guard<std::mutex> guard(lock_);
        if (listDone_ == done) releaseList();
    }

    void SosLog(const std::string& line) override {
        heard();
        std::lock_guard<std::mutex> guard(lock_);
        pending_.lines.push_back(line);
        // Only the lines the memo can show are kept for it.
        if (pending_.lines.size() > 4 * TFormS1::kMemoLines)
            pending_.lines.erase(pending_.lines.begin(),
                                 pending_.lines.end() - TFormS1::kMemoLines);
        post();
    }
    // The searches name the step the button would stop ("Прекратить
    // cортировку") through the same call as the phases' status lines.
    void SosStatus(const std::string& text) override {
        heard();
        std::lock_guard<std::mutex> guard(lock_);
        if (text.starts_with(kStopPrefix))
            pending_.caption = text;
        else
            pending_.status = text;
        post();
    }
    void SosProgress(const TSosCounters& counters) override {
        heard();
        std::lock_guard<std::mutex> guard(lock_);
        // A better variant, or a new week's search, restarts the clock.
        if (counters.CountSsOk > lastOk_ || counters.CountSs != lastSs_) ti_ = Clock::now();
        lastOk_ = counters.CountSsOk;
        lastSs_ = counters.CountSs;
        // Counters are drawn by the window's timer; no call is queued.
        pending_.counters = counters;
    }
    void SosButton(const std::string& caption, bool enabled) override {
        heard();
        std::lock_guard<std::mutex> guard(lock_);
        pending_.button = std::make_pair(caption, enabled);
        pending_.caption.reset();  // an earlier caption is superseded
        post();
    }
    void SosClearMemo() override {
        heard();
        std::lock_guard<std::mutex> guard(lock_);
        pending_.clear = true;
        pending_.lines.clear();
        post();
    }
    // The worker does not wait for a message box; the window keeps what
    // comes after it until the box is answered.
    void SosMessage(const std::string& text) override {
        std::lock_guard<std::mutex> guard(lock_);
        pending_.message = text;
        closeBatch();
    }
    // The one call the worker waits for: until the list window closes.
    void SosShowList(const std::vector<std::string>& lines) override {
        auto done = std::make_shared<std::promise<void>>();
        std::future<void> closed = done->get_future();
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (closed_) return;
            listDone_ = done;
            pending_.list = lines;
            pending_.listDone = done;
            closeBatch();
        }
        closed.wait();
    }

private:
    // On the worker, which owns the run: its phase, for the window to read.
    void heard() { statys_.store(run_.Statys); }
    // Under lock_.
    void post() {
        if (posted_) return;
        posted_ = true;
        QMetaObject::invokeMethod(
            this, [this] { window_.ApplyPending(); }, Qt::QueuedConnection);
    }
    // Under lock_.
    void closeBatch() {
        closedBatches_.push_back(std::move(pending_));
        pending_ = Pending{};
        post();
    }
    void releaseList() {
        if (listDone_) listDone_->set_value();
        listDone_.reset();
    }

    TFormS1& window_;
    const TSosRun& run_;
    std::atomic<AStatys> statys_{AStatys::sSinxrPY};
    mutable std::mutex lock_;
    Pending pending_;
    std::deque<Pending> closedBatches_;  // each ends in a message or the list
    bool posted_ = false;
    bool closed_ = false;
    std::shared_ptr<std::promise<void>> listDone_;
    Clock::time_point ti_ = Clock::now();
    int lastOk_ = 0;
    int lastSs_ = 0;
};

TFormS1::TFormS1(TWindowContext& context, const TSosStart& start, QWidget* parent)
    : QDialog(parent), context_(context) {
    setObjectName("TFormS1");
    TDM1& dm = context.shell.DM();
    TAllRasp* year = context.shell.God();
    if (year == nullptr) {
        // Nothing to compose: an empty year stands in, and no worker starts.
        noYear_ = std::make_unique<TAllRasp>(dm);
        year = noYear_.get();
    }
    // The run's files go to the program's home, where the dispatcher finds
    // the report.
    state_ = std::make_unique<TFormS1State>(*year, std::filesystem::path(dm.DB.PathR),
                                            dm.AT1.fileSystem());
    state_->SetTipSostRasp(start.TipSostRasp);
    state_->SetSinxrNed(start.SinxrNed);
    state_->SetSostRaspYes(start.SostRaspYes);
    state_->Run.WLog = start.WLog;
    state_->Run.Options = ReadSosOptions(dm.DB.PathR, dm.AT1.fileSystem());
    bridge_ = std::make_unique<TFormS1Bridge>(*this, state_->Run);
    state_->SetObserver(bridge_.get());
    Patok = std::make_unique<TSosRaspisanue>(*state_);

    setWindowTitle(q(TFormS1State::CaptionOf(start.TipSostRasp)));
    auto* layout = new QVBoxLayout(this);

    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(new QLabel(QString::fromUtf8("Выполняемая операция :"), this));
    status_ = new QLabel(this);
    status_->setObjectName("StatusText");
    statusRow->addWidget(status_, 1);
    layout->addLayout(statusRow);

    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName("Memo");
    memo_->setReadOnly(true);
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo_->setMinimumHeight(memo_->fontMetrics().lineSpacing() * (kMemoLines + 1));
    layout->addWidget(memo_, 2);

    whyLabel_ = new QLabel(QString::fromUtf8("Почему не назначены"), this);
    whyLabel_->setObjectName("WhyLabel");
    why_ = new QPlainTextEdit(this);
    why_->setObjectName("WhyText");
    why_->setReadOnly(true);
    why_->setLineWrapMode(QPlainTextEdit::NoWrap);
    whyLabel_->hide();
    why_->hide();
    layout->addWidget(whyLabel_);
    layout->addWidget(why_, 1);

    auto* grid = new QGridLayout;
    int row = 0;
    auto value = [this, grid, &row](const char* caption, const char* name) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        auto* text = new QLabel(this);
        text->setObjectName(name);
        text->setMinimumWidth(text->fontMetrics().horizontalAdvance("0000000 из 0000000"));
        grid->addWidget(label, row, 0);
        grid->addWidget(text, row, 1, 1, 2);
        ++row;
        return std::make_pair(label, text);
    };
    time_ = value("Время с последнего улучшения", "TimeText").second;
    bar_ = new QProgressBar(this);
    bar_->setObjectName("ProgressBar");
    bar_->setTextVisible(false);
    bar_->setRange(0, 1);
    bar_->setValue(0);
    index_ = new QLabel(this);
    index_->setObjectName("ProgressIndex");
    grid->addWidget(bar_, row, 0, 1, 2);
    grid->addWidget(index_, row, 2);
    ++row;
    kolVar_ = value("Количество перебранных вариатов расписаний", "KolVarText").second;
    countSs_ = value("Количество назначенных предметов", "CountSsText").second;
    countSsNo_ = value("Количество предметов без варианта установок ", "CountSsNoText").second;
    std::tie(countYlyCaption_, countYly_) = value("Улучшений :", "CountYlyText");
    countYlyCaption_->setVisible(start.WLog);
    countYly_->setVisible(start.WLog);
    grid->setColumnStretch(0, 1);
    layout->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    button_ = new QPushButton(QString::fromUtf8("Прекратить составление"), this);
    button_->setObjectName("StopButton");
    button_->setAutoDefault(false);
    button_->setEnabled(false);
    buttons->addWidget(button_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    connect(button_, &QPushButton::clicked, this, &TFormS1::stopClicked);
    if (noYear_) {
        finished_ = true;
        button_->setText(QString::fromUtf8("Закрыть окно"));
        button_->setEnabled(true);
    }

    startTimer_.setSingleShot(true);
    startTimer_.setInterval(800);
    connect(&startTimer_, &QTimer::timeout, this, &TFormS1::startWorker);
    redrawTimer_.setInterval(100);
    connect(&redrawTimer_, &QTimer::timeout, this, &TFormS1::tick);
    secondsTimer_.setInterval(1000);
    connect(&secondsTimer_, &QTimer::timeout, this, &TFormS1::Timer2Timer);
    resize(640, 640);
}

TFormS1::~TFormS1() {
    // Normally the worker has ended before the window goes; if not, it must
    // neither wait for this window nor talk to it once it is gone.
    bridge_->shutDown();
    Patok->EndRun();
    Patok->Wait();
    Patok.reset();
}

bool TFormS1::Finished() const {
    return finished_;
}

AStatys TFormS1::Statys() const {
    return bridge_->statys();
}

void TFormS1::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TFormS1::FormShow() {
    if (shown_) return;
    shown_ = true;
    if (!noYear_) startTimer_.start();
}

void TFormS1::startWorker() {
    if (started_ || closing_) return;
    started_ = true;
    redrawTimer_.start();
    secondsTimer_.start();
    Patok->Start();
}

void TFormS1::ApplyPending() {
    // A box or the list is open: the worker's later reports wait for its
    // answer, and the loop below takes them once it returns.
    if (answering_) return;
    for (bool last = false; !last;) {
        TFormS1Bridge::Pending p = bridge_->take(last);
        draw(p);
        answering_ = true;
        if (p.message) SShowMessage(*p.message);
        if (p.list) {
            ShowList(*p.list);
            bridge_->listClosed(p.listDone);
        }
        answering_ = false;
    }
}

void TFormS1::draw(const TFormS1Pending& p) {
    if (p.clear) ClearMemo();
    if (!p.lines.empty()) AddString(p.lines);
    if (p.button) {
        button_->setText(q(p.button->first));
        buttonEnabled_ = p.button->second;
        button_->setEnabled(buttonEnabled_ && !closing_);
        stopAsked_ = false;
    }
    if (p.caption) {
        button_->setText(q(*p.caption));
        // A new step has begun: the one the button stopped is over, and this
        // one may be stopped too.
        if (stopAsked_ && !closing_) {
            stopAsked_ = false;
            button_->setEnabled(buttonEnabled_);
        }
    }
    if (p.status) AddStatysString(*p.status);
    if (p.counters) ShowStaticText(*p.counters);
}

void TFormS1::ClearMemo() {
    lines_.clear();
    memo_->clear();
}

void TFormS1::AddString(const std::vector<std::string>& lines) {
    // A batch of lines at once: the memo is redrawn once per batch.
    for (const std::string& line : lines) lines_.push_back(q(line));
    while (lines_.size() > static_cast<std::size_t>(kMemoLines)) lines_.pop_front();
    QStringList text;
    for (const QString& line : lines_) text << line;
    memo_->setPlainText(text.join('\n'));
    memo_->moveCursor(QTextCursor::End);
}

void TFormS1::AddStatysString(const std::string& status) {
    status_->setText(q(status));
}

void TFormS1::ShowStaticText(const TSosCounters& c) {
    bar_->setRange(0, std::max(1, c.PositionMax));
    bar_->setValue(std::clamp(c.Position, 0, std::max(1, c.PositionMax)));
    index_->setText(QString::number(c.Position));
    kolVar_->setText(QString::number(c.KolVar));
    countSs_->setText(QString::number(c.CountSsOk) + QString::fromUtf8(" из ") +
                      QString::number(c.CountSs));
    countSsNo_->setText(QString::number(c.CountSsNo));
    countYly_->setText(QString::number(c.CountYly));
}

void TFormS1::tick() {
    // The end waits for an open box too: it would close the window under it.
    if (answering_) return;
    ApplyPending();
    // The search the button stopped is over and the run is between searches
    // (or copies weeks with nothing to stop): the button is free again.
    if (stopAsked_ && !closing_ && !state_->Searching()) {
        stopAsked_ = false;
        button_->setEnabled(buttonEnabled_);
    }
    if (started_ && !ending_ && !state_->StartPotok()) runFinished();
}

void TFormS1::Timer2Timer() {
    const AStatys statys = Statys();
    const auto since = TFormS1Bridge::Clock::now() - bridge_->lastImprovement();
    const auto secs = std::chrono::duration_cast<std::chrono::seconds>(since).count();
    if (!composing(statys) || secs <= 0) {
        time_->clear();
        return;
    }
    time_->setText(QTime(0, 0).addSecs(static_cast<int>(secs % 86400)).toString("hh:mm:ss"));
}

void TFormS1::SShowMessage(const std::string& text) {
    context_.dialog.MessageShow(text);
}

void TFormS1::ShowList(const std::vector<std::string>& lines) {
    TFormS2 list(lines, this);
    list.exec();
}

void TFormS1::stopClicked() {
    close();
}

bool TFormS1::mayClose() {
    if (finished_) return true;
    if (!started_) {
        // The run has not begun: nothing to stop.
        startTimer_.stop();
        return true;
    }
    if (composing(Statys())) {
        // The step in progress ends with its best variant; the run goes on.
        // Between the searches (a week copied) nothing runs that a stop
        // ends: the request only reaches a search already under way.
        Patok->Stop();
        if (state_->Searching()) {
            stopAsked_ = true;
            button_->setEnabled(false);
        }
        return false;
    }
    // Between the steps: the run ends, and the window closes once it has.
    closing_ = true;
    button_->setEnabled(false);
    Patok->EndRun();
    return false;
}

void TFormS1::closeEvent(QCloseEvent* event) {
    FormClose(event);
}

void TFormS1::FormClose(QCloseEvent* event) {
    if (mayClose())
        QDialog::closeEvent(event);
    else
        event->ignore();
}

void TFormS1::reject() {
    if (mayClose()) QDialog::reject();
}

void TFormS1::runFinished() {
    // A message box shown below turns the event loop, and this timer with it.
    ending_ = true;
    Patok->Wait();  // the worker's last act was to say it ended
    ApplyPending();
    finished_ = true;
    redrawTimer_.stop();
    secondsTimer_.stop();
    time_->clear();
    const TFormS1Snapshot done = state_->Snapshot();
    button_->setText(q(done.ButtonCaption));
    button_->setEnabled(true);
    showExplanations(done);
    emit runEnded();
    if (closing_) QDialog::reject();
}

void TFormS1::showExplanations(const TFormS1Snapshot& done) {
    std::vector<TSosWeek> weeks = done.Weeks;
    std::sort(weeks.begin(), weeks.end(),
              [](const TSosWeek& a, const TSosWeek& b) { return a.ne < b.ne; });
    QStringList text;
    const TGod* god = context_.shell.God();
    for (const TSosWeek& w : weeks) {
        if (w.result.unplaced.empty() && w.result.why.empty()) continue;
        const std::string shown = god != nullptr ? god->GetNumberWeek(w.ne) : std::to_string(w.ne);
        text << QString::fromUtf8("Неделя N") + q(shown);
        // Without the reasons the lessons themselves are still worth listing.
        const std::vector<std::string>& lines =
            w.result.why.empty() ? w.result.unplaced : w.result.why;
        for (const std::string& line : lines) text << q(line);
    }
    if (text.isEmpty()) return;
    why_->setPlainText(text.join('\n'));
    whyLabel_->show();
    why_->show();
}

TFormS1Snapshot RunFormS1(TWindowContext& context, const TSosStart& start) {
    if (context.shell.God() == nullptr) return {};
    TFormS1 window(context, start, context.parent);
    window.exec();
    TFormS1Snapshot done = window.State().Snapshot();
    if (!done.FileError.empty()) {
        context.dialog.MessageShow(done.FileError +
                                   "\nСоставленное расписание не будет сохранено.");
        context.dropChanges = true;
    }
    // The verdict has told the dispatcher; the stored year comes back.
    if (done.Ended) context.dropChanges = true;
    return done;
}

}  // namespace zavlin::composition::ui
