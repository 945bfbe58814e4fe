// The library interface's keys: Result and Error, strict parsing with a reason for every refusal,
// texts identical to the component's in both forms, random and pass-phrase key pairs.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/api.h"
#include "support/apiSupport.h"
#include "support/vectorFile.h"

namespace eccrypt {
namespace {

using namespace testsupport;

// The group order n in hexadecimal, as the component writes it.
constexpr const char* kOrderHex =
    "0001026DD85081B82314691CED9BBEC30547840E4BF72D8B5E0D258442BBCD31";
constexpr const char* kPinnedHexPublic =
    "AC11ED22C5CCF55C127BF8E8754316ECD65A9D73F090972A658399B700025A60";

TEST(ApiResultTest, HoldsOneSideAndRefusesToReadTheOther) {
  const Result<int> value = 7;
  ASSERT_TRUE(value.Ok());
  EXPECT_EQ(value.Value(), 7);
  EXPECT_THROW((void)value.Error(), BadResultAccess);

  const Result<int> error = Error(ErrorCode::TooLong, "x: too many digits");
  ASSERT_FALSE(error);
  EXPECT_EQ(error.Error().Code(), ErrorCode::TooLong);
  EXPECT_EQ(error.Error().Message(), "x: too many digits");
  EXPECT_THROW((void)error.Value(), BadResultAccess);

  const Result<void> done;
  EXPECT_TRUE(done.Ok());
  EXPECT_THROW((void)done.Error(), BadResultAccess);
  EXPECT_EQ(ErrorCodeName(ErrorCode::NotAGroupPoint), "not a point of the group");
}

struct BadText {
  const char* name;
  std::string text;
  ErrorCode code;
};

// Texts the component would read leniently (or compute with) and the library refuses.
std::vector<BadText> BadPublicKeyTexts() {
  const std::string pinned = kPinnedHexPublic;
  std::string radix = PublicKey::Parse(pinned).Value().ToText(TextForm::Radix64);
  std::string otherSpelling = radix;
  otherSpelling.back() = '-';  // the end rule decodes it to the same digits
  return {
      {"empty", "", ErrorCode::Empty},
      {"space inside", pinned.substr(0, 8) + " " + pinned.substr(8), ErrorCode::BadCharacter},
      {"trailing line end", pinned + "\n", ErrorCode::BadCharacter},
      {"colon", pinned.substr(0, 20) + ":" + pinned.substr(21), ErrorCode::BadCharacter},
      {"seventeen hex groups", "0001" + pinned, ErrorCode::TooLong},
      {"radix-64 too long", radix + "AB", ErrorCode::TooLong},
      {"leading zero group", "0000" + pinned.substr(4), ErrorCode::NotCanonical},
      {"another radix-64 spelling", otherSpelling, ErrorCode::NotCanonical},
      {"lower-case hexadecimal", "ac11" + pinned.substr(4), ErrorCode::BadCharacter},
      {"one, the point of order 2", "0001", ErrorCode::NotAGroupPoint},
      {"an x with no point on the curve", pinned.substr(0, 60) + "0000", ErrorCode::NotAGroupPoint},
      {"2^256 - 1", std::string(64, 'F'), ErrorCode::NotAGroupPoint},
  };
}

TEST(ApiKeysTest, PublicKeyParseRefusesWithTheReason) {
  for (const BadText& c : BadPublicKeyTexts()) {
    const Result<PublicKey> key = PublicKey::Parse(c.text);
    ASSERT_FALSE(key.Ok()) << c.name;
    EXPECT_EQ(key.Error().Code(), c.code) << c.name << ": " << key.Error().Message();
    EXPECT_TRUE(key.Error().Message().starts_with("public key: ")) << key.Error().Message();
  }
  const Result<PublicKey> bad = PublicKey::Parse("AB?D");
  EXPECT_NE(bad.Error().Message().find("character 3"), std::string::npos) << bad.Error().Message();
}

TEST(ApiKeysTest, SecretKeyParseRefusesWithTheReasonAndNeverQuotesTheKey) {
  const std::string order = kOrderHex;
  const std::vector<BadText> cases = {
      {"empty", "", ErrorCode::Empty},
      {"bad character", "E0F005A35E95C1A1?901B26F", ErrorCode::BadCharacter},
      {"leading zero group", "0000E0F005A35E95", ErrorCode::NotCanonical},
      {"the order n", order, ErrorCode::OutOfRange},
      {"2^256 - 1", std::string(64, 'F'), ErrorCode::OutOfRange},
      {"seventeen groups", "0001" + std::string(64, '0'), ErrorCode::TooLong},
  };
  for (const BadText& c : cases) {
    const Result<SecretKey> key = SecretKey::Parse(c.text);
    ASSERT_FALSE(key.Ok()) << c.name;
    EXPECT_EQ(key.Error().Code(), c.code) << c.name << ": " << key.Error().Message();
    EXPECT_EQ(key.Error().Message().find("E0F005"), std::string::npos);
  }
  // n - 1 is the largest key.
  std::string belowOrder = order;
  belowOrder.back() = '0';
  EXPECT_TRUE(SecretKey::Parse(belowOrder).Ok());
}

TEST(ApiKeysTest, PassPhraseKeysAreTheComponentsPinnedTexts) {
  for (const TVectorRecord& record : ReadVectorFile("passPhraseKeys.vec")) {
    const TextForm form = Field(record, "mode") == "hex" ? TextForm::Hex : TextForm::Radix64;
    const KeyPair pair = KeyPair::FromPassPhrase(Field(record, "phrase")).Value();
    EXPECT_EQ(pair.PublicKey().ToText(form), Field(record, "public"));
    EXPECT_EQ(pair.Secret().ExportText(form), Field(record, "secret"));
    // Each text reads back as the same key, in whichever form it is written.
    EXPECT_EQ(PublicKey::Parse(Field(record, "public")).Value(), pair.PublicKey());
    EXPECT_EQ(SecretKey::Parse(Field(record, "secret")).Value().RevealBytes(),
              pair.Secret().RevealBytes());
  }
}

TEST(ApiKeysTest, PassPhraseKeysMatchMakeKeyInBothForms) {
  for (int i = 0; i < 40; ++i) {
    const std::string phrase = "phrase " + std::to_string(i * 7919);
    const KeyPair pair = KeyPair::FromPassPhrase(phrase).Value();
    for (const TextForm form : BothForms) {
      TEllipticCurve component;
      component.SetIOMode(ModeOf(form));
      component.SetPassPhrase(phrase);
      component.MakeKey();
      ASSERT_EQ(pair.PublicKey().ToText(form), component.KeyPublic()) << phrase;
      ASSERT_EQ(pair.Secret().ExportText(form), component.KeySecret()) << phrase;
      ASSERT_EQ(PublicKey::Parse(component.KeyPublic()).Value(), pair.PublicKey());
    }
  }
}

// Random keys in both forms: the texts parse back to the same key, and the component takes them
// for every operation.
TEST(ApiKeysTest, GeneratedKeysWorkWithEveryComponentOperation) {
  std::set<std::string> seen;
  for (int i = 0; i < 40; ++i) {
    const KeyPair pair = KeyPair::Generate().Value();
    EXPECT_TRUE(seen.insert(pair.PublicKey().ToText(TextForm::Hex)).second);
    for (const TextForm form : BothForms) {
      const std::string publicText = pair.PublicKey().ToText(form);
      const std::string secretText = pair.Secret().ExportText(form);
      ASSERT_EQ(PublicKey::Parse(publicText).Value(), pair.PublicKey());
      ASSERT_EQ(SecretKey::Parse(secretText).Value().RevealBytes(), pair.Secret().RevealBytes());
      ASSERT_EQ(pair.Secret().DerivePublicKey().Value(), pair.PublicKey());

      TEllipticCurve sender, owner;
      sender.SetIOMode(ModeOf(form));
      owner.SetIOMode(ModeOf(form));
      sender.SetKeyPublic(publicText);
      sender.Encrypt();
      owner.SetKeySecret(secretText);
      owner.SetExchangedValue(sender.ExchangedValue());
      owner.Decrypt();
      ASSERT_FALSE(owner.KeySession().empty()) << FormName(form);
      ASSERT_EQ(owner.KeySession(), sender.KeySession()) << FormName(form);

      const std::array<std::uint8_t, 20> digest{1, 2, 3, static_cast<std::uint8_t>(i)};
      owner.Sign(digest);
      sender.SetSignature(owner.Signature());
      sender.Verify(digest);
      ASSERT_TRUE(sender.Valid()) << FormName(form);
    }
  }
}

TEST(ApiKeysTest, SecretKeyIsWipedWhenMovedFrom) {
  KeyPair pair = KeyPair::Generate().Value();
  SecretKey secret = SecretKey::Parse(pair.Secret().ExportText(TextForm::Hex)).Value();
  const SecretKey taken = std::move(secret);
  EXPECT_EQ(taken.RevealBytes(), pair.Secret().RevealBytes());
  // NOLINTNEXTLINE(bugprone-use-after-move): the moved-from state is what is tested
  EXPECT_EQ(secret.RevealBytes(), (std::array<std::uint8_t, ValueBytes>{}));
  const Result<PublicKey> fromEmpty = secret.DerivePublicKey();
  ASSERT_FALSE(fromEmpty.Ok());
  EXPECT_EQ(fromEmpty.Error().Code(), ErrorCode::MultipleOfOrder);
  EXPECT_EQ(KeyPair::FromSecretKey(std::move(secret)).Error().Code(), ErrorCode::MultipleOfOrder);
}

TEST(ApiKeysTest, PublicKeyBytesRoundTripAndAreChecked) {
  const KeyPair pair = KeyPair::Generate().Value();
  const auto& bytes = pair.PublicKey().ToBytes();
  EXPECT_EQ(PublicKey::FromBytes(bytes).Value(), pair.PublicKey());
  EXPECT_EQ(PublicKey::FromBytes(std::span(bytes).first(31)).Error().Code(),
            ErrorCode::WrongLength);
  std::array<std::uint8_t, ValueBytes> one{};
  one[31] = 1;
  EXPECT_EQ(PublicKey::FromBytes(one).Error().Code(), ErrorCode::NotAGroupPoint);
}

}  // namespace
}  // namespace eccrypt
