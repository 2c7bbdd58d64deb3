#include "export/ui/web_export_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

#include "base/my_dialog.h"
#include "entry/ui/entry_widgets.h"
#include "export/ui/export_windows.h"
#include "export/ui/xml_export_window.h"
#include "model/god.h"
#include "shell/shell.h"
#include "storage/year_database.h"

namespace zavlin::exporting::ui {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

TForm53::TForm53(TWindowContext& context, TMailer& mailer, QWidget* parent)
    : QDialog(parent), context_(context), mailer_(mailer) {
    setObjectName("TForm53");
    setWindowTitle(QStringLiteral("Экспорт на WEB"));
    TDM1& dm = context_.shell.DM();
    dm.SetKeyRuss();
    const TUserSettings stored = ReadUserSettings(dm.FGodini);
    auto* layout = new QVBoxLayout(this);
    author_ = new TAuthorBox(stored, this);
    layout->addWidget(author_);

    auto* options = new QGridLayout;
    half_ = new QComboBox(this);
    half_->setObjectName("ComboBox1");
    half_->addItems({QStringLiteral("Числитель"), QStringLiteral("Знаменатель")});
    options->addWidget(new QLabel(QStringLiteral("Неделя"), this), 0, 0);
    options->addWidget(half_, 0, 1);
    zamena_ = new QCheckBox(QStringLiteral("Включать замены"), this);
    zamena_->setObjectName("CheckZamena");
    options->addWidget(zamena_, 1, 0, 1, 2);
    dp_ = new QCheckBox(QStringLiteral("Включать назначенные дополнительно"), this);
    dp_->setObjectName("CheckDp");
    options->addWidget(dp_, 2, 0, 1, 2);
    mail_ = new QCheckBox(QStringLiteral("Открыть Outlook Express"), this);
    mail_->setObjectName("CheckMail");
    options->addWidget(mail_, 3, 0, 1, 2);
    email_ = new QLineEdit(q(stored.EMailWeb), this);
    email_->setObjectName("Edit7");
    options->addWidget(new QLabel(QStringLiteral("EMail для WEB"), this), 4, 0);
    options->addWidget(email_, 4, 1);
    copy_ = new QCheckBox(QStringLiteral("Копировать в папку:"), this);
    copy_->setObjectName("CheckCopy");
    copy_->setChecked(stored.SendCopy);
    options->addWidget(copy_, 5, 0, 1, 2);
    folder_ = new QLineEdit(q(stored.Path), this);
    folder_->setObjectName("Edit4");
    options->addWidget(new QLabel(QStringLiteral("Папка"), this), 6, 0);
    options->addWidget(folder_, 6, 1);
    fileName_ = new QLineEdit(q(stored.FileName), this);
    fileName_->setObjectName("Edit5");
    options->addWidget(new QLabel(QStringLiteral("Имя файла"), this), 7, 0);
    options->addWidget(fileName_, 7, 1);
    layout->addLayout(options);

    TGod* god = context_.shell.God();
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
    connect(export_, &QPushButton::clicked, this, &TForm53::Export);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    resize(460, sizeHint().height());
}

void TForm53::Export() {
    TGod* god = context_.shell.God();
    if (god == nullptr) return;
    TWebExportJob job;
    job.author = author_->Author();
    job.coding = author_->Coding();
    job.denominator = half_->currentIndex() == 1;
    job.withZamena = zamena_->isChecked();
    job.withDp = dp_->isChecked();
    job.mail = mail_->isChecked();
    job.email = email_->text().toStdString();
    job.copy = copy_->isChecked();
    job.folder = folder_->text().toStdString();
    job.fileName = fileName_->text().toStdString();
    TDM1& dm = context_.shell.DM();
    (void)dm.FGodini.WriteBool("User", "SendCopy", job.copy);
    export_->setEnabled(false);
    const std::filesystem::path home = dm.DB.PathR;
    const TExportResult r = RunExportJob(this, status_, [&](const TStatusSink& sink) {
        return RunWebFileExport(*god, dm.FGodini, home, job, mailer_, sink);
    });
    author_->Show(job.author);
    if (!r.message.empty()) context_.dialog.MessageShow(r.message);
    if (r.ok) {
        accept();
        return;
    }
    export_->setEnabled(true);
}

void RunWebExport(TWindowContext& context) {
    TXdgMailer mailer;
    TForm53 form(context, mailer, context.parent);
    form.exec();
}

}  // namespace zavlin::exporting::ui
