#pragma once
// The fuzz targets' reader of their input (control bytes, and integer records built from them)
// and the normal form of such a record.
#include <cstddef>
#include <cstdint>

#include "ECCrypt/bigint/vlPoint.h"

namespace eccrypt::fuzz {

// Reads the input front to back. Past its end every byte reads as zero, so that a target takes
// what it needs without checking the length and every input, however short, is a whole case.
class TFuzzInput {
 public:
  TFuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }

  // A record of 0 to maxDigits digits: the length from one byte, then two bytes per digit, high
  // first. Zero top digits are allowed, as a text led by zero groups gives them.
  TvlPoint Record(std::int32_t maxDigits) {
    TvlPoint v;
    v.Words[0] = Byte() % (maxDigits + 1);
    for (std::int32_t i = 1; i <= v.Words[0]; ++i) {
      const std::int32_t high = Byte();
      v.Words[static_cast<std::size_t>(i)] = high * 256 + Byte();
    }
    return v;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// A copy of v in normal form: its zero top digits dropped from the length.
inline TvlPoint Normalised(const TvlPoint& v) {
  TvlPoint t;
  t.CopyFrom(v);
  while (t.Words[0] > 0 && t.Words[static_cast<std::size_t>(t.Words[0])] == 0) --t.Words[0];
  return t;
}

}  // namespace eccrypt::fuzz
