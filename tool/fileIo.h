#pragma once
// Files, pipes and standard input as byte sources. (Outputs: outputFile.h.)
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tool/byteStream.h"

namespace eccrypt::tool {

// Which file an open file is, so that an output can be told to be the input.
struct TFileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const TFileIdentity&) const = default;
};

// Reads a named file, or standard input when the path is empty or "-". Every regular file
// opened so is recorded, by the identity of the open descriptor, in FilesRead().
class TFileSource : public TByteSource {
 public:
  explicit TFileSource(const std::string& path);
  ~TFileSource() override;
  TFileSource(const TFileSource&) = delete;
  TFileSource& operator=(const TFileSource&) = delete;

  std::size_t Read(std::span<std::uint8_t> buffer) override;
  std::optional<std::uint64_t> Size() const override { return size_; }
  const std::string& Name() const { return name_; }
  // Set when the source is a regular file.
  const std::optional<TFileIdentity>& Identity() const { return identity_; }

 private:
  int fd_ = -1;
  bool owned_ = false;
  std::string name_;
  std::optional<std::uint64_t> size_;
  std::optional<TFileIdentity> identity_;
};

// Reads a small text file whole (at most `limit` bytes; larger files are refused).
// `what` names the file's role in error messages ("key file").
std::string ReadSmallFile(const std::string& path, std::size_t limit, const std::string& what);

// Every regular file this process has opened for reading (key, pass-phrase, recipient and
// signature files, the input, standard input when it is one), by device and inode as fstat
// reported them on the open descriptor. An output never replaces one of them.
std::vector<TFileIdentity> FilesRead();

bool IsStdinTerminal();
bool PathExists(const std::string& path);

}  // namespace eccrypt::tool
