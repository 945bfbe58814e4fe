#include "tool/backgroundStreams.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "tool/secure.h"

namespace eccrypt::tool {

namespace {

// Puts `bytes` into `slot`, wiping what the slot held before if it has to grow.
void Fill(std::vector<std::uint8_t>& slot, std::span<const std::uint8_t> bytes) {
  if (bytes.size() > slot.capacity()) {
    slot.resize(slot.capacity());
    WipeMemory(slot.data(), slot.size());
    std::vector<std::uint8_t> larger;
    larger.reserve(bytes.size());
    slot.swap(larger);
  }
  slot.assign(bytes.begin(), bytes.end());
}

void WipeSlots(std::span<std::vector<std::uint8_t>> slots) noexcept {
  for (auto& slot : slots) {
    slot.resize(slot.capacity());
    WipeMemory(slot.data(), slot.size());
  }
}

}  // namespace

TBackgroundSink::TBackgroundSink(TByteSink& target, TContents contents)
    : target_(target), contents_(contents) {
  thread_ = std::thread([this] { Run(); });
}

TBackgroundSink::~TBackgroundSink() {
  Stop();
  WipeSlots(slots_);
}

void TBackgroundSink::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return count_ > 0 || closing_; });
    if (count_ == 0) return;  // closing, and everything written
    std::vector<std::uint8_t>& slot = slots_[head_];
    lock.unlock();
    try {
      target_.Write(slot);
      if (contents_ == TContents::Secret) WipeMemory(slot.data(), slot.size());
      slot.clear();
    } catch (...) {
      lock.lock();
      failure_ = std::current_exception();
      count_ = 0;
      changed_.notify_all();
      return;
    }
    lock.lock();
    head_ = (head_ + 1) % kSlots;
    --count_;
    changed_.notify_all();
  }
}

void TBackgroundSink::Write(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return;
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return count_ < kSlots || failure_; });
  if (failure_) std::rethrow_exception(failure_);
  if (closing_) throw std::logic_error("write after the background sink was finished");
  // The slot after the filled ones is the writer's only once it is counted.
  std::vector<std::uint8_t>& slot = slots_[(head_ + count_) % kSlots];
  lock.unlock();
  Fill(slot, bytes);
  lock.lock();
  ++count_;
  changed_.notify_all();
}

void TBackgroundSink::WriteOwned(std::vector<std::uint8_t>& bytes) {
  if (bytes.empty()) return;
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return count_ < kSlots || failure_; });
  if (failure_) std::rethrow_exception(failure_);
  if (closing_) throw std::logic_error("write after the background sink was finished");
  // A free slot was written and wiped by the thread (or never used): it goes back in exchange.
  slots_[(head_ + count_) % kSlots].swap(bytes);
  ++count_;
  changed_.notify_all();
}

void TBackgroundSink::Stop() noexcept {
  {
    const std::lock_guard lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void TBackgroundSink::Finish() {
  Stop();
  if (failure_) std::rethrow_exception(failure_);
}

TBackgroundSource::TBackgroundSource(TByteSource& source) : source_(source), size_(source.Size()) {
  for (auto& slot : slots_) slot.resize(kSlotBytes);
  thread_ = std::thread([this] { Run(); });
}

TBackgroundSource::~TBackgroundSource() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
  WipeSlots(slots_);
}

void TBackgroundSource::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return count_ < kSlots || stopping_; });
    if (stopping_) return;
    const std::size_t index = (head_ + count_) % kSlots;
    lock.unlock();
    std::size_t filled = 0;
    try {
      // Sources fill the buffer unless their end comes first.
      filled = source_.Read(slots_[index]);
    } catch (...) {
      lock.lock();
      failure_ = std::current_exception();
      changed_.notify_all();
      return;
    }
    lock.lock();
    filled_[index] = filled;
    ++count_;
    if (filled < kSlotBytes) ended_ = true;
    changed_.notify_all();
    if (ended_) return;
  }
}

void TBackgroundSource::ReturnLent() {
  if (!lent_) return;
  lent_ = false;
  offset_ = 0;
  head_ = (head_ + 1) % kSlots;
  --count_;
  changed_.notify_all();
}

TByteSource::TPiece TBackgroundSource::NextPiece(std::span<std::uint8_t> /*scratch*/) {
  std::unique_lock lock(mutex_);
  ReturnLent();
  changed_.wait(lock, [this] { return count_ > 0 || failure_ || (ended_ && count_ == 0); });
  if (count_ == 0) {
    if (failure_) std::rethrow_exception(failure_);
    return {{}, true};  // the end of the data, in a slot already taken
  }
  // The head slot is the caller's until the next call: the thread fills only slots after it.
  const std::size_t index = head_;
  lent_ = true;
  const bool last = ended_ && count_ == 1;
  return {std::span<const std::uint8_t>(slots_[index]).subspan(offset_, filled_[index] - offset_),
          last};
}

std::size_t TBackgroundSource::Read(std::span<std::uint8_t> buffer) {
  std::size_t copied = 0;
  std::unique_lock lock(mutex_);
  ReturnLent();
  while (copied < buffer.size()) {
    changed_.wait(lock, [this] { return count_ > 0 || failure_ || (ended_ && count_ == 0); });
    if (count_ == 0) {
      if (failure_) std::rethrow_exception(failure_);
      break;  // the end of the data
    }
    // The head slot is the reader's until it is released below.
    const std::size_t index = head_;
    const std::size_t available = filled_[index] - offset_;
    const std::size_t count = std::min(available, buffer.size() - copied);
    lock.unlock();
    std::copy_n(slots_[index].begin() + static_cast<std::ptrdiff_t>(offset_), count,
                buffer.begin() + static_cast<std::ptrdiff_t>(copied));
    lock.lock();
    copied += count;
    offset_ += count;
    if (offset_ == filled_[index]) {
      offset_ = 0;
      head_ = (head_ + 1) % kSlots;
      --count_;
      changed_.notify_all();
    }
  }
  return copied;
}

}  // namespace eccrypt::tool
