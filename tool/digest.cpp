#include "tool/digest.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>
#include <span>
#include <vector>

#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

// One hash of OpenSSL's EVP interface, fed in pieces.
class TEvpHash {
 public:
  TEvpHash(const EVP_MD* kind, const char* name) : name_(name) {
    if (!context_ || EVP_DigestInit_ex(context_.get(), kind, nullptr) != 1) {
      throw TToolError(std::string(name_) + " is not available from the cryptographic library");
    }
  }
  void Update(const std::uint8_t* bytes, std::size_t size) {
    if (EVP_DigestUpdate(context_.get(), bytes, size) != 1) {
      throw TToolError(std::string(name_) + " failed in the cryptographic library");
    }
  }
  // The whole hash, which must be `out.size()` bytes long.
  void Final(std::span<std::uint8_t> out) {
    std::array<std::uint8_t, EVP_MAX_MD_SIZE> full{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_.get(), full.data(), &length) != 1 || length != out.size()) {
      throw TToolError(std::string(name_) + " gave a digest of unexpected length");
    }
    std::copy_n(full.begin(), out.size(), out.begin());
  }

 private:
  const char* name_;
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context_{EVP_MD_CTX_new(),
                                                                   &EVP_MD_CTX_free};
};

class TSha256 : public TEvpHash {
 public:
  TSha256() : TEvpHash(EVP_sha256(), "SHA-256") {}
  TPrehash Whole() {
    TPrehash hash{};
    Final(hash);
    return hash;
  }
  TDigest Truncated() {
    const TPrehash hash = Whole();
    TDigest digest{};
    std::copy_n(hash.begin(), digest.size(), digest.begin());
    return digest;
  }
};

class TSha1 : public TEvpHash {
 public:
  TSha1() : TEvpHash(EVP_sha1(), "SHA-1") {}
  TDigest Whole() {
    TDigest digest{};
    Final(digest);
    return digest;
  }
};

// Feeds everything the source holds to each hash, in constant memory.
template <typename... Hashes>
void HashAll(TByteSource& source, Hashes&... hashes) {
  std::vector<std::uint8_t> buffer(std::size_t{64} * 1024);
  while (const std::size_t got = source.Read(buffer)) (hashes.Update(buffer.data(), got), ...);
}

}  // namespace

TDigest DigestOf(TByteSource& source, TDigestKind kind) {
  if (kind == TDigestKind::Sha1) {
    TSha1 sha1;
    HashAll(source, sha1);
    return sha1.Whole();
  }
  TSha256 sha256;
  HashAll(source, sha256);
  return sha256.Truncated();
}

TPrehash Sha256Of(TByteSource& source) {
  TSha256 sha256;
  HashAll(source, sha256);
  return sha256.Whole();
}

TBothDigests BothDigestsOf(TByteSource& source) {
  TSha256 sha256;
  TSha1 sha1;
  HashAll(source, sha256, sha1);
  return {sha256.Truncated(), sha1.Whole()};
}

const char* DigestName(TDigestKind kind) {
  return kind == TDigestKind::Sha1 ? "SHA-1" : "SHA-256 truncated to 20 bytes";
}

}  // namespace eccrypt::tool
