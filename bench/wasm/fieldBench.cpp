// The fast field's costs in WebAssembly, on each path the build has: one product, four products
// side by side, a squaring, runs of squarings (the linear maps from 15 on), an inversion and the
// ladder's 255 steps. Best of 7 timed runs each. Built and run by bench/wasm/fieldBench.sh.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <initializer_list>

#include "ECCrypt/fast/fe.h"
#include "ECCrypt/fast/feLadder.h"
#include "ECCrypt/fast/engine.h"
#include "ECCrypt/fast/publicVartime.h"
#include "ECCrypt/c/eccrypt_c.h"

namespace {

using eccrypt::fast::Fe;

std::uint64_t state = 0x9E3779B97F4A7C15ULL;

std::uint64_t Next() {
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
  return state;
}

Fe RandomFe() {
  return Fe{{Next(), Next(), Next(), Next() >> 1}};
}

// Nanoseconds per call of f: the best of 7 runs of n calls, after a warm-up.
template <class F>
double Nanoseconds(F f, int n) {
  for (int i = 0; i < n / 10 + 1; ++i) f();
  double best = 1e30;
  for (int run = 0; run < 7; ++run) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) f();
    const std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
    if (took.count() / n < best) best = took.count() / n;
  }
  return best;
}

}  // namespace

int main() {
  using namespace eccrypt::fast;
  for (const char* path : {"portable", "lanes"}) {
    if (!FeUseImplementation(path)) continue;
    Fe a[4], b[4];
    for (int i = 0; i < 4; ++i) {
      a[i] = RandomFe();
      b[i] = RandomFe();
    }
    const double mul = Nanoseconds([&] { FeMul(a[0], a[0], b[0]); }, 20000);
    const double mul4 = Nanoseconds([&] { FeMul4(a, a, b); }, 5000) / 4;
    const double sqr = Nanoseconds([&] { FeSqr(a[0], a[0]); }, 50000);
    const double sqr15 = Nanoseconds([&] { FeSqrN(a[1], a[1], 15); }, 1000);
    const double sqr254 = Nanoseconds([&] { FeSqrN(a[1], a[1], 254); }, 500);
    const double invert = Nanoseconds([&] { FeInvert(a[2], a[2]); }, 500);
    FeLadderPair pair{a[0], b[0], a[1], b[1]};
    const std::uint64_t k[4] = {Next(), Next(), Next(), Next() >> 1};
    const double ladder = Nanoseconds([&] { FeLadderWalk(pair, a[2], b[2], k, 255); }, 20);
    std::printf(
        "%-8s  product %6.1f ns  four at once %6.1f ns each  squaring %5.1f ns  15 squarings "
        "%5.0f ns  254 squarings %5.0f ns  inversion %5.0f ns  ladder (255 steps) %6.1f us\n",
        path, mul, mul4, sqr, sqr15, sqr254, invert, ladder / 1000);
    eccrypt::TvlPoint x, e, q, out;
    x.Words[0] = 15;
    for (int i = 1; i <= 15; ++i) x.Words[i] = static_cast<std::int32_t>(Next() & 0xFFFF);
    x.Words[15] |= 0x4000;
    MakePublicKey(x, e);
    eccrypt::fast::AffinePoint p;
    const double check = Nanoseconds([&] { IsCompressedGroupPoint(e); }, 200);
    const double decomp = Nanoseconds([&] { DecompressVartime(p, e); }, 200);
    const double ingroup = Nanoseconds([&] { InGroupVartime(p); }, 200);
    const double decrypt = Nanoseconds([&] { DecryptSession(x, e, out); }, 50);
    eccrypt_keypair* kp = nullptr;
    eccrypt_keypair_generate(&kp, nullptr);
    std::uint8_t ev[32], sym[32];
    for (int i = 0; i < 32; ++i) ev[i] = static_cast<std::uint8_t>(e.Words[16 - i / 2] >> (i % 2 == 0 ? 8 : 0));
    const double decap = Nanoseconds([&] { eccrypt_decapsulate(kp, ev, sym, nullptr, nullptr); }, 50);
    std::printf("decap %6.1f us\n", decap / 1000);
    std::printf("          group check %6.1f us (decompress %6.1f, in group %6.1f)  DecryptSession %6.1f us\n",
                check / 1000, decomp / 1000, ingroup / 1000, decrypt / 1000);
  }
  return 0;
}
