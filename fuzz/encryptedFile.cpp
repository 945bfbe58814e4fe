// The encrypted-file reader of the eccrypt tool, driven from memory.
//
// The first input byte picks a mode:
//   0: the rest is read as an encrypted file: the reader must refuse or decrypt, never crash,
//      and never give more plaintext than the file holds; a header it accepts must be the
//      bytes the writer makes for it;
//   1, 2, 3: the rest is [size byte][position, 4 bytes][flip mask][plaintext]. The plaintext is
//      repeated to about size × 700 bytes (so several chunks occur), encrypted, and then one
//      byte is altered (1), the file is cut (2), or it is left intact (3). An altered or cut
//      file must be refused; an intact one must decrypt to the plaintext exactly.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzzCheck.h"
#include "tool/fileFormat.h"
#include "tool/fileKeys.h"
#include "tool/streamCipher.h"

namespace {

using namespace eccrypt;
using namespace eccrypt::tool;

constexpr const char* kSession = "FUZZ+SESSION+KEY+TEXT";
constexpr const char* kExchanged = "ABCD0123ABCD0123";

// Decrypts with the keys the fixed session text gives for the header's exchanged value.
bool Decrypt(const std::vector<std::uint8_t>& file, std::vector<std::uint8_t>& plain) {
  try {
    TMemorySource input(file);
    const TFileHeader header = ReadHeader(input);
    TFileKeys keys;
    DeriveFileKeys(kSession, header.exchangedValue, header.mode, keys);
    TMemorySink output;
    DecryptStream(header, keys, input, output);
    plain = output.Bytes();
    return true;
  } catch (const TFormatError&) {
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0] % 4;
  if (mode == 0) {
    const std::vector<std::uint8_t> file(data + 1, data + size);
    // A header that parses is byte for byte the one the writer makes for it.
    try {
      TMemorySource input(file);
      const std::vector<std::uint8_t> encoded = EncodeHeader(ReadHeader(input));
      FUZZ_CHECK(encoded.size() <= file.size());
      FUZZ_CHECK(std::equal(encoded.begin(), encoded.end(), file.begin()));
    } catch (const TFormatError&) {
    }
    std::vector<std::uint8_t> plain;
    if (Decrypt(file, plain)) FUZZ_CHECK(plain.size() < file.size());
    return 0;
  }
  if (size < 7) return 0;
  const std::size_t target = std::size_t{data[1]} * 700;
  const std::uint32_t position =
      static_cast<std::uint32_t>(data[2]) | static_cast<std::uint32_t>(data[3]) << 8 |
      static_cast<std::uint32_t>(data[4]) << 16 | static_cast<std::uint32_t>(data[5]) << 24;
  const std::uint8_t mask = static_cast<std::uint8_t>(data[6] | 1);
  std::vector<std::uint8_t> plain(data + 7, data + size);
  if (!plain.empty()) {
    while (plain.size() < target) plain.insert(plain.end(), data + 7, data + size);
  }

  const TMode textForm = (data[1] & 1) ? TMode::Hex : TMode::Base64;
  TFileKeys keys;
  DeriveFileKeys(kSession, kExchanged, textForm, keys);
  TMemorySource input(plain);
  TMemorySink sink;
  EncryptStream(textForm, kExchanged, keys, input, sink);
  std::vector<std::uint8_t> file = sink.Bytes();

  std::vector<std::uint8_t> decrypted;
  if (mode == 1) {
    file[position % file.size()] ^= mask;
    FUZZ_CHECK(!Decrypt(file, decrypted));
  } else if (mode == 2) {
    file.resize(position % file.size());
    FUZZ_CHECK(!Decrypt(file, decrypted));
  } else {
    FUZZ_CHECK(Decrypt(file, decrypted));
    FUZZ_CHECK(decrypted == plain);
  }
  return 0;
}
