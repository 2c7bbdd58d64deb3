// "Экспорт на WEB" (TForm53): one file per active week in the form meant for
// publishing, handed to the mail client or copied into a folder when asked.
#pragma once

#include <QDialog>

#include "export/xml_export.h"
#include "shell/ui/window_context.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zavlin::exporting::ui {

using shell::ui::TWindowContext;
class TAuthorBox;

class TForm53 : public QDialog {
    Q_OBJECT
public:
    // Object names: the author box's, "ComboBox1" (numerator/denominator),
    // "CheckZamena", "CheckDp", "CheckMail", "Edit7" (address), "CheckCopy",
    // "Edit4" (folder), "Edit5" (file name), "WeeksLabel", "StatusBar1",
    // "Button1" (export), "CloseButton". The mailer is not owned.
    TForm53(TWindowContext& context, TMailer& mailer, QWidget* parent = nullptr);

    void Export();

private:
    TWindowContext& context_;
    TMailer& mailer_;
    TAuthorBox* author_;
    QComboBox* half_;
    QCheckBox* zamena_;
    QCheckBox* dp_;
    QCheckBox* mail_;
    QLineEdit* email_;
    QCheckBox* copy_;
    QLineEdit* folder_;
    QLineEdit* fileName_;
    QLabel* status_;
    QPushButton* export_;
};

}  // namespace zavlin::exporting::ui
