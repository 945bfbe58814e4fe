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

namespace eccrypt::tool {

// The radix-64 alphabet, value i being the character at position i, and the hexadecimal digits.
inline constexpr std::string_view kRadix64Alphabet =
    "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
inline constexpr std::string_view kHexDigits = "0123456789ABCDEF";

std::string ConvertTextForm(std::string_view text, TMode from, TMode to);

}  // namespace eccrypt::tool
