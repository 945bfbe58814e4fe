// Many components on several threads at once: registering, making keys, encrypting, decrypting,
// signing, verifying, failing and streaming, every result checked against a single-threaded
// reference or against its partner operation. Under ThreadSanitizer this shows that instances
// share nothing unsynchronised (tables, random pools, registry, property tables); in any build
// it shows that threads draw distinct secrets and nonces.
#include <gtest/gtest.h>

#include <cstddef>
#include <latch>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ECCrypt/ECCrypt.h"
#include "ECPlatform/Registry.h"
#include "ECPlatform/Streaming.h"
#include "support/stressSupport.h"

namespace eccrypt::testsupport {
namespace {

struct KeyPair {
  std::string passPhrase;
  TMode mode;
  std::string keyPublic, keySecret;
};

// The pairs every thread uses, made on one thread before any other starts.
std::vector<KeyPair> ReferencePairs(int count) {
  std::vector<KeyPair> pairs;
  for (int i = 0; i < count; ++i) {
    TEllipticCurve c;
    c.SetPassPhrase("stress pass phrase " + std::to_string(i));
    c.SetIOMode(i % 2 == 0 ? TMode::Hex : TMode::Base64);
    c.MakeKey();
    pairs.push_back({c.PassPhrase(), c.IOMode(), c.KeyPublic(), c.KeySecret()});
  }
  return pairs;
}

// What one thread saw: the r halves of its signatures and its exchanged values (all of which
// must differ across threads), and every check that failed.
struct ThreadLog {
  std::vector<std::string> rTexts, exchangedValues, failures;
  void Check(bool ok, const std::string& what) {
    if (!ok) failures.push_back(what);
  }
};

// A component made through the palette registry, as a host would make it.
std::unique_ptr<TEllipticCurve> NewCurve(const KeyPair& pair) {
  auto made = ecplatform::FindComponentClass("TEllipticCurve")->Create(nullptr);
  std::unique_ptr<TEllipticCurve> c(dynamic_cast<TEllipticCurve*>(made.release()));
  c->SetIOMode(pair.mode);
  return c;
}

void Round(const std::vector<KeyPair>& pairs, std::size_t i, std::mt19937_64& rng, ThreadLog& log) {
  const KeyPair& own = pairs[i];
  const KeyPair& peer = pairs[(i + 1) % pairs.size()];
  const std::string where = " (pair " + std::to_string(i) + ")";

  // Key derivation gives the reference pair whatever runs beside it.
  auto maker = NewCurve(own);
  maker->SetPassPhrase(own.passPhrase);
  maker->MakeKey();
  log.Check(
      maker->Valid() && maker->KeyPublic() == own.keyPublic && maker->KeySecret() == own.keySecret,
      "MakeKey differs from the reference" + where);

  // Encrypt to the peer's key on one component, Decrypt with the peer's secret on another.
  auto sender = NewCurve(peer);
  sender->SetKeyPublic(peer.keyPublic);
  sender->Encrypt();
  auto receiver = NewCurve(peer);
  receiver->SetKeySecret(peer.keySecret);
  receiver->SetExchangedValue(sender->ExchangedValue());
  receiver->Decrypt();
  log.Check(!sender->KeySession().empty() && receiver->KeySession() == sender->KeySession(),
            "Decrypt does not give Encrypt's session key" + where);
  log.exchangedValues.push_back(sender->ExchangedValue());

  // Sign, Verify, and Verify a changed digest.
  Digest digest = RandomDigest(rng);
  auto signer = NewCurve(own);
  signer->SetKeySecret(own.keySecret);
  signer->Sign(digest);
  const std::string signature = signer->Signature();
  log.rTexts.push_back(signature.substr(0, signature.find(':')));
  auto verifier = NewCurve(own);
  verifier->SetKeyPublic(own.keyPublic);
  verifier->SetSignature(signature);
  verifier->Verify(digest);
  log.Check(verifier->Valid(), "a fresh signature does not verify" + where);
  digest[rng() % digest.size()] ^= 0x01;
  verifier->Verify(digest);
  log.Check(!verifier->Valid() && verifier->Signature() == signature &&
                verifier->KeyPublic() == own.keyPublic,
            "a changed digest verifies, or Verify cleared" + where);

  // A failing operation on a hostile key clears, beside the others.
  auto hostile = NewCurve(own);
  hostile->SetPassPhrase("kept");
  hostile->SetKeyPublic(own.mode == TMode::Hex ? "0000000000000001" : "zzzz");
  hostile->SetSignature("x");
  hostile->Encrypt();
  log.Check(hostile->KeyPublic().empty() && hostile->Signature().empty() && !hostile->Valid() &&
                hostile->PassPhrase() == "kept",
            "Encrypt with a hostile key did not clear" + where);

  // The streamed form reads back into a new component.
  auto copy = NewCurve(own);
  ecplatform::ReadComponent(ecplatform::WriteComponent(*signer), *copy);
  log.Check(copy->Signature() == signature && copy->KeySecret() == own.keySecret,
            "streaming lost a property" + where);
}

TEST(ConcurrencyStress, ComponentsOnSeveralThreadsAgreeWithTheirReferences) {
  MessageCounter messages;
  const std::vector<KeyPair> pairs = ReferencePairs(4);
  const int threads = 4;
  const int rounds = Rounds(32, 4);

  std::vector<ThreadLog> logs(threads);
  std::latch start(threads);
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      std::mt19937_64 rng(static_cast<std::uint64_t>(1000 + t));
      start.arrive_and_wait();  // first uses of the registry and property tables race
      Register();
      for (int r = 0; r < rounds; ++r) {
        Round(pairs, static_cast<std::size_t>(t + r) % pairs.size(), rng,
              logs[static_cast<std::size_t>(t)]);
      }
    });
  }
  for (auto& w : workers) w.join();

  std::set<std::string> rTexts, exchangedValues;
  std::size_t signatures = 0;
  for (const ThreadLog& log : logs) {
    for (const std::string& f : log.failures) ADD_FAILURE() << f;
    rTexts.insert(log.rTexts.begin(), log.rTexts.end());
    exchangedValues.insert(log.exchangedValues.begin(), log.exchangedValues.end());
    signatures += log.rTexts.size();
  }
  // Nonces and session secrets are drawn afresh on every thread: no two coincide.
  EXPECT_EQ(rTexts.size(), signatures);
  EXPECT_EQ(exchangedValues.size(), signatures);
  EXPECT_EQ(ecplatform::RegisteredClasses("Crypto").size(), 1u);
  EXPECT_EQ(messages.Count(), 0);
}

}  // namespace
}  // namespace eccrypt::testsupport
