#include "ECPlatform/Registry.h"

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace ecplatform {
namespace {

struct TPage {
  std::string Name;
  std::vector<TComponentClass> Classes;
};

struct TRegistry {
  std::mutex Mutex;
  std::vector<TPage> Pages;  // in creation order
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

template <class Range>
void Register(std::string_view page, const Range& classes) {
  if (page.empty()) throw std::invalid_argument("a palette page needs a name");
  for (const TComponentClass& c : classes) {
    if (c.Name.empty() || !TComponent::IsValidName(c.Name)) {
      throw std::invalid_argument("'" + c.Name + "' is not a valid class name");
    }
    if (c.Create == nullptr) throw std::invalid_argument("class " + c.Name + " has no factory");
  }
  TRegistry& r = Registry();
  std::lock_guard lock(r.Mutex);
  auto it =
      std::find_if(r.Pages.begin(), r.Pages.end(), [&](const TPage& p) { return p.Name == page; });
  // Build the page's new list aside, so that a failed allocation leaves the registry as it was.
  TPage updated = it == r.Pages.end() ? TPage{std::string(page), {}} : *it;
  for (const TComponentClass& c : classes) {
    bool known = std::any_of(updated.Classes.begin(), updated.Classes.end(),
                             [&](const TComponentClass& k) { return k.Name == c.Name; });
    if (!known) updated.Classes.push_back(c);
  }
  if (it == r.Pages.end()) {
    r.Pages.push_back(std::move(updated));
  } else {
    *it = std::move(updated);
  }
}

}  // namespace

void RegisterComponents(std::string_view page, std::initializer_list<TComponentClass> classes) {
  Register(page, classes);
}

void RegisterComponents(std::string_view page, const std::vector<TComponentClass>& classes) {
  Register(page, classes);
}

std::vector<TComponentClass> RegisteredClasses(std::string_view page) {
  TRegistry& r = Registry();
  std::lock_guard lock(r.Mutex);
  for (const TPage& p : r.Pages) {
    if (p.Name == page) return p.Classes;
  }
  return {};
}

std::vector<std::string> RegisteredPages() {
  TRegistry& r = Registry();
  std::lock_guard lock(r.Mutex);
  std::vector<std::string> names;
  for (const TPage& p : r.Pages) names.push_back(p.Name);
  return names;
}

std::optional<TComponentClass> FindComponentClass(std::string_view className) {
  TRegistry& r = Registry();
  std::lock_guard lock(r.Mutex);
  for (const TPage& p : r.Pages) {
    for (const TComponentClass& c : p.Classes) {
      if (c.Name == className) return c;
    }
  }
  return std::nullopt;
}

}  // namespace ecplatform
