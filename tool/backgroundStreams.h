#pragma once
// Reading ahead and writing behind on threads of their own, so that reading a file, sealing or
// opening it, and writing the result overlap on a machine with more than one core.
//
// Both keep a few buffers in a ring, which they lend instead of copying where the caller lets
// them (NextPiece, WriteOwned); the bytes in them are wiped when the object is destroyed, and a
// sink of plaintext also wipes each buffer once written. A failure on the background thread is
// kept and thrown, as the original exception, on the caller's thread at its next call.
#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "tool/byteStream.h"

namespace eccrypt::tool {

// Writes behind: Write copies the bytes into a free buffer and returns; a thread writes the
// buffers to the target in order.
class TBackgroundSink final : public TByteSink {
 public:
  // Secret contents (plaintext) are wiped from the buffers once written; public ones are not.
  enum class TContents { Secret, Public };
  explicit TBackgroundSink(TByteSink& target, TContents contents = TContents::Secret);
  // Writes what is still queued (a failed run still delivers the output it had produced, as
  // writing directly would have), then stops. A failure here is dropped: call Finish to see it.
  ~TBackgroundSink() override;
  TBackgroundSink(const TBackgroundSink&) = delete;
  TBackgroundSink& operator=(const TBackgroundSink&) = delete;

  void Write(std::span<const std::uint8_t> bytes) override;
  // Queues `bytes` itself, without copying, and hands back an empty buffer (one already
  // written and wiped) in its place.
  void WriteOwned(std::vector<std::uint8_t>& bytes) override;
  // Waits until everything has been written to the target, then throws the first failure, if
  // any. After Finish the sink takes no more bytes.
  void Finish();

 private:
  static constexpr std::size_t kSlots = 4;

  void Run();
  void Stop() noexcept;

  TByteSink& target_;
  TContents contents_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::array<std::vector<std::uint8_t>, kSlots> slots_;
  std::size_t head_ = 0;   // the next slot the thread writes
  std::size_t count_ = 0;  // slots filled and not yet written
  bool closing_ = false;   // no more slots will be filled
  std::exception_ptr failure_;
  std::thread thread_;
};

// Reads ahead: a thread fills buffers from the source in order; Read copies out of them. Only
// for sources whose reads end (regular files): destroying the object waits for the read in
// progress.
class TBackgroundSource final : public TByteSource {
 public:
  explicit TBackgroundSource(TByteSource& source);
  ~TBackgroundSource() override;
  TBackgroundSource(const TBackgroundSource&) = delete;
  TBackgroundSource& operator=(const TBackgroundSource&) = delete;

  std::size_t Read(std::span<std::uint8_t> buffer) override;
  std::optional<std::uint64_t> Size() const override { return size_; }
  // A view of the next buffer read ahead (what Read has not taken of it), without copying; the
  // buffer goes back to the reading thread at the next call.
  TPiece NextPiece(std::span<std::uint8_t> scratch) override;

 private:
  static constexpr std::size_t kSlots = 4;
  static constexpr std::size_t kSlotBytes = std::size_t{256} * 1024;

  void Run();
  // Gives the head buffer back to the reading thread if NextPiece lent it out. Needs mutex_.
  void ReturnLent();

  TByteSource& source_;
  std::optional<std::uint64_t> size_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::array<std::vector<std::uint8_t>, kSlots> slots_;
  std::array<std::size_t, kSlots> filled_{};  // bytes read into each slot
  std::size_t head_ = 0;                      // the slot Read takes bytes from
  std::size_t offset_ = 0;                    // bytes of the head slot already taken
  std::size_t count_ = 0;                     // slots filled and not yet emptied
  bool ended_ = false;                        // the source's end is in a filled slot
  bool stopping_ = false;                     // the reader is being destroyed
  bool lent_ = false;                         // NextPiece handed out a view of the head slot
  std::exception_ptr failure_;
  std::thread thread_;
};

}  // namespace eccrypt::tool
