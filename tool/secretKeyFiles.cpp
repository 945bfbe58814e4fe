#include "tool/secretKeyFiles.h"

#include "tool/fileIo.h"
#include "tool/fileKind.h"
#include "tool/libraryKeys.h"
#include "tool/passPhrase.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

// The tool's message for a key file the library refuses (other than for its pass phrase).
TToolError KeyFileError(const Error& error, std::string_view text, const std::string& name) {
  std::string what = error.Message();
  constexpr std::string_view kPrefix = "key file: ";
  if (what.starts_with(kPrefix)) what.erase(0, kPrefix.size());
  if (!LooksLikeProtectedKeyFile(text)) {
    return TToolError("the key file " + name + " " + what,
                      "give the file that 'eccrypt keygen -o' wrote; if it is damaged, run "
                      "'eccrypt keygen' again with the same pass phrase to recreate it");
  }
  switch (error.Code()) {
    case ErrorCode::UnsupportedVersion: {
      std::string_view first = text.substr(0, text.find('\n'));
      if (first.ends_with('\r')) first.remove_suffix(1);
      return TToolError("the key file " + name + " is of a format this eccrypt does not know (" +
                            std::string(first) + ")",
                        "use it with a newer eccrypt");
    }
    case ErrorCode::OutOfRange:
      what =
          "is damaged: its kdf limits are out of the range eccrypt accepts (opslimit 1 to 16, "
          "memlimit up to 1 GiB)";
      break;
    case ErrorCode::Internal:
      return TToolError("cannot unlock the key file " + name + ": " + what);
    default:
      break;
  }
  return TToolError("the key file " + name + " " + what,
                    "give the file that 'eccrypt keygen -o' wrote, unchanged");
}

void FillKeyFile(const formats::OpenedKeyFile& opened, TKeyFile& key) {
  key.mode = opened.form == TextForm::Hex ? TMode::Hex : TMode::Base64;
  key.publicKey = opened.pair.PublicKey().ToText(opened.form);
  key.secretKey.str() = opened.pair.Secret().ExportText(opened.form);
}

// A clear key file's text, read as LoadKeyFile reads the file.
void LoadKeyFileText(std::string_view text, const std::string& name, TKeyFile& key) {
  if (!LooksLikeKeyFile(text)) throw NotASecretKeyFile(text, name);
  ParseKeyFile(text, name, key);
}

// Asks for the pass phrase of a protected key file on the terminal.
void AskUnlockPassPhrase(const std::string& keyFile, TSecretString& phrase) {
  if (!AskPassPhrase("Pass phrase for " + keyFile + ": ", phrase)) {
    throw TToolError(keyFile +
                         " is protected by a pass phrase, and there is no terminal to ask "
                         "for it on",
                     "give the pass phrase with --passphrase-file FILE", kExitUsage);
  }
}

}  // namespace

bool LooksLikeProtectedKeyFile(std::string_view text) {
  return formats::LooksLikeProtectedKeyFile(text);
}

bool LooksLikeKeyFile(std::string_view text) {
  return formats::LooksLikeClearKeyFile(text);
}

KeyPair KeyPairOf(const TKeyFile& key, const std::string& keyFile) {
  auto secret = SecretKey::Parse(key.secretKey.str());
  if (secret) {
    if (auto pair = KeyPair::FromSecretKey(std::move(secret).Value())) {
      return std::move(pair).Value();
    }
  }
  throw TToolError("the secret key in " + keyFile + " was refused",
                   "recreate the key file with 'eccrypt keygen'");
}

std::string ClearKeyFileText(const KeyPair& pair, TMode mode) {
  return formats::ClearKeyFileText(pair, FormOf(mode));
}

std::string ProtectedKeyFileText(const KeyPair& pair, TMode mode, const std::string& passPhrase) {
  auto text = pair.ToKeyFile(passPhrase, {.form = FormOf(mode)});
  if (!text) throw TToolError("cannot write the key file: " + text.Error().Message());
  return std::move(text).Value();
}

TProtectedKeyInfo ReadProtectedKeyInfo(std::string_view text, const std::string& name) {
  auto header = formats::ReadProtectedKeyFileHeader(text);
  if (!header) throw KeyFileError(header.Error(), text, name);
  return {
      {header.Value().form == TextForm::Hex ? TMode::Hex : TMode::Base64, header.Value().publicKey},
      header.Value().keyId,
      header.Value().kdf};
}

void ParseKeyFile(std::string_view text, const std::string& name, TKeyFile& key) {
  auto opened = formats::OpenKeyFile(text, "");
  if (!opened) throw KeyFileError(opened.Error(), text, name);
  FillKeyFile(opened.Value(), key);
}

bool TryUnlockKeyFile(std::string_view text, const std::string& name, const std::string& passPhrase,
                      TKeyFile& key) {
  auto opened = formats::OpenKeyFile(text, passPhrase);
  if (!opened) {
    if (opened.Error().Code() == ErrorCode::WrongPassPhrase) return false;
    throw KeyFileError(opened.Error(), text, name);
  }
  FillKeyFile(opened.Value(), key);
  return true;
}

TToolError WrongPassPhrase(const std::string& name) {
  return TToolError("the pass phrase does not unlock " + name + " (or the file was altered)",
                    "give the pass phrase chosen when the key file was made");
}

TToolError NotASecretKeyFile(std::string_view text, const std::string& name) {
  const TFileKind kind = ClassifyFile(text);
  return TToolError(WrongKindMessage(name, kind, "a secret-key file"),
                    kind == TFileKind::PublicKey
                        ? "a public key is for encrypting and verifying: give the secret-key file "
                          "that 'eccrypt keygen -o' wrote"
                        : "give the secret-key file that 'eccrypt keygen -o' wrote");
}

std::string ReadKeyFileText(const std::string& argument, std::string& path) {
  path = FileArgumentPath(argument);  // "@FILE" is FILE
  return ReadSmallFileNamingKind(path, kMaxKeyFileBytes, "key file", "a secret-key file");
}

void TUnlockPhrases::For(const std::string& keyFile, TSecretString& phrase) {
  if (file_) {
    // Read once: a pass phrase from standard input cannot be read again for the next key.
    if (!read_) {
      ReadPassPhrase(file_, fromFile_);
      read_ = true;
    }
    phrase.str() = fromFile_.str();
    return;
  }
  AskUnlockPassPhrase(keyFile, phrase);
}

bool TryLoadSecretKeyText(std::string_view text, const std::string& path, TUnlockPhrases& phrases,
                          TKeyFile& key) {
  if (!LooksLikeProtectedKeyFile(text)) {
    LoadKeyFileText(text, path, key);
    return true;
  }
  TSecretString phrase;
  phrases.For(path, phrase);
  return TryUnlockKeyFile(text, path, phrase.str(), key);
}

bool TryLoadSecretKey(const std::string& argument, TUnlockPhrases& phrases, TKeyFile& key,
                      std::string& path) {
  TSecretString text(ReadKeyFileText(argument, path));
  return TryLoadSecretKeyText(text.str(), path, phrases, key);
}

void LoadSecretKey(const std::string& argument, const std::optional<std::string>& passPhraseFile,
                   TKeyFile& key) {
  TUnlockPhrases phrases(passPhraseFile);
  std::string path;
  if (!TryLoadSecretKey(argument, phrases, key, path)) throw WrongPassPhrase(path);
}

}  // namespace eccrypt::tool
