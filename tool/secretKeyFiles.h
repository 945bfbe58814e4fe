#pragma once
// Secret-key files as the tool uses them: read and written by the library
// (ECCrypt/formats/keyFile.h), unlocked with pass phrases from a file or the terminal, and
// refused with the tool's messages. Written with mode 0600 (keyCommands.cpp).
//
// A protected key file names its public key and key id in clear lines that are covered by the
// sealed part: until the file is unlocked they are unproven (both may have been swapped for
// another key's together), so nothing takes a public key from them.
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/api.h"
#include "tool/keyText.h"
#include "tool/secure.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

inline constexpr std::size_t kMaxKeyFileBytes = std::size_t{16} * 1024;

// A key pair as read from a key file: its keys' texts in the file's text form.
struct TKeyFile {
  TMode mode = TMode::Base64;
  std::string publicKey;
  TSecretString secretKey;
};

// True when the text starts as a protected key file of any version does.
bool LooksLikeProtectedKeyFile(std::string_view text);

// True when the text starts as a key file in clear does (its first word is "object").
bool LooksLikeKeyFile(std::string_view text);

// The library's key pair of a key file read by the tool. `keyFile` names it in messages.
KeyPair KeyPairOf(const TKeyFile& key, const std::string& keyFile);

// The text of a key file in clear for the pair, its keys in `mode`.
std::string ClearKeyFileText(const KeyPair& pair, TMode mode);

// The text of a protected key file for the pair, its keys in `mode`, sealed under `passPhrase`.
std::string ProtectedKeyFileText(const KeyPair& pair, TMode mode, const std::string& passPhrase);

// What a protected key file says about itself without its pass phrase.
struct TProtectedKeyInfo {
  TPublicKey publicKey;
  std::string keyId;
  std::string kdf;  // the "kdf:" line's value, as stored
};
TProtectedKeyInfo ReadProtectedKeyInfo(std::string_view text, const std::string& name);

// Reads a key file in clear and checks that its public and secret keys belong together.
// `name` is the file's name for messages. Throws TToolError.
void ParseKeyFile(std::string_view text, const std::string& name, TKeyFile& key);

// Unlocks a protected key file with its pass phrase and reads the key pair. False for a pass
// phrase that does not unlock it (or an altered file); other failures throw TToolError.
bool TryUnlockKeyFile(std::string_view text, const std::string& name, const std::string& passPhrase,
                      TKeyFile& key);

// "the pass phrase does not unlock NAME (or the file was altered)".
TToolError WrongPassPhrase(const std::string& name);

// The error for a text that is no secret-key file, naming what it is instead (fileKind.h).
TToolError NotASecretKeyFile(std::string_view text, const std::string& name);

// The text of the key file `argument` names ("@FILE" is FILE), at most kMaxKeyFileBytes; its
// path is set in `path`. A longer file of a kind eccrypt makes is refused naming its kind.
std::string ReadKeyFileText(const std::string& argument, std::string& path);

// Where the pass phrases of protected key files come from: a pass-phrase file, read once and
// tried for every protected key; otherwise the terminal, asked once for each protected key
// when that key is tried ("Pass phrase for NAME: ").
class TUnlockPhrases {
 public:
  explicit TUnlockPhrases(std::optional<std::string> file) : file_(std::move(file)) {}
  void For(const std::string& keyFile, TSecretString& phrase);

 private:
  std::optional<std::string> file_;
  bool read_ = false;
  TSecretString fromFile_;
};

// The key pair of the key file `argument` names, clear or protected; `path` is set to the
// file's path. False when the pass phrase does not unlock a protected one; other failures
// throw TToolError.
bool TryLoadSecretKey(const std::string& argument, TUnlockPhrases& phrases, TKeyFile& key,
                      std::string& path);
// The same for a key file's text already read from `path`.
bool TryLoadSecretKeyText(std::string_view text, const std::string& path, TUnlockPhrases& phrases,
                          TKeyFile& key);

// The key pair of a key file, clear or protected ("@FILE" names FILE). A protected one is
// unlocked with the pass phrase from `passPhraseFile`, or asked for on the terminal.
void LoadSecretKey(const std::string& path, const std::optional<std::string>& passPhraseFile,
                   TKeyFile& key);

}  // namespace eccrypt::tool
