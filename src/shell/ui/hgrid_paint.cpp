// Drawing of THGrid: the cells, their header texts and the spanning headers.
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "shell/ui/hgrid.h"

namespace zavlin {

namespace {

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
            const QRect withLines = rect.adjusted(0, 0, gridLineWidth_, gridLineWidth_);
            if (!withLines.intersects(event->rect())) continue;
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

}  // namespace zavlin
