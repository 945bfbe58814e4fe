#pragma once
// Text that came from files or from the command line (file names, comments, lines quoted in
// messages), made safe to show on a terminal.
//
// Such text could otherwise move the cursor, hide what follows (ESC [ 8 m), start a fake line
// or reverse the order in which characters appear. DisplayText shows every such character in
// one visible form and leaves everything else as it is:
//   - a backslash as \\, so that every escape below is unambiguous;
//   - C0 controls (0x00-0x1F), DEL (0x7F) and every byte that is not part of well-formed UTF-8
//     (a lone 0x80-0x9F among them) as \xHH;
//   - the UTF-8 characters U+0080-U+009F (C1 controls), U+061C, U+200E, U+200F, U+2028, U+2029,
//     U+202A-U+202E and U+2066-U+2069 (line separators and the marks, embeddings, overrides and
//     isolates that change the direction of text) as \uHHHH.
// Hexadecimal digits are lower case.
#include <string>
#include <string_view>

namespace eccrypt::tool {

std::string DisplayText(std::string_view text);

// True when DisplayText would change nothing but backslashes: well-formed UTF-8 without any of
// the characters it escapes. New comments must be such text.
bool IsPlainText(std::string_view text);

}  // namespace eccrypt::tool
