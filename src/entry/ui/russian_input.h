// The input filter of the name fields: a key that would put a character the
// name may not hold (a Latin letter, say) into the field is dropped and
// "Только русский шрифт!" is shown. A run of refused keys is told once, so
// holding a key down or typing a word in the wrong layout gives one message;
// the next accepted character starts a new attempt. Pasted text loses the
// refused characters, with the same single message.
#pragma once

#include <QObject>

#include "entry/name_input.h"

class QLineEdit;

namespace zavlin {
class TMyDialog;
}

namespace zavlin::entry::ui {

class TRussianInput : public QObject {
    Q_OBJECT
public:
    // Filters edit (which owns the filter) and limits it to maxChars
    // characters of the name's table field.
    static TRussianInput* Attach(QLineEdit* edit, TMyDialog& dialog, TNameKind kind,
                                 std::size_t maxChars);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TRussianInput(QLineEdit* edit, TMyDialog& dialog, TNameKind kind);
    void refuse();
    void onEdited(const QString& text);

    QLineEdit* edit_;
    TMyDialog& dialog_;
    TNameKind kind_;
    bool told_ = false;
};

}  // namespace zavlin::entry::ui
