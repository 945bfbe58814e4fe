#include "ECPlatform/ShowMessage.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace ecplatform {
namespace {

void WriteToStandardError(const std::string& text) {
  std::fputs(text.c_str(), stderr);
  std::fputc('\n', stderr);
}

std::mutex& HandlerMutex() {
  static std::mutex mutex;
  return mutex;
}

MessageHandler& CurrentHandler() {
  static MessageHandler handler = WriteToStandardError;
  return handler;
}

}  // namespace

void ShowMessage(const std::string& text) {
  MessageHandler handler;
  {
    std::lock_guard lock(HandlerMutex());
    handler = CurrentHandler();
  }
  handler(text);
}

MessageHandler SetMessageHandler(MessageHandler handler) {
  if (!handler) handler = WriteToStandardError;
  std::lock_guard lock(HandlerMutex());
  return std::exchange(CurrentHandler(), std::move(handler));
}

}  // namespace ecplatform
