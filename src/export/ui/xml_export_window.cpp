#include "export/ui/xml_export_window.h"

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <filesystem>
#include <memory>

#include "base/my_dialog.h"
#include "entry/ui/entry_widgets.h"
#include "export/ui/export_windows.h"
#include "model/god.h"
#include "shell/shell.h"
#include "storage/year_database.h"

namespace zavlin::exporting::ui {

TExportResult RunExportJob(QWidget* window, QLabel* status,
                           const std::function<TExportResult(const TStatusSink&)>& job) {
    TExportResult result;
    QPointer<QLabel> target(status);
    const TStatusSink sink = [target](const std::string& text) {
        QMetaObject::invokeMethod(
            qApp,
            [target, line = qs(text)] {
                if (target) target->setText(line);
            },
            Qt::QueuedConnection);
    };
    window->setEnabled(false);
    QEventLoop loop;
    std::unique_ptr<QThread> worker(QThread::create([&] { result = job(sink); }));
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    worker->start();
    loop.exec();
    worker->wait();
    // The status lines posted before the end are shown before the message.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    window->setEnabled(true);
    return result;
}

TAuthorBox::TAuthorBox(const TUserSettings& stored, QWidget* parent)
    : QGroupBox(QStringLiteral("Автор"), parent) {
    auto* form = new QFormLayout(this);
    const TAuthorParts parts = AuthorParts(stored.Name);
    surname_ = new QLineEdit(qs(parts.surname), this);
    surname_->setObjectName("Edit1");
    given_ = new QLineEdit(qs(parts.givenName), this);
    given_->setObjectName("Edit2");
    patronymic_ = new QLineEdit(qs(parts.patronymic), this);
    patronymic_->setObjectName("Edit3");
    coding_ = new QComboBox(this);
    coding_->setObjectName("ComboCoding");
    for (const char* e : kEncodings) coding_->addItem(QString::fromLatin1(e));
    coding_->setCurrentIndex(stored.Coding);
    form->addRow(QStringLiteral("Фамилия"), surname_);
    form->addRow(QStringLiteral("Имя"), given_);
    form->addRow(QStringLiteral("Отчество"), patronymic_);
    form->addRow(QStringLiteral("Кодировка"), coding_);
}

TExportAuthor TAuthorBox::Author() const {
    return {surname_->text().toStdString(), given_->text().toStdString(),
            patronymic_->text().toStdString()};
}

void TAuthorBox::Show(const TExportAuthor& author) {
    surname_->setText(qs(author.surname));
    given_->setText(qs(author.givenName));
    patronymic_->setText(qs(author.patronymic));
}

int TAuthorBox::Coding() const {
    return coding_->currentIndex() == 1 ? 1 : 0;
}

TExportWindow::TExportWindow(TWindowContext& context, QWidget* parent)
    : QDialog(parent), context_(context), layout_(new QVBoxLayout(this)) {
    context_.shell.DM().SetKeyRuss();
}

void TExportWindow::StartLayout(const TUserSettings& stored) {
    author_ = new TAuthorBox(stored, this);
    layout_->addWidget(author_);
}

void TExportWindow::FinishLayout(int width) {
    TGod* god = context_.shell.God();
    auto* weeks = new QLabel(QStringLiteral("Активные недели: ") +
                                 (god != nullptr ? qs(god->AllNed.ActivDNedToStr()) : QString()),
                             this);
    weeks->setObjectName("WeeksLabel");
    weeks->setWordWrap(true);
    layout_->addWidget(weeks);
    auto* buttons = new QHBoxLayout;
    export_ = entry::ui::MakeButton(this, QStringLiteral("Экспортировать"), "Button1", buttons);
    QPushButton* close =
        entry::ui::MakeButton(this, QStringLiteral("Закрыть"), "CloseButton", buttons);
    layout_->addLayout(buttons);
    status_ = new QLabel(this);
    status_->setObjectName("StatusBar1");
    status_->setFrameShape(QFrame::StyledPanel);
    layout_->addWidget(status_);
    connect(export_, &QPushButton::clicked, this, [this] { Export(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(width, sizeHint().height());
}

void TExportWindow::Finish(TExportAuthor& author,
                           const std::function<TExportResult(const TStatusSink&)>& job) {
    export_->setEnabled(false);
    const TExportResult r = RunExportJob(this, status_, job);
    author_->Show(author);
    if (!r.message.empty()) context_.dialog.MessageShow(r.message);
    if (r.ok) {
        accept();
        return;
    }
    export_->setEnabled(true);
}

TForm50::TForm50(TWindowContext& context, QWidget* parent) : TExportWindow(context, parent) {
    setObjectName("TForm50");
    setWindowTitle(QStringLiteral("Экспорт расписания в файл XML"));
    StartLayout(ReadUserSettings(context_.shell.DM().FGodini));
    if (TGod* god = context_.shell.God()) god->SelectAllGryp(true);
    FinishLayout(420);
}

void TForm50::Export() {
    TGod* god = context_.shell.God();
    if (god == nullptr) return;
    TXmlExportJob job;
    job.author = author_->Author();
    job.coding = author_->Coding();
    job.progName = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
    TDM1& dm = context_.shell.DM();
    const std::filesystem::path home = dm.DB.PathR;
    Finish(job.author, [&](const TStatusSink& sink) {
        return RunXmlFileExport(*god, dm.FGodini, home, job, sink);
    });
}

void RunXmlExport(TWindowContext& context) {
    TForm50 form(context, context.parent);
    form.exec();
}

}  // namespace zavlin::exporting::ui
