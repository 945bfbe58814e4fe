// The readers of encrypted-file headers (the library's, armoured or not) and of signature
// files, driven from memory.
//
// The first input byte picks the reader; the rest is its input:
//   0, 1: an encrypted file's header read without a key: refused, or version 1 or 2 with 1 to
//      MaxRecipients recipients, of input that starts as an encrypted file does (the armour's
//      BEGIN line or the magic);
//   2: a signature file (version 1 or 2), read by the library: one the reader accepts must be
//      the text the writer makes for it; its comments, shown escaped, hold no line break and no
//      ESC, and a version 2 file's need no escaping at all.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ECCrypt/api.h"
#include "ECCrypt/formats/signatureFile.h"
#include "fuzzCheck.h"
#include "tool/displayText.h"
#include "tool/toolError.h"

namespace {

using namespace eccrypt::tool;
using TBytes = std::vector<std::uint8_t>;

// The header of sealed data, armoured or not, read without a key: refused, or a header the
// format allows, of input that starts as sealed data does.
void Header(const TBytes& input) {
  const auto header = eccrypt::ReadSealedHeader(input);
  if (!header) return;
  FUZZ_CHECK(eccrypt::LooksSealed(input));
  FUZZ_CHECK(header.Value().version == 1 || header.Value().version == 2);
  FUZZ_CHECK(header.Value().recipients >= 1 && header.Value().recipients <= eccrypt::MaxRecipients);
  FUZZ_CHECK(header.Value().armored == (input.front() == '-'));
}

void Signature(const TBytes& input) {
  const std::string text(input.begin(), input.end());
  const auto read = eccrypt::formats::ReadSignatureFile(text);
  if (!read) return;
  const eccrypt::formats::SignatureFileFields& file = read.Value();
  const std::string written = eccrypt::formats::SignatureFileText(file);
  const auto again = eccrypt::formats::ReadSignatureFile(written);
  FUZZ_CHECK(again && again.Value().signature == file.signature);
  // The reader takes a missing last line end and CR LF line ends; nothing else differs.
  std::string plain;
  for (const char c : text) {
    if (c != '\r') plain.push_back(c);
  }
  if (!plain.empty() && plain.back() != '\n') plain.push_back('\n');
  FUZZ_CHECK(plain == written);
  // Comments are one line: shown escaped they stay one line, and a version 2 file holds
  // nothing that needs escaping.
  for (const std::string* comment : {&file.trustedComment, &file.untrustedComment}) {
    const std::string shown = DisplayText(*comment);
    FUZZ_CHECK(shown.find_first_of("\n\r\x1b") == std::string::npos);
    if (file.version == 2) FUZZ_CHECK(IsPlainText(*comment));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const TBytes input(data + 1, data + size);
  switch (data[0] % 3) {
    case 0:
    case 1:
      Header(input);
      break;
    default:
      Signature(input);
      break;
  }
  return 0;
}
