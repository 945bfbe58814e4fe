// The frame every working operation shares: missing inputs and refused values end in Clear
// (PassPhrase and IOMode survive, everything else is emptied, Valid false), hostile texts never
// show a message or throw, and Valid moves only where it should.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ECCrypt/ECCrypt.h"
#include "ECCrypt/curve/ecPoint.h"
#include "ECCrypt/params/curveParameters.h"
#include "ECCrypt/pk/ecCrypt.h"
#include "ECCrypt/text/base64Text.h"
#include "ECCrypt/text/hexText.h"
#include "support/componentSupport.h"

namespace eccrypt {
namespace {

using namespace testsupport;

using Operation = std::function<void(TEllipticCurve&)>;

const Digest SomeDigest = DigestFrom(3);

const Operation DoEncrypt = [](TEllipticCurve& c) { c.Encrypt(); };
const Operation DoDecrypt = [](TEllipticCurve& c) { c.Decrypt(); };
const Operation DoSign = [](TEllipticCurve& c) { c.Sign(SomeDigest); };
const Operation DoVerify = [](TEllipticCurve& c) { c.Verify(SomeDigest); };

class EllipticCurveFrameTest : public ComponentTest {
 protected:
  static void SetUpTestSuite() { TECCrypt().PrepareTables(); }

  // Runs op on c and expects the cleared state; no message is shown (see ComponentTest).
  static void ExpectClears(TEllipticCurve& c, const Operation& op) {
    const Snapshot before = Take(c);
    op(c);
    EXPECT_EQ(Take(c), Cleared(before));
  }
};

TEST_F(EllipticCurveFrameTest, MissingInputClearsEverythingButPassPhraseAndIOMode) {
  struct Case {
    const char* what;
    void (TEllipticCurve::*empty)(const std::string&);  // the input left empty
    Operation op;
  };
  const Case cases[] = {
      {"Encrypt without KeyPublic", &TEllipticCurve::SetKeyPublic, DoEncrypt},
      {"Decrypt without KeySecret", &TEllipticCurve::SetKeySecret, DoDecrypt},
      {"Decrypt without ExchangedValue", &TEllipticCurve::SetExchangedValue, DoDecrypt},
      {"Sign without KeySecret", &TEllipticCurve::SetKeySecret, DoSign},
      {"Verify without KeyPublic", &TEllipticCurve::SetKeyPublic, DoVerify},
      {"Verify without Signature", &TEllipticCurve::SetSignature, DoVerify},
      {"Sign without digest", nullptr, [](TEllipticCurve& c) { c.Sign(nullptr); }},
      {"Verify without digest", nullptr, [](TEllipticCurve& c) { c.Verify(nullptr); }},
  };
  for (const Case& k : cases) {
    for (TMode mode : {TMode::Hex, TMode::Base64}) {
      SCOPED_TRACE(k.what);
      TEllipticCurve c;
      FillAll(c, mode);
      if (k.empty != nullptr) (c.*k.empty)("");
      ExpectClears(c, k.op);
    }
  }
}

// A compressed value whose x has no point on the curve.
TvlPoint ValueWithoutPoint() {
  for (std::int32_t x = 2;; ++x) {
    TecPoint probe;
    probe.x.AssignSmall(x);
    if (!probe.RecoverY(0)) {
      TvlPoint v;
      v.AssignSmall(2 * x);
      return v;
    }
  }
}

// A point of small order with coordinates in GF(2^15), neither zero nor of order 2.
TvlPoint SmallOrderValue() {
  TecPoint p;
  p.x.AssignSmall(CurveCbrtB);
  p.y.AssignSmall(CurveCbrtB);
  TvlPoint v;
  p.Compress(v);
  return v;
}

TEST_F(EllipticCurveFrameTest, ValuesOutsideTheGroupAreRefusedWithoutAMessage) {
  const TvlPoint noPoint = ValueWithoutPoint();
  const TvlPoint smallOrder = SmallOrderValue();
  ASSERT_FALSE(TecPoint::IsCompressedGroupPoint(smallOrder));
  // Texts given in Hex mode; the radix-64 texts of the same values are tried as well.
  struct Case {
    const char* what;
    std::string hex;
  };
  const std::vector<Case> cases{
      {"zero with a digit", "0000"},
      {"one: the point of order 2", "0001"},
      {"x without a point", IntegerToHex(noPoint)},
      {"point of small order", IntegerToHex(smallOrder)},
      {"2^256 and more", "0002" + std::string(64, '0')},
      {"more groups than an integer holds", std::string(20 * 4, '1')},
      {"not hexadecimal", "WXYZ"},
      {"shorter than a group", "+"},
  };
  // Where each value goes: the public key of Encrypt and Verify, the exchanged value of Decrypt.
  struct Target {
    const char* what;
    void (TEllipticCurve::*set)(const std::string&);
    Operation op;
  };
  const Target targets[] = {
      {"Encrypt's KeyPublic", &TEllipticCurve::SetKeyPublic, DoEncrypt},
      {"Decrypt's ExchangedValue", &TEllipticCurve::SetExchangedValue, DoDecrypt},
      {"Verify's KeyPublic", &TEllipticCurve::SetKeyPublic, DoVerify},
  };
  for (const Target& t : targets) {
    for (const Case& k : cases) {
      SCOPED_TRACE(std::string(t.what) + ": " + k.what);
      {
        TEllipticCurve c;
        FillAll(c, TMode::Hex);
        c.SetKeySecret("0005");  // a secret key Decrypt can read
        (c.*t.set)(k.hex);
        ExpectClears(c, t.op);
      }
      {
        TEllipticCurve c;
        FillAll(c, TMode::Base64);
        c.SetKeySecret(HexToBase64("0005"));
        (c.*t.set)(k.hex == "+" ? k.hex : HexToBase64(k.hex));
        ExpectClears(c, t.op);
      }
    }
  }
}

TEST_F(EllipticCurveFrameTest, SecretKeysLongerThanAnIntegerHoldsClear) {
  // 20 groups are more than an integer holds (19 are used modulo n, see the keys tests).
  TEllipticCurve keys;
  keys.SetIOMode(TMode::Hex);
  keys.MakeKey();
  for (const Operation& op : {DoDecrypt, DoSign}) {
    TEllipticCurve c;
    FillAll(c, TMode::Hex);
    c.SetKeySecret(std::string(20 * 4, 'F'));
    c.SetExchangedValue(keys.KeyPublic());  // a point of the group
    ExpectClears(c, op);
  }
}

TEST_F(EllipticCurveFrameTest, SecretKeysThatAreMultiplesOfTheOrderClear) {
  // Zero, n and 2n send every point to the zero point: Decrypt would give the session key 0 and
  // Sign would publish its nonce.
  // Also written with zero groups in front, and n * 2^48, of 19 digits.
  TvlPoint n, twiceN, longN;
  n.LoadOrder(true);
  twiceN.CopyFrom(n);
  twiceN.Add(n);
  longN.CopyFrom(n);
  for (int i = 0; i < 3; ++i) longN.ShiftLeft(16);
  TEllipticCurve keys;
  keys.SetIOMode(TMode::Hex);
  keys.MakeKey();
  for (const std::string& secret :
       {std::string("0000"), std::string("00000000"), IntegerToHex(n), "0000" + IntegerToHex(n),
        IntegerToHex(twiceN), IntegerToHex(longN)}) {
    SCOPED_TRACE(secret);
    for (const Operation& op : {DoDecrypt, DoSign}) {
      TEllipticCurve c;
      FillAll(c, TMode::Hex);
      c.SetKeySecret(secret);
      c.SetExchangedValue(keys.KeyPublic());  // a point of the group
      ExpectClears(c, op);
    }
  }
}

TEST_F(EllipticCurveFrameTest, ValidChangesOnlyWhereItShould) {
  TEllipticCurve keys;
  const Digest digest = DigestFrom(11);
  const Digest otherDigest = DigestFrom(12);
  // Each step in order, with Valid before and after it.
  struct Step {
    const char* what;
    std::function<void()> run;
    bool validAfter;
  };
  const Step steps[] = {
      {"new instance", [] {}, false},
      {"MakeKey", [&] { keys.MakeKey(); }, true},
      {"Encrypt leaves it", [&] { keys.Encrypt(); }, true},
      {"Decrypt leaves it", [&] { keys.Decrypt(); }, true},
      {"Sign leaves it", [&] { keys.Sign(digest); }, true},
      {"Verify of a good signature", [&] { keys.Verify(digest); }, true},
      {"Verify that fails", [&] { keys.Verify(otherDigest); }, false},
      {"Sign leaves it false", [&] { keys.Sign(digest); }, false},
      {"Encrypt leaves it false", [&] { keys.Encrypt(); }, false},
      {"Decrypt leaves it false", [&] { keys.Decrypt(); }, false},
      {"set by the application", [&] { keys.SetValid(true); }, true},
      {"Clear", [&] { keys.Clear(); }, false},
      {"MakeKey with an empty pass phrase", [&] { keys.MakeKey(); }, true},
      {"failed guard", [&] { keys.Verify(digest); }, false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.run();
    EXPECT_EQ(keys.Valid(), step.validAfter);
  }
  EXPECT_TRUE(keys.KeySecret().empty());
}

}  // namespace
}  // namespace eccrypt
