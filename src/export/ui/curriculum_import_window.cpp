#include "export/ui/curriculum_import_window.h"

#include <QEventLoop>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <thread>

#include "base/my_dialog.h"
#include "entry/ui/entry_widgets.h"
#include "export/ui/export_windows.h"
#include "model/god.h"
#include "shell/backup.h"
#include "shell/shell.h"
#include "shell/ui/backup_window.h"
#include "storage/year_database.h"

namespace zavlin::exporting::ui {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// The import asks from its worker; the person answers on the window thread
// while the worker waits.
class AskOnWindowThread : public TMyDialog {
public:
    AskOnWindowThread(QObject* window, TMyDialog& dialog) : window_(window), dialog_(dialog) {}
    bool MessageDlg(const std::string& text, const std::string& caption) override {
        bool answer = false;
        QMetaObject::invokeMethod(
            window_, [&] { answer = dialog_.MessageDlg(text, caption); },
            Qt::BlockingQueuedConnection);
        return answer;
    }
    void MessageShow(const std::string& text) override {
        QMetaObject::invokeMethod(
            window_, [&] { dialog_.MessageShow(text); }, Qt::BlockingQueuedConnection);
    }

private:
    QObject* window_;
    TMyDialog& dialog_;
};

}  // namespace

std::function<QString(QWidget*)> ChooseCurriculumFile = [](QWidget* parent) {
    QFileDialog chooser(parent, QStringLiteral("Импорт из файла"), QString(),
                        QStringLiteral("*.xml"));
    chooser.setObjectName(QStringLiteral("TForm19_1"));
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setFileMode(QFileDialog::ExistingFile);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return QString();
    return chooser.selectedFiles().front();
};

std::function<bool(TWindowContext&)> RunImportBackup = [](TWindowContext& context) {
    shell::TCopyFileBaza logic(context.shell.DM().DB.PathR, context.dialog);
    shell::ui::TCopyFileBazaWindow window(logic, context.parent);
    return window.Run(shell::TBackupMode::Automatic);
};

TForm55::TForm55(TWindowContext& context, TCurriculumPlan plan, QWidget* parent)
    : QDialog(parent), context_(context), plan_(std::move(plan)) {
    setObjectName(QStringLiteral("TForm55"));
    setWindowTitle(QStringLiteral("Импорт учебного плана."));
    auto* layout = new QVBoxLayout(this);
    auto* yearRow = new QHBoxLayout;
    yearRow->addWidget(new QLabel(QStringLiteral("Год импортируемых данных."), this));
    auto* year = new QLabel(q(ImportYearText(plan_.year)), this);
    year->setObjectName(QStringLiteral("year"));
    QFont bold = year->font();
    bold.setBold(true);
    year->setFont(bold);
    yearRow->addWidget(year);
    yearRow->addStretch();
    layout->addLayout(yearRow);
    layout->addWidget(new QLabel(QStringLiteral("Возможный вариант импорта:"), this));
    auto* variant = new QRadioButton(q(kImportVariant), this);
    variant->setObjectName(QStringLiteral("variant"));
    variant->setChecked(true);
    layout->addWidget(variant);
    report_ = new QPlainTextEdit(this);
    report_->setObjectName(QStringLiteral("report"));
    report_->setReadOnly(true);
    report_->setPlaceholderText(
        QStringLiteral("«Проверить»: что импорт добавит, изменит и удалит, без записи."));
    report_->setMinimumSize(560, 220);
    layout->addWidget(report_, 1);
    auto* buttons = new QHBoxLayout;
    check_ =
        entry::ui::MakeButton(this, QStringLiteral("Проверить"), QStringLiteral("check"), buttons);
    buttons->addStretch();
    ok_ = entry::ui::MakeButton(this, QStringLiteral("OK"), QStringLiteral("ok"), buttons);
    layout->addLayout(buttons);
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(status_);

    connect(check_, &QPushButton::clicked, this, &TForm55::check);
    connect(ok_, &QPushButton::clicked, this, &TForm55::importPlan);
    connect(this, &TForm55::statusText, status_, &QLabel::setText, Qt::QueuedConnection);

    if (plan_.version == 0) {
        ok_->setEnabled(false);
        check_->setEnabled(false);
        status_->setText(q(kOldVersionMessage));
    }
}

TForm55::~TForm55() = default;

void TForm55::reject() {
    if (!running_) QDialog::reject();
}

void TForm55::runOnWorker(const std::function<void()>& work) {
    running_ = true;
    ok_->setEnabled(false);
    check_->setEnabled(false);
    QEventLoop wait;
    connect(this, &TForm55::workFinished, &wait, &QEventLoop::quit, Qt::QueuedConnection);
    std::jthread worker([&] {
        work();
        emit workFinished();
    });
    wait.exec();
    worker.join();
    running_ = false;
}

void TForm55::check() {
    TAllGod* years = context_.shell.AllGod();
    if (years == nullptr) return;
    status_->setText(QStringLiteral("Проверка учебного плана…"));
    TImportReport report;
    std::string message;
    bool checked = false;
    runOnWorker([&] { checked = DryRunCurriculum(*years, plan_, report, message); });
    ok_->setEnabled(true);
    check_->setEnabled(true);
    if (!checked) {
        report_->setPlainText(q(message));
        status_->clear();
        return;
    }
    report_->setPlainText(q(report.Text()));
    status_->setText(QStringLiteral("Проверено: добавить %1, изменить %2, удалить %3.")
                         .arg(report.added.size())
                         .arg(report.changed.size())
                         .arg(report.removed.size()));
}

void TForm55::importPlan() {
    TAllGod* years = context_.shell.AllGod();
    if (years == nullptr || plan_.version == 0) return;
    ok_->setEnabled(false);
    result_ = TImportResult::Declined;
    TMyDialog& dialog = context_.dialog;
    std::string message;
    {
        TCurriculumOutcome outcome;
        if (!CheckCurriculumPlan(plan_, years->FRunSubb, outcome, message)) {
            result_ = TImportResult::Failed;
            dialog.MessageShow(message);
            accept();
            return;
        }
    }
    hide();
    if (!dialog.MessageDlg(ImportFirstQuestion(plan_.year), "Предупреждение")) {
        accept();
        return;
    }
    // The window is gone before the first question; the work's progress
    // shows in a small window of its own until the end.
    QWidget progress(parentWidget(), Qt::Tool);
    progress.setObjectName(QStringLiteral("importProgress"));
    progress.setWindowTitle(windowTitle());
    auto* line = new QLabel(&progress);
    line->setObjectName(QStringLiteral("status"));
    line->setMinimumWidth(420);
    (new QVBoxLayout(&progress))->addWidget(line);
    connect(this, &TForm55::statusText, line, &QLabel::setText, Qt::QueuedConnection);
    progress.show();
    bool touched = false;
    TImportHooks hooks;
    hooks.status = [this](const std::string& text) { emit statusText(q(text)); };
    hooks.backup = [this] {
        bool kept = false;
        QMetaObject::invokeMethod(
            this, [&] { kept = RunImportBackup(context_); }, Qt::BlockingQueuedConnection);
        return kept;
    };
    hooks.touching = [&touched] { touched = true; };
    AskOnWindowThread ask(this, dialog);
    runOnWorker([&] { result_ = ImportCurriculum(*years, plan_, ask, hooks, message); });
    if (result_ == TImportResult::Done) {
        if (context_.weeksChanged) context_.weeksChanged();
        dialog.MessageShow(kImportDone);
    } else {
        // The year may be half made: the main window reads it back from the
        // database rather than saving what is in memory over it.
        if (touched) context_.dropChanges = true;
        if (!message.empty()) dialog.MessageShow(message);
    }
    accept();
}

void RunCurriculumImport(TWindowContext& context) {
    const QString file = ChooseCurriculumFile(context.parent);
    if (file.isEmpty()) return;
    TCurriculumPlan plan;
    std::string message;
    if (!LoadCurriculumPlan(file.toStdString(), plan, message)) {
        context.dialog.MessageShow(message);
        return;
    }
    TForm55 form(context, std::move(plan), context.parent);
    if (form.plan().version == 0) context.dialog.MessageShow(kOldVersionMessage);
    form.exec();
}

}  // namespace zavlin::exporting::ui
