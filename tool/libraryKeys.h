#pragma once
// The tool's keys and signature files as the library reads them, with the library's errors
// turned into the tool's messages: the one place where they are mapped.
#include <string>
#include <string_view>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/api.h"
#include "tool/digest.h"

namespace eccrypt::tool {

inline constexpr std::size_t kKeyIdLength = 16;

// The library's text form for the component's IOMode.
TextForm FormOf(TMode mode);

// The hexadecimal text of the number a key text of `mode` stands for, without leading zero
// groups: the one text the library reads for it (the component also reads it led by zeros).
// `hex` may be a wiped buffer's string: a secret key's text passes through here.
void CanonicalHex(std::string_view text, TMode mode, std::string& hex);

// The key a public key text of the given form stands for, spelt however the component reads
// it (leading zero groups included). `source` (" in FILE") is added to messages. Throws
// TToolError when it is no key of this system.
PublicKey LibraryPublicKey(std::string_view text, TMode mode, const std::string& source = "");

// The key id of a public key text (16 upper-case hexadecimal digits): the library's KeyId, the
// same for both text forms of one key.
std::string KeyIdOf(std::string_view publicKey, TMode mode);

// A signature file read strictly by the library; `name` names it in messages. Throws
// TToolError for a malformed file or one of a version this eccrypt does not know.
formats::SignatureFileFields ReadSignatureFileNamed(std::string_view text, const std::string& name);

// The tool's digest kind for the one a version 1 signature file names.
TDigestKind DigestKindOf(formats::DigestV1 digest);

}  // namespace eccrypt::tool
