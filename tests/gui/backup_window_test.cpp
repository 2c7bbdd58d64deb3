#include <QtTest>
class Placeholder : public QObject {
    Q_OBJECT
};
int main() { return 0; }
#include "backup_window_test.moc"
