#include "tool/cli.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <exception>
#include <ostream>
#include <string>
#include <vector>

#include "tool/consoleIo.h"
#include "tool/fileIo.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

// "eccrypt verify: what is wrong", then the hint as a sentence of its own.
void PrintError(std::ostream& err, const std::string& command, const TToolError& error) {
  err << "eccrypt" << (command.empty() ? "" : " " + command) << ": " << error.what() << "\n";
  std::string hint = error.Hint();
  if (hint.empty()) return;
  hint[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(hint[0])));
  if (hint.back() != '.') hint.push_back('.');
  err << "  " << hint << "\n";
}

// A command line that does not parse, told as every other error is. An unknown option is named
// first: it usually explains the missing option that would otherwise be reported instead.
void PrintUsageError(const CLI::App& app, const CLI::ParseError& error, std::ostream& err) {
  const std::vector<CLI::App*> chosen = app.get_subcommands();
  const std::string command = chosen.empty() ? "" : chosen.front()->get_name();
  const std::string help = "see eccrypt " + (command.empty() ? "" : command + " ") + "--help";
  const std::vector<std::string> extra = app.remaining(true);
  std::string message = error.what();
  if (!extra.empty()) {
    message = (extra.front().starts_with('-') ? "unknown option '" : "unexpected argument '") +
              extra.front() + "'";
  }
  PrintError(err, command, TToolError(message, help, kExitUsage));
}

}  // namespace

int RunTool(int argc, char** argv, TConsole& console) {
  CLI::App app{"eccrypt: public-key encryption and signatures over one binary elliptic curve."};
  app.name("eccrypt");
  app.require_subcommand(1);
  app.set_version_flag("--version", "eccrypt " + TEllipticCurve().GetVersion());

  TKeygenOptions keygen;
  CLI::App* keygenCommand = app.add_subcommand(
      "keygen",
      "Make a random key pair; write the secret-key file, protected by a pass phrase, and "
      "print the public key");
  keygenCommand->add_option("-o,--output", keygen.output, "Secret-key file to write (mode 0600)")
      ->required()
      ->type_name("KEYFILE");
  std::string keygenFormat = "base64";
  keygenCommand
      ->add_option("--format", keygenFormat, "Text form of keys and signatures (default base64)")
      ->transform(CLI::Validator(
          [](std::string& value) -> std::string {
            for (char& c : value)
              c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (value == "hex" || value == "base64") return {};
            return "must be hex or base64, not '" + value + "'";
          },
          ""))
      ->type_name("hex|base64");
  auto* phraseFile =
      keygenCommand
          ->add_option(
              "--passphrase-file", keygen.passPhraseFile,
              "Read the pass phrase from FILE (otherwise asked twice on a terminal, or read from "
              "standard input)")
          ->type_name("FILE");
  keygenCommand->add_flag("--unprotected", keygen.unprotected,
                          "Write the secret-key file in clear, without a pass phrase (for "
                          "automation: anyone who reads the file has the key)");
  keygenCommand->add_flag(
      "--from-passphrase", keygen.fromPassPhrase,
      "Derive the key pair from the pass phrase instead (the same phrase gives the same keys "
      "anywhere, as other programs that derive keys this way do). The phrase alone is the key, "
      "without salt or stretching: a phrase that can be guessed gives the key away");
  keygenCommand
      ->add_flag("--random", keygen.random,
                 "With --from-passphrase: draw a strong pass phrase from the system's random "
                 "source, print it once on standard error, and use it")
      ->excludes(phraseFile);
  keygenCommand->add_flag("--force", keygen.force, "Replace KEYFILE if it is an existing file");

  TPubkeyOptions pubkey;
  CLI::App* pubkeyCommand =
      app.add_subcommand("pubkey", "Print the public key of a secret-key file");
  pubkeyCommand->add_option("KEYFILE", pubkey.keyFile, "Secret-key file")->required();

  TEncryptOptions encrypt;
  CLI::App* encryptCommand =
      app.add_subcommand("encrypt", "Encrypt a file for one or more recipients' public keys");
  encryptCommand
      ->add_option("-r,--to,--recipient", encrypt.recipients,
                   "A recipient's public key: its text, a file holding it (or @FILE), "
                   "or a key file; repeat for several recipients")
      ->allow_extra_args(false)
      ->type_name("KEY");
  encryptCommand
      ->add_option("-R,--recipients-file", encrypt.recipientFiles,
                   "A file of recipients' public keys, one a line ('#' starts a "
                   "comment line); may be repeated")
      ->allow_extra_args(false)
      ->type_name("FILE");
  encryptCommand->add_flag("-a,--armor,--armour", encrypt.armour,
                           "Write the encrypted file as PEM-style text, for mail and chat "
                           "(decrypt recognises it)");
  encryptCommand
      ->add_option("-o,--output", encrypt.output,
                   "Encrypted file to write, named only once it is complete; a device "
                   "or FIFO is written in place (default, or -: standard output)")
      ->type_name("OUT");
  encryptCommand->add_flag("--force", encrypt.force, "Replace OUT if it is an existing file");
  encryptCommand->add_option("FILE", encrypt.input, "File to encrypt (default: standard input)")
      ->type_name("");

  TDecryptOptions decrypt;
  CLI::App* decryptCommand =
      app.add_subcommand("decrypt", "Decrypt a file encrypted for your public key");
  decryptCommand->add_option("--key", decrypt.keyFile, "Your secret-key file")
      ->required()
      ->type_name("KEYFILE");
  decryptCommand
      ->add_option("--passphrase-file", decrypt.passPhraseFile,
                   "Read the pass phrase of a protected key file from FILE "
                   "(otherwise asked on the terminal)")
      ->type_name("FILE");
  decryptCommand
      ->add_option(
          "-o,--output", decrypt.output,
          "File to write, named only once the whole input has been authenticated; a device or FIFO "
          "is written in place (default, or -: standard output). Standard output, a device or a "
          "FIFO receives each block as soon as it is authenticated: on a damaged file it gets the "
          "blocks before the fault, then the run fails")
      ->type_name("OUT");
  decryptCommand->add_flag("--force", decrypt.force, "Replace OUT if it is an existing file");
  decryptCommand->add_option("FILE", decrypt.input, "File to decrypt (default: standard input)")
      ->type_name("");

  TSignOptions sign;
  bool signSha1 = false;
  CLI::App* signCommand = app.add_subcommand(
      "sign", "Sign a file: write a signature file naming the key, the digest and a comment");
  signCommand->add_option("--key", sign.keyFile, "Your secret-key file")
      ->required()
      ->type_name("KEYFILE");
  signCommand
      ->add_option("--passphrase-file", sign.passPhraseFile,
                   "Read the pass phrase of a protected key file from FILE (otherwise "
                   "asked on the terminal)")
      ->type_name("FILE");
  signCommand->add_option("FILE", sign.input, "File to sign (default: standard input)")
      ->type_name("");
  signCommand
      ->add_option("-o,--output", sign.output,
                   "Signature file to write (default, or -: standard output)")
      ->type_name("SIGFILE");
  signCommand->add_flag("--force", sign.force, "Replace an existing signature file");
  signCommand->add_option("-c,--comment", sign.trustedComment,
                          "Trusted comment, covered by the signature (default: the file name and "
                          "the time)");
  signCommand
      ->add_option("--untrusted-comment", sign.untrustedComment,
                   "Untrusted comment, not covered by the signature")
      ->type_name("TEXT");
  signCommand->add_flag("--bare", sign.bare,
                        "Print only the signature text r:s, for programs that take the "
                        "component's signatures");
  signCommand->add_flag("--sha1", signSha1,
                        "Sign the SHA-1 digest instead of truncated SHA-256 (only to match "
                        "other software; SHA-1 is not collision-resistant)");

  TVerifyOptions verify;
  bool verifySha1 = false;
  CLI::App* verifyCommand = app.add_subcommand(
      "verify", "Check a signature on a file; exit 0 when it is good, 1 when it is not");
  verifyCommand
      ->add_option("--key", verify.publicKey,
                   "The signer's public key: its text, a file holding it, or a key file")
      ->required()
      ->type_name("KEY");
  verifyCommand
      ->add_option("--signature", verify.signature,
                   "Signature file, or a bare signature text (default: FILE.sig)")
      ->type_name("SIGFILE");
  verifyCommand->add_option("FILE", verify.input, "Signed file (default: standard input)")
      ->type_name("");
  verifyCommand->add_flag("-q,--quiet", verify.quiet, "Print nothing; only the exit status tells");
  verifyCommand->add_flag("--sha1", verifySha1,
                          "Accept a signature over the file's SHA-1 digest (files signed "
                          "elsewhere with SHA-1)");

  TInspectOptions inspect;
  CLI::App* inspectCommand = app.add_subcommand(
      "inspect",
      "Tell what a file is (encrypted file, key file, signature, public key) without any key");
  inspectCommand->add_option("FILE", inspect.input, "File to inspect (default: standard input)")
      ->type_name("");

  TDemoOptions demo;
  CLI::App* demoCommand = app.add_subcommand(
      "demo",
      "Show the whole system at work in a temporary directory: three parties make keys, "
      "encrypt for several recipients, decrypt, sign and verify");
  demoCommand->add_flag("--keep", demo.keep, "Keep the temporary directory afterwards");

  // A first word that names no subcommand is a misspelt one; no word at all asks for help.
  if (argc < 2) {
    console.err << app.help();
    return kExitUsage;
  }
  const std::string first = argv[1];
  if (!first.starts_with('-') &&
      app.get_subcommands([&](CLI::App* sub) { return sub->get_name() == first; }).empty()) {
    console.err << "eccrypt: unknown subcommand '" << first << "'\n"
                << "  Subcommands: keygen, pubkey, encrypt, decrypt, sign, verify, inspect, demo; "
                   "see eccrypt --help.\n";
    return kExitUsage;
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() != 0) {
      PrintUsageError(app, error, console.err);
      return kExitUsage;
    }
    app.exit(error, console.out, console.err);
    try {
      FlushChecked(console.out, "standard output");  // --help and --version
    } catch (const TToolError& failure) {
      PrintError(console.err, "", failure);
      return failure.ExitCode();
    }
    return kExitOk;
  }
  keygen.mode = keygenFormat == "hex" ? TMode::Hex : TMode::Base64;
  sign.digest = signSha1 ? TDigestKind::Sha1 : TDigestKind::Sha256Truncated;
  verify.digest = verifySha1 ? TDigestKind::Sha1 : TDigestKind::Sha256Truncated;

  const CLI::App* chosen = app.get_subcommands().front();
  const std::string command = chosen->get_name();
  try {
    // Data is never read from a terminal unless asked for with "-": a forgotten file name
    // would otherwise wait silently for typed input.
    const auto needsFile = [&](const std::string& input, const std::string& what) {
      if (input.empty() && IsStdinTerminal()) {
        throw TToolError("no file named, and standard input is a terminal",
                         "name the file to " + what + ", pipe it in, or give - to type it",
                         kExitUsage);
      }
    };
    if (chosen == encryptCommand) needsFile(encrypt.input, "encrypt");
    if (chosen == decryptCommand) needsFile(decrypt.input, "decrypt");
    if (chosen == signCommand) needsFile(sign.input, "sign");
    if (chosen == verifyCommand) needsFile(verify.input, "verify");
    if (chosen == inspectCommand) needsFile(inspect.input, "inspect");
    int status = kExitUsage;
    if (chosen == keygenCommand) status = RunKeygen(keygen, console);
    if (chosen == pubkeyCommand) status = RunPubkey(pubkey, console);
    if (chosen == encryptCommand) status = RunEncrypt(encrypt, console);
    if (chosen == decryptCommand) status = RunDecrypt(decrypt, console);
    if (chosen == signCommand) status = RunSign(sign, console);
    if (chosen == verifyCommand) status = RunVerify(verify, console);
    if (chosen == inspectCommand) status = RunInspect(inspect, console);
    if (chosen == demoCommand) status = RunDemo(demo, console);
    // Whatever was printed must have arrived: a verdict or a notice that was lost is a failure.
    FlushChecked(console.out, "standard output");
    FlushChecked(console.err, "standard error");
    return status;
  } catch (const TToolError& error) {
    PrintError(console.err, command, error);
    return error.ExitCode();
  } catch (const std::exception& error) {
    PrintError(console.err, command, TToolError(std::string("internal error: ") + error.what()));
    return kExitFailed;
  }
}

}  // namespace eccrypt::tool
