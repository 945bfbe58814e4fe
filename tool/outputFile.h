#pragma once
// Where a subcommand's output goes, decided before any output is produced.
//
//   - standard output (no path, or "-"): written as produced;
//   - an existing path that is not a regular file (a device, a FIFO, or a symbolic link to
//     one): opened and written in place, never replaced;
//   - a new path, or an existing regular file with `force`: the data goes to an unnamed file
//     in the target's directory, which receives its name only on Commit. Where the file system
//     cannot make unnamed files, a mode-0600 temporary name stands in for it, removed on
//     failure and by the signal handlers (pendingPath.h).
//
// Refused: an existing regular file without `force`; a symbolic link to a regular file or to
// nothing (whatever `force` says: a link planted in a shared directory must not redirect the
// output, and replacing the link would surprise as much); a directory; the file being read,
// and every other file the run has opened for reading (FilesRead(): key, pass-phrase and
// recipient files), compared by device and inode, so that --force cannot destroy a key. Files
// read after the output was set up are caught before the first byte is written and again
// before a file is replaced.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "tool/byteStream.h"
#include "tool/fileIo.h"

namespace eccrypt::tool {

struct TOutputRules {
  unsigned mode = 0600;                // permission of a new file
  bool applyUmask = false;             // whether the umask narrows `mode`
  bool force = false;                  // an existing regular file may be replaced
  std::optional<TFileIdentity> input;  // the file being read, which is never the output
  // The one file read that this output replaces (a key file given a new pass phrase): exempt
  // from the check against files read, and required to be still the file at the path when the
  // output is committed. Needs `force`.
  std::optional<TFileIdentity> replaces;
  // Start writing a new file to disk while it is still being produced, so that Commit's flush
  // finds little left to do. Only for output that may reach the disk early: ciphertext.
  bool writeBackEarly = false;
  // Flush a new file to disk before it is named, so that once the command returns a crash of
  // the machine cannot leave the name on an empty or partial file. Key files always are; for
  // data it costs as much as the encryption itself, and is asked for with --sync.
  bool flushToDisk = true;
};

class TOutputFile : public TByteSink {
 public:
  // Throws TToolError when the path is refused or cannot take the output.
  TOutputFile(const std::string& path, const TOutputRules& rules);
  ~TOutputFile() override;
  TOutputFile(const TOutputFile&) = delete;
  TOutputFile& operator=(const TOutputFile&) = delete;

  void Write(std::span<const std::uint8_t> bytes) override;
  // Makes the output final: a new file is complete (flushed to disk first when the rules ask
  // for it) and named; a device or FIFO is closed. Without Commit, a new file never appears.
  void Commit();

  // True when written bytes reach their destination at once (standard output, a device, a
  // FIFO), so that a later failure cannot take them back.
  bool WritesInPlace() const { return kind_ == TKind::Stdout || kind_ == TKind::InPlace; }
  bool IsStandardOutput() const { return kind_ == TKind::Stdout; }
  bool IsTerminal() const;
  // Throws when the destination is a regular file the run has opened for reading. Write and
  // Commit check by themselves; a caller that writes standard output through another stream
  // calls this first.
  void RefuseFileRead() const;
  // The path, or "standard output".
  const std::string& Name() const { return name_; }
  std::uint64_t BytesWritten() const { return written_; }

 private:
  enum class TKind { Stdout, InPlace, Unnamed, Named };

  void OpenInPlace();
  void Stage(const TOutputRules& rules);
  void PlaceUnnamed();
  void PlaceNamed();
  void CloseChecked();

  std::string path_;
  std::string name_;
  TKind kind_ = TKind::Stdout;
  bool force_ = false;
  std::optional<TFileIdentity> input_;
  std::optional<TFileIdentity> replaces_;
  bool checkedBeforeWrite_ = false;
  int fd_ = -1;
  std::string tempPath_;  // the named stand-in, while it exists
  std::uint64_t written_ = 0;
  bool writeBackEarly_ = false;
  bool flushToDisk_ = true;
  std::uint64_t writtenBack_ = 0;  // bytes whose writeback has been started
};

}  // namespace eccrypt::tool
