// The document windows: "Экспорт данных" (TForm33), the linked web pages of
// the groups or the teachers copied into a folder, and "Экспорт в Word"
// (TForm34), one document of a kind handed to the word processor.
//
// Both run the export hub on a worker thread: the window, disabled, keeps its
// event loop turning, the progress comes through queued calls, and the hub's
// messages are shown when the work has ended.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "export/html_documents.h"
#include "export/ui/document_work.h"
#include "shell/ui/folder_choice.h"
#include "shell/ui/window_context.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace zavlin {
class TArrayOfPointByte;
}

namespace zavlin::exporting::ui {

using shell::ui::TWindowContext;

// Whose list a document kind is made for.
enum class TWordSelection { Groups, Teachers, Rooms };

// What a kind asks the window for besides the selection (bits).
enum TWordAsk : unsigned {
    waDays = 1,     // the weekdays of the active weeks (WD)
    waMonth = 2,    // the month and its start (me, h)
    waPeriods = 4,  // the periods Y1..Y2
    waWeeks = 8,    // the weeks N1..N2
};

// A document kind of the word-processor export, made by the hub's
// CreateWordOfKind; a kind not in the table is refused with
// kUnknownKindText.
struct TWordKind {
    int kind = 0;
    const char* title = "";  // what the window says it makes
    TWordSelection selection = TWordSelection::Groups;
    unsigned asks = waDays;
    // The request's fields the window does not ask for.
    TWordRequest defaults;
    bool teachers() const { return selection == TWordSelection::Teachers; }
};
const TWordKind* FindWordKind(int kind);
// The kind a menu item opens the window with ("WORD1".."WORD4"); -1 else.
int WordKindOfComponent(const std::string& component);
inline constexpr const char* kUnknownKindText = "Документ этого вида пока не создаётся: вид ";

// What a calling window chose before: with keepSelection the groups' and
// teachers' marks of the year stay as they are (else all are marked); days
// are the weekdays (1-6) ticked (empty: all six).
struct TWordPreselection {
    bool keepSelection = false;
    std::vector<int> days;
};

// "Экспорт данных". Object names: "ComboFormat", "RadioGryp", "RadioFio",
// "EditFolder", "ChangeFolder", "EditFiles", "SelectionLabel", "PickButton",
// "ProgressBar1", "CreateButton", "CloseButton".
class TForm33 : public TWorkDialog {
    Q_OBJECT
public:
    explicit TForm33(TWindowContext& context, QWidget* parent = nullptr);

    // The folder chooser "Изменить" opens; tests answer it.
    shell::ui::TPapkaView& FolderView() { return folderView_; }
    // "Создать файл": true when the files were copied.
    bool CreateFiles();

private:
    void contentChanged();
    void showSelection();
    void pick();

    TWindowContext& context_;
    shell::ui::TPapkaView folderView_;
    QRadioButton* groups_;
    QRadioButton* teachers_;
    QLineEdit* folder_;
    QLineEdit* files_;
    QLabel* selection_;
    QProgressBar* progress_;
    QPushButton* create_;
};

// "Экспорт в Word" of one kind. Object names: "KindLabel",
// "SelectionLabel", "PickButton", "WeeksLabel", "WeeksButton", "Day1".."Day6",
// "CheckWord", "ComboV1", "ComboV2", "ComboV3", "ProgressBar1",
// "ExportButton", "CloseButton"; for the kinds that ask for them "ComboMonth",
// "ComboStart", "SpinY1", "SpinY2", "SpinN1", "SpinN2".
class TForm34 : public TWorkDialog {
    Q_OBJECT
public:
    TForm34(TWindowContext& context, int kind, const TWordPreselection& preselection = {},
            QWidget* parent = nullptr);

    int Kind() const { return kind_; }
    // "Экспорт": true when the document was made and handed over.
    bool Export();
    // The chosen (week, day) pairs: the active weeks by the ticked days.
    void ChosenWD(TArrayOfPointByte& WD) const;
    // The kind's request as the window's fields set it (WD not included).
    TWordRequest Request() const;

private:
    void showSelection();
    void showWeeks();
    void pick();

    TWindowContext& context_;
    int kind_;
    const TWordKind* wordKind_;
    QLabel* selection_;
    QLabel* weeks_;
    std::vector<QCheckBox*> days_;
    QCheckBox* startWord_;
    QComboBox* v1_;
    QComboBox* v2_;
    QComboBox* v3_;
    QComboBox* month_ = nullptr;
    QComboBox* start_ = nullptr;
    QSpinBox* y1_ = nullptr;
    QSpinBox* y2_ = nullptr;
    QSpinBox* n1_ = nullptr;
    QSpinBox* n2_ = nullptr;
    QProgressBar* progress_;
    QPushButton* export_;
};

// Opens "Экспорт в Word" for a kind; a kind the table does not know gets
// kUnknownKindText and no window.
void RunWordExport(TWindowContext& context, int kind, const TWordPreselection& preselection = {});

}  // namespace zavlin::exporting::ui
