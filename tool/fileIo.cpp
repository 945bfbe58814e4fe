#include "tool/fileIo.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tool/secure.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

std::string SystemError() {
  return std::strerror(errno);
}

void WriteAll(int fd, std::span<const std::uint8_t> bytes, const std::string& name) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      throw IoError("cannot write " + name + ": " + SystemError(),
                    "check that the disk is not full and the destination is writable");
    }
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The temporary output file of the moment, removed by the signal handler when the tool is
// interrupted, so that Ctrl-C never leaves partial output behind. Only async-signal-safe calls
// touch it from the handler.
char gPendingPath[PATH_MAX];
volatile sig_atomic_t gPendingSet = 0;

extern "C" void RemovePendingAndDie(int signal) {
  if (gPendingSet) ::unlink(gPendingPath);
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

void WatchPending(const std::string& path) {
  static const bool installed = [] {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
      struct sigaction previous {};
      // A signal ignored on entry (nohup, background jobs) stays ignored.
      if (::sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) {
        continue;
      }
      struct sigaction action {};
      action.sa_handler = RemovePendingAndDie;
      sigemptyset(&action.sa_mask);
      ::sigaction(signal, &action, nullptr);
    }
    return true;
  }();
  (void)installed;
  gPendingSet = 0;
  if (path.size() >= sizeof gPendingPath) return;
  std::copy(path.begin(), path.end(), gPendingPath);
  gPendingPath[path.size()] = '\0';
  gPendingSet = 1;
}

void UnwatchPending() {
  gPendingSet = 0;
}

unsigned CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<unsigned>(mask);
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

void TStdoutSink::Write(std::span<const std::uint8_t> bytes) {
  WriteAll(STDOUT_FILENO, bytes, "standard output");
}

TAtomicOutput::TAtomicOutput(const std::string& path, unsigned mode, bool applyUmask)
    : path_(path) {
  std::string pattern = DirectoryOf(path) + "/.eccrypt-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd_ = ::mkostemp(name.data(), O_CLOEXEC);  // created with mode 0600
  if (fd_ < 0) {
    throw IoError("cannot create a file in " + DirectoryOf(path) + ": " + SystemError(),
                  "check that the directory exists and that you may write to it");
  }
  tempPath_ = name.data();
  WatchPending(tempPath_);
  const unsigned finalMode = applyUmask ? (mode & ~CurrentUmask()) : mode;
  ::fchmod(fd_, static_cast<mode_t>(finalMode & 07777U));
}

TAtomicOutput::~TAtomicOutput() {
  if (fd_ >= 0) ::close(fd_);
  if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
  UnwatchPending();
}

void TAtomicOutput::Write(std::span<const std::uint8_t> bytes) {
  WriteAll(fd_, bytes, path_);
}

void TAtomicOutput::Commit(bool replace) {
  if (::fsync(fd_) != 0 || ::close(fd_) != 0) {
    fd_ = -1;
    throw IoError("cannot write " + path_ + ": " + SystemError());
  }
  fd_ = -1;
  if (replace) {
    if (::rename(tempPath_.c_str(), path_.c_str()) != 0) {
      throw IoError("cannot create " + path_ + ": " + SystemError());
    }
  } else {
    // link() fails when the name is taken, so an existing file is never replaced.
    if (::link(tempPath_.c_str(), path_.c_str()) != 0) {
      if (errno == EEXIST) {
        throw TToolError(path_ + " already exists",
                         "choose another name, or add --force to "
                         "replace it");
      }
      throw IoError("cannot create " + path_ + ": " + SystemError());
    }
    ::unlink(tempPath_.c_str());
  }
  tempPath_.clear();
}

TSpooledStdout::TSpooledStdout() {
  const char* dir = std::getenv("TMPDIR");
  std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/.eccrypt-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  fd_ = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0) {
    throw IoError("cannot create a temporary file: " + SystemError(),
                  "set TMPDIR to a writable directory, or use -o FILE");
  }
  ::unlink(name.data());  // the data lives only as long as the descriptor
}

TSpooledStdout::~TSpooledStdout() {
  if (fd_ >= 0) ::close(fd_);
}

void TSpooledStdout::Write(std::span<const std::uint8_t> bytes) {
  WriteAll(fd_, bytes, "a temporary file");
}

void TSpooledStdout::Commit() {
  if (::lseek(fd_, 0, SEEK_SET) != 0) {
    throw IoError("cannot read back a temporary file: " + SystemError());
  }
  TSecretBuffer buffer(std::size_t{64} * 1024);  // decrypted data: wiped on every way out
  for (;;) {
    const ssize_t got = ::read(fd_, buffer.data(), buffer.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      throw IoError("cannot read back a temporary file: " + SystemError());
    }
    if (got == 0) break;
    WriteAll(STDOUT_FILENO,
             std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(got)),
             "standard output");
  }
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

bool IsStdoutTerminal() {
  return ::isatty(STDOUT_FILENO) == 1;
}
bool IsStdinTerminal() {
  return ::isatty(STDIN_FILENO) == 1;
}

bool PathExists(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace eccrypt::tool
