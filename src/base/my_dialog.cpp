#include "base/my_dialog.h"

#include <atomic>
#include <cstdio>

namespace zavlin {
namespace {

TConsoleDialog& defaultDialog() {
    static TConsoleDialog d(false);
    return d;
}

std::atomic<TMyDialog*>& installed() {
    static std::atomic<TMyDialog*> d{nullptr};
    return d;
}

}  // namespace

bool TConsoleDialog::MessageDlg(const std::string& Msg, const std::string& Caption) {
    std::fprintf(stderr, "%s: %s [%s]\n", Caption.c_str(), Msg.c_str(), answer_ ? "Да" : "Нет");
    return answer_;
}

void TConsoleDialog::MessageShow(const std::string& Msg) {
    std::fprintf(stderr, "%s\n", Msg.c_str());
}

bool TScriptedDialog::MessageDlg(const std::string& Msg, const std::string&) {
    asked.push_back(Msg);
    if (answers_.empty()) return default_;
    const bool a = answers_.front();
    answers_.pop_front();
    return a;
}

TMyDialog& myDialog() {
    TMyDialog* d = installed().load();
    return d ? *d : defaultDialog();
}

TMyDialog* setMyDialog(TMyDialog* dialog) {
    return installed().exchange(dialog);
}

}  // namespace zavlin
