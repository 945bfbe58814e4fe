// One owner shared by several threads: each creates components owned by it, names them, runs an
// operation on them and destroys some itself while the others create theirs; the owner deletes
// the rest when it goes. Under ThreadSanitizer this shows the owner's list of its components
// and the sibling-name check synchronised; in any build, that each component is deleted once
// and no two siblings end with the same name.
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <latch>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ECCrypt/ECCrypt.h"
#include "ECPlatform/Component.h"
#include "support/stressSupport.h"

namespace eccrypt::testsupport {
namespace {

// Counts its own destructions, so the test can tell that each component went exactly once.
class TCountedCurve : public TEllipticCurve {
 public:
  TCountedCurve(ecplatform::TComponent* owner, std::atomic<int>& destroyed)
      : TEllipticCurve(owner), destroyed_(destroyed) {}
  ~TCountedCurve() override { ++destroyed_; }

 private:
  std::atomic<int>& destroyed_;
};

TEST(SharedOwnerStress, ComponentsOfOneOwnerComeAndGoOnSeveralThreads) {
  const int threads = 4;
  const int perThread = Rounds(48, 4);
  std::atomic<int> created{0}, destroyed{0}, renamesRefused{0};
  std::vector<std::vector<std::string>> failures(threads);
  std::set<std::string> finalNames;
  {
    auto owner = std::make_unique<ecplatform::TComponent>();
    std::latch start(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
      workers.emplace_back([&, t] {
        start.arrive_and_wait();
        for (int i = 0; i < perThread; ++i) {
          auto* c = new TCountedCurve(owner.get(), destroyed);
          ++created;
          std::string own = "c";  // built in steps: GCC 12 misreads chained + as overlapping
          own += std::to_string(t);
          own += '_';
          own += std::to_string(i);
          c->SetName(own);
          // Every thread reaches for the same few shared names: only one sibling holds each.
          try {
            c->SetName(std::string("shared").append(std::to_string(i % 3)));
          } catch (const std::invalid_argument&) {
            ++renamesRefused;
          }
          c->SetKeyPublic("");
          c->Encrypt();  // fails and clears: an operation on a component, beside the others
          if (owner->FindComponent(c->Name()) != c) {
            failures[static_cast<std::size_t>(t)].push_back("owner does not find " + c->Name());
          }
          // Every other component is destroyed here, the rest left to the owner.
          if (i % 2 == 0) delete c;
          (void)owner->ComponentCount();
        }
      });
    }
    for (auto& w : workers) w.join();
    for (std::size_t i = 0; i < owner->ComponentCount(); ++i) {
      const std::string& name = owner->Component(i)->Name();
      EXPECT_TRUE(finalNames.insert(name).second) << "two components named " << name;
    }
    EXPECT_EQ(owner->ComponentCount(), static_cast<std::size_t>(threads * perThread / 2));
  }
  for (const auto& log : failures) {
    for (const std::string& f : log) ADD_FAILURE() << f;
  }
  EXPECT_EQ(created.load(), threads * perThread);
  EXPECT_EQ(destroyed.load(), created.load());
  EXPECT_GT(renamesRefused.load(), 0);
}

}  // namespace
}  // namespace eccrypt::testsupport
