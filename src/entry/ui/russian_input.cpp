#include "entry/ui/russian_input.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "base/my_dialog.h"

namespace zavlin::entry::ui {

namespace {

// Whether every character of a key's text may go into the name.
bool allAllowed(const QString& text, TNameKind kind) {
    const QList<uint> codes = text.toUcs4();
    for (uint c : codes)
        if (!isNameChar(static_cast<char32_t>(c), kind)) return false;
    return true;
}

}  // namespace

TRussianInput* TRussianInput::Attach(QLineEdit* edit, TMyDialog& dialog, TNameKind kind,
                                     std::size_t maxChars) {
    auto* filter = new TRussianInput(edit, dialog, kind);
    // Cyrillic letters are one UTF-16 unit each, so the edit's own limit
    // counts characters as the table field does.
    edit->setMaxLength(static_cast<int>(maxChars));
    return filter;
}

TRussianInput::TRussianInput(QLineEdit* edit, TMyDialog& dialog, TNameKind kind)
    : QObject(edit), edit_(edit), dialog_(dialog), kind_(kind) {
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this, &TRussianInput::onEdited);
}

void TRussianInput::refuse() {
    if (told_) return;
    told_ = true;
    dialog_.MessageShow(kOnlyRussianMessage);
}

bool TRussianInput::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::FocusIn) told_ = false;
    if (watched != edit_ || event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    // Shortcuts (copy, paste, undo) and editing keys pass; pasted text is
    // looked at once it arrived.
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    const QString text = key->text();
    if (text.isEmpty() || text.at(0).unicode() < 0x20 || text.at(0).unicode() == 0x7F) return false;
    if (allAllowed(text, kind_)) {
        told_ = false;
        return false;
    }
    refuse();
    return true;
}

void TRussianInput::onEdited(const QString& text) {
    bool dropped = false;
    const std::string kept = keepNameChars(text.toStdString(), kind_, &dropped);
    if (!dropped) return;
    const int cursor = edit_->cursorPosition();
    const int lost =
        static_cast<int>(text.size()) - static_cast<int>(QString::fromStdString(kept).size());
    edit_->setText(QString::fromStdString(kept));
    edit_->setCursorPosition(std::max(0, cursor - lost));
    told_ = false;  // a paste is an attempt of its own
    refuse();
}

}  // namespace zavlin::entry::ui
