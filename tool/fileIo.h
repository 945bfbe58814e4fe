#pragma once
// Files, pipes and the standard streams as byte sources and sinks, and safe output files.
//
// An output file is first written under a temporary name in its own directory and renamed
// over its final name only on Commit, so a failed or refused run never leaves a partial file.
#include <cstdint>
#include <optional>
#include <string>

#include "tool/byteStream.h"

namespace eccrypt::tool {

// Reads a named file, or standard input when the path is empty or "-".
class TFileSource : public TByteSource {
 public:
  explicit TFileSource(const std::string& path);
  ~TFileSource() override;
  TFileSource(const TFileSource&) = delete;
  TFileSource& operator=(const TFileSource&) = delete;

  std::size_t Read(std::span<std::uint8_t> buffer) override;
  std::optional<std::uint64_t> Size() const override { return size_; }
  const std::string& Name() const { return name_; }

 private:
  int fd_ = -1;
  bool owned_ = false;
  std::string name_;
  std::optional<std::uint64_t> size_;
};

// Writes to standard output.
class TStdoutSink : public TByteSink {
 public:
  void Write(std::span<const std::uint8_t> bytes) override;
};

// A new file that appears under its final name only when committed.
class TAtomicOutput : public TByteSink {
 public:
  // `mode` is the permission of the final file (before the umask is applied when
  // `applyUmask`). Fails if the directory cannot take a new file.
  TAtomicOutput(const std::string& path, unsigned mode, bool applyUmask);
  ~TAtomicOutput() override;
  TAtomicOutput(const TAtomicOutput&) = delete;
  TAtomicOutput& operator=(const TAtomicOutput&) = delete;

  void Write(std::span<const std::uint8_t> bytes) override;
  // Flushes the data to disk and moves the file to its final name. With `replace` false it
  // fails, leaving nothing behind, when a file of that name already exists.
  void Commit(bool replace = true);

 private:
  std::string path_;
  std::string tempPath_;
  int fd_ = -1;
};

// Holds output in an unnamed temporary file and copies it to standard output on Commit, so
// nothing reaches standard output before the whole input has been checked.
class TSpooledStdout : public TByteSink {
 public:
  TSpooledStdout();
  ~TSpooledStdout() override;
  TSpooledStdout(const TSpooledStdout&) = delete;
  TSpooledStdout& operator=(const TSpooledStdout&) = delete;

  void Write(std::span<const std::uint8_t> bytes) override;
  void Commit();

 private:
  int fd_ = -1;
};

// Reads a small text file whole (at most `limit` bytes; larger files are refused).
// `what` names the file's role in error messages ("key file").
std::string ReadSmallFile(const std::string& path, std::size_t limit, const std::string& what);

bool IsStdoutTerminal();
bool IsStdinTerminal();
bool PathExists(const std::string& path);

}  // namespace eccrypt::tool
