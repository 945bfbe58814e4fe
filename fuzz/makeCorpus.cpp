// Writes the seed corpus of every fuzzer: a few small inputs each, valid ones that reach deep
// into the code and a few known awkward ones. Keys are derived from fixed pass phrases and
// signatures made with fixed nonces, so the corpus comes out the same on every run.
// Usage: fuzz_make_corpus DIRECTORY   (writes DIRECTORY/<fuzzer>/<seed>)
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "ECCrypt/bigint/vlPoint.h"
#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/field/gfTables.h"
#include "ECCrypt/hash/prng.h"
#include "ECCrypt/pk/ecCrypt.h"
#include "ECCrypt/text/base64Text.h"
#include "ECCrypt/text/hexText.h"

namespace {

namespace fs = std::filesystem;
using eccrypt::TvlPoint;

fs::path root;

void Seed(const std::string& fuzzer, const std::string& name, std::string_view bytes) {
  fs::create_directories(root / fuzzer);
  std::ofstream out(root / fuzzer / name, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Text(bool hex, const TvlPoint& v) {
  return hex ? eccrypt::IntegerToHex(v) : eccrypt::HexToBase64(eccrypt::IntegerToHex(v));
}

struct TKeyPair {
  eccrypt::TECCrypt secret;
  TvlPoint pub;
};

TKeyPair KeyPairOf(std::string_view passPhrase) {
  eccrypt::TPRNG generator;
  generator.Seed(passPhrase);
  TKeyPair pair{generator.MakeSecret(), {}};
  pair.secret.MakePublicKey(pair.pub);
  return pair;
}

// The digest bytes 0, 7, 14, ... (mod 256), and the integer they fold to.
std::array<std::uint8_t, 20> SampleDigest() {
  std::array<std::uint8_t, 20> d{};
  for (std::size_t i = 0; i < d.size(); ++i) d[i] = static_cast<std::uint8_t>(7 * i);
  return d;
}

TvlPoint Fold(const std::array<std::uint8_t, 20>& d) {
  TvlPoint h, h0;
  h.AssignSmall(d[0] + 1);
  h0.CopyFrom(h);
  for (std::size_t i = 1; i < d.size(); ++i) {
    h.MulSmall(h, 3 * d[i] + 1);
    h.Add(h0);
  }
  return h;
}

TvlPoint Small(std::int32_t v) {
  TvlPoint t;
  t.AssignSmall(v);
  return t;
}

// Records as the decompress fuzzer reads them: length byte, then two bytes per digit, high first.
std::string RecordBytes(const TvlPoint& v) {
  std::string out(1, static_cast<char>(v.Length()));
  for (std::int32_t i = 1; i <= v.Length(); ++i) {
    const std::int32_t d = v.Words[static_cast<std::size_t>(i)];
    out += static_cast<char>(d >> 8);
    out += static_cast<char>(d & 255);
  }
  return out;
}

void TextFormSeeds() {
  const std::string f = "fuzz_text_forms";
  Seed(f, "hex", "1234ABCD");
  Seed(f, "radix64", "2XGfnE");
  Seed(f, "two_byte_tail", "ewo+");
  Seed(f, "leading_zero_group", "0000ABCD");
  Seed(f, "pending_bits", "zzz");
  Seed(f, "foreign", "ab:c=d\n\xff");
  const TKeyPair pair = KeyPairOf("seed");
  Seed(f, "public_key_hex", eccrypt::IntegerToHex(pair.pub));
  Seed(f, "public_key_radix64", Text(false, pair.pub));
}

void DecompressSeeds() {
  const std::string f = "fuzz_decompress";
  const TKeyPair pair = KeyPairOf("seed");
  Seed(f, "public_key", std::string(1, '\0') + RecordBytes(pair.pub));
  TvlPoint g;
  eccrypt::TecPoint base;
  base.LoadBase(true);
  base.Compress(g);
  Seed(f, "base_point", std::string(1, '\0') + RecordBytes(g));
  Seed(f, "zero", std::string(1, '\0') + RecordBytes(TvlPoint{}));
  Seed(f, "order_two", std::string(1, '\0') + RecordBytes(Small(1)));
  Seed(f, "cube_root", std::string(1, '\0') + RecordBytes(Small(5233)));
  Seed(f, "multiple", std::string(1, '\1') + RecordBytes(pair.secret));
  Seed(f, "multiple_plus_small", std::string(1, '\2') + RecordBytes(pair.secret) + "\x0A\x38\x01");
}

// The engine fuzzer's layout: operation byte, then records and control bytes in its order.
void EngineSeeds() {
  const std::string f = "fuzz_engines";
  const TKeyPair pair = KeyPairOf("seed");
  const std::string x = RecordBytes(pair.secret), k = RecordBytes(Small(12345));
  const std::string h = RecordBytes(Fold(SampleDigest()));
  Seed(f, "group_check_public_key", std::string("\0\0", 2) + RecordBytes(pair.pub));
  Seed(f, "group_check_multiple", std::string("\0\1", 2) + x);
  Seed(f, "group_check_multiple_plus_small", std::string("\0\2", 2) + x + "\x0A\x38\x01");
  Seed(f, "group_check_order_two", std::string("\0\0", 2) + RecordBytes(Small(1)));
  Seed(f, "make_public_key", "\1" + x);
  Seed(f, "encrypt_session", "\2" + x + k);
  Seed(f, "decrypt_session", "\3" + k + x);
  Seed(f, "make_signature", "\4" + x + k + h);
  for (char alteration = 0; alteration < 8; ++alteration) {
    Seed(f, "check_signature_" + std::to_string(static_cast<int>(alteration)),
         "\5" + x + k + h + std::string(1, alteration) + RecordBytes(Small(7)));
  }
}

// The component fuzzer's layout: IOMode, control byte, 20 digest bytes, then the texts.
std::string ComponentInput(bool hex, int first, int second, const std::string& pass,
                           const std::string& pub, const std::string& sec,
                           const std::string& exchanged, const std::string& sig) {
  std::string out(1, hex ? '\1' : '\0');
  out += static_cast<char>(first | (second << 3));
  for (std::uint8_t d : SampleDigest()) out += static_cast<char>(d);
  return out + pass + "\n" + pub + "\n" + sec + "\n\n" + exchanged + "\n" + sig;
}

void ComponentSeeds() {
  const std::string f = "fuzz_component";
  enum { MakeKey, Encrypt, Decrypt, Sign, Verify, None };
  const TKeyPair pair = KeyPairOf("seed");
  for (bool hex : {false, true}) {
    const std::string mode = hex ? "hex_" : "radix64_";
    const std::string pub = Text(hex, pair.pub), sec = Text(hex, pair.secret);
    // An exchanged value and a signature made with fixed secrets.
    TvlPoint k;
    k.AssignSmall(12345);
    TvlPoint exchanged, session, r, s;
    eccrypt::TECCrypt key;
    key.CopyFrom(pair.pub);
    key.EncryptSession(k, exchanged, session);
    pair.secret.MakeSignature(k, Fold(SampleDigest()), r, s);
    const std::string sig = Text(hex, r) + ":" + Text(hex, s);
    Seed(f, mode + "make_key_then_sign",
         ComponentInput(hex, MakeKey, Sign, "seed", "", "", "", ""));
    Seed(f, mode + "encrypt_then_decrypt",
         ComponentInput(hex, Encrypt, Decrypt, "", pub, sec, "", ""));
    Seed(f, mode + "sign_then_verify", ComponentInput(hex, Sign, Verify, "", pub, sec, "", ""));
    Seed(f, mode + "decrypt",
         ComponentInput(hex, Decrypt, None, "", "", sec, Text(hex, exchanged), ""));
    Seed(f, mode + "verify", ComponentInput(hex, Verify, None, "", pub, "", "", sig));
  }
  Seed(f, "foreign_texts",
       ComponentInput(true, Encrypt, Verify, "", "0000ABCDxyz", "abc", "", ":"));
}

// The streamed form of a component with every property set.
void StreamSeeds() {
  const std::string f = "fuzz_stream";
  const TKeyPair pair = KeyPairOf("seed");
  Seed(f, "full",
       "object Curve1: TEllipticCurve\n"
       "  IOMode = Hex\n"
       "  PassPhrase = 'it''s a '#10'phrase'#0#255\n"
       "  Valid = True\n"
       "  KeyPublic = '" +
           eccrypt::IntegerToHex(pair.pub) +
           "'\n"
           "  KeySecret = '" +
           eccrypt::IntegerToHex(pair.secret) +
           "'\n"
           "  KeySession = ''\n"
           "  ExchangedValue = ''\n"
           "  Signature = 'AB:CD'\n"
           "end\n");
  Seed(f, "unnamed_some",
       "object TEllipticCurve\r\n  Valid = False\r\n  IOMode = Base64\r\nend\r\n\n");
  Seed(f, "sibling_name", "object Sibling: TEllipticCurve\nend\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: fuzz_make_corpus DIRECTORY\n";
    return 2;
  }
  root = argv[1];
  eccrypt::InitTables();
  TextFormSeeds();
  DecompressSeeds();
  ComponentSeeds();
  EngineSeeds();
  StreamSeeds();
  return 0;
}
