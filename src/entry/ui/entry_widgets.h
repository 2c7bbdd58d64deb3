// Small pieces every data-entry window builds the same way.
#pragma once

#include <QString>
#include <string>

#include "shell/ui/window_context.h"

class QBoxLayout;
class QDate;
class QDialog;
class QDialogButtonBox;
class QPushButton;
class QWidget;

namespace zavlin::entry::ui {

using shell::ui::TWindowContext;

// A push button that is never the default of its dialog (Enter belongs to
// the grid or the list), added to layout when one is given.
QPushButton* MakeButton(QWidget* parent, const QString& text, const QString& objectName,
                        QBoxLayout* layout = nullptr);

// "OK" ("OkButton", default) and "Отмена" ("CancelButton", rejects) for a
// dialog; OK is left to the caller to connect, since each dialog checks first.
QDialogButtonBox* MakeOkCancel(QDialog* dialog, QPushButton** ok);

// The big windows fill the work area of the screen they open on.
void FillWorkArea(QWidget* window);

// Opens a window of a later part of the program through the context; says it
// is missing when nothing opened it. caption: the window's menu caption.
void OpenOtherWindow(TWindowContext& context, const std::string& window,
                     const std::string& caption);

// Stored dates (whole days since 30 December 1899) and the calendar's dates.
QDate DateFromStored(int days);
int StoredFromDate(const QDate& date);

}  // namespace zavlin::entry::ui
