#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// TPRNG: the deterministic generator driven by a pass phrase, from which a key pair is derived.
//
// Seed hashes the pass phrase once into State words 1..5; every output is the first word of the
// SHA-1 digest of the 24-byte message State[0..5], each word least significant byte first,
// where State[0] is a counter advanced before each output. The same pass phrase always gives
// the same outputs and the same secret.
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "ECCrypt/hash/ECH.h"
#include "ECCrypt/pk/ecCrypt.h"

namespace eccrypt {

class TPRNG {
 public:
  TPRNG();  // calls Reset
  TPRNG(const TPRNG&) = delete;
  TPRNG& operator=(const TPRNG&) = delete;
  ~TPRNG();  // wipes State; the hash object wipes itself

  // Number of leading State words that NextWord hashes: 0 until seeded, then 6.
  std::int32_t SeedWords = 0;
  // Word 0: output counter; words 1..5: the pass-phrase digest as big-endian words; words 6..17
  // are zero and never read.
  std::array<std::uint32_t, 18> State{};
  // The hash object of the latest Seed (none before the first).
  std::unique_ptr<TECH> SeedHash;

  // SeedWords := 0 and every State word := 0.
  void Reset();
  // State words 1..5 := SHA-1 of the pass phrase (its bytes exactly, none added); SeedWords := 6.
  // The counter is not touched.
  void Seed(std::string_view passPhrase);
  // Advances the counter (mod 2^32) and returns the first four digest bytes, big-endian, of
  // SHA-1 over State words 0..SeedWords-1.
  std::uint32_t NextWord();
  // A 240-bit secret from 15 outputs: the low 16 bits of the j-th output (j = 0..14) is the
  // digit of weight 65536^j. Below 2^240, so below n.
  TECCrypt MakeSecret();
};

}  // namespace eccrypt
