#include "tool/outputFile.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tool/pendingPath.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

constexpr int kStandardOutput = STDOUT_FILENO;
// How much of a new file is written before its writeback is started (writeBackEarly).
constexpr std::uint64_t kWriteBackBytes = std::uint64_t{8} << 20;

std::string SystemError() {
  return std::strerror(errno);
}

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

unsigned CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<unsigned>(mask);
}

TFileIdentity IdentityOf(const struct stat& info) {
  return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

TToolError AlreadyExists(const std::string& path) {
  return TToolError(path + " already exists", "choose another name, or add --force to replace it");
}

TToolError IsTheInput(const std::string& name) {
  return TToolError(name + " is the file being read", "write the output to another file");
}

TToolError LinkRefused(const std::string& path, const std::string& what) {
  return TToolError(path + " is a symbolic link to " + what,
                    "name the file itself: eccrypt writes through a symbolic link only to a "
                    "device or a FIFO");
}

// A fresh name beside `path` for a moment's use: ".eccrypt-" and 12 random letters.
std::string TemporaryNameBeside(const std::string& path) {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  if (sodium_init() < 0) throw TToolError("the cryptographic library failed to start");
  std::string name = DirectoryOf(path) + "/.eccrypt-";
  for (int i = 0; i < 12; ++i) name.push_back(kLetters[randombytes_uniform(sizeof kLetters - 1)]);
  return name;
}

// Whether the file `info` describes is one the run reads: the input, or any file the run has
// opened for reading so far.
bool IsReadByTheRun(const struct stat& info, const std::optional<TFileIdentity>& input,
                    const std::optional<TFileIdentity>& replaces = std::nullopt) {
  if (!S_ISREG(info.st_mode)) return false;
  const TFileIdentity identity = IdentityOf(info);
  if (replaces && identity == *replaces) return false;
  if (input && identity == *input) return true;
  for (const TFileIdentity& read : FilesRead()) {
    if (read == identity) return true;
  }
  return false;
}

constexpr int kPipeBytes = 1024 * 1024;

}  // namespace

TOutputFile::TOutputFile(const std::string& path, const TOutputRules& rules)
    : path_(path),
      name_(path),
      force_(rules.force),
      input_(rules.input),
      replaces_(rules.replaces),
      writeBackEarly_(rules.writeBackEarly),
      flushToDisk_(rules.flushToDisk) {
  if (path.empty() || path == "-") {
    kind_ = TKind::Stdout;
    name_ = "standard output";
    fd_ = kStandardOutput;
    struct stat info {};
    if (::fstat(fd_, &info) == 0 && IsReadByTheRun(info, input_)) throw IsTheInput(name_);
#if defined(F_SETPIPE_SZ)
    // A pipe holds 64 KiB by default: a larger one lets the reader take bigger pieces with fewer
    // switches between the two processes. Only a hint; the default size works too.
    if (S_ISFIFO(info.st_mode)) ::fcntl(fd_, F_SETPIPE_SZ, kPipeBytes);
#endif
    return;
  }

  struct stat entry {};
  if (::lstat(path.c_str(), &entry) != 0) {
    if (errno != ENOENT) {
      throw IoError("cannot write " + path + ": " + SystemError(),
                    "check that the directory exists and that you may write to it");
    }
    Stage(rules);
    return;
  }
  if (S_ISLNK(entry.st_mode)) {
    struct stat target {};
    if (::stat(path.c_str(), &target) != 0) throw LinkRefused(path, "nothing");
    if (S_ISREG(target.st_mode)) throw LinkRefused(path, "a regular file");
    entry = target;
  }
  if (S_ISDIR(entry.st_mode)) throw IoError(path + " is a directory", "name a file");
  if (S_ISREG(entry.st_mode)) {
    if (IsReadByTheRun(entry, input_, replaces_)) throw IsTheInput(path);
    if (!rules.force) throw AlreadyExists(path);
    Stage(rules);
    return;
  }
  OpenInPlace();
}

TOutputFile::~TOutputFile() {
  if (fd_ >= 0 && fd_ != kStandardOutput) ::close(fd_);
  if (!tempPath_.empty()) {
    ::unlink(tempPath_.c_str());
    ClearPendingPath();
  }
}

void TOutputFile::OpenInPlace() {
  kind_ = TKind::InPlace;
  // No O_CREAT and no O_TRUNC: a device or a FIFO is written to, never made or replaced.
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (fd_ < 0) {
    throw IoError("cannot open " + path_ + ": " + SystemError(), "check that you may write to it");
  }
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || S_ISREG(info.st_mode) || S_ISDIR(info.st_mode)) {
    // It became a regular file since it was looked at: never write into one in place.
    ::close(fd_);
    fd_ = -1;
    throw AlreadyExists(path_);
  }
}

void TOutputFile::Stage(const TOutputRules& rules) {
  const std::string directory = DirectoryOf(path_);
  // An unnamed file is linked into place through /proc/self/fd, so it needs /proc.
  if (::access("/proc/self/fd", X_OK) == 0) {
    fd_ = ::open(directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
      kind_ = TKind::Unnamed;
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      throw IoError("cannot create a file in " + directory + ": " + SystemError(),
                    "check that the directory exists and that you may write to it");
    }
  }
  if (fd_ < 0) {
    // The file system cannot make unnamed files: a temporary name, readable by the owner only.
    std::string pattern = directory + "/.eccrypt-XXXXXX";
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) {
      throw IoError("cannot create a file in " + directory + ": " + SystemError(),
                    "check that the directory exists and that you may write to it");
    }
    kind_ = TKind::Named;
    tempPath_ = pattern;
    WatchPendingPath(tempPath_);
  }
  const unsigned finalMode = rules.applyUmask ? (rules.mode & ~CurrentUmask()) : rules.mode;
  ::fchmod(fd_, static_cast<mode_t>(finalMode & 0777U));
}

bool TOutputFile::IsTerminal() const {
  return ::isatty(fd_) == 1;
}

void TOutputFile::RefuseFileRead() const {
  struct stat info {};
  if (kind_ == TKind::Stdout || kind_ == TKind::InPlace) {
    if (fd_ >= 0 && ::fstat(fd_, &info) == 0 && IsReadByTheRun(info, input_)) {
      throw IsTheInput(name_);
    }
    return;
  }
  // A new file takes the name on Commit: whatever the name leads to then would be replaced.
  if (replaces_) {
    if (::lstat(path_.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        IdentityOf(info) != *replaces_) {
      throw TToolError(path_ + " was moved or replaced while it was being rewritten",
                       "check the file, then run the command again");
    }
    return;
  }
  if (::stat(path_.c_str(), &info) == 0 && IsReadByTheRun(info, input_)) throw IsTheInput(path_);
}

void TOutputFile::Write(std::span<const std::uint8_t> bytes) {
  if (!checkedBeforeWrite_) {
    // Files opened since the output was set up (a key unlocked after the output was checked).
    RefuseFileRead();
    checkedBeforeWrite_ = true;
  }
  while (!bytes.empty()) {
    const ssize_t count = ::write(fd_, bytes.data(), bytes.size());
    if (count < 0) {
      if (errno == EINTR) continue;
      throw IoError("cannot write " + name_ + ": " + SystemError(),
                    "check that there is room for it and that the destination is writable");
    }
    written_ += static_cast<std::uint64_t>(count);
    bytes = bytes.subspan(static_cast<std::size_t>(count));
  }
  // A hint to the kernel: start writing what has been written so far. Its failures show at
  // Commit's fsync, which waits for the rest.
  if (writeBackEarly_ && flushToDisk_ && (kind_ == TKind::Unnamed || kind_ == TKind::Named) &&
      written_ - writtenBack_ >= kWriteBackBytes) {
    ::sync_file_range(fd_, static_cast<off_t>(writtenBack_),
                      static_cast<off_t>(written_ - writtenBack_), SYNC_FILE_RANGE_WRITE);
    writtenBack_ = written_;
  }
}

void TOutputFile::Commit() {
  switch (kind_) {
    case TKind::Stdout:
      return;
    case TKind::InPlace:
      CloseChecked();
      return;
    case TKind::Unnamed:
    case TKind::Named:
      RefuseFileRead();
      if (flushToDisk_ && ::fsync(fd_) != 0) {
        throw IoError("cannot write " + path_ + ": " + SystemError(),
                      "check that there is room for it and that the destination is writable");
      }
      if (kind_ == TKind::Unnamed) {
        PlaceUnnamed();
      } else {
        PlaceNamed();
      }
      try {
        CloseChecked();
      } catch (...) {
        ::unlink(path_.c_str());
        throw;
      }
      return;
  }
}

void TOutputFile::PlaceUnnamed() {
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  if (!force_) {
    // linkat refuses a name that is taken, so a file that appeared meanwhile is kept.
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path_.c_str(), AT_SYMLINK_FOLLOW) == 0) return;
    if (errno == EEXIST) throw AlreadyExists(path_);
    throw IoError("cannot create " + path_ + ": " + SystemError());
  }
  // Replacing: link under a fresh name, then rename that over the old file in one step.
  for (int attempt = 0;; ++attempt) {
    std::string temporary = TemporaryNameBeside(path_);
    WatchPendingPath(temporary);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      tempPath_ = std::move(temporary);
      break;
    }
    ClearPendingPath();
    if (errno != EEXIST || attempt == 100) {
      throw IoError("cannot create a file in " + DirectoryOf(path_) + ": " + SystemError());
    }
  }
  PlaceNamed();
}

void TOutputFile::PlaceNamed() {
  if (force_) {
    if (::rename(tempPath_.c_str(), path_.c_str()) != 0) {
      throw IoError("cannot create " + path_ + ": " + SystemError());
    }
  } else {
    if (::link(tempPath_.c_str(), path_.c_str()) != 0) {
      if (errno == EEXIST) throw AlreadyExists(path_);
      throw IoError("cannot create " + path_ + ": " + SystemError());
    }
    ::unlink(tempPath_.c_str());
  }
  tempPath_.clear();
  ClearPendingPath();
}

void TOutputFile::CloseChecked() {
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) {
    throw IoError("cannot write " + name_ + ": " + SystemError(),
                  "check that there is room for it and that the destination is writable");
  }
}

}  // namespace eccrypt::tool
