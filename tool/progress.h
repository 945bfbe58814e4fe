#pragma once
// A progress line on standard error for long encryptions and decryptions.
//
// It shows itself only when standard error is a terminal and the work has run for more than
// a second, and redraws at most a few times a second; otherwise it prints nothing.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace eccrypt::tool {

class TProgressMeter {
 public:
  // `label` names the work ("encrypting"); `total` is the input size when known.
  TProgressMeter(std::string label, std::optional<std::uint64_t> total);
  ~TProgressMeter();
  TProgressMeter(const TProgressMeter&) = delete;
  TProgressMeter& operator=(const TProgressMeter&) = delete;

  // Records that `bytes` more input bytes are done.
  void Advance(std::uint64_t bytes);
  // Erases the progress line, if one was drawn.
  void Finish();

 private:
  void Draw();

  std::string label_;
  std::optional<std::uint64_t> total_;
  std::uint64_t done_ = 0;
  bool enabled_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace eccrypt::tool
