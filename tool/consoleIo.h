#pragma once
// Checked output to the console streams: a result that could not be written is a failure.
#include <array>
#include <ostream>
#include <streambuf>
#include <string>

namespace eccrypt::tool {

// A stream buffer writing to a file descriptor, which remembers why the last write failed.
class TDescriptorBuffer : public std::streambuf {
 public:
  explicit TDescriptorBuffer(int fd);
  TDescriptorBuffer(const TDescriptorBuffer&) = delete;
  TDescriptorBuffer& operator=(const TDescriptorBuffer&) = delete;
  ~TDescriptorBuffer() override;

  // The errno of the first failed write, or 0.
  int Failure() const { return failure_; }

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool Drain();

  int fd_;
  int failure_ = 0;
  std::array<char, 4096> buffer_{};
};

// An output stream on a file descriptor (the tool's standard output and standard error).
class TDescriptorStream : public std::ostream {
 public:
  explicit TDescriptorStream(int fd) : std::ostream(nullptr), buffer_(fd) { rdbuf(&buffer_); }

 private:
  TDescriptorBuffer buffer_;
};

// Flushes the stream and throws an I/O TToolError naming `what` ("standard output") when
// anything written to it could not be delivered.
void FlushChecked(std::ostream& stream, const std::string& what);

}  // namespace eccrypt::tool
