// The object model shared by every component: TObject (class names that code may compare),
// TPersistent (Assign between compatible objects) and TComponent (ownership by an owner
// component, names, and notification of linked components when one of them goes away).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace bexlo {

class TObject {
 public:
  virtual ~TObject() = default;
  // The class's own name ("TReportVar", "TParamList", ...); every class that code tells apart by
  // name overrides it.
  virtual std::string_view ClassName() const noexcept { return "TObject"; }
};

class TPersistent : public TObject {
 public:
  // Copies source's state into this object. The default lets the source try (AssignTo) and
  // raises EConvertError "Cannot assign a X to a Y" when neither side knows the other.
  virtual void Assign(const TPersistent* source);
  std::string_view ClassName() const noexcept override { return "TPersistent"; }

 protected:
  virtual void AssignTo(TPersistent* dest) const;
};

// The plain event of every component: the sender is the object that raises it.
using TNotifyEvent = std::function<void(TObject* sender)>;

enum class TOperation { opInsert, opRemove };

// Component state flags (a bit set).
enum TComponentStateFlag : unsigned {
  csLoading = 1u << 0,
  csReading = 1u << 1,
  csWriting = 1u << 2,
  csDestroying = 1u << 3,
  csDesigning = 1u << 4,
};
using TComponentState = unsigned;

// A component is owned by its owner, which destroys it; components that link to one another
// ask for a free notification and forget the link when Notification(x, opRemove) arrives.
class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* owner = nullptr);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  std::string_view ClassName() const noexcept override { return "TComponent"; }

  TComponent* Owner() const noexcept { return owner_; }
  const std::string& Name() const noexcept { return name_; }
  // Names are unique among the owner's components (compared ignoring ASCII case).
  void SetName(const std::string& name);

  int ComponentCount() const noexcept { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const;
  TComponent* FindComponent(std::string_view name) const;
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  void DestroyComponents();

  // Asks that `component` hears Notification(this, opRemove) when this component goes away
  // (both directions are kept, so either side may go first).
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  TComponentState ComponentState() const noexcept { return state_; }
  bool HasState(TComponentStateFlag flag) const noexcept { return (state_ & flag) != 0; }
  void SetDesigning(bool value);
  // Marks the start and end of loading stored properties; EndLoading calls Loaded().
  void BeginLoading();
  void EndLoading();

  std::intptr_t Tag = 0;

 protected:
  // Called when a component is inserted into or removed from this component's owner family,
  // and when a component this one asked to be notified about is destroyed.
  virtual void Notification(TComponent* component, TOperation operation);
  virtual void Loaded();
  void Destroying() noexcept { state_ |= csDestroying; }

 private:
  void InsertNotify(TComponent* component);
  void RemoveNotify(TComponent* component);
  void Insert(TComponent* component);
  void Remove(TComponent* component);
  void AddFreeNotify(TComponent* component);
  void DropFreeNotify(TComponent* component);

  TComponent* owner_ = nullptr;
  std::string name_;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> free_notifies_;
  TComponentState state_ = 0;
};

}  // namespace bexlo
