// TEllipticCurve::Sign and Verify on a 20-byte digest, and the text of a signature: the text of
// r, ":", the text of s, each half in the current IOMode. ":" belongs to neither text alphabet,
// so the first ":" always ends r.
#include <cstddef>
#include <stdexcept>
#include <string_view>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/digestToInteger.h"
#include "ECCrypt/operationFrame.h"
#include "ECCrypt/pk/ecCrypt.h"

namespace eccrypt {

// Needs KeySecret, which must not be a multiple of n, and a digest. Draws a fresh nonce and writes
// Signature; Valid is left alone.
void TEllipticCurve::Sign(const std::uint8_t* digest) {
  if (keySecret_.empty() || digest == nullptr) {
    Clear();
    return;
  }
  RunInFrame(*this, [this, digest] {
    TECCrypt key;
    TvlPoint r, s, nonce, h, h0;
    key.PrepareTables();
    nonce.FillRandom();
    TextToInteger(keySecret_, key);
    RequireUsableSecretKey(key);
    DigestToInteger(digest, h, h0);
    key.MakeSignature(nonce, h, r, s);

    std::string rText, sText;
    IntegerToText(r, rText);
    IntegerToText(s, sText);
    SetSignature(rText + ":" + sText);
  });
}

bool TEllipticCurve::ReadSignatureHalf(std::string_view text, TvlPoint& target) const {
  try {
    TextToInteger(text, target);
  } catch (const std::invalid_argument&) {
    return false;  // a character that is no digit
  }
  // A text led by zero groups is the same half: its length is that of its value.
  while (target.Words[0] > 0 && target.Words[static_cast<std::size_t>(target.Words[0])] == 0) {
    --target.Words[0];
  }
  return target.Length() < TvlPoint::Capacity;
}

// Needs KeyPublic, which must be a point of the group, Signature and a digest. Sets Valid to
// whether Signature is a signature of the digest under KeyPublic and touches nothing else.
//
// Signature is split at its first ":": r is the text before it, s the text after it (later
// ":" stay in s); with no ":" r is empty (zero) and s is the whole text.
//
// A signature is untrusted input, and one that is not a signature only sets Valid to false,
// clearing nothing: so do a half with a character outside the hexadecimal digits (Hex mode; a
// later ":" in s among them) and a half of 19 significant digits, more than the point
// multiplication takes. A half led by zero groups is read by its value. A half longer than an
// integer holds (more than 19 groups) is refused like every over-long text: Clear.
void TEllipticCurve::Verify(const std::uint8_t* digest) {
  if (keyPublic_.empty() || signature_.empty() || digest == nullptr) {
    Clear();
    return;
  }
  RunInFrame(*this, [this, digest] {
    TECCrypt key;
    TvlPoint r, s, h, h0;
    key.PrepareTables();

    const std::string_view text = signature_;
    const std::size_t colon = text.find(':');
    const std::string_view rText = colon == std::string_view::npos ? "" : text.substr(0, colon);
    const std::string_view sText = colon == std::string_view::npos ? text : text.substr(colon + 1);

    TextToInteger(keyPublic_, key);
    RequireGroupPoint(key);
    if (!ReadSignatureHalf(rText, r) || !ReadSignatureHalf(sText, s)) {
      valid_ = false;
      return;
    }
    DigestToInteger(digest, h, h0);
    valid_ = key.CheckSignature(h, r, s);
  });
}

}  // namespace eccrypt
