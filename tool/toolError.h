#pragma once
// TToolError: a failure the tool reports to its user and turns into an exit status.
//
// Every message says what is wrong; the hint, when there is one, says what to do about it.
#include <stdexcept>
#include <string>
#include <utility>

namespace eccrypt::tool {

// Exit statuses of the tool: the scripting contract, documented in the manual.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // refused: a bad signature, a file that does not decrypt,
                                       // a wrong pass phrase, malformed keys or files
inline constexpr int kExitUsage = 2;   // the command line itself is wrong
inline constexpr int kExitIo = 3;      // a file or stream could not be opened, read or written

class TToolError : public std::runtime_error {
 public:
  explicit TToolError(const std::string& message, std::string hint = {}, int exitCode = kExitFailed)
      : std::runtime_error(message), hint_(std::move(hint)), exitCode_(exitCode) {}

  const std::string& Hint() const { return hint_; }
  int ExitCode() const { return exitCode_; }

 private:
  std::string hint_;
  int exitCode_;
};

// A file or stream that could not be opened, read or written. Every such failure is made here,
// so that its exit status is decided in one place.
inline TToolError IoError(const std::string& message, std::string hint = {}) {
  return TToolError(message, std::move(hint), kExitIo);
}

}  // namespace eccrypt::tool
