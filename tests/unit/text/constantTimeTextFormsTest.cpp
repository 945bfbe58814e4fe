// The constant-time text forms against the codec as first written (textFormsReference.h): every
// byte value at every character position of texts around each length boundary, every digit
// value, and random texts, with outputs, untouched words and refusals (type and message) equal.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <random>
#include <string>
#include <typeinfo>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/text/base64.h"
#include "ECCrypt/text/base64Text.h"
#include "ECCrypt/text/hexText.h"
#include "support/textFormsReference.h"

namespace eccrypt {
namespace {

namespace reference = testsupport::reference;

// What a conversion did: the refusal (type and message) or the words of the target and the text.
struct Outcome {
  std::string refusal;
  std::array<std::int32_t, TvlPoint::Capacity + 1> words{};
  std::string text;
  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  os << "{refusal '" << o.refusal << "', text '" << o.text << "', words";
  for (std::int32_t w : o.words) os << ' ' << w;
  return os << '}';
}

Outcome Run(const std::function<void(Outcome&)>& conversion) {
  Outcome o;
  try {
    conversion(o);
  } catch (const std::exception& e) {
    o.refusal = std::string(typeid(e).name()) + ": " + e.what();
  }
  return o;
}

// A target holding leftovers in every word, which a reading must keep above the new length.
TvlPoint Leftovers() {
  TvlPoint t;
  for (std::size_t i = 0; i < t.Words.size(); ++i)
    t.Words[i] = static_cast<std::int32_t>(0x5A00 + i);
  return t;
}

using Reader = void (*)(std::string_view, TvlPoint&);

Outcome Read(Reader read, std::string_view text) {
  return Run([&](Outcome& o) {
    TvlPoint target = Leftovers();
    try {
      read(text, target);
    } catch (...) {
      o.words = target.Words;  // a refusal leaves the target as it was
      throw;
    }
    o.words = target.Words;
  });
}

void ReferenceBase64ToInteger(std::string_view text, TvlPoint& target) {
  reference::HexToInteger(reference::Base64ToHex(text), target);
}

// Sets every byte value at every position of base, comparing each reading with the reference.
void ExpectSameAtEveryPosition(Reader read, Reader referenceRead, std::string base) {
  for (std::size_t i = 0; i < base.size(); ++i) {
    const char kept = base[i];
    for (int b = 0; b < 256; ++b) {
      base[i] = static_cast<char>(b);
      const Outcome expected = Read(referenceRead, base);
      const Outcome actual = Read(read, base);
      if (actual != expected) {
        ADD_FAILURE() << "length " << base.size() << ", byte " << b << " at " << i << ": " << actual
                      << " instead of " << expected;
        return;
      }
    }
    base[i] = kept;
  }
}

std::string RandomText(std::mt19937_64& rng, std::size_t size, std::string_view alphabet) {
  std::string s(size, '\0');
  for (char& c : s) c = alphabet[rng() % alphabet.size()];
  return s;
}

constexpr std::string_view HexDigits = "0123456789ABCDEFabcdef";

TEST(ConstantTimeTextForms, HexReadingIsTheReferenceForEveryByteAtEveryPosition) {
  std::mt19937_64 rng(10);
  // Whole groups, tails of 1 to 3 ignored characters, the longest text read and the first refused.
  for (std::size_t size : {0u, 1u, 3u, 4u, 5u, 7u, 8u, 12u, 76u, 77u, 80u}) {
    SCOPED_TRACE(size);
    ExpectSameAtEveryPosition(HexToInteger, reference::HexToInteger,
                              RandomText(rng, size, HexDigits));
  }
}

TEST(ConstantTimeTextForms, Radix64ReadingIsTheReferenceForEveryByteAtEveryPosition) {
  // Every tail of short texts and of the longest: 50 characters, where the end rule's extra byte
  // makes a 19th digit, 53, where it would make a 20th, and 54, refused for certain (40 bytes).
  std::mt19937_64 rng(64);
  for (std::size_t size = 0; size <= 54; size = size == 13 ? 46 : size + 1) {
    SCOPED_TRACE(size);
    ExpectSameAtEveryPosition(Base64ToInteger, ReferenceBase64ToInteger,
                              RandomText(rng, size, reference::Alphabet));
  }
}

TEST(ConstantTimeTextForms, ReadingRandomTextsIsTheReference) {
  std::mt19937_64 rng(2026);
  std::string bytes(256, '\0');
  for (int b = 0; b < 256; ++b) bytes[static_cast<std::size_t>(b)] = static_cast<char>(b);
  for (int trial = 0; trial < 3000; ++trial) {
    // Mostly valid characters, some of any byte value.
    const std::string_view alphabet = trial % 3 == 0 ? std::string_view(bytes) : HexDigits;
    const std::string hex = RandomText(rng, rng() % 84, alphabet);
    EXPECT_EQ(Read(HexToInteger, hex), Read(reference::HexToInteger, hex)) << hex;
    const std::string radix64 =
        RandomText(rng, rng() % 60, trial % 3 == 0 ? std::string_view(bytes) : reference::Alphabet);
    EXPECT_EQ(Read(Base64ToInteger, radix64), Read(ReferenceBase64ToInteger, radix64)) << radix64;
  }
}

Outcome Write(std::string (*write)(const TvlPoint&), const TvlPoint& x) {
  return Run([&](Outcome& o) { o.text = write(x); });
}

std::string ReferenceIntegerToBase64(const TvlPoint& x) {
  return reference::HexToBase64(reference::IntegerToHex(x));
}

void ExpectSameWriting(const TvlPoint& x) {
  ASSERT_EQ(Write(IntegerToHex, x), Write(reference::IntegerToHex, x));
  ASSERT_EQ(Write(IntegerToBase64, x), Write(ReferenceIntegerToBase64, x));
}

TEST(ConstantTimeTextForms, WritingIsTheReferenceForEveryDigitValue) {
  // Every 16-bit value as the only digit and as the top and the bottom digit of two.
  for (std::int32_t d = 0; d < TvlPoint::DigitBase; ++d) {
    TvlPoint x;
    x.Words[0] = 1;
    x.Words[1] = d;
    ExpectSameWriting(x);
    x.Words[0] = 2;
    x.Words[2] = 0x1234;
    ExpectSameWriting(x);
    x.Words[1] = 0xABCD;
    x.Words[2] = d;
    ExpectSameWriting(x);
  }
}

TEST(ConstantTimeTextForms, WritingIsTheReferenceForEveryLengthAndRefusal) {
  std::mt19937_64 rng(16);
  for (std::int32_t length = -1; length <= TvlPoint::Capacity + 1; ++length) {
    SCOPED_TRACE(length);
    for (int trial = 0; trial < 20; ++trial) {
      TvlPoint x = Leftovers();
      x.Words[0] = length;
      for (std::size_t i = 1; i < x.Words.size(); ++i) {
        x.Words[i] = static_cast<std::int32_t>(rng() % TvlPoint::DigitBase);
      }
      ExpectSameWriting(x);
      // A digit outside 0..65535 somewhere in the value, or just above it.
      const std::int32_t bad[] = {-1, TvlPoint::DigitBase, INT32_MIN, INT32_MAX};
      x.Words[1 + rng() % TvlPoint::Capacity] = bad[trial % 4];
      ExpectSameWriting(x);
    }
  }
}

TEST(ConstantTimeTextForms, Radix64CodecIsTheReferenceForEveryByte) {
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(TBase64::CharValue(static_cast<char>(b)),
              reference::Radix64Value(static_cast<char>(b)))
        << b;
  }
  // The text-to-text conversions, every byte value at every position of short texts.
  std::mt19937_64 rng(3);
  for (std::size_t size = 0; size <= 9; ++size) {
    std::string hex = RandomText(rng, size, HexDigits);
    std::string radix64 = RandomText(rng, size, reference::Alphabet);
    for (std::size_t i = 0; i < size; ++i) {
      for (int b = 0; b < 256; ++b) {
        hex[i] = radix64[i] = static_cast<char>(b);
        ASSERT_EQ(HexToBase64(hex), reference::HexToBase64(hex)) << size << ' ' << i << ' ' << b;
        ASSERT_EQ(Base64ToHex(radix64), reference::Base64ToHex(radix64))
            << size << ' ' << i << ' ' << b;
      }
    }
  }
}

}  // namespace
}  // namespace eccrypt
