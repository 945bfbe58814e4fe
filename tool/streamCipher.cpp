#include "tool/streamCipher.h"

#include <sodium.h>

#include <stdexcept>
#include <vector>

#include "tool/progress.h"
#include "tool/secure.h"

namespace eccrypt::tool {

namespace {

static_assert(kStreamHeaderBytes == crypto_secretstream_xchacha20poly1305_HEADERBYTES);
static_assert(kChunkOverheadBytes == crypto_secretstream_xchacha20poly1305_ABYTES);
static_assert(kStreamKeyBytes == crypto_secretstream_xchacha20poly1305_KEYBYTES);

constexpr unsigned char kTagMessage = crypto_secretstream_xchacha20poly1305_TAG_MESSAGE;
constexpr unsigned char kTagFinal = crypto_secretstream_xchacha20poly1305_TAG_FINAL;

// The stream state holds key material: wipe it on every path out.
struct TStreamState {
  crypto_secretstream_xchacha20poly1305_state state;
  TStreamState() = default;
  TStreamState(const TStreamState&) = delete;
  TStreamState& operator=(const TStreamState&) = delete;
  ~TStreamState() { WipeMemory(&state, sizeof state); }
};

void EnsureSodium() {
  if (sodium_init() < 0) throw std::runtime_error("the cryptographic library failed to start");
}

std::string Offset(std::uint64_t offset) {
  return std::to_string(offset);
}

// Seals all of `input` as chunks; `headerBytes` (everything before the first chunk) is the
// additional data of the first.
void PushChunks(TStreamState& stream, std::span<const std::uint8_t> headerBytes, TByteSource& input,
                TByteSink& output, TProgressMeter* progress) {
  // One chunk of look-ahead tells whether the current chunk is the last.
  TSecretBuffer current(kChunkBytes), next(kChunkBytes);
  std::vector<std::uint8_t> sealed(kChunkBytes + kChunkOverheadBytes);
  std::size_t currentSize = input.Read(current.bytes());
  bool first = true;
  for (;;) {
    const std::size_t nextSize = currentSize == kChunkBytes ? input.Read(next.bytes()) : 0;
    const bool last = nextSize == 0;
    unsigned long long sealedSize = 0;
    crypto_secretstream_xchacha20poly1305_push(
        &stream.state, sealed.data(), &sealedSize, current.data(), currentSize,
        first ? headerBytes.data() : nullptr, first ? headerBytes.size() : 0,
        last ? kTagFinal : kTagMessage);
    output.Write(std::span<const std::uint8_t>(sealed.data(), sealedSize));
    if (progress) progress->Advance(currentSize);
    if (last) break;
    current.swap(next);
    currentSize = nextSize;
    first = false;
  }
}

// Opens the chunks that follow the header; `headerBytes` is the additional data of the first.
void PullChunks(TStreamState& stream, std::span<const std::uint8_t> headerBytes, TByteSource& input,
                TByteSink& output, TProgressMeter* progress) {
  std::vector<std::uint8_t> sealed(kChunkBytes + kChunkOverheadBytes);
  TSecretBuffer plain(kChunkBytes);
  std::uint64_t offset = headerBytes.size();  // where the current chunk starts in the file
  bool first = true;
  for (;;) {
    const std::size_t sealedSize = input.Read(sealed);
    if (sealedSize < kChunkOverheadBytes) {
      throw TFormatError(TFormatFault::Truncated, "the file is truncated: it ends at byte " +
                                                      Offset(offset + sealedSize) +
                                                      " before its final block");
    }
    unsigned long long plainSize = 0;
    unsigned char tag = 0;
    if (crypto_secretstream_xchacha20poly1305_pull(
            &stream.state, plain.data(), &plainSize, &tag, sealed.data(), sealedSize,
            first ? headerBytes.data() : nullptr, first ? headerBytes.size() : 0) != 0) {
      // A short block is the last one: it was altered, or the file was cut inside it.
      throw TFormatError(
          TFormatFault::Tampered,
          std::string(sealedSize < sealed.size() ? "the file is damaged, altered or truncated"
                                                 : "the file is damaged or was altered") +
              ": the block at byte " + Offset(offset) + " fails authentication");
    }
    if (tag != kTagFinal && tag != kTagMessage) {
      throw TFormatError(TFormatFault::Damaged,
                         "the block at byte " + Offset(offset) + " carries an unknown tag");
    }
    output.Write(std::span<const std::uint8_t>(plain.data(), plainSize));
    if (progress) progress->Advance(sealedSize);
    offset += sealedSize;
    if (tag == kTagFinal) {
      std::uint8_t extra = 0;
      if (sealedSize == sealed.size() && input.Read(std::span<std::uint8_t>(&extra, 1)) != 0) {
        throw TFormatError(TFormatFault::TrailingData,
                           "the file has data after its final block, at byte " + Offset(offset));
      }
      break;
    }
    if (sealedSize < sealed.size()) {
      throw TFormatError(TFormatFault::Truncated, "the file is truncated: it ends at byte " +
                                                      Offset(offset) + " before its final block");
    }
    first = false;
  }
}

}  // namespace

void EncryptStream(TMode mode, std::string_view exchangedValue, const TFileKeys& keys,
                   TByteSource& input, TByteSink& output, TProgressMeter* progress) {
  EnsureSodium();
  TFileHeader header;
  header.mode = mode;
  header.exchangedValue = exchangedValue;
  header.keyCheck = keys.keyCheck;
  TStreamState stream;
  crypto_secretstream_xchacha20poly1305_init_push(&stream.state, header.streamHeader.data(),
                                                  keys.streamKey.data());
  const std::vector<std::uint8_t> headerBytes = EncodeHeader(header);
  output.Write(headerBytes);

  PushChunks(stream, headerBytes, input, output, progress);
}

void DecryptStream(const TFileHeader& header, const TFileKeys& keys, TByteSource& input,
                   TByteSink& output, TProgressMeter* progress) {
  EnsureSodium();
  if (sodium_memcmp(header.keyCheck.data(), keys.keyCheck.data(), kKeyCheckBytes) != 0) {
    throw TFormatError(TFormatFault::WrongKey, "the file was not encrypted for this key");
  }
  TStreamState stream;
  if (crypto_secretstream_xchacha20poly1305_init_pull(&stream.state, header.streamHeader.data(),
                                                      keys.streamKey.data()) != 0) {
    throw TFormatError(TFormatFault::Damaged, "the file's stream header is invalid");
  }
  const std::vector<std::uint8_t> headerBytes = EncodeHeader(header);

  PullChunks(stream, headerBytes, input, output, progress);
}

void SealStream(std::span<const std::uint8_t> prefix, const std::uint8_t* streamKey,
                TByteSource& input, TByteSink& output, TProgressMeter* progress) {
  EnsureSodium();
  TStreamState stream;
  std::vector<std::uint8_t> headerBytes(prefix.begin(), prefix.end());
  headerBytes.resize(prefix.size() + kStreamHeaderBytes);
  crypto_secretstream_xchacha20poly1305_init_push(&stream.state, headerBytes.data() + prefix.size(),
                                                  streamKey);
  output.Write(headerBytes);
  PushChunks(stream, headerBytes, input, output, progress);
}

void OpenStream(std::span<const std::uint8_t> prefix, const std::uint8_t* streamKey,
                TByteSource& input, TByteSink& output, TProgressMeter* progress) {
  EnsureSodium();
  std::vector<std::uint8_t> headerBytes(prefix.begin(), prefix.end());
  headerBytes.resize(prefix.size() + kStreamHeaderBytes);
  if (input.Read(std::span<std::uint8_t>(headerBytes).subspan(prefix.size())) !=
      kStreamHeaderBytes) {
    throw TFormatError(TFormatFault::Truncated, "the file ends inside its header (stream header)");
  }
  TStreamState stream;
  if (crypto_secretstream_xchacha20poly1305_init_pull(
          &stream.state, headerBytes.data() + prefix.size(), streamKey) != 0) {
    throw TFormatError(TFormatFault::Damaged, "the file's stream header is invalid");
  }
  PullChunks(stream, headerBytes, input, output, progress);
}

}  // namespace eccrypt::tool
