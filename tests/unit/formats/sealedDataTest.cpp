// Sealed data in the library: round trips to several recipients across the chunk boundaries,
// armour, the stored files the tool wrote (versions 1 and 2), and every kind of damage refused
// with its own reason.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ECCrypt/api.h"

namespace eccrypt {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 29 + i / 253);
  return bytes;
}

std::string ReadStored(const std::string& name) {
  std::ifstream in(std::string(ECCRYPT_TEST_VECTOR_DIR) + "/../tool/data/" + name,
                   std::ios::binary);
  EXPECT_TRUE(in) << name;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Bytes AsBytes(const std::string& text) {
  return {text.begin(), text.end()};
}

KeyPair StoredKey(const std::string& file, const std::string& phraseFile) {
  std::string phrase = phraseFile.empty() ? "" : ReadStored(phraseFile);
  if (phrase.ends_with('\n')) phrase.pop_back();
  auto key = KeyPair::FromKeyFile(ReadStored(file), phrase);
  EXPECT_TRUE(key) << file;
  return std::move(key).Value();
}

TEST(SealedData, EveryRecipientOpensAcrossChunkBoundariesAndInArmour) {
  const KeyPair alice = KeyPair::Generate().Value();
  const KeyPair bob = KeyPair::Generate().Value();
  const std::vector<PublicKey> both = {alice.PublicKey(), bob.PublicKey()};
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{65536},
                                 std::size_t{65537}, std::size_t{2 * 65536 + 5}}) {
    const Bytes data = Pattern(size);
    for (const bool armor : {false, true}) {
      auto sealed = Seal(data, both, {.armor = armor});
      ASSERT_TRUE(sealed) << sealed.Error().Message();
      for (const KeyPair* key : {&alice, &bob}) {
        auto opened = Open(sealed.Value(), *key);
        ASSERT_TRUE(opened) << size << ": " << opened.Error().Message();
        EXPECT_EQ(opened.Value(), data) << size;
      }
    }
  }
  EXPECT_EQ(Seal({}, std::vector<PublicKey>{}).Error().Code(), ErrorCode::InvalidArgument);
}

TEST(SealedData, StoredFilesTheToolWroteOpen) {
  const Bytes text = AsBytes(ReadStored("v2.txt"));
  const KeyPair v2 = StoredKey("v2.key", "v2.phrase");
  EXPECT_EQ(Open(AsBytes(ReadStored("v2.txt.ecc")), v2).Value(), text);
  EXPECT_EQ(Open(AsBytes(ReadStored("v2.txt.ecc.asc")), v2).Value(), text);
  const KeyPair v2hex = StoredKey("v2-hex.key", "v2.phrase");
  EXPECT_EQ(Open(AsBytes(ReadStored("v2.txt.ecc")), v2hex).Value(), text);  // the hex stanza

  const KeyPair legacy = StoredKey("legacy.key", "");
  EXPECT_EQ(Open(AsBytes(ReadStored("legacy.txt.ecc")), legacy).Value(),
            AsBytes(ReadStored("legacy.txt")));
  std::string numbers;
  for (int i = 1; i <= 20000; ++i) numbers += std::to_string(i) + "\n";
  const KeyPair legacyHex = StoredKey("legacy-hex.key", "");
  EXPECT_EQ(Open(AsBytes(ReadStored("legacy-seq-hex.ecc")), legacyHex).Value(), AsBytes(numbers));
}

TEST(SealedData, DamageIsRefusedWithItsReason) {
  const KeyPair key = KeyPair::Generate().Value();
  const KeyPair other = KeyPair::Generate().Value();
  const std::vector<PublicKey> recipients = {key.PublicKey()};
  const Bytes sealed = Seal(Pattern(70000), recipients).Value();
  // Offsets: 11 header bytes, one stanza of 3 + 44 + 48, the MAC (32), the stream header (24).
  const std::size_t stanza = 11;
  const std::size_t mac = stanza + 95;
  const std::size_t firstChunk = mac + 32 + 24;

  const auto flipped = [&](std::size_t at) {
    Bytes bytes = sealed;
    bytes[at] ^= 1;
    return bytes;
  };
  // Data after a final block is told apart when that block is whole (64 KiB of data); after a
  // shorter one it makes the block longer, which then fails as damage.
  Bytes longer = Seal(Pattern(65536), recipients).Value();
  longer.push_back(0);
  Bytes version3 = sealed;
  version3[8] = 3;
  struct Case {
    const char* what;
    Bytes data;
    ErrorCode code;
  };
  const Case cases[] = {
      {"sealed file key changed", flipped(stanza + 3 + 44 + 5), ErrorCode::NoMatchingKey},
      {"header MAC changed", flipped(mac + 3), ErrorCode::HeaderAltered},
      {"first chunk changed", flipped(firstChunk + 100), ErrorCode::Damaged},
      {"last chunk changed", flipped(sealed.size() - 1), ErrorCode::Damaged},
      {"cut after the first chunk",
       Bytes(sealed.begin(), sealed.begin() + static_cast<std::ptrdiff_t>(firstChunk + 65536 + 17)),
       ErrorCode::Truncated},
      {"cut inside the header", Bytes(sealed.begin(), sealed.begin() + 30), ErrorCode::Truncated},
      {"a byte after the end", longer, ErrorCode::TrailingData},
      {"a later version", version3, ErrorCode::UnsupportedVersion},
      {"not sealed data", Pattern(100), ErrorCode::Malformed},
      {"empty", Bytes{}, ErrorCode::Malformed},
  };
  for (const Case& c : cases) {
    auto opened = Open(c.data, key);
    ASSERT_FALSE(opened) << c.what;
    EXPECT_EQ(opened.Error().Code(), c.code) << c.what << ": " << opened.Error().Message();
  }
  auto wrong = Open(sealed, other);
  ASSERT_FALSE(wrong);
  EXPECT_EQ(wrong.Error().Code(), ErrorCode::NoMatchingKey);
  EXPECT_TRUE(Open(sealed, key));  // nothing above changed the caller's keys
}

TEST(SealedData, StreamsInAnyPiecesGiveWhatTheWholeGives) {
  const KeyPair key = KeyPair::Generate().Value();
  const std::vector<PublicKey> recipients = {key.PublicKey()};
  const Bytes data = Pattern(3 * 65536 + 100);
  for (const std::size_t piece :
       {std::size_t{1000}, std::size_t{65536}, std::size_t{65553}, std::size_t{200000}}) {
    auto sealer = Sealer::Create(recipients);
    ASSERT_TRUE(sealer);
    Bytes sealed;
    for (std::size_t at = 0; at < data.size(); at += piece) {
      ASSERT_TRUE(sealer.Value().Update(
          std::span(data).subspan(at, std::min(piece, data.size() - at)), sealed));
    }
    ASSERT_TRUE(sealer.Value().Finish(sealed));
    EXPECT_FALSE(sealer.Value().Update(data, sealed));  // spent

    auto opener = Opener::Create(key.Secret());
    ASSERT_TRUE(opener);
    Bytes plain;
    for (std::size_t at = 0; at < sealed.size(); at += piece) {
      ASSERT_TRUE(opener.Value().Update(
          std::span(sealed).subspan(at, std::min(piece, sealed.size() - at)), plain));
      EXPECT_LE(plain.size(), data.size());
    }
    ASSERT_TRUE(opener.Value().Finish(plain)) << piece;
    EXPECT_EQ(plain, data) << piece;
    EXPECT_EQ(Open(sealed, key).Value(), data);
  }

  // A stream cut after a whole chunk: everything before is given, then Finish says Truncated.
  const Bytes sealed = Seal(data, recipients).Value();
  auto opener = Opener::Create(key.Secret());
  Bytes plain;
  const std::size_t cut = 11 + 95 + 32 + 24 + 2 * (65536 + 17);
  ASSERT_TRUE(opener.Value().Update(std::span(sealed).first(cut), plain));
  EXPECT_EQ(plain.size(), 2U * 65536);
  EXPECT_EQ(opener.Value().Finish(plain).Error().Code(), ErrorCode::Truncated);
  EXPECT_EQ(opener.Value().Update(sealed, plain).Error().Code(), ErrorCode::InvalidArgument);
}

}  // namespace
}  // namespace eccrypt
