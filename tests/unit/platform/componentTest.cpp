#include "ECPlatform/Component.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "support/testWidget.h"

namespace ecplatform {
namespace {

using eccrypt::testsupport::TTestWidget;

// Counts destructions, to show that an owner deletes each owned component exactly once.
class TCounted : public TComponent {
 public:
  TCounted(TComponent* owner, std::vector<int>& log, int id)
      : TComponent(owner), log_(log), id_(id) {}
  ~TCounted() override { log_.push_back(id_); }

 private:
  std::vector<int>& log_;
  int id_;
};

// A component whose constructor fails after the base has registered it with its owner.
class TFailing : public TComponent {
 public:
  explicit TFailing(TComponent* owner) : TComponent(owner) {
    throw std::runtime_error("construction failed");
  }
};

TEST(Component, OwnerDeletesOwnedComponentsNewestFirst) {
  std::vector<int> log;
  {
    auto owner = std::make_unique<TComponent>();
    auto* a = new TCounted(owner.get(), log, 1);
    new TCounted(owner.get(), log, 2);
    new TCounted(a, log, 3);  // owned by a, deleted with it
    EXPECT_EQ(owner->ComponentCount(), 2u);
    EXPECT_EQ(owner->Component(0), a);
    EXPECT_EQ(a->Owner(), owner.get());
    EXPECT_EQ(a->ComponentCount(), 1u);
  }
  EXPECT_EQ(log, (std::vector<int>{2, 1, 3}));
}

TEST(Component, ComponentDeletedFirstLeavesItsOwner) {
  std::vector<int> log;
  TComponent owner;
  auto* a = new TCounted(&owner, log, 1);
  auto* b = new TCounted(&owner, log, 2);
  delete a;
  ASSERT_EQ(owner.ComponentCount(), 1u);
  EXPECT_EQ(owner.Component(0), b);
  // A component held by a smart pointer may have an owner too: whichever goes first is fine.
  std::unique_ptr<TCounted> c(new TCounted(&owner, log, 3));
  c.reset();
  EXPECT_EQ(owner.ComponentCount(), 1u);
  EXPECT_EQ(log, (std::vector<int>{1, 3}));
}

TEST(Component, FailedConstructionLeavesOwnerUnchanged) {
  TComponent owner;
  EXPECT_THROW(new TFailing(&owner), std::runtime_error);
  EXPECT_EQ(owner.ComponentCount(), 0u);
}

TEST(Component, NamesAreIdentifiersUniqueAmongSiblings) {
  TComponent owner;
  auto* a = new TTestWidget(&owner);
  auto* b = new TTestWidget(&owner);
  EXPECT_EQ(a->Name(), "");
  a->SetName("Widget1");
  EXPECT_EQ(owner.FindComponent("Widget1"), a);
  EXPECT_EQ(owner.FindComponent("widget1"), nullptr);
  EXPECT_EQ(owner.FindComponent(""), nullptr);
  EXPECT_THROW(b->SetName("Widget1"), std::invalid_argument);
  EXPECT_EQ(b->Name(), "");
  for (const char* bad : {"1abc", "a b", "a-b", "a'", "\xe9t\xe9"}) {
    EXPECT_THROW(b->SetName(bad), std::invalid_argument) << bad;
  }
  a->SetName("Widget1");  // renaming to its own name is not a clash
  b->SetName("_w2");
  a->SetName("");
  b->SetName("");  // empty names never clash
  EXPECT_EQ(b->Name(), "");
}

TEST(Component, ClassNameAndProperties) {
  TComponent plain;
  EXPECT_EQ(plain.ClassName(), "TComponent");
  EXPECT_TRUE(plain.PublishedProperties().empty());
  TTestWidget w;
  const TComponent& base = w;
  EXPECT_EQ(base.ClassName(), "TTestWidget");
  std::vector<std::string> names;
  for (const TPropertyInfo& p : base.PublishedProperties()) names.push_back(p.Name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"Caption", "Enabled", "Shade", "Count", "Note", "Scratch"}));
}

}  // namespace
}  // namespace ecplatform
