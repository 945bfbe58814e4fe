#pragma once
// ECCrypt: public-key cryptography over one fixed binary elliptic curve.
//
// TEllipticCurve is the one component applications use. It keeps everything it takes in and
// gives out as text properties; its operations read properties and write properties, never
// throw, and on any failure call Clear (every key, value and signature emptied, Valid false;
// PassPhrase and IOMode kept).
#include <cstdint>
#include <span>
#include <string>

#include "ECPlatform/Component.h"

namespace eccrypt {

// The text form of every key, value and signature: radix-64 or upper-case hexadecimal.
enum class TMode : std::uint8_t { Base64 = 0, Hex = 1 };

class TEllipticCurve : public ecplatform::TComponent {
 public:
  explicit TEllipticCurve(ecplatform::TComponent* owner = nullptr);

  TMode IOMode() const;                      void SetIOMode(TMode);
  const std::string& PassPhrase() const;     void SetPassPhrase(const std::string&);
  bool Valid() const;                        void SetValid(bool);
  const std::string& KeyPublic() const;      void SetKeyPublic(const std::string&);
  const std::string& KeySecret() const;      void SetKeySecret(const std::string&);
  const std::string& KeySession() const;     void SetKeySession(const std::string&);
  const std::string& ExchangedValue() const; void SetExchangedValue(const std::string&);
  const std::string& Signature() const;      void SetSignature(const std::string&);

  void Clear();
  std::string GetVersion() const;
  void MakeKey();
  void Encrypt();
  void Decrypt();
  void Sign(const std::uint8_t* digest);    // reads exactly 20 bytes
  void Verify(const std::uint8_t* digest);  // reads exactly 20 bytes
  void Sign(std::span<const std::uint8_t, 20> digest) { Sign(digest.data()); }
  void Verify(std::span<const std::uint8_t, 20> digest) { Verify(digest.data()); }
};

// Registers TEllipticCurve on the palette page "Crypto".
void Register();

}  // namespace eccrypt
