// The engine's two primitives on public data: both run in variable time (see publicVartime.h).
#include "ECCrypt/fast/engine.h"
#include "ECCrypt/fast/publicVartime.h"

namespace eccrypt::fast {

bool CheckSignature(const TvlPoint& q, const TvlPoint& h, const TvlPoint& r, const TvlPoint& s) {
  return CheckSignatureVartime(q, h, r, s);
}

bool IsCompressedGroupPoint(const TvlPoint& v) {
  return IsCompressedGroupPointVartime(v);
}

}  // namespace eccrypt::fast
