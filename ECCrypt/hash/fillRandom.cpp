// TvlPoint::FillRandom lives with the random sources: it is the integer face of the runtime
// generator.
#include <cstddef>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/fast/ct.h"
#include "ECCrypt/hash/runtimeRandom.h"

namespace eccrypt {
namespace {

constexpr std::size_t RandomDigits = 17;  // values below 2^272, not reduced mod n

}  // namespace

void TvlPoint::FillRandom() {
  Randomize();
  for (std::size_t i = 1; i <= RandomDigits; ++i) Words[i] = RandInt(DigitBase);
  // The length scans all 19 digits: callers pass a zero integer, so the digits above 17 are 0.
  // It is the highest nonzero digit's index, found with masks: the digits are secret (nonces,
  // ephemeral scalars), so neither a branch nor the number of steps may depend on them.
  std::uint64_t length = 0;
  for (std::size_t j = 1; j <= Capacity; ++j) {
    const std::uint64_t nonzero = ~fast::CtIsZeroMask(static_cast<std::uint32_t>(Words[j]));
    length = fast::CtSelect(nonzero, j, length);
  }
  Words[0] = static_cast<std::int32_t>(length);
}

}  // namespace eccrypt
