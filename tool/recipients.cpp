#include "tool/recipients.h"

#include <array>
#include <cstdint>
#include <set>

#include "ECCrypt/api.h"
#include "tool/fileIo.h"
#include "tool/libraryKeys.h"
#include "tool/toolError.h"

namespace eccrypt::tool {

namespace {

constexpr std::size_t kMaxRecipientFileBytes = std::size_t{1024} * 1024;

}  // namespace

std::vector<TPublicKey> CollectRecipients(const std::vector<std::string>& keys,
                                          const std::vector<std::string>& keyListFiles) {
  std::vector<TPublicKey> recipients;
  // By the key's value: the two text forms of one key count once, and two keys whose 64-bit
  // ids collide stay two recipients.
  std::set<std::array<std::uint8_t, ValueBytes>> seen;
  const auto add = [&](TPublicKey key) {
    if (seen.insert(LibraryPublicKey(key.text, key.mode).ToBytes()).second)
      recipients.push_back(std::move(key));
  };
  for (const std::string& key : keys) add(ResolvePublicKey(key));
  for (const std::string& path : keyListFiles) {
    const std::string text = ReadSmallFile(path, kMaxRecipientFileBytes, "recipients file");
    std::size_t lineNumber = 0;
    for (std::size_t start = 0; start < text.size();) {
      const std::size_t end = std::min(text.find('\n', start), text.size());
      const std::string line = TrimText(text.substr(start, end - start));
      start = end + 1;
      ++lineNumber;
      if (line.empty() || line.starts_with('#')) continue;
      try {
        add(ResolvePublicKeyText(line));
      } catch (const TToolError& error) {
        throw TToolError(path + ", line " + std::to_string(lineNumber) + ": " + error.what(),
                         "put one public key text on each line; '#' starts a comment line");
      }
    }
  }
  if (recipients.empty()) {
    throw TToolError("no recipient given",
                     "name each recipient's public key with -r KEY, or a list of them with "
                     "-R FILE",
                     kExitUsage);
  }
  if (recipients.size() > MaxRecipients) {
    throw TToolError("too many recipients (" + std::to_string(recipients.size()) + "; at most " +
                         std::to_string(MaxRecipients) + ")",
                     "", kExitUsage);
  }
  return recipients;
}

}  // namespace eccrypt::tool
