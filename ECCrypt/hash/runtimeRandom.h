#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// The runtime generator behind TvlPoint::FillRandom: a per-thread pool of bytes from the
// operating system's cryptographic source. Nothing is shared between threads; bytes are wiped
// from the pool as they are used, and the pool is wiped when its thread ends.
#include <cstddef>
#include <cstdint>

namespace eccrypt {

// Discards what this thread's pool holds and refills it from the operating system's source.
// Throws std::system_error if the source fails (interrupted and short reads are retried).
void Randomize();

// An integer uniform on [0, n), for 1 <= n (std::invalid_argument otherwise). Draws 32-bit
// words from this thread's pool, refilling it when exhausted, and rejects the words above the
// largest multiple of n so that no value is favoured. Constant time in the value drawn (only
// the rejection of a word shows, which says nothing of the value returned).
std::int32_t RandInt(std::int32_t n);

namespace detail {

// Reads up to length bytes of the operating system's source into buffer: the number read, or
// -1 with errno set (the contract of getrandom). Replaceable per thread to test the retry and
// failure paths.
using OsRandomReader = std::ptrdiff_t (*)(void* buffer, std::size_t length);

// Installs reader for the calling thread and returns the previous one; nullptr restores the
// operating system's source.
OsRandomReader SetOsRandomReaderForThread(OsRandomReader reader);

}  // namespace detail
}  // namespace eccrypt
