#include "entry/ui/room_priority_window.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/my_dialog.h"
#include "entry/reference_checks.h"
#include "entry/ui/entry_widgets.h"
#include "entry/ui/entry_windows.h"
#include "entry/ui/teachers_window.h"
#include "model/god.h"
#include "model/room.h"
#include "shell/shell.h"
#include "shell/ui/hgrid.h"

namespace zavlin::entry::ui {

namespace {

constexpr int kHelpTopic = 20;
constexpr int kNameCol = 0;
constexpr int kFioCol = 1;
constexpr int kSpecCol = 2;

}  // namespace

TForm16::TForm16(TWindowContext& context, QWidget* parent)
    : QDialog(parent != nullptr ? parent : context.parent), context_(context) {
    setWindowTitle(QStringLiteral("Приоритет преподавателей"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    grid_ = new THGrid(this);
    grid_->setObjectName("Grid");
    for (const auto& ayd : year().LAyd) rooms_.push_back(ayd.get());
    grid_->SetColCount(3);
    grid_->SetRowCount(static_cast<int>(rooms_.size()) + 1);
    grid_->SetFixedRows(1);
    grid_->SetFixedCols(1);
    grid_->SetHCol({QStringLiteral("N аудит."), QStringLiteral("Преподаватели"),
                    QStringLiteral("Спец. аудит.")});
    grid_->SetColWidths(kNameCol, 90);
    grid_->SetColWidths(kFioCol, 520);
    grid_->SetColWidths(kSpecCol, 110);
    grid_->setRowSelect(true);
    for (int row = 1; row < grid_->RowCount(); ++row) fillRow(row);
    if (grid_->RowCount() > 1) grid_->MoveTo(kFioCol, 1);
    layout->addWidget(grid_, 1);

    auto* buttons = new QHBoxLayout;
    QPushButton* add = MakeButton(this, QStringLiteral("Добавить"), QStringLiteral("AddButton"));
    QPushButton* del = MakeButton(this, QStringLiteral("Удалить"), QStringLiteral("DeleteButton"));
    QPushButton* any = MakeButton(this, QStringLiteral("Любой преп."), QStringLiteral("AnyButton"));
    QPushButton* special =
        MakeButton(this, QStringLiteral("Спец. ауд"), QStringLiteral("SpecButton"));
    QPushButton* print = MakeButton(this, QStringLiteral("Печать"), QStringLiteral("PrintButton"));
    QPushButton* help = MakeButton(this, QStringLiteral("Справка"), QStringLiteral("HelpButton"));
    QPushButton* ok = MakeButton(this, QStringLiteral("OK"), QStringLiteral("OkButton"));
    for (QPushButton* b : {add, del, any, special, print, help}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    layout->addLayout(buttons);

    connect(add, &QPushButton::clicked, this, [this] { bind(true); });
    connect(del, &QPushButton::clicked, this, [this] { bind(false); });
    connect(any, &QPushButton::clicked, this, [this] { setSpecial(false); });
    connect(special, &QPushButton::clicked, this, [this] { setSpecial(true); });
    connect(print, &QPushButton::clicked, this,
            [this] { OpenOtherWindow(context_, "PrintTable", "Печать"); });
    connect(help, &QPushButton::clicked, this, [this] {
        if (context_.help) context_.help(kHelpTopic);
    });
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    resize(860, 560);
}

TForm16::~TForm16() = default;

TAllRasp& TForm16::year() const {
    return *context_.shell.God();
}

TAyd* TForm16::RoomOfRow(int row) const {
    if (row < 1 || row > static_cast<int>(rooms_.size())) return nullptr;
    return rooms_[static_cast<std::size_t>(row - 1)];
}

TAyd* TForm16::currentRoom() const {
    return RoomOfRow(grid_->Row());
}

void TForm16::fillRow(int row) {
    const TAyd* ayd = RoomOfRow(row);
    if (ayd == nullptr) return;
    grid_->SetCells(kNameCol, row, QString::fromStdString(ayd->Name()));
    grid_->SetCells(kFioCol, row, QString::fromStdString(ayd->AllFio()));
    // A special room shows nothing here: only its own teachers use it.
    grid_->SetCells(kSpecCol, row, ayd->SpecAyd() ? QString() : QStringLiteral("Любой"));
}

std::vector<TFio*> TForm16::pickTeachers() {
    TForm3 pick(context_, TListMode::PickMany, this);
    if (pick.exec() != QDialog::Accepted) return {};
    return pick.Picked();
}

void TForm16::bind(bool add) {
    TAyd* ayd = currentRoom();
    if (ayd == nullptr) return;
    const int row = grid_->Row();
    const std::vector<TFio*> picked = pickTeachers();
    if (picked.empty()) return;
    remember(*ayd);
    for (TFio* fio : picked) {
        if (add)
            ayd->AddFio(fio);
        else
            ayd->DelFio(fio);
    }
    ayd->modifi = true;
    fillRow(row);
}

void TForm16::setSpecial(bool special) {
    TAyd* ayd = currentRoom();
    if (ayd == nullptr || ayd->SpecAyd() == special) return;
    remember(*ayd);
    ayd->SetSpecAyd(special);
    ayd->modifi = true;
    fillRow(grid_->Row());
}

void TForm16::remember(const TAyd& ayd) {
    if (stored_.count(&ayd) != 0) return;
    Stored& s = stored_[&ayd];
    for (const TFio* fio : ayd.LFio) s.fio.push_back(fio->N);
    s.special = ayd.SpecAyd();
    s.modifi = ayd.modifi;
}

std::string TForm16::storeChanged() {
    std::string refused;
    // Storing sorts the year's rooms; the grid's own order is walked.
    for (std::size_t i = 0; i < rooms_.size(); ++i) {
        TAyd* ayd = rooms_[i];
        if (!ayd->modifi || year().AddAyd(ayd)) continue;
        // Memory goes back to the table, so nothing later writes what the
        // user was told is not saved.
        if (const auto it = stored_.find(ayd); it != stored_.end()) {
            ayd->DelAllFio();
            for (int n : it->second.fio) ayd->AddFio(year().FioNumer(n));
            ayd->SetSpecAyd(it->second.special);
            ayd->modifi = it->second.modifi;
            fillRow(static_cast<int>(i) + 1);
        }
        if (!refused.empty()) refused += ", ";
        refused += ayd->Name();
    }
    return refused;
}

void TForm16::done(int result) {
    if (const std::string refused = storeChanged(); !refused.empty())
        context_.dialog.MessageShow(
            "Не удалось записать изменение в базу данных. Не сохранены преподаватели "
            "аудиторий: " +
            refused + "; в них остались прежние.");
    stored_.clear();
    QDialog::done(result);
}

void RunRoomPriority(TWindowContext& context) {
    if (context.shell.God() == nullptr) return;
    TForm16 window(context);
    window.setWindowState(window.windowState() | Qt::WindowMaximized);
    window.exec();
}

}  // namespace zavlin::entry::ui
