// "Установка данных для нескольких групп": the second semester's start and
// the main study days of the groups selected in the calendar, each confirmed
// before it is set.
#pragma once

#include <QDialog>
#include <vector>

#include "model/group.h"
#include "shell/ui/window_context.h"

class QDateEdit;
class QListWidget;

namespace zavlin::entry::ui {

using shell::ui::TWindowContext;

class TForm12_2 : public QDialog {
    Q_OBJECT
public:
    // "DateEdit" with "DateButton" ("Изменить"), the checkable "DayList"
    // (Monday to Saturday) with "DaysButton" ("Изменить"), OK "OkButton".
    TForm12_2(TWindowContext& context, std::vector<TGryp*> groups, QWidget* parent = nullptr);

    // Something was set.
    bool Changed() const { return changed_; }

private:
    void setDate();
    void setDays();

    TWindowContext& context_;
    std::vector<TGryp*> groups_;
    QDateEdit* date_ = nullptr;
    QListWidget* days_ = nullptr;
    bool changed_ = false;
};

}  // namespace zavlin::entry::ui
