// Planted leaks: the check must catch them, or a clean run of the other cases proves nothing.
// Each case reads a poisoned byte the way constant-time code must not; its CTest case passes
// only when memcheck reports it with the leaking function in the stack (memcheck.sh leak).
#include <array>
#include <cstdint>

#include "ECCrypt/fast/ct.h"
#include "ctcheck/ctcheck.h"

namespace eccrypt::ctcheck {
namespace {

volatile std::uint8_t sink;

// Branches on a secret bit. The store is volatile, so the compiler cannot replace the branch by
// a conditional move (which memcheck would not report).
[[gnu::noinline]] void LeakyBranch(const std::uint8_t* secret) {
  if ((secret[0] & 1) != 0) sink = 1;
}

// Reads a table at a secret index: the load address depends on the secret.
[[gnu::noinline]] std::uint8_t LeakyLookup(const std::uint8_t* secret) {
  static constexpr std::array<std::uint8_t, 256> table = [] {
    std::array<std::uint8_t, 256> t{};
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return t;
  }();
  return table[secret[0]];
}

bool Branch() {
  std::uint8_t secret = 0x5b;
  fast::CtPoison(&secret, 1);
  LeakyBranch(&secret);
  return true;
}

bool Lookup() {
  std::uint8_t secret = 0x5b;
  fast::CtPoison(&secret, 1);
  sink = LeakyLookup(&secret);
  return true;
}

constexpr TCase Cases[] = {{"leak.branch", Branch}, {"leak.lookup", Lookup}};

}  // namespace

std::span<const TCase> PlantedLeakCases() {
  return Cases;
}

}  // namespace eccrypt::ctcheck
