// The chunk cipher against libsodium's own: ChaCha20 on wide vectors gives libsodium's keystream
// at every length and block counter, and a chunk sealed here is byte for byte the chunk
// libsodium's stream seals (every length around the vector width and the padding, every tag,
// additional data, the counter's wrap), opens there and back, and is refused when altered.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "ECCrypt/formats/chacha20.h"
#include "ECCrypt/formats/chunkCipher.h"
#include "ECCrypt/formats/poly1305.h"
#include "ECCrypt/formats/sodiumStart.h"

namespace eccrypt::formats {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t size, unsigned seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 31 + seed + i / 251);
  return bytes;
}

class ChunkCipherTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(StartSodium()); }
};

TEST_F(ChunkCipherTest, ChaCha20GivesLibsodiumsKeystream) {
  const Bytes key = Pattern(32, 7);
  const Bytes nonce = Pattern(12, 3);
  const std::size_t lengths[] = {0, 1, 63, 64, 65, 1023, 1024, 1025, 2048, 3000, 16384 + 77};
  for (const std::size_t length : lengths) {
    for (const std::uint32_t counter : {0U, 2U, 1000U, 0xFFFFF000U}) {
      // One byte off alignment, so that unaligned loads and stores are exercised.
      const Bytes storage = Pattern(length + 1, static_cast<unsigned>(length));
      const std::uint8_t* in = storage.data() + 1;
      Bytes ours(length + 1);
      Bytes theirs(length + 1);  // never empty: libsodium and memcmp take no null pointer
      ChaCha20Xor(ours.data() + 1, in, length, nonce.data(), counter, key.data());
      crypto_stream_chacha20_ietf_xor_ic(theirs.data(), in, length, nonce.data(), counter,
                                         key.data());
      EXPECT_EQ(0, std::memcmp(ours.data() + 1, theirs.data(), length))
          << "length " << length << " counter " << counter << " on " << ChaCha20Implementation();
      Bytes inPlace(in, in + length);
      ChaCha20Xor(inPlace.data(), inPlace.data(), length, nonce.data(), counter, key.data());
      EXPECT_EQ(inPlace, Bytes(theirs.begin(), theirs.end() - 1)) << "in place, length " << length;
    }
  }
}

// Poly1305 against libsodium's one-shot function: lengths around a block and the eight-block
// width, the data fed whole or in uneven pieces, and the extreme keys and data (every clamped
// bit of r set, s all ones, all-ones data) where limbs reach their bounds and the final
// reduction must subtract p.
TEST_F(ChunkCipherTest, Poly1305GivesLibsodiumsTags) {
  Bytes extremeKey(32, 0xFF);
  const Bytes keys[] = {Pattern(32, 1), Pattern(32, 200), extremeKey, Bytes(32, 0)};
  const std::size_t lengths[] = {0, 1, 15, 16, 17, 127, 128, 129, 255, 256, 1000, 4096 + 3, 65600};
  const std::size_t pieces[] = {1, 13, 16, 100, 128, 1u << 20};
  for (const Bytes& key : keys) {
    for (const std::size_t length : lengths) {
      for (const bool ones : {false, true}) {
        const Bytes data = ones ? Bytes(length, 0xFF) : Pattern(length, 77);
        std::uint8_t expected[16];
        crypto_onetimeauth_poly1305(expected, data.data(), data.size(), key.data());
        for (const std::size_t piece : pieces) {
          if (piece < 16 && length > 4096) continue;  // slow, and shows nothing new
          Poly1305 poly(key.data());
          for (std::size_t at = 0; at < length; at += piece) {
            poly.Update(data.data() + at, std::min(piece, length - at));
          }
          std::uint8_t tag[16];
          poly.Finish(tag);
          EXPECT_EQ(0, std::memcmp(tag, expected, 16))
              << "length " << length << " in pieces of " << piece << (ones ? ", all ones" : "");
        }
      }
    }
  }
}

// With r = 1 and s = 0 the tag is the sum of the blocks (each plus 2^128) mod p: data chosen so
// that this sum lands just above p - 1 checks the final subtraction of p, through the block-by-
// block path (three blocks) and the eight-wide one (eight blocks).
TEST_F(ChunkCipherTest, Poly1305ReducesSumsAtPExactly) {
  Bytes key(32, 0);
  key[0] = 1;
  for (const std::size_t blocks : {std::size_t{3}, std::size_t{8}}) {
    for (std::uint8_t k = 0; k < 5; ++k) {
      // Three blocks: 3 * 2^128 + (2^128 - 5 + k) = p + k. Eight: 8 * 2^128 = 2^131 = 10 mod p,
      // and four blocks of data sum to 2^130 - 15 + k = p - 10 + k.
      Bytes data(blocks * 16, 0);
      const std::size_t full = blocks == 3 ? 0 : 3;
      std::fill(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(16 * (full + 1)), 0xFF);
      data[16 * full] = static_cast<std::uint8_t>((blocks == 3 ? 0xFB : 0xF4) + k);
      std::uint8_t expected[16];
      crypto_onetimeauth_poly1305(expected, data.data(), data.size(), key.data());
      std::uint8_t tag[16];
      Poly1305 poly(key.data());
      poly.Update(data.data(), data.size());
      poly.Finish(tag);
      EXPECT_EQ(0, std::memcmp(tag, expected, 16)) << blocks << " blocks, k " << int{k};
      EXPECT_EQ(tag[0], k) << blocks << " blocks";
    }
  }
}

struct Streams {
  SecretStreamState ours{};
  SecretStreamState theirs{};
  Bytes header = Bytes(crypto_secretstream_xchacha20poly1305_HEADERBYTES);
  explicit Streams(const Bytes& key) {
    crypto_secretstream_xchacha20poly1305_init_push(&theirs, header.data(), key.data());
    ours = theirs;
  }
};

Bytes SealTheirs(SecretStreamState& state, const Bytes& message, const Bytes& extra,
                 std::uint8_t tag) {
  Bytes out(message.size() + crypto_secretstream_xchacha20poly1305_ABYTES);
  crypto_secretstream_xchacha20poly1305_push(&state, out.data(), nullptr, message.data(),
                                             message.size(), extra.data(), extra.size(), tag);
  return out;
}

Bytes SealOurs(SecretStreamState& state, const Bytes& message, const Bytes& extra,
               std::uint8_t tag) {
  Bytes out(message.size() + crypto_secretstream_xchacha20poly1305_ABYTES);
  SealChunk(state, out.data(), message, extra, tag);
  return out;
}

TEST_F(ChunkCipherTest, SealsLibsodiumsChunksAndOpensThem) {
  const Bytes key = Pattern(32, 11);
  Streams stream(key);
  SecretStreamState opener{};
  ASSERT_EQ(0, crypto_secretstream_xchacha20poly1305_init_pull(&opener, stream.header.data(),
                                                               key.data()));
  const std::uint8_t tags[] = {crypto_secretstream_xchacha20poly1305_TAG_MESSAGE,
                               crypto_secretstream_xchacha20poly1305_TAG_PUSH,
                               crypto_secretstream_xchacha20poly1305_TAG_REKEY,
                               crypto_secretstream_xchacha20poly1305_TAG_FINAL};
  unsigned step = 0;
  // One stream through every case, so that each chunk also checks the state the last one left.
  const std::size_t lengths[] = {0,  1,  15, 16,   17,   47,   48,       49,
                                 63, 64, 65, 1023, 1024, 1025, 4096 + 7, 65536};
  const std::size_t extraLengths[] = {0, 1, 16, 100};
  for (const std::size_t length : lengths) {
    for (const std::size_t extraLength : extraLengths) {
      const std::uint8_t tag = tags[step % 4];
      const Bytes message = Pattern(length, step);
      const Bytes extra = Pattern(extraLength, step + 100);
      const Bytes ours = SealOurs(stream.ours, message, extra, tag);
      ASSERT_EQ(ours, SealTheirs(stream.theirs, message, extra, tag))
          << "length " << length << " extra " << extraLength << " tag " << int{tag};
      Bytes opened(length);
      std::uint8_t openedTag = 0xFF;
      ASSERT_TRUE(OpenChunk(opener, opened.data(), openedTag, ours, extra));
      EXPECT_EQ(opened, message);
      EXPECT_EQ(openedTag, tag);
      ++step;
    }
  }
}

TEST_F(ChunkCipherTest, CounterWrapRekeysAsLibsodiumDoes) {
  Streams stream(Pattern(32, 5));
  std::memset(stream.theirs.nonce, 0xFF, 4 /* the chunk counter's bytes */);
  stream.ours = stream.theirs;
  for (int chunk = 0; chunk < 3; ++chunk) {
    const Bytes message = Pattern(100, static_cast<unsigned>(chunk));
    EXPECT_EQ(SealOurs(stream.ours, message, {}, 0), SealTheirs(stream.theirs, message, {}, 0))
        << "chunk " << chunk;
  }
}

TEST_F(ChunkCipherTest, AlteredChunkIsRefusedAndChangesNothing) {
  const Bytes key = Pattern(32, 9);
  Streams stream(key);
  const Bytes message = Pattern(2000, 1);
  const Bytes extra = Pattern(20, 2);
  const Bytes sealed = SealOurs(stream.ours, message, extra, 0);
  SecretStreamState opener{};
  ASSERT_EQ(0, crypto_secretstream_xchacha20poly1305_init_pull(&opener, stream.header.data(),
                                                               key.data()));
  for (const std::size_t at :
       {std::size_t{0}, std::size_t{1}, std::size_t{1500}, sealed.size() - 1}) {
    Bytes altered = sealed;
    altered[at] ^= 0x40;
    const SecretStreamState before = opener;
    Bytes out(message.size(), 0xAA);
    std::uint8_t tag = 0x77;
    EXPECT_FALSE(OpenChunk(opener, out.data(), tag, altered, extra)) << "byte " << at;
    EXPECT_EQ(out, Bytes(message.size(), 0xAA));
    EXPECT_EQ(tag, 0x77);
    EXPECT_EQ(0, std::memcmp(&before, &opener, sizeof opener));
  }
  Bytes otherExtra = extra;
  otherExtra[0] ^= 1;
  Bytes out(message.size());
  std::uint8_t tag = 0;
  EXPECT_FALSE(OpenChunk(opener, out.data(), tag, sealed, otherExtra));
  EXPECT_TRUE(OpenChunk(opener, out.data(), tag, sealed, extra));
  EXPECT_EQ(out, message);
}

}  // namespace
}  // namespace eccrypt::formats
