// The library's Sealer and Opener (the encrypted-file format the eccrypt tool writes and reads),
// driven from memory.
//
// The first input byte picks a mode:
//   0: the rest is read as sealed data, armoured or not, with a fixed key: the opener must
//      refuse or open, never crash, never give more plaintext than the input holds, and give
//      the same outcome whether the input comes whole or in pieces of the size the second
//      byte picks;
//   1, 2, 3: the rest is [size byte][position, 4 bytes][flip mask][plaintext]. The plaintext is
//      repeated to about size × 700 bytes (so several chunks occur), sealed for the fixed key
//      in pieces, and then one byte is altered (1), the data is cut (2), or it is left intact
//      (3). Altered or cut data must be refused; intact data must open to the plaintext
//      exactly. With an odd size byte the data is armoured (and is then never altered: a
//      changed bit of a line's last character may fall in its padding).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "ECCrypt/api.h"
#include "fuzzCheck.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const eccrypt::KeyPair& FuzzKey() {
  static const eccrypt::KeyPair key = eccrypt::KeyPair::FromPassPhrase("fuzz sealed data").Value();
  return key;
}

// Opens `data` in pieces of `piece` bytes; the outcome and the plaintext given.
bool OpenInPieces(std::span<const std::uint8_t> data, std::size_t piece, Bytes& plain,
                  eccrypt::ErrorCode& code) {
  auto opener = eccrypt::Opener::Create(FuzzKey().Secret());
  FUZZ_CHECK(opener);
  for (std::size_t at = 0; at < data.size(); at += piece) {
    auto updated =
        opener.Value().Update(data.subspan(at, std::min(piece, data.size() - at)), plain);
    if (!updated) {
      code = updated.Error().Code();
      return false;
    }
  }
  auto finished = opener.Value().Finish(plain);
  if (!finished) code = finished.Error().Code();
  return finished.Ok();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::uint8_t mode = data[0] % 4;
  if (mode == 0) {
    const std::span<const std::uint8_t> input(data + 2, size - 2);
    auto whole = eccrypt::Open(input, FuzzKey());
    if (whole) FUZZ_CHECK(whole.Value().size() < input.size());
    Bytes plain;
    eccrypt::ErrorCode code{};
    const bool opened = OpenInPieces(input, std::size_t{data[1]} + 1, plain, code);
    FUZZ_CHECK(opened == whole.Ok());
    if (opened) FUZZ_CHECK(plain == whole.Value());
    if (!opened) FUZZ_CHECK(code == whole.Error().Code());
    FUZZ_CHECK(plain.size() <= input.size());
    return 0;
  }
  if (size < 7) return 0;
  const std::size_t target = std::size_t{data[1]} * 700;
  const std::uint32_t position =
      static_cast<std::uint32_t>(data[2]) | static_cast<std::uint32_t>(data[3]) << 8 |
      static_cast<std::uint32_t>(data[4]) << 16 | static_cast<std::uint32_t>(data[5]) << 24;
  const std::uint8_t mask = static_cast<std::uint8_t>(data[6] | 1);
  Bytes plain(data + 7, data + size);
  if (!plain.empty()) {
    while (plain.size() < target) plain.insert(plain.end(), data + 7, data + size);
  }
  const bool armour = (data[1] & 1) != 0;
  if (armour && mode == 1) return 0;

  const std::vector<eccrypt::PublicKey> recipients = {FuzzKey().PublicKey()};
  auto sealer = eccrypt::Sealer::Create(recipients, {.armor = armour});
  FUZZ_CHECK(sealer);
  Bytes sealed;
  const std::size_t piece = position % 70000 + 1;
  for (std::size_t at = 0; at < plain.size(); at += piece) {
    FUZZ_CHECK(sealer.Value().Update(
        std::span(plain).subspan(at, std::min(piece, plain.size() - at)), sealed));
  }
  FUZZ_CHECK(sealer.Value().Finish(sealed));

  Bytes opened;
  eccrypt::ErrorCode code{};
  if (mode == 1) {
    sealed[position % sealed.size()] ^= mask;
    FUZZ_CHECK(!OpenInPieces(sealed, piece, opened, code));
  } else if (mode == 2) {
    sealed.resize(position % sealed.size());
    FUZZ_CHECK(!OpenInPieces(sealed, piece, opened, code));
    FUZZ_CHECK(!eccrypt::Open(sealed, FuzzKey()));
  } else {
    FUZZ_CHECK(OpenInPieces(sealed, piece, opened, code));
    FUZZ_CHECK(opened == plain);
  }
  return 0;
}
