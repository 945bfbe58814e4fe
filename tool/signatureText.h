#pragma once
// Signature texts "r:s" as the tool makes and accepts them.
//
// The component checks s only modulo the group order n, so one signature has many texts that
// verify: s + m·n for every m the integer record holds, and halves spelt with leading zero
// groups. The tool gives each signature one text, its canonical form: 0 < r < n and 0 < s < n,
// each half the text the component writes for that number (no leading zero group). It makes
// only canonical signatures and requires them in signature files.
//
// Bare signature texts made elsewhere, and by earlier versions of the tool, carry s as the
// component's signer makes it: below 2^272 and usually above n. Those are accepted as bare
// texts (ComponentRange) so that existing signatures keep verifying.
#include <string>
#include <string_view>

#include "ECCrypt/ECCrypt.h"

namespace eccrypt::tool {

enum class TSignatureForm {
  Canonical,       // 0 < r < n, 0 < s < n, spelt as the component writes them
  ComponentRange,  // spelt as the component writes them, 0 < r < n, n <= s < 2^272
  Malformed,       // anything else: not a text the tool accepts
};

// The text form a signature text is written in: hexadecimal when both halves are groups of
// four upper-case hexadecimal digits, radix-64 otherwise.
TMode SignatureTextMode(std::string_view text);

// Which form the text is, read in the given text form.
TSignatureForm ClassifySignature(std::string_view text, TMode mode);

}  // namespace eccrypt::tool
