#pragma once
// Conversion of key and value texts between the hexadecimal and the radix-64 text forms.
//
// The component reads every text in its current IOMode, so a secret key stored in one form
// must be turned into the other to be used with a value written in it. The conversion goes
// through the integer the text stands for and writes it back exactly as the component would:
// the same number of 16-bit digits, most significant first.
#include <string>
#include <string_view>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/text/base64.h"
#include "ECCrypt/text/hexText.h"

namespace eccrypt::tool {

// The radix-64 alphabet, value i being the character at position i, and the hexadecimal digits:
// the library's (TBase64::Alphabet, HexDigitChars), named here for the tool.
inline constexpr std::string_view kRadix64Alphabet = TBase64::Alphabet;
inline constexpr std::string_view kHexDigits = HexDigitChars;

// The text of the same integer in the other form, through the library's codec: a hexadecimal
// text loses 1 to 3 characters after its last whole group of four; a radix-64 text keeps the
// whole 16-bit digits its bytes spell (a lone trailing byte is no digit). Intermediate texts are
// wiped.
std::string ConvertTextForm(std::string_view text, TMode from, TMode to);

// True when every character belongs to the text form of the mode (upper-case hexadecimal or
// the radix-64 alphabet).
bool IsTextOfMode(std::string_view text, TMode mode);

}  // namespace eccrypt::tool
