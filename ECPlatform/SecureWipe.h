#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// The one wiper of the library, the tool and the tests: memory and texts that held secrets
// (keys, nonces, pass phrases, property texts) are overwritten with zeros before they are
// released. The zeros are written so that the compiler cannot drop them as dead even when the
// object is destroyed right afterwards (a memset behind a memory barrier, or volatile stores).
#include <cstddef>
#include <string>
#include <utility>

namespace ecplatform {

void SecureWipe(void* data, std::size_t size) noexcept;

// Overwrites every byte of the text's buffer, the spare capacity included (a text that shrank
// or was reassigned keeps old characters there), with zeros and leaves the text empty. The
// buffer is kept, so nothing is released unwiped.
void WipeText(std::string& text) noexcept;

// A text that is wiped (WipeText) when it goes out of scope. Not copyable, so no unwiped copy is
// made by accident.
class TSecretText {
 public:
  TSecretText() = default;
  explicit TSecretText(std::string value) : text(std::move(value)) {}
  TSecretText(const TSecretText&) = delete;
  TSecretText& operator=(const TSecretText&) = delete;
  ~TSecretText() { WipeText(text); }

  std::string& str() { return text; }
  const std::string& str() const { return text; }

  std::string text;
};

}  // namespace ecplatform
