// Conversion between the hexadecimal and radix-64 text forms: the published worked examples,
// and round trips that keep the number of digits.
#include <gtest/gtest.h>

#include <string>

#include "tool/textForm.h"

namespace eccrypt::tool {
namespace {

TEST(TextForm, WorkedExamplesBothWays) {
  struct {
    const char* hex;
    const char* radix64;
  } const cases[] = {
      {"1234ABCD", "2XGfnE"}, {"ABCD", "ewo+"}, {"00010000", "++2+++"}, {"0001", "++2+"}, {"", ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(ConvertTextForm(c.hex, TMode::Hex, TMode::Base64), c.radix64) << c.hex;
    EXPECT_EQ(ConvertTextForm(c.radix64, TMode::Base64, TMode::Hex), c.hex) << c.radix64;
  }
}

TEST(TextForm, RoundTripKeepsEveryDigitCount) {
  // 1 to 19 digits of 16 bits: every tail case of the radix-64 groups.
  std::string hex;
  for (int digits = 1; digits <= 19; ++digits) {
    hex += digits % 2 ? "F00D" : "00A5";
    const std::string radix64 = ConvertTextForm(hex, TMode::Hex, TMode::Base64);
    EXPECT_EQ(ConvertTextForm(radix64, TMode::Base64, TMode::Hex), hex) << digits;
  }
}

TEST(TextForm, ForeignRadix64TextsDecodeByTheFormatRules) {
  // "zzzz" is FFFFFF, of which one whole digit is kept; "zzz" flushes pending bits (FFFFC2).
  EXPECT_EQ(ConvertTextForm("zzzz", TMode::Base64, TMode::Hex), "FFFF");
  EXPECT_EQ(ConvertTextForm("zzz", TMode::Base64, TMode::Hex), "FFFF");
  EXPECT_EQ(ConvertTextForm("z", TMode::Base64, TMode::Hex), "");
  // A hexadecimal text loses 1 to 3 characters after its last whole group.
  EXPECT_EQ(ConvertTextForm("ABCD00", TMode::Hex, TMode::Base64), "ewo+");
}

}  // namespace
}  // namespace eccrypt::tool
