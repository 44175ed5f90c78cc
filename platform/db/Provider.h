// Providers: the server side of client data sets. A server object that derives from
// TRemoteDataModule publishes providers by name and answers the provider members that client
// data sets call:
//   "AS_GetProviderNames" ()                      -> array of names
//   "AS_GetRecords" (provider, maxRecords)        -> data packet (maxRecords -1: all)
//   "AS_DataRequest" (provider, data)             -> the provider's answer
// An unknown provider raises EDatabaseError "Provider <name> not found".
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/com/Dispatch.h"
#include "platform/db/DBTypes.h"

namespace vcl {

// A named source of rows on the server.
class TProvider {
 public:
  using RowsFn = std::function<Variant(int maxRecords)>;  // returns a data packet
  using DataRequestFn = std::function<Variant(const Variant& data)>;

  TProvider(AnsiString name, RowsFn rows, DataRequestFn dataRequest = nullptr)
      : name_(std::move(name)), rows_(std::move(rows)), dataRequest_(std::move(dataRequest)) {}
  const AnsiString& Name() const { return name_; }
  Variant GetRecords(int maxRecords) const { return rows_(maxRecords); }
  // Without a handler the request is answered with an empty variant.
  Variant DataRequest(const Variant& data) const {
    return dataRequest_ ? dataRequest_(data) : Variant();
  }

 private:
  AnsiString name_;
  RowsFn rows_;
  DataRequestFn dataRequest_;
};

// An automation server object with providers.
class TRemoteDataModule : public TAutoObject {
 public:
  TRemoteDataModule();
  // Adds (or replaces) a provider.
  void AddProvider(std::shared_ptr<TProvider> provider);
  // The provider of that name (ignoring case), or nullptr.
  TProvider* FindProvider(std::string_view name) const;

 private:
  std::map<AnsiString, std::shared_ptr<TProvider>> providers_;  // keyed by upper-case name
};

}  // namespace vcl
