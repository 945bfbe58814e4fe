// The fast field's costs in WebAssembly, on each path the build has: one product, four products
// side by side, a squaring, runs of squarings (the linear maps from 15 on), an inversion and the
// ladder's 255 steps; then the group check, DecryptSession, and the C interface's decapsulation
// and verification of a signature file.
// Best of 7 timed runs each. Built and run by bench/wasm/fieldBench.sh (Node without its
// baseline compiler, so that every run times the optimised code).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <initializer_list>

#include "ECCrypt/c/eccrypt_c.h"
#include "ECCrypt/fast/engine.h"
#include "ECCrypt/fast/fe.h"
#include "ECCrypt/fast/feLadder.h"
#include "ECCrypt/fast/publicVartime.h"

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
    // The engine on the same path: the group check of an exchanged value (its decoding and the
    // Frobenius sum), DecryptSession (right after the check, as decapsulation runs them), and
    // the C interface's whole decapsulation, which both make.
    eccrypt_keypair* keys = nullptr;
    std::uint8_t recipient[ECCRYPT_VALUE_BYTES], exchanged[ECCRYPT_VALUE_BYTES];
    std::uint8_t symmetric[ECCRYPT_VALUE_BYTES];
    if (eccrypt_keypair_generate(&keys, nullptr) != 0 ||
        eccrypt_keypair_public_key(keys, recipient, nullptr) != 0 ||
        eccrypt_encapsulate(recipient, exchanged, symmetric, nullptr, nullptr) != 0) {
      std::fprintf(stderr, "fieldBench: the C interface failed\n");
      return 1;
    }
    eccrypt::TvlPoint secret, e, out;
    secret.Words[0] = 15;
    for (std::size_t i = 1; i <= 15; ++i)
      secret.Words[i] = static_cast<std::int32_t>(Next() & 0x7FFF);
    MakePublicKey(secret, e);
    AffinePoint point;
    const double check = Nanoseconds([&] { IsCompressedGroupPoint(e); }, 200);
    const double decode = Nanoseconds([&] { DecompressVartime(point, e); }, 200);
    const double sum = Nanoseconds([&] { InGroupVartime(point); }, 200);
    const double decrypt = Nanoseconds(
        [&] {
          IsCompressedGroupPoint(e);
          DecryptSession(secret, e, out);
        },
        50);
    const double decapsulate =
        Nanoseconds([&] { eccrypt_decapsulate(keys, exchanged, symmetric, nullptr, nullptr); }, 50);
    // The verification of a signature file, as the JavaScript package's verify runs it.
    static const char message[] = "a message of some length to sign and verify, once";
    const auto* messageBytes = reinterpret_cast<const std::uint8_t*>(message);
    char file[ECCRYPT_SIGNATURE_FILE_CAPACITY];
    std::size_t fileLength = sizeof(file);
    if (eccrypt_sign_message(keys, messageBytes, sizeof(message) - 1, "", 0, "", 0, 0, file,
                             &fileLength, nullptr) != 0) {
      std::fprintf(stderr, "fieldBench: signing failed\n");
      return 1;
    }
    char trusted[ECCRYPT_MAX_COMMENT_BYTES + 1];
    const double verify = Nanoseconds(
        [&] {
          std::size_t trustedLength = sizeof(trusted);
          eccrypt_verify_message(messageBytes, sizeof(message) - 1, file, fileLength, recipient,
                                 trusted, &trustedLength, nullptr);
        },
        50);
    eccrypt_keypair_free(keys);
    std::printf(
        "          group check %5.1f us (decoding %4.1f, Frobenius sum %4.1f)  check and "
        "DecryptSession %6.1f us  eccrypt_decapsulate %6.1f us  eccrypt_verify_message %6.1f us\n",
        check / 1000, decode / 1000, sum / 1000, decrypt / 1000, decapsulate / 1000, verify / 1000);
  }
  return 0;
}
