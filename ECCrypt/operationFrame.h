#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// The frame every working operation of TEllipticCurve runs in. The operation itself tests its
// required inputs (an empty one means Clear and return, before anything is created); the frame
// runs the body, whose working integers and generator are automatic objects, so they are
// released (and wiped) on every path. Any exception from the body ends in Clear and goes no
// further: no operation lets one reach its caller.
#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/bigint/vlPoint.h"

namespace eccrypt {

template <class Body>
void RunInFrame(TEllipticCurve& component, Body&& body) noexcept {
  try {
    body();
  } catch (...) {
    component.Clear();
  }
}

// Refuses, by throwing std::invalid_argument, a public key or exchanged value that is not the
// compressed form of a nonzero multiple of the base point. Such values would otherwise be
// computed with and give session keys or verdicts without meaning (zero, the point of order 2,
// an x with no point, points of small order that leak the secret key bit by bit).
void RequireGroupPoint(const TvlPoint& value);

// Refuses, by throwing std::invalid_argument, a secret key that is a multiple of the group order
// n (zero among them). It multiplies every point to the zero point: Decrypt would hand out the
// session key 0 as if all were well, and Sign would publish its nonce as s. Keys that MakeKey
// derives are below 2^240 and never zero in practice. Constant time in the key: the refusal is
// the only thing about it that shows.
void RequireUsableSecretKey(const TvlPoint& secretKey);

}  // namespace eccrypt
