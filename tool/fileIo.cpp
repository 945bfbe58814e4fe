#include "tool/fileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "tool/secure.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

std::string SystemError() {
  return std::strerror(errno);
}

struct TFilesRead {
  std::mutex lock;
  std::vector<TFileIdentity> files;
};

TFilesRead& FilesReadRecord() {
  static TFilesRead record;
  return record;
}

void RecordFileRead(const TFileIdentity& identity) {
  TFilesRead& record = FilesReadRecord();
  const std::lock_guard<std::mutex> guard(record.lock);
  record.files.push_back(identity);
}

}  // namespace

TFileSource::TFileSource(const std::string& path) {
  if (path.empty() || path == "-") {
    fd_ = STDIN_FILENO;
    name_ = "standard input";
  } else {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
      throw IoError("cannot open " + path + ": " + SystemError(),
                    "check the file name and that you may read the file");
    }
    owned_ = true;
    name_ = path;
  }
  struct stat info {};
  if (::fstat(fd_, &info) == 0 && S_ISREG(info.st_mode)) {
    size_ = static_cast<std::uint64_t>(info.st_size);
    identity_ = TFileIdentity{static_cast<std::uint64_t>(info.st_dev),
                              static_cast<std::uint64_t>(info.st_ino)};
    RecordFileRead(*identity_);
  } else if (owned_ && S_ISDIR(info.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw IoError(path + " is a directory", "name a file");
  }
}

TFileSource::~TFileSource() {
  if (owned_ && fd_ >= 0) ::close(fd_);
}

std::size_t TFileSource::Read(std::span<std::uint8_t> buffer) {
  std::size_t filled = 0;
  while (filled < buffer.size()) {
    const ssize_t got = ::read(fd_, buffer.data() + filled, buffer.size() - filled);
    if (got < 0) {
      if (errno == EINTR) continue;
      throw IoError("cannot read " + name_ + ": " + SystemError());
    }
    if (got == 0) break;
    filled += static_cast<std::size_t>(got);
  }
  return filled;
}

std::string ReadSmallFile(const std::string& path, std::size_t limit, const std::string& what) {
  TFileSource source(path);
  TSecretBuffer bytes(limit + 1);  // key files and pass phrases: wiped on every way out
  const std::size_t got = source.Read(bytes.bytes());
  if (got > limit) {
    throw TToolError("the " + what + " " + source.Name() + " is too large to be one (over " +
                         std::to_string(limit) + " bytes)",
                     "check that you named the right file");
  }
  return std::string(bytes.data(), bytes.data() + got);
}

std::vector<TFileIdentity> FilesRead() {
  TFilesRead& record = FilesReadRecord();
  const std::lock_guard<std::mutex> guard(record.lock);
  return record.files;
}

bool IsStdinTerminal() {
  return ::isatty(STDIN_FILENO) == 1;
}

bool PathExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace eccrypt::tool
