// An opener that, while the worker waits at the hand-over, asks the window on
// its own thread to close, and records how the busy window answered.
#pragma once

#include <QApplication>
#include <QMetaObject>
#include <filesystem>
#include <future>
#include <string>

#include "export/document_opener.h"

namespace zavlin::test {

template <class Window>
class TClosingOpener : public exporting::TDocumentOpener {
public:
    explicit TClosingOpener(Window& window) : window_(window) {}
    bool Open(const std::filesystem::path& file, std::string& why) override {
        (void)why;
        std::promise<void> answered;
        QMetaObject::invokeMethod(
            qApp,
            [this, &answered] {
                busy = window_.Busy();
                enabled = window_.isEnabled();
                window_.close();
                window_.reject();
                visible = window_.isVisible();
                answered.set_value();
            },
            Qt::QueuedConnection);
        answered.get_future().wait();
        opened = file;
        return true;
    }
    Window& window_;
    bool busy = false;
    bool enabled = true;
    bool visible = false;
    std::filesystem::path opened;
};

}  // namespace zavlin::test
