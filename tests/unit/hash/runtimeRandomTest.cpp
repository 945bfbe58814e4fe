// The runtime generator and the random fill: fed from the operating system's source (retrying
// interrupted and short reads, failing loudly), uniform without modulo bias, and independent
// of the time of the call.
#include "ECCrypt/hash/runtimeRandom.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "ECCrypt/bigint/vlPoint.h"

namespace eccrypt {
namespace {

// Installs a scripted source for the calling thread and restores the system's on exit.
class ScriptedSource {
 public:
  explicit ScriptedSource(detail::OsRandomReader reader) {
    previous_ = detail::SetOsRandomReaderForThread(reader);
    calls = 0;
  }
  ScriptedSource(const ScriptedSource&) = delete;
  ScriptedSource& operator=(const ScriptedSource&) = delete;
  ~ScriptedSource() {
    detail::SetOsRandomReaderForThread(previous_);
    Randomize();  // leave no scripted bytes in the pool
  }

  static inline int calls = 0;
  static inline unsigned char nextByte = 0;

 private:
  detail::OsRandomReader previous_;
};

// Interrupted once, then at most three bytes per call: 0, 1, 2, ...
std::ptrdiff_t InterruptedThenShort(void* buffer, std::size_t length) {
  if (ScriptedSource::calls++ == 0) {
    errno = EINTR;
    return -1;
  }
  const std::size_t count = length < 3 ? length : 3;
  auto* bytes = static_cast<unsigned char*>(buffer);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = ScriptedSource::nextByte++;
  return static_cast<std::ptrdiff_t>(count);
}

// The word FFFFFFFF (above the largest multiple of 3 below 2^32), then the word 5, then zeros.
std::ptrdiff_t TopWordFirst(void* buffer, std::size_t length) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::memset(bytes, 0, length);
  std::memset(bytes, 0xFF, 4);
  bytes[7] = 5;
  return static_cast<std::ptrdiff_t>(length);
}

std::ptrdiff_t Failing(void*, std::size_t) {
  errno = EIO;
  return -1;
}

TEST(RuntimeRandomTest, InterruptedAndShortReadsAreRetriedUntilThePoolIsFull) {
  ScriptedSource::nextByte = 0;
  ScriptedSource source(InterruptedThenShort);
  Randomize();
  EXPECT_GT(ScriptedSource::calls, 2);
  // The pool hands out its bytes in order, four per word, most significant first.
  EXPECT_EQ(RandInt(0x7FFFFFFF), 0x00010203);
  EXPECT_EQ(RandInt(0x7FFFFFFF), 0x04050607);
}

TEST(RuntimeRandomTest, WordsThatWouldBiasTheResultAreRejected) {
  ScriptedSource source(TopWordFirst);
  Randomize();
  // FFFFFFFF mod 3 would be 0; the word is rejected and the next one, 5, gives 2.
  EXPECT_EQ(RandInt(3), 2);
}

TEST(RuntimeRandomTest, FailingSourceThrows) {
  ScriptedSource source(Failing);
  try {
    Randomize();
    FAIL() << "no exception";
  } catch (const std::system_error& e) {
    EXPECT_EQ(e.code().value(), EIO);
  }
  // The pool was left empty, so drawing asks the source again rather than using stale bytes.
  EXPECT_THROW(RandInt(10), std::system_error);
}

TEST(RuntimeRandomTest, ValuesStayInRangeAndReachBothEnds) {
  Randomize();
  EXPECT_THROW(RandInt(0), std::invalid_argument);
  EXPECT_THROW(RandInt(-5), std::invalid_argument);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(RandInt(1), 0);
  for (const std::int32_t n : {2, 3, 7, 65536}) {
    SCOPED_TRACE("n = " + std::to_string(n));
    std::vector<int> counts(static_cast<std::size_t>(n < 8 ? n : 1), 0);
    bool sawZero = false, sawTop = false;
    for (int i = 0; i < 3000; ++i) {
      const std::int32_t v = RandInt(n);
      ASSERT_GE(v, 0);
      ASSERT_LT(v, n);
      sawZero = sawZero || v == 0;
      sawTop = sawTop || v == n - 1;
      if (n < 8) ++counts[static_cast<std::size_t>(v)];
    }
    if (n < 8) {
      EXPECT_TRUE(sawZero);
      EXPECT_TRUE(sawTop);
      // Every value near its share (3000 / n); a bias of a few percent stays far inside this.
      for (const int c : counts) EXPECT_NEAR(c, 3000 / n, 3000 / n / 3);
    }
  }
}

TEST(FillRandomTest, SeventeenDigitsWithACorrectLength) {
  for (int i = 0; i < 20; ++i) {
    TvlPoint v;
    v.FillRandom();
    ASSERT_LE(v.Length(), 17);
    if (v.Length() > 0) {
      EXPECT_NE(v.Words[static_cast<std::size_t>(v.Length())], 0);
    }
    for (std::size_t d = 1; d <= TvlPoint::Capacity; ++d) {
      EXPECT_GE(v.Words[d], 0);
      EXPECT_LE(v.Words[d], 0xFFFF);
    }
  }
}

TEST(FillRandomTest, CallsInQuickSuccessionAndOnOtherThreadsDiffer) {
  // A generator seeded from the clock would repeat itself within one clock tick.
  std::set<std::vector<std::int32_t>> seen;
  auto fill = [] {
    TvlPoint v;
    v.FillRandom();
    return std::vector<std::int32_t>(v.Words.begin(), v.Words.end());
  };
  for (int i = 0; i < 50; ++i) EXPECT_TRUE(seen.insert(fill()).second);

  std::vector<std::vector<std::int32_t>> fromThreads(4);
  std::vector<std::thread> threads;
  for (auto& slot : fromThreads) threads.emplace_back([&slot, &fill] { slot = fill(); });
  for (auto& t : threads) t.join();
  for (const auto& v : fromThreads) EXPECT_TRUE(seen.insert(v).second);
}

}  // namespace
}  // namespace eccrypt
