// The rule for new pass phrases: something visible, no line break, no NUL byte.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tool/passPhrase.h"

namespace eccrypt::tool {
namespace {

TEST(NewPassPhrase, EveryCharacterIsJudgedByItsClass) {
  using enum TPassPhraseFault;
  const struct {
    std::string phrase;
    std::optional<TPassPhraseFault> fault;
  } cases[] = {
      {"", Empty},
      {"x", std::nullopt},
      {" \t ", Blank},
      {"\xC2\xA0", Blank},                  // no-break space
      {"\xC2\xAD\xEF\xBB\xBF", Blank},      // soft hyphen, byte order mark (format)
      {"\xE3\x80\x80\xE1\x9A\x80", Blank},  // ideographic and ogham spaces
      {"\xE2\x80\x8B\xE2\x81\xA0", Blank},  // zero-width space, word joiner
      {"\xF3\xA0\x80\xA0", Blank},          // a tag character, U+E0020
      {"\xF0\x93\x90\xBF", Blank},          // U+1343F, a format character since Unicode 15
      {"\xC2\x9B", Blank},                  // a C1 control
      {"\x7F", Blank},                      // DEL
      {"\xC3\xA9", std::nullopt},           // é
      {"\xCC\x81", std::nullopt},           // a combining mark: not white space, control or format
      {"\xE2\x80\xAF\xE2\x80\xA7",
       std::nullopt},                  // narrow no-break space, then a hyphenation point
      {"\xFF", std::nullopt},          // not UTF-8: counts as visible
      {"\xC0\xA0", std::nullopt},      // an overlong space: not UTF-8
      {"\xED\xA0\x80", std::nullopt},  // a surrogate: not UTF-8
      {"\xE2\x80", std::nullopt},      // cut short
      {"a\nb", LineBreak},
      {"a\rb", LineBreak},
      {"a\vb", LineBreak},
      {"a\fb", LineBreak},
      {"a\xC2\x85", LineBreak},
      {"a\xE2\x80\xA8", LineBreak},
      {"a\xE2\x80\xA9", LineBreak},
      {"\xE2\xC2\x85", LineBreak},  // after a broken lead byte, a whole U+0085
      {"phrase\n", LineBreak},
      {std::string("a\0b", 3), Nul},
      {"\xC0\x80", std::nullopt},  // an overlong NUL: not UTF-8, not a NUL byte
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NewPassPhraseFault(c.phrase), c.fault) << testing::PrintToString(c.phrase);
  }
}

}  // namespace
}  // namespace eccrypt::tool
