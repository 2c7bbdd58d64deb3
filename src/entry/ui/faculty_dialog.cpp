#include "entry/ui/faculty_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/my_dialog.h"
#include "entry/name_input.h"
#include "entry/ui/entry_widgets.h"
#include "entry/ui/russian_input.h"
#include "model/god.h"
#include "shell/shell.h"

namespace zavlin::entry::ui {

TForm2_2::TForm2_2(TWindowContext& context, std::vector<TGryp*> groups, QWidget* parent)
    : QDialog(parent), context_(context), god_(*context.shell.God()), groups_(std::move(groups)) {
    setWindowTitle(QStringLiteral("Добавление факультета"));

    list_ = new QListWidget(this);
    list_->setObjectName("FacultyList");
    list_->setSelectionMode(QAbstractItemView::NoSelection);
    for (const auto& [text, key] : god_.FakToListBoxN())
        list_->addItem(QString::fromStdString(text));

    name_ = new QLineEdit(QStringLiteral("Безимянный"), this);
    name_->setObjectName("NameEdit");
    TRussianInput::Attach(name_, context.dialog, TNameKind::Free, kFacultyNameChars);
    name_->selectAll();

    QPushButton* ok = nullptr;
    QDialogButtonBox* buttons = MakeOkCancel(this, &ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &TForm2_2::accept);

    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(QStringLiteral("Факультет :"), this));
    nameRow->addWidget(name_, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Список  существующих факультетов"), this));
    layout->addWidget(list_, 1);
    layout->addWidget(new QLabel(QStringLiteral("Запомнить список выделенных групп как "), this));
    layout->addLayout(nameRow);
    layout->addWidget(buttons);
    resize(440, 360);
}

bool TForm2_2::Store() {
    if (fak_ == nullptr && !storeFaculty()) return false;
    // Run again after a failure, only the missing memberships are written.
    for (TGryp* gr : groups_) {
        if (!god_.AddFakGryp(fak_, gr)) {
            context_.dialog.MessageShow("Факультет " + fak_->Name() + " записан, группу " +
                                        gr->Name() + " не удалось записать в факультет.");
            return false;
        }
    }
    return true;
}

bool TForm2_2::storeFaculty() {
    std::string name;
    std::string message;
    if (!prepareName(name_->text().toStdString(), kFacultyNameChars, name, message)) {
        context_.dialog.MessageShow(message);
        return false;
    }
    if (name.empty()) {
        context_.dialog.MessageShow("Введите название");
        return false;
    }
    // Two faculties of one name could not be told apart in the drop-down.
    for (const auto& fak : god_.LFak) {
        if (fak->Name() == name) {
            context_.dialog.MessageShow("Факультет с таким названием уже есть!");
            return false;
        }
    }
    auto made = std::make_unique<TFak>(static_cast<TSpisok*>(&god_));
    made->SetName(name);
    fak_ = god_.AddFak(std::move(made));
    if (fak_ == nullptr) {
        context_.dialog.MessageShow("Факультет не удалось записать в базу данных.");
        return false;
    }
    // Its name is stored: renaming it here would not reach the table.
    name_->setReadOnly(true);
    return true;
}

void TForm2_2::accept() {
    if (Store()) QDialog::accept();
}

}  // namespace zavlin::entry::ui
