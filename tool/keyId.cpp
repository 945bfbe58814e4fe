#include "tool/keyId.h"

#include <sodium.h>

#include <array>

#include "tool/textForm.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

std::string KeyIdOf(std::string_view publicKey, TMode mode) {
  if (sodium_init() < 0) throw TToolError("the cryptographic library failed to start");
  const std::string message = "eccrypt key id\n" + KeyValueOf(publicKey, mode);
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

std::string KeyValueOf(std::string_view publicKey, TMode mode) {
  std::string hex = ConvertTextForm(publicKey, mode, TMode::Hex);
  std::size_t zeros = 0;
  while (hex.compare(zeros, 4, "0000") == 0) zeros += 4;  // the number, not its spelling
  return hex.substr(zeros);
}

std::vector<std::uint8_t> PublicKeyValue(std::string_view publicKey, TMode mode) {
  // Whole 16-bit digits, as the component reads them: two hexadecimal digits to a byte, in
  // either case.
  std::string hex = KeyValueOf(publicKey, mode);
  hex.resize(hex.size() / 4 * 4);
  const auto digit = [](char c) {
    const auto upper = static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
    return static_cast<std::uint8_t>(kHexDigits.find(upper) & 15u);
  };
  std::vector<std::uint8_t> value;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    const auto byte = static_cast<std::uint8_t>((digit(hex[i]) << 4) | digit(hex[i + 1]));
    if (!value.empty() || byte != 0) value.push_back(byte);
  }
  return value;
}

}  // namespace eccrypt::tool
