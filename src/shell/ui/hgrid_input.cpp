// Keyboard, mouse and in-place editing of THGrid.
#include <QClipboard>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <cstdlib>

#include "shell/ui/hgrid.h"

namespace zavlin {

namespace {

constexpr int kSizingSlack = 3;  // pixels either side of a column border

}  // namespace

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
