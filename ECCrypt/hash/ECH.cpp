#include "ECCrypt/hash/ECH.h"

#include <bit>
#include <cstddef>

#include "ECCrypt/bigint/secureWipe.h"

namespace eccrypt {
namespace {

// Bytes are packed least significant first; the compression reads words big-endian.
std::uint32_t BigEndianWord(std::uint32_t packed) {
  return (packed >> 24) | ((packed >> 8) & 0x0000FF00U) | ((packed << 8) & 0x00FF0000U) |
         (packed << 24);
}

// One SHA-1 compression of block into h. The message schedule is computed in place in block,
// as a circular buffer of 16 words: word t mod 16 becomes rotl1(w[t-3] ^ w[t-8] ^ w[t-14] ^
// w[t-16]).
void Compress(std::array<std::uint32_t, 5>& h, std::array<std::uint32_t, 16>& block) {
  for (std::uint32_t& w : block) w = BigEndianWord(w);
  std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
  for (std::size_t t = 0; t < 80; ++t) {
    std::uint32_t& w = block[t & 15];
    if (t >= 16) {
      w = std::rotl(block[(t - 3) & 15] ^ block[(t - 8) & 15] ^ block[(t - 14) & 15] ^ w, 1);
    }
    std::uint32_t f, k;
    if (t < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999U;
    } else if (t < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1U;
    } else if (t < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDCU;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6U;
    }
    const std::uint32_t temp = std::rotl(a, 5) + f + e + k + w;
    e = d;
    d = c;
    c = std::rotl(b, 30);
    b = a;
    a = temp;
  }
  h[0] += a;
  h[1] += b;
  h[2] += c;
  h[3] += d;
  h[4] += e;
}

}  // namespace

TECH::~TECH() {
  SecureWipe(Digest.data(), sizeof(Digest));
  SecureWipe(H.data(), sizeof(H));
  SecureWipe(&BitCount, sizeof(BitCount));
  SecureWipe(Block.data(), sizeof(Block));
  SecureWipe(&Index, sizeof(Index));
}

void TECH::Init() {
  H = {0x67452301U, 0xEFCDAB89U, 0x98BADCFEU, 0x10325476U, 0xC3D2E1F0U};
  BitCount = 0;
  Index = 0;
}

void TECH::UpdateByte(std::uint8_t b) {
  BitCount += 8;
  const auto index = static_cast<std::size_t>(Index);
  const unsigned shift = 8 * (index % 4);
  std::uint32_t& word = Block[index / 4];
  word = (word & ~(0xFFU << shift)) | (static_cast<std::uint32_t>(b) << shift);
  if (++Index == 64) {
    Compress(H, Block);
    Index = 0;
  }
}

void TECH::UpdateString(std::string_view s) {
  for (char c : s) UpdateByte(static_cast<std::uint8_t>(c));
}

void TECH::Final(std::uint8_t* out) {
  // The length field: the 64-bit counter, most significant byte first, taken before the
  // padding is counted.
  const std::uint64_t bits = BitCount;
  UpdateByte(0x80);
  while (Index != 56) UpdateByte(0);
  for (int shift = 56; shift >= 0; shift -= 8) UpdateByte(static_cast<std::uint8_t>(bits >> shift));

  for (std::size_t j = 0; j < Digest.size(); ++j) {
    Digest[j] = static_cast<std::uint8_t>(H[j / 4] >> (8 * (3 - j % 4)));
  }
  for (std::size_t j = 0; j < Digest.size(); ++j) out[j] = Digest[j];
}

void TECH::DigestToWords(std::uint32_t* values, int index) const {
  for (std::size_t i = 0; i < 5; ++i) {
    values[static_cast<std::ptrdiff_t>(index) + static_cast<std::ptrdiff_t>(i)] =
        (std::uint32_t{Digest[4 * i]} << 24) | (std::uint32_t{Digest[4 * i + 1]} << 16) |
        (std::uint32_t{Digest[4 * i + 2]} << 8) | std::uint32_t{Digest[4 * i + 3]};
  }
}

}  // namespace eccrypt
