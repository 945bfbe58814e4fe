// The C interface (eccrypt_c.h) over the library's C++ interface: every function turns its
// C arguments into the typed values, calls the C++ operation and maps its Result to a code and
// a message. No exception crosses into C: each entry point runs inside Guard.
#include "ECCrypt/c/eccrypt_c.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/api.h"
#include "ECCrypt/api/valueCodec.h"
#include "ECCrypt/bigint/vlPoint.h"
#include "ECPlatform/SecureWipe.h"

#define ECCRYPT_C_EXPORT __attribute__((visibility("default")))

struct eccrypt_keypair {
  eccrypt::KeyPair pair;
};

struct eccrypt_component {
  eccrypt::TEllipticCurve curve;
};

struct eccrypt_stream {
  enum class Kind { Seal, Open, Sign, Verify };
  explicit eccrypt_stream(Kind k) : kind(k) {}
  eccrypt_stream(const eccrypt_stream&) = delete;
  eccrypt_stream& operator=(const eccrypt_stream&) = delete;
  eccrypt_stream(eccrypt_stream&&) = delete;
  eccrypt_stream& operator=(eccrypt_stream&&) = delete;
  ~eccrypt_stream() { WipePending(); }

  // Plaintext is a secret of the caller's: wipe it wherever the stream lets go of it.
  void WipePending() noexcept {
    if (!pending.empty()) ecplatform::SecureWipe(pending.data(), pending.size());
    pending.clear();
    readPos = 0;
  }

  Kind kind;
  std::optional<eccrypt::Sealer> sealer;
  std::optional<eccrypt::Opener> opener;
  eccrypt::MessageSigner signer;
  eccrypt::MessageVerifier verifier;
  const eccrypt::KeyPair* signingKey = nullptr;
  std::string trustedComment;
  std::string untrustedComment;
  eccrypt::TextForm form = eccrypt::TextForm::Radix64;
  std::string signatureFile;
  std::optional<eccrypt::PublicKey> verifyingKey;
  std::vector<std::uint8_t> pending;  // output not read yet, from readPos on
  std::size_t readPos = 0;
  bool ended = false;  // after final or after an error: every further update or final refused
};

namespace {

using eccrypt::TextForm;
using eccrypt::ValueBytes;

int Set(eccrypt_error* err, int code, std::string_view message) noexcept {
  if (err != nullptr) {
    err->code = code;
    const std::size_t n = std::min(message.size(), sizeof err->message - 1);
    for (std::size_t i = 0; i < n; ++i) err->message[i] = message[i];
    err->message[n] = '\0';
  }
  return code;
}

int Ok(eccrypt_error* err) noexcept {
  if (err != nullptr) {
    err->code = ECCRYPT_OK;
    err->message[0] = '\0';
  }
  return ECCRYPT_OK;
}

int FromError(eccrypt_error* err, const eccrypt::Error& e) noexcept {
  return Set(err, static_cast<int>(e.Code()) + 1, e.Message());
}

int Null(eccrypt_error* err, std::string_view what) {
  return Set(err, ECCRYPT_E_NULL_ARGUMENT, std::string(what) + ": a NULL pointer");
}

// Runs body, turning every exception into a code: nothing thrown reaches a C caller.
template <class Body>
int Guard(eccrypt_error* err, Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return Set(err, ECCRYPT_E_OUT_OF_MEMORY, "out of memory");
  } catch (const std::exception& e) {
    return Set(err, ECCRYPT_E_INTERNAL, e.what());
  } catch (...) {
    return Set(err, ECCRYPT_E_INTERNAL, "an unexpected failure inside the library");
  }
}

// A pointer and a length as a view; NULL only with length 0.
bool View(const char* p, std::size_t n, std::string_view& out) noexcept {
  if (p == nullptr && n != 0) return false;
  out = p == nullptr ? std::string_view() : std::string_view(p, n);
  return true;
}

bool View(const std::uint8_t* p, std::size_t n, std::span<const std::uint8_t>& out) noexcept {
  if (p == nullptr && n != 0) return false;
  out = p == nullptr ? std::span<const std::uint8_t>() : std::span<const std::uint8_t>(p, n);
  return true;
}

bool Form(int form, TextForm& out) noexcept {
  if (form == ECCRYPT_FORM_RADIX64) {
    out = TextForm::Radix64;
  } else if (form == ECCRYPT_FORM_HEX) {
    out = TextForm::Hex;
  } else {
    return false;
  }
  return true;
}

int BadForm(eccrypt_error* err, int form) {
  return Set(err, ECCRYPT_E_BAD_FORM,
             "text form: " + std::to_string(form) +
                 " is neither ECCRYPT_FORM_RADIX64 (0) nor "
                 "ECCRYPT_FORM_HEX (1)");
}

int TooSmall(eccrypt_error* err, std::size_t* outLen, std::size_t needed) {
  const std::size_t had = *outLen;
  *outLen = needed;
  return Set(err, ECCRYPT_E_BUFFER_TOO_SMALL,
             "output buffer: " + std::to_string(needed) + " bytes needed, " + std::to_string(had) +
                 " given");
}

// Writes text and a NUL into the caller's buffer (see the header's conventions).
int PutText(std::string_view text, char* out, std::size_t* outLen, eccrypt_error* err) {
  if (outLen == nullptr) return Null(err, "out_len");
  if (out == nullptr || *outLen < text.size() + 1) return TooSmall(err, outLen, text.size() + 1);
  std::memcpy(out, text.data(), text.size());
  out[text.size()] = '\0';
  *outLen = text.size();
  return Ok(err);
}

int PutBytes(std::span<const std::uint8_t> bytes, std::uint8_t* out, std::size_t* outLen,
             eccrypt_error* err) {
  if (outLen == nullptr) return Null(err, "out_len");
  if (out == nullptr || *outLen < bytes.size()) return TooSmall(err, outLen, bytes.size());
  if (!bytes.empty()) std::memcpy(out, bytes.data(), bytes.size());
  *outLen = bytes.size();
  return Ok(err);
}

// PutText for a secret's text, wiped afterwards.
int PutSecretText(std::string text, char* out, std::size_t* outLen, eccrypt_error* err) {
  const int status = PutText(text, out, outLen, err);
  ecplatform::WipeText(text);
  return status;
}

std::optional<eccrypt::PublicKey> ReadKey(const std::uint8_t* key, std::string_view what,
                                          eccrypt_error* err, int& status) {
  if (key == nullptr) {
    status = Null(err, what);
    return std::nullopt;
  }
  auto parsed = eccrypt::PublicKey::FromBytes(std::span<const std::uint8_t>(key, ValueBytes));
  if (!parsed) {
    status = FromError(err, parsed.Error());
    return std::nullopt;
  }
  return std::move(parsed).Value();
}

std::optional<std::vector<eccrypt::PublicKey>> ReadRecipients(const std::uint8_t* recipients,
                                                              std::size_t count, eccrypt_error* err,
                                                              int& status) {
  if (count == 0 || count > eccrypt::MaxRecipients) {
    status = Set(err, ECCRYPT_E_INVALID_ARGUMENT,
                 "recipients: " + std::to_string(count) + " given, 1 to " +
                     std::to_string(eccrypt::MaxRecipients) + " allowed");
    return std::nullopt;
  }
  if (recipients == nullptr) {
    status = Null(err, "recipients");
    return std::nullopt;
  }
  std::vector<eccrypt::PublicKey> keys;
  keys.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    auto key = eccrypt::PublicKey::FromBytes(
        std::span<const std::uint8_t>(recipients + i * ValueBytes, ValueBytes));
    if (!key) {
      status = Set(err, static_cast<int>(key.Error().Code()) + 1,
                   "recipient " + std::to_string(i) + ": " + key.Error().Message());
      return std::nullopt;
    }
    keys.push_back(std::move(key).Value());
  }
  return keys;
}

int NewKeyPair(eccrypt::Result<eccrypt::KeyPair> made, eccrypt_keypair** out, eccrypt_error* err) {
  if (!made) return FromError(err, made.Error());
  *out = new eccrypt_keypair{std::move(made).Value()};
  return Ok(err);
}

void CopyValue(const std::array<std::uint8_t, ValueBytes>& from, std::uint8_t* to) noexcept {
  if (to != nullptr) std::memcpy(to, from.data(), ValueBytes);
}

int SetText(eccrypt::TEllipticCurve& c, int prop, const std::string& text) {
  switch (prop) {
    case ECCRYPT_PROP_PASS_PHRASE:
      c.SetPassPhrase(text);
      return ECCRYPT_OK;
    case ECCRYPT_PROP_KEY_PUBLIC:
      c.SetKeyPublic(text);
      return ECCRYPT_OK;
    case ECCRYPT_PROP_KEY_SECRET:
      c.SetKeySecret(text);
      return ECCRYPT_OK;
    case ECCRYPT_PROP_KEY_SESSION:
      c.SetKeySession(text);
      return ECCRYPT_OK;
    case ECCRYPT_PROP_EXCHANGED_VALUE:
      c.SetExchangedValue(text);
      return ECCRYPT_OK;
    case ECCRYPT_PROP_SIGNATURE:
      c.SetSignature(text);
      return ECCRYPT_OK;
    default:
      return ECCRYPT_E_INVALID_ARGUMENT;
  }
}

const std::string* GetText(const eccrypt::TEllipticCurve& c, int prop) {
  switch (prop) {
    case ECCRYPT_PROP_PASS_PHRASE:
      return &c.PassPhrase();
    case ECCRYPT_PROP_KEY_PUBLIC:
      return &c.KeyPublic();
    case ECCRYPT_PROP_KEY_SECRET:
      return &c.KeySecret();
    case ECCRYPT_PROP_KEY_SESSION:
      return &c.KeySession();
    case ECCRYPT_PROP_EXCHANGED_VALUE:
      return &c.ExchangedValue();
    case ECCRYPT_PROP_SIGNATURE:
      return &c.Signature();
    default:
      return nullptr;
  }
}

int BadProperty(eccrypt_error* err, int prop) {
  return Set(err, ECCRYPT_E_INVALID_ARGUMENT,
             "component property: " + std::to_string(prop) + " is no ECCRYPT_PROP_* value");
}

// Appends @p text to a stream's output.
void Append(eccrypt_stream& s, std::string_view text) {
  s.pending.insert(s.pending.end(), text.begin(), text.end());
}

int StreamFailed(eccrypt_stream& s, eccrypt_error* err, const eccrypt::Error& e) {
  s.ended = true;
  return FromError(err, e);
}

int SignInit(const eccrypt_keypair* kp, const char* trusted, std::size_t trustedLen,
             const char* untrusted, std::size_t untrustedLen, int form, eccrypt_stream** out,
             eccrypt_error* err) {
  std::string_view t, u;
  TextForm f{};
  if (kp == nullptr) return Null(err, "key pair");
  if (out == nullptr) return Null(err, "out");
  if (!View(trusted, trustedLen, t)) return Null(err, "trusted comment");
  if (!View(untrusted, untrustedLen, u)) return Null(err, "untrusted comment");
  if (!Form(form, f)) return BadForm(err, form);
  auto s = std::make_unique<eccrypt_stream>(eccrypt_stream::Kind::Sign);
  s->signingKey = &kp->pair;
  s->trustedComment = t;
  s->untrustedComment = u;
  s->form = f;
  *out = s.release();
  return Ok(err);
}

const char* const kNames[] = {
    "empty",
    "bad character",
    "too long",
    "not canonical",
    "not a point of the group",
    "multiple of the group order",
    "out of range",
    "missing separator",
    "wrong length",
    "bad signature",
    "random source failed",
    "internal error",
    "malformed",
    "unsupported version",
    "no matching key",
    "header altered",
    "damaged",
    "truncated",
    "trailing data",
    "wrong pass phrase",
    "pass phrase refused",
    "key mismatch",
    "invalid argument",
};

template <class Op>
int ComponentOp(eccrypt_component* c, eccrypt_error* err, Op&& op) {
  return Guard(err, [&] {
    if (c == nullptr) return Null(err, "component");
    op(c->curve);
    return Ok(err);
  });
}
int Verified(const eccrypt::Result<eccrypt::VerifiedMessage>& verdict, char* trustedOut,
             size_t* trustedLen, eccrypt_error* err) {
  if (!verdict) return FromError(err, verdict.Error());
  if (trustedOut == nullptr && trustedLen == nullptr) return Ok(err);
  return PutText(verdict.Value().trustedComment, trustedOut, trustedLen, err);
}
}  // namespace

extern "C" {

ECCRYPT_C_EXPORT const char* eccrypt_strerror(int code) {
  switch (code) {
    case ECCRYPT_OK:
      return "ok";
    case ECCRYPT_E_BUFFER_TOO_SMALL:
      return "buffer too small";
    case ECCRYPT_E_OUT_OF_MEMORY:
      return "out of memory";
    case ECCRYPT_E_NULL_ARGUMENT:
      return "null argument";
    case ECCRYPT_E_BAD_FORM:
      return "bad text form";
    default:
      if (code >= ECCRYPT_E_EMPTY && code <= ECCRYPT_E_INVALID_ARGUMENT) return kNames[code - 1];
      return "unknown error";
  }
}

ECCRYPT_C_EXPORT const char* eccrypt_version(void) {
  return ECCRYPT_C_VERSION;
}

ECCRYPT_C_EXPORT void eccrypt_wipe(void* p, size_t len) {
  if (p != nullptr) ecplatform::SecureWipe(p, len);
}

// ----- Key pairs -----

ECCRYPT_C_EXPORT int eccrypt_keypair_generate(eccrypt_keypair** out, eccrypt_error* err) {
  return Guard(err, [&] {
    if (out == nullptr) return Null(err, "out");
    *out = nullptr;
    return NewKeyPair(eccrypt::KeyPair::Generate(), out, err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_keypair_from_passphrase(const char* phrase, size_t phraseLen,
                                                     eccrypt_keypair** out, eccrypt_error* err) {
  return Guard(err, [&] {
    std::string_view p;
    if (out == nullptr) return Null(err, "out");
    *out = nullptr;
    if (!View(phrase, phraseLen, p)) return Null(err, "pass phrase");
    return NewKeyPair(eccrypt::KeyPair::FromPassPhrase(p), out, err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_keypair_from_secret_text(const char* text, size_t textLen,
                                                      eccrypt_keypair** out, eccrypt_error* err) {
  return Guard(err, [&] {
    std::string_view t;
    if (out == nullptr) return Null(err, "out");
    *out = nullptr;
    if (!View(text, textLen, t)) return Null(err, "secret key");
    auto secret = eccrypt::SecretKey::Parse(t);
    if (!secret) return FromError(err, secret.Error());
    return NewKeyPair(eccrypt::KeyPair::FromSecretKey(std::move(secret).Value()), out, err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_keypair_from_key_file(const char* text, size_t textLen,
                                                   const char* phrase, size_t phraseLen,
                                                   eccrypt_keypair** out, eccrypt_error* err) {
  return Guard(err, [&] {
    std::string_view t, p;
    if (out == nullptr) return Null(err, "out");
    *out = nullptr;
    if (!View(text, textLen, t)) return Null(err, "key file");
    if (!View(phrase, phraseLen, p)) return Null(err, "pass phrase");
    return NewKeyPair(eccrypt::KeyPair::FromKeyFile(t, p), out, err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_keypair_to_key_file(const eccrypt_keypair* kp, const char* phrase,
                                                 size_t phraseLen, int form, uint64_t opsLimit,
                                                 size_t memLimit, char* out, size_t* outLen,
                                                 eccrypt_error* err) {
  return Guard(err, [&] {
    std::string_view p;
    eccrypt::KeyFileOptions options;
    if (kp == nullptr) return Null(err, "key pair");
    if (!View(phrase, phraseLen, p)) return Null(err, "pass phrase");
    if (!Form(form, options.form)) return BadForm(err, form);
    options.opsLimit = opsLimit;
    options.memLimit = memLimit;
    auto file = kp->pair.ToKeyFile(p, options);
    if (!file) return FromError(err, file.Error());
    return PutText(file.Value(), out, outLen, err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_keypair_public_key(const eccrypt_keypair* kp, uint8_t* out,
                                                eccrypt_error* err) {
  return Guard(err, [&] {
    if (kp == nullptr) return Null(err, "key pair");
    if (out == nullptr) return Null(err, "out");
    CopyValue(kp->pair.PublicKey().ToBytes(), out);
    return Ok(err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_keypair_secret_text(const eccrypt_keypair* kp, int form, char* out,
                                                 size_t* outLen, eccrypt_error* err) {
  return Guard(err, [&] {
    TextForm f{};
    if (kp == nullptr) return Null(err, "key pair");
    if (!Form(form, f)) return BadForm(err, form);
    return PutSecretText(kp->pair.Secret().ExportText(f), out, outLen, err);
  });
}

ECCRYPT_C_EXPORT void eccrypt_keypair_free(eccrypt_keypair* kp) {
  delete kp;
}

// ----- Texts -----

ECCRYPT_C_EXPORT int eccrypt_public_key_parse(const char* text, size_t textLen, uint8_t* out,
                                              eccrypt_error* err) {
  return Guard(err, [&] {
    std::string_view t;
    if (out == nullptr) return Null(err, "out");
    if (!View(text, textLen, t)) return Null(err, "public key");
    auto key = eccrypt::PublicKey::Parse(t);
    if (!key) return FromError(err, key.Error());
    CopyValue(key.Value().ToBytes(), out);
    return Ok(err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_public_key_check(const uint8_t* key, eccrypt_error* err) {
  return Guard(err, [&] {
    int status = ECCRYPT_OK;
    if (!ReadKey(key, "public key", err, status)) return status;
    return Ok(err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_public_key_to_text(const uint8_t* key, int form, char* out,
                                                size_t* outLen, eccrypt_error* err) {
  return Guard(err, [&] {
    int status = ECCRYPT_OK;
    TextForm f{};
    if (!Form(form, f)) return BadForm(err, form);
    auto k = ReadKey(key, "public key", err, status);
    if (!k) return status;
    return PutText(k->ToText(f), out, outLen, err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_key_id(const uint8_t* key, char* out, eccrypt_error* err) {
  return Guard(err, [&] {
    int status = ECCRYPT_OK;
    if (out == nullptr) return Null(err, "out");
    auto k = ReadKey(key, "public key", err, status);
    if (!k) return status;
    std::size_t len = ECCRYPT_KEY_ID_CAPACITY;
    return PutText(eccrypt::KeyId(*k), out, &len, err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_exchanged_value_parse(const char* text, size_t textLen, uint8_t* out,
                                                   eccrypt_error* err) {
  return Guard(err, [&] {
    std::string_view t;
    if (out == nullptr) return Null(err, "out");
    if (!View(text, textLen, t)) return Null(err, "exchanged value");
    auto value = eccrypt::ExchangedValue::Parse(t);
    if (!value) return FromError(err, value.Error());
    CopyValue(value.Value().ToBytes(), out);
    return Ok(err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_exchanged_value_to_text(const uint8_t* value, int form, char* out,
                                                     size_t* outLen, eccrypt_error* err) {
  return Guard(err, [&] {
    TextForm f{};
    if (value == nullptr) return Null(err, "exchanged value");
    if (!Form(form, f)) return BadForm(err, form);
    auto v = eccrypt::ExchangedValue::FromBytes(std::span<const std::uint8_t>(value, ValueBytes));
    if (!v) return FromError(err, v.Error());
    return PutText(v.Value().ToText(f), out, outLen, err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_session_key_to_text(const uint8_t* raw, int form, char* out,
                                                 size_t* outLen, eccrypt_error* err) {
  return Guard(err, [&] {
    TextForm f{};
    if (raw == nullptr) return Null(err, "session key");
    if (!Form(form, f)) return BadForm(err, form);
    eccrypt::apidetail::Bytes32 bytes{};
    std::memcpy(bytes.data(), raw, ValueBytes);
    eccrypt::TvlPoint value;
    eccrypt::apidetail::BytesToInteger(bytes, value);
    ecplatform::SecureWipe(bytes.data(), bytes.size());
    return PutSecretText(eccrypt::apidetail::WriteText(value, f), out, outLen, err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_signature_to_text(const char* text, size_t textLen, int form,
                                               char* out, size_t* outLen, eccrypt_error* err) {
  return Guard(err, [&] {
    std::string_view t;
    TextForm f{};
    if (!View(text, textLen, t)) return Null(err, "signature");
    if (!Form(form, f)) return BadForm(err, form);
    auto sig = eccrypt::Signature::Parse(t);
    if (!sig) return FromError(err, sig.Error());
    return PutText(sig.Value().ToText(f), out, outLen, err);
  });
}

// ----- Key agreement -----

ECCRYPT_C_EXPORT int eccrypt_encapsulate(const uint8_t* recipient, uint8_t* exchanged,
                                         uint8_t* symmetric, uint8_t* raw, eccrypt_error* err) {
  return Guard(err, [&] {
    int status = ECCRYPT_OK;
    if (exchanged == nullptr) return Null(err, "exchanged");
    if (symmetric == nullptr) return Null(err, "symmetric");
    auto key = ReadKey(recipient, "recipient", err, status);
    if (!key) return status;
    auto made = eccrypt::Encapsulate(*key);
    if (!made) return FromError(err, made.Error());
    CopyValue(made.Value().Exchanged.ToBytes(), exchanged);
    CopyValue(made.Value().Session.SymmetricKey(), symmetric);
    CopyValue(made.Value().Session.RawBytes(), raw);
    return Ok(err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_decapsulate(const eccrypt_keypair* kp, const uint8_t* exchanged,
                                         uint8_t* symmetric, uint8_t* raw, eccrypt_error* err) {
  return Guard(err, [&] {
    if (kp == nullptr) return Null(err, "key pair");
    if (exchanged == nullptr) return Null(err, "exchanged value");
    if (symmetric == nullptr) return Null(err, "symmetric");
    auto value =
        eccrypt::ExchangedValue::FromBytes(std::span<const std::uint8_t>(exchanged, ValueBytes));
    if (!value) return FromError(err, value.Error());
    auto session = eccrypt::Decapsulate(value.Value(), kp->pair);
    if (!session) return FromError(err, session.Error());
    CopyValue(session.Value().SymmetricKey(), symmetric);
    CopyValue(session.Value().RawBytes(), raw);
    return Ok(err);
  });
}

// ----- Digest signatures -----

ECCRYPT_C_EXPORT int eccrypt_sign_digest(const eccrypt_keypair* kp, const uint8_t* digest, int form,
                                         char* out, size_t* outLen, eccrypt_error* err) {
  return Guard(err, [&] {
    TextForm f{};
    if (kp == nullptr) return Null(err, "key pair");
    if (digest == nullptr) return Null(err, "digest");
    if (!Form(form, f)) return BadForm(err, form);
    auto sig = eccrypt::SignDigest(std::span<const std::uint8_t>(digest, ECCRYPT_DIGEST_BYTES),
                                   kp->pair.Secret());
    if (!sig) return FromError(err, sig.Error());
    return PutText(sig.Value().ToText(f), out, outLen, err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_verify_digest(const uint8_t* digest, const char* signature,
                                           size_t signatureLen, const uint8_t* key,
                                           eccrypt_error* err) {
  return Guard(err, [&] {
    int status = ECCRYPT_OK;
    std::string_view t;
    if (digest == nullptr) return Null(err, "digest");
    if (!View(signature, signatureLen, t)) return Null(err, "signature");
    auto k = ReadKey(key, "public key", err, status);
    if (!k) return status;
    auto sig = eccrypt::Signature::Parse(t);
    if (!sig) return FromError(err, sig.Error());
    auto verdict = eccrypt::VerifyDigest(
        std::span<const std::uint8_t>(digest, ECCRYPT_DIGEST_BYTES), sig.Value(), *k);
    if (!verdict) return FromError(err, verdict.Error());
    return Ok(err);
  });
}

// ----- Signature files -----

ECCRYPT_C_EXPORT int eccrypt_sign_message(const eccrypt_keypair* kp, const uint8_t* message,
                                          size_t messageLen, const char* trusted, size_t trustedLen,
                                          const char* untrusted, size_t untrustedLen, int form,
                                          char* out, size_t* outLen, eccrypt_error* err) {
  return Guard(err, [&] {
    std::span<const std::uint8_t> m;
    std::string_view t, u;
    eccrypt::SignMessageOptions options;
    if (kp == nullptr) return Null(err, "key pair");
    if (!View(message, messageLen, m)) return Null(err, "message");
    if (!View(trusted, trustedLen, t)) return Null(err, "trusted comment");
    if (!View(untrusted, untrustedLen, u)) return Null(err, "untrusted comment");
    if (!Form(form, options.form)) return BadForm(err, form);
    options.untrustedComment = u;
    auto file = eccrypt::SignMessage(m, kp->pair, t, options);
    if (!file) return FromError(err, file.Error());
    return PutText(file.Value(), out, outLen, err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_sign_message_prehashed(const eccrypt_keypair* kp,
                                                    const uint8_t* prehash, const char* trusted,
                                                    size_t trustedLen, const char* untrusted,
                                                    size_t untrustedLen, int form, char* out,
                                                    size_t* outLen, eccrypt_error* err) {
  return Guard(err, [&] {
    std::string_view t, u;
    eccrypt::SignMessageOptions options;
    if (kp == nullptr) return Null(err, "key pair");
    if (prehash == nullptr) return Null(err, "prehash");
    if (!View(trusted, trustedLen, t)) return Null(err, "trusted comment");
    if (!View(untrusted, untrustedLen, u)) return Null(err, "untrusted comment");
    if (!Form(form, options.form)) return BadForm(err, form);
    options.untrustedComment = u;
    eccrypt::MessagePrehash hash{};
    std::memcpy(hash.data(), prehash, hash.size());
    auto file = eccrypt::SignMessagePrehashed(hash, kp->pair, t, options);
    if (!file) return FromError(err, file.Error());
    return PutText(file.Value(), out, outLen, err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_verify_message(const uint8_t* message, size_t messageLen,
                                            const char* signatureFile, size_t signatureLen,
                                            const uint8_t* key, char* trustedOut,
                                            size_t* trustedLen, eccrypt_error* err) {
  return Guard(err, [&] {
    int status = ECCRYPT_OK;
    std::span<const std::uint8_t> m;
    std::string_view sig;
    if (!View(message, messageLen, m)) return Null(err, "message");
    if (!View(signatureFile, signatureLen, sig)) return Null(err, "signature file");
    auto k = ReadKey(key, "public key", err, status);
    if (!k) return status;
    return Verified(eccrypt::VerifyMessage(m, sig, *k), trustedOut, trustedLen, err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_verify_message_prehashed(const uint8_t* prehash,
                                                      const char* signatureFile,
                                                      size_t signatureLen, const uint8_t* key,
                                                      char* trustedOut, size_t* trustedLen,
                                                      eccrypt_error* err) {
  return Guard(err, [&] {
    int status = ECCRYPT_OK;
    std::string_view sig;
    if (prehash == nullptr) return Null(err, "prehash");
    if (!View(signatureFile, signatureLen, sig)) return Null(err, "signature file");
    auto k = ReadKey(key, "public key", err, status);
    if (!k) return status;
    eccrypt::MessagePrehash hash{};
    std::memcpy(hash.data(), prehash, hash.size());
    return Verified(eccrypt::VerifyMessagePrehashed(hash, sig, *k), trustedOut, trustedLen, err);
  });
}

// ----- Sealed data -----

ECCRYPT_C_EXPORT int eccrypt_seal(const uint8_t* data, size_t dataLen, const uint8_t* recipients,
                                  size_t recipientCount, int armor, uint8_t* out, size_t* outLen,
                                  eccrypt_error* err) {
  return Guard(err, [&] {
    int status = ECCRYPT_OK;
    std::span<const std::uint8_t> d;
    if (outLen == nullptr) return Null(err, "out_len");
    if (!View(data, dataLen, d)) return Null(err, "data");
    auto keys = ReadRecipients(recipients, recipientCount, err, status);
    if (!keys) return status;
    auto sealed = eccrypt::Seal(d, *keys, eccrypt::SealOptions{armor != 0});
    if (!sealed) return FromError(err, sealed.Error());
    return PutBytes(sealed.Value(), out, outLen, err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_open(const uint8_t* data, size_t dataLen, const eccrypt_keypair* kp,
                                  uint8_t* out, size_t* outLen, eccrypt_error* err) {
  return Guard(err, [&] {
    std::span<const std::uint8_t> d;
    if (outLen == nullptr) return Null(err, "out_len");
    if (kp == nullptr) return Null(err, "key pair");
    if (!View(data, dataLen, d)) return Null(err, "data");
    auto plain = eccrypt::Open(d, kp->pair);
    if (!plain) return FromError(err, plain.Error());
    const int result = PutBytes(plain.Value(), out, outLen, err);
    ecplatform::SecureWipe(plain.Value().data(), plain.Value().size());
    return result;
  });
}

// ----- Streams -----

ECCRYPT_C_EXPORT int eccrypt_seal_init(const uint8_t* recipients, size_t recipientCount,
                                       eccrypt_stream** out, eccrypt_error* err) {
  return Guard(err, [&] {
    int status = ECCRYPT_OK;
    if (out == nullptr) return Null(err, "out");
    *out = nullptr;
    auto keys = ReadRecipients(recipients, recipientCount, err, status);
    if (!keys) return status;
    auto sealer = eccrypt::Sealer::Create(*keys);
    if (!sealer) return FromError(err, sealer.Error());
    auto s = std::make_unique<eccrypt_stream>(eccrypt_stream::Kind::Seal);
    s->sealer.emplace(std::move(sealer).Value());
    *out = s.release();
    return Ok(err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_open_init(const eccrypt_keypair* kp, eccrypt_stream** out,
                                       eccrypt_error* err) {
  return Guard(err, [&] {
    if (out == nullptr) return Null(err, "out");
    *out = nullptr;
    if (kp == nullptr) return Null(err, "key pair");
    auto opener = eccrypt::Opener::Create(kp->pair.Secret());
    if (!opener) return FromError(err, opener.Error());
    auto s = std::make_unique<eccrypt_stream>(eccrypt_stream::Kind::Open);
    s->opener.emplace(std::move(opener).Value());
    *out = s.release();
    return Ok(err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_sign_init(const eccrypt_keypair* kp, const char* trusted,
                                       size_t trustedLen, const char* untrusted,
                                       size_t untrustedLen, int form, eccrypt_stream** out,
                                       eccrypt_error* err) {
  return Guard(err, [&] {
    if (out != nullptr) *out = nullptr;
    return SignInit(kp, trusted, trustedLen, untrusted, untrustedLen, form, out, err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_verify_init(const char* signatureFile, size_t signatureLen,
                                         const uint8_t* key, eccrypt_stream** out,
                                         eccrypt_error* err) {
  return Guard(err, [&] {
    int status = ECCRYPT_OK;
    std::string_view sig;
    if (out == nullptr) return Null(err, "out");
    *out = nullptr;
    if (!View(signatureFile, signatureLen, sig)) return Null(err, "signature file");
    auto k = ReadKey(key, "public key", err, status);
    if (!k) return status;
    auto s = std::make_unique<eccrypt_stream>(eccrypt_stream::Kind::Verify);
    s->signatureFile = sig;
    s->verifyingKey = *k;
    *out = s.release();
    return Ok(err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_stream_update(eccrypt_stream* s, const uint8_t* piece, size_t pieceLen,
                                           eccrypt_error* err) {
  return Guard(err, [&] {
    std::span<const std::uint8_t> p;
    if (s == nullptr) return Null(err, "stream");
    if (!View(piece, pieceLen, p)) return Null(err, "piece");
    if (s->ended) return Set(err, ECCRYPT_E_INVALID_ARGUMENT, "stream: already ended");
    switch (s->kind) {
      case eccrypt_stream::Kind::Seal:
        if (auto r = s->sealer->Update(p, s->pending); !r) return StreamFailed(*s, err, r.Error());
        break;
      case eccrypt_stream::Kind::Open:
        if (auto r = s->opener->Update(p, s->pending); !r) return StreamFailed(*s, err, r.Error());
        break;
      case eccrypt_stream::Kind::Sign:
        s->signer.Update(p);
        break;
      case eccrypt_stream::Kind::Verify:
        s->verifier.Update(p);
        break;
    }
    return Ok(err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_stream_final(eccrypt_stream* s, eccrypt_error* err) {
  return Guard(err, [&] {
    if (s == nullptr) return Null(err, "stream");
    if (s->ended) return Set(err, ECCRYPT_E_INVALID_ARGUMENT, "stream: already ended");
    s->ended = true;
    switch (s->kind) {
      case eccrypt_stream::Kind::Seal:
        if (auto r = s->sealer->Finish(s->pending); !r) return FromError(err, r.Error());
        break;
      case eccrypt_stream::Kind::Open:
        if (auto r = s->opener->Finish(s->pending); !r) return FromError(err, r.Error());
        break;
      case eccrypt_stream::Kind::Sign: {
        eccrypt::SignMessageOptions options;
        options.untrustedComment = s->untrustedComment;
        options.form = s->form;
        auto file = s->signer.Finish(*s->signingKey, s->trustedComment, options);
        if (!file) return FromError(err, file.Error());
        Append(*s, file.Value());
        break;
      }
      case eccrypt_stream::Kind::Verify: {
        auto verdict = s->verifier.Finish(s->signatureFile, *s->verifyingKey);
        if (!verdict) return FromError(err, verdict.Error());
        Append(*s, verdict.Value().trustedComment);
        break;
      }
    }
    return Ok(err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_stream_read(eccrypt_stream* s, uint8_t* out, size_t* outLen,
                                         eccrypt_error* err) {
  return Guard(err, [&] {
    if (s == nullptr) return Null(err, "stream");
    if (outLen == nullptr) return Null(err, "out_len");
    if (out == nullptr && *outLen != 0) return Null(err, "out");
    const std::size_t n = std::min(*outLen, s->pending.size() - s->readPos);
    if (n != 0) std::memcpy(out, s->pending.data() + s->readPos, n);
    s->readPos += n;
    // Fully read: start again at the front, so the buffer stays as large as one update's output.
    if (s->readPos == s->pending.size()) s->WipePending();
    *outLen = n;
    return Ok(err);
  });
}

ECCRYPT_C_EXPORT size_t eccrypt_stream_pending(const eccrypt_stream* s) {
  return s == nullptr ? 0 : s->pending.size() - s->readPos;
}

ECCRYPT_C_EXPORT void eccrypt_stream_free(eccrypt_stream* s) {
  delete s;
}

// ----- The component -----

ECCRYPT_C_EXPORT int eccrypt_component_new(eccrypt_component** out, eccrypt_error* err) {
  return Guard(err, [&] {
    if (out == nullptr) return Null(err, "out");
    *out = new eccrypt_component;
    return Ok(err);
  });
}

ECCRYPT_C_EXPORT void eccrypt_component_free(eccrypt_component* c) {
  delete c;
}

ECCRYPT_C_EXPORT int eccrypt_component_set_io_mode(eccrypt_component* c, int mode,
                                                   eccrypt_error* err) {
  if (c == nullptr) return Guard(err, [&] { return Null(err, "component"); });
  c->curve.SetIOMode(static_cast<eccrypt::TMode>(static_cast<std::uint8_t>(mode)));
  return Ok(err);
}

ECCRYPT_C_EXPORT int eccrypt_component_io_mode(const eccrypt_component* c) {
  return c == nullptr ? -1 : static_cast<int>(c->curve.IOMode());
}

ECCRYPT_C_EXPORT int eccrypt_component_set_text(eccrypt_component* c, int prop, const char* text,
                                                size_t textLen, eccrypt_error* err) {
  return Guard(err, [&] {
    std::string_view t;
    if (c == nullptr) return Null(err, "component");
    if (!View(text, textLen, t)) return Null(err, "text");
    if (GetText(c->curve, prop) == nullptr) return BadProperty(err, prop);
    std::string copy(t);
    SetText(c->curve, prop, copy);
    ecplatform::WipeText(copy);
    return Ok(err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_component_get_text(const eccrypt_component* c, int prop, char* out,
                                                size_t* outLen, eccrypt_error* err) {
  return Guard(err, [&] {
    if (c == nullptr) return Null(err, "component");
    const std::string* text = GetText(c->curve, prop);
    if (text == nullptr) return BadProperty(err, prop);
    return PutText(*text, out, outLen, err);
  });
}

ECCRYPT_C_EXPORT int eccrypt_component_valid(const eccrypt_component* c) {
  return c == nullptr ? -1 : (c->curve.Valid() ? 1 : 0);
}

ECCRYPT_C_EXPORT int eccrypt_component_set_valid(eccrypt_component* c, int valid,
                                                 eccrypt_error* err) {
  if (c == nullptr) return Guard(err, [&] { return Null(err, "component"); });
  c->curve.SetValid(valid != 0);
  return Ok(err);
}

ECCRYPT_C_EXPORT int eccrypt_component_clear(eccrypt_component* c, eccrypt_error* err) {
  return ComponentOp(c, err, [](eccrypt::TEllipticCurve& e) { e.Clear(); });
}

ECCRYPT_C_EXPORT int eccrypt_component_make_key(eccrypt_component* c, eccrypt_error* err) {
  return ComponentOp(c, err, [](eccrypt::TEllipticCurve& e) { e.MakeKey(); });
}

ECCRYPT_C_EXPORT int eccrypt_component_encrypt(eccrypt_component* c, eccrypt_error* err) {
  return ComponentOp(c, err, [](eccrypt::TEllipticCurve& e) { e.Encrypt(); });
}

ECCRYPT_C_EXPORT int eccrypt_component_decrypt(eccrypt_component* c, eccrypt_error* err) {
  return ComponentOp(c, err, [](eccrypt::TEllipticCurve& e) { e.Decrypt(); });
}

ECCRYPT_C_EXPORT int eccrypt_component_sign(eccrypt_component* c, const uint8_t* digest,
                                            eccrypt_error* err) {
  if (digest == nullptr) return Guard(err, [&] { return Null(err, "digest"); });
  return ComponentOp(c, err, [digest](eccrypt::TEllipticCurve& e) { e.Sign(digest); });
}

ECCRYPT_C_EXPORT int eccrypt_component_verify(eccrypt_component* c, const uint8_t* digest,
                                              eccrypt_error* err) {
  if (digest == nullptr) return Guard(err, [&] { return Null(err, "digest"); });
  return ComponentOp(c, err, [digest](eccrypt::TEllipticCurve& e) { e.Verify(digest); });
}

}  // extern "C"
