#include "plugin/ServerIntf.h"

namespace kv {

using vcl::VarArrayOf;
using vcl::VarRef;

AnsiString TAppServerObject::Request(const Variant& request) const {
  return vcl::VarToStr(Call("Request", {request}));
}

AnsiString TAppServerObject::Request1(const Variant& request,
                                      const AnsiString& computerName) const {
  return vcl::VarToStr(Call("Request1", {request, computerName}));
}

AnsiString TAppServerObject::ErrorDescript() const {
  return vcl::VarToStr(Get("ErrorDescript"));
}

Variant TAppServerObject::SQLType() const {
  return Get("SQLType");
}

Variant TAppServerObject::GetPower(const AnsiString& dbName, const AnsiString& userId,
                                   const AnsiString& programId) const {
  return Call("GetPower", {VarArrayOf({dbName, userId, programId, ""})});
}

void TAppServerObject::UpdateStatus1(Variant& jobNumber, const Variant& messages,
                                     vcl::TDateTime when) const {
  Call("UpdateStatus1", {VarRef(jobNumber), messages, Variant::FromDate(when)});
}

void TAppServerObject::LoadTable(Variant& userAndProgram) const {
  Call("LoadTable", {VarRef(userAndProgram)});
}

AnsiString TAppServerObject::ByReference(std::string_view name,
                                         const std::vector<Variant*>& arguments) const {
  std::vector<Variant> args;
  args.reserve(arguments.size());
  for (Variant* a : arguments) args.push_back(VarRef(*a));
  return vcl::VarToStr(Call(name, std::move(args)));
}

AnsiString TAppServerObject::InsertConTable(std::vector<Variant*> arguments) const {
  return ByReference("InsertConTable", arguments);
}

AnsiString TAppServerObject::DeleteConTable(std::vector<Variant*> arguments) const {
  return ByReference("DeleteConTable", arguments);
}

AnsiString TAppServerObject::ChangeConName(std::vector<Variant*> arguments) const {
  return ByReference("ChangeConName", arguments);
}

Variant TAppServerObject::GetCustomOW(std::vector<Variant> arguments) const {
  return Call("GetCustomOW", std::move(arguments));
}

Variant TAppServerObject::OpenWinKind(std::vector<Variant> arguments) const {
  return Call("OpenWinKind", std::move(arguments));
}

Variant TAppServerObject::GetF2Data(std::vector<Variant> arguments) const {
  return Call("GetF2Data", std::move(arguments));
}

}  // namespace kv
