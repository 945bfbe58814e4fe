#pragma once
// The constant-time check: each case runs one operation with its secret inputs marked undefined
// for valgrind's memcheck (CtPoison). Memcheck then reports every conditional jump and every
// memory address computed from them, so a case that runs clean under memcheck took the same
// path and touched the same addresses whatever the secrets were.
//
// What memcheck cannot see: a conditional move, a division or another instruction whose timing
// depends on its operands; those pass on the secret's undefinedness to their result without a
// report. Code under check keeps to masks and avoids division by secrets for that reason.
//
// A case returns whether its results are right, checked only after the outputs are declassified,
// so that a case cannot pass by failing early. Outputs the library itself declares public
// (public keys, exchanged values, signatures) are read as the library leaves them: if the library
// forgot to declassify one, memcheck reports the case's own comparison.
#include <span>
#include <string>

#include "ECCrypt/bigint/vlPoint.h"

namespace eccrypt::ctcheck {

struct TCase {
  const char* name;
  bool (*run)();
};

// The cases of each file.
std::span<const TCase> PlantedLeakCases();
std::span<const TCase> ComponentCases();
std::span<const TCase> EngineCases();
std::span<const TCase> TextCases();
std::span<const TCase> ApiCases();

// Marks the digits of v secret (the length word stays public: it is the text's length).
void PoisonDigits(const TvlPoint& v);
// Marks every character of a text secret; its length stays public.
void PoisonText(const std::string& text);
// Declares a secret output public again, as the application reading it would.
void DeclassifyText(const std::string& text);
void DeclassifyInteger(const TvlPoint& v);

// While one lives, the bytes this thread's runtime generator reads from the operating system
// are marked secret, so nonces and ephemeral scalars are poisoned from their source on.
class TPoisonedRandom {
 public:
  TPoisonedRandom();
  TPoisonedRandom(const TPoisonedRandom&) = delete;
  TPoisonedRandom& operator=(const TPoisonedRandom&) = delete;
  ~TPoisonedRandom();
};

// Prints a line naming the case's check when ok is false; returns ok.
bool Expect(bool ok, const char* what);

}  // namespace eccrypt::ctcheck
