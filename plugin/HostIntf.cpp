#include "plugin/HostIntf.h"

#include "platform/rtl/Strings.h"

namespace kv {

using vcl::VarArrayOf;
using vcl::VarRef;

bool TAutomationView::Assigned() const {
  const Variant& v = object_.Deref();
  return (v.VarType() & vcl::varTypeMask) == vcl::varDispatch && v.AsDispatch() != nullptr;
}

Variant TAutomationView::Call(std::string_view name, std::vector<Variant> args) const {
  return vcl::OleCall(object_, name, std::move(args));
}

Variant TAutomationView::Get(std::string_view name) const {
  return vcl::OleGet(object_, name);
}

void TAutomationView::Put(std::string_view name, const Variant& value) const {
  vcl::OlePut(object_, name, value);
}

int THostObject::VersionType() const {
  return Get("VersionType").AsInteger();
}

int THostObject::ProductID() const {
  return Get("ProductID").AsInteger();
}

AnsiString THostObject::GetMessage(const AnsiString& kind, const AnsiString& number) const {
  return vcl::VarToStr(Call("GetMessage", {kind, number}));
}

void THostObject::CallHelp(const AnsiString& systemCode, const AnsiString& helpCode) const {
  Call("CallHelp", {VarArrayOf({systemCode, helpCode})});
}

Variant THostObject::CounterService() const {
  return Get("Com_Counter");
}

Variant THostObject::ValidatorService() const {
  return Get("Com_Validator");
}

Variant THostObject::LookupService() const {
  return Get("Com_F2Window");
}

AnsiString THostObject::GetFileList(const AnsiString& fileName) const {
  return vcl::VarToStr(Call("GetFileList", {VarArrayOf({vcl::LowerCase(fileName)})}));
}

Variant TCounterService::GetSysInfo(Variant& companyId) const {
  return Call("GetSysInfo", {VarRef(companyId)});
}

Variant TCounterService::GetCounter(const AnsiString& name, Variant& arguments,
                                    const AnsiString& dbName, const AnsiString& companyId) const {
  return Call("GetCounter", {name, VarRef(arguments), VarArrayOf({dbName, companyId})});
}

void TValidatorService::SetProductID(int productId) const {
  Put("ProductID", productId);
}

void TValidatorService::SetBaseLimited(const Variant& baseLimited) const {
  Put("BaseLimited", baseLimited);
}

bool TValidatorService::QueryData(Variant& table, Variant& key, Variant& dbName, Variant& values,
                                  Variant& row) const {
  return Call("QueryData",
              {VarRef(table), VarRef(key), VarRef(dbName), VarRef(values), VarRef(row)})
      .AsBoolean();
}

bool TValidatorService::CheckValue(Variant& table, Variant& key, Variant& dbName, Variant& values,
                                   Variant& row) const {
  return Call("CheckValue",
              {VarRef(table), VarRef(key), VarRef(dbName), VarRef(values), VarRef(row)})
      .AsBoolean();
}

Variant TLookupService::F2GetData(const Variant& request) const {
  return Call("F2GetData", {request});
}

AnsiString TLookupService::ShowInputDay(bool flag, const AnsiString& date,
                                        const AnsiString& dbName) const {
  return vcl::VarToStr(Call("ShowInputDay", {VarArrayOf({flag, date, dbName})}));
}

AnsiString TLookupService::GetPhrase(const AnsiString& userId, Variant& dbName,
                                     std::int64_t window) const {
  return vcl::VarToStr(
      Call("GetPhrase", {userId, VarRef(dbName), Variant(static_cast<long long>(window))}));
}

}  // namespace kv
