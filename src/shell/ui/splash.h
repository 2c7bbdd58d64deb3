// The borderless window shown while the program starts: a drawn picture with
// the program's name and a status line the loading steps write into.
#pragma once

#include <QString>
#include <QWidget>

namespace zavlin::shell::ui {

class TSplash : public QWidget {
    Q_OBJECT
public:
    explicit TSplash(QWidget* parent = nullptr);
    QString status() const { return status_; }

public slots:
    void setStatus(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString status_;
};

}  // namespace zavlin::shell::ui
