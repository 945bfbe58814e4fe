#include "tool/keyFile.h"

#include <array>
#include <cctype>

#include "ECPlatform/Streaming.h"
#include "tool/fileIo.h"
#include "tool/fileKind.h"
#include "tool/keyText.h"
#include "tool/textForm.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

TToolError Damaged(const std::string& name, const std::string& what) {
  return TToolError("the key file " + name + " " + what,
                    "give the file that 'eccrypt keygen -o' wrote; if it is damaged, run "
                    "'eccrypt keygen' again with the same pass phrase to recreate it");
}

// A secret key belongs to a public key when a signature made with it verifies under that
// public key. The digest is arbitrary but fixed.
bool KeysBelongTogether(const TKeyFile& key) {
  std::array<std::uint8_t, 20> digest{};
  for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<std::uint8_t>(i * 13);
  TEllipticCurve curve;
  curve.SetIOMode(key.mode);
  curve.SetKeySecret(key.secretKey.str());
  curve.Sign(digest);
  if (curve.Signature().empty()) return false;
  curve.SetKeyPublic(key.publicKey);
  curve.Verify(digest);
  return curve.Valid();
}

}  // namespace

bool LooksLikeKeyFile(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  return text.substr(i).starts_with("object");
}

std::string KeyFileText(const TEllipticCurve& component) {
  return ecplatform::WriteComponent(component, {"IOMode", "KeyPublic", "KeySecret"});
}

void ParseKeyFile(std::string_view text, const std::string& name, TKeyFile& key) {
  TEllipticCurve curve;
  try {
    ecplatform::ReadComponent(text, curve);
  } catch (const ecplatform::StreamError& error) {
    throw Damaged(name, std::string("cannot be read: ") + error.what());
  } catch (const std::exception& error) {
    throw Damaged(name, std::string("cannot be read: ") + error.what());
  }
  key.mode = curve.IOMode() == TMode::Hex ? TMode::Hex : TMode::Base64;
  key.publicKey = curve.KeyPublic();
  key.secretKey.str() = curve.KeySecret();
  if (key.secretKey.str().empty()) {
    throw TToolError(name + " holds no secret key",
                     "give a secret-key file written by 'eccrypt keygen -o'");
  }
  if (key.publicKey.empty()) throw Damaged(name, "holds no public key");
  if (key.publicKey.size() > kMaxKeyTextLength || key.secretKey.str().size() > kMaxKeyTextLength ||
      !IsTextOfMode(key.publicKey, key.mode) || !IsTextOfMode(key.secretKey.str(), key.mode)) {
    throw Damaged(name,
                  "holds a key that is not a " + std::string(ModeName(key.mode)) + " key text");
  }
  if (!KeysBelongTogether(key)) {
    throw Damaged(name, "is damaged: its public and secret keys do not belong together");
  }
}

void LoadKeyFile(const std::string& path, TKeyFile& key) {
  TSecretString text(ReadSmallFile(path, kMaxKeyFileBytes, "key file"));
  if (!LooksLikeKeyFile(text.str())) {
    throw TToolError(WrongKindMessage(path, ClassifyFile(text.str()), "a secret-key file"),
                     "give the secret-key file that 'eccrypt keygen -o' wrote");
  }
  ParseKeyFile(text.str(), path, key);
}

}  // namespace eccrypt::tool
