#include "ECCrypt/hash/runtimeRandom.h"

#if defined(__EMSCRIPTEN__)
#include <unistd.h>
#else
#include <sys/random.h>
#endif

#include <array>
#include <cerrno>
#include <limits>
#include <stdexcept>
#include <system_error>

#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/fast/ct.h"

namespace eccrypt {
namespace {

std::ptrdiff_t ReadSystemRandom(void* buffer, std::size_t length) {
#if defined(__EMSCRIPTEN__)
  // WebAssembly: emscripten's getentropy draws from crypto.getRandomValues (browsers, workers,
  // Node's global crypto) or Node's crypto module, and gives at most 256 bytes a call.
  constexpr std::size_t kMostPerCall = 256;
  const std::size_t count = length < kMostPerCall ? length : kMostPerCall;
  if (::getentropy(buffer, count) != 0) return -1;
  return static_cast<std::ptrdiff_t>(count);
#else
  return ::getrandom(buffer, length, 0);
#endif
}

thread_local detail::OsRandomReader osReader = ReadSystemRandom;

// Fills the whole buffer, retrying after interruptions and short reads.
void ReadOsRandom(unsigned char* buffer, std::size_t length) {
  while (length > 0) {
    const std::ptrdiff_t got = osReader(buffer, length);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw std::system_error(errno, std::generic_category(), "reading the system random source");
    }
    const auto count = static_cast<std::size_t>(got);
    buffer += count;
    length -= count;
  }
}

class RandomPool {
 public:
  RandomPool() = default;
  RandomPool(const RandomPool&) = delete;
  RandomPool& operator=(const RandomPool&) = delete;
  ~RandomPool() { SecureWipe(bytes_.data(), bytes_.size()); }

  void Refill() {
    next_ = bytes_.size();  // empty until the read has succeeded
    SecureWipe(bytes_.data(), bytes_.size());
    ReadOsRandom(bytes_.data(), bytes_.size());
    next_ = 0;
  }

  // The next four bytes, big-endian; each byte is wiped as it is taken.
  std::uint32_t TakeWord() {
    if (bytes_.size() - next_ < 4) Refill();
    std::uint32_t word = 0;
    for (int i = 0; i < 4; ++i) {
      word = (word << 8) | bytes_[next_];
      bytes_[next_] = 0;
      ++next_;
    }
    return word;
  }

 private:
  std::array<unsigned char, 256> bytes_{};
  std::size_t next_ = bytes_.size();  // index of the next unused byte
};

thread_local RandomPool pool;

}  // namespace

void Randomize() {
  pool.Refill();
}

std::int32_t RandInt(std::int32_t n) {
  if (n < 1) throw std::invalid_argument("RandInt needs a positive bound");
  const auto bound = static_cast<std::uint64_t>(n);
  // Words at or above the largest multiple of bound below 2^32 would favour small values.
  constexpr std::uint64_t words = std::uint64_t{1} << 32;
  const std::uint64_t accepted = words - words % bound;
  // A power of two takes the low bits: no division, whose time may depend on the secret word.
  const bool powerOfTwo = (bound & (bound - 1)) == 0;
  for (;;) {
    const std::uint64_t word = pool.TakeWord();
    // Whether a word is rejected says nothing of the value returned (accepted words are uniform
    // whatever was rejected before them), so the verdict is public.
    const bool accept = word < accepted;
    fast::CtDeclassify(accept);
    if (accept) return static_cast<std::int32_t>(powerOfTwo ? word & (bound - 1) : word % bound);
  }
}

namespace detail {

OsRandomReader SetOsRandomReaderForThread(OsRandomReader reader) {
  const OsRandomReader previous = osReader;
  osReader = reader != nullptr ? reader : ReadSystemRandom;
  return previous;
}

}  // namespace detail
}  // namespace eccrypt
