// Speed of the curve group and the public-key primitives built on it.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/field/gfTables.h"
#include "ECCrypt/hash/prng.h"
#include "ECCrypt/pk/ecCrypt.h"

namespace {

using eccrypt::TECCrypt;
using eccrypt::TecPoint;
using eccrypt::TvlPoint;

// A fixed integer of the given number of 16-bit digits, top digit nonzero.
TvlPoint Scalar(int digits, std::uint32_t seed) {
  TvlPoint k;
  k.Words[0] = digits;
  for (std::size_t i = 1; i <= static_cast<std::size_t>(digits); ++i) {
    seed = seed * 1664525u + 1013904223u;
    k.Words[i] = static_cast<std::int32_t>(seed >> 16);
  }
  k.Words[static_cast<std::size_t>(digits)] |= 0x8000;
  return k;
}

TECCrypt Key(const TvlPoint& value) {
  TECCrypt key;
  key.CopyFrom(value);
  return key;
}

TvlPoint PublicKey(const TvlPoint& secret) {
  TvlPoint q;
  Key(secret).MakePublicKey(q);
  return q;
}

void BM_MultiplyBase240(benchmark::State& state) {
  eccrypt::InitTables();
  const TvlPoint k = Scalar(15, 1);
  for (auto _ : state) {
    TecPoint p;
    p.LoadBase(true);
    p.Multiply(k);
    benchmark::DoNotOptimize(p);
  }
}
BENCHMARK(BM_MultiplyBase240)->Unit(benchmark::kMillisecond);

void BM_Decompress(benchmark::State& state) {
  eccrypt::InitTables();
  const TvlPoint v = PublicKey(Scalar(15, 2));
  for (auto _ : state) {
    TecPoint p;
    p.Decompress(v);
    benchmark::DoNotOptimize(p);
  }
}
BENCHMARK(BM_Decompress)->Unit(benchmark::kMicrosecond);

void BM_IsCompressedGroupPoint(benchmark::State& state) {
  eccrypt::InitTables();
  const TvlPoint v = PublicKey(Scalar(15, 3));
  for (auto _ : state) benchmark::DoNotOptimize(TecPoint::IsCompressedGroupPoint(v));
}
BENCHMARK(BM_IsCompressedGroupPoint)->Unit(benchmark::kMillisecond);

void BM_MakePublicKey(benchmark::State& state) {
  eccrypt::InitTables();
  const TECCrypt secret = Key(Scalar(15, 4));
  for (auto _ : state) {
    TvlPoint q;
    secret.MakePublicKey(q);
    benchmark::DoNotOptimize(q);
  }
}
BENCHMARK(BM_MakePublicKey)->Unit(benchmark::kMillisecond);

void BM_EncryptSession(benchmark::State& state) {
  eccrypt::InitTables();
  const TECCrypt publicKey = Key(PublicKey(Scalar(15, 5)));
  const TvlPoint k = Scalar(17, 6);
  for (auto _ : state) {
    TvlPoint e, s;
    publicKey.EncryptSession(k, e, s);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_EncryptSession)->Unit(benchmark::kMillisecond);

void BM_DecryptSession(benchmark::State& state) {
  eccrypt::InitTables();
  const TECCrypt secret = Key(Scalar(15, 7));
  const TvlPoint e = PublicKey(Scalar(17, 8));
  for (auto _ : state) {
    TvlPoint s;
    secret.DecryptSession(e, s);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_DecryptSession)->Unit(benchmark::kMillisecond);

void BM_MakeSignature(benchmark::State& state) {
  eccrypt::InitTables();
  const TECCrypt secret = Key(Scalar(15, 9));
  const TvlPoint k = Scalar(17, 10);
  const TvlPoint h = Scalar(10, 11);
  for (auto _ : state) {
    TvlPoint r, s;
    secret.MakeSignature(k, h, r, s);
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_MakeSignature)->Unit(benchmark::kMillisecond);

void BM_CheckSignature(benchmark::State& state) {
  eccrypt::InitTables();
  const TvlPoint x = Scalar(15, 12);
  const TECCrypt publicKey = Key(PublicKey(x));
  const TvlPoint h = Scalar(10, 13);
  TvlPoint r, s;
  Key(x).MakeSignature(Scalar(17, 14), h, r, s);
  for (auto _ : state) benchmark::DoNotOptimize(publicKey.CheckSignature(h, r, s));
}
BENCHMARK(BM_CheckSignature)->Unit(benchmark::kMillisecond);

void BM_MakeSecret(benchmark::State& state) {
  for (auto _ : state) {
    eccrypt::TPRNG g;
    g.Seed("a pass phrase of ordinary length");
    benchmark::DoNotOptimize(g.MakeSecret());
  }
}
BENCHMARK(BM_MakeSecret)->Unit(benchmark::kMicrosecond);

void BM_FillRandom(benchmark::State& state) {
  for (auto _ : state) {
    TvlPoint v;
    v.FillRandom();
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_FillRandom)->Unit(benchmark::kMicrosecond);

}  // namespace
