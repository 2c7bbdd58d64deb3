// "Объединения по предмету в группах": the chosen groups of the active weeks,
// their common subjects, the unions that could join them and the unions set.
// Every change goes into the year at once; the timetables are saved when the
// window closes.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "composition/union_choice.h"
#include "shell/ui/window_context.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace zavlin {
class TGod;
class TGryp;
}  // namespace zavlin

namespace zavlin::composition::ui {

using shell::ui::TWindowContext;

// "Не удалось сохранить объединения учебного года. Закрыть окно без сохранения?"
extern const char* const kUnionsNotSavedQuestion;

class TForm13 : public QDialog {
    Q_OBJECT
public:
    // Object names: "GroupsLabel", "GroupsButton", "SubjectList",
    // "PossibleList", "SetList", "SetButton", "DeleteButton", "CloseButton".
    explicit TForm13(TWindowContext& context, QWidget* parent = nullptr);
    ~TForm13() override;

    const std::vector<TGryp*>& Groups() const { return groups_; }
    const std::vector<int>& Weeks() const { return weeks_; }
    // Chooses the groups as "Группы" does (their Select flags follow).
    void SetGroups(const std::vector<TGryp*>& groups);
    QListWidget* Subjects() const { return subjects_; }
    QListWidget* Possible() const { return possible_; }
    QListWidget* SetList() const { return set_; }

    void done(int result) override;

private:
    TGod& god() const;
    void pickGroups();
    void fillSubjects();
    void fillPossible();
    void fillSet();
    void assign();
    void remove();
    void report(const TUnionOutcome& outcome);

    TWindowContext& context_;
    std::vector<TGryp*> groups_;
    std::vector<int> weeks_;
    std::vector<TUnionChoice> choices_;
    std::vector<TSetUnionLine> lines_;
    bool changed_ = false;

    QLabel* groupsLabel_ = nullptr;
    QListWidget* subjects_ = nullptr;
    QListWidget* possible_ = nullptr;
    QListWidget* set_ = nullptr;
};

}  // namespace zavlin::composition::ui
