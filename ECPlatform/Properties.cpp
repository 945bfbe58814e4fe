#include "ECPlatform/Properties.h"

#include <stdexcept>

namespace ecplatform {

TPropertyList::TPropertyList(std::initializer_list<TPropertyInfo> properties)
    : properties_(properties) {
  for (std::size_t i = 0; i < properties_.size(); ++i) {
    const TPropertyInfo& p = properties_[i];
    // "end" closes a component in a stream, so it cannot name a property.
    if (p.Name.empty() || !TComponent::IsValidName(p.Name) || p.Name == "end") {
      throw std::invalid_argument("'" + p.Name + "' is not a valid property name");
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (properties_[j].Name == p.Name) {
        throw std::invalid_argument("property '" + p.Name + "' is declared twice");
      }
    }
    if (p.Kind == TPropertyKind::Enumeration) {
      if (p.EnumNames.empty()) {
        throw std::invalid_argument("enumeration property '" + p.Name + "' has no names");
      }
      for (const std::string& n : p.EnumNames) {
        if (n.empty() || !TComponent::IsValidName(n)) {
          throw std::invalid_argument("'" + n + "' is not a valid enumeration name");
        }
      }
    }
    if (p.Kind == TPropertyKind::Integer && p.Min > p.Max) {
      throw std::invalid_argument("integer property '" + p.Name + "' has an empty range");
    }
    if (!p.Get || !p.Set) {
      throw std::invalid_argument("property '" + p.Name + "' lacks a getter or a setter");
    }
  }
}

const TPropertyInfo* TPropertyList::Find(std::string_view name) const {
  for (const TPropertyInfo& p : properties_) {
    if (p.Name == name) return &p;
  }
  return nullptr;
}

namespace detail {

void ThrowWrongClass(std::string_view property) {
  throw std::invalid_argument("property '" + std::string(property) +
                              "' does not belong to this component's class");
}

std::int64_t CheckOrdinal(const TPropertyValue& value, std::size_t count, std::string_view name) {
  std::int64_t ordinal = std::get<std::int64_t>(value);
  if (ordinal < 0 || static_cast<std::uint64_t>(ordinal) >= count) {
    throw std::out_of_range("ordinal " + std::to_string(ordinal) + " is out of range for '" +
                            std::string(name) + "'");
  }
  return ordinal;
}

std::int64_t CheckRange(const TPropertyValue& value, std::int64_t min, std::int64_t max,
                        std::string_view name) {
  std::int64_t v = std::get<std::int64_t>(value);
  if (v < min || v > max) {
    throw std::out_of_range(std::to_string(v) + " is out of range for '" + std::string(name) + "'");
  }
  return v;
}

}  // namespace detail
}  // namespace ecplatform
