#pragma once
// TToolError: a failure the tool reports to its user and turns into an exit status.
//
// Every message says what is wrong; the hint, when there is one, says what to do about it.
#include <stdexcept>
#include <string>

namespace eccrypt::tool {

// Exit statuses of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // verification failed, bad input, I/O failure
inline constexpr int kExitUsage = 2;   // the command line itself is wrong

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

}  // namespace eccrypt::tool
