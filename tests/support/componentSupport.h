#pragma once
// Test support for TEllipticCurve: a snapshot of all eight properties, a component with every
// property set, digests, a fixture that fails the test if the component shows a message, and
// one that also makes a key pair per mode once for its suite.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <ostream>
#include <string>

#include "ECCrypt/ECCrypt.h"
#include "ECPlatform/ShowMessage.h"

namespace eccrypt::testsupport {

using Digest = std::array<std::uint8_t, 20>;

// Bytes seed, seed + 1, ..., seed + 19.
inline Digest DigestFrom(std::uint8_t seed) {
  Digest d{};
  for (std::size_t i = 0; i < d.size(); ++i) d[i] = static_cast<std::uint8_t>(seed + i);
  return d;
}

struct Snapshot {
  TMode IOMode = TMode::Base64;
  std::string PassPhrase;
  bool Valid = false;
  std::string KeyPublic, KeySecret, KeySession, ExchangedValue, Signature;
  bool operator==(const Snapshot&) const = default;
};

inline Snapshot Take(const TEllipticCurve& c) {
  return {c.IOMode(),    c.PassPhrase(), c.Valid(),          c.KeyPublic(),
          c.KeySecret(), c.KeySession(), c.ExchangedValue(), c.Signature()};
}

inline std::ostream& operator<<(std::ostream& os, const Snapshot& s) {
  return os << "{IOMode " << int(s.IOMode) << ", PassPhrase '" << s.PassPhrase << "', Valid "
            << s.Valid << ", KeyPublic '" << s.KeyPublic << "', KeySecret '" << s.KeySecret
            << "', KeySession '" << s.KeySession << "', ExchangedValue '" << s.ExchangedValue
            << "', Signature '" << s.Signature << "'}";
}

// What Clear leaves of s: PassPhrase and IOMode, nothing else.
inline Snapshot Cleared(const Snapshot& s) {
  Snapshot c;
  c.IOMode = s.IOMode;
  c.PassPhrase = s.PassPhrase;
  return c;
}

// A component with nothing but IOMode set (the empty pass phrase): what Clear leaves of it.
inline Snapshot EmptyIn(TMode mode) {
  Snapshot s;
  s.IOMode = mode;
  return s;
}

// Every property set to a recognisable non-empty value, Valid true.
inline void FillAll(TEllipticCurve& c, TMode mode = TMode::Hex) {
  c.SetIOMode(mode);
  c.SetPassPhrase("pass");
  c.SetValid(true);
  c.SetKeyPublic("PUBLIC");
  c.SetKeySecret("SECRET");
  c.SetKeySession("SESSION");
  c.SetExchangedValue("EXCHANGED");
  c.SetSignature("R:S");
}

// Runs c.Verify(digest) and checks that it wrote nothing but Valid, and set that to valid.
inline ::testing::AssertionResult VerifySetsOnlyValid(TEllipticCurve& c, const Digest& digest,
                                                      bool valid) {
  Snapshot expected = Take(c);
  expected.Valid = valid;
  c.Verify(digest);
  const Snapshot actual = Take(c);
  if (actual == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "after Verify " << actual << ", expected " << expected;
}

// The name of a text mode, for traces.
inline const char* ModeName(TMode mode) {
  return mode == TMode::Hex ? "Hex" : "Base64";
}

// Installs a message handler that fails the running test, and restores the previous one.
class ComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = ecplatform::SetMessageHandler(
        [](const std::string& text) { ADD_FAILURE() << "message shown: " << text; });
  }
  void TearDown() override { ecplatform::SetMessageHandler(previous_); }

 private:
  ecplatform::MessageHandler previous_;
};

// A ComponentTest whose suite makes one key pair per mode, once, from the pass phrase
// Suite::PassPhrase; Keys(mode) holds it (and nothing else the tests should rely on).
template <class Suite>
class KeyPairPerModeTest : public ComponentTest {
 protected:
  static void SetUpTestSuite() {
    for (TMode mode : {TMode::Hex, TMode::Base64}) {
      TEllipticCurve& c = Keys(mode);
      c.SetIOMode(mode);
      c.SetPassPhrase(Suite::PassPhrase);
      c.MakeKey();
    }
  }
  static TEllipticCurve& Keys(TMode mode) {
    static TEllipticCurve hex, base64;
    return mode == TMode::Hex ? hex : base64;
  }
};

}  // namespace eccrypt::testsupport
