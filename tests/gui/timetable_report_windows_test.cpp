// Placeholder until the windows are built: the opener knows its windows.
#include <QTest>

#include "reports/ui/report_windows.h"
#include "entry_fixture.h"

class TimetableReportWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void opens() {}
};

QTEST_MAIN(TimetableReportWindowsTest)
#include "timetable_report_windows_test.moc"
