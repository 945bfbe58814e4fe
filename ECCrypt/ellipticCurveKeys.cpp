// TEllipticCurve::MakeKey, Encrypt and Decrypt: a key pair from the pass phrase, and the two
// sides of agreeing on a session key.
#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/hash/prng.h"
#include "ECCrypt/operationFrame.h"
#include "ECCrypt/pk/ecCrypt.h"

namespace eccrypt {

// No guard: every pass phrase, the empty one included, gives a key pair, and the same pass
// phrase always the same one. Writes KeyPublic, then KeySecret, then Valid := true.
void TEllipticCurve::MakeKey() {
  RunInFrame(*this, [this] {
    TPRNG generator;
    TvlPoint publicKey;
    TECCrypt tables;
    tables.PrepareTables();
    generator.Seed(passPhrase_);
    const TECCrypt secretKey = generator.MakeSecret();
    secretKey.MakePublicKey(publicKey);

    TSecretText publicText, secretText;
    IntegerToText(publicKey, publicText.text);
    IntegerToText(secretKey, secretText.text);
    SetKeyPublic(publicText.text);
    SetKeySecret(secretText.text);
    valid_ = true;
  });
}

// Needs KeyPublic, which must be a point of the group. Draws a fresh random secret k and writes
// ExchangedValue := Compress(k * G), then KeySession := X(k * KeyPublic). Valid is left alone.
void TEllipticCurve::Encrypt() {
  if (keyPublic_.empty()) {
    Clear();
    return;
  }
  RunInFrame(*this, [this] {
    TECCrypt key;
    TvlPoint secret, exchanged, session;
    key.PrepareTables();
    TextToInteger(keyPublic_, key);
    RequireGroupPoint(key);
    secret.FillRandom();
    key.EncryptSession(secret, exchanged, session);

    TSecretText exchangedText, sessionText;
    IntegerToText(exchanged, exchangedText.text);
    IntegerToText(session, sessionText.text);
    SetExchangedValue(exchangedText.text);
    SetKeySession(sessionText.text);
  });
}

// Needs KeySecret, which must not be a multiple of n, and ExchangedValue, which must be a point
// of the group. Writes KeySession :=
// X(KeySecret * ExchangedValue), the session key Encrypt gave for the matching public key.
// Valid is left alone.
void TEllipticCurve::Decrypt() {
  if (keySecret_.empty() || exchangedValue_.empty()) {
    Clear();
    return;
  }
  RunInFrame(*this, [this] {
    TECCrypt key;
    TvlPoint session, exchanged;
    key.PrepareTables();
    TextToInteger(keySecret_, key);
    RequireUsableSecretKey(key);
    TextToInteger(exchangedValue_, exchanged);
    RequireGroupPoint(exchanged);
    key.DecryptSession(exchanged, session);

    TSecretText sessionText;
    IntegerToText(session, sessionText.text);
    SetKeySession(sessionText.text);
  });
}

}  // namespace eccrypt
