// Signatures on digests through the component's primitives, in canonical form.
#include "ECCrypt/api/signing.h"

#include <utility>

#include "ECCrypt/api/valueCodec.h"
#include "ECCrypt/bigint/secureWipe.h"
#include "ECCrypt/digestToInteger.h"
#include "ECCrypt/pk/ecCrypt.h"

namespace eccrypt {

using apidetail::Access;
using apidetail::Bytes32;
using apidetail::Fail;

namespace {

constexpr std::string_view kSignature = "signature";

Result<void> CheckDigestLength(std::span<const std::uint8_t> digest) {
  if (digest.size() != SignedDigestBytes) {
    return Fail(ErrorCode::WrongLength, "digest", "not 20 bytes");
  }
  return {};
}

}  // namespace

Result<Signature> Signature::Parse(std::string_view text) {
  return apidetail::Guarded<Signature>(kSignature, [&]() -> Result<Signature> {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
      return Fail(ErrorCode::MissingSeparator, kSignature, "no ':' between r and s");
    }
    const std::string_view rText = text.substr(0, colon), sText = text.substr(colon + 1);
    const TextForm form =
        apidetail::FormOf(rText) == TextForm::Hex && apidetail::FormOf(sText) == TextForm::Hex
            ? TextForm::Hex
            : TextForm::Radix64;
    // Characters first, in both halves: a stray character in s makes both halves radix-64,
    // and r would otherwise be refused for its length.
    for (const auto& [half, what] :
         {std::pair{rText, "signature r"}, std::pair{sText, "signature s"}}) {
      const Result<void> characters = apidetail::CheckCharacters(half, form, what);
      if (!characters) return characters.Error();
    }
    TvlPoint r, s;
    const Result<void> readR =
        apidetail::ReadText(rText, form, apidetail::ValueDigits, "signature r", r);
    if (!readR) return readR.Error();
    const Result<void> readS =
        apidetail::ReadText(sText, form, apidetail::ComponentSDigits, "signature s", s);
    if (!readS) return readS.Error();
    const Bytes32 rBytes = apidetail::IntegerToBytes(r);
    if (!apidetail::BelowOrder(rBytes)) {
      return Fail(ErrorCode::OutOfRange, "signature r", "not below the group order n");
    }
    const Bytes32 sReduced = apidetail::ReduceModOrder(s);
    if (apidetail::IsZero(sReduced)) {
      return Fail(ErrorCode::MultipleOfOrder, "signature s", "a multiple of the group order n");
    }
    return Signature(rBytes, sReduced);
  });
}

std::string Signature::ToText(TextForm form) const {
  TvlPoint r, s;
  apidetail::BytesToInteger(r_, r);
  apidetail::BytesToInteger(s_, s);
  return apidetail::WriteText(r, form) + ":" + apidetail::WriteText(s, form);
}

Result<Signature> SignDigest(std::span<const std::uint8_t> digest, const SecretKey& key) {
  return apidetail::Guarded<Signature>("signing", [&]() -> Result<Signature> {
    const Result<void> length = CheckDigestLength(digest);
    if (!length) return length.Error();
    if (apidetail::IsZero(key.RevealBytes())) {
      return Fail(ErrorCode::MultipleOfOrder, "secret key", "zero (a key that was moved from)");
    }
    TECCrypt x;
    apidetail::BytesToInteger(key.RevealBytes(), x);
    x.PrepareTables();
    TvlPoint h, h0;
    DigestToInteger(digest.data(), h, h0);
    for (;;) {
      // With k below n, s = k - (x r mod n), plus n when k is smaller, is below n already.
      Bytes32 nonce = apidetail::DrawScalar();
      TvlPoint k, r, s;
      apidetail::BytesToInteger(nonce, k);
      SecureWipe(nonce.data(), nonce.size());
      x.MakeSignature(k, h, r, s);
      const Bytes32 rBytes = apidetail::IntegerToBytes(r);
      const Bytes32 sBytes = apidetail::IntegerToBytes(s);
      // r or s zero (each with probability about 1/n) has no canonical text: sign again.
      if (!apidetail::IsZero(rBytes) && !apidetail::IsZero(sBytes)) {
        return Access::Make<Signature>(rBytes, sBytes);
      }
    }
  });
}

Result<void> VerifyDigest(std::span<const std::uint8_t> digest, const Signature& signature,
                          const PublicKey& key) {
  return apidetail::Guarded<void>("verification", [&]() -> Result<void> {
    const Result<void> length = CheckDigestLength(digest);
    if (!length) return length.Error();
    TECCrypt q;
    apidetail::BytesToInteger(key.ToBytes(), q);
    q.PrepareTables();
    TvlPoint h, h0, r, s;
    DigestToInteger(digest.data(), h, h0);
    apidetail::BytesToInteger(signature.R(), r);
    apidetail::BytesToInteger(signature.S(), s);
    if (!q.CheckSignature(h, r, s)) {
      return Fail(ErrorCode::BadSignature, kSignature,
                  "does not fit the digest and the public key");
    }
    return {};
  });
}

}  // namespace eccrypt
