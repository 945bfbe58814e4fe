#include "tool/cli.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <exception>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tool/consoleIo.h"
#include "tool/displayText.h"
#include "tool/fileIo.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

// Every subcommand's options as the command line sets them, and the subcommands themselves, so
// that the chosen one can be told apart after parsing. The parser holds pointers into it: it
// stays where it was made.
struct TCommandLine {
  TKeygenOptions keygen;
  std::string keygenFormat = "base64";
  TPubkeyOptions pubkey;
  TPasswdOptions passwd;
  TEncryptOptions encrypt;
  TDecryptOptions decrypt;
  TSignOptions sign;
  bool signSha1 = false;
  TVerifyOptions verify;
  bool verifySha1 = false;
  TInspectOptions inspect;
  TDemoOptions demo;

  CLI::App* keygenCommand = nullptr;
  CLI::App* pubkeyCommand = nullptr;
  CLI::App* passwdCommand = nullptr;
  CLI::App* encryptCommand = nullptr;
  CLI::App* decryptCommand = nullptr;
  CLI::App* signCommand = nullptr;
  CLI::App* verifyCommand = nullptr;
  CLI::App* inspectCommand = nullptr;
  CLI::App* demoCommand = nullptr;
};

// "eccrypt verify: what is wrong", then the hint as a sentence of its own.
void PrintError(std::ostream& err, const std::string& command, const TToolError& error) {
  // Messages quote file names, arguments and lines of files: shown escaped.
  err << "eccrypt" << (command.empty() ? "" : " " + command) << ": " << DisplayText(error.what())
      << "\n";
  std::string hint = DisplayText(error.Hint());
  if (hint.empty()) return;
  hint[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(hint[0])));
  if (hint.back() != '.') hint.push_back('.');
  err << "  " << hint << "\n";
}

// `text` with `prefix` removed, when it starts so.
std::optional<std::string> After(const std::string& text, std::string_view prefix) {
  if (!text.starts_with(prefix)) return std::nullopt;
  return text.substr(prefix.size());
}

// The parser's own wording never reaches the user: each kind of error it reports is told in the
// tool's words, from the option's name it gives. What it would say otherwise is replaced by a
// plain statement that the command line was not understood.
std::string UsageMessage(const CLI::ParseError& error) {
  std::string text = error.what();
  const auto name = [&](std::string_view separator) {
    return text.substr(0, text.find(separator));
  };
  if (dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
    if (text.starts_with("A subcommand")) return "no subcommand given";
    if (text.ends_with(" is required")) {
      const std::string what = name(" is required");
      return what.starts_with('-') ? "the option " + what + " is missing"
                                   : what + " is missing: name it";
    }
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
    const std::size_t colon = text.find(": ");
    const std::string what = text.substr(0, colon);
    if (colon != std::string::npos) {
      const std::string rest = text.substr(colon + 2);
      if (const auto received = After(rest, "At Most 1 required but received ")) {
        return what + " is given " + *received + " times: it takes one value, given once";
      }
      if (rest.ends_with("missing")) return what + " needs a value";
    }
    if (text.ends_with(" was given a disallowed flag override")) {
      return name(" was given") + " takes no value";
    }
  }
  if (dynamic_cast<const CLI::ConversionError*>(&error) != nullptr) {
    // Only the flags convert what they are given: "--id=x".
    if (const auto given = After(text, "Could not convert: ")) {
      const std::size_t equals = given->find(" = ");
      if (equals != std::string::npos) {
        return given->substr(0, equals) + " takes no value ('" + given->substr(equals + 3) +
               "' given)";
      }
    }
    if (text.ends_with(": too many inputs for a flag") ||
        text.ends_with(": Should be true/false or a number")) {
      return name(": ") + " takes no value";
    }
  }
  if (dynamic_cast<const CLI::ValidationError*>(&error) != nullptr) {
    // The tool's own checks (keygen, sign), raised as validation errors: "--sha1: signs ...".
    return text;
  }
  return "the command line is not understood";
}

// A command line that does not parse, told as every other error is. An unknown option is named
// first: it usually explains the missing option that would otherwise be reported instead.
void PrintUsageError(const CLI::App& app, const CLI::ParseError& error, std::ostream& err) {
  const std::vector<CLI::App*> chosen = app.get_subcommands();
  const std::string command = chosen.empty() ? "" : chosen.front()->get_name();
  const std::string help = "see eccrypt " + (command.empty() ? "" : command + " ") + "--help";
  const std::vector<std::string> extra = app.remaining(true);
  std::string message = UsageMessage(error);
  if (!extra.empty()) {
    message = (extra.front().starts_with('-') ? "unknown option '" : "unexpected argument '") +
              extra.front() + "'";
  }
  PrintError(err, command, TToolError(message, help, kExitUsage));
}

// Make a key pair: where the secret key goes, its text form, how it is protected or derived.
void AddKeygenCommand(CLI::App& app, TCommandLine& line) {
  CLI::App* command = app.add_subcommand(
      "keygen",
      "Make a random key pair; write the secret-key file, protected by a pass phrase, and "
      "print the public key");
  command->add_option("-o,--output", line.keygen.output, "Secret-key file to write (mode 0600)")
      ->required()
      ->type_name("KEYFILE");
  command
      ->add_option("--format", line.keygenFormat,
                   "Text form of keys and signatures (default base64)")
      ->transform(CLI::Validator(
          [](std::string& value) -> std::string {
            for (char& c : value)
              c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (value == "hex" || value == "base64") return {};
            return "must be hex or base64, not '" + value + "'";
          },
          ""))
      ->type_name("hex|base64");
  command
      ->add_option("--passphrase-file", line.keygen.passPhraseFile,
                   "Read the pass phrase from FILE (otherwise asked twice on a terminal, or read "
                   "from standard input); not with --random")
      ->type_name("FILE");
  command->add_flag("--unprotected", line.keygen.unprotected,
                    "Write the secret-key file in clear, without a pass phrase (for "
                    "automation: anyone who reads the file has the key)");
  command->add_flag(
      "--from-passphrase", line.keygen.fromPassPhrase,
      "Derive the key pair from the pass phrase instead (the same phrase gives the same keys "
      "anywhere, as other programs that derive keys this way do). The phrase alone is the key, "
      "without salt or stretching: a phrase that can be guessed gives the key away");
  command->add_flag("--random", line.keygen.random,
                    "With --from-passphrase: draw a strong pass phrase from the system's random "
                    "source, print it once on standard error, and use it; not with "
                    "--passphrase-file");
  // Checked here rather than declared to the parser, whose help would add its own wording.
  TKeygenOptions& keygen = line.keygen;
  command->parse_complete_callback([&keygen] {
    if (keygen.random && keygen.passPhraseFile.has_value()) {
      throw CLI::ValidationError("--random", "cannot be combined with --passphrase-file");
    }
  });
  command->add_flag("--force", line.keygen.force, "Replace KEYFILE if it is an existing file");
  line.keygenCommand = command;
}

// Print a secret-key file's public key.
void AddPubkeyCommand(CLI::App& app, TCommandLine& line) {
  CLI::App* command = app.add_subcommand(
      "pubkey", "Print the public key of a secret-key file, unlocking a protected one");
  command
      ->add_option("KEYFILE", line.pubkey.keyFile,
                   "Secret-key file; with --id, a public-key file too")
      ->required();
  command
      ->add_option("--passphrase-file", line.pubkey.passPhraseFile,
                   "Read the pass phrase of a protected key file from FILE (otherwise asked on "
                   "the terminal)")
      ->type_name("FILE");
  command->add_flag("--id", line.pubkey.id,
                    "Print the key id (16 hexadecimal digits) instead of the public key");
  line.pubkeyCommand = command;
}

// Change the pass phrase of a protected key file in place.
void AddPasswdCommand(CLI::App& app, TCommandLine& line) {
  CLI::App* command = app.add_subcommand(
      "passwd",
      "Change the pass phrase of a protected secret-key file; the file is replaced in one step "
      "once the new one is complete");
  command->add_option("KEYFILE", line.passwd.keyFile, "Protected secret-key file")->required();
  command
      ->add_option("--passphrase-file", line.passwd.passPhraseFile,
                   "Read the current pass phrase from FILE (otherwise asked on the terminal)")
      ->type_name("FILE");
  command
      ->add_option("--new-passphrase-file", line.passwd.newPassPhraseFile,
                   "Read the new pass phrase from FILE (otherwise asked twice on a terminal, or "
                   "read from standard input)")
      ->type_name("FILE");
  command->add_flag("--protect", line.passwd.protect,
                    "Also accept a key file in clear, and protect it with the new pass phrase");
  line.passwdCommand = command;
}

// Encrypt for recipients named one by one or in files.
void AddEncryptCommand(CLI::App& app, TCommandLine& line) {
  CLI::App* command =
      app.add_subcommand("encrypt", "Encrypt a file for one or more recipients' public keys");
  command
      ->add_option("-r,--to,--recipient", line.encrypt.recipients,
                   "A recipient's public key: its text, or a file holding it or a clear "
                   "key file (@FILE, or a name with '/' or '.'); repeat for several recipients")
      ->allow_extra_args(false)
      ->type_name("KEY");
  command
      ->add_option("-R,--recipients-file", line.encrypt.recipientFiles,
                   "A file of recipients' public keys, one a line ('#' starts a "
                   "comment line); may be repeated")
      ->allow_extra_args(false)
      ->type_name("FILE");
  command->add_flag("-a,--armor,--armour", line.encrypt.armour,
                    "Write the encrypted file as PEM-style text, for mail and chat "
                    "(decrypt recognises it)");
  command
      ->add_option("-o,--output", line.encrypt.output,
                   "Encrypted file to write, named only once it is complete; a device "
                   "or FIFO is written in place (default, or -: standard output)")
      ->type_name("OUT");
  command->add_flag("--force", line.encrypt.force, "Replace OUT if it is an existing file");
  command->add_flag("--sync", line.encrypt.sync,
                    "Flush OUT to disk before naming it, so that a crash of the machine right "
                    "after the command cannot leave it empty or partial");
  command->add_option("FILE", line.encrypt.input, "File to encrypt (default: standard input)")
      ->type_name("");
  line.encryptCommand = command;
}

// How a subcommand that uses a secret-key file unlocks a protected one.
void AddPassPhraseFileOption(CLI::App& command, std::optional<std::string>& passPhraseFile,
                             const std::string& description) {
  command.add_option("--passphrase-file", passPhraseFile, description)->type_name("FILE");
}

// Decrypt with a secret-key file.
void AddDecryptCommand(CLI::App& app, TCommandLine& line) {
  CLI::App* command = app.add_subcommand("decrypt", "Decrypt a file encrypted for your public key");
  command
      ->add_option("--key", line.decrypt.keyFiles,
                   "Your secret-key file; repeat it to try several, in order, until one opens "
                   "the file")
      ->required()
      ->allow_extra_args(false)
      ->type_name("KEYFILE");
  AddPassPhraseFileOption(*command, line.decrypt.passPhraseFile,
                          "Read the pass phrase of protected key files from FILE, read once and "
                          "tried for each of them (otherwise asked on the terminal for each "
                          "protected key when it is tried)");
  command
      ->add_option(
          "-o,--output", line.decrypt.output,
          "File to write, named only once the whole input has been authenticated; a device or FIFO "
          "is written in place (default, or -: standard output). Standard output, a device or a "
          "FIFO receives each block as soon as it is authenticated: on a damaged file it gets the "
          "blocks before the fault, then the run fails")
      ->type_name("OUT");
  command->add_flag("--force", line.decrypt.force, "Replace OUT if it is an existing file");
  command->add_flag("--sync", line.decrypt.sync,
                    "Flush OUT to disk before naming it, so that a crash of the machine right "
                    "after the command cannot leave it empty or partial");
  command->add_option("FILE", line.decrypt.input, "File to decrypt (default: standard input)")
      ->type_name("");
  line.decryptCommand = command;
}

// Sign a file, with trusted and untrusted comments.
void AddSignCommand(CLI::App& app, TCommandLine& line) {
  CLI::App* command = app.add_subcommand(
      "sign", "Sign a file: write a signature file naming the key, the digest and a comment");
  command->add_option("--key", line.sign.keyFile, "Your secret-key file")
      ->required()
      ->type_name("KEYFILE");
  AddPassPhraseFileOption(*command, line.sign.passPhraseFile,
                          "Read the pass phrase of a protected key file from FILE (otherwise "
                          "asked on the terminal)");
  command
      ->add_option("FILE", line.sign.inputs,
                   "Files to sign, each signature written to FILE.sig (default: standard input, "
                   "signature to standard output)")
      ->type_name("");
  command
      ->add_option("-o,--output", line.sign.output,
                   "Signature file to write for a single FILE (-: standard output)")
      ->type_name("SIGFILE");
  command->add_flag("--force", line.sign.force, "Replace existing signature files");
  command->add_option("-c,--comment", line.sign.trustedComment,
                      "Trusted comment, covered by the signature (default: the file name and "
                      "the time); one line of UTF-8 text without control characters");
  command
      ->add_option("--untrusted-comment", line.sign.untrustedComment,
                   "Untrusted comment, not covered by the signature")
      ->type_name("TEXT");
  command->add_flag("--bare", line.sign.bare,
                    "Write only the signature text r:s, for programs that take the "
                    "component's signatures (to FILE.sig as a signature file would be)");
  command->add_flag("--sha1", line.signSha1,
                    "With --bare: sign the SHA-1 digest instead of truncated SHA-256 (only to "
                    "match other software; SHA-1 is not collision-resistant)");
  // Checked here rather than declared to the parser, whose help would add its own wording.
  command->parse_complete_callback([&line] {
    if (line.signSha1 && !line.sign.bare) {
      throw CLI::ValidationError("--sha1",
                                 "signs bare signatures only (add --bare): signature files "
                                 "always take SHA-256");
    }
    if (line.sign.inputs.size() > 1 && !line.sign.output.empty()) {
      throw CLI::ValidationError("-o", "names one signature file, and " +
                                           std::to_string(line.sign.inputs.size()) +
                                           " files are given: leave out -o to write FILE.sig "
                                           "beside each");
    }
    if (line.sign.inputs.size() > 1 && std::find(line.sign.inputs.begin(), line.sign.inputs.end(),
                                                 "-") != line.sign.inputs.end()) {
      throw CLI::ValidationError("FILE", "- (standard input) is signed only on its own");
    }
  });
  line.signCommand = command;
}

// Check a signature.
void AddVerifyCommand(CLI::App& app, TCommandLine& line) {
  CLI::App* command = app.add_subcommand(
      "verify", "Check a signature on a file; exit 0 when it is good, 1 when it is not");
  command
      ->add_option("--key", line.verify.publicKey,
                   "The signer's public key: its text, or a file holding it or a clear key "
                   "file (@FILE, or a name with '/' or '.')")
      ->required()
      ->type_name("KEY");
  command
      ->add_option("--signature", line.verify.signature,
                   "Signature file (@FILE, or a name with '/' or '.'), or a bare signature "
                   "text (default: FILE.sig)")
      ->type_name("SIGFILE");
  command->add_option("FILE", line.verify.input, "Signed file (default: standard input)")
      ->type_name("");
  command->add_flag("-q,--quiet", line.verify.quiet, "Print nothing; only the exit status tells");
  command->add_flag("--sha1", line.verifySha1,
                    "Accept a bare signature over the file's SHA-1 digest (files signed "
                    "elsewhere with SHA-1)");
  command->add_flag("--allow-v1", line.verify.allowV1,
                    "Also check a version 1 signature file ('eccrypt signature 1'), with a "
                    "warning: its signature could have been made as a bare signature of another "
                    "file");
  line.verifyCommand = command;
}

// Tell what a file is.
void AddInspectCommand(CLI::App& app, TCommandLine& line) {
  CLI::App* command = app.add_subcommand(
      "inspect",
      "Tell what a file is (encrypted file, key file, signature, public key) without any key");
  command->add_option("FILE", line.inspect.input, "File to inspect (default: standard input)")
      ->type_name("");
  line.inspectCommand = command;
}

// Show the whole system at work.
void AddDemoCommand(CLI::App& app, TCommandLine& line) {
  CLI::App* command = app.add_subcommand(
      "demo",
      "Show the whole system at work in a temporary directory: three parties make keys, "
      "encrypt for several recipients, decrypt, sign and verify");
  command->add_flag("--keep", line.demo.keep, "Keep the temporary directory afterwards");
  line.demoCommand = command;
}

// A first word that names no subcommand is a misspelt one; no word at all asks for help. Returns
// the exit status when the run ends here.
std::optional<int> RejectMissingSubcommand(CLI::App& app, int argc, char** argv,
                                           TConsole& console) {
  if (argc < 2) {
    console.err << app.help();
    return kExitUsage;
  }
  const std::string first = argv[1];
  if (!first.starts_with('-') &&
      app.get_subcommands([&](CLI::App* sub) { return sub->get_name() == first; }).empty()) {
    console.err << "eccrypt: unknown subcommand '" << DisplayText(first) << "'\n"
                << "  Subcommands: keygen, pubkey, passwd, encrypt, decrypt, sign, verify, "
                   "inspect, demo; see eccrypt --help.\n";
    return kExitUsage;
  }
  return std::nullopt;
}

// Parses the command line. A usage error is reported; --help and --version are printed. Returns
// the exit status when the run ends here.
std::optional<int> Parse(CLI::App& app, int argc, char** argv, TConsole& console) {
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
  return std::nullopt;
}

// The choices given as words or flags, turned into the options' own kinds.
void ApplyChoices(TCommandLine& line) {
  line.keygen.mode = line.keygenFormat == "hex" ? TMode::Hex : TMode::Base64;
  line.sign.digest = line.signSha1 ? TDigestKind::Sha1 : TDigestKind::Sha256Truncated;
  line.verify.digest = line.verifySha1 ? TDigestKind::Sha1 : TDigestKind::Sha256Truncated;
}

// The input the checks of standard input look at: "-" stands alone, so the first file tells.
std::string SignInputForChecks(const TSignOptions& options) {
  return options.inputs.empty() ? std::string() : options.inputs.front();
}

// Data is never read from a terminal unless asked for with "-": a forgotten file name would
// otherwise wait silently for typed input.
void RequireInputFile(const TCommandLine& line, const CLI::App* chosen) {
  const auto needsFile = [&](const std::string& input, const std::string& what) {
    if (input.empty() && IsStdinTerminal()) {
      throw TToolError("no file named, and standard input is a terminal",
                       "name the file to " + what + ", pipe it in, or give - to type it",
                       kExitUsage);
    }
  };
  if (chosen == line.encryptCommand) needsFile(line.encrypt.input, "encrypt");
  if (chosen == line.decryptCommand) needsFile(line.decrypt.input, "decrypt");
  if (chosen == line.signCommand) needsFile(SignInputForChecks(line.sign), "sign");
  if (chosen == line.verifyCommand) needsFile(line.verify.input, "verify");
  if (chosen == line.inspectCommand) needsFile(line.inspect.input, "inspect");
}

// Standard input gives one thing per run: a key file or pass phrase read from "-" while the data
// comes from standard input too would take the data's first bytes, or the data a key's.
void RequireOneUseOfStdin(const TCommandLine& line, const CLI::App* chosen) {
  const auto once = [](const std::string& input, const std::vector<std::string>& keyFiles,
                       const std::optional<std::string>& passPhraseFile, const std::string& what) {
    std::vector<std::string> uses;
    for (const std::string& keyFile : keyFiles) {
      if (keyFile == "-" || keyFile == "@-") uses.emplace_back("the key file (--key -)");
    }
    if (passPhraseFile == "-" || passPhraseFile == "@-") {
      uses.emplace_back("the pass phrase (--passphrase-file -)");
    }
    if (uses.empty() || (uses.size() == 1 && !input.empty() && input != "-")) return;
    if (uses.size() == 1) uses.push_back("the file to " + what);
    throw TToolError("standard input cannot give both " + uses[0] + " and " + uses[1],
                     "read only one of them from standard input, and name a file for the other",
                     kExitUsage);
  };
  if (chosen == line.decryptCommand) {
    once(line.decrypt.input, line.decrypt.keyFiles, line.decrypt.passPhraseFile, "decrypt");
  }
  if (chosen == line.signCommand) {
    once(SignInputForChecks(line.sign), {line.sign.keyFile}, line.sign.passPhraseFile, "sign");
  }
}

// The chosen subcommand, run with its options; its exit status.
int RunChosenCommand(const TCommandLine& line, const CLI::App* chosen, TConsole& console) {
  if (chosen == line.keygenCommand) return RunKeygen(line.keygen, console);
  if (chosen == line.pubkeyCommand) return RunPubkey(line.pubkey, console);
  if (chosen == line.passwdCommand) return RunPasswd(line.passwd, console);
  if (chosen == line.encryptCommand) return RunEncrypt(line.encrypt, console);
  if (chosen == line.decryptCommand) return RunDecrypt(line.decrypt, console);
  if (chosen == line.signCommand) return RunSign(line.sign, console);
  if (chosen == line.verifyCommand) return RunVerify(line.verify, console);
  if (chosen == line.inspectCommand) return RunInspect(line.inspect, console);
  if (chosen == line.demoCommand) return RunDemo(line.demo, console);
  return kExitUsage;
}

// Runs the chosen subcommand; every failure becomes a message and an exit status.
int Execute(const TCommandLine& line, const CLI::App* chosen, TConsole& console) {
  const std::string command = chosen->get_name();
  try {
    RequireOneUseOfStdin(line, chosen);
    RequireInputFile(line, chosen);
    const int status = RunChosenCommand(line, chosen, console);
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

}  // namespace

int RunTool(int argc, char** argv, TConsole& console) {
  CLI::App app{"eccrypt: public-key encryption and signatures over one binary elliptic curve."};
  app.name("eccrypt");
  app.require_subcommand(1);
  app.set_version_flag("--version", "eccrypt " + TEllipticCurve().GetVersion());

  TCommandLine line;
  AddKeygenCommand(app, line);
  AddPubkeyCommand(app, line);
  AddPasswdCommand(app, line);
  AddEncryptCommand(app, line);
  AddDecryptCommand(app, line);
  AddSignCommand(app, line);
  AddVerifyCommand(app, line);
  AddInspectCommand(app, line);
  AddDemoCommand(app, line);

  // "eccrypt help [SUBCOMMAND]" is "eccrypt [SUBCOMMAND] --help"; "eccrypt help help" is
  // "eccrypt --help".
  std::vector<char*> helpArgs;
  std::string helpFlag = "--help";
  if (argc >= 2 && std::string_view(argv[1]) == "help") {
    helpArgs.assign(argv, argv + argc);
    helpArgs.erase(helpArgs.begin() + 1);
    if (helpArgs.size() >= 2 && std::string_view(helpArgs[1]) == "help") {
      helpArgs.erase(helpArgs.begin() + 1);
    }
    helpArgs.push_back(helpFlag.data());
    argc = static_cast<int>(helpArgs.size());
    argv = helpArgs.data();
  }

  if (const std::optional<int> status = RejectMissingSubcommand(app, argc, argv, console)) {
    return *status;
  }
  if (const std::optional<int> status = Parse(app, argc, argv, console)) return *status;
  ApplyChoices(line);
  return Execute(line, app.get_subcommands().front(), console);
}

}  // namespace eccrypt::tool
