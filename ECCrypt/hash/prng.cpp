#include "ECCrypt/hash/prng.h"

#include <cstddef>

#include "ECCrypt/bigint/secureWipe.h"

namespace eccrypt {
namespace {

constexpr int SecretDigits = 15;

template <typename T, std::size_t N>
void Wipe(std::array<T, N>& values) {
  SecureWipe(values.data(), sizeof(values));
}

}  // namespace

TPRNG::TPRNG() {
  Reset();
}

TPRNG::~TPRNG() {
  Wipe(State);
}

void TPRNG::Reset() {
  SeedWords = 0;
  Wipe(State);
}

void TPRNG::Seed(std::string_view passPhrase) {
  SeedHash = std::make_unique<TECH>();  // releases (and wipes) the previous one
  SeedHash->Init();
  SeedHash->UpdateString(passPhrase);
  std::array<std::uint8_t, 20> digest{};
  SeedHash->Final(digest.data());
  Wipe(digest);
  SeedHash->DigestToWords(State.data(), 1);
  SeedWords = 6;
}

std::uint32_t TPRNG::NextWord() {
  TECH hash;
  hash.Init();
  ++State[0];
  for (std::size_t i = 0; i < static_cast<std::size_t>(SeedWords); ++i) {
    for (int shift = 0; shift < 32; shift += 8) {
      hash.UpdateByte(static_cast<std::uint8_t>(State[i] >> shift));
    }
  }
  std::array<std::uint8_t, 20> digest{};
  hash.Final(digest.data());
  std::array<std::uint32_t, 5> words{};
  hash.DigestToWords(words.data(), 0);
  const std::uint32_t result = words[0];
  Wipe(digest);
  Wipe(words);
  return result;
}

TECCrypt TPRNG::MakeSecret() {
  TECCrypt result;
  TvlPoint digit;
  std::array<std::uint32_t, SecretDigits> v{};
  for (auto& word : v) word = NextWord() & 0xFFFFu;
  // Most significant digit first: the first output ends up least significant.
  for (int j = SecretDigits - 1; j >= 0; --j) {
    digit.AssignSmall(static_cast<std::int32_t>(v[static_cast<std::size_t>(j)]));
    if (j != SecretDigits - 1) result.ShiftLeft(16);
    result.Add(digit);
  }
  Wipe(v);
  return result;
}

}  // namespace eccrypt
