#pragma once
// The subcommands of eccrypt. Each takes its parsed options and the two output streams,
// returns the exit status, and reports failures by throwing TToolError.
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "ECCrypt/ECCrypt.h"
#include "tool/digest.h"

namespace eccrypt::tool {

struct TConsole {
  std::ostream& out;  // results: keys, signatures, verdicts
  std::ostream& err;  // warnings and notices
};

struct TKeygenOptions {
  std::string output;
  TMode mode = TMode::Base64;
  std::optional<std::string> passPhraseFile;
  bool random = false;
  bool force = false;
  bool fromPassPhrase = false;  // derive the key pair from the pass phrase
  bool unprotected = false;     // write the secret-key file in clear
};

struct TPubkeyOptions {
  std::string keyFile;
  std::optional<std::string> passPhraseFile;  // unlocks a protected key file
  bool id = false;                            // print the key id instead of the key
};

struct TPasswdOptions {
  std::string keyFile;
  std::optional<std::string> passPhraseFile;     // the current pass phrase
  std::optional<std::string> newPassPhraseFile;  // the new one
  bool protect = false;                          // also protect a key file in clear
};

struct TEncryptOptions {
  std::vector<std::string> recipients;      // -r, --to: key texts, files of them, key files
  std::vector<std::string> recipientFiles;  // -R: files of key texts, one a line
  bool armour = false;                      // -a: PEM-style text
  std::string output;                       // empty: standard output
  std::string input;                        // empty or "-": standard input
  bool force = false;                       // an existing regular output file may be replaced
  bool sync = false;                        // flush a new output file to disk before naming it
};

struct TDecryptOptions {
  std::vector<std::string> keyFiles;          // tried in order until one opens the file
  std::optional<std::string> passPhraseFile;  // tried for every protected key file
  std::string output;
  std::string input;
  bool force = false;
  bool sync = false;  // flush a new output file to disk before naming it
};

struct TSignOptions {
  std::string keyFile;
  std::optional<std::string> passPhraseFile;  // unlocks a protected key file
  std::vector<std::string> inputs;            // none, or "-" alone: standard input
  // Empty: FILE.sig beside each file, or standard output for standard input. "-": standard
  // output. Only with one input.
  std::string output;
  bool force = false;
  bool bare = false;  // the signature text alone, not a signature file
  std::optional<std::string> trustedComment;
  std::optional<std::string> untrustedComment;
  TDigestKind digest = TDigestKind::Sha256Truncated;
};

struct TVerifyOptions {
  std::string publicKey;
  std::string signature;  // empty: FILE.sig
  std::string input;
  bool quiet = false;  // exit status only
  TDigestKind digest = TDigestKind::Sha256Truncated;
  bool allowV1 = false;  // check version 1 signature files too, with a warning
};

struct TInspectOptions {
  std::string input;  // empty or "-": standard input
};

struct TDemoOptions {
  bool keep = false;  // leave the working directory in place
};

int RunKeygen(const TKeygenOptions& options, TConsole& console);
int RunPubkey(const TPubkeyOptions& options, TConsole& console);
int RunPasswd(const TPasswdOptions& options, TConsole& console);
int RunEncrypt(const TEncryptOptions& options, TConsole& console);
int RunDecrypt(const TDecryptOptions& options, TConsole& console);
int RunSign(const TSignOptions& options, TConsole& console);
int RunVerify(const TVerifyOptions& options, TConsole& console);
int RunInspect(const TInspectOptions& options, TConsole& console);
int RunDemo(const TDemoOptions& options, TConsole& console);

}  // namespace eccrypt::tool
