// Root of the class hierarchy: every class that takes part in the object model knows its
// class (name, parent class, how to create an instance, its published properties).
#pragma once

#include <string_view>
#include <vector>

namespace vcl {

class TObject;
class TPublisher;  // fills a class's published properties (platform/vcl/TypInfo.h)

// A class of the object model. Class objects are static and live for the whole process.
class TClass {
 public:
  // Creates an instance with the given owner (nullptr for none); null for abstract classes
  // and classes that are not components.
  using Creator = TObject* (*)(TObject* owner);
  // Adds the class's own published properties.
  using Publisher = void (*)(TPublisher& publisher);

  TClass(const char* name, const TClass* parent, Creator creator = nullptr,
         Publisher publisher = nullptr)
      : name_(name), parent_(parent), creator_(creator), publisher_(publisher) {}
  TClass(const TClass&) = delete;
  TClass& operator=(const TClass&) = delete;

  const char* ClassName() const { return name_; }
  const TClass* ClassParent() const { return parent_; }
  Creator GetCreator() const { return creator_; }
  Publisher GetPublisher() const { return publisher_; }
  // True when this class is `other` or derives from it.
  bool InheritsFrom(const TClass* other) const;
  // The same by class name, ignoring case.
  bool InheritsFrom(std::string_view className) const;

 private:
  const char* name_;
  const TClass* parent_;
  Creator creator_;
  Publisher publisher_;
};

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static const TClass* StaticClass();
  virtual const TClass* ClassType() const { return StaticClass(); }
  const char* ClassName() const { return ClassType()->ClassName(); }
  const TClass* ClassParent() const { return ClassType()->ClassParent(); }
  bool InheritsFrom(const TClass* other) const { return ClassType()->InheritsFrom(other); }
  bool InheritsFrom(std::string_view className) const {
    return ClassType()->InheritsFrom(className);
  }
};

// Makes classes findable by name (for creating forms and components from their class name).
// Registering a name twice keeps the latest class.
void RegisterClass(const TClass* cls);
void UnRegisterClass(const TClass* cls);
// The registered class of that name (ignoring case), or nullptr.
const TClass* GetClass(std::string_view className);
// The same, raising EClassNotFound "Class <name> not found" when there is none.
const TClass* FindClass(std::string_view className);

// Declares the class object of a class derived from TObject. Use VCL_IMPLEMENT_CLASS (or the
// component variant of platform/vcl/Classes.h) in the .cpp file.
#define VCL_DECLARE_CLASS(Name)                     \
 public:                                            \
  static const ::vcl::TClass* StaticClass();        \
  const ::vcl::TClass* ClassType() const override { \
    return Name::StaticClass();                     \
  }                                                 \
                                                    \
 private:

// Defines the class object of a class without published properties or a creator.
#define VCL_IMPLEMENT_CLASS(Name, Parent)                         \
  const ::vcl::TClass* Name::StaticClass() {                      \
    static const ::vcl::TClass cls(#Name, Parent::StaticClass()); \
    return &cls;                                                  \
  }

}  // namespace vcl
