// The members the plug-in calls on the suite's application server object, with their
// argument order and results. Calls are late-bound by member name; failures raise as such
// calls do and the callers turn them (and "ERROR" answers) into their own messages.
#pragma once

#include "plugin/HostIntf.h"

namespace kv {

// The answer of a refused request.
inline constexpr const char* kServerError = "ERROR";

class TAppServerObject : public TAutomationView {
 public:
  using TAutomationView::TAutomationView;
  // "Request"(job request): the job number, or "ERROR".
  AnsiString Request(const Variant& request) const;
  // "Request1"(job request, computer name): the job number, or "ERROR".
  AnsiString Request1(const Variant& request, const AnsiString& computerName) const;
  // "ErrorDescript": the text of the last refusal.
  AnsiString ErrorDescript() const;
  // "SQLType": the database kind.
  Variant SQLType() const;
  // "GetPower"([database name, user id, program id, ""]): the rights record.
  Variant GetPower(const AnsiString& dbName, const AnsiString& userId,
                   const AnsiString& programId) const;
  // "UpdateStatus1"(job number by reference, message texts, date-time).
  void UpdateStatus1(Variant& jobNumber, const Variant& messages, vcl::TDateTime when) const;
  // "LoadTable"([user id, program id] by reference): prepares the scheme rows.
  void LoadTable(Variant& userAndProgram) const;
  // "InsertConTable", "DeleteConTable", "ChangeConName"(records and keys by reference): the
  // error text, empty for success.
  AnsiString InsertConTable(std::vector<Variant*> arguments) const;
  AnsiString DeleteConTable(std::vector<Variant*> arguments) const;
  AnsiString ChangeConName(std::vector<Variant*> arguments) const;
  // The lookup-data calls of the lookup combos, arguments passed as given.
  Variant GetCustomOW(std::vector<Variant> arguments) const;
  Variant OpenWinKind(std::vector<Variant> arguments) const;
  Variant GetF2Data(std::vector<Variant> arguments) const;

 private:
  AnsiString ByReference(std::string_view name, const std::vector<Variant*>& arguments) const;
};

// What the plug-in asks of the application server's module and providers.
inline constexpr const char* kServerModuleName = "ReportCounterS.dmReportCounter";
inline constexpr const char* kSchemeProvider = "pvdConSave";
inline constexpr const char* kLookupProvider = "pvdF2Win";

}  // namespace kv
