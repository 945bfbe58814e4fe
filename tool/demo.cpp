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

int RunSteps(TDemo& demo, const fs::path& dir) {
  const std::string message = DemoMessage();
  WriteFile(dir / "message.txt", message);

  demo.Step("Alice makes her key pair from her pass phrase (kept in alice.phrase).");
  TSecretString alicePhrase;
  RandomPassPhrase(alicePhrase);
  WriteFile(dir / "alice.phrase", alicePhrase.str() + "\n");
  std::string alicePublic;
  TKeygenOptions aliceKeygen{"alice.key", TMode::Base64, "alice.phrase", false, false};
  demo.Check(demo.Run(
                 "eccrypt keygen --passphrase-file alice.phrase -o alice.key > alice.pub",
                 [&](TConsole& c) { return RunKeygen(aliceKeygen, c); }, &alicePublic) == 0,
             "key pair made");
  WriteFile(dir / "alice.pub", alicePublic);
  demo.Say("alice.pub (Alice's public key, which she gives to everyone): " + alicePublic);

  demo.Step("Bob makes his with a random pass phrase, in the hexadecimal text form.");
  std::string bobPublic;
  TKeygenOptions bobKeygen{"bob.key", TMode::Hex, std::nullopt, true, false};
  demo.Check(demo.Run(
                 "eccrypt keygen --random --format hex -o bob.key > bob.pub",
                 [&](TConsole& c) { return RunKeygen(bobKeygen, c); }, &bobPublic) == 0,
             "key pair made");
  WriteFile(dir / "bob.pub", bobPublic);
  demo.Say("bob.pub: " + bobPublic);

  demo.Step("The same pass phrase always gives the same keys.");
  std::string againPublic;
  TKeygenOptions againKeygen{"alice-again.key", TMode::Base64, "alice.phrase", false, false};
  demo.Run(
      "eccrypt keygen --passphrase-file alice.phrase -o alice-again.key",
      [&](TConsole& c) { return RunKeygen(againKeygen, c); }, &againPublic);
  demo.Check(againPublic == alicePublic &&
                 ReadFile(dir / "alice-again.key") == ReadFile(dir / "alice.key"),
             "same public key and same key file as before");
  demo.Check(ReadFile(dir / "alice.key").find(alicePhrase.str()) == std::string::npos,
             "the pass phrase is not in the key file");

  demo.Step("Alice encrypts a message of " + std::to_string(message.size()) + " bytes for Bob.");
  TEncryptOptions encrypt;
  encrypt.recipients = {"@bob.pub"};
  encrypt.output = "message.ecc";
  encrypt.input = "message.txt";
  const int encrypted = demo.Run("eccrypt encrypt --to @bob.pub -o message.ecc message.txt",
                                 [&](TConsole& c) { return RunEncrypt(encrypt, c); });
  demo.Check(encrypted == 0 && fs::exists(dir / "message.ecc"),
             "message.ecc written (" +
                 (encrypted == 0 ? std::to_string(fs::file_size(dir / "message.ecc")) : "no") +
                 " bytes)");

  demo.Step("Bob decrypts it with his secret key.");
  TDecryptOptions decrypt{"bob.key", "received.txt", "message.ecc"};
  demo.Run("eccrypt decrypt --key bob.key -o received.txt message.ecc",
           [&](TConsole& c) { return RunDecrypt(decrypt, c); });
  demo.Check(fs::exists(dir / "received.txt") && ReadFile(dir / "received.txt") == message,
             "received.txt is identical to message.txt");

  demo.Step("Alice cannot decrypt what was encrypted for Bob.");
  TDecryptOptions wrongKey{"alice.key", "stolen.txt", "message.ecc"};
  demo.Check(demo.Run("eccrypt decrypt --key alice.key -o stolen.txt message.ecc",
                      [&](TConsole& c) { return RunDecrypt(wrongKey, c); }) == kExitFailed &&
                 !fs::exists(dir / "stolen.txt"),
             "refused as the wrong key; no stolen.txt written");

  demo.Step("A tampered encrypted file is refused (one byte of message.ecc changed).");
  std::string tampered = ReadFile(dir / "message.ecc");
  tampered[tampered.size() / 2] = static_cast<char>(tampered[tampered.size() / 2] ^ 0x01);
  WriteFile(dir / "tampered.ecc", tampered);
  TDecryptOptions decryptTampered{"bob.key", "tampered.txt", "tampered.ecc"};
  demo.Check(demo.Run("eccrypt decrypt --key bob.key -o tampered.txt tampered.ecc",
                      [&](TConsole& c) { return RunDecrypt(decryptTampered, c); }) == kExitFailed &&
                 !fs::exists(dir / "tampered.txt"),
             "refused; no tampered.txt written");

  demo.Step("Alice signs the message; Bob checks it with her public key.");
  std::string signature;
  TSignOptions sign;
  sign.keyFile = "alice.key";
  sign.input = "message.txt";
  demo.Check(demo.Run(
                 "eccrypt sign --key alice.key message.txt > message.sig",
                 [&](TConsole& c) { return RunSign(sign, c); }, &signature) == 0,
             "signed");
  WriteFile(dir / "message.sig", signature);
  demo.Say("message.sig:\n" + signature);
  TVerifyOptions verify;
  verify.publicKey = "@alice.pub";
  verify.signature = "@message.sig";
  verify.input = "message.txt";
  demo.Check(demo.Run("eccrypt verify --key @alice.pub --signature @message.sig message.txt",
                      [&](TConsole& c) { return RunVerify(verify, c); }) == kExitOk,
             "the signature verifies");

  demo.Step("A changed message fails verification.");
  std::string changed = message;
  changed[10] = 'X';
  WriteFile(dir / "changed.txt", changed);
  TVerifyOptions verifyChanged;
  verifyChanged.publicKey = "@alice.pub";
  verifyChanged.signature = "@message.sig";
  verifyChanged.input = "changed.txt";
  demo.Check(demo.Run("eccrypt verify --key @alice.pub --signature @message.sig changed.txt",
                      [&](TConsole& c) { return RunVerify(verifyChanged, c); }) == kExitFailed,
             "refused");

  demo.Step("A tampered signature is refused (one character of message.sig changed).");
  std::string badSignature = signature;
  const std::size_t at = badSignature.find("signature: ") + 11;
  badSignature[at] = badSignature[at] == 'A' ? 'B' : 'A';
  WriteFile(dir / "tampered.sig", badSignature);
  TVerifyOptions verifyTampered;
  verifyTampered.publicKey = "@alice.pub";
  verifyTampered.signature = "@tampered.sig";
  verifyTampered.input = "message.txt";
  demo.Check(demo.Run("eccrypt verify --key @alice.pub --signature @tampered.sig message.txt",
                      [&](TConsole& c) { return RunVerify(verifyTampered, c); }) == kExitFailed,
             "refused");

  demo.Step("Bob's signature does not pass as Alice's.");
  std::string bobSignature;
  TSignOptions bobSign;
  bobSign.keyFile = "bob.key";
  bobSign.input = "message.txt";
  demo.Run(
      "eccrypt sign --key bob.key message.txt > bob.sig",
      [&](TConsole& c) { return RunSign(bobSign, c); }, &bobSignature);
  WriteFile(dir / "bob.sig", bobSignature);
  TVerifyOptions verifyBob;
  verifyBob.publicKey = "@alice.pub";
  verifyBob.signature = "@bob.sig";
  verifyBob.input = "message.txt";
  demo.Check(demo.Run("eccrypt verify --key @alice.pub --signature @bob.sig message.txt",
                      [&](TConsole& c) { return RunVerify(verifyBob, c); }) == kExitFailed,
             "refused");
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

  console.out << "eccrypt demo: Alice and Bob exchange a file and a signature, in " << dir.string()
              << "\n";
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
