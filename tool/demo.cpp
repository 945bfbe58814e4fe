// eccrypt demo: the whole system at work on real files, step by step, with the command a user
// would type for each step. Every step runs the same code as that command.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <sstream>
#include <vector>

#include "tool/commands.h"
#include "tool/passPhrase.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw TToolError("the demo cannot write " + path.string());
}

// Prints lines indented under the step they belong to.
void Indented(std::ostream& out, const std::string& text) {
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) out << "     " << line << "\n";
}

class TDemo {
 public:
  explicit TDemo(std::ostream& out) : out_(out) {}

  void Step(const std::string& title) { out_ << "\n" << ++step_ << ". " << title << "\n"; }
  void Say(const std::string& text) { Indented(out_, text); }

  // Shows the command, runs it, shows what it printed; returns its exit status. The
  // standard output it printed is returned in `printed`.
  int Run(const std::string& command, const std::function<int(TConsole&)>& body,
          std::string* printed = nullptr) {
    out_ << "   $ " << command << "\n";
    std::ostringstream stdoutText, stderrText;
    TConsole console{stdoutText, stderrText};
    const std::string name = command.substr(0, command.find(' ', 8));  // "eccrypt verb"
    int status = kExitOk;
    try {
      status = body(console);
    } catch (const TToolError& error) {
      stderrText << name << ": " << error.what() << "\n";
      status = error.ExitCode();
    }
    if (printed) {
      *printed = stdoutText.str();
    } else {
      Indented(out_, stdoutText.str());
    }
    Indented(out_, stderrText.str());
    return status;
  }

  void Check(bool passed, const std::string& what) {
    out_ << "   " << (passed ? "[ok] " : "[FAILED] ") << what << "\n";
    if (!passed) ++failures_;
    ++checks_;
  }

  int Finish() {
    if (failures_ == 0) {
      out_ << "\nDemo passed: all " << checks_ << " checks hold.\n";
      return kExitOk;
    }
    out_ << "\nDemo FAILED: " << failures_ << " of " << checks_ << " checks did not hold.\n";
    return kExitFailed;
  }

 private:
  std::ostream& out_;
  int step_ = 0;
  int checks_ = 0;
  int failures_ = 0;
};

// A message of a little over a megabyte, so that it spans many chunks of the stream.
std::string DemoMessage() {
  std::string message = "Dear Bob,\nthe meeting is moved to Thursday, 10:00, room 4.\nAlice\n";
  std::string filler;
  for (int line = 0; filler.size() < 1100000; ++line) {
    filler += "line " + std::to_string(line) + ": the quick brown fox jumps over the lazy dog\n";
  }
  return message + filler;
}

TKeygenOptions Keygen(const std::string& output, TMode mode) {
  TKeygenOptions options;
  options.output = output;
  options.mode = mode;
  return options;
}

TDecryptOptions Decrypt(const std::string& keyFile, const std::string& phraseFile,
                        const std::string& output, const std::string& input) {
  TDecryptOptions options;
  options.keyFiles = {keyFile};
  if (!phraseFile.empty()) options.passPhraseFile = phraseFile;
  options.output = output;
  options.input = input;
  return options;
}

TVerifyOptions Verify(const std::string& publicKey, const std::string& signature,
                      const std::string& input) {
  TVerifyOptions options;
  options.publicKey = publicKey;
  options.signature = signature;
  options.input = input;
  return options;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// Alice: a random key pair, its key file sealed under her pass phrase.
void MakeAliceKeys(TDemo& demo, const fs::path& dir) {
  demo.Step(
      "Alice makes a random key pair; her pass phrase (in alice.phrase) protects the "
      "key file.");
  TSecretString alicePhrase;
  RandomPassPhrase(alicePhrase);
  WriteFile(dir / "alice.phrase", alicePhrase.str() + "\n");
  std::string alicePublic;
  TKeygenOptions aliceKeygen = Keygen("alice.key", TMode::Base64);
  aliceKeygen.passPhraseFile = "alice.phrase";
  demo.Check(demo.Run(
                 "eccrypt keygen --passphrase-file alice.phrase -o alice.key > alice.pub",
                 [&](TConsole& c) { return RunKeygen(aliceKeygen, c); }, &alicePublic) == 0,
             "key pair made");
  WriteFile(dir / "alice.pub", alicePublic);
  demo.Say("alice.pub (Alice's public key, which she gives to everyone): " + alicePublic);
  const std::string aliceKeyFile = ReadFile(dir / "alice.key");
  demo.Check(StartsWith(aliceKeyFile, "eccrypt secret key") &&
                 aliceKeyFile.find(alicePhrase.str()) == std::string::npos,
             "alice.key is sealed under the pass phrase, which it does not contain");
}

// Bob: the same, in the hexadecimal text form.
void MakeBobKeys(TDemo& demo, const fs::path& dir) {
  demo.Step("Bob does the same, in the hexadecimal text form.");
  TSecretString bobPhrase;
  RandomPassPhrase(bobPhrase);
  WriteFile(dir / "bob.phrase", bobPhrase.str() + "\n");
  std::string bobPublic;
  TKeygenOptions bobKeygen = Keygen("bob.key", TMode::Hex);
  bobKeygen.passPhraseFile = "bob.phrase";
  demo.Check(demo.Run(
                 "eccrypt keygen --format hex --passphrase-file bob.phrase -o bob.key > bob.pub",
                 [&](TConsole& c) { return RunKeygen(bobKeygen, c); }, &bobPublic) == 0,
             "key pair made");
  WriteFile(dir / "bob.pub", bobPublic);
  demo.Say("bob.pub: " + bobPublic);
}

// Carol: a key pair derived from a remembered phrase, twice alike, kept in clear.
void DeriveCarolKeys(TDemo& demo, const fs::path& dir) {
  demo.Step(
      "Carol derives hers from a remembered phrase and keeps the key file in clear; the "
      "same phrase always gives the same keys.");
  WriteFile(dir / "carol.phrase", "carol's remembered phrase: long, and never reused\n");
  std::string carolPublic, againPublic;
  TKeygenOptions carolKeygen = Keygen("carol.key", TMode::Base64);
  carolKeygen.passPhraseFile = "carol.phrase";
  carolKeygen.fromPassPhrase = true;
  carolKeygen.unprotected = true;
  demo.Run(
      "eccrypt keygen --from-passphrase --unprotected --passphrase-file carol.phrase -o carol.key",
      [&](TConsole& c) { return RunKeygen(carolKeygen, c); }, &carolPublic);
  WriteFile(dir / "carol.pub", carolPublic);
  TKeygenOptions againKeygen = carolKeygen;
  againKeygen.output = "carol-again.key";
  demo.Run(
      "eccrypt keygen --from-passphrase --unprotected --passphrase-file carol.phrase -o "
      "carol-again.key",
      [&](TConsole& c) { return RunKeygen(againKeygen, c); }, &againPublic);
  demo.Check(!carolPublic.empty() && againPublic == carolPublic &&
                 ReadFile(dir / "carol-again.key") == ReadFile(dir / "carol.key"),
             "same public key and same key file twice");
}

// The message encrypted for Bob and Alice, and decrypted by each.
void EncryptAndDecrypt(TDemo& demo, const fs::path& dir, const std::string& message) {
  demo.Step("Alice encrypts a message of " + std::to_string(message.size()) +
            " bytes for Bob, and for herself.");
  TEncryptOptions encrypt;
  encrypt.recipients = {"bob.pub", "alice.pub"};
  encrypt.output = "message.ecc";
  encrypt.input = "message.txt";
  const int encrypted =
      demo.Run("eccrypt encrypt -r bob.pub -r alice.pub -o message.ecc message.txt",
               [&](TConsole& c) { return RunEncrypt(encrypt, c); });
  demo.Check(encrypted == 0 && fs::exists(dir / "message.ecc"),
             "message.ecc written (" +
                 (encrypted == 0 ? std::to_string(fs::file_size(dir / "message.ecc")) : "no") +
                 " bytes)");

  demo.Step("Bob decrypts it with his key file and pass phrase; so does Alice.");
  const TDecryptOptions bobDecrypt =
      Decrypt("bob.key", "bob.phrase", "received.txt", "message.ecc");
  demo.Run("eccrypt decrypt --key bob.key --passphrase-file bob.phrase -o received.txt message.ecc",
           [&](TConsole& c) { return RunDecrypt(bobDecrypt, c); });
  demo.Check(fs::exists(dir / "received.txt") && ReadFile(dir / "received.txt") == message,
             "received.txt is identical to message.txt");
  const TDecryptOptions aliceDecrypt =
      Decrypt("alice.key", "alice.phrase", "copy.txt", "message.ecc");
  demo.Run("eccrypt decrypt --key alice.key --passphrase-file alice.phrase -o copy.txt message.ecc",
           [&](TConsole& c) { return RunDecrypt(aliceDecrypt, c); });
  demo.Check(fs::exists(dir / "copy.txt") && ReadFile(dir / "copy.txt") == message,
             "copy.txt is identical to message.txt");
}

// Decryption refused: another pass phrase, a key that is no recipient's, a tampered file.
void RefuseWrongKeys(TDemo& demo, const fs::path& dir) {
  demo.Step("Bob's key file does not open with another pass phrase.");
  const TDecryptOptions wrongPhrase =
      Decrypt("bob.key", "alice.phrase", "stolen.txt", "message.ecc");
  demo.Check(demo.Run("eccrypt decrypt --key bob.key --passphrase-file alice.phrase -o "
                      "stolen.txt message.ecc",
                      [&](TConsole& c) { return RunDecrypt(wrongPhrase, c); }) == kExitFailed &&
                 !fs::exists(dir / "stolen.txt"),
             "refused; no stolen.txt written");

  demo.Step("Carol, not a recipient, cannot decrypt it.");
  const TDecryptOptions carolDecrypt = Decrypt("carol.key", "", "stolen.txt", "message.ecc");
  demo.Check(demo.Run("eccrypt decrypt --key carol.key -o stolen.txt message.ecc",
                      [&](TConsole& c) { return RunDecrypt(carolDecrypt, c); }) == kExitFailed &&
                 !fs::exists(dir / "stolen.txt"),
             "refused; no stolen.txt written");

  demo.Step("A tampered encrypted file is refused (one byte of message.ecc changed).");
  std::string tampered = ReadFile(dir / "message.ecc");
  tampered[tampered.size() / 2] = static_cast<char>(tampered[tampered.size() / 2] ^ 0x01);
  WriteFile(dir / "tampered.ecc", tampered);
  const TDecryptOptions decryptTampered =
      Decrypt("bob.key", "bob.phrase", "tampered.txt", "tampered.ecc");
  demo.Check(demo.Run("eccrypt decrypt --key bob.key --passphrase-file bob.phrase -o "
                      "tampered.txt tampered.ecc",
                      [&](TConsole& c) { return RunDecrypt(decryptTampered, c); }) == kExitFailed &&
                 !fs::exists(dir / "tampered.txt"),
             "refused; no tampered.txt written");
}

// Alice signs; her signature verifies, a changed message, a changed comment and Carol's signature
// do not.
void SignAndVerify(TDemo& demo, const fs::path& dir, const std::string& message) {
  demo.Step("Alice signs the message; Bob checks the signature file with her public key.");
  TSignOptions sign;
  sign.keyFile = "alice.key";
  sign.passPhraseFile = "alice.phrase";
  sign.inputs = {"message.txt"};
  sign.output = "message.txt.sig";
  sign.trustedComment = "the meeting notice, signed by Alice";
  demo.Check(demo.Run("eccrypt sign --key alice.key --passphrase-file alice.phrase -c \"the "
                      "meeting notice, signed by Alice\" -o message.txt.sig message.txt",
                      [&](TConsole& c) { return RunSign(sign, c); }) == 0,
             "signed");
  demo.Say("message.txt.sig:\n" + ReadFile(dir / "message.txt.sig"));
  const TVerifyOptions verify = Verify("alice.pub", "", "message.txt");
  demo.Check(demo.Run("eccrypt verify --key alice.pub message.txt",
                      [&](TConsole& c) { return RunVerify(verify, c); }) == kExitOk,
             "the signature verifies (the signature file is message.txt.sig by default)");

  demo.Step("A changed message fails verification.");
  std::string changed = message;
  changed[10] = 'X';
  WriteFile(dir / "changed.txt", changed);
  const TVerifyOptions verifyChanged = Verify("alice.pub", "message.txt.sig", "changed.txt");
  demo.Check(demo.Run("eccrypt verify --key alice.pub --signature message.txt.sig changed.txt",
                      [&](TConsole& c) { return RunVerify(verifyChanged, c); }) == kExitFailed,
             "refused: changed since it was signed");

  demo.Step("A changed trusted comment is refused too.");
  std::string forged = ReadFile(dir / "message.txt.sig");
  const std::size_t at = forged.find("signed by Alice");
  forged.replace(at, 6, "SIGNED");
  WriteFile(dir / "forged.sig", forged);
  const TVerifyOptions verifyForged = Verify("alice.pub", "forged.sig", "message.txt");
  demo.Check(demo.Run("eccrypt verify --key alice.pub --signature forged.sig message.txt",
                      [&](TConsole& c) { return RunVerify(verifyForged, c); }) == kExitFailed,
             "refused");

  demo.Step("Carol's signature does not pass as Alice's.");
  TSignOptions carolSign;
  carolSign.keyFile = "carol.key";
  carolSign.inputs = {"message.txt"};
  carolSign.output = "carol.sig";
  demo.Run("eccrypt sign --key carol.key -o carol.sig message.txt",
           [&](TConsole& c) { return RunSign(carolSign, c); });
  const TVerifyOptions verifyCarol = Verify("alice.pub", "carol.sig", "message.txt");
  demo.Check(demo.Run("eccrypt verify --key alice.pub --signature carol.sig message.txt",
                      [&](TConsole& c) { return RunVerify(verifyCarol, c); }) == kExitFailed,
             "refused: signed by another key");
}

int RunSteps(TDemo& demo, const fs::path& dir) {
  const std::string message = DemoMessage();
  WriteFile(dir / "message.txt", message);

  MakeAliceKeys(demo, dir);
  MakeBobKeys(demo, dir);
  DeriveCarolKeys(demo, dir);
  EncryptAndDecrypt(demo, dir, message);
  RefuseWrongKeys(demo, dir);
  SignAndVerify(demo, dir, message);
  return demo.Finish();
}

}  // namespace

int RunDemo(const TDemoOptions& options, TConsole& console) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/eccrypt-demo-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (::mkdtemp(name.data()) == nullptr) {
    throw TToolError("the demo cannot create a temporary directory",
                     "set TMPDIR to a writable directory");
  }
  const fs::path dir = name.data();
  const fs::path previous = fs::current_path();
  fs::current_path(dir);  // the commands shown name files relative to this directory

  console.out << "eccrypt demo: Alice, Bob and Carol exchange a file and a signature, in "
              << dir.string() << "\n";
  TDemo demo(console.out);
  int status = kExitFailed;
  try {
    status = RunSteps(demo, dir);
  } catch (...) {
    fs::current_path(previous);
    if (!options.keep) fs::remove_all(dir);
    throw;
  }
  fs::current_path(previous);
  if (options.keep) {
    console.out << "The files are kept in " << dir.string() << "\n";
  } else {
    fs::remove_all(dir);
  }
  return status;
}

}  // namespace eccrypt::tool
