#include "platform/rtl/TStringList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/Strings.h"
#include "tests/support/TestSupport.h"

using namespace vcl;

namespace {

using Lines = std::vector<std::string>;

Lines LinesOf(const TStrings& list) {
  Lines out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list[i]);
  return out;
}

void Fill(TStrings& list, const Lines& lines) {
  list.Clear();
  for (const auto& s : lines) list.Add(s);
}

// Runs `action` and checks that it raises EStringListError with `message`.
template <typename Action>
void ExpectListError(Action&& action, const std::string& message) {
  try {
    action();
    ADD_FAILURE() << "no exception, expected: " << message;
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), message);
  }
}

}  // namespace

TEST(StringListNameValue, NamesValuesAndLookup) {
  TStringList list;
  Fill(list, {"Host=alpha", "port=8080", "plain line", "=orphan", "Path=a=b", "host=beta"});
  struct Row {
    const char* name;
    const char* value;
  } rows[] = {{"Host", "alpha"}, {"port", "8080"}, {"", ""},
              {"", "orphan"},    {"Path", "a=b"},  {"host", "beta"}};
  for (int i = 0; i < list.Count(); ++i) {
    EXPECT_EQ(list.Names(i), rows[i].name) << i;
    EXPECT_EQ(list.ValueFromIndex(i), rows[i].value) << i;
  }
  struct Lookup {
    const char* name;
    int index;
    const char* value;
  } lookups[] = {{"HOST", 0, "alpha"},   {"Port", 1, "8080"}, {"path", 4, "a=b"},
                 {"plain line", -1, ""}, {"missing", -1, ""}, {"", 3, "orphan"}};
  for (const auto& l : lookups) {
    EXPECT_EQ(list.IndexOfName(l.name), l.index) << l.name;
    EXPECT_EQ(list.Values(l.name), l.value) << l.name;
  }

  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOfName("host"), 5);
  EXPECT_EQ(list.Values("host"), "beta");
  EXPECT_EQ(list.IndexOfName("HOST"), -1);

  list.NameValueSeparator = ':';
  Fill(list, {"a:1", "b=2"});
  EXPECT_EQ(list.Values("a"), "1");
  EXPECT_EQ(list.Names(1), "");
  EXPECT_EQ(list.IndexOfName("b"), -1);
}

TEST(StringListNameValue, SetValueReplacesAddsAndRemoves) {
  TStringList list;
  TObject tag;
  Fill(list, {"one=1", "two=2", "three=3"});
  list.PutObject(1, &tag);

  list.SetValue("TWO", "22");
  EXPECT_EQ(LinesOf(list), (Lines{"one=1", "TWO=22", "three=3"}));
  EXPECT_EQ(list.GetObject(1), &tag);
  list.SetValue("four", "4");
  EXPECT_EQ(LinesOf(list), (Lines{"one=1", "TWO=22", "three=3", "four=4"}));
  list.SetValue("one", "");
  EXPECT_EQ(LinesOf(list), (Lines{"TWO=22", "three=3", "four=4"}));
  list.SetValue("absent", "");
  EXPECT_EQ(list.Count(), 3);

  // On a sorted list the replaced line moves to its place and keeps its object.
  TStringList sorted;
  sorted.SetSorted(true);
  sorted.AddObject("b=2", &tag);
  sorted.Add("c=3");
  sorted.SetValue("b", "9");
  EXPECT_EQ(LinesOf(sorted), (Lines{"b=9", "c=3"}));
  EXPECT_EQ(sorted.GetObject(0), &tag);
  sorted.SetValue("a", "1");
  EXPECT_EQ(LinesOf(sorted), (Lines{"a=1", "b=9", "c=3"}));
}

TEST(StringListText, SplitsAtEveryLineEnding) {
  struct Case {
    const char* text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\rc\r\nd", {"a", "b", "c", "d"}},
      {"a\n\nb", {"a", "", "b"}},
      {"\r\n", {""}},
      {"a\r\n\r\n", {"a", ""}},
      {"a\n\r b", {"a", "", " b"}},
      {"\xB0\xA1\r\n\xD6\xD0", {"\xB0\xA1", "\xD6\xD0"}},
  };
  TStringList list;
  for (const auto& c : cases) {
    list.SetText(c.text);
    EXPECT_EQ(LinesOf(list), c.lines) << c.text;
  }
  Fill(list, {"x", "", "y z"});
  EXPECT_EQ(list.Text(), "x\r\n\r\ny z\r\n");
  list.SetText(list.Text());
  EXPECT_EQ(LinesOf(list), (Lines{"x", "", "y z"}));
  list.Clear();
  EXPECT_EQ(list.Text(), "");
}

TEST(StringListCommaText, WritesWithQuotesWhereNeeded) {
  struct Case {
    Lines lines;
    const char* text;
  } cases[] = {
      {{}, ""},
      {{"a", "b", "c"}, "a,b,c"},
      {{"a b", "c"}, "\"a b\",c"},
      {{"x,y"}, "\"x,y\""},
      {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
      {{"a", "", "b"}, "a,\"\",b"},
      {{""}, "\"\""},
      {{"tab\there"}, "\"tab\there\""},
      {{"it's"}, "it's"},
      {{"\xB0\xA1\xB0\xA2", "z"}, "\xB0\xA1\xB0\xA2,z"},
  };
  TStringList list;
  for (const auto& c : cases) {
    Fill(list, c.lines);
    EXPECT_EQ(list.CommaText(), c.text);
    // What was written reads back the same.
    TStringList back;
    back.SetCommaText(list.CommaText());
    EXPECT_EQ(LinesOf(back), c.lines) << c.text;
  }
}

TEST(StringListCommaText, ReadsCommasBlanksAndQuotes) {
  struct Case {
    const char* text;
    Lines lines;
  } cases[] = {
      {"", {}},
      {"   ", {}},
      {"a,b", {"a", "b"}},
      {"a b\tc", {"a", "b", "c"}},
      {" a , b ", {"a", "b"}},
      {"a,,b", {"a", "", "b"}},
      {",a", {"", "a"}},
      {"a,", {"a", ""}},
      {"\"a b\",c", {"a b", "c"}},
      {"\"x \"\"y\"\" z\"", {"x \"y\" z"}},
      {"\"\",\"\"", {"", ""}},
      {"\"unterminated, still", {"unterminated, still"}},
      {"\"ab\"cd,e", {"ab", "cd", "e"}},
      {"mid\"quote", {"mid\"quote"}},
  };
  TStringList list;
  for (const auto& c : cases) {
    list.SetCommaText(c.text);
    EXPECT_EQ(LinesOf(list), c.lines) << c.text;
  }
}

TEST(StringListCommaText, DelimitedTextUsesDelimiterAndQuoteChar) {
  TStringList list;
  list.Delimiter = ';';
  list.QuoteChar = '\'';
  Fill(list, {"a,b", "c d", "it's", "plain"});
  EXPECT_EQ(list.DelimitedText(), "a,b;'c d';'it''s';plain");
  // CommaText keeps its own characters whatever the list's settings.
  EXPECT_EQ(list.CommaText(), "\"a,b\",\"c d\",it's,plain");
  list.SetDelimitedText("x;'y;z' w;;'q''r'");
  EXPECT_EQ(LinesOf(list), (Lines{"x", "y;z", "w", "", "q'r"}));
}

TEST(StringListSorted, DuplicatesRules) {
  struct Case {
    TDuplicates rule;
    Lines expected;
    bool raises;
  } cases[] = {
      {TDuplicates::dupIgnore, {"apple", "Banana", "cherry"}, false},
      {TDuplicates::dupAccept, {"apple", "Banana", "banana", "cherry"}, false},
      {TDuplicates::dupError, {"apple", "Banana", "cherry"}, true},
  };
  for (const auto& c : cases) {
    TStringList list;
    list.SetSorted(true);
    list.Duplicates = c.rule;
    EXPECT_EQ(list.Add("cherry"), 0);
    EXPECT_EQ(list.Add("apple"), 0);
    EXPECT_EQ(list.Add("Banana"), 1);
    if (c.raises) {
      ExpectListError([&] { list.Add("banana"); }, "String list does not allow duplicates");
    } else {
      const int index = list.Add("banana");
      EXPECT_EQ(index, c.rule == TDuplicates::dupIgnore ? 1 : 2);
    }
    EXPECT_EQ(LinesOf(list), c.expected) << static_cast<int>(c.rule);
  }
}

TEST(StringListSorted, FindIndexOfAndRefusedEdits) {
  TStringList list;
  list.SetSorted(true);
  for (const char* s : {"delta", "alpha", "echo", "charlie", "bravo"}) list.Add(s);
  EXPECT_EQ(LinesOf(list), (Lines{"alpha", "bravo", "charlie", "delta", "echo"}));
  struct Case {
    const char* text;
    bool found;
    int index;
  } cases[] = {{"alpha", true, 0}, {"CHARLIE", true, 2}, {"echo", true, 4},
               {"aaa", false, 0},  {"c", false, 2},      {"zulu", false, 5}};
  for (const auto& c : cases) {
    int index = -1;
    EXPECT_EQ(list.Find(c.text, index), c.found) << c.text;
    EXPECT_EQ(index, c.index) << c.text;
    EXPECT_EQ(list.IndexOf(c.text), c.found ? c.index : -1) << c.text;
  }
  const std::string sortedError = "Operation not allowed on sorted list";
  ExpectListError([&] { list.Insert(0, "zzz"); }, sortedError);
  ExpectListError([&] { list.Put(0, "zzz"); }, sortedError);
  ExpectListError([&] { list.Exchange(0, 1); }, sortedError);
  ExpectListError([&] { list.Move(0, 4); }, sortedError);
  EXPECT_EQ(LinesOf(list), (Lines{"alpha", "bravo", "charlie", "delta", "echo"}));

  // Case-sensitive ordering re-sorts the list and changes the lookups.
  list.Duplicates = TDuplicates::dupAccept;
  list.Add("Bravo");
  list.SetCaseSensitive(true);
  int index = -1;
  EXPECT_TRUE(list.Find("Bravo", index));
  EXPECT_EQ(list[index], "Bravo");
  EXPECT_FALSE(list.Find("BRAVO", index));
  EXPECT_TRUE(list.Find("bravo", index));
  EXPECT_EQ(list[index], "bravo");
  EXPECT_EQ(list.Count(), 6);
}

TEST(StringListSorted, ObjectsFollowTheirLines) {
  TObject a, b, c, d;
  TStringList list;
  list.AddObject("charlie", &c);
  list.AddObject("alpha", &a);
  list.AddObject("delta", &d);
  list.AddObject("bravo", &b);
  list.Sort();
  EXPECT_EQ(LinesOf(list), (Lines{"alpha", "bravo", "charlie", "delta"}));
  TObject* expected[] = {&a, &b, &c, &d};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(list.GetObject(i), expected[i]) << i;

  list.Exchange(0, 3);
  EXPECT_EQ(list[0], "delta");
  EXPECT_EQ(list.GetObject(0), &d);
  EXPECT_EQ(list.GetObject(3), &a);
  list.Move(0, 2);
  EXPECT_EQ(LinesOf(list), (Lines{"bravo", "charlie", "delta", "alpha"}));
  EXPECT_EQ(list.IndexOfObject(&d), 2);
  list.Delete(0);
  EXPECT_EQ(list.GetObject(0), &c);
  EXPECT_EQ(list.IndexOfObject(&b), -1);

  // Turning Sorted on sorts the lines with their objects; a duplicate that is ignored
  // does not take over the line's object.
  list.SetSorted(true);
  EXPECT_EQ(LinesOf(list), (Lines{"alpha", "charlie", "delta"}));
  EXPECT_EQ(list.GetObject(0), &a);
  EXPECT_EQ(list.AddObject("ALPHA", &b), 0);
  EXPECT_EQ(list.GetObject(0), &a);
}

TEST(StringListSorted, SortIsStableAndCaseAware) {
  TObject first, second;
  TStringList list;
  list.AddObject("b", nullptr);
  list.AddObject("Same", &first);
  list.AddObject("a", nullptr);
  list.AddObject("same", &second);
  list.Sort();
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "Same", "same"}));
  EXPECT_EQ(list.GetObject(2), &first);
  EXPECT_EQ(list.GetObject(3), &second);

  // Ignoring case, equal texts keep their order; with case, the order is AnsiCompareStr's.
  Fill(list, {"b", "B", "a", "A"});
  list.Sort();
  EXPECT_EQ(LinesOf(list), (Lines{"a", "A", "b", "B"}));
  list.SetCaseSensitive(true);
  list.Sort();
  Lines lines = LinesOf(list);
  ASSERT_EQ(lines.size(), 4u);
  for (size_t i = 0; i + 1 < lines.size(); ++i)
    EXPECT_LT(AnsiCompareStr(lines[i], lines[i + 1]), 0) << lines[i] << " " << lines[i + 1];

  // Custom order by length, longest first, stable among equal lengths.
  Fill(list, {"ccc", "a", "bb", "dd", "e"});
  list.CustomSort([](const TStringList& l, int i, int j) {
    return static_cast<int>(l[j].size()) - static_cast<int>(l[i].size());
  });
  EXPECT_EQ(LinesOf(list), (Lines{"ccc", "bb", "dd", "a", "e"}));

  // An inconsistent comparison neither crashes nor loses lines.
  Fill(list, {"1", "2", "3", "4", "5", "6", "7", "8", "9"});
  int calls = 0;
  list.CustomSort([&calls](const TStringList&, int, int) { return (calls++ % 3) - 1; });
  lines = LinesOf(list);
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (Lines{"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
}

TEST(StringListIndex, OutOfRangeRaises) {
  TStringList list;
  Fill(list, {"a", "b"});
  TObject tag;
  struct Case {
    const char* what;
    std::function<void()> action;
    int index;
  } cases[] = {
      {"Get -1", [&] { (void)list[-1]; }, -1},
      {"Get count", [&] { (void)list.Get(2); }, 2},
      {"Put", [&] { list.Put(5, "x"); }, 5},
      {"GetObject", [&] { (void)list.GetObject(2); }, 2},
      {"PutObject", [&] { list.PutObject(-3, &tag); }, -3},
      {"Insert past end", [&] { list.Insert(3, "x"); }, 3},
      {"Delete", [&] { list.Delete(2); }, 2},
      {"Names", [&] { (void)list.Names(7); }, 7},
      {"Exchange", [&] { list.Exchange(0, 9); }, 9},
      {"Move source", [&] { list.Move(4, 0); }, 4},
      {"Move target", [&] { list.Move(0, 2); }, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectListError(c.action, "List index out of bounds (" + std::to_string(c.index) + ")");
    EXPECT_EQ(LinesOf(list), (Lines{"a", "b"}));
  }
  // Inserting at the end is allowed.
  list.Insert(2, "c");
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b", "c"}));
}

TEST(StringListLookup, IndexOfFollowsCaseRule) {
  TStringList list;
  Fill(list, {"Alpha", "beta", "BETA", "gamma"});
  EXPECT_EQ(list.IndexOf("ALPHA"), 0);
  EXPECT_EQ(list.IndexOf("Beta"), 1);
  EXPECT_EQ(list.IndexOf("delta"), -1);
  EXPECT_EQ(list.IndexOf(""), -1);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("ALPHA"), -1);
  EXPECT_EQ(list.IndexOf("BETA"), 2);
  EXPECT_EQ(list.IndexOf("Alpha"), 0);
}

TEST(StringListChange, OnChangeOncePerOperation) {
  TStringList list;
  TStringList other;
  Fill(other, {"x", "y", "z"});
  int changes = 0;
  list.OnChange = [&changes] { ++changes; };
  TObject tag;
  struct Step {
    const char* what;
    std::function<void()> action;
    int changes;
  } steps[] = {
      {"Add", [&] { list.Add("q"); }, 1},
      {"AddObject", [&] { list.AddObject("r", &tag); }, 1},
      {"SetText", [&] { list.SetText("c\r\nb\r\na"); }, 1},
      {"Sort", [&] { list.Sort(); }, 1},
      {"Exchange", [&] { list.Exchange(0, 2); }, 1},
      {"Move", [&] { list.Move(0, 1); }, 1},
      {"SetCommaText", [&] { list.SetCommaText("1,2,3"); }, 1},
      {"AddStrings", [&] { list.AddStrings(other); }, 1},
      {"Assign", [&] { list.Assign(other); }, 1},
      {"SetValue", [&] { list.SetValue("k", "v"); }, 1},
      {"Delete", [&] { list.Delete(0); }, 1},
      {"Clear", [&] { list.Clear(); }, 1},
      {"Clear empty", [&] { list.Clear(); }, 0},
      {"failed Insert",
       [&] {
         try {
           list.Insert(5, "x");
         } catch (const EStringListError&) {
         }
       },
       0},
  };
  for (const auto& s : steps) {
    changes = 0;
    s.action();
    EXPECT_EQ(changes, s.changes) << s.what;
  }
  // Nested updates report once, at the outermost end.
  changes = 0;
  list.BeginUpdate();
  list.Add("a");
  list.BeginUpdate();
  list.Add("b");
  list.EndUpdate();
  EXPECT_EQ(changes, 0);
  list.EndUpdate();
  EXPECT_EQ(changes, 1);
  // A sorted list that refuses a duplicate in AddStrings still closes its update.
  list.SetSorted(true);
  list.Duplicates = TDuplicates::dupError;
  Fill(other, {"a"});
  EXPECT_THROW(list.AddStrings(other), EStringListError);
  changes = 0;
  list.Add("c");
  EXPECT_EQ(changes, 1);
}

TEST(StringListAssign, CopiesLinesObjectsAndSettings) {
  TObject tag;
  TStringList source;
  source.AddObject("one", &tag);
  source.Add("two");
  source.Delimiter = ';';
  TStringList target;
  target.Add("old");
  target.Assign(source);
  EXPECT_EQ(LinesOf(target), (Lines{"one", "two"}));
  EXPECT_EQ(target.GetObject(0), &tag);
  EXPECT_EQ(target.Delimiter, ';');
  target.Assign(target);
  EXPECT_EQ(LinesOf(target), (Lines{"one", "two"}));
  target.AddStrings(target);
  EXPECT_EQ(LinesOf(target), (Lines{"one", "two", "one", "two"}));
  EXPECT_EQ(target.GetObject(2), &tag);
}

TEST(StringListFiles, SaveAndLoadRoundTrip) {
  testsupport::TempDir dir;
  const std::string path = dir.File("lines.txt");
  TStringList list;
  Fill(list, {"first", "", "name=\xD6\xD0\xCE\xC4", "last"});
  list.SaveToFile(path);
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, "first\r\n\r\nname=\xD6\xD0\xCE\xC4\r\nlast\r\n");

  TStringList loaded;
  loaded.Add("replaced");
  loaded.LoadFromFile(path);
  EXPECT_EQ(LinesOf(loaded), LinesOf(list));

  // Files with bare line feeds and no final line end read the same way.
  loaded.LoadFromFile(dir.Write("unix.txt", "a\nb"));
  EXPECT_EQ(LinesOf(loaded), (Lines{"a", "b"}));
}

TEST(StringListFiles, UnopenableFilesRaise) {
  testsupport::TempDir dir;
  TStringList list;
  list.Add("kept");
  const std::string missing = dir.File("missing.txt");
  try {
    list.LoadFromFile(missing);
    ADD_FAILURE() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot open file \"" + missing + "\". ", 0), 0u) << e.Message();
    EXPECT_GT(e.Message().size(), ("Cannot open file \"" + missing + "\". ").size());
  }
  EXPECT_EQ(LinesOf(list), (Lines{"kept"}));
  EXPECT_THROW(list.LoadFromFile(dir.path().string()), EFOpenError);

  const std::string noFolder = dir.File("no/such/folder/out.txt");
  try {
    list.SaveToFile(noFolder);
    ADD_FAILURE() << "no exception";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot create file \"" + noFolder + "\". ", 0), 0u) << e.Message();
  }
}
