#include "platform/com/Dispatch.h"

#include "platform/rtl/Strings.h"

namespace vcl {

namespace {

[[noreturn]] void MemberNotFound() {
  throw EOleSysError("Member not found.", DISP_E_MEMBERNOTFOUND);
}

Variant Call(const Variant& object, std::string_view name, TDispatchKind kind,
             std::vector<Variant>& args) {
  DispatchPtr target = DispatchOf(object);
  try {
    return target->Invoke(name, kind, args);
  } catch (const EOleError&) {
    throw;
  } catch (const Exception& e) {
    // What the object raised reaches the caller as an automation exception.
    throw EOleException(e.Message(), DISP_E_EXCEPTION, e.ClassName());
  } catch (const std::exception& e) {
    throw EOleException(e.what(), DISP_E_EXCEPTION, "");
  }
}

}  // namespace

Variant TAutoObject::Invoke(std::string_view name, TDispatchKind kind, std::vector<Variant>& args) {
  const Member* m = Find(name);
  if (!m) {
    throw EOleError("Method '" + AnsiString(name) + "' not supported by automation object");
  }
  switch (kind) {
    case TDispatchKind::Method:
      if (m->method) return m->method(args);
      if (m->getter) return m->getter(args);
      break;
    case TDispatchKind::PropertyGet:
      if (m->getter) return m->getter(args);
      if (m->method) return m->method(args);
      break;
    case TDispatchKind::PropertyPut:
      if (m->setter) {
        if (args.empty()) throw EOleSysError("Invalid number of parameters.", DISP_E_BADPARAMCOUNT);
        Variant value = args.back().Deref();
        args.pop_back();
        m->setter(args, value);
        return Variant();
      }
      break;
  }
  MemberNotFound();
}

bool TAutoObject::HasMember(std::string_view name) const {
  return Find(name) != nullptr;
}

void TAutoObject::DefineMethod(std::string_view name, MethodFn fn) {
  members_[UpperCase(name)].method = std::move(fn);
}

void TAutoObject::DefineProperty(std::string_view name, GetterFn getter, SetterFn setter) {
  Member& m = members_[UpperCase(name)];
  m.getter = std::move(getter);
  m.setter = std::move(setter);
}

void TAutoObject::CheckArgCount(const std::vector<Variant>& args, size_t count) {
  CheckArgCount(args, count, count);
}

void TAutoObject::CheckArgCount(const std::vector<Variant>& args, size_t minCount,
                                size_t maxCount) {
  if (args.size() < minCount || args.size() > maxCount)
    throw EOleSysError("Invalid number of parameters.", DISP_E_BADPARAMCOUNT);
}

void TAutoObject::SetArg(std::vector<Variant>& args, size_t index, const Variant& value) {
  if (index >= args.size())
    throw EOleSysError("Invalid number of parameters.", DISP_E_BADPARAMCOUNT);
  args[index].Assign(value);
}

const TAutoObject::Member* TAutoObject::Find(std::string_view name) const {
  auto it = members_.find(UpperCase(name));
  return it == members_.end() ? nullptr : &it->second;
}

DispatchPtr DispatchOf(const Variant& object) {
  const Variant& v = object.Deref();
  if ((v.VarType() & varTypeMask) != varDispatch || v.IsArray())
    throw EVariantInvalidOpError("Invalid variant operation");
  DispatchPtr target = v.AsDispatch();
  if (!target) throw EOleError("Variant does not reference an automation object");
  return target;
}

Variant OleCall(const Variant& object, std::string_view name, std::vector<Variant> args) {
  return Call(object, name, TDispatchKind::Method, args);
}

Variant OleGet(const Variant& object, std::string_view name, std::vector<Variant> args) {
  return Call(object, name, TDispatchKind::PropertyGet, args);
}

void OlePut(const Variant& object, std::string_view name, const Variant& value) {
  std::vector<Variant> args{value};
  Call(object, name, TDispatchKind::PropertyPut, args);
}

void OlePut(const Variant& object, std::string_view name, std::vector<Variant> indexes,
            const Variant& value) {
  indexes.push_back(value);
  Call(object, name, TDispatchKind::PropertyPut, indexes);
}

}  // namespace vcl
