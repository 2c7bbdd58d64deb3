#include "shell/ui/splash.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

namespace zavlin::shell::ui {

TSplash::TSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Splash"));
    setFixedSize(460, 260);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TSplash::setStatus(const QString& text) {
    status_ = text;
    update();
}

void TSplash::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(0x1f, 0x3f, 0x7a));
    sky.setColorAt(1, QColor(0x4a, 0x7d, 0xc2));
    p.fillRect(rect(), sky);

    // A timetable grid in the corner: the program's trade at a glance.
    const QRect grid(width() - 150, 30, 120, 120);
    p.setPen(QPen(QColor(255, 255, 255, 140), 1));
    const QColor cells[] = {QColor(0xf2, 0xc1, 0x4e), QColor(0x7f, 0xd1, 0x8b),
                            QColor(0xf0, 0x8a, 0x7e)};
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 4; ++c) {
            const QRect cell(grid.left() + c * 30, grid.top() + r * 20, 30, 20);
            if ((r * 4 + c) % 3 != 1) p.fillRect(cell.adjusted(2, 2, -1, -1), cells[(r + c) % 3]);
            p.drawRect(cell);
        }

    p.setPen(Qt::white);
    QFont title = font();
    title.setPointSize(30);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(24, 40, width() - 190, 60), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Завлин 98"));
    QFont sub = font();
    sub.setPointSize(11);
    p.setFont(sub);
    p.drawText(QRect(26, 100, width() - 190, 50), Qt::AlignLeft | Qt::TextWordWrap,
               QStringLiteral("Составление расписания учебных занятий"));

    p.fillRect(QRect(0, height() - 40, width(), 40), QColor(0, 0, 0, 90));
    p.drawText(QRect(16, height() - 40, width() - 32, 40), Qt::AlignLeft | Qt::AlignVCenter,
               status_);
}

}  // namespace zavlin::shell::ui
