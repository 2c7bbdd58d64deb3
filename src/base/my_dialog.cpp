#include "base/my_dialog.h"

#include <cstdio>

namespace zavlin {

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

}  // namespace zavlin
