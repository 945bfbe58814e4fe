#include "tool/formatV2.h"

#include <stdexcept>

namespace eccrypt::tool {

namespace {

void PutLength(std::vector<std::uint8_t>& bytes, std::size_t value) {
  bytes.push_back(static_cast<std::uint8_t>(value >> 8));
  bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

}  // namespace

std::uint8_t ReadFormatVersion(TByteSource& source) {
  return ReadMagicAndVersion(source, kFormatVersion2, "versions 1 and 2");
}

std::vector<std::uint8_t> EncodeHeaderV2Body(const TFileHeaderV2& header) {
  if (header.stanzas.empty() || header.stanzas.size() > kMaxRecipients) {
    throw std::invalid_argument("number of recipients out of bounds");
  }
  std::vector<std::uint8_t> bytes(kMagic.begin(), kMagic.end());
  bytes.push_back(kFormatVersion2);
  PutLength(bytes, header.stanzas.size());
  for (const TRecipientStanza& stanza : header.stanzas) {
    AppendExchangedValue(bytes, stanza.mode, stanza.exchangedValue);
    bytes.insert(bytes.end(), stanza.sealedFileKey.begin(), stanza.sealedFileKey.end());
  }
  return bytes;
}

TFileHeaderV2 ReadHeaderV2(TByteSource& source) {
  std::array<std::uint8_t, 2> count{};
  ReadHeaderField(source, count, "number of recipients");
  const std::size_t recipients = (std::size_t{count[0]} << 8) | count[1];
  if (recipients == 0 || recipients > kMaxRecipients) {
    throw TFormatError(TFormatFault::Damaged,
                       "the file header gives an impossible number of recipients (" +
                           std::to_string(recipients) + ")");
  }
  TFileHeaderV2 header;
  header.stanzas.resize(recipients);
  for (TRecipientStanza& stanza : header.stanzas) {
    ReadExchangedValue(source, "recipient", "an exchanged value", stanza.mode,
                       stanza.exchangedValue);
    ReadHeaderField(source, stanza.sealedFileKey, "sealed file key");
  }
  ReadHeaderField(source, header.mac, "header MAC");
  return header;
}

}  // namespace eccrypt::tool
