#include "ECCrypt/formats/sealedData.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/formats/chunkCipher.h"
#include "ECCrypt/formats/sodiumStart.h"
#include "ECCrypt/hash/sha256.h"
#include "ECPlatform/SecureWipe.h"

namespace eccrypt {

namespace {

constexpr std::array<std::uint8_t, 8> kMagic = {'E', 'C', 'C', 'R', 'Y', 'P', 'T', 0x1A};
constexpr std::size_t kMaxValueLength = 256;
constexpr std::size_t kKeyCheckBytes = 16;
constexpr std::size_t kStreamHeaderBytes = crypto_secretstream_xchacha20poly1305_HEADERBYTES;
constexpr std::size_t kChunkBytes = std::size_t{64} * 1024;
constexpr std::size_t kChunkOverhead = crypto_secretstream_xchacha20poly1305_ABYTES;
constexpr std::size_t kFileKeyBytes = 32;
constexpr std::size_t kSealedFileKeyBytes =
    kFileKeyBytes + crypto_aead_chacha20poly1305_ietf_ABYTES;
constexpr std::size_t kMacBytes = crypto_auth_hmacsha256_BYTES;
constexpr std::string_view kRecipientContext = "eccrypt file v2 recipient";
constexpr std::string_view kPayloadContext = "eccrypt file v2 payload";
constexpr std::string_view kVersion1Context = "eccrypt file v1";
// Every stanza holds a radix-64 exchanged value of 44 characters; a shorter draw (a zero top
// digit, about one in 65536) is made again.
constexpr std::size_t kStanzaValueChars = 44;
constexpr int kMaxDraws = 64;
// Every wrapping key seals one file key only, so the fixed nonce is never reused under a key.
constexpr std::array<unsigned char, crypto_aead_chacha20poly1305_ietf_NPUBBYTES> kZeroNonce{};
constexpr std::string_view kArmourBegin = "-----BEGIN ECCRYPT ENCRYPTED FILE-----";
constexpr std::string_view kArmourEnd = "-----END ECCRYPT ENCRYPTED FILE-----";
constexpr std::size_t kArmourLineBytes = 48;  // 64 Base64 characters

using Bytes = std::vector<std::uint8_t>;

// Bytes wiped when they go.
template <std::size_t N>
struct SecretArray {
  std::array<std::uint8_t, N> bytes{};
  SecretArray() = default;
  SecretArray(const SecretArray&) = delete;
  SecretArray& operator=(const SecretArray&) = delete;
  ~SecretArray() { ecplatform::SecureWipe(bytes.data(), bytes.size()); }
};

struct StreamState {
  crypto_secretstream_xchacha20poly1305_state state{};
  StreamState() = default;
  StreamState(const StreamState&) = delete;
  StreamState& operator=(const StreamState&) = delete;
  ~StreamState() { ecplatform::SecureWipe(&state, sizeof state); }
};

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string Info(std::string_view context, std::uint8_t form) {
  std::string info(context);
  info.push_back(static_cast<char>(form));
  return info;
}

bool IsTextOfForm(std::string_view text, std::uint8_t form) {
  constexpr std::string_view kHex = "0123456789ABCDEF";
  constexpr std::string_view kRadix64 =
      "+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  const std::string_view alphabet = form == 1 ? kHex : kRadix64;
  return std::all_of(text.begin(), text.end(),
                     [&](char c) { return alphabet.find(c) != std::string_view::npos; });
}

// The stream key and the MAC key of a version 2 file.
void PayloadKeys(const std::array<std::uint8_t, kFileKeyBytes>& fileKey, SecretArray<64>& keys) {
  HkdfSha256(fileKey, {}, AsBytes(kPayloadContext), keys.bytes);
}

// Every message starts so; what follows is the same text the eccrypt tool has always given.
constexpr std::string_view kPrefix = "sealed data: ";

Error Fault(ErrorCode code, const std::string& what) {
  return Error(code, std::string(kPrefix) + what);
}

// Reads the header in order, bounded, naming the field a file ends inside.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  bool Take(std::size_t count, std::span<const std::uint8_t>& out) {
    if (bytes_.size() - at_ < count) return false;
    out = bytes_.subspan(at_, count);
    at_ += count;
    return true;
  }
  std::size_t At() const { return at_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

Error Truncated(const std::string& what) {
  return Fault(ErrorCode::Truncated, "the file ends inside its header (" + what + ")");
}

// An exchanged value as stored: text form (1 byte), length (2 bytes), text. `what` names the
// three bytes before the text when the data ends inside them, `name` the value whose text
// breaks its form.
Result<std::pair<std::uint8_t, std::string>> ReadValue(Reader& reader, const std::string& what,
                                                       const std::string& name) {
  std::span<const std::uint8_t> head, text;
  if (!reader.Take(3, head)) return Truncated(what);
  if (head[0] > 1) {
    return Fault(ErrorCode::Malformed, "the file header names an unknown text form");
  }
  const std::size_t length = (std::size_t{head[1]} << 8) | head[2];
  if (length == 0 || length > kMaxValueLength) {
    return Fault(ErrorCode::Malformed,
                 "the file header gives an impossible exchanged-value length (" +
                     std::to_string(length) + ")");
  }
  if (!reader.Take(length, text)) return Truncated("exchanged value");
  std::string value(text.begin(), text.end());
  if (!IsTextOfForm(value, head[0])) {
    return Fault(ErrorCode::Malformed, name + " in the file header contains invalid characters");
  }
  return std::pair{head[0], std::move(value)};
}

// What opening a header gives: where the chunks start and the keys to open them.
struct OpenedHeader {
  std::size_t prefixLength = 0;  // every byte before the first chunk: its additional data
  SecretArray<32> streamKey;
  std::array<std::uint8_t, kStreamHeaderBytes> streamHeader{};
};

using NextKey = std::function<const SecretKey*()>;

// The session key text the component agrees for the holder of `key` from an exchanged value.
bool AgreedSession(const SecretKey& key, std::uint8_t form, const std::string& exchanged,
                   ecplatform::TSecretText& session) {
  const TextForm textForm = form == 1 ? TextForm::Hex : TextForm::Radix64;
  ecplatform::TSecretText secret;
  secret.text = key.ExportText(textForm);
  TEllipticCurve curve;
  curve.SetIOMode(form == 1 ? TMode::Hex : TMode::Base64);
  curve.SetKeySecret(secret.text);
  curve.SetExchangedValue(exchanged);
  curve.Decrypt();
  session.text = curve.KeySession();
  curve.Clear();
  return !session.text.empty();
}

Result<void> OpenHeaderVersion1(Reader& reader, const NextKey& nextKey, OpenedHeader& opened) {
  auto value = ReadValue(reader, "text form", "the exchanged value");
  if (!value) return value.Error();
  std::span<const std::uint8_t> keyCheck, streamHeader;
  if (!reader.Take(kKeyCheckBytes, keyCheck)) return Truncated("key check");
  if (!reader.Take(kStreamHeaderBytes, streamHeader)) return Truncated("stream header");
  const auto& [form, exchanged] = value.Value();
  for (const SecretKey* key = nextKey(); key != nullptr; key = nextKey()) {
    ecplatform::TSecretText session;
    if (!AgreedSession(*key, form, exchanged, session)) {
      return Fault(ErrorCode::Malformed,
                   "the exchanged value in its header is not a valid curve point");
    }
    SecretArray<32 + kKeyCheckBytes> keys;
    HkdfSha256(AsBytes(session.text), AsBytes(exchanged), AsBytes(Info(kVersion1Context, form)),
               keys.bytes);
    if (sodium_memcmp(keyCheck.data(), keys.bytes.data() + 32, kKeyCheckBytes) != 0) continue;
    std::copy_n(keys.bytes.begin(), 32, opened.streamKey.bytes.begin());
    std::copy(streamHeader.begin(), streamHeader.end(), opened.streamHeader.begin());
    opened.prefixLength = reader.At();
    return {};
  }
  return Fault(ErrorCode::NoMatchingKey, "the file was not encrypted for this key");
}

Result<void> OpenHeaderVersion2(std::span<const std::uint8_t> data, Reader& reader,
                                const NextKey& nextKey, OpenedHeader& opened) {
  std::span<const std::uint8_t> count;
  if (!reader.Take(2, count)) return Truncated("number of recipients");
  const std::size_t recipients = (std::size_t{count[0]} << 8) | count[1];
  if (recipients == 0 || recipients > MaxRecipients) {
    return Fault(ErrorCode::Malformed,
                 "the file header gives an impossible number of recipients (" +
                     std::to_string(recipients) + ")");
  }
  // The whole header is read before any key is asked for: a header still arriving costs no
  // key agreement, and a key is unlocked only for a header that can be opened.
  std::vector<std::pair<std::pair<std::uint8_t, std::string>, std::span<const std::uint8_t>>>
      stanzas;
  for (std::size_t i = 0; i < recipients; ++i) {
    auto value = ReadValue(reader, "recipient", "an exchanged value");
    if (!value) return value.Error();
    std::span<const std::uint8_t> sealed;
    if (!reader.Take(kSealedFileKeyBytes, sealed)) return Truncated("sealed file key");
    stanzas.emplace_back(std::move(value).Value(), sealed);
  }
  const std::size_t bodyEnd = reader.At();
  std::span<const std::uint8_t> mac, streamHeader;
  if (!reader.Take(kMacBytes, mac)) return Truncated("header MAC");
  if (!reader.Take(kStreamHeaderBytes, streamHeader)) return Truncated("stream header");

  SecretArray<kFileKeyBytes> fileKey;
  bool found = false;
  for (const SecretKey* key = nextKey(); key != nullptr && !found; key = nextKey()) {
    for (const auto& [value, sealed] : stanzas) {
      const auto& [form, exchanged] = value;
      ecplatform::TSecretText session;
      if (!AgreedSession(*key, form, exchanged, session)) continue;
      SecretArray<32> wrap;
      HkdfSha256(AsBytes(session.text), AsBytes(exchanged), AsBytes(Info(kRecipientContext, form)),
                 wrap.bytes);
      unsigned long long size = 0;
      if (crypto_aead_chacha20poly1305_ietf_decrypt(fileKey.bytes.data(), &size, nullptr,
                                                    sealed.data(), sealed.size(), nullptr, 0,
                                                    kZeroNonce.data(), wrap.bytes.data()) == 0 &&
          size == kFileKeyBytes) {
        found = true;
        break;
      }
    }
    if (found) break;
  }
  if (!found) {
    return Fault(ErrorCode::NoMatchingKey, "none of its " + std::to_string(recipients) +
                                               " recipient stanzas opens with this key");
  }
  SecretArray<64> keys;
  PayloadKeys(fileKey.bytes, keys);
  if (crypto_auth_hmacsha256_verify(mac.data(), data.data(), bodyEnd, keys.bytes.data() + 32) !=
      0) {
    return Fault(ErrorCode::HeaderAltered,
                 "its header was altered or is damaged (the header MAC does not match)");
  }
  std::copy_n(keys.bytes.begin(), 32, opened.streamKey.bytes.begin());
  std::copy(streamHeader.begin(), streamHeader.end(), opened.streamHeader.begin());
  opened.prefixLength = reader.At();
  return {};
}

// Opens the header at the start of `data` (which begins with the magic); Truncated while it has
// not all arrived.
Result<void> OpenHeader(std::span<const std::uint8_t> data, const NextKey& nextKey,
                        OpenedHeader& opened) {
  Reader reader(data);
  std::span<const std::uint8_t> magic, version;
  if (!reader.Take(kMagic.size(), magic)) return Truncated("magic");
  if (!reader.Take(1, version)) return Truncated("version");
  if (version[0] > 2) {
    return Fault(ErrorCode::UnsupportedVersion,
                 "the file has format version " + std::to_string(version[0]) +
                     ", which this eccrypt does not know (it reads versions 1 and 2)");
  }
  if (version[0] == 0) {
    return Fault(ErrorCode::Malformed, "the file header has an invalid format version");
  }
  return version[0] == 1 ? OpenHeaderVersion1(reader, nextKey, opened)
                         : OpenHeaderVersion2(data, reader, nextKey, opened);
}

constexpr std::size_t kArmourLineChars = 64;
constexpr int kBase64 = sodium_base64_VARIANT_ORIGINAL;

// Turns sealed bytes into armour lines as they come, keeping fewer than a line's worth.
class ArmourWriter {
 public:
  // Appends the full lines of `bytes` (after what was kept) to `out`; with `last`, every line
  // and the END line.
  void Write(std::span<const std::uint8_t> bytes, Bytes& out, bool last) {
    if (!begun_) {
      out.insert(out.end(), kArmourBegin.begin(), kArmourBegin.end());
      out.push_back('\n');
      begun_ = true;
    }
    if (!kept_.empty()) {
      const std::size_t take = std::min(kArmourLineBytes - kept_.size(), bytes.size());
      kept_.insert(kept_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
      bytes = bytes.subspan(take);
      if (kept_.size() == kArmourLineBytes || last) {
        Line(kept_, out);
        kept_.clear();
      }
    }
    const std::size_t lines = last ? (bytes.size() + kArmourLineBytes - 1) / kArmourLineBytes
                                   : bytes.size() / kArmourLineBytes;
    out.reserve(out.size() + lines * (kArmourLineChars + 1) + kArmourEnd.size() + 1);
    for (std::size_t i = 0; i < lines; ++i) {
      const std::size_t take = std::min(kArmourLineBytes, bytes.size());
      Line(bytes.first(take), out);
      bytes = bytes.subspan(take);
    }
    kept_.insert(kept_.end(), bytes.begin(), bytes.end());
    if (last) {
      out.insert(out.end(), kArmourEnd.begin(), kArmourEnd.end());
      out.push_back('\n');
    }
  }

 private:
  static void Line(std::span<const std::uint8_t> bytes, Bytes& out) {
    char line[kArmourLineChars + 1];
    sodium_bin2base64(line, sizeof line, bytes.data(), bytes.size(), kBase64);
    const std::size_t length = sodium_base64_encoded_len(bytes.size(), kBase64) - 1;
    out.insert(out.end(), line, line + length);
    out.push_back('\n');
  }

  bool begun_ = false;
  Bytes kept_;
};

// Reads armour line by line as it comes, appending the bytes it holds; strict about every line.
class ArmourReader {
 public:
  // Takes the text after the BEGIN line's own characters.
  Result<void> Read(std::span<const std::uint8_t> bytes, Bytes& decoded) {
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    while (!beginEnded_ && !text.empty()) {
      // The BEGIN line ends at once, with a line feed or a carriage return and a line feed.
      const char c = text.front();
      text.remove_prefix(1);
      if (c == '\n') {
        beginEnded_ = true;
      } else if (c == '\r' && !carriage_) {
        carriage_ = true;
      } else {
        return Malformed(1, "the BEGIN line must end there");
      }
    }
    while (!text.empty()) {
      if (ended_) return Malformed(line_ + 1, "text after the END line");
      const std::size_t end = text.find('\n');
      if (end == std::string_view::npos) {
        if (partial_.size() + text.size() > kArmourLineChars + 2) {
          return Malformed(line_ + 1, "line too long");
        }
        partial_ += text;
        return {};
      }
      std::string_view line = text.substr(0, end);
      text.remove_prefix(end + 1);
      if (!partial_.empty()) {
        partial_ += line;
        line = partial_;
      }
      ++line_;
      if (line.ends_with('\r')) line.remove_suffix(1);
      auto taken = TakeLine(line, decoded);
      partial_.clear();
      if (!taken) return taken;
    }
    return {};
  }

  // Checks that the armour ended with its END line.
  Result<void> Finish() const {
    if (!beginEnded_) return Malformed(1, "the BEGIN line must end there");
    if (!partial_.empty()) return Malformed(line_ + 1, "the last line has no line end");
    if (!ended_) return Fault(ErrorCode::Truncated, "the armour ends without its END line");
    return {};
  }

 private:
  static Error Malformed(std::size_t line, const std::string& what) {
    return Fault(ErrorCode::Malformed,
                 "the armour is malformed at line " + std::to_string(line) + ": " + what);
  }

  Result<void> TakeLine(std::string_view line, Bytes& decoded) {
    if (line == kArmourEnd) {
      ended_ = true;
      return {};
    }
    if (lastData_) return Malformed(line_, "a short line must be the last before END");
    if (line.empty() || line.size() > kArmourLineChars || line.size() % 4 != 0) {
      return Malformed(line_, "lines hold 64 Base64 characters (the last a multiple of 4)");
    }
    lastData_ = line.size() < kArmourLineChars || line.back() == '=';
    std::uint8_t bytes[kArmourLineBytes];
    std::size_t got = 0;
    if (sodium_base642bin(bytes, sizeof bytes, line.data(), line.size(), nullptr, &got, nullptr,
                          kBase64) != 0) {
      return Malformed(line_, "not Base64");
    }
    decoded.insert(decoded.end(), bytes, bytes + got);
    return {};
  }

  bool beginEnded_ = false;
  bool carriage_ = false;  // a carriage return after the BEGIN line
  bool ended_ = false;     // the END line has been read
  bool lastData_ = false;  // a data line shorter than a full one has been read
  std::string partial_;    // the line being read, without its line feed
  std::size_t line_ = 1;   // the number of the last line read whole
};

}  // namespace

struct Sealer::State {
  StreamState stream;
  Bytes header;  // written first; also the additional data of the first chunk
  bool headerWritten = false;
  bool first = true;
  bool finished = false;
  Bytes pending;  // at most one chunk of data, held until more follows or Finish marks it last
  std::optional<ArmourWriter> armour;
  Bytes binary;  // with armour: the sealed bytes of one call, before they become text
  ~State() { ecplatform::SecureWipe(pending.data(), pending.size()); }

  // Seals `data` (one chunk or less) as the next chunk, appending it to `out`.
  void Push(std::span<const std::uint8_t> data, Bytes& out, bool last) {
    const std::size_t start = out.size();
    out.resize(start + data.size() + kChunkOverhead);
    formats::SealChunk(
        stream.state, out.data() + start, data,
        first ? std::span<const std::uint8_t>(header) : std::span<const std::uint8_t>(),
        last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
             : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE);
    first = false;
  }

  void PushPending(Bytes& out, bool last) {
    Push(pending, out, last);
    ecplatform::SecureWipe(pending.data(), pending.size());
    pending.clear();
  }

  // Seals what `piece` completes, appending the sealed bytes to `out`.
  void Take(std::span<const std::uint8_t> piece, Bytes& out) {
    if (!headerWritten) {
      out.insert(out.end(), header.begin(), header.end());
      headerWritten = true;
    }
    if (!pending.empty() && !piece.empty()) {
      const std::size_t take = std::min(kChunkBytes - pending.size(), piece.size());
      pending.insert(pending.end(), piece.begin(),
                     piece.begin() + static_cast<std::ptrdiff_t>(take));
      piece = piece.subspan(take);
      // A full chunk is sealed only once more data follows: the last one is marked final.
      if (piece.empty()) return;
      PushPending(out, false);
    }
    for (; piece.size() > kChunkBytes; piece = piece.subspan(kChunkBytes)) {
      Push(piece.first(kChunkBytes), out, false);
    }
    if (!piece.empty()) pending.assign(piece.begin(), piece.end());
  }
};

Sealer::Sealer(std::unique_ptr<State> state) : state_(std::move(state)) {}
Sealer::Sealer(Sealer&&) noexcept = default;
Sealer& Sealer::operator=(Sealer&&) noexcept = default;
Sealer::~Sealer() = default;

Result<Sealer> Sealer::Create(std::span<const PublicKey> recipients, const SealOptions& options) {
  if (auto started = formats::StartSodium(); !started) return started.Error();
  std::vector<PublicKey> unique;
  for (const PublicKey& recipient : recipients) {
    if (std::find(unique.begin(), unique.end(), recipient) == unique.end()) {
      unique.push_back(recipient);
    }
  }
  if (unique.empty() || unique.size() > MaxRecipients) {
    return Error(ErrorCode::InvalidArgument, "Seal: 1 to " + std::to_string(MaxRecipients) +
                                                 " recipients, not " +
                                                 std::to_string(unique.size()));
  }
  auto state = std::make_unique<State>();
  if (options.armor) state->armour.emplace();
  SecretArray<kFileKeyBytes> fileKey;
  randombytes_buf(fileKey.bytes.data(), fileKey.bytes.size());

  Bytes& out = state->header;
  out.assign(kMagic.begin(), kMagic.end());
  out.push_back(2);
  out.push_back(static_cast<std::uint8_t>(unique.size() >> 8));
  out.push_back(static_cast<std::uint8_t>(unique.size() & 0xFF));
  for (const PublicKey& recipient : unique) {
    TEllipticCurve curve;
    curve.SetIOMode(TMode::Base64);
    curve.SetKeyPublic(recipient.ToText(TextForm::Radix64));
    for (int draw = 0; draw < kMaxDraws; ++draw) {
      curve.Encrypt();
      if (curve.ExchangedValue().size() == kStanzaValueChars) break;
    }
    if (curve.ExchangedValue().size() != kStanzaValueChars || curve.KeySession().empty()) {
      return Error(ErrorCode::Internal, "Seal: no exchanged value of full length was drawn");
    }
    const std::string exchanged = curve.ExchangedValue();
    SecretArray<32> wrap;
    HkdfSha256(AsBytes(curve.KeySession()), AsBytes(exchanged), AsBytes(Info(kRecipientContext, 0)),
               wrap.bytes);
    curve.Clear();
    std::array<std::uint8_t, kSealedFileKeyBytes> sealed{};
    unsigned long long sealedSize = 0;
    crypto_aead_chacha20poly1305_ietf_encrypt(sealed.data(), &sealedSize, fileKey.bytes.data(),
                                              fileKey.bytes.size(), nullptr, 0, nullptr,
                                              kZeroNonce.data(), wrap.bytes.data());
    out.push_back(0);  // radix-64
    out.push_back(0);
    out.push_back(static_cast<std::uint8_t>(exchanged.size()));
    out.insert(out.end(), exchanged.begin(), exchanged.end());
    out.insert(out.end(), sealed.begin(), sealed.end());
  }
  SecretArray<64> keys;
  PayloadKeys(fileKey.bytes, keys);
  std::array<std::uint8_t, kMacBytes> mac{};
  crypto_auth_hmacsha256(mac.data(), out.data(), out.size(), keys.bytes.data() + 32);
  out.insert(out.end(), mac.begin(), mac.end());
  std::array<std::uint8_t, kStreamHeaderBytes> streamHeader{};
  crypto_secretstream_xchacha20poly1305_init_push(&state->stream.state, streamHeader.data(),
                                                  keys.bytes.data());
  out.insert(out.end(), streamHeader.begin(), streamHeader.end());
  state->pending.reserve(kChunkBytes);
  return Sealer(std::move(state));
}

Result<void> Sealer::Update(std::span<const std::uint8_t> piece, Bytes& out) {
  if (!state_ || state_->finished) {
    return Error(ErrorCode::InvalidArgument, "Sealer: already finished");
  }
  State& state = *state_;
  if (!state.armour) {
    state.Take(piece, out);
    return {};
  }
  state.binary.clear();
  state.Take(piece, state.binary);
  state.armour->Write(state.binary, out, false);
  return {};
}

Result<void> Sealer::Finish(Bytes& out) {
  if (!state_ || state_->finished) {
    return Error(ErrorCode::InvalidArgument, "Sealer: already finished");
  }
  State& state = *state_;
  state.finished = true;
  Bytes& target = state.armour ? state.binary : out;
  if (state.armour) state.binary.clear();
  state.Take({}, target);
  state.PushPending(target, true);
  if (state.armour) state.armour->Write(state.binary, out, true);
  return {};
}

struct Opener::State {
  std::optional<SecretKey> key;  // the one key of Create(key)
  bool keyGiven = false;
  NextKey keys;
  enum class Phase { Start, Header, Chunks, Done, Failed } phase = Phase::Start;
  bool armoured = false;
  bool recognised = false;
  ArmourReader armour;
  Bytes opening;  // the first bytes, until they tell armour from binary data
  Bytes decoded;  // with armour: the bytes of one call's text
  Bytes buffer;   // the header while it arrives, then a chunk split between pieces
  Bytes prefix;   // the header, additional data of the first chunk
  // The header is parsed again only once the bytes buffered for it have doubled since the last
  // try that found it incomplete, so data fed in tiny pieces costs linear time, not quadratic.
  std::size_t nextHeaderTry = 0;
  std::uint64_t offset = 0;  // where the next chunk starts in the sealed data
  StreamState stream;
  bool first = true;

  const SecretKey* NextOwnKey() {
    if (keyGiven) return nullptr;
    keyGiven = true;
    return &*key;
  }

  Result<void> Fail(Error error) {
    phase = Phase::Failed;
    return error;
  }

  // Opens one chunk of `sealed`, appending its plaintext to `out`. `atEnd`: nothing follows.
  Result<void> OpenChunk(std::span<const std::uint8_t> sealed, Bytes& out, bool atEnd) {
    const std::size_t start = out.size();
    out.resize(start + sealed.size() - kChunkOverhead);
    std::uint8_t tag = 0;
    const bool whole = sealed.size() == kChunkBytes + kChunkOverhead;
    const auto dropPlain = [&] {
      ecplatform::SecureWipe(out.data() + start, out.size() - start);
      out.resize(start);
    };
    if (!formats::OpenChunk(
            stream.state, out.data() + start, tag, sealed,
            first ? std::span<const std::uint8_t>(prefix) : std::span<const std::uint8_t>())) {
      dropPlain();
      // A short block is the last one: it was altered, or the data was cut inside it.
      return Fail(Fault(ErrorCode::Damaged,
                        std::string(whole ? "the file is damaged or was altered"
                                          : "the file is damaged, altered or truncated") +
                            ": the block at byte " + std::to_string(offset) +
                            " fails authentication"));
    }
    if (tag != crypto_secretstream_xchacha20poly1305_TAG_FINAL &&
        tag != crypto_secretstream_xchacha20poly1305_TAG_MESSAGE) {
      dropPlain();
      return Fail(Fault(ErrorCode::Damaged,
                        "the block at byte " + std::to_string(offset) + " carries an unknown tag"));
    }
    first = false;
    offset += sealed.size();
    if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL) {
      phase = Phase::Done;
    } else if (atEnd || !whole) {
      return Fail(Fault(ErrorCode::Truncated, "the file is truncated: it ends at byte " +
                                                  std::to_string(offset) +
                                                  " before its final block"));
    }
    return {};
  }

  Result<void> TrailingData() {
    return Fail(Fault(ErrorCode::TrailingData, "the file has data after its final block, at byte " +
                                                   std::to_string(offset)));
  }

  // Takes the next bytes of the binary form; `atEnd` when no more will come.
  Result<void> Take(std::span<const std::uint8_t> bytes, Bytes& out, bool atEnd) {
    Bytes rest;
    if (phase == Phase::Header) {
      buffer.insert(buffer.end(), bytes.begin(), bytes.end());
      bytes = {};
      if (atEnd && buffer.empty()) return Fail(Fault(ErrorCode::Malformed, "the input is empty"));
      const std::size_t compared = std::min(buffer.size(), kMagic.size());
      if (!std::equal(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(compared),
                      kMagic.begin()) ||
          (atEnd && compared < kMagic.size())) {
        return Fail(Fault(ErrorCode::Malformed, "the input is not an eccrypt encrypted file"));
      }
      if (compared == kMagic.size()) recognised = true;
      if (!atEnd && buffer.size() < nextHeaderTry) return {};  // wait
      OpenedHeader opened;
      auto header =
          OpenHeader(buffer, keys ? keys : NextKey([this] { return NextOwnKey(); }), opened);
      if (!header) {
        if (header.Error().Code() == ErrorCode::Truncated && !atEnd) {
          nextHeaderTry = buffer.size() * 2;
          return {};  // wait
        }
        return Fail(header.Error());
      }
      if (crypto_secretstream_xchacha20poly1305_init_pull(&stream.state, opened.streamHeader.data(),
                                                          opened.streamKey.bytes.data()) != 0) {
        return Fail(Fault(ErrorCode::Malformed, "the file's stream header is invalid"));
      }
      prefix.assign(buffer.begin(),
                    buffer.begin() + static_cast<std::ptrdiff_t>(opened.prefixLength));
      rest.assign(buffer.begin() + static_cast<std::ptrdiff_t>(opened.prefixLength), buffer.end());
      ecplatform::SecureWipe(buffer.data(), buffer.size());
      buffer.clear();
      offset = opened.prefixLength;
      phase = Phase::Chunks;
      bytes = rest;
    }
    constexpr std::size_t kFull = kChunkBytes + kChunkOverhead;
    if (phase == Phase::Chunks && !buffer.empty()) {
      // A chunk split between pieces: completed here, then opened.
      const std::size_t take = std::min(kFull - buffer.size(), bytes.size());
      buffer.insert(buffer.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
      bytes = bytes.subspan(take);
      if (buffer.size() == kFull) {
        auto opened = OpenChunk(buffer, out, atEnd && bytes.empty());
        buffer.clear();
        if (!opened) return opened;
      }
    }
    // Whole chunks straight from the piece.
    while (phase == Phase::Chunks && bytes.size() >= kFull) {
      auto opened = OpenChunk(bytes.first(kFull), out, atEnd && bytes.size() == kFull);
      if (!opened) return opened;
      bytes = bytes.subspan(kFull);
    }
    if (phase == Phase::Done) {
      if (!bytes.empty() || !buffer.empty()) return TrailingData();
      return {};
    }
    if (phase != Phase::Chunks) return {};
    buffer.insert(buffer.end(), bytes.begin(), bytes.end());
    if (!atEnd) return {};
    if (buffer.size() < kChunkOverhead) {
      return Fail(Fault(ErrorCode::Truncated, "the file is truncated: it ends at byte " +
                                                  std::to_string(offset + buffer.size()) +
                                                  " before its final block"));
    }
    auto opened = OpenChunk(buffer, out, true);
    buffer.clear();
    return opened;
  }

  // Takes the next bytes as they come, armoured or not.
  Result<void> Feed(std::span<const std::uint8_t> piece, Bytes& out, bool atEnd) {
    if (phase == Phase::Start) {
      // The first bytes tell armour from binary data.
      const std::size_t take = std::min(kArmourBegin.size() - opening.size(), piece.size());
      opening.insert(opening.end(), piece.begin(),
                     piece.begin() + static_cast<std::ptrdiff_t>(take));
      piece = piece.subspan(take);
      if (opening.size() < kArmourBegin.size() && !atEnd) return {};
      armoured = std::string_view(reinterpret_cast<const char*>(opening.data()), opening.size()) ==
                 kArmourBegin;
      phase = Phase::Header;
      if (!armoured) {
        Bytes head = std::move(opening);
        if (auto taken = Take(head, out, atEnd && piece.empty()); !taken) return taken;
        if (piece.empty()) return {};
      }
    }
    if (!armoured) return Take(piece, out, atEnd);
    decoded.clear();
    if (auto read = armour.Read(piece, decoded); !read) {
      recognised = true;
      return Fail(read.Error());
    }
    if (atEnd) {
      if (auto finished = armour.Finish(); !finished) {
        recognised = true;
        return Fail(finished.Error());
      }
    }
    return Take(decoded, out, atEnd);
  }
};

Opener::Opener(std::unique_ptr<State> state) : state_(std::move(state)) {}
Opener::Opener(Opener&&) noexcept = default;
Opener& Opener::operator=(Opener&&) noexcept = default;
Opener::~Opener() = default;

Result<Opener> Opener::Create(const SecretKey& key) {
  if (auto started = formats::StartSodium(); !started) return started.Error();
  ecplatform::TSecretText text;
  text.text = key.ExportText(TextForm::Hex);
  auto copy = SecretKey::Parse(text.text);
  if (!copy) return copy.Error();
  auto state = std::make_unique<State>();
  state->key.emplace(std::move(copy).Value());
  return Opener(std::move(state));
}

Result<Opener> Opener::Create(KeySource keys) {
  if (auto started = formats::StartSodium(); !started) return started.Error();
  if (!keys) return Error(ErrorCode::InvalidArgument, "Opener: no key source");
  auto state = std::make_unique<State>();
  state->keys = std::move(keys);
  return Opener(std::move(state));
}

Result<void> Opener::Update(std::span<const std::uint8_t> piece, Bytes& out) {
  if (!state_ || state_->phase == State::Phase::Failed) {
    return Error(ErrorCode::InvalidArgument, "Opener: already failed or finished");
  }
  return state_->Feed(piece, out, false);
}

Result<void> Opener::Finish(Bytes& out) {
  if (!state_ || state_->phase == State::Phase::Failed) {
    return Error(ErrorCode::InvalidArgument, "Opener: already failed or finished");
  }
  auto taken = state_->Feed({}, out, true);
  state_->phase = State::Phase::Failed;  // spent either way
  return taken;
}

bool Opener::Recognised() const noexcept {
  return state_ && state_->recognised;
}

Result<Bytes> Seal(std::span<const std::uint8_t> data, std::span<const PublicKey> recipients,
                   const SealOptions& options) {
  auto sealer = Sealer::Create(recipients, options);
  if (!sealer) return sealer.Error();
  Bytes out;
  const std::size_t binary = data.size() + data.size() / kChunkBytes * kChunkOverhead + 512;
  out.reserve(options.armor ? binary / 3 * 4 + binary / 48 + 128 : binary);
  if (auto updated = sealer.Value().Update(data, out); !updated) return updated.Error();
  if (auto finished = sealer.Value().Finish(out); !finished) return finished.Error();
  return out;
}

Result<Bytes> Open(std::span<const std::uint8_t> data, const SecretKey& key) {
  auto opener = Opener::Create(key);
  if (!opener) return opener.Error();
  Bytes plain;
  plain.reserve(data.size());
  const auto wiped = [&plain](Error error) -> Result<Bytes> {
    ecplatform::SecureWipe(plain.data(), plain.size());
    return error;
  };
  if (auto updated = opener.Value().Update(data, plain); !updated) return wiped(updated.Error());
  if (auto finished = opener.Value().Finish(plain); !finished) return wiped(finished.Error());
  return plain;
}

bool LooksSealed(std::span<const std::uint8_t> start) {
  const std::string_view text(reinterpret_cast<const char*>(start.data()), start.size());
  return text.starts_with(
             std::string_view(reinterpret_cast<const char*>(kMagic.data()), kMagic.size())) ||
         text.starts_with(kArmourBegin);
}

Result<SealedDataHeader> ReadSealedHeader(std::span<const std::uint8_t> data) {
  if (auto started = formats::StartSodium(); !started) return started.Error();
  SealedDataHeader header;
  const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
  Bytes decoded;
  if (text.starts_with(kArmourBegin)) {
    header.armored = true;
    ArmourReader armour;
    if (auto read = armour.Read(data.subspan(kArmourBegin.size()), decoded); !read) {
      return read.Error();
    }
    data = decoded;
  }
  if (data.empty()) return Fault(ErrorCode::Malformed, "the input is empty");
  if (data.size() < kMagic.size() || !std::equal(kMagic.begin(), kMagic.end(), data.begin())) {
    return Fault(ErrorCode::Malformed, "the input is not an eccrypt encrypted file");
  }
  // Opening with no key reads every field of the header and stops where a key is needed.
  OpenedHeader opened;
  auto read = OpenHeader(
      data, [] { return static_cast<const SecretKey*>(nullptr); }, opened);
  if (!read && read.Error().Code() != ErrorCode::NoMatchingKey) return read.Error();
  header.version = data[8];
  if (header.version == 1) {
    header.recipients = 1;
    header.valueForm = data[9] == 1 ? TextForm::Hex : TextForm::Radix64;
  } else {
    header.recipients = (std::size_t{data[9]} << 8) | data[10];
  }
  return header;
}

Result<Bytes> Open(std::span<const std::uint8_t> data, const KeyPair& key) {
  return Open(data, key.Secret());
}

}  // namespace eccrypt
