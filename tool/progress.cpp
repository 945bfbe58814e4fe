#include "tool/progress.h"

#include <unistd.h>

#include <cstdio>

namespace eccrypt::tool {

namespace {

using namespace std::chrono_literals;
constexpr auto kQuietStart = 1s;  // short jobs print nothing
constexpr auto kRedrawInterval = 200ms;

std::string Megabytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return text;
}

}  // namespace

TProgressMeter::TProgressMeter(std::string label, std::optional<std::uint64_t> total)
    : label_(std::move(label)),
      total_(total),
      enabled_(isatty(STDERR_FILENO) == 1),
      start_(std::chrono::steady_clock::now()),
      lastDraw_(start_) {}

TProgressMeter::~TProgressMeter() {
  Finish();
}

void TProgressMeter::Advance(std::uint64_t bytes) {
  done_ += bytes;
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - start_ < kQuietStart || now - lastDraw_ < kRedrawInterval) return;
  lastDraw_ = now;
  Draw();
}

void TProgressMeter::Draw() {
  const double seconds = std::chrono::duration<double>(lastDraw_ - start_).count();
  const double rate = seconds > 0 ? static_cast<double>(done_) / 1e6 / seconds : 0;
  std::string line = "\r" + label_ + ": " + Megabytes(done_);
  if (total_ && *total_ > 0) {
    const double percent = 100.0 * static_cast<double>(done_) / static_cast<double>(*total_);
    char text[48];
    std::snprintf(text, sizeof text, " of %s (%.0f%%)", Megabytes(*total_).c_str(), percent);
    line += text;
  }
  char speed[32];
  std::snprintf(speed, sizeof speed, ", %.0f MB/s   ", rate);
  line += speed;
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  drawn_ = true;
}

void TProgressMeter::Finish() {
  if (!drawn_) return;
  std::fputs("\r\033[K", stderr);  // back to the line start and erase it
  std::fflush(stderr);
  drawn_ = false;
}

}  // namespace eccrypt::tool
