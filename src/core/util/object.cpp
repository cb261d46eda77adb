#include "util/object.h"

#include <algorithm>

#include "util/exceptions.h"
#include "util/messages.h"

namespace bexlo {

namespace {

bool SameAsciiText(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(x) == lower(y);
  });
}

std::string AssignErrorText(std::string_view source, std::string_view dest) {
  std::string text = msg::SAssignError;  // "Cannot assign a %s to a %s"
  const auto first = text.find("%s");
  text.replace(first, 2, source);
  const auto second = text.find("%s", first + source.size());
  text.replace(second, 2, dest);
  return text;
}

template <typename T>
void EraseValue(std::vector<T*>& list, T* value) {
  list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

}  // namespace

// ---- TPersistent --------------------------------------------------------------------------------

void TPersistent::Assign(const TPersistent* source) {
  if (source != nullptr) {
    source->AssignTo(this);
    return;
  }
  throw EConvertError(AssignErrorText("nil", ClassName()));
}

void TPersistent::AssignTo(TPersistent* dest) const {
  throw EConvertError(AssignErrorText(ClassName(), dest->ClassName()));
}

// ---- TComponent ---------------------------------------------------------------------------------

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  // Tell every linked component that this one is going away; each forgets its link.
  while (!free_notifies_.empty()) {
    TComponent* peer = free_notifies_.back();
    free_notifies_.pop_back();
    EraseValue(peer->free_notifies_, this);
    peer->Notification(this, TOperation::opRemove);
  }
  DestroyComponents();
  if (owner_ != nullptr) owner_->RemoveComponent(this);
}

void TComponent::SetName(const std::string& name) {
  if (name == name_) return;
  if (owner_ != nullptr && !name.empty()) {
    TComponent* other = owner_->FindComponent(name);
    if (other != nullptr && other != this) {
      std::string text = msg::SDuplicateName;
      text.replace(text.find("%s"), 2, name);
      throw EListError(text);
    }
  }
  name_ = name;
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) {
    std::string text = msg::SListIndexError;
    text.replace(text.find("%d"), 2, std::to_string(index));
    throw EListError(text);
  }
  return components_[static_cast<size_t>(index)];
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_) {
    if (SameAsciiText(c->name_, name)) return c;
  }
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (component == nullptr || component->owner_ == this) return;
  if (component->owner_ != nullptr) component->owner_->RemoveComponent(component);
  Insert(component);
  InsertNotify(component);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (component == nullptr || component->owner_ != this) return;
  RemoveNotify(component);
  Remove(component);
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* child = components_.back();
    Remove(child);
    delete child;
  }
}

void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this) return;
  AddFreeNotify(component);
  component->AddFreeNotify(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (component == nullptr) return;
  DropFreeNotify(component);
  component->DropFreeNotify(this);
}

void TComponent::SetDesigning(bool value) {
  if (value) {
    state_ |= csDesigning;
  } else {
    state_ &= ~static_cast<unsigned>(csDesigning);
  }
  for (TComponent* c : components_) c->SetDesigning(value);
}

void TComponent::BeginLoading() { state_ |= csLoading; }

void TComponent::EndLoading() {
  state_ &= ~static_cast<unsigned>(csLoading);
  Loaded();
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == TOperation::opRemove && component != nullptr) {
    EraseValue(free_notifies_, component);
  }
}

void TComponent::Loaded() {}

void TComponent::InsertNotify(TComponent* component) {
  Notification(component, TOperation::opInsert);
  for (TComponent* c : components_) {
    if (c != component) c->Notification(component, TOperation::opInsert);
  }
}

void TComponent::RemoveNotify(TComponent* component) {
  Notification(component, TOperation::opRemove);
  // Copy: a notified component may remove itself from the list.
  const std::vector<TComponent*> siblings = components_;
  for (TComponent* c : siblings) {
    if (c != component) c->Notification(component, TOperation::opRemove);
  }
}

void TComponent::Insert(TComponent* component) {
  components_.push_back(component);
  component->owner_ = this;
}

void TComponent::Remove(TComponent* component) {
  EraseValue(components_, component);
  component->owner_ = nullptr;
}

void TComponent::AddFreeNotify(TComponent* component) {
  if (std::find(free_notifies_.begin(), free_notifies_.end(), component) == free_notifies_.end()) {
    free_notifies_.push_back(component);
  }
}

void TComponent::DropFreeNotify(TComponent* component) { EraseValue(free_notifies_, component); }

}  // namespace bexlo
