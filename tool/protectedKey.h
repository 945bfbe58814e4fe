#pragma once
// Protected secret-key files: the clear key file (keyFile.h) sealed under a pass phrase.
//
//   eccrypt secret key 1
//   public key: TEXT
//   key id: 16 HEXADECIMAL DIGITS
//   kdf: argon2id opslimit=N memlimit=BYTES salt=32 HEXADECIMAL DIGITS
//   cipher: xchacha20poly1305 nonce=48 HEXADECIMAL DIGITS
//   secret: BASE64 (RFC 4648) OF THE SEALED CLEAR KEY FILE
//
// Argon2id (libsodium's crypto_pwhash, its moderate limits when writing; the limits are
// stored, and bounded when read) turns the pass phrase and the salt into a 32-byte key;
// XChaCha20-Poly1305 seals the clear key-file text under it, with every line before "secret:"
// as additional data. So the public key, key id and parameters can be read without the pass
// phrase, and none of them can be changed without unlocking failing; until the file is
// unlocked they are unproven (both lines may have been swapped for another key's together),
// so nothing takes a public key from them.
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "tool/keyFile.h"
#include "tool/keyText.h"
#include "tool/secure.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

inline constexpr std::string_view kProtectedKeyFirstLine = "eccrypt secret key 1";

// True when the text starts as a protected key file of any version does.
bool LooksLikeProtectedKeyFile(std::string_view text);

// The text of a protected key file holding `clearKeyFile` (a key file's text) for the given
// public key, sealed under `passPhrase`.
std::string ProtectedKeyFileText(const std::string& clearKeyFile, const TPublicKey& publicKey,
                                 const std::string& passPhrase);

// What a protected key file says about itself without its pass phrase.
struct TProtectedKeyInfo {
  TPublicKey publicKey;
  std::string keyId;
  std::string kdf;  // the "kdf:" line, as stored
};
TProtectedKeyInfo ReadProtectedKeyInfo(std::string_view text, const std::string& name);

// Unlocks a protected key file with its pass phrase and reads the key pair. Throws TToolError
// for a wrong pass phrase (or an altered file) and for a damaged one.
void UnlockKeyFile(std::string_view text, const std::string& name, const std::string& passPhrase,
                   TKeyFile& key);
// As UnlockKeyFile, but false for a pass phrase that does not unlock the file.
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
