#pragma once
// Pass phrases for key generation: read without echo from the terminal, from a file or from
// standard input; or drawn at random from the operating system's source.
//
// Keys are derived from the pass phrase alone (no salt, no stretching), so whoever guesses
// the phrase has the key: a phrase must be long and random.
#include <optional>
#include <string>
#include <string_view>

#include "tool/secure.h"

namespace eccrypt::tool {

// Phrases shorter than this get a warning.
inline constexpr std::size_t kShortPassPhrase = 20;
inline constexpr std::size_t kMaxPassPhraseBytes = 4096;

// From `file` when given (one trailing newline ignored); otherwise, when standard input is a
// terminal, prompted twice without echo (the two must match); otherwise all of standard input
// less one trailing newline. Throws TToolError.
void ReadPassPhrase(const std::optional<std::string>& file, TSecretString& phrase);

// Asks once on the terminal, without echo. False when there is no terminal.
bool AskPassPhrase(const std::string& prompt, TSecretString& phrase);

// 30 characters from a 32-letter alphabet (150 bits), in groups of five: "k7mqa-...".
void RandomPassPhrase(TSecretString& phrase);

// What makes a phrase unfit to be chosen for a new key, or nothing. A phrase must have a
// visible character (a byte 0x21 to 0x7E, or a UTF-8 character that is not white space, a
// control or a format character; bytes that are not UTF-8 count as visible), and no line break
// (LF, VT, FF, CR, U+0085, U+2028, U+2029) or NUL byte: no prompt can type those, and a phrase
// that looks empty is one nobody can tell from another. Only new phrases are held to this: a
// key file made with any phrase keeps unlocking with it.
enum class TPassPhraseFault {
  Empty,
  Blank,      // no visible character
  LineBreak,  // a line break inside
  Nul,        // a NUL byte inside
};
std::optional<TPassPhraseFault> NewPassPhraseFault(std::string_view phrase);

// The warning to show for a weak phrase, or nothing.
std::optional<std::string> PassPhraseWarning(const std::string& phrase);

}  // namespace eccrypt::tool
