#include "shell/ui/hgrid.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <algorithm>

namespace zavlin {

namespace {

constexpr int kSizingSlack = 3;  // pixels either side of a column border

const QString kVertTrue = QStringLiteral("V-TRUE=");
const QString kVertFalse = QStringLiteral("V-FALSE=");

// Text of digits, blanks, commas and points reads as a number.
bool looksNumeric(const QString& text) {
    for (const QChar ch : text) {
        if (!ch.isDigit() && ch != u' ' && ch != u',' && ch != u'.' && ch != QChar(0x00A0))
            return false;
    }
    return true;
}

QStringList headerLines(const QString& text) {
    QStringList lines = text.split(u';');
    if (lines.size() > THGrid::kMaxHeaderLines) lines = lines.mid(0, THGrid::kMaxHeaderLines);
    return lines;
}

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

// ---- Painting ---------------------------------------------------------------

bool THGrid::isHeaderCell(int ACol, int ARow) const {
    const bool fixed = ACol < fixedCols_ || ARow < fixedRows_;
    return fixed && (ARow == 0 || ACol == 0) && (!hCol_.isEmpty() || !hRow_.isEmpty());
}

TGridDrawStates THGrid::cellState(int ACol, int ARow) const {
    TGridDrawStates state = 0;
    const bool hot = ACol == hotCol_ && ARow == hotRow_;
    if (ACol < fixedCols_ || ARow < fixedRows_) {
        state |= gdFixed;
        if (hot) state |= gdHotTrack;
        if (ACol == pressedCol_ && ARow == pressedRow_) state |= gdPressed;
        return state;
    }
    if (selection().contains(ACol, ARow)) state |= gdSelected;
    if (ACol == col_ && ARow == row_ && (hasFocus() || (editor_ && editor_->hasFocus())))
        state |= gdFocused;
    if (rowSelect_ && ARow >= selection().top() && ARow <= selection().bottom())
        state |= gdRowSelected;
    if (hot) state |= gdHotTrack;
    return state;
}

void THGrid::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    p.fillRect(event->rect(), palette().color(QPalette::Window));
    const int width = viewport()->width();
    const int height = viewport()->height();

    std::vector<int> cols;
    for (int c = 0; c < fixedCols_; ++c) cols.push_back(c);
    for (int c = leftCol_, x = screenColX(leftCol_); c < colCount_ && x < width;
         x += ColWidths(c) + gridLineWidth_, ++c)
        cols.push_back(c);
    std::vector<int> rows;
    for (int r = 0; r < fixedRows_; ++r) rows.push_back(r);
    for (int r = topRow_, y = screenRowY(topRow_); r < rowCount_ && y < height;
         y += RowHeights(r) + gridLineWidth_, ++r)
        rows.push_back(r);

    const QColor line = palette().color(QPalette::Mid);
    const QColor fixedLine = palette().color(QPalette::Dark);
    for (const int r : rows) {
        for (const int c : cols) {
            const QRect rect(screenColX(c), screenRowY(r), ColWidths(c), RowHeights(r));
            if (!rect.intersects(event->rect()) && gridLineWidth_ == 0) continue;
            p.save();
            p.setClipRect(rect);
            drawCell(p, c, r, rect);
            p.restore();
            if (gridLineWidth_ > 0) {
                const QColor lc = (c < fixedCols_ || r < fixedRows_) ? fixedLine : line;
                p.fillRect(rect.right() + 1, rect.top(), gridLineWidth_,
                           rect.height() + gridLineWidth_, lc);
                p.fillRect(rect.left(), rect.bottom() + 1, rect.width() + gridLineWidth_,
                           gridLineWidth_, lc);
            }
        }
    }
    drawHeadrs(p);

    if (hasFocus() && !EditorMode()) {
        const QRect focus = cellRect(col_, row_);
        if (!focus.isEmpty()) {
            p.setPen(QPen(palette().color(QPalette::HighlightedText), 1, Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(focus.adjusted(1, 1, -2, -2));
        }
    }
}

void THGrid::drawCell(QPainter& p, int ACol, int ARow, const QRect& rect) {
    const TGridDrawStates state = cellState(ACol, ARow);
    QBrush brush;
    QColor fontColor;
    if (state & gdFixed) {
        brush = QBrush(fixedColor_);
        fontColor = palette().color(QPalette::ButtonText);
    } else if (state & gdSelected) {
        brush = palette().brush(QPalette::Highlight);
        fontColor = palette().color(QPalette::HighlightedText);
    } else {
        brush = palette().brush(QPalette::Base);
        fontColor = palette().color(QPalette::Text);
    }
    if (OnGetCellColor) OnGetCellColor(this, ARow, ACol, state, brush, fontColor);
    p.fillRect(rect, brush);
    p.setPen(fontColor);
    p.setFont(font());

    if (isHeaderCell(ACol, ARow)) {
        drawHeaderText(p, ACol, ARow, rect);
        return;
    }
    const QString text = Cells(ACol, ARow).left(kMaxCellChars);
    if (text.isEmpty()) return;
    const QFontMetrics fm(font());
    const int baseline = rect.top() + kTextMargin + fm.ascent();
    const int x = looksNumeric(text)
                      ? rect.left() + rect.width() - kTextMargin - fm.horizontalAdvance(text)
                      : rect.left() + kTextMargin;
    p.drawText(QPoint(x, baseline), text);
}

void THGrid::drawHeaderText(QPainter& p, int ACol, int ARow, const QRect& rect) {
    const QStringList lines = headerLines(Cells(ACol, ARow));
    const QFontMetrics fm(font());
    const int lineHeight = fm.height();
    const int block = static_cast<int>(lines.size()) * lineHeight;
    if (ARow == 0 && colVertical(ACol)) {
        // Each line becomes a column of text reading upwards.
        const int left = rect.left() + (rect.width() - block) / 2;
        for (int i = 0; i < lines.size(); ++i) {
            p.save();
            p.translate(left + i * lineHeight + fm.ascent(),
                        rect.top() + rect.height() - kTextMargin);
            p.rotate(-90);
            p.drawText(QPoint(0, 0), lines[i]);
            p.restore();
        }
        return;
    }
    const int top = rect.top() + (rect.height() - block) / 2;
    const bool headerRow = ARow < fixedRows_;
    for (int i = 0; i < lines.size(); ++i) {
        const int x = headerRow ? rect.left() + (rect.width() - fm.horizontalAdvance(lines[i])) / 2
                                : rect.left() + kTextMargin;
        p.drawText(QPoint(x, top + i * lineHeight + fm.ascent()), lines[i]);
    }
}

void THGrid::drawHeadrs(QPainter& p) {
    const int offset = scrollX();
    const int fixedEdge = fixedWidth();
    const QFontMetrics fm(font());
    for (const auto& h : headrs_) {
        const TMyObj& o = h.obj;
        const int first = std::min(o.CStart, o.CEnd);
        const int last = std::max(o.CStart, o.CEnd);
        if (first < 0 || first >= colCount_) continue;
        int left = o.LeftX - (first >= fixedCols_ ? offset : 0);
        const int right = o.RightX - (last >= fixedCols_ ? offset : 0);
        bool openLeft = false;
        if (first >= fixedCols_ && left < fixedEdge) {
            left = fixedEdge;
            openLeft = true;
        }
        if (right <= left) continue;
        const int top = std::min(o.TopY, o.BottomY);
        const int bottom = std::max(o.TopY, o.BottomY);
        if (bottom <= top) continue;
        const QRect band(left, top, right - left, bottom - top);
        p.save();
        p.setClipRect(band);
        p.fillRect(band, fixedColor_);
        p.setPen(palette().color(QPalette::WindowText));
        p.setFont(font());
        const QStringList lines = headerLines(h.text);
        const int lineHeight = fm.height();
        const int textTop = top + (band.height() - static_cast<int>(lines.size()) * lineHeight) / 2;
        for (int i = 0; i < lines.size(); ++i) {
            const int x = left + (band.width() - fm.horizontalAdvance(lines[i])) / 2;
            p.drawText(QPoint(x, textTop + i * lineHeight + fm.ascent()), lines[i]);
        }
        const int r = band.right();
        const int b = band.bottom();
        p.drawLine(left, top, r, top);
        p.drawLine(left, b, r, b);
        p.drawLine(r, top, r, b);
        if (!openLeft) p.drawLine(left, top, left, b);
        p.restore();
    }
}

// ---- Keyboard ---------------------------------------------------------------

bool THGrid::focusNextPrevChild(bool next) {
    if (tabMoves_) return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

bool THGrid::handleNavigationKey(QKeyEvent* event) {
    if (colCount_ <= fixedCols_ || rowCount_ <= fixedRows_) return false;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int firstCol = fixedCols_;
    const int lastCol = colCount_ - 1;
    const int firstRow = fixedRows_;
    const int lastRow = rowCount_ - 1;
    int c = col_;
    int r = row_;
    const int page = std::max(1, verticalScrollBar()->pageStep());
    bool extend = shift;
    switch (event->key()) {
        case Qt::Key_Left:
            c = std::max(firstCol, c - 1);
            break;
        case Qt::Key_Right:
            c = std::min(lastCol, c + 1);
            break;
        case Qt::Key_Up:
            r = std::max(firstRow, r - 1);
            break;
        case Qt::Key_Down:
            r = std::min(lastRow, r + 1);
            break;
        case Qt::Key_PageUp:
            r = std::max(firstRow, r - page);
            break;
        case Qt::Key_PageDown:
            r = std::min(lastRow, r + page);
            break;
        case Qt::Key_Home:
            c = firstCol;
            if (ctrl) r = firstRow;
            break;
        case Qt::Key_End:
            c = lastCol;
            if (ctrl) r = lastRow;
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: {
            if (!tabMoves_) return false;
            extend = false;
            const bool back = event->key() == Qt::Key_Backtab || shift;
            if (back) {
                if (c > firstCol) {
                    --c;
                } else if (r > firstRow) {
                    c = lastCol;
                    --r;
                }
            } else if (c < lastCol) {
                ++c;
            } else if (r < lastRow) {
                c = firstCol;
                ++r;
            }
            break;
        }
        default:
            return false;
    }
    moveCurrent(c, r, extend);
    return true;
}

QString THGrid::selectionText() const {
    const QRect sel = selection();
    QStringList lines;
    for (int r = sel.top(); r <= sel.bottom(); ++r) {
        QStringList row;
        for (int c = sel.left(); c <= sel.right(); ++c) row.append(Cells(c, r));
        lines.append(row.join(u'\t'));
    }
    return lines.join(u'\n');
}

void THGrid::keyPressEvent(QKeyEvent* event) {
    if (EditorMode() && !forwarding_) {
        // Keys reaching the grid during an edit belong to the editor; what the
        // editor leaves comes back here once and goes no further.
        forwarding_ = true;
        editor_->setFocus(Qt::OtherFocusReason);
        QCoreApplication::sendEvent(editor_, event);
        forwarding_ = false;
        return;
    }
    if (forwarding_) return;
    if (event->matches(QKeySequence::Copy) && !EditorMode()) {
        QGuiApplication::clipboard()->setText(selectionText());
        return;
    }
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (editable_ && !EditorMode() && plain) {
        switch (event->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_F2:
                ShowEditor();
                return;
            case Qt::Key_Delete: {
                const QRect sel = selection();
                for (int r = sel.top(); r <= sel.bottom(); ++r) {
                    for (int c = sel.left(); c <= sel.right(); ++c) {
                        const QString old = Cells(c, r);
                        if (old.isEmpty()) continue;
                        if (OnValidateEdit && !OnValidateEdit(c, r, QString())) continue;
                        SetCells(c, r, QString());
                        emit cellEdited(c, r, old);
                    }
                }
                return;
            }
            default:
                break;
        }
        const QString typed = event->text();
        if (!typed.isEmpty() && typed.at(0).isPrint() && col_ >= fixedCols_ && row_ >= fixedRows_ &&
            col_ < colCount_ && row_ < rowCount_) {
            openEditor(typed, false);
            return;
        }
    }
    if (handleNavigationKey(event)) return;
    QAbstractScrollArea::keyPressEvent(event);
}

// ---- Editing ------------------------------------------------------------------

void THGrid::setEditable(bool on) {
    if (!on) cancelEdit();
    editable_ = on;
}

bool THGrid::EditorMode() const {
    return editCol_ >= 0;
}

void THGrid::ShowEditor() {
    if (!editable_ || EditorMode()) return;
    if (col_ < fixedCols_ || row_ < fixedRows_ || col_ >= colCount_ || row_ >= rowCount_) return;
    openEditor(Cells(col_, row_), false);
}

void THGrid::openEditor(const QString& text, bool selectAll) {
    if (!editor_) {
        editor_ = new QLineEdit(viewport());
        editor_->setFrame(false);
        editor_->installEventFilter(this);
    }
    editCol_ = col_;
    editRow_ = row_;
    editor_->setText(text);
    placeEditor();
    editor_->show();
    editor_->setFocus(Qt::OtherFocusReason);
    if (selectAll)
        editor_->selectAll();
    else
        editor_->end(false);
    viewport()->update();
}

void THGrid::placeEditor() {
    if (!EditorMode() || !editor_) return;
    const QRect rect = cellRect(editCol_, editRow_);
    // A cell scrolled away keeps its editor, out of sight, until it returns.
    editor_->setGeometry(rect.isEmpty() ? QRect(-10000, -10000, 10, 10) : rect);
}

bool THGrid::commitEdit() {
    if (!EditorMode()) return true;
    const QString text = editor_->text();
    const int c = editCol_;
    const int r = editRow_;
    if (OnValidateEdit && !OnValidateEdit(c, r, text)) {
        // The refused text is where the user can mend it.
        if (hasFocus()) editor_->setFocus(Qt::OtherFocusReason);
        return false;
    }
    const bool hadFocus = editor_->hasFocus();
    editCol_ = -1;
    editRow_ = -1;
    editor_->hide();
    if (hadFocus) setFocus(Qt::OtherFocusReason);
    const QString old = Cells(c, r);
    if (old != text) {
        SetCells(c, r, text);
        emit cellEdited(c, r, old);
    }
    viewport()->update();
    return true;
}

void THGrid::dropEditOutside() {
    // An edit survives a change of the grid's shape as long as its cell is
    // still an editable one; text typed into a cell that is gone has no place.
    if (!EditorMode()) return;
    if (editCol_ < fixedCols_ || editRow_ < fixedRows_ || editCol_ >= colCount_ ||
        editRow_ >= rowCount_)
        cancelEdit();
    else
        placeEditor();
}

void THGrid::cancelEdit() {
    if (!EditorMode()) return;
    const bool hadFocus = editor_->hasFocus();
    editCol_ = -1;
    editRow_ = -1;
    editor_->hide();
    if (hadFocus) setFocus(Qt::OtherFocusReason);
    viewport()->update();
}

bool THGrid::eventFilter(QObject* object, QEvent* event) {
    if (object != editor_ || !EditorMode()) return QAbstractScrollArea::eventFilter(object, event);
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
            case Qt::Key_Escape:
                cancelEdit();
                return true;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                (void)commitEdit();
                return true;
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
                if (commitEdit()) (void)handleNavigationKey(key);
                return true;
            default:
                break;
        }
    } else if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // A popup or another window only borrows the focus; the edit goes on.
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            (void)commitEdit();
    }
    return QAbstractScrollArea::eventFilter(object, event);
}

void THGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void THGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

// ---- Mouse ------------------------------------------------------------------

int THGrid::sizingColAt(QPoint pos) const {
    if (!colSizing_ || pos.y() >= fixedHeight()) return -1;
    int best = -1;
    int bestDistance = kSizingSlack + 1;
    for (int c = 0; c < colCount_; ++c) {
        if (c >= fixedCols_ && c < leftCol_) continue;
        const int border = screenColX(c) + ColWidths(c);
        const int distance = std::abs(pos.x() - border);
        if (distance < bestDistance) {
            best = c;
            bestDistance = distance;
        }
        if (border > viewport()->width()) break;
    }
    return best;
}

void THGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    const QPoint pos = event->position().toPoint();
    const int sizing = sizingColAt(pos);
    if (sizing >= 0) {
        sizingCol_ = sizing;
        sizingStartX_ = pos.x();
        sizingStartWidth_ = ColWidths(sizing);
        return;
    }
    int c = 0;
    int r = 0;
    if (!cellAt(pos, c, r)) return;
    if (c < fixedCols_ || r < fixedRows_) {
        pressedCol_ = c;
        pressedRow_ = r;
        viewport()->update();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    moveCurrent(c, r, event->modifiers() & Qt::ShiftModifier);
    selecting_ = true;
}

void THGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (sizingCol_ >= 0) {
        SetColWidths(sizingCol_, sizingStartWidth_ + pos.x() - sizingStartX_);
        return;
    }
    viewport()->setCursor(sizingColAt(pos) >= 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
    int c = 0;
    int r = 0;
    const bool inside = cellAt(pos, c, r);
    if (c != hotCol_ || r != hotRow_) {
        hotCol_ = c;
        hotRow_ = r;
        viewport()->update();
    }
    if (selecting_ && inside && c >= fixedCols_ && r >= fixedRows_) moveCurrent(c, r, true);
}

void THGrid::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    sizingCol_ = -1;
    selecting_ = false;
    if (pressedCol_ >= 0) {
        pressedCol_ = -1;
        pressedRow_ = -1;
        viewport()->update();
    }
}

void THGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    int c = 0;
    int r = 0;
    if (event->button() == Qt::LeftButton && cellAt(event->position().toPoint(), c, r) &&
        c == col_ && r == row_)
        ShowEditor();
}

void THGrid::leaveEvent(QEvent* event) {
    QAbstractScrollArea::leaveEvent(event);
    if (hotCol_ >= 0 || hotRow_ >= 0) {
        hotCol_ = -1;
        hotRow_ = -1;
        viewport()->update();
    }
}

}  // namespace zavlin
