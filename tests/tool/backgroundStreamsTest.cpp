// Reading ahead and writing behind on threads: the bytes arrive whole and in order whatever the
// sizes of the reads and writes, and a failure on the background thread reaches the caller as
// the original exception, after the bytes before it, without hanging.
#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <vector>

#include "tool/backgroundStreams.h"
#include "tool/toolError.h"

namespace eccrypt::tool {
namespace {

using TBytes = std::vector<std::uint8_t>;

TBytes Pattern(std::size_t size) {
  TBytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 131 + i / 251);
  return bytes;
}

// Sizes around the read-ahead buffer (256 KiB) and the encrypted chunk (64 KiB).
constexpr std::size_t kSizes[] = {0, 1, 65536, 262144, 262145, 4 * 262144, 1000003};
constexpr std::size_t kPieces[] = {1, 7, 65553, 262144, 300000};

TEST(BackgroundSource, DeliversEveryByteInOrderForAnyReadSize) {
  for (const std::size_t size : kSizes) {
    for (const std::size_t piece : kPieces) {
      // Small pieces on large data are slow and show nothing new.
      if (piece == 1 && size > 65536) continue;
      if (piece < 1000 && size > 300000) continue;
      const TBytes data = Pattern(size);
      TMemorySource memory(data);
      TBackgroundSource ahead(memory);
      EXPECT_EQ(ahead.Size(), size);
      TBytes got, buffer(piece);
      for (;;) {
        const std::size_t count = ahead.Read(buffer);
        got.insert(got.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(count));
        if (count < piece) break;  // only the end gives a short read
      }
      EXPECT_EQ(got, data) << size << " bytes read " << piece << " at a time";
      EXPECT_EQ(ahead.Read(buffer), 0U);
    }
  }
}

TEST(BackgroundSink, WritesEveryByteInOrderForAnyWriteSize) {
  for (const std::size_t size : kSizes) {
    for (const std::size_t piece : kPieces) {
      if (piece == 1 && size > 65536) continue;
      if (piece < 1000 && size > 300000) continue;
      const TBytes data = Pattern(size);
      TMemorySink memory;
      {
        TBackgroundSink behind(memory);
        for (std::size_t at = 0; at < size; at += piece) {
          behind.Write(std::span(data).subspan(at, std::min(piece, size - at)));
        }
        behind.Finish();
      }
      EXPECT_EQ(memory.Bytes(), data) << size << " bytes written " << piece << " at a time";
    }
  }
}

// Lent buffers: the pieces NextPiece lends, mixed with copying reads, give the data in order
// and say which piece is the last; WriteOwned, mixed with copying writes, keeps the order and
// hands back an empty buffer.
TEST(BackgroundSource, LentPiecesMixedWithReadsGiveEveryByteAndMarkTheLast) {
  for (const std::size_t size : kSizes) {
    const TBytes data = Pattern(size);
    TMemorySource memory(data);
    TBackgroundSource ahead(memory);
    TBytes got, buffer(1000);
    for (int call = 0;; ++call) {
      if (call % 3 == 1) {
        const std::size_t count = ahead.Read(buffer);
        got.insert(got.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(count));
        if (count < buffer.size()) break;
        continue;
      }
      const TByteSource::TPiece piece = ahead.NextPiece({});
      got.insert(got.end(), piece.bytes.begin(), piece.bytes.end());
      if (piece.last) break;
      EXPECT_FALSE(piece.bytes.empty()) << "only the last piece may be empty";
    }
    EXPECT_EQ(got, data) << size << " bytes";
  }
}

TEST(BackgroundSink, OwnedBuffersMixedWithWritesKeepTheirOrder) {
  const TBytes data = Pattern(1000003);
  TMemorySink memory;
  {
    TBackgroundSink behind(memory);
    std::size_t at = 0;
    for (std::size_t call = 0; at < data.size(); ++call) {
      const std::size_t count = std::min<std::size_t>(65553 + 1000 * (call % 5), data.size() - at);
      const auto piece = std::span(data).subspan(at, count);
      if (call % 2 == 0) {
        TBytes owned(piece.begin(), piece.end());
        behind.WriteOwned(owned);
        EXPECT_TRUE(owned.empty());
      } else {
        behind.Write(piece);
      }
      at += count;
    }
    behind.Finish();
  }
  EXPECT_EQ(memory.Bytes(), data);
}

// Fails every read or write after `limit` bytes, as a full disk or a read error would.
class TFailingSource : public TByteSource {
 public:
  explicit TFailingSource(std::size_t limit) : limit_(limit) {}
  std::size_t Read(std::span<std::uint8_t> buffer) override {
    if (given_ + buffer.size() > limit_) throw TToolError("cannot read: Input/output error");
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{7});
    given_ += buffer.size();
    return buffer.size();
  }

 private:
  std::size_t limit_;
  std::size_t given_ = 0;
};

class TFailingSink : public TByteSink {
 public:
  explicit TFailingSink(std::size_t limit) : limit_(limit) {}
  void Write(std::span<const std::uint8_t> bytes) override {
    if (written_ + bytes.size() > limit_) throw TToolError("cannot write: No space left on device");
    written_ += bytes.size();
  }
  std::size_t Written() const { return written_; }

 private:
  std::size_t limit_;
  std::size_t written_ = 0;
};

TEST(BackgroundSource, AReadFailureReachesTheCallerAfterTheBytesBeforeIt) {
  TFailingSource failing(3 * 262144);
  TBackgroundSource ahead(failing);
  TBytes buffer(65536);
  std::size_t delivered = 0;
  EXPECT_THROW(
      {
        for (;;) delivered += ahead.Read(buffer);
      },
      TToolError);
  EXPECT_EQ(delivered, 3U * 262144);
}

TEST(BackgroundSink, AWriteFailureReachesTheCallerAndNothingHangs) {
  TFailingSink failing(100000);
  const TBytes chunk = Pattern(65553);
  {
    TBackgroundSink behind(failing);
    EXPECT_THROW(
        {
          for (int i = 0; i < 1000; ++i) behind.Write(chunk);
          behind.Finish();
        },
        TToolError);
    EXPECT_THROW(behind.Finish(), TToolError);  // the failure stays
  }
  EXPECT_EQ(failing.Written(), 65553U);
}

TEST(BackgroundSink, DestroyedWithoutFinishStillDeliversWhatWasWritten) {
  // A failing run unwinds past the sink: the bytes it had produced still go out.
  TMemorySink memory;
  const TBytes data = Pattern(500000);
  {
    TBackgroundSink behind(memory);
    behind.Write(data);
  }
  EXPECT_EQ(memory.Bytes(), data);
}

}  // namespace
}  // namespace eccrypt::tool
