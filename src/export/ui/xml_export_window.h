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
class QVBoxLayout;

namespace zavlin::exporting::ui {

using shell::ui::TWindowContext;

inline QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

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

// What both export windows share: the author box on top; the active weeks
// ("WeeksLabel"), "Button1" (export), "CloseButton" and "StatusBar1" below.
class TExportWindow : public QDialog {
public:
    TExportWindow(TWindowContext& context, QWidget* parent);
    // What "Экспортировать" does.
    virtual void Export() = 0;

protected:
    // Adds the author box for the stored settings.
    void StartLayout(const TUserSettings& stored);
    // Adds the lower part below the window's own options.
    void FinishLayout(int width);
    // Runs the job with the button off, shows the corrected author and the
    // message; closes with OK on success.
    void Finish(TExportAuthor& author, const std::function<TExportResult(const TStatusSink&)>& job);

    TWindowContext& context_;
    QVBoxLayout* layout_;
    TAuthorBox* author_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* export_ = nullptr;
};

class TForm50 : public TExportWindow {
    Q_OBJECT
public:
    // Object names: "Edit1", "Edit2", "Edit3", "ComboCoding", "WeeksLabel",
    // "StatusBar1", "Button1" (export), "CloseButton".
    explicit TForm50(TWindowContext& context, QWidget* parent = nullptr);

    void Export() override;
};

}  // namespace zavlin::exporting::ui
