#include "ECCrypt/formats/chunkCipher.h"

#include <array>

#include "ECCrypt/formats/chacha20.h"
#include "ECCrypt/formats/poly1305.h"
#include "ECPlatform/SecureWipe.h"

namespace eccrypt::formats {

namespace {

// The state's 12-byte nonce: a 4-byte chunk counter, then an 8-byte inner nonce.
constexpr std::size_t kCounterBytes = 4;
constexpr std::size_t kInnerNonceBytes = 8;
static_assert(sizeof(SecretStreamState{}.nonce) == kCounterBytes + kInnerNonceBytes);
constexpr std::size_t kBlockBytes = 64;
constexpr std::array<std::uint8_t, 16> kZeroPad{};

std::uint8_t* Counter(SecretStreamState& state) {
  return state.nonce;
}
std::uint8_t* InnerNonce(SecretStreamState& state) {
  return state.nonce + kCounterBytes;
}

void Store64Little(std::uint8_t out[8], std::uint64_t value) {
  for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The chunk's authenticator: its one-time key is the first keystream block of the chunk.
class Authenticator {
 public:
  explicit Authenticator(SecretStreamState& state) : poly_(KeyOf(state).data()) {}

  void Add(const std::uint8_t* data, std::size_t size) { poly_.Update(data, size); }
  // The additional data, the tag's block and the ciphertext, each length-padded as the
  // construction pads them, then both lengths.
  void Finish(std::span<const std::uint8_t> extra, const std::uint8_t* tagBlock,
              const std::uint8_t* cipher, std::size_t cipherSize, std::uint8_t mac[16]) {
    Add(extra.data(), extra.size());
    Add(kZeroPad.data(), (0x10 - extra.size()) & 0xf);
    Add(tagBlock, kBlockBytes);
    Add(cipher, cipherSize);
    // The padding after the ciphertext is the construction's own (it counts from the tag's
    // block): kept exactly, since every sealed chunk depends on it.
    Add(kZeroPad.data(), (0x10 - kBlockBytes + cipherSize) & 0xf);
    std::uint8_t length[8];
    Store64Little(length, extra.size());
    Add(length, sizeof length);
    Store64Little(length, kBlockBytes + cipherSize);
    Add(length, sizeof length);
    poly_.Finish(mac);
  }

 private:
  // The key block, wiped once the authenticator has taken it.
  struct KeyBlock {
    std::array<std::uint8_t, kBlockBytes> bytes{};
    KeyBlock(const KeyBlock&) = delete;
    KeyBlock& operator=(const KeyBlock&) = delete;
    explicit KeyBlock(SecretStreamState& state) {
      ChaCha20Xor(bytes.data(), bytes.data(), bytes.size(), state.nonce, 0, state.k);
    }
    ~KeyBlock() { ecplatform::SecureWipe(bytes.data(), bytes.size()); }
    const std::uint8_t* data() const { return bytes.data(); }
  };
  static KeyBlock KeyOf(SecretStreamState& state) { return KeyBlock(state); }

  Poly1305 poly_;
};

// After a chunk: the tag folded into the inner nonce, the counter moved on, and a new key when
// the tag asks for one or the counter wrapped.
void Advance(SecretStreamState& state, const std::uint8_t mac[16], std::uint8_t tag) {
  std::uint8_t* inner = InnerNonce(state);
  for (std::size_t i = 0; i < kInnerNonceBytes; ++i) inner[i] ^= mac[i];
  sodium_increment(Counter(state), kCounterBytes);
  if ((tag & crypto_secretstream_xchacha20poly1305_TAG_REKEY) != 0 ||
      sodium_is_zero(Counter(state), kCounterBytes) != 0) {
    crypto_secretstream_xchacha20poly1305_rekey(&state);
  }
}

}  // namespace

void SealChunk(SecretStreamState& state, std::uint8_t* out, std::span<const std::uint8_t> message,
               std::span<const std::uint8_t> extra, std::uint8_t tag) {
  Authenticator authenticator(state);
  std::array<std::uint8_t, kBlockBytes> tagBlock{};
  tagBlock[0] = tag;
  ChaCha20Xor(tagBlock.data(), tagBlock.data(), tagBlock.size(), state.nonce, 1, state.k);
  out[0] = tagBlock[0];
  std::uint8_t* cipher = out + 1;
  ChaCha20Xor(cipher, message.data(), message.size(), state.nonce, 2, state.k);
  std::uint8_t* mac = cipher + message.size();
  authenticator.Finish(extra, tagBlock.data(), cipher, message.size(), mac);
  ecplatform::SecureWipe(tagBlock.data(), tagBlock.size());
  Advance(state, mac, tag);
}

bool OpenChunk(SecretStreamState& state, std::uint8_t* out, std::uint8_t& tag,
               std::span<const std::uint8_t> sealed, std::span<const std::uint8_t> extra) {
  const std::size_t cipherSize = sealed.size() - crypto_secretstream_xchacha20poly1305_ABYTES;
  Authenticator authenticator(state);
  // The tag's block is authenticated as sealed: its first byte as it was sent, the rest the
  // keystream of a zero block.
  std::array<std::uint8_t, kBlockBytes> tagBlock{};
  tagBlock[0] = sealed[0];
  ChaCha20Xor(tagBlock.data(), tagBlock.data(), tagBlock.size(), state.nonce, 1, state.k);
  const std::uint8_t openedTag = tagBlock[0];
  tagBlock[0] = sealed[0];
  const std::uint8_t* cipher = sealed.data() + 1;
  std::array<std::uint8_t, 16> mac{};
  authenticator.Finish(extra, tagBlock.data(), cipher, cipherSize, mac.data());
  ecplatform::SecureWipe(tagBlock.data(), tagBlock.size());
  if (crypto_verify_16(mac.data(), cipher + cipherSize) != 0) return false;
  ChaCha20Xor(out, cipher, cipherSize, state.nonce, 2, state.k);
  tag = openedTag;
  Advance(state, mac.data(), openedTag);
  return true;
}

}  // namespace eccrypt::formats
