#include "platform/rtl/Variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exception.h"

using namespace vcl;

namespace {

// A dispatch pointer that shares ownership with `owner` (IDispatch itself is only declared).
DispatchPtr MakeDispatch(const std::shared_ptr<int>& owner) {
  return DispatchPtr(owner, reinterpret_cast<IDispatch*>(owner.get()));
}

template <typename E, typename F>
std::string MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return "<no exception>";
}

}  // namespace

// ---- Construction and type codes --------------------------------------------------------------

TEST(VariantTypes, ConstructorsPickTheTypeCode) {
  struct Case {
    const char* name;
    Variant value;
    TVarType type;
  };
  const std::vector<Case> cases = {
      {"default", Variant(), varEmpty},
      {"null", Variant::NullValue(), varNull},
      {"bool", Variant(true), varBoolean},
      {"byte", Variant(std::uint8_t{200}), varByte},
      {"smallint", Variant(std::int16_t{-5}), varSmallint},
      {"int", Variant(7), varInteger},
      {"long in range", Variant(-2147483648L), varInteger},
      {"long out of range", Variant(2147483648L), varDouble},
      {"long long in range", Variant(2147483647LL), varInteger},
      {"long long out of range", Variant(-2147483649LL), varDouble},
      {"unsigned in range", Variant(2147483647u), varInteger},
      {"unsigned out of range", Variant(4000000000u), varDouble},
      {"unsigned long out of range", Variant(1UL << 40), varDouble},
      {"double", Variant(1.5), varDouble},
      {"date", Variant::FromDate(45000.25), varDate},
      {"char*", Variant("abc"), varString},
      {"string_view", Variant(std::string_view("abc")), varString},
      {"AnsiString", Variant(AnsiString("abc")), varString},
      {"char16_t*", Variant(u"abc"), varOleStr},
      {"WideString", Variant(WideString(u"abc")), varOleStr},
      {"null dispatch", Variant(DispatchPtr()), varDispatch},
  };
  for (const auto& c : cases) EXPECT_EQ(c.value.VarType(), c.type) << c.name;

  EXPECT_EQ(Variant(4000000000u).AsDouble(), 4000000000.0);
  EXPECT_EQ(Variant(-2147483649LL).AsInt64(), -2147483649LL);
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant(std::uint8_t{200}).AsInteger(), 200);
  EXPECT_EQ(VarType(Null), varNull);
  EXPECT_TRUE(VarIsEmpty(Unassigned));
  EXPECT_TRUE(VarIsNull(Null));
  EXPECT_FALSE(VarIsNull(Unassigned));
}

TEST(VariantTypes, TypeNames) {
  struct Case {
    TVarType type;
    const char* text;
  };
  const Case cases[] = {
      {varEmpty, "Empty"},
      {varNull, "Null"},
      {varSmallint, "Smallint"},
      {varInteger, "Integer"},
      {varDouble, "Double"},
      {varDate, "Date"},
      {varOleStr, "OleStr"},
      {varDispatch, "Dispatch"},
      {varBoolean, "Boolean"},
      {varVariant, "Variant"},
      {varByte, "Byte"},
      {varString, "String"},
      {varArray | varVariant, "Array Variant"},
      {varArray | varByte, "Array Byte"},
  };
  for (const auto& c : cases) EXPECT_EQ(VarTypeAsText(c.type), c.text) << c.type;
}

TEST(VariantTypes, Classification) {
  struct Case {
    const char* name;
    Variant value;
    bool numeric;
    bool str;
  };
  const std::vector<Case> cases = {
      {"empty", Variant(), false, false},
      {"null", Null, false, false},
      {"smallint", Variant(std::int16_t{1}), true, false},
      {"integer", Variant(1), true, false},
      {"byte", Variant(std::uint8_t{1}), true, false},
      {"double", Variant(1.5), true, false},
      {"boolean", Variant(false), true, false},
      {"date", Variant::FromDate(1), false, false},
      {"string", Variant("1"), false, true},
      {"olestr", Variant(u"1"), false, true},
      {"array", VarArrayOf({1}), false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VarIsNumeric(c.value), c.numeric) << c.name;
    EXPECT_EQ(VarIsStr(c.value), c.str) << c.name;
  }
}

// ---- Arrays --------------------------------------------------------------------------------

TEST(VariantArray, OneDimensionWithNonZeroBounds) {
  Variant a = VarArrayCreate({5, 8}, varVariant);
  EXPECT_EQ(a.VarType(), varArray | varVariant);
  EXPECT_TRUE(a.IsArray());
  EXPECT_EQ(VarArrayDimCount(a), 1);
  EXPECT_EQ(VarArrayLowBound(a, 1), 5);
  EXPECT_EQ(VarArrayHighBound(a, 1), 8);
  for (int i = 5; i <= 8; ++i) EXPECT_TRUE(a[i].IsEmpty()) << i;
  for (int i = 5; i <= 8; ++i) a[i] = i * 100;
  for (int i = 5; i <= 8; ++i) {
    EXPECT_EQ(a[i].AsInteger(), i * 100) << i;
    EXPECT_EQ(a.At({i}).AsInteger(), i * 100) << i;
  }
  const Variant& ca = a;
  EXPECT_EQ(ca[8].AsInteger(), 800);
  for (int bad : {4, 9, 0, -1}) {
    EXPECT_THROW(a[bad], EVariantBadIndexError) << bad;
    EXPECT_THROW(ca[bad], EVariantBadIndexError) << bad;
  }
  EXPECT_EQ(MessageOf<EVariantBadIndexError>([&] { a[9]; }),
            "Variant or safe array index out of bounds");
}

TEST(VariantArray, TwoDimensions) {
  Variant m = VarArrayCreate({1, 3, -1, 2}, varInteger);
  EXPECT_EQ(m.VarType(), varArray | varInteger);
  EXPECT_EQ(VarArrayElementType(m), varInteger);
  EXPECT_EQ(VarArrayDimCount(m), 2);
  EXPECT_EQ(VarArrayLowBound(m, 1), 1);
  EXPECT_EQ(VarArrayHighBound(m, 1), 3);
  EXPECT_EQ(VarArrayLowBound(m, 2), -1);
  EXPECT_EQ(VarArrayHighBound(m, 2), 2);
  // Every cell distinct: a wrong stride would make two cells share storage.
  for (int i = 1; i <= 3; ++i)
    for (int j = -1; j <= 2; ++j) {
      EXPECT_EQ(m.At({i, j}).VarType(), varInteger);
      EXPECT_EQ(m.At({i, j}).AsInteger(), 0);
      m.At({i, j}) = i * 10 + j;
    }
  for (int i = 1; i <= 3; ++i)
    for (int j = -1; j <= 2; ++j) EXPECT_EQ(m.At({i, j}).AsInteger(), i * 10 + j);

  EXPECT_THROW(m.At({0, 0}), EVariantBadIndexError);
  EXPECT_THROW(m.At({4, 0}), EVariantBadIndexError);
  EXPECT_THROW(m.At({1, -2}), EVariantBadIndexError);
  EXPECT_THROW(m.At({1, 3}), EVariantBadIndexError);
  EXPECT_THROW(m.At({1}), EVariantBadIndexError);
  EXPECT_THROW(m.At({1, 0, 0}), EVariantBadIndexError);
  EXPECT_THROW(m[1], EVariantBadIndexError);
  EXPECT_THROW(VarArrayLowBound(m, 0), EVariantBadIndexError);
  EXPECT_THROW(VarArrayHighBound(m, 3), EVariantBadIndexError);
}

TEST(VariantArray, ThreeDimensionsCopyAndRedim) {
  Variant c = VarArrayCreate({0, 1, 0, 2, -3, -2}, varVariant);
  ASSERT_EQ(VarArrayDimCount(c), 3);
  const int bounds[3][2] = {{0, 1}, {0, 2}, {-3, -2}};
  for (int d = 0; d < 3; ++d) {
    EXPECT_EQ(VarArrayLowBound(c, d + 1), bounds[d][0]) << d;
    EXPECT_EQ(VarArrayHighBound(c, d + 1), bounds[d][1]) << d;
  }
  for (int i = 0; i <= 1; ++i)
    for (int j = 0; j <= 2; ++j)
      for (int k = -3; k <= -2; ++k) c.At({i, j, k}) = i * 100 + j * 10 - k;
  Variant copy = c;
  VarArrayRedim(copy, 0);
  EXPECT_EQ(VarArrayHighBound(copy, 3), 0);
  EXPECT_EQ(VarArrayHighBound(c, 3), -2);
  for (int i = 0; i <= 1; ++i)
    for (int j = 0; j <= 2; ++j) {
      for (int k = -3; k <= -2; ++k) {
        EXPECT_EQ(c.At({i, j, k}).AsInteger(), i * 100 + j * 10 - k);
        EXPECT_EQ(copy.At({i, j, k}).AsInteger(), i * 100 + j * 10 - k);
      }
      EXPECT_TRUE(copy.At({i, j, 0}).IsEmpty());
    }
  EXPECT_THROW(c.At({0, 0, -1}), EVariantBadIndexError);
  EXPECT_THROW(c.At({0, 3, -2}), EVariantBadIndexError);
  EXPECT_THROW(VarArrayLowBound(c, 4), EVariantBadIndexError);
  EXPECT_FALSE(copy == c);
}

TEST(VariantArray, TypedElementsStartAtZero) {
  struct Case {
    TVarType type;
    const char* text;
  };
  const Case cases[] = {
      {varByte, "0"},        {varSmallint, "0"}, {varInteger, "0"}, {varDouble, "0"},
      {varBoolean, "False"}, {varString, ""},    {varOleStr, ""},
  };
  for (const auto& c : cases) {
    Variant a = VarArrayCreate({0, 1}, c.type);
    EXPECT_EQ(a.VarType(), varArray | c.type) << c.type;
    EXPECT_EQ(a[0].VarType(), c.type) << c.type;
    EXPECT_EQ(a[1].AsString(), c.text) << c.type;
  }
  Variant v = VarArrayCreate({0, 0}, varVariant);
  EXPECT_EQ(v[0].VarType(), varEmpty);
  Variant d = VarArrayCreate({0, 0}, varDispatch);
  EXPECT_EQ(d[0].VarType(), varDispatch);
  EXPECT_EQ(d[0].AsDispatch(), nullptr);
}

TEST(VariantArray, BadCreationRaises) {
  struct Case {
    const char* name;
    std::vector<int> bounds;
    TVarType type;
  };
  const std::vector<Case> cases = {
      {"no bounds", {}, varVariant},
      {"odd count", {0}, varVariant},
      {"three bounds", {0, 1, 2}, varVariant},
      {"high below low - 1", {5, 3}, varVariant},
      {"second dimension reversed", {0, 1, 2, 0}, varInteger},
      {"too many elements", {0, 2147483647, 0, 2147483647}, varVariant},
      {"extreme bounds", {-2147483647 - 1, 2147483647}, varByte},
      {"empty element type", {0, 1}, varEmpty},
      {"null element type", {0, 1}, varNull},
      {"array element type", {0, 1}, varArray | varVariant},
  };
  for (const auto& c : cases) {
    EXPECT_THROW(VarArrayCreate(c.bounds, c.type), EVariantArrayCreateError) << c.name;
  }
  EXPECT_EQ(MessageOf<EVariantArrayCreateError>([] {
              VarArrayCreate({3, 1}, varVariant);
            }),
            "Error creating variant or safe array");

  Variant empty = VarArrayCreate({5, 4}, varVariant);
  EXPECT_EQ(VarArrayLowBound(empty, 1), 5);
  EXPECT_EQ(VarArrayHighBound(empty, 1), 4);
  EXPECT_THROW(empty[5], EVariantBadIndexError);
  EXPECT_EQ(VarArrayHighBound(VarArrayOf(std::vector<Variant>{}), 1), -1);
}

TEST(VariantArray, NonArraysRefuseArrayOperations) {
  const std::vector<Variant> values = {Variant(), Null, Variant(3), Variant("abc")};
  for (const auto& v : values) {
    Variant copy = v;
    EXPECT_EQ(VarArrayDimCount(v), 0);
    EXPECT_FALSE(VarIsArray(v));
    EXPECT_THROW(copy[0], EVariantInvalidOpError);
    EXPECT_THROW(v[0], EVariantInvalidOpError);
    EXPECT_THROW(copy.At({0}), EVariantInvalidOpError);
    EXPECT_THROW(VarArrayLowBound(v, 1), EVariantInvalidOpError);
    EXPECT_THROW(VarArrayHighBound(v, 1), EVariantInvalidOpError);
    EXPECT_THROW(VarArrayRedim(copy, 3), EVariantInvalidOpError);
    EXPECT_THROW(VarArrayElementType(v), EVariantInvalidOpError);
  }
  Variant n = 1;
  EXPECT_EQ(MessageOf<EVariantInvalidOpError>([&] { n[0]; }), "Invalid variant operation");
}

TEST(VariantArray, CopiesAreDeepAtEveryLevel) {
  Variant original = VarArrayOf({1, VarArrayOf({"a", VarArrayOf({2.5, "deep"})}), "x"});
  Variant copy = original;
  copy[0] = 99;
  copy[1][0] = "changed";
  copy[1][1][1] = "changed too";
  copy[2] = Null;
  EXPECT_EQ(original[0].AsInteger(), 1);
  EXPECT_EQ(original[1][0].AsString(), "a");
  EXPECT_EQ(original[1][1][1].AsString(), "deep");
  EXPECT_EQ(original[2].AsString(), "x");
  EXPECT_EQ(copy[1][1][1].AsString(), "changed too");

  // Assignment over an existing array copies as well.
  Variant assigned = VarArrayCreate({0, 3}, varInteger);
  assigned = original;
  assigned[1][1][0] = 0;
  EXPECT_EQ(original[1][1][0].AsDouble(), 2.5);
  EXPECT_TRUE(assigned == assigned);
  EXPECT_FALSE(assigned == original);

  // Two-dimensional arrays keep their shape and cells.
  Variant m = VarArrayCreate({1, 2, 3, 4}, varVariant);
  m.At({2, 4}) = "cell";
  Variant mc = m;
  mc.At({2, 4}) = "other";
  EXPECT_EQ(m.At({2, 4}).AsString(), "cell");
  EXPECT_EQ(VarArrayLowBound(mc, 2), 3);
  EXPECT_EQ(VarArrayHighBound(mc, 2), 4);
}

TEST(VariantArray, RedimKeepsRemainingElements) {
  Variant a = VarArrayCreate({1, 5}, varVariant);
  for (int i = 1; i <= 5; ++i) a[i] = i;
  VarArrayRedim(a, 8);
  EXPECT_EQ(VarArrayHighBound(a, 1), 8);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(a[i].AsInteger(), i);
  for (int i = 6; i <= 8; ++i) EXPECT_TRUE(a[i].IsEmpty());
  VarArrayRedim(a, 2);
  EXPECT_EQ(a[2].AsInteger(), 2);
  EXPECT_THROW(a[3], EVariantBadIndexError);
  VarArrayRedim(a, 0);  // low - 1: no elements left
  EXPECT_THROW(a[1], EVariantBadIndexError);
  EXPECT_THROW(VarArrayRedim(a, -1), EVariantArrayCreateError);
  EXPECT_EQ(VarArrayHighBound(a, 1), 0);

  Variant bytes = VarArrayCreate({0, 0}, varByte);
  VarArrayRedim(bytes, 2);
  EXPECT_EQ(bytes[2].VarType(), varByte);
  EXPECT_EQ(bytes[2].AsInteger(), 0);

  // The last dimension changes; every surviving cell keeps its value.
  Variant m = VarArrayCreate({0, 2, 10, 11}, varVariant);
  for (int i = 0; i <= 2; ++i)
    for (int j = 10; j <= 11; ++j) m.At({i, j}) = i * 100 + j;
  VarArrayRedim(m, 13);
  for (int i = 0; i <= 2; ++i) {
    for (int j = 10; j <= 11; ++j) EXPECT_EQ(m.At({i, j}).AsInteger(), i * 100 + j);
    for (int j = 12; j <= 13; ++j) EXPECT_TRUE(m.At({i, j}).IsEmpty());
  }
  EXPECT_EQ(VarArrayHighBound(m, 1), 2);
  EXPECT_EQ(VarArrayHighBound(m, 2), 13);
  VarArrayRedim(m, 10);
  for (int i = 0; i <= 2; ++i) EXPECT_EQ(m.At({i, 10}).AsInteger(), i * 100 + 10);
  EXPECT_THROW(m.At({0, 11}), EVariantBadIndexError);
}

// ---- Moves and assignment ------------------------------------------------------------------

TEST(VariantAssign, MovesLeaveTheSourceEmpty) {
  const std::vector<Variant> values = {Variant("text"), Variant(u"wide"), Variant(5),
                                       VarArrayOf({1, "two"}), Null};
  for (const auto& value : values) {
    Variant source = value;
    Variant moved(std::move(source));
    EXPECT_TRUE(source.IsEmpty()) << VarTypeAsText(value.VarType());
    EXPECT_TRUE(moved == value) << VarTypeAsText(value.VarType());
    Variant target = 1.5;
    target = std::move(moved);
    EXPECT_TRUE(moved.IsEmpty());
    EXPECT_TRUE(target == value);
  }
}

TEST(VariantAssign, SelfAndNestedAssignment) {
  Variant a = VarArrayOf({"x", VarArrayOf({"inner", 2})});
  Variant& alias = a;
  a = alias;
  EXPECT_EQ(a[1][0].AsString(), "inner");
  a = std::move(alias);
  EXPECT_EQ(a[1][0].AsString(), "inner");

  // Assigning an element of the array to the array itself.
  a = a[1];
  EXPECT_EQ(a[0].AsString(), "inner");
  Variant b = VarArrayOf({VarArrayOf({7})});
  b = std::move(b[0]);
  EXPECT_EQ(b[0].AsInteger(), 7);
  Variant c = VarArrayOf({"s"});
  c.Assign(c[0]);
  EXPECT_EQ(c.AsString(), "s");
}

// ---- References ----------------------------------------------------------------------------

namespace {

// A routine with by-reference arguments, as automation calls pass them.
void Update(std::vector<Variant>& args) {
  args[0].Assign("changed");
  args[1].Assign(args[1].AsInteger() + 1);
  args[2][1] = "set through the reference";
}

}  // namespace

TEST(VariantRef, ArgumentsWriteThroughToTheCaller) {
  Variant text = "original";
  Variant number = 41;
  Variant list = VarArrayOf({0, 0});
  std::vector<Variant> args = {VarRef(text), VarRef(number), VarRef(list)};
  Update(args);
  EXPECT_EQ(text.AsString(), "changed");
  EXPECT_EQ(text.VarType(), varString);
  EXPECT_EQ(number.AsInteger(), 42);
  EXPECT_EQ(list[1].AsString(), "set through the reference");
  // The references stay references and read the new values.
  EXPECT_EQ(args[0].VarType(), varByRef | varVariant);
  EXPECT_EQ(args[0].AsString(), "changed");
}

TEST(VariantRef, ReadingFollowsTheReference) {
  Variant target = 12;
  Variant ref = VarRef(target);
  EXPECT_TRUE(ref.IsByRef());
  EXPECT_EQ(VarType(ref), varByRef | varVariant);
  EXPECT_EQ(&ref.Deref(), &target);
  EXPECT_EQ(ref.AsInteger(), 12);
  EXPECT_EQ(ref.AsString(), "12");
  EXPECT_TRUE(ref == Variant(12));
  EXPECT_TRUE(Variant(12) == ref);
  EXPECT_TRUE(VarIsNumeric(ref));
  EXPECT_FALSE(ref.IsEmpty());
  EXPECT_EQ(VarAsType(ref, varString).VarType(), varString);

  // The error names the target's type.
  target = Null;
  EXPECT_TRUE(ref.IsNull());
  EXPECT_EQ(VarToStr(ref), "");
  EXPECT_EQ(MessageOf<EVariantTypeCastError>([&] { ref.AsInteger(); }),
            "Could not convert variant of type (Null) into type (Integer)");

  // Copying a reference copies the reference.
  Variant copy = ref;
  EXPECT_TRUE(copy.IsByRef());
  copy.Assign(3.5);
  EXPECT_EQ(target.AsDouble(), 3.5);

  // A reference to a reference points at the final target.
  Variant second = VarRef(ref);
  EXPECT_EQ(&second.Deref(), &target);

  // Plain assignment replaces the reference itself.
  copy = 1;
  EXPECT_FALSE(copy.IsByRef());
  EXPECT_EQ(target.AsDouble(), 3.5);

  // A reference to an array reaches its elements and bounds.
  Variant arr = VarArrayCreate({2, 3}, varVariant);
  Variant aref = VarRef(arr);
  aref[3] = "three";
  EXPECT_EQ(arr[3].AsString(), "three");
  EXPECT_EQ(VarArrayLowBound(aref, 1), 2);
  EXPECT_EQ(VarArrayDimCount(aref), 1);
  VarArrayRedim(aref, 4);
  EXPECT_EQ(VarArrayHighBound(arr, 1), 4);
}

TEST(VariantRef, AssigningAReferenceBackToItsTargetKeepsTheTarget) {
  Variant target = "kept";
  Variant ref = VarRef(target);
  target = ref;
  EXPECT_FALSE(target.IsByRef());
  EXPECT_EQ(target.AsString(), "kept");
  Variant other = 5;
  Variant r2 = VarRef(other);
  other = std::move(r2);
  EXPECT_EQ(other.AsInteger(), 5);
}

// ---- Conversions ---------------------------------------------------------------------------

TEST(VariantConvert, ToStringIntegerDoubleBoolean) {
  struct Case {
    const char* name;
    Variant value;
    std::optional<std::string> text;
    std::optional<int> integer;
    std::optional<double> number;
    std::optional<bool> boolean;
  };
  const std::nullopt_t raises = std::nullopt;
  const std::vector<Case> cases = {
      {"empty", Variant(), "", 0, 0.0, false},
      {"null", Null, raises, raises, raises, raises},
      {"smallint", Variant(std::int16_t{-7}), "-7", -7, -7.0, true},
      {"integer", Variant(123456), "123456", 123456, 123456.0, true},
      {"zero", Variant(0), "0", 0, 0.0, false},
      {"byte", Variant(std::uint8_t{255}), "255", 255, 255.0, true},
      {"double", Variant(2.75), "2.75", 3, 2.75, true},
      {"true", Variant(true), "True", -1, -1.0, true},
      {"false", Variant(false), "False", 0, 0.0, false},
      {"numeric text", Variant("42"), "42", 42, 42.0, true},
      {"padded text", Variant("  17 "), "  17 ", 17, 17.0, true},
      {"decimal text", Variant("3.5"), "3.5", 4, 3.5, true},
      {"zero text", Variant("0"), "0", 0, 0.0, false},
      {"True text", Variant("True"), "True", -1, -1.0, true},
      {"false text any case", Variant("fAlSe"), "fAlSe", 0, 0.0, false},
      {"word", Variant("abc"), "abc", raises, raises, raises},
      {"empty text", Variant(""), "", raises, raises, raises},
      {"wide number", Variant(u"-8"), "-8", -8, -8.0, true},
      {"wide word", Variant(u"TRUE"), "TRUE", -1, -1.0, true},
      {"array", VarArrayOf({1}), raises, raises, raises, raises},
      {"dispatch", Variant(DispatchPtr()), raises, raises, raises, raises},
  };
  for (const auto& c : cases) {
    if (c.text)
      EXPECT_EQ(c.value.AsString(), *c.text) << c.name;
    else
      EXPECT_THROW(c.value.AsString(), EVariantTypeCastError) << c.name;
    if (c.integer) {
      EXPECT_EQ(c.value.AsInteger(), *c.integer) << c.name;
      EXPECT_EQ(c.value.AsInt64(), *c.integer) << c.name;
    } else {
      EXPECT_THROW(c.value.AsInteger(), EVariantTypeCastError) << c.name;
      EXPECT_THROW(c.value.AsInt64(), EVariantTypeCastError) << c.name;
    }
    if (c.number)
      EXPECT_EQ(c.value.AsDouble(), *c.number) << c.name;
    else
      EXPECT_THROW(c.value.AsDouble(), EVariantTypeCastError) << c.name;
    if (c.boolean) {
      EXPECT_EQ(c.value.AsBoolean(), *c.boolean) << c.name;
      EXPECT_EQ(c.value.AsWordBool(), *c.boolean ? kWordTrue : kWordFalse) << c.name;
    } else {
      EXPECT_THROW(c.value.AsBoolean(), EVariantTypeCastError) << c.name;
    }
  }
}

TEST(VariantConvert, ErrorMessagesNameBothTypes) {
  struct Case {
    const char* name;
    std::function<void()> action;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"null to string", [] { Null.AsString(); },
       "Could not convert variant of type (Null) into type (String)"},
      {"word to integer", [] { Variant("abc").AsInteger(); },
       "Could not convert variant of type (String) into type (Integer)"},
      {"wide word to double", [] { Variant(u"x").AsDouble(); },
       "Could not convert variant of type (OleStr) into type (Double)"},
      {"array to string", [] { VarArrayOf({1}).AsString(); },
       "Could not convert variant of type (Array Variant) into type (String)"},
      {"byte array to integer",
       [] {
         VarArrayCreate({0, 1}, varByte).AsInteger();
       },
       "Could not convert variant of type (Array Byte) into type (Integer)"},
      {"integer to dispatch", [] { Variant(1).AsDispatch(); },
       "Could not convert variant of type (Integer) into type (Dispatch)"},
      {"null to wide", [] { Null.AsWideString(); },
       "Could not convert variant of type (Null) into type (OleStr)"},
      {"word to boolean", [] { Variant("yes").AsBoolean(); },
       "Could not convert variant of type (String) into type (Boolean)"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MessageOf<EVariantTypeCastError>(c.action), c.message) << c.name;
  // The cast error is a variant error.
  EXPECT_THROW(Variant("abc").AsInteger(), EVariantError);
}

TEST(VariantConvert, NullTextHelpers) {
  EXPECT_EQ(VarToStr(Null), "");
  EXPECT_EQ(VarToStrDef(Null, "n/a"), "n/a");
  EXPECT_EQ(VarToStrDef(Variant(5), "n/a"), "5");
  EXPECT_EQ(VarToStr(Unassigned), "");
  EXPECT_EQ(VarToStr(Variant(u"wide")), "wide");
  EXPECT_THROW(VarToStr(VarArrayOf({1})), EVariantTypeCastError);
}

TEST(VariantConvert, IntegersRoundHalfToEven) {
  struct Case {
    double value;
    int expected;
  };
  const Case cases[] = {{0.5, 0},
                        {1.5, 2},
                        {2.5, 2},
                        {3.5, 4},
                        {-2.5, -2},
                        {-3.5, -4},
                        {2.49, 2},
                        {2.51, 3},
                        {-0.5, 0},
                        {1e9 + 0.5, 1000000000},
                        {2147483647.4, 2147483647},
                        {-2147483648.0, -2147483647 - 1}};
  for (const auto& c : cases) {
    EXPECT_EQ(Variant(c.value).AsInteger(), c.expected) << c.value;
    EXPECT_EQ(Variant::FromDate(c.value).AsInteger(), c.expected) << c.value;
  }
  EXPECT_EQ(Variant("2.5").AsInteger(), 2);
  EXPECT_EQ(Variant(u" 3.5").AsInteger(), 4);
}

TEST(VariantConvert, OutOfRangeIntegersRaise) {
  const std::vector<Variant> tooBig = {Variant(2147483647.6),  Variant(3e9), Variant(-3e9),
                                       Variant("99999999999"), Variant(NAN), Variant(INFINITY)};
  for (const auto& v : tooBig) EXPECT_THROW(v.AsInteger(), EVariantTypeCastError) << v.AsString();
  EXPECT_EQ(Variant("99999999999").AsInt64(), 99999999999LL);
  EXPECT_EQ(Variant(3e9).AsInt64(), 3000000000LL);
  EXPECT_EQ(Variant("9223372036854775807").AsInt64(), 9223372036854775807LL);
  EXPECT_THROW(Variant(1e19).AsInt64(), EVariantTypeCastError);
}

TEST(VariantConvert, WideText) {
  EXPECT_EQ(Variant("abc").AsWideString(), u"abc");
  EXPECT_EQ(Variant(u"\u4e2d").AsWideString(), u"\u4e2d");
  EXPECT_EQ(Variant(12).AsWideString(), u"12");
  EXPECT_EQ(Variant(false).AsWideString(), u"False");
  EXPECT_EQ(Variant().AsWideString(), u"");
}

TEST(VariantConvert, Dispatch) {
  auto owner = std::make_shared<int>(1);
  DispatchPtr p = MakeDispatch(owner);
  long before = owner.use_count();
  Variant a(p);
  Variant b = a;
  EXPECT_EQ(owner.use_count(), before + 2);  // both variants share the one object
  EXPECT_EQ(b.AsDispatch(), p);
  EXPECT_TRUE(a == b);
  EXPECT_FALSE(a == Variant(MakeDispatch(std::make_shared<int>(2))));
  EXPECT_EQ(Variant().AsDispatch(), nullptr);
  EXPECT_THROW(a.AsString(), EVariantTypeCastError);
  EXPECT_THROW(a.AsInteger(), EVariantTypeCastError);
  a = Unassigned;
  b = 1;
  EXPECT_EQ(owner.use_count(), before);
}

TEST(VariantConvert, AsTypeConverts) {
  struct Case {
    const char* name;
    Variant value;
    TVarType to;
    Variant expected;  // compared with == and by type
  };
  const std::vector<Case> cases = {
      {"integer to string", Variant(12), varString, Variant("12")},
      {"integer to olestr", Variant(12), varOleStr, Variant(u"12")},
      {"text to integer", Variant(" 12 "), varInteger, Variant(12)},
      {"double to smallint", Variant(-2.5), varSmallint, Variant(std::int16_t{-2})},
      {"text to byte", Variant("200"), varByte, Variant(std::uint8_t{200})},
      {"text to double", Variant("1.25"), varDouble, Variant(1.25)},
      {"integer to date", Variant(2), varDate, Variant::FromDate(2)},
      {"integer to boolean", Variant(2), varBoolean, Variant(true)},
      {"text to boolean", Variant("false"), varBoolean, Variant(false)},
      {"boolean to integer", Variant(true), varInteger, Variant(-1)},
      {"empty to integer", Variant(), varInteger, Variant(0)},
      {"empty to string", Variant(), varString, Variant("")},
      {"anything to empty", Variant(5), varEmpty, Variant()},
      {"null to null", Null, varNull, Null},
      {"variant keeps", Variant("s"), varVariant, Variant("s")},
      {"array to same array", VarArrayOf({1}), varArray | varVariant, VarArrayOf({1})},
  };
  for (const auto& c : cases) {
    Variant r = VarAsType(c.value, c.to);
    EXPECT_EQ(r.VarType(), c.expected.VarType()) << c.name;
    EXPECT_TRUE(r == c.expected) << c.name;
  }

  struct Bad {
    const char* name;
    Variant value;
    TVarType to;
  };
  const std::vector<Bad> bad = {
      {"null to string", Null, varString},
      {"null to integer", Null, varInteger},
      {"integer to null", Variant(1), varNull},
      {"word to integer", Variant("one"), varInteger},
      {"byte overflow", Variant(256), varByte},
      {"negative byte", Variant(-1), varByte},
      {"smallint overflow", Variant(32768), varSmallint},
      {"array to string", VarArrayOf({1}), varString},
      {"array to other array", VarArrayOf({1}), varArray | varInteger},
      {"integer to array", Variant(1), varArray | varVariant},
      {"unknown type", Variant(1), TVarType{0x0042}},
  };
  for (const auto& c : bad) EXPECT_THROW(VarAsType(c.value, c.to), EVariantTypeCastError) << c.name;
}

TEST(VariantConvert, Dates) {
  TDateTime moment = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 10, 0);
  Variant d = Variant::FromDate(moment);
  EXPECT_EQ(d.AsString(), DateTimeToStr(moment));
  EXPECT_EQ(d.AsDateTime(), moment);
  EXPECT_EQ(d.AsDouble(), moment);
  EXPECT_EQ(d.AsInteger(), static_cast<int>(EncodeDate(2024, 3, 1)));  // past noon
  // Texts read as dates; numbers read as days.
  EXPECT_NEAR(Variant(DateTimeToStr(moment)).AsDateTime(), moment, 1e-6);
  EXPECT_EQ(Variant(45000).AsDateTime(), 45000.0);
  EXPECT_EQ(Variant().AsDateTime(), 0.0);
  EXPECT_THROW(Variant("not a date").AsDateTime(), EVariantTypeCastError);
  EXPECT_THROW(Null.AsDateTime(), EVariantTypeCastError);
  // A date and a text compare as dates.
  TDateTime day = EncodeDate(2024, 2, 29);
  EXPECT_TRUE(Variant::FromDate(day) == Variant(DateTimeToStr(day)));
  EXPECT_FALSE(Variant::FromDate(day + 1) == Variant(DateTimeToStr(day)));
  EXPECT_TRUE(Variant::FromDate(2.0) == Variant(2));
}

// ---- Comparison ----------------------------------------------------------------------------

TEST(VariantCompare, EqualityRules) {
  struct Case {
    const char* name;
    Variant a;
    Variant b;
    bool equal;
  };
  const std::vector<Case> cases = {
      {"text and same number", Variant("12"), Variant(12), true},
      {"padded text and number", Variant(" 12.0 "), Variant(12), true},
      {"text and other number", Variant("12"), Variant(13), false},
      {"word and number", Variant("abc"), Variant(0), false},
      {"wide text and number", Variant(u"1.5"), Variant(1.5), true},
      {"empty and empty", Variant(), Variant(), true},
      {"empty and empty text", Variant(), Variant(""), true},
      {"empty text and empty", Variant(""), Variant(), true},
      {"empty and zero", Variant(), Variant(0), true},
      {"zero and empty", Variant(0.0), Variant(), true},
      {"empty and one", Variant(), Variant(1), false},
      {"empty and text", Variant(), Variant("a"), false},
      {"empty and false", Variant(), Variant(false), true},
      {"null and null", Null, Null, true},
      {"null and empty", Null, Variant(), false},
      {"null and zero", Null, Variant(0), false},
      {"null and empty text", Variant(""), Null, false},
      {"texts same case", Variant("Abc"), Variant("Abc"), true},
      {"texts other case", Variant("Abc"), Variant("abc"), false},
      {"ansi and wide text", Variant("abc"), Variant(u"abc"), true},
      {"wide texts other case", Variant(u"abc"), Variant(u"ABC"), false},
      {"integer and double", Variant(3), Variant(3.0), true},
      {"byte and smallint", Variant(std::uint8_t{7}), Variant(std::int16_t{7}), true},
      {"true and -1", Variant(true), Variant(-1), true},
      {"true and 1", Variant(true), Variant(1), false},
      {"true and True text", Variant(true), Variant("True"), true},
      {"false and 0", Variant(false), Variant(0), true},
      {"large integers", Variant(1LL << 40), Variant((1LL << 40) + 1), false},
      {"arrays alike", VarArrayOf({1, "a", Null}), VarArrayOf({1.0, "a", Null}), true},
      {"arrays differ in one element", VarArrayOf({1, "a"}), VarArrayOf({1, "b"}), false},
      {"arrays differ in length", VarArrayOf({1}), VarArrayOf({1, 1}), false},
      {"arrays differ in bounds", VarArrayCreate({0, 1}, varVariant),
       VarArrayCreate({1, 2}, varVariant), false},
      {"arrays differ in shape", VarArrayCreate({0, 3}, varInteger),
       VarArrayCreate({0, 1, 0, 1}, varInteger), false},
      {"typed and variant arrays", VarArrayCreate({0, 1}, varInteger), VarArrayOf({0, 0}), true},
      {"nested arrays", VarArrayOf({VarArrayOf({1, 2})}), VarArrayOf({VarArrayOf({1, 2})}), true},
      {"nested arrays differ", VarArrayOf({VarArrayOf({1, 2})}), VarArrayOf({VarArrayOf({1, 3})}),
       false},
      {"array and number", VarArrayOf({1}), Variant(1), false},
      {"null dispatches", Variant(DispatchPtr()), Variant(DispatchPtr()), true},
      {"dispatch and empty", Variant(DispatchPtr()), Variant(), false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.a == c.b, c.equal) << c.name;
    EXPECT_EQ(c.b == c.a, c.equal) << c.name << " (swapped)";
    EXPECT_EQ(c.a != c.b, !c.equal) << c.name;
  }
}

TEST(VariantCompare, CompareValueOrders) {
  using R = TVariantRelationship;
  struct Case {
    const char* name;
    Variant a;
    Variant b;
    R expected;
  };
  const std::vector<Case> cases = {
      {"smaller integer", Variant(1), Variant(2), R::vrLessThan},
      {"larger double", Variant(2.5), Variant(2), R::vrGreaterThan},
      {"equal numbers", Variant(2), Variant(2.0), R::vrEqual},
      {"text as number", Variant("10"), Variant(9), R::vrGreaterThan},
      {"number and text", Variant(9), Variant("10"), R::vrLessThan},
      {"texts byte-wise", Variant("B"), Variant("a"), R::vrLessThan},
      {"high bytes above ascii", Variant("\xb0\xa1"), Variant("z"), R::vrGreaterThan},
      {"prefix first", Variant("ab"), Variant("abc"), R::vrLessThan},
      {"empty below text", Variant(), Variant("a"), R::vrLessThan},
      {"empty above negative", Variant(), Variant(-1), R::vrGreaterThan},
      {"word and number", Variant("abc"), Variant(1), R::vrNotEqual},
      {"null and number", Null, Variant(1), R::vrNotEqual},
      {"null and null", Null, Null, R::vrEqual},
      {"array and number", VarArrayOf({1}), Variant(1), R::vrNotEqual},
      {"equal arrays", VarArrayOf({1}), VarArrayOf({1}), R::vrEqual},
      {"different arrays", VarArrayOf({1}), VarArrayOf({2}), R::vrNotEqual},
      {"dispatch and number", Variant(DispatchPtr()), Variant(1), R::vrNotEqual},
      {"true below false", Variant(true), Variant(false), R::vrLessThan},
      {"not a number", Variant(NAN), Variant(NAN), R::vrNotEqual},
  };
  for (const auto& c : cases) EXPECT_EQ(VarCompareValue(c.a, c.b), c.expected) << c.name;
}
