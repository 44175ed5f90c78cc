// Persistent objects, components with owners and names, and collections.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/rtl/TObject.h"
#include "platform/rtl/Types.h"
#include "platform/vcl/Events.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

// Declares the class object of a class with published properties: the class supplies
// `static void Publish(TPublisher&)`. Pair with VCL_IMPLEMENT_PERSISTENT or
// VCL_IMPLEMENT_COMPONENT in the .cpp file.
#define VCL_DECLARE_PERSISTENT(Name)                 \
 public:                                             \
  static const ::vcl::TClass* StaticClass();         \
  const ::vcl::TClass* ClassType() const override {  \
    return Name::StaticClass();                      \
  }                                                  \
  static void Publish(::vcl::TPublisher& publisher); \
                                                     \
 private:

#define VCL_IMPLEMENT_PERSISTENT(Name, Parent)                                             \
  const ::vcl::TClass* Name::StaticClass() {                                               \
    static const ::vcl::TClass cls(#Name, Parent::StaticClass(), nullptr, &Name::Publish); \
    return &cls;                                                                           \
  }

// A component class can be created from its class object with an owner.
#define VCL_DECLARE_COMPONENT(Name) VCL_DECLARE_PERSISTENT(Name)

#define VCL_IMPLEMENT_COMPONENT(Name, Parent)                       \
  const ::vcl::TClass* Name::StaticClass() {                        \
    static const ::vcl::TClass cls(                                 \
        #Name, Parent::StaticClass(),                               \
        [](::vcl::TObject* owner) -> ::vcl::TObject* {              \
          return new Name(dynamic_cast<::vcl::TComponent*>(owner)); \
        },                                                          \
        &Name::Publish);                                            \
    return &cls;                                                    \
  }

// An abstract component class: no creator.
#define VCL_IMPLEMENT_ABSTRACT_COMPONENT(Name, Parent) VCL_IMPLEMENT_PERSISTENT(Name, Parent)

class TPersistent : public TObject {
  VCL_DECLARE_PERSISTENT(TPersistent)
 public:
  // Copies the state of `source`; raises EConvertError "Cannot assign a <source class> to a
  // <this class>" when the classes do not fit.
  virtual void Assign(const TPersistent* source);

 protected:
  // Lets the source copy itself into `dest` when dest's Assign does not know the source.
  virtual void AssignTo(TPersistent* dest) const;
};

enum TComponentStateFlag : std::uint8_t {
  csLoading = 1,
  csReading = 2,
  csWriting = 4,
  csDestroying = 8,
  csDesigning = 16,
  csUpdating = 32,
};
using TComponentState = std::uint8_t;

enum class TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
  VCL_DECLARE_COMPONENT(TComponent)
 public:
  explicit TComponent(TComponent* owner);
  // Frees the owned components (last created first) after telling the objects that asked
  // for free notification.
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  const AnsiString& Name() const { return name_; }
  // Raises EComponentError "A component named <name> already exists" when a sibling under
  // the same owner has the name (ignoring case), and "Component name "<name>" is not a
  // valid identifier" for names that are not identifiers.
  virtual void SetName(const AnsiString& name);
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const;
  int ComponentIndex() const;
  // The owned component of that name (ignoring case), or nullptr.
  TComponent* FindComponent(std::string_view name) const;
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

  TComponentState ComponentState() const { return state_; }
  void SetComponentState(TComponentState flags) { state_ |= flags; }
  void ClearComponentState(TComponentState flags) { state_ &= ~flags; }
  // Ends loading: clears csLoading and csReading for this component and its owned ones and
  // calls Loaded on each.
  void EndLoading();

  // `component` is told (Notification with opRemove) when this component is destroyed.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Frees the component now (owners and free notifications are updated). BeforeDestruction
  // runs first, while the object is still whole; owners and parents free their components
  // and controls this way.
  void Free() {
    BeforeDestruction();
    delete this;
  }
  virtual void BeforeDestruction() {}
  // The first steps of destruction, for derived destructors that need them while the whole
  // object still exists (the base destructor runs them otherwise): Destroying sets
  // csDestroying and tells the objects that asked for free notification; DestroyComponents
  // frees the owned components, last created first.
  void Destroying();
  void DestroyComponents();

 protected:
  // Called when `component` is inserted into or removed from this owner, or when an
  // object this one asked notification for is destroyed.
  virtual void Notification(TComponent* component, TOperation operation);
  virtual void Loaded();
  virtual void ValidateRename(TComponent* component, const AnsiString& curName,
                              const AnsiString& newName);

 private:
  TComponent* owner_ = nullptr;
  AnsiString name_;
  int tag_ = 0;
  TComponentState state_ = 0;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
};

VCL_DECLARE_EXCEPTION(EComponentError, Exception)

// For smart pointers that own a component: frees it with Free.
struct TFreeDeleter {
  void operator()(TComponent* component) const {
    if (component) component->Free();
  }
};

// A list of items of one class, owned by the collection (list view columns, status panels).
class TCollection;

class TCollectionItem : public TPersistent {
  VCL_DECLARE_PERSISTENT(TCollectionItem)
 public:
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;
  TCollection* Collection() const { return collection_; }
  int Index() const;
  void SetIndex(int index);
  virtual AnsiString DisplayName() const { return ClassName(); }

 protected:
  // Tells the collection that this item changed.
  void Changed();

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
};

class TCollection : public TPersistent {
  VCL_DECLARE_PERSISTENT(TCollection)
 public:
  using ItemFactory = TCollectionItem* (*)(TCollection* collection);
  explicit TCollection(ItemFactory factory) : factory_(factory) {}
  ~TCollection() override;

  int Count() const { return static_cast<int>(items_.size()); }
  // Raises EListError "List index out of bounds (<index>)".
  TCollectionItem* Items(int index) const;
  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();
  void BeginUpdate();
  void EndUpdate();
  void Assign(const TPersistent* source) override;

  // Called after items are added, removed, moved or changed (once per update block).
  TNotifyEvent OnChange;

 protected:
  virtual void Update(TCollectionItem* item);

 private:
  friend class TCollectionItem;
  void ItemChanged(TCollectionItem* item);
  ItemFactory factory_;
  std::vector<TCollectionItem*> items_;
  int updateCount_ = 0;
  bool changedInUpdate_ = false;
};

}  // namespace vcl
