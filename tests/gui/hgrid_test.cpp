// THGrid driven through its real widget on the offscreen platform; drawing is
// checked on the pixels of a grab, where the ink of the text lands.
#include "shell/ui/hgrid.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>
#include <climits>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

#include "screenshot.h"

using zavlin::THGrid;
using zavlin::TMyObj;

namespace {

// Extent of the ink (pixels unlike the background) inside a rectangle.
struct Ink {
    int left = INT_MAX;
    int right = -1;
    int top = INT_MAX;
    int bottom = -1;
    bool empty() const { return right < 0; }
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    double centreX() const { return (left + right) / 2.0; }
};

bool isInk(QRgb pixel, QRgb background) {
    const int d = std::abs(qRed(pixel) - qRed(background)) +
                  std::abs(qGreen(pixel) - qGreen(background)) +
                  std::abs(qBlue(pixel) - qBlue(background));
    return d > 90;
}

Ink inkIn(const QImage& image, const QRect& rect, const QColor& background) {
    Ink ink;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        for (int x = rect.left(); x <= rect.right(); ++x) {
            if (!isInk(image.pixel(x, y), background.rgb())) continue;
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
        }
    }
    return ink;
}

// Runs of rows holding ink, top to bottom.
std::vector<QRect> inkBands(const QImage& image, const QRect& rect, const QColor& background) {
    std::vector<QRect> bands;
    int start = -1;
    for (int y = rect.top(); y <= rect.bottom() + 1; ++y) {
        const bool ink = y <= rect.bottom() &&
                         !inkIn(image, QRect(rect.left(), y, rect.width(), 1), background).empty();
        if (ink && start < 0) start = y;
        if (!ink && start >= 0) {
            bands.push_back(QRect(rect.left(), start, rect.width(), y - start));
            start = -1;
        }
    }
    return bands;
}

// Colours the tests can tell apart.
const QColor kFixed(220, 220, 255);
const QColor kFrame(0, 0, 0);
const QColor kGridLine(128, 0, 0);

}  // namespace

class HGridTest : public QObject {
    Q_OBJECT

private:
    // A grid with a known font and palette (the test colours unless asked
    // for the real ones), shown and active on the offscreen screen.
    [[nodiscard]] bool prepare(THGrid& grid, QSize size = QSize(640, 400),
                               bool testColours = true) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(12);
        grid.setFont(font);
        if (testColours) {
            QPalette pal = grid.palette();
            pal.setColor(QPalette::WindowText, kFrame);
            pal.setColor(QPalette::ButtonText, kFrame);
            pal.setColor(QPalette::Text, kFrame);
            pal.setColor(QPalette::Base, QColor(Qt::white));
            pal.setColor(QPalette::Dark, kGridLine);
            pal.setColor(QPalette::Mid, QColor(192, 192, 192));
            grid.setPalette(pal);
            grid.setFixedColor(kFixed);
        }
        grid.resize(size);
        grid.show();
        if (!QTest::qWaitForWindowExposed(&grid)) return false;
        grid.activateWindow();
        return QTest::qWaitForWindowActive(&grid);
    }

    static QImage picture(THGrid& grid) { return grid.viewport()->grab().toImage(); }

private slots:
    // Header lists write the header cells; columns past the list stay empty
    // and HColVert is exactly as long as HCol.
    void headerListsWriteHeaderCells() {
        THGrid grid;
        QCOMPARE(grid.FixedCols(), 1);
        QCOMPARE(grid.FixedRows(), 1);
        grid.SetColCount(5);
        grid.SetRowCount(4);
        grid.SetCells(4, 0, QStringLiteral("stale"));
        grid.SetHCol({QStringLiteral("Группа"), QStringLiteral("Пн"), QStringLiteral("Вт")});
        QCOMPARE(grid.Cells(0, 0), QStringLiteral("Группа"));
        QCOMPARE(grid.Cells(2, 0), QStringLiteral("Вт"));
        QCOMPARE(grid.Cells(3, 0), QString());
        QCOMPARE(grid.Cells(4, 0), QString());
        QCOMPARE(grid.HColVert(),
                 QStringList({QStringLiteral("V-FALSE=Группа"), QStringLiteral("V-FALSE=Пн"),
                              QStringLiteral("V-FALSE=Вт")}));

        grid.SetHRow({QStringLiteral("ИС-11"), QStringLiteral("ПК-21")});
        QCOMPARE(grid.Cells(0, 1), QStringLiteral("ИС-11"));
        QCOMPARE(grid.Cells(0, 2), QStringLiteral("ПК-21"));
        QCOMPARE(grid.Cells(0, 3), QString());
        QCOMPARE(grid.Cells(0, 0), QStringLiteral("Группа"));

        // Columns and rows added later take their headers from the lists.
        grid.SetHCol({"a", "b", "c", "d", "e", "f"});
        grid.SetColCount(6);
        QCOMPARE(grid.Cells(5, 0), QStringLiteral("f"));
        grid.SetHRow({"r1", "r2", "r3", "r4"});
        grid.SetRowCount(5);
        QCOMPARE(grid.Cells(0, 4), QStringLiteral("r4"));

        // Clear empties the contents, the headers stay.
        grid.SetCells(2, 2, QStringLiteral("36"));
        grid.Clear();
        QCOMPARE(grid.Cells(2, 2), QString());
        QCOMPARE(grid.Cells(1, 0), QStringLiteral("b"));
        QCOMPARE(grid.Cells(0, 1), QStringLiteral("r1"));

        // Cells outside the grid read empty and ignore writes.
        grid.SetCells(6, 1, QStringLiteral("x"));
        grid.SetCells(-1, 1, QStringLiteral("x"));
        QCOMPARE(grid.Cells(6, 1), QString());
        QCOMPARE(grid.Cells(1, -1), QString());
    }

    // The vertical flags stay with their columns while the texts follow HCol;
    // missing items are added horizontal, surplus ones dropped.
    void hColVertFollowsHCol() {
        THGrid grid;
        grid.SetHCol({"A", "B", "C"});
        grid.SetHColVert({"V-TRUE=old", "V-FALSE=", "V-TRUE=C", "V-TRUE=surplus"});
        QCOMPARE(grid.HColVert(), QStringList({"V-TRUE=A", "V-FALSE=B", "V-TRUE=C"}));
        QVERIFY(grid.colVertical(0));
        QVERIFY(!grid.colVertical(1));

        grid.SetHCol({"A2", "B2", "C2", "D2"});
        QCOMPARE(grid.HColVert(),
                 QStringList({"V-TRUE=A2", "V-FALSE=B2", "V-TRUE=C2", "V-FALSE=D2"}));
        grid.SetHCol({"A3"});
        QCOMPARE(grid.HColVert(), QStringList({"V-TRUE=A3"}));
        grid.SetHCol({"A3", "B3"});
        QCOMPARE(grid.HColVert(), QStringList({"V-TRUE=A3", "V-FALSE=B3"}));

        grid.setColVertical(1, true);
        QCOMPARE(grid.HColVert().at(1), QStringLiteral("V-TRUE=B3"));
        grid.setColVertical(7, true);  // past HCol: nothing to mark
        QCOMPARE(grid.HColVert().size(), 2);
    }

    // The placement form prints what it reads; a header without placement
    // gets the default one, from half the default row height.
    void headrsPlacementText() {
        THGrid grid;
        grid.SetColCount(10);
        const QStringList items = {QStringLiteral("(1,4)(0,12)=Первый семестр"),
                                   QStringLiteral("(5,9)(3,20)=a=b;c"),
                                   QStringLiteral("(-1,-1)(0,12)=")};
        grid.SetHHeadrsXY(items);
        QCOMPARE(grid.HHeadrsXY(), items);
        QCOMPARE(grid.HHeadrs(), QStringList({QStringLiteral("Первый семестр"),
                                              QStringLiteral("a=b;c"), QString()}));
        int c1 = 0, c2 = 0, top = 0, bottom = 0;
        grid.GetHeadrsIndex(1, c1, c2, top, bottom);
        QCOMPARE(std::vector<int>({c1, c2, top, bottom}), std::vector<int>({5, 9, 3, 20}));

        // Renaming keeps the placements; a new text gets the default.
        grid.SetHHeadrs({"X", "Y", "Z", "W"});
        QCOMPARE(grid.HHeadrsXY(), QStringList({"(1,4)(0,12)=X", "(5,9)(3,20)=Y", "(-1,-1)(0,12)=Z",
                                                "(-1,-1)(0,12)=W"}));
        grid.SetHHeadrs({"X"});
        QCOMPARE(grid.headrsCount(), 1);

        grid.SetDefaultRowHeight(30);
        grid.HeadrsClear();
        QCOMPARE(grid.headrsCount(), 0);
        grid.SetHHeadrs({QStringLiteral("Итого")});
        grid.AddHeadrs(QStringLiteral("Всего"));
        QCOMPARE(grid.HHeadrsXY(), QStringList({QStringLiteral("(-1,-1)(0,15)=Итого"),
                                                QStringLiteral("(-1,-1)(0,15)=Всего")}));

        // An item whose placement cannot be read is kept whole as the text.
        grid.SetHHeadrsXY({QStringLiteral("(1,x)(0,5)=bad"), QStringLiteral("plain")});
        QCOMPARE(grid.HHeadrsXY(), QStringList({QStringLiteral("(-1,-1)(0,15)=(1,x)(0,5)=bad"),
                                                QStringLiteral("(-1,-1)(0,15)=plain")}));
    }

    // Indexes out of range read as zeros and cannot be written.
    void headrsIndexOutOfRange() {
        THGrid grid;
        grid.SetColCount(6);
        grid.AddHeadrs(QStringLiteral("A"), 1, 2, 0, 10);
        for (const int index : {-1, 1, 100}) {
            int c1 = 7, c2 = 7, top = 7, bottom = 7;
            grid.GetHeadrsIndex(index, c1, c2, top, bottom);
            QCOMPARE(std::vector<int>({c1, c2, top, bottom}), std::vector<int>({0, 0, 0, 0}));
            QVERIFY(!grid.SetHeadrsIndex(index, 3, 4, 0, 5));
        }
        QVERIFY(grid.SetHeadrsIndex(0, 3, 5, 2, 9));
        QCOMPARE(grid.HHeadrsXY(), QStringList({"(3,5)(2,9)=A"}));
    }

    // LeftX and RightX follow the column widths and the grid line width.
    void placementFollowsWidths() {
        THGrid grid;
        grid.SetColCount(8);
        grid.AddHeadrs(QStringLiteral("Первый семестр"), 1, 4, 0, 12);
        TMyObj o = grid.headrsObj(0);
        QCOMPARE(o.CStart, 1);
        QCOMPARE(o.CEnd, 4);
        QCOMPARE(o.LeftX, 64 + 1);
        QCOMPARE(o.RightX, 65 + 4 * 65 - 1);

        QSignalSpy widths(&grid, &THGrid::colWidthChanged);
        grid.SetColWidths(2, 100);
        QCOMPARE(widths.count(), 1);
        QCOMPARE(grid.headrsObj(0).RightX, 65 + 3 * 65 + 101 - 1);
        grid.SetColWidths(0, 30);
        o = grid.headrsObj(0);
        QCOMPARE(o.LeftX, 31);
        QCOMPARE(o.RightX, 31 + 3 * 65 + 101 - 1);
        grid.SetColWidths(6, 10);  // right of the header: no move
        QCOMPARE(grid.headrsObj(0).RightX, o.RightX);

        grid.SetGridLineWidth(0);
        o = grid.headrsObj(0);
        QCOMPARE(o.LeftX, 30);
        QCOMPARE(o.RightX, 30 + 3 * 64 + 100);

        // A range past the last column ends at the last column.
        QVERIFY(grid.SetHeadrsIndex(0, 6, 20, 0, 12));
        o = grid.headrsObj(0);
        QCOMPARE(o.LeftX, 30 + 4 * 64 + 100);
        QCOMPARE(o.RightX, o.LeftX + 10 + 64);
        // Unplaced headers have no extent.
        grid.SetHHeadrs({"A", "B"});
        QCOMPARE(grid.headrsObj(1).LeftX, 0);
        QCOMPARE(grid.headrsObj(1).RightX, 0);
    }

    // "Недели;изучения;предмета" shows as three separate lines, each centred,
    // the block centred vertically; five lines at most.
    void multiLineHeaderCentred() {
        THGrid grid;
        grid.SetColCount(3);
        grid.SetRowCount(3);
        grid.SetColWidths(1, 140);
        grid.SetRowHeights(0, 100);
        grid.SetHCol({QString(), QStringLiteral("Недели;изучения;предмета"),
                      QStringLiteral("1;2;3;4;5;6;7")});
        grid.SetColWidths(2, 40);
        QVERIFY(prepare(grid));
        const QImage image = picture(grid);
        const QRect rect = grid.cellRect(1, 0);
        QCOMPARE(rect.size(), QSize(140, 100));
        const QColor bg = kFixed;
        const auto bands = inkBands(image, rect, bg);
        QCOMPARE(bands.size(), size_t(3));
        for (const QRect& band : bands) {
            const Ink ink = inkIn(image, band, bg);
            QVERIFY2(std::abs(ink.centreX() - (rect.left() + rect.right()) / 2.0) <= 2.0,
                     qPrintable(QStringLiteral("line at %1..%2").arg(ink.left).arg(ink.right)));
        }
        const int above = bands.front().top() - rect.top();
        const int below = rect.bottom() - bands.back().bottom();
        QVERIFY2(std::abs(above - below) <= 6,
                 qPrintable(QStringLiteral("%1 / %2").arg(above).arg(below)));

        const QRect seven = grid.cellRect(2, 0);
        QCOMPARE(inkBands(image, seven, bg).size(), size_t(THGrid::kMaxHeaderLines));
    }

    // Numbers are right-aligned 2 px from the right edge, other text starts
    // 2 px from the left; both 2 px below the top. Row headers start at the left.
    void cellTextAlignment() {
        THGrid grid;
        grid.SetColCount(3);
        grid.SetRowCount(5);
        grid.SetColWidths(0, 120);
        grid.SetColWidths(1, 120);
        grid.SetHRow({QStringLiteral("ИС-11")});
        grid.SetCells(1, 2, QStringLiteral("1 250,5"));
        grid.SetCells(1, 3, QStringLiteral("12a"));
        grid.SetCells(2, 2, QStringLiteral("-1"));
        QVERIFY(prepare(grid));
        const QImage image = picture(grid);

        const QRect number = grid.cellRect(1, 2);
        const Ink n = inkIn(image, number, QColor(Qt::white));
        QVERIFY(!n.empty());
        QVERIFY2(n.right <= number.right() - 2 && n.right >= number.right() - 4,
                 qPrintable(QString::number(number.right() - n.right)));
        QVERIFY(n.left > number.left() + 40);
        QVERIFY(n.top >= number.top() + 2);

        const QRect word = grid.cellRect(1, 3);
        const Ink w = inkIn(image, word, QColor(Qt::white));
        QVERIFY(!w.empty());
        QVERIFY2(w.left >= word.left() + 2 && w.left <= word.left() + 4,
                 qPrintable(QString::number(w.left - word.left())));
        QVERIFY(w.right < word.left() + 40);
        QVERIFY(w.top >= word.top() + 2);

        // A minus sign is not in the number alphabet.
        const QRect minus = grid.cellRect(2, 2);
        QVERIFY(inkIn(image, minus, QColor(Qt::white)).left <= minus.left() + 4);

        const QRect head = grid.cellRect(0, 1);
        const Ink h = inkIn(image, head, kFixed);
        QVERIFY(h.left >= head.left() + 2 && h.left <= head.left() + 4);
    }

    // A cell draws at most 250 characters and never past its own edges.
    void longTextClippedToCell() {
        THGrid grid;
        grid.SetColCount(4);
        grid.SetRowCount(3);
        grid.SetCells(1, 1, QString(300, u'Ж'));
        grid.SetCells(2, 2, QString(300, u'1'));
        QCOMPARE(grid.Cells(1, 1).size(), 300);  // the text itself is kept whole
        QVERIFY(prepare(grid));
        const QImage image = picture(grid);
        const QRect next = grid.cellRect(2, 1);
        QVERIFY(inkIn(image, next, QColor(Qt::white)).empty());
        const QRect before = grid.cellRect(1, 2);
        QVERIFY(inkIn(image, before, QColor(Qt::white)).empty());
    }

    // A vertical header is taller than wide, ends 2 px above the cell's
    // bottom and reads upwards (its first letter lowest).
    void verticalHeaderReadsUpwards() {
        THGrid grid;
        grid.SetColCount(3);
        grid.SetRowCount(3);
        grid.SetRowHeights(0, 120);
        grid.SetColWidths(1, 30);
        grid.SetHCol({QString(), QStringLiteral("Ш........."), QStringLiteral("Ш.........")});
        grid.setColVertical(1, true);
        grid.SetColWidths(2, 140);
        QVERIFY(prepare(grid));
        const QImage image = picture(grid);
        const QColor bg = kFixed;
        const QRect rect = grid.cellRect(1, 0);
        const Ink ink = inkIn(image, rect, bg);
        QVERIFY(!ink.empty());
        QVERIFY(ink.height() > 2 * ink.width());
        QVERIFY2(ink.bottom <= rect.bottom() - 2 && ink.bottom >= rect.bottom() - 4,
                 qPrintable(QString::number(rect.bottom() - ink.bottom)));
        const Ink low = inkIn(image, QRect(rect.left(), ink.bottom - 5, rect.width(), 6), bg);
        const Ink high = inkIn(image, QRect(rect.left(), ink.top, rect.width(), 6), bg);
        QVERIFY(low.width() > 2 * high.width());

        // The same text lying flat is wider than tall.
        const Ink flat = inkIn(image, grid.cellRect(2, 0), bg);
        QVERIFY(flat.width() > 2 * flat.height());
    }

    // A spanning header is a framed band over its columns; it follows
    // resizing and scrolling and is cut open at the fixed columns.
    void spanningHeaderFollowsColumns() {
        THGrid grid;
        grid.SetColCount(30);
        grid.SetRowCount(10);
        grid.SetRowHeights(0, 40);
        grid.AddHeadrs(QStringLiteral("Первый семестр"), 1, 4, 0, 14);
        QVERIFY(prepare(grid, QSize(500, 300)));

        // The frame's top line runs over the band on the first pixel row.
        const auto topLine = [&](int& left, int& right) {
            const QImage image = picture(grid);
            left = -1;
            right = -1;
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixel(x, 0) != kFrame.rgb()) continue;
                if (left < 0) left = x;
                right = x;
            }
            return image;
        };
        int left = 0, right = 0;
        QImage image = topLine(left, right);
        TMyObj o = grid.headrsObj(0);
        QCOMPARE(left, o.LeftX);
        QCOMPARE(right, o.RightX - 1);
        QCOMPARE(image.pixel(o.LeftX, 7), kFrame.rgb());  // closed left side
        QCOMPARE(image.pixel(o.LeftX + 3, 7), kFixed.rgb());
        const Ink text = inkIn(image, QRect(o.LeftX + 1, 1, o.RightX - o.LeftX - 2, 12), kFixed);
        QVERIFY(!text.empty());
        QVERIFY(std::abs(text.centreX() - (o.LeftX + o.RightX - 1) / 2.0) <= 2.0);

        grid.SetColWidths(2, 120);
        o = grid.headrsObj(0);
        QCOMPARE(o.RightX, 65 + 65 + 121 + 65 + 64);
        topLine(left, right);
        QCOMPARE(left, o.LeftX);
        QCOMPARE(right, o.RightX - 1);

        // Scrolled by two columns: the band starts under the fixed column.
        grid.SetLeftCol(3);
        QCOMPARE(grid.LeftCol(), 3);
        const int shift = 65 + 121;
        QCOMPARE(grid.headrsObj(0).LeftX, o.LeftX);  // placements stay unscrolled
        image = topLine(left, right);
        QCOMPARE(left, 65);
        QCOMPARE(right, o.RightX - shift - 1);
        QCOMPARE(image.pixel(65, 7), kFixed.rgb());  // open left side

        // Scrolled past its last column: gone.
        grid.SetLeftCol(6);
        topLine(left, right);
        QCOMPARE(left, -1);

        // The scroll bar scrolls it too.
        grid.horizontalScrollBar()->setValue(2);
        QCOMPARE(grid.LeftCol(), 2);
        topLine(left, right);
        QCOMPARE(left, 65);
        QCOMPARE(right, o.RightX - 65 - 1);
    }

    void keyboardNavigation() {
        THGrid grid;
        grid.SetColCount(6);
        grid.SetRowCount(6);
        QVERIFY(prepare(grid));
        QSignalSpy moved(&grid, &THGrid::currentCellChanged);
        const auto at = [&](int c, int r) { return grid.Col() == c && grid.Row() == r; };
        QVERIFY(at(1, 1));
        QTest::keyClick(&grid, Qt::Key_Left);
        QTest::keyClick(&grid, Qt::Key_Up);
        QVERIFY(at(1, 1));
        QCOMPARE(moved.count(), 0);
        QTest::keyClick(&grid, Qt::Key_Right);
        QTest::keyClick(&grid, Qt::Key_Down);
        QVERIFY(at(2, 2));
        QCOMPARE(moved.count(), 2);
        QCOMPARE(moved.last(), QVariantList({2, 2, 2, 1}));
        QTest::keyClick(&grid, Qt::Key_End);
        QVERIFY(at(5, 2));
        QTest::keyClick(&grid, Qt::Key_Home);
        QVERIFY(at(1, 2));
        QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(at(5, 5));
        QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier);
        QVERIFY(at(1, 1));

        // Tab walks along the row and wraps; Shift+Tab walks back.
        QTest::keyClick(&grid, Qt::Key_End);
        QTest::keyClick(&grid, Qt::Key_Tab);
        QVERIFY(at(1, 2));
        QTest::keyClick(&grid, Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(at(5, 1));

        // Shift extends the selection from where it started.
        QTest::keyClick(&grid, Qt::Key_Left);
        QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(&grid, Qt::Key_Left, Qt::ShiftModifier);
        QVERIFY(at(3, 2));
        QCOMPARE(grid.selection(), QRect(QPoint(3, 1), QPoint(4, 2)));
        QTest::keyClick(&grid, Qt::Key_Right);
        QCOMPARE(grid.selection(), QRect(QPoint(4, 2), QPoint(4, 2)));
        grid.setRangeSelect(false);
        QTest::keyClick(&grid, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(grid.selection(), QRect(QPoint(5, 2), QPoint(5, 2)));
        grid.setRowSelect(true);
        QCOMPARE(grid.selection(), QRect(QPoint(1, 2), QPoint(5, 2)));
    }

    // Ctrl+C copies the selected block as tab-separated lines.
    void copySelection() {
        THGrid grid;
        grid.SetColCount(5);
        grid.SetRowCount(5);
        grid.SetCells(2, 2, QStringLiteral("36"));
        grid.SetCells(3, 2, QStringLiteral("Иванов"));
        grid.SetCells(3, 3, QStringLiteral("1,5"));
        QVERIFY(prepare(grid));
        grid.MoveTo(2, 2);
        QTest::keyClick(&grid, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);
        QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("36\tИванов\n\t1,5"));
        grid.setRowSelect(true);
        QCOMPARE(grid.selectionText(), QStringLiteral("\t36\tИванов\t\n\t\t1,5\t"));
    }

    // MoveTo makes a far cell current and scrolls it into view; cells
    // outside the grid or fixed ones are refused.
    void moveToScrollsIntoView() {
        THGrid grid;
        grid.SetColCount(60);
        grid.SetRowCount(400);
        QVERIFY(prepare(grid, QSize(400, 300)));
        QSignalSpy moved(&grid, &THGrid::currentCellChanged);
        grid.MoveTo(50, 300);
        QCOMPARE(grid.Col(), 50);
        QCOMPARE(grid.Row(), 300);
        QCOMPARE(moved.count(), 1);
        QVERIFY(grid.LeftCol() > 1);
        QVERIFY(grid.TopRow() > 1);
        const QRect rect = grid.cellRect(50, 300);
        QVERIFY(!rect.isEmpty());
        QVERIFY(grid.viewport()->rect().contains(rect));
        QCOMPARE(grid.verticalScrollBar()->value(), grid.TopRow());

        grid.MoveTo(2, 2);
        QCOMPARE(grid.LeftCol(), 2);
        QCOMPARE(grid.TopRow(), 2);
        QVERIFY(grid.viewport()->rect().contains(grid.cellRect(2, 2)));

        for (const auto& [c, r] :
             std::vector<std::pair<int, int>>{{0, 5}, {5, 0}, {60, 5}, {5, 400}, {-1, 3}})
            grid.MoveTo(c, r);
        QCOMPARE(grid.Col(), 2);
        QCOMPARE(grid.Row(), 2);
        QCOMPARE(moved.count(), 2);

        // Paging moves by a screenful and keeps the cell in view.
        QTest::keyClick(&grid, Qt::Key_PageDown);
        QVERIFY(grid.Row() > 5);
        QVERIFY(grid.viewport()->rect().contains(grid.cellRect(grid.Col(), grid.Row())));
        QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(grid.viewport()->rect().contains(grid.cellRect(59, 399)));
        QCOMPARE(grid.LeftCol(), grid.horizontalScrollBar()->maximum());
    }

    // Enter, F2 or typing open the editor; Enter and moving away store and
    // signal a change; Escape gives the old text back.
    void editingCommitsAndCancels() {
        THGrid grid;
        grid.SetColCount(4);
        grid.SetRowCount(4);
        grid.SetCells(1, 1, QStringLiteral("36"));
        QVERIFY(prepare(grid));
        QSignalSpy edited(&grid, &THGrid::cellEdited);

        QTest::keyClick(&grid, Qt::Key_F2);
        QVERIFY(!grid.EditorMode());  // not editable yet
        QTest::keyClicks(&grid, "7");
        QCOMPARE(grid.Cells(1, 1), QStringLiteral("36"));

        grid.setEditable(true);
        QTest::keyClick(&grid, Qt::Key_F2);
        QVERIFY(grid.EditorMode());
        QLineEdit* editor = grid.editor();
        QCOMPARE(editor->text(), QStringLiteral("36"));
        QCOMPARE(editor->geometry(), grid.cellRect(1, 1));
        QTest::keyClicks(editor, "0");
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(!grid.EditorMode());
        QCOMPARE(grid.Cells(1, 1), QStringLiteral("360"));
        QCOMPARE(edited.count(), 1);
        QCOMPARE(edited.last(), QVariantList({1, 1, QStringLiteral("36")}));

        // Escape: the cell keeps its text, no signal.
        QTest::keyClick(&grid, Qt::Key_Return);
        QVERIFY(grid.EditorMode());
        QTest::keyClicks(editor, "99");
        QTest::keyClick(editor, Qt::Key_Escape);
        QVERIFY(!grid.EditorMode());
        QCOMPARE(grid.Cells(1, 1), QStringLiteral("360"));
        QCOMPARE(edited.count(), 1);

        // Typing replaces the text; Down stores it and moves on.
        QTest::keyClicks(&grid, "4");
        QVERIFY(grid.EditorMode());
        QCOMPARE(editor->text(), QStringLiteral("4"));
        QTest::keyClicks(editor, "2");
        QTest::keyClick(editor, Qt::Key_Down);
        QVERIFY(!grid.EditorMode());
        QCOMPARE(grid.Cells(1, 1), QStringLiteral("42"));
        QCOMPARE(grid.Row(), 2);
        QCOMPARE(edited.count(), 2);

        // Storing the same text is no change.
        QTest::keyClick(&grid, Qt::Key_Up);
        QTest::keyClick(&grid, Qt::Key_F2);
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(edited.count(), 2);

        // MoveTo stores an open edit first.
        QTest::keyClicks(&grid, "5");
        grid.MoveTo(3, 3);
        QVERIFY(!grid.EditorMode());
        QCOMPARE(grid.Cells(1, 1), QStringLiteral("5"));
        QCOMPARE(edited.count(), 3);

        // A refused text keeps the editor open and the cell unchanged.
        grid.OnValidateEdit = [](int, int, const QString& text) { return text != "bad"; };
        QTest::keyClicks(&grid, "b");
        QTest::keyClicks(&grid, "ad");  // keys reaching the grid go to the editor
        QCOMPARE(editor->text(), QStringLiteral("bad"));
        QTest::keyClick(&grid, Qt::Key_F5);  // a key the editor leaves comes back once
        QVERIFY(grid.EditorMode());
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY(grid.EditorMode());
        QCOMPARE(grid.Cells(3, 3), QString());
        grid.MoveTo(1, 1);
        QCOMPARE(grid.Col(), 3);  // cannot leave a refused edit
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(grid.Cells(3, 3), QStringLiteral("ba"));
        QCOMPARE(edited.count(), 4);

        // Delete empties the selected cells.
        grid.MoveTo(1, 1);
        QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);
        grid.SetCells(1, 2, QStringLiteral("8"));
        QTest::keyClick(&grid, Qt::Key_Delete);
        QCOMPARE(grid.Cells(1, 1), QString());
        QCOMPARE(grid.Cells(1, 2), QString());
        QCOMPARE(edited.count(), 6);

        // An edit outlives a change of the grid's shape while its cell stays,
        // and is dropped with its cell.
        grid.MoveTo(2, 3);
        QTest::keyClicks(&grid, "6");
        grid.SetRowCount(6);
        grid.SetColCount(5);
        QVERIFY(grid.EditorMode());
        QCOMPARE(editor->text(), QStringLiteral("6"));
        QTest::keyClick(editor, Qt::Key_Return);
        QCOMPARE(grid.Cells(2, 3), QStringLiteral("6"));
        QTest::keyClicks(&grid, "7");
        grid.SetRowCount(3);
        QVERIFY(!grid.EditorMode());
        QCOMPARE(grid.Row(), 2);
        QTest::keyClicks(&grid, "8");
        grid.SetFixedCols(3);
        QVERIFY(!grid.EditorMode());
        QCOMPARE(grid.Cells(2, 2), QString());
        grid.SetFixedCols(1);
        QCOMPARE(edited.count(), 7);

        // Switching editing off drops an open edit.
        grid.MoveTo(1, 2);
        QTest::keyClicks(&grid, "1");
        grid.setEditable(false);
        QVERIFY(!grid.EditorMode());
        QCOMPARE(grid.Cells(1, 2), QString());
    }

    // The colour event hears each cell's state, and what it sets is drawn.
    void cellColorEvent() {
        THGrid grid;
        grid.SetColCount(5);
        grid.SetRowCount(5);
        grid.SetCells(3, 3, QStringLiteral("ЖЖЖ"));
        std::map<std::pair<int, int>, zavlin::TGridDrawStates> states;
        grid.OnGetCellColor = [&](THGrid* sender, int row, int col, zavlin::TGridDrawStates state,
                                  QBrush& brush, QColor& font) {
            QCOMPARE(sender, &grid);
            states[{col, row}] = state;
            if (col == 3 && row == 3) {
                brush = QBrush(QColor(0, 255, 0));
                font = QColor(255, 0, 0);
            }
        };
        QVERIFY(prepare(grid));
        grid.activateWindow();
        grid.setFocus();
        QTRY_VERIFY(grid.hasFocus());
        QTest::keyClick(&grid, Qt::Key_Right, Qt::ShiftModifier);
        QImage image = picture(grid);
        using namespace zavlin;
        QCOMPARE(states.at({0, 0}), TGridDrawStates(gdFixed));
        QCOMPARE(states.at({2, 0}), TGridDrawStates(gdFixed));
        QCOMPARE(states.at({1, 1}), TGridDrawStates(gdSelected));
        QCOMPARE(states.at({2, 1}), TGridDrawStates(gdSelected | gdFocused));
        QCOMPARE(states.at({3, 1}), TGridDrawStates(0));
        QCOMPARE(states.at({3, 3}), TGridDrawStates(0));

        const QRect green = grid.cellRect(3, 3);
        QCOMPARE(image.pixel(green.right() - 1, green.bottom() - 1), qRgb(0, 255, 0));
        bool red = false;
        for (int y = green.top(); y <= green.bottom() && !red; ++y)
            for (int x = green.left(); x <= green.right() && !red; ++x)
                red = qRed(image.pixel(x, y)) > 200 && qGreen(image.pixel(x, y)) < 100;
        QVERIFY(red);

        grid.setRowSelect(true);
        states.clear();
        image = picture(grid);
        QCOMPARE(states.at({4, 1}), TGridDrawStates(gdSelected | gdRowSelected));
        QCOMPARE(states.at({4, 2}), TGridDrawStates(0));

        // Hovering and pressing a header cell.
        const QPoint header = grid.cellRect(2, 0).center();
        QTest::mouseMove(grid.viewport(), grid.cellRect(4, 4).center());
        QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, header);
        states.clear();
        image = picture(grid);
        QCOMPARE(states.at({4, 4}), TGridDrawStates(gdHotTrack));
        QCOMPARE(states.at({2, 0}), TGridDrawStates(gdFixed | gdPressed));
        QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, header);
        states.clear();
        image = picture(grid);
        QCOMPARE(states.at({2, 0}), TGridDrawStates(gdFixed));
    }

    // Clicks choose cells, Shift+click and dragging select, dragging a
    // column border in the header resizes the column.
    void mouseSelectsAndResizes() {
        THGrid grid;
        grid.SetColCount(6);
        grid.SetRowCount(6);
        grid.AddHeadrs(QStringLiteral("Семестр"), 1, 2, 0, 12);
        QVERIFY(prepare(grid));
        QWidget* vp = grid.viewport();
        QTest::mouseClick(vp, Qt::LeftButton, {}, grid.cellRect(3, 2).center());
        QCOMPARE(grid.Col(), 3);
        QCOMPARE(grid.Row(), 2);
        QTest::mouseClick(vp, Qt::LeftButton, Qt::ShiftModifier, grid.cellRect(4, 4).center());
        QCOMPARE(grid.selection(), QRect(QPoint(3, 2), QPoint(4, 4)));
        QTest::mouseClick(vp, Qt::LeftButton, {}, grid.cellRect(0, 3).center());  // fixed
        QCOMPARE(grid.Col(), 4);

        // Scrolled, a click still lands on the cell drawn under it.
        grid.SetColCount(40);
        grid.SetRowCount(60);
        grid.SetLeftCol(7);
        grid.SetTopRow(20);
        QCOMPARE(grid.LeftCol(), 7);
        QCOMPARE(grid.TopRow(), 20);
        QVERIFY(grid.cellRect(5, 22).isEmpty());  // scrolled under the fixed column
        QTest::mouseClick(vp, Qt::LeftButton, {}, grid.cellRect(9, 23).center());
        QCOMPARE(grid.Col(), 9);
        QCOMPARE(grid.Row(), 23);
        QTest::mouseClick(vp, Qt::LeftButton, {}, grid.cellRect(7, 20).topLeft());
        QCOMPARE(grid.Col(), 7);
        QCOMPARE(grid.Row(), 20);
        grid.SetLeftCol(1);
        grid.SetTopRow(1);

        QSignalSpy widths(&grid, &THGrid::colWidthChanged);
        const QRect second = grid.cellRect(2, 0);
        const QPoint border(second.right() + 1, second.center().y());
        QTest::mousePress(vp, Qt::LeftButton, {}, border);
        QTest::mouseMove(vp, border + QPoint(30, 0));
        QTest::mouseRelease(vp, Qt::LeftButton, {}, border + QPoint(30, 0));
        QCOMPARE(grid.ColWidths(2), 64 + 30);
        QVERIFY(widths.count() >= 1);
        QCOMPARE(grid.headrsObj(0).RightX, 65 + 65 + 94);
        grid.setColSizing(false);
        const QPoint border3(grid.cellRect(3, 0).right() + 1, 5);
        QTest::mousePress(vp, Qt::LeftButton, {}, border3);
        QTest::mouseMove(vp, border3 + QPoint(20, 0));
        QTest::mouseRelease(vp, Qt::LeftButton, {}, border3 + QPoint(20, 0));
        QCOMPARE(grid.ColWidths(3), 64);
    }

    // Group rows by week columns, as the load-per-week window fills it; the
    // picture goes to the documentation when asked for.
    void loadPerWeekGrid() {
        constexpr int kGroups = 400;
        constexpr int kWeeks = 56;
        THGrid grid;
        grid.SetColCount(kWeeks + 1);
        grid.SetRowCount(kGroups + 1);
        grid.SetDefaultColWidth(32);
        grid.SetColWidths(0, 80);
        grid.SetRowHeights(0, 96);
        QStringList hCol{QStringLiteral("Группа")};
        QStringList hColVert{QStringLiteral("V-FALSE=")};
        for (int w = 1; w <= kWeeks; ++w) {
            const QDate monday = QDate(2026, 8, 31).addDays(7 * (w - 1));
            hCol.append(QStringLiteral("Неделя %1;%2").arg(w).arg(monday.toString("dd.MM")));
            hColVert.append(QStringLiteral("V-TRUE="));
        }
        QStringList hRow;
        for (int g = 0; g < kGroups; ++g)
            hRow.append(QStringLiteral("%1-%2")
                            .arg(g % 2 ? QStringLiteral("ПК") : QStringLiteral("ИС"))
                            .arg(11 + g));
        QElapsedTimer timer;
        timer.start();
        grid.SetHCol(hCol);
        grid.SetHColVert(hColVert);
        grid.SetHRow(hRow);
        grid.AddHeadrs(QStringLiteral("Первый семестр"), 1, 17, 0, 18);
        grid.AddHeadrs(QStringLiteral("Второй семестр"), 18, 40, 0, 18);
        for (int g = 1; g <= kGroups; ++g)
            for (int w = 1; w <= kWeeks; ++w)
                grid.SetCells(w, g, QString::number(30 + (g * 7 + w) % 8));
        QVERIFY(prepare(grid, QSize(900, 360), false));
        const QImage image = picture(grid);
        qInfo("filled and painted %d cells in %lld ms", kGroups * kWeeks, timer.elapsed());
        QCOMPARE(grid.Cells(kWeeks, kGroups), QString::number(30 + (kGroups * 7 + kWeeks) % 8));
        QCOMPARE(grid.HColVert().size(), kWeeks + 1);
        QVERIFY(!inkIn(image, grid.cellRect(2, 2), grid.palette().color(QPalette::Base)).empty());
        QVERIFY(zavlin::test::saveScreenshot(&grid, QStringLiteral("hgrid")));
    }
};

QTEST_MAIN(HGridTest)
#include "hgrid_test.moc"
