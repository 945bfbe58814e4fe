// Key files read and written by the library: round trips (small Argon2id limits), the stored
// files the tool made, wrong pass phrases and altered lines refused with their reasons, and the
// pass phrases a new file refuses.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "ECCrypt/api.h"

namespace eccrypt {
namespace {

// Small limits keep the tests fast; the format stores them.
constexpr KeyFileOptions kFast{.form = TextForm::Radix64, .opsLimit = 1, .memLimit = 8192};

std::string ReadStored(const std::string& name) {
  std::ifstream in(std::string(ECCRYPT_TEST_VECTOR_DIR) + "/../tool/data/" + name,
                   std::ios::binary);
  EXPECT_TRUE(in) << name;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

std::string Replace(std::string text, std::string_view from, std::string_view to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(KeyFile, RoundTripInBothFormsAndWithCrLf) {
  const KeyPair key = KeyPair::Generate().Value();
  for (const TextForm form : {TextForm::Radix64, TextForm::Hex}) {
    KeyFileOptions options = kFast;
    options.form = form;
    auto file = key.ToKeyFile("correct horse", options);
    ASSERT_TRUE(file) << file.Error().Message();
    EXPECT_TRUE(file.Value().starts_with(
        "eccrypt secret key 1\npublic key: " + key.PublicKey().ToText(form) + "\n"));
    auto back = KeyPair::FromKeyFile(file.Value(), "correct horse");
    ASSERT_TRUE(back) << back.Error().Message();
    EXPECT_EQ(back.Value().PublicKey(), key.PublicKey());
    EXPECT_EQ(back.Value().Secret().RevealBytes(), key.Secret().RevealBytes());
    std::string crlf;
    for (const char c : file.Value()) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_TRUE(KeyPair::FromKeyFile(crlf, "correct horse"));
  }
}

TEST(KeyFile, StoredFilesTheToolMadeOpen) {
  struct Stored {
    const char* key;
    const char* pub;
    const char* phrase;  // nullptr: a key file in clear
  };
  const Stored stored[] = {{"v2.key", "v2.pub", "v2.phrase"},
                           {"v2-hex.key", "v2-hex.pub", "v2.phrase"},
                           {"legacy.key", "legacy.pub", nullptr},
                           {"legacy-hex.key", "legacy-hex.pub", nullptr}};
  for (const Stored& s : stored) {
    std::string phrase = s.phrase ? ReadStored(s.phrase) : "";
    if (phrase.ends_with('\n')) phrase.pop_back();  // a pass-phrase file's one line end
    auto key = KeyPair::FromKeyFile(ReadStored(s.key), phrase);
    ASSERT_TRUE(key) << s.key << ": " << key.Error().Message();
    auto pub = PublicKey::Parse(FirstLine(ReadStored(s.pub)));
    ASSERT_TRUE(pub) << s.pub;
    EXPECT_EQ(key.Value().PublicKey(), pub.Value()) << s.key;
  }
}

TEST(KeyFile, WrongPhrasesAndAlteredFilesAreRefusedWithTheirReasons) {
  const KeyPair key = KeyPair::Generate().Value();
  const KeyPair other = KeyPair::Generate().Value();
  const std::string file = key.ToKeyFile("phrase one", kFast).Value();
  const std::string otherFile = other.ToKeyFile("phrase one", kFast).Value();
  const std::string publicLine = "public key: " + key.PublicKey().ToText(TextForm::Radix64);
  const std::string otherPublicLine = "public key: " + other.PublicKey().ToText(TextForm::Radix64);
  const std::string idLine = "key id: " + KeyId(key.PublicKey());
  const std::string otherIdLine = "key id: " + KeyId(other.PublicKey());

  struct Case {
    const char* what;
    std::string text;
    std::string phrase;
    ErrorCode code;
  };
  const Case cases[] = {
      {"wrong phrase", file, "phrase two", ErrorCode::WrongPassPhrase},
      {"empty phrase", file, "", ErrorCode::WrongPassPhrase},
      // Both public lines swapped for another key's: the sealed lines no longer match.
      {"swapped public key and id",
       Replace(Replace(file, publicLine, otherPublicLine), idLine, otherIdLine), "phrase one",
       ErrorCode::WrongPassPhrase},
      {"another file's secret under this header",
       file.substr(0, file.find("secret: ")) + otherFile.substr(otherFile.find("secret: ")),
       "phrase one", ErrorCode::WrongPassPhrase},
      {"later version", Replace(file, "secret key 1", "secret key 2"), "phrase one",
       ErrorCode::UnsupportedVersion},
      {"a line missing", Replace(file, idLine + "\n", ""), "phrase one", ErrorCode::Malformed},
      {"empty secret", file.substr(0, file.find("secret: ")) + "secret: \n", "phrase one",
       ErrorCode::Malformed},
      {"limits beyond the bound", Replace(file, "opslimit=1 ", "opslimit=17 "), "phrase one",
       ErrorCode::OutOfRange},
      {"huge memory", Replace(file, "memlimit=8192 ", "memlimit=99999999999 "), "phrase one",
       ErrorCode::OutOfRange},
      {"not a key file", "hello\n", "phrase one", ErrorCode::Malformed},
      {"empty", "", "phrase one", ErrorCode::Empty},
  };
  for (const Case& c : cases) {
    auto opened = KeyPair::FromKeyFile(c.text, c.phrase);
    ASSERT_FALSE(opened) << c.what;
    EXPECT_EQ(opened.Error().Code(), c.code) << c.what << ": " << opened.Error().Message();
  }
}

TEST(KeyFile, NewPassPhrasesWithoutAVisibleCharacterOrWithALineBreakAreRefused) {
  const KeyPair key = KeyPair::Generate().Value();
  for (const std::string& phrase :
       {std::string(""), std::string("   "), std::string("\n"), std::string("abc\ndef"),
        std::string("abc\r"), std::string("a\0b", 3), std::string("\xc2\xa0\xe3\x80\x80"),
        std::string("abc\xe2\x80\xa8")}) {
    auto file = key.ToKeyFile(phrase, kFast);
    ASSERT_FALSE(file);
    EXPECT_EQ(file.Error().Code(), ErrorCode::PassPhraseRefused);
  }
  EXPECT_TRUE(key.ToKeyFile("\xc3\xa9t\xc3\xa9", kFast));  // visible non-ASCII text
  EXPECT_FALSE(key.ToKeyFile("ok", {.form = TextForm::Radix64, .opsLimit = 99, .memLimit = 0}));
}

TEST(KeyFile, FormsHeadersAndClearFilesThroughTheFormatsFunctions) {
  const KeyPair key = KeyPair::Generate().Value();
  for (const TextForm form : {TextForm::Radix64, TextForm::Hex}) {
    KeyFileOptions options = kFast;
    options.form = form;
    const std::string file = key.ToKeyFile("phrase", options).Value();
    auto header = formats::ReadProtectedKeyFileHeader(file);
    ASSERT_TRUE(header) << header.Error().Message();
    EXPECT_EQ(header.Value().publicKey, key.PublicKey().ToText(form));
    EXPECT_EQ(header.Value().form, form);
    EXPECT_EQ(header.Value().keyId, KeyId(key.PublicKey()));
    EXPECT_TRUE(header.Value().kdf.starts_with("argon2id opslimit=1 memlimit=8192 salt="));
    auto opened = formats::OpenKeyFile(file, "phrase");
    ASSERT_TRUE(opened) << opened.Error().Message();
    EXPECT_EQ(opened.Value().form, form);

    const std::string clear = formats::ClearKeyFileText(key, form);
    EXPECT_TRUE(formats::LooksLikeClearKeyFile(clear));
    auto fromClear = formats::OpenKeyFile(clear, "");
    ASSERT_TRUE(fromClear) << fromClear.Error().Message();
    EXPECT_EQ(fromClear.Value().pair.PublicKey(), key.PublicKey());
    EXPECT_EQ(fromClear.Value().form, form);
  }
  auto stored = formats::ReadProtectedKeyFileHeader(ReadStored("v2.key"));
  ASSERT_TRUE(stored) << stored.Error().Message();
  EXPECT_EQ(stored.Value().keyId, "94FA8A26E6B2B5D5");
}

TEST(KeyFile, DamagedLinesAndClearFilesAreRefusedBeforeAnythingIsDerived) {
  const KeyPair key = KeyPair::Generate().Value();
  const KeyPair other = KeyPair::Generate().Value();
  const std::string file = key.ToKeyFile("phrase", kFast).Value();
  const std::string publicText = key.PublicKey().ToText(TextForm::Radix64);
  const std::string clear = formats::ClearKeyFileText(key, TextForm::Radix64);
  const std::string secretText = key.Secret().ExportText(TextForm::Radix64);
  struct Case {
    const char* what;
    std::string text;
    const char* message;  // what the message says after "key file: "
  };
  const Case cases[] = {
      {"public key swapped alone",
       Replace(file, publicText, other.PublicKey().ToText(TextForm::Radix64)),
       "is damaged: its key id does not belong to its public key"},
      {"an empty value", Replace(file, "key id: " + KeyId(key.PublicKey()), "key id: "),
       "is damaged: its 'key id' line has no value"},
      {"a label changed", Replace(file, "cipher: ", "cypher: "),
       "is damaged: line 5 does not start with 'cipher: xchacha20poly1305 nonce='"},
      {"clear, no secret key", Replace(clear, secretText, ""), "holds no secret key"},
      {"clear, no public key", Replace(clear, publicText, ""), "holds no public key"},
      {"clear, a hexadecimal key in a radix-64 file",
       Replace(clear, publicText, key.PublicKey().ToText(TextForm::Hex)),
       "holds a key that is not a base64 key text"},
      {"clear, another public key",
       Replace(clear, publicText, other.PublicKey().ToText(TextForm::Radix64)),
       "is damaged: its public and secret keys do not belong together"},
      {"clear, unreadable", "object TEllipticCurve\n  KeyPublic = 'abc\n", "cannot be read"},
  };
  for (const Case& c : cases) {
    auto opened = formats::OpenKeyFile(c.text, "phrase");
    ASSERT_FALSE(opened) << c.what;
    EXPECT_EQ(opened.Error().Code(), ErrorCode::Malformed) << c.what;
    EXPECT_TRUE(opened.Error().Message().starts_with(std::string("key file: ") + c.message))
        << c.what << ": " << opened.Error().Message();
  }
}

}  // namespace
}  // namespace eccrypt
