#include "ECCrypt/formats/sealedData.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "ECCrypt/ECCrypt.h"
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
  return Error(ErrorCode::Truncated, "sealed data: truncated inside its " + what);
}

// An exchanged value as stored: text form (1 byte), length (2 bytes), text.
Result<std::pair<std::uint8_t, std::string>> ReadValue(Reader& reader, const std::string& what) {
  std::span<const std::uint8_t> head, text;
  if (!reader.Take(3, head)) return Truncated(what);
  const std::size_t length = (std::size_t{head[1]} << 8) | head[2];
  if (head[0] > 1 || length == 0 || length > kMaxValueLength) {
    return Error(ErrorCode::Malformed, "sealed data: its " + what + " is out of its bounds");
  }
  if (!reader.Take(length, text)) return Truncated(what);
  std::string value(text.begin(), text.end());
  if (!IsTextOfForm(value, head[0])) {
    return Error(ErrorCode::Malformed,
                 "sealed data: its " + what + " has characters outside its text form");
  }
  return std::pair{head[0], std::move(value)};
}

// What opening a header gives: where the chunks start and the keys to open them.
struct OpenedHeader {
  std::size_t prefixLength = 0;  // every byte before the first chunk: its additional data
  SecretArray<32> streamKey;
  std::array<std::uint8_t, kStreamHeaderBytes> streamHeader{};
};

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

Result<void> OpenHeaderVersion1(Reader& reader, const SecretKey& key, OpenedHeader& opened) {
  auto value = ReadValue(reader, "exchanged value");
  if (!value) return value.Error();
  std::span<const std::uint8_t> keyCheck, streamHeader;
  if (!reader.Take(kKeyCheckBytes, keyCheck)) return Truncated("key check");
  if (!reader.Take(kStreamHeaderBytes, streamHeader)) return Truncated("stream header");
  const auto& [form, exchanged] = value.Value();
  ecplatform::TSecretText session;
  if (!AgreedSession(key, form, exchanged, session)) {
    return Error(ErrorCode::Malformed,
                 "sealed data: the exchanged value in its header is not a valid curve point");
  }
  SecretArray<32 + kKeyCheckBytes> keys;
  HkdfSha256(AsBytes(session.text), AsBytes(exchanged), AsBytes(Info(kVersion1Context, form)),
             keys.bytes);
  if (sodium_memcmp(keyCheck.data(), keys.bytes.data() + 32, kKeyCheckBytes) != 0) {
    return Error(ErrorCode::NoMatchingKey, "sealed data: not sealed for this key");
  }
  std::copy_n(keys.bytes.begin(), 32, opened.streamKey.bytes.begin());
  std::copy(streamHeader.begin(), streamHeader.end(), opened.streamHeader.begin());
  opened.prefixLength = reader.At();
  return {};
}

Result<void> OpenHeaderVersion2(std::span<const std::uint8_t> data, Reader& reader,
                                const SecretKey& key, OpenedHeader& opened) {
  std::span<const std::uint8_t> count;
  if (!reader.Take(2, count)) return Truncated("number of recipients");
  const std::size_t recipients = (std::size_t{count[0]} << 8) | count[1];
  if (recipients == 0 || recipients > MaxRecipients) {
    return Error(ErrorCode::Malformed, "sealed data: an impossible number of recipients (" +
                                           std::to_string(recipients) + ")");
  }
  // The whole header is read before any stanza is tried: a header still arriving costs no
  // key agreement.
  std::vector<std::pair<std::pair<std::uint8_t, std::string>, std::span<const std::uint8_t>>>
      stanzas;
  for (std::size_t i = 0; i < recipients; ++i) {
    auto value = ReadValue(reader, "recipient");
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
  for (const auto& [value, sealed] : stanzas) {
    const auto& [form, exchanged] = value;
    ecplatform::TSecretText session;
    if (!AgreedSession(key, form, exchanged, session)) continue;
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
  if (!found) {
    return Error(ErrorCode::NoMatchingKey, "sealed data: none of its " +
                                               std::to_string(recipients) +
                                               " recipient stanzas opens with this key");
  }
  SecretArray<64> keys;
  PayloadKeys(fileKey.bytes, keys);
  if (crypto_auth_hmacsha256_verify(mac.data(), data.data(), bodyEnd, keys.bytes.data() + 32) !=
      0) {
    return Error(ErrorCode::HeaderAltered,
                 "sealed data: its header was altered or is damaged (the header MAC does not "
                 "match)");
  }
  std::copy_n(keys.bytes.begin(), 32, opened.streamKey.bytes.begin());
  std::copy(streamHeader.begin(), streamHeader.end(), opened.streamHeader.begin());
  opened.prefixLength = reader.At();
  return {};
}

// Opens the header at the start of `data`; Truncated while it has not all arrived.
Result<void> OpenHeader(std::span<const std::uint8_t> data, const SecretKey& key,
                        OpenedHeader& opened) {
  Reader reader(data);
  std::span<const std::uint8_t> magic, version;
  const std::size_t compared = std::min(data.size(), kMagic.size());
  if (!std::equal(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(compared),
                  kMagic.begin())) {
    return Error(ErrorCode::Malformed, "sealed data: not sealed data (no eccrypt header)");
  }
  if (!reader.Take(kMagic.size(), magic)) return Truncated("magic");
  if (!reader.Take(1, version)) return Truncated("version");
  if (version[0] == 0) return Error(ErrorCode::Malformed, "sealed data: version 0");
  if (version[0] > 2) {
    return Error(ErrorCode::UnsupportedVersion, "sealed data: version " +
                                                    std::to_string(version[0]) +
                                                    "; this library reads versions 1 and 2");
  }
  return version[0] == 1 ? OpenHeaderVersion1(reader, key, opened)
                         : OpenHeaderVersion2(data, reader, key, opened);
}

// The bytes of armoured text, or an Error; `data` not armoured is given back as it is.
Result<Bytes> Dearmour(std::span<const std::uint8_t> data) {
  const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
  std::vector<std::string_view> lines;
  for (std::string_view rest = text; !rest.empty();) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    std::string_view line = rest.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  const auto malformed = [](const std::string& what) {
    return Error(ErrorCode::Malformed, "sealed data: armour " + what);
  };
  if (lines.size() < 2 || lines.back() != kArmourEnd) return malformed("without its END line");
  std::string body;
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
    if (lines[i].size() != 64 && i + 2 != lines.size()) {
      return malformed("line " + std::to_string(i + 1) + " is not of 64 characters");
    }
    body += lines[i];
  }
  Bytes bytes(body.size() / 4 * 3 + 3);
  std::size_t size = 0;
  if (sodium_base642bin(bytes.data(), bytes.size(), body.data(), body.size(), nullptr, &size,
                        nullptr, sodium_base64_VARIANT_ORIGINAL) != 0) {
    return malformed("holds text that is not Base64");
  }
  bytes.resize(size);
  return bytes;
}

Bytes Armour(std::span<const std::uint8_t> bytes) {
  std::string text(kArmourBegin);
  text += '\n';
  for (std::size_t at = 0; at < bytes.size(); at += kArmourLineBytes) {
    const std::size_t take = std::min(kArmourLineBytes, bytes.size() - at);
    char line[65];
    sodium_bin2base64(line, sizeof line, bytes.data() + at, take, sodium_base64_VARIANT_ORIGINAL);
    text += line;
    text += '\n';
  }
  text += kArmourEnd;
  text += '\n';
  return {text.begin(), text.end()};
}

}  // namespace

struct Sealer::State {
  StreamState stream;
  Bytes header;  // written first; also the additional data of the first chunk
  bool headerWritten = false;
  bool first = true;
  bool finished = false;
  Bytes pending;  // at most one chunk of data, held until more follows or Finish marks it last
  ~State() { ecplatform::SecureWipe(pending.data(), pending.size()); }
  void Push(Bytes& out, bool last) {
    const std::size_t start = out.size();
    out.resize(start + pending.size() + kChunkOverhead);
    crypto_secretstream_xchacha20poly1305_push(
        &stream.state, out.data() + start, nullptr, pending.data(), pending.size(),
        first ? header.data() : nullptr, first ? header.size() : 0,
        last ? crypto_secretstream_xchacha20poly1305_TAG_FINAL
             : crypto_secretstream_xchacha20poly1305_TAG_MESSAGE);
    ecplatform::SecureWipe(pending.data(), pending.size());
    pending.clear();
    first = false;
  }
};

Sealer::Sealer(std::unique_ptr<State> state) : state_(std::move(state)) {}
Sealer::Sealer(Sealer&&) noexcept = default;
Sealer& Sealer::operator=(Sealer&&) noexcept = default;
Sealer::~Sealer() = default;

Result<Sealer> Sealer::Create(std::span<const PublicKey> recipients) {
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
  if (!state.headerWritten) {
    out.insert(out.end(), state.header.begin(), state.header.end());
    state.headerWritten = true;
  }
  while (!piece.empty()) {
    // A full chunk is sealed only once more data follows: the last one is marked final.
    if (state.pending.size() == kChunkBytes) state.Push(out, false);
    const std::size_t take = std::min(kChunkBytes - state.pending.size(), piece.size());
    state.pending.insert(state.pending.end(), piece.begin(),
                         piece.begin() + static_cast<std::ptrdiff_t>(take));
    piece = piece.subspan(take);
  }
  return {};
}

Result<void> Sealer::Finish(Bytes& out) {
  if (auto updated = Update({}, out); !updated) return updated;
  state_->Push(out, true);
  state_->finished = true;
  return {};
}

struct Opener::State {
  SecretKey key;
  enum class Phase { Header, Chunks, Done, Failed } phase = Phase::Header;
  Bytes buffer;              // bytes received; those before `used` are done with
  std::size_t used = 0;      // advanced chunk by chunk, compacted once per Update
  Bytes prefix;              // the header, additional data of the first chunk
  std::uint64_t offset = 0;  // where buffer starts in the sealed data
  StreamState stream;
  bool first = true;
  explicit State(SecretKey secret) : key(std::move(secret)) {}

  std::span<const std::uint8_t> Unused() const {
    return std::span<const std::uint8_t>(buffer).subspan(used);
  }

  Result<void> Fail(Error error) {
    phase = Phase::Failed;
    return error;
  }

  // Opens the chunk at the start of the buffer, `size` bytes, appending its plaintext.
  Result<void> OpenChunk(std::size_t size, Bytes& out, bool atEnd) {
    Bytes plain(size - kChunkOverhead);
    unsigned long long plainSize = 0;
    unsigned char tag = 0;
    if (crypto_secretstream_xchacha20poly1305_pull(
            &stream.state, plain.data(), &plainSize, &tag, Unused().data(), size,
            first ? prefix.data() : nullptr, first ? prefix.size() : 0) != 0) {
      return Fail(Error(ErrorCode::Damaged, "sealed data: damaged or altered: the block at byte " +
                                                std::to_string(offset) + " fails authentication"));
    }
    first = false;
    out.insert(out.end(), plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(plainSize));
    ecplatform::SecureWipe(plain.data(), plain.size());
    used += size;
    offset += size;
    if (tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL) {
      phase = Phase::Done;
    } else if (tag != crypto_secretstream_xchacha20poly1305_TAG_MESSAGE) {
      return Fail(Error(ErrorCode::Damaged, "sealed data: the block at byte " +
                                                std::to_string(offset - size) +
                                                " carries an unknown tag"));
    } else if (atEnd) {
      return Fail(Error(ErrorCode::Truncated, "sealed data: truncated: it ends at byte " +
                                                  std::to_string(offset) +
                                                  " before its final block"));
    }
    return {};
  }

  Result<void> Take(Bytes& out, bool atEnd) {
    if (phase == Phase::Header) {
      if (atEnd && Unused().empty()) {
        return Fail(Error(ErrorCode::Malformed, "sealed data: empty, not sealed data"));
      }
      OpenedHeader opened;
      auto header = OpenHeader(Unused(), key, opened);
      if (!header) {
        if (header.Error().Code() == ErrorCode::Truncated && !atEnd) return {};  // wait
        return Fail(header.Error());
      }
      if (crypto_secretstream_xchacha20poly1305_init_pull(&stream.state, opened.streamHeader.data(),
                                                          opened.streamKey.bytes.data()) != 0) {
        return Fail(Error(ErrorCode::Malformed, "sealed data: its stream header is invalid"));
      }
      const auto headerBytes = Unused().first(opened.prefixLength);
      prefix.assign(headerBytes.begin(), headerBytes.end());
      used += opened.prefixLength;
      offset = opened.prefixLength;
      phase = Phase::Chunks;
    }
    constexpr std::size_t kFull = kChunkBytes + kChunkOverhead;
    while (phase == Phase::Chunks && Unused().size() >= kFull) {
      if (auto opened = OpenChunk(kFull, out, atEnd && Unused().size() == kFull); !opened) {
        return opened;
      }
    }
    if (phase == Phase::Chunks && atEnd) {
      if (Unused().size() < kChunkOverhead) {
        return Fail(Error(ErrorCode::Truncated, "sealed data: truncated: it ends at byte " +
                                                    std::to_string(offset + Unused().size()) +
                                                    " before its final block"));
      }
      if (auto opened = OpenChunk(Unused().size(), out, true); !opened) return opened;
    }
    if (phase == Phase::Done && !Unused().empty()) {
      return Fail(
          Error(ErrorCode::TrailingData,
                "sealed data: data after its final block, at byte " + std::to_string(offset)));
    }
    return {};
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
  return Opener(std::make_unique<State>(std::move(copy).Value()));
}

Result<void> Opener::Update(std::span<const std::uint8_t> piece, Bytes& out) {
  if (!state_ || state_->phase == State::Phase::Failed) {
    return Error(ErrorCode::InvalidArgument, "Opener: already failed or finished");
  }
  Bytes& buffer = state_->buffer;
  buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(state_->used));
  state_->used = 0;
  buffer.insert(buffer.end(), piece.begin(), piece.end());
  return state_->Take(out, false);
}

Result<void> Opener::Finish(Bytes& out) {
  if (!state_ || state_->phase == State::Phase::Failed) {
    return Error(ErrorCode::InvalidArgument, "Opener: already failed or finished");
  }
  auto taken = state_->Take(out, true);
  state_->phase = State::Phase::Failed;  // spent either way
  return taken;
}

Result<Bytes> Seal(std::span<const std::uint8_t> data, std::span<const PublicKey> recipients,
                   const SealOptions& options) {
  auto sealer = Sealer::Create(recipients);
  if (!sealer) return sealer.Error();
  Bytes out;
  out.reserve(data.size() + data.size() / kChunkBytes * kChunkOverhead + 512);
  if (auto updated = sealer.Value().Update(data, out); !updated) return updated.Error();
  if (auto finished = sealer.Value().Finish(out); !finished) return finished.Error();
  if (options.armor) return Armour(out);
  return out;
}

Result<Bytes> Open(std::span<const std::uint8_t> data, const SecretKey& key) {
  if (auto started = formats::StartSodium(); !started) return started.Error();
  Bytes dearmoured;
  const std::string_view text(reinterpret_cast<const char*>(data.data()),
                              std::min(data.size(), kArmourBegin.size() + 2));
  if (text.starts_with(kArmourBegin)) {
    auto bytes = Dearmour(data);
    if (!bytes) return bytes.Error();
    dearmoured = std::move(bytes).Value();
    data = dearmoured;
  }
  auto opener = Opener::Create(key);
  if (!opener) return opener.Error();
  Bytes plain;
  const auto wiped = [&plain](Error error) -> Result<Bytes> {
    ecplatform::SecureWipe(plain.data(), plain.size());
    return error;
  };
  if (auto updated = opener.Value().Update(data, plain); !updated) return wiped(updated.Error());
  if (auto finished = opener.Value().Finish(plain); !finished) return wiped(finished.Error());
  return plain;
}

Result<Bytes> Open(std::span<const std::uint8_t> data, const KeyPair& key) {
  return Open(data, key.Secret());
}

}  // namespace eccrypt
