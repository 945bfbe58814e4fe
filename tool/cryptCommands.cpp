// eccrypt encrypt and eccrypt decrypt: the files are sealed and opened by the library's Sealer
// and Opener; here are the files, the keys, the threads, progress and the messages.
#include <exception>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "ECCrypt/api.h"
#include "tool/backgroundStreams.h"
#include "tool/commands.h"
#include "tool/displayText.h"
#include "tool/fileIo.h"
#include "tool/keyText.h"
#include "tool/libraryKeys.h"
#include "tool/outputFile.h"
#include "tool/progress.h"
#include "tool/recipients.h"
#include "tool/secretKeyFiles.h"
#include "tool/secure.h"
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

// Read from a regular file (read ahead on a thread): pieces of many chunks, so that the
// library seals and opens nearly every chunk in place.
constexpr std::size_t kFilePieceBytes = std::size_t{1024} * 1024;
// Read from a pipe, a terminal or a device: one chunk of sealed data (64 KiB and its 17 bytes
// of tag), so that each block goes out as soon as it has arrived and been authenticated.
constexpr std::size_t kStreamPieceBytes = std::size_t{64} * 1024 + 17;

// What opening a file found wrong, as the library reports it.
struct TOpenFailure {
  eccrypt::Error error;
  bool recognised = false;  // the input showed itself to be an encrypted file
};

// Turns what the library found into a message for the user: what is wrong, what became of the
// output, then what to do. `name` is the encrypted file's name, `keys` the key files tried.
// The library's messages are the tool's own after their "sealed data: " prefix.
[[noreturn]] void ReportOpenFailure(const TOpenFailure& failure, const std::string& name,
                                    const TDecryptKeys& keys, const TOutputFile& output) {
  std::string what = failure.error.Message();
  constexpr std::string_view kPrefix = "sealed data: ";
  if (what.starts_with(kPrefix)) what.erase(0, kPrefix.size());
  switch (failure.error.Code()) {
    case eccrypt::ErrorCode::Malformed:
      if (!failure.recognised) {
        throw TToolError(name + " is not an eccrypt encrypted file (" + what + ")",
                         "give a file made by 'eccrypt encrypt'");
      }
      break;
    case eccrypt::ErrorCode::UnsupportedVersion:
      throw TToolError(name + ": " + what, "decrypt it with a newer eccrypt");
    case eccrypt::ErrorCode::NoMatchingKey: {
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
    case eccrypt::ErrorCode::TrailingData:
      if (output.WritesInPlace()) {
        // Every block, the final one included, was authenticated and written: only what
        // follows the file is wrong.
        throw TToolError(name + ": all of its plaintext (" + std::to_string(output.BytesWritten()) +
                             " bytes) was written to " + output.Name() +
                             ", and then trailing data was found: " + what,
                         "the plaintext is complete and authentic; the data after it is no part "
                         "of the encrypted file (something was appended to it): get an intact "
                         "copy");
      }
      break;
    default:
      break;
  }
  if (output.WritesInPlace() && output.BytesWritten() > 0) {
    // Streamed output cannot be taken back: say how much of it there is.
    throw TToolError(name + ": " + what + "; its first " + std::to_string(output.BytesWritten()) +
                         " bytes were written to " + output.Name() + " before the fault was found",
                     "the file was damaged or altered after it was encrypted: get an intact "
                     "copy; the bytes written are authentic, but incomplete");
  }
  throw TToolError(name + ": " + what + "; nothing was written",
                   "the file was damaged or altered after it was encrypted: get an intact copy");
}

// Runs `work` with `input` read ahead (when it is a regular file, whose reads end) and `output`
// written behind, each on a thread of its own, so that reading, the work and writing overlap;
// returns once everything has been written. When the work fails, what it had written still
// reaches `output` (a stream then holds all the plaintext authenticated before the fault).
template <typename Work>
void Overlapped(TFileSource& input, TByteSink& output, TBackgroundSink::TContents contents,
                Work&& work) {
  std::optional<TBackgroundSource> readAhead;
  if (input.Identity()) readAhead.emplace(input);
  TBackgroundSink writeBehind(output, contents);
  work(readAhead ? static_cast<TByteSource&>(*readAhead) : input, writeBehind);
  writeBehind.Finish();
}

// The library's public keys of the recipients.
std::vector<eccrypt::PublicKey> LibraryKeys(const std::vector<TPublicKey>& recipients) {
  std::vector<eccrypt::PublicKey> keys;
  keys.reserve(recipients.size());
  for (const TPublicKey& recipient : recipients) {
    std::string hex;
    CanonicalHex(recipient.text, recipient.mode, hex);
    auto key = eccrypt::PublicKey::Parse(hex);
    if (!key) {
      throw TToolError(
          "the public key " + recipient.text + " was refused: it is not a valid public key",
          "check that you gave the whole text that 'eccrypt keygen' or 'eccrypt pubkey' printed");
    }
    keys.push_back(std::move(key).Value());
  }
  return keys;
}

// The library's secret key of a key file.
eccrypt::SecretKey LibrarySecretKey(const TKeyFile& file) {
  TSecretString hex;
  CanonicalHex(file.secretKey.str(), file.mode, hex.str());
  auto key = eccrypt::SecretKey::Parse(hex.str());
  if (!key) {
    throw TToolError("the key file holds a secret key this eccrypt cannot use (" +
                     key.Error().Message() + ")");
  }
  return std::move(key).Value();
}

// Seals all of `source` into `sink`.
void SealAll(eccrypt::Sealer& sealer, TByteSource& source, TByteSink& sink, std::size_t pieceBytes,
             TProgressMeter& progress) {
  TSecretBuffer scratch(pieceBytes);
  std::vector<std::uint8_t> sealed;
  sealed.reserve(pieceBytes + pieceBytes / 8 + 1024);
  for (;;) {
    const TByteSource::TPiece piece = source.NextPiece(scratch.bytes());
    if (!piece.bytes.empty()) {
      if (auto updated = sealer.Update(piece.bytes, sealed); !updated) {
        throw TToolError(updated.Error().Message());
      }
      sink.WriteOwned(sealed);
      sealed.clear();
      progress.Advance(piece.bytes.size());
    }
    if (piece.last) break;
  }
  if (auto finished = sealer.Finish(sealed); !finished) {
    throw TToolError(finished.Error().Message());
  }
  sink.WriteOwned(sealed);
}

// Plaintext bytes, wiped when they go.
struct TPlainBytes {
  std::vector<std::uint8_t> bytes;
  TPlainBytes() = default;
  TPlainBytes(const TPlainBytes&) = delete;
  TPlainBytes& operator=(const TPlainBytes&) = delete;
  ~TPlainBytes() { Wipe(); }
  void Wipe() {
    WipeMemory(bytes.data(), bytes.size());
    bytes.clear();
  }
};

// Opens all of `source` into `sink`, writing each piece of plaintext as soon as the library has
// authenticated it. Returns the library's error, if any.
std::optional<eccrypt::Error> OpenAll(eccrypt::Opener& opener, TByteSource& source, TByteSink& sink,
                                      std::size_t pieceBytes, TProgressMeter& progress,
                                      const std::exception_ptr& keyFailure) {
  TSecretBuffer scratch(pieceBytes);
  TPlainBytes plain;
  plain.bytes.reserve(pieceBytes);
  for (;;) {
    const TByteSource::TPiece piece = source.NextPiece(scratch.bytes());
    auto opened = opener.Update(piece.bytes, plain.bytes);
    if (opened && piece.last) opened = opener.Finish(plain.bytes);
    sink.WriteOwned(plain.bytes);
    plain.Wipe();
    if (keyFailure) std::rethrow_exception(keyFailure);
    if (!opened) return opened.Error();
    progress.Advance(piece.bytes.size());
    if (piece.last) return std::nullopt;
  }
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

  auto sealer = eccrypt::Sealer::Create(LibraryKeys(recipients), {.armor = options.armour});
  if (!sealer) throw TToolError(sealer.Error().Message());
  TProgressMeter progress("encrypting", input.Size());
  const std::size_t pieceBytes = input.Identity() ? kFilePieceBytes : std::size_t{64} * 1024;
  Overlapped(input, output, TBackgroundSink::TContents::Public,
             [&](TByteSource& source, TByteSink& sink) {
               SealAll(sealer.Value(), source, sink, pieceBytes, progress);
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

  // Each key is handed to the library as it asks for it; a key file that fails to load stops
  // the run with its own message once the library returns.
  std::optional<eccrypt::SecretKey> key;
  std::exception_ptr keyFailure;
  auto opener = eccrypt::Opener::Create([&]() -> const eccrypt::SecretKey* {
    if (keyFailure) return nullptr;
    try {
      const TKeyFile* file = keys.Next();
      if (file == nullptr) return nullptr;
      key.emplace(LibrarySecretKey(*file));
      return &*key;
    } catch (...) {
      keyFailure = std::current_exception();
      return nullptr;
    }
  });
  if (!opener) throw TToolError(opener.Error().Message());

  TProgressMeter progress("decrypting", input.Size());
  const std::size_t pieceBytes = input.Identity() ? kFilePieceBytes : kStreamPieceBytes;
  std::optional<TOpenFailure> failure;
  Overlapped(
      input, output, TBackgroundSink::TContents::Secret, [&](TByteSource& source, TByteSink& sink) {
        if (auto error = OpenAll(opener.Value(), source, sink, pieceBytes, progress, keyFailure)) {
          failure = TOpenFailure{*error, opener.Value().Recognised()};
        }
      });
  if (failure) ReportOpenFailure(*failure, input.Name(), keys, output);
  progress.Finish();
  output.Commit();
  return kExitOk;
}

}  // namespace eccrypt::tool
