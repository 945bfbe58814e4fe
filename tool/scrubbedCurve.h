#pragma once
// A TEllipticCurve that wipes its secret texts when it goes out of scope.
#include "ECCrypt/ECCrypt.h"

namespace eccrypt::tool {

// Overwrites the component's pass phrase, secret key and session key in place with zeros and
// empties them, so the copies the component holds do not linger in freed memory.
void ScrubComponent(TEllipticCurve& component);
// The same for the pass phrase alone.
void ScrubPassPhrase(TEllipticCurve& component);

class TScrubbedCurve {
 public:
  TScrubbedCurve() = default;
  TScrubbedCurve(const TScrubbedCurve&) = delete;
  TScrubbedCurve& operator=(const TScrubbedCurve&) = delete;
  ~TScrubbedCurve() { ScrubComponent(curve_); }

  TEllipticCurve& operator*() { return curve_; }
  TEllipticCurve* operator->() { return &curve_; }

 private:
  TEllipticCurve curve_;
};

}  // namespace eccrypt::tool
