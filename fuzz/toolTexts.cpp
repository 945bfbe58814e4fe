// The eccrypt tool's readers of armour, version 2 file headers and signature files, driven
// from memory.
//
// The first input byte picks the reader; the rest is its input:
//   0: armour: the dearmouring source must refuse or give bytes, never crash; what it gives
//      for armoured text, armoured again, must read back the same;
//   1: an encrypted file's header: a version 2 header the reader accepts must be exactly the
//      bytes the writer makes for it;
//   2: a signature file (version 1 or 2), read by the library: one the reader accepts must be the
//   text the writer
//      makes for it; its comments, shown escaped, hold no line break and no ESC, and a version
//      2 file's need no escaping at all.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ECCrypt/formats/signatureFile.h"
#include "fuzzCheck.h"
#include "tool/armour.h"
#include "tool/displayText.h"
#include "tool/fileFormat.h"
#include "tool/formatV2.h"
#include "tool/toolError.h"

namespace {

using namespace eccrypt::tool;
using TBytes = std::vector<std::uint8_t>;

TBytes ReadAll(TByteSource& source) {
  TBytes out, buffer(4096);
  while (const std::size_t got = source.Read(buffer)) {
    out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
  }
  return out;
}

void Armour(const TBytes& input) {
  TBytes decoded;
  bool armoured = false;
  try {
    TMemorySource source(input);
    TDearmouringSource reader(source);
    decoded = ReadAll(reader);
    armoured = reader.Armoured();
  } catch (const TFormatError&) {
    return;
  }
  if (!armoured) {
    FUZZ_CHECK(decoded == input);
    return;
  }
  TMemorySink sink;
  TArmouringSink writer(sink);
  writer.Write(decoded);
  writer.Finish();
  TMemorySource again(sink.Bytes());
  TDearmouringSource reader(again);
  FUZZ_CHECK(ReadAll(reader) == decoded);
}

void Header(const TBytes& input) {
  try {
    TMemorySource source(input);
    if (ReadFormatVersion(source) != kFormatVersion2) return;
    const TFileHeaderV2 header = ReadHeaderV2(source);
    TBytes encoded = EncodeHeaderV2Body(header);
    encoded.insert(encoded.end(), header.mac.begin(), header.mac.end());
    FUZZ_CHECK(encoded.size() <= input.size());
    FUZZ_CHECK(std::equal(encoded.begin(), encoded.end(), input.begin()));
  } catch (const TFormatError&) {
  }
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
      Armour(input);
      break;
    case 1:
      Header(input);
      break;
    default:
      Signature(input);
      break;
  }
  return 0;
}
