#pragma once
// Internal: part of the library's implementation, installed only because other installed
// headers may include it; not an interface to program against, and it may change in any release.
// Published properties: a description that a component class declares once, as a static table,
// and that streaming and tools use to read and write the properties of any instance.
//
// A class lists its properties in the order they are to be streamed:
//
//   const ecplatform::TPropertyList& TThing::PublishedProperties() const {
//     static const ecplatform::TPropertyList list{
//         ecplatform::StringProperty<TThing>("Caption", &TThing::Caption, &TThing::SetCaption),
//         ecplatform::BooleanProperty<TThing>("Enabled", &TThing::Enabled, &TThing::SetEnabled),
//     };
//     return list;
//   }
//
// Getters and setters go through the class's own accessors; applied to a component of another
// class they throw std::invalid_argument.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "ECPlatform/Component.h"

namespace ecplatform {

enum class TPropertyKind { String, Boolean, Enumeration, Integer };

// A property value: the text of a String, the flag of a Boolean, the ordinal of an Enumeration
// or the number of an Integer.
using TPropertyValue = std::variant<std::string, bool, std::int64_t>;

struct TPropertyInfo {
  std::string Name;
  TPropertyKind Kind = TPropertyKind::String;
  std::vector<std::string> EnumNames;  // Enumeration: the name of each ordinal, from 0
  std::int64_t Min = 0, Max = 0;       // Integer: the range the setter accepts
  bool Stored = true;                  // written by streaming unless a caller picks properties
  std::function<TPropertyValue(const TComponent&)> Get;
  // Takes a value of the property's kind (an Enumeration ordinal below EnumNames.size()).
  std::function<void(TComponent&, const TPropertyValue&)> Set;
};

// The properties of one class, in declared order, with unique identifier names.
class TPropertyList {
 public:
  TPropertyList() = default;
  // Throws std::invalid_argument for a name that is not an identifier (or is "end"), a repeated
  // name, an Enumeration without names or a property without getter or setter.
  TPropertyList(std::initializer_list<TPropertyInfo> properties);

  std::size_t size() const { return properties_.size(); }
  bool empty() const { return properties_.empty(); }
  const TPropertyInfo& operator[](std::size_t i) const { return properties_.at(i); }
  auto begin() const { return properties_.begin(); }
  auto end() const { return properties_.end(); }

  // The property with exactly this name, or nullptr.
  const TPropertyInfo* Find(std::string_view name) const;

 private:
  std::vector<TPropertyInfo> properties_;
};

namespace detail {

[[noreturn]] void ThrowWrongClass(std::string_view property);

template <class C>
const C& As(const TComponent& component, std::string_view property) {
  const C* p = dynamic_cast<const C*>(&component);
  if (p == nullptr) ThrowWrongClass(property);
  return *p;
}

template <class C>
C& As(TComponent& component, std::string_view property) {
  C* p = dynamic_cast<C*>(&component);
  if (p == nullptr) ThrowWrongClass(property);
  return *p;
}

// An Enumeration ordinal outside 0..count-1 throws std::out_of_range.
std::int64_t CheckOrdinal(const TPropertyValue& value, std::size_t count, std::string_view name);
// An Integer outside min..max throws std::out_of_range.
std::int64_t CheckRange(const TPropertyValue& value, std::int64_t min, std::int64_t max,
                        std::string_view name);

// A property whose value is held in the variant as a T (std::string or bool) as it is.
template <class C, class T, TPropertyKind Kind, class Getter, class Setter>
TPropertyInfo PlainProperty(std::string name, Getter get, Setter set, bool stored) {
  TPropertyInfo info;
  info.Name = name;
  info.Kind = Kind;
  info.Stored = stored;
  info.Get = [get, name](const TComponent& c) -> TPropertyValue {
    return static_cast<T>(std::invoke(get, As<C>(c, name)));
  };
  info.Set = [set, name](TComponent& c, const TPropertyValue& v) {
    std::invoke(set, As<C>(c, name), std::get<T>(v));
  };
  return info;
}

}  // namespace detail

template <class C, class Getter, class Setter>
TPropertyInfo StringProperty(std::string name, Getter get, Setter set, bool stored = true) {
  return detail::PlainProperty<C, std::string, TPropertyKind::String>(std::move(name), get, set,
                                                                      stored);
}

template <class C, class Getter, class Setter>
TPropertyInfo BooleanProperty(std::string name, Getter get, Setter set, bool stored = true) {
  return detail::PlainProperty<C, bool, TPropertyKind::Boolean>(std::move(name), get, set, stored);
}

template <class C, class Getter, class Setter>
TPropertyInfo IntegerProperty(std::string name, Getter get, Setter set, bool stored = true) {
  TPropertyInfo info;
  info.Name = name;
  info.Kind = TPropertyKind::Integer;
  info.Stored = stored;
  // The range of the getter's type, narrowed to what a 64-bit signed number holds.
  using Arg = std::remove_cvref_t<decltype(std::invoke(get, std::declval<const C&>()))>;
  static_assert(std::is_integral_v<Arg> && !std::is_same_v<Arg, bool>);
  info.Min = std::is_signed_v<Arg> ? static_cast<std::int64_t>(std::numeric_limits<Arg>::min()) : 0;
  info.Max =
      std::cmp_greater(std::numeric_limits<Arg>::max(), std::numeric_limits<std::int64_t>::max())
          ? std::numeric_limits<std::int64_t>::max()
          : static_cast<std::int64_t>(std::numeric_limits<Arg>::max());
  info.Get = [get, name](const TComponent& c) -> TPropertyValue {
    return static_cast<std::int64_t>(std::invoke(get, detail::As<C>(c, name)));
  };
  info.Set = [set, name, min = info.Min, max = info.Max](TComponent& c, const TPropertyValue& v) {
    std::int64_t value = detail::CheckRange(v, min, max, name);
    std::invoke(set, detail::As<C>(c, name), static_cast<Arg>(value));
  };
  return info;
}

// E is an enumeration whose ordinals 0..names.size()-1 are named, in order, by names.
template <class C, class E, class Getter, class Setter>
TPropertyInfo EnumerationProperty(std::string name, std::vector<std::string> names, Getter get,
                                  Setter set, bool stored = true) {
  static_assert(std::is_enum_v<E>);
  TPropertyInfo info;
  info.Name = name;
  info.Kind = TPropertyKind::Enumeration;
  info.EnumNames = std::move(names);
  info.Stored = stored;
  info.Get = [get, name](const TComponent& c) -> TPropertyValue {
    E value = std::invoke(get, detail::As<C>(c, name));
    return static_cast<std::int64_t>(value);
  };
  std::size_t count = info.EnumNames.size();
  info.Set = [set, name, count](TComponent& c, const TPropertyValue& v) {
    std::int64_t ordinal = detail::CheckOrdinal(v, count, name);
    std::invoke(set, detail::As<C>(c, name), static_cast<E>(ordinal));
  };
  return info;
}

}  // namespace ecplatform
