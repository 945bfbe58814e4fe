// Fuzz target: the hexadecimal and radix-64 text forms.
//
// Arbitrary bytes go through every conversion as text and as data. Each result is compared
// with a bit-by-bit reference of the radix-64 code written here independently of the codec,
// and integers written out are read back to the same record.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/text/base64.h"
#include "ECCrypt/text/base64Text.h"
#include "ECCrypt/text/hexText.h"
#include "fuzz/fuzzCheck.h"

namespace {

using eccrypt::TvlPoint;

// The characters are the library's; the code below that spells bytes with them is written here
// independently of the codec.
constexpr std::string_view kAlphabet = eccrypt::TBase64::Alphabet;
constexpr std::string_view kHexDigits = eccrypt::HexDigitChars;

unsigned ValueOf(char c) {
  const std::size_t at = kAlphabet.find(c);
  return at == std::string_view::npos ? 0u : static_cast<unsigned>(at);
}

std::string Hex2(unsigned byte) {
  return {kHexDigits[(byte >> 4) & 15u], kHexDigits[byte & 15u]};
}

std::string HexOfBytes(std::string_view bytes) {
  std::string out;
  for (char c : bytes) out += Hex2(static_cast<unsigned char>(c));
  return out;
}

// Radix-64 encoding of bytes as one bit string, six bits to a character, with the tail rules of
// the stored format: a one-byte tail gives two characters, a two-byte tail four.
std::string ReferenceEncode(std::string_view bytes) {
  std::string padded(bytes);
  if (padded.size() % 3 == 2) padded.push_back('\0');  // a zero byte completes the group
  std::string out;
  unsigned long bits = 0;
  int count = 0;
  for (char c : padded) {
    bits = (bits << 8) | static_cast<unsigned char>(c);
    count += 8;
    while (count >= 6) {
      count -= 6;
      out += kAlphabet[(bits >> count) & 63u];
    }
    bits &= (1ul << count) - 1;
  }
  if (count > 0) out += kAlphabet[(bits << (6 - count)) & 63u];  // a one-byte tail's last 2 bits
  return out;
}

// Radix-64 decoding of any text: whole bytes of the six-bit values, then the pending bits (if
// any is set) as one more byte completed by the bits of '0' (value 2).
std::string ReferenceDecode(std::string_view text) {
  std::string out;
  unsigned bits = 0;
  int count = 0;
  for (char c : text) {
    bits = (bits << 6) | ValueOf(c);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += Hex2((bits >> count) & 0xFFu);
      bits &= (1u << count) - 1;
    }
  }
  if (bits != 0) {
    const unsigned pending = (bits << (8 - count)) & 0xFFu;
    out += Hex2(pending | (2u >> (count - 2)));  // the next six bits are those of '0'
  }
  return out;
}

bool IsHexText(std::string_view text) {
  if (text.size() % 2 != 0) return false;
  for (char c : text) {
    if (kHexDigits.find(c) == std::string_view::npos) return false;
  }
  return true;
}

bool IsRadix64Text(std::string_view text) {
  for (char c : text) {
    if (kAlphabet.find(c) == std::string_view::npos) return false;
  }
  return true;
}

std::size_t Radix64Length(std::size_t bytes) {
  return 4 * (bytes / 3) + (bytes % 3 == 0 ? 0 : bytes % 3 == 1 ? 2 : 4);
}

bool SameRecord(const TvlPoint& a, const TvlPoint& b) {
  if (a.Words[0] != b.Words[0]) return false;
  for (std::int32_t i = 1; i <= a.Words[0]; ++i) {
    if (a.Words[static_cast<std::size_t>(i)] != b.Words[static_cast<std::size_t>(i)]) {
      return false;
    }
  }
  return true;
}

// Any text read as hexadecimal: the whole groups are read or the call throws and leaves the
// target as it was; what is read writes back as the same groups in upper case.
void CheckHexReading(std::string_view text) {
  TvlPoint target;
  for (auto& w : target.Words) w = 0x5A5A;  // a value and leftovers that must survive a refusal
  target.Words[0] = 7;
  const TvlPoint before = target;
  const std::size_t groups = text.size() / 4;
  bool bad_character = false;
  for (std::size_t i = 0; i < 4 * groups; ++i) {
    const char c = text[i];
    const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    if (!hex) bad_character = true;
  }
  try {
    eccrypt::HexToInteger(text, target);
  } catch (const std::length_error&) {
    FUZZ_CHECK(groups > TvlPoint::Capacity);
    FUZZ_CHECK(target.Words == before.Words);
    return;
  } catch (const std::invalid_argument&) {
    FUZZ_CHECK(groups <= TvlPoint::Capacity && bad_character);
    FUZZ_CHECK(target.Words == before.Words);
    return;
  }
  FUZZ_CHECK(groups <= TvlPoint::Capacity && !bad_character);
  FUZZ_CHECK(target.Words[0] == static_cast<std::int32_t>(groups));
  for (std::size_t i = 1; i <= groups; ++i) {
    FUZZ_CHECK(target.Words[i] >= 0 && target.Words[i] < TvlPoint::DigitBase);
  }
  for (std::size_t i = groups + 1; i < target.Words.size(); ++i) {
    FUZZ_CHECK(target.Words[i] == before.Words[i]);  // digits above the length are kept
  }
  std::string upper(text.substr(0, 4 * groups));
  for (char& c : upper) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
  }
  FUZZ_CHECK(eccrypt::IntegerToHex(target) == upper);
}

// Any text read as radix-64 in one step gives what reading its decoded hexadecimal text gives,
// the refusal of more than 19 groups and the words kept above the length included.
void CheckRadix64Reading(std::string_view text) {
  TvlPoint direct, stepwise;
  for (auto& w : direct.Words) w = 0x5A5A;
  stepwise = direct;
  bool direct_refused = false, stepwise_refused = false;
  try {
    eccrypt::Base64ToInteger(text, direct);
  } catch (const std::length_error&) {
    direct_refused = true;
  }
  try {
    eccrypt::HexToInteger(eccrypt::Base64ToHex(text), stepwise);
  } catch (const std::length_error&) {
    stepwise_refused = true;
  }
  FUZZ_CHECK(direct_refused == stepwise_refused);
  FUZZ_CHECK(direct.Words == stepwise.Words);
}

// An integer record of 0 to 19 digits (a zero top digit allowed) from the input's bytes.
TvlPoint RecordFrom(std::string_view bytes) {
  TvlPoint x;
  if (bytes.empty()) return x;
  const auto length = static_cast<std::int32_t>(static_cast<unsigned char>(bytes[0]) % 20);
  x.Words[0] = length;
  for (std::int32_t i = 1; i <= length; ++i) {
    const auto at = static_cast<std::size_t>(2 * i - 1);
    const unsigned high = at < bytes.size() ? static_cast<unsigned char>(bytes[at]) : 0u;
    const unsigned low = at + 1 < bytes.size() ? static_cast<unsigned char>(bytes[at + 1]) : 0u;
    x.Words[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(high * 256 + low);
  }
  return x;
}

// Writing an integer in either form and reading it back gives the same record, length word
// included, with the text lengths of the stored format.
void CheckIntegerRoundTrip(std::string_view bytes) {
  const TvlPoint x = RecordFrom(bytes);
  const auto length = static_cast<std::size_t>(x.Words[0]);
  const std::string hex = eccrypt::IntegerToHex(x);
  FUZZ_CHECK(hex.size() == 4 * length && IsHexText(hex));
  const std::string radix64 = eccrypt::HexToBase64(hex);
  FUZZ_CHECK(radix64.size() == Radix64Length(2 * length) && IsRadix64Text(radix64));
  FUZZ_CHECK(eccrypt::IntegerToBase64(x) == radix64);

  TvlPoint from_hex, from_radix64;
  eccrypt::HexToInteger(hex, from_hex);
  eccrypt::HexToInteger(eccrypt::Base64ToHex(radix64), from_radix64);
  FUZZ_CHECK(SameRecord(from_hex, x));
  FUZZ_CHECK(SameRecord(from_radix64, x));
  TvlPoint direct;
  eccrypt::Base64ToInteger(radix64, direct);
  FUZZ_CHECK(SameRecord(direct, x));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  // The input as a radix-64 text from elsewhere: any text decodes, to pairs of hex digits.
  const std::string decoded = eccrypt::Base64ToHex(input);
  FUZZ_CHECK(IsHexText(decoded));
  FUZZ_CHECK(decoded == ReferenceDecode(input));

  // The input as bytes: encoding follows the reference, and decoding gives them back (with one
  // "00" more when the byte count is 2 mod 3, from the '+' that completed the last group).
  const std::string hex = HexOfBytes(input);
  const std::string encoded = eccrypt::HexToBase64(hex);
  FUZZ_CHECK(encoded == ReferenceEncode(input));
  FUZZ_CHECK(encoded.size() == Radix64Length(size));
  FUZZ_CHECK(eccrypt::Base64ToHex(encoded) == hex + (size % 3 == 2 ? "00" : ""));

  // A radix-64 text of whole groups, with foreign characters read as '+', encodes back to
  // itself once decoded.
  if (size % 4 == 0) {
    std::string canonical(input);
    for (char& c : canonical) c = kAlphabet[ValueOf(c)];
    FUZZ_CHECK(eccrypt::HexToBase64(decoded) == canonical);
  }

  // The input as a hexadecimal text: odd lengths and foreign characters included.
  const std::string from_any_hex = eccrypt::HexToBase64(input);
  FUZZ_CHECK(IsRadix64Text(from_any_hex));
  FUZZ_CHECK(from_any_hex.size() == Radix64Length((size + 1) / 2));
  CheckHexReading(input);
  CheckHexReading(decoded);
  CheckRadix64Reading(input);

  CheckIntegerRoundTrip(input);
  return 0;
}
