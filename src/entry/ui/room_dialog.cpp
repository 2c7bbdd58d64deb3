#include "entry/ui/room_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <limits>

#include "base/my_dialog.h"
#include "entry/name_input.h"
#include "entry/reference_checks.h"
#include "entry/ui/entry_widgets.h"
#include "model/building.h"
#include "model/room.h"
#include "model/year.h"
#include "shell/ui/list_box_numer.h"

namespace zavlin::entry::ui {

TForm7_1::TForm7_1(TAllRasp& year, TMyDialog& dialog, TAyd* ayd, QWidget* parent)
    : QDialog(parent), year_(year), dialog_(dialog), ayd_(ayd) {
    setWindowTitle(QStringLiteral("Аудитория"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Название"), this), 0, 0);
    name_ = new QLineEdit(this);
    name_->setObjectName("NameEdit");
    name_->setMaxLength(static_cast<int>(kRoomNameChars));
    grid->addWidget(name_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Количество посадочных мест"), this), 1, 0);
    seats_ = new QSpinBox(this);
    seats_->setObjectName("SeatsSpin");
    seats_->setRange(0, std::numeric_limits<uint16_t>::max());
    grid->addWidget(seats_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("(0 - без ограничений )"), this), 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Здание"), this), 2, 0);
    dom_ = new shell::ui::TComboBoxNumer(this);
    dom_->setObjectName("DomBox");
    for (const auto& [text, key] : year_.DomToComboBoxN()) dom_->Add(text, key);
    grid->addWidget(dom_, 2, 1, 1, 2);
    layout->addLayout(grid);
    QPushButton* ok = nullptr;
    QDialogButtonBox* buttons = MakeOkCancel(this, &ok);
    layout->addWidget(buttons);
    connect(ok, &QPushButton::clicked, this, [this] { onOk(); });

    // Among several buildings none is preset: a room filed under a default
    // nobody read would go unnoticed.
    int domIndex = dom_->count() == 1 ? 0 : -1;
    if (ayd_ != nullptr) {
        name_->setText(QString::fromStdString(ayd_->Name()));
        seats_->setValue(ayd_->kv);
        domIndex = -1;
        for (int i = 0; i < dom_->count(); ++i)
            if (ayd_->Dom() != nullptr && dom_->GetNumer(i) == ayd_->Dom()->N) domIndex = i;
    }
    dom_->setCurrentIndex(domIndex);
    resize(420, sizeHint().height());
}

void TForm7_1::onOk() {
    TDom* dom = dom_->currentIndex() >= 0 ? year_.DomNumer(dom_->GetNumer()) : nullptr;
    std::string name;
    std::string message;
    if (!prepareName(name_->text().toStdString(), kRoomNameChars, name, message)) {
        dialog_.MessageShow(message);
        return;
    }
    if (TRefusal refused = CheckAyd(year_, ayd_, dom, name)) {
        dialog_.MessageShow(*refused);
        return;
    }
    const auto seats = static_cast<uint16_t>(seats_->value());
    if (ayd_ == nullptr) {
        TAyd* created = year_.CreateAyd(dom, name);
        created->kv = seats;
        if (!year_.AddAyd(created)) {
            std::erase_if(year_.LAyd, [&](const auto& ayd) { return ayd.get() == created; });
            dialog_.MessageShow(kNotStoredMessage);
            return;
        }
        ayd_ = created;
    } else {
        const std::string oldName = ayd_->Name();
        const uint16_t oldSeats = ayd_->kv;
        TDom* oldDom = ayd_->Dom();
        ayd_->SetName(name);
        ayd_->kv = seats;
        ayd_->SetDom(dom);
        if (!year_.AddAyd(ayd_)) {
            ayd_->SetName(oldName);
            ayd_->kv = oldSeats;
            ayd_->SetDom(oldDom);
            dialog_.MessageShow(kNotStoredMessage);
            return;
        }
    }
    accept();
}

}  // namespace zavlin::entry::ui
