// Header grid figures for a load-per-week window of a large college: 400
// group rows by 56 week columns with vertical headers and spanning headers.
// Filling, the first paint, paging through all rows and a jump to the last
// cell. Offscreen platform unless another is set. Release build: `make bench`.
#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QImage>
#include <QScrollBar>
#include <cstdio>

#include "shell/ui/hgrid.h"

namespace {

constexpr int kGroups = 400;
constexpr int kWeeks = 56;

double ms(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    zavlin::THGrid grid;
    grid.resize(1200, 800);
    grid.show();

    QElapsedTimer timer;
    timer.start();
    grid.SetColCount(kWeeks + 1);
    grid.SetRowCount(kGroups + 1);
    grid.SetDefaultColWidth(32);
    grid.SetColWidths(0, 80);
    grid.SetRowHeights(0, 96);
    QStringList hCol{QStringLiteral("Группа")};
    QStringList hColVert{QStringLiteral("V-FALSE=")};
    for (int w = 1; w <= kWeeks; ++w) {
        hCol.append(QStringLiteral("Неделя %1;%2")
                        .arg(w)
                        .arg(QDate(2026, 8, 31).addDays(7 * (w - 1)).toString("dd.MM")));
        hColVert.append(QStringLiteral("V-TRUE="));
    }
    QStringList hRow;
    for (int g = 0; g < kGroups; ++g) hRow.append(QStringLiteral("ИС-%1").arg(11 + g));
    grid.SetHCol(hCol);
    grid.SetHColVert(hColVert);
    grid.SetHRow(hRow);
    grid.AddHeadrs(QStringLiteral("Первый семестр"), 1, 17, 0, 18);
    grid.AddHeadrs(QStringLiteral("Второй семестр"), 18, 40, 0, 18);
    for (int g = 1; g <= kGroups; ++g)
        for (int w = 1; w <= kWeeks; ++w) grid.SetCells(w, g, QString::number(30 + (g + w) % 8));
    const double fill = ms(timer);

    timer.restart();
    QImage first = grid.viewport()->grab().toImage();
    const double paint = ms(timer);

    timer.restart();
    int pages = 0;
    for (int top = grid.FixedRows(); top <= grid.verticalScrollBar()->maximum();
         top += grid.verticalScrollBar()->pageStep(), ++pages) {
        grid.SetTopRow(top);
        first = grid.viewport()->grab().toImage();
    }
    const double paging = ms(timer);

    timer.restart();
    grid.MoveTo(kWeeks, kGroups);
    first = grid.viewport()->grab().toImage();
    const double jump = ms(timer);

    std::printf("hgrid_bench: %d x %d cells\n", kGroups, kWeeks);
    std::printf("  fill                 %8.2f ms\n", fill);
    std::printf("  first paint          %8.2f ms\n", paint);
    std::printf("  fill + first paint   %8.2f ms  (budget 300 ms)\n", fill + paint);
    std::printf("  paint per page       %8.2f ms  (%d pages)\n", pages ? paging / pages : 0.0,
                pages);
    std::printf("  jump to last cell    %8.2f ms\n", jump);
    return 0;
}
