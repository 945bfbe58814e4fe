#pragma once
// Test support for the fast field's multiplication paths: a test runs its checks once on each
// path the CPU has, with that path selected, and leaves the one in use before selected again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ECCrypt/fast/fe.h"

namespace eccrypt::testsupport {

// Every multiplication path of the fast field, portable first.
inline constexpr const char* FieldPaths[] = {"portable", "lanes", "pclmulqdq", "vpclmulqdq"};

// Selects a path while it lives (when the CPU has it) and then restores the one in use before.
class FieldPathScope {
 public:
  explicit FieldPathScope(const char* path)
      : saved_(fast::FeImplementation()), selected_(fast::FeUseImplementation(path)) {}
  FieldPathScope(const FieldPathScope&) = delete;
  FieldPathScope& operator=(const FieldPathScope&) = delete;
  ~FieldPathScope() { fast::FeUseImplementation(saved_.c_str()); }

  // False when the CPU lacks the path; the one in use before is still selected.
  bool Selected() const { return selected_; }

 private:
  std::string saved_;
  bool selected_;
};

// Runs check() once with each path the CPU has selected, traced by the path's name.
template <class Check>
void OnEveryFieldPath(Check check) {
  for (const char* path : FieldPaths) {
    const FieldPathScope selected(path);
    if (!selected.Selected()) continue;
    SCOPED_TRACE(path);
    check();
  }
}

// The paths this CPU has, portable first: tests are registered only for these, so a path the
// processor lacks shows up neither as run nor as skipped.
inline std::vector<const char*> AvailableFieldPaths() {
  std::vector<const char*> available;
  for (const char* path : FieldPaths) {
    if (FieldPathScope(path).Selected()) available.push_back(path);
  }
  return available;
}

// A test run once per path with that path selected (instantiate it with FieldPathValues(), which
// lists only the paths this CPU has).
class FieldPathTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    saved_ = fast::FeImplementation();
    if (!fast::FeUseImplementation(GetParam())) GTEST_SKIP() << GetParam() << " not on this CPU";
    ASSERT_STREQ(fast::FeImplementation(), GetParam());
  }
  void TearDown() override { ASSERT_TRUE(fast::FeUseImplementation(saved_.c_str())); }

 private:
  std::string saved_;
};

inline auto FieldPathValues() {
  return ::testing::ValuesIn(AvailableFieldPaths());
}

// The test name suffix of a path: its own name.
inline std::string FieldPathName(const ::testing::TestParamInfo<const char*>& info) {
  return info.param;
}

}  // namespace eccrypt::testsupport
