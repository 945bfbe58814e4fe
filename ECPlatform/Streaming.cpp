#include "ECPlatform/Streaming.h"

#include <charconv>
#include <cstdint>
#include <utility>

#include "ECPlatform/Properties.h"
#include "ECPlatform/SecureWipe.h"

namespace ecplatform {
namespace {

bool IsPrintable(unsigned char c) {
  return c >= 0x20 && c < 0x7F;
}
bool IsSpace(char c) {
  return c == ' ' || c == '\t';
}
bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Property texts may be secrets (pass phrases, keys): working copies are wiped, the whole
// buffer, before their memory is released.
void Wipe(TPropertyValue& v) noexcept {
  if (auto* s = std::get_if<std::string>(&v)) WipeText(*s);
}

struct TWipeOnExit {
  TPropertyValue& Value;
  ~TWipeOnExit() { Wipe(Value); }
};

std::string ValueText(const TPropertyInfo& p, const TComponent& component) {
  TPropertyValue v = p.Get(component);
  TWipeOnExit wipe{v};
  switch (p.Kind) {
    case TPropertyKind::String:
      return QuoteString(std::get<std::string>(v));
    case TPropertyKind::Boolean:
      return std::get<bool>(v) ? "True" : "False";
    case TPropertyKind::Enumeration: {
      std::int64_t ordinal = std::get<std::int64_t>(v);
      if (ordinal < 0 || static_cast<std::uint64_t>(ordinal) >= p.EnumNames.size()) {
        throw std::out_of_range("property '" + p.Name + "' holds ordinal " +
                                std::to_string(ordinal) + ", which has no name");
      }
      return p.EnumNames[static_cast<std::size_t>(ordinal)];
    }
    case TPropertyKind::Integer:
      return std::to_string(std::get<std::int64_t>(v));
  }
  return {};
}

struct TWipeTexts {
  std::vector<std::string>& Texts;
  ~TWipeTexts() {
    for (std::string& s : Texts) WipeText(s);
  }
};

// The value texts are made first and the stream is sized for them before it is put together,
// so that no reallocation leaves a copy of a secret behind; the value texts are wiped after.
std::string Write(const TComponent& component, const std::vector<const TPropertyInfo*>& chosen) {
  std::string header = "object ";
  if (!component.Name().empty()) header += component.Name() + ": ";
  header += component.ClassName();
  header += '\n';
  constexpr std::string_view kEnd = "end\n";

  std::vector<std::string> values;
  values.reserve(chosen.size());
  TWipeTexts wipe{values};
  std::size_t size = header.size() + kEnd.size();
  for (const TPropertyInfo* p : chosen) {
    values.push_back(ValueText(*p, component));
    size += p->Name.size() + values.back().size() + 6;  // "  ", " = " and the line end
  }

  std::string out;
  out.reserve(size);
  out += header;
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    out += "  ";
    out += chosen[i]->Name;
    out += " = ";
    out += values[i];
    out += '\n';
  }
  out += kEnd;
  return out;
}

// One line of the stream, read left to right. Errors name the line.
class TLineReader {
 public:
  TLineReader(std::string_view text, std::size_t line) : text_(text), line_(line) {}

  [[noreturn]] void Fail(const std::string& message) const { throw StreamError(line_, message); }

  void SkipSpace() {
    while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
  }
  bool AtEnd() const { return pos_ >= text_.size(); }
  bool Accept(char c) {
    if (Peek() != c || AtEnd()) return false;
    ++pos_;
    return true;
  }
  char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }

  // An identifier, or the empty view if none starts here.
  std::string_view Identifier() {
    std::size_t start = pos_;
    if (!AtEnd() && IsLetter(text_[pos_])) {
      ++pos_;
      while (!AtEnd() && (IsLetter(text_[pos_]) || IsDigit(text_[pos_]))) ++pos_;
    }
    return text_.substr(start, pos_ - start);
  }

  void ExpectEnd(const std::string& after) {
    SkipSpace();
    if (!AtEnd()) Fail("unexpected text after " + after + ": '" + std::string(Rest()) + "'");
  }

  std::string String() {
    std::string out;
    out.reserve(text_.size());  // no reallocation leaves a copy of the text behind
    bool any = false;
    while (!AtEnd() && (Peek() == '\'' || Peek() == '#')) {
      any = true;
      if (Peek() == '\'') {
        ++pos_;
        for (;;) {
          if (AtEnd()) Fail("unterminated string");
          char c = text_[pos_++];
          if (c == '\'') {
            if (Peek() != '\'') break;
            ++pos_;  // a doubled quote stands for one
          }
          out += c;
        }
      } else {
        ++pos_;
        std::size_t start = pos_;
        while (!AtEnd() && IsDigit(Peek())) ++pos_;
        std::string_view digits = text_.substr(start, pos_ - start);
        unsigned code = 0;
        auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), code);
        if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
            code > 255) {
          Fail("bad character code '#" + std::string(digits) +
               "' (expected # and a decimal number 0 to 255)");
        }
        out += static_cast<char>(static_cast<unsigned char>(code));
      }
    }
    if (!any) Fail("expected a string ('text' or #code)");
    return out;
  }

  std::int64_t Integer(const TPropertyInfo& p) {
    std::size_t start = pos_;
    if (Peek() == '-' || Peek() == '+') ++pos_;
    while (!AtEnd() && IsDigit(Peek())) ++pos_;
    std::string_view token = text_.substr(start, pos_ - start);
    if (!token.empty() && token.front() == '+') token.remove_prefix(1);
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    if (token.empty() || ec == std::errc::invalid_argument || end != token.data() + token.size()) {
      Fail("expected an integer for '" + p.Name + "'");
    }
    if (ec == std::errc::result_out_of_range || value < p.Min || value > p.Max) {
      Fail("value " + std::string(token) + " is out of range for '" + p.Name + "' (" +
           std::to_string(p.Min) + " to " + std::to_string(p.Max) + ")");
    }
    return value;
  }

  TPropertyValue Value(const TPropertyInfo& p) {
    switch (p.Kind) {
      case TPropertyKind::String:
        return String();
      case TPropertyKind::Boolean: {
        std::string_view word = Identifier();
        if (word == "True") return true;
        if (word == "False") return false;
        Fail("expected True or False for '" + p.Name + "'");
      }
      case TPropertyKind::Enumeration: {
        std::string_view word = Identifier();
        for (std::size_t i = 0; i < p.EnumNames.size(); ++i) {
          if (p.EnumNames[i] == word) return static_cast<std::int64_t>(i);
        }
        std::string names;
        for (const std::string& n : p.EnumNames) {
          if (!names.empty()) names += ", ";
          names += n;
        }
        std::string message = "'";
        message += word.empty() ? Rest() : word;
        Fail(message + "' is not a value of '" + p.Name + "' (" + names + ")");
      }
      case TPropertyKind::Integer:
        return Integer(p);
    }
    Fail("property '" + p.Name + "' has an unknown kind");
  }

 private:
  std::string_view Rest() const { return text_.substr(pos_); }

  std::string_view text_;
  std::size_t line_;
  std::size_t pos_ = 0;
};

struct TStaged {
  const TPropertyInfo* Property;
  TPropertyValue Value;
  std::size_t Line;
};

// Wipes the staged and saved values on every way out of ReadComponent.
struct TWipeAll {
  std::vector<TStaged>& Staged;
  std::vector<TPropertyValue>& Old;
  ~TWipeAll() {
    for (TStaged& s : Staged) Wipe(s.Value);
    for (TPropertyValue& v : Old) Wipe(v);
  }
};

// Splits the text into lines without their LF (and a CR before it).
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    std::size_t nl = text.find('\n');
    std::string_view line = text.substr(0, nl);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (nl == std::string_view::npos) break;
    text.remove_prefix(nl + 1);
  }
  return lines;
}

bool IsBlank(std::string_view line) {
  for (char c : line) {
    if (!IsSpace(c)) return false;
  }
  return true;
}

// The lines of a stream and the index of the next one to read.
struct TLineCursor {
  std::vector<std::string_view> Lines;
  std::size_t Next = 0;

  void SkipBlank() {
    while (Next < Lines.size() && IsBlank(Lines[Next])) ++Next;
  }
  bool AtEnd() const { return Next == Lines.size(); }
  std::size_t LineNumber() const { return Next + 1; }
};

// The header "object [Name:] Class": checks the class against the component's and the name
// against its siblings'; returns the name (empty when the stream gives none).
std::string ReadHeader(TLineCursor& at, const TComponent& component) {
  at.SkipBlank();
  if (at.AtEnd())
    throw StreamError(at.LineNumber(), "expected 'object', found the end of the text");
  TLineReader r(at.Lines[at.Next], at.LineNumber());
  r.SkipSpace();
  if (r.Identifier() != "object" || !IsSpace(r.Peek())) r.Fail("expected 'object Name: Class'");
  r.SkipSpace();
  std::string name;
  std::string_view className = r.Identifier();
  if (className.empty()) r.Fail("expected a component name or class after 'object'");
  r.SkipSpace();
  if (r.Accept(':')) {
    name = className;
    r.SkipSpace();
    className = r.Identifier();
    if (className.empty()) r.Fail("expected a class name after ':'");
  }
  r.ExpectEnd("the class name");
  if (className != component.ClassName()) {
    r.Fail("the stream holds a " + std::string(className) + ", not a " +
           std::string(component.ClassName()));
  }
  if (name != component.Name() && component.Owner() != nullptr &&
      component.Owner()->FindComponent(name) != nullptr) {
    r.Fail("another component is already named '" + name + "'");
  }
  ++at.Next;
  return name;
}

// The body: "Property = value" lines up to "end", each property at most once, staged in
// order; nothing is assigned. Then only blank lines may follow.
void ReadBody(TLineCursor& at, const TComponent& component, std::vector<TStaged>& staged) {
  const TPropertyList& list = component.PublishedProperties();
  staged.reserve(list.size());  // each property at most once: no reallocation copies
  for (;; ++at.Next) {
    at.SkipBlank();
    if (at.AtEnd()) throw StreamError(at.LineNumber(), "missing 'end'");
    TLineReader r(at.Lines[at.Next], at.LineNumber());
    r.SkipSpace();
    std::string_view word = r.Identifier();
    if (word.empty()) r.Fail("expected a property name or 'end'");
    r.SkipSpace();
    if (word == "end") {
      r.ExpectEnd("'end'");
      break;
    }
    const TPropertyInfo* p = list.Find(word);
    if (p == nullptr) {
      r.Fail("unknown property '" + std::string(word) + "' of " +
             std::string(component.ClassName()));
    }
    for (const TStaged& s : staged) {
      if (s.Property == p) {
        r.Fail("property '" + p->Name + "' appears twice (first on line " + std::to_string(s.Line) +
               ")");
      }
    }
    if (!r.Accept('=')) r.Fail("expected '=' after '" + p->Name + "'");
    r.SkipSpace();
    staged.push_back({p, r.Value(*p), at.LineNumber()});
    r.ExpectEnd("the value of '" + p->Name + "'");
  }
  ++at.Next;
  at.SkipBlank();
  if (!at.AtEnd()) throw StreamError(at.LineNumber(), "unexpected text after 'end'");
}

// Assigns the name and the staged values. Should a setter throw, the old values (saved in old)
// are put back before the error goes on.
void AssignStaged(TComponent& component, const std::string& name,
                  const std::vector<TStaged>& staged, std::vector<TPropertyValue>& old) {
  old.reserve(staged.size());
  for (const TStaged& s : staged) old.push_back(s.Property->Get(component));
  std::string oldName = component.Name();
  std::size_t done = 0;
  try {
    component.SetName(name);
    for (; done < staged.size(); ++done) {
      staged[done].Property->Set(component, staged[done].Value);
    }
  } catch (...) {
    try {
      while (done > 0) {
        --done;
        staged[done].Property->Set(component, old[done]);
      }
      component.SetName(oldName);
    } catch (...) {
      // Restoring is best effort; the first error is the one to report.
    }
    throw;
  }
}

}  // namespace

StreamError::StreamError(std::size_t line, const std::string& message)
    : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line) {}

std::string QuoteString(std::string_view bytes) {
  if (bytes.empty()) return "''";
  // Sized up front for the longest form, 4 characters a byte (#255, or a lone quote written
  // ), so that a secret is never left behind in a reallocated buffer.
  std::string out;
  out.reserve(4 * bytes.size());
  bool quoted = false;
  for (char ch : bytes) {
    auto c = static_cast<unsigned char>(ch);
    if (IsPrintable(c)) {
      if (!quoted) out += '\'';
      quoted = true;
      out += ch;
      if (ch == '\'') out += '\'';
    } else {
      if (quoted) out += '\'';
      quoted = false;
      out += '#' + std::to_string(c);
    }
  }
  if (quoted) out += '\'';
  return out;
}

std::string WriteComponent(const TComponent& component) {
  std::vector<const TPropertyInfo*> chosen;
  for (const TPropertyInfo& p : component.PublishedProperties()) {
    if (p.Stored) chosen.push_back(&p);
  }
  return Write(component, chosen);
}

std::string WriteComponent(const TComponent& component, const std::vector<std::string>& names) {
  const TPropertyList& list = component.PublishedProperties();
  for (const std::string& n : names) {
    if (list.Find(n) == nullptr) {
      throw std::invalid_argument(std::string(component.ClassName()) +
                                  " has no published property '" + n + "'");
    }
  }
  std::vector<const TPropertyInfo*> chosen;
  for (const TPropertyInfo& p : list) {
    for (const std::string& n : names) {
      if (p.Name == n) {
        chosen.push_back(&p);
        break;
      }
    }
  }
  return Write(component, chosen);
}

void ReadComponent(std::string_view text, TComponent& component) {
  TLineCursor at{Lines(text)};
  const std::string name = ReadHeader(at, component);
  std::vector<TStaged> staged;
  std::vector<TPropertyValue> old;
  TWipeAll wipe{staged, old};  // staged and saved values may be secrets
  ReadBody(at, component, staged);
  AssignStaged(component, name, staged, old);
}

}  // namespace ecplatform
