#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// ShowMessage: the platform's way of putting a message in front of the user.
// By default the text and a newline go to standard error. An application (or a test) may
// install its own handler; it applies process-wide.
#include <functional>
#include <string>

namespace ecplatform {

using MessageHandler = std::function<void(const std::string& text)>;

void ShowMessage(const std::string& text);

// Installs a handler and returns the previous one. An empty handler restores the default.
MessageHandler SetMessageHandler(MessageHandler handler);

}  // namespace ecplatform
