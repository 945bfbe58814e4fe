#pragma once
// Byte sources and sinks: the seam between encrypt and decrypt (which hand the bytes to the
// library's Sealer and Opener) and where bytes live.
//
// The read-ahead and write-behind threads see only these interfaces, so tests drive them from
// memory while the tool drives them from files, pipes and standard streams.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace eccrypt::tool {

class TByteSource {
 public:
  virtual ~TByteSource() = default;
  // Fills the buffer and returns its size, or returns fewer bytes only at the end of the data
  // (0 once the end has been reached). Throws TToolError when reading fails.
  virtual std::size_t Read(std::span<std::uint8_t> buffer) = 0;
  // The number of bytes the source holds in all, when known in advance.
  virtual std::optional<std::uint64_t> Size() const { return std::nullopt; }

  // The next bytes of the data, and whether they are its last. Sources that keep buffers of
  // their own hand out a view of one (valid until the next call on the source) instead of
  // copying into `scratch`; the others fill `scratch`, as Read does. After the last piece the
  // source is not asked again.
  struct TPiece {
    std::span<const std::uint8_t> bytes;
    bool last = false;
  };
  virtual TPiece NextPiece(std::span<std::uint8_t> scratch) {
    const std::size_t got = Read(scratch);
    return {scratch.first(got), got < scratch.size()};
  }
};

class TByteSink {
 public:
  virtual ~TByteSink() = default;
  // Writes all of the bytes. Throws TToolError when writing fails.
  virtual void Write(std::span<const std::uint8_t> bytes) = 0;
  // Writes all of `bytes`, which a sink that queues buffers takes over instead of copying; it
  // leaves `bytes` holding a buffer for the caller to fill again (empty, or the bytes it was
  // given, which the caller then wipes or clears as its own).
  virtual void WriteOwned(std::vector<std::uint8_t>& bytes) { Write(bytes); }
};

// Reads from a span of bytes that outlives the source.
class TMemorySource : public TByteSource {
 public:
  explicit TMemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::size_t Read(std::span<std::uint8_t> buffer) override {
    const std::size_t count = std::min(buffer.size(), bytes_.size() - position_);
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(position_), count, buffer.begin());
    position_ += count;
    return count;
  }
  std::optional<std::uint64_t> Size() const override { return bytes_.size(); }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
};

// Collects everything written into a vector.
class TMemorySink : public TByteSink {
 public:
  void Write(std::span<const std::uint8_t> bytes) override {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace eccrypt::tool
