// The component's four operations that handle secrets, as an application calls them, in both
// text forms: MakeKey with the pass phrase secret, Encrypt with the random bytes secret, Decrypt
// with the secret key, Sign with the secret key and the random bytes (the nonce) secret.
#include <array>
#include <cstdint>
#include <string>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/pk/engineChoice.h"
#include "ctcheck/ctcheck.h"

namespace eccrypt::ctcheck {
namespace {

constexpr const char* Phrase = "constant-time check";
constexpr std::array<std::uint8_t, 20> Digest{2, 7, 1, 8, 2, 8, 1, 8, 2, 8,
                                              4, 5, 9, 0, 4, 5, 2, 3, 5, 3};

// A component in mode holding the key pair of Phrase and one exchanged value and session key,
// all made without poison.
void Prepare(TEllipticCurve& c, TMode mode) {
  c.SetIOMode(mode);
  c.SetPassPhrase(Phrase);
  c.MakeKey();
  c.Encrypt();
}

bool MakeKey(TMode mode) {
  TEllipticCurve expected;
  expected.SetIOMode(mode);
  expected.SetPassPhrase(Phrase);
  expected.MakeKey();

  TEllipticCurve c;
  c.SetIOMode(mode);
  c.SetPassPhrase(Phrase);
  PoisonText(c.PassPhrase());
  c.MakeKey();
  DeclassifyText(c.KeySecret());
  return Expect(c.Valid(), "MakeKey succeeds") &&
         Expect(c.KeyPublic() == expected.KeyPublic(), "KeyPublic as without poison") &&
         Expect(c.KeySecret() == expected.KeySecret(), "KeySecret as without poison");
}

bool Encrypt(TMode mode) {
  TEllipticCurve c;
  Prepare(c, mode);
  {
    const TPoisonedRandom poisoned;
    c.Encrypt();
  }
  DeclassifyText(c.KeySession());
  const std::string session = c.KeySession();
  c.Decrypt();
  return Expect(!session.empty(), "Encrypt succeeds") &&
         Expect(c.KeySession() == session, "Decrypt of ExchangedValue gives KeySession");
}

bool Decrypt(TMode mode) {
  TEllipticCurve c;
  Prepare(c, mode);
  const std::string expected = c.KeySession();
  c.SetKeySession("");
  PoisonText(c.KeySecret());
  c.Decrypt();
  DeclassifyText(c.KeySession());
  return Expect(!expected.empty(), "Encrypt succeeds") &&
         Expect(c.KeySession() == expected, "Decrypt gives Encrypt's KeySession");
}

bool Sign(TMode mode) {
  TEllipticCurve c;
  Prepare(c, mode);
  PoisonText(c.KeySecret());
  {
    const TPoisonedRandom poisoned;
    c.Sign(Digest);
  }
  c.SetValid(false);
  c.Verify(Digest);
  return Expect(!c.Signature().empty(), "Sign succeeds") &&
         Expect(c.Valid(), "Verify accepts the signature");
}

// Runs an operation on the variable-time reference arithmetic, which memcheck must report: the
// planted leak at the end of each secret's path, proving that the pass phrase, the secret key
// text and the random bytes are still marked secret when they reach the scalar multiplication
// (nothing on the way declassified them or laundered them through a table).
bool OnReference(bool (*operation)(TMode)) {
  SelectEngine(TEngine::Reference);
  const bool ok = operation(TMode::Base64);
  SelectEngine(TEngine::Fast);
  return ok;
}

constexpr TCase Cases[] = {
    {"leak.reference.MakeKey", [] { return OnReference(MakeKey); }},
    {"leak.reference.Encrypt", [] { return OnReference(Encrypt); }},
    {"leak.reference.Decrypt", [] { return OnReference(Decrypt); }},
    {"MakeKey.Hex", [] { return MakeKey(TMode::Hex); }},
    {"MakeKey.Base64", [] { return MakeKey(TMode::Base64); }},
    {"Encrypt.Hex", [] { return Encrypt(TMode::Hex); }},
    {"Encrypt.Base64", [] { return Encrypt(TMode::Base64); }},
    {"Decrypt.Hex", [] { return Decrypt(TMode::Hex); }},
    {"Decrypt.Base64", [] { return Decrypt(TMode::Base64); }},
    {"Sign.Hex", [] { return Sign(TMode::Hex); }},
    {"Sign.Base64", [] { return Sign(TMode::Base64); }},
};

}  // namespace

std::span<const TCase> ComponentCases() {
  return Cases;
}

}  // namespace eccrypt::ctcheck
