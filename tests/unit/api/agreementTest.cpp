// Key agreement through the library interface: the component's texts in both directions and
// both forms, and the symmetric key derived as documented (held against OpenSSL's HKDF).
#include <gtest/gtest.h>
#include <openssl/core_names.h>
#include <openssl/kdf.h>
#include <openssl/params.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/api.h"
#include "support/apiSupport.h"

namespace eccrypt {
namespace {

using namespace testsupport;
using Bytes = std::array<std::uint8_t, ValueBytes>;

// HKDF-SHA-256 by OpenSSL, with no salt.
Bytes OpenSslHkdf(const Bytes& ikm, const std::vector<std::uint8_t>& info) {
  const std::unique_ptr<EVP_KDF, decltype(&EVP_KDF_free)> kdf(
      EVP_KDF_fetch(nullptr, "HKDF", nullptr), &EVP_KDF_free);
  const std::unique_ptr<EVP_KDF_CTX, decltype(&EVP_KDF_CTX_free)> context(
      EVP_KDF_CTX_new(kdf.get()), &EVP_KDF_CTX_free);
  std::vector<std::uint8_t> key(ikm.begin(), ikm.end()), label(info);
  char digest[] = "SHA256";
  const OSSL_PARAM params[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
      OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_KEY, key.data(), key.size()),
      OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_INFO, label.data(), label.size()),
      OSSL_PARAM_construct_end()};
  Bytes out{};
  if (!context || EVP_KDF_derive(context.get(), out.data(), out.size(), params) != 1) {
    ADD_FAILURE() << "OpenSSL HKDF failed";
  }
  return out;
}

TEST(ApiAgreementTest, EncapsulateMatchesTheComponentsDecryptInBothForms) {
  for (int i = 0; i < 20; ++i) {
    const KeyPair recipient = KeyPair::Generate().Value();
    const Encapsulation sent = Encapsulate(recipient.PublicKey()).Value();
    for (const TextForm form : BothForms) {
      TEllipticCurve component;
      component.SetIOMode(ModeOf(form));
      component.SetKeySecret(recipient.Secret().ExportText(form));
      component.SetExchangedValue(sent.Exchanged.ToText(form));
      component.Decrypt();
      ASSERT_EQ(component.KeySession(), sent.Session.ExportText(form)) << FormName(form);
      std::array<std::uint8_t, 32> bytes{};
      ASSERT_TRUE(component.KeySessionBytes(bytes));
      ASSERT_EQ(bytes, sent.Session.RawBytes());
    }
    const SessionKey received = Decapsulate(sent.Exchanged, recipient.Secret()).Value();
    ASSERT_EQ(received.RawBytes(), sent.Session.RawBytes());
    ASSERT_EQ(received.SymmetricKey(), sent.Session.SymmetricKey());
    // The pair's own public key, not derived again, gives the same key.
    const SessionKey byPair = Decapsulate(sent.Exchanged, recipient).Value();
    ASSERT_EQ(byPair.RawBytes(), sent.Session.RawBytes());
    ASSERT_EQ(byPair.SymmetricKey(), sent.Session.SymmetricKey());
  }
}

TEST(ApiAgreementTest, DecapsulateMatchesTheComponentsEncryptInBothForms) {
  for (int i = 0; i < 20; ++i) {
    const KeyPair recipient = KeyPair::Generate().Value();
    for (const TextForm form : BothForms) {
      TEllipticCurve component;
      component.SetIOMode(ModeOf(form));
      component.SetKeyPublic(recipient.PublicKey().ToText(form));
      component.Encrypt();
      const ExchangedValue exchanged = ExchangedValue::Parse(component.ExchangedValue()).Value();
      ASSERT_EQ(exchanged.ToText(form), component.ExchangedValue());
      const SessionKey session = Decapsulate(exchanged, recipient.Secret()).Value();
      ASSERT_EQ(session.ExportText(form), component.KeySession()) << FormName(form);
    }
  }
}

TEST(ApiAgreementTest, SymmetricKeyIsTheDocumentedHkdfOfTheExchange) {
  const KeyPair recipient = KeyPair::Generate().Value();
  const Encapsulation sent = Encapsulate(recipient.PublicKey()).Value();
  const std::string label = "eccrypt session key v1";
  std::vector<std::uint8_t> info(label.begin(), label.end());
  for (const std::uint8_t b : sent.Exchanged.ToBytes()) info.push_back(b);
  for (const std::uint8_t b : recipient.PublicKey().ToBytes()) info.push_back(b);
  EXPECT_EQ(sent.Session.SymmetricKey(), OpenSslHkdf(sent.Session.RawBytes(), info));
  EXPECT_NE(sent.Session.SymmetricKey(), sent.Session.RawBytes());
}

TEST(ApiAgreementTest, AnotherKeyAgreesAnotherSessionAndAMovedKeyIsRefused) {
  const KeyPair recipient = KeyPair::Generate().Value();
  const KeyPair other = KeyPair::Generate().Value();
  const Encapsulation sent = Encapsulate(recipient.PublicKey()).Value();
  const SessionKey wrong = Decapsulate(sent.Exchanged, other.Secret()).Value();
  EXPECT_NE(wrong.RawBytes(), sent.Session.RawBytes());
  EXPECT_NE(wrong.SymmetricKey(), sent.Session.SymmetricKey());

  SecretKey secret = SecretKey::Parse(recipient.Secret().ExportText(TextForm::Hex)).Value();
  const SecretKey kept = std::move(secret);
  // NOLINTNEXTLINE(bugprone-use-after-move): the moved-from key is what is refused
  const Result<SessionKey> refused = Decapsulate(sent.Exchanged, secret);
  ASSERT_FALSE(refused.Ok());
  EXPECT_EQ(refused.Error().Code(), ErrorCode::MultipleOfOrder);
  EXPECT_EQ(Decapsulate(sent.Exchanged, kept).Value().RawBytes(), sent.Session.RawBytes());

  KeyPair pair =
      KeyPair::FromSecretKey(SecretKey::Parse(kept.ExportText(TextForm::Hex)).Value()).Value();
  const KeyPair keptPair = std::move(pair);
  // NOLINTNEXTLINE(bugprone-use-after-move): the moved-from pair is what is refused
  const Result<SessionKey> refusedPair = Decapsulate(sent.Exchanged, pair);
  ASSERT_FALSE(refusedPair.Ok());
  EXPECT_EQ(refusedPair.Error().Code(), ErrorCode::MultipleOfOrder);
  EXPECT_EQ(Decapsulate(sent.Exchanged, keptPair).Value().RawBytes(), sent.Session.RawBytes());
}

}  // namespace
}  // namespace eccrypt
