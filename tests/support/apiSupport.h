#pragma once
// Test support for the library interface (ECCrypt/api.h): both text forms, the component's mode
// for each, and a component set up in the form of a text.
#include <array>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/api.h"

namespace eccrypt::testsupport {

inline constexpr std::array<TextForm, 2> BothForms = {TextForm::Hex, TextForm::Radix64};

inline TMode ModeOf(TextForm form) {
  return form == TextForm::Hex ? TMode::Hex : TMode::Base64;
}

inline const char* FormName(TextForm form) {
  return form == TextForm::Hex ? "hex" : "radix-64";
}

}  // namespace eccrypt::testsupport
