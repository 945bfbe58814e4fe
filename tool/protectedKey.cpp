#include "tool/protectedKey.h"

#include <sodium.h>

#include <array>
#include <charconv>
#include <vector>

#include "tool/fileIo.h"
#include "tool/fileKind.h"
#include "tool/labelledLines.h"
#include "tool/libraryKeys.h"
#include "tool/passPhrase.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

constexpr std::string_view kProtectedKeyPrefix = "eccrypt secret key ";
constexpr std::size_t kSaltBytes = crypto_pwhash_SALTBYTES;
constexpr std::size_t kNonceBytes = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr std::size_t kTagBytes = crypto_aead_xchacha20poly1305_ietf_ABYTES;
// Bounds on the stored limits: a hostile file must not make unlocking take hours or all memory.
constexpr unsigned long long kMaxOpsLimit = 16;
constexpr std::size_t kMaxMemLimit = std::size_t{1} << 30;

using TKey = TSecretBytes<crypto_aead_xchacha20poly1305_ietf_KEYBYTES>;

void EnsureSodium() {
  if (sodium_init() < 0) throw TToolError("the cryptographic library failed to start");
}

std::string ToHex(const std::uint8_t* bytes, std::size_t size) {
  std::string hex(size * 2 + 1, '\0');
  sodium_bin2hex(hex.data(), hex.size(), bytes, size);
  hex.pop_back();
  return hex;
}

bool FromHex(std::string_view hex, std::uint8_t* bytes, std::size_t size) {
  std::size_t got = 0;
  return hex.size() == size * 2 &&
         sodium_hex2bin(bytes, size, hex.data(), hex.size(), nullptr, &got, nullptr) == 0 &&
         got == size;
}

void DeriveKey(const std::string& passPhrase, const std::uint8_t* salt, unsigned long long opsLimit,
               std::size_t memLimit, TKey& key) {
  if (crypto_pwhash(key.data(), key.size(), passPhrase.data(), passPhrase.size(), salt, opsLimit,
                    memLimit, crypto_pwhash_ALG_ARGON2ID13) != 0) {
    throw TToolError("cannot derive the key-file key: out of memory (" +
                     std::to_string(memLimit >> 20) + " MiB needed)");
  }
}

// The parsed lines of a protected key file.
struct TProtectedKeyFile {
  TProtectedKeyInfo info;
  unsigned long long opsLimit = 0;
  std::size_t memLimit = 0;
  std::array<std::uint8_t, kSaltBytes> salt{};
  std::array<std::uint8_t, kNonceBytes> nonce{};
  std::string header;  // every line before "secret:", with "\n" line ends: the additional data
  std::vector<std::uint8_t> sealed;
};

template <typename Number>
bool ParseNumber(std::string_view text, Number& number) {
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() && end == text.data() + text.size();
}

// The text with every "\r\n", and a "\r" at its very end, made "\n". The file is written
// with "\n" line ends and its header, as written, is the additional data; a copy whose line
// ends a mail program or an editor turned into CR LF still unlocks. No value holds a "\r".
std::string WithLineFeeds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] == '\n')) {
      if (i + 1 == text.size()) out.push_back('\n');
      continue;
    }
    out.push_back(text[i]);
  }
  return out;
}

TProtectedKeyFile ParseProtected(std::string_view original, const std::string& name) {
  const auto damaged = [&](const std::string& what) {
    return TToolError("the key file " + name + " is damaged: " + what,
                      "give the file that 'eccrypt keygen -o' wrote, unchanged");
  };
  if (!original.starts_with(kProtectedKeyPrefix)) throw damaged("it is not a protected key file");
  const std::string normalised = WithLineFeeds(original);
  const std::string_view text = normalised;
  std::vector<std::string_view> lines;
  std::size_t headerEnd = 0;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
    if (lines.size() == 5) headerEnd = std::min(end + 1, text.size());
    start = end + 1;
  }
  if (lines[0] != kProtectedKeyFirstLine) {
    throw TToolError("the key file " + name + " is of a format this eccrypt does not know (" +
                         std::string(lines[0]) + ")",
                     "use it with a newer eccrypt");
  }
  static constexpr std::array<std::string_view, 5> kFields = {
      "public key: ", "key id: ", "kdf: argon2id ", "cipher: xchacha20poly1305 nonce=", "secret: "};
  if (lines.size() != 1 + kFields.size()) throw damaged("it does not have six lines");
  const std::array<std::string_view, kFields.size()> values =
      LabelledValues(lines, kFields, damaged);
  // Every value is checked to be there before it is decoded: the decoders are not given empty
  // texts.
  for (std::size_t i = 0; i < kFields.size(); ++i) {
    if (values[i].empty()) {
      throw damaged("its '" + std::string(kFields[i].substr(0, kFields[i].find(':'))) +
                    "' line has no value");
    }
  }

  TProtectedKeyFile file;
  file.header = std::string(text.substr(0, headerEnd));
  file.info.publicKey = ResolvePublicKeyText(std::string(values[0]), " in " + name);
  file.info.keyId = values[1];
  if (file.info.keyId != KeyIdOf(file.info.publicKey.text, file.info.publicKey.mode)) {
    throw damaged("its key id does not belong to its public key");
  }
  file.info.kdf = lines[3].substr(std::string_view("kdf: ").size());

  // "opslimit=N memlimit=BYTES salt=HEX"
  std::string_view kdf = values[2];
  const std::array<std::string_view, 3> names = {"opslimit=", "memlimit=", "salt="};
  std::array<std::string_view, 3> parameters;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::size_t space = std::min(kdf.find(' '), kdf.size());
    const std::string_view word = kdf.substr(0, space);
    if (!word.starts_with(names[i])) throw damaged("its kdf line is malformed");
    parameters[i] = word.substr(names[i].size());
    kdf.remove_prefix(std::min(space + 1, kdf.size()));
  }
  if (!kdf.empty() || !ParseNumber(parameters[0], file.opsLimit) ||
      !ParseNumber(parameters[1], file.memLimit) ||
      !FromHex(parameters[2], file.salt.data(), file.salt.size())) {
    throw damaged("its kdf line is malformed");
  }
  if (file.opsLimit < crypto_pwhash_OPSLIMIT_MIN || file.opsLimit > kMaxOpsLimit ||
      file.memLimit < crypto_pwhash_MEMLIMIT_MIN || file.memLimit > kMaxMemLimit) {
    throw damaged("its kdf limits are out of the range eccrypt accepts (opslimit 1 to " +
                  std::to_string(kMaxOpsLimit) + ", memlimit up to 1 GiB)");
  }
  if (!FromHex(values[3], file.nonce.data(), file.nonce.size())) {
    throw damaged("its nonce is malformed");
  }
  file.sealed.resize(values[4].size());
  std::size_t sealedSize = 0;
  if (sodium_base642bin(file.sealed.data(), file.sealed.size(), values[4].data(), values[4].size(),
                        nullptr, &sealedSize, nullptr, sodium_base64_VARIANT_ORIGINAL) != 0 ||
      sealedSize <= kTagBytes) {
    throw damaged("its secret is malformed");
  }
  file.sealed.resize(sealedSize);
  return file;
}

// A clear key file's text, read as LoadKeyFile reads the file.
void LoadKeyFileText(std::string_view text, const std::string& name, TKeyFile& key) {
  if (!LooksLikeKeyFile(text)) throw NotASecretKeyFile(text, name);
  ParseKeyFile(text, name, key);
}

// Asks for the pass phrase of a protected key file on the terminal.
void AskUnlockPassPhrase(const std::string& keyFile, TSecretString& phrase) {
  if (!AskPassPhrase("Pass phrase for " + keyFile + ": ", phrase)) {
    throw TToolError(keyFile +
                         " is protected by a pass phrase, and there is no terminal to ask "
                         "for it on",
                     "give the pass phrase with --passphrase-file FILE", kExitUsage);
  }
}

}  // namespace

bool LooksLikeProtectedKeyFile(std::string_view text) {
  return text.starts_with(kProtectedKeyPrefix);
}

std::string ProtectedKeyFileText(const std::string& clearKeyFile, const TPublicKey& publicKey,
                                 const std::string& passPhrase) {
  EnsureSodium();
  std::array<std::uint8_t, kSaltBytes> salt{};
  std::array<std::uint8_t, kNonceBytes> nonce{};
  randombytes_buf(salt.data(), salt.size());
  randombytes_buf(nonce.data(), nonce.size());
  const unsigned long long opsLimit = crypto_pwhash_OPSLIMIT_MODERATE;
  const std::size_t memLimit = crypto_pwhash_MEMLIMIT_MODERATE;

  const std::string header =
      std::string(kProtectedKeyFirstLine) + "\npublic key: " + publicKey.text +
      "\nkey id: " + KeyIdOf(publicKey.text, publicKey.mode) +
      "\nkdf: argon2id opslimit=" + std::to_string(opsLimit) +
      " memlimit=" + std::to_string(memLimit) + " salt=" + ToHex(salt.data(), salt.size()) +
      "\ncipher: xchacha20poly1305 nonce=" + ToHex(nonce.data(), nonce.size()) + "\n";
  TKey key;
  DeriveKey(passPhrase, salt.data(), opsLimit, memLimit, key);
  std::vector<std::uint8_t> sealed(clearKeyFile.size() + kTagBytes);
  unsigned long long sealedSize = 0;
  crypto_aead_xchacha20poly1305_ietf_encrypt(
      sealed.data(), &sealedSize, reinterpret_cast<const std::uint8_t*>(clearKeyFile.data()),
      clearKeyFile.size(), reinterpret_cast<const std::uint8_t*>(header.data()), header.size(),
      nullptr, nonce.data(), key.data());
  std::string encoded(sodium_base64_encoded_len(sealedSize, sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(encoded.data(), encoded.size(), sealed.data(), sealedSize,
                    sodium_base64_VARIANT_ORIGINAL);
  encoded.pop_back();  // the terminating zero
  return header + "secret: " + encoded + "\n";
}

TProtectedKeyInfo ReadProtectedKeyInfo(std::string_view text, const std::string& name) {
  EnsureSodium();
  return ParseProtected(text, name).info;
}

bool TryUnlockKeyFile(std::string_view text, const std::string& name, const std::string& passPhrase,
                      TKeyFile& key) {
  EnsureSodium();
  const TProtectedKeyFile file = ParseProtected(text, name);
  TKey derived;
  DeriveKey(passPhrase, file.salt.data(), file.opsLimit, file.memLimit, derived);
  TSecretBuffer clear(file.sealed.size() - kTagBytes);
  unsigned long long clearSize = 0;
  if (crypto_aead_xchacha20poly1305_ietf_decrypt(
          clear.data(), &clearSize, nullptr, file.sealed.data(), file.sealed.size(),
          reinterpret_cast<const std::uint8_t*>(file.header.data()), file.header.size(),
          file.nonce.data(), derived.data()) != 0) {
    return false;
  }
  const TSecretString clearText(
      std::string(clear.data(), clear.data() + static_cast<std::size_t>(clearSize)));
  ParseKeyFile(clearText.str(), name, key);
  if (KeyIdOf(key.publicKey, key.mode) != file.info.keyId) {
    throw TToolError("the key file " + name +
                     " is damaged: its public key line does not belong "
                     "to the key it holds");
  }
  return true;
}

void UnlockKeyFile(std::string_view text, const std::string& name, const std::string& passPhrase,
                   TKeyFile& key) {
  if (!TryUnlockKeyFile(text, name, passPhrase, key)) throw WrongPassPhrase(name);
}

TToolError WrongPassPhrase(const std::string& name) {
  return TToolError("the pass phrase does not unlock " + name + " (or the file was altered)",
                    "give the pass phrase chosen when the key file was made");
}

TToolError NotASecretKeyFile(std::string_view text, const std::string& name) {
  const TFileKind kind = ClassifyFile(text);
  return TToolError(WrongKindMessage(name, kind, "a secret-key file"),
                    kind == TFileKind::PublicKey
                        ? "a public key is for encrypting and verifying: give the secret-key file "
                          "that 'eccrypt keygen -o' wrote"
                        : "give the secret-key file that 'eccrypt keygen -o' wrote");
}

std::string ReadKeyFileText(const std::string& argument, std::string& path) {
  path = FileArgumentPath(argument);  // "@FILE" is FILE
  return ReadSmallFileNamingKind(path, kMaxKeyFileBytes, "key file", "a secret-key file");
}

void TUnlockPhrases::For(const std::string& keyFile, TSecretString& phrase) {
  if (file_) {
    // Read once: a pass phrase from standard input cannot be read again for the next key.
    if (!read_) {
      ReadPassPhrase(file_, fromFile_);
      read_ = true;
    }
    phrase.str() = fromFile_.str();
    return;
  }
  AskUnlockPassPhrase(keyFile, phrase);
}

bool TryLoadSecretKeyText(std::string_view text, const std::string& path, TUnlockPhrases& phrases,
                          TKeyFile& key) {
  if (!LooksLikeProtectedKeyFile(text)) {
    LoadKeyFileText(text, path, key);
    return true;
  }
  TSecretString phrase;
  phrases.For(path, phrase);
  return TryUnlockKeyFile(text, path, phrase.str(), key);
}

bool TryLoadSecretKey(const std::string& argument, TUnlockPhrases& phrases, TKeyFile& key,
                      std::string& path) {
  TSecretString text(ReadKeyFileText(argument, path));
  return TryLoadSecretKeyText(text.str(), path, phrases, key);
}

void LoadSecretKey(const std::string& argument, const std::optional<std::string>& passPhraseFile,
                   TKeyFile& key) {
  TUnlockPhrases phrases(passPhraseFile);
  std::string path;
  if (!TryLoadSecretKey(argument, phrases, key, path)) throw WrongPassPhrase(path);
}

}  // namespace eccrypt::tool
