#include "entry/ui/lesson_times_window.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/my_dialog.h"
#include "entry/lesson_time_text.h"
#include "entry/ui/entry_widgets.h"
#include "entry/ui/entry_windows.h"
#include "model/god.h"
#include "shell/shell.h"
#include "shell/ui/hgrid.h"

namespace zavlin::entry::ui {

namespace {

constexpr int kStartCol = 1;
constexpr int kLengthCol = 2;

}  // namespace

TForm1_0::TForm1_0(TWindowContext& context, QWidget* parent) : QDialog(parent), context_(context) {
    setObjectName(QStringLiteral("Form1_0"));
    setWindowTitle(QStringLiteral("Время проведения уроков"));
    grid_ = new THGrid(this);
    grid_->setObjectName(QStringLiteral("Grid"));
    grid_->SetColCount(3);
    grid_->SetRowCount(kLessonPeriods + 1);
    grid_->SetFixedCols(1);
    grid_->SetFixedRows(1);
    grid_->SetColWidths(0, 150);
    grid_->SetColWidths(kStartCol, 90);
    grid_->SetColWidths(kLengthCol, 140);
    grid_->SetHCol({QStringLiteral("Номер занятия(пары)"), QStringLiteral("Начало"),
                    QStringLiteral("Продолжительность")});
    grid_->setEditable(true);
    // The editor exists once opened; it is the grid's one editor for every
    // cell, so the mask set here holds for both columns. Optional hour digit,
    // required digits after it, the colon kept; what the mask leaves blank is
    // checked on OK with the row's number.
    grid_->MoveTo(kStartCol, 1);
    grid_->ShowEditor();
    if (QLineEdit* editor = grid_->editor()) {
        editor->setInputMask(QStringLiteral("09:99"));
        editor->installEventFilter(this);
    }
    grid_->cancelEdit();

    QPushButton* ok = nullptr;
    QDialogButtonBox* buttons = MakeOkCancel(this, &ok);
    // Enter belongs to the grid's editor, not to OK.
    ok->setDefault(false);
    for (QAbstractButton* b : buttons->buttons())
        if (auto* push = qobject_cast<QPushButton*>(b)) push->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &TForm1_0::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid_);
    layout->addWidget(buttons);
    resize(460, 420);
    fill();
}

void TForm1_0::fill() {
    TAllGod* allGod = context_.shell.AllGod();
    for (int i = 0; i < kLessonPeriods; ++i) {
        grid_->SetCells(0, i + 1, QString::number(i));
        if (allGod == nullptr) continue;
        const TTaimYrok& t = allGod->GetTimeYrok(i);
        grid_->SetCells(kStartCol, i + 1, QString::fromStdString(t.TnText()));
        grid_->SetCells(kLengthCol, i + 1, QString::fromStdString(t.TdText()));
    }
}

bool TForm1_0::eventFilter(QObject* watched, QEvent* event) {
    // The grid opens its editor on the first key typed with the cursor at the
    // end, where a mask takes nothing more: the next key goes on after the
    // last digit typed instead.
    QLineEdit* editor = grid_->editor();
    if (watched == editor && event->type() == QEvent::KeyPress &&
        !static_cast<QKeyEvent*>(event)->text().isEmpty() && !editor->hasSelectedText()) {
        const QString shown = editor->displayText();
        if (editor->cursorPosition() == shown.size()) {
            int last = static_cast<int>(shown.size()) - 1;
            while (last >= 0 && !shown.at(last).isDigit()) --last;
            editor->setCursorPosition(last + 1);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm1_0::accept() {
    // A text still in the editor counts as typed.
    if (grid_->EditorMode() && !grid_->commitEdit()) return;
    std::array<TLessonTimeText, kLessonPeriods> rows;
    for (int i = 0; i < kLessonPeriods; ++i)
        rows[static_cast<std::size_t>(i)] = {grid_->Cells(kStartCol, i + 1).toStdString(),
                                             grid_->Cells(kLengthCol, i + 1).toStdString()};
    std::array<TTaimYrok, kLessonPeriods> times;
    std::string message;
    if (!parseLessonTimes(rows, times, message)) {
        context_.dialog.MessageShow(message);
        return;
    }
    TAllGod* allGod = context_.shell.AllGod();
    if (allGod == nullptr) {
        QDialog::reject();
        return;
    }
    const auto old = allGod->Lt;
    allGod->Lt = times;
    if (!allGod->SaveTimeYrok()) {
        // What the file does not hold is not what the program works with.
        allGod->Lt = old;
        if (TGod* god = allGod->God()) god->TaimYrok = old;
        context_.dialog.MessageShow("Не удалось записать время уроков в god.Ini");
        return;
    }
    QDialog::accept();
}

void RunLessonTimes(TWindowContext& context) {
    TForm1_0 window(context, context.parent);
    window.exec();
}

}  // namespace zavlin::entry::ui

// The window's meta-object code compiles with it.
#include "moc_lesson_times_window.cpp"
