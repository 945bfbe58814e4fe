// A walk through the component: two parties agree on a session key, then one signs a digest
// and the other verifies it. Each step prints what it did.
#include <array>
#include <cstdint>
#include <iostream>

#include "ECCrypt/ECCrypt.h"

namespace {

void Show(const char* label, const std::string& text) {
  std::cout << "  " << label << ": " << (text.empty() ? "(empty)" : text) << '\n';
}

}  // namespace

int main() {
  using eccrypt::TEllipticCurve;
  TEllipticCurve alice;
  TEllipticCurve bob;
  std::cout << "ECCrypt component version " << alice.GetVersion() << "\n\n";

  std::cout << "1. Alice derives her key pair from a pass phrase\n";
  alice.SetPassPhrase("correct horse battery staple, but longer and random");
  alice.MakeKey();
  Show("KeyPublic", alice.KeyPublic());

  std::cout << "2. Bob encrypts for Alice's public key\n";
  bob.SetKeyPublic(alice.KeyPublic());
  bob.Encrypt();
  Show("KeySession (Bob)", bob.KeySession());
  Show("ExchangedValue", bob.ExchangedValue());

  std::cout << "3. Alice recovers the session key from the exchanged value\n";
  alice.SetExchangedValue(bob.ExchangedValue());
  alice.Decrypt();
  Show("KeySession (Alice)", alice.KeySession());
  const bool agreed = !alice.KeySession().empty() && alice.KeySession() == bob.KeySession();
  std::cout << "  session keys " << (agreed ? "agree" : "DIFFER") << "\n";

  std::cout << "4. Alice signs a 20-byte digest; Bob verifies it\n";
  std::array<std::uint8_t, 20> digest{};
  for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<std::uint8_t>(i * 13);
  alice.Sign(digest.data());
  Show("Signature", alice.Signature());
  bob.SetSignature(alice.Signature());
  bob.Verify(digest.data());
  std::cout << "  signature " << (bob.Valid() ? "verifies" : "DOES NOT verify") << "\n";

  std::cout << "5. A changed digest is refused\n";
  digest[7] ^= 1;
  bob.Verify(digest.data());
  std::cout << "  signature " << (bob.Valid() ? "VERIFIES (wrong)" : "refused") << "\n";

  const bool ok = agreed && !bob.Valid();
  std::cout << '\n' << (ok ? "All steps behaved as expected." : "Something went wrong.") << '\n';
  return ok ? 0 : 1;
}
