// Exchanges a session key and checks a signature through the installed public header only.
#include <ECCrypt/ECCrypt.h>

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

  const bool ok = alice.Valid() && !alice.KeySession().empty() &&
                  alice.KeySession() == bob.KeySession() && bob.Valid();
  std::printf("version %s: %s\n", alice.GetVersion().c_str(), ok ? "ok" : "FAILED");
  return ok ? 0 : 1;
}
