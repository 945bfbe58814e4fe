// eccrypt encrypt and eccrypt decrypt.
#include <ostream>

#include "tool/commands.h"
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

// Turns what the format reader found into a message for the user: what is wrong, what became
// of the output, then what to do. `name` is the encrypted file's name, `keyFile` the key file
// used.
[[noreturn]] void ReportFormatError(const TFormatError& error, const std::string& name,
                                    const std::string& keyFile, const TOutputFile& output) {
  switch (error.Fault()) {
    case TFormatFault::NotEncrypted:
      throw TToolError(name + " is not an eccrypt encrypted file (" + error.what() + ")",
                       "give a file made by 'eccrypt encrypt'");
    case TFormatFault::UnsupportedVersion:
      throw TToolError(name + ": " + error.what(), "decrypt it with a newer eccrypt");
    case TFormatFault::WrongKey:
      // A key that does not open the file cannot tell another key from a damaged header: say
      // both.
      throw TToolError(name + " was encrypted for another key than the one in " + keyFile +
                           ", or its header is damaged",
                       "decrypt with the key file of a public key it was encrypted for; if " +
                           keyFile + " is one, the file was damaged: get an intact copy");
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
  TOutputFile output(options.output, rules);
  if (!options.armour && output.IsTerminal()) {
    throw TToolError("refusing to write encrypted data to a terminal",
                     "name an output file with -o FILE, redirect standard output, or armour "
                     "it as text with -a",
                     kExitUsage);
  }

  TProgressMeter progress("encrypting", input.Size());
  EncryptForRecipients(recipients, input, output, &progress, options.armour);
  progress.Finish();
  output.Commit();
  return kExitOk;
}

int RunDecrypt(const TDecryptOptions& options, TConsole& /*console*/) {
  TKeyFile key;
  LoadSecretKey(options.keyFile, options.passPhraseFile, key);
  TFileSource input(options.input);
  // A new file is named only once the last block has been authenticated; standard output, a
  // device or a FIFO receives each block as soon as it has been authenticated.
  TOutputRules rules;  // mode 0600 whatever the umask: the output is plaintext
  rules.force = options.force;
  rules.input = input.Identity();
  TOutputFile output(options.output, rules);

  try {
    TProgressMeter progress("decrypting", input.Size());
    DecryptWithKey(key, input, output, &progress);
    progress.Finish();
    output.Commit();
  } catch (const TFormatError& error) {
    ReportFormatError(error, input.Name(), options.keyFile, output);
  }
  return kExitOk;
}

}  // namespace eccrypt::tool
