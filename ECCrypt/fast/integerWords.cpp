#include "ECCrypt/fast/integerWords.h"

#include <cstddef>

namespace eccrypt::fast {

bool IntegerToWordsVartime(std::uint64_t out[4], const TvlPoint& v) {
  const std::int32_t length = v.Length();
  if (length < 0 || length > TvlPoint::Capacity) return false;
  for (int i = 0; i < 4; ++i) out[i] = 0;
  for (std::int32_t i = 1; i <= length; ++i) {
    const auto digit = static_cast<std::uint64_t>(v.Words[static_cast<std::size_t>(i)]) & 0xFFFF;
    if (i > 16) {
      if (digit != 0) return false;
      continue;
    }
    out[(i - 1) / 4] |= digit << (16 * ((i - 1) % 4));
  }
  return true;
}

void WordsToIntegerVartime(TvlPoint& out, const std::uint64_t w[4]) {
  out.Zero();
  std::int32_t length = 0;
  for (std::int32_t i = 1; i <= 16; ++i) {
    const auto digit = static_cast<std::int32_t>((w[(i - 1) / 4] >> (16 * ((i - 1) % 4))) & 0xFFFF);
    out.Words[static_cast<std::size_t>(i)] = digit;
    if (digit != 0) length = i;
  }
  out.Words[0] = length;
}

}  // namespace eccrypt::fast
