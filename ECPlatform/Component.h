#pragma once
// Support of the component's interface: TEllipticCurve (ECCrypt/ECCrypt.h) derives from
// TComponent. Program against what ECCrypt.h and ECCrypt/api.h declare.
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
//
// Threads: one component is used by one thread at a time (calls on one component from two
// threads at once race, as on any standard container). Components of one owner may be created,
// renamed, used and destroyed on different threads at once: the owner's list of its components,
// and the names compared against it, are guarded by a lock the owner holds. Destroying the
// owner deletes the components it still owns, so it must come after every other thread has
// finished with them.
//
// Exceptions: SetName throws std::invalid_argument for a name it refuses, Component throws
// std::out_of_range for an index past the end, and creating a component with an owner may throw
// std::bad_alloc. Every other member never throws.
#include <cstddef>
#include <mutex>
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
  std::size_t ComponentCount() const;
  // The owned components in the order they were created; index < ComponentCount().
  TComponent* Component(std::size_t index) const;
  // The owned component with this name, or nullptr. The empty name finds nothing.
  TComponent* FindComponent(std::string_view name) const;

  static bool IsValidName(std::string_view name);

 private:
  void Insert(TComponent* component);
  void Remove(TComponent* component) noexcept;
  // FindComponent with ownedMutex_ already held.
  TComponent* FindOwned(std::string_view name) const noexcept;

  // Set at construction; cleared only by the owner's destructor, on the thread deleting it.
  TComponent* owner_ = nullptr;
  // Written under the owner's ownedMutex_ (when there is an owner), so that siblings comparing
  // names on other threads read it safely; the component's own thread reads it freely.
  std::string name_;
  // Guards components_ and every owned component's name_.
  mutable std::mutex ownedMutex_;
  std::vector<TComponent*> components_;
};

}  // namespace ecplatform
