// Fuzz target: reading TEllipticCurve's streamed text form.
//
// Arbitrary text is read into a component that has an owner and a named sibling. Reading either
// succeeds, and then what is read writes out again and reads back to the same properties, or
// throws StreamError and leaves the component exactly as it was. Any other exception escaping
// is a finding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "ECCrypt/ECCrypt.h"
#include "ECPlatform/Component.h"
#include "ECPlatform/Streaming.h"
#include "fuzz/fuzzCheck.h"

namespace {

using eccrypt::TEllipticCurve;
using eccrypt::TMode;

// Every published property and the name, as one comparable text.
std::string Snapshot(const TEllipticCurve& c) {
  std::string s = c.Name() + '\x01' + std::to_string(static_cast<int>(c.IOMode()));
  for (const std::string* text : {&c.PassPhrase(), &c.KeyPublic(), &c.KeySecret(), &c.KeySession(),
                                  &c.ExchangedValue(), &c.Signature()}) {
    s += '\x01' + std::to_string(text->size()) + ':' + *text;
  }
  return s + (c.Valid() ? "\x01T" : "\x01F");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  ecplatform::TComponent owner;
  auto* sibling = new TEllipticCurve(&owner);  // owned: deleted with the owner
  sibling->SetName("Sibling");
  auto* curve = new TEllipticCurve(&owner);
  curve->SetName("Curve1");
  curve->SetIOMode(TMode::Hex);
  curve->SetPassPhrase("pass phrase");
  curve->SetKeyPublic("0123");
  curve->SetSignature("AB:CD");
  curve->SetValid(true);
  const std::string before = Snapshot(*curve);

  try {
    ecplatform::ReadComponent(text, *curve);
  } catch (const ecplatform::StreamError&) {
    FUZZ_CHECK(Snapshot(*curve) == before);
    FUZZ_CHECK(sibling->Name() == "Sibling");
    return 0;
  }
  FUZZ_CHECK(curve->Name() != "Sibling");
  FUZZ_CHECK(curve->IOMode() == TMode::Base64 || curve->IOMode() == TMode::Hex);

  // What was read writes out and reads back exactly, and writing is stable.
  const std::string written = ecplatform::WriteComponent(*curve);
  TEllipticCurve back;
  ecplatform::ReadComponent(written, back);
  FUZZ_CHECK(Snapshot(back) == Snapshot(*curve));
  FUZZ_CHECK(ecplatform::WriteComponent(back) == written);
  return 0;
}
