#pragma once
// HKDF with HMAC-SHA-256 (RFC 5869): extract a pseudo-random key from input key material and
// a salt, then expand it, bound to a context label, into as many output bytes as asked.
#include <cstdint>
#include <span>

namespace eccrypt::tool {

// Fills `output` (at most 255 * 32 bytes) with HKDF-SHA256(ikm, salt, info). Every
// intermediate value is wiped before returning.
void HkdfSha256(std::span<const std::uint8_t> ikm, std::span<const std::uint8_t> salt,
                std::span<const std::uint8_t> info, std::span<std::uint8_t> output);

}  // namespace eccrypt::tool
