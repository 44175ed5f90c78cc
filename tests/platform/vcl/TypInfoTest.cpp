#include "platform/vcl/TypInfo.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/rtl/Strings.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Graphics.h"

using namespace vcl;

namespace {

enum class TProbeMode { pmOff, pmSlow, pmFast };
const TTypeInfo* TypeProbeMode() {
  static const TTypeInfo* t = MakeEnumType("TProbeMode", {"pmOff", "pmSlow", "pmFast"});
  return t;
}
enum TProbeOption : std::uint8_t { poA = 1, poB = 2, poC = 4 };
using TProbeOptions = std::uint8_t;
const TTypeInfo* TypeProbeOptions() {
  static const TTypeInfo* t =
      MakeSetType("TProbeOptions", MakeEnumType("TProbeOption", {"poA", "poB", "poC"}));
  return t;
}
using TProbeValueEvent = TEvent<TObject*, int>;

// A component with one published property of every kind.
class TPropProbe : public TComponent {
  VCL_DECLARE_COMPONENT(TPropProbe)
 public:
  explicit TPropProbe(TComponent* owner) : TComponent(owner) {}

  int Count() const { return count_; }
  void SetCount(int v) { count_ = v; }
  bool Active() const { return active_; }
  void SetActive(bool v) { active_ = v; }
  const AnsiString& Caption() const { return caption_; }
  void SetCaption(const AnsiString& v) { caption_ = v; }
  TProbeMode Mode() const { return mode_; }
  void SetMode(TProbeMode v) { mode_ = v; }
  TProbeOptions Options() const { return options_; }
  void SetOptions(TProbeOptions v) { options_ = v; }
  double Ratio() const { return ratio_; }
  void SetRatio(double v) { ratio_ = v; }
  char Letter() const { return letter_; }
  void SetLetter(char v) { letter_ = v; }
  TColor Color() const { return color_; }
  void SetColor(TColor v) { color_ = v; }
  int Cursor() const { return cursor_; }
  void SetCursor(int v) { cursor_ = v; }
  int Version() const { return 7; }
  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* f) { font_->Assign(f); }
  TPropProbe* Buddy() const { return buddy_; }
  void SetBuddy(TPropProbe* b) { buddy_ = b; }

  TNotifyEvent OnChange;
  TProbeValueEvent OnValue;

 private:
  int count_ = 0;
  bool active_ = false;
  AnsiString caption_;
  TProbeMode mode_ = TProbeMode::pmOff;
  TProbeOptions options_ = 0;
  double ratio_ = 0;
  char letter_ = 'a';
  TColor color_ = clBtnFace;
  int cursor_ = crDefault;
  std::unique_ptr<TFont> font_ = std::make_unique<TFont>();
  TPropProbe* buddy_ = nullptr;
};

VCL_IMPLEMENT_COMPONENT(TPropProbe, TComponent)

void TPropProbe::Publish(TPublisher& p) {
  p.Integer("Count", &TPropProbe::Count, &TPropProbe::SetCount);
  p.Bool("Active", &TPropProbe::Active, &TPropProbe::SetActive);
  p.String("Caption", &TPropProbe::Caption, &TPropProbe::SetCaption);
  p.Enum("Mode", TypeProbeMode(), &TPropProbe::Mode, &TPropProbe::SetMode);
  p.Enum("Options", TypeProbeOptions(), &TPropProbe::Options, &TPropProbe::SetOptions);
  p.Float("Ratio", &TPropProbe::Ratio, &TPropProbe::SetRatio);
  p.Char("Letter", &TPropProbe::Letter, &TPropProbe::SetLetter);
  p.Integer("Color", &TPropProbe::Color, &TPropProbe::SetColor, TypeColor());
  p.Integer("Cursor", &TPropProbe::Cursor, &TPropProbe::SetCursor, TypeCursor());
  p.Integer("Version", &TPropProbe::Version);
  p.Object("Font", &TPropProbe::Font, &TPropProbe::SetFont);
  p.Object("Buddy", &TPropProbe::Buddy, &TPropProbe::SetBuddy);
  p.Event("OnChange", "TNotifyEvent", &TPropProbe::OnChange);
  p.Event("OnValue", "TProbeValueEvent", &TPropProbe::OnValue);
}

// Republishes Count read-only (in its ancestor's place) and adds a property of its own.
class TDerivedProbe : public TPropProbe {
  VCL_DECLARE_COMPONENT(TDerivedProbe)
 public:
  explicit TDerivedProbe(TComponent* owner) : TPropProbe(owner) {}
  int Extra() const { return extra_; }
  void SetExtra(int v) { extra_ = v; }

 private:
  int extra_ = 0;
};

VCL_IMPLEMENT_COMPONENT(TDerivedProbe, TPropProbe)

void TDerivedProbe::Publish(TPublisher& p) {
  p.Integer("Extra", &TDerivedProbe::Extra, &TDerivedProbe::SetExtra);
  p.Integer("count", &TDerivedProbe::Count);
}

// Only looked up by the concurrency test, so its list is built there.
class TLazyProbe : public TPropProbe {
  VCL_DECLARE_COMPONENT(TLazyProbe)
 public:
  explicit TLazyProbe(TComponent* owner) : TPropProbe(owner) {}
  int Lazy() const { return 1; }
};

VCL_IMPLEMENT_COMPONENT(TLazyProbe, TPropProbe)

void TLazyProbe::Publish(TPublisher& p) {
  p.Integer("Lazy", &TLazyProbe::Lazy);
}

std::vector<std::string> NamesOf(const TClass* cls) {
  std::vector<std::string> names;
  for (const TPropInfo* p : GetPropList(cls)) names.push_back(p->Name);
  return names;
}

template <typename E, typename Action>
void ExpectRaises(Action&& action, const std::string& message, const std::string& what) {
  try {
    action();
    ADD_FAILURE() << what << ": no exception, expected: " << message;
  } catch (const E& e) {
    EXPECT_EQ(e.Message(), message) << what;
  } catch (const std::exception& e) {
    ADD_FAILURE() << what << ": unexpected exception " << e.what();
  }
}

const std::vector<std::string> kProbeProps = {
    "Name",   "Tag",   "Count",  "Active",  "Caption", "Mode",  "Options",  "Ratio",
    "Letter", "Color", "Cursor", "Version", "Font",    "Buddy", "OnChange", "OnValue"};

}  // namespace

TEST(TypInfoTypes, WellKnownTypes) {
  struct Row {
    const TTypeInfo* type;
    TTypeKind kind;
    const char* name;
  } rows[] = {
      {TypeInteger(), TTypeKind::tkInteger, "Integer"},
      {TypeCardinal(), TTypeKind::tkInteger, "Cardinal"},
      {TypeChar(), TTypeKind::tkChar, "Char"},
      {TypeBoolean(), TTypeKind::tkEnumeration, "Boolean"},
      {TypeDouble(), TTypeKind::tkFloat, "Double"},
      {TypeString(), TTypeKind::tkString, "String"},
      {TypeColor(), TTypeKind::tkInteger, "TColor"},
      {TypeCursor(), TTypeKind::tkInteger, "TCursor"},
      {ClassTypeInfo(TFont::StaticClass()), TTypeKind::tkClass, "TFont"},
  };
  for (const Row& r : rows) {
    ASSERT_NE(r.type, nullptr) << r.name;
    EXPECT_EQ(r.type->Kind, r.kind) << r.name;
    EXPECT_EQ(r.type->Name, r.name);
  }
  EXPECT_EQ(TypeBoolean()->EnumNames, (std::vector<AnsiString>{"False", "True"}));
  // Type objects are made once.
  EXPECT_EQ(TypeColor(), TypeColor());
  EXPECT_EQ(ClassTypeInfo(TFont::StaticClass()), ClassTypeInfo(TFont::StaticClass()));
  EXPECT_EQ(ClassTypeInfo(TFont::StaticClass())->ClassType, TFont::StaticClass());
  const TTypeInfo* set = TypeProbeOptions();
  EXPECT_EQ(set->Kind, TTypeKind::tkSet);
  EXPECT_EQ(set->EnumNames, (std::vector<AnsiString>{"poA", "poB", "poC"}));
  const TTypeInfo* method = MakeMethodType("TNotifyEvent", TNotifyEvent::SignatureType());
  EXPECT_EQ(method->Kind, TTypeKind::tkMethod);
  EXPECT_TRUE(*method->MethodSignature == typeid(TNotifyEvent));
}

TEST(TypInfoTypes, ColorNamesBothWays) {
  struct Row {
    const char* name;
    TColor value;
  } rows[] = {
      {"clBlack", clBlack},
      {"clMaroon", clMaroon},
      {"clGreen", clGreen},
      {"clOlive", clOlive},
      {"clNavy", clNavy},
      {"clPurple", clPurple},
      {"clTeal", clTeal},
      {"clGray", clGray},
      {"clSilver", clSilver},
      {"clRed", clRed},
      {"clLime", clLime},
      {"clYellow", clYellow},
      {"clBlue", clBlue},
      {"clFuchsia", clFuchsia},
      {"clAqua", clAqua},
      {"clWhite", clWhite},
      {"clMoneyGreen", clMoneyGreen},
      {"clSkyBlue", clSkyBlue},
      {"clCream", clCream},
      {"clMedGray", clMedGray},
      {"clNone", clNone},
      {"clDefault", clDefault},
      {"clScrollBar", clScrollBar},
      {"clBackground", clBackground},
      {"clActiveCaption", clActiveCaption},
      {"clInactiveCaption", clInactiveCaption},
      {"clMenu", clMenu},
      {"clWindow", clWindow},
      {"clWindowFrame", clWindowFrame},
      {"clMenuText", clMenuText},
      {"clWindowText", clWindowText},
      {"clCaptionText", clCaptionText},
      {"clActiveBorder", clActiveBorder},
      {"clInactiveBorder", clInactiveBorder},
      {"clAppWorkSpace", clAppWorkSpace},
      {"clHighlight", clHighlight},
      {"clHighlightText", clHighlightText},
      {"clBtnFace", clBtnFace},
      {"clBtnShadow", clBtnShadow},
      {"clGrayText", clGrayText},
      {"clBtnText", clBtnText},
      {"clInactiveCaptionText", clInactiveCaptionText},
      {"clBtnHighlight", clBtnHighlight},
      {"cl3DDkShadow", cl3DDkShadow},
      {"cl3DLight", cl3DLight},
      {"clInfoText", clInfoText},
      {"clInfoBk", clInfoBk},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ColorToString(r.value), r.name);
    EXPECT_EQ(StringToColor(r.name), r.value) << r.name;
    EXPECT_EQ(StringToColor(UpperCase(r.name)), r.value) << r.name;
    std::int64_t v = 0;
    EXPECT_TRUE(IdentToColor(r.name, v));
    EXPECT_EQ(v, r.value) << r.name;
    // System colours may come as unsigned 32-bit numbers too.
    AnsiString ident;
    EXPECT_TRUE(ColorToIdent(static_cast<std::uint32_t>(r.value), ident)) << r.name;
    EXPECT_EQ(ident, r.name);
  }
  // Aliases are read but written with their main names.
  EXPECT_EQ(StringToColor("clLtGray"), clSilver);
  EXPECT_EQ(StringToColor("clDkGray"), clGray);
  EXPECT_EQ(ColorToString(clLtGray), "clSilver");
  EXPECT_EQ(ColorToString(clDkGray), "clGray");
}

TEST(TypInfoTypes, ColorNumbersAndBadText) {
  EXPECT_EQ(ColorToString(0x123456), "$00123456");
  EXPECT_EQ(ColorToString(SysColor(99)), "$80000063");
  struct Row {
    const char* text;
    TColor value;
  } good[] = {{"$00123456", 0x123456}, {"$123456", 0x123456},   {"255", clRed},
              {" clRed ", clRed},      {"$80000005", clWindow}, {"-2147483643", clWindow},
              {"0", clBlack}};
  for (const Row& r : good) EXPECT_EQ(StringToColor(r.text), r.value) << r.text;
  for (const char* bad : {"", "clPink", "12x", "$", "4294967295", "$100000000", "red"}) {
    EXPECT_THROW(StringToColor(bad), EConvertError) << bad;
    std::int64_t v;
    EXPECT_FALSE(IdentToColor(bad, v)) << bad;
  }
  AnsiString ident;
  EXPECT_FALSE(ColorToIdent(0x123456, ident));
  EXPECT_FALSE(ColorToIdent(std::int64_t(1) << 40, ident));
}

TEST(TypInfoTypes, CursorNamesAgreeWithControls) {
  struct Row {
    const char* name;
    TCursor value;
  } rows[] = {
      {"crDefault", crDefault},     {"crNone", crNone},           {"crArrow", crArrow},
      {"crCross", crCross},         {"crIBeam", crIBeam},         {"crSizeNESW", crSizeNESW},
      {"crSizeNS", crSizeNS},       {"crSizeNWSE", crSizeNWSE},   {"crSizeWE", crSizeWE},
      {"crUpArrow", crUpArrow},     {"crHourGlass", crHourGlass}, {"crDrag", crDrag},
      {"crNoDrop", crNoDrop},       {"crHSplit", crHSplit},       {"crVSplit", crVSplit},
      {"crMultiDrag", crMultiDrag}, {"crSQLWait", crSQLWait},     {"crNo", crNo},
      {"crAppStart", crAppStart},   {"crHelp", crHelp},           {"crHandPoint", crHandPoint},
      {"crSizeAll", crSizeAll},
  };
  for (const Row& r : rows) {
    std::int64_t v = 1;
    EXPECT_TRUE(IdentToCursor(r.name, v)) << r.name;
    EXPECT_EQ(v, r.value) << r.name;
    EXPECT_TRUE(IdentToCursor(LowerCase(r.name), v)) << r.name;
    AnsiString ident;
    EXPECT_TRUE(CursorToIdent(r.value, ident)) << r.name;
    EXPECT_EQ(ident, r.name);
  }
  AnsiString ident;
  EXPECT_FALSE(CursorToIdent(-5, ident));
  EXPECT_FALSE(CursorToIdent(1, ident));
  std::int64_t v;
  EXPECT_FALSE(IdentToCursor("crBusy", v));
}

TEST(TypInfoPropList, AncestorsFirstAndRepublishedInPlace) {
  EXPECT_TRUE(GetPropList(nullptr).empty());
  EXPECT_TRUE(GetPropList(TObject::StaticClass()).empty());
  EXPECT_EQ(NamesOf(TComponent::StaticClass()), (std::vector<std::string>{"Name", "Tag"}));
  EXPECT_EQ(NamesOf(TPropProbe::StaticClass()), kProbeProps);

  std::vector<std::string> derived = kProbeProps;
  derived[2] = "count";  // the descendant's spelling, in the ancestor's place
  derived.push_back("Extra");
  EXPECT_EQ(NamesOf(TDerivedProbe::StaticClass()), derived);

  // The republished property is the descendant's (read-only); the ancestor keeps its own.
  TDerivedProbe derivedProbe(nullptr);
  TPropProbe probe(nullptr);
  EXPECT_FALSE(GetPropInfo(&derivedProbe, "Count")->IsWritable());
  EXPECT_TRUE(GetPropInfo(&probe, "Count")->IsWritable());
  ExpectRaises<EPropertyError>([&] { SetOrdProp(&derivedProbe, "Count", 3); },
                               "Property count is read-only", "republished read-only");
  SetOrdProp(&probe, "Count", 3);
  EXPECT_EQ(probe.Count(), 3);
  // Lists are built once per class.
  EXPECT_EQ(&GetPropList(TDerivedProbe::StaticClass()), &GetPropList(TDerivedProbe::StaticClass()));
  EXPECT_TRUE(TDerivedProbe::StaticClass()->InheritsFrom("tcomponent"));
  EXPECT_TRUE(derivedProbe.InheritsFrom(TPropProbe::StaticClass()));
  EXPECT_FALSE(probe.InheritsFrom(TDerivedProbe::StaticClass()));
}

TEST(TypInfoPropList, ConcurrentFirstLookupsAgree) {
  const TClass* cls = TLazyProbe::StaticClass();
  std::vector<const std::vector<const TPropInfo*>*> seen(4, nullptr);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&, i] { seen[i] = &GetPropList(cls); });
  for (auto& t : threads) t.join();
  for (auto* list : seen) EXPECT_EQ(list, seen[0]);
  std::vector<std::string> expected = kProbeProps;
  expected.push_back("Lazy");
  EXPECT_EQ(NamesOf(cls), expected);
}

TEST(TypInfoAccess, TextRoundTripByNameAndPath) {
  struct Row {
    const char* path;
    const char* value;
    const char* expected;
  } rows[] = {
      {"Count", "42", "42"},
      {"count", "$10", "16"},
      {"COUNT", " -7 ", "-7"},
      {"Active", "True", "True"},
      {"Active", "false", "False"},
      {"Active", "1", "True"},
      {"Caption", "hello world", "hello world"},
      {"Caption", "", ""},
      {"Mode", "pmFast", "pmFast"},
      {"Mode", "PMSLOW", "pmSlow"},
      {"Mode", "0", "pmOff"},
      {"Options", "[poA,poC]", "[poA,poC]"},
      {"Options", "[ poc , POA ]", "[poA,poC]"},
      {"Options", "poB", "[poB]"},
      {"Options", "[]", "[]"},
      {"Options", "7", "[poA,poB,poC]"},
      {"Ratio", "2.5", "2.5"},
      {"Ratio", "-1E-3", "-0.001"},
      {"Letter", "x", "x"},
      {"Color", "clRed", "clRed"},
      {"Color", "clLtGray", "clSilver"},
      {"Color", "$00123456", "1193046"},
      {"Color", "$80000005", "clWindow"},
      {"Color", "-2147483643", "clWindow"},
      {"Color", "255", "clRed"},
      {"Cursor", "crHourGlass", "crHourGlass"},
      {"Cursor", "-2", "crArrow"},
      {"Cursor", "5", "5"},
      {"Name", "Probe1", "Probe1"},
      {"Font.Charset", "GB2312_CHARSET", "GB2312_CHARSET"},
      {"font.charset", "128", "SHIFTJIS_CHARSET"},
      {"Font.Charset", "200", "200"},
      {"Font.Name", "Arial", "Arial"},
      {"Font.Style", "[fsBold,fsItalic]", "[fsBold,fsItalic]"},
      {"Font.Pitch", "fpFixed", "fpFixed"},
      {"Font.Color", "clNavy", "clNavy"},
      {"FONT.SIZE", "12", "12"},
  };
  TPropProbe probe(nullptr);
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.path) + " = " + r.value);
    SetPropAsString(&probe, r.path, r.value);
    EXPECT_EQ(GetPropAsString(&probe, r.path), r.expected);
    EXPECT_TRUE(TrySetPropAsString(&probe, r.path, r.value));
    EXPECT_EQ(GetPropAsString(&probe, r.path), r.expected);
  }
  // The values really reached the object.
  EXPECT_EQ(probe.Font()->GetName(), "Arial");
  EXPECT_EQ(probe.Font()->GetHeight(), -16);
  EXPECT_EQ(probe.Font()->GetStyle(), fsBold | fsItalic);
  EXPECT_EQ(probe.Color(), clRed);
  EXPECT_EQ(probe.Name(), "Probe1");
  EXPECT_EQ(GetPropAsString(&probe, "Font"), "TFont");
  EXPECT_EQ(GetPropAsString(&probe, "Buddy"), "");
}

TEST(TypInfoAccess, BadTextLeavesValueAlone) {
  struct Row {
    const char* path;
    const char* value;
  } rows[] = {
      {"Count", "abc"},
      {"Count", "12.5"},
      {"Count", "2147483648"},
      {"Count", "$100000000"},
      {"Count", ""},
      {"Active", "yes"},
      {"Active", "2"},
      {"Mode", "pmWarp"},
      {"Mode", "3"},
      {"Mode", "-1"},
      {"Options", "[poA,poZ]"},
      {"Options", "[poA"},
      {"Options", "8"},
      {"Ratio", "1,5"},
      {"Ratio", "abc"},
      {"Letter", "ab"},
      {"Color", "clPink"},
      {"Cursor", "crBogus"},
      {"Font.Charset", "KLINGON_CHARSET"},
      {"Font.Style", "[fsHuge]"},
      {"Font", "TFont"},
      {"OnChange", "x"},
  };
  TPropProbe probe(nullptr);
  probe.SetCount(5);
  probe.SetMode(TProbeMode::pmSlow);
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.path) + " = " + r.value);
    bool method = r.path == std::string("OnChange");
    AnsiString before = method ? "" : GetPropAsString(&probe, r.path);
    EXPECT_THROW(SetPropAsString(&probe, r.path, r.value), EPropertyConvertError);
    EXPECT_FALSE(TrySetPropAsString(&probe, r.path, r.value));
    if (!method) {
      EXPECT_EQ(GetPropAsString(&probe, r.path), before);
    }
  }
}

TEST(TypInfoAccess, UnknownPathsAndReadOnly) {
  TPropProbe probe(nullptr);
  // Paths that end nowhere: unknown names, a step through a non-class property or a nil object.
  for (const char* path : {"Nope", "Font.Nope", "Count.Value", "Buddy.Count", "Font.", ".Font",
                           "Font..Name", "OnChange.Code"}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(IsPublishedProp(&probe, path));
    ExpectRaises<EPropertyError>([&] { GetPropAsString(&probe, path); },
                                 "Unknown property: '" + std::string(path) + "'", "get");
    ExpectRaises<EPropertyError>([&] { SetOrdProp(&probe, path, 1); },
                                 "Unknown property: '" + std::string(path) + "'", "set");
    EXPECT_FALSE(TrySetPropAsString(&probe, path, "1"));
  }
  EXPECT_EQ(GetPropInfo(nullptr, "Count"), nullptr);
  EXPECT_EQ(GetPropInfo(&probe, ""), nullptr);
  EXPECT_THROW(GetOrdProp(nullptr, "Count"), EPropertyError);

  // Read-only properties refuse every way of writing.
  ExpectRaises<EPropertyError>([&] { SetPropAsString(&probe, "Version", "8"); },
                               "Property Version is read-only", "text");
  ExpectRaises<EPropertyError>([&] { SetOrdProp(&probe, "version", 8); },
                               "Property Version is read-only", "ordinal");
  ExpectRaises<EPropertyError>([&] { SetPropValue(&probe, "Version", Variant(8)); },
                               "Property Version is read-only", "variant");
  EXPECT_FALSE(TrySetPropAsString(&probe, "Version", "8"));
  EXPECT_EQ(GetOrdProp(&probe, "Version"), 7);

  // A setter that refuses the value: Try gives false, the plain setter passes the error on.
  EXPECT_FALSE(TrySetPropAsString(&probe, "Name", "1st"));
  EXPECT_THROW(SetPropAsString(&probe, "Name", "1st"), EComponentError);
  EXPECT_EQ(probe.Name(), "");

  // A path through a class property that is assigned works once the object is there.
  TPropProbe buddy(nullptr);
  SetObjectProp(&probe, "Buddy", &buddy);
  EXPECT_TRUE(IsPublishedProp(&probe, "Buddy.Font.Name"));
  SetPropAsString(&probe, "Buddy.Font.Name", "Courier");
  EXPECT_EQ(buddy.Font()->GetName(), "Courier");
  TObject* holder = nullptr;
  const TPropInfo* p = FindPropPath(&probe, "buddy.font.name", holder);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Name, "Name");
  EXPECT_EQ(holder, buddy.Font());
}

TEST(TypInfoAccess, TypedAccessorsCheckKinds) {
  TPropProbe probe(nullptr);
  TPropProbe other(nullptr);
  TFont font;
  struct Row {
    const char* what;
    std::function<void()> action;
  } wrongKinds[] = {
      {"GetOrdProp string", [&] { GetOrdProp(&probe, "Caption"); }},
      {"GetOrdProp float", [&] { GetOrdProp(&probe, "Ratio"); }},
      {"GetStrProp integer", [&] { GetStrProp(&probe, "Count"); }},
      {"GetFloatProp integer", [&] { GetFloatProp(&probe, "Count"); }},
      {"GetEnumProp set", [&] { GetEnumProp(&probe, "Options"); }},
      {"GetSetProp enum", [&] { GetSetProp(&probe, "Mode"); }},
      {"GetObjectProp integer", [&] { GetObjectProp(&probe, "Count"); }},
      {"GetMethodProp object", [&] { GetMethodProp(&probe, "Font"); }},
      {"SetStrProp integer", [&] { SetStrProp(&probe, "Count", "1"); }},
      {"SetFloatProp string", [&] { SetFloatProp(&probe, "Caption", 1); }},
      {"SetOrdProp enum range", [&] { SetOrdProp(&probe, "Mode", 3); }},
      {"SetOrdProp boolean range", [&] { SetOrdProp(&probe, "Active", 2); }},
      {"SetOrdProp set range", [&] { SetOrdProp(&probe, "Options", 8); }},
      {"SetOrdProp char range", [&] { SetOrdProp(&probe, "Letter", 256); }},
      {"SetOrdProp integer range", [&] { SetOrdProp(&probe, "Count", std::int64_t(1) << 33); }},
      {"SetEnumProp unknown", [&] { SetEnumProp(&probe, "Mode", "pmWarp"); }},
      {"SetSetProp unknown", [&] { SetSetProp(&probe, "Options", "[poQ]"); }},
      {"SetObjectProp wrong class", [&] { SetObjectProp(&probe, "Font", &other); }},
      {"SetObjectProp not a class property", [&] { SetObjectProp(&probe, "Count", &font); }},
      {"GetPropAsString method", [&] { GetPropAsString(&probe, "OnChange"); }},
      {"GetPropValue object", [&] { GetPropValue(&probe, "Font"); }},
  };
  for (const Row& r : wrongKinds)
    ExpectRaises<EPropertyConvertError>(r.action, "Invalid property value", r.what);

  SetOrdProp(&probe, "Count", -12);
  EXPECT_EQ(probe.Count(), -12);
  SetOrdProp(&probe, "Color", 0x80000005);  // as written, unsigned
  EXPECT_EQ(probe.Color(), clWindow);
  EXPECT_EQ(GetOrdProp(&probe, "Color"), clWindow);
  SetEnumProp(&probe, "Mode", "pmSlow");
  EXPECT_EQ(probe.Mode(), TProbeMode::pmSlow);
  SetEnumProp(&probe, "Mode", "2");
  EXPECT_EQ(GetEnumProp(&probe, "Mode"), "pmFast");
  SetEnumProp(&probe, "Active", "TRUE");
  EXPECT_TRUE(probe.Active());
  SetSetProp(&probe, "Options", "poB,poC");
  EXPECT_EQ(probe.Options(), poB | poC);
  EXPECT_EQ(GetSetProp(&probe, "Options"), "[poB,poC]");
  SetFloatProp(&probe, "Ratio", 0.25);
  EXPECT_EQ(GetFloatProp(&probe, "Ratio"), 0.25);
  SetStrProp(&probe, "Caption", "abc");
  EXPECT_EQ(GetStrProp(&probe, "Caption"), "abc");
  SetOrdProp(&probe, "Letter", 'Q');
  EXPECT_EQ(probe.Letter(), 'Q');
  EXPECT_EQ(GetOrdProp(&probe, "Font.Charset"), DEFAULT_CHARSET);

  // Object properties: the font setter copies, the buddy setter stores the pointer.
  EXPECT_EQ(GetObjectProp(&probe, "Font"), probe.Font());
  font.SetName("Tahoma");
  SetObjectProp(&probe, "Font", &font);
  EXPECT_EQ(probe.Font()->GetName(), "Tahoma");
  EXPECT_NE(probe.Font(), &font);
  SetObjectProp(&probe, "Buddy", &other);
  EXPECT_EQ(GetObjectProp(&probe, "Buddy"), &other);
  SetObjectProp(&probe, "Buddy", nullptr);
  EXPECT_EQ(probe.Buddy(), nullptr);

  EXPECT_TRUE(PropIsType(&probe, "Font.Style", TTypeKind::tkSet));
  EXPECT_TRUE(PropIsType(&probe, "OnChange", TTypeKind::tkMethod));
  EXPECT_FALSE(PropIsType(&probe, "Count", TTypeKind::tkString));
  EXPECT_FALSE(PropIsType(&probe, "Nope", TTypeKind::tkInteger));
  EXPECT_TRUE(PropIsTypeName(&probe, "Font", "tfont"));
  EXPECT_TRUE(PropIsTypeName(&probe, "Color", "TColor"));
  EXPECT_TRUE(PropIsTypeName(&probe, "Font.Charset", "TFontCharset"));
  EXPECT_TRUE(PropIsTypeName(&probe, "OnValue", "TProbeValueEvent"));
  EXPECT_FALSE(PropIsTypeName(&probe, "Count", "TColor"));
}

TEST(TypInfoAccess, VariantValues) {
  TPropProbe probe(nullptr);
  probe.SetCount(42);
  probe.SetActive(true);
  probe.SetMode(TProbeMode::pmFast);
  probe.SetRatio(1.5);
  probe.SetCaption("text");
  probe.SetOptions(poA);
  probe.SetLetter('z');
  struct Get {
    const char* path;
    TVarType type;
    Variant value;
  } gets[] = {
      {"Count", varInteger, Variant(42)},      {"Active", varBoolean, Variant(true)},
      {"Mode", varString, Variant("pmFast")},  {"Ratio", varDouble, Variant(1.5)},
      {"Caption", varString, Variant("text")}, {"Options", varString, Variant("[poA]")},
      {"Letter", varString, Variant("z")},     {"Color", varInteger, Variant(int(clBtnFace))},
  };
  for (const Get& g : gets) {
    Variant v = GetPropValue(&probe, g.path);
    EXPECT_EQ(v.VarType(), g.type) << g.path;
    EXPECT_TRUE(v == g.value) << g.path << ": " << v.AsString();
  }

  struct Set {
    const char* path;
    Variant value;
    const char* expected;  // as GetPropAsString gives it
  } sets[] = {
      {"Count", Variant(-3), "-3"},
      {"Count", Variant("17"), "17"},
      {"Count", Variant(2.0), "2"},
      {"Color", Variant("clRed"), "clRed"},
      {"Color", Variant(255), "clRed"},
      {"Active", Variant(false), "False"},
      {"Active", Variant("True"), "True"},
      {"Mode", Variant(1), "pmSlow"},
      {"Mode", Variant("pmOff"), "pmOff"},
      {"Ratio", Variant(3.25), "3.25"},
      {"Ratio", Variant(4), "4"},
      {"Caption", Variant(7), "7"},
      {"Options", Variant("[poB]"), "[poB]"},
      {"Options", Variant(5), "[poA,poC]"},
      {"Letter", Variant("k"), "k"},
      {"Font.Size", Variant(10), "10"},
  };
  for (const Set& s : sets) {
    SetPropValue(&probe, s.path, s.value);
    EXPECT_EQ(GetPropAsString(&probe, s.path), s.expected) << s.path;
  }

  struct Bad {
    const char* path;
    Variant value;
  } bads[] = {
      {"Count", Variant("abc")}, {"Count", Variant::NullValue()}, {"Mode", Variant(5)},
      {"Mode", Variant("x")},    {"Ratio", Variant("x")},         {"Font", Variant(1)},
      {"OnChange", Variant(1)},  {"Letter", Variant("long")},
  };
  for (const Bad& b : bads)
    EXPECT_THROW(SetPropValue(&probe, b.path, b.value), EPropertyConvertError) << b.path;
  // Refused values left the last good ones in place.
  EXPECT_EQ(probe.Count(), 2);
  EXPECT_EQ(GetPropAsString(&probe, "Mode"), "pmOff");
}

namespace {

class TypInfoMethods : public ::testing::Test {
 public:
  void HandlerA(TObject*) { log.push_back("A"); }
  void HandlerB(TObject*) { log.push_back("B"); }
  void ValueHandler(TObject*, int v) { log.push_back("value " + std::to_string(v)); }
  std::vector<std::string> log;
  TPropProbe probe{nullptr};
};

}  // namespace

TEST_F(TypInfoMethods, ReadStoreCompareRestore) {
  probe.OnChange = MethodOf<&TypInfoMethods::HandlerA>(this);
  TMethod saved = GetMethodProp(&probe, "OnChange");
  EXPECT_TRUE(saved.IsAssigned());
  EXPECT_TRUE(saved == MethodOf<&TypInfoMethods::HandlerA>(this).Method());
  EXPECT_FALSE(saved == MethodOf<&TypInfoMethods::HandlerB>(this).Method());

  SetMethodProp(&probe, "onchange", MethodOf<&TypInfoMethods::HandlerB>(this).Method());
  probe.OnChange(&probe);
  EXPECT_FALSE(GetMethodProp(&probe, "OnChange") == saved);
  SetMethodProp(&probe, "OnChange", saved);
  EXPECT_TRUE(GetMethodProp(&probe, "OnChange") == saved);
  probe.OnChange(&probe);
  EXPECT_EQ(log, (std::vector<std::string>{"B", "A"}));

  // Lambdas: each one is a handler of its own, and the stored copy stays callable.
  int calls = 0;
  TNotifyEvent lambda = TNotifyEvent::Lambda([&](TObject*) { ++calls; });
  SetMethodProp(&probe, "OnChange", lambda.Method());
  TMethod stored = GetMethodProp(&probe, "OnChange");
  EXPECT_TRUE(stored == lambda.Method());
  EXPECT_FALSE(stored == TNotifyEvent::Lambda([&](TObject*) { ++calls; }).Method());
  lambda = nullptr;
  SetMethodProp(&probe, "OnChange", TMethod{});
  EXPECT_FALSE(probe.OnChange);
  EXPECT_FALSE(GetMethodProp(&probe, "OnChange").IsAssigned());
  TNotifyEvent::FromMethod(stored)(&probe);
  EXPECT_EQ(calls, 1);
}

TEST_F(TypInfoMethods, OtherEventTypesAreRefused) {
  probe.OnChange = MethodOf<&TypInfoMethods::HandlerA>(this);
  TMethod wrong = MethodOf<&TypInfoMethods::ValueHandler>(this).Method();
  ExpectRaises<EPropertyConvertError>([&] { SetMethodProp(&probe, "OnChange", wrong); },
                                      "Invalid property value", "value handler on OnChange");
  TMethod unsignedMethod = wrong;
  unsignedMethod.Signature = nullptr;
  EXPECT_THROW(SetMethodProp(&probe, "OnChange", unsignedMethod), EPropertyConvertError);
  EXPECT_TRUE(probe.OnChange == MethodOf<&TypInfoMethods::HandlerA>(this));
  EXPECT_THROW(SetMethodProp(&probe, "Count", wrong), EPropertyConvertError);

  SetMethodProp(&probe, "OnValue", wrong);
  probe.OnValue(&probe, 5);
  EXPECT_EQ(log, std::vector<std::string>{"value 5"});
  // A handler read as the wrong event type is empty rather than callable with bad arguments.
  EXPECT_FALSE(TNotifyEvent::FromMethod(GetMethodProp(&probe, "OnValue")));
}

TEST_F(TypInfoMethods, ChainInFront) {
  probe.OnChange = MethodOf<&TypInfoMethods::HandlerA>(this);
  // Install a handler that runs first and then calls the one it replaced.
  TNotifyEvent previous = TNotifyEvent::FromMethod(GetMethodProp(&probe, "OnChange"));
  SetMethodProp(&probe, "OnChange", TNotifyEvent::Lambda([this, previous](TObject* sender) {
                                      log.push_back("front");
                                      previous(sender);
                                    }).Method());
  probe.OnChange(&probe);
  EXPECT_EQ(log, (std::vector<std::string>{"front", "A"}));
  // Unchaining restores the original handler.
  SetMethodProp(&probe, "OnChange", previous.Method());
  log.clear();
  probe.OnChange(&probe);
  EXPECT_EQ(log, std::vector<std::string>{"A"});
}
