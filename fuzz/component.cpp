// Fuzz target: TEllipticCurve's five working operations on hostile properties.
//
// Input layout (every part optional; missing bytes read as 0, missing texts as empty):
//   byte 0       IOMode, any byte (1 is Hex, every other value the radix-64 form)
//   byte 1       bits 0-2: first operation, bits 3-5: second operation (0 MakeKey, 1 Encrypt,
//                2 Decrypt, 3 Sign, 4 Verify, 5-7 none); bit 6: Valid beforehand; bit 7: pass a
//                null digest pointer
//   bytes 2-21   the digest
//   then         PassPhrase, KeyPublic, KeySecret, KeySession, ExchangedValue and Signature,
//                separated by '\n'
//
// After each operation the frame's promises are checked: nothing escapes and no message is
// shown; PassPhrase and IOMode survive; the outcome is either the documented result, with the
// properties the operation does not write left as they were and values in the canonical text
// of the mode, or Clear, and which of the two is predicted from the inputs by the arithmetic
// below the component. A pair of operations on a matching key pair must agree: Decrypt after
// Encrypt gives the same session key, Verify after Sign accepts.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/field/gfTables.h"
#include "ECCrypt/hash/prng.h"
#include "ECCrypt/pk/ecCrypt.h"
#include "ECCrypt/text/base64Text.h"
#include "ECCrypt/text/hexText.h"
#include "ECPlatform/ShowMessage.h"
#include "fuzz/fuzzCheck.h"
#include "fuzz/fuzzInput.h"

namespace {

using eccrypt::TEllipticCurve;
using eccrypt::TMode;
using eccrypt::TvlPoint;
using eccrypt::fuzz::Normalised;

enum class TOp { MakeKey, Encrypt, Decrypt, Sign, Verify, None };

struct TProps {
  std::uint8_t mode = 0;
  std::string pass;
  bool valid = false;
  std::string pub, sec, session, exchanged, sig;
};

TProps Read(const TEllipticCurve& c) {
  return {static_cast<std::uint8_t>(c.IOMode()),
          c.PassPhrase(),
          c.Valid(),
          c.KeyPublic(),
          c.KeySecret(),
          c.KeySession(),
          c.ExchangedValue(),
          c.Signature()};
}

void Write(const TProps& p, TEllipticCurve& c) {
  c.SetIOMode(static_cast<TMode>(p.mode));
  c.SetPassPhrase(p.pass);
  c.SetValid(p.valid);
  c.SetKeyPublic(p.pub);
  c.SetKeySecret(p.sec);
  c.SetKeySession(p.session);
  c.SetExchangedValue(p.exchanged);
  c.SetSignature(p.sig);
}

bool IsCleared(const TProps& p) {
  return !p.valid && p.pub.empty() && p.sec.empty() && p.session.empty() && p.exchanged.empty() &&
         p.sig.empty();
}

// The text forms as the component reads and writes them, from the conversions below it.
bool Parse(std::uint8_t mode, std::string_view text, TvlPoint& out) {
  try {
    eccrypt::HexToInteger(mode == 1 ? std::string(text) : eccrypt::Base64ToHex(text), out);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

std::string Text(std::uint8_t mode, const TvlPoint& v) {
  const std::string hex = eccrypt::IntegerToHex(v);
  return mode == 1 ? hex : eccrypt::HexToBase64(hex);
}

// A text the component writes: the text of a normalised integer in the mode.
bool IsCanonical(std::uint8_t mode, const std::string& text) {
  TvlPoint v;
  return Parse(mode, text, v) && Normalised(v).Words == v.Words && Text(mode, v) == text;
}

bool IsCanonicalSignature(std::uint8_t mode, const std::string& sig) {
  const std::size_t colon = sig.find(':');
  return colon != std::string::npos && IsCanonical(mode, sig.substr(0, colon)) &&
         IsCanonical(mode, sig.substr(colon + 1));
}

// A text led by zero groups stands for the same value as without them.
bool GroupPointText(std::uint8_t mode, const std::string& text) {
  TvlPoint v;
  return Parse(mode, text, v) && eccrypt::TecPoint::IsCompressedGroupPoint(Normalised(v));
}

// Whether a secret key is not a multiple of the group order n (the component refuses those).
bool NotMultipleOfOrder(const TvlPoint& key) {
  TvlPoint order;
  order.LoadOrder(true);
  TvlPoint reduced = Normalised(key);
  reduced.Remainder(order);
  return reduced.Length() != 0;
}

// A secret key Decrypt and Sign accept: it parses (up to 19 digits, used mod n) and is not a
// multiple of n.
bool UsableSecret(std::uint8_t mode, const std::string& text, TvlPoint& out) {
  return !text.empty() && Parse(mode, text, out) && NotMultipleOfOrder(out);
}

// Whether KeySecret is the secret of KeyPublic.
bool MatchingPair(const TProps& p) {
  TvlPoint secret, pub;
  if (!UsableSecret(p.mode, p.sec, secret) || !Parse(p.mode, p.pub, pub)) return false;
  eccrypt::TECCrypt key;
  key.CopyFrom(secret);
  TvlPoint expected;
  key.MakePublicKey(expected);
  return Normalised(expected).Words == Normalised(pub).Words;
}

// How a half of a signature reads: a text longer than an integer holds clears; one with a
// character that is no digit, or of 19 significant digits, is no signature.
enum class THalf { Usable, NoSignature, TooLong };

THalf ReadHalf(std::uint8_t mode, std::string_view text) {
  TvlPoint v;
  try {
    eccrypt::HexToInteger(mode == 1 ? std::string(text) : eccrypt::Base64ToHex(text), v);
  } catch (const std::length_error&) {
    return THalf::TooLong;
  } catch (const std::invalid_argument&) {
    return THalf::NoSignature;
  }
  return Normalised(v).Length() < TvlPoint::Capacity ? THalf::Usable : THalf::NoSignature;
}

struct TPrediction {
  bool succeeds = true;
  bool no_signature = false;  // Verify: a half that is no signature, so Valid must be false
};

// Predicts the outcome of the operation on these properties.
TPrediction Predict(TOp op, const TProps& p, bool digest) {
  TvlPoint v;
  switch (op) {
    case TOp::MakeKey:
    case TOp::None:
      return {};
    case TOp::Encrypt:
      return {!p.pub.empty() && GroupPointText(p.mode, p.pub)};
    case TOp::Decrypt:
      return {UsableSecret(p.mode, p.sec, v) && !p.exchanged.empty() &&
              GroupPointText(p.mode, p.exchanged)};
    case TOp::Sign:
      return {digest && UsableSecret(p.mode, p.sec, v)};
    case TOp::Verify: {
      if (!digest || p.pub.empty() || p.sig.empty() || !GroupPointText(p.mode, p.pub)) {
        return {false};
      }
      // r is read first; a half that is no signature ends the reading.
      const std::size_t colon = p.sig.find(':');
      const std::string r = colon == std::string::npos ? "" : p.sig.substr(0, colon);
      const std::string s = colon == std::string::npos ? p.sig : p.sig.substr(colon + 1);
      const THalf rh = ReadHalf(p.mode, r);
      if (rh != THalf::Usable) return {rh != THalf::TooLong, true};
      const THalf sh = ReadHalf(p.mode, s);
      return {sh != THalf::TooLong, sh != THalf::Usable};
    }
  }
  return {};
}

// The result of a successful operation: what it writes, and nothing else changed.
void CheckSuccess(TOp op, const TProps& b, const TProps& a) {
  FUZZ_CHECK(a.mode == b.mode && a.pass == b.pass);
  switch (op) {
    case TOp::MakeKey: {
      FUZZ_CHECK(a.valid && a.session == b.session && a.exchanged == b.exchanged && a.sig == b.sig);
      // The key pair is the one the pass phrase derives.
      eccrypt::TPRNG generator;
      generator.Seed(b.pass);
      const eccrypt::TECCrypt secret = generator.MakeSecret();
      TvlPoint pub;
      secret.MakePublicKey(pub);
      FUZZ_CHECK(a.sec == Text(b.mode, secret));
      FUZZ_CHECK(a.pub == Text(b.mode, pub));
      break;
    }
    case TOp::Encrypt:
      FUZZ_CHECK(a.valid == b.valid && a.pub == b.pub && a.sec == b.sec && a.sig == b.sig);
      FUZZ_CHECK(IsCanonical(a.mode, a.exchanged) && !a.exchanged.empty());
      FUZZ_CHECK(IsCanonical(a.mode, a.session));
      break;
    case TOp::Decrypt:
      FUZZ_CHECK(a.valid == b.valid && a.pub == b.pub && a.sec == b.sec && a.sig == b.sig &&
                 a.exchanged == b.exchanged);
      FUZZ_CHECK(IsCanonical(a.mode, a.session));
      break;
    case TOp::Sign:
      FUZZ_CHECK(a.valid == b.valid && a.pub == b.pub && a.sec == b.sec && a.session == b.session &&
                 a.exchanged == b.exchanged);
      FUZZ_CHECK(IsCanonicalSignature(a.mode, a.sig));
      break;
    case TOp::Verify:
      FUZZ_CHECK(a.pub == b.pub && a.sec == b.sec && a.session == b.session &&
                 a.exchanged == b.exchanged && a.sig == b.sig);
      break;
    case TOp::None:
      break;
  }
}

// Runs one operation and checks its outcome; returns whether it succeeded.
bool RunChecked(TOp op, TEllipticCurve& c, const std::uint8_t* digest) {
  const TProps before = Read(c);
  const TPrediction expected = Predict(op, before, digest != nullptr);
  switch (op) {
    case TOp::MakeKey:
      c.MakeKey();
      break;
    case TOp::Encrypt:
      c.Encrypt();
      break;
    case TOp::Decrypt:
      c.Decrypt();
      break;
    case TOp::Sign:
      c.Sign(digest);
      break;
    case TOp::Verify:
      c.Verify(digest);
      break;
    case TOp::None:
      return true;
  }
  const TProps after = Read(c);
  FUZZ_CHECK(after.mode == before.mode && after.pass == before.pass);  // always survive
  if (expected.succeeds) {
    CheckSuccess(op, before, after);
    if (expected.no_signature) FUZZ_CHECK(!after.valid);
  } else {
    FUZZ_CHECK(IsCleared(after));
  }
  return expected.succeeds;
}

TOp OpOf(unsigned bits) {
  return bits < 5 ? static_cast<TOp>(bits) : TOp::None;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The component never shows a message, whatever it is given.
  ecplatform::SetMessageHandler([](const std::string& text) {
    std::fprintf(stderr, "message shown: %s\n", text.c_str());
    std::abort();
  });
  eccrypt::InitTables();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 0;
  auto byte = [&]() -> std::uint8_t { return at < size ? data[at++] : 0; };
  TProps start;
  start.mode = byte();
  const std::uint8_t control = byte();
  const TOp first = OpOf(control & 7u), second = OpOf((control >> 3) & 7u);
  start.valid = (control & 0x40u) != 0;
  std::array<std::uint8_t, 20> digest_bytes{};
  for (auto& d : digest_bytes) d = byte();
  const std::uint8_t* digest = (control & 0x80u) != 0 ? nullptr : digest_bytes.data();

  const std::string_view rest(reinterpret_cast<const char*>(data) + at, size - at);
  std::string* texts[] = {&start.pass,    &start.pub,       &start.sec,
                          &start.session, &start.exchanged, &start.sig};
  std::size_t from = 0;
  for (std::string* text : texts) {
    if (from > rest.size()) break;
    const std::size_t end = std::min(rest.find('\n', from), rest.size());
    *text = std::string(rest.substr(from, end - from));
    from = end + 1;
  }

  TEllipticCurve curve;
  Write(start, curve);
  const bool first_ok = RunChecked(first, curve, digest);
  const TProps middle = Read(curve);
  const bool second_ok = RunChecked(second, curve, digest);
  const TProps end = Read(curve);

  // Operations on a matching key pair agree with each other.
  if (first_ok && second_ok && MatchingPair(middle)) {
    if (first == TOp::Encrypt && second == TOp::Decrypt) {
      FUZZ_CHECK(end.session == middle.session);
    }
    if (first == TOp::Sign && second == TOp::Verify) FUZZ_CHECK(end.valid);
  }
  return 0;
}
