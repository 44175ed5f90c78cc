#include "platform/db/DB.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Strings.h"
#include "tests/support/TestSupport.h"

using namespace vcl;

namespace {

// A data set over rows given in code: the smallest subclass of the abstract data set.
class TRowsDataSet : public TDataSet {
 public:
  explicit TRowsDataSet(TComponent* owner = nullptr) : TDataSet(owner) {}

  std::vector<TFieldDef> defs;
  std::vector<std::vector<Variant>> rows;
  bool readOnly = false;

  bool CanModify() const override { return !readOnly; }

 protected:
  void InternalOpen() override {
    FieldDefs()->Clear();
    for (const TFieldDef& d : defs) FieldDefs()->Add(d);
    std::vector<Variant> values;
    for (const auto& row : rows) values.insert(values.end(), row.begin(), row.end());
    LoadRecords(std::move(values), static_cast<int>(rows.size()));
  }
};

TFieldDef Def(const char* name, TFieldType type, int size = 0, bool required = false) {
  TFieldDef d;
  d.Name = name;
  d.DataType = type;
  d.Size = size;
  d.Required = required;
  return d;
}

Variant Day(int y, int m, int d) {
  return Variant::FromDate(EncodeDate(y, m, d));
}

// Five people; ID is required, NAME has the label "Name".
void FillPeople(TRowsDataSet& ds) {
  ds.defs = {Def("ID", TFieldType::ftInteger, 0, true), Def("NAME", TFieldType::ftString, 10),
             Def("CITY", TFieldType::ftString, 12),     Def("PRICE", TFieldType::ftFloat),
             Def("BORN", TFieldType::ftDate),           Def("ACTIVE", TFieldType::ftBoolean)};
  ds.defs[1].DisplayLabel = "Name";
  ds.rows = {
      {1, "Alice", "Paris", 10.5, Day(2000, 1, 1), true},
      {2, "bob", "Berlin", 20.0, Day(1990, 5, 5), false},
      {3, "Carol", "Paris", Null, Day(1985, 3, 3), true},
      {4, "Dave", "Rome", 7.25, Null, false},
      {5, "alice", "Oslo", 3.0, Day(1970, 7, 7), true},
  };
}

// IDs of the visible records, walking from the first.
std::vector<int> Ids(TDataSet& ds) {
  std::vector<int> ids;
  ds.First();
  for (int guard = 0; !ds.Eof() && guard < 100; ++guard) {
    ids.push_back(ds.FieldByName("ID")->AsInteger());
    ds.Next();
  }
  return ids;
}

class DBPeople : public ::testing::Test {
 protected:
  DBPeople() {
    FillPeople(ds);
    ds.Open();
  }
  int Id() { return ds.FieldByName("ID")->AsInteger(); }
  TField* F(const char* name) { return ds.FieldByName(name); }
  TRowsDataSet ds;
};

// One record with a field of every type, all null, in edit mode.
class DBFieldTypes : public ::testing::Test {
 protected:
  DBFieldTypes() {
    ds.defs = {Def("I", TFieldType::ftInteger),     Def("S", TFieldType::ftSmallint),
               Def("W", TFieldType::ftWord),        Def("L", TFieldType::ftLargeint),
               Def("F", TFieldType::ftFloat),       Def("D", TFieldType::ftDate),
               Def("T", TFieldType::ftDateTime),    Def("B", TFieldType::ftBoolean),
               Def("STR", TFieldType::ftString, 5), Def("M", TFieldType::ftMemo),
               Def("TM", TFieldType::ftTime)};
    ds.rows = {std::vector<Variant>(ds.defs.size(), Null)};
    ds.Open();
    ds.Edit();
  }
  TField* F(const char* name) { return ds.FieldByName(name); }
  TRowsDataSet ds;
};

// ---------------------------------------------------------------------------------------
// Fields

TEST_F(DBFieldTypes, SettingAValueConvertsItToTheFieldsTypeOrRefusesIt) {
  struct Case {
    const char* name;
    const char* field;
    Variant input;
    std::string asString;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"integer from text", "I", "42", "42", ""},
      {"integer from text with blanks", "I", " 42 ", "42", ""},
      {"integer from a whole double", "I", 7.0, "7", ""},
      {"integer refuses text", "I", "abc", "", "'abc' is not a valid integer value for field 'I'"},
      {"smallint range", "S", 40000, "",
       "40000 is not a valid value for field 'S'. The allowed range is -32768 to 32767"},
      {"word range", "W", -1, "",
       "-1 is not a valid value for field 'W'. The allowed range is 0 to 65535"},
      {"largeint beyond 32 bits", "L", "5000000000", "5000000000", ""},
      {"float from text", "F", "1.5", "1.5", ""},
      {"float refuses text", "F", "1,5x", "",
       "'1,5x' is not a valid floating point value for field 'F'"},
      {"date from text", "D", "2024/02/29", "2024/02/29", ""},
      {"date drops the time of day", "D", Variant::FromDate(EncodeDate(2024, 1, 2) + 0.5),
       "2024/01/02", ""},
      {"date refuses an impossible day", "D", "2024/02/30", "",
       "'2024/02/30' is not a valid date value for field 'D'"},
      {"date-time from text", "T", "2024/01/02 10:30:00", "2024/01/02 10:30:00", ""},
      {"date-time refuses text", "T", "soon", "",
       "'soon' is not a valid date and time value for field 'T'"},
      {"time from text", "TM", "10:30:00", "10:30:00", ""},
      {"boolean from text ignoring case", "B", "false", "False", ""},
      {"boolean from a number", "B", 1, "True", ""},
      {"boolean refuses text", "B", "maybe", "",
       "'maybe' is not a valid boolean value for field 'B'"},
      {"string cut to its size", "STR", "abcdefgh", "abcde", ""},
      {"string from a number", "STR", 12, "12", ""},
      {"memo keeps long text", "M", std::string(300, 'x'), std::string(300, 'x'), ""},
      {"empty text makes null", "I", "", "", ""},
      {"null makes null", "F", Null, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ds.Cancel();
    ds.Edit();
    TField* field = F(c.field);
    if (c.error.empty()) {
      field->SetValue(c.input);
      EXPECT_EQ(field->AsString(), c.asString);
      EXPECT_EQ(field->IsNull(), c.asString.empty());
    } else {
      try {
        field->SetValue(c.input);
        ADD_FAILURE() << "no error";
      } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), c.error);
      }
      EXPECT_TRUE(field->IsNull()) << "a refused value must not be stored";
    }
  }
}

TEST_F(DBFieldTypes, ReadingAValueAsAnotherTypeConvertsItOrRaises) {
  struct Case {
    const char* name;
    const char* field;
    Variant stored;
    std::function<Variant(TField*)> get;
    Variant expected;
    std::string error;
  };
  const auto asInteger = [](TField* f) { return Variant(f->AsInteger()); };
  const auto asFloat = [](TField* f) { return Variant(f->AsFloat()); };
  const auto asBoolean = [](TField* f) { return Variant(f->AsBoolean()); };
  const auto asDate = [](TField* f) { return Variant(f->AsDateTime()); };
  const auto asString = [](TField* f) { return Variant(f->AsString()); };
  const std::vector<Case> cases = {
      {"text to integer", "M", "12", asInteger, 12, ""},
      {"bad text to integer", "M", "abc", asInteger, Null,
       "'abc' is not a valid integer value for field 'M'"},
      {"text to float", "M", "1.25", asFloat, 1.25, ""},
      {"bad text to float", "M", "x", asFloat, Null,
       "'x' is not a valid floating point value for field 'M'"},
      {"text to boolean", "M", "True", asBoolean, true, ""},
      {"bad text to boolean", "M", "maybe", asBoolean, Null,
       "'maybe' is not a valid boolean value for field 'M'"},
      {"text to date", "M", "2024/01/02", asDate, EncodeDate(2024, 1, 2), ""},
      {"bad text to date", "M", "junk", asDate, Null,
       "'junk' is not a valid date and time value for field 'M'"},
      {"float to integer rounds half to even", "F", 2.5, asInteger, 2, ""},
      {"float to integer rounds", "F", 3.6, asInteger, 4, ""},
      {"integer to float", "I", 7, asFloat, 7.0, ""},
      {"integer to boolean", "I", 7, asBoolean, true, ""},
      {"large value to integer", "L", "5000000000", asInteger, Null,
       "'5000000000' is not a valid integer value for field 'L'"},
      {"date to float is its serial", "D", "1900/01/01", asFloat, 2.0, ""},
      {"null integer reads 0", "I", Null, asInteger, 0, ""},
      {"null float reads 0", "F", Null, asFloat, 0.0, ""},
      {"null boolean reads false", "B", Null, asBoolean, false, ""},
      {"null date reads empty text", "D", Null, asString, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TField* field = F(c.field);
    field->SetValue(c.stored);
    if (c.error.empty()) {
      EXPECT_EQ(c.get(field), c.expected);
    } else {
      try {
        c.get(field);
        ADD_FAILURE() << "no error";
      } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), c.error);
      }
    }
  }
}

TEST(DBFieldText, StringFieldsCutAtACharacterBoundaryOfTheAnsiCodePage) {
  // "ab" and two double-byte characters of code page 936: 6 bytes for a 5-byte field.
  const std::string text = "ab\xC4\xE3\xBA\xC3";
  struct Case {
    int codePage;
    std::string expected;
  };
  for (const Case& c : std::vector<Case>{{936, "ab\xC4\xE3"}, {1252, "ab\xC4\xE3\xBA"}}) {
    SCOPED_TRACE(c.codePage);
    testsupport::ScopedCodePage cp(c.codePage);
    TRowsDataSet ds;
    ds.defs = {Def("S", TFieldType::ftString, 5)};
    ds.Open();
    ds.Append();
    ds.FieldByName("S")->SetAsString(text);
    ds.Post();
    EXPECT_EQ(ds.FieldByName("S")->AsString(), c.expected);
  }
}

TEST_F(DBPeople, ChangingAFieldNeedsAnEditableFieldAndEditMode) {
  struct Case {
    const char* name;
    std::function<void()> act;
    std::string error;
  };
  TStringField loose(nullptr);
  loose.SetFieldName("LOOSE");
  const std::vector<Case> cases = {
      {"browsing", [&] { F("NAME")->SetAsString("x"); }, "Dataset not in edit or insert mode"},
      {"read-only field",
       [&] {
         F("ID")->SetReadOnly(true);
         ds.Edit();
         F("ID")->SetAsInteger(9);
       },
       "Field 'ID' cannot be modified"},
      {"closed data set",
       [&] {
         ds.Close();
         loose.SetDataSet(&ds);
         loose.SetAsString("x");
       },
       "Dataset not in edit or insert mode"},
      {"field without a data set",
       [&] {
         loose.SetDataSet(nullptr);
         loose.SetAsString("x");
       },
       "Field 'LOOSE' has no dataset"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.act();
      ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.Message(), c.error);
    }
  }
}

TEST_F(DBPeople, TextHandlersReplaceTheDefaultTexts) {
  TField* name = F("NAME");
  std::vector<bool> displayFlags;
  name->OnGetText = TFieldGetTextEvent::Lambda([&](TField* f, AnsiString& text, bool display) {
    EXPECT_EQ(text, "") << "the handler starts from an empty text";
    displayFlags.push_back(display);
    text = display ? "<" + f->AsString() + ">" : LowerCase(f->AsString());
  });
  EXPECT_EQ(name->DisplayText(), "<Alice>");
  EXPECT_EQ(name->Text(), "alice");
  EXPECT_EQ(displayFlags, (std::vector<bool>{true, false}));
  EXPECT_EQ(name->AsString(), "Alice") << "AsString does not go through the handler";

  name->OnSetText = TFieldSetTextEvent::Lambda(
      [](TField* f, const AnsiString& text) { f->SetAsString(UpperCase(text)); });
  ds.Edit();
  name->SetText("zoe");
  EXPECT_EQ(name->AsString(), "ZOE");
  name->SetAsString("Zoe");
  EXPECT_EQ(name->AsString(), "Zoe") << "SetAsString does not go through the handler";
}

TEST_F(DBPeople, DisplayFormatsShapeOnlyTheDisplayText) {
  struct Case {
    const char* format;
    double value;
    const char* display;
  };
  auto* price = static_cast<TFloatField*>(F("PRICE"));
  const std::vector<Case> cases = {
      {"#,##0.00", 1234.5, "1,234.50"},
      {"0.0 kg", 3.14, "3.1 kg"},
      {"#.##", 0.5, ".5"},
      {"000", 7, "007"},
      {"#,##0.00", -1234.567, "-1,234.57"},
      {"0", -0.4, "0"},
      {"", 1234.5, "1234.5"},
  };
  ds.Edit();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    price->SetDisplayFormat(c.format);
    price->SetAsFloat(c.value);
    EXPECT_EQ(price->DisplayText(), c.display);
    EXPECT_EQ(price->Text(), FloatToStr(c.value));
  }
  price->Clear();
  EXPECT_EQ(price->DisplayText(), "");

  auto* born = static_cast<TDateField*>(F("BORN"));
  born->SetDisplayFormat("dd.mm.yyyy");
  EXPECT_EQ(born->DisplayText(), "01.01.2000");
  EXPECT_EQ(born->Text(), "2000/01/01");

  auto* active = static_cast<TBooleanField*>(F("ACTIVE"));
  active->SetDisplayValues("Yes;No");
  EXPECT_EQ(active->DisplayText(), "Yes");
  active->SetText("no");
  EXPECT_FALSE(active->AsBoolean());
  EXPECT_EQ(active->AsString(), "No");
  EXPECT_THROW(active->SetText("maybe"), EDatabaseError);
}

TEST_F(DBPeople, FieldsTakeLabelsWidthsAndAlignmentFromTheirDefinitionsAndTypes) {
  struct Case {
    const char* field;
    const char* label;
    int width;
    TAlignment alignment;
  };
  const std::vector<Case> cases = {
      {"ID", "ID", 11, TAlignment::taRightJustify},
      {"NAME", "Name", 10, TAlignment::taLeftJustify},
      {"CITY", "CITY", 12, TAlignment::taLeftJustify},
      {"PRICE", "PRICE", 10, TAlignment::taRightJustify},
      {"BORN", "BORN", 10, TAlignment::taLeftJustify},
      {"ACTIVE", "ACTIVE", 5, TAlignment::taLeftJustify},
  };
  ASSERT_EQ(ds.FieldCount(), static_cast<int>(cases.size()));
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(c.field);
    TField* f = ds.Fields()->Fields(static_cast<int>(i));
    EXPECT_EQ(f->FieldName(), c.field);
    EXPECT_EQ(f->DisplayLabel(), c.label);
    EXPECT_EQ(f->DisplayWidth(), c.width);
    EXPECT_EQ(f->Alignment(), c.alignment);
    EXPECT_EQ(f->FieldNo(), static_cast<int>(i) + 1);
    EXPECT_EQ(f->Index(), static_cast<int>(i));
  }
  F("CITY")->SetDisplayWidth(30);
  F("CITY")->SetDisplayLabel("Town");
  EXPECT_EQ(F("CITY")->DisplayWidth(), 30);
  EXPECT_EQ(F("CITY")->DisplayName(), "Town");

  EXPECT_EQ(ds.FindField("nope"), nullptr);
  EXPECT_EQ(ds.FindField("name"), F("NAME")) << "names ignore case";
  try {
    ds.FieldByName("NOPE");
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field 'NOPE' not found");
  }
}

TEST(DBFieldClasses, FieldClassesAreFoundByNameAndCreateTheirType) {
  struct Case {
    const char* className;
    TFieldType type;
  };
  const std::vector<Case> cases = {
      {"TStringField", TFieldType::ftString},     {"TIntegerField", TFieldType::ftInteger},
      {"TSmallintField", TFieldType::ftSmallint}, {"TWordField", TFieldType::ftWord},
      {"TLargeintField", TFieldType::ftLargeint}, {"TFloatField", TFieldType::ftFloat},
      {"TDateTimeField", TFieldType::ftDateTime}, {"TDateField", TFieldType::ftDate},
      {"TBooleanField", TFieldType::ftBoolean},   {"TMemoField", TFieldType::ftMemo},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.className);
    const TClass* cls = GetClass(c.className);
    ASSERT_NE(cls, nullptr);
    ASSERT_NE(cls->GetCreator(), nullptr);
    std::unique_ptr<TField, TFreeDeleter> field(dynamic_cast<TField*>(cls->GetCreator()(nullptr)));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->DataType(), c.type);
    EXPECT_EQ(DefaultFieldClass(c.type), cls);
  }
  EXPECT_EQ(TStringField(nullptr).Size(), 20);
  EXPECT_NE(GetClass("TDataSource"), nullptr);
}

// ---------------------------------------------------------------------------------------
// Navigation

TEST_F(DBPeople, NavigationWalksTheRecordsAndSetsBofAndEof) {
  EXPECT_EQ(Ids(ds), (std::vector<int>{1, 2, 3, 4, 5}));
  std::vector<int> backwards;
  ds.Last();
  for (int guard = 0; !ds.Bof() && guard < 100; ++guard) {
    backwards.push_back(Id());
    ds.Prior();
  }
  EXPECT_EQ(backwards, (std::vector<int>{5, 4, 3, 2, 1}));

  struct Step {
    const char* name;
    std::function<int()> act;  // returns the distance moved where it has one
    int moved, recNo;
    bool bof, eof;
  };
  const std::vector<Step> steps = {
      {"first",
       [&] {
         ds.First();
         return 0;
       },
       0, 1, true, false},
      {"next", [&] { return ds.MoveBy(1); }, 1, 2, false, false},
      {"last",
       [&] {
         ds.Last();
         return 0;
       },
       0, 5, false, true},
      {"next at eof does nothing", [&] { return ds.MoveBy(1); }, 0, 5, false, true},
      {"prior", [&] { return ds.MoveBy(-1); }, -1, 4, false, false},
      {"move before the first", [&] { return ds.MoveBy(-10); }, -3, 1, true, false},
      {"move past the last", [&] { return ds.MoveBy(10); }, 4, 5, false, true},
      {"set RecNo",
       [&] {
         ds.SetRecNo(3);
         return 0;
       },
       0, 3, false, false},
      {"RecNo is clamped",
       [&] {
         ds.SetRecNo(99);
         return 0;
       },
       0, 5, false, false},
  };
  ds.First();
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    EXPECT_EQ(s.act(), s.moved);
    EXPECT_EQ(ds.RecNo(), s.recNo);
    EXPECT_EQ(Id(), s.recNo);
    EXPECT_EQ(ds.Bof(), s.bof);
    EXPECT_EQ(ds.Eof(), s.eof);
  }
  EXPECT_EQ(ds.RecordCount(), 5);
  EXPECT_FALSE(ds.IsEmpty());
}

TEST(DBDataSet, EmptyAndClosedDataSets) {
  TRowsDataSet ds;
  FillPeople(ds);
  ds.rows.clear();
  ds.Open();
  EXPECT_TRUE(ds.Bof());
  EXPECT_TRUE(ds.Eof());
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_EQ(ds.RecNo(), 0);
  EXPECT_EQ(ds.RecordCount(), 0);
  EXPECT_TRUE(ds.FieldByName("NAME")->IsNull());
  ds.Next();
  EXPECT_TRUE(ds.Eof());
  try {
    ds.Delete();
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Cannot perform this operation on an empty dataset");
  }
  // Edit on an empty data set starts a new record.
  ds.Edit();
  EXPECT_EQ(ds.State(), TDataSetState::dsInsert);
  ds.Cancel();

  ds.Close();
  EXPECT_EQ(ds.FieldCount(), 0) << "default fields go with the records";
  for (const auto& op :
       std::vector<std::function<void()>>{[&] { ds.Next(); }, [&] { ds.RecordCount(); },
                                          [&] { ds.Edit(); }, [&] { ds.Locate("ID", 1); }}) {
    try {
      op();
      ADD_FAILURE();
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.Message(), "Cannot perform this operation on a closed dataset");
    }
  }
}

TEST(DBDataSet, ADataSetMadeActiveWhileLoadingOpensWhenLoadingEnds) {
  TRowsDataSet ds;
  FillPeople(ds);
  ds.SetComponentState(csLoading);
  SetPropValue(&ds, "Active", true);
  EXPECT_FALSE(ds.Active());
  ds.EndLoading();
  EXPECT_TRUE(ds.Active());
  EXPECT_EQ(ds.RecordCount(), 5);
}

TEST(DBDataSet, AFieldOfUnknownTypeFailsTheOpenAndLeavesNoFieldsBehind) {
  TRowsDataSet ds;
  ds.defs = {Def("A", TFieldType::ftString, 5), Def("X", TFieldType::ftUnknown)};
  try {
    ds.Open();
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field 'X' is of an unknown type");
  }
  EXPECT_FALSE(ds.Active());
  EXPECT_EQ(ds.FieldCount(), 0);
  EXPECT_EQ(ds.ComponentCount(), 0) << "the fields made before the failure are freed";
  ds.defs.pop_back();
  ds.Open();
  EXPECT_EQ(ds.FieldCount(), 1);
}

TEST_F(DBPeople, LocateMovesToTheFirstMatchingRecord) {
  struct Case {
    const char* name;
    const char* fields;
    Variant values;
    TLocateOptions options;
    bool found;
    int id;  // the current record afterwards
  };
  const std::vector<Case> cases = {
      {"exact text", "NAME", "alice", 0, true, 5},
      {"case differs", "NAME", "ALICE", 0, false, 3},
      {"ignoring case", "NAME", "ALICE", loCaseInsensitive, true, 1},
      {"prefix", "NAME", "Ca", loPartialKey, true, 3},
      {"prefix without case", "NAME", "DA", loPartialKey | loCaseInsensitive, true, 4},
      {"prefix needs the option", "NAME", "Ca", 0, false, 3},
      {"two fields", "CITY;NAME", VarArrayOf({"Paris", "Carol"}), 0, true, 3},
      {"two fields, one differs", "CITY;NAME", VarArrayOf({"Rome", "Carol"}), 0, false, 3},
      {"number from text", "ID", "4", 0, true, 4},
      {"date", "BORN", Day(1990, 5, 5), 0, true, 2},
      {"null value", "PRICE", Null, 0, true, 3},
      {"text for a number matches nothing", "ID", "x", 0, false, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ds.SetRecNo(3);
    EXPECT_EQ(ds.Locate(c.fields, c.values, c.options), c.found);
    EXPECT_EQ(Id(), c.id);
  }
  EXPECT_THROW(ds.Locate("NOPE", 1), EDatabaseError);
  EXPECT_THROW(ds.Locate("ID;NAME", 1), EDatabaseError);
}

TEST_F(DBPeople, LookupReadsWithoutMoving) {
  ds.SetRecNo(2);
  EXPECT_EQ(ds.Lookup("NAME", "Dave", "ID;CITY"), VarArrayOf({4, "Rome"}));
  EXPECT_EQ(ds.Lookup("ID", 5, "NAME"), Variant("alice"));
  EXPECT_TRUE(ds.Lookup("NAME", "Nobody", "ID").IsNull());
  EXPECT_EQ(Id(), 2);
  EXPECT_EQ(ds.FieldValues("ID;NAME"), VarArrayOf({2, "bob"}));
  EXPECT_THROW(ds.SetFieldValues("NAME", "Bobby"), EDatabaseError);
  ds.Edit();
  ds.SetFieldValues("NAME", "Bobby");
  EXPECT_EQ(ds.FieldValues("NAME"), Variant("Bobby"));
}

TEST_F(DBPeople, FilteredRecordsAreInvisible) {
  int calls = 0;
  ds.OnFilterRecord = TFilterRecordEvent::Lambda([&](TDataSet* d, bool& accept) {
    ++calls;
    accept = d->FieldByName("CITY")->AsString() == "Paris";
  });
  EXPECT_EQ(ds.RecordCount(), 5) << "the handler works only while Filtered";
  ds.SetRecNo(4);
  ds.SetFiltered(true);
  EXPECT_GT(calls, 0);
  EXPECT_EQ(ds.RecordCount(), 2);
  EXPECT_EQ(Id(), 1) << "filtering starts from the first visible record";
  EXPECT_TRUE(ds.Bof());
  EXPECT_EQ(Ids(ds), (std::vector<int>{1, 3}));
  ds.Last();
  EXPECT_EQ(ds.RecNo(), 2);
  EXPECT_FALSE(ds.Locate("NAME", "Dave"));
  EXPECT_TRUE(ds.Lookup("NAME", "Dave", "ID").IsNull());
  EXPECT_TRUE(ds.Locate("NAME", "Carol"));

  // A record edited out of the filter leaves the view.
  ds.First();
  ds.Edit();
  F("CITY")->SetAsString("Lyon");
  ds.Post();
  EXPECT_EQ(ds.RecordCount(), 1);
  EXPECT_EQ(Id(), 3);

  ds.SetFiltered(false);
  EXPECT_EQ(Ids(ds), (std::vector<int>{1, 2, 3, 4, 5}));
}

// ---------------------------------------------------------------------------------------
// Editing

TEST_F(DBPeople, EditPostAndCancelChangeStateAndRecords) {
  ds.SetRecNo(2);
  ds.Edit();
  EXPECT_EQ(ds.State(), TDataSetState::dsEdit);
  EXPECT_FALSE(ds.Modified());
  F("NAME")->SetAsString("Bobby");
  EXPECT_TRUE(ds.Modified());
  ds.Post();
  EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
  EXPECT_EQ(F("NAME")->AsString(), "Bobby");
  EXPECT_EQ(ds.RecNo(), 2);

  ds.Edit();
  F("NAME")->SetAsString("Robert");
  ds.Cancel();
  EXPECT_EQ(F("NAME")->AsString(), "Bobby");
  EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);

  // Insert goes before the current record, Append after the last.
  ds.SetRecNo(2);
  ds.Insert();
  EXPECT_EQ(ds.State(), TDataSetState::dsInsert);
  EXPECT_TRUE(F("ID")->IsNull());
  F("ID")->SetAsInteger(10);
  ds.Post();
  EXPECT_EQ(Id(), 10);
  EXPECT_EQ(ds.RecNo(), 2);
  ds.Append();
  F("ID")->SetAsInteger(11);
  ds.Post();
  EXPECT_EQ(ds.RecNo(), 7);
  ds.InsertRecord({12, "Fay"});
  EXPECT_EQ(ds.RecNo(), 7);
  ds.AppendRecord({13, Variant(), "Nice"});
  EXPECT_TRUE(F("NAME")->IsNull()) << "an empty value leaves the field alone";
  EXPECT_EQ(F("CITY")->AsString(), "Nice");
  EXPECT_EQ(Ids(ds), (std::vector<int>{1, 10, 2, 3, 4, 5, 12, 11, 13}));
  EXPECT_THROW(ds.AppendRecord({1, 2, 3, 4, 5, 6, 7}), EDatabaseError);
  ds.Cancel();

  // Delete keeps the position: the next record takes the deleted one's place.
  ds.SetRecNo(2);
  ds.Delete();
  EXPECT_EQ(Id(), 2);
  ds.Last();
  ds.Delete();
  EXPECT_EQ(Id(), 11);
  EXPECT_EQ(ds.RecordCount(), 7);
  // Deleting while inserting drops the new record.
  ds.Insert();
  ds.Delete();
  EXPECT_EQ(ds.RecordCount(), 7);
  EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
}

TEST_F(DBPeople, RequiredFieldsStopThePostUntilTheyHaveAValue) {
  F("ID")->SetDisplayLabel("Number");
  ds.Append();
  F("NAME")->SetAsString("Eve");
  try {
    ds.Post();
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field 'Number' must have a value");
  }
  EXPECT_EQ(ds.State(), TDataSetState::dsInsert);
  EXPECT_EQ(F("NAME")->AsString(), "Eve") << "the record being inserted is kept";
  F("ID")->SetAsInteger(6);
  ds.Post();
  EXPECT_EQ(ds.RecordCount(), 6);

  // Clearing a required field of an existing record fails the same way.
  ds.Edit();
  F("ID")->Clear();
  EXPECT_THROW(ds.Post(), EDatabaseError);
  ds.Cancel();
  EXPECT_EQ(Id(), 6);
}

TEST_F(DBPeople, EventsRunInOrderAroundEachOperation) {
  std::vector<std::string> log;
  const auto logger = [&log](const char* name) {
    return TDataSetNotifyEvent::Lambda([&log, name](TDataSet*) { log.push_back(name); });
  };
  ds.BeforeEdit = logger("BeforeEdit");
  ds.AfterEdit = logger("AfterEdit");
  ds.BeforePost = logger("BeforePost");
  ds.AfterPost = logger("AfterPost");
  ds.BeforeCancel = logger("BeforeCancel");
  ds.AfterCancel = logger("AfterCancel");
  ds.BeforeInsert = logger("BeforeInsert");
  ds.AfterInsert = logger("AfterInsert");
  ds.BeforeDelete = logger("BeforeDelete");
  ds.AfterDelete = logger("AfterDelete");
  ds.BeforeScroll = logger("BeforeScroll");
  ds.AfterScroll = logger("AfterScroll");
  ds.BeforeClose = logger("BeforeClose");
  ds.AfterClose = logger("AfterClose");
  ds.BeforeOpen = logger("BeforeOpen");
  ds.AfterOpen = logger("AfterOpen");
  ds.OnNewRecord = TDataSetNotifyEvent::Lambda([&log](TDataSet* d) {
    log.push_back("OnNewRecord");
    d->FieldByName("CITY")->SetAsString("Paris");
  });
  using Log = std::vector<std::string>;
  struct Case {
    const char* name;
    std::function<void()> act;
    Log expected;
  };
  const std::vector<Case> cases = {
      {"edit and post",
       [&] {
         ds.Edit();
         F("NAME")->SetAsString("x");
         ds.Post();
       },
       {"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost"}},
      {"insert",
       [&] { ds.Insert(); },
       {"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"}},
      {"moving away from an untouched new record cancels it",
       [&] { ds.Next(); },
       {"BeforeCancel", "AfterCancel", "BeforeScroll", "AfterScroll"}},
      {"moving away from a changed record posts it",
       [&] {
         ds.Edit();
         F("NAME")->SetAsString("y");
         ds.Prior();
       },
       {"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost", "BeforeScroll", "AfterScroll"}},
      {"delete",
       [&] {
         ds.Delete();
         EXPECT_EQ(ds.RecordCount(), 4) << "the cancelled insert added nothing";
       },
       {"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}},
      {"close and open",
       [&] {
         ds.Close();
         ds.Open();
       },
       {"BeforeClose", "AfterClose", "BeforeOpen", "AfterOpen", "AfterScroll"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log.clear();
    c.act();
    EXPECT_EQ(log, c.expected);
  }
}

TEST_F(DBPeople, ValidationCanRefuseANewValue) {
  std::vector<std::string> seen;
  F("NAME")->OnValidate = TFieldNotifyEvent::Lambda([&](TField* f) {
    seen.push_back(f->AsString());
    if (f->AsString().size() < 2) throw EDatabaseError("Name too short");
  });
  int changes = 0;
  F("NAME")->OnChange = TFieldNotifyEvent::Lambda([&](TField*) { ++changes; });
  ds.Edit();
  EXPECT_THROW(F("NAME")->SetAsString("Z"), EDatabaseError);
  EXPECT_EQ(F("NAME")->AsString(), "Alice");
  EXPECT_EQ(changes, 0);
  F("NAME")->SetAsString("Zed");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(seen, (std::vector<std::string>{"Z", "Zed"})) << "the handler sees the new value";
}

TEST_F(DBPeople, ReadOnlyDataSetsRefuseChanges) {
  ds.readOnly = true;
  for (const auto& op : std::vector<std::function<void()>>{
           [&] { ds.Edit(); }, [&] { ds.Insert(); }, [&] { ds.Append(); }, [&] { ds.Delete(); }}) {
    try {
      op();
      ADD_FAILURE();
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.Message(), "Cannot modify a read-only dataset");
    }
    EXPECT_EQ(ds.State(), TDataSetState::dsBrowse);
  }
  EXPECT_FALSE(F("NAME")->CanModify());
}

TEST_F(DBPeople, BookmarksReturnToARecordWhileItExists) {
  ds.SetRecNo(3);
  const TBookmark mark = ds.GetBookmark();
  ds.Last();
  ds.GotoBookmark(mark);
  EXPECT_EQ(Id(), 3);
  ds.Delete();
  EXPECT_FALSE(ds.BookmarkValid(mark));
  try {
    ds.GotoBookmark(mark);
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Record not found");
  }
}

// ---------------------------------------------------------------------------------------
// Fields created in code

TEST(DBPersistentFields, FieldsCreatedInCodeAreFilledFromTheirColumns) {
  TRowsDataSet ds;
  FillPeople(ds);
  TStringField name(nullptr);
  name.SetFieldName("NAME");
  name.SetDisplayLabel("Who");
  name.SetDataSet(&ds);
  ds.Open();
  EXPECT_EQ(ds.FieldCount(), 1) << "only the fields created in code";
  EXPECT_EQ(name.AsString(), "Alice");
  EXPECT_EQ(name.DisplayLabel(), "Who");
  EXPECT_EQ(name.FieldNo(), 2);
  EXPECT_THROW(ds.Lookup("ID", 4, "NAME"), EDatabaseError) << "ID has no field";
  ds.Close();
  EXPECT_EQ(ds.FieldCount(), 1) << "fields created in code stay after closing";
  EXPECT_TRUE(name.IsNull());

  // A field without a column of its name fails the open.
  auto* missing = new TIntegerField(nullptr);
  missing->SetFieldName("MISSING");
  missing->SetDataSet(&ds);
  try {
    ds.Open();
    ADD_FAILURE();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Field 'MISSING' not found");
  }
  EXPECT_FALSE(ds.Active());
  EXPECT_THROW(missing->SetFieldName("NAME"), EDatabaseError) << "duplicate names are refused";

  // Freeing the field takes it out of the data set's list.
  missing->Free();
  ds.Open();
  EXPECT_EQ(ds.FieldCount(), 1);
  EXPECT_THROW(name.SetDataSet(nullptr), EDatabaseError) << "not while open";
}

TEST(DBPersistentFields, AFieldOutlivesItsDataSet) {
  TStringField name(nullptr);
  {
    TRowsDataSet ds;
    FillPeople(ds);
    name.SetFieldName("NAME");
    name.SetDataSet(&ds);
    ds.Open();
    EXPECT_EQ(name.AsString(), "Alice");
  }
  EXPECT_EQ(name.DataSet(), nullptr);
  EXPECT_TRUE(name.IsNull());
}

// ---------------------------------------------------------------------------------------
// Data sources and data links

// A link that logs what it hears.
class TLogLink : public TDataLink {
 public:
  std::vector<std::string> log;

 protected:
  void ActiveChanged() override { log.push_back(Active() ? "active" : "inactive"); }
  void EditingChanged() override { log.push_back(Editing() ? "editing" : "not editing"); }
  void RecordChanged(TField* field) override {
    log.push_back(field ? "field " + field->FieldName() : "record");
  }
  void DataSetChanged() override { log.push_back("data set"); }
  void DataSetScrolled(int) override { log.push_back("scrolled"); }
  void UpdateData() override { log.push_back("update data"); }
};

class DBSources : public DBPeople {
 protected:
  DBSources() {
    source.SetDataSet(&ds);
    source.OnDataChange = TDataChangeEvent::Lambda([this](TObject*, TField* field) {
      dataChanges.push_back(field ? field->FieldName() : "");
    });
    source.OnStateChange =
        TNotifyEvent::Lambda([this](TObject*) { states.push_back(source.State()); });
    link.SetDataSource(&source);
  }
  TDataSource source{nullptr};
  TLogLink link;
  std::vector<std::string> dataChanges;
  std::vector<TDataSetState> states;
};

TEST_F(DBSources, LinksHearOfMovesStatesAndFieldChanges) {
  using Log = std::vector<std::string>;
  EXPECT_EQ(link.log, Log({"active"}));
  EXPECT_TRUE(link.Active());
  struct Case {
    const char* name;
    std::function<void()> act;
    Log expected;
  };
  const std::vector<Case> cases = {
      {"move", [&] { ds.Next(); }, {"scrolled"}},
      {"edit", [&] { ds.Edit(); }, {"editing", "record"}},
      {"field", [&] { F("NAME")->SetAsString("x"); }, {"field NAME"}},
      {"post", [&] { ds.Post(); }, {"update data", "not editing", "data set"}},
      {"close", [&] { ds.Close(); }, {"inactive"}},
      {"open", [&] { ds.Open(); }, {"active"}},
      {"disabled source", [&] { source.SetEnabled(false); }, {"inactive"}},
      {"nothing while disabled", [&] { ds.Next(); }, {}},
      {"enabled source", [&] { source.SetEnabled(true); }, {"active"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    link.log.clear();
    c.act();
    EXPECT_EQ(link.log, c.expected);
  }
}

TEST_F(DBSources, TheDataSourceReportsDataAndStateChanges) {
  ds.Edit();
  F("CITY")->SetAsString("Lyon");
  ds.Post();
  ds.Close();
  EXPECT_EQ(states, (std::vector<TDataSetState>{TDataSetState::dsEdit, TDataSetState::dsBrowse,
                                                TDataSetState::dsInactive}));
  ASSERT_GE(dataChanges.size(), 2u);
  EXPECT_EQ(dataChanges[1], "CITY") << "a field change names its field";
  EXPECT_EQ(source.State(), TDataSetState::dsInactive);
}

TEST_F(DBSources, DisabledControlsHearOnceAtTheEnd) {
  const auto batch = [&] {
    ds.Next();
    ds.Next();
    ds.Edit();
    F("NAME")->SetAsString("x");
    ds.Post();
    ds.Last();
  };
  batch();
  const size_t unbatched = dataChanges.size();
  EXPECT_GT(unbatched, 3u);

  dataChanges.clear();
  states.clear();
  link.log.clear();
  ds.DisableControls();
  ds.DisableControls();
  ds.First();
  batch();
  ds.EnableControls();
  EXPECT_TRUE(ds.ControlsDisabled()) << "calls nest";
  EXPECT_TRUE(dataChanges.empty());
  EXPECT_TRUE(link.log.empty());
  ds.EnableControls();
  EXPECT_FALSE(ds.ControlsDisabled());
  EXPECT_EQ(dataChanges, std::vector<std::string>{""});
  EXPECT_TRUE(states.empty()) << "the state is the same as before the batch";
  EXPECT_EQ(link.log, std::vector<std::string>{"data set"});

  // A state left changed is reported once too.
  states.clear();
  ds.DisableControls();
  ds.Edit();
  F("NAME")->SetAsString("y");
  ds.EnableControls();
  EXPECT_EQ(states, std::vector<TDataSetState>{TDataSetState::dsEdit});
  ds.Cancel();
}

TEST(DBSourcesLifetime, DataSetsAndSourcesForgetEachOtherWhenFreed) {
  auto* ds = new TRowsDataSet(nullptr);
  FillPeople(*ds);
  ds->Open();
  TDataSource source(nullptr);
  source.SetDataSet(ds);
  TLogLink link;
  link.SetDataSource(&source);
  ds->Free();
  EXPECT_EQ(source.DataSet(), nullptr);
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(link.log.back(), "inactive");

  TRowsDataSet other;
  FillPeople(other);
  other.Open();
  {
    TDataSource shortLived(nullptr);
    shortLived.SetDataSet(&other);
    link.SetDataSource(&shortLived);
    EXPECT_TRUE(link.Active());
  }
  EXPECT_EQ(link.DataSource(), nullptr);
  EXPECT_FALSE(link.Active());
  other.Next();  // no source left to call
  EXPECT_EQ(other.RecNo(), 2);
}

}  // namespace
