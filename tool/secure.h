#pragma once
// Wiping of secrets held by the tool: pass phrases, key texts, derived keys.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ECPlatform/SecureWipe.h"

namespace eccrypt::tool {

// The tool wipes through the library's wiper (ECPlatform/SecureWipe.h): memory, texts (the
// whole buffer, spare capacity included) and secret texts alike.
inline void WipeMemory(void* bytes, std::size_t count) noexcept {
  ecplatform::SecureWipe(bytes, count);
}
inline void Wipe(std::string& text) noexcept {
  ecplatform::WipeText(text);
}
// A string holding a secret; wiped when it goes out of scope.
using TSecretString = ecplatform::TSecretText;

// A fixed-size array of secret bytes that is wiped when it goes out of scope.
template <std::size_t N>
class TSecretBytes {
 public:
  TSecretBytes() = default;
  TSecretBytes(const TSecretBytes&) = delete;
  TSecretBytes& operator=(const TSecretBytes&) = delete;
  ~TSecretBytes() { WipeMemory(bytes_.data(), bytes_.size()); }

  std::uint8_t* data() { return bytes_.data(); }
  const std::uint8_t* data() const { return bytes_.data(); }
  static constexpr std::size_t size() { return N; }

 private:
  std::array<std::uint8_t, N> bytes_{};
};

// A heap buffer for plaintext or key bytes, wiped when it goes out of scope.
class TSecretBuffer {
 public:
  explicit TSecretBuffer(std::size_t size) : bytes_(size) {}
  TSecretBuffer(const TSecretBuffer&) = delete;
  TSecretBuffer& operator=(const TSecretBuffer&) = delete;
  ~TSecretBuffer() { WipeMemory(bytes_.data(), bytes_.size()); }

  std::vector<std::uint8_t>& bytes() { return bytes_; }
  std::uint8_t* data() { return bytes_.data(); }
  std::size_t size() const { return bytes_.size(); }
  void swap(TSecretBuffer& other) noexcept { bytes_.swap(other.bytes_); }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace eccrypt::tool
