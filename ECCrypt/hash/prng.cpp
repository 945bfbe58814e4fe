#include "ECCrypt/hash/prng.h"

#include <cstddef>
#include <cstdint>

#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/fast/ct.h"

namespace eccrypt {
namespace {

constexpr std::size_t SecretDigits = 15;

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
  // Output j is the digit of weight 65536^j. The digits are written in place and the length
  // word, that of the value's normal form (1 for the value zero), is found with masks: nothing
  // here branches on the secret or indexes by it.
  TECCrypt result;
  std::uint64_t length = 0;
  for (std::size_t j = 0; j < SecretDigits; ++j) {
    const std::uint64_t digit = NextWord() & 0xFFFFu;
    result.Words[j + 1] = static_cast<std::int32_t>(digit);
    length = fast::CtSelect(~fast::CtIsZeroMask(digit), j + 1, length);
  }
  result.Words[0] =
      static_cast<std::int32_t>(fast::CtSelect(fast::CtIsZeroMask(length), 1, length));
  return result;
}

}  // namespace eccrypt
