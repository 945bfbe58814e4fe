// The library interface in one program: random key pairs, data sealed to two recipients and
// opened by each, a session key agreed between two parties, a message signed and verified (and
// a changed one refused), and a key pair kept as a legacy pass phrase read back with the
// component's texts. Exits 0 when every step behaves.
#include <cstdint>
#include <iostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/api.h"

namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

int Fail(const std::string& what) {
  std::cerr << "failed: " << what << '\n';
  return 1;
}

}  // namespace

int main() {
  // 1. Two random key pairs; public keys travel as text.
  auto alice = eccrypt::KeyPair::Generate();
  auto bob = eccrypt::KeyPair::Generate();
  if (!alice || !bob) return Fail("key generation");
  const std::string bobText = bob.Value().PublicKey().ToText(eccrypt::TextForm::Radix64);
  std::cout << "Bob's public key: " << bobText << '\n';

  // 2. Data sealed to both of them; each opens it with their own secret key.
  const std::string note = "The launch is on Tuesday.";
  const std::vector<eccrypt::PublicKey> recipients = {alice.Value().PublicKey(),
                                                      bob.Value().PublicKey()};
  auto sealed = eccrypt::Seal(Bytes(note), recipients);
  if (!sealed) return Fail(sealed.Error().Message());
  for (const auto* reader : {&alice.Value(), &bob.Value()}) {
    auto opened = eccrypt::Open(sealed.Value(), *reader);
    if (!opened || std::string(opened.Value().begin(), opened.Value().end()) != note) {
      return Fail("a recipient could not open the sealed data");
    }
  }
  std::cout << "Sealed " << sealed.Value().size() << " bytes to two recipients; both opened it\n";

  // 3. Alice agrees a session key with Bob, knowing only his public key's text.
  auto bobKey = eccrypt::PublicKey::Parse(bobText);
  if (!bobKey) return Fail("Bob's key: " + bobKey.Error().Message());
  auto sent = eccrypt::Encapsulate(bobKey.Value());
  if (!sent) return Fail(sent.Error().Message());
  const std::string exchanged = sent.Value().Exchanged.ToText(eccrypt::TextForm::Radix64);
  auto value = eccrypt::ExchangedValue::Parse(exchanged);
  if (!value) return Fail(value.Error().Message());
  auto received = eccrypt::Decapsulate(value.Value(), bob.Value().Secret());
  if (!received) return Fail(received.Error().Message());
  if (received.Value().SymmetricKey() != sent.Value().Session.SymmetricKey()) {
    return Fail("the session keys differ");
  }
  std::cout << "Session key agreed (32 bytes for a symmetric cipher)\n";

  // 4. Alice signs a message; Bob verifies it with her public key, and refuses a changed one.
  const std::string message = "Meet at noon.\n";
  auto signatureFile = eccrypt::SignMessage(Bytes(message), alice.Value(), "from Alice");
  if (!signatureFile) return Fail(signatureFile.Error().Message());
  std::cout << signatureFile.Value();
  auto verified =
      eccrypt::VerifyMessage(Bytes(message), signatureFile.Value(), alice.Value().PublicKey());
  if (!verified) return Fail(verified.Error().Message());
  std::cout << "Good signature, trusted comment: " << verified.Value().trustedComment << '\n';
  auto changed = eccrypt::VerifyMessage(Bytes("Meet at one.\n"), signatureFile.Value(),
                                        alice.Value().PublicKey());
  if (changed) return Fail("a changed message verified");
  std::cout << "Changed message refused: " << changed.Error().Message() << '\n';

  // 5. A key pair kept as a pass phrase by a program built on the component: the same texts.
  eccrypt::TEllipticCurve legacy;
  legacy.SetPassPhrase("a pass phrase from an older program");
  legacy.MakeKey();
  auto derived = eccrypt::KeyPair::FromPassPhrase("a pass phrase from an older program");
  if (!derived) return Fail(derived.Error().Message());
  if (derived.Value().PublicKey().ToText(eccrypt::TextForm::Radix64) != legacy.KeyPublic()) {
    return Fail("the pass-phrase key pair differs from the component's");
  }
  auto legacyKey = eccrypt::PublicKey::Parse(legacy.KeyPublic());
  if (!legacyKey) return Fail(legacyKey.Error().Message());
  std::cout << "Legacy key read, key id " << eccrypt::KeyId(legacyKey.Value()) << '\n';
  return 0;
}
