#include "composition/ui/quality_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "composition/quality.h"
#include "composition/ui/composition_windows.h"
#include "entry/ui/entry_widgets.h"
#include "model/god.h"
#include "shell/shell.h"

namespace zavlin::composition::ui {

const std::vector<std::string>& QualityChoices() {
    static const std::vector<std::string> kChoices = {
        "Сводный отчет",
        "Дыры у расписания группы",
        "Дыры у расписания преподавателя",
        "Неравномерность нагрузки у группы",
        "Одиночные пары  в нагрузке у преподавателя",
        "Неоптимальное количество дней у преподавателя",
        "Невыполненые ограничения групп",
        "Невыполненые ограничения преподавателя",
        "Утеренно предварительных установок",
        "Невыполненые объединения преподавателя",
        "Ошибочная накладка преподавателя",
    };
    return kChoices;
}

namespace {

std::string weekTitle(const TAllRasp& year, int ne) {
    const TDNed* week = year.AllNed.DNed(ne);
    return "Неделя " + (week != nullptr ? week->GetStrDateNed() : std::to_string(ne));
}

}  // namespace

std::vector<std::string> QualityWeekLines(const TAllRasp& year, int choice, int tip, int ne,
                                          int held, std::stop_token stop) {
    std::vector<std::string> out{weekTitle(year, ne)};
    std::vector<std::string> sl;
    int kd = 0;
    int k2 = 0;
    if (choice == 0) {
        for (int n = 1; n <= kKahestvoCount; ++n) {
            if (stop.stop_requested()) return out;
            GetKahestvo(year, n, tip, ne, sl, kd, k2);
            out.push_back(KahestvoSummaryLine(n, kd, k2));
        }
        return out;
    }
    if (choice < 1 || choice > kKahestvoCount || stop.stop_requested()) return out;
    GetKahestvo(year, choice, tip, ne, sl, kd, k2);
    if (stop.stop_requested()) return out;
    for (std::string& line : sl) {
        if (held + static_cast<int>(out.size()) >= kQualityMemoLines) break;
        out.push_back(std::move(line));
    }
    out.push_back(KahestvoSummaryLine(choice, kd, k2));
    return out;
}

TForm11_12::TForm11_12(TWindowContext& context, int tip, QWidget* parent)
    : QDialog(parent), Tip(tip), context_(context) {
    setWindowTitle(QStringLiteral("Оценка качества расписания"));
    resize(820, 560);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    layout->addLayout(top);
    top->addWidget(new QLabel(QStringLiteral("Исследуемый параметр"), this));
    param_ = new QComboBox(this);
    param_->setObjectName(QStringLiteral("ParamBox"));
    for (const std::string& choice : QualityChoices())
        param_->addItem(QString::fromStdString(choice));
    top->addWidget(param_, 1);

    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName(QStringLiteral("Memo"));
    memo_->setReadOnly(true);
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(memo_, 1);

    auto* bottom = new QHBoxLayout;
    layout->addLayout(bottom);
    progressLabel_ = new QLabel(this);
    progressLabel_->setObjectName(QStringLiteral("ProgressLabel"));
    bottom->addWidget(progressLabel_, 1);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("Progress"));
    bottom->addWidget(progress_, 1);
    QPushButton* close = entry::ui::MakeButton(this, QStringLiteral("Закрыть"),
                                               QStringLiteral("CloseButton"), bottom);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(param_, &QComboBox::currentIndexChanged, this, [this] { Recompute(); });
    Recompute();
}

TForm11_12::~TForm11_12() {
    stopWorker();
}

void TForm11_12::stopWorker() {
    if (!worker_.joinable()) return;
    worker_.request_stop();
    worker_.join();  // the worker first joins the one it replaced
}

void TForm11_12::done(int result) {
    if (!busy_) {
        QDialog::done(result);
        return;
    }
    closeResult_ = result;
    if (closing_) return;
    closing_ = true;
    param_->setEnabled(false);
    worker_.request_stop();
}

void TForm11_12::Recompute() {
    if (closing_) return;
    // The stopped worker is joined by its successor, off the GUI thread;
    // what it still posts carries the old generation and is dropped.
    std::jthread previous = std::move(worker_);
    previous.request_stop();
    const std::uint64_t generation = ++generation_;
    busy_ = true;
    lines_.clear();
    memo_->clear();

    const TGod* year = context_.shell.God();
    std::vector<int> weeks;
    if (year != nullptr)
        for (int ne = 1; ne <= kCalendarWeeks; ++ne)
            if (const TDNed* week = year->AllNed.DNed(ne); week != nullptr && week->Activ)
                weeks.push_back(ne);
    progress_->setRange(0, static_cast<int>(weeks.size()));
    progress_->setValue(0);
    progress_->show();
    progressLabel_->clear();
    progressLabel_->show();

    const int choice = param_->currentIndex();
    const int tip = Tip;
    // The window is modal: nothing changes the year while the worker reads it.
    worker_ = std::jthread([this, generation, choice, tip, year, weeks = std::move(weeks),
                            previous = std::move(previous)](std::stop_token stop) mutable {
        // One reader of the year at a time, and every worker ends with a
        // word to the window, stopped or not: a pending close waits for it.
        if (previous.joinable()) previous.join();
        std::vector<std::string> all;
        bool complete = true;
        for (std::size_t i = 0; i < weeks.size() && year != nullptr; ++i) {
            if (stop.stop_requested()) {
                complete = false;
                break;
            }
            const QString title = QString::fromStdString(weekTitle(*year, weeks[i]));
            QMetaObject::invokeMethod(
                this,
                [this, generation, i, title] { onWeek(generation, static_cast<int>(i), title); },
                Qt::QueuedConnection);
            std::vector<std::string> lines =
                QualityWeekLines(*year, choice, tip, weeks[i], static_cast<int>(all.size()), stop);
            all.insert(all.end(), std::make_move_iterator(lines.begin()),
                       std::make_move_iterator(lines.end()));
        }
        complete = complete && !stop.stop_requested();
        QStringList out;
        if (complete) {
            out.reserve(static_cast<qsizetype>(all.size()));
            for (const std::string& line : all) out.push_back(QString::fromStdString(line));
        }
        QMetaObject::invokeMethod(
            this,
            [this, generation, complete, out = std::move(out)] {
                onDone(generation, complete, out);
            },
            Qt::QueuedConnection);
    });
}

void TForm11_12::onWeek(std::uint64_t generation, int done, const QString& title) {
    if (generation != generation_) return;
    progress_->setValue(done);
    progressLabel_->setText(title);
}

void TForm11_12::onDone(std::uint64_t generation, bool complete, const QStringList& lines) {
    if (generation != generation_) return;
    if (worker_.joinable()) worker_.join();  // it has posted its last word
    busy_ = false;
    if (closing_) {
        closing_ = false;
        param_->setEnabled(true);
        QDialog::done(closeResult_);
        return;
    }
    if (!complete) return;  // stopped only on closing; nothing to show
    lines_ = lines;
    memo_->setPlainText(lines_.join(QLatin1Char('\n')));
    progress_->hide();
    progressLabel_->hide();
    emit computed();
}

void RunQuality(TWindowContext& context, int tip) {
    if (context.shell.God() == nullptr) return;
    TForm11_12 window(context, tip, context.parent);
    window.exec();
}

}  // namespace zavlin::composition::ui
