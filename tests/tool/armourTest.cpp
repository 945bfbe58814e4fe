// Armour: what the sink writes the source reads back, whatever the size and however it is read;
// binary input passes through; text that breaks the rules is refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tool/armour.h"
#include "tool/fileFormat.h"

namespace eccrypt::tool {
namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes Armour(const TBytes& bytes) {
  TMemorySink sink;
  TArmouringSink armour(sink);
  armour.Write(bytes);
  armour.Finish();
  return sink.Bytes();
}

// Reads everything through a dearmouring source, `step` bytes at a time.
TBytes ReadAll(const TBytes& input, std::size_t step) {
  TMemorySource source(input);
  TDearmouringSource reader(source);
  TBytes out, buffer(step);
  while (const std::size_t got = reader.Read(buffer))
    out.insert(out.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
  return out;
}

TBytes FromText(const std::string& text) {
  return {text.begin(), text.end()};
}

TEST(Armour, RoundTripsEverySizeAndReadStep) {
  for (const std::size_t size :
       {0UL, 1UL, 2UL, 47UL, 48UL, 49UL, 96UL, 48UL * 1024 + 5, 200000UL}) {
    TBytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
    const TBytes text = Armour(bytes);
    for (const std::size_t step : {1UL, 7UL, 65536UL}) {
      if (size > 5000 && step == 1) continue;
      EXPECT_EQ(ReadAll(text, step), bytes) << size << " " << step;
    }
    // Binary input is passed through as it is.
    EXPECT_EQ(ReadAll(bytes, 4096), bytes) << size;
  }
}

TEST(Armour, RefusesTextThatBreaksTheRules) {
  const std::string begin = std::string(kArmourBegin) + "\n";
  const std::string end = std::string(kArmourEnd) + "\n";
  const std::string full(64, 'A');
  const std::string broken[] = {
      begin + "QUJD\n",                                       // no END line
      begin + "QUJD\n" + end + "x",                           // text after END
      begin + full.substr(0, 60) + "\n" + full + "\n" + end,  // short line before a full one
      begin + "QUJD=AAA\n" + end,                             // padding inside
      begin + "QUJ\n" + end,                                  // not a multiple of 4
      begin + "QU!D\n" + end,                                 // not Base64
      begin + "\n" + end,                                     // empty line
      begin + full + "AAAA\n" + end,                          // line too long
      std::string(kArmourBegin) + " \n" + end,                // junk on the BEGIN line
  };
  for (const std::string& text : broken) {
    EXPECT_THROW(ReadAll(FromText(text), 100), TFormatError) << text;
  }
  EXPECT_EQ(ReadAll(FromText(begin + "QUJD\r\n" + end), 100), FromText("ABC"));
}

}  // namespace
}  // namespace eccrypt::tool
