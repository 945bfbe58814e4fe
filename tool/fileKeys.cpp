#include "tool/fileKeys.h"

#include <algorithm>
#include <span>
#include <string>

#include "tool/kdf.h"

namespace eccrypt::tool {

namespace {

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

void DeriveFileKeys(std::string_view sessionKey, std::string_view exchangedValue, TMode mode,
                    TFileKeys& keys) {
  std::string info = "eccrypt file v1";
  info.push_back(static_cast<char>(mode));
  TSecretBytes<kStreamKeyBytes + kKeyCheckBytes> output;
  HkdfSha256(Bytes(sessionKey), Bytes(exchangedValue), Bytes(info),
             std::span<std::uint8_t>(output.data(), output.size()));
  std::copy_n(output.data(), kStreamKeyBytes, keys.streamKey.data());
  std::copy_n(output.data() + kStreamKeyBytes, kKeyCheckBytes, keys.keyCheck.begin());
}

}  // namespace eccrypt::tool
