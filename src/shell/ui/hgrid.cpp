#include "shell/ui/hgrid.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <algorithm>

namespace zavlin {

namespace {

const QString kVertTrue = QStringLiteral("V-TRUE=");
const QString kVertFalse = QStringLiteral("V-FALSE=");

}  // namespace

THGrid::THGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    fixedColor_ = palette().color(QPalette::Button);
    resizeCells();
    updateScrollBars();
}

THGrid::~THGrid() = default;

// ---- Size and cells -------------------------------------------------------

void THGrid::resizeCells() {
    colWidths_.resize(static_cast<size_t>(colCount_), defaultColWidth_);
    rowHeights_.resize(static_cast<size_t>(rowCount_), defaultRowHeight_);
    cells_.resize(static_cast<size_t>(rowCount_));
    for (auto& row : cells_) row.resize(static_cast<size_t>(colCount_));
    relayout();
}

void THGrid::relayout() {
    colPos_.assign(static_cast<size_t>(colCount_) + 1, 0);
    for (int c = 0; c < colCount_; ++c)
        colPos_[static_cast<size_t>(c) + 1] =
            colPos_[static_cast<size_t>(c)] + colWidths_[static_cast<size_t>(c)] + gridLineWidth_;
    rowPos_.assign(static_cast<size_t>(rowCount_) + 1, 0);
    for (int r = 0; r < rowCount_; ++r)
        rowPos_[static_cast<size_t>(r) + 1] =
            rowPos_[static_cast<size_t>(r)] + rowHeights_[static_cast<size_t>(r)] + gridLineWidth_;
}

void THGrid::SetColCount(int count) {
    count = std::max(count, 0);
    if (count == colCount_) return;
    colCount_ = count;
    fixedCols_ = std::min(fixedCols_, colCount_);
    resizeCells();
    if (!hCol_.isEmpty()) writeHeaderCells();
    dropEditOutside();
    moveCurrent(std::clamp(col_, fixedCols_, std::max(fixedCols_, colCount_ - 1)), row_, false);
    placeHeadrs();
    updateScrollBars();
    viewport()->update();
}

void THGrid::SetRowCount(int count) {
    count = std::max(count, 0);
    if (count == rowCount_) return;
    rowCount_ = count;
    fixedRows_ = std::min(fixedRows_, rowCount_);
    resizeCells();
    if (!hRow_.isEmpty()) writeHeaderCells();
    dropEditOutside();
    moveCurrent(col_, std::clamp(row_, fixedRows_, std::max(fixedRows_, rowCount_ - 1)), false);
    updateScrollBars();
    viewport()->update();
}

void THGrid::SetFixedCols(int count) {
    fixedCols_ = std::clamp(count, 0, colCount_);
    dropEditOutside();
    leftCol_ = std::max(leftCol_, fixedCols_);
    moveCurrent(std::max(col_, fixedCols_), row_, false);
    updateScrollBars();
    viewport()->update();
}

void THGrid::SetFixedRows(int count) {
    fixedRows_ = std::clamp(count, 0, rowCount_);
    dropEditOutside();
    topRow_ = std::max(topRow_, fixedRows_);
    moveCurrent(col_, std::max(row_, fixedRows_), false);
    updateScrollBars();
    viewport()->update();
}

QString THGrid::Cells(int ACol, int ARow) const {
    if (ACol < 0 || ARow < 0 || ACol >= colCount_ || ARow >= rowCount_) return {};
    return cells_[static_cast<size_t>(ARow)][static_cast<size_t>(ACol)];
}

void THGrid::SetCells(int ACol, int ARow, const QString& text) {
    if (ACol < 0 || ARow < 0 || ACol >= colCount_ || ARow >= rowCount_) return;
    cells_[static_cast<size_t>(ARow)][static_cast<size_t>(ACol)] = text;
    viewport()->update();
}

void THGrid::Clear() {
    cancelEdit();
    for (auto& row : cells_)
        for (auto& cell : row) cell.clear();
    // The header lists are properties of the grid, not contents: they stay.
    writeHeaderCells();
    viewport()->update();
}

// ---- Widths and heights ---------------------------------------------------

void THGrid::SetDefaultColWidth(int width) {
    defaultColWidth_ = std::max(width, 0);
    std::fill(colWidths_.begin(), colWidths_.end(), defaultColWidth_);
    relayout();
    placeHeadrs();
    updateScrollBars();
    viewport()->update();
}

void THGrid::SetDefaultRowHeight(int height) {
    defaultRowHeight_ = std::max(height, 0);
    std::fill(rowHeights_.begin(), rowHeights_.end(), defaultRowHeight_);
    relayout();
    updateScrollBars();
    viewport()->update();
}

void THGrid::SetGridLineWidth(int width) {
    gridLineWidth_ = std::max(width, 0);
    relayout();
    placeHeadrs();
    updateScrollBars();
    viewport()->update();
}

int THGrid::ColWidths(int ACol) const {
    if (ACol < 0 || ACol >= colCount_) return 0;
    return colWidths_[static_cast<size_t>(ACol)];
}

void THGrid::SetColWidths(int ACol, int width) {
    if (ACol < 0 || ACol >= colCount_) return;
    width = std::max(width, 0);
    if (colWidths_[static_cast<size_t>(ACol)] == width) return;
    colWidths_[static_cast<size_t>(ACol)] = width;
    relayout();
    placeHeadrs();
    updateScrollBars();
    placeEditor();
    viewport()->update();
    emit colWidthChanged(ACol, width);
}

int THGrid::RowHeights(int ARow) const {
    if (ARow < 0 || ARow >= rowCount_) return 0;
    return rowHeights_[static_cast<size_t>(ARow)];
}

void THGrid::SetRowHeights(int ARow, int height) {
    if (ARow < 0 || ARow >= rowCount_) return;
    rowHeights_[static_cast<size_t>(ARow)] = std::max(height, 0);
    relayout();
    updateScrollBars();
    placeEditor();
    viewport()->update();
}

// ---- Header lists ---------------------------------------------------------

void THGrid::writeHeaderCells() {
    if (rowCount_ > 0 && !hCol_.isEmpty()) {
        for (int c = 0; c < colCount_; ++c)
            cells_[0][static_cast<size_t>(c)] = c < hCol_.size() ? hCol_[c] : QString();
    }
    if (colCount_ > 0 && !hRow_.isEmpty()) {
        for (int r = 1; r < rowCount_; ++r)
            cells_[static_cast<size_t>(r)][0] = r - 1 < hRow_.size() ? hRow_[r - 1] : QString();
    }
}

void THGrid::SetHCol(const QStringList& items) {
    hCol_ = items;
    syncHColVert();
    if (hCol_.isEmpty() && rowCount_ > 0) {
        for (auto& cell : cells_[0]) cell.clear();
    }
    writeHeaderCells();
    placeHeadrs();
    viewport()->update();
}

void THGrid::SetHRow(const QStringList& items) {
    hRow_ = items;
    if (hRow_.isEmpty() && colCount_ > 0) {
        for (int r = 1; r < rowCount_; ++r) cells_[static_cast<size_t>(r)][0].clear();
    }
    writeHeaderCells();
    viewport()->update();
}

void THGrid::syncHColVert() {
    QStringList synced;
    synced.reserve(hCol_.size());
    for (int i = 0; i < hCol_.size(); ++i) {
        const bool vertical = i < hColVert_.size() && hColVert_[i].startsWith(u"V-TRUE");
        synced.append((vertical ? kVertTrue : kVertFalse) + hCol_[i]);
    }
    hColVert_ = synced;
}

void THGrid::SetHColVert(const QStringList& items) {
    hColVert_ = items;
    syncHColVert();
    placeHeadrs();
    viewport()->update();
}

void THGrid::setColVertical(int ACol, bool vertical) {
    if (ACol < 0 || ACol >= hColVert_.size()) return;
    hColVert_[ACol] = (vertical ? kVertTrue : kVertFalse) + hCol_[ACol];
    viewport()->update();
}

bool THGrid::colVertical(int ACol) const {
    return ACol >= 0 && ACol < hColVert_.size() && hColVert_[ACol].startsWith(u"V-TRUE");
}

// ---- Spanning headers -----------------------------------------------------

QStringList THGrid::HHeadrs() const {
    QStringList texts;
    for (const auto& h : headrs_) texts.append(h.text);
    return texts;
}

void THGrid::SetHHeadrs(const QStringList& texts) {
    // Placements stay with their index; new headers get the default one.
    std::vector<SpanningHeader> next;
    for (int i = 0; i < texts.size(); ++i) {
        SpanningHeader h;
        if (static_cast<size_t>(i) < headrs_.size()) {
            h = headrs_[static_cast<size_t>(i)];
        } else {
            h.obj.BottomY = defaultRowHeight_ / 2;
        }
        h.text = texts[i];
        next.push_back(h);
    }
    headrs_ = std::move(next);
    placeHeadrs();
    viewport()->update();
}

QStringList THGrid::HHeadrsXY() const {
    QStringList items;
    for (const auto& h : headrs_) {
        items.append(QStringLiteral("(%1,%2)(%3,%4)=%5")
                         .arg(h.obj.CStart)
                         .arg(h.obj.CEnd)
                         .arg(h.obj.TopY)
                         .arg(h.obj.BottomY)
                         .arg(h.text));
    }
    return items;
}

void THGrid::SetHHeadrsXY(const QStringList& items) {
    static const QRegularExpression form(
        QStringLiteral(R"(\A\((-?\d+),(-?\d+)\)\((-?\d+),(-?\d+)\)=(.*)\z)"),
        QRegularExpression::DotMatchesEverythingOption);
    headrs_.clear();
    for (const QString& item : items) {
        SpanningHeader h;
        const auto m = form.match(item);
        if (m.hasMatch()) {
            h.obj.CStart = m.captured(1).toInt();
            h.obj.CEnd = m.captured(2).toInt();
            h.obj.TopY = m.captured(3).toInt();
            h.obj.BottomY = m.captured(4).toInt();
            h.text = m.captured(5);
        } else {
            // Without a readable placement the whole item is the text.
            h.obj.BottomY = defaultRowHeight_ / 2;
            h.text = item;
        }
        headrs_.push_back(h);
    }
    placeHeadrs();
    viewport()->update();
}

void THGrid::AddHeadrs(const QString& StrHeadrs) {
    AddHeadrs(StrHeadrs, -1, -1, 0, defaultRowHeight_ / 2);
}

void THGrid::AddHeadrs(const QString& StrHeadrs, int ColStart, int ColEnd, int HeadrsTop,
                       int HeadrsBottom) {
    SpanningHeader h;
    h.text = StrHeadrs;
    h.obj.CStart = ColStart;
    h.obj.CEnd = ColEnd;
    h.obj.TopY = HeadrsTop;
    h.obj.BottomY = HeadrsBottom;
    headrs_.push_back(h);
    placeHeadrs();
    viewport()->update();
}

bool THGrid::SetHeadrsIndex(int Index, int ColStart, int ColEnd, int HeadrsTop, int HeadrsBottom) {
    if (Index < 0 || static_cast<size_t>(Index) >= headrs_.size()) return false;
    TMyObj& obj = headrs_[static_cast<size_t>(Index)].obj;
    obj.CStart = ColStart;
    obj.CEnd = ColEnd;
    obj.TopY = HeadrsTop;
    obj.BottomY = HeadrsBottom;
    placeHeadrs();
    viewport()->update();
    return true;
}

void THGrid::GetHeadrsIndex(int Index, int& ColStart, int& ColEnd, int& HeadrsTop,
                            int& HeadrsBottom) const {
    const TMyObj obj = headrsObj(Index);
    const bool inRange = Index >= 0 && static_cast<size_t>(Index) < headrs_.size();
    ColStart = inRange ? obj.CStart : 0;
    ColEnd = inRange ? obj.CEnd : 0;
    HeadrsTop = inRange ? obj.TopY : 0;
    HeadrsBottom = inRange ? obj.BottomY : 0;
}

void THGrid::HeadrsClear() {
    headrs_.clear();
    viewport()->update();
}

TMyObj THGrid::headrsObj(int Index) const {
    if (Index < 0 || static_cast<size_t>(Index) >= headrs_.size()) return TMyObj{0, 0, 0, 0, 0, 0};
    return headrs_[static_cast<size_t>(Index)].obj;
}

void THGrid::placeHeadrs() {
    for (auto& h : headrs_) {
        TMyObj& o = h.obj;
        const int first = std::min(o.CStart, o.CEnd);
        const int last = std::min(std::max(o.CStart, o.CEnd), colCount_ - 1);
        if (first < 0 || first > last) {
            o.LeftX = 0;
            o.RightX = 0;
            continue;
        }
        o.LeftX = colX(first);
        o.RightX = colX(last) + ColWidths(last);
    }
}

// ---- Geometry -------------------------------------------------------------

int THGrid::colX(int ACol) const {
    return colPos_[static_cast<size_t>(std::clamp(ACol, 0, colCount_))];
}

int THGrid::rowY(int ARow) const {
    return rowPos_[static_cast<size_t>(std::clamp(ARow, 0, rowCount_))];
}

int THGrid::fixedWidth() const {
    return colX(fixedCols_);
}
int THGrid::fixedHeight() const {
    return rowY(fixedRows_);
}
int THGrid::scrollX() const {
    return colX(leftCol_) - colX(fixedCols_);
}
int THGrid::scrollY() const {
    return rowY(topRow_) - rowY(fixedRows_);
}

int THGrid::screenColX(int ACol) const {
    return ACol < fixedCols_ ? colX(ACol) : colX(ACol) - scrollX();
}

int THGrid::screenRowY(int ARow) const {
    return ARow < fixedRows_ ? rowY(ARow) : rowY(ARow) - scrollY();
}

QRect THGrid::cellRect(int ACol, int ARow) const {
    if (ACol < 0 || ARow < 0 || ACol >= colCount_ || ARow >= rowCount_) return {};
    if (ACol >= fixedCols_ && ACol < leftCol_) return {};
    if (ARow >= fixedRows_ && ARow < topRow_) return {};
    const QRect r(screenColX(ACol), screenRowY(ARow), ColWidths(ACol), RowHeights(ARow));
    if (r.left() >= viewport()->width() || r.top() >= viewport()->height()) return {};
    return r;
}

bool THGrid::cellAt(QPoint pos, int& ACol, int& ARow) const {
    ACol = -1;
    ARow = -1;
    const auto find = [](int p, int count, int fixed, int first, auto size) {
        int at = 0;
        for (int i = 0; i < count; ++i) {
            if (i == fixed) i = first;
            if (i >= count) break;
            const int next = at + size(i);
            if (p >= at && p < next) return i;
            at = next;
        }
        return -1;
    };
    ACol = find(pos.x(), colCount_, fixedCols_, leftCol_,
                [this](int c) { return ColWidths(c) + gridLineWidth_; });
    ARow = find(pos.y(), rowCount_, fixedRows_, topRow_,
                [this](int r) { return RowHeights(r) + gridLineWidth_; });
    return ACol >= 0 && ARow >= 0;
}

int THGrid::maxLeftCol() const {
    const int avail = viewport()->width() - fixedWidth();
    int acc = 0;
    for (int c = colCount_ - 1; c >= fixedCols_; --c) {
        acc += ColWidths(c) + gridLineWidth_;
        if (acc > avail) return std::clamp(c + 1, fixedCols_, std::max(fixedCols_, colCount_ - 1));
    }
    return fixedCols_;
}

int THGrid::maxTopRow() const {
    const int avail = viewport()->height() - fixedHeight();
    int acc = 0;
    for (int r = rowCount_ - 1; r >= fixedRows_; --r) {
        acc += RowHeights(r) + gridLineWidth_;
        if (acc > avail) return std::clamp(r + 1, fixedRows_, std::max(fixedRows_, rowCount_ - 1));
    }
    return fixedRows_;
}

void THGrid::updateScrollBars() {
    const int maxLeft = maxLeftCol();
    const int maxTop = maxTopRow();
    leftCol_ = std::clamp(leftCol_, fixedCols_, maxLeft);
    topRow_ = std::clamp(topRow_, fixedRows_, maxTop);
    QScrollBar* h = horizontalScrollBar();
    h->setRange(fixedCols_, maxLeft);
    h->setSingleStep(1);
    h->setPageStep(std::max(1, (colCount_ - fixedCols_) - (maxLeft - fixedCols_)));
    h->setValue(leftCol_);
    QScrollBar* v = verticalScrollBar();
    v->setRange(fixedRows_, maxTop);
    v->setSingleStep(1);
    v->setPageStep(std::max(1, (rowCount_ - fixedRows_) - (maxTop - fixedRows_)));
    v->setValue(topRow_);
}

void THGrid::SetLeftCol(int ACol) {
    leftCol_ = std::clamp(ACol, fixedCols_, maxLeftCol());
    horizontalScrollBar()->setValue(leftCol_);
    placeEditor();
    viewport()->update();
}

void THGrid::SetTopRow(int ARow) {
    topRow_ = std::clamp(ARow, fixedRows_, maxTopRow());
    verticalScrollBar()->setValue(topRow_);
    placeEditor();
    viewport()->update();
}

void THGrid::scrollContentsBy(int, int) {
    leftCol_ = horizontalScrollBar()->value();
    topRow_ = verticalScrollBar()->value();
    placeEditor();
    viewport()->update();
}

void THGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    placeEditor();
}

QSize THGrid::sizeHint() const {
    const int frame = 2 * frameWidth();
    return {std::min(colX(colCount_), 800) + frame, std::min(rowY(rowCount_), 600) + frame};
}

void THGrid::setFixedColor(const QColor& color) {
    fixedColor_ = color;
    viewport()->update();
}

// ---- Current cell and selection --------------------------------------------

QRect THGrid::selection() const {
    const int top = std::min(anchorRow_, row_);
    const int bottom = std::max(anchorRow_, row_);
    if (rowSelect_) return QRect(QPoint(fixedCols_, top), QPoint(colCount_ - 1, bottom));
    return QRect(QPoint(std::min(anchorCol_, col_), top),
                 QPoint(std::max(anchorCol_, col_), bottom));
}

void THGrid::setRowSelect(bool on) {
    rowSelect_ = on;
    viewport()->update();
}

void THGrid::MoveTo(int ACol, int ARow) {
    if (ACol < fixedCols_ || ARow < fixedRows_ || ACol >= colCount_ || ARow >= rowCount_) return;
    moveCurrent(ACol, ARow, false);
}

void THGrid::moveCurrent(int ACol, int ARow, bool extend) {
    const bool moving = ACol != col_ || ARow != row_;
    if (moving && EditorMode() && !commitEdit()) return;
    const int oldCol = col_;
    const int oldRow = row_;
    col_ = ACol;
    row_ = ARow;
    if (!extend || !rangeSelect_) {
        anchorCol_ = col_;
        anchorRow_ = row_;
    }
    makeVisible(col_, row_);
    viewport()->update();
    if (moving) emit currentCellChanged(col_, row_, oldCol, oldRow);
}

void THGrid::makeVisible(int ACol, int ARow) {
    if (ACol >= fixedCols_ && ACol < colCount_) {
        int left = std::min(leftCol_, ACol);
        const int width = viewport()->width();
        while (left < ACol &&
               colX(ACol) + ColWidths(ACol) + gridLineWidth_ - (colX(left) - colX(fixedCols_)) >
                   width)
            ++left;
        if (left != leftCol_) SetLeftCol(left);
    }
    if (ARow >= fixedRows_ && ARow < rowCount_) {
        int top = std::min(topRow_, ARow);
        const int height = viewport()->height();
        while (top < ARow &&
               rowY(ARow) + RowHeights(ARow) + gridLineWidth_ - (rowY(top) - rowY(fixedRows_)) >
                   height)
            ++top;
        if (top != topRow_) SetTopRow(top);
    }
}

}  // namespace zavlin
