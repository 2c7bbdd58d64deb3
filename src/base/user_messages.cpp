#include "base/user_messages.h"

#include <mutex>

#include "base/my_dialog.h"

namespace zavlin {
namespace {

std::mutex& handlerMutex() {
    static std::mutex m;
    return m;
}

UserMessageHandler& currentHandler() {
    static UserMessageHandler handler;
    return handler;
}

}  // namespace

void showUserMessage(const std::string& text) {
    UserMessageHandler handler;
    {
        std::lock_guard lock(handlerMutex());
        handler = currentHandler();
    }
    if (handler) {
        handler(text);
    } else {
        myDialog().MessageShow(text);
    }
}

UserMessageHandler setUserMessageHandler(UserMessageHandler handler) {
    std::lock_guard lock(handlerMutex());
    UserMessageHandler old = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return old;
}

}  // namespace zavlin
