// Exchanges a session key and checks a signature through the installed public headers only: the
// component (ECCrypt/ECCrypt.h) and the typed interface (ECCrypt/api.h).
// Built as C++23 both through the CMake package and through pkg-config: the library asks for
// C++20 as a minimum and must not lower a consumer's standard.
#include <ECCrypt/ECCrypt.h>
#include <ECCrypt/api.h>

static_assert(__cplusplus > 202002L, "the consumer's C++23 was lowered by the library's flags");

#include <array>
#include <cstdint>
#include <cstdio>

int main() {
  eccrypt::TEllipticCurve alice;
  eccrypt::TEllipticCurve bob;
  alice.SetPassPhrase("consumer test pass phrase");
  alice.MakeKey();
  bob.SetKeyPublic(alice.KeyPublic());
  bob.Encrypt();
  alice.SetExchangedValue(bob.ExchangedValue());
  alice.Decrypt();

  std::array<std::uint8_t, 20> digest{};
  digest[0] = 42;
  alice.Sign(digest.data());
  bob.SetSignature(alice.Signature());
  bob.Verify(digest.data());

  std::array<std::uint8_t, 32> aliceBytes{}, bobBytes{};
  const bool ok = alice.Valid() && !alice.KeySession().empty() &&
                  alice.KeySession() == bob.KeySession() && bob.Valid() &&
                  alice.KeySessionBytes(aliceBytes) && bob.KeySessionBytes(bobBytes) &&
                  aliceBytes == bobBytes;

  // The typed interface: a random key pair, a session key agreed with it, a signed digest.
  const auto carol = eccrypt::KeyPair::Generate();
  bool apiOk = carol.Ok();
  if (apiOk) {
    const auto sent = eccrypt::Encapsulate(carol.Value().PublicKey());
    const auto received = sent
                              ? eccrypt::Decapsulate(sent.Value().Exchanged, carol.Value().Secret())
                              : eccrypt::Result<eccrypt::SessionKey>(sent.Error());
    const auto signature = eccrypt::SignDigest(digest, carol.Value().Secret());
    apiOk = received.Ok() &&
            received.Value().SymmetricKey() == sent.Value().Session.SymmetricKey() &&
            signature.Ok() &&
            eccrypt::VerifyDigest(digest, signature.Value(), carol.Value().PublicKey()).Ok();
  }
  std::printf("version %s: %s\n", alice.GetVersion().c_str(), ok && apiOk ? "ok" : "FAILED");
  return ok && apiOk ? 0 : 1;
}
