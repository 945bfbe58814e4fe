#pragma once
/// @file
/// @brief Key files beyond KeyPair::FromKeyFile and KeyPair::ToKeyFile (ECCrypt/api/keys.h):
/// the text form a file's keys are written in, what a protected key file says about itself
/// without its pass phrase, and key files in clear.
///
/// A key file in clear is the component's stored properties (IOMode, KeyPublic, KeySecret)
/// and holds the secret key unprotected; a protected key file seals that text under a pass
/// phrase (see ECCrypt/formats/keyFile.cpp for both layouts).
///
/// Contract: bad input gives an Error, never an exception; no function modifies its arguments.
#include <string>
#include <string_view>

#include "ECCrypt/api/keys.h"
#include "ECCrypt/api/result.h"

namespace eccrypt::formats {

/// @brief Whether @p text starts as a protected key file of any version does
/// ("eccrypt secret key ").
bool LooksLikeProtectedKeyFile(std::string_view text) noexcept;

/// @brief Whether @p text starts as a key file in clear does: its first word, after blanks,
/// is "object".
bool LooksLikeClearKeyFile(std::string_view text) noexcept;

/// @brief A key pair read from a key file, with the text form its keys are written in.
struct OpenedKeyFile {
  KeyPair pair;   ///< the keys
  TextForm form;  ///< the form of the keys inside (the clear text's IOMode)
};

/// @brief KeyPair::FromKeyFile, telling also the text form of the keys inside.
/// @return the pair and its form, or the errors KeyPair::FromKeyFile gives. Messages start
///   with "key file: " and say what is wrong after it.
Result<OpenedKeyFile> OpenKeyFile(std::string_view text, std::string_view passPhrase);

/// @brief What a protected key file says about itself, read without its pass phrase. None of
/// it is proven until the file is opened: both public lines may have been swapped for another
/// key's together.
struct ProtectedKeyFileHeader {
  std::string publicKey;  ///< the "public key:" line's text
  TextForm form;          ///< the text form of that key
  std::string keyId;      ///< the "key id:" line, checked to be the key id of publicKey
  std::string kdf;        ///< the "kdf:" line after its label ("argon2id opslimit=...")
};

/// @brief Reads the lines of a protected key file without opening it, checking each as
/// KeyPair::FromKeyFile does before it derives a key.
/// @return the header, or an Error: Malformed, UnsupportedVersion, OutOfRange (Argon2id limits
///   beyond those accepted).
Result<ProtectedKeyFileHeader> ReadProtectedKeyFileHeader(std::string_view text);

/// @brief A key file in clear holding @p pair, its keys in @p form: the text `eccrypt keygen
/// --unprotected` writes. It holds the secret key: the caller should wipe it when done.
std::string ClearKeyFileText(const KeyPair& pair, TextForm form);

}  // namespace eccrypt::formats
