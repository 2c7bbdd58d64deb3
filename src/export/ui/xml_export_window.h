// "Экспорт расписания в файл XML" (TForm50): the author, the encoding and
// the active weeks; "Экспортировать" writes temp/Zavlin.xml below the home
// folder. Also the author block the web export window shares.
#pragma once

#include <QDialog>
#include <QGroupBox>
#include <functional>

#include "export/xml_export.h"
#include "shell/ui/window_context.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zavlin::exporting::ui {

using shell::ui::TWindowContext;

// Surname ("Edit1"), given name ("Edit2"), patronymic ("Edit3") and the
// encoding ("ComboCoding"), filled from "god.Ini" section "User".
class TAuthorBox : public QGroupBox {
    Q_OBJECT
public:
    TAuthorBox(const TUserSettings& stored, QWidget* parent);
    TExportAuthor Author() const;
    // The parts as the composing corrected them.
    void Show(const TExportAuthor& author);
    int Coding() const;

private:
    QLineEdit* surname_;
    QLineEdit* given_;
    QLineEdit* patronymic_;
    QComboBox* coding_;
};

// Runs an export job on a worker thread while the window, disabled, keeps
// its event loop turning; the job's status lines come to status through
// queued calls. Returns when the job has ended.
TExportResult RunExportJob(QWidget* window, QLabel* status,
                           const std::function<TExportResult(const TStatusSink&)>& job);

class TForm50 : public QDialog {
    Q_OBJECT
public:
    // Object names: "Edit1", "Edit2", "Edit3", "ComboCoding", "WeeksLabel",
    // "StatusBar1", "Button1" (export), "CloseButton".
    explicit TForm50(TWindowContext& context, QWidget* parent = nullptr);

    // What "Экспортировать" does.
    void Export();

private:
    TWindowContext& context_;
    TAuthorBox* author_;
    QLabel* status_;
    QPushButton* export_;
};

}  // namespace zavlin::exporting::ui
