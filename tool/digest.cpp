#include "tool/digest.h"

#include <openssl/evp.h>
#include <sodium.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

TDigest Sha256Truncated(TByteSource& source) {
  crypto_hash_sha256_state state;
  crypto_hash_sha256_init(&state);
  std::vector<std::uint8_t> buffer(std::size_t{64} * 1024);
  while (const std::size_t got = source.Read(buffer)) {
    crypto_hash_sha256_update(&state, buffer.data(), got);
  }
  std::array<std::uint8_t, crypto_hash_sha256_BYTES> full{};
  crypto_hash_sha256_final(&state, full.data());
  TDigest digest{};
  std::copy_n(full.begin(), digest.size(), digest.begin());
  return digest;
}

TDigest Sha1(TByteSource& source) {
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                        &EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha1(), nullptr) != 1) {
    throw TToolError("SHA-1 is not available from the cryptographic library");
  }
  std::vector<std::uint8_t> buffer(std::size_t{64} * 1024);
  while (const std::size_t got = source.Read(buffer)) {
    EVP_DigestUpdate(context.get(), buffer.data(), got);
  }
  TDigest digest{};
  unsigned int length = 0;
  EVP_DigestFinal_ex(context.get(), digest.data(), &length);
  if (length != digest.size()) throw TToolError("SHA-1 gave a digest of unexpected length");
  return digest;
}

}  // namespace

TDigest DigestOf(TByteSource& source, TDigestKind kind) {
  if (sodium_init() < 0) throw TToolError("the cryptographic library failed to start");
  return kind == TDigestKind::Sha1 ? Sha1(source) : Sha256Truncated(source);
}

const char* DigestName(TDigestKind kind) {
  return kind == TDigestKind::Sha1 ? "SHA-1" : "SHA-256 truncated to 20 bytes";
}

}  // namespace eccrypt::tool
