#pragma once
/// @file
/// @brief Internal: the Poly1305 one-time authenticator, fed in pieces, eight blocks at a time
/// on processors that have 512-bit vectors.
#include <cstddef>
#include <cstdint>

namespace eccrypt::formats {

/// Authenticates the bytes given to Update, in order, under a one-time key (never reuse one):
/// the tag Finish gives is the one libsodium's crypto_onetimeauth_poly1305 gives for the same
/// bytes. The key and the running state are wiped when the object goes.
class Poly1305 {
 public:
  explicit Poly1305(const std::uint8_t key[32]);
  Poly1305(const Poly1305&) = delete;
  Poly1305& operator=(const Poly1305&) = delete;
  ~Poly1305();

  void Update(const std::uint8_t* data, std::size_t size);
  /// Writes the 16-byte tag; the object takes no more bytes after it.
  void Finish(std::uint8_t tag[16]);

 private:
  void Blocks(const std::uint8_t* data, std::size_t blocks, std::uint64_t topBit);
  void WideBlocks(const std::uint8_t* data, std::size_t groups);

  // Radix 2^26: r and the accumulator h in five limbs; s is the key's second half.
  std::uint64_t r_[5]{};
  std::uint64_t h_[5]{};
  std::uint32_t s_[4]{};
  // r^1 .. r^8, computed when eight blocks first go side by side.
  std::uint64_t powers_[8][5]{};
  bool havePowers_ = false;
  std::uint8_t buffer_[16]{};
  std::size_t buffered_ = 0;
};

}  // namespace eccrypt::formats
