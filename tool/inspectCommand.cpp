// eccrypt inspect: what a file is, without any key.
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ECCrypt/api.h"
#include "tool/commands.h"
#include "tool/digest.h"
#include "tool/displayText.h"
#include "tool/fileIo.h"
#include "tool/fileKind.h"
#include "tool/keyText.h"
#include "tool/libraryKeys.h"
#include "tool/secretKeyFiles.h"
#include "tool/signatureText.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

// Texts (key files, signatures, public keys) are at most this long; encrypted files may be of
// any length and are read only as far as their header.
constexpr std::size_t kMaxTextBytes = std::size_t{64} * 1024;

// The longest header of an encrypted file, armoured (1024 recipients, every exchanged value of
// the longest length): what inspect reads of one.
constexpr std::size_t kMaxHeaderBytes = std::size_t{512} * 1024;

// `start` is what was read of the file so far; the rest comes from `rest`.
void InspectEncrypted(std::span<const std::uint8_t> start, TByteSource& rest,
                      const std::string& name, TConsole& console) {
  std::vector<std::uint8_t> bytes(start.begin(), start.end());
  if (bytes.size() < kMaxHeaderBytes) {
    const std::size_t had = bytes.size();
    bytes.resize(kMaxHeaderBytes);
    bytes.resize(had + rest.Read(std::span(bytes).subspan(had)));
  }
  auto header = ReadSealedHeader(bytes);
  if (!header) {
    std::string what = header.Error().Message();
    constexpr std::string_view kPrefix = "sealed data: ";
    if (what.starts_with(kPrefix)) what.erase(0, kPrefix.size());
    throw TToolError(
        name + " looks like an eccrypt encrypted file, but its header cannot be read: " + what);
  }
  const SealedDataHeader& info = header.Value();
  std::string description = "  recipients: " + std::to_string(info.recipients) + "\n";
  if (info.version == 1) {
    description +=
        "  exchanged value: " +
        std::string(ModeName(info.valueForm == TextForm::Hex ? TMode::Hex : TMode::Base64)) +
        " text form\n";
  }
  console.out << DisplayText(name) << ": eccrypt encrypted file, format version " << info.version
              << "\n"
              << description << "  armoured: " << (info.armored ? "yes" : "no") << "\n";
}

[[noreturn]] void NotOurs(const std::string& name) {
  throw TToolError(name + " is not a file eccrypt makes",
                   "inspect knows encrypted files, key files, signature files, signatures and "
                   "public keys");
}

void InspectText(const std::string& text, TFileKind kind, const std::string& name,
                 TConsole& console) {
  switch (kind) {
    case TFileKind::ProtectedKey: {
      // The clear lines are proven only by unlocking ('eccrypt pubkey' does): both may have
      // been swapped for another key's.
      const TProtectedKeyInfo info = ReadProtectedKeyInfo(text, name);
      console.out << DisplayText(name) << ": eccrypt secret-key file, protected by a pass phrase\n"
                  << "  public key: " << DisplayText(info.publicKey.text) << " (unverified)\n"
                  << "  key id: " << DisplayText(info.keyId) << " (unverified)\n"
                  << "  text form: " << ModeName(info.publicKey.mode) << "\n"
                  << "  kdf: " << DisplayText(info.kdf.substr(0, info.kdf.find(" salt="))) << "\n";
      return;
    }
    case TFileKind::ClearKey: {
      TKeyFile key;
      ParseKeyFile(text, name, key);
      console.out << DisplayText(name) << ": eccrypt secret-key file, in clear (not protected)\n"
                  << "  public key: " << DisplayText(key.publicKey) << "\n"
                  << "  key id: " << KeyIdOf(key.publicKey, key.mode) << "\n"
                  << "  text form: " << ModeName(key.mode) << "\n";
      return;
    }
    case TFileKind::SignatureFile: {
      const formats::SignatureFileFields file = ReadSignatureFileNamed(text, name);
      console.out << DisplayText(name) << ": eccrypt signature file, version " << file.version
                  << (file.version == 1 ? " (verify accepts it only with --allow-v1)" : "") << "\n"
                  << "  key id: " << file.keyId << "\n";
      if (file.version == 1) {
        console.out << "  digest: " << DigestName(DigestKindOf(file.digest)) << "\n";
      } else {
        console.out << "  prehash: SHA-256\n";
      }
      console.out << "  trusted comment: " << DisplayText(file.trustedComment) << "\n"
                  << "  untrusted comment: " << DisplayText(file.untrustedComment) << "\n";
      return;
    }
    case TFileKind::BareSignature: {
      const std::string trimmed = TrimText(text);
      const TMode mode = SignatureTextMode(trimmed);
      const TSignatureForm form = ClassifySignature(trimmed, mode);
      console.out << DisplayText(name) << ": bare signature text (names no key and no digest)\n"
                  << "  text form: " << ModeName(mode) << "\n"
                  << "  form: "
                  << (form == TSignatureForm::Canonical ? "canonical"
                                                        : "s not reduced (as the component's "
                                                          "signer leaves it)")
                  << "\n";
      return;
    }
    case TFileKind::PublicKey: {
      const TPublicKey key = ResolvePublicKeyText(text);
      console.out << DisplayText(name) << ": public key\n"
                  << "  key id: " << KeyIdOf(key.text, key.mode) << "\n"
                  << "  text form: " << ModeName(key.mode) << "\n";
      return;
    }
    case TFileKind::Encrypted:
    case TFileKind::Other:
      break;
  }
  NotOurs(name);
}

}  // namespace

int RunInspect(const TInspectOptions& options, TConsole& console) {
  TFileSource file(options.input);
  TSecretBuffer prefix(kMaxTextBytes + 1);  // may hold a clear secret key: wiped
  const std::size_t got = file.Read(prefix.bytes());
  const std::span<const std::uint8_t> bytes(prefix.data(), got);
  const std::string_view start(reinterpret_cast<const char*>(prefix.data()), got);
  const TFileKind kind = ClassifyFile(start);
  if (kind == TFileKind::Encrypted) {
    InspectEncrypted(bytes, file, file.Name(), console);
    return kExitOk;
  }
  if (got > kMaxTextBytes) NotOurs(file.Name());
  TSecretString text{std::string(start)};
  InspectText(text.str(), kind, file.Name(), console);
  return kExitOk;
}

}  // namespace eccrypt::tool
