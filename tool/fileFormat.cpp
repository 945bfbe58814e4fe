#include "tool/fileFormat.h"

#include <algorithm>
#include <string_view>

#include "tool/textForm.h"

namespace eccrypt::tool {

namespace {

// Reads exactly `buffer.size()` bytes, or reports the file as truncated.
void ReadExactly(TByteSource& source, std::span<std::uint8_t> buffer, const char* what) {
  if (source.Read(buffer) != buffer.size()) {
    throw TFormatError(TFormatFault::Truncated,
                       std::string("the file ends inside its header (") + what + ")");
  }
}

}  // namespace

bool IsTextOfMode(std::string_view text, TMode mode) {
  const std::string_view alphabet = mode == TMode::Hex ? kHexDigits : kRadix64Alphabet;
  return std::all_of(text.begin(), text.end(),
                     [&](char c) { return alphabet.find(c) != std::string_view::npos; });
}

std::vector<std::uint8_t> EncodeHeader(const TFileHeader& header) {
  const std::string& value = header.exchangedValue;
  if (value.empty() || value.size() > kMaxExchangedValueLength ||
      !IsTextOfMode(value, header.mode)) {
    throw std::invalid_argument("exchanged value text does not fit the file header");
  }
  std::vector<std::uint8_t> bytes(kMagic.begin(), kMagic.end());
  bytes.push_back(kFormatVersion);
  bytes.push_back(static_cast<std::uint8_t>(header.mode));
  bytes.push_back(static_cast<std::uint8_t>(value.size() >> 8));
  bytes.push_back(static_cast<std::uint8_t>(value.size() & 0xFF));
  bytes.insert(bytes.end(), value.begin(), value.end());
  bytes.insert(bytes.end(), header.keyCheck.begin(), header.keyCheck.end());
  bytes.insert(bytes.end(), header.streamHeader.begin(), header.streamHeader.end());
  return bytes;
}

TFileHeader ReadHeader(TByteSource& source) {
  std::array<std::uint8_t, kMagic.size()> magic{};
  const std::size_t got = source.Read(magic);
  if (got == 0) throw TFormatError(TFormatFault::NotEncrypted, "the input is empty");
  if (got < magic.size() || magic != kMagic) {
    throw TFormatError(TFormatFault::NotEncrypted, "the input is not an eccrypt encrypted file");
  }

  std::uint8_t version = 0;
  ReadExactly(source, std::span<std::uint8_t>(&version, 1), "version");
  if (version != kFormatVersion) {
    if (version > kFormatVersion) {
      throw TFormatError(TFormatFault::UnsupportedVersion,
                         "the file has format version " + std::to_string(version) +
                             ", which this eccrypt does not know (it reads version " +
                             std::to_string(kFormatVersion) + ")");
    }
    throw TFormatError(TFormatFault::Damaged, "the file header has an invalid format version");
  }
  return ReadHeaderAfterVersion(source);
}

TFileHeader ReadHeaderAfterVersion(TByteSource& source) {
  std::array<std::uint8_t, 3> fixed{};  // mode, two length bytes
  ReadExactly(source, fixed, "text form");

  TFileHeader header;
  if (fixed[0] > 1) {
    throw TFormatError(TFormatFault::Damaged, "the file header names an unknown text form");
  }
  header.mode = fixed[0] == 1 ? TMode::Hex : TMode::Base64;

  const std::size_t length = (std::size_t{fixed[1]} << 8) | fixed[2];
  if (length == 0 || length > kMaxExchangedValueLength) {
    throw TFormatError(TFormatFault::Damaged,
                       "the file header gives an impossible exchanged-value length (" +
                           std::to_string(length) + ")");
  }
  std::vector<std::uint8_t> value(length);
  ReadExactly(source, value, "exchanged value");
  header.exchangedValue.assign(value.begin(), value.end());
  if (!IsTextOfMode(header.exchangedValue, header.mode)) {
    throw TFormatError(TFormatFault::Damaged,
                       "the exchanged value in the file header contains invalid characters");
  }

  ReadExactly(source, header.keyCheck, "key check");
  ReadExactly(source, header.streamHeader, "stream header");
  return header;
}

}  // namespace eccrypt::tool
