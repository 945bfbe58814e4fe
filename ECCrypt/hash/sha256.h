#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// SHA-256 (FIPS 180-4), HMAC-SHA-256 (RFC 2104) and HKDF-SHA-256 (RFC 5869): the hash behind the
// library's key derivation. Every intermediate value that may depend on a key is wiped.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace eccrypt {

inline constexpr std::size_t Sha256Bytes = 32;

// Incremental SHA-256: Update any number of times, then Final once. The length is counted in
// 64 bits, so every message the standard defines is hashed.
class TSha256 {
 public:
  TSha256();
  TSha256(const TSha256&) = delete;
  TSha256& operator=(const TSha256&) = delete;
  ~TSha256();  // wipes the state: it may have absorbed keys

  void Update(std::span<const std::uint8_t> data);
  void Final(std::span<std::uint8_t, Sha256Bytes> out);

 private:
  std::array<std::uint32_t, 8> h_;
  std::array<std::uint8_t, 64> block_{};
  std::size_t used_ = 0;      // bytes in block_
  std::uint64_t length_ = 0;  // bytes absorbed
};

// out := HMAC-SHA-256(key, data).
void HmacSha256(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data,
                std::span<std::uint8_t, Sha256Bytes> out);

// out := HKDF-SHA-256(ikm, salt, info) with L = out.size(), at most 255 * 32 bytes (throws
// std::length_error above). An empty salt stands for 32 zero bytes, as the RFC says.
void HkdfSha256(std::span<const std::uint8_t> ikm, std::span<const std::uint8_t> salt,
                std::span<const std::uint8_t> info, std::span<std::uint8_t> out);

}  // namespace eccrypt
