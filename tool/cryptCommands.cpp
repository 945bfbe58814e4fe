// eccrypt encrypt and eccrypt decrypt.
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tool/backgroundStreams.h"
#include "tool/commands.h"
#include "tool/displayText.h"
#include "tool/fileCrypt.h"
#include "tool/fileFormat.h"
#include "tool/fileIo.h"
#include "tool/fileKeys.h"
#include "tool/keyFile.h"
#include "tool/keyText.h"
#include "tool/outputFile.h"
#include "tool/progress.h"
#include "tool/protectedKey.h"
#include "tool/recipients.h"
#include "tool/streamCipher.h"
#include "tool/textForm.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

// The key files of decrypt's --key options, loaded one at a time, in order, as the file asks
// for the next one. A protected key whose pass phrase does not unlock it is passed over with a
// warning when there are several keys, and is named again if no key opens the file; with one
// key it is an error, as it always was.
class TDecryptKeys {
 public:
  TDecryptKeys(const std::vector<std::string>& files,
               const std::optional<std::string>& passPhraseFile, TConsole& console)
      : files_(files), phrases_(passPhraseFile), console_(console) {}

  const TKeyFile* Next() {
    while (next_ < files_.size()) {
      const std::string& argument = files_[next_++];
      std::string path;
      key_ = std::make_unique<TKeyFile>();
      if (TryLoadSecretKey(argument, phrases_, *key_, path)) return key_.get();
      if (files_.size() == 1) throw WrongPassPhrase(path);
      console_.err << "eccrypt: warning: the pass phrase does not unlock " << DisplayText(path)
                   << "; it is passed over\n";
      notUnlocked_.push_back(path);
    }
    key_.reset();
    return nullptr;
  }

  std::size_t Count() const { return files_.size(); }
  const std::string& First() const { return files_.front(); }
  // "; the pass phrase did not unlock a.key, b.key", or nothing.
  std::string NotUnlocked() const {
    if (notUnlocked_.empty()) return "";
    std::string list;
    for (const std::string& path : notUnlocked_) list += (list.empty() ? "" : ", ") + path;
    return "; the pass phrase did not unlock " + list;
  }

 private:
  const std::vector<std::string>& files_;
  TUnlockPhrases phrases_;
  TConsole& console_;
  std::size_t next_ = 0;
  std::unique_ptr<TKeyFile> key_;
  std::vector<std::string> notUnlocked_;
};

// Turns what the format reader found into a message for the user: what is wrong, what became
// of the output, then what to do. `name` is the encrypted file's name, `keys` the key files
// tried.
[[noreturn]] void ReportFormatError(const TFormatError& error, const std::string& name,
                                    const TDecryptKeys& keys, const TOutputFile& output) {
  switch (error.Fault()) {
    case TFormatFault::NotEncrypted:
      throw TToolError(name + " is not an eccrypt encrypted file (" + error.what() + ")",
                       "give a file made by 'eccrypt encrypt'");
    case TFormatFault::UnsupportedVersion:
      throw TToolError(name + ": " + error.what(), "decrypt it with a newer eccrypt");
    case TFormatFault::WrongKey: {
      if (keys.Count() > 1) {
        throw TToolError("none of the " + std::to_string(keys.Count()) + " keys opens " + name +
                             ": it was encrypted for other keys, or its header is damaged" +
                             keys.NotUnlocked(),
                         "decrypt with the key file of a public key it was encrypted for; if one "
                         "of them is, the file was damaged: get an intact copy");
      }
      // A key that does not open the file cannot tell another key from a damaged header: say
      // both.
      const std::string& keyFile = keys.First();
      throw TToolError(name + " was encrypted for another key than the one in " + keyFile +
                           ", or its header is damaged",
                       "decrypt with the key file of a public key it was encrypted for; if " +
                           keyFile + " is one, the file was damaged: get an intact copy");
    }
    case TFormatFault::TrailingData:
      if (output.WritesInPlace()) {
        // Every block, the final one included, was authenticated and written: only what
        // follows the file is wrong.
        throw TToolError(name + ": all of its plaintext (" + std::to_string(output.BytesWritten()) +
                             " bytes) was written to " + output.Name() +
                             ", and then trailing data was found: " + error.what(),
                         "the plaintext is complete and authentic; the data after it is no part "
                         "of the encrypted file (something was appended to it): get an intact "
                         "copy");
      }
      break;
    case TFormatFault::Damaged:
    case TFormatFault::Truncated:
    case TFormatFault::Tampered:
      break;
  }
  if (output.WritesInPlace() && output.BytesWritten() > 0) {
    // Streamed output cannot be taken back: say how much of it there is.
    throw TToolError(name + ": " + error.what() + "; its first " +
                         std::to_string(output.BytesWritten()) + " bytes were written to " +
                         output.Name() + " before the fault was found",
                     "the file was damaged or altered after it was encrypted: get an intact "
                     "copy; the bytes written are authentic, but incomplete");
  }
  throw TToolError(name + ": " + error.what() + "; nothing was written",
                   "the file was damaged or altered after it was encrypted: get an intact copy");
}

// Runs `work` with `input` read ahead (when it is a regular file, whose reads end) and `output`
// written behind, each on a thread of its own, so that reading, the work and writing overlap;
// returns once everything has been written. When the work fails, what it had written still
// reaches `output` (a stream then holds all the plaintext authenticated before the fault).
template <typename Work>
void Overlapped(TFileSource& input, TByteSink& output, Work&& work) {
  std::optional<TBackgroundSource> readAhead;
  if (input.Identity()) readAhead.emplace(input);
  TBackgroundSink writeBehind(output);
  work(readAhead ? static_cast<TByteSource&>(*readAhead) : input, writeBehind);
  writeBehind.Finish();
}

}  // namespace

int RunEncrypt(const TEncryptOptions& options, TConsole& /*console*/) {
  const std::vector<TPublicKey> recipients =
      CollectRecipients(options.recipients, options.recipientFiles);
  TFileSource input(options.input);
  TOutputRules rules;
  rules.mode = 0666;
  rules.applyUmask = true;  // an encrypted file is as private as the umask makes it
  rules.force = options.force;
  rules.input = input.Identity();
  rules.writeBackEarly = true;  // ciphertext: nothing to keep off the disk
  rules.flushToDisk = options.sync;
  TOutputFile output(options.output, rules);
  if (!options.armour && output.IsTerminal()) {
    throw TToolError("refusing to write encrypted data to a terminal",
                     "name an output file with -o FILE, redirect standard output, or armour "
                     "it as text with -a",
                     kExitUsage);
  }

  TProgressMeter progress("encrypting", input.Size());
  Overlapped(input, output, [&](TByteSource& source, TByteSink& sink) {
    EncryptForRecipients(recipients, source, sink, &progress, options.armour);
  });
  progress.Finish();
  output.Commit();
  return kExitOk;
}

int RunDecrypt(const TDecryptOptions& options, TConsole& console) {
  // The header is read first; each key is loaded, and its pass phrase asked for, only when the
  // keys before it did not open the file.
  TDecryptKeys keys(options.keyFiles, options.passPhraseFile, console);
  TFileSource input(options.input);
  // A new file is named only once the last block has been authenticated; standard output, a
  // device or a FIFO receives each block as soon as it has been authenticated.
  TOutputRules rules;  // mode 0600 whatever the umask: the output is plaintext
  rules.force = options.force;
  rules.input = input.Identity();
  rules.flushToDisk = options.sync;
  TOutputFile output(options.output, rules);

  try {
    TProgressMeter progress("decrypting", input.Size());
    Overlapped(input, output, [&](TByteSource& source, TByteSink& sink) {
      DecryptWithKeys([&keys] { return keys.Next(); }, source, sink, &progress);
    });
    progress.Finish();
    output.Commit();
  } catch (const TFormatError& error) {
    ReportFormatError(error, input.Name(), keys, output);
  }
  return kExitOk;
}

}  // namespace eccrypt::tool
