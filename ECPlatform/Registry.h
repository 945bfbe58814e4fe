#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// The palette registry: which component classes each named page offers, and how to make one.
// Process-wide and safe to use from several threads at once.
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ECPlatform/Component.h"

namespace ecplatform {

// Makes a new component of one class. With a non-null owner the component is also owned by it:
// call release() on the result to leave it with its owner (or keep the pointer; a component
// destroyed first takes itself off its owner's list).
using TComponentFactory = std::unique_ptr<TComponent> (*)(TComponent* owner);

struct TComponentClass {
  std::string Name;  // the class name, e.g. "TThing"
  TComponentFactory Create = nullptr;
};

// The registry entry of a component class T: its StaticClassName() and a factory that makes
// `new T(owner)`.
template <class T>
TComponentClass ComponentClass() {
  return {std::string(T::StaticClassName()), [](TComponent* owner) -> std::unique_ptr<TComponent> {
            return std::make_unique<T>(owner);
          }};
}

// Adds the classes to the page, creating the page if needed. A class already on the page (by
// name) stays once, with its first factory. Throws std::invalid_argument, registering nothing,
// for an empty page name, a class name that is not an identifier or a missing factory.
void RegisterComponents(std::string_view page, std::initializer_list<TComponentClass> classes);
void RegisterComponents(std::string_view page, const std::vector<TComponentClass>& classes);

// The classes on a page in the order they were first registered; empty for an unknown page.
std::vector<TComponentClass> RegisteredClasses(std::string_view page);
// The pages in the order they were created.
std::vector<std::string> RegisteredPages();
// The class of that name on whichever page registered it first.
std::optional<TComponentClass> FindComponentClass(std::string_view className);

}  // namespace ecplatform
