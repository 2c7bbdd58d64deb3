#include "reports/ui/report_grid_view.h"

#include <QFontMetrics>
#include <QStringList>
#include <algorithm>
#include <vector>

namespace zavlin::reports::ui {

namespace {

constexpr int kMargin = 2 * THGrid::kTextMargin + 4;
constexpr int kMaxColWidth = 320;
constexpr int kMinColWidth = 24;

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QString joined(const std::vector<std::string>& lines, const QString& separator) {
    QStringList parts;
    parts.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines) parts.append(qs(line));
    return parts.join(separator);
}

}  // namespace

TReportGridView::TReportGridView(QWidget* parent) : THGrid(parent) {
    setColSizing(true);
    SetDefaultRowHeight(QFontMetrics(font()).height() + 2 * kTextMargin + 2);
}

int TReportGridView::BandLineHeight() const {
    return QFontMetrics(font()).height() + 2 * kTextMargin;
}

QString TReportGridView::BodyText(const TDGrid& table, int col, int row) {
    return joined(table.CellLines(col, row), QStringLiteral(", "));
}

void TReportGridView::ShowTable(TDGrid table) {
    table_ = std::move(table);
    const TDGrid& t = table_;
    const int cols = std::max(t.ColCount(), 1);
    const int rows = std::max(t.RowCount(), 1);
    const QFontMetrics fm(font());
    const int lineHeight = fm.height();
    const int bandLine = BandLineHeight();

    HeadrsClear();
    SetColCount(cols);
    SetRowCount(rows);
    SetFixedRows(std::min(t.FixedRows, rows));
    SetFixedCols(std::min(t.FixedCols, cols));

    // Band lines above each column: the headers covering it.
    std::vector<int> bandOver(static_cast<std::size_t>(cols), 0);
    for (const TDGridHeadr& h : t.Headrs())
        for (int c = std::max(h.ColStart, 0); c <= std::min(h.ColEnd, cols - 1); ++c)
            bandOver[static_cast<std::size_t>(c)] =
                std::max(bandOver[static_cast<std::size_t>(c)], h.HeadrsBottom);
    const int bandHeight = t.HeadrsLines() * bandLine;

    // The header row: its height fits the band and the tallest heading.
    std::vector<std::vector<std::string>> headings(static_cast<std::size_t>(cols));
    std::vector<int> widths(static_cast<std::size_t>(cols), kMinColWidth);
    int headingHeight = lineHeight;
    for (int c = 0; c < cols; ++c) {
        auto& lines = headings[static_cast<std::size_t>(c)] = t.CellLines(c, 0);
        int& width = widths[static_cast<std::size_t>(c)];
        if (t.Vert(c)) {
            int longest = 0;
            for (const std::string& line : lines)
                longest = std::max(longest, fm.horizontalAdvance(qs(line)));
            headingHeight = std::max(headingHeight, longest + kMargin);
            width = std::max(width, static_cast<int>(lines.size()) * lineHeight + kMargin);
        } else {
            headingHeight =
                std::max(headingHeight, static_cast<int>(lines.size()) * lineHeight + kMargin);
            for (const std::string& line : lines)
                width = std::max(width, fm.horizontalAdvance(qs(line)) + kMargin);
        }
    }
    const int headerRowHeight = bandHeight + headingHeight;

    // A heading under a band is pushed below it with empty lines (the grid
    // centres a heading in its cell); a vertical one starts at the bottom.
    QStringList hcol;
    for (int c = 0; c < cols; ++c) {
        const auto& lines = headings[static_cast<std::size_t>(c)];
        QString text = joined(lines, QStringLiteral(";"));
        const int band = bandOver[static_cast<std::size_t>(c)] * bandLine;
        if (band > 0 && !t.Vert(c)) {
            const int n = static_cast<int>(lines.size());
            int pad = 0;
            while (pad + n < kMaxHeaderLines &&
                   (headerRowHeight - (pad + n) * lineHeight) / 2 + pad * lineHeight < band)
                ++pad;
            text = QString(pad, QLatin1Char(';')) + text;
        }
        hcol.append(text);
    }
    SetHCol(hcol);
    for (int c = 0; c < cols; ++c) setColVertical(c, t.Vert(c));

    // The body: each column as wide as its longest text (measured once).
    for (int c = 0; c < cols; ++c) {
        int longestRow = -1;
        std::size_t longestSize = 0;
        for (int r = 1; r < t.RowCount(); ++r) {
            QString text = BodyText(t, c, r);
            if (static_cast<std::size_t>(text.size()) > longestSize) {
                longestSize = static_cast<std::size_t>(text.size());
                longestRow = r;
            }
            SetCells(c, r, text);
        }
        if (longestRow > 0)
            widths[static_cast<std::size_t>(c)] =
                std::max(widths[static_cast<std::size_t>(c)],
                         fm.horizontalAdvance(Cells(c, longestRow)) + kMargin);
    }
    for (int& width : widths) width = std::min(width, kMaxColWidth);
    // A band's text fits over its columns: the last of them widens.
    for (const TDGridHeadr& h : t.Headrs()) {
        const int first = std::max(h.ColStart, 0);
        const int last = std::min(h.ColEnd, cols - 1);
        if (first > last) continue;
        int span = 0;
        for (int c = first; c <= last; ++c) span += widths[static_cast<std::size_t>(c)];
        const int need = fm.horizontalAdvance(qs(h.Text)) + kMargin;
        if (need > span) widths[static_cast<std::size_t>(last)] += need - span;
    }
    for (int c = 0; c < cols; ++c) SetColWidths(c, widths[static_cast<std::size_t>(c)]);
    SetRowHeights(0, headerRowHeight);

    for (const TDGridHeadr& h : t.Headrs())
        AddHeadrs(qs(h.Text), h.ColStart, h.ColEnd, h.HeadrsTop * bandLine,
                  h.HeadrsBottom * bandLine);
    MoveTo(FixedCols() < cols ? FixedCols() : 0, FixedRows() < rows ? FixedRows() : 0);
}

}  // namespace zavlin::reports::ui
