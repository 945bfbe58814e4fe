#include "tool/armour.h"

#include <sodium.h>

#include <algorithm>
#include <string>

#include "tool/fileFormat.h"

namespace eccrypt::tool {

namespace {

constexpr std::size_t kLineBytes = 48;  // 64 Base64 characters
constexpr std::size_t kLineCharacters = 64;
constexpr std::size_t kLinesPerBlock = 1024;
constexpr std::size_t kRawBlock = std::size_t{64} * 1024;
constexpr int kVariant = sodium_base64_VARIANT_ORIGINAL;

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

[[noreturn]] void Malformed(std::size_t line, const std::string& what) {
  throw TFormatError(TFormatFault::Damaged,
                     "the armour is malformed at line " + std::to_string(line) + ": " + what);
}

}  // namespace

TArmouringSink::TArmouringSink(TByteSink& inner) : inner_(inner) {
  const std::string begin = std::string(kArmourBegin) + "\n";
  inner_.Write(Bytes(begin));
}

void TArmouringSink::Write(std::span<const std::uint8_t> bytes) {
  pending_.insert(pending_.end(), bytes.begin(), bytes.end());
  if (pending_.size() >= kLineBytes * kLinesPerBlock) Flush(false);
}

void TArmouringSink::Flush(bool last) {
  const std::size_t lines =
      last ? (pending_.size() + kLineBytes - 1) / kLineBytes : pending_.size() / kLineBytes;
  text_.clear();
  text_.reserve(lines * (kLineCharacters + 1) + 1);
  std::size_t used = 0;
  for (std::size_t i = 0; i < lines; ++i) {
    const std::size_t take = std::min(kLineBytes, pending_.size() - used);
    char line[kLineCharacters + 1];
    sodium_bin2base64(line, sizeof line, pending_.data() + used, take, kVariant);
    const std::size_t length = sodium_base64_encoded_len(take, kVariant) - 1;
    text_.insert(text_.end(), line, line + length);
    text_.push_back('\n');
    used += take;
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(used));
  inner_.Write(text_);
}

void TArmouringSink::Finish() {
  Flush(true);
  const std::string end = std::string(kArmourEnd) + "\n";
  inner_.Write(Bytes(end));
}

TDearmouringSource::TDearmouringSource(TByteSource& inner) : inner_(inner) {
  raw_.resize(kArmourBegin.size());
  raw_.resize(inner_.Read(raw_));
  armoured_ =
      std::string_view(reinterpret_cast<const char*>(raw_.data()), raw_.size()) == kArmourBegin;
  if (!armoured_) return;
  raw_.clear();
  // The BEGIN line itself: its end must follow at once.
  std::uint8_t end[2] = {};
  if (inner_.Read(std::span<std::uint8_t>(end, 1)) != 1 ||
      (end[0] == '\r' &&
       (inner_.Read(std::span<std::uint8_t>(end + 1, 1)) != 1 || end[1] != '\n')) ||
      (end[0] != '\r' && end[0] != '\n')) {
    Malformed(1, "the BEGIN line must end there");
  }
}

std::optional<std::uint64_t> TDearmouringSource::Size() const {
  return armoured_ ? std::nullopt : inner_.Size();
}

std::size_t TDearmouringSource::ReadRaw(std::span<std::uint8_t> buffer) {
  // The bytes read to tell armour from a binary file, then the rest.
  std::size_t filled = 0;
  if (rawStart_ < raw_.size()) {
    filled = std::min(buffer.size(), raw_.size() - rawStart_);
    std::copy_n(raw_.begin() + static_cast<std::ptrdiff_t>(rawStart_), filled, buffer.begin());
    rawStart_ += filled;
  }
  if (filled < buffer.size()) filled += inner_.Read(buffer.subspan(filled));
  return filled;
}

bool TDearmouringSource::NextLine(std::string_view& line) {
  for (;;) {
    const auto begin = raw_.begin() + static_cast<std::ptrdiff_t>(rawStart_);
    const auto newline = std::find(begin, raw_.end(), '\n');
    if (newline != raw_.end()) {
      line = std::string_view(reinterpret_cast<const char*>(&*begin),
                              static_cast<std::size_t>(newline - begin));
      rawStart_ += line.size() + 1;
      if (line.ends_with('\r')) line.remove_suffix(1);
      ++lineNumber_;
      return true;
    }
    if (raw_.size() - rawStart_ > kLineCharacters + 2) Malformed(lineNumber_ + 1, "line too long");
    if (innerDone_) {
      if (rawStart_ < raw_.size()) Malformed(lineNumber_ + 1, "the last line has no line end");
      return false;
    }
    raw_.erase(raw_.begin(), begin);
    rawStart_ = 0;
    const std::size_t kept = raw_.size();
    raw_.resize(kept + kRawBlock);
    const std::size_t got = inner_.Read(std::span<std::uint8_t>(raw_).subspan(kept));
    raw_.resize(kept + got);
    innerDone_ = got == 0;
  }
}

void TDearmouringSource::DecodeMore() {
  decoded_.clear();
  decodedStart_ = 0;
  std::string_view line;
  for (std::size_t count = 0; count < kLinesPerBlock && !ended_; ++count) {
    if (!NextLine(line)) {
      throw TFormatError(TFormatFault::Truncated, "the armour ends without its END line");
    }
    if (line == kArmourEnd) {
      ended_ = true;
      std::uint8_t extra = 0;
      if (rawStart_ < raw_.size() || ReadRaw(std::span<std::uint8_t>(&extra, 1)) != 0) {
        Malformed(lineNumber_ + 1, "text after the END line");
      }
      break;
    }
    if (lastData_) Malformed(lineNumber_, "a short line must be the last before END");
    if (line.empty() || line.size() > kLineCharacters || line.size() % 4 != 0) {
      Malformed(lineNumber_, "lines hold 64 Base64 characters (the last a multiple of 4)");
    }
    lastData_ = line.size() < kLineCharacters || line.back() == '=';
    std::uint8_t bytes[kLineBytes];
    std::size_t got = 0;
    if (sodium_base642bin(bytes, sizeof bytes, line.data(), line.size(), nullptr, &got, nullptr,
                          kVariant) != 0) {
      Malformed(lineNumber_, "not Base64");
    }
    decoded_.insert(decoded_.end(), bytes, bytes + got);
  }
}

std::size_t TDearmouringSource::Read(std::span<std::uint8_t> buffer) {
  if (!armoured_) return ReadRaw(buffer);
  std::size_t filled = 0;
  while (filled < buffer.size()) {
    if (decodedStart_ == decoded_.size()) {
      if (ended_) break;
      DecodeMore();
      continue;
    }
    const std::size_t take = std::min(buffer.size() - filled, decoded_.size() - decodedStart_);
    std::copy_n(decoded_.begin() + static_cast<std::ptrdiff_t>(decodedStart_), take,
                buffer.begin() + static_cast<std::ptrdiff_t>(filled));
    decodedStart_ += take;
    filled += take;
  }
  return filled;
}

}  // namespace eccrypt::tool
