// The eccrypt tool's key-file readers, driven from memory: protected key files (their lines,
// limits, salt, nonce and sealed secret) and key files in clear.
//
// Whatever the input, a reader refuses it with a TToolError or accepts it; what it accepts is
// checked for consistency. A protected file is unlocked, with the pass phrase "fuzz", only when
// its own limits are tiny (one pass, at most 64 KiB): Argon2id at the limits eccrypt writes takes
// a second, and at the largest it reads far longer. The seed corpus holds one such file whose
// pass phrase is "fuzz", so that the path past a successful unlock is reached too.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzzCheck.h"
#include "tool/keyFile.h"
#include "tool/libraryKeys.h"
#include "tool/protectedKey.h"
#include "tool/textForm.h"
#include "tool/toolError.h"

namespace {

using namespace eccrypt::tool;

constexpr unsigned long long kCheapOps = 1;
constexpr unsigned long long kCheapMemory = 64 * 1024;

// The number after "NAME=" in the kdf line, or nothing.
std::optional<unsigned long long> Limit(std::string_view kdf, std::string_view name) {
  const std::size_t at = kdf.find(name);
  if (at == std::string_view::npos) return std::nullopt;
  unsigned long long value = 0;
  std::size_t i = at + name.size();
  if (i >= kdf.size() || kdf[i] < '0' || kdf[i] > '9') return std::nullopt;
  for (; i < kdf.size() && kdf[i] >= '0' && kdf[i] <= '9'; ++i) {
    if (value > kCheapMemory) return value;  // large enough to be refused here; no overflow
    value = value * 10 + static_cast<unsigned long long>(kdf[i] - '0');
  }
  return value;
}

void Protected(const std::string& text) {
  TProtectedKeyInfo info;
  try {
    info = ReadProtectedKeyInfo(text, "fuzz.key");
  } catch (const TToolError&) {
    return;
  }
  FUZZ_CHECK(IsTextOfMode(info.publicKey.text, info.publicKey.mode));
  FUZZ_CHECK(KeyIdOf(info.publicKey.text, info.publicKey.mode) == info.keyId);
  const std::optional<unsigned long long> ops = Limit(info.kdf, "opslimit=");
  const std::optional<unsigned long long> memory = Limit(info.kdf, "memlimit=");
  FUZZ_CHECK(ops && memory);  // the reader accepted them
  if (*ops > kCheapOps || *memory > kCheapMemory) return;
  TKeyFile key;
  try {
    UnlockKeyFile(text, "fuzz.key", "fuzz", key);
  } catch (const TToolError&) {
    return;
  }
  FUZZ_CHECK(KeyIdOf(key.publicKey, key.mode) == info.keyId);
  FUZZ_CHECK(!key.secretKey.str().empty());
}

void Clear(const std::string& text) {
  TKeyFile key;
  try {
    ParseKeyFile(text, "fuzz.key", key);
  } catch (const TToolError&) {
    return;
  }
  FUZZ_CHECK(IsTextOfMode(key.publicKey, key.mode));
  FUZZ_CHECK(IsTextOfMode(key.secretKey.str(), key.mode));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // As the tool picks the reader: by how the text starts.
  if (LooksLikeProtectedKeyFile(text)) {
    Protected(text);
  } else if (LooksLikeKeyFile(text)) {
    Clear(text);
  }
  return 0;
}
