#include "tool/consoleIo.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tool/toolError.h"

namespace eccrypt::tool {

TDescriptorBuffer::TDescriptorBuffer(int fd) : fd_(fd) {
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

TDescriptorBuffer::~TDescriptorBuffer() {
  Drain();
}

bool TDescriptorBuffer::Drain() {
  const char* next = pbase();
  while (next < pptr()) {
    const ssize_t count = ::write(fd_, next, static_cast<std::size_t>(pptr() - next));
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      if (failure_ == 0) failure_ = errno;
      break;
    }
    next += count;
  }
  // Undeliverable bytes are dropped: the failure is what is kept.
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  return failure_ == 0;
}

TDescriptorBuffer::int_type TDescriptorBuffer::overflow(int_type c) {
  if (!Drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int TDescriptorBuffer::sync() {
  return Drain() ? 0 : -1;
}

void FlushChecked(std::ostream& stream, const std::string& what) {
  errno = 0;
  stream.flush();
  int failure = errno;
  if (const auto* buffer = dynamic_cast<const TDescriptorBuffer*>(stream.rdbuf())) {
    failure = buffer->Failure();
  }
  if (stream && failure == 0) return;
  throw IoError(
      "cannot write " + what + (failure != 0 ? ": " + std::string(std::strerror(failure)) : ""),
      "check that there is room for it and that the destination is writable");
}

}  // namespace eccrypt::tool
