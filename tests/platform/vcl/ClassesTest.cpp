#include "platform/vcl/Classes.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Exception.h"

using namespace vcl;

namespace {

using Log = std::vector<std::string>;

// A component that records what happens to it, and can hold a pointer to another component
// that it clears when that one goes away.
class TTracked : public TComponent {
  VCL_DECLARE_COMPONENT(TTracked)
 public:
  explicit TTracked(TComponent* owner) : TComponent(owner) {}
  ~TTracked() override {
    if (log) log->push_back("destroy " + Name());
    if (ownerSeenDestroying)
      *ownerSeenDestroying = Owner() && (Owner()->ComponentState() & csDestroying);
  }

  // Watches `other`: a free notification clears the pointer.
  void Watch(TTracked* other) {
    if (watched) watched->RemoveFreeNotification(this);
    watched = other;
    if (other) other->FreeNotification(this);
  }

  Log* log = nullptr;
  bool* ownerSeenDestroying = nullptr;
  TTracked* watched = nullptr;
  // Freed from within a removal notification, to test notifications that free components.
  TComponent* freeOnRemove = nullptr;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (log)
      log->push_back(Name() + (operation == TOperation::opInsert ? " insert " : " remove ") +
                     component->Name());
    if (operation == TOperation::opRemove) {
      if (component == watched) watched = nullptr;
      if (freeOnRemove && component != freeOnRemove) {
        TComponent* victim = freeOnRemove;
        freeOnRemove = nullptr;
        delete victim;
      }
    }
  }
  void Loaded() override {
    TComponent::Loaded();
    if (log)
      log->push_back("loaded " + Name() +
                     ((ComponentState() & (csLoading | csReading)) ? " (still loading)" : ""));
  }
};

VCL_IMPLEMENT_COMPONENT(TTracked, TComponent)
void TTracked::Publish(TPublisher&) {}

// An abstract component class: no creator.
class TAbstractPart : public TComponent {
  VCL_DECLARE_COMPONENT(TAbstractPart)
 public:
  explicit TAbstractPart(TComponent* owner) : TComponent(owner) {}
};
VCL_IMPLEMENT_ABSTRACT_COMPONENT(TAbstractPart, TComponent)
void TAbstractPart::Publish(TPublisher&) {}

// Persistent classes for Assign: a point copies from points, and a "polar" source knows how
// to copy itself into a point (through AssignTo).
class TPoint3 : public TPersistent {
  VCL_DECLARE_PERSISTENT(TPoint3)
 public:
  int x = 0, y = 0, z = 0;
  void Assign(const TPersistent* source) override {
    if (auto* p = dynamic_cast<const TPoint3*>(source)) {
      x = p->x;
      y = p->y;
      z = p->z;
      return;
    }
    TPersistent::Assign(source);
  }
};
VCL_IMPLEMENT_PERSISTENT(TPoint3, TPersistent)
void TPoint3::Publish(TPublisher&) {}

class TAxisValue : public TPersistent {
  VCL_DECLARE_PERSISTENT(TAxisValue)
 public:
  int value = 0;

 protected:
  void AssignTo(TPersistent* dest) const override {
    if (auto* p = dynamic_cast<TPoint3*>(dest)) {
      p->x = p->y = p->z = value;
      return;
    }
    TPersistent::AssignTo(dest);
  }
};
VCL_IMPLEMENT_PERSISTENT(TAxisValue, TPersistent)
void TAxisValue::Publish(TPublisher&) {}

template <typename E, typename Action>
void ExpectRaises(Action&& action, const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "no exception, expected: " << message;
  } catch (const E& e) {
    EXPECT_EQ(e.Message(), message);
  } catch (const std::exception& e) {
    ADD_FAILURE() << "unexpected exception " << e.what() << ", expected: " << message;
  }
}

TTracked* Make(TComponent* owner, const char* name, Log* log = nullptr) {
  auto* c = new TTracked(owner);
  c->SetName(name);
  c->log = log;
  return c;
}

}  // namespace

TEST(ClassesClass, ChainAndNames) {
  TTracked c(nullptr);
  EXPECT_STREQ(c.ClassName(), "TTracked");
  std::vector<std::string> chain;
  for (const TClass* cls = c.ClassType(); cls; cls = cls->ClassParent())
    chain.push_back(cls->ClassName());
  EXPECT_EQ(chain, (std::vector<std::string>{"TTracked", "TComponent", "TPersistent", "TObject"}));
  EXPECT_TRUE(c.InheritsFrom("tcomponent"));
  EXPECT_TRUE(c.InheritsFrom("TOBJECT"));
  EXPECT_TRUE(c.InheritsFrom(TPersistent::StaticClass()));
  EXPECT_FALSE(c.InheritsFrom("TCollection"));
  EXPECT_FALSE(TComponent::StaticClass()->InheritsFrom(TTracked::StaticClass()));
  EXPECT_EQ(TPersistent::StaticClass()->GetCreator(), nullptr);
  EXPECT_EQ(TAbstractPart::StaticClass()->GetCreator(), nullptr);
}

TEST(ClassesClass, RegisterFindAndCreateWithOwner) {
  RegisterClass(TTracked::StaticClass());
  EXPECT_EQ(GetClass("ttracked"), TTracked::StaticClass());
  EXPECT_EQ(FindClass("TTRACKED"), TTracked::StaticClass());
  ExpectRaises<EClassNotFound>([] { FindClass("TNoSuchThing"); }, "Class TNoSuchThing not found");
  EXPECT_EQ(GetClass("TNoSuchThing"), nullptr);

  TComponent owner(nullptr);
  TObject* made = GetClass("TTracked")->GetCreator()(&owner);
  ASSERT_NE(made, nullptr);
  EXPECT_STREQ(made->ClassName(), "TTracked");
  auto* component = dynamic_cast<TTracked*>(made);
  ASSERT_NE(component, nullptr);
  EXPECT_EQ(component->Owner(), &owner);
  ASSERT_EQ(owner.ComponentCount(), 1);
  EXPECT_EQ(owner.Components(0), component);
  // Created without an owner it is free-standing.
  std::unique_ptr<TObject> loose(TComponent::StaticClass()->GetCreator()(nullptr));
  EXPECT_EQ(static_cast<TComponent*>(loose.get())->Owner(), nullptr);

  UnRegisterClass(TTracked::StaticClass());
  EXPECT_EQ(GetClass("TTracked"), nullptr);
  EXPECT_THROW(FindClass("TTracked"), EClassNotFound);
  // The owner frees what the creator made.
}

TEST(ClassesPersistent, AssignThroughAssignToOrRaise) {
  TPoint3 a, b;
  a.x = 1, a.y = 2, a.z = 3;
  b.Assign(&a);
  EXPECT_EQ(b.x + b.y * 10 + b.z * 100, 321);

  TAxisValue axis;
  axis.value = 7;
  b.Assign(&axis);  // the point does not know the source: the source copies itself
  EXPECT_EQ(b.x, 7);
  EXPECT_EQ(b.z, 7);

  ExpectRaises<EConvertError>([&] { b.Assign(nullptr); }, "Cannot assign a nil to a TPoint3");
  ExpectRaises<EConvertError>([&] { axis.Assign(&a); }, "Cannot assign a TPoint3 to a TAxisValue");
  TComponent component(nullptr);
  ExpectRaises<EConvertError>([&] { component.Assign(&axis); },
                              "Cannot assign a TAxisValue to a TComponent");
  EXPECT_EQ(axis.value, 7);
}

TEST(ClassesComponent, OwnerFreesOwnedLastCreatedFirst) {
  Log log;
  auto* owner = Make(nullptr, "Owner", nullptr);
  TTracked* a = Make(owner, "A", &log);
  Make(owner, "B", &log);
  Make(owner, "C", &log);
  bool sawDestroying = false;
  a->ownerSeenDestroying = &sawDestroying;
  ASSERT_EQ(owner->ComponentCount(), 3);
  EXPECT_EQ(owner->Components(2)->Name(), "C");
  EXPECT_EQ(a->ComponentIndex(), 0);
  ExpectRaises<EListError>([&] { owner->Components(3); }, "List index out of bounds (3)");
  ExpectRaises<EListError>([&] { owner->Components(-1); }, "List index out of bounds (-1)");

  log.clear();
  delete owner;
  // Each one is freed while its remaining older siblings hear of it.
  EXPECT_EQ(log,
            (Log{"destroy C", "A remove C", "B remove C", "destroy B", "A remove B", "destroy A"}));
  EXPECT_TRUE(sawDestroying);
}

TEST(ClassesComponent, FreeingAnOwnedComponentLeavesItsOwner) {
  Log log;
  TComponent owner(nullptr);
  TTracked* a = Make(&owner, "A", &log);
  TTracked* b = Make(&owner, "B", &log);
  TTracked* c = Make(&owner, "C", &log);
  log.clear();
  b->Free();
  // The component's own destructor runs first; then its siblings hear of the removal.
  EXPECT_EQ(log, (Log{"destroy B", "A remove B", "C remove B"}));
  ASSERT_EQ(owner.ComponentCount(), 2);
  EXPECT_EQ(owner.Components(0), a);
  EXPECT_EQ(owner.Components(1), c);
  EXPECT_EQ(c->ComponentIndex(), 1);
  EXPECT_EQ(owner.FindComponent("B"), nullptr);
}

TEST(ClassesComponent, InsertAndRemoveNotifyTheOwnedComponents) {
  Log log;
  TTracked owner(nullptr);
  owner.SetName("Owner");
  owner.log = &log;
  TTracked* a = Make(&owner, "A", &log);
  log.clear();
  auto* b = new TTracked(nullptr);
  b->SetName("B");
  b->log = &log;
  owner.InsertComponent(b);
  EXPECT_EQ(log, (Log{"A insert B", "B insert B", "Owner insert B"}));
  log.clear();
  owner.RemoveComponent(b);
  EXPECT_EQ(b->Owner(), nullptr);
  EXPECT_EQ(owner.ComponentCount(), 1);
  // The removed component is still listed while the owned components hear of it.
  EXPECT_EQ(log, (Log{"A remove B", "B remove B", "Owner remove B"}));
  delete b;  // not owned any more

  // Inserting into another owner moves the component.
  TComponent other(nullptr);
  other.InsertComponent(a);
  EXPECT_EQ(a->Owner(), &other);
  EXPECT_EQ(owner.ComponentCount(), 0);
  EXPECT_EQ(other.FindComponent("a"), a);
}

TEST(ClassesComponent, FreeNotificationClearsHeldPointers) {
  Log log;  // outlives the forms, whose components may still write to it
  TComponent formA(nullptr), formB(nullptr);
  // A watcher on one form holding a component on another form.
  TTracked* watcher = Make(&formA, "Watcher");
  TTracked* target = Make(&formB, "Target");
  watcher->Watch(target);
  delete target;
  EXPECT_EQ(watcher->watched, nullptr);

  // The watcher goes first: the target must not call it later.
  target = Make(&formB, "Target");
  watcher->Watch(target);
  delete watcher;
  delete target;  // AddressSanitizer reports a use after free if the link survived

  // A removed link is silent.
  watcher = Make(&formA, "Watcher");
  target = Make(&formB, "Target");
  watcher->Watch(target);
  TTracked* stale = target;
  target->RemoveFreeNotification(watcher);
  delete target;
  EXPECT_EQ(watcher->watched, stale);
  watcher->watched = nullptr;

  // Asking twice links once; the component itself is never its own client.
  target = Make(&formB, "Target");
  watcher->log = &log;
  target->FreeNotification(watcher);
  target->FreeNotification(watcher);
  target->FreeNotification(target);
  delete target;
  EXPECT_EQ(log, Log{"Watcher remove Target"});
}

TEST(ClassesComponent, NotificationHandlerMayFreeAnotherClient) {
  TComponent formA(nullptr), formB(nullptr);
  TTracked* target = Make(&formB, "Target");
  TTracked* first = Make(&formA, "First");
  TTracked* second = Make(&formA, "Second");
  second->Watch(target);
  first->Watch(target);
  // Whichever hears first frees the other watcher; nothing may touch the freed one.
  first->freeOnRemove = second;
  second->freeOnRemove = first;
  delete target;
  EXPECT_EQ(formA.ComponentCount(), 1);
  auto* survivor = static_cast<TTracked*>(formA.Components(0));
  EXPECT_EQ(survivor->watched, nullptr);
}

TEST(ClassesComponent, NamesAreIdentifiersAndUniqueAmongSiblings) {
  TComponent owner(nullptr);
  auto* c = new TComponent(&owner);
  for (const char* good : {"Button1", "_x", "a_1", "Z", ""}) {
    c->SetName(good);
    EXPECT_EQ(c->Name(), good);
  }
  for (const char* bad : {"1abc", "a b", "a-b", "\xC3\xA9t\xC3\xA9", "x.y", " x"}) {
    ExpectRaises<EComponentError>([&] { c->SetName(bad); }, std::string("Component name \"") + bad +
                                                                "\" is not a valid identifier");
    EXPECT_EQ(c->Name(), "");
  }

  c->SetName("Edit1");
  auto* d = new TComponent(&owner);
  ExpectRaises<EComponentError>([&] { d->SetName("EDIT1"); },
                                "A component named EDIT1 already exists");
  EXPECT_EQ(d->Name(), "");
  c->SetName("edit1");  // a new spelling of its own name is no clash
  EXPECT_EQ(owner.FindComponent("EDIT1"), c);
  EXPECT_EQ(owner.FindComponent(""), nullptr);  // unnamed components are never found
  d->SetName("Edit2");
  EXPECT_EQ(owner.FindComponent("edit2"), d);

  // Another owner, or none, may use the name.
  TComponent otherOwner(nullptr);
  TComponent e(&otherOwner);
  e.SetName("Edit1");
  TComponent loose(nullptr);
  loose.SetName("Edit1");

  // A named component cannot join an owner that already has the name.
  auto* clash = new TComponent(nullptr);
  clash->SetName("Edit2");
  ExpectRaises<EComponentError>([&] { owner.InsertComponent(clash); },
                                "A component named Edit2 already exists");
  EXPECT_EQ(clash->Owner(), nullptr);
  EXPECT_EQ(owner.ComponentCount(), 2);
  delete clash;

  // The name is published.
  SetPropAsString(d, "Name", "Edit3");
  EXPECT_EQ(d->Name(), "Edit3");
  EXPECT_THROW(SetPropAsString(d, "Name", "Edit1"), EComponentError);
}

TEST(ClassesComponent, EndLoadingClearsFlagsThenCallsLoaded) {
  Log log;
  TTracked root(nullptr);
  root.SetName("Root");
  root.log = &log;
  TTracked* a = Make(&root, "A", &log);
  TTracked* b = Make(&root, "B", &log);
  for (TComponent* c :
       {static_cast<TComponent*>(&root), static_cast<TComponent*>(a), static_cast<TComponent*>(b)})
    c->SetComponentState(csLoading | csReading);
  log.clear();
  root.EndLoading();
  EXPECT_EQ(log, (Log{"loaded Root", "loaded A", "loaded B"}));
  for (TComponent* c :
       {static_cast<TComponent*>(&root), static_cast<TComponent*>(a), static_cast<TComponent*>(b)})
    EXPECT_EQ(c->ComponentState() & (csLoading | csReading), 0) << c->Name();
}

// ---- collections ---------------------------------------------------------------------

namespace {

class TValueItem : public TCollectionItem {
  VCL_DECLARE_PERSISTENT(TValueItem)
 public:
  explicit TValueItem(TCollection* collection) : TCollectionItem(collection) {}
  int Value() const { return value_; }
  void SetValue(int v) {
    value_ = v;
    Changed();
  }
  void Assign(const TPersistent* source) override {
    if (auto* other = dynamic_cast<const TValueItem*>(source)) {
      value_ = other->value_;
      return;
    }
    TCollectionItem::Assign(source);
  }
  static TCollectionItem* Create(TCollection* c) { return new TValueItem(c); }

 private:
  int value_ = 0;
};
VCL_IMPLEMENT_PERSISTENT(TValueItem, TCollectionItem)
void TValueItem::Publish(TPublisher&) {}

class ClassesCollection : public ::testing::Test {
 protected:
  ClassesCollection() : list(&TValueItem::Create) {
    list.OnChange = TNotifyEvent::Lambda([this](TObject* sender) {
      EXPECT_EQ(sender, &list);
      ++changes;
    });
  }
  TValueItem* At(int i) { return static_cast<TValueItem*>(list.Items(i)); }
  std::vector<int> Values() {
    std::vector<int> v;
    for (int i = 0; i < list.Count(); ++i) v.push_back(At(i)->Value());
    return v;
  }
  void Fill(std::vector<int> values) {
    for (int v : values) static_cast<TValueItem*>(list.Add())->SetValue(v);
  }
  TCollection list;
  int changes = 0;
};

}  // namespace

TEST_F(ClassesCollection, AddInsertMoveDelete) {
  Fill({10, 20, 30});
  EXPECT_EQ(Values(), (std::vector<int>{10, 20, 30}));
  EXPECT_EQ(At(2)->Index(), 2);
  EXPECT_EQ(At(0)->Collection(), &list);
  static_cast<TValueItem*>(list.Insert(0))->SetValue(5);
  static_cast<TValueItem*>(list.Insert(4))->SetValue(40);
  EXPECT_EQ(Values(), (std::vector<int>{5, 10, 20, 30, 40}));

  At(0)->SetIndex(3);
  EXPECT_EQ(Values(), (std::vector<int>{10, 20, 30, 5, 40}));
  At(4)->SetIndex(0);
  EXPECT_EQ(Values(), (std::vector<int>{40, 10, 20, 30, 5}));

  list.Delete(1);
  EXPECT_EQ(Values(), (std::vector<int>{40, 20, 30, 5}));
  delete At(0);  // an item freed directly leaves the collection
  EXPECT_EQ(Values(), (std::vector<int>{20, 30, 5}));
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(ClassesCollection, IndexErrors) {
  Fill({1, 2, 3});
  for (int bad : {-1, 3, 100}) {
    std::string message = "List index out of bounds (" + std::to_string(bad) + ")";
    ExpectRaises<EListError>([&] { list.Items(bad); }, message);
    ExpectRaises<EListError>([&] { list.Delete(bad); }, message);
    ExpectRaises<EListError>([&] { At(0)->SetIndex(bad); }, message);
  }
  ExpectRaises<EListError>([&] { list.Insert(4); }, "List index out of bounds (4)");
  ExpectRaises<EListError>([&] { list.Insert(-1); }, "List index out of bounds (-1)");
  EXPECT_EQ(Values(), (std::vector<int>{1, 2, 3}));
}

TEST_F(ClassesCollection, ChangeEventsAndUpdateBlocks) {
  struct Row {
    const char* what;
    std::function<void()> action;
    int changes;
  } rows[] = {
      {"add", [&] { list.Add(); }, 1},
      {"item change", [&] { At(0)->SetValue(9); }, 1},
      {"move", [&] { At(0)->SetIndex(1); }, 1},
      {"move to same place", [&] { At(0)->SetIndex(0); }, 0},
      {"delete", [&] { list.Delete(0); }, 1},
      {"clear", [&] { list.Clear(); }, 1},
      {"clear empty", [&] { list.Clear(); }, 0},
      {"update block",
       [&] {
         list.BeginUpdate();
         Fill({1, 2, 3});
         list.BeginUpdate();
         At(1)->SetIndex(2);
         list.EndUpdate();
         EXPECT_EQ(changes, 0) << "inner EndUpdate must not fire";
         list.EndUpdate();
       },
       1},
      {"empty update block",
       [&] {
         list.BeginUpdate();
         list.EndUpdate();
       },
       0},
      {"unbalanced EndUpdate", [&] { list.EndUpdate(); }, 0},
  };
  Fill({1});
  for (const Row& r : rows) {
    changes = 0;
    r.action();
    EXPECT_EQ(changes, r.changes) << r.what;
  }
  EXPECT_EQ(Values(), (std::vector<int>{1, 3, 2}));
  // Changes still batch after the unbalanced EndUpdate.
  changes = 0;
  list.BeginUpdate();
  At(0)->SetValue(4);
  EXPECT_EQ(changes, 0);
  list.EndUpdate();
  EXPECT_EQ(changes, 1);
}

TEST_F(ClassesCollection, AssignCopiesItems) {
  Fill({1, 2, 3});
  TCollection copy(&TValueItem::Create);
  int copyChanges = 0;
  copy.OnChange = TNotifyEvent::Lambda([&](TObject*) { ++copyChanges; });
  copy.Add();
  copy.Assign(&list);
  EXPECT_EQ(copyChanges, 2);  // the Add above, then one for the whole Assign
  ASSERT_EQ(copy.Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(copy.Items(i), list.Items(i));
    EXPECT_EQ(copy.Items(i)->Collection(), &copy);
    EXPECT_EQ(static_cast<TValueItem*>(copy.Items(i))->Value(), i + 1);
  }
  At(0)->SetValue(100);
  EXPECT_EQ(static_cast<TValueItem*>(copy.Items(0))->Value(), 1);

  TPoint3 point;
  EXPECT_THROW(copy.Assign(&point), EConvertError);
  EXPECT_THROW(copy.Assign(nullptr), EConvertError);
  EXPECT_EQ(copy.Count(), 3);
  copy.Assign(&copy);  // assigning to itself keeps the items
  EXPECT_EQ(copy.Count(), 3);
}

TEST(ClassesCollectionLifetime, DestroyingFreesItemsWithoutEvents) {
  int changes = 0;
  {
    TCollection list(&TValueItem::Create);
    list.Add();
    list.Add();
    list.OnChange = TNotifyEvent::Lambda([&](TObject*) { ++changes; });
  }
  EXPECT_EQ(changes, 0);  // LeakSanitizer checks that the items were freed
}
