#pragma once
// Wiping of secrets held by the tool: pass phrases, key texts, derived keys.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace eccrypt::tool {

// Overwrites memory with zeros in a way the compiler may not remove.
void WipeMemory(void* bytes, std::size_t count);

// Overwrites the characters of a string with zeros, then empties it.
void Wipe(std::string& text);

// A string holding a secret; its characters are wiped when it goes out of scope.
class TSecretString {
 public:
  TSecretString() = default;
  explicit TSecretString(std::string text) : text_(std::move(text)) {}
  TSecretString(const TSecretString&) = delete;
  TSecretString& operator=(const TSecretString&) = delete;
  ~TSecretString() { Wipe(text_); }

  std::string& str() { return text_; }
  const std::string& str() const { return text_; }

 private:
  std::string text_;
};

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
