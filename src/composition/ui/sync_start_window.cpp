#include "composition/ui/sync_start_window.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/my_dialog.h"
#include "composition/ui/compose_start_window.h"
#include "composition/ui/composition_windows.h"
#include "composition/ui/progress_window.h"
#include "composition/ui/week_compare_window.h"
#include "composition/week_compare.h"
#include "entry/ui/entry_widgets.h"
#include "model/god.h"
#include "shell/shell.h"
#include "shell/ui/list_box_numer.h"

namespace zavlin::composition::ui {

namespace {

constexpr int kDefaultBaseWeek = 52;
const char* const kCaption = "Подтверждение";

}  // namespace

TBaseWeekDialog::TBaseWeekDialog(TWindowContext& context, int current, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("BaseWeek"));
    setWindowTitle(QStringLiteral("Базовая неделя"));
    list_ = new shell::ui::TListBoxNumer(this);
    list_->setObjectName(QStringLiteral("ListBoxN"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    if (const TGod* god = context.shell.God(); god != nullptr)
        for (const auto& [text, ne] : god->AllNed.DateGodToListBoxN()) list_->Add(text, ne);
    for (int i = 0; i < list_->count(); ++i) {
        if (list_->GetNumer(i) != current) continue;
        list_->setCurrentRow(i);
        list_->scrollToItem(list_->item(i), QAbstractItemView::PositionAtCenter);
        break;
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    QPushButton* ok = nullptr;
    layout->addWidget(entry::ui::MakeOkCancel(this, &ok));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    resize(360, 520);
}

int TBaseWeekDialog::Week() const {
    const QList<QListWidgetItem*> chosen = list_->selectedItems();
    return chosen.isEmpty() ? 0 : list_->GetNumer(list_->row(chosen.front()));
}

TForm30::TForm30(TWindowContext& context, QWidget* parent)
    : TStartWindow(context, QStringLiteral("Сихронизация расписания."), parent) {
    setObjectName(QStringLiteral("Form30"));
    auto* layout = new QVBoxLayout(this);

    auto* baseLabel = new QLabel(
        QStringLiteral("Базова неделя (неделя образец  для составления расписания)"), this);
    baseLabel->setObjectName(QStringLiteral("BaseWeekLabel"));
    layout->addWidget(baseLabel);
    auto* baseRow = new QHBoxLayout;
    base_ = new QLineEdit(this);
    base_->setObjectName(QStringLiteral("BaseWeekEdit"));
    base_->setReadOnly(true);
    baseRow->addWidget(base_, 1);
    QPushButton* baseButton = entry::ui::MakeButton(this, QStringLiteral("Изменить"),
                                                    QStringLiteral("BaseWeekButton"), baseRow);
    layout->addLayout(baseRow);
    connect(baseButton, &QPushButton::clicked, this, [this] { BaseWeekClick(); });

    addLists(layout, QStringLiteral("Синхронизируемые (активные) недели"));
    addStartRow(layout);
    resize(560, 520);
    Refresh();
}

TForm30::~TForm30() = default;

void TForm30::SetSinxrNed(int week) {
    sinxrNed_ = week >= 1 && week <= kCalendarWeeks ? week : 0;
    Refresh();
}

void TForm30::Refresh() {
    TStartWindow::Refresh();
    const TGod* god = context_.shell.God();
    if (god == nullptr) return;
    QString baseText;
    for (const auto& [text, ne] : god->AllNed.DateGodToListBoxN())
        if (ne == sinxrNed_) baseText = QString::fromStdString(text);
    base_->setText(baseText);
}

void TForm30::BaseWeekClick() {
    TBaseWeekDialog dialog(context_, sinxrNed_ > 0 ? sinxrNed_ : kDefaultBaseWeek, this);
    if (dialog.exec() != QDialog::Accepted || dialog.Week() == 0) return;
    SetSinxrNed(dialog.Week());
}

bool TForm30::offerUnions() {
    TGod& god = *context_.shell.God();
    if (god.GetLOb(sinxrNed_).empty()) return true;
    // Unreadable groups are left out of every run, not by the user's
    // choice: the readable ones all selected count as all groups.
    const int readable = god.CountGryp() - static_cast<int>(god.UnreadableGryp().size());
    if (god.CountSelectGryp() != readable)
        return context_.dialog.MessageDlg(
            "Установка объединений по аналогии с базовой неделей происходит автоматически "
            "только при выборе всех групп  Продолжать  синхронизацию?",
            kCaption);
    if (context_.dialog.MessageDlg(
            "Установить объединения на синхронизируемые недели аналогичные базовой неделе? "
            "Внимание! Все ваши установленные объединения отличные от объединений базовой "
            "недели будут удалены",
            kCaption)) {
        for (int ne = 1; ne <= kCalendarWeeks; ++ne)
            if (ne != sinxrNed_ && god.AllNed.DNed(ne)->Activ) god.CopyOb(sinxrNed_, ne);
    }
    return true;
}

void TForm30::BitBtn2Click() {
    TGod* god = context_.shell.God();
    if (god == nullptr) return;
    if (sinxrNed_ == 0) {
        context_.dialog.MessageShow("Выберите базовую неделю");
        return;
    }
    if (!groupsReady()) return;
    if (const auto differences = CompareWithBaseWeek(*god, sinxrNed_); !differences.empty()) {
        std::vector<std::string> lines;
        lines.reserve(differences.size());
        for (const TWeekDifference& d : differences) lines.push_back(WeekDifferenceText(*god, d));
        TWeekCompareWindow compare(lines, this);
        if (compare.exec() != QDialog::Accepted) return;
    }
    if (!context_.dialog.MessageDlg(
            "Синхронизировать расписание? Старое расписание для выбранных групп будет уничтожено!",
            kCaption))
        return;
    if (!offerUnions()) return;
    // The run writes its kind and base week into the year when it opens.
    TSosStart start;
    start.TipSostRasp = 2;
    start.SinxrNed = static_cast<uint8_t>(sinxrNed_);
    start.SostRaspYes = context_.dialog.MessageDlg(
        "Назначать предметы часы которых на синхронизируемой неделе превышают часы базовой "
        "недели?",
        kCaption);
    run(start);
}

bool RunSyncStart(TWindowContext& context) {
    if (context.shell.God() == nullptr) return false;
    TForm30 window(context, context.parent);
    return window.exec() == QDialog::Accepted;
}

}  // namespace zavlin::composition::ui

#include "moc_sync_start_window.cpp"
