// eccrypt sign and eccrypt verify.
#include <ostream>

#include "tool/commands.h"
#include "tool/fileIo.h"
#include "tool/keyFile.h"
#include "tool/keyText.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

int RunSign(const TSignOptions& options, TConsole& console) {
  TKeyFile key;
  LoadKeyFile(options.keyFile, key);
  TFileSource input(options.input);
  const TDigest digest = DigestOf(input, options.digest);

  TEllipticCurve curve;
  curve.SetIOMode(key.mode);
  curve.SetKeySecret(key.secretKey.str());
  curve.Sign(digest);
  if (curve.Signature().empty()) {
    throw TToolError("signing failed: the secret key in " + options.keyFile + " was refused",
                     "recreate the key file with 'eccrypt keygen' and the same pass phrase");
  }
  console.out << curve.Signature() << "\n";
  return kExitOk;
}

int RunVerify(const TVerifyOptions& options, TConsole& console) {
  const TPublicKey key = ResolvePublicKey(options.publicKey);
  const std::string signature = ResolveSignature(options.signature, key.mode);
  TFileSource input(options.input);
  const TDigest digest = DigestOf(input, options.digest);

  TEllipticCurve curve;
  curve.SetIOMode(key.mode);
  curve.SetKeyPublic(key.text);
  curve.SetSignature(signature);
  curve.Verify(digest);
  if (curve.KeyPublic().empty()) {
    // The component clears itself when it refuses an input outright.
    console.out << "BAD signature: the public key or the signature was refused as malformed\n";
    return kExitFailed;
  }
  if (!curve.Valid()) {
    console.out << "BAD signature: " << input.Name()
                << " was not signed with the secret key of this public key, or was changed "
                   "since (digest: "
                << DigestName(options.digest) << ")\n";
    return kExitFailed;
  }
  console.out << "Good signature: " << input.Name() << " was signed with the secret key of "
              << "this public key (digest: " << DigestName(options.digest) << ")\n";
  return kExitOk;
}

}  // namespace eccrypt::tool
