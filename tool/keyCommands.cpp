// eccrypt keygen and eccrypt pubkey.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include <ostream>
#include <span>

#include "ECCrypt/api.h"
#include "tool/commands.h"
#include "tool/consoleIo.h"
#include "tool/displayText.h"
#include "tool/fileIo.h"
#include "tool/fileKind.h"
#include "tool/keyText.h"
#include "tool/libraryKeys.h"
#include "tool/outputFile.h"
#include "tool/passPhrase.h"
#include "tool/secretKeyFiles.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

// A phrase chosen now must be one a person can see and type again (NewPassPhraseFault).
// `choose` says what to do instead.
void RequireNewPassPhrase(const std::string& phrase, bool derived, const std::string& choose) {
  const std::optional<TPassPhraseFault> fault = NewPassPhraseFault(phrase);
  if (!fault) return;
  switch (*fault) {
    case TPassPhraseFault::Empty:
      throw TToolError("the pass phrase is empty",
                       derived ? "an empty phrase gives the one key pair that everybody can "
                                 "recompute: " +
                                     choose
                               : choose);
    case TPassPhraseFault::Blank:
      throw TToolError("the pass phrase is blank: it has no visible character",
                       "a phrase of spaces or other invisible characters cannot be told from "
                       "another: " +
                           choose);
    case TPassPhraseFault::LineBreak:
      throw TToolError("the pass phrase has a line break in it",
                       "a pass phrase is one line: a pass-phrase file or standard input may end "
                       "in one line end, which is not part of the phrase, and holds no other");
    case TPassPhraseFault::Nul:
      throw TToolError("the pass phrase has a NUL byte in it",
                       "no prompt can type a NUL byte: " + choose);
  }
}

void WriteText(TOutputFile& output, const std::string& text) {
  output.Write(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()),
                                             text.size()));
}

}  // namespace

int RunKeygen(const TKeygenOptions& options, TConsole& console) {
  // Refuse the output before asking for a pass phrase. A key file is named only at the end, and
  // only if everything before it, the printing included, succeeded. "-" is standard output.
  const bool toStdout = options.output == "-";
  TOutputRules rules;  // a new key file has mode 0600
  rules.force = options.force;
  TOutputFile output(options.output, rules);

  // The pass phrase derives the key pair (--from-passphrase, --random) and protects the file,
  // or only protects the file of a random key pair.
  const bool derived = options.fromPassPhrase || options.random;
  TSecretString phrase;
  if (options.random) {
    RandomPassPhrase(phrase);
    console.err << "Pass phrase (shown only this once; it recreates this key pair, so keep it "
                   "safe):\n  "
                << phrase.str() << "\n";
    // Shown nowhere, the phrase is lost, and with it the only way to recreate the key.
    FlushChecked(console.err, "the pass phrase to standard error");
  } else if (derived || !options.unprotected) {
    ReadPassPhrase(options.passPhraseFile, phrase);
    RequireNewPassPhrase(phrase.str(), derived,
                         derived ? "choose a long random phrase, or use --random"
                                 : "choose a pass phrase to protect the key file, or add "
                                   "--unprotected to write it in clear");
    if (derived) {
      if (auto warning = PassPhraseWarning(phrase.str())) {
        console.err << "eccrypt: warning: " << *warning << "\n";
      }
    } else if (phrase.str().size() < kShortPassPhrase) {
      console.err << "eccrypt: warning: the pass phrase is short (" << phrase.str().size()
                  << " characters): whoever gets the key file can try to guess it\n";
    }
  }

  // Derived: the key pair the component's MakeKey makes from the phrase. Otherwise a random
  // key pair: the secret key drawn uniformly from [1, n), the full strength of the group order
  // (a key derived from a phrase carries at most the 160 bits of the pass-phrase generator).
  Result<KeyPair> pair = derived ? KeyPair::FromPassPhrase(phrase.str()) : KeyPair::Generate();
  if (!pair) {
    throw TToolError(derived ? "key generation failed: " + pair.Error().Message()
                             : "cannot make a random key pair: " + pair.Error().Message());
  }
  const std::string publicKey = pair.Value().PublicKey().ToText(FormOf(options.mode));
  if (options.unprotected) {
    console.err << "eccrypt: warning: the secret key is written in clear to "
                << (toStdout ? std::string("standard output") : DisplayText(options.output))
                << ": anyone who can read it has the key\n";
  }
  TSecretString text(options.unprotected
                         ? ClearKeyFileText(pair.Value(), options.mode)
                         : ProtectedKeyFileText(pair.Value(), options.mode, phrase.str()));
  if (toStdout) {
    // The key file takes standard output; the public key goes to standard error.
    output.RefuseFileRead();
    console.out << text.str();
    FlushChecked(console.out, "standard output");
    console.err << "Public key: " << publicKey << "\n";
    FlushChecked(console.err, "standard error");
    return kExitOk;
  }
  WriteText(output, text.str());
  console.out << publicKey << "\n";
  FlushChecked(console.out, "standard output");
  FlushChecked(console.err, "standard error");  // the warnings
  output.Commit();
  return kExitOk;
}

int RunPubkey(const TPubkeyOptions& options, TConsole& console) {
  std::string path;
  TSecretString text(ReadKeyFileText(options.keyFile, path));
  const TFileKind kind = ClassifyFile(text.str());
  if (options.id && kind == TFileKind::PublicKey) {
    // A public key's id needs nothing unlocked: the key is the file's whole text.
    const TPublicKey key = ResolvePublicKeyText(text.str());
    console.out << KeyIdOf(key.text, key.mode) << "\n";
    FlushChecked(console.out, "standard output");
    return kExitOk;
  }
  if (options.id && kind != TFileKind::ProtectedKey && kind != TFileKind::ClearKey) {
    throw TToolError(WrongKindMessage(path, kind, "a key file or a public key"),
                     "give a secret-key file or a public key ('eccrypt inspect' tells what a "
                     "file is)");
  }
  // The public key the secret key proves: a protected file is unlocked, since its clear public
  // key line is covered only by the sealed part; a clear one is checked against its secret key.
  // Its id is printed only once it is proven too.
  TUnlockPhrases phrases(options.passPhraseFile);
  TKeyFile key;
  if (!TryLoadSecretKeyText(text.str(), path, phrases, key)) throw WrongPassPhrase(path);
  console.out << (options.id ? KeyIdOf(key.publicKey, key.mode) : key.publicKey) << "\n";
  FlushChecked(console.out, "standard output");
  return kExitOk;
}

int RunPasswd(const TPasswdOptions& options, TConsole& console) {
  const std::string path = FileArgumentPath(options.keyFile);
  if (path == "-") {
    throw TToolError("passwd rewrites a key file in place: it cannot take standard input",
                     "name the key file", kExitUsage);
  }
  const bool newFromStdin =
      options.newPassPhraseFile ? *options.newPassPhraseFile == "-" : !IsStdinTerminal();
  if (options.passPhraseFile == "-" && newFromStdin) {
    throw TToolError("standard input cannot give both the current and the new pass phrase",
                     "read only one of them from standard input, and name a file for the other",
                     kExitUsage);
  }
  // Only a regular file, named as itself, is rewritten: the new file takes the name, so a link
  // would be replaced by a file, and a device or FIFO cannot be replaced at all.
  struct stat entry {};
  if (::lstat(path.c_str(), &entry) != 0) {
    throw IoError("cannot open " + path + ": " + std::strerror(errno),
                  "check that the file exists and that you may read it");
  }
  if (S_ISLNK(entry.st_mode)) {
    throw TToolError(path + " is a symbolic link",
                     "name the key file itself: passwd rewrites the file it is given, never "
                     "through a link");
  }
  if (!S_ISREG(entry.st_mode)) {
    throw TToolError(path + " is not a regular file", "name the key file itself");
  }
  // Read by the path just looked at ("@" already taken off), not as an argument again.
  TSecretString text(
      ReadSmallFileNamingKind(path, kMaxKeyFileBytes, "key file", "a secret-key file"));
  struct stat after {};
  if (::lstat(path.c_str(), &after) != 0 || after.st_dev != entry.st_dev ||
      after.st_ino != entry.st_ino) {
    throw TToolError(path + " was moved or replaced while it was being read",
                     "check the file, then run the command again");
  }

  if (!LooksLikeProtectedKeyFile(text.str())) {
    if (!LooksLikeKeyFile(text.str())) throw NotASecretKeyFile(text.str(), path);
    if (!options.protect) {
      throw TToolError(path + " is a secret-key file in clear: it has no pass phrase to change",
                       "add --protect to protect it with a new pass phrase");
    }
  }
  // The new file is set up before any pass phrase is asked for: a directory where it cannot be
  // written is refused first. It replaces the key file only once complete, in one step.
  TOutputRules rules;  // mode 0600
  rules.force = true;
  rules.replaces = TFileIdentity{static_cast<std::uint64_t>(entry.st_dev),
                                 static_cast<std::uint64_t>(entry.st_ino)};
  TOutputFile output(path, rules);

  TUnlockPhrases phrases(options.passPhraseFile);
  TKeyFile key;
  if (!TryLoadSecretKeyText(text.str(), path, phrases, key)) throw WrongPassPhrase(path);

  TSecretString phrase;
  ReadPassPhrase(options.newPassPhraseFile, phrase);
  RequireNewPassPhrase(phrase.str(), false,
                       "choose a pass phrase to protect the key file; the file was left as it "
                       "was");
  if (phrase.str().size() < kShortPassPhrase) {
    console.err << "eccrypt: warning: the pass phrase is short (" << phrase.str().size()
                << " characters): whoever gets the key file can try to guess it\n";
  }

  TSecretString sealed(ProtectedKeyFileText(KeyPairOf(key, path), key.mode, phrase.str()));
  WriteText(output, sealed.str());
  FlushChecked(console.err, "standard error");  // the warning
  output.Commit();
  return kExitOk;
}

}  // namespace eccrypt::tool
