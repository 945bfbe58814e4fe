// Key files: KeyPair::FromKeyFile and KeyPair::ToKeyFile (declared with KeyPair in
// ECCrypt/api/keys.h) and the functions of ECCrypt/formats/keyFile.h. Two kinds, both written by
// the eccrypt tool:
//
// A key file in clear is the component's stored properties:
//
//   object TEllipticCurve
//     IOMode = Base64
//     KeyPublic = 'TEXT'
//     KeySecret = 'TEXT'
//   end
//
// A protected key file seals that text under a pass phrase:
//
//   eccrypt secret key 1
//   public key: TEXT
//   key id: 16 UPPER-CASE HEXADECIMAL DIGITS
//   kdf: argon2id opslimit=N memlimit=BYTES salt=32 HEXADECIMAL DIGITS
//   cipher: xchacha20poly1305 nonce=48 HEXADECIMAL DIGITS
//   secret: BASE64 (RFC 4648, with padding) OF THE SEALED CLEAR KEY FILE
//
// Argon2id turns the pass phrase and the salt into a 32-byte key; XChaCha20-Poly1305 seals the
// clear text under it with every line before "secret:" (line feeds included) as additional
// data, so no line can change without opening failing. Lines may arrive with CR LF ends.
#include "ECCrypt/formats/keyFile.h"

#include <sodium.h>

#include <array>
#include <charconv>
#include <vector>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/api/keys.h"
#include "ECCrypt/formats/messageSignature.h"
#include "ECCrypt/formats/sodiumStart.h"
#include "ECPlatform/SecureWipe.h"
#include "ECPlatform/Streaming.h"

namespace eccrypt {

namespace {

using formats::OpenedKeyFile;
using formats::ProtectedKeyFileHeader;

constexpr std::string_view kFirstLine = "eccrypt secret key 1";
constexpr std::string_view kPrefix = "eccrypt secret key ";
constexpr std::size_t kSaltBytes = crypto_pwhash_SALTBYTES;
constexpr std::size_t kNonceBytes = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr std::size_t kTagBytes = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr std::size_t kKeyBytes = crypto_aead_xchacha20poly1305_ietf_KEYBYTES;
// Bounds on stored limits: a hostile file must not make opening take hours or all memory.
constexpr std::uint64_t kMaxOpsLimit = 16;
constexpr std::size_t kMaxMemLimit = std::size_t{1} << 30;

// Bytes wiped when they go.
class SecretBuffer {
 public:
  explicit SecretBuffer(std::size_t size) : bytes_(size) {}
  SecretBuffer(const SecretBuffer&) = delete;
  SecretBuffer& operator=(const SecretBuffer&) = delete;
  ~SecretBuffer() { ecplatform::SecureWipe(bytes_.data(), bytes_.size()); }
  std::uint8_t* data() { return bytes_.data(); }
  std::size_t size() const { return bytes_.size(); }

 private:
  std::vector<std::uint8_t> bytes_;
};

// The messages of a file's faults read on from "key file: ", and from "the key file NAME ".
Error Malformed(const std::string& what) {
  return Error(ErrorCode::Malformed, "key file: " + what);
}

Error Damaged(const std::string& what) {
  return Malformed("is damaged: " + what);
}

constexpr std::size_t kMaxKeyTextLength = 512;
constexpr std::string_view kRadix64Digits =
    "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// Whether a key text is written in the form: the form PublicKey::Parse would tell, and only
// the digits of that form.
bool IsTextOfForm(std::string_view text, TextForm form) {
  const bool hex =
      text.size() % 4 == 0 && text.find_first_not_of("0123456789ABCDEF") == std::string_view::npos;
  if (form == TextForm::Hex) return hex;
  return !hex && text.find_first_not_of(kRadix64Digits) == std::string_view::npos;
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

template <typename Number>
bool ParseNumber(std::string_view text, Number& number) {
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() && end == text.data() + text.size();
}

Result<void> DeriveKey(std::string_view passPhrase, const std::uint8_t* salt,
                       std::uint64_t opsLimit, std::size_t memLimit, SecretBuffer& key) {
  if (crypto_pwhash(key.data(), key.size(), passPhrase.data(), passPhrase.size(), salt, opsLimit,
                    memLimit, crypto_pwhash_ALG_ARGON2ID13) != 0) {
    return Error(ErrorCode::Internal, "key file: out of memory for Argon2id (" +
                                          std::to_string(memLimit >> 20) + " MiB needed)");
  }
  return {};
}

// The key pair of a clear key file's text, and the form of its keys; its public key must be
// its secret key's.
Result<OpenedKeyFile> FromClearText(std::string_view text) {
  TEllipticCurve curve;
  try {
    ecplatform::ReadComponent(text, curve);
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& error) {
    return Malformed(std::string("cannot be read: ") + error.what());
  }
  const TextForm form = curve.IOMode() == TMode::Hex ? TextForm::Hex : TextForm::Radix64;
  ecplatform::TSecretText secretText;
  secretText.text = curve.KeySecret();
  const std::string publicText = curve.KeyPublic();
  curve.Clear();
  if (secretText.text.empty()) return Malformed("holds no secret key");
  if (publicText.empty()) return Malformed("holds no public key");
  if (secretText.text.size() > kMaxKeyTextLength || publicText.size() > kMaxKeyTextLength ||
      !IsTextOfForm(secretText.text, form) || !IsTextOfForm(publicText, form)) {
    return Malformed(std::string("holds a key that is not a ") +
                     (form == TextForm::Hex ? "hex" : "base64") + " key text");
  }
  auto secret = SecretKey::Parse(secretText.text);
  if (!secret) {
    return Error(secret.Error().Code(),
                 "key file: holds a secret key that is refused: " + secret.Error().Message());
  }
  auto pair = KeyPair::FromSecretKey(std::move(secret).Value());
  if (!pair) return pair.Error();
  // The public key is computed from the secret one; a stored one that differs is damage.
  auto stored = PublicKey::Parse(publicText);
  if (!stored || stored.Value() != pair.Value().PublicKey()) {
    return Damaged("its public and secret keys do not belong together");
  }
  return OpenedKeyFile{std::move(pair).Value(), form};
}

bool IsBlank(std::uint32_t c) {
  return c == 0xA0 || c == 0x1680 || c == 0x180E || (c >= 0x2000 && c <= 0x200F) || c == 0x202F ||
         c == 0x205F || (c >= 0x2060 && c <= 0x2064) || c == 0x3000 || c == 0xFEFF;
}

// A new pass phrase must be one a person can see and type again: something visible, one line,
// no NUL.
Result<void> CheckNewPassPhrase(std::string_view phrase) {
  const auto refused = [](const std::string& why) {
    return Error(ErrorCode::PassPhraseRefused, "pass phrase: " + why);
  };
  if (phrase.empty()) return refused("empty");
  bool visible = false;
  for (std::size_t at = 0; at < phrase.size();) {
    const auto lead = static_cast<unsigned char>(phrase[at]);
    if (lead == 0) return refused("a NUL byte in it");
    if (lead == '\n' || lead == '\r' || lead == '\v' || lead == '\f') {
      return refused("a line break in it");
    }
    if (lead < 0x80) {
      visible = visible || (lead >= 0x21 && lead <= 0x7E);
      ++at;
      continue;
    }
    // A UTF-8 sequence (an invalid byte counts as visible: it is not a blank character).
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (at + length > phrase.size()) length = 1;
    std::uint32_t c = length == 1 ? lead : lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
      c = (c << 6) | (static_cast<unsigned char>(phrase[at + i]) & 0x3Fu);
    }
    if (c == 0x85 || c == 0x2028 || c == 0x2029) return refused("a line break in it");
    visible = visible || (c > 0x9F && !IsBlank(c));
    at += length;
  }
  if (!visible) return refused("nothing visible in it");
  return {};
}

// Every "\r\n", and a "\r" at the very end, made "\n".
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

// The lines of a protected key file, checked, before anything is derived.
struct ProtectedLines {
  ProtectedKeyFileHeader header;
  std::uint64_t opsLimit = 0;
  std::size_t memLimit = 0;
  std::array<std::uint8_t, kSaltBytes> salt{};
  std::array<std::uint8_t, kNonceBytes> nonce{};
  std::string additionalData;  // every line before "secret:", with "\n" line ends
  std::vector<std::uint8_t> sealed;
};

Result<ProtectedLines> ReadProtectedLines(std::string_view original) {
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
  if (lines.empty() || !lines[0].starts_with(kPrefix)) {
    return Damaged("it is not a protected key file");
  }
  if (lines[0] != kFirstLine) {
    return Error(ErrorCode::UnsupportedVersion, "key file: a format this library does not know");
  }
  static constexpr std::array<std::string_view, 5> kLabels = {
      "public key: ", "key id: ", "kdf: argon2id ", "cipher: xchacha20poly1305 nonce=", "secret: "};
  if (lines.size() != 1 + kLabels.size()) return Damaged("it does not have six lines");
  std::array<std::string_view, kLabels.size()> values;
  for (std::size_t i = 0; i < kLabels.size(); ++i) {
    if (!lines[i + 1].starts_with(kLabels[i])) {
      return Damaged("line " + std::to_string(i + 2) + " does not start with '" +
                     std::string(kLabels[i]) + "'");
    }
    values[i] = lines[i + 1].substr(kLabels[i].size());
  }
  // Every value is checked to be there before it is decoded: the decoders are not given empty
  // texts.
  for (std::size_t i = 0; i < kLabels.size(); ++i) {
    if (values[i].empty()) {
      return Damaged("its '" + std::string(kLabels[i].substr(0, kLabels[i].find(':'))) +
                     "' line has no value");
    }
  }
  ProtectedLines file;
  auto publicKey = PublicKey::Parse(values[0]);
  if (!publicKey) return Damaged("its public key: " + publicKey.Error().Message());
  file.header.publicKey = values[0];
  file.header.form = IsTextOfForm(values[0], TextForm::Hex) ? TextForm::Hex : TextForm::Radix64;
  file.header.keyId = values[1];
  if (file.header.keyId != KeyId(publicKey.Value())) {
    return Damaged("its key id does not belong to its public key");
  }
  file.header.kdf = lines[3].substr(std::string_view("kdf: ").size());

  // "opslimit=N memlimit=BYTES salt=HEX"
  std::string_view kdf = values[2];
  static constexpr std::array<std::string_view, 3> kNames = {"opslimit=", "memlimit=", "salt="};
  std::array<std::string_view, 3> parameters;
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    const std::size_t space = std::min(kdf.find(' '), kdf.size());
    const std::string_view word = kdf.substr(0, space);
    if (!word.starts_with(kNames[i])) return Damaged("its kdf line is malformed");
    parameters[i] = word.substr(kNames[i].size());
    kdf.remove_prefix(std::min(space + 1, kdf.size()));
  }
  if (!kdf.empty() || !ParseNumber(parameters[0], file.opsLimit) ||
      !ParseNumber(parameters[1], file.memLimit) ||
      !FromHex(parameters[2], file.salt.data(), file.salt.size())) {
    return Damaged("its kdf line is malformed");
  }
  if (file.opsLimit < crypto_pwhash_OPSLIMIT_MIN || file.opsLimit > kMaxOpsLimit ||
      file.memLimit < crypto_pwhash_MEMLIMIT_MIN || file.memLimit > kMaxMemLimit) {
    return Error(ErrorCode::OutOfRange,
                 "key file: its Argon2id limits are outside those accepted (opslimit 1 to 16, "
                 "memlimit up to 1 GiB)");
  }
  if (!FromHex(values[3], file.nonce.data(), file.nonce.size())) {
    return Damaged("its nonce is malformed");
  }
  file.sealed.resize(values[4].size());
  std::size_t sealedSize = 0;
  if (sodium_base642bin(file.sealed.data(), file.sealed.size(), values[4].data(), values[4].size(),
                        nullptr, &sealedSize, nullptr, sodium_base64_VARIANT_ORIGINAL) != 0 ||
      sealedSize <= kTagBytes) {
    return Damaged("its secret is malformed");
  }
  file.sealed.resize(sealedSize);
  file.additionalData = std::string(text.substr(0, headerEnd));
  return file;
}

Result<OpenedKeyFile> FromProtectedText(std::string_view text, std::string_view passPhrase) {
  auto read = ReadProtectedLines(text);
  if (!read) return read.Error();
  const ProtectedLines& file = read.Value();
  SecretBuffer key(kKeyBytes);
  if (auto derived = DeriveKey(passPhrase, file.salt.data(), file.opsLimit, file.memLimit, key);
      !derived) {
    return derived.Error();
  }
  SecretBuffer clear(file.sealed.size() - kTagBytes);
  unsigned long long clearSize = 0;
  if (crypto_aead_xchacha20poly1305_ietf_decrypt(
          clear.data(), &clearSize, nullptr, file.sealed.data(), file.sealed.size(),
          reinterpret_cast<const std::uint8_t*>(file.additionalData.data()),
          file.additionalData.size(), file.nonce.data(), key.data()) != 0) {
    return Error(ErrorCode::WrongPassPhrase,
                 "key file: the pass phrase does not open it (or the file was altered)");
  }
  ecplatform::TSecretText clearText;
  clearText.text.assign(clear.data(), clear.data() + static_cast<std::size_t>(clearSize));
  auto opened = FromClearText(clearText.text);
  if (!opened) return opened.Error();
  if (KeyId(opened.Value().pair.PublicKey()) != file.header.keyId) {
    return Damaged("its public key line does not belong to the key it holds");
  }
  return opened;
}

}  // namespace

namespace formats {

bool LooksLikeProtectedKeyFile(std::string_view text) noexcept {
  return text.starts_with(kPrefix);
}

bool LooksLikeClearKeyFile(std::string_view text) noexcept {
  std::size_t start = 0;
  while (start < text.size() &&
         (text[start] == ' ' || text[start] == '\t' || text[start] == '\r' || text[start] == '\n' ||
          text[start] == '\v' || text[start] == '\f')) {
    ++start;
  }
  return text.substr(start).starts_with("object");
}

Result<OpenedKeyFile> OpenKeyFile(std::string_view text, std::string_view passPhrase) {
  if (auto started = StartSodium(); !started) return started.Error();
  if (LooksLikeClearKeyFile(text)) return FromClearText(text);
  if (LooksLikeProtectedKeyFile(text)) return FromProtectedText(text, passPhrase);
  if (text.empty()) return Error(ErrorCode::Empty, "key file: empty");
  return Malformed("is not a key file (neither a protected key file nor a key file in clear)");
}

Result<ProtectedKeyFileHeader> ReadProtectedKeyFileHeader(std::string_view text) {
  if (auto started = StartSodium(); !started) return started.Error();
  auto read = ReadProtectedLines(text);
  if (!read) return read.Error();
  return std::move(read).Value().header;
}

std::string ClearKeyFileText(const KeyPair& pair, TextForm form) {
  TEllipticCurve curve;
  curve.SetIOMode(form == TextForm::Hex ? TMode::Hex : TMode::Base64);
  curve.SetKeyPublic(pair.PublicKey().ToText(form));
  ecplatform::TSecretText secretText;
  secretText.text = pair.Secret().ExportText(form);
  curve.SetKeySecret(secretText.text);
  std::string text = ecplatform::WriteComponent(curve, {"IOMode", "KeyPublic", "KeySecret"});
  curve.Clear();
  return text;
}

}  // namespace formats

Result<KeyPair> KeyPair::FromKeyFile(std::string_view text, std::string_view passPhrase) {
  auto opened = formats::OpenKeyFile(text, passPhrase);
  if (!opened) return opened.Error();
  return std::move(opened).Value().pair;
}

Result<std::string> KeyPair::ToKeyFile(std::string_view passPhrase,
                                       const KeyFileOptions& options) const {
  if (auto started = formats::StartSodium(); !started) return started.Error();
  if (auto accepted = CheckNewPassPhrase(passPhrase); !accepted) return accepted.Error();
  const std::uint64_t opsLimit =
      options.opsLimit != 0 ? options.opsLimit : crypto_pwhash_OPSLIMIT_MODERATE;
  const std::size_t memLimit =
      options.memLimit != 0 ? options.memLimit : crypto_pwhash_MEMLIMIT_MODERATE;
  if (opsLimit < crypto_pwhash_OPSLIMIT_MIN || opsLimit > kMaxOpsLimit ||
      memLimit < crypto_pwhash_MEMLIMIT_MIN || memLimit > kMaxMemLimit) {
    return Error(ErrorCode::OutOfRange,
                 "key file: Argon2id limits outside those accepted (opslimit 1 to 16, memlimit "
                 "8 KiB to 1 GiB)");
  }
  // The clear key file, as the component stores its properties.
  const std::string publicText = PublicKey().ToText(options.form);
  ecplatform::TSecretText clearText;
  clearText.text = formats::ClearKeyFileText(*this, options.form);

  std::array<std::uint8_t, kSaltBytes> salt{};
  std::array<std::uint8_t, kNonceBytes> nonce{};
  randombytes_buf(salt.data(), salt.size());
  randombytes_buf(nonce.data(), nonce.size());
  const std::string header =
      std::string(kFirstLine) + "\npublic key: " + publicText + "\nkey id: " + KeyId(PublicKey()) +
      "\nkdf: argon2id opslimit=" + std::to_string(opsLimit) +
      " memlimit=" + std::to_string(memLimit) + " salt=" + ToHex(salt.data(), salt.size()) +
      "\ncipher: xchacha20poly1305 nonce=" + ToHex(nonce.data(), nonce.size()) + "\n";
  SecretBuffer key(kKeyBytes);
  if (auto derived = DeriveKey(passPhrase, salt.data(), opsLimit, memLimit, key); !derived) {
    return derived.Error();
  }
  std::vector<std::uint8_t> sealed(clearText.text.size() + kTagBytes);
  unsigned long long sealedSize = 0;
  crypto_aead_xchacha20poly1305_ietf_encrypt(
      sealed.data(), &sealedSize, reinterpret_cast<const std::uint8_t*>(clearText.text.data()),
      clearText.text.size(), reinterpret_cast<const std::uint8_t*>(header.data()), header.size(),
      nullptr, nonce.data(), key.data());
  std::string encoded(sodium_base64_encoded_len(sealedSize, sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(encoded.data(), encoded.size(), sealed.data(), sealedSize,
                    sodium_base64_VARIANT_ORIGINAL);
  encoded.pop_back();  // the terminating zero
  return header + "secret: " + encoded + "\n";
}

}  // namespace eccrypt
