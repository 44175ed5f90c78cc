#include "suite/host/HostObject.h"

#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Strings.h"

namespace suite {

using vcl::DesignText;
using vcl::VarArrayOf;

class THostServices : public std::enable_shared_from_this<THostServices> {
 public:
  explicit THostServices(THostCatalogue c) : catalogue(std::move(c)) {}
  THostCatalogue catalogue;
  THostLog log;
  std::deque<Variant> lookupAnswers;
  std::deque<AnsiString> dateAnswers;
  std::function<void(const AnsiString&, const AnsiString&)>* onHelp = nullptr;
  vcl::DispatchPtr host, counter, validator, lookup;
};

namespace {

// Reaches the services while the launcher's host lives; a plug-in that keeps a service past
// that gets the error an automation client gets from a server that has gone.
std::shared_ptr<THostServices> Lock(const std::weak_ptr<THostServices>& weak) {
  auto s = weak.lock();
  if (!s) throw vcl::EOleError("The host is no longer available");
  return s;
}

// The element `index` of an array argument, or the argument itself when it is not an array.
Variant Element(const Variant& v, int index) {
  const Variant& d = v.Deref();
  if (!d.IsArray()) return index == 0 ? d : Variant();
  const int low = vcl::VarArrayLowBound(d, 1), high = vcl::VarArrayHighBound(d, 1);
  return low + index <= high ? d[low + index] : Variant();
}

Variant RowVariant(const TCodeRow& row) {
  std::vector<Variant> columns;
  for (const AnsiString& c : row.columns) columns.emplace_back(c);
  return VarArrayOf(columns);
}

const TCodeRow* FindRow(const THostCatalogue& c, const AnsiString& table, const AnsiString& code) {
  auto t = c.tables.find(vcl::UpperCase(table));
  if (t == c.tables.end()) return nullptr;
  for (const TCodeRow& row : t->second)
    if (vcl::SameText(row.code, code)) return &row;
  return nullptr;
}

class THostAuto : public vcl::TAutoObject {
 public:
  explicit THostAuto(std::weak_ptr<THostServices> s) : s_(std::move(s)) {
    DefineProperty("VersionType",
                   [this](auto&) { return Variant(Lock(s_)->catalogue.versionType); });
    DefineProperty("ProductID", [this](auto&) { return Variant(Lock(s_)->catalogue.productId); });
    DefineMethod("GetMessage", [this](std::vector<Variant>& a) {
      CheckArgCount(a, 2);
      AnsiString number = a[1].Deref().AsString();
      if (!number.empty() && number[0] == '-') number.erase(0, 1);
      const auto& messages = Lock(s_)->catalogue.messages;
      auto it = messages.find(vcl::UpperCase(a[0].Deref().AsString()) + ";" + number);
      return Variant(it == messages.end() ? AnsiString() : it->second);
    });
    DefineMethod("CallHelp", [this](std::vector<Variant>& a) {
      CheckArgCount(a, 1);
      auto s = Lock(s_);
      const AnsiString system = vcl::VarToStr(Element(a[0], 0)),
                       code = vcl::VarToStr(Element(a[0], 1));
      s->log.helpRequests.emplace_back(system, code);
      if (s->onHelp && *s->onHelp) (*s->onHelp)(system, code);
      return Variant();
    });
    DefineProperty("Com_Counter", [this](auto&) { return Variant(Lock(s_)->counter); });
    DefineProperty("Com_Validator", [this](auto&) { return Variant(Lock(s_)->validator); });
    DefineProperty("Com_F2Window", [this](auto&) { return Variant(Lock(s_)->lookup); });
    DefineMethod("GetFileList", [this](std::vector<Variant>& a) {
      CheckArgCount(a, 1);
      const auto& files = Lock(s_)->catalogue.files;
      auto it = files.find(vcl::LowerCase(vcl::VarToStr(Element(a[0], 0))));
      return Variant(it == files.end() ? AnsiString() : it->second);
    });
  }

 private:
  std::weak_ptr<THostServices> s_;
};

class TCounterAuto : public vcl::TAutoObject {
 public:
  explicit TCounterAuto(std::weak_ptr<THostServices> s) : s_(std::move(s)) {
    // Row 0 the item names, row 1 their values, one column per item.
    DefineMethod("GetSysInfo", [this](std::vector<Variant>& a) {
      CheckArgCount(a, 1);
      const auto& all = Lock(s_)->catalogue.systemItems;
      auto it = all.find(vcl::VarToStr(a[0].Deref()));
      if (it == all.end() || it->second.empty()) return Variant();
      const int n = static_cast<int>(it->second.size());
      Variant table = vcl::VarArrayCreate({0, 1, 0, n - 1}, vcl::varVariant);
      for (int i = 0; i < n; ++i) {
        table.At({0, i}) = it->second[size_t(i)].first;
        table.At({1, i}) = it->second[size_t(i)].second;
      }
      return table;
    });
    // Generic server calls are answered from the code tables: "SIMPLESQL" with [table, code]
    // gives column 0 of that row.
    DefineMethod("GetCounter", [this](std::vector<Variant>& a) {
      CheckArgCount(a, 3);
      if (!vcl::SameText(vcl::VarToStr(a[0].Deref()), "SIMPLESQL")) return Variant();
      const TCodeRow* row = FindRow(Lock(s_)->catalogue, vcl::VarToStr(Element(a[1], 0)),
                                    vcl::VarToStr(Element(a[1], 1)));
      return row && !row->columns.empty() ? Variant(row->columns[0]) : Variant();
    });
  }

 private:
  std::weak_ptr<THostServices> s_;
};

class TValidatorAuto : public vcl::TAutoObject {
 public:
  explicit TValidatorAuto(std::weak_ptr<THostServices> s) : s_(std::move(s)) {
    DefineProperty(
        "ProductID", [this](auto&) { return productId_; },
        [this](auto&, const Variant& v) { productId_ = v; });
    DefineProperty(
        "BaseLimited", [this](auto&) { return baseLimited_; },
        [this](auto&, const Variant& v) { baseLimited_ = v; });
    // (table, key, database, values, row): found when the table holds the code in values[0];
    // the row receives the record's columns.
    auto check = [this](std::vector<Variant>& a) {
      CheckArgCount(a, 5);
      const TCodeRow* row = FindRow(Lock(s_)->catalogue, vcl::VarToStr(a[0].Deref()),
                                    vcl::VarToStr(Element(a[3], 0)));
      SetArg(a, 4, row ? RowVariant(*row) : Variant());
      return Variant(row != nullptr);
    };
    DefineMethod("QueryData", check);
    DefineMethod("CheckValue", check);
  }

 private:
  std::weak_ptr<THostServices> s_;
  Variant productId_, baseLimited_;
};

class TLookupAuto : public vcl::TAutoObject {
 public:
  explicit TLookupAuto(std::weak_ptr<THostServices> s) : s_(std::move(s)) {
    DefineMethod("F2GetData", [this](std::vector<Variant>& a) {
      CheckArgCount(a, 1);
      auto s = Lock(s_);
      const AnsiString table = vcl::VarToStr(Element(a[0], 0));
      s->log.lookups.push_back(table);
      if (!s->lookupAnswers.empty()) {
        Variant answer = s->lookupAnswers.front();
        s->lookupAnswers.pop_front();
        return answer;
      }
      const bool multi = Element(a[0], 3).Deref().IsEmpty() ? false : Element(a[0], 3).AsBoolean();
      const AnsiString text = vcl::VarToStr(Element(a[0], 4));
      std::vector<Variant> rows;
      auto t = s->catalogue.tables.find(vcl::UpperCase(table));
      if (t != s->catalogue.tables.end())
        for (const TCodeRow& row : t->second) {
          const bool match = text.empty() ||
                             vcl::AnsiPos(vcl::UpperCase(text), vcl::UpperCase(row.code)) > 0 ||
                             (!row.columns.empty() && vcl::AnsiPos(text, row.columns[0]) > 0);
          if (!match) continue;
          std::vector<Variant> columns{Variant(row.code)};
          for (const AnsiString& c : row.columns) columns.emplace_back(c);
          rows.push_back(VarArrayOf(columns));
          if (!multi) break;
        }
      return rows.empty() ? Variant() : VarArrayOf(rows);
    });
    DefineMethod("ShowInputDay", [this](std::vector<Variant>& a) {
      CheckArgCount(a, 1);
      auto s = Lock(s_);
      if (!s->dateAnswers.empty()) {
        AnsiString answer = s->dateAnswers.front();
        s->dateAnswers.pop_front();
        return Variant(answer);
      }
      return Variant(vcl::VarToStr(Element(a[0], 1)));
    });
    DefineMethod("GetPhrase", [](std::vector<Variant>& a) {
      CheckArgCount(a, 3);
      return Variant(AnsiString());
    });
  }

 private:
  std::weak_ptr<THostServices> s_;
};

}  // namespace

THostCatalogue DemoCatalogue() {
  THostCatalogue c;
  const std::pair<const char*, const char8_t*> messages[] = {
      {"E;000006", u8"无法连接应用服务器, 请检查客户端设定。"},
      {"E;000013", u8"工作提交失败: %s"},
      {"E;000030", u8"%s"},
      {"E;000036", u8"程序代号与窗体不符, 不能执行。"},
      {"E;000037", u8"必须输入的条件尚未输入。"},
      {"E;000038", u8"主程序传入的参数不完整。"},
      {"I;000004", u8"工作已放入工作队列, 工作编号: %s"},
  };
  for (const auto& [id, text] : messages) c.messages[id] = DesignText(text);
  c.systemItems["01"] = {{"KVL002", DesignText(u8"示范公司")}, {"Sys001", "1"}, {"Sys002", "/"}};
  c.tables["ADMMB"] = {
      {"ZKPR42", {DesignText(u8"员工出勤报表"), "", "", "", "Y", "", "", "Attendance Report"}}};
  c.tables["TAXMA"] = {{"01", {DesignText(u8"示范公司")}}, {"02", {DesignText(u8"华南分公司")}}};
  return c;
}

THost::THost(THostCatalogue catalogue)
    : services_(std::make_shared<THostServices>(std::move(catalogue))) {
  std::weak_ptr<THostServices> weak = services_;
  services_->host = std::make_shared<THostAuto>(weak);
  services_->counter = std::make_shared<TCounterAuto>(weak);
  services_->validator = std::make_shared<TValidatorAuto>(weak);
  services_->lookup = std::make_shared<TLookupAuto>(weak);
  services_->onHelp = &OnHelp;
}

THost::~THost() {
  services_->onHelp = nullptr;
}

Variant THost::Object() const {
  return Variant(services_->host);
}

THostCatalogue& THost::Catalogue() {
  return services_->catalogue;
}

const THostLog& THost::Log() const {
  return services_->log;
}

void THost::QueueLookupAnswer(const Variant& rows) {
  services_->lookupAnswers.push_back(rows);
}

void THost::QueueDateAnswer(const AnsiString& date) {
  services_->dateAnswers.push_back(date);
}

}  // namespace suite
