#include "ECPlatform/Component.h"

#include <algorithm>
#include <stdexcept>

#include "ECPlatform/Properties.h"

namespace ecplatform {

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->Insert(this);
  owner_ = owner;
}

TComponent::~TComponent() {
  // Delete owned components, newest first. Each is taken off the list before it is deleted,
  // so its own destructor finds no owner to notify. The lock is not held while a component is
  // deleted: its destructor takes its own lock, and a derived destructor may do anything.
  for (;;) {
    TComponent* child = nullptr;
    {
      const std::lock_guard lock(ownedMutex_);
      if (components_.empty()) break;
      child = components_.back();
      components_.pop_back();
      child->owner_ = nullptr;
    }
    delete child;
  }
  if (owner_ != nullptr) owner_->Remove(this);
}

const TPropertyList& TComponent::PublishedProperties() const {
  static const TPropertyList none;
  return none;
}

bool TComponent::IsValidName(std::string_view name) {
  if (name.empty()) return true;
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (!letter(name.front())) return false;
  return std::all_of(name.begin(), name.end(), [&](char c) { return letter(c) || digit(c); });
}

void TComponent::SetName(std::string_view name) {
  if (name == name_) return;
  if (!IsValidName(name)) {
    throw std::invalid_argument("'" + std::string(name) + "' is not a valid component name");
  }
  if (owner_ == nullptr) {
    name_ = name;
    return;
  }
  // The check and the change under one lock: two siblings renamed at once on two threads
  // cannot both take the same name.
  const std::lock_guard lock(owner_->ownedMutex_);
  if (owner_->FindOwned(name) != nullptr) {
    throw std::invalid_argument("a component named '" + std::string(name) + "' already exists");
  }
  name_ = name;
}

std::size_t TComponent::ComponentCount() const {
  const std::lock_guard lock(ownedMutex_);
  return components_.size();
}

TComponent* TComponent::Component(std::size_t index) const {
  const std::lock_guard lock(ownedMutex_);
  return components_.at(index);
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  const std::lock_guard lock(ownedMutex_);
  return FindOwned(name);
}

TComponent* TComponent::FindOwned(std::string_view name) const noexcept {
  if (name.empty()) return nullptr;
  auto it = std::find_if(components_.begin(), components_.end(),
                         [&](const TComponent* c) { return c->name_ == name; });
  return it == components_.end() ? nullptr : *it;
}

void TComponent::Insert(TComponent* component) {
  const std::lock_guard lock(ownedMutex_);
  components_.push_back(component);
}

void TComponent::Remove(TComponent* component) noexcept {
  const std::lock_guard lock(ownedMutex_);
  auto it = std::find(components_.begin(), components_.end(), component);
  if (it != components_.end()) components_.erase(it);
}

}  // namespace ecplatform
