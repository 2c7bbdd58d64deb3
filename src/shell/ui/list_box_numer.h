// Lists that pair each shown text with an integer key (years keyed by the
// year, weeks by their number 1..56, the entries of the data-entry windows).
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <string>

namespace zavlin::shell::ui {

class TListBoxNumer : public QListWidget {
    Q_OBJECT
public:
    explicit TListBoxNumer(QWidget* parent = nullptr);

    void Add(const std::string& str0, int n);
    // Before the item at indx; at the end when indx is past it.
    void Insert(const std::string& str0, int n, int indx);
    void Delete(int indx);
    void Clear();
    // The key of item n; -1 when there is no such item.
    int GetNumer(int n) const;
    // The key of the current item; -1 when none.
    int GetNumer() const;
    // The index of the first item with that text; -1 when none.
    int Find(const std::string& str0) const;
};

class TComboBoxNumer : public QComboBox {
    Q_OBJECT
public:
    explicit TComboBoxNumer(QWidget* parent = nullptr);

    void Add(const std::string& str0, int n);
    void Insert(const std::string& str0, int n, int indx);
    void Delete(int indx);
    void Clear();
    int GetNumer(int n) const;
    int GetNumer() const;
    int Find(const std::string& str0) const;
};

}  // namespace zavlin::shell::ui
