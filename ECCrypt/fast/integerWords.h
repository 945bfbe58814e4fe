#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// Integers of up to 256 bits between TvlPoint's 16-bit digits and four 64-bit words (word 0
// lowest), for public values.
#include <cstdint>

#include "ECCrypt/bigint/vlPoint.h"

namespace eccrypt::fast {

// out := v when v is below 2^256 (digits above the 16th may be written, as zeros); returns
// false, out unspecified, for a larger value or a length word outside 0..19. Variable time.
bool IntegerToWordsVartime(std::uint64_t out[4], const TvlPoint& v);

// out := the value of w in normal form. Variable time (the length depends on the value).
void WordsToIntegerVartime(TvlPoint& out, const std::uint64_t w[4]);

}  // namespace eccrypt::fast
