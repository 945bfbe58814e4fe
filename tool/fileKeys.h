#pragma once
// The symmetric keys of one encrypted file, derived from the agreed session key.
//
// HKDF-SHA256 with the session key text as input key material, the exchanged value text as
// salt, and as context the label "eccrypt file v1" followed by the text-form byte. It yields
// 32 bytes of stream key and then 16 bytes of key check; the key check is stored in the clear,
// so the reader can tell a wrong key (key check differs) from damage (a chunk fails).
#include <array>
#include <cstdint>
#include <string_view>

#include "ECCrypt/ECCrypt.h"
#include "tool/fileFormat.h"
#include "tool/secure.h"

namespace eccrypt::tool {

inline constexpr std::size_t kStreamKeyBytes = 32;

struct TFileKeys {
  TSecretBytes<kStreamKeyBytes> streamKey;
  std::array<std::uint8_t, kKeyCheckBytes> keyCheck{};
};

// sessionKey and exchangedValue are the component's texts in the given mode.
void DeriveFileKeys(std::string_view sessionKey, std::string_view exchangedValue, TMode mode,
                    TFileKeys& keys);

}  // namespace eccrypt::tool
