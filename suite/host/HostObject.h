// The host's automation object as the launcher serves it to a plug-in: version and product,
// the message catalogue, help, the counter, validator and lookup-window services, and module
// file descriptions. Its data comes from a catalogue (a small built-in demo one until the
// suite database serves it). Texts are kept and returned in the database code page (GB2312).
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/com/Dispatch.h"

namespace suite {

using vcl::AnsiString;
using vcl::Variant;

// A row of a code table: the code it is found by and its columns.
struct TCodeRow {
  AnsiString code;
  std::vector<AnsiString> columns;
};

struct THostCatalogue {
  int versionType = 1;
  int productId = 1;
  // "<kind>;<number>" -> text; "%s" marks take the caller's arguments.
  std::map<AnsiString, AnsiString> messages;
  // company id -> system items (name, value) in order.
  std::map<AnsiString, std::vector<std::pair<AnsiString, AnsiString>>> systemItems;
  // table name (upper case) -> rows.
  std::map<AnsiString, std::vector<TCodeRow>> tables;
  // lower-case module file name -> description text.
  std::map<AnsiString, AnsiString> files;
};

// The demo company "01" with its system items, the program register entry of ZKPR42, the
// company table and the messages the framework reports.
THostCatalogue DemoCatalogue();

class THostServices;

// What the host was asked that a person watching the launcher wants to see.
struct THostLog {
  std::vector<std::pair<AnsiString, AnsiString>> helpRequests;  // [system code, help code]
  std::vector<AnsiString> lookups;                              // tables looked up
};

// Creates the host object; the services it hands out share its catalogue and log.
class THost {
 public:
  explicit THost(THostCatalogue catalogue);
  ~THost();
  THost(const THost&) = delete;
  THost& operator=(const THost&) = delete;

  // The automation object to give to the controller.
  Variant Object() const;
  THostCatalogue& Catalogue();
  const THostLog& Log() const;
  // Answers for the next lookup window or date picker (a scripted user's choice); without
  // one, a lookup returns the rows whose code or first column contains the current text (the
  // first of them for a single pick) and the date picker returns the date it was given.
  void QueueLookupAnswer(const Variant& rows);
  void QueueDateAnswer(const AnsiString& date);
  // Called for each help request (the launcher prints it).
  std::function<void(const AnsiString& system, const AnsiString& code)> OnHelp;

 private:
  std::shared_ptr<THostServices> services_;
};

}  // namespace suite
