#include "ECPlatform/Streaming.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/testWidget.h"

namespace ecplatform {
namespace {

using eccrypt::testsupport::TShade;
using eccrypt::testsupport::TTestWidget;

TEST(Streaming, WritesStoredPropertiesInDeclaredOrder) {
  TTestWidget w;
  w.SetName("Widget1");
  w.SetCaption("It's");
  w.SetEnabled(true);
  w.SetShade(TShade::Blue);
  w.SetCount(-12);
  w.SetScratch("not stored");
  EXPECT_EQ(WriteComponent(w),
            "object Widget1: TTestWidget\n"
            "  Caption = 'It''s'\n"
            "  Enabled = True\n"
            "  Shade = Blue\n"
            "  Count = -12\n"
            "  Note = ''\n"
            "end\n");
  // Chosen properties, stored or not, still come in declared order; unknown names are refused.
  w.SetName("");
  EXPECT_EQ(WriteComponent(w, {"Scratch", "Enabled"}),
            "object TTestWidget\n"
            "  Enabled = True\n"
            "  Scratch = 'not stored'\n"
            "end\n");
  EXPECT_THROW(WriteComponent(w, {"Colour"}), std::invalid_argument);
  w.SetShade(static_cast<TShade>(7));  // an ordinal without a name cannot be written
  EXPECT_THROW(WriteComponent(w), std::out_of_range);
}

TEST(Streaming, QuotesPrintableTextAndCodesEveryOtherByte) {
  struct Case {
    std::string bytes, text;
  };
  const std::vector<Case> cases = {
      {"", "''"},
      {"abc", "'abc'"},
      {"'", "''''"},
      {"abc\ndef", "'abc'#10'def'"},
      {std::string("\0", 1), "#0"},
      {"\r\n", "#13#10"},
      {"x\x7f\x80\xff", "'x'#127#128#255"},
      {"#1 ' #", "'#1 '' #'"},
  };
  for (const Case& c : cases) EXPECT_EQ(QuoteString(c.bytes), c.text);
}

TEST(Streaming, RoundTripIsExactForAnyBytes) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> byte(0, 255), length(0, 40);
  for (int n = 0; n < 300; ++n) {
    TTestWidget w, back;
    std::string caption, note;
    for (int k = length(rng); k > 0; --k) caption += static_cast<char>(byte(rng));
    for (int k = length(rng); k > 0; --k) note += static_cast<char>("'#\n\r\t a"[byte(rng) % 7]);
    w.SetCaption(caption);
    w.SetNote(note);
    w.SetEnabled(n % 2 == 0);
    w.SetShade(static_cast<TShade>(n % 3));
    w.SetCount(static_cast<std::int16_t>(n * 211 - 32768));
    ReadComponent(WriteComponent(w), back);
    EXPECT_EQ(back.Caption(), caption);
    EXPECT_EQ(back.Note(), note);
    EXPECT_EQ(back.Enabled(), w.Enabled());
    EXPECT_EQ(back.Shade(), w.Shade());
    EXPECT_EQ(back.Count(), w.Count());
  }
}

TEST(Streaming, ReadsPartialStreamsAndToleratesLayout) {
  TTestWidget w;
  w.SetCaption("kept");
  w.SetCount(7);
  ReadComponent(
      "\r\n  object   Main :TTestWidget  \r\n\n\tNote='a'#0'b'  \r\nShade=Green\n end \n\n", w);
  EXPECT_EQ(w.Name(), "Main");
  EXPECT_EQ(w.Caption(), "kept");
  EXPECT_EQ(w.Count(), 7);
  EXPECT_EQ(w.Note(), std::string("a\0b", 3));
  EXPECT_EQ(w.Shade(), TShade::Green);
  // Any published property may be read, stored or not, and without a name the name is cleared.
  ReadComponent("object TTestWidget\n Scratch = 'x'\n Count = +32767\nend", w);
  EXPECT_EQ(w.Name(), "");
  EXPECT_EQ(w.Scratch(), "x");
  EXPECT_EQ(w.Count(), 32767);
}

TEST(Streaming, MalformedStreamsAreRejectedWithTheLineAndLeaveTheComponentAlone) {
  struct Case {
    const char* text;
    std::size_t line;
    const char* says;  // a piece of the message
  };
  const std::vector<Case> cases = {
      {"", 1, "expected 'object'"},
      {"\n\n", 3, "expected 'object'"},
      {"garbage\nobject W: TTestWidget\nend\n", 1, "expected 'object"},
      {"object W: TOther\nend\n", 1, "not a TTestWidget"},
      {"object W: \nend\n", 1, "expected a class name"},
      {"object W: TTestWidget x\nend\n", 1, "unexpected text"},
      {"object W: TTestWidget\n  Colour = 'x'\nend\n", 2, "unknown property 'Colour'"},
      {"object W: TTestWidget\n  Count = 1\n  Count = 2\nend\n", 3, "appears twice"},
      {"object W: TTestWidget\n  Caption 'x'\nend\n", 2, "expected '='"},
      {"object W: TTestWidget\n  Caption = 'x\nend\n", 2, "unterminated string"},
      {"object W: TTestWidget\n  Caption = 'x''\nend\n", 2, "unterminated string"},
      {"object W: TTestWidget\n  Caption = #\nend\n", 2, "bad character code"},
      {"object W: TTestWidget\n  Caption = #256\nend\n", 2, "bad character code"},
      {"object W: TTestWidget\n  Caption = #$0A\nend\n", 2, "bad character code"},
      {"object W: TTestWidget\n  Caption = 'a' 'b'\nend\n", 2, "unexpected text"},
      {"object W: TTestWidget\n  Caption = abc\nend\n", 2, "expected a string"},
      {"object W: TTestWidget\n  Enabled = true\nend\n", 2, "expected True or False"},
      {"object W: TTestWidget\n  Shade = Purple\nend\n", 2, "not a value of 'Shade'"},
      {"object W: TTestWidget\n  Count = 32768\nend\n", 2, "out of range"},
      {"object W: TTestWidget\n  Count = 99999999999999999999\nend\n", 2, "out of range"},
      {"object W: TTestWidget\n  Count = 1x\nend\n", 2, "unexpected text"},
      {"object W: TTestWidget\n  Count = -\nend\n", 2, "expected an integer"},
      {"object W: TTestWidget\n  Count = 1\n", 3, "missing 'end'"},
      {"object W: TTestWidget\n  Count = 1\nend now\n", 3, "unexpected text"},
      {"object W: TTestWidget\nend\nend\n", 3, "after 'end'"},
      {"object W: TTestWidget\nend\nobject V: TTestWidget\nend\n", 3, "after 'end'"},
  };
  for (const Case& c : cases) {
    TTestWidget w;
    w.SetName("Before");
    w.SetCaption("unchanged");
    w.SetCount(5);
    try {
      ReadComponent(c.text, w);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const StreamError& e) {
      EXPECT_EQ(e.Line(), c.line) << c.text;
      EXPECT_NE(std::string(e.what()).find("line " + std::to_string(c.line) + ": "),
                std::string::npos)
          << e.what();
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
    EXPECT_EQ(w.Name(), "Before");
    EXPECT_EQ(w.Caption(), "unchanged");
    EXPECT_EQ(w.Count(), 5);
  }
}

TEST(Streaming, NameHeldByASiblingIsRejected) {
  TComponent owner;
  auto* a = new TTestWidget(&owner);
  auto* b = new TTestWidget(&owner);
  a->SetName("A");
  b->SetName("B");
  EXPECT_THROW(ReadComponent("object A: TTestWidget\n Count = 3\nend\n", *b), StreamError);
  EXPECT_EQ(b->Name(), "B");
  EXPECT_EQ(b->Count(), 0);
  ReadComponent("object B: TTestWidget\n Count = 3\nend\n", *b);  // its own name is fine
  EXPECT_EQ(b->Count(), 3);
}

// A setter that refuses some values: reading must put back what it had already assigned.
class TPicky : public TTestWidget {
 public:
  static std::string_view StaticClassName() { return "TPicky"; }
  std::string_view ClassName() const override { return StaticClassName(); }
  const TPropertyList& PublishedProperties() const override {
    static const TPropertyList list{
        StringProperty<TPicky>("Caption", &TPicky::Caption, &TPicky::SetCaption),
        StringProperty<TPicky>("Note", &TPicky::Note, &TPicky::SetCheckedNote),
    };
    return list;
  }
  void SetCheckedNote(const std::string& v) {
    if (v == "bad") throw std::invalid_argument("refused");
    SetNote(v);
  }
};

TEST(Streaming, SetterFailureRestoresEarlierValues) {
  TPicky p;
  p.SetName("P");
  p.SetCaption("old");
  EXPECT_THROW(ReadComponent("object Q: TPicky\n Caption = 'new'\n Note = 'bad'\nend\n", p),
               std::invalid_argument);
  EXPECT_EQ(p.Name(), "P");
  EXPECT_EQ(p.Caption(), "old");
}

}  // namespace
}  // namespace ecplatform
