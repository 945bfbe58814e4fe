// Sealing and opening one 64 KiB chunk of sealed data: the library's chunk cipher beside
// libsodium's own secretstream functions on the same state, so that their ratio shows what the
// wide-vector ChaCha20 and Poly1305 give on this processor.
#include <benchmark/benchmark.h>
#include <sodium.h>

#include <cstdlib>
#include <vector>

#include "ECCrypt/formats/chacha20.h"
#include "ECCrypt/formats/chunkCipher.h"

namespace {

constexpr std::size_t kChunk = 64 * 1024;

struct Chunk {
  std::vector<std::uint8_t> plain = std::vector<std::uint8_t>(kChunk, 0x5A);
  std::vector<std::uint8_t> sealed =
      std::vector<std::uint8_t>(kChunk + crypto_secretstream_xchacha20poly1305_ABYTES);
  crypto_secretstream_xchacha20poly1305_state state{};
  Chunk() {
    if (sodium_init() < 0) std::abort();
    std::uint8_t key[32] = {7};
    std::uint8_t header[crypto_secretstream_xchacha20poly1305_HEADERBYTES];
    crypto_secretstream_xchacha20poly1305_init_push(&state, header, key);
  }
};

void BM_SealChunk_Library(benchmark::State& run) {
  Chunk chunk;
  for (auto _ : run) {
    eccrypt::formats::SealChunk(chunk.state, chunk.sealed.data(), chunk.plain, {}, 0);
    benchmark::DoNotOptimize(chunk.sealed.data());
  }
  run.SetBytesProcessed(run.iterations() * static_cast<std::int64_t>(kChunk));
  run.SetLabel(eccrypt::formats::ChaCha20Implementation());
}
BENCHMARK(BM_SealChunk_Library);

void BM_SealChunk_Libsodium(benchmark::State& run) {
  Chunk chunk;
  for (auto _ : run) {
    crypto_secretstream_xchacha20poly1305_push(&chunk.state, chunk.sealed.data(), nullptr,
                                               chunk.plain.data(), kChunk, nullptr, 0, 0);
    benchmark::DoNotOptimize(chunk.sealed.data());
  }
  run.SetBytesProcessed(run.iterations() * static_cast<std::int64_t>(kChunk));
}
BENCHMARK(BM_SealChunk_Libsodium);

}  // namespace
