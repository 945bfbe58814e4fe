#include "tool/keyId.h"

#include <sodium.h>

#include <array>

#include "tool/textForm.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

std::string KeyIdOf(std::string_view publicKey, TMode mode) {
  if (sodium_init() < 0) throw TToolError("the cryptographic library failed to start");
  std::string hex = ConvertTextForm(publicKey, mode, TMode::Hex);
  while (hex.starts_with("0000")) hex.erase(0, 4);  // the number, not its spelling
  const std::string message = "eccrypt key id\n" + hex;
  std::array<unsigned char, crypto_hash_sha256_BYTES> hash{};
  crypto_hash_sha256(hash.data(), reinterpret_cast<const unsigned char*>(message.data()),
                     message.size());
  std::string id;
  for (std::size_t i = 0; i < kKeyIdLength / 2; ++i) {
    id.push_back(kHexDigits[hash[i] >> 4]);
    id.push_back(kHexDigits[hash[i] & 15]);
  }
  return id;
}

}  // namespace eccrypt::tool
