// eccrypt encrypt and eccrypt decrypt.
#include <ostream>

#include "tool/commands.h"
#include "tool/fileCrypt.h"
#include "tool/fileFormat.h"
#include "tool/fileIo.h"
#include "tool/fileKeys.h"
#include "tool/keyFile.h"
#include "tool/keyText.h"
#include "tool/progress.h"
#include "tool/protectedKey.h"
#include "tool/recipients.h"
#include "tool/streamCipher.h"
#include "tool/textForm.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

// Turns what the format reader found into a message for the user: what is wrong, then what
// to do. `name` is the encrypted file's name, `keyFile` the key file used.
[[noreturn]] void ReportFormatError(const TFormatError& error, const std::string& name,
                                    const std::string& keyFile) {
  switch (error.Fault()) {
    case TFormatFault::NotEncrypted:
      throw TToolError(name + " is not an eccrypt encrypted file (" + error.what() + ")",
                       "give a file made by 'eccrypt encrypt'");
    case TFormatFault::UnsupportedVersion:
      throw TToolError(name + ": " + error.what(), "decrypt it with a newer eccrypt");
    case TFormatFault::WrongKey:
      throw TToolError(name + " was not encrypted for the key in " + keyFile,
                       "decrypt with the key file that belongs to the public key it was "
                       "encrypted for");
    case TFormatFault::Damaged:
    case TFormatFault::Truncated:
    case TFormatFault::Tampered:
      break;
  }
  throw TToolError(name + ": " + error.what() + "; nothing was written",
                   "the file was damaged or altered after it was encrypted: get an intact copy");
}

}  // namespace

int RunEncrypt(const TEncryptOptions& options, TConsole& /*console*/) {
  const std::vector<TPublicKey> recipients =
      CollectRecipients(options.recipients, options.recipientFiles);
  const bool toStdout = options.output.empty() || options.output == "-";
  if (toStdout && !options.armour && IsStdoutTerminal()) {
    throw TToolError("refusing to write encrypted data to a terminal",
                     "name an output file with -o FILE, redirect standard output, or armour "
                     "it as text with -a",
                     kExitUsage);
  }
  TFileSource input(options.input);

  TProgressMeter progress("encrypting", input.Size());
  if (toStdout) {
    TStdoutSink output;
    EncryptForRecipients(recipients, input, output, &progress, options.armour);
  } else {
    TAtomicOutput output(options.output, 0666, /*applyUmask=*/true);
    EncryptForRecipients(recipients, input, output, &progress, options.armour);
    progress.Finish();
    output.Commit();
  }
  return kExitOk;
}

int RunDecrypt(const TDecryptOptions& options, TConsole& /*console*/) {
  TKeyFile key;
  LoadSecretKey(options.keyFile, options.passPhraseFile, key);
  TFileSource input(options.input);

  try {
    TProgressMeter progress("decrypting", input.Size());
    if (options.output.empty() || options.output == "-") {
      TSpooledStdout output;  // nothing reaches standard output before the last chunk checks
      DecryptWithKey(key, input, output, &progress);
      progress.Finish();
      output.Commit();
    } else {
      TAtomicOutput output(options.output, 0600, /*applyUmask=*/false);
      DecryptWithKey(key, input, output, &progress);
      progress.Finish();
      output.Commit();
    }
  } catch (const TFormatError& error) {
    ReportFormatError(error, input.Name(), options.keyFile);
  }
  return kExitOk;
}

}  // namespace eccrypt::tool
