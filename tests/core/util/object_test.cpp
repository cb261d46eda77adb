#include "util/object.h"

#include <gtest/gtest.h>

#include "util/exceptions.h"

namespace bexlo {
namespace {

// A component that remembers the last linked component it was told about.
class Linker : public TComponent {
 public:
  using TComponent::TComponent;
  TComponent* link = nullptr;
  int removals = 0;

  void SetLink(TComponent* c) {
    link = c;
    if (c != nullptr) c->FreeNotification(this);
  }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove) {
      ++removals;
      if (component == link) link = nullptr;
    }
  }
};

TEST(TComponent, OwnerDestroysItsComponents) {
  auto* owner = new TComponent();
  auto* a = new Linker(owner);
  auto* b = new Linker(owner);
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(a->Owner(), owner);
  delete b;  // leaves the owner's list itself
  EXPECT_EQ(owner->ComponentCount(), 1);
  EXPECT_EQ(owner->Components(0), a);
  delete owner;  // frees a; ASan would report a leak or double free otherwise
}

TEST(TComponent, LinkedComponentForgetsARemovedPeer) {
  TComponent owner;
  auto* source = new TComponent(&owner);
  Linker user;  // not owned by the same owner: only the free notification tells it
  user.SetLink(source);
  delete source;
  EXPECT_EQ(user.link, nullptr);
  EXPECT_EQ(user.removals, 1);
}

TEST(TComponent, PeerDestroyedFirstLeavesNoDanglingNotification) {
  auto* source = new TComponent();
  auto* user = new Linker();
  user->SetLink(source);
  delete user;    // must unregister itself from source
  delete source;  // would call into freed memory if it did not
  SUCCEED();
}

TEST(TComponent, NamesAreUniqueAmongSiblingsIgnoringCase) {
  TComponent owner;
  auto* a = new TComponent(&owner);
  auto* b = new TComponent(&owner);
  a->SetName("Report1");
  EXPECT_EQ(owner.FindComponent("REPORT1"), a);
  EXPECT_THROW(b->SetName("report1"), EListError);
  EXPECT_TRUE(b->Name().empty());
  EXPECT_THROW(owner.Components(5), EListError);
}

TEST(TPersistent, AssignBetweenUnrelatedClassesRaisesConvertError) {
  TPersistent a;
  TComponent b;
  try {
    a.Assign(&b);
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TComponent to a TPersistent");
  }
}

}  // namespace
}  // namespace bexlo
