#pragma once
// What the benchmarks of the public-key primitives share: fixed inputs made the same way in
// every file, and the timing loops of the primitives that run both on the default engine
// (curve_bench.cpp) and on each engine in turn (engine_bench.cpp).
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>

#include "ECCrypt/pk/ecCrypt.h"

namespace eccrypt::bench {

// A fixed integer of `digits` 16-bit digits drawn from `seed` by a linear congruential
// generator, with `topBit` set in its top digit so that the length is the one asked for.
inline TvlPoint Integer(int digits, std::uint32_t seed, std::int32_t topBit = 0x8000) {
  TvlPoint k;
  k.Words[0] = digits;
  for (std::size_t i = 1; i <= static_cast<std::size_t>(digits); ++i) {
    seed = seed * 1664525U + 1013904223U;
    k.Words[i] = static_cast<std::int32_t>(seed >> 16);
  }
  k.Words[static_cast<std::size_t>(digits)] |= topBit;
  return k;
}

inline TECCrypt Key(const TvlPoint& value) {
  TECCrypt key;
  key.CopyFrom(value);
  return key;
}

inline TvlPoint PublicKey(const TvlPoint& secret) {
  TvlPoint q;
  Key(secret).MakePublicKey(q);
  return q;
}

// A public key q, a digest integer h and a signature (r, s) of h under q's secret key.
struct TSignedDigest {
  TvlPoint q, h, r, s;
};

// The secret key is Integer(15, seed), the digest Integer(10, seed + 1) and the nonce
// Integer(17, seed + 2), each with `topBit`.
inline TSignedDigest SignedDigest(std::uint32_t seed, std::int32_t topBit = 0x8000) {
  const TECCrypt x = Key(Integer(15, seed, topBit));
  TSignedDigest out;
  x.MakePublicKey(out.q);
  out.h = Integer(10, seed + 1, topBit);
  x.MakeSignature(Integer(17, seed + 2, topBit), out.h, out.r, out.s);
  return out;
}

// The timing loops, on whichever engine is selected when they run.

inline void TimeMakePublicKey(benchmark::State& state) {
  const TECCrypt secret = Key(Integer(15, 4));
  for (auto _ : state) {
    TvlPoint q;
    secret.MakePublicKey(q);
    benchmark::DoNotOptimize(q);
  }
}

inline void TimeEncryptSession(benchmark::State& state) {
  const TECCrypt publicKey = Key(PublicKey(Integer(15, 5)));
  const TvlPoint k = Integer(17, 6);
  for (auto _ : state) {
    TvlPoint e, s;
    publicKey.EncryptSession(k, e, s);
    benchmark::DoNotOptimize(s);
  }
}

// Decrypting an exchanged value; with `groupCheck`, first the group check that Decrypt makes.
inline void TimeDecryptSession(benchmark::State& state, bool groupCheck) {
  const TECCrypt secret = Key(Integer(15, 7));
  const TvlPoint e = PublicKey(Integer(17, 8));
  for (auto _ : state) {
    TvlPoint s;
    if (groupCheck && !TECCrypt::IsCompressedGroupPoint(e)) {
      state.SkipWithError("group check refused");
    }
    secret.DecryptSession(e, s);
    benchmark::DoNotOptimize(s);
  }
}

inline void TimeMakeSignature(benchmark::State& state) {
  const TECCrypt secret = Key(Integer(15, 9));
  const TvlPoint k = Integer(17, 10);
  const TvlPoint h = Integer(10, 11);
  for (auto _ : state) {
    TvlPoint r, s;
    secret.MakeSignature(k, h, r, s);
    benchmark::DoNotOptimize(s);
  }
}

// Checking a signature; with `groupCheck`, first the group check of the public key that Verify
// makes.
inline void TimeCheckSignature(benchmark::State& state, bool groupCheck) {
  const TSignedDigest sig = SignedDigest(12);
  const TECCrypt publicKey = Key(sig.q);
  for (auto _ : state) {
    if ((groupCheck && !TECCrypt::IsCompressedGroupPoint(publicKey)) ||
        !publicKey.CheckSignature(sig.h, sig.r, sig.s)) {
      state.SkipWithError("signature refused");
    }
  }
}

}  // namespace eccrypt::bench
