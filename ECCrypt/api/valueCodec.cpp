#include "ECCrypt/api/valueCodec.h"

#include <cstddef>

#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/fast/ct.h"
#include "ECCrypt/fast/scalar.h"
#include "ECCrypt/hash/runtimeRandom.h"
#include "ECCrypt/params/curveParameters.h"
#include "ECCrypt/text/base64Text.h"
#include "ECCrypt/text/charMasks.h"
#include "ECCrypt/text/hexText.h"

namespace eccrypt::apidetail {
namespace {

// All-ones when c is a character of the form.
std::uint64_t CharOfFormMask(unsigned char c, TextForm form) {
  using textct::InRangeMask;
  const std::uint64_t hex = InRangeMask(c, '0', '9') | InRangeMask(c, 'A', 'F');
  if (form == TextForm::Hex) return hex;
  return hex | InRangeMask(c, '+', '+') | InRangeMask(c, '-', '-') | InRangeMask(c, 'G', 'Z') |
         InRangeMask(c, 'a', 'z');
}

// Words (64 bits, least significant first) of 32 big-endian bytes.
void BytesToWords(const Bytes32& bytes, std::uint64_t (&w)[4]) {
  for (std::size_t i = 0; i < 4; ++i) {
    w[i] = 0;
    for (std::size_t j = 0; j < 8; ++j) w[i] |= std::uint64_t{bytes[31 - 8 * i - j]} << (8 * j);
  }
}

// The longest text of a value of the given number of digits: 4 characters per digit in
// hexadecimal; in radix-64, 4 per 3 bytes and 2 or 4 for a tail of 1 or 2 bytes.
std::size_t LongestText(TextForm form, std::size_t digits) {
  if (form == TextForm::Hex) return 4 * digits;
  const std::size_t bytes = 2 * digits;
  const std::size_t tail = bytes % 3;
  return 4 * (bytes / 3) + (tail == 0 ? 0 : 2 * tail);
}

}  // namespace

Error Fail(ErrorCode code, std::string_view what, std::string_view detail) {
  std::string message(what);
  message += ": ";
  message += detail;
  return Error(code, std::move(message));
}

TextForm FormOf(std::string_view text) {
  std::uint64_t hex = ~std::uint64_t{0};
  for (const char c : text) hex &= CharOfFormMask(static_cast<unsigned char>(c), TextForm::Hex);
  fast::CtDeclassify(hex);  // the form is public
  return hex != 0 && text.size() % 4 == 0 ? TextForm::Hex : TextForm::Radix64;
}

Result<void> CheckCharacters(std::string_view text, TextForm form, std::string_view what) {
  std::uint64_t good = ~std::uint64_t{0};
  for (const char c : text) good &= CharOfFormMask(static_cast<unsigned char>(c), form);
  fast::CtDeclassify(good);
  if (good == 0) {
    // Only on failure: the position of the first offending character, never the character.
    std::size_t at = 0;
    while (CharOfFormMask(static_cast<unsigned char>(text[at]), form) != 0) ++at;
    return Fail(ErrorCode::BadCharacter, what,
                "character " + std::to_string(at + 1) +
                    (form == TextForm::Hex ? " is not an upper-case hexadecimal digit"
                                           : " is in neither text form"));
  }
  return {};
}

Result<void> ReadText(std::string_view text, TextForm form, int maxDigits, std::string_view what,
                      TvlPoint& target) {
  if (text.empty()) return Fail(ErrorCode::Empty, what, "empty text");
  Result<void> characters = CheckCharacters(text, form, what);
  if (!characters) return characters;
  const std::size_t longest = LongestText(form, static_cast<std::size_t>(maxDigits));
  if (form == TextForm::Radix64 && text.size() > longest && text.size() % 4 == 0 &&
      text.size() <= LongestText(TextForm::Hex, static_cast<std::size_t>(maxDigits))) {
    // Too long for radix-64 but of a hexadecimal text's length: most likely a hexadecimal
    // text with a wrong character, so that is the reason given.
    return CheckCharacters(text, TextForm::Hex, what);
  }
  if (text.size() > longest) return Fail(ErrorCode::TooLong, what, "too many digits");

  TvlPoint value;
  if (form == TextForm::Hex) {
    HexToInteger(text, value);
  } else {
    Base64ToInteger(text, value);
  }
  // The length word is public (it follows from the text's length); a zero top digit is a
  // leading zero group, which the component never writes.
  const std::int32_t length = value.Length();
  std::uint64_t zeroTop = fast::CtIsZeroMask(length == 0 ? 0 : value.Digit(length));
  fast::CtDeclassify(zeroTop);
  if (zeroTop != 0) {
    return Fail(ErrorCode::NotCanonical, what, "leading zero group or no whole digit");
  }
  if (length > maxDigits) return Fail(ErrorCode::TooLong, what, "too many digits");
  if (form == TextForm::Radix64) {
    // Another spelling of the same digits (the end rule lets several texts decode alike).
    TSecretText again(IntegerToBase64(value));
    std::uint64_t differ = again.text.size() ^ text.size();
    if (differ == 0) {
      for (std::size_t i = 0; i < text.size(); ++i) {
        differ |= static_cast<std::uint64_t>(static_cast<unsigned char>(again.text[i]) ^
                                             static_cast<unsigned char>(text[i]));
      }
    }
    fast::CtDeclassify(differ);
    if (differ != 0) return Fail(ErrorCode::NotCanonical, what, "not the text of its value");
  }
  target = value;
  return {};
}

std::string WriteText(const TvlPoint& v, TextForm form) {
  return form == TextForm::Hex ? IntegerToHex(v) : IntegerToBase64(v);
}

void BytesToInteger(const Bytes32& bytes, TvlPoint& target) {
  target.Zero();
  std::uint64_t length = 0;
  for (std::size_t i = 1; i <= static_cast<std::size_t>(ValueDigits); ++i) {
    const std::uint64_t digit = (std::uint64_t{bytes[32 - 2 * i]} << 8) | bytes[33 - 2 * i];
    target.Words[i] = static_cast<std::int32_t>(digit);
    length = fast::CtSelect(~fast::CtIsZeroMask(digit), i, length);
  }
  target.Words[0] = static_cast<std::int32_t>(length);
}

Bytes32 IntegerToBytes(const TvlPoint& v) {
  Bytes32 out{};
  // The length word of a secret (a session value) is secret too: every digit is read, and those
  // above the length are masked to zero rather than skipped.
  const auto length = static_cast<std::int64_t>(v.Length());
  for (std::size_t i = 1; i <= static_cast<std::size_t>(ValueDigits); ++i) {
    const std::uint64_t below = static_cast<std::uint64_t>(length - static_cast<std::int64_t>(i));
    const std::uint64_t keep = fast::CtBarrier(~fast::CtMaskFromBit(below >> 63));
    const auto digit = static_cast<std::uint32_t>(keep & v.Digit(static_cast<std::int32_t>(i)));
    out[32 - 2 * i] = static_cast<std::uint8_t>(digit >> 8);
    out[33 - 2 * i] = static_cast<std::uint8_t>(digit & 0xFF);
  }
  return out;
}

bool IsZero(const Bytes32& value) {
  std::uint64_t any = 0;
  for (const std::uint8_t b : value) any |= b;
  std::uint64_t zero = fast::CtIsZeroMask(any);
  fast::CtDeclassify(zero);
  return zero != 0;
}

bool BelowOrder(const Bytes32& value) {
  std::uint64_t x[4];
  BytesToWords(value, x);
  std::uint64_t n[4] = {0, 0, 0, 0};
  for (std::size_t i = 0; i < GroupOrderDigits.size(); ++i) {
    n[i / 4] |= static_cast<std::uint64_t>(GroupOrderDigits[i]) << (16 * (i % 4));
  }
  // The borrow out of x - n: 1 exactly when x < n.
  std::uint64_t borrow = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const std::uint64_t d = x[i] - n[i] - borrow;
    borrow = ((~x[i] & n[i]) | (~(x[i] ^ n[i]) & d)) >> 63;
  }
  SecureWipe(x, sizeof x);
  fast::CtDeclassify(borrow);
  return borrow != 0;
}

Bytes32 ReduceModOrder(const TvlPoint& v) {
  fast::Scalar reduced{};
  fast::ScalarReduce(reduced, v);
  Bytes32 out{};
  for (std::size_t i = 0; i < 32; ++i) {
    out[31 - i] = static_cast<std::uint8_t>(reduced.w[i / 8] >> (8 * (i % 8)));
  }
  SecureWipe(&reduced, sizeof reduced);
  return out;
}

Bytes32 DrawScalar() {
  for (;;) {
    // 19 digits of 16 bits, 304 bits, straight from the operating system's source.
    Randomize();
    TvlPoint wide;
    for (std::size_t i = 1; i <= static_cast<std::size_t>(TvlPoint::Capacity); ++i) {
      wide.Words[i] = RandInt(TvlPoint::DigitBase);
    }
    wide.Words[0] = TvlPoint::Capacity;  // zero top digits are allowed by the reduction
    Bytes32 scalar = ReduceModOrder(wide);
    if (!IsZero(scalar)) return scalar;
  }
}

}  // namespace eccrypt::apidetail
