// Plain informational messages meant for the person at the screen. The core
// layers raise them through this one hook; the window program installs a real
// message box, the command line prints to stderr, tests record them.
#pragma once

#include <functional>
#include <string>

namespace zavlin {

using UserMessageHandler = std::function<void(const std::string& text)>;

void showUserMessage(const std::string& text);

// Returns the handler that was installed before. An empty handler restores the
// default: the information box of the installed TMyDialog.
UserMessageHandler setUserMessageHandler(UserMessageHandler handler);

}  // namespace zavlin
