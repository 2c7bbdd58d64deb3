#include "entry/ui/teacher_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/my_dialog.h"
#include "entry/name_input.h"
#include "entry/ui/entry_widgets.h"
#include "entry/ui/russian_input.h"
#include "model/god.h"
#include "shell/shell.h"

namespace zavlin::entry::ui {

namespace {

struct NameParts {
    std::string surname, name, patronymic;
};

// "Иванов Иван Иванович" or "Иванов И.И." into its three parts.
NameParts splitBigName(const std::string& big) {
    NameParts parts;
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < big.size()) {
        const std::size_t blank = big.find(' ', i);
        const std::size_t end = blank == std::string::npos ? big.size() : blank;
        if (end > i) words.push_back(big.substr(i, end - i));
        i = end + 1;
    }
    if (words.size() == 2 && words[1].find('.') != std::string::npos) {
        // Initials written with dots.
        const std::string initials = words[1];
        words.pop_back();
        std::size_t start = 0;
        while (start < initials.size()) {
            const std::size_t dot = initials.find('.', start);
            const std::size_t end = dot == std::string::npos ? initials.size() : dot;
            if (end > start) words.push_back(initials.substr(start, end - start));
            start = end + 1;
        }
    }
    if (!words.empty()) parts.surname = words[0];
    if (words.size() > 1) parts.name = words[1];
    for (std::size_t w = 2; w < words.size(); ++w)
        parts.patronymic += (w > 2 ? " " : "") + words[w];
    return parts;
}

QLineEdit* nameEdit(QWidget* parent, const char* objectName, const std::string& text) {
    auto* edit = new QLineEdit(QString::fromStdString(text), parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    return edit;
}

}  // namespace

TForm3_1::TForm3_1(TWindowContext& context, TFio* fio, QWidget* parent)
    : QDialog(parent), context_(context), god_(*context.shell.God()), fio_(fio) {
    setWindowTitle(QStringLiteral("Ввод фамилии преподавателя"));
    const NameParts parts = fio != nullptr ? splitBigName(fio->BigName()) : NameParts{};

    surname_ = nameEdit(this, "SurnameEdit", parts.surname);
    name_ = nameEdit(this, "NameEdit", parts.name);
    patronymic_ = nameEdit(this, "PatronymicEdit", parts.patronymic);
    for (QLineEdit* edit : {surname_, name_, patronymic_})
        TRussianInput::Attach(edit, context.dialog, TNameKind::Person, kTeacherNameChars);
    position_ = nameEdit(this, "PositionEdit", fio != nullptr ? fio->Dolg() : std::string());
    position_->setMaxLength(static_cast<int>(kPositionChars));
    days_ = new QSpinBox(this);
    days_->setObjectName("DaysSpin");
    days_->setRange(1, kDays);
    days_->setValue(fio != nullptr ? fio->Rday() : TFio::kDefaultRday);

    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    for (QLineEdit* edit : {surname_, name_, patronymic_, position_}) edit->setMinimumWidth(240);
    int row = 0;
    auto addRow = [&](const QString& label, QWidget* field, const QString& hint) {
        grid->addWidget(new QLabel(label, this), row, 0);
        grid->addWidget(field, row, 1, field == days_ ? Qt::AlignLeft : Qt::Alignment());
        grid->addWidget(new QLabel(hint, this), row, 2);
        ++row;
    };
    const QString oneLetter = QStringLiteral("(можно одну букву)");
    addRow(QStringLiteral("Фамилия"), surname_, QString());
    addRow(QStringLiteral("Имя "), name_, oneLetter);
    addRow(QStringLiteral("Отчество"), patronymic_, oneLetter);
    addRow(QStringLiteral("Должность"), position_, QStringLiteral("(не обязательно)"));
    addRow(QStringLiteral("Желательное количество рабочих дней"), days_,
           QStringLiteral("5 - для обычных преподавателей\n6 - для администрации"));

    QPushButton* ok = nullptr;
    QDialogButtonBox* buttons = MakeOkCancel(this, &ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &TForm3_1::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
}

bool TForm3_1::Store() {
    std::string surname;
    std::string name;
    std::string patronymic;
    std::string position;
    std::string message;
    for (auto [edit, out, limit] : {std::tuple{surname_, &surname, kTeacherNameChars},
                                    std::tuple{name_, &name, kTeacherNameChars},
                                    std::tuple{patronymic_, &patronymic, kTeacherNameChars},
                                    std::tuple{position_, &position, kPositionChars}}) {
        if (!prepareName(edit->text().toStdString(), limit, *out, message)) {
            context_.dialog.MessageShow(message);
            return false;
        }
    }
    if (surname.empty()) {
        context_.dialog.MessageShow("Введите фамилию!");
        return false;
    }
    if (name.empty()) {
        context_.dialog.MessageShow("Введите имя!");
        return false;
    }
    if (patronymic.empty()) {
        context_.dialog.MessageShow("Введите отчество!");
        return false;
    }
    // The whole name is cut at its field, never inside a letter.
    const std::string big = fitToLimit(surname + " " + name + " " + patronymic, kTeacherNameChars);
    if (TFio* same = god_.FindFioForBigName(big); same != nullptr && same != fio_) {
        context_.dialog.MessageShow("Повтор фамилии!");
        return false;
    }
    if (fio_ == nullptr) {
        auto made = std::make_unique<TFio>();
        made->SetBigName(big);
        made->SetDolg(position);
        made->SetRday(days_->value());
        TFio* stored = god_.AddFio(std::move(made));
        if (stored == nullptr) {
            context_.dialog.MessageShow("Преподавателя не удалось записать в базу данных.");
            return false;
        }
        fio_ = stored;
        return true;
    }
    const std::string oldBig = fio_->BigName();
    const std::string oldPosition = fio_->Dolg();
    const int oldDays = fio_->Rday();
    fio_->SetBigName(big);
    fio_->SetDolg(position);
    fio_->SetRday(days_->value());
    if (!god_.AddFio(fio_)) {
        fio_->SetBigName(oldBig);
        fio_->SetDolg(oldPosition);
        fio_->SetRday(oldDays);
        context_.dialog.MessageShow("Преподавателя не удалось записать в базу данных.");
        return false;
    }
    return true;
}

void TForm3_1::accept() {
    if (Store()) QDialog::accept();
}

}  // namespace zavlin::entry::ui
