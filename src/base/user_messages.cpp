#include "base/user_messages.h"

#include <cstdio>
#include <mutex>

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
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

UserMessageHandler setUserMessageHandler(UserMessageHandler handler) {
    std::lock_guard lock(handlerMutex());
    UserMessageHandler old = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return old;
}

}  // namespace zavlin
