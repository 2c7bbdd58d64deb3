#include "reports/ui/report_grid_view.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHash>
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
    const std::string& text = table.Cells(col, row);
    // Most cells are one line (figures, names): no splitting for them.
    if (text.find(';') == std::string::npos) return qs(text);
    return joined(table.CellLines(col, row), QStringLiteral(", "));
}

void TReportGridView::ShowTable(TDGrid table) {
    table_ = std::move(table);
    const TDGrid& t = table_;
    const int cols = std::max(t.ColCount(), 1);
    const int rows = std::max(t.RowCount(), 1);

    HeadrsClear();
    SetColCount(cols);
    SetRowCount(rows);
    SetFixedRows(std::min(t.FixedRows, rows));
    SetFixedCols(std::min(t.FixedCols, cols));

    for (int c = 0; c < cols; ++c)
        for (int r = 1; r < t.RowCount(); ++r) SetCells(c, r, BodyText(t, c, r));
    shown_ = true;
    fit();
    MoveTo(FixedCols() < cols ? FixedCols() : 0, FixedRows() < rows ? FixedRows() : 0);
}

void TReportGridView::changeEvent(QEvent* event) {
    THGrid::changeEvent(event);
    if (event->type() == QEvent::FontChange && shown_) fit();
}

void TReportGridView::showEvent(QShowEvent* event) {
    // The font a widget ends up with is settled when it is polished.
    if (shown_ && font().toString() != fitFont_) fit();
    THGrid::showEvent(event);
}

void TReportGridView::fit() {
    const TDGrid& t = table_;
    const int cols = ColCount();
    const QFontMetrics fm(font());
    fitFont_ = font().toString();
    const int lineHeight = fm.height();
    const int bandLine = BandLineHeight();
    SetDefaultRowHeight(lineHeight + 2 * kTextMargin + 2);
    HeadrsClear();
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

    // Each column as wide as its widest text. Every text is measured: in a
    // proportional font a shorter text can be the wider. The same figures
    // recur, so each distinct text is measured once.
    QHash<QString, int> measured;
    for (int c = 0; c < cols; ++c) {
        int& width = widths[static_cast<std::size_t>(c)];
        for (int r = 1; r < RowCount(); ++r) {
            const QString text = Cells(c, r);
            if (text.isEmpty()) continue;
            auto it = measured.constFind(text);
            if (it == measured.constEnd()) it = measured.insert(text, fm.horizontalAdvance(text));
            width = std::max(width, *it + kMargin);
        }
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
}

}  // namespace zavlin::reports::ui
