// TvlPoint::FillRandom lives with the random sources: it is the integer face of the runtime
// generator.
#include <cstddef>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/hash/runtimeRandom.h"

namespace eccrypt {
namespace {

constexpr std::size_t RandomDigits = 17;  // values below 2^272, not reduced mod n

}  // namespace

void TvlPoint::FillRandom() {
  Randomize();
  for (std::size_t i = 1; i <= RandomDigits; ++i) Words[i] = RandInt(DigitBase);
  // The length scans all 19 digits: callers pass a zero integer, so the digits above 17 are 0.
  std::int32_t length = 0;
  for (std::int32_t j = Capacity; j >= 1; --j) {
    if (Words[static_cast<std::size_t>(j)] != 0) {
      length = j;
      break;
    }
  }
  Words[0] = length;
}

}  // namespace eccrypt
