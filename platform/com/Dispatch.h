// Automation objects called by member name: methods, property reads and property writes,
// with arguments that may be passed by reference.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/Variant.h"

namespace vcl {

enum class TDispatchKind { Method, PropertyGet, PropertyPut };

// HRESULTs of automation failures.
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006);
inline constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000E);
inline constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);

// An automation object. Objects are shared (reference-counted) through DispatchPtr.
class IDispatch : public std::enable_shared_from_this<IDispatch> {
 public:
  virtual ~IDispatch() = default;
  // Calls member `name` (ignoring case). `args` are in call order; an argument made with
  // VarRef is by reference and the callee may write through it. For PropertyPut the last
  // argument is the new value. An unknown member raises EOleError
  // "Method '<name>' not supported by automation object".
  virtual Variant Invoke(std::string_view name, TDispatchKind kind, std::vector<Variant>& args) = 0;
  // True when the object has a member of that name.
  virtual bool HasMember(std::string_view name) const = 0;
};

// An automation object whose members are registered by name in its constructor.
class TAutoObject : public IDispatch {
 public:
  using MethodFn = std::function<Variant(std::vector<Variant>& args)>;
  using GetterFn = std::function<Variant(std::vector<Variant>& args)>;
  using SetterFn = std::function<void(std::vector<Variant>& args, const Variant& value)>;

  Variant Invoke(std::string_view name, TDispatchKind kind, std::vector<Variant>& args) override;
  bool HasMember(std::string_view name) const override;

 protected:
  // A method; it may also be read as a property with the same arguments.
  void DefineMethod(std::string_view name, MethodFn fn);
  // A property with an optional getter and setter; indexed properties receive their indexes
  // in `args`.
  void DefineProperty(std::string_view name, GetterFn getter, SetterFn setter = nullptr);

  // Raises EOleError "Invalid number of parameters" unless `args` has `count` elements
  // (or between `minCount` and `maxCount`).
  static void CheckArgCount(const std::vector<Variant>& args, size_t count);
  static void CheckArgCount(const std::vector<Variant>& args, size_t minCount, size_t maxCount);
  // Writes `value` into a by-reference argument (or into the local copy when by value).
  static void SetArg(std::vector<Variant>& args, size_t index, const Variant& value);

 private:
  struct Member {
    MethodFn method;
    GetterFn getter;
    SetterFn setter;
  };
  const Member* Find(std::string_view name) const;
  std::map<AnsiString, Member> members_;  // keyed by upper-case name
};

// Late-bound calls on a variant holding a dispatch object. By-reference arguments are made
// with VarRef; the object writes through them into the caller's variables. A variant that is not
// one raises EVariantInvalidOpError "Invalid variant operation"; an unassigned (null) object raises
// EOleError "Variant does not reference an automation object". An exception other than
// EOleError raised inside the object reaches the caller as EOleException with its message
// and the object's error code DISP_E_EXCEPTION.
Variant OleCall(const Variant& object, std::string_view name, std::vector<Variant> args = {});
Variant OleGet(const Variant& object, std::string_view name, std::vector<Variant> args = {});
void OlePut(const Variant& object, std::string_view name, const Variant& value);
void OlePut(const Variant& object, std::string_view name, std::vector<Variant> indexes,
            const Variant& value);
// The dispatch object a variant holds, with the errors of the calls above.
DispatchPtr DispatchOf(const Variant& object);

}  // namespace vcl
