#pragma once
// Support for the stress tests: round counts scaled down under sanitizers, random pass phrases
// and digests, and a guard that counts messages shown while a test runs.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <random>
#include <string>

#include "ECPlatform/ShowMessage.h"
#include "support/componentSupport.h"

namespace eccrypt::testsupport {

// Rounds for an optimised build, divided by `slowdown` (at least one) under sanitizers, which
// make the arithmetic ten to thirty times slower.
constexpr int Rounds(int rounds, int slowdown) {
#ifdef ECCRYPT_STRESS_SANITIZED
  return rounds / slowdown > 0 ? rounds / slowdown : 1;
#else
  (void)slowdown;
  return rounds;
#endif
}

inline std::string RandomPassPhrase(std::mt19937_64& rng) {
  std::uniform_int_distribution<int> length(0, 40), byte(0, 255);
  std::string s;
  for (int n = length(rng); n > 0; --n) s += static_cast<char>(byte(rng));
  return s;
}

inline Digest RandomDigest(std::mt19937_64& rng) {
  std::uniform_int_distribution<int> byte(0, 255);
  Digest d{};
  for (auto& b : d) b = static_cast<std::uint8_t>(byte(rng));
  return d;
}

// Counts the messages shown, from any thread, while it lives; the component must show none.
class MessageCounter {
 public:
  MessageCounter() {
    previous_ = ecplatform::SetMessageHandler([this](const std::string&) { ++count_; });
  }
  ~MessageCounter() { ecplatform::SetMessageHandler(previous_); }
  MessageCounter(const MessageCounter&) = delete;
  MessageCounter& operator=(const MessageCounter&) = delete;
  int Count() const { return count_.load(); }

 private:
  std::atomic<int> count_{0};
  ecplatform::MessageHandler previous_;
};

}  // namespace eccrypt::testsupport
