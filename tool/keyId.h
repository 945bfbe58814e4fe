#pragma once
// Key ids: a short fingerprint that names a public key in signature files, key files and the
// tool's messages. The first 8 bytes of SHA-256 over the label "eccrypt key id" and the key's
// hexadecimal text, shown as 16 upper-case hexadecimal digits. The two text forms of one key
// have the same id.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ECCrypt/ECCrypt.h"

namespace eccrypt::tool {

inline constexpr std::size_t kKeyIdLength = 16;

std::string KeyIdOf(std::string_view publicKey, TMode mode);

// The number a public key text stands for, whatever its form and spelling: its hexadecimal
// text without leading zero groups. Two texts of one key give the same value; the value, not
// the 64-bit id, tells whether two keys are the same.
std::string KeyValueOf(std::string_view publicKey, TMode mode);

// The key's value: the integer its text stands for, as big-endian bytes without leading zero
// bytes. The two text forms of one key, and spellings led by zero digits, give the same bytes.
std::vector<std::uint8_t> PublicKeyValue(std::string_view publicKey, TMode mode);

}  // namespace eccrypt::tool
