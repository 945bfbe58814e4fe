// eccrypt sign and eccrypt verify.
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "ECCrypt/api.h"
#include "tool/commands.h"
#include "tool/consoleIo.h"
#include "tool/displayText.h"
#include "tool/fileIo.h"
#include "tool/fileKind.h"
#include "tool/keyText.h"
#include "tool/libraryKeys.h"
#include "tool/outputFile.h"
#include "tool/secretKeyFiles.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

// A signature failure is no fault of the user's input: the comments were checked before.
TToolError SigningFailed(const Error& error) {
  return TToolError("signing failed: " + error.Message());
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  gmtime_r(&now, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

void WriteText(TOutputFile& output, const std::string& text, TConsole& console) {
  if (output.IsStandardOutput()) {  // through the console, as every result
    output.RefuseFileRead();
    console.out << text;
    FlushChecked(console.out, "standard output");
    return;
  }
  output.Write(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()),
                                             text.size()));
  output.Commit();
}

TOutputRules SignatureRules(const TSignOptions& options, const TFileSource& input) {
  TOutputRules rules;
  rules.mode = 0666;
  rules.applyUmask = true;
  rules.force = options.force;
  rules.input = input.Identity();
  return rules;
}

// Whether the signature text verifies for the digest under the key. A text that no
// signature has (s a multiple of n) verifies for nothing.
bool Verifies(const PublicKey& key, const std::string& signature, const TDigest& digest) {
  const auto parsed = Signature::Parse(signature);
  return parsed && VerifyDigest(digest, parsed.Value(), key);
}

TDigestKind OtherDigest(TDigestKind kind) {
  return kind == TDigestKind::Sha1 ? TDigestKind::Sha256Truncated : TDigestKind::Sha1;
}

// The comments of a new signature file.
struct TSignComments {
  std::string trustedComment;
  std::string untrustedComment;
};

// The comments of a new signature file, checked before the key is unlocked.
void CheckComments(const TSignComments& file, const TSignOptions& options) {
  if (!formats::IsSignatureComment(file.trustedComment) && !options.trustedComment.has_value()) {
    throw TToolError("the file name is too long for the default trusted comment",
                     "give the trusted comment with -c TEXT", kExitUsage);
  }
  if (!formats::IsSignatureComment(file.trustedComment) ||
      !formats::IsSignatureComment(file.untrustedComment)) {
    throw TToolError("a comment must be one line of at most " + std::to_string(MaxCommentBytes) +
                         " bytes of UTF-8 text, without control characters or direction marks",
                     "", kExitUsage);
  }
}

// What a verdict shows; `line` may hold file names and comments.
class TVerdict {
 public:
  TVerdict(TConsole& console, bool quiet) : console_(console), quiet_(quiet) {}
  void Say(const std::string& line) const {
    if (!quiet_) console_.out << DisplayText(line) << "\n";
  }

 private:
  TConsole& console_;
  bool quiet_;
};

// A signature file checked against the file: version 2 files, and version 1 ones when asked for.
int VerifySignatureFile(const std::string& text, const std::string& source,
                        const TVerifyOptions& options, const PublicKey& key,
                        const std::string& keyId, TFileSource& input, TConsole& console) {
  const formats::SignatureFileFields file = ReadSignatureFileNamed(text, source);
  const TVerdict verdict(console, options.quiet);
  if (file.version == 1) {
    if (!options.allowV1) {
      throw TToolError("the signature file " + source +
                           " is of version 1 ('eccrypt signature 1'), which is not accepted by "
                           "default: its signature could have been made as a bare signature of "
                           "another file",
                       "have the file signed again with this eccrypt ('eccrypt sign --key KEYFILE "
                       "-o FILE.sig FILE' writes version 2); to check a file you trust was made "
                       "by an earlier eccrypt, add --allow-v1");
    }
    console.err << "eccrypt verify: warning: "
                << DisplayText("the signature file " + source +
                               " is of version 1, checked because of --allow-v1: a bare "
                               "signature the key made could pass for it; sign the file again")
                << "\n";
    // SHA-1 is accepted only when asked for: its collisions are practical.
    if (file.digest == formats::DigestV1::Sha1 && options.digest != TDigestKind::Sha1) {
      verdict.Say(
          "BAD signature: made with another digest (SHA-1), which is accepted only with --sha1");
      return kExitFailed;
    }
  }
  // The key id is only a name, read from the file: what is signed is the whole key.
  if (file.keyId != keyId) {
    verdict.Say("BAD signature: the signature file names key id " + file.keyId +
                ", not the key given (key id " + keyId + ")");
    return kExitFailed;
  }
  Result<void> verified;
  if (file.version == 1) {
    verified =
        formats::VerifySignatureFileV1(file, DigestOf(input, DigestKindOf(file.digest)), key);
  } else if (auto message = VerifyMessagePrehashed(Sha256Of(input), text, key); !message) {
    verified = message.Error();
  }
  if (!verified && verified.Error().Code() != ErrorCode::BadSignature) {
    throw TToolError("the signature file " + source +
                     " cannot be checked: " + verified.Error().Message());
  }
  if (!verified) {
    verdict.Say("BAD signature: " + input.Name() +
                " was changed since it was signed, or the signature file was altered (key id " +
                keyId + ")");
    return kExitFailed;
  }
  verdict.Say("Good signature: " + input.Name() + " was signed by key " + keyId + " (" +
              (file.version == 1 ? std::string("version 1 signature file; digest: ") +
                                       DigestName(DigestKindOf(file.digest))
                                 : std::string("prehash: SHA-256")) +
              ")");
  verdict.Say("Trusted comment: " + file.trustedComment);
  return kExitOk;
}

// One file to sign, and where its signature goes.
struct TSignJob {
  std::string input;       // "-": standard input
  std::string output;      // "-": standard output
  TSignComments comments;  // decided before the key is unlocked
};

// Where the signature of `input` goes: -o when given, else standard output for standard input
// and FILE.sig for a file.
std::string SignatureFileFor(const TSignOptions& options, const std::string& input) {
  if (!options.output.empty()) return options.output;
  return input == "-" ? std::string("-") : input + ".sig";
}

// "eccrypt sign f > f.sig" was how signature files were made when sign wrote to standard
// output; the shell now creates the empty f.sig before the tool runs, and the refusal says why.
void RefuseShellRedirection(const TSignOptions& options, const std::string& output) {
  if (options.force || !options.output.empty() || output == "-") return;
  struct stat info {};
  if (::stat(output.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size != 0) return;
  if (::isatty(STDOUT_FILENO) == 1) return;
  throw TToolError(
      output +
          " already exists and is empty: a redirection such as 'eccrypt sign FILE > "
          "FILE.sig' creates it before eccrypt runs",
      "drop the redirection (and remove the empty file): eccrypt sign writes FILE.sig by "
      "itself; or give -o - to write the signature to standard output");
}

// Signs one file with the key, writing the signature in the text form of the key file.
void SignOne(const TSignOptions& options, const KeyPair& key, TextForm form, TSignJob& job,
             TConsole& console) {
  TFileSource input(job.input);
  TOutputFile output(job.output, SignatureRules(options, input));
  if (options.bare) {
    const TDigest fileDigest = DigestOf(input, options.digest);
    auto signature = SignDigest(fileDigest, key.Secret());
    if (!signature) throw SigningFailed(signature.Error());
    WriteText(output, signature.Value().ToText(form) + "\n", console);
    return;
  }
  if (!options.untrustedComment.has_value()) {
    job.comments.untrustedComment = "signature by eccrypt key " + KeyId(key.PublicKey());
  }
  auto file =
      SignMessagePrehashed(Sha256Of(input), key, job.comments.trustedComment,
                           {.untrustedComment = job.comments.untrustedComment, .form = form});
  if (!file) throw SigningFailed(file.Error());
  WriteText(output, file.Value(), console);
}

}  // namespace

int RunSign(const TSignOptions& options, TConsole& console) {
  if (!options.bare && options.digest != TDigestKind::Sha256Truncated) {
    throw TToolError("--sha1 signs bare signatures only: signature files take SHA-256",
                     "add --bare, or leave out --sha1", kExitUsage);
  }
  if (options.inputs.size() > 1 && !options.output.empty()) {
    throw TToolError("-o names one signature file, and several files are given",
                     "leave out -o to write FILE.sig beside each file", kExitUsage);
  }
  std::vector<std::string> inputs = options.inputs;
  if (inputs.empty()) inputs.emplace_back("-");
  // Every file and its signature file is checked before the key is unlocked, and a refusal
  // stops the run before anything is signed: a run either signs all its files or none, unless
  // a file fails to read or write midway.
  std::vector<TSignJob> jobs;
  for (const std::string& input : inputs) {
    TSignJob job{input, SignatureFileFor(options, input), {}};
    if (!options.bare) {
      job.comments.trustedComment = options.trustedComment.value_or(
          "file: " + (input == "-" ? std::string("standard input") : DisplayText(BaseName(input))) +
          ", signed " + UtcNow());
      job.comments.untrustedComment = options.untrustedComment.value_or("");
      CheckComments(job.comments, options);
    }
    try {
      RefuseShellRedirection(options, job.output);
      const TFileSource source(job.input);
      const TOutputFile check(job.output, SignatureRules(options, source));
    } catch (const TToolError& error) {
      if (inputs.size() == 1) throw;
      throw TToolError(error.what(),
                       error.Hint() + (error.Hint().empty() ? "" : "; ") + "no file was signed",
                       error.ExitCode());
    }
    jobs.push_back(std::move(job));
  }
  TKeyFile keyFile;
  LoadSecretKey(options.keyFile, options.passPhraseFile, keyFile);
  const KeyPair key = KeyPairOf(keyFile, options.keyFile);
  for (TSignJob& job : jobs) SignOne(options, key, FormOf(keyFile.mode), job, console);
  return kExitOk;
}

int RunVerify(const TVerifyOptions& options, TConsole& console) {
  const TPublicKey given = ResolvePublicKey(options.publicKey);
  const PublicKey key = LibraryPublicKey(given.text, given.mode);
  const std::string keyId = KeyId(key);
  const bool fromStdin = options.input.empty() || options.input == "-";
  if (options.signature.empty() && fromStdin) {
    throw TToolError("no signature given", "name the signature with --signature SIGFILE",
                     kExitUsage);
  }
  // By default FILE.sig, always a file.
  const TKeyArgument signatureArgument = ClassifyKeyArgument(
      options.signature.empty() ? "@" + options.input + ".sig" : options.signature);
  const std::string signatureText = KeyArgumentText(signatureArgument, "signature");
  TFileSource input(options.input);

  if (const auto format = ForeignSignatureFormat(signatureText)) {
    const std::string source = signatureArgument.IsFile()
                                   ? "the signature file " + signatureArgument.file
                                   : std::string("the signature given");
    throw TToolError(source + " is a signature made by another program (its format: " + *format +
                         "), not an eccrypt signature",
                     "check it with the program that made it; eccrypt verify checks what "
                     "'eccrypt sign' writes");
  }
  if (formats::LooksLikeSignatureFile(signatureText)) {
    const std::string source =
        signatureArgument.IsFile() ? signatureArgument.file : std::string("given");
    return VerifySignatureFile(signatureText, source, options, key, keyId, input, console);
  }

  // A bare component signature text.
  std::string signature;
  try {
    signature = BareSignature(signatureText, given.mode, signatureArgument.file);
  } catch (const TToolError& error) {
    throw WithFileHint(error, signatureArgument);
  }
  const TVerdict verdict(console, options.quiet);
  const TBothDigests digests = BothDigestsOf(input);
  if (!Verifies(key, signature, digests.Of(options.digest))) {
    if (Verifies(key, signature, digests.Of(OtherDigest(options.digest)))) {
      verdict.Say(
          std::string("BAD signature: made with another digest (") +
          DigestName(OtherDigest(options.digest)) + "); " +
          (options.digest == TDigestKind::Sha1 ? "verify without --sha1" : "verify with --sha1"));
      return kExitFailed;
    }
    verdict.Say("BAD signature: " + input.Name() +
                " was not signed with the secret key of this public key, or was changed since "
                "(digest: " +
                DigestName(options.digest) + ")");
    return kExitFailed;
  }
  verdict.Say("Good signature: " + input.Name() + " was signed by key " + keyId +
              " (bare signature text; digest: " + DigestName(options.digest) + ")");
  return kExitOk;
}

}  // namespace eccrypt::tool
