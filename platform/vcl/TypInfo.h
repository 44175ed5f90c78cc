// Published properties: each class lists its properties once (name, kind, type, getter and
// setter); code reads and writes them by name or by dotted path ("Font.Charset").
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/TObject.h"
#include "platform/rtl/Variant.h"
#include "platform/vcl/Events.h"

namespace vcl {

enum class TTypeKind {
  tkUnknown,
  tkInteger,
  tkChar,
  tkEnumeration,
  tkFloat,
  tkString,
  tkSet,
  tkClass,
  tkMethod
};

// The type of a property: its kind, its name ("Integer", "TColor", "TAlign", "TFont",
// "TNotifyEvent" ...), the value names of an enumeration (or of a set's elements), the class
// of a class property, the event type of a method property.
struct TTypeInfo {
  TTypeKind Kind = TTypeKind::tkUnknown;
  AnsiString Name;
  std::vector<AnsiString> EnumNames;
  const TClass* ClassType = nullptr;
  const std::type_info* MethodSignature = nullptr;
  // Integer types with names for some values (TColor "clRed", TCursor "crHourGlass").
  bool (*IdentToInt)(std::string_view ident, std::int64_t& value) = nullptr;
  bool (*IntToIdent)(std::int64_t value, AnsiString& ident) = nullptr;
};

// Well-known types.
const TTypeInfo* TypeInteger();   // "Integer"
const TTypeInfo* TypeCardinal();  // "Cardinal"
const TTypeInfo* TypeChar();      // "Char"
const TTypeInfo* TypeBoolean();   // enumeration "Boolean": False, True
const TTypeInfo* TypeDouble();    // "Double"
const TTypeInfo* TypeString();    // "String"
const TTypeInfo* TypeColor();     // "TColor", with colour names
const TTypeInfo* TypeCursor();    // "TCursor", with cursor names
// An enumeration type; the type object lives for the process (call once per type, e.g.
// from a function-local static).
const TTypeInfo* MakeEnumType(const char* name, std::initializer_list<const char*> names);
// A set type whose elements are the values of `elementType`; values are bit masks.
const TTypeInfo* MakeSetType(const char* name, const TTypeInfo* elementType);
// A class type; `name` defaults to the class name.
const TTypeInfo* ClassTypeInfo(const TClass* cls);
// A method type for event type E (TNotifyEvent ...).
const TTypeInfo* MakeMethodType(const char* name, const std::type_info& signature);

// One published property. Ordinal kinds (integer, char, enumeration, set) use GetOrd and
// SetOrd; floats GetFloat and SetFloat; strings GetStr and SetStr; classes GetObj and SetObj;
// methods GetMethod and SetMethod. A property without a setter is read-only.
struct TPropInfo {
  AnsiString Name;
  const TTypeInfo* PropType = nullptr;
  std::function<std::int64_t(TObject*)> GetOrd;
  std::function<void(TObject*, std::int64_t)> SetOrd;
  std::function<double(TObject*)> GetFloat;
  std::function<void(TObject*, double)> SetFloat;
  std::function<AnsiString(TObject*)> GetStr;
  std::function<void(TObject*, const AnsiString&)> SetStr;
  std::function<TObject*(TObject*)> GetObj;
  std::function<void(TObject*, TObject*)> SetObj;
  std::function<TMethod(TObject*)> GetMethod;
  std::function<void(TObject*, const TMethod&)> SetMethod;

  TTypeKind Kind() const { return PropType->Kind; }
  bool IsWritable() const;
};

// Collects the published properties of one class in its TClass::Publisher function. The
// typed helpers take a class's getter and setter member functions (or an event member).
class TPublisher {
 public:
  explicit TPublisher(std::vector<TPropInfo>& props) : props_(props) {}

  void Add(TPropInfo info);

  template <typename C>
  void Integer(const char* name, int (C::*get)() const, void (C::*set)(int) = nullptr,
               const TTypeInfo* type = nullptr) {
    TPropInfo p = Named(name, type ? type : TypeInteger());
    p.GetOrd = [get](TObject* o) { return std::int64_t((static_cast<C*>(o)->*get)()); };
    if (set) p.SetOrd = [set](TObject* o, std::int64_t v) { (static_cast<C*>(o)->*set)(int(v)); };
    Add(std::move(p));
  }
  template <typename C>
  void Bool(const char* name, bool (C::*get)() const, void (C::*set)(bool) = nullptr) {
    TPropInfo p = Named(name, TypeBoolean());
    p.GetOrd = [get](TObject* o) { return std::int64_t((static_cast<C*>(o)->*get)() ? 1 : 0); };
    if (set) p.SetOrd = [set](TObject* o, std::int64_t v) { (static_cast<C*>(o)->*set)(v != 0); };
    Add(std::move(p));
  }
  template <typename C>
  void Char(const char* name, char (C::*get)() const, void (C::*set)(char) = nullptr) {
    TPropInfo p = Named(name, TypeChar());
    p.GetOrd = [get](TObject* o) {
      return std::int64_t(static_cast<unsigned char>((static_cast<C*>(o)->*get)()));
    };
    if (set) p.SetOrd = [set](TObject* o, std::int64_t v) { (static_cast<C*>(o)->*set)(char(v)); };
    Add(std::move(p));
  }
  // An enumeration (E is an enum whose values are 0, 1, ... in the order of the type's names)
  // or, with an integer E, a set bit mask.
  template <typename C, typename E>
  void Enum(const char* name, const TTypeInfo* type, E (C::*get)() const,
            void (C::*set)(E) = nullptr) {
    TPropInfo p = Named(name, type);
    p.GetOrd = [get](TObject* o) { return std::int64_t((static_cast<C*>(o)->*get)()); };
    if (set) p.SetOrd = [set](TObject* o, std::int64_t v) { (static_cast<C*>(o)->*set)(E(v)); };
    Add(std::move(p));
  }
  template <typename C>
  void Float(const char* name, double (C::*get)() const, void (C::*set)(double) = nullptr) {
    TPropInfo p = Named(name, TypeDouble());
    p.GetFloat = [get](TObject* o) { return (static_cast<C*>(o)->*get)(); };
    if (set) p.SetFloat = [set](TObject* o, double v) { (static_cast<C*>(o)->*set)(v); };
    Add(std::move(p));
  }
  template <typename C, typename R>
  void String(const char* name, R (C::*get)() const, void (C::*set)(const AnsiString&) = nullptr) {
    TPropInfo p = Named(name, TypeString());
    p.GetStr = [get](TObject* o) { return AnsiString((static_cast<C*>(o)->*get)()); };
    if (set) p.SetStr = [set](TObject* o, const AnsiString& v) { (static_cast<C*>(o)->*set)(v); };
    Add(std::move(p));
  }
  // A class property; T is the property's class (TFont, TStrings ...). Setting assigns the
  // object (for owned objects the setter usually copies with Assign).
  template <typename C, typename T>
  void Object(const char* name, T* (C::*get)() const, void (C::*set)(T*) = nullptr) {
    TPropInfo p = Named(name, ClassTypeInfo(T::StaticClass()));
    p.GetObj = [get](TObject* o) -> TObject* { return (static_cast<C*>(o)->*get)(); };
    if (set)
      p.SetObj = [set](TObject* o, TObject* v) { (static_cast<C*>(o)->*set)(dynamic_cast<T*>(v)); };
    Add(std::move(p));
  }
  // An event property backed by a public TEvent member.
  template <typename C, typename... A>
  void Event(const char* name, const char* typeName, TEvent<A...> C::*member) {
    TPropInfo p = Named(name, MakeMethodType(typeName, TEvent<A...>::SignatureType()));
    p.GetMethod = [member](TObject* o) { return (static_cast<C*>(o)->*member).Method(); };
    p.SetMethod = [member](TObject* o, const TMethod& m) {
      static_cast<C*>(o)->*member = TEvent<A...>::FromMethod(m);
    };
    Add(std::move(p));
  }

 private:
  static TPropInfo Named(const char* name, const TTypeInfo* type) {
    TPropInfo p;
    p.Name = name;
    p.PropType = type;
    return p;
  }
  std::vector<TPropInfo>& props_;
};

// Published properties of a class, its ancestors' included (ancestors first; a property
// republished by a descendant replaces the ancestor's).
const std::vector<const TPropInfo*>& GetPropList(const TClass* cls);

// Raised by the plain setters and getters: EPropertyError "Unknown property: '<name>'" (and
// for a path that ends nowhere), EPropertyConvertError "Invalid property value" for a value
// of the wrong kind or an unknown enumeration name, EPropertyError "Property <name> is
// read-only" for a read-only property.
VCL_DECLARE_EXCEPTION(EPropertyError, Exception)
VCL_DECLARE_EXCEPTION(EPropertyConvertError, Exception)

// Property lookup by name (ignoring case) or dotted path through class properties
// ("Font.Name"). Null object or empty name: nullptr.
const TPropInfo* GetPropInfo(const TObject* object, std::string_view name);
// Resolves a dotted path to the object holding the last property and that property.
const TPropInfo* FindPropPath(TObject* object, std::string_view path, TObject*& holder);
bool IsPublishedProp(const TObject* object, std::string_view path);
// True when the property exists and is of that kind.
bool PropIsType(const TObject* object, std::string_view path, TTypeKind kind);
// True when the property exists and its type has that name (ignoring case), e.g. "TFont".
bool PropIsTypeName(const TObject* object, std::string_view path, std::string_view typeName);

std::int64_t GetOrdProp(TObject* object, std::string_view path);
void SetOrdProp(TObject* object, std::string_view path, std::int64_t value);
// Enumeration value name ("alClient", "True"); setting takes a name or a number.
AnsiString GetEnumProp(TObject* object, std::string_view path);
void SetEnumProp(TObject* object, std::string_view path, std::string_view value);
// Set as "[akLeft,akTop]"; setting takes that form with or without brackets.
AnsiString GetSetProp(TObject* object, std::string_view path);
void SetSetProp(TObject* object, std::string_view path, std::string_view value);
double GetFloatProp(TObject* object, std::string_view path);
void SetFloatProp(TObject* object, std::string_view path, double value);
AnsiString GetStrProp(TObject* object, std::string_view path);
void SetStrProp(TObject* object, std::string_view path, std::string_view value);
TObject* GetObjectProp(TObject* object, std::string_view path);
void SetObjectProp(TObject* object, std::string_view path, TObject* value);
TMethod GetMethodProp(TObject* object, std::string_view path);
// An empty method clears the handler; a method of another event type raises
// EPropertyConvertError.
void SetMethodProp(TObject* object, std::string_view path, const TMethod& value);

// Any property as text: numbers in decimal, enumerations and named integers (colours,
// cursors) by name, sets as "[a,b]", strings as they are, objects as their class name
// (or "" when none); methods raise EPropertyConvertError.
AnsiString GetPropAsString(TObject* object, std::string_view path);
// Any ordinal, float or string property from text: names or numbers for enumerations,
// colours and cursors ("clRed", "$000000FF", "255"), "True"/"False" for booleans.
void SetPropAsString(TObject* object, std::string_view path, std::string_view value);
// Like SetPropAsString, but false instead of raising.
bool TrySetPropAsString(TObject* object, std::string_view path, std::string_view value);
// Variant access: integers, floats, strings and booleans as Variants.
Variant GetPropValue(TObject* object, std::string_view path);
void SetPropValue(TObject* object, std::string_view path, const Variant& value);

// Named integer values of colours and cursors.
bool ColorToIdent(std::int64_t color, AnsiString& ident);
bool IdentToColor(std::string_view ident, std::int64_t& color);
// "clRed" or "$00FF0000"-style text of a colour, and back (names, "$" hex or decimal).
AnsiString ColorToString(std::int64_t color);
std::int64_t StringToColor(std::string_view s);  // raises EConvertError for bad text
bool CursorToIdent(std::int64_t cursor, AnsiString& ident);
bool IdentToCursor(std::string_view ident, std::int64_t& cursor);

}  // namespace vcl
