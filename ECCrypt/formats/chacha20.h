#pragma once
/// @file
/// @brief Internal: the ChaCha20 stream cipher with a 96-bit nonce and a 32-bit block counter,
/// as the sealed data's chunks use it, wide on processors that have 512-bit vectors.
#include <cstddef>
#include <cstdint>

namespace eccrypt::formats {

/// out := in XOR the keystream of (key, nonce) from block `counter` on, `length` bytes. `out`
/// may be `in`; otherwise the two do not overlap. The block counter must not pass 2^32 - 1
/// within the call (a sealed chunk uses 1026 blocks at most).
void ChaCha20Xor(std::uint8_t* out, const std::uint8_t* in, std::size_t length,
                 const std::uint8_t nonce[12], std::uint32_t counter, const std::uint8_t key[32]);

/// Which implementation ChaCha20Xor runs on this processor: "512-bit vectors" or "libsodium".
const char* ChaCha20Implementation();

}  // namespace eccrypt::formats
