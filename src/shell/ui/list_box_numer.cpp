#include "shell/ui/list_box_numer.h"

#include <algorithm>

namespace zavlin::shell::ui {

namespace {
constexpr int kKeyRole = Qt::UserRole;
}

TListBoxNumer::TListBoxNumer(QWidget* parent) : QListWidget(parent) {}

void TListBoxNumer::Add(const std::string& str0, int n) {
    Insert(str0, n, count());
}

void TListBoxNumer::Insert(const std::string& str0, int n, int indx) {
    auto* item = new QListWidgetItem(QString::fromStdString(str0));
    item->setData(kKeyRole, n);
    insertItem(std::clamp(indx, 0, count()), item);
}

void TListBoxNumer::Delete(int indx) {
    if (indx < 0 || indx >= count()) return;
    delete takeItem(indx);
}

void TListBoxNumer::Clear() {
    clear();
}

int TListBoxNumer::GetNumer(int n) const {
    const QListWidgetItem* it = item(n);
    return it != nullptr ? it->data(kKeyRole).toInt() : -1;
}

int TListBoxNumer::GetNumer() const {
    return GetNumer(currentRow());
}

int TListBoxNumer::Find(const std::string& str0) const {
    const QString text = QString::fromStdString(str0);
    for (int i = 0; i < count(); ++i)
        if (item(i)->text() == text) return i;
    return -1;
}

TComboBoxNumer::TComboBoxNumer(QWidget* parent) : QComboBox(parent) {}

void TComboBoxNumer::Add(const std::string& str0, int n) {
    Insert(str0, n, count());
}

void TComboBoxNumer::Insert(const std::string& str0, int n, int indx) {
    insertItem(std::clamp(indx, 0, count()), QString::fromStdString(str0), n);
}

void TComboBoxNumer::Delete(int indx) {
    if (indx < 0 || indx >= count()) return;
    removeItem(indx);
}

void TComboBoxNumer::Clear() {
    clear();
}

int TComboBoxNumer::GetNumer(int n) const {
    if (n < 0 || n >= count()) return -1;
    return itemData(n).toInt();
}

int TComboBoxNumer::GetNumer() const {
    return GetNumer(currentIndex());
}

int TComboBoxNumer::Find(const std::string& str0) const {
    return findText(QString::fromStdString(str0), Qt::MatchExactly);
}

}  // namespace zavlin::shell::ui
