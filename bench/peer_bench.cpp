// The peers the engine is measured against, in the same process as the component's benchmarks
// (bench/report.py --peers prints the ratios): X25519 and Ed25519 from libsodium, and ECDH and
// ECDSA on the binary curves sect283r1 and sect233k1 from OpenSSL 3. Only the benchmarks link
// these libraries; the library itself depends on nothing.
#include <benchmark/benchmark.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/obj_mac.h>
#include <sodium.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace {

// A 20-byte message: the size of the digest the component signs.
constexpr std::array<unsigned char, 20> Message{1, 4, 1, 4, 2, 1, 3, 5, 6, 2,
                                                3, 7, 3, 0, 9, 5, 0, 4, 8, 8};

void RequireSodium() {
  if (sodium_init() < 0) throw std::runtime_error("sodium_init failed");
}

void BM_Peer_X25519(benchmark::State& state) {
  RequireSodium();
  std::array<unsigned char, crypto_scalarmult_SCALARBYTES> secret{}, peerSecret{};
  std::array<unsigned char, crypto_scalarmult_BYTES> peer{}, shared{};
  randombytes_buf(secret.data(), secret.size());
  randombytes_buf(peerSecret.data(), peerSecret.size());
  crypto_scalarmult_base(peer.data(), peerSecret.data());
  for (auto _ : state) {
    if (crypto_scalarmult(shared.data(), secret.data(), peer.data()) != 0) {
      state.SkipWithError("crypto_scalarmult failed");
    }
    benchmark::DoNotOptimize(shared.data());
  }
}
BENCHMARK(BM_Peer_X25519)->Unit(benchmark::kMicrosecond);

void BM_Peer_X25519Base(benchmark::State& state) {
  RequireSodium();
  std::array<unsigned char, crypto_scalarmult_SCALARBYTES> secret{};
  std::array<unsigned char, crypto_scalarmult_BYTES> point{};
  randombytes_buf(secret.data(), secret.size());
  for (auto _ : state) {
    crypto_scalarmult_base(point.data(), secret.data());
    benchmark::DoNotOptimize(point.data());
  }
}
BENCHMARK(BM_Peer_X25519Base)->Unit(benchmark::kMicrosecond);

void BM_Peer_Ed25519Sign(benchmark::State& state) {
  RequireSodium();
  std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> pk{};
  std::array<unsigned char, crypto_sign_SECRETKEYBYTES> sk{};
  std::array<unsigned char, crypto_sign_BYTES> signature{};
  crypto_sign_keypair(pk.data(), sk.data());
  for (auto _ : state) {
    crypto_sign_detached(signature.data(), nullptr, Message.data(), Message.size(), sk.data());
    benchmark::DoNotOptimize(signature.data());
  }
}
BENCHMARK(BM_Peer_Ed25519Sign)->Unit(benchmark::kMicrosecond);

void BM_Peer_Ed25519Verify(benchmark::State& state) {
  RequireSodium();
  std::array<unsigned char, crypto_sign_PUBLICKEYBYTES> pk{};
  std::array<unsigned char, crypto_sign_SECRETKEYBYTES> sk{};
  std::array<unsigned char, crypto_sign_BYTES> signature{};
  crypto_sign_keypair(pk.data(), sk.data());
  crypto_sign_detached(signature.data(), nullptr, Message.data(), Message.size(), sk.data());
  for (auto _ : state) {
    if (crypto_sign_verify_detached(signature.data(), Message.data(), Message.size(), pk.data()) !=
        0) {
      state.SkipWithError("crypto_sign_verify_detached rejected the signature");
    }
  }
}
BENCHMARK(BM_Peer_Ed25519Verify)->Unit(benchmark::kMicrosecond);

struct FreeKey {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct FreeContext {
  void operator()(EVP_PKEY_CTX* c) const { EVP_PKEY_CTX_free(c); }
};
using Key = std::unique_ptr<EVP_PKEY, FreeKey>;
using Context = std::unique_ptr<EVP_PKEY_CTX, FreeContext>;

Key NewKey(const char* curve) {
  Key key(EVP_EC_gen(curve));
  if (!key) throw std::runtime_error("EVP_EC_gen failed");
  return key;
}

// One ECDH derivation per iteration: a secret scalar times the peer's public point.
void PeerEcdh(benchmark::State& state, const char* curve) {
  const Key own = NewKey(curve);
  const Key peer = NewKey(curve);
  const Context ctx(EVP_PKEY_CTX_new(own.get(), nullptr));
  std::size_t length = 0;
  if (!ctx || EVP_PKEY_derive_init(ctx.get()) != 1 ||
      EVP_PKEY_derive_set_peer(ctx.get(), peer.get()) != 1 ||
      EVP_PKEY_derive(ctx.get(), nullptr, &length) != 1) {
    state.SkipWithError("ECDH set-up failed");
    return;
  }
  std::array<unsigned char, 128> shared{};
  for (auto _ : state) {
    std::size_t got = length;
    if (EVP_PKEY_derive(ctx.get(), shared.data(), &got) != 1) state.SkipWithError("derive failed");
    benchmark::DoNotOptimize(shared.data());
  }
}

void BM_Peer_ECDH_sect283r1(benchmark::State& state) {
  PeerEcdh(state, "sect283r1");
}
void BM_Peer_ECDH_sect233k1(benchmark::State& state) {
  PeerEcdh(state, "sect233k1");
}
BENCHMARK(BM_Peer_ECDH_sect283r1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Peer_ECDH_sect233k1)->Unit(benchmark::kMicrosecond);

void BM_Peer_ECDSASign_sect283r1(benchmark::State& state) {
  const Key key = NewKey("sect283r1");
  const Context ctx(EVP_PKEY_CTX_new(key.get(), nullptr));
  if (!ctx || EVP_PKEY_sign_init(ctx.get()) != 1) {
    state.SkipWithError("ECDSA set-up failed");
    return;
  }
  std::array<unsigned char, 128> signature{};
  for (auto _ : state) {
    std::size_t length = signature.size();
    if (EVP_PKEY_sign(ctx.get(), signature.data(), &length, Message.data(), Message.size()) != 1) {
      state.SkipWithError("sign failed");
    }
    benchmark::DoNotOptimize(signature.data());
  }
}
BENCHMARK(BM_Peer_ECDSASign_sect283r1)->Unit(benchmark::kMicrosecond);

void BM_Peer_ECDSAVerify_sect283r1(benchmark::State& state) {
  const Key key = NewKey("sect283r1");
  const Context signer(EVP_PKEY_CTX_new(key.get(), nullptr));
  const Context verifier(EVP_PKEY_CTX_new(key.get(), nullptr));
  std::array<unsigned char, 128> signature{};
  std::size_t length = signature.size();
  if (!signer || !verifier || EVP_PKEY_sign_init(signer.get()) != 1 ||
      EVP_PKEY_sign(signer.get(), signature.data(), &length, Message.data(), Message.size()) != 1 ||
      EVP_PKEY_verify_init(verifier.get()) != 1) {
    state.SkipWithError("ECDSA set-up failed");
    return;
  }
  for (auto _ : state) {
    if (EVP_PKEY_verify(verifier.get(), signature.data(), length, Message.data(), Message.size()) !=
        1) {
      state.SkipWithError("verify rejected the signature");
    }
  }
}
BENCHMARK(BM_Peer_ECDSAVerify_sect283r1)->Unit(benchmark::kMicrosecond);

}  // namespace
