#include "tool/signatureText.h"

#include "ECCrypt/api.h"
#include "tool/textForm.h"

namespace eccrypt::tool {

TMode SignatureTextMode(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return TMode::Base64;
  const std::string_view r = text.substr(0, colon), s = text.substr(colon + 1);
  const bool hex = r.size() % 4 == 0 && s.size() % 4 == 0 && IsTextOfMode(r, TMode::Hex) &&
                   IsTextOfMode(s, TMode::Hex);
  return hex ? TMode::Hex : TMode::Base64;
}

TSignatureForm ClassifySignature(std::string_view text, TMode mode) {
  // The library reads the text the component writes for each half, with s below 2^272, and
  // keeps s reduced: a text that is not the one it writes back carries an unreduced s.
  if (text.find(':') == std::string_view::npos || SignatureTextMode(text) != mode) {
    return TSignatureForm::Malformed;
  }
  const auto signature = Signature::Parse(text);
  if (!signature) {
    // r has been read by then: s is a non-zero multiple of n, as an unreduced signer may
    // leave it (it verifies for nothing).
    return signature.Error().Code() == ErrorCode::MultipleOfOrder ? TSignatureForm::ComponentRange
                                                                  : TSignatureForm::Malformed;
  }
  const TextForm form = mode == TMode::Hex ? TextForm::Hex : TextForm::Radix64;
  return signature.Value().ToText(form) == text ? TSignatureForm::Canonical
                                                : TSignatureForm::ComponentRange;
}

}  // namespace eccrypt::tool
