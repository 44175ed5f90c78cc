// The launcher's host object, called the way the plug-in calls it.
#include "suite/host/HostObject.h"

#include <gtest/gtest.h>

#include "platform/rtl/CodePages.h"
#include "plugin/HostIntf.h"

namespace suite {
namespace {

using vcl::DesignText;
using vcl::VarArrayOf;

struct HostFixture : ::testing::Test {
  THost host{DemoCatalogue()};
  kv::THostObject view{host.Object()};
};

TEST_F(HostFixture, IdentityMessagesAndHelp) {
  EXPECT_EQ(view.VersionType(), 1);
  EXPECT_EQ(view.ProductID(), 1);
  host.Catalogue().productId = 5;
  EXPECT_EQ(view.ProductID(), 5);
  struct Case {
    const char* kind;
    const char* number;
    bool known;
  } cases[] = {{"E", "000038", true},
               {"e", "000038", true},
               {"I", "-000004", true},
               {"E", "999999", false},
               {"X", "000038", false}};
  for (const Case& c : cases)
    EXPECT_EQ(!view.GetMessage(c.kind, c.number).empty(), c.known) << c.kind << ";" << c.number;
  EXPECT_EQ(view.GetMessage("I", "000004"), DesignText(u8"工作已放入工作队列, 工作编号: %s"));

  std::vector<std::pair<AnsiString, AnsiString>> seen;
  host.OnHelp = [&](const AnsiString& s, const AnsiString& c) { seen.emplace_back(s, c); };
  view.CallHelp("ZKP", "12420000");
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], (std::pair<AnsiString, AnsiString>{"ZKP", "12420000"}));
  EXPECT_EQ(host.Log().helpRequests, seen);
  EXPECT_EQ(view.GetFileList("ZKPR42S.DLL"), "") << "no module files in the demo";
  host.Catalogue().files["zkpr42s.dll"] = "9.0";
  EXPECT_EQ(view.GetFileList("ZKPR42S.DLL"), "9.0");
}

TEST_F(HostFixture, CounterServiceGivesTheCompanysSystemItems) {
  kv::TCounterService counter(view.CounterService());
  ASSERT_TRUE(counter.Assigned());
  Variant company = "01";
  const Variant items = counter.GetSysInfo(company);
  ASSERT_TRUE(items.IsArray());
  EXPECT_EQ(vcl::VarArrayHighBound(items, 1), 1) << "two rows: names and values";
  EXPECT_EQ(items.At({0, 0}).AsString(), "KVL002");
  EXPECT_EQ(items.At({1, 0}).AsString(), DesignText(u8"示范公司"));
  Variant other = "77";
  EXPECT_TRUE(counter.GetSysInfo(other).IsEmpty()) << "an unknown company has no items";
  Variant args = VarArrayOf({"TAXMA", "02"});
  EXPECT_EQ(counter.GetCounter("SIMPLESQL", args, "demo", "01").AsString(),
            DesignText(u8"华南分公司"));
  EXPECT_TRUE(counter.GetCounter("OTHER", args, "demo", "01").IsEmpty());
}

TEST_F(HostFixture, ValidatorFindsProgramRegisterEntriesAndCodes) {
  kv::TValidatorService validator(view.ValidatorService());
  validator.SetProductID(1);
  validator.SetBaseLimited("");
  Variant table = "ADMMB", key = "01", db = "demo", values = VarArrayOf({"zkpr42"}), row;
  ASSERT_TRUE(validator.QueryData(table, key, db, values, row));
  EXPECT_EQ(row[0].AsString(), DesignText(u8"员工出勤报表"));
  EXPECT_EQ(row[4].AsString(), "Y");
  EXPECT_EQ(vcl::VarArrayHighBound(row, 1), 7);
  values = VarArrayOf({"ZZZZ99"});
  EXPECT_FALSE(validator.CheckValue(table, key, db, values, row));
  EXPECT_TRUE(row.IsEmpty()) << "nothing found: the row is cleared";
  table = "TAXMA";
  values = "02";  // a single code instead of an array
  EXPECT_TRUE(validator.CheckValue(table, key, db, values, row));
}

TEST_F(HostFixture, LookupWindowPicksByTextOrFromTheScript) {
  kv::TLookupService lookup(view.LookupService());
  auto request = [](const char* table, bool multi, const AnsiString& text) {
    std::vector<Variant> r(19);
    r[0] = table;
    r[3] = multi;
    r[4] = text;
    return VarArrayOf(r);
  };
  Variant all = lookup.F2GetData(request("TAXMA", true, ""));
  ASSERT_TRUE(all.IsArray());
  EXPECT_EQ(vcl::VarArrayHighBound(all, 1), 1);
  EXPECT_EQ(all[1][0].AsString(), "02");
  Variant single = lookup.F2GetData(request("TAXMA", false, DesignText(u8"华南")));
  ASSERT_TRUE(single.IsArray());
  EXPECT_EQ(vcl::VarArrayHighBound(single, 1), 0);
  EXPECT_EQ(single[0][0].AsString(), "02");
  EXPECT_TRUE(lookup.F2GetData(request("NOSUCH", true, "")).IsEmpty());
  host.QueueLookupAnswer(VarArrayOf({VarArrayOf({"X1"})}));
  EXPECT_EQ(lookup.F2GetData(request("TAXMA", true, ""))[0][0].AsString(), "X1");
  EXPECT_EQ(host.Log().lookups.size(), 4u);

  EXPECT_EQ(lookup.ShowInputDay(false, "20261211", "demo"), "20261211");
  host.QueueDateAnswer("20270101");
  EXPECT_EQ(lookup.ShowInputDay(false, "20261211", "demo"), "20270101");
  Variant db = "demo";
  EXPECT_EQ(lookup.GetPhrase("admin", db, 0), "");
}

TEST(HostLifetime, ServicesKeptPastTheHostFailCleanly) {
  Variant counter;
  {
    THost host(DemoCatalogue());
    counter = kv::THostObject(host.Object()).CounterService();
  }
  Variant company = "01";
  EXPECT_THROW(kv::TCounterService(counter).GetSysInfo(company), vcl::EOleError);
}

}  // namespace
}  // namespace suite
