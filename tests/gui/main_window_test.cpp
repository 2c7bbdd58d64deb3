#include <QtTest>
class Placeholder : public QObject {
    Q_OBJECT
};
int main() { return 0; }
#include "main_window_test.moc"
