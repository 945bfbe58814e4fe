#pragma once
/// @file
/// @brief Internal: one chunk of sealed data sealed or opened under the stream's state. The
/// construction and the state are libsodium's crypto_secretstream_xchacha20poly1305 (its
/// init_push, init_pull and rekey are used as they are); sealing and opening a chunk are
/// written here so that the chunk's ChaCha20 runs on wide vectors where the processor has them.
/// The bytes are libsodium's, which the tests check for every length and tag.
#include <sodium.h>

#include <cstdint>
#include <span>

namespace eccrypt::formats {

using SecretStreamState = crypto_secretstream_xchacha20poly1305_state;

/// Seals `message` with additional data `extra` and `tag` into `out`, which holds
/// message.size() + crypto_secretstream_xchacha20poly1305_ABYTES bytes and does not overlap
/// `message`; advances the state.
void SealChunk(SecretStreamState& state, std::uint8_t* out, std::span<const std::uint8_t> message,
               std::span<const std::uint8_t> extra, std::uint8_t tag);

/// Opens `sealed` (at least crypto_secretstream_xchacha20poly1305_ABYTES bytes) with additional
/// data `extra` into `out` (sealed.size() - ABYTES bytes, not overlapping `sealed`) and sets
/// `tag`. False when it fails authentication: then `out` is untouched and the state unchanged.
bool OpenChunk(SecretStreamState& state, std::uint8_t* out, std::uint8_t& tag,
               std::span<const std::uint8_t> sealed, std::span<const std::uint8_t> extra);

}  // namespace eccrypt::formats
