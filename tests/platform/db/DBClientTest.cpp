#include "platform/db/DBClient.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/Provider.h"
#include "platform/rtl/DateTime.h"

using namespace vcl;

namespace {

// What the server side saw.
struct ServerLog {
  int getRecords = 0;
  int lastMaxRecords = 0;
  std::vector<Variant> requests;
};

TPacketField PF(const char* name, TFieldType type, int size, const char* label, int width,
                bool visible = true, bool required = false) {
  return {name, type, size, label, width, visible, required};
}

// The server's condition table.
struct ConditionTable {
  std::vector<TPacketField> fields = {
      PF("NCONDITION", TFieldType::ftString, 20, "Condition", 24),
      PF("CREATOR", TFieldType::ftString, 10, "User", 0),
      PF("PROGRAMME", TFieldType::ftString, 12, "Program", 14),
      PF("CREATED", TFieldType::ftDateTime, 0, "", 0),
      PF("NOTE", TFieldType::ftMemo, 0, "Note", 0, false),
      PF("USES", TFieldType::ftInteger, 0, "Uses", 6, true, true),
  };
  std::vector<std::vector<Variant>> rows = {
      {"weekly", "admin", "report", Variant::FromDate(EncodeDate(2024, 1, 5)), "first", 3},
      {"Daily", "bob", "report", Variant::FromDate(EncodeDate(2024, 1, 2)), Null, 7},
      {"monthly", "admin", "billing", Variant::FromDate(EncodeDate(2024, 1, 3)), Null, 1},
      {"daily", "admin", "report", Variant::FromDate(EncodeDate(2024, 1, 4)), "second", 2},
      {"weekly", "admin", "billing", Variant::FromDate(EncodeDate(2024, 1, 1)), Null, 5},
      {"adhoc", "carol", "export", Null, Null, 0},
  };
};

// A server object with the condition provider; DataRequest answers "COUNT <user>" with the
// number of that user's conditions and echoes anything else.
class TConditionModule : public TRemoteDataModule {
 public:
  TConditionModule(std::shared_ptr<ConditionTable> table, std::shared_ptr<ServerLog> log) {
    AddProvider(std::make_shared<TProvider>(
        "dspCondition",
        [table, log](int maxRecords) {
          ++log->getRecords;
          log->lastMaxRecords = maxRecords;
          return MakeDataPacket(table->fields, table->rows);
        },
        [table, log](const Variant& data) -> Variant {
          log->requests.push_back(data);
          const AnsiString text = VarToStr(data);
          if (text.rfind("COUNT ", 0) == 0) {
            int count = 0;
            for (const auto& row : table->rows)
              if (VarToStr(row[1]) == text.substr(6)) ++count;
            return count;
          }
          return VarArrayOf({"echo", data});
        }));
  }
};

// A remote server inside the test process: the same calls a socket connection makes, on a
// local server object. `refuse` makes connecting fail the way a connection does.
class TLocalServer : public TCustomRemoteServer {
 public:
  TLocalServer(TComponent* owner, DispatchPtr server)
      : TCustomRemoteServer(owner), server_(std::move(server)) {}

  Variant GetServer() override {
    SetConnected(true);
    return Variant(server_);
  }
  Variant AppServer() const override { return connected_ ? Variant(server_) : Variant(); }
  bool Connected() const override { return connected_; }
  void SetConnected(bool value) override {
    if (value == connected_) return;
    if (value && refuse) throw EOleSysError("Socket error 10061: connection refused", E_FAIL);
    connected_ = value;
  }

  bool refuse = false;

 private:
  DispatchPtr server_;
  bool connected_ = false;
};

class DBClient : public ::testing::Test {
 protected:
  DBClient() {
    server.SetName("conServer");
    cds.SetRemoteServer(&server);
    cds.SetProviderName("dspCondition");
  }

  std::vector<std::string> Column(const char* field) {
    std::vector<std::string> values;
    cds.First();
    for (int guard = 0; !cds.Eof() && guard < 100; ++guard) {
      values.push_back(cds.FieldByName(field)->AsString());
      cds.Next();
    }
    return values;
  }
  // name/user/program of the current record
  std::string Key() {
    return cds.FieldByName("NCONDITION")->AsString() + "/" +
           cds.FieldByName("CREATOR")->AsString() + "/" + cds.FieldByName("PROGRAMME")->AsString();
  }

  std::shared_ptr<ConditionTable> table = std::make_shared<ConditionTable>();
  std::shared_ptr<ServerLog> log = std::make_shared<ServerLog>();
  TLocalServer server{nullptr, std::make_shared<TConditionModule>(table, log)};
  TClientDataSet cds{nullptr};
};

using Strings = std::vector<std::string>;

TEST_F(DBClient, OpeningFetchesTheRecordsAndBuildsFieldsFromThePacket) {
  cds.Open();
  EXPECT_TRUE(server.Connected()) << "opening connects";
  EXPECT_EQ(log->getRecords, 1);
  EXPECT_EQ(log->lastMaxRecords, -1);
  EXPECT_EQ(cds.RecordCount(), 6);
  EXPECT_EQ(Column("NCONDITION"),
            Strings({"weekly", "Daily", "monthly", "daily", "weekly", "adhoc"}));

  struct Case {
    const char* field;
    const char* fieldClass;
    const char* label;
    int width;
    int size;
    bool visible, required;
  };
  const std::vector<Case> cases = {
      {"NCONDITION", "TStringField", "Condition", 24, 20, true, false},
      {"CREATOR", "TStringField", "User", 10, 10, true, false},
      {"PROGRAMME", "TStringField", "Program", 14, 12, true, false},
      {"CREATED", "TDateTimeField", "CREATED", 18, 0, true, false},
      {"NOTE", "TMemoField", "Note", 10, 0, false, false},
      {"USES", "TIntegerField", "Uses", 6, 0, true, true},
  };
  ASSERT_EQ(cds.FieldCount(), static_cast<int>(cases.size()));
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.field);
    TField* f = cds.Fields()->Fields(static_cast<int>(i));
    EXPECT_EQ(f->FieldName(), c.field);
    EXPECT_STREQ(f->ClassName(), c.fieldClass);
    EXPECT_EQ(f->DisplayLabel(), c.label);
    EXPECT_EQ(f->DisplayWidth(), c.width);
    EXPECT_EQ(f->Size(), c.size);
    EXPECT_EQ(f->Visible(), c.visible);
    EXPECT_EQ(f->Required(), c.required);
    EXPECT_EQ(f->Owner(), &cds);
  }
  cds.First();
  EXPECT_EQ(cds.FieldByName("CREATED")->AsString(), "2024/01/05");
  EXPECT_EQ(cds.FieldByName("USES")->AsInteger(), 3);

  cds.Close();
  EXPECT_EQ(cds.FieldCount(), 0);
  cds.SetPacketRecords(2);
  cds.Open();
  EXPECT_EQ(log->lastMaxRecords, 2) << "PacketRecords is what the provider is asked for";
}

TEST_F(DBClient, FieldsCreatedInCodeTakeOnlyTheirColumns) {
  TStringField name(nullptr);
  name.SetFieldName("NCONDITION");
  name.SetDataSet(&cds);
  TIntegerField uses(nullptr);
  uses.SetFieldName("USES");
  uses.SetDataSet(&cds);
  cds.Open();
  EXPECT_EQ(cds.FieldCount(), 2);
  EXPECT_EQ(name.AsString(), "weekly");
  EXPECT_EQ(uses.AsInteger(), 3);
  EXPECT_EQ(name.DisplayLabel(), "NCONDITION") << "the packet's label is for created fields";
  cds.Close();

  TStringField nope(nullptr);
  nope.SetFieldName("NOPE");
  nope.SetDataSet(&cds);
  try {
    cds.Open();
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field 'NOPE' not found");
  }
  EXPECT_FALSE(cds.Active());
}

TEST_F(DBClient, DataRequestsReachTheProviderAndBringBackItsAnswer) {
  EXPECT_EQ(cds.DataRequest("COUNT admin"), Variant(4));
  EXPECT_EQ(cds.DataRequest("hello"), VarArrayOf({"echo", "hello"}));
  ASSERT_EQ(log->requests.size(), 2u);
  EXPECT_EQ(log->requests[0], Variant("COUNT admin"));
  EXPECT_EQ(log->getRecords, 0) << "a request does not fetch records";
  EXPECT_EQ(cds.GetProviderNames(), std::vector<AnsiString>{"dspCondition"});
}

TEST_F(DBClient, ServerErrorsReachTheCaller) {
  struct Case {
    const char* name;
    std::function<void()> act;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"unknown provider on open",
       [&] {
         cds.SetProviderName("dspNope");
         cds.Open();
       },
       "Provider dspNope not found"},
      {"unknown provider on request", [&] { cds.DataRequest("x"); }, "Provider dspNope not found"},
      {"server that cannot connect",
       [&] {
         cds.SetProviderName("dspCondition");
         server.SetConnected(false);
         server.refuse = true;
         cds.Open();
       },
       "Socket error 10061: connection refused"},
      {"no remote server",
       [&] {
         cds.SetRemoteServer(nullptr);
         cds.Open();
       },
       "Missing data provider or data packet"},
      {"no remote server for a request", [&] { cds.DataRequest("x"); },
       "Missing data provider or data packet"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.act();
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_FALSE(cds.Active());
  }
  // The provider error arrives as the automation error it is.
  cds.SetRemoteServer(&server);
  server.refuse = false;
  cds.SetProviderName("dspNope");
  EXPECT_THROW(cds.Open(), EOleException);
}

TEST_F(DBClient, IndexesOrderTheRecordsAndFindKeys) {
  cds.IndexDefs()->Add("Index1", "NCONDITION;CREATOR;PROGRAMME", ixCaseInsensitive);
  cds.IndexDefs()->Add("ByUses", "USES", ixDescending);
  cds.Open();
  cds.SetRecNo(4);  // daily/admin/report
  cds.SetIndexName("Index1");
  EXPECT_EQ(Key(), "daily/admin/report") << "the cursor stays on its record";
  EXPECT_EQ(Column("NCONDITION"),
            Strings({"adhoc", "daily", "Daily", "monthly", "weekly", "weekly"}));
  EXPECT_EQ(Column("PROGRAMME")[4], "billing") << "later index fields order equal names";
  EXPECT_EQ(cds.IndexFieldCount(), 3);
  EXPECT_EQ(cds.IndexFields(1)->FieldName(), "CREATOR");

  struct Case {
    std::vector<Variant> key;
    bool found;
    std::string record;  // the current record afterwards
  };
  const std::vector<Case> cases = {
      {{"weekly", "admin", "report"}, true, "weekly/admin/report"},
      {{"Weekly", "ADMIN", "Billing"}, true, "weekly/admin/billing"},
      {{"monthly", "admin", "report"}, false, "weekly/admin/billing"},
      {{"daily", "bob"}, true, "Daily/bob/report"},
      {{"adhoc"}, true, "adhoc/carol/export"},
      {{"nothing"}, false, "adhoc/carol/export"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.record);
    EXPECT_EQ(cds.FindKey(c.key), c.found);
    EXPECT_EQ(Key(), c.record);
  }
  try {
    cds.FindKey({"a", "b", "c", "d"});
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Too many key values");
  }
  cds.FindNearest({"e"});
  EXPECT_EQ(Key(), "monthly/admin/billing");
  cds.FindNearest({"zzz"});
  EXPECT_EQ(Key(), "weekly/admin/report") << "past every key: the last record";

  cds.SetIndexName("ByUses");
  EXPECT_EQ(Column("USES"), Strings({"7", "5", "3", "2", "1", "0"}));
  cds.SetIndexFieldNames("CREATOR;USES");
  EXPECT_EQ(cds.IndexName(), "");
  EXPECT_EQ(Column("USES"), Strings({"1", "2", "3", "5", "7", "0"}));
  cds.SetIndexName("");
  cds.SetIndexFieldNames("");
  EXPECT_EQ(Column("NCONDITION"),
            Strings({"weekly", "Daily", "monthly", "daily", "weekly", "adhoc"}));
  try {
    cds.FindKey({"weekly"});
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "No index currently active");
  }
  try {
    cds.SetIndexName("Nope");
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Index 'Nope' not found");
  }
  EXPECT_THROW(cds.SetIndexFieldNames("NOPE"), EDatabaseError);
  EXPECT_EQ(cds.IndexFieldNames(), "") << "a refused index leaves the order as it was";
}

TEST_F(DBClient, CaseSensitiveIndexesKeepUpperAndLowerCaseApart) {
  cds.IndexDefs()->Add("Exact", "NCONDITION");
  cds.SetIndexName("Exact");
  cds.Open();
  EXPECT_EQ(Column("NCONDITION"),
            Strings({"Daily", "adhoc", "daily", "monthly", "weekly", "weekly"}));
  EXPECT_FALSE(cds.FindKey({"DAILY"}));
  EXPECT_TRUE(cds.FindKey({"daily"}));
  EXPECT_EQ(cds.FieldByName("CREATOR")->AsString(), "admin");
}

TEST_F(DBClient, LocalEditsStayInTheDataSetUntilCancelled) {
  cds.Open();
  cds.Edit();
  cds.FieldByName("NCONDITION")->SetAsString("yearly");
  cds.Post();
  cds.Last();
  cds.Delete();
  cds.AppendRecord({"new", "dave", "misc", Variant(), Variant(), 9});
  EXPECT_EQ(cds.ChangeCount(), 3);
  EXPECT_EQ(Column("NCONDITION"),
            Strings({"yearly", "Daily", "monthly", "daily", "weekly", "new"}));
  EXPECT_EQ(log->getRecords, 1) << "nothing went back to the server";
  EXPECT_TRUE(log->requests.empty());
  EXPECT_EQ(table->rows[0][0], Variant("weekly"));

  // Editing the same record again, and a record added and removed, add no changes.
  cds.First();
  cds.Edit();
  cds.FieldByName("CREATOR")->SetAsString("eve");
  cds.Post();
  cds.Append();
  cds.FieldByName("USES")->SetAsInteger(1);
  cds.Post();
  cds.Delete();
  EXPECT_EQ(cds.ChangeCount(), 3);

  try {
    cds.Refresh();
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Must apply updates before refreshing data");
  }

  cds.CancelUpdates();
  EXPECT_EQ(cds.ChangeCount(), 0);
  EXPECT_EQ(Column("NCONDITION"),
            Strings({"weekly", "Daily", "monthly", "daily", "weekly", "adhoc"}));
  EXPECT_EQ(Column("CREATOR")[0], "admin");

  // Merged changes are the new starting point.
  cds.First();
  cds.Delete();
  cds.MergeChangeLog();
  EXPECT_EQ(cds.ChangeCount(), 0);
  cds.Edit();
  cds.FieldByName("NCONDITION")->SetAsString("changed");
  cds.Post();
  cds.CancelUpdates();
  EXPECT_EQ(Column("NCONDITION"), Strings({"Daily", "monthly", "daily", "weekly", "adhoc"}));

  // Refresh fetches again and shows what the server has now.
  table->rows.pop_back();
  cds.Refresh();
  EXPECT_EQ(log->getRecords, 2);
  EXPECT_EQ(cds.RecordCount(), 5);
}

TEST_F(DBClient, ReadOnlyDataSetsRefuseEdits) {
  cds.SetReadOnly(true);
  cds.Open();
  EXPECT_THROW(cds.Edit(), EDatabaseError);
  EXPECT_THROW(cds.Append(), EDatabaseError);
  EXPECT_EQ(cds.ChangeCount(), 0);
}

TEST_F(DBClient, TheFormsClassNameBehavesTheSameAndTheServerIsForgottenWhenFreed) {
  const TClass* cls = GetClass("TwwClientDataSet");
  ASSERT_NE(cls, nullptr);
  std::unique_ptr<TComponent, TFreeDeleter> made(
      static_cast<TComponent*>(cls->GetCreator()(nullptr)));
  auto* ww = dynamic_cast<TwwClientDataSet*>(made.get());
  ASSERT_NE(ww, nullptr);
  EXPECT_EQ(GetClass("TClientDataSet"), TClientDataSet::StaticClass());

  auto* other = new TLocalServer(nullptr, std::make_shared<TConditionModule>(table, log));
  ww->SetRemoteServer(other);
  ww->SetProviderName("dspCondition");
  ww->Open();
  EXPECT_EQ(ww->RecordCount(), 6);
  other->Free();
  EXPECT_EQ(ww->RemoteServer(), nullptr);
  EXPECT_EQ(ww->RecordCount(), 6) << "the fetched records stay";
  EXPECT_THROW(ww->DataRequest("x"), EDatabaseError);
}

TEST(DBClientLocal, DataSetsCreatedLocallyAndCopiedThroughPackets) {
  TClientDataSet cds(nullptr);
  try {
    cds.Open();
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Missing data provider or data packet");
  }
  cds.FieldDefs()->Add("CODE", TFieldType::ftString, 8, true);
  cds.FieldDefs()->Add("QTY", TFieldType::ftInteger);
  cds.CreateDataSet();
  EXPECT_TRUE(cds.Active());
  EXPECT_TRUE(cds.IsEmpty());
  cds.AppendRecord({"b", 2});
  cds.AppendRecord({"a", 1});
  cds.InsertRecord({"c", Variant()});
  EXPECT_EQ(cds.RecordCount(), 3);
  EXPECT_THROW(cds.AppendRecord({Variant(), 4}), EDatabaseError) << "CODE is required";
  cds.Cancel();

  TClientDataSet copy(nullptr);
  copy.SetData(cds.Data());
  EXPECT_EQ(copy.RecordCount(), 3);
  copy.SetIndexFieldNames("CODE");
  std::vector<std::string> codes;
  for (copy.First(); !copy.Eof(); copy.Next())
    codes.push_back(copy.FieldByName("CODE")->AsString());
  EXPECT_EQ(codes, Strings({"a", "b", "c"}));
  EXPECT_TRUE(copy.FieldByName("CODE")->Required());
  copy.FindKey({"c"});
  EXPECT_TRUE(copy.FieldByName("QTY")->IsNull());

  cds.EmptyDataSet();
  EXPECT_TRUE(cds.IsEmpty());
  EXPECT_EQ(cds.ChangeCount(), 0);
  cds.Close();
  EXPECT_THROW(cds.Open(), EDatabaseError) << "local records do not outlive closing";
  EXPECT_THROW(copy.SetData(Variant("not a packet")), EDatabaseError);
  EXPECT_EQ(copy.RecordCount(), 3) << "a bad packet leaves the data set alone";
}

TEST(DBClientPacket, PacketsRoundTripAndBadPacketsAreRefused) {
  const std::vector<TPacketField> fields = {PF("A", TFieldType::ftString, 5, "Label A", 7),
                                            PF("B", TFieldType::ftFloat, 0, "", 0, false, true)};
  const std::vector<std::vector<Variant>> rows = {{"x", 1.5}, {Null, 2.0}};
  const Variant packet = MakeDataPacket(fields, rows);
  std::vector<TPacketField> readFields;
  std::vector<std::vector<Variant>> readRows;
  ReadDataPacket(packet, readFields, readRows);
  ASSERT_EQ(readFields.size(), 2u);
  EXPECT_EQ(readFields[0].Name, "A");
  EXPECT_EQ(readFields[0].Size, 5);
  EXPECT_EQ(readFields[0].DisplayLabel, "Label A");
  EXPECT_EQ(readFields[0].DisplayWidth, 7);
  EXPECT_EQ(readFields[1].DataType, TFieldType::ftFloat);
  EXPECT_FALSE(readFields[1].Visible);
  EXPECT_TRUE(readFields[1].Required);
  EXPECT_EQ(readRows, rows);

  EXPECT_THROW(MakeDataPacket(fields, {{"only one"}}), EDatabaseError);

  const Variant def = VarArrayOf({"A", 1, 5, "", 0, true, false});
  const std::vector<std::pair<const char*, Variant>> bad = {
      {"not an array", Variant("text")},
      {"three parts", VarArrayOf({VarArrayOf({def}), VarArrayOf({}), 1})},
      {"definitions not an array", VarArrayOf({1, VarArrayOf({})})},
      {"short definition", VarArrayOf({VarArrayOf({VarArrayOf({"A", 1})}), VarArrayOf({})})},
      {"unknown type",
       VarArrayOf({VarArrayOf({VarArrayOf({"A", 99, 5, "", 0, true, false})}), VarArrayOf({})})},
      {"row of the wrong length",
       VarArrayOf({VarArrayOf({def}), VarArrayOf({VarArrayOf({1, 2})})})},
      {"row not an array", VarArrayOf({VarArrayOf({def}), VarArrayOf({1})})},
  };
  for (const auto& [name, p] : bad) {
    SCOPED_TRACE(name);
    try {
      ReadDataPacket(p, readFields, readRows);
      ADD_FAILURE();
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.Message(), "Invalid data packet");
    }
  }
}

}  // namespace
