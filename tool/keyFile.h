#pragma once
// Secret-key files: the component streamed in its text form with only IOMode, KeyPublic and
// KeySecret, never the pass phrase. Written with mode 0600 (keyCommands.cpp).
#include <string>
#include <string_view>

#include "ECCrypt/ECCrypt.h"
#include "tool/secure.h"

namespace eccrypt::tool {

inline constexpr std::size_t kMaxKeyFileBytes = std::size_t{16} * 1024;

struct TKeyFile {
  TMode mode = TMode::Base64;
  std::string publicKey;
  TSecretString secretKey;
};

// True when the text starts like a streamed component (its first word is "object").
bool LooksLikeKeyFile(std::string_view text);

// The text of a key file for the key pair the component holds.
std::string KeyFileText(const TEllipticCurve& component);

// Reads a key file and checks that its public and secret keys belong together.
// `name` is the file's name for messages. Throws TToolError.
void ParseKeyFile(std::string_view text, const std::string& name, TKeyFile& key);
void LoadKeyFile(const std::string& path, TKeyFile& key);

}  // namespace eccrypt::tool
