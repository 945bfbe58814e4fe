// A wrong peer key given to every operation of the library interface: each refuses it with an
// error naming the reason (or, for a valid key of someone else, gives a result that does not
// verify), and the caller's own keys stay as they were and keep working.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "ECCrypt/api.h"
#include "support/apiSupport.h"

namespace eccrypt {
namespace {

using namespace testsupport;

struct Texts {
  std::string publicHex, publicRadix, secretHex;
  bool operator==(const Texts&) const = default;
};

Texts TextsOf(const KeyPair& pair) {
  return {pair.PublicKey().ToText(TextForm::Hex), pair.PublicKey().ToText(TextForm::Radix64),
          pair.Secret().ExportText(TextForm::Hex)};
}

TEST(ApiUntrustedInputTest, AWrongPeerKeyIsRefusedEverywhereAndLeavesTheCallersKeysIntact) {
  const KeyPair mine = KeyPair::Generate().Value();
  const KeyPair peer = KeyPair::Generate().Value();
  const Texts before = TextsOf(mine);
  const std::string peerText = peer.PublicKey().ToText(TextForm::Hex);

  struct Case {
    const char* name;
    std::string text;
    ErrorCode code;
  };
  const std::vector<Case> wrongKeys = {
      {"mistyped character", peerText.substr(0, 10) + "G" + peerText.substr(11),
       ErrorCode::BadCharacter},
      {"a character of neither form", peerText.substr(0, 10) + "#" + peerText.substr(11),
       ErrorCode::BadCharacter},
      {"truncated to an x with no point", peerText.substr(0, 60), ErrorCode::NotAGroupPoint},
      {"doubled", peerText + peerText, ErrorCode::TooLong},
      {"empty", "", ErrorCode::Empty},
      {"the point of order 2", "0001", ErrorCode::NotAGroupPoint},
  };
  for (const Case& c : wrongKeys) {
    const Result<PublicKey> asKey = PublicKey::Parse(c.text);
    const Result<ExchangedValue> asValue = ExchangedValue::Parse(c.text);
    ASSERT_FALSE(asKey.Ok()) << c.name;
    ASSERT_FALSE(asValue.Ok()) << c.name;
    EXPECT_EQ(asKey.Error().Code(), c.code) << c.name << ": " << asKey.Error().Message();
    EXPECT_EQ(asValue.Error().Code(), c.code) << c.name << ": " << asValue.Error().Message();
    EXPECT_TRUE(asKey.Error().Message().starts_with("public key: "));
    EXPECT_TRUE(asValue.Error().Message().starts_with("exchanged value: "));
  }

  // A valid key, but the wrong one: my signature does not verify under it, and its exchanged
  // value gives me a session key that is not the sender's.
  const std::array<std::uint8_t, SignedDigestBytes> digest{9, 8, 7};
  const Signature signature = SignDigest(digest, mine.Secret()).Value();
  const Result<void> verdict = VerifyDigest(digest, signature, peer.PublicKey());
  ASSERT_FALSE(verdict.Ok());
  EXPECT_EQ(verdict.Error().Code(), ErrorCode::BadSignature);
  const Encapsulation toPeer = Encapsulate(peer.PublicKey()).Value();
  EXPECT_NE(Decapsulate(toPeer.Exchanged, mine.Secret()).Value().RawBytes(),
            toPeer.Session.RawBytes());

  // Nothing of mine changed, and it all still works.
  EXPECT_EQ(TextsOf(mine), before);
  EXPECT_TRUE(VerifyDigest(digest, signature, mine.PublicKey()).Ok());
  const Encapsulation toMe = Encapsulate(mine.PublicKey()).Value();
  EXPECT_EQ(Decapsulate(toMe.Exchanged, mine.Secret()).Value().RawBytes(), toMe.Session.RawBytes());
}

// The same for sealed data, message signatures and key files: someone else's valid key where
// mine belongs is refused with its reason, and my keys stay as they were and keep working.
TEST(ApiUntrustedInputTest, SomeoneElsesKeyInTheFormatsIsRefusedAndLeavesTheCallersKeysIntact) {
  const KeyPair mine = KeyPair::Generate().Value();
  const KeyPair peer = KeyPair::Generate().Value();
  const Texts before = TextsOf(mine);
  const std::vector<std::uint8_t> data{'m', 'e', 'm', 'o'};
  const KeyFileOptions fast{.form = TextForm::Radix64, .opsLimit = 1, .memLimit = 8192};

  const std::vector<PublicKey> toPeer{peer.PublicKey()};
  const auto opened = Open(Seal(data, toPeer).Value(), mine);
  ASSERT_FALSE(opened.Ok());
  EXPECT_EQ(opened.Error().Code(), ErrorCode::NoMatchingKey) << opened.Error().Message();

  const std::string signatureFile = SignMessage(data, mine, "mine").Value();
  const auto verified = VerifyMessage(data, signatureFile, peer.PublicKey());
  ASSERT_FALSE(verified.Ok());
  EXPECT_EQ(verified.Error().Code(), ErrorCode::KeyMismatch) << verified.Error().Message();

  const auto unlocked = KeyPair::FromKeyFile(peer.ToKeyFile("peer's", fast).Value(), "mine");
  ASSERT_FALSE(unlocked.Ok());
  EXPECT_EQ(unlocked.Error().Code(), ErrorCode::WrongPassPhrase) << unlocked.Error().Message();

  EXPECT_EQ(TextsOf(mine), before);
  const std::vector<PublicKey> toMe{mine.PublicKey()};
  EXPECT_EQ(Open(Seal(data, toMe).Value(), mine).Value(), data);
  EXPECT_EQ(VerifyMessage(data, signatureFile, mine.PublicKey()).Value().trustedComment, "mine");
}

}  // namespace
}  // namespace eccrypt
