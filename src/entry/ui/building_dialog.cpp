#include "entry/ui/building_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/my_dialog.h"
#include "entry/name_input.h"
#include "entry/reference_checks.h"
#include "entry/ui/entry_widgets.h"
#include "model/building.h"
#include "model/year.h"

namespace zavlin::entry::ui {

TForm6_1::TForm6_1(TAllRasp& year, TMyDialog& dialog, TDom* dom, QWidget* parent)
    : QDialog(parent), year_(year), dialog_(dialog), dom_(dom) {
    setWindowTitle(QStringLiteral("Ввод  названия здания"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    name_ = new QLineEdit(this);
    name_->setObjectName("NameEdit");
    name_->setMaxLength(static_cast<int>(kBuildingNameChars));
    layout->addWidget(name_);
    layout->addWidget(new QLabel(QStringLiteral("Цвет шрифта в редакторе для аудиторий"), this));
    color_ = new QComboBox(this);
    color_->setObjectName("ColorBox");
    for (int i = 0; i < kDomColorCount; ++i) {
        QPixmap swatch(48, 14);
        swatch.fill(QColor::fromRgb(DomColorRgb(i)));
        color_->addItem(QIcon(swatch), QString::number(i + 1));
    }
    color_->setIconSize(QSize(48, 14));
    layout->addWidget(color_);
    QPushButton* ok = nullptr;
    QDialogButtonBox* buttons = MakeOkCancel(this, &ok);
    layout->addWidget(buttons);
    connect(ok, &QPushButton::clicked, this, [this] { onOk(); });
    if (dom_ != nullptr) {
        name_->setText(QString::fromStdString(dom_->Name()));
        color_->setCurrentIndex(dom_->ColorFont < kDomColorCount ? dom_->ColorFont : 0);
    }
    resize(420, sizeHint().height());
}

void TForm6_1::onOk() {
    std::string name;
    std::string message;
    if (!prepareName(name_->text().toStdString(), kBuildingNameChars, name, message)) {
        dialog_.MessageShow(message);
        return;
    }
    if (TRefusal refused = CheckDomName(year_, dom_, name)) {
        dialog_.MessageShow(*refused);
        return;
    }
    const auto color = static_cast<uint8_t>(std::max(0, color_->currentIndex()));
    if (dom_ == nullptr) {
        TDom* created = year_.CreateDom(name);
        created->ColorFont = color;
        if (!year_.AddDom(created)) {
            std::erase_if(year_.LDom, [&](const auto& dom) { return dom.get() == created; });
            dialog_.MessageShow(kNotStoredMessage);
            return;
        }
        dom_ = created;
    } else {
        const std::string oldName = dom_->Name();
        const uint8_t oldColor = dom_->ColorFont;
        dom_->SetName(name);
        dom_->ColorFont = color;
        if (!year_.AddDom(dom_)) {
            dom_->SetName(oldName);
            dom_->ColorFont = oldColor;
            dialog_.MessageShow(kNotStoredMessage);
            return;
        }
    }
    accept();
}

}  // namespace zavlin::entry::ui
