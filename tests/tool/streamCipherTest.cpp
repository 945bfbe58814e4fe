// The encrypted-file format end to end in memory: round trips over the chunk boundaries, and
// every kind of damage is refused with its own fault, never decrypted.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tool/fileFormat.h"
#include "tool/fileKeys.h"
#include "tool/streamCipher.h"

namespace eccrypt::tool {
namespace {

using TBytes = std::vector<std::uint8_t>;

constexpr const char* kSession = "2XGfnE2XGfnE2XGfnE";
// An exchanged value that is a text of both forms, so one header size fits every case.
constexpr const char* kExchanged = "ABCD0123ABCD";

TBytes Plaintext(std::size_t size) {
  TBytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + i / 7);
  return bytes;
}

TBytes Encrypt(const TBytes& plain, TMode mode = TMode::Base64) {
  TFileKeys keys;
  DeriveFileKeys(kSession, kExchanged, mode, keys);
  TMemorySource input(plain);
  TMemorySink output;
  EncryptStream(mode, kExchanged, keys, input, output);
  return output.Bytes();
}

// Decrypts with the keys Encrypt used (or the keys of another session text); returns the
// plaintext, or the fault that refused it.
struct TOutcome {
  std::optional<TBytes> plain;
  std::optional<TFormatFault> fault;
};

TOutcome Decrypt(const TBytes& file, const char* session = kSession) {
  TOutcome outcome;
  try {
    TMemorySource input(file);
    const TFileHeader header = ReadHeader(input);
    TFileKeys keys;
    DeriveFileKeys(session, header.exchangedValue, header.mode, keys);
    TMemorySink output;
    DecryptStream(header, keys, input, output);
    outcome.plain = output.Bytes();
  } catch (const TFormatError& error) {
    outcome.fault = error.Fault();
  }
  return outcome;
}

std::size_t HeaderSize() {
  return 12 + std::string(kExchanged).size() + 16 + 24;
}

TEST(StreamCipher, RoundTripsAcrossChunkBoundaries) {
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, kChunkBytes - 1, kChunkBytes,
                                 kChunkBytes + 1, 3 * kChunkBytes}) {
    for (const TMode mode : {TMode::Base64, TMode::Hex}) {
      const TBytes plain = Plaintext(size);
      const TBytes file = Encrypt(plain, mode);
      const std::size_t chunks = size == 0 ? 1 : (size + kChunkBytes - 1) / kChunkBytes;
      EXPECT_EQ(file.size(), HeaderSize() + size + chunks * kChunkOverheadBytes) << size;
      const TOutcome outcome = Decrypt(file);
      ASSERT_TRUE(outcome.plain) << size;
      EXPECT_EQ(*outcome.plain, plain) << size;
    }
  }
}

TEST(StreamCipher, EachEncryptionIsFresh) {
  const TBytes plain = Plaintext(100);
  EXPECT_NE(Encrypt(plain), Encrypt(plain));  // a new stream header every time
}

TEST(StreamCipher, HeaderFaultsAreToldApart) {
  const TBytes good = Encrypt(Plaintext(1000));
  const std::size_t keyCheckAt = 12 + std::string(kExchanged).size();
  struct TCase {
    const char* name;
    std::size_t at;
    std::uint8_t value;
    TFormatFault fault;
  } const cases[] = {
      {"magic", 0, 'X', TFormatFault::NotEncrypted},
      {"later version", 8, 2, TFormatFault::UnsupportedVersion},
      {"version zero", 8, 0, TFormatFault::Damaged},
      {"unknown text form", 9, 7, TFormatFault::Damaged},
      {"length zero", 11, 0, TFormatFault::Damaged},
      {"length too large", 10, 0x7F, TFormatFault::Damaged},
      {"character outside the alphabet", 13, '!', TFormatFault::Damaged},
      {"text form switched", 9, 1, TFormatFault::WrongKey},
      {"exchanged value changed", 12, 'Q', TFormatFault::WrongKey},
      {"key check", keyCheckAt, static_cast<std::uint8_t>(good[keyCheckAt] ^ 1),
       TFormatFault::WrongKey},
      {"stream header", keyCheckAt + 16, static_cast<std::uint8_t>(good[keyCheckAt + 16] ^ 1),
       TFormatFault::Tampered},
  };
  for (const TCase& c : cases) {
    TBytes file = good;
    file[c.at] = c.value;
    const TOutcome outcome = Decrypt(file);
    ASSERT_TRUE(outcome.fault) << c.name;
    EXPECT_EQ(*outcome.fault, c.fault) << c.name;
  }
  EXPECT_EQ(Decrypt({}).fault, TFormatFault::NotEncrypted);
  const std::string text = "just some text, not encrypted at all";
  EXPECT_EQ(Decrypt(TBytes(text.begin(), text.end())).fault, TFormatFault::NotEncrypted);
}

TEST(StreamCipher, WrongKeyIsToldFromDamage) {
  const TBytes file = Encrypt(Plaintext(5000));
  EXPECT_EQ(Decrypt(file, "ANOTHER+SESSION+KEY").fault, TFormatFault::WrongKey);
}

TEST(StreamCipher, TruncationAnywhereIsRefused) {
  const TBytes good = Encrypt(Plaintext(2 * kChunkBytes + 100));
  const std::size_t firstChunkEnd = HeaderSize() + kChunkBytes + kChunkOverheadBytes;
  for (const std::size_t keep :
       {std::size_t{5}, std::size_t{8}, std::size_t{11}, HeaderSize() - 1, HeaderSize(),
        HeaderSize() + 10, firstChunkEnd - 1, firstChunkEnd, firstChunkEnd + 1,
        2 * firstChunkEnd - HeaderSize(), good.size() - kChunkOverheadBytes, good.size() - 1}) {
    const TBytes file(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(keep));
    const TOutcome outcome = Decrypt(file);
    ASSERT_FALSE(outcome.plain) << keep;
    if (keep < 8) {
      EXPECT_EQ(*outcome.fault, TFormatFault::NotEncrypted) << keep;
    } else {
      // Cut in the header or at a block boundary: truncated; cut inside a block: that block
      // fails authentication.
      EXPECT_TRUE(*outcome.fault == TFormatFault::Truncated ||
                  *outcome.fault == TFormatFault::Tampered)
          << keep;
    }
  }
}

TEST(StreamCipher, AlteredChunksAreRefused) {
  const TBytes good = Encrypt(Plaintext(2 * kChunkBytes + 100));
  const std::size_t chunk = kChunkBytes + kChunkOverheadBytes;
  for (const std::size_t at :
       {HeaderSize(), HeaderSize() + 1000, HeaderSize() + chunk + 5, good.size() - 1}) {
    TBytes file = good;
    file[at] ^= 0x40;
    const TOutcome outcome = Decrypt(file);
    ASSERT_FALSE(outcome.plain) << at;
    EXPECT_EQ(*outcome.fault, TFormatFault::Tampered) << at;
  }
  // Two whole chunks swapped: each is authentic, but not in that place.
  TBytes swapped = good;
  std::swap_ranges(swapped.begin() + static_cast<std::ptrdiff_t>(HeaderSize()),
                   swapped.begin() + static_cast<std::ptrdiff_t>(HeaderSize() + chunk),
                   swapped.begin() + static_cast<std::ptrdiff_t>(HeaderSize() + chunk));
  EXPECT_EQ(Decrypt(swapped).fault, TFormatFault::Tampered);
}

TEST(StreamCipher, DataAfterTheFinalChunkIsRefused) {
  for (const std::size_t size : {kChunkBytes, std::size_t{10}}) {
    TBytes file = Encrypt(Plaintext(size));
    file.push_back(0);
    const TOutcome outcome = Decrypt(file);
    ASSERT_FALSE(outcome.plain) << size;
    // After a full final chunk the extra byte is seen as such; after a short one it joins
    // the chunk, which then fails.
    EXPECT_EQ(*outcome.fault,
              size == kChunkBytes ? TFormatFault::TrailingData : TFormatFault::Tampered);
  }
}

}  // namespace
}  // namespace eccrypt::tool
