// THGrid: the text grid of the data-entry windows, editor dialogs and
// reports. Row 0 and column 0 are fixed header cells filled from the lists
// HCol and HRow; a header text breaks into lines at ";" (five at most) and a
// column header may be written vertically (HColVert). Spanning headers
// (HHeadrs) are bands drawn over a range of columns inside the header row.
//
// Cells are plain strings in one table that the grid paints itself with one
// painter on the viewport of its abstract scroll area (no widget per cell),
// so a grid of thousands of cells fills and paints quickly. The grid scrolls
// by whole cells, and so count its scroll bars; fixed rows and columns stay in
// place.
//
// Threads: the GUI thread only.
#pragma once

#include <QAbstractScrollArea>
#include <QBrush>
#include <QColor>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QLineEdit;

namespace zavlin {

// Placement of one spanning header: its columns, its pixel band inside the
// header row, and its pixel extent before scrolling.
struct TMyObj {
    int CStart = -1;
    int CEnd = -1;
    int TopY = 0;
    int BottomY = 0;
    int LeftX = 0;
    int RightX = 0;
};

// Drawing state of a cell, as flags: the focused cell is the current one
// while the grid has the focus; hot track marks the hot cell under the mouse.
enum TGridDrawState : unsigned {
    gdSelected = 1u << 0,
    gdFocused = 1u << 1,
    gdFixed = 1u << 2,
    gdRowSelected = 1u << 3,
    gdHotTrack = 1u << 4,
    gdPressed = 1u << 5,
};
using TGridDrawStates = unsigned;

class THGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    // Asked before each cell is drawn; may change the brush and the text
    // colour the cell is drawn with.
    using TGetCellColorEvent = std::function<void(
        THGrid* Sender, int ARow, int ACol, TGridDrawStates AState, QBrush& ABrush, QColor& AFont)>;
    // Asked before an edited text is stored; false keeps the editor open.
    using TValidateEditEvent = std::function<bool(int ACol, int ARow, const QString& text)>;

    static constexpr int kMaxHeaderLines = 5;
    static constexpr int kMaxCellChars = 250;
    static constexpr int kTextMargin = 2;  // the margin of cell texts, in pixels

    explicit THGrid(QWidget* parent = nullptr);
    ~THGrid() override;

    int ColCount() const { return colCount_; }
    void SetColCount(int count);
    int RowCount() const { return rowCount_; }
    void SetRowCount(int count);
    int FixedCols() const { return fixedCols_; }
    void SetFixedCols(int count);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int count);

    // Out-of-range cells read as empty and ignore writes.
    QString Cells(int ACol, int ARow) const;
    void SetCells(int ACol, int ARow, const QString& text);
    void Clear();

    int DefaultColWidth() const { return defaultColWidth_; }
    void SetDefaultColWidth(int width);
    int DefaultRowHeight() const { return defaultRowHeight_; }
    void SetDefaultRowHeight(int height);
    int GridLineWidth() const { return gridLineWidth_; }
    void SetGridLineWidth(int width);
    int ColWidths(int ACol) const;
    void SetColWidths(int ACol, int width);
    int RowHeights(int ARow) const;
    void SetRowHeights(int ARow, int height);

    QStringList HCol() const { return hCol_; }
    void SetHCol(const QStringList& items);
    QStringList HRow() const { return hRow_; }
    void SetHRow(const QStringList& items);
    QStringList HColVert() const { return hColVert_; }
    void SetHColVert(const QStringList& items);
    // Marks one column header vertical or horizontal (within HCol).
    void setColVertical(int ACol, bool vertical);
    bool colVertical(int ACol) const;

    QStringList HHeadrs() const;
    void SetHHeadrs(const QStringList& texts);
    QStringList HHeadrsXY() const;
    void SetHHeadrsXY(const QStringList& items);
    // Without a placement: none of the columns, the upper half of the
    // default row height.
    void AddHeadrs(const QString& StrHeadrs);
    void AddHeadrs(const QString& StrHeadrs, int ColStart, int ColEnd, int HeadrsTop,
                   int HeadrsBottom);
    [[nodiscard]] bool SetHeadrsIndex(int Index, int ColStart, int ColEnd, int HeadrsTop,
                                      int HeadrsBottom);
    void GetHeadrsIndex(int Index, int& ColStart, int& ColEnd, int& HeadrsTop,
                        int& HeadrsBottom) const;
    void HeadrsClear();
    int headrsCount() const { return static_cast<int>(headrs_.size()); }
    // The placement of a spanning header; an empty one out of range.
    TMyObj headrsObj(int Index) const;

    // The current cell; MoveTo makes it current and visible and collapses
    // the selection onto it.
    int Col() const { return col_; }
    int Row() const { return row_; }
    void MoveTo(int ACol, int ARow);
    // The selected rectangle (columns x rows): from its anchor, where the
    // selecting started, to the current cell.
    QRect selection() const;
    bool rangeSelect() const { return rangeSelect_; }
    void setRangeSelect(bool on) { rangeSelect_ = on; }
    // The selected cells as lines of tab-separated texts (what Ctrl+C copies).
    QString selectionText() const;
    bool rowSelect() const { return rowSelect_; }
    void setRowSelect(bool on);
    // Tab and Shift+Tab move to the next and prev cell instead of leaving the
    // grid.
    bool tabMoves() const { return tabMoves_; }
    void setTabMoves(bool on) { tabMoves_ = on; }
    bool colSizing() const { return colSizing_; }
    void setColSizing(bool on) { colSizing_ = on; }

    int LeftCol() const { return leftCol_; }
    void SetLeftCol(int ACol);
    int TopRow() const { return topRow_; }
    void SetTopRow(int ARow);

    // When the grid is editable, its non-fixed cells are edited in place:
    // Enter or F2 opens the editor on the cell's text, typing opens it on the
    // typed text; Enter or moving away stores, Escape is cancel and gives the
    // old text back. The editor's keys pass through the grid's event filter.
    bool editable() const { return editable_; }
    void setEditable(bool on);
    bool EditorMode() const;
    void ShowEditor();
    [[nodiscard]] bool commitEdit();
    void cancelEdit();
    QLineEdit* editor() const { return editor_; }

    // A cell's rect on the viewport (without the grid line); empty when the
    // cell is scrolled out of view.
    QRect cellRect(int ACol, int ARow) const;
    // The cell under a viewport point; false outside the cells.
    [[nodiscard]] bool cellAt(QPoint pos, int& ACol, int& ARow) const;

    QColor fixedColor() const { return fixedColor_; }
    void setFixedColor(const QColor& color);

    TGetCellColorEvent OnGetCellColor;
    TValidateEditEvent OnValidateEdit;

    QSize sizeHint() const override;

    // The signals of the grid.
signals:
    void currentCellChanged(int ACol, int ARow, int oldCol, int oldRow);
    // A user's edit changed the text of a cell.
    void cellEdited(int ACol, int ARow, const QString& oldText);
    void colWidthChanged(int ACol, int width);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void scrollContentsBy(int, int) override;
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* object, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    struct SpanningHeader {
        QString text;
        TMyObj obj;
    };

    void resizeCells();
    void relayout();
    void writeHeaderCells();
    void syncHColVert();
    void placeHeadrs();
    void updateScrollBars();
    int maxLeftCol() const;
    int maxTopRow() const;
    int colX(int ACol) const;  // unscrolled left edge
    int rowY(int ARow) const;
    int fixedWidth() const;
    int fixedHeight() const;
    int scrollX() const;
    int scrollY() const;
    int screenColX(int ACol) const;
    int screenRowY(int ARow) const;
    void moveCurrent(int ACol, int ARow, bool extend);
    void makeVisible(int ACol, int ARow);
    bool isHeaderCell(int ACol, int ARow) const;
    TGridDrawStates cellState(int ACol, int ARow) const;
    void drawCell(class QPainter& p, int ACol, int ARow, const QRect& rect);
    void drawHeaderText(QPainter& p, int ACol, int ARow, const QRect& rect);
    void drawHeadrs(QPainter& p);
    int sizingColAt(QPoint pos) const;
    void openEditor(const QString& text, bool selectAll);
    void placeEditor();
    void dropEditOutside();
    bool handleNavigationKey(QKeyEvent* event);

    int colCount_ = 5;
    int rowCount_ = 5;
    int fixedCols_ = 1;
    int fixedRows_ = 1;
    int defaultColWidth_ = 64;
    int defaultRowHeight_ = 24;
    int gridLineWidth_ = 1;
    std::vector<int> colWidths_;
    std::vector<int> rowHeights_;
    std::vector<int> colPos_;  // left edges before scrolling, one past the last column
    std::vector<int> rowPos_;
    std::vector<std::vector<QString>> cells_;  // [row][col]

    QStringList hCol_;
    QStringList hRow_;
    QStringList hColVert_;
    std::vector<SpanningHeader> headrs_;

    int col_ = 1;
    int row_ = 1;
    int anchorCol_ = 1;
    int anchorRow_ = 1;
    int leftCol_ = 1;
    int topRow_ = 1;
    bool rangeSelect_ = true;
    bool rowSelect_ = false;
    bool tabMoves_ = true;
    bool colSizing_ = true;

    bool editable_ = false;
    QLineEdit* editor_ = nullptr;
    int editCol_ = -1;
    int editRow_ = -1;
    bool forwarding_ = false;

    int sizingCol_ = -1;
    int sizingStartX_ = 0;
    int sizingStartWidth_ = 0;
    bool selecting_ = false;
    int hotCol_ = -1;
    int hotRow_ = -1;
    int pressedCol_ = -1;
    int pressedRow_ = -1;

    QColor fixedColor_;
};

}  // namespace zavlin
