#include "tool/fileCrypt.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <span>
#include <string>

#include "tool/armour.h"
#include "tool/fileFormat.h"
#include "tool/fileKeys.h"
#include "tool/formatV2.h"
#include "tool/kdf.h"
#include "tool/secure.h"
#include "tool/streamCipher.h"
#include "tool/textForm.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

static_assert(kSealedFileKeyBytes == kFileKeyBytes + crypto_aead_chacha20poly1305_ietf_ABYTES);
static_assert(kHeaderMacBytes == crypto_auth_hmacsha256_BYTES);
static_assert(crypto_auth_hmacsha256_KEYBYTES == 32);

using TKey32 = TSecretBytes<32>;

constexpr std::string_view kRecipientContext = "eccrypt file v2 recipient";
constexpr std::string_view kPayloadContext = "eccrypt file v2 payload";
// Every stanza is written in one form: the exchanged value in the radix-64 form, its 16 digits
// in 44 characters, whatever form the recipient's key was given in, so that a file does not tell
// which recipients keep hexadecimal keys. (The reader takes both forms and any length it bounds.)
// The recipient's key is converted first; its holder converts the secret key to the stanza's form
// to open it, as for any stanza.
constexpr TMode kStanzaMode = TMode::Base64;
constexpr std::size_t kStanzaValueChars = 44;
// Each draw is short with a chance of about 2^-16; this many in a row do not happen.
constexpr int kMaxExchangeDraws = 64;
// Every wrapping key seals one file key only, so a fixed nonce is never reused under a key.
constexpr std::array<unsigned char, crypto_aead_chacha20poly1305_ietf_NPUBBYTES> kZeroNonce{};

std::span<const std::uint8_t> Bytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

template <std::size_t N>
std::span<std::uint8_t> Span(TSecretBytes<N>& bytes) {
  return {bytes.data(), bytes.size()};
}

void EnsureSodium() {
  if (sodium_init() < 0) throw TToolError("the cryptographic library failed to start");
}

void WrappingKey(std::string_view sessionKey, std::string_view exchangedValue, TMode mode,
                 TKey32& key) {
  std::string info(kRecipientContext);
  info.push_back(static_cast<char>(mode));
  HkdfSha256(Bytes(sessionKey), Bytes(exchangedValue), Bytes(info), Span(key));
}

struct TPayloadKeys {
  TKey32 stream;
  TKey32 mac;
};

void DerivePayloadKeys(TKey32& fileKey, TPayloadKeys& keys) {
  TSecretBytes<64> both;
  HkdfSha256({fileKey.data(), fileKey.size()}, {}, Bytes(kPayloadContext), Span(both));
  std::copy_n(both.data(), 32, keys.stream.data());
  std::copy_n(both.data() + 32, 32, keys.mac.data());
}

// The session key the holder of `secretKey` (in its text form `keyMode`) agrees for one
// stanza; nothing when the component refuses the exchanged value.
bool OpenStanza(const TRecipientStanza& stanza, const TSecretString& secretKey, TMode keyMode,
                TKey32& fileKey) {
  TSecretString secret(ConvertTextForm(secretKey.str(), keyMode, stanza.mode));
  TEllipticCurve curve;
  curve.SetIOMode(stanza.mode);
  curve.SetKeySecret(secret.str());
  curve.SetExchangedValue(stanza.exchangedValue);
  curve.Decrypt();
  if (curve.KeySession().empty()) return false;
  TKey32 wrap;
  WrappingKey(curve.KeySession(), stanza.exchangedValue, stanza.mode, wrap);
  unsigned long long opened = 0;
  return crypto_aead_chacha20poly1305_ietf_decrypt(
             fileKey.data(), &opened, nullptr, stanza.sealedFileKey.data(),
             stanza.sealedFileKey.size(), nullptr, 0, kZeroNonce.data(), wrap.data()) == 0 &&
         opened == kFileKeyBytes;
}

void DecryptVersion1(const TKeySupplier& nextKey, TByteSource& input, TByteSink& output,
                     TProgressMeter* progress) {
  const TFileHeader header = ReadHeaderAfterVersion(input);
  for (const TKeyFile* key = nextKey(); key != nullptr; key = nextKey()) {
    // The key file may hold the key in the other text form than the one it was encrypted for;
    // the component reads both texts in the header's form.
    TSecretString secretKey(ConvertTextForm(key->secretKey.str(), key->mode, header.mode));
    TFileKeys keys;
    {
      TEllipticCurve curve;
      curve.SetIOMode(header.mode);
      curve.SetKeySecret(secretKey.str());
      curve.SetExchangedValue(header.exchangedValue);
      curve.Decrypt();
      if (curve.KeySession().empty()) {
        throw TFormatError(TFormatFault::Damaged,
                           "the exchanged value in its header is not a valid curve point");
      }
      DeriveFileKeys(curve.KeySession(), header.exchangedValue, header.mode, keys);
    }
    if (sodium_memcmp(header.keyCheck.data(), keys.keyCheck.data(), kKeyCheckBytes) != 0) {
      continue;  // another key's file, or a damaged key check: the next key may open it
    }
    DecryptStream(header, keys, input, output, progress);
    return;
  }
  throw TFormatError(TFormatFault::WrongKey, "the file was not encrypted for this key");
}

}  // namespace

void EncryptForRecipients(const std::vector<TPublicKey>& recipients, TByteSource& input,
                          TByteSink& output, TProgressMeter* progress, bool armour) {
  EnsureSodium();
  TKey32 fileKey;
  randombytes_buf(fileKey.data(), fileKey.size());

  TFileHeaderV2 header;
  for (const TPublicKey& recipient : recipients) {
    TEllipticCurve curve;
    curve.SetIOMode(kStanzaMode);
    curve.SetKeyPublic(ConvertTextForm(recipient.text, recipient.mode, kStanzaMode));
    // A value with a zero top digit (about one draw in 65536) would be written shorter: draw
    // again, so that every stanza has the one length.
    for (int draw = 0; draw < kMaxExchangeDraws; ++draw) {
      curve.Encrypt();
      if (curve.ExchangedValue().size() == kStanzaValueChars) break;
    }
    if (curve.ExchangedValue().empty() || curve.KeySession().empty()) {
      throw TToolError(
          "the public key " + recipient.text + " was refused: it is not a valid public key",
          "check that you gave the whole text that 'eccrypt keygen' or 'eccrypt "
          "pubkey' printed");
    }
    if (curve.ExchangedValue().size() != kStanzaValueChars) {
      throw TToolError("cannot draw an exchanged value of full length for the public key " +
                       recipient.text);
    }
    TRecipientStanza stanza;
    stanza.mode = kStanzaMode;
    stanza.exchangedValue = curve.ExchangedValue();
    TKey32 wrap;
    WrappingKey(curve.KeySession(), stanza.exchangedValue, stanza.mode, wrap);
    unsigned long long sealedSize = 0;
    crypto_aead_chacha20poly1305_ietf_encrypt(stanza.sealedFileKey.data(), &sealedSize,
                                              fileKey.data(), fileKey.size(), nullptr, 0, nullptr,
                                              kZeroNonce.data(), wrap.data());
    header.stanzas.push_back(std::move(stanza));
  }

  TPayloadKeys keys;
  DerivePayloadKeys(fileKey, keys);
  std::vector<std::uint8_t> prefix = EncodeHeaderV2Body(header);
  std::array<std::uint8_t, kHeaderMacBytes> mac{};
  crypto_auth_hmacsha256(mac.data(), prefix.data(), prefix.size(), keys.mac.data());
  prefix.insert(prefix.end(), mac.begin(), mac.end());
  if (!armour) {
    SealStream(prefix, keys.stream.data(), input, output, progress);
    return;
  }
  TArmouringSink text(output);
  SealStream(prefix, keys.stream.data(), input, text, progress);
  text.Finish();
}

void DecryptWithKey(const TKeyFile& key, TByteSource& source, TByteSink& output,
                    TProgressMeter* progress) {
  bool given = false;
  DecryptWithKeys(
      [&]() -> const TKeyFile* {
        if (given) return nullptr;
        given = true;
        return &key;
      },
      source, output, progress);
}

void DecryptWithKeys(const TKeySupplier& nextKey, TByteSource& source, TByteSink& output,
                     TProgressMeter* progress) {
  EnsureSodium();
  TDearmouringSource input(source);
  if (ReadFormatVersion(input) == kFormatVersion) {
    DecryptVersion1(nextKey, input, output, progress);
    return;
  }
  const TFileHeaderV2 header = ReadHeaderV2(input);
  TKey32 fileKey;
  bool opened = false;
  for (const TKeyFile* key = nextKey(); key != nullptr && !opened; key = nextKey()) {
    opened = std::any_of(header.stanzas.begin(), header.stanzas.end(),
                         [&](const TRecipientStanza& stanza) {
                           return OpenStanza(stanza, key->secretKey, key->mode, fileKey);
                         });
    if (opened) break;
  }
  if (!opened) {
    throw TFormatError(TFormatFault::WrongKey, "none of its " +
                                                   std::to_string(header.stanzas.size()) +
                                                   " recipient stanzas opens with this key");
  }
  TPayloadKeys keys;
  DerivePayloadKeys(fileKey, keys);
  std::vector<std::uint8_t> prefix = EncodeHeaderV2Body(header);
  if (crypto_auth_hmacsha256_verify(header.mac.data(), prefix.data(), prefix.size(),
                                    keys.mac.data()) != 0) {
    throw TFormatError(TFormatFault::Damaged,
                       "its header was altered or is damaged (the header MAC does not match)");
  }
  prefix.insert(prefix.end(), header.mac.begin(), header.mac.end());
  OpenStream(prefix, keys.stream.data(), input, output, progress);
}

}  // namespace eccrypt::tool
