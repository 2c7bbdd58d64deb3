// "Предметы, нагрузка по неделям": the subjects of one group and their pairs
// week by week in one layer of the load, with the operations that spread,
// synchronise and copy the regular load. The arithmetic is entry/load_ops.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "shell/ui/window_context.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace zavlin {
class TGryp;
class TPredmet;
class THGrid;
}  // namespace zavlin

namespace zavlin::shell::ui {
class TComboBoxNumer;
}

namespace zavlin::entry::ui {

using shell::ui::TWindowContext;

// The layers of the drop-down, in its order.
enum class TLoadLayer { Setka = 0, Otmena = 1, Zamena = 2, Dop = 3 };

class TForm5 : public QDialog {
    Q_OBJECT
public:
    static constexpr int kFixedCols = 5;
    static constexpr int kFixedRows = 3;
    static constexpr int WeekCol(int ne) { return kFixedCols + ne - 1; }
    static constexpr int WeekOfCol(int col) { return col - kFixedCols + 1; }
    static constexpr int SubjectRow(int index) { return kFixedRows + index; }

    // The group shown is the year's active group (the first when none).
    // Controls by object name: "Grid", "LayerBox", "GroupBox" (the group
    // drop-down), "GroupButton" ("Г"), "PrevGroupButton"/"NextGroupButton",
    // "StatusLabel", and the buttons "AddSubjectButton",
    // "PropertiesButton", "DeleteSubjectButton", "TeachersButton",
    // "CopyGroupButton", "SyncButton", "CopyToExtraButton",
    // "CopyFromExtraButton", "SummaryButton", "PlannedLoadButton",
    // "WeekButton", "PrintButton", "PairsButton", "CloseButton".
    explicit TForm5(TWindowContext& context, QWidget* parent = nullptr);
    ~TForm5() override;

    THGrid* Grid() const { return grid_; }
    TGryp* Group() const { return group_; }
    void SetGroup(TGryp* group);
    TLoadLayer Layer() const;
    // Something of the year changed since the window opened.
    bool Changed() const { return changed_; }

    // Picks one group ("Г", the source of a copy); nullptr when none was
    // confirmed. By default the group list in its single-choice mode.
    std::function<TGryp*()> PickGroup;
    // Runs "Преподаватели по предмету" for the shown group. By default the
    // window itself, modally.
    std::function<void()> OpenSubjectTeachers;

    // Saves the year when anything changed; when that fails, asks whether
    // to close anyway.
    void done(int result) override;

private:
    // The model behind one subject row and what the grid shows.
    void fillGrid();
    void fillRow(int index);
    void fillTotals();
    void updateStatus();
    // The selected week range and the subjects of the selected rows.
    bool selectedWeeks(int& first, int& last) const;
    std::vector<TPredmet*> selectedSubjects() const;
    TPredmet* currentSubject() const;
    // False, after the refusal, when the layer shown is not the regular one.
    bool regularLayerOnly(bool pairsText);
    void loadChanged();
    void offerActiveWeeks();
    // False, after the refusal, when the group's stored timetable could not
    // be read: the save never writes over it, so an edit would be lost.
    bool editable(const TGryp* group);
    // Runs PickGroup; the list makes its choice the year's active group, and
    // may add or rename groups, so the window's own group is made active
    // again and the drop-down refilled.
    TGryp* pickGroup();
    void fillGroups();

    void onAddSubject();
    void onProperties();
    void onDeleteSubject();
    void onCopyFromGroup();
    void onPairsInWeek();
    void onSync();
    void onCopyToExtra();
    void onCopyFromExtra();
    void onPickGroup();

    TWindowContext& context_;
    TGryp* group_ = nullptr;
    bool changed_ = false;
    THGrid* grid_ = nullptr;
    QComboBox* layer_ = nullptr;
    shell::ui::TComboBoxNumer* groups_ = nullptr;
    QLabel* status_ = nullptr;
};

// The group list in its single-choice mode; nullptr when no group was
// confirmed.
TGryp* PickOneGroup(TWindowContext& context, QWidget* parent);

// Why a group whose stored timetable could not be read is not edited.
std::string UnreadableGroupText(const TGryp& group);

// Asked when a load window cannot store the year on closing.
inline constexpr const char* kLoadNotSavedQuestion =
    "Не удалось сохранить нагрузку учебного года. Закрыть окно без сохранения?";

// Which groups a copy to the additional weeks is for: "Для одной текущей
// группы" ("OneGroupButton") or "Для  всех групп" ("AllGroupsButton").
class TCopyScopeDialog : public QDialog {
    Q_OBJECT
public:
    explicit TCopyScopeDialog(QWidget* parent = nullptr);
    bool AllGroups() const { return all_; }

private:
    bool all_ = false;
};

}  // namespace zavlin::entry::ui
