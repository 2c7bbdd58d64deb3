// The hour-accounting windows: the lessons planned, placed and delivered of
// one group (TForm20 "Вычитка по группе"), one teacher (TForm21 "Вычитка
// преподавателя") or one subject name (TForm37 "Вычитка по предмету"), for
// the mode, the date and the view chosen. The table is rebuilt on every
// change of a choice (one pass over the year), once the typing of a date
// pauses, and printed as a document.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "reports/hours.h"
#include "reports/report_table.h"
#include "reports/ui/report_grid_view.h"
#include "shell/ui/window_context.h"

class QCheckBox;
class QComboBox;
class QDateEdit;
class QHBoxLayout;
class QPushButton;
class QRadioButton;
class QTimer;

namespace zavlin {
class TFio;
class TGod;
class TGryp;
class TYrName;
}  // namespace zavlin

namespace zavlin::exporting {
class TDocumentOpener;
}

namespace zavlin::reports::ui {

using shell::ui::TWindowContext;

class TAccountWindow : public QDialog {
    Q_OBJECT
public:
    enum class TKind { Group, Teacher, Subject };

    // Controls: "ChoiceBox" (the group, teacher or subject name), "GridMode"
    // ("Сетка"), "AdditionalMode" ("Допол-но вне сетки"), "DateEdit"
    // ("Вычитка до  даты"), "ShortView" ("Краткий вид"), "PairsOnly"
    // ("Показывать только пары"), "Grid", "PrintButton", "CloseButton".
    TAccountWindow(TKind kind, TWindowContext& context, exporting::TDocumentOpener& opener,
                   QWidget* parent = nullptr);
    ~TAccountWindow() override;

    TKind Kind() const { return kind_; }
    TReportGridView* Grid() const { return grid_; }
    // What the grid shows, as the core built it.
    const TAccountTable& Table() const { return table_; }
    const TDGrid& Shown() const { return shown_; }
    // The options the choices stand for.
    TAccountOptions Options() const;
    // The chosen group, teacher or subject name; null when the year has none.
    const TGryp* ChosenGroup() const;
    const TFio* ChosenTeacher() const;
    const TYrName* ChosenSubject() const;
    // The chosen item as the heading names it.
    std::string ChosenText() const;

    // Builds the table for the choices and shows it. A change of the date
    // waits kDateSettleMs (or the end of its editing) for the next one.
    void Recalculate();
    static constexpr int kDateSettleMs = 300;
    // A date change not yet followed by the table.
    bool RebuildPending() const;
    // How many times the table was built.
    int Rebuilds() const { return rebuilds_; }
    // Writes the document of the table and opens it; false, said through the
    // dialog, when it could not be.
    [[nodiscard]] bool Print();
    std::string DocumentName() const;

protected:
    TGod* god() const;
    TWindowContext& context_;
    QHBoxLayout* buttons_ = nullptr;  // the row of buttons at the bottom
    QPushButton* printButton_ = nullptr;

private:
    void fillChoice();

    TKind kind_;
    exporting::TDocumentOpener& opener_;
    std::vector<const void*> items_;  // by the box's index: names are not searched
    TAccountTable table_;
    TDGrid shown_;
    QComboBox* choice_ = nullptr;
    QRadioButton* gridMode_ = nullptr;
    QRadioButton* additionalMode_ = nullptr;
    QDateEdit* date_ = nullptr;
    QCheckBox* shortView_ = nullptr;
    QCheckBox* pairsOnly_ = nullptr;
    TReportGridView* grid_ = nullptr;
    QTimer* rebuildTimer_ = nullptr;
    int rebuilds_ = 0;
};

// TForm20 "Вычитка по группе".
class TForm20 : public TAccountWindow {
    Q_OBJECT
public:
    TForm20(TWindowContext& context, exporting::TDocumentOpener& opener, QWidget* parent = nullptr);
};

// TForm21 "Вычитка преподавателя"; also "XmlButton" ("Сохранить в XML").
class TForm21 : public TAccountWindow {
    Q_OBJECT
public:
    TForm21(TWindowContext& context, exporting::TDocumentOpener& opener, QWidget* parent = nullptr);

    // The file the teacher's accounting goes to; empty when none was chosen.
    // By default a save box that leaves the overwrite question to SaveXml.
    std::function<std::string(const std::string& proposed)> AskXmlFile;
    // Writes the chosen teacher's accounting as XML, asking before it
    // replaces a file. False when nothing was written (refused or failed,
    // a failure said through the dialog).
    [[nodiscard]] bool SaveXml();
};

// TForm37 "Вычитка по предмету".
class TForm37 : public TAccountWindow {
    Q_OBJECT
public:
    TForm37(TWindowContext& context, exporting::TDocumentOpener& opener, QWidget* parent = nullptr);
};

}  // namespace zavlin::reports::ui
