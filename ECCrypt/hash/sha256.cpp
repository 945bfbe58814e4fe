#include "ECCrypt/hash/sha256.h"

#include <algorithm>
#include <bit>
#include <stdexcept>
#include <vector>

#include "ECCrypt/bigint/secureWipe.h"

namespace eccrypt {
namespace {

constexpr std::array<std::uint32_t, 64> kRound = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::array<std::uint32_t, 8> kInitial = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                                   0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

void Compress(std::array<std::uint32_t, 8>& h, const std::uint8_t* block) {
  std::array<std::uint32_t, 64> w{};
  for (std::size_t t = 0; t < 16; ++t) {
    w[t] = (std::uint32_t{block[4 * t]} << 24) | (std::uint32_t{block[4 * t + 1]} << 16) |
           (std::uint32_t{block[4 * t + 2]} << 8) | std::uint32_t{block[4 * t + 3]};
  }
  for (std::size_t t = 16; t < 64; ++t) {
    const std::uint32_t s0 = std::rotr(w[t - 15], 7) ^ std::rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
    const std::uint32_t s1 = std::rotr(w[t - 2], 17) ^ std::rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
    w[t] = w[t - 16] + s0 + w[t - 7] + s1;
  }
  std::uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], k = h[7];
  for (std::size_t t = 0; t < 64; ++t) {
    const std::uint32_t t1 = k + (std::rotr(e, 6) ^ std::rotr(e, 11) ^ std::rotr(e, 25)) +
                             ((e & f) ^ (~e & g)) + kRound[t] + w[t];
    const std::uint32_t t2 =
        (std::rotr(a, 2) ^ std::rotr(a, 13) ^ std::rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
    k = g;
    g = f;
    f = e;
    e = d + t1;
    d = c;
    c = b;
    b = a;
    a = t1 + t2;
  }
  h[0] += a;
  h[1] += b;
  h[2] += c;
  h[3] += d;
  h[4] += e;
  h[5] += f;
  h[6] += g;
  h[7] += k;
  SecureWipe(w.data(), sizeof w);
}

constexpr std::size_t kBlockBytes = 64;

}  // namespace

TSha256::TSha256() : h_(kInitial) {}

TSha256::~TSha256() {
  SecureWipe(h_.data(), sizeof h_);
  SecureWipe(block_.data(), block_.size());
}

void TSha256::Update(std::span<const std::uint8_t> data) {
  length_ += data.size();
  while (!data.empty()) {
    const std::size_t take = std::min(kBlockBytes - used_, data.size());
    std::copy_n(data.begin(), take, block_.begin() + static_cast<std::ptrdiff_t>(used_));
    used_ += take;
    data = data.subspan(take);
    if (used_ == kBlockBytes) {
      Compress(h_, block_.data());
      used_ = 0;
    }
  }
}

void TSha256::Final(std::span<std::uint8_t, Sha256Bytes> out) {
  const std::uint64_t bits = length_ * 8;
  block_[used_++] = 0x80;
  if (used_ > kBlockBytes - 8) {
    std::fill(block_.begin() + static_cast<std::ptrdiff_t>(used_), block_.end(), 0);
    Compress(h_, block_.data());
    used_ = 0;
  }
  std::fill(block_.begin() + static_cast<std::ptrdiff_t>(used_), block_.end() - 8, 0);
  for (std::size_t i = 0; i < 8; ++i) {
    block_[kBlockBytes - 1 - i] = static_cast<std::uint8_t>(bits >> (8 * i));
  }
  Compress(h_, block_.data());
  for (std::size_t i = 0; i < Sha256Bytes; ++i) {
    out[i] = static_cast<std::uint8_t>(h_[i / 4] >> (8 * (3 - i % 4)));
  }
}

void HmacSha256(std::span<const std::uint8_t> key, std::span<const std::uint8_t> data,
                std::span<std::uint8_t, Sha256Bytes> out) {
  // A key longer than a block is hashed first; a shorter one is filled with zeros.
  std::array<std::uint8_t, kBlockBytes> pad{};
  if (key.size() > kBlockBytes) {
    TSha256 keyHash;
    keyHash.Update(key);
    keyHash.Final(std::span<std::uint8_t, Sha256Bytes>(pad.data(), Sha256Bytes));
  } else {
    std::copy(key.begin(), key.end(), pad.begin());
  }
  std::array<std::uint8_t, Sha256Bytes> inner{};
  for (auto& b : pad) b ^= 0x36;
  TSha256 innerHash;
  innerHash.Update(pad);
  innerHash.Update(data);
  innerHash.Final(inner);
  for (auto& b : pad) b ^= 0x36 ^ 0x5c;
  TSha256 outerHash;
  outerHash.Update(pad);
  outerHash.Update(inner);
  outerHash.Final(out);
  SecureWipe(pad.data(), pad.size());
  SecureWipe(inner.data(), inner.size());
}

void HkdfSha256(std::span<const std::uint8_t> ikm, std::span<const std::uint8_t> salt,
                std::span<const std::uint8_t> info, std::span<std::uint8_t> out) {
  if (out.size() > 255 * Sha256Bytes) throw std::length_error("HKDF output too long");
  // Extract: PRK = HMAC(salt, IKM); an empty salt and 32 zero bytes are the same HMAC key.
  std::array<std::uint8_t, Sha256Bytes> prk{};
  HmacSha256(salt, ikm, prk);
  // Expand: T(i) = HMAC(PRK, T(i-1) | info | i); out = T(1) | T(2) | ... cut to its length.
  std::array<std::uint8_t, Sha256Bytes> block{};
  std::vector<std::uint8_t> message(Sha256Bytes + info.size() + 1);
  std::size_t done = 0;
  for (std::size_t counter = 1; done < out.size(); ++counter) {
    const std::size_t previous = counter > 1 ? Sha256Bytes : 0;
    const std::size_t size = previous + info.size() + 1;
    std::uint8_t* m = message.data();
    std::copy_n(block.begin(), previous, m);
    std::copy(info.begin(), info.end(), m + previous);
    m[size - 1] = static_cast<std::uint8_t>(counter);
    HmacSha256(prk, std::span<const std::uint8_t>(m, size), block);
    const std::size_t take = std::min(Sha256Bytes, out.size() - done);
    std::copy_n(block.begin(), take, out.begin() + static_cast<std::ptrdiff_t>(done));
    done += take;
  }
  SecureWipe(message.data(), message.size());
  SecureWipe(prk.data(), prk.size());
  SecureWipe(block.data(), block.size());
}

}  // namespace eccrypt
