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

TForm53::TForm53(TWindowContext& context, TMailer& mailer, QWidget* parent)
    : TExportWindow(context, parent), mailer_(mailer) {
    setObjectName("TForm53");
    setWindowTitle(QStringLiteral("Экспорт на WEB"));
    const TUserSettings stored = ReadUserSettings(context_.shell.DM().FGodini);
    StartLayout(stored);

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
    email_ = new QLineEdit(qs(stored.EMailWeb), this);
    email_->setObjectName("Edit7");
    options->addWidget(new QLabel(QStringLiteral("EMail для WEB"), this), 4, 0);
    options->addWidget(email_, 4, 1);
    copy_ = new QCheckBox(QStringLiteral("Копировать в папку:"), this);
    copy_->setObjectName("CheckCopy");
    copy_->setChecked(stored.SendCopy);
    options->addWidget(copy_, 5, 0, 1, 2);
    folder_ = new QLineEdit(qs(stored.Path), this);
    folder_->setObjectName("Edit4");
    options->addWidget(new QLabel(QStringLiteral("Папка"), this), 6, 0);
    options->addWidget(folder_, 6, 1);
    fileName_ = new QLineEdit(qs(stored.FileName), this);
    fileName_->setObjectName("Edit5");
    options->addWidget(new QLabel(QStringLiteral("Имя файла"), this), 7, 0);
    options->addWidget(fileName_, 7, 1);
    layout_->addLayout(options);
    FinishLayout(460);
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
    const std::filesystem::path home = dm.DB.PathR;
    Finish(job.author, [&](const TStatusSink& sink) {
        return RunWebFileExport(*god, dm.FGodini, home, job, mailer_, sink);
    });
}

void RunWebExport(TWindowContext& context) {
    TXdgMailer mailer;
    TForm53 form(context, mailer, context.parent);
    form.exec();
}

}  // namespace zavlin::exporting::ui
