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

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

TExportResult RunExportJob(QWidget* window, QLabel* status,
                           const std::function<TExportResult(const TStatusSink&)>& job) {
    TExportResult result;
    QPointer<QLabel> target(status);
    const TStatusSink sink = [target](const std::string& text) {
        QMetaObject::invokeMethod(
            qApp,
            [target, line = q(text)] {
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
    surname_ = new QLineEdit(q(parts.surname), this);
    surname_->setObjectName("Edit1");
    given_ = new QLineEdit(q(parts.givenName), this);
    given_->setObjectName("Edit2");
    patronymic_ = new QLineEdit(q(parts.patronymic), this);
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
    surname_->setText(q(author.surname));
    given_->setText(q(author.givenName));
    patronymic_->setText(q(author.patronymic));
}

int TAuthorBox::Coding() const {
    return coding_->currentIndex() == 1 ? 1 : 0;
}

TForm50::TForm50(TWindowContext& context, QWidget* parent) : QDialog(parent), context_(context) {
    setObjectName("TForm50");
    setWindowTitle(QStringLiteral("Экспорт расписания в файл XML"));
    TDM1& dm = context_.shell.DM();
    dm.SetKeyRuss();
    auto* layout = new QVBoxLayout(this);
    author_ = new TAuthorBox(ReadUserSettings(dm.FGodini), this);
    layout->addWidget(author_);
    TGod* god = context_.shell.God();
    if (god != nullptr) god->SelectAllGryp(true);
    auto* weeks = new QLabel(QStringLiteral("Активные недели: ") +
                                 (god != nullptr ? q(god->AllNed.ActivDNedToStr()) : QString()),
                             this);
    weeks->setObjectName("WeeksLabel");
    weeks->setWordWrap(true);
    layout->addWidget(weeks);
    auto* buttons = new QHBoxLayout;
    export_ = entry::ui::MakeButton(this, QStringLiteral("Экспортировать"), "Button1", buttons);
    QPushButton* close =
        entry::ui::MakeButton(this, QStringLiteral("Закрыть"), "CloseButton", buttons);
    layout->addLayout(buttons);
    status_ = new QLabel(this);
    status_->setObjectName("StatusBar1");
    status_->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(status_);
    connect(export_, &QPushButton::clicked, this, &TForm50::Export);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(420, sizeHint().height());
}

void TForm50::Export() {
    TGod* god = context_.shell.God();
    if (god == nullptr) return;
    TXmlExportJob job;
    job.author = author_->Author();
    job.coding = author_->Coding();
    job.progName = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toStdString();
    export_->setEnabled(false);
    TDM1& dm = context_.shell.DM();
    const std::filesystem::path home = dm.DB.PathR;
    const TExportResult r = RunExportJob(this, status_, [&](const TStatusSink& sink) {
        return RunXmlFileExport(*god, dm.FGodini, home, job, sink);
    });
    author_->Show(job.author);
    if (!r.message.empty()) context_.dialog.MessageShow(r.message);
    if (r.ok) {
        accept();
        return;
    }
    export_->setEnabled(true);
}

void RunXmlExport(TWindowContext& context) {
    TForm50 form(context, context.parent);
    form.exec();
}

}  // namespace zavlin::exporting::ui
