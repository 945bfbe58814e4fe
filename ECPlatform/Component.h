#pragma once
// TComponent: the base of every component, with an owner, a name and published properties.
//
// Ownership: a component constructed with a non-null owner is owned by it. Create owned
// components with `new T(owner)` and do not delete them yourself unless you mean to: destroying
// the owner deletes every component it still owns (last created first), and a component that is
// destroyed before its owner takes itself off the owner's list, so each component is deleted
// exactly once on every path. A component constructed without an owner belongs to whoever made
// it (hold it in a std::unique_ptr or as an automatic object).
//
// If a derived constructor throws, the base destructor runs and takes the half-built component
// off its owner's list again, so a failed `new T(owner)` leaves the owner unchanged.
//
// A component is neither copyable nor movable: its address is what its owner holds.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ecplatform {

class TPropertyList;

class TComponent {
 public:
  explicit TComponent(TComponent* owner = nullptr);
  virtual ~TComponent();

  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  // The class name as streams and the palette registry show it.
  static std::string_view StaticClassName() { return "TComponent"; }
  virtual std::string_view ClassName() const { return StaticClassName(); }

  // The published properties of the component's class, in their declared order. The base
  // class publishes none. Derived classes return a static table (see Properties.h).
  virtual const TPropertyList& PublishedProperties() const;

  const std::string& Name() const { return name_; }
  // A name is empty or an identifier (a letter or '_', then letters, digits or '_'), and no two
  // components of one owner share a non-empty name. Throws std::invalid_argument otherwise,
  // leaving the name unchanged.
  void SetName(std::string_view name);

  TComponent* Owner() const { return owner_; }
  std::size_t ComponentCount() const { return components_.size(); }
  // The owned components in the order they were created; index < ComponentCount().
  TComponent* Component(std::size_t index) const { return components_.at(index); }
  // The owned component with this name, or nullptr. The empty name finds nothing.
  TComponent* FindComponent(std::string_view name) const;

  static bool IsValidName(std::string_view name);

 private:
  void Insert(TComponent* component);
  void Remove(TComponent* component) noexcept;

  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<TComponent*> components_;
};

}  // namespace ecplatform
