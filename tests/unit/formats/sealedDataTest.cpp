// Sealed data in the library: round trips to several recipients across the chunk boundaries,
// armour, the stored files the tool wrote (versions 1 and 2), and every kind of damage refused
// with its own reason.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
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

// Seals `data` through a Sealer, `piece` bytes at a time.
Bytes SealInPieces(const Bytes& data, const std::vector<PublicKey>& recipients, std::size_t piece,
                   const SealOptions& options = {}) {
  auto sealer = Sealer::Create(recipients, options);
  EXPECT_TRUE(sealer);
  Bytes sealed;
  for (std::size_t at = 0; at < data.size(); at += piece) {
    EXPECT_TRUE(sealer.Value().Update(
        std::span(data).subspan(at, std::min(piece, data.size() - at)), sealed));
  }
  EXPECT_TRUE(sealer.Value().Finish(sealed));
  return sealed;
}

// Opens `sealed` through an Opener, `piece` bytes at a time: the plaintext, or the first error.
Result<Bytes> OpenInPieces(const Bytes& sealed, const SecretKey& key, std::size_t piece) {
  auto opener = Opener::Create(key);
  if (!opener) return opener.Error();
  Bytes plain;
  for (std::size_t at = 0; at < sealed.size(); at += piece) {
    auto updated = opener.Value().Update(
        std::span(sealed).subspan(at, std::min(piece, sealed.size() - at)), plain);
    if (!updated) return updated.Error();
  }
  if (auto finished = opener.Value().Finish(plain); !finished) return finished.Error();
  return plain;
}

std::vector<std::string> Lines(const Bytes& text) {
  std::istringstream in(std::string(text.begin(), text.end()));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

Bytes Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return AsBytes(text);
}

TEST(SealedData, StreamedArmourMatchesSealsAndOpensInAnyPieces) {
  const KeyPair key = KeyPair::Generate().Value();
  const std::vector<PublicKey> recipients = {key.PublicKey()};
  for (const std::size_t size :
       {std::size_t{0}, std::size_t{47}, std::size_t{65536}, std::size_t{2 * 65536 + 1000}}) {
    const Bytes data = Pattern(size);
    const Bytes whole = Seal(data, recipients, {.armor = true}).Value();
    for (const std::size_t piece : {std::size_t{1}, std::size_t{47}, std::size_t{4099},
                                    std::size_t{65536}, std::size_t{300000}}) {
      if (piece == 1 && size > 1000) continue;
      const Bytes streamed = SealInPieces(data, recipients, piece, {.armor = true});
      // The same text as Seal's but for the random keys: the same lines of the same lengths.
      const auto lines = Lines(streamed);
      const auto wholeLines = Lines(whole);
      ASSERT_EQ(lines.size(), wholeLines.size()) << size << " " << piece;
      for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].size(), wholeLines[i].size()) << size << " " << piece << " " << i;
      }
      EXPECT_EQ(lines.front(), "-----BEGIN ECCRYPT ENCRYPTED FILE-----");
      EXPECT_EQ(lines.back(), "-----END ECCRYPT ENCRYPTED FILE-----");
      EXPECT_EQ(streamed.back(), '\n');
      EXPECT_EQ(Open(streamed, key).Value(), data) << size << " " << piece;
      auto opened = OpenInPieces(whole, key.Secret(), piece);
      ASSERT_TRUE(opened) << size << " " << piece << ": " << opened.Error().Message();
      EXPECT_EQ(opened.Value(), data);
    }
  }
  // The stored armoured files, read in odd pieces, with line ends of either kind.
  const Bytes text = AsBytes(ReadStored("v2.txt"));
  const KeyPair v2 = StoredKey("v2.key", "v2.phrase");
  const Bytes stored = AsBytes(ReadStored("v2.txt.ecc.asc"));
  std::string crlf;
  for (const std::uint8_t c : stored)
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, char(c));
  for (const std::size_t piece : {std::size_t{1}, std::size_t{39}, std::size_t{65}}) {
    EXPECT_EQ(OpenInPieces(stored, v2.Secret(), piece).Value(), text) << piece;
    EXPECT_EQ(OpenInPieces(AsBytes(crlf), v2.Secret(), piece).Value(), text) << piece;
  }
}

TEST(SealedData, ArmourThatBreaksItsRulesIsRefusedWithItsLine) {
  const KeyPair key = KeyPair::Generate().Value();
  const Bytes armoured =
      Seal(Pattern(70000), std::vector<PublicKey>{key.PublicKey()}, {.armor = true}).Value();
  auto lines = Lines(armoured);
  const auto without = [&](std::size_t line) {
    auto copy = lines;
    copy.erase(copy.begin() + static_cast<std::ptrdiff_t>(line));
    return Joined(copy);
  };
  const auto changed = [&](std::size_t line, std::size_t at, char c) {
    auto copy = lines;
    copy[line][at] = c;
    return Joined(copy);
  };
  const std::string begin = "-----BEGIN ECCRYPT ENCRYPTED FILE-----\n";
  const std::string end = "-----END ECCRYPT ENCRYPTED FILE-----\n";
  const std::string full(64, 'A');
  Bytes noLineEnd = armoured;
  noLineEnd.pop_back();
  Bytes extra = armoured;
  extra.push_back('x');
  struct Case {
    const char* what;
    Bytes text;
    ErrorCode code;
    const char* message;
  };
  const Case cases[] = {
      {"no END line", without(lines.size() - 1), ErrorCode::Truncated, "without its END line"},
      {"cut after a line", Joined({lines.begin(), lines.begin() + 40}), ErrorCode::Truncated,
       "without its END line"},
      {"text after END", extra, ErrorCode::Malformed, "text after the END line"},
      {"the last line without its end", noLineEnd, ErrorCode::Malformed, "no line end"},
      {"a line dropped", without(5), ErrorCode::Damaged, "fails authentication"},
      {"a character changed", changed(500, 10, lines[500][10] == 'A' ? 'B' : 'A'),
       ErrorCode::Damaged, "fails authentication"},
      {"not Base64", changed(3, 7, '!'), ErrorCode::Malformed, "at line 4: not Base64"},
      {"short line before a full one",
       AsBytes(begin + full.substr(0, 60) + "\n" + full + "\n" + end), ErrorCode::Malformed,
       "at line 3: a short line must be the last before END"},
      {"padding inside", AsBytes(begin + "QUJD=AAA\n" + end), ErrorCode::Malformed, "at line 2"},
      {"not a multiple of 4", AsBytes(begin + "QUJ\n" + end), ErrorCode::Malformed, "at line 2"},
      {"empty line", AsBytes(begin + "\n" + end), ErrorCode::Malformed, "at line 2"},
      {"line too long", AsBytes(begin + full + "AAAA\n" + end), ErrorCode::Malformed, "at line 2"},
      {"line too long, never ended", AsBytes(begin + full + full), ErrorCode::Malformed,
       "at line 2: line too long"},
      {"junk on the BEGIN line", AsBytes(begin.substr(0, begin.size() - 1) + " \n" + end),
       ErrorCode::Malformed, "at line 1: the BEGIN line must end there"},
  };
  for (const Case& c : cases) {
    auto opener = Opener::Create(key.Secret());
    Bytes plain;
    auto result = opener.Value().Update(c.text, plain);
    if (result) result = opener.Value().Finish(plain);
    ASSERT_FALSE(result) << c.what;
    EXPECT_EQ(result.Error().Code(), c.code) << c.what << ": " << result.Error().Message();
    EXPECT_NE(result.Error().Message().find(c.message), std::string::npos)
        << c.what << ": " << result.Error().Message();
    EXPECT_TRUE(opener.Value().Recognised()) << c.what;
    auto inPieces = OpenInPieces(c.text, key.Secret(), 7);
    ASSERT_FALSE(inPieces) << c.what;
    EXPECT_EQ(inPieces.Error().Code(), c.code) << c.what << " in pieces of 7";
  }
  // Armour around something else, or around nothing, is not sealed data.
  for (const std::string& inside : {std::string("QUJD\r\n"), std::string()}) {
    auto opener = Opener::Create(key.Secret());
    Bytes plain;
    auto result = opener.Value().Update(AsBytes(begin + inside + end), plain);
    if (result) result = opener.Value().Finish(plain);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.Error().Code(), ErrorCode::Malformed);
    EXPECT_FALSE(opener.Value().Recognised()) << result.Error().Message();
  }
}

TEST(SealedData, KeysAreAskedForOnlyWhenTheHeaderHasArrivedAndTheOnesBeforeFail) {
  std::vector<KeyPair> keys;
  for (int i = 0; i < 3; ++i) keys.push_back(KeyPair::Generate().Value());
  const Bytes data = Pattern(1000);
  const Bytes sealed = Seal(data, std::vector<PublicKey>{keys[1].PublicKey()}).Value();
  const std::size_t header = 11 + 95 + 32 + 24;
  for (const std::size_t offered : {std::size_t{3}, std::size_t{1}}) {
    std::size_t asked = 0;
    auto opener = Opener::Create(
        [&]() -> const SecretKey* { return asked < offered ? &keys[asked++].Secret() : nullptr; });
    ASSERT_TRUE(opener);
    Bytes plain;
    for (std::size_t at = 0; at + 1 < header; ++at) {
      ASSERT_TRUE(opener.Value().Update(std::span(sealed).subspan(at, 1), plain));
    }
    EXPECT_EQ(asked, 0U);  // the header's last byte has not come
    auto rest = opener.Value().Update(std::span(sealed).subspan(header - 1), plain);
    if (offered == 1) {
      EXPECT_EQ(rest.Error().Code(), ErrorCode::NoMatchingKey);
      EXPECT_TRUE(opener.Value().Recognised());
      continue;
    }
    ASSERT_TRUE(rest) << rest.Error().Message();
    EXPECT_EQ(asked, 2U);  // the third key was never needed
    ASSERT_TRUE(opener.Value().Finish(plain));
    EXPECT_EQ(plain, data);
  }
  // A version 1 file tries each key's key check the same way.
  const KeyPair legacy = StoredKey("legacy.key", "");
  std::vector<const SecretKey*> offered = {&keys[0].Secret(), &legacy.Secret()};
  std::size_t next = 0;
  auto opener = Opener::Create(
      [&]() -> const SecretKey* { return next < offered.size() ? offered[next++] : nullptr; });
  Bytes plain;
  ASSERT_TRUE(opener.Value().Update(AsBytes(ReadStored("legacy.txt.ecc")), plain));
  ASSERT_TRUE(opener.Value().Finish(plain));
  EXPECT_EQ(plain, AsBytes(ReadStored("legacy.txt")));
}

TEST(SealedData, HeadersReadWithoutAKey) {
  struct Case {
    const char* file;
    int version;
    std::size_t recipients;
    TextForm form;
    bool armored;
  };
  const Case cases[] = {
      {"v2.txt.ecc", 2, 2, TextForm::Radix64, false},
      {"v2.txt.ecc.asc", 2, 1, TextForm::Radix64, true},
      {"legacy.txt.ecc", 1, 1, TextForm::Radix64, false},
      {"legacy-seq-hex.ecc", 1, 1, TextForm::Hex, false},
  };
  for (const Case& c : cases) {
    const Bytes data = AsBytes(ReadStored(c.file));
    EXPECT_TRUE(LooksSealed(std::span(data).first(40))) << c.file;
    auto header = ReadSealedHeader(std::span(data).first(std::min<std::size_t>(data.size(), 600)));
    ASSERT_TRUE(header) << c.file << ": " << header.Error().Message();
    EXPECT_EQ(header.Value().version, c.version) << c.file;
    EXPECT_EQ(header.Value().recipients, c.recipients) << c.file;
    if (c.version == 1) {
      EXPECT_EQ(header.Value().valueForm, c.form) << c.file;
    }
    EXPECT_EQ(header.Value().armored, c.armored) << c.file;
  }
  const Bytes sealed = AsBytes(ReadStored("v2.txt.ecc"));
  EXPECT_EQ(ReadSealedHeader(std::span(sealed).first(40)).Error().Code(), ErrorCode::Truncated);
  EXPECT_EQ(ReadSealedHeader(Pattern(100)).Error().Code(), ErrorCode::Malformed);
  EXPECT_EQ(ReadSealedHeader({}).Error().Code(), ErrorCode::Malformed);
  EXPECT_FALSE(LooksSealed(Pattern(100)));
}

TEST(SealedData, AChangedHeaderByteIsNeverOpened) {
  const KeyPair alice = KeyPair::Generate().Value();
  const KeyPair bob = KeyPair::Generate().Value();
  const Bytes sealed =
      Seal(Pattern(1000), std::vector<PublicKey>{alice.PublicKey(), bob.PublicKey()}).Value();
  const std::size_t header = 11 + 2 * 95 + 32 + 24;
  for (std::size_t at = 0; at < header; ++at) {
    Bytes changed = sealed;
    changed[at] ^= 0x04;
    for (const KeyPair* key : {&alice, &bob}) EXPECT_FALSE(Open(changed, *key)) << "byte " << at;
  }
}

}  // namespace
}  // namespace eccrypt
