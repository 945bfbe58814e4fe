#include <sys/random.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "ECCrypt/fast/ct.h"
#include "ECCrypt/hash/runtimeRandom.h"
#include "ctcheck/ctcheck.h"

namespace eccrypt::ctcheck {
namespace {

std::ptrdiff_t PoisonedSystemRandom(void* buffer, std::size_t length) {
  const std::ptrdiff_t got = ::getrandom(buffer, length, 0);
  if (got > 0) fast::CtPoison(buffer, static_cast<std::size_t>(got));
  return got;
}

}  // namespace

void PoisonDigits(const TvlPoint& v) {
  fast::CtPoison(&v.Words[1], TvlPoint::Capacity * sizeof(v.Words[1]));
}

void PoisonText(const std::string& text) {
  fast::CtPoison(text.data(), text.size());
}

void DeclassifyText(const std::string& text) {
  fast::CtUnpoison(&text, sizeof(text));  // its length and buffer pointer first
  fast::CtUnpoison(text.data(), text.size());
}

void DeclassifyInteger(const TvlPoint& v) {
  fast::CtUnpoison(v.Words.data(), sizeof(v.Words));
}

TPoisonedRandom::TPoisonedRandom() {
  detail::SetOsRandomReaderForThread(PoisonedSystemRandom);
}

TPoisonedRandom::~TPoisonedRandom() {
  detail::SetOsRandomReaderForThread(nullptr);
  Randomize();  // no poisoned byte is left in the pool for later draws
}

bool Expect(bool ok, const char* what) {
  if (!ok) std::fprintf(stderr, "wrong result: %s\n", what);
  return ok;
}

}  // namespace eccrypt::ctcheck
