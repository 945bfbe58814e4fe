#include "tool/kdf.h"

#include <sodium.h>

#include <algorithm>
#include <stdexcept>

#include "tool/secure.h"

namespace eccrypt::tool {

namespace {

constexpr std::size_t kHashBytes = crypto_auth_hmacsha256_BYTES;

// The library copies from its arguments even when their length is zero, so an empty span
// (whose data may be null) is passed as a valid pointer.
const std::uint8_t* DataOf(std::span<const std::uint8_t> bytes) {
  static const std::uint8_t kNothing = 0;
  return bytes.empty() ? &kNothing : bytes.data();
}

}  // namespace

void HkdfSha256(std::span<const std::uint8_t> ikm, std::span<const std::uint8_t> salt,
                std::span<const std::uint8_t> info, std::span<std::uint8_t> output) {
  if (output.size() > 255 * kHashBytes) throw std::length_error("HKDF output too long");

  crypto_auth_hmacsha256_state state;
  TSecretBytes<kHashBytes> prk;
  TSecretBytes<kHashBytes> block;

  // Extract: PRK = HMAC(salt, IKM). An absent salt stands for a block of zeros, which HMAC
  // treats exactly as the empty key.
  crypto_auth_hmacsha256_init(&state, DataOf(salt), salt.size());
  crypto_auth_hmacsha256_update(&state, DataOf(ikm), ikm.size());
  crypto_auth_hmacsha256_final(&state, prk.data());

  // Expand: T(i) = HMAC(PRK, T(i-1) | info | i), output = T(1) | T(2) | ... truncated.
  std::size_t done = 0;
  for (unsigned counter = 1; done < output.size(); ++counter) {
    crypto_auth_hmacsha256_init(&state, prk.data(), prk.size());
    if (counter > 1) crypto_auth_hmacsha256_update(&state, block.data(), block.size());
    crypto_auth_hmacsha256_update(&state, DataOf(info), info.size());
    const auto counterByte = static_cast<unsigned char>(counter);
    crypto_auth_hmacsha256_update(&state, &counterByte, 1);
    crypto_auth_hmacsha256_final(&state, block.data());
    const std::size_t take = std::min(kHashBytes, output.size() - done);
    std::copy_n(block.data(), take, output.begin() + static_cast<std::ptrdiff_t>(done));
    done += take;
  }
  WipeMemory(&state, sizeof state);
}

}  // namespace eccrypt::tool
