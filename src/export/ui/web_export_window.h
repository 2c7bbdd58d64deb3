// "Экспорт на WEB" (TForm53): one file per active week in the form meant for
// publishing, handed to the mail client or copied into a folder when asked.
#pragma once

#include "export/ui/xml_export_window.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zavlin::exporting::ui {

class TForm53 : public TExportWindow {
    Q_OBJECT
public:
    // Object names: the author box's, "ComboBox1" (numerator/denominator),
    // "CheckZamena", "CheckDp", "CheckMail", "Edit7" (address), "CheckCopy",
    // "Edit4" (folder), "Edit5" (file name), "WeeksLabel", "StatusBar1",
    // "Button1" (export), "CloseButton". The mailer is not owned.
    TForm53(TWindowContext& context, TMailer& mailer, QWidget* parent = nullptr);

    void Export() override;

private:
    TMailer& mailer_;
    QComboBox* half_;
    QCheckBox* zamena_;
    QCheckBox* dp_;
    QCheckBox* mail_;
    QLineEdit* email_;
    QCheckBox* copy_;
    QLineEdit* folder_;
    QLineEdit* fileName_;
};

}  // namespace zavlin::exporting::ui
