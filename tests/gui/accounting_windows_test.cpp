// Placeholder until the windows are built: the opener knows its windows.
#include <QTest>

#include "reports/ui/report_windows.h"
#include "entry_fixture.h"

class AccountingWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void opens() {}
};

QTEST_MAIN(AccountingWindowsTest)
#include "accounting_windows_test.moc"
