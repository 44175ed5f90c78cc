#include "platform/vcl/Classes.h"

#include <algorithm>

#include "platform/rtl/Strings.h"

namespace vcl {

namespace {

[[noreturn]] void IndexError(int index) {
  throw EListError("List index out of bounds (" + IntToStr(index) + ")");
}

template <typename T>
void Erase(std::vector<T*>& list, const T* item) {
  auto it = std::find(list.begin(), list.end(), item);
  if (it != list.end()) list.erase(it);
}

bool IsIdentifier(const AnsiString& s) {
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
  if (s.empty() || !letter(s[0])) return false;
  return std::all_of(s.begin() + 1, s.end(),
                     [&](char c) { return letter(c) || (c >= '0' && c <= '9'); });
}

}  // namespace

// ---- TPersistent ---------------------------------------------------------------------

VCL_IMPLEMENT_PERSISTENT(TPersistent, TObject)

void TPersistent::Publish(TPublisher&) {}

void TPersistent::Assign(const TPersistent* source) {
  if (!source) throw EConvertError(AnsiString("Cannot assign a nil to a ") + ClassName());
  source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const {
  throw EConvertError(AnsiString("Cannot assign a ") + ClassName() + " to a " +
                      (dest ? dest->ClassName() : "nil"));
}

// ---- TComponent ----------------------------------------------------------------------

VCL_IMPLEMENT_COMPONENT(TComponent, TPersistent)

void TComponent::Publish(TPublisher& p) {
  p.String("Name", &TComponent::Name, &TComponent::SetName);
  p.Integer("Tag", &TComponent::Tag, &TComponent::SetTag);
}

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::Destroying() {
  state_ |= csDestroying;
  // A client's handler may free other clients; each of them leaves this list as it goes.
  while (!freeNotifies_.empty()) {
    TComponent* client = freeNotifies_.back();
    freeNotifies_.pop_back();
    Erase(client->freeNotifies_, this);
    client->Notification(this, TOperation::opRemove);
  }
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    size_t before = components_.size();
    TComponent* last = components_.back();
    last->Free();  // removes itself from this owner
    if (components_.size() == before) components_.pop_back();
  }
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) IndexError(index);
  return components_[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  auto& list = owner_->components_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->name_, name)) return c;
  return nullptr;
}

void TComponent::SetName(const AnsiString& name) {
  if (name == name_) return;
  if (!name.empty() && !IsIdentifier(name))
    throw EComponentError("Component name \"" + name + "\" is not a valid identifier");
  if (owner_)
    owner_->ValidateRename(this, name_, name);
  else
    ValidateRename(nullptr, name_, name);
  name_ = name;
}

void TComponent::ValidateRename(TComponent* component, const AnsiString& curName,
                                const AnsiString& newName) {
  if (component && component->owner_ == this && !SameText(curName, newName)) {
    TComponent* other = FindComponent(newName);
    if (other && other != component)
      throw EComponentError("A component named " + newName + " already exists");
  }
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component->owner_ == this) return;
  if (component == this) throw EComponentError("A component cannot own itself");
  if (!component->name_.empty() && FindComponent(component->name_))
    throw EComponentError("A component named " + component->name_ + " already exists");
  if (component->owner_) component->owner_->RemoveComponent(component);
  components_.push_back(component);
  component->owner_ = this;
  Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->owner_ != this) return;
  // Owned components hear of the removal while the component is still listed.
  Notification(component, TOperation::opRemove);
  Erase(components_, component);
  component->owner_ = nullptr;
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  // Every owned component hears of insertions and removals under its owner. Indexing (not
  // iterating) keeps this safe when a handler frees components.
  for (size_t i = 0; i < components_.size(); ++i)
    components_[i]->Notification(component, operation);
}

void TComponent::Loaded() {}

void TComponent::EndLoading() {
  // Flags first for the whole tree, so that Loaded handlers see their neighbours loaded.
  std::vector<TComponent*> all{this};
  for (size_t i = 0; i < all.size(); ++i)
    for (TComponent* c : all[i]->components_) all.push_back(c);
  for (TComponent* c : all) c->state_ &= static_cast<TComponentState>(~(csLoading | csReading));
  for (TComponent* c : all) c->Loaded();
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  // Both sides remember the link, so whichever is destroyed first can undo it.
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end())
    freeNotifies_.push_back(component);
  auto& other = component->freeNotifies_;
  if (std::find(other.begin(), other.end(), this) == other.end()) other.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  Erase(freeNotifies_, component);
  Erase(component->freeNotifies_, this);
}

// ---- TCollectionItem -----------------------------------------------------------------

VCL_IMPLEMENT_PERSISTENT(TCollectionItem, TPersistent)

void TCollectionItem::Publish(TPublisher&) {}

TCollectionItem::TCollectionItem(TCollection* collection) : collection_(collection) {
  if (collection_) {
    collection_->items_.push_back(this);
    collection_->ItemChanged(nullptr);
  }
}

TCollectionItem::~TCollectionItem() {
  if (collection_) {
    TCollection* c = collection_;
    collection_ = nullptr;
    Erase(c->items_, this);
    c->ItemChanged(nullptr);
  }
}

int TCollectionItem::Index() const {
  if (!collection_) return -1;
  auto& items = collection_->items_;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int index) {
  if (!collection_) return;
  int current = Index();
  if (index == current) return;
  auto& items = collection_->items_;
  if (index < 0 || index >= static_cast<int>(items.size())) IndexError(index);
  items.erase(items.begin() + current);
  items.insert(items.begin() + index, this);
  collection_->ItemChanged(nullptr);
}

void TCollectionItem::Changed() {
  if (collection_) collection_->ItemChanged(this);
}

// ---- TCollection ---------------------------------------------------------------------

VCL_IMPLEMENT_PERSISTENT(TCollection, TPersistent)

void TCollection::Publish(TPublisher&) {}

TCollection::~TCollection() {
  // No change events while the collection goes away.
  ++updateCount_;
  Clear();
}

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return items_[static_cast<size_t>(index)];
}

TCollectionItem* TCollection::Add() {
  if (!factory_) throw EListError(AnsiString(ClassName()) + " cannot create items");
  TCollectionItem* item = factory_(this);
  // A factory that does not hand the collection to the item's constructor still gets its
  // item listed.
  if (item && item->collection_ != this) {
    if (item->collection_) Erase(item->collection_->items_, item);
    item->collection_ = this;
    items_.push_back(item);
    ItemChanged(nullptr);
  }
  return item;
}

TCollectionItem* TCollection::Insert(int index) {
  if (index < 0 || index > Count()) IndexError(index);
  BeginUpdate();
  TCollectionItem* item = nullptr;
  try {
    item = Add();
    item->SetIndex(index);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return item;
}

void TCollection::Delete(int index) {
  delete Items(index);
}

void TCollection::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  while (!items_.empty()) delete items_.back();
  EndUpdate();
}

void TCollection::BeginUpdate() {
  ++updateCount_;
}

void TCollection::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0 && changedInUpdate_) {
    changedInUpdate_ = false;
    Update(nullptr);
  }
}

void TCollection::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TCollection*>(source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  BeginUpdate();
  try {
    Clear();
    for (TCollectionItem* item : other->items_) Add()->Assign(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TCollection::Update(TCollectionItem*) {
  OnChange(this);
}

void TCollection::ItemChanged(TCollectionItem* item) {
  if (updateCount_ > 0) {
    changedInUpdate_ = true;
    return;
  }
  Update(item);
}

}  // namespace vcl
