// The members the plug-in calls on the host's automation object and on the three services the
// host hands out (counter, validator, lookup window), with their argument order and results.
// Each call is a late-bound call by member name on the object a variant holds; a failing call
// raises as such calls do (EOleError, EOleException, EVariantError) and the callers guard
// them. Texts go in and come back in the database code page.
#pragma once

#include "platform/com/Dispatch.h"
#include "platform/rtl/Variant.h"

namespace kv {

using vcl::AnsiString;
using vcl::Variant;

// A typed view of an automation object held in a variant.
class TAutomationView {
 public:
  explicit TAutomationView(Variant object = Variant()) : object_(std::move(object)) {}
  const Variant& Object() const { return object_; }
  // True when the variant holds an automation object (not empty, Null or another value).
  bool Assigned() const;

 protected:
  Variant Call(std::string_view name, std::vector<Variant> args = {}) const;
  Variant Get(std::string_view name) const;
  void Put(std::string_view name, const Variant& value) const;

 private:
  Variant object_;
};

// The host's automation object.
class THostObject : public TAutomationView {
 public:
  using TAutomationView::TAutomationView;
  int VersionType() const;  // "VersionType"
  int ProductID() const;    // "ProductID"
  // "GetMessage"(kind, number): the catalogue text of a message.
  AnsiString GetMessage(const AnsiString& kind, const AnsiString& number) const;
  // "CallHelp"([system code, help code]).
  void CallHelp(const AnsiString& systemCode, const AnsiString& helpCode) const;
  // "Com_Counter", "Com_Validator", "Com_F2Window": the service objects.
  Variant CounterService() const;
  Variant ValidatorService() const;
  Variant LookupService() const;
  // "GetFileList"([file name]): the description of a module file; the name is lower-cased.
  AnsiString GetFileList(const AnsiString& fileName) const;
};

// The counter service: system items and counter (query) calls.
class TCounterService : public TAutomationView {
 public:
  using TAutomationView::TAutomationView;
  // "GetSysInfo"(company id by reference): row 0 item names, row 1 values.
  Variant GetSysInfo(Variant& companyId) const;
  // "GetCounter"(name, arguments by reference, [database name, company id]).
  Variant GetCounter(const AnsiString& name, Variant& arguments, const AnsiString& dbName,
                     const AnsiString& companyId) const;
};

// The validator service: code checks against the suite's tables.
class TValidatorService : public TAutomationView {
 public:
  using TAutomationView::TAutomationView;
  // The properties written before each check.
  void SetProductID(int productId) const;
  void SetBaseLimited(const Variant& baseLimited) const;
  // "QueryData" / "CheckValue"(table, key, database name, values, row), all by reference;
  // `row` receives the record found.
  bool QueryData(Variant& table, Variant& key, Variant& dbName, Variant& values,
                 Variant& row) const;
  bool CheckValue(Variant& table, Variant& key, Variant& dbName, Variant& values,
                  Variant& row) const;
};

// The lookup-window service.
class TLookupService : public TAutomationView {
 public:
  using TAutomationView::TAutomationView;
  // "F2GetData"(request): the rows picked, each an array of column values.
  Variant F2GetData(const Variant& request) const;
  // "ShowInputDay"([flag, date as YYYYMMDD, database name]): the chosen date text.
  AnsiString ShowInputDay(bool flag, const AnsiString& date, const AnsiString& dbName) const;
  // "GetPhrase"(user id, database name by reference, window handle): the phrase chosen.
  AnsiString GetPhrase(const AnsiString& userId, Variant& dbName, std::int64_t window) const;
};

}  // namespace kv
