#pragma once
// Armour: an encrypted file as strict PEM-style text, for mail and chat.
//
//   -----BEGIN ECCRYPT ENCRYPTED FILE-----
//   the file's bytes in Base64 (RFC 4648, with '=' padding), 64 characters a line
//   -----END ECCRYPT ENCRYPTED FILE-----
//
// Every line but the last of the Base64 text has exactly 64 characters; lines end with a line
// feed (a carriage return before it is accepted); nothing else may come before the first line
// or after the last.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "tool/byteStream.h"

namespace eccrypt::tool {

inline constexpr std::string_view kArmourBegin = "-----BEGIN ECCRYPT ENCRYPTED FILE-----";
inline constexpr std::string_view kArmourEnd = "-----END ECCRYPT ENCRYPTED FILE-----";

// Writes armoured text to another sink. Finish must be called after the last Write.
class TArmouringSink : public TByteSink {
 public:
  explicit TArmouringSink(TByteSink& inner);
  void Write(std::span<const std::uint8_t> bytes) override;
  void Finish();

 private:
  void Flush(bool last);
  TByteSink& inner_;
  std::vector<std::uint8_t> pending_;  // bytes not yet encoded (fewer than a line's worth)
  std::vector<std::uint8_t> text_;
};

// Reads an encrypted file whether it comes armoured or as bytes: the bytes of the file either
// way. Throws TFormatError (Damaged, Truncated) for armour that breaks the rules above.
class TDearmouringSource : public TByteSource {
 public:
  explicit TDearmouringSource(TByteSource& inner);
  std::size_t Read(std::span<std::uint8_t> buffer) override;
  std::optional<std::uint64_t> Size() const override;
  bool Armoured() const { return armoured_; }

 private:
  std::size_t ReadRaw(std::span<std::uint8_t> buffer);
  bool NextLine(std::string_view& line);
  void DecodeMore();

  TByteSource& inner_;
  bool armoured_ = false;
  bool ended_ = false;     // the END line has been read
  bool lastData_ = false;  // a data line shorter than a full one has been read
  std::vector<std::uint8_t> raw_;
  std::size_t rawStart_ = 0;
  bool innerDone_ = false;
  std::vector<std::uint8_t> decoded_;
  std::size_t decodedStart_ = 0;
  std::size_t lineNumber_ = 1;
};

}  // namespace eccrypt::tool
