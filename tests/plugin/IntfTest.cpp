#include <gtest/gtest.h>

#include <memory>

#include "plugin/HostIntf.h"
#include "plugin/ServerIntf.h"

namespace kv {
namespace {

using vcl::VarArrayOf;

// An automation object that records every call (member and arguments as received) and
// answers from a table; by-reference arguments are written back as "<member>:<index>".
class Recorder : public vcl::TAutoObject {
 public:
  struct Call {
    AnsiString member;
    std::vector<Variant> args;  // dereferenced copies
    std::vector<bool> byRef;
  };

  Recorder(std::initializer_list<std::pair<const char*, Variant>> answers) {
    for (const auto& [name, answer] : answers) {
      const AnsiString member = name;
      const Variant value = answer;
      DefineProperty(
          member,
          [this, member, value](std::vector<Variant>& args) {
            Record(member, args);
            for (size_t i = 0; i < args.size(); ++i)
              if (args[i].IsByRef()) SetArg(args, i, member + ":" + std::to_string(i));
            return value;
          },
          [this, member](std::vector<Variant>& args, const Variant& v) {
            std::vector<Variant> all = args;
            all.push_back(v);
            Record(member, all);
          });
    }
  }

  std::vector<Call> calls;

 private:
  void Record(const AnsiString& member, const std::vector<Variant>& args) {
    Call c{member, {}, {}};
    for (const Variant& a : args) {
      c.args.push_back(a.Deref());
      c.byRef.push_back(a.IsByRef());
    }
    calls.push_back(c);
  }
};

struct Fixture : ::testing::Test {
  std::shared_ptr<Recorder> Make(std::initializer_list<std::pair<const char*, Variant>> answers) {
    auto r = std::make_shared<Recorder>(answers);
    object = Variant(vcl::DispatchPtr(r));
    return r;
  }
  Variant object;
};

TEST_F(Fixture, HostMembersTakeTheirArgumentsInOrder) {
  auto rec = Make({{"VersionType", 2},
                   {"ProductID", 5},
                   {"GetMessage", "No rights"},
                   {"CallHelp", Variant()},
                   {"Com_Counter", "counter"},
                   {"GetFileList", "zkpr42s.dll|9.0"}});
  THostObject host(object);
  EXPECT_TRUE(host.Assigned());
  EXPECT_EQ(host.VersionType(), 2);
  EXPECT_EQ(host.ProductID(), 5);
  EXPECT_EQ(host.GetMessage("E", "000038"), "No rights");
  host.CallHelp("ZKP", "12420000");
  EXPECT_EQ(host.CounterService().AsString(), "counter");
  EXPECT_EQ(host.GetFileList("ZKPR42S.DLL"), "zkpr42s.dll|9.0");

  ASSERT_EQ(rec->calls.size(), 6u);
  EXPECT_EQ(rec->calls[2].args, (std::vector<Variant>{"E", "000038"}));
  ASSERT_EQ(rec->calls[3].args.size(), 1u) << "help goes as one array";
  EXPECT_EQ(rec->calls[3].args[0], VarArrayOf({"ZKP", "12420000"}));
  EXPECT_EQ(rec->calls[5].args[0], VarArrayOf({"zkpr42s.dll"})) << "the file name is lower-cased";
  // Members the host lacks raise, for the caller to guard.
  EXPECT_THROW(host.ValidatorService(), vcl::EOleError);
}

TEST_F(Fixture, EmptyOrNonObjectHostsAreNotAssignedAndCallsRaise) {
  for (const Variant& v : {Variant(), Variant::NullValue(), Variant("text")}) {
    THostObject host(v);
    EXPECT_FALSE(host.Assigned());
    EXPECT_ANY_THROW(host.VersionType());
  }
}

TEST_F(Fixture, ServiceCallsPassReferencesTheServiceWritesThrough) {
  auto rec = Make({{"GetSysInfo", VarArrayOf({"KVL002"})},
                   {"GetCounter", 7},
                   {"QueryData", true},
                   {"CheckValue", false},
                   {"ProductID", Variant()},
                   {"BaseLimited", Variant()},
                   {"F2GetData", VarArrayOf({VarArrayOf({"D01", "Sales"})})},
                   {"ShowInputDay", "20261211"},
                   {"GetPhrase", "regards"}});
  TCounterService counter(object);
  Variant company = "01";
  EXPECT_EQ(counter.GetSysInfo(company), VarArrayOf({"KVL002"}));
  EXPECT_TRUE(rec->calls.back().byRef[0]);
  EXPECT_EQ(company.AsString(), "GetSysInfo:0") << "the service may change the company id";
  Variant args = VarArrayOf({"select 1", "A"});
  EXPECT_EQ(counter.GetCounter("SIMPLESQL", args, "demo", "01").AsInteger(), 7);
  EXPECT_EQ(rec->calls.back().args[2], VarArrayOf({"demo", "01"}));
  EXPECT_EQ(rec->calls.back().byRef, (std::vector<bool>{false, true, false}));

  TValidatorService validator(object);
  validator.SetProductID(3);
  validator.SetBaseLimited("D01");
  EXPECT_EQ(rec->calls.back().member, "BaseLimited");
  EXPECT_EQ(rec->calls.back().args, (std::vector<Variant>{"D01"}));
  Variant table = "ADMMB", key = "01", db = "demo", values = VarArrayOf({"ZKPR42"}), row;
  EXPECT_TRUE(validator.QueryData(table, key, db, values, row));
  EXPECT_EQ(rec->calls.back().byRef, std::vector<bool>(5, true));
  EXPECT_EQ(row.AsString(), "QueryData:4") << "the row receives the record found";
  EXPECT_FALSE(validator.CheckValue(table, key, db, values, row));

  TLookupService lookup(object);
  EXPECT_EQ(lookup.F2GetData(VarArrayOf({"TAXMA"})), VarArrayOf({VarArrayOf({"D01", "Sales"})}));
  EXPECT_EQ(lookup.ShowInputDay(false, "20261211", "demo"), "20261211");
  EXPECT_EQ(rec->calls.back().args[0], VarArrayOf({false, "20261211", "demo"}));
  Variant dbName = "demo";
  EXPECT_EQ(lookup.GetPhrase("admin", dbName, 4242), "regards");
  EXPECT_EQ(rec->calls.back().byRef, (std::vector<bool>{false, true, false}));
  EXPECT_EQ(rec->calls.back().args[2].AsInteger(), 4242);
}

TEST_F(Fixture, ServerMembersAndTheirArguments) {
  auto rec = Make({{"Request", "J0001"},
                   {"Request1", kServerError},
                   {"ErrorDescript", "disk full"},
                   {"GetPower", VarArrayOf({"Y"})},
                   {"UpdateStatus1", Variant()},
                   {"LoadTable", Variant()},
                   {"InsertConTable", ""},
                   {"DeleteConTable", "in use"},
                   {"GetF2Data", "rows"}});
  TAppServerObject server(object);
  const Variant request = VarArrayOf({VarArrayOf({"R"}), VarArrayOf({}), VarArrayOf({})});
  EXPECT_EQ(server.Request(request), "J0001");
  EXPECT_EQ(server.Request1(request, "PC01"), kServerError);
  EXPECT_EQ(rec->calls.back().args, (std::vector<Variant>{request, "PC01"}));
  EXPECT_EQ(server.ErrorDescript(), "disk full");
  server.GetPower("demo", "admin", "ZKPR42");
  EXPECT_EQ(rec->calls.back().args[0], VarArrayOf({"demo", "admin", "ZKPR42", ""}));
  Variant job = "J0001";
  server.UpdateStatus1(job, VarArrayOf({"done"}), 46000.5);
  EXPECT_EQ(rec->calls.back().byRef, (std::vector<bool>{true, false, false}));
  EXPECT_EQ(rec->calls.back().args[2].VarType(), vcl::varDate);
  Variant userAndProgram = VarArrayOf({"admin", "ZKPR42"});
  server.LoadTable(userAndProgram);
  EXPECT_TRUE(rec->calls.back().byRef[0]);
  Variant record = VarArrayOf({"scheme"}), keyValue = "k";
  EXPECT_EQ(server.InsertConTable({&record, &keyValue}), "") << "empty text: success";
  EXPECT_EQ(server.DeleteConTable({&keyValue}), "in use");
  EXPECT_EQ(keyValue.AsString(), "DeleteConTable:0");
  EXPECT_EQ(server.GetF2Data({"TAXMA", 1}).AsString(), "rows");
  EXPECT_EQ(rec->calls.back().args, (std::vector<Variant>{"TAXMA", 1}));
  EXPECT_THROW(server.ChangeConName({&keyValue}), vcl::EOleError) << "a member the server lacks";
}

}  // namespace
}  // namespace kv
