// The report tables behind the report windows, without any window: a plain
// table of texts (TStringGrid) and the report grid (TDGrid) with fixed rows
// and columns, multi-line cells, per-column vertical text and headers drawn
// over groups of columns. A window shows one of these; the RTF writer turns
// one into a table of the document.
//
// Conventions for a window that shows a TDGrid:
//   - Cells(col, row) is the text; rows below FixedRows and columns right of
//     FixedCols scroll, the others stay in place and are painted as headers.
//   - In fixed cells (in every cell when FMultiRowCells is set) ";" separates
//     the lines of a cell; a ";" at the very start is not shown.
//   - FHVert[col] != 0: the fixed cells of that column are written bottom to
//     top.
//   - Headers form a band above the grid. The band has HeadrsLines() lines;
//     header i covers columns ColStart..ColEnd and band lines HeadrsTop up to
//     but not including HeadrsBottom. A column with no header on a line
//     shows its band cell empty and joined with the one below it.
#pragma once

#include <string>
#include <vector>

namespace zavlin::reports {

class TStringGrid {
public:
    virtual ~TStringGrid() = default;

    // Keeps the texts that still fit; new cells are empty.
    void SetSize(int colCount, int rowCount);
    int ColCount() const { return FColCount; }
    int RowCount() const { return FRowCount; }
    // Out of range reads an empty text and writes nothing.
    const std::string& Cells(int col, int row) const;
    void SetCells(int col, int row, std::string text);
    // Adds a row at the bottom and returns its index.
    int AddRow();

    // Rows and columns that do not scroll; at most the table's size.
    int FixedRows = 0;
    int FixedCols = 0;

private:
    int FColCount = 0;
    int FRowCount = 0;
    std::vector<std::string> FCells;  // row by row
};

// One header over columns.
struct TDGridHeadr {
    int ColStart = 0;
    int ColEnd = 0;
    int HeadrsTop = 0;
    int HeadrsBottom = 1;
    std::string Text;
};

class TDGrid : public TStringGrid {
public:
    // Keeps FHVert as long as the columns.
    void SetSize(int colCount, int rowCount);

    int HeadrsCount() const { return static_cast<int>(FHeadrs.size()); }
    int AddHeadrs(int colStart, int colEnd, int top, int bottom, std::string text);
    // False for an index out of range (the outputs are left alone).
    bool GetHeadrsIndex(int indx, int& ColStart, int& ColEnd, int& HeadrsTop, int& HeadrsBottom,
                        std::string& text) const;
    const std::vector<TDGridHeadr>& Headrs() const { return FHeadrs; }
    void ClearHeadrs() { FHeadrs.clear(); }
    // The lines of the header band: the largest HeadrsBottom.
    int HeadrsLines() const;

    // The lines of a cell as the grid shows them.
    std::vector<std::string> CellLines(int col, int row) const;
    bool Vert(int col) const {
        return col >= 0 && col < static_cast<int>(FHVert.size()) && FHVert[col] != 0;
    }

    bool FMultiRowCells = false;
    std::vector<unsigned char> FHVert;  // one per column

private:
    std::vector<TDGridHeadr> FHeadrs;
};

// A cell's lines: ";" splits, one leading ";" is dropped.
std::vector<std::string> SplitCellLines(const std::string& text);

}  // namespace zavlin::reports
