#include "tool/fileFormat.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>

#include "tool/textForm.h"

namespace eccrypt::tool {

bool IsTextOfMode(std::string_view text, TMode mode) {
  const std::string_view alphabet = mode == TMode::Hex ? kHexDigits : kRadix64Alphabet;
  return std::all_of(text.begin(), text.end(),
                     [&](char c) { return alphabet.find(c) != std::string_view::npos; });
}

void ReadHeaderField(TByteSource& source, std::span<std::uint8_t> buffer, const char* what) {
  if (source.Read(buffer) != buffer.size()) {
    throw TFormatError(TFormatFault::Truncated,
                       std::string("the file ends inside its header (") + what + ")");
  }
}

std::uint8_t ReadMagicAndVersion(TByteSource& source, std::uint8_t newest, std::string_view known) {
  std::array<std::uint8_t, kMagic.size()> magic{};
  const std::size_t got = source.Read(magic);
  if (got == 0) throw TFormatError(TFormatFault::NotEncrypted, "the input is empty");
  if (got < magic.size() || magic != kMagic) {
    throw TFormatError(TFormatFault::NotEncrypted, "the input is not an eccrypt encrypted file");
  }
  std::uint8_t version = 0;
  ReadHeaderField(source, std::span<std::uint8_t>(&version, 1), "version");
  if (version > newest) {
    throw TFormatError(TFormatFault::UnsupportedVersion,
                       "the file has format version " + std::to_string(version) +
                           ", which this eccrypt does not know (it reads " + std::string(known) +
                           ")");
  }
  if (version == 0) {
    throw TFormatError(TFormatFault::Damaged, "the file header has an invalid format version");
  }
  return version;
}

void AppendExchangedValue(std::vector<std::uint8_t>& bytes, TMode mode, const std::string& text) {
  if (text.empty() || text.size() > kMaxExchangedValueLength || !IsTextOfMode(text, mode)) {
    throw std::invalid_argument("exchanged value text does not fit the file header");
  }
  bytes.push_back(static_cast<std::uint8_t>(mode));
  bytes.push_back(static_cast<std::uint8_t>(text.size() >> 8));
  bytes.push_back(static_cast<std::uint8_t>(text.size() & 0xFF));
  bytes.insert(bytes.end(), text.begin(), text.end());
}

void ReadExchangedValue(TByteSource& source, const char* what, std::string_view valueName,
                        TMode& mode, std::string& text) {
  std::array<std::uint8_t, 3> fixed{};  // text form, two length bytes
  ReadHeaderField(source, fixed, what);
  if (fixed[0] > 1) {
    throw TFormatError(TFormatFault::Damaged, "the file header names an unknown text form");
  }
  mode = fixed[0] == 1 ? TMode::Hex : TMode::Base64;

  const std::size_t length = (std::size_t{fixed[1]} << 8) | fixed[2];
  if (length == 0 || length > kMaxExchangedValueLength) {
    throw TFormatError(TFormatFault::Damaged,
                       "the file header gives an impossible exchanged-value length (" +
                           std::to_string(length) + ")");
  }
  std::vector<std::uint8_t> bytes(length);
  ReadHeaderField(source, bytes, "exchanged value");
  text.assign(bytes.begin(), bytes.end());
  if (!IsTextOfMode(text, mode)) {
    throw TFormatError(TFormatFault::Damaged,
                       std::string(valueName) + " in the file header contains invalid characters");
  }
}

std::vector<std::uint8_t> EncodeHeader(const TFileHeader& header) {
  std::vector<std::uint8_t> bytes(kMagic.begin(), kMagic.end());
  bytes.push_back(kFormatVersion);
  AppendExchangedValue(bytes, header.mode, header.exchangedValue);
  bytes.insert(bytes.end(), header.keyCheck.begin(), header.keyCheck.end());
  bytes.insert(bytes.end(), header.streamHeader.begin(), header.streamHeader.end());
  return bytes;
}

TFileHeader ReadHeader(TByteSource& source) {
  ReadMagicAndVersion(source, kFormatVersion, "version 1");
  return ReadHeaderAfterVersion(source);
}

TFileHeader ReadHeaderAfterVersion(TByteSource& source) {
  TFileHeader header;
  ReadExchangedValue(source, "text form", "the exchanged value", header.mode,
                     header.exchangedValue);
  ReadHeaderField(source, header.keyCheck, "key check");
  ReadHeaderField(source, header.streamHeader, "stream header");
  return header;
}

}  // namespace eccrypt::tool
