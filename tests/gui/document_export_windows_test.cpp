// Placeholder until the windows are built: the opener knows its windows.
#include <QTest>

#include "export/ui/export_windows.h"
#include "entry_fixture.h"

class DocumentExportWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void opens() {}
};

QTEST_MAIN(DocumentExportWindowsTest)
#include "document_export_windows_test.moc"
