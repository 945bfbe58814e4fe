#pragma once
// Texts of secret values (pass phrases, secret keys, session keys and the intermediate forms
// they pass through) are wiped, spare capacity included, before their memory is released.
#include <string>

namespace eccrypt {

// Overwrites every byte of the buffer, the spare capacity included, with zeros and leaves the
// text empty. The buffer is kept, so nothing is released unwiped.
void WipeText(std::string& text) noexcept;

// A text that is wiped when it goes out of scope. Not copyable, so no unwiped copy is made by
// accident.
class TSecretText {
 public:
  TSecretText() = default;
  TSecretText(const TSecretText&) = delete;
  TSecretText& operator=(const TSecretText&) = delete;
  ~TSecretText() { WipeText(text); }

  std::string text;
};

}  // namespace eccrypt
