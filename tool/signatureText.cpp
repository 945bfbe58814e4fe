#include "tool/signatureText.h"

#include <openssl/bn.h>

#include <memory>

#include "tool/textForm.h"

namespace eccrypt::tool {

namespace {

using TBigNumber = std::unique_ptr<BIGNUM, decltype(&BN_free)>;

// The order of the base point, in the hexadecimal text form.
constexpr const char* kGroupOrderHex =
    "0001026DD85081B82314691CED9BBEC30547840E4BF72D8B5E0D258442BBCD31";
// The component's signer draws nonces of 17 digits, so its s stays below 2^272.
constexpr int kComponentSBits = 272;

TBigNumber FromHex(const std::string& hex) {
  BIGNUM* number = nullptr;
  if (hex.empty() || BN_hex2bn(&number, hex.c_str()) != static_cast<int>(hex.size())) {
    BN_free(number);
    return {nullptr, &BN_free};
  }
  return {number, &BN_free};
}

// The hexadecimal text of one half, when it is spelt exactly as the component writes the
// number it stands for; nothing otherwise.
std::optional<std::string> CanonicalHalfHex(std::string_view half, TMode mode) {
  if (half.empty() || !IsTextOfMode(half, mode)) return std::nullopt;
  std::string hex =
      mode == TMode::Hex ? std::string(half) : ConvertTextForm(half, TMode::Base64, TMode::Hex);
  if (mode == TMode::Base64 && ConvertTextForm(hex, TMode::Hex, TMode::Base64) != half) {
    return std::nullopt;  // another radix-64 spelling of the same digits
  }
  if (hex.empty() || hex.size() % 4 != 0 || hex.starts_with("0000")) return std::nullopt;
  return hex;
}

struct THalves {
  TBigNumber r{nullptr, &BN_free};
  TBigNumber s{nullptr, &BN_free};
};

std::optional<THalves> ReadHalves(std::string_view text, TMode mode) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  const auto r = CanonicalHalfHex(text.substr(0, colon), mode);
  const auto s = CanonicalHalfHex(text.substr(colon + 1), mode);
  if (!r || !s) return std::nullopt;
  THalves halves{FromHex(*r), FromHex(*s)};
  if (!halves.r || !halves.s) return std::nullopt;
  return halves;
}

const BIGNUM* GroupOrder() {
  static const TBigNumber order = FromHex(kGroupOrderHex);
  return order.get();
}

}  // namespace

TMode SignatureTextMode(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return TMode::Base64;
  const std::string_view r = text.substr(0, colon), s = text.substr(colon + 1);
  const bool hex = r.size() % 4 == 0 && s.size() % 4 == 0 && IsTextOfMode(r, TMode::Hex) &&
                   IsTextOfMode(s, TMode::Hex);
  return hex ? TMode::Hex : TMode::Base64;
}

TSignatureForm ClassifySignature(std::string_view text, TMode mode) {
  const auto halves = ReadHalves(text, mode);
  if (!halves) return TSignatureForm::Malformed;
  const BIGNUM* n = GroupOrder();
  if (BN_is_zero(halves->r.get()) || BN_cmp(halves->r.get(), n) >= 0 ||
      BN_is_zero(halves->s.get())) {
    return TSignatureForm::Malformed;
  }
  if (BN_cmp(halves->s.get(), n) < 0) return TSignatureForm::Canonical;
  return BN_num_bits(halves->s.get()) <= kComponentSBits ? TSignatureForm::ComponentRange
                                                         : TSignatureForm::Malformed;
}

}  // namespace eccrypt::tool
