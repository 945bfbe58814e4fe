#include "ECCrypt/text/base64Text.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/fast/ct.h"
#include "ECCrypt/text/base64.h"
#include "ECCrypt/text/charMasks.h"
#include "ECCrypt/text/hexText.h"

namespace eccrypt {
namespace {

constexpr std::size_t Capacity = TvlPoint::Capacity;

// (code - 48) mod 256, less 7 (mod 256) when that exceeds 9: 0..15 for 0-9 and A-F.
unsigned HalfByte(char c) {
  const std::uint64_t v = (static_cast<unsigned char>(c) - 48u) & 0xFFu;
  return static_cast<unsigned>((v - (7 & textct::AtLeastMask(v, 10))) & 0xFFu);
}

// The bytes an integer's radix-64 text spells, at most two per digit and one more from the end
// rule of the decoder; wiped when released.
struct TValueBytes {
  std::array<std::uint64_t, 2 * Capacity + 2> b{};
  TValueBytes() = default;
  TValueBytes(const TValueBytes&) = delete;
  TValueBytes& operator=(const TValueBytes&) = delete;
  ~TValueBytes() { SecureWipe(b.data(), sizeof(b)); }
};

// out := the integer whose digits are bytes 0 .. 2 * digits - 1, two to a digit, the first the
// most significant (what reading the hexadecimal text of these bytes gives).
void DigitsFromBytes(const TValueBytes& bytes, std::size_t digits, TvlPoint& out) {
  out.Words[0] = static_cast<std::int32_t>(digits);
  for (std::size_t g = 0; g < digits; ++g) {
    out.Words[digits - g] = static_cast<std::int32_t>(bytes.b[2 * g] * 256 + bytes.b[2 * g + 1]);
  }
}

std::int32_t SelectWord(std::uint64_t mask, std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(
      fast::CtSelect(mask, static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b))));
}

[[noreturn]] void ThrowTooManyGroups() {
  throw std::length_error("hexadecimal text longer than " + std::to_string(Capacity) +
                          " digit groups");
}

}  // namespace

// The texts may be those of secret keys. Each codec's Output is given its whole size before the
// first character goes in, so that no reallocation leaves a partial copy behind; the codec
// wipes it when it goes.

std::string HexToBase64(std::string_view hex) {
  TBase64 codec;
  codec.Output.reserve(hex.size() + 4);  // ceil(ceil(n / 2) / 3) * 4 <= n + 4 characters
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const unsigned high = HalfByte(hex[i]);
    const unsigned low = i + 1 < hex.size() ? HalfByte(hex[i + 1]) : 0u;
    codec.EncodeByte(static_cast<std::uint8_t>((high * 16u + low) & 0xFFu));
  }
  return codec.FinishEncode();
}

std::string Base64ToHex(std::string_view text) {
  TBase64 codec;
  codec.Output.reserve(2 * text.size() + 2);  // 2 digits for each of <= 3k/4 + 1 bytes
  for (char c : text) codec.DecodeChar(c);
  return codec.FinishDecode();
}

void Base64ToInteger(std::string_view text, TvlPoint& target) {
  const std::size_t n = text.size();
  const std::size_t tail = n % 4;
  // Whole groups of four characters give three bytes; a tail of t characters gives t - 1.
  const std::size_t base = 3 * (n / 4) + (tail == 0 ? 0 : tail - 1);
  const std::size_t digits = base / 2;
  if (digits > Capacity) ThrowTooManyGroups();

  TValueBytes bytes;
  auto value = [&text](std::size_t i) {
    return textct::Radix64Value(static_cast<unsigned char>(text[i]));
  };
  std::size_t at = 0;
  for (std::size_t i = 0; i + 4 <= n; i += 4) {
    const std::uint64_t v0 = value(i), v1 = value(i + 1), v2 = value(i + 2), v3 = value(i + 3);
    bytes.b[at++] = (v0 << 2) | (v1 >> 4);
    bytes.b[at++] = ((v1 & 15) << 4) | (v2 >> 2);
    bytes.b[at++] = ((v2 & 3) << 6) | v3;
  }
  // The end rule: bits of the tail that no byte took are flushed by decoding one more '0' (the
  // value 2) when they are not all zero, which gives one more byte. Whether they are is secret.
  std::uint64_t pending = 0, extraByte = 0;
  const std::size_t t = n - tail;
  if (tail >= 1) {
    pending = value(t) << 2;
    extraByte = pending;
  }
  if (tail >= 2) {
    const std::uint64_t v1 = value(t + 1);
    bytes.b[at++] = pending | (v1 >> 4);
    pending = (v1 & 15) << 4;
    extraByte = pending;
  }
  if (tail == 3) {
    const std::uint64_t v2 = value(t + 2);
    bytes.b[at++] = pending | (v2 >> 2);
    pending = (v2 & 3) << 6;
    extraByte = pending | 2;
  }
  const std::uint64_t extra = ~fast::CtIsZeroMask(pending);

  TvlPoint without;
  DigitsFromBytes(bytes, digits, without);
  if (base % 2 == 0) {
    // The extra byte, if any, is half a digit, which the reading ignores.
    target.Words[0] = without.Words[0];
    for (std::size_t i = 1; i <= digits; ++i) target.Words[i] = without.Words[i];
    return;
  }
  // An odd byte count: the extra byte completes one more digit, the lowest.
  bytes.b[base] = extraByte;
  const std::size_t longer = digits + 1;
  if (longer > Capacity) {
    std::uint64_t refused = extra;  // a 20th digit, refused; the verdict is public
    fast::CtDeclassify(refused);
    if (refused != 0) ThrowTooManyGroups();
    target.Words[0] = without.Words[0];
    for (std::size_t i = 1; i <= digits; ++i) target.Words[i] = without.Words[i];
    return;
  }
  TvlPoint with;
  DigitsFromBytes(bytes, longer, with);
  // Words above the length read are left as they were.
  for (std::size_t i = 0; i <= digits; ++i) {
    target.Words[i] = SelectWord(extra, with.Words[i], without.Words[i]);
  }
  target.Words[longer] = SelectWord(extra, with.Words[longer], target.Words[longer]);
}

std::string IntegerToBase64(const TvlPoint& x) {
  const std::size_t length = WritableLength(x);
  TValueBytes bytes;
  for (std::size_t k = length; k >= 1; --k) {
    const auto d = static_cast<std::uint64_t>(x.Words[k]);
    bytes.b[2 * (length - k)] = d >> 8;
    bytes.b[2 * (length - k) + 1] = d & 255;
  }
  // Three bytes make four characters; a one-byte tail gives two, a two-byte tail four (the last
  // the character of 0), as if a zero byte had completed the group.
  const std::size_t count = 2 * length;
  const std::size_t rest = count % 3;
  std::string text(4 * (count / 3) + (rest == 0 ? 0 : rest == 1 ? 2 : 4), '\0');
  std::size_t out = 0;
  for (std::size_t i = 0; i < count; i += 3) {
    const std::uint64_t b0 = bytes.b[i], b1 = bytes.b[i + 1], b2 = bytes.b[i + 2];
    text[out++] = textct::Radix64Char(b0 >> 2);
    text[out++] = textct::Radix64Char(((b0 & 3) << 4) | (b1 >> 4));
    if (i + 1 == count) break;
    text[out++] = textct::Radix64Char(((b1 & 15) << 2) | (b2 >> 6));
    text[out++] = textct::Radix64Char(b2 & 63);  // bytes past the end are zero
  }
  return text;
}

}  // namespace eccrypt
