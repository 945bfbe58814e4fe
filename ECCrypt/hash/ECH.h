#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// TECH: incremental SHA-1. The bit counter is 64 bits wide, as the standard's length field, so
// every message below 2^61 bytes gets the standard digest.
#include <array>
#include <cstdint>
#include <string_view>

namespace eccrypt {

class TECH {
 public:
  TECH() = default;
  ~TECH();  // wipes the state: it has absorbed pass phrases

  std::array<std::uint8_t, 20> Digest{};  // digest of the latest Final, H0 first, big-endian
  std::array<std::uint32_t, 5> H{};       // chaining value H0..H4
  std::uint64_t BitCount = 0;             // bits absorbed since Init, padding included
  std::array<std::uint32_t, 16> Block{};  // byte k at word k/4, bit 8*(k%4)
  std::int32_t Index = 0;                 // bytes in Block, 0..63

  void Init();
  void UpdateByte(std::uint8_t b);
  void UpdateString(std::string_view s);
  void Final(std::uint8_t* out);  // writes 20 bytes
  // values[index + i] := digest bytes 4i..4i+3 read big-endian, i = 0..4.
  void DigestToWords(std::uint32_t* values, int index) const;
};

}  // namespace eccrypt
