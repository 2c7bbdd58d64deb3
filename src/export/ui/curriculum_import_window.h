// The curriculum import as the menu opens it: the choice of the file
// (TForm19_1, "Импорт из файла", "*.xml"), then TForm55 "Импорт учебного
// плана." on the document read. "Проверить" shows the dry run's findings
// before anything is written; "OK" checks the plan, asks, offers the backup
// and imports on a worker while the status line follows the work.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <string>

#include "export/curriculum_import.h"
#include "shell/ui/window_context.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace zavlin::exporting::ui {

using shell::ui::TWindowContext;

// The file choice; returns "" when nothing was chosen. Tests replace it.
extern std::function<QString(QWidget* parent)> ChooseCurriculumFile;
// The automatic backup before the import; true when a copy was kept. The
// program runs the backup window; tests replace it.
extern std::function<bool(TWindowContext& context)> RunImportBackup;

class TForm55 : public QDialog {
    Q_OBJECT
public:
    TForm55(TWindowContext& context, TCurriculumPlan plan, QWidget* parent = nullptr);
    ~TForm55() override;

    const TCurriculumPlan& plan() const { return plan_; }
    // After "OK": what the import ended with; Declined also when the first
    // question was answered "Нет".
    TImportResult result() const { return result_; }

signals:
    void statusText(const QString& text);
    void workFinished();

protected:
    void reject() override;

private:
    void check();
    void importPlan();
    // Runs work on a worker with the buttons off; events keep flowing.
    void runOnWorker(const std::function<void()>& work);

    TWindowContext& context_;
    TCurriculumPlan plan_;
    TImportResult result_ = TImportResult::Declined;
    bool running_ = false;
    QPushButton* ok_;
    QPushButton* check_;
    QPlainTextEdit* report_;
    QLabel* status_;
};

}  // namespace zavlin::exporting::ui
