// Encrypted files for several recipients (format version 2) in memory: every recipient opens
// the file, nobody else does, and the header cannot be changed unnoticed.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ECCrypt/ECCrypt.h"
#include "tool/fileCrypt.h"
#include "tool/fileFormat.h"
#include "tool/formatV2.h"

namespace eccrypt::tool {
namespace {

using TBytes = std::vector<std::uint8_t>;

struct TParty {
  TKeyFile key;
  TPublicKey publicKey;
};

TParty* MakeParty(const std::string& phrase, TMode mode) {
  TEllipticCurve curve;
  curve.SetIOMode(mode);
  curve.SetPassPhrase(phrase);
  curve.MakeKey();
  auto* party = new TParty;
  party->key.mode = mode;
  party->key.publicKey = curve.KeyPublic();
  party->key.secretKey.str() = curve.KeySecret();
  party->publicKey = {mode, curve.KeyPublic()};
  return party;
}

TBytes Plaintext(std::size_t size) {
  TBytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return bytes;
}

TBytes Encrypt(const std::vector<TPublicKey>& recipients, const TBytes& plain) {
  TMemorySource input(plain);
  TMemorySink output;
  EncryptForRecipients(recipients, input, output);
  return output.Bytes();
}

struct TOutcome {
  std::optional<TBytes> plain;
  std::optional<TFormatFault> fault;
};

TOutcome Decrypt(const TParty& party, const TBytes& file) {
  TOutcome outcome;
  try {
    TMemorySource input(file);
    TMemorySink output;
    DecryptWithKey(party.key, input, output);
    outcome.plain = output.Bytes();
  } catch (const TFormatError& error) {
    outcome.fault = error.Fault();
  }
  return outcome;
}

class FileCrypt : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    alice_ = MakeParty("alice, a phrase for the file tests", TMode::Base64);
    bob_ = MakeParty("bob, a phrase for the file tests", TMode::Hex);
    carol_ = MakeParty("carol, a phrase for the file tests", TMode::Base64);
  }
  static void TearDownTestSuite() {
    delete alice_;
    delete bob_;
    delete carol_;
  }
  static TParty* alice_;
  static TParty* bob_;
  static TParty* carol_;
};
TParty* FileCrypt::alice_ = nullptr;
TParty* FileCrypt::bob_ = nullptr;
TParty* FileCrypt::carol_ = nullptr;

TEST_F(FileCrypt, EveryRecipientAndNobodyElseOpensTheFile) {
  for (const std::size_t size : {std::size_t{0}, kChunkBytes, kChunkBytes * 2 + 5}) {
    const TBytes plain = Plaintext(size);
    const TBytes file = Encrypt({alice_->publicKey, bob_->publicKey}, plain);
    EXPECT_EQ(file[8], kFormatVersion2);
    EXPECT_EQ(Decrypt(*alice_, file).plain, plain) << size;
    EXPECT_EQ(Decrypt(*bob_, file).plain, plain) << size;
    EXPECT_EQ(Decrypt(*carol_, file).fault, TFormatFault::WrongKey) << size;
  }
}

TEST_F(FileCrypt, EveryStanzaHasOneFormAndLengthWhateverTheKeyForm) {
  for (int round = 0; round < 8; ++round) {
    const TBytes file = Encrypt({alice_->publicKey, bob_->publicKey}, Plaintext(10));
    TMemorySource source(file);
    ASSERT_EQ(ReadFormatVersion(source), kFormatVersion2);
    for (const TRecipientStanza& stanza : ReadHeaderV2(source).stanzas) {
      EXPECT_EQ(stanza.mode, TMode::Base64);
      EXPECT_EQ(stanza.exchangedValue.size(), 44u);
    }
  }
}

TEST_F(FileCrypt, AChangedHeaderByteIsNeverDecrypted) {
  const TBytes plain = Plaintext(1000);
  const TBytes file = Encrypt({alice_->publicKey, bob_->publicKey}, plain);
  TMemorySource source(file);
  ASSERT_EQ(ReadFormatVersion(source), kFormatVersion2);
  const std::size_t headerSize =
      EncodeHeaderV2Body(ReadHeaderV2(source)).size() + kHeaderMacBytes + kStreamHeaderBytes;
  for (std::size_t at = 0; at < headerSize; ++at) {
    TBytes changed = file;
    changed[at] ^= 0x04;
    for (const TParty* party : {alice_, bob_}) {
      const TOutcome outcome = Decrypt(*party, changed);
      EXPECT_FALSE(outcome.plain.has_value()) << "byte " << at;
    }
  }
}

TEST_F(FileCrypt, HeaderBoundsAreCheckedBeforeUse) {
  const TBytes file = Encrypt({alice_->publicKey}, Plaintext(10));
  const auto withCount = [&](std::uint8_t high, std::uint8_t low) {
    TBytes changed = file;
    changed[9] = high;
    changed[10] = low;
    return changed;
  };
  EXPECT_EQ(Decrypt(*alice_, withCount(0, 0)).fault, TFormatFault::Damaged);
  EXPECT_EQ(Decrypt(*alice_, withCount(0xFF, 0xFF)).fault, TFormatFault::Damaged);
  EXPECT_TRUE(Decrypt(*alice_, withCount(0, 2)).fault.has_value());
  EXPECT_EQ(Decrypt(*alice_, TBytes(file.begin(), file.begin() + 40)).fault,
            TFormatFault::Truncated);
  TBytes later = file;
  later[8] = 3;
  EXPECT_EQ(Decrypt(*alice_, later).fault, TFormatFault::UnsupportedVersion);
}

}  // namespace
}  // namespace eccrypt::tool
