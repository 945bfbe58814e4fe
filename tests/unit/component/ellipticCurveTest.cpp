// The component object: start state, Clear, the published property table, streaming, the
// palette and ownership, and the wiping of secret texts.
#include "ECCrypt/ECCrypt.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ECCrypt/bigint/secureWipe.h"
#include "ECPlatform/Properties.h"
#include "ECPlatform/Registry.h"
#include "ECPlatform/Streaming.h"
#include "support/componentSupport.h"

namespace eccrypt {
namespace {

using namespace testsupport;

TEST(EllipticCurveTest, NewInstanceIsEmptyBase64AndNotValid) {
  const TEllipticCurve c;
  EXPECT_EQ(Take(c), Snapshot{});
  EXPECT_EQ(c.GetVersion(), "1.10");
  EXPECT_EQ(c.ClassName(), "TEllipticCurve");
}

TEST(EllipticCurveTest, ClearKeepsOnlyPassPhraseAndIOMode) {
  TEllipticCurve c;
  FillAll(c, TMode::Hex);
  const Snapshot before = Take(c);
  c.Clear();
  EXPECT_EQ(Take(c), Cleared(before));
  EXPECT_EQ(c.PassPhrase(), "pass");
  EXPECT_EQ(c.IOMode(), TMode::Hex);
}

TEST(EllipticCurveTest, PublishesEightStoredPropertiesInOrder) {
  const TEllipticCurve c;
  const ecplatform::TPropertyList& list = c.PublishedProperties();
  const std::vector<std::string> names{"IOMode",    "PassPhrase", "Valid",          "KeyPublic",
                                       "KeySecret", "KeySession", "ExchangedValue", "Signature"};
  ASSERT_EQ(list.size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(list[i].Name, names[i]);
    EXPECT_TRUE(list[i].Stored) << names[i];
  }
  EXPECT_EQ(list[0].Kind, ecplatform::TPropertyKind::Enumeration);
  EXPECT_EQ(list[0].EnumNames, (std::vector<std::string>{"Base64", "Hex"}));
  EXPECT_EQ(list[2].Kind, ecplatform::TPropertyKind::Boolean);
  // A new component streams every property, IOMode even at Base64.
  EXPECT_EQ(ecplatform::WriteComponent(c),
            "object TEllipticCurve\n"
            "  IOMode = Base64\n"
            "  PassPhrase = ''\n"
            "  Valid = False\n"
            "  KeyPublic = ''\n"
            "  KeySecret = ''\n"
            "  KeySession = ''\n"
            "  ExchangedValue = ''\n"
            "  Signature = ''\n"
            "end\n");
}

TEST(EllipticCurveTest, StreamsOutAndBackUnchanged) {
  const std::string awkward =
      std::string("it's \"quoted\"\nnext line\t\xC3\xA9\xFF") + std::string(1, '\0') + "end";
  for (const std::string& phrase : {std::string(), std::string("plain"), awkward}) {
    TEllipticCurve out;
    FillAll(out, TMode::Hex);
    out.SetName("Curve1");
    out.SetPassPhrase(phrase);
    out.SetKeySecret(awkward + phrase);
    const std::string text = ecplatform::WriteComponent(out);

    TEllipticCurve in;
    ecplatform::ReadComponent(text, in);
    EXPECT_EQ(Take(in), Take(out));
    EXPECT_EQ(in.Name(), "Curve1");
    EXPECT_EQ(ecplatform::WriteComponent(in), text);
  }
}

TEST(EllipticCurveTest, IOModeBytesOtherThanHexStreamAsBase64) {
  // The operations take every value but 1 as radix-64; the stored form says so.
  TEllipticCurve c;
  c.SetIOMode(static_cast<TMode>(7));
  EXPECT_EQ(static_cast<int>(c.IOMode()), 7);  // the property holds the byte as given
  const std::string text = ecplatform::WriteComponent(c);
  EXPECT_NE(text.find("IOMode = Base64\n"), std::string::npos) << text;

  TEllipticCurve in;
  in.SetIOMode(TMode::Hex);
  ecplatform::ReadComponent(text, in);
  EXPECT_EQ(in.IOMode(), TMode::Base64);
}

TEST(EllipticCurveTest, RegisterPutsExactlyTheComponentOnCrypto) {
  Register();
  Register();  // a second registration adds nothing
  const std::vector<ecplatform::TComponentClass> classes = ecplatform::RegisteredClasses("Crypto");
  ASSERT_EQ(classes.size(), 1u);
  EXPECT_EQ(classes[0].Name, "TEllipticCurve");

  ecplatform::TComponent owner;
  std::unique_ptr<ecplatform::TComponent> made = classes[0].Create(&owner);
  ASSERT_NE(dynamic_cast<TEllipticCurve*>(made.get()), nullptr);
  EXPECT_EQ(owner.ComponentCount(), 1u);
  made.reset();
  EXPECT_EQ(owner.ComponentCount(), 0u);
}

TEST(EllipticCurveTest, OwnerDestroysOwnedComponents) {
  // LeakSanitizer reports the components if the owner does not delete them.
  auto owner = std::make_unique<ecplatform::TComponent>();
  auto* first = new TEllipticCurve(owner.get());
  auto* second = new TEllipticCurve(owner.get());
  first->SetKeySecret("a secret long enough to live on the heap");
  second->SetName("Second");
  EXPECT_EQ(owner->ComponentCount(), 2u);
  EXPECT_EQ(owner->FindComponent("Second"), second);
  owner.reset();
}

// The bytes of a text's buffer, spare capacity included, read through a pointer taken before.
std::string BufferBytes(const char* data, std::size_t capacity) {
  return std::string(data, capacity);
}

TEST(EllipticCurveTest, SecretTextsAreWipedNotJustEmptied) {
  std::string text = "a secret text well beyond the small-string buffer";
  const char* data = text.data();
  const std::size_t capacity = text.capacity();
  WipeText(text);
  EXPECT_TRUE(text.empty());
  EXPECT_EQ(text.data(), data);  // buffer kept, so nothing unwiped was released
  EXPECT_EQ(BufferBytes(data, capacity), std::string(capacity, '\0'));

  // Clear wipes KeySecret and KeySession in place.
  TEllipticCurve c;
  c.SetKeySecret("0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF");
  c.SetKeySession("FEDCBA9876543210FEDCBA9876543210FEDCBA9876543210");
  const char* secret = c.KeySecret().data();
  const char* session = c.KeySession().data();
  const std::size_t secretCapacity = c.KeySecret().capacity();
  const std::size_t sessionCapacity = c.KeySession().capacity();
  c.Clear();
  EXPECT_EQ(BufferBytes(secret, secretCapacity), std::string(secretCapacity, '\0'));
  EXPECT_EQ(BufferBytes(session, sessionCapacity), std::string(sessionCapacity, '\0'));

  // Setting a secret property to its own value keeps it.
  c.SetPassPhrase("phrase");
  c.SetPassPhrase(c.PassPhrase());
  EXPECT_EQ(c.PassPhrase(), "phrase");
}

}  // namespace
}  // namespace eccrypt
