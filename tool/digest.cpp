#include "tool/digest.h"

#include <openssl/evp.h>
#include <sodium.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

class TSha256Truncated {
 public:
  TSha256Truncated() { crypto_hash_sha256_init(&state_); }
  void Update(const std::uint8_t* bytes, std::size_t size) {
    crypto_hash_sha256_update(&state_, bytes, size);
  }
  TDigest Final() {
    std::array<std::uint8_t, crypto_hash_sha256_BYTES> full{};
    crypto_hash_sha256_final(&state_, full.data());
    TDigest digest{};
    std::copy_n(full.begin(), digest.size(), digest.begin());
    return digest;
  }

 private:
  crypto_hash_sha256_state state_;
};

class TSha1 {
 public:
  TSha1() {
    if (!context_ || EVP_DigestInit_ex(context_.get(), EVP_sha1(), nullptr) != 1) {
      throw TToolError("SHA-1 is not available from the cryptographic library");
    }
  }
  void Update(const std::uint8_t* bytes, std::size_t size) {
    EVP_DigestUpdate(context_.get(), bytes, size);
  }
  TDigest Final() {
    TDigest digest{};
    unsigned int length = 0;
    EVP_DigestFinal_ex(context_.get(), digest.data(), &length);
    if (length != digest.size()) throw TToolError("SHA-1 gave a digest of unexpected length");
    return digest;
  }

 private:
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context_{EVP_MD_CTX_new(),
                                                                   &EVP_MD_CTX_free};
};

// Feeds everything the source holds to each hash, in constant memory.
template <typename... Hashes>
void HashAll(TByteSource& source, Hashes&... hashes) {
  if (sodium_init() < 0) throw TToolError("the cryptographic library failed to start");
  std::vector<std::uint8_t> buffer(std::size_t{64} * 1024);
  while (const std::size_t got = source.Read(buffer)) (hashes.Update(buffer.data(), got), ...);
}

}  // namespace

TDigest DigestOf(TByteSource& source, TDigestKind kind) {
  if (kind == TDigestKind::Sha1) {
    TSha1 sha1;
    HashAll(source, sha1);
    return sha1.Final();
  }
  TSha256Truncated sha256;
  HashAll(source, sha256);
  return sha256.Final();
}

TBothDigests BothDigestsOf(TByteSource& source) {
  TSha256Truncated sha256;
  TSha1 sha1;
  HashAll(source, sha256, sha1);
  return {sha256.Final(), sha1.Final()};
}

const char* DigestName(TDigestKind kind) {
  return kind == TDigestKind::Sha1 ? "SHA-1" : "SHA-256 truncated to 20 bytes";
}

}  // namespace eccrypt::tool
