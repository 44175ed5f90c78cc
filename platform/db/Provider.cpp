#include "platform/db/Provider.h"

#include <utility>

#include "platform/rtl/Strings.h"

namespace vcl {

namespace {

TProvider& ProviderOf(const TRemoteDataModule& module, const Variant& name) {
  const AnsiString providerName = VarToStr(name.Deref());
  TProvider* provider = module.FindProvider(providerName);
  if (!provider) throw EDatabaseError("Provider " + providerName + " not found");
  return *provider;
}

}  // namespace

TRemoteDataModule::TRemoteDataModule() {
  DefineMethod("AS_GetProviderNames", [this](std::vector<Variant>& args) {
    CheckArgCount(args, 0);
    std::vector<Variant> names;
    names.reserve(providers_.size());
    for (const auto& [key, provider] : providers_) names.emplace_back(provider->Name());
    return VarArrayOf(names);
  });
  DefineMethod("AS_GetRecords", [this](std::vector<Variant>& args) {
    CheckArgCount(args, 1, 2);
    TProvider& provider = ProviderOf(*this, args[0]);
    const int maxRecords =
        args.size() > 1 && !args[1].Deref().IsNull() && !args[1].Deref().IsEmpty()
            ? args[1].Deref().AsInteger()
            : -1;
    return provider.GetRecords(maxRecords);
  });
  DefineMethod("AS_DataRequest", [this](std::vector<Variant>& args) {
    CheckArgCount(args, 2);
    TProvider& provider = ProviderOf(*this, args[0]);
    return provider.DataRequest(args[1].Deref());
  });
}

void TRemoteDataModule::AddProvider(std::shared_ptr<TProvider> provider) {
  if (!provider) return;
  AnsiString key = UpperCase(provider->Name());
  providers_[std::move(key)] = std::move(provider);
}

TProvider* TRemoteDataModule::FindProvider(std::string_view name) const {
  auto it = providers_.find(UpperCase(name));
  return it == providers_.end() ? nullptr : it->second.get();
}

}  // namespace vcl
