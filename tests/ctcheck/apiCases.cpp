// The library interface's secret paths, called as a program calls them: key generation with the
// random bytes secret from their source on, the secret key read from and written to text, key
// agreement with the random bytes or the secret key secret, the session key's derivation
// (HKDF-SHA-256) over secret bytes, and signing with the secret key and the nonce secret.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "ECCrypt/api.h"
#include "ECCrypt/fast/ct.h"
#include "ECCrypt/hash/sha256.h"
#include "ctcheck/ctcheck.h"

namespace eccrypt::ctcheck {
namespace {

constexpr const char* Phrase = "constant-time check";
constexpr std::array<std::uint8_t, SignedDigestBytes> Digest{2, 7, 1, 8, 2, 8, 1, 8, 2, 8,
                                                             4, 5, 9, 0, 4, 5, 2, 3, 5, 3};

template <class Bytes>
void Poison(const Bytes& bytes) {
  fast::CtPoison(bytes.data(), bytes.size());
}

template <class Bytes>
void Declassify(const Bytes& bytes) {
  fast::CtUnpoison(bytes.data(), bytes.size());
}

// The key pair of Phrase, made without marks.
KeyPair PhraseKeys() {
  return KeyPair::FromPassPhrase(Phrase).Value();
}

// The random bytes are secret from the moment they are read; the public key comes out as the
// library leaves it, and must be the one the secret key gives without marks.
bool Generate() {
  Result<KeyPair> pair = [] {
    const TPoisonedRandom poisoned;
    return KeyPair::Generate();
  }();
  if (!Expect(pair.Ok(), "Generate succeeds")) return false;
  const SecretKey& secret = pair.Value().Secret();
  Declassify(secret.RevealBytes());
  const Result<PublicKey> expected = secret.DerivePublicKey();
  return Expect(expected.Ok(), "the secret key gives a public key") &&
         Expect(pair.Value().PublicKey() == expected.Value(), "PublicKey fits the secret key");
}

// Reads the secret key's text with its characters secret, then writes the key back with its
// bytes secret: both as without the marks.
bool SecretKeyText(TextForm form) {
  const KeyPair pair = PhraseKeys();
  const std::string expected = pair.Secret().ExportText(form);

  const std::string text(expected.begin(), expected.end());  // its own buffer to mark
  PoisonText(text);
  Result<SecretKey> read = SecretKey::Parse(text);
  if (!Expect(read.Ok(), "Parse accepts the text")) return false;
  const SecretKey& key = read.Value();
  Declassify(key.RevealBytes());
  bool ok = Expect(key.RevealBytes() == pair.Secret().RevealBytes(), "Parse as without marks");

  Poison(key.RevealBytes());
  const std::string written = key.ExportText(form);
  DeclassifyText(written);
  ok = Expect(written == expected, "ExportText as without marks") && ok;
  return ok;
}

bool Encapsulate() {
  const KeyPair pair = PhraseKeys();
  Result<Encapsulation> sent = [&] {
    const TPoisonedRandom poisoned;
    return eccrypt::Encapsulate(pair.PublicKey());
  }();
  if (!Expect(sent.Ok(), "Encapsulate succeeds")) return false;
  const SessionKey& session = sent.Value().Session;
  Declassify(session.RawBytes());
  Declassify(session.SymmetricKey());
  const Result<SessionKey> received = Decapsulate(sent.Value().Exchanged, pair.Secret());
  return Expect(received.Ok(), "Decapsulate succeeds") &&
         Expect(received.Value().SymmetricKey() == session.SymmetricKey(),
                "Decapsulate gives Encapsulate's key");
}

// The secret key is secret up to the session key, which the program declares public by reading
// it; the exchanged value and the recipient's public key are public.
bool Decapsulate() {
  const KeyPair pair = PhraseKeys();
  const Result<Encapsulation> sent = eccrypt::Encapsulate(pair.PublicKey());
  if (!Expect(sent.Ok(), "Encapsulate succeeds")) return false;

  Poison(pair.Secret().RevealBytes());
  const Result<SessionKey> received = eccrypt::Decapsulate(sent.Value().Exchanged, pair.Secret());
  if (!Expect(received.Ok(), "Decapsulate succeeds")) return false;
  const SessionKey& session = received.Value();
  Declassify(session.RawBytes());
  Declassify(session.SymmetricKey());
  return Expect(session.RawBytes() == sent.Value().Session.RawBytes(),
                "RawBytes as Encapsulate's") &&
         Expect(session.SymmetricKey() == sent.Value().Session.SymmetricKey(),
                "SymmetricKey as Encapsulate's");
}

// HKDF-SHA-256 as the session key's derivation calls it (secret input bytes, no salt, a public
// label), with an output of several blocks; and HMAC-SHA-256 with a secret key longer than a
// block (hashed first) over secret data.
bool SymmetricKey() {
  std::array<std::uint8_t, ValueBytes> raw{};
  for (std::size_t i = 0; i < raw.size(); ++i) raw[i] = static_cast<std::uint8_t>(37 * i + 11);
  const std::string label = "eccrypt session key v1";
  const std::span<const std::uint8_t> info(reinterpret_cast<const std::uint8_t*>(label.data()),
                                           label.size());
  std::array<std::uint8_t, 3 * Sha256Bytes + 5> expected{}, derived{};
  HkdfSha256(raw, {}, info, expected);
  Poison(raw);
  HkdfSha256(raw, {}, info, derived);
  Declassify(derived);
  bool ok = Expect(derived == expected, "HKDF as without marks");

  std::vector<std::uint8_t> key(100), data(150);
  for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(i * 7);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 13 + 1);
  std::array<std::uint8_t, Sha256Bytes> macExpected{}, mac{};
  HmacSha256(key, data, macExpected);
  Poison(key);
  Poison(data);
  HmacSha256(key, data, mac);
  Declassify(mac);
  ok = Expect(mac == macExpected, "HMAC as without marks") && ok;
  return ok;
}

// The secret key and the nonce's random bytes are secret; the signature comes out as the library
// leaves it.
bool SignDigest() {
  const KeyPair pair = PhraseKeys();
  Poison(pair.Secret().RevealBytes());
  Result<Signature> signature = [&] {
    const TPoisonedRandom poisoned;
    return eccrypt::SignDigest(Digest, pair.Secret());
  }();
  return Expect(signature.Ok(), "SignDigest succeeds") &&
         Expect(VerifyDigest(Digest, signature.Value(), pair.PublicKey()).Ok(),
                "VerifyDigest accepts the signature");
}

constexpr TCase Cases[] = {
    {"api.Generate", Generate},
    {"api.SecretKeyText.Hex", [] { return SecretKeyText(TextForm::Hex); }},
    {"api.SecretKeyText.Radix64", [] { return SecretKeyText(TextForm::Radix64); }},
    {"api.Encapsulate", Encapsulate},
    {"api.Decapsulate", Decapsulate},
    {"api.SymmetricKey", SymmetricKey},
    {"api.SignDigest", SignDigest},
};

}  // namespace

std::span<const TCase> ApiCases() {
  return Cases;
}

}  // namespace eccrypt::ctcheck
