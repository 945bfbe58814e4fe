#include "tool/formatV2.h"

#include <stdexcept>

namespace eccrypt::tool {

namespace {

void ReadExactly(TByteSource& source, std::span<std::uint8_t> buffer, const char* what) {
  if (source.Read(buffer) != buffer.size()) {
    throw TFormatError(TFormatFault::Truncated,
                       std::string("the file ends inside its header (") + what + ")");
  }
}

void PutLength(std::vector<std::uint8_t>& bytes, std::size_t value) {
  bytes.push_back(static_cast<std::uint8_t>(value >> 8));
  bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

}  // namespace

std::uint8_t ReadFormatVersion(TByteSource& source) {
  std::array<std::uint8_t, kMagic.size()> magic{};
  const std::size_t got = source.Read(magic);
  if (got == 0) throw TFormatError(TFormatFault::NotEncrypted, "the input is empty");
  if (got < magic.size() || magic != kMagic) {
    throw TFormatError(TFormatFault::NotEncrypted, "the input is not an eccrypt encrypted file");
  }
  std::uint8_t version = 0;
  ReadExactly(source, std::span<std::uint8_t>(&version, 1), "version");
  if (version > kFormatVersion2) {
    throw TFormatError(TFormatFault::UnsupportedVersion,
                       "the file has format version " + std::to_string(version) +
                           ", which this eccrypt does not know (it reads versions 1 and 2)");
  }
  if (version == 0) {
    throw TFormatError(TFormatFault::Damaged, "the file header has an invalid format version");
  }
  return version;
}

std::vector<std::uint8_t> EncodeHeaderV2Body(const TFileHeaderV2& header) {
  if (header.stanzas.empty() || header.stanzas.size() > kMaxRecipients) {
    throw std::invalid_argument("number of recipients out of bounds");
  }
  std::vector<std::uint8_t> bytes(kMagic.begin(), kMagic.end());
  bytes.push_back(kFormatVersion2);
  PutLength(bytes, header.stanzas.size());
  for (const TRecipientStanza& stanza : header.stanzas) {
    const std::string& value = stanza.exchangedValue;
    if (value.empty() || value.size() > kMaxExchangedValueLength ||
        !IsTextOfMode(value, stanza.mode)) {
      throw std::invalid_argument("exchanged value text does not fit the file header");
    }
    bytes.push_back(static_cast<std::uint8_t>(stanza.mode));
    PutLength(bytes, value.size());
    bytes.insert(bytes.end(), value.begin(), value.end());
    bytes.insert(bytes.end(), stanza.sealedFileKey.begin(), stanza.sealedFileKey.end());
  }
  return bytes;
}

TFileHeaderV2 ReadHeaderV2(TByteSource& source) {
  std::array<std::uint8_t, 2> count{};
  ReadExactly(source, count, "number of recipients");
  const std::size_t recipients = (std::size_t{count[0]} << 8) | count[1];
  if (recipients == 0 || recipients > kMaxRecipients) {
    throw TFormatError(TFormatFault::Damaged,
                       "the file header gives an impossible number of recipients (" +
                           std::to_string(recipients) + ")");
  }
  TFileHeaderV2 header;
  header.stanzas.resize(recipients);
  for (TRecipientStanza& stanza : header.stanzas) {
    std::array<std::uint8_t, 3> fixed{};  // text form, two length bytes
    ReadExactly(source, fixed, "recipient");
    if (fixed[0] > 1) {
      throw TFormatError(TFormatFault::Damaged, "the file header names an unknown text form");
    }
    stanza.mode = fixed[0] == 1 ? TMode::Hex : TMode::Base64;
    const std::size_t length = (std::size_t{fixed[1]} << 8) | fixed[2];
    if (length == 0 || length > kMaxExchangedValueLength) {
      throw TFormatError(TFormatFault::Damaged,
                         "the file header gives an impossible exchanged-value length (" +
                             std::to_string(length) + ")");
    }
    std::vector<std::uint8_t> value(length);
    ReadExactly(source, value, "exchanged value");
    stanza.exchangedValue.assign(value.begin(), value.end());
    if (!IsTextOfMode(stanza.exchangedValue, stanza.mode)) {
      throw TFormatError(TFormatFault::Damaged,
                         "an exchanged value in the file header contains invalid characters");
    }
    ReadExactly(source, stanza.sealedFileKey, "sealed file key");
  }
  ReadExactly(source, header.mac, "header MAC");
  return header;
}

}  // namespace eccrypt::tool
