#include "ECCrypt/digestToInteger.h"

namespace eccrypt {

void DigestToInteger(const std::uint8_t* digest, TvlPoint& h, TvlPoint& h0) {
  h.AssignSmall(digest[0] + 1);
  h0.CopyFrom(h);
  for (int i = 1; i < DigestBytes; ++i) {
    h.MulSmall(h, 3 * digest[i] + 1);
    h.Add(h0);
  }
}

}  // namespace eccrypt
