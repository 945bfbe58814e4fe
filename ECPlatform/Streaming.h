#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// Streaming of a component's published properties to and from a readable text form:
//
//   object KeyHolder: TThing
//     Caption = 'It''s here'#10'next line'
//     Enabled = True
//     Shade = Green
//     Count = -12
//   end
//
// The first line names the component and its class (a component without a name is written
// `object TThing`). Each property takes one line, in the order the class declares them. A string
// is a run of quoted parts and character codes with nothing between them: printable ASCII goes
// inside single quotes (a quote doubled), every other byte, from NUL to 0xFF, is written as #n
// with n in decimal, so any byte string reads back exactly; the empty string is ''. Booleans
// are True or False, enumerations their value's name, integers decimal with an optional sign.
// Lines end in LF (a CR before it is ignored when reading); blank lines are ignored.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ECPlatform/Component.h"

namespace ecplatform {

// A malformed stream. what() reads "line N: what is wrong".
class StreamError : public std::runtime_error {
 public:
  StreamError(std::size_t line, const std::string& message);
  std::size_t Line() const { return line_; }

 private:
  std::size_t line_;
};

// Writes the component's stored properties in declared order.
std::string WriteComponent(const TComponent& component);
// Writes only the named properties (stored or not), still in declared order. Throws
// std::invalid_argument for a name that the class does not publish.
std::string WriteComponent(const TComponent& component, const std::vector<std::string>& names);

// Reads a stream written for the component's class into it: the name from the first line and
// every property present; properties absent from the text keep their values. Any property the
// class publishes may appear, at most once, in any order.
//
// Throws StreamError for: text before or instead of the `object` line, a class other than the
// component's, a name held by another component of the same owner, an unknown or repeated
// property, a missing '=', a value of the wrong kind or out of range, a bad #code, an
// unterminated string, text after a value, a missing `end`, and anything but blank lines after
// `end`. The whole text is checked before anything is assigned, so on any error the component
// is left exactly as it was (also if a setter throws: the values already set are put back).
void ReadComponent(std::string_view text, TComponent& component);

// The string form of a value as streams write it: 'abc'#10'def', '' for the empty string.
std::string QuoteString(std::string_view bytes);

}  // namespace ecplatform
