#include "ECPlatform/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "support/testWidget.h"

namespace ecplatform {
namespace {

using eccrypt::testsupport::TTestWidget;

// The registry is process-wide, so each test uses pages of its own.
std::vector<std::string> Names(const std::vector<TComponentClass>& classes) {
  std::vector<std::string> names;
  for (const TComponentClass& c : classes) names.push_back(c.Name);
  return names;
}

TEST(Registry, PageListsEachClassOnceAndMakesInstances) {
  EXPECT_TRUE(RegisteredClasses("RegistryTest.Page").empty());
  RegisterComponents("RegistryTest.Page", {ComponentClass<TTestWidget>()});
  RegisterComponents("RegistryTest.Page",
                     {ComponentClass<TComponent>(), ComponentClass<TTestWidget>()});
  const std::vector<TComponentClass> classes = RegisteredClasses("RegistryTest.Page");
  EXPECT_EQ(Names(classes), (std::vector<std::string>{"TTestWidget", "TComponent"}));
  std::vector<std::string> pages = RegisteredPages();
  EXPECT_EQ(std::count(pages.begin(), pages.end(), "RegistryTest.Page"), 1);

  TComponent owner;
  std::unique_ptr<TComponent> made = classes[0].Create(&owner);
  EXPECT_EQ(made->ClassName(), "TTestWidget");
  EXPECT_EQ(made->Owner(), &owner);
  TComponent* kept = made.release();  // now only the owner holds it
  EXPECT_EQ(owner.Component(0), kept);

  std::optional<TComponentClass> found = FindComponentClass("TTestWidget");
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->Create(nullptr)->ClassName(), "TTestWidget");
  EXPECT_FALSE(FindComponentClass("TNoSuchClass").has_value());
}

TEST(Registry, InvalidEntriesRegisterNothing) {
  TComponentClass bad{"TBad", nullptr};
  EXPECT_THROW(RegisterComponents("RegistryTest.Bad", {ComponentClass<TTestWidget>(), bad}),
               std::invalid_argument);
  EXPECT_THROW(RegisterComponents("RegistryTest.Bad", {{"not a name", bad.Create}}),
               std::invalid_argument);
  EXPECT_THROW(RegisterComponents("", {ComponentClass<TTestWidget>()}), std::invalid_argument);
  EXPECT_TRUE(RegisteredClasses("RegistryTest.Bad").empty());
}

TEST(Registry, ConcurrentRegistrationKeepsOneEntryPerClass) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < 200; ++i) {
        RegisterComponents("RegistryTest.Shared",
                           {ComponentClass<TTestWidget>(), ComponentClass<TComponent>()});
        RegisteredClasses("RegistryTest.Shared");
      }
    });
  }
  for (std::thread& t : threads) t.join();
  std::vector<std::string> names = Names(RegisteredClasses("RegistryTest.Shared"));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"TComponent", "TTestWidget"}));
}

}  // namespace
}  // namespace ecplatform
