#include <QObject>
#include <QTest>

class Placeholder : public QObject {
    Q_OBJECT
};

QTEST_MAIN(Placeholder)
#include "reference_windows_test.moc"
