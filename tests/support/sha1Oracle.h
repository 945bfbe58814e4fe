#pragma once
// Test support: SHA-1 from OpenSSL, an implementation independent of the library's, and the
// pass-phrase generator's outputs modelled on it.
#include <openssl/sha.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace eccrypt::testsupport {

using Sha1Digest = std::array<std::uint8_t, SHA_DIGEST_LENGTH>;

inline Sha1Digest OpenSslSha1(const std::vector<unsigned char>& message) {
  Sha1Digest d{};
  SHA1(message.data(), message.size(), d.data());
  return d;
}

inline Sha1Digest OpenSslSha1(const std::string& message) {
  return OpenSslSha1(std::vector<unsigned char>(message.begin(), message.end()));
}

// Output `counter` of the pass-phrase generator seeded with phrase: the SHA-1 digest of the
// counter (four bytes, least significant first) followed by the pass-phrase digest with each
// 4-byte group reversed.
inline Sha1Digest PassPhraseGeneratorOutput(const std::string& phrase, std::uint32_t counter) {
  const Sha1Digest seed = OpenSslSha1(phrase);
  std::vector<unsigned char> message;
  for (int shift = 0; shift < 32; shift += 8) {
    message.push_back(static_cast<unsigned char>(counter >> shift));
  }
  for (std::size_t group = 0; group < seed.size(); group += 4) {
    for (std::size_t i = 4; i-- > 0;) message.push_back(seed[group + i]);
  }
  return OpenSslSha1(message);
}

}  // namespace eccrypt::testsupport
