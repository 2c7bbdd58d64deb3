#include "reports/report_table.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace zavlin::reports {

namespace {
const std::string kEmpty;
}

void TStringGrid::SetSize(int colCount, int rowCount) {
    colCount = std::max(colCount, 0);
    rowCount = std::max(rowCount, 0);
    std::vector<std::string> cells(static_cast<std::size_t>(colCount) *
                                   static_cast<std::size_t>(rowCount));
    for (int r = 0; r < std::min(rowCount, FRowCount); ++r)
        for (int c = 0; c < std::min(colCount, FColCount); ++c)
            cells[static_cast<std::size_t>(r * colCount + c)] =
                std::move(FCells[static_cast<std::size_t>(r * FColCount + c)]);
    FCells = std::move(cells);
    FColCount = colCount;
    FRowCount = rowCount;
    FixedRows = std::min(FixedRows, FRowCount);
    FixedCols = std::min(FixedCols, FColCount);
}

const std::string& TStringGrid::Cells(int col, int row) const {
    if (col < 0 || row < 0 || col >= FColCount || row >= FRowCount) return kEmpty;
    return FCells[static_cast<std::size_t>(row * FColCount + col)];
}

void TStringGrid::SetCells(int col, int row, std::string text) {
    if (col < 0 || row < 0 || col >= FColCount || row >= FRowCount) return;
    FCells[static_cast<std::size_t>(row * FColCount + col)] = std::move(text);
}

int TStringGrid::AddRow() {
    FCells.resize(FCells.size() + static_cast<std::size_t>(FColCount));
    return FRowCount++;
}

void TDGrid::SetSize(int colCount, int rowCount) {
    TStringGrid::SetSize(colCount, rowCount);
    FHVert.resize(static_cast<std::size_t>(ColCount()), 0);
}

int TDGrid::AddHeadrs(int colStart, int colEnd, int top, int bottom, std::string text) {
    FHeadrs.push_back({colStart, colEnd, top, bottom, std::move(text)});
    return HeadrsCount() - 1;
}

bool TDGrid::GetHeadrsIndex(int indx, int& ColStart, int& ColEnd, int& HeadrsTop, int& HeadrsBottom,
                            std::string& text) const {
    if (indx < 0 || indx >= HeadrsCount()) return false;
    const TDGridHeadr& h = FHeadrs[static_cast<std::size_t>(indx)];
    ColStart = h.ColStart;
    ColEnd = h.ColEnd;
    HeadrsTop = h.HeadrsTop;
    HeadrsBottom = h.HeadrsBottom;
    text = h.Text;
    return true;
}

int TDGrid::HeadrsLines() const {
    int lines = 0;
    for (const TDGridHeadr& h : FHeadrs) lines = std::max(lines, h.HeadrsBottom);
    return lines;
}

std::vector<std::string> TDGrid::CellLines(int col, int row) const {
    const std::string& text = Cells(col, row);
    if (FMultiRowCells || row < FixedRows || col < FixedCols) return SplitCellLines(text);
    return {text};
}

std::vector<std::string> SplitCellLines(const std::string& text) {
    std::string_view rest = text;
    if (rest.starts_with(';')) rest.remove_prefix(1);
    std::vector<std::string> lines;
    for (;;) {
        const std::size_t at = rest.find(';');
        lines.emplace_back(rest.substr(0, at));
        if (at == std::string_view::npos) break;
        rest.remove_prefix(at + 1);
    }
    return lines;
}

}  // namespace zavlin::reports
