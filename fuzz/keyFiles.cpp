// The library's key-file readers, driven from memory: protected key files (their lines,
// limits, salt, nonce and sealed secret) and key files in clear.
//
// Whatever the input, a reader refuses it with an Error or accepts it; what it accepts is
// checked for consistency. A protected file is opened, with the pass phrase "fuzz", only when
// its own limits are tiny (one pass, at most 64 KiB): Argon2id at the limits eccrypt writes takes
// a second, and at the largest it reads far longer. The seed corpus holds one such file whose
// pass phrase is "fuzz", so that the path past a successful opening is reached too.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ECCrypt/api.h"
#include "ECPlatform/SecureWipe.h"
#include "fuzzCheck.h"

namespace {

using namespace eccrypt;

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
  const auto header = formats::ReadProtectedKeyFileHeader(text);
  if (!header) return;
  const auto publicKey = PublicKey::Parse(header.Value().publicKey);
  FUZZ_CHECK(publicKey && KeyId(publicKey.Value()) == header.Value().keyId);
  FUZZ_CHECK(publicKey.Value().ToText(header.Value().form) == header.Value().publicKey);
  const std::optional<unsigned long long> ops = Limit(header.Value().kdf, "opslimit=");
  const std::optional<unsigned long long> memory = Limit(header.Value().kdf, "memlimit=");
  FUZZ_CHECK(ops && memory);  // the reader accepted them
  if (*ops > kCheapOps || *memory > kCheapMemory) return;
  const auto opened = formats::OpenKeyFile(text, "fuzz");
  if (!opened) return;
  FUZZ_CHECK(opened.Value().pair.PublicKey() == publicKey.Value());
}

void Clear(const std::string& text) {
  const auto opened = formats::OpenKeyFile(text, "");
  if (!opened) return;
  // What was read is written back as the same keys in the same form.
  ecplatform::TSecretText again;
  again.text = formats::ClearKeyFileText(opened.Value().pair, opened.Value().form);
  const auto reread = formats::OpenKeyFile(again.text, "");
  FUZZ_CHECK(reread && reread.Value().pair.PublicKey() == opened.Value().pair.PublicKey() &&
             reread.Value().form == opened.Value().form);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // As the readers are picked: by how the text starts.
  if (formats::LooksLikeProtectedKeyFile(text)) {
    Protected(text);
  } else if (formats::LooksLikeClearKeyFile(text)) {
    Clear(text);
  }
  return 0;
}
