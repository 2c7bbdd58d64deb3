#include "composition/ui/working_days_window.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "base/my_dialog.h"
#include "composition/teacher_inputs.h"
#include "composition/ui/composition_windows.h"
#include "composition/ui/working_days_dialog.h"
#include "entry/ui/entry_widgets.h"
#include "model/god.h"
#include "shell/shell.h"
#include "shell/ui/hgrid.h"

namespace zavlin::composition::ui {

TForm15::TForm15(TWindowContext& context, QWidget* parent) : QDialog(parent), context_(context) {
    setWindowTitle(QStringLiteral("Желательное количество рабочих дней"));
    resize(760, 620);
    auto* layout = new QVBoxLayout(this);
    for (const char* text : {"Необоснованное уменьшение  количества рабочих дней ухудшает "
                             "составляемое расписание",
                             "6 - для администрации", "5 - для обычных преподавателей"})
        layout->addWidget(new QLabel(QString::fromUtf8(text), this));

    if (const TGod* g = god())
        for (const auto& fio : g->LFio) teachers_.push_back(fio.get());
    grid_ = new THGrid(this);
    grid_->setObjectName(QStringLiteral("Grid"));
    grid_->SetColCount(3);
    grid_->SetRowCount(std::max<int>(2, static_cast<int>(teachers_.size()) + 1));
    grid_->SetFixedCols(1);
    grid_->SetFixedRows(1);
    grid_->SetColWidths(0, 48);
    grid_->SetColWidths(kNameCol, 420);
    grid_->SetColWidths(kDaysCol, 180);
    grid_->setRowSelect(true);
    grid_->SetHCol({QString(), QStringLiteral("Преподаватель"), QStringLiteral("Рабочих дней")});
    QStringList numbers;
    for (std::size_t i = 0; i < teachers_.size(); ++i) numbers << QString::number(i + 1);
    grid_->SetHRow(numbers);
    for (int i = 0; i < static_cast<int>(teachers_.size()); ++i) fillRow(TeacherRow(i));
    grid_->viewport()->installEventFilter(this);
    grid_->installEventFilter(this);
    layout->addWidget(grid_, 1);

    auto* bottom = new QHBoxLayout;
    layout->addLayout(bottom);
    bottom->addStretch(1);
    auto* close = entry::ui::MakeButton(this, QStringLiteral("Закрыть"),
                                        QStringLiteral("CloseButton"), bottom);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    AskDays = [this](int rd) {
        TForm15_1 dialog(rd, this);
        dialog.exec();
        return dialog.Rd;
    };
}

TForm15::~TForm15() = default;

TGod* TForm15::god() const {
    return context_.shell.God();
}

TFio* TForm15::TeacherAt(int row) const {
    const int indx = row - 1;
    return indx >= 0 && indx < static_cast<int>(teachers_.size())
               ? teachers_[static_cast<std::size_t>(indx)]
               : nullptr;
}

void TForm15::fillRow(int row) {
    const TFio* fio = TeacherAt(row);
    if (fio == nullptr) return;
    grid_->SetCells(kNameCol, row, QString::fromStdString(fio->BigName()));
    grid_->SetCells(kDaysCol, row, QString::fromStdString(RdayText(fio->Rday())));
}

void TForm15::ChooseDays(int row) {
    TFio* fio = TeacherAt(row);
    if (fio == nullptr || !AskDays) return;
    const int chosen = AskDays(fio->Rday());
    if (chosen == fio->Rday()) return;
    fio->SetRday(chosen);
    modified_.Mark(*fio);
    fillRow(row);
}

bool TForm15::eventFilter(QObject* object, QEvent* event) {
    if (object == grid_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        int col = 0;
        int row = 0;
        if (mouse->button() == Qt::LeftButton &&
            grid_->cellAt(mouse->position().toPoint(), col, row))
            ChooseDays(row);
    } else if (object == grid_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ChooseDays(grid_->Row());
            return true;
        }
    }
    return QDialog::eventFilter(object, event);
}

void TForm15::done(int result) {
    TGod* g = god();
    if (g != nullptr &&
        !StoreOrAskToClose(
            *g, modified_, context_.dialog,
            "Количество рабочих дней не удалось записать в базу данных для преподавателей:"))
        return;
    QDialog::done(result);
}

void RunWorkingDays(TWindowContext& context) {
    if (context.shell.God() == nullptr) return;
    TForm15 window(context, context.parent);
    window.exec();
}

}  // namespace zavlin::composition::ui
