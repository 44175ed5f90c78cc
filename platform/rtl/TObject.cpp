#include "platform/rtl/TObject.h"

#include <map>
#include <mutex>

#include "platform/rtl/Exception.h"
#include "platform/rtl/Strings.h"

namespace vcl {

namespace {

struct ClassRegistry {
  std::mutex mutex;
  std::map<AnsiString, const TClass*> byName;  // keyed by upper-case name
};

ClassRegistry& Registry() {
  static ClassRegistry registry;
  return registry;
}

}  // namespace

bool TClass::InheritsFrom(const TClass* other) const {
  for (const TClass* c = this; c; c = c->parent_)
    if (c == other) return true;
  return false;
}

bool TClass::InheritsFrom(std::string_view className) const {
  for (const TClass* c = this; c; c = c->parent_)
    if (SameText(c->name_, className)) return true;
  return false;
}

const TClass* TObject::StaticClass() {
  static const TClass cls("TObject", nullptr);
  return &cls;
}

void RegisterClass(const TClass* cls) {
  if (!cls) return;
  ClassRegistry& r = Registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.byName[UpperCase(cls->ClassName())] = cls;
}

void UnRegisterClass(const TClass* cls) {
  if (!cls) return;
  ClassRegistry& r = Registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.byName.find(UpperCase(cls->ClassName()));
  if (it != r.byName.end() && it->second == cls) r.byName.erase(it);
}

const TClass* GetClass(std::string_view className) {
  ClassRegistry& r = Registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.byName.find(UpperCase(className));
  return it == r.byName.end() ? nullptr : it->second;
}

const TClass* FindClass(std::string_view className) {
  const TClass* cls = GetClass(className);
  if (!cls) throw EClassNotFound("Class " + AnsiString(className) + " not found");
  return cls;
}

}  // namespace vcl
