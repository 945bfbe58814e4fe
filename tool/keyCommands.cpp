// eccrypt keygen and eccrypt pubkey.
#include <ostream>

#include "tool/commands.h"
#include "tool/fileIo.h"
#include "tool/keyFile.h"
#include "tool/passPhrase.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

int RunKeygen(const TKeygenOptions& options, TConsole& console) {
  // Refuse before asking for a pass phrase; the final write checks again without a race.
  if (!options.force && PathExists(options.output)) {
    throw TToolError(options.output + " already exists",
                     "choose another name, or add --force to replace it");
  }

  TSecretString phrase;
  if (options.random) {
    RandomPassPhrase(phrase);
    console.err << "Pass phrase (shown only this once; it recreates this key pair, so keep it "
                   "safe):\n  "
                << phrase.str() << "\n";
  } else {
    ReadPassPhrase(options.passPhraseFile, phrase);
    if (auto warning = PassPhraseWarning(phrase.str())) {
      console.err << "eccrypt: warning: " << *warning << "\n";
    }
  }

  TEllipticCurve curve;
  curve.SetIOMode(options.mode);
  curve.SetPassPhrase(phrase.str());
  curve.MakeKey();
  curve.SetPassPhrase(std::string());  // done with it (the component wipes the old text)
  if (!curve.Valid() || curve.KeyPublic().empty() || curve.KeySecret().empty()) {
    throw TToolError("key generation failed");
  }
  SaveKeyFile(options.output, curve, options.force);
  console.out << curve.KeyPublic() << "\n";
  return kExitOk;
}

int RunPubkey(const TPubkeyOptions& options, TConsole& console) {
  TKeyFile key;
  LoadKeyFile(options.keyFile, key);
  console.out << key.publicKey << "\n";
  return kExitOk;
}

}  // namespace eccrypt::tool
