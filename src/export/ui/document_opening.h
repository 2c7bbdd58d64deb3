// The hand-over of a finished document to the desktop, for every window that
// makes one. The program that opens it is named in the home's "Zavlin98.ini"
// (section "Documents", key "Opener"; "xdg-open" when unset) and is read
// afresh at each hand-over, so a changed setting takes effect at once.
#pragma once

#include <memory>

#include "export/document_opener.h"
#include "shell/ui/window_context.h"

namespace zavlin::exporting::ui {

// The opener to hand documents to: the installed one while a
// TScopedDocumentOpener lives, else the program of the settings. Call it on
// the window's thread; the result may then be used on a worker.
std::unique_ptr<TDocumentOpener> DocumentOpener(shell::ui::TWindowContext& context);

// While it lives, every DocumentOpener forwards to opener (tests install a
// TRecordingOpener so that nothing is started on the desktop). Not nested.
class TScopedDocumentOpener {
public:
    explicit TScopedDocumentOpener(TDocumentOpener& opener);
    ~TScopedDocumentOpener();
    TScopedDocumentOpener(const TScopedDocumentOpener&) = delete;
    TScopedDocumentOpener& operator=(const TScopedDocumentOpener&) = delete;

private:
    TDocumentOpener* previous_;
};

}  // namespace zavlin::exporting::ui
