// eccrypt inspect: what a file is, without any key.
#include <ostream>

#include "tool/armour.h"
#include "tool/commands.h"
#include "tool/digest.h"
#include "tool/displayText.h"
#include "tool/fileFormat.h"
#include "tool/fileIo.h"
#include "tool/fileKind.h"
#include "tool/formatV2.h"
#include "tool/keyFile.h"
#include "tool/keyText.h"
#include "tool/libraryKeys.h"
#include "tool/protectedKey.h"
#include "tool/signatureText.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

// Texts (key files, signatures, public keys) are at most this long; encrypted files may be of
// any length and are read only as far as their header.
constexpr std::size_t kMaxTextBytes = std::size_t{64} * 1024;

// The bytes already read, then the rest of the source.
class TReplaySource : public TByteSource {
 public:
  TReplaySource(std::span<const std::uint8_t> prefix, TByteSource& rest)
      : prefix_(prefix), rest_(rest) {}
  std::size_t Read(std::span<std::uint8_t> buffer) override {
    const std::size_t fromPrefix = std::min(buffer.size(), prefix_.size() - used_);
    std::copy_n(prefix_.begin() + static_cast<std::ptrdiff_t>(used_), fromPrefix, buffer.begin());
    used_ += fromPrefix;
    return fromPrefix + (fromPrefix < buffer.size() ? rest_.Read(buffer.subspan(fromPrefix)) : 0);
  }

 private:
  std::span<const std::uint8_t> prefix_;
  TByteSource& rest_;
  std::size_t used_ = 0;
};

void InspectEncrypted(TByteSource& source, const std::string& name, TConsole& console) {
  TDearmouringSource input(source);
  std::string description;
  try {
    const std::uint8_t version = ReadFormatVersion(input);
    if (version == kFormatVersion) {
      const TFileHeader header = ReadHeaderAfterVersion(input);
      description = "  recipients: 1\n  exchanged value: " + std::string(ModeName(header.mode)) +
                    " text form\n";
    } else {
      const TFileHeaderV2 header = ReadHeaderV2(input);
      description = "  recipients: " + std::to_string(header.stanzas.size()) + "\n";
    }
    console.out << DisplayText(name) << ": eccrypt encrypted file, format version " << int{version}
                << "\n"
                << description << "  armoured: " << (input.Armoured() ? "yes" : "no") << "\n";
  } catch (const TFormatError& error) {
    throw TToolError(
        name +
        " looks like an eccrypt encrypted file, but its header cannot be read: " + error.what());
  }
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
    TReplaySource source(bytes, file);
    InspectEncrypted(source, file.Name(), console);
    return kExitOk;
  }
  if (got > kMaxTextBytes) NotOurs(file.Name());
  TSecretString text{std::string(start)};
  InspectText(text.str(), kind, file.Name(), console);
  return kExitOk;
}

}  // namespace eccrypt::tool
