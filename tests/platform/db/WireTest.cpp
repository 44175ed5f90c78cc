#include "platform/db/Wire.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <string>
#include <vector>

using namespace vcl;

namespace {

// ---- Helpers --------------------------------------------------------------------------------

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

// Exact comparison: same type codes all the way down, doubles by their bits (NaN, -0.0),
// texts byte for byte, arrays by bounds, element type and elements.
void ExpectSame(const Variant& expected, const Variant& actual, const std::string& where);

void ExpectSameArrays(const Variant& expected, const Variant& actual, const std::string& where) {
  int dims = VarArrayDimCount(expected);
  ASSERT_EQ(dims, VarArrayDimCount(actual)) << where;
  ASSERT_EQ(VarArrayElementType(expected), VarArrayElementType(actual)) << where;
  std::vector<int> lo, hi;
  for (int d = 1; d <= dims; ++d) {
    lo.push_back(VarArrayLowBound(expected, d));
    hi.push_back(VarArrayHighBound(expected, d));
    ASSERT_EQ(lo.back(), VarArrayLowBound(actual, d)) << where << " dim " << d;
    ASSERT_EQ(hi.back(), VarArrayHighBound(actual, d)) << where << " dim " << d;
  }
  ASSERT_LE(dims, 3) << "the helper compares up to three dimensions";
  if (dims == 1) {
    for (int i = lo[0]; i <= hi[0]; ++i)
      ExpectSame(expected[i], actual[i], where + "[" + std::to_string(i) + "]");
  } else if (dims == 2) {
    for (int i = lo[0]; i <= hi[0]; ++i)
      for (int j = lo[1]; j <= hi[1]; ++j)
        ExpectSame(expected.At({i, j}), actual.At({i, j}),
                   where + "[" + std::to_string(i) + "," + std::to_string(j) + "]");
  } else {
    for (int i = lo[0]; i <= hi[0]; ++i)
      for (int j = lo[1]; j <= hi[1]; ++j)
        for (int k = lo[2]; k <= hi[2]; ++k)
          ExpectSame(expected.At({i, j, k}), actual.At({i, j, k}), where + "[...]");
  }
}

void ExpectSame(const Variant& expected, const Variant& actual, const std::string& where) {
  ASSERT_EQ(VarType(expected), VarType(actual)) << where;
  if (VarIsArray(expected)) {
    ExpectSameArrays(expected, actual, where);
    return;
  }
  switch (VarType(expected)) {
    case varDouble:
    case varDate: {
      double a = expected.AsDouble(), b = actual.AsDouble();
      EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a)) << where << ": " << a << " vs " << b;
      break;
    }
    case varString:
      EXPECT_EQ(expected.AsString(), actual.AsString()) << where;
      break;
    case varOleStr:
      EXPECT_TRUE(expected.AsWideString() == actual.AsWideString()) << where;
      break;
    case varDispatch:
      EXPECT_EQ(expected.AsDispatch(), actual.AsDispatch()) << where;
      break;
    case varEmpty:
    case varNull:
      break;
    default:
      EXPECT_EQ(expected.AsInt64(), actual.AsInt64()) << where;
  }
}

// An object table that keeps objects by id in this process, standing for both ends.
class LocalTable : public TWireObjectTable {
 public:
  TWireObjectRef Export(const DispatchPtr& object) override {
    ++exports;
    for (auto& [id, o] : objects)
      if (o == object) return {id, false};
    objects[++last] = object;
    return {last, false};
  }
  DispatchPtr Import(const TWireObjectRef& ref) override {
    auto it = objects.find(ref.Id);
    return it == objects.end() ? nullptr : it->second;
  }
  std::map<std::uint64_t, DispatchPtr> objects;
  std::uint64_t last = 100;
  int exports = 0;
};

class Plain : public TAutoObject {};

Variant Filled(std::initializer_list<int> bounds, TVarType type,
               const std::vector<Variant>& values) {
  Variant a = VarArrayCreate(bounds, type);
  std::vector<int> b(bounds);
  std::size_t n = 0;
  if (b.size() == 2) {
    for (int i = b[0]; i <= b[1]; ++i) a[i] = values.at(n++ % values.size());
  } else if (b.size() == 4) {
    for (int j = b[2]; j <= b[3]; ++j)
      for (int i = b[0]; i <= b[1]; ++i) a.At({i, j}) = values.at(n++ % values.size());
  } else {
    for (int k = b[4]; k <= b[5]; ++k)
      for (int j = b[2]; j <= b[3]; ++j)
        for (int i = b[0]; i <= b[1]; ++i) a.At({i, j, k}) = values.at(n++ % values.size());
  }
  return a;
}

struct ValueCase {
  const char* name;
  Variant value;
};

std::vector<ValueCase> ValueCases() {
  Variant inner = Filled({-2, 0}, varVariant, {Variant("in"), Variant(7), Null});
  Variant nested = VarArrayOf({Variant(1), inner, VarArrayOf({inner, Variant()})});
  return {
      {"empty", Variant()},
      {"null", Null},
      {"true", Variant(true)},
      {"false", Variant(false)},
      {"byte 0", Variant(std::uint8_t{0})},
      {"byte 255", Variant(std::uint8_t{255})},
      {"smallint min", Variant(std::int16_t{-32768})},
      {"smallint max", Variant(std::int16_t{32767})},
      {"integer 0", Variant(0)},
      {"integer min", Variant(std::numeric_limits<int>::min())},
      {"integer max", Variant(std::numeric_limits<int>::max())},
      {"double", Variant(3.25)},
      {"double negative zero", Variant(-0.0)},
      {"double huge", Variant(1e308)},
      {"double tiny", Variant(4.9e-324)},
      {"double infinity", Variant(-std::numeric_limits<double>::infinity())},
      {"double NaN", Variant(std::numeric_limits<double>::quiet_NaN())},
      {"date", Variant::FromDate(45000.75)},
      {"date before 1899", Variant::FromDate(-700.25)},
      {"ansi empty", Variant("")},
      {"ansi bytes with NUL and high bytes", Variant(std::string_view("a\0b\xff\x80z", 6))},
      {"ansi long", Variant(AnsiString(100000, 'x'))},
      {"wide empty", Variant(WideString())},
      {"wide text", Variant(WideString(u"Gr\u00fc\u00dfe \u20ac \U0001F600"))},
      {"wide lone surrogate", Variant(WideString(u"a") + char16_t(0xD800) + u"b")},
      {"unassigned object", Variant(DispatchPtr())},
      {"variant array", VarArrayOf({Variant(1), Variant("a"), Null, Variant()})},
      {"integer array odd bounds", Filled({-3, 2}, varInteger, {Variant(5), Variant(-9)})},
      {"empty array", VarArrayCreate({0, -1}, varVariant)},
      {"string array", Filled({1, 3}, varString, {Variant("one"), Variant("")})},
      {"wide array", Filled({0, 1}, varOleStr, {Variant(WideString(u"\u00e9"))})},
      {"boolean array", Filled({0, 2}, varBoolean, {Variant(true), Variant(false)})},
      {"byte array", Filled({0, 3}, varByte, {Variant(std::uint8_t{200})})},
      {"smallint array", Filled({5, 6}, varSmallint, {Variant(std::int16_t{-4})})},
      {"double array", Filled({0, 1}, varDouble, {Variant(0.5)})},
      {"date array", Filled({0, 1}, varDate, {Variant::FromDate(1.5)})},
      {"two dimensions", Filled({1, 2, -1, 1}, varVariant, {Variant(1), Variant("x"), Null})},
      {"three dimensions", Filled({0, 1, 5, 6, -2, -1}, varDouble, {Variant(1.5), Variant(-2.0)})},
      {"zero-length second dimension", VarArrayCreate({0, 2, 1, 0}, varInteger)},
      {"nested arrays with odd bounds", nested},
      {"2-d array of arrays", Filled({0, 1, 10, 11}, varVariant, {inner, nested})},
  };
}

// ---- Values ---------------------------------------------------------------------------------

TEST(WireVariant, EveryKindRoundTripsWithItsType) {
  for (const ValueCase& c : ValueCases()) {
    SCOPED_TRACE(c.name);
    std::string bytes = EncodeVariant(c.value);
    Variant back = DecodeVariant(bytes);
    ExpectSame(c.value, back, c.name);
  }
}

TEST(WireVariant, ByReferenceValuesAreSentAsTheirValue) {
  Variant target = VarArrayOf({Variant(1), Variant("two")});
  Variant ref = VarRef(target);
  Variant back = DecodeVariant(EncodeVariant(ref));
  EXPECT_FALSE(back.IsByRef());
  ExpectSame(target, back, "array through a reference");

  Variant text("abc");
  Variant inArray = VarArrayOf({VarRef(text)});
  Variant back2 = DecodeVariant(EncodeVariant(inArray));
  EXPECT_FALSE(back2[0].IsByRef());
  EXPECT_EQ("abc", back2[0].AsString());
}

TEST(WireVariant, ObjectsTravelAsReferencesOfTheTable) {
  LocalTable table;
  auto object = std::make_shared<Plain>();
  Variant value = VarArrayOf({Variant(DispatchPtr(object)), Variant(DispatchPtr(object))});
  Variant back = DecodeVariant(EncodeVariant(value, &table), &table);
  EXPECT_EQ(2, table.exports);
  ASSERT_EQ(1u, table.objects.size());
  EXPECT_EQ(DispatchPtr(object), back[0].AsDispatch());
  EXPECT_EQ(DispatchPtr(object), back[1].AsDispatch());
}

TEST(WireVariant, ValuesThatCannotBeSentRaise) {
  Variant object(DispatchPtr(std::make_shared<Plain>()));
  EXPECT_THROW(EncodeVariant(object), EWireError);

  Variant deep = Variant(1);
  for (int i = 0; i < 70; ++i) deep = VarArrayOf({deep});
  try {
    EncodeVariant(deep);
    ADD_FAILURE() << "nesting beyond the limit was encoded";
  } catch (const EWireError& e) {
    EXPECT_NE(std::string::npos, e.Message().find("nested too deeply")) << e.Message();
  }
  // Within the limit it goes through.
  TWireLimits roomy;
  roomy.MaxDepth = 100;
  Variant back = DecodeVariant(EncodeVariant(deep, nullptr, roomy), nullptr, roomy);
  EXPECT_EQ(1, VarArrayDimCount(back));
}

// ---- Hostile input --------------------------------------------------------------------------

TEST(WireLimits, DeclaredSizesAreCheckedBeforeAllocating) {
  // A 2^31-element array declared in 10 bytes must fail at once, naming what it declared,
  // rather than allocate for the elements.
  const std::string huge = Bytes({0xdd, 0x80, 0x00, 0x00, 0x00, 0xc0, 0xc0, 0xc0, 0xc0, 0xc0});
  ASSERT_EQ(10u, huge.size());
  auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < 2; ++round) {
    try {
      if (round == 0)
        DecodeVariant(huge);
      else
        DecodeMessage(huge);
      ADD_FAILURE() << "decoded";
    } catch (const EWireError& e) {
      EXPECT_NE(std::string::npos, e.Message().find("declares 2147483648 elements")) << e.Message();
    }
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

  // The same for the bounds of a variant array header: 2^31-1 elements, none present.
  std::string header =
      Bytes({0x91, 0xc7, 11, 7, 0x00, 0x0c, 1, 0, 0, 0, 0, 0x7f, 0xff, 0xff, 0xfe});
  try {
    DecodeVariant(header);
    ADD_FAILURE() << "decoded";
  } catch (const EWireError& e) {
    EXPECT_NE(std::string::npos, e.Message().find("more elements but 0 are present"))
        << e.Message();
  }
}

TEST(WireLimits, MalformedValuesRaiseClearErrors) {
  std::string deep(100, static_cast<char>(0x91));
  deep.push_back(static_cast<char>(0xc0));
  // Two arrays of 15 elements each fit in 16 bytes on their own, but not together.
  std::string sum = Bytes({0x9f, 0x9f});
  sum.append(14, static_cast<char>(0xc0));
  struct Case {
    const char* name;
    std::string bytes;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"nothing", "", "empty"},
      {"nesting deeper than the limit", deep, "nested deeper than 64 levels"},
      {"declared elements add up past the bytes", sum,
       "arrays declare 30 elements but the message has only 16 bytes"},
      {"text longer than the bytes", Bytes({0xdb, 0xff, 0xff, 0xff, 0xff, 'a'}), "truncated"},
      {"binary longer than the bytes", Bytes({0xc6, 0x7f, 0xff, 0xff, 0xff, 1, 2}), "truncated"},
      {"map", Bytes({0x81, 0x01, 0x02}), "maps are not used"},
      {"reserved byte", Bytes({0xc1}), "not MessagePack"},
      {"bytes after the value", Bytes({0xc0, 0xc0}), "1 bytes after the end"},
      {"array without header", Bytes({0x91, 0x01}), "array without its header"},
      {"header outside an array", Bytes({0xd4, 7, 0}), "array header outside an array"},
      {"header with too few elements",
       Bytes({0x92, 0xc7, 11, 7, 0x00, 0x0c, 1, 0, 0, 0, 0, 0, 0, 0, 2, 0xc0}),
       "array bounds give more elements but 1 are present"},
      {"header with too many elements",
       Bytes({0x93, 0xc7, 11, 7, 0x00, 0x0c, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0xc0, 0xc0}),
       "array bounds give 1 elements but 2 are present"},
      {"header with reversed bounds",
       Bytes({0x91, 0xc7, 11, 7, 0x00, 0x0c, 1, 0, 0, 0, 5, 0, 0, 0, 1}), "array bounds 5..1"},
      {"header of 0 dimensions", Bytes({0x91, 0xc7, 3, 7, 0x00, 0x0c, 0}), "0 dimensions"},
      {"header of a bad length", Bytes({0x91, 0xc7, 5, 7, 0x00, 0x0c, 1, 0, 0}),
       "array header of 5 bytes"},
      {"element type not for arrays",
       Bytes({0x91, 0xc7, 11, 7, 0x00, 0x01, 1, 0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff}),
       "array of element type 1"},
      {"unknown extension", Bytes({0xd4, 99, 0}), "unknown extension type 99"},
      {"byte of two bytes", Bytes({0xd5, 2, 1, 2}), "byte of 2 bytes"},
      {"date of four bytes", Bytes({0xd6, 4, 0, 0, 0, 0}), "date of 4 bytes"},
      {"wide text of odd length", Bytes({0xc7, 3, 5, 'a', 0, 'b'}), "odd number of bytes"},
      {"object without a table", Bytes({0xc7, 9, 6, 1, 0, 0, 0, 0, 0, 0, 0, 5}),
       "where none can be received"},
      {"object of an unknown owner", Bytes({0xc7, 9, 6, 9, 0, 0, 0, 0, 0, 0, 0, 5}), "owner 9"},
      {"integer beyond 32 bits", Bytes({0xce, 0x80, 0, 0, 0}), "integer 2147483648 out of range"},
      {"negative integer beyond 32 bits", Bytes({0xd3, 0xff, 0xff, 0xff, 0xfe, 0, 0, 0, 0}),
       "out of range"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      DecodeVariant(c.bytes);
      ADD_FAILURE() << "decoded";
    } catch (const EWireError& e) {
      EXPECT_NE(std::string::npos, e.Message().find(c.message)) << e.Message();
      EXPECT_EQ(0u, e.Message().rfind("Invalid message: ", 0)) << e.Message();
    }
  }
}

TEST(WireLimits, ConfiguredLimitsApply) {
  Variant many = VarArrayCreate({1, 200}, varInteger);
  std::string bytes = EncodeVariant(many);
  TWireLimits small;
  small.MaxElements = 100;
  try {
    DecodeVariant(bytes, nullptr, small);
    ADD_FAILURE() << "decoded";
  } catch (const EWireError& e) {
    EXPECT_NE(std::string::npos, e.Message().find("more than 100 values")) << e.Message();
  }
  small = TWireLimits();
  small.MaxFrameSize = bytes.size() - 1;
  EXPECT_THROW(DecodeVariant(bytes, nullptr, small), EWireError);
  small.MaxFrameSize = bytes.size();
  EXPECT_EQ(200, VarArrayHighBound(DecodeVariant(bytes, nullptr, small), 1));

  Variant nested = VarArrayOf({VarArrayOf({VarArrayOf({Variant(1)})})});
  small = TWireLimits();
  small.MaxDepth = 2;
  EXPECT_THROW(EncodeVariant(nested, nullptr, small), EWireError);
  std::string three = EncodeVariant(nested);
  EXPECT_THROW(DecodeVariant(three, nullptr, small), EWireError);
  small.MaxDepth = 3;
  EXPECT_NO_THROW(DecodeVariant(three, nullptr, small));
}

// ---- Frames ---------------------------------------------------------------------------------

TEST(WireFrame, DecoderCutsAStreamAtAnyBoundary) {
  const std::vector<std::string> payloads = {"first", "", std::string(70000, 'z'), "last"};
  std::string stream;
  for (const auto& p : payloads) stream += MakeFrame(p);
  EXPECT_EQ(0, std::memcmp(stream.data(),
                           "\0\0\0\x05"
                           "first",
                           9));

  for (std::size_t chunk : {std::size_t{1}, std::size_t{3}, std::size_t{4096}, stream.size()}) {
    SCOPED_TRACE("chunk " + std::to_string(chunk));
    TFrameDecoder decoder;
    std::vector<std::string> got;
    std::string payload;
    for (std::size_t off = 0; off < stream.size(); off += chunk) {
      decoder.Feed(stream.data() + off, std::min(chunk, stream.size() - off));
      while (decoder.Next(payload)) got.push_back(payload);
    }
    EXPECT_EQ(payloads, got);
    EXPECT_EQ(0u, decoder.Pending());
  }
}

TEST(WireFrame, OversizedFramesAreRefusedFromTheirHeader) {
  struct Case {
    const char* name;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"4 GiB declared", Bytes({0xff, 0xff, 0xff, 0xff})},
      {"one byte over the limit", Bytes({0x00, 0x00, 0x04, 0x01, 'a'})},
      {"text protocol", "GET / HTTP/1.1\r\n\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TFrameDecoder decoder(1024);
    try {
      decoder.Feed(c.bytes.data(), c.bytes.size());
      ADD_FAILURE() << "accepted";
    } catch (const EWireError& e) {
      EXPECT_NE(std::string::npos, e.Message().find("exceed the limit of 1024 bytes"))
          << e.Message();
    }
  }
  // A second frame over the limit behind a good one is refused once it is reached.
  TFrameDecoder decoder(1024);
  std::string two = MakeFrame("ok") + Bytes({0x7f, 0, 0, 0});
  decoder.Feed(two.data(), 6);
  std::string payload;
  ASSERT_TRUE(decoder.Next(payload));
  EXPECT_EQ("ok", payload);
  EXPECT_THROW(decoder.Feed(two.data() + 6, 4), EWireError);

  TWireLimits limits;
  limits.MaxFrameSize = 4;
  EXPECT_THROW(MakeFrame("12345", limits), EWireError);
}

// ---- Messages -------------------------------------------------------------------------------

TEST(WireMessage, EveryKindRoundTrips) {
  TWireMessage connect;
  connect.Kind = TWireMessageKind::Connect;
  connect.Id = 1;
  connect.ServerName = "Some.Server";

  TWireMessage call;
  call.Kind = TWireMessageKind::Call;
  call.Id = std::numeric_limits<std::uint64_t>::max();
  call.ObjectId = 42;
  call.Member = "DoIt";
  call.CallKind = TWireCallKind::PropertyPut;
  call.Args = {Variant(1), VarArrayOf({Variant("a")}), Null};
  call.ByRef = {0, 2};

  TWireMessage answer;
  answer.Kind = TWireMessageKind::Answer;
  answer.Id = 7;
  answer.Ok = true;
  answer.Result = Variant::FromDate(2.5);
  answer.ByRefValues = {{0, Variant("new")}, {2, Variant(std::int16_t{3})}};

  TWireMessage error;
  error.Kind = TWireMessageKind::Answer;
  error.Id = 8;
  error.ErrorClass = "EDatabaseError";
  error.ErrorMessage = "Something failed";
  error.ErrorCode = DISP_E_EXCEPTION;

  TWireMessage release;
  release.Kind = TWireMessageKind::Release;
  release.Released = {{3, 1}, {9, 4}};

  for (const TWireMessage& m : {connect, call, answer, error, release}) {
    SCOPED_TRACE(static_cast<int>(m.Kind));
    TWireMessage back = DecodeMessage(EncodeMessage(m));
    EXPECT_EQ(m.Kind, back.Kind);
    EXPECT_EQ(m.Id, back.Id);
    EXPECT_EQ(m.ServerName, back.ServerName);
    EXPECT_EQ(m.ObjectId, back.ObjectId);
    EXPECT_EQ(m.Member, back.Member);
    EXPECT_EQ(m.CallKind, back.CallKind);
    ASSERT_EQ(m.Args.size(), back.Args.size());
    for (std::size_t i = 0; i < m.Args.size(); ++i) ExpectSame(m.Args[i], back.Args[i], "arg");
    EXPECT_EQ(m.ByRef, back.ByRef);
    EXPECT_EQ(m.Ok, back.Ok);
    ExpectSame(m.Result, back.Result, "result");
    ASSERT_EQ(m.ByRefValues.size(), back.ByRefValues.size());
    for (std::size_t i = 0; i < m.ByRefValues.size(); ++i) {
      EXPECT_EQ(m.ByRefValues[i].first, back.ByRefValues[i].first);
      ExpectSame(m.ByRefValues[i].second, back.ByRefValues[i].second, "by-reference value");
    }
    EXPECT_EQ(m.ErrorClass, back.ErrorClass);
    EXPECT_EQ(m.ErrorMessage, back.ErrorMessage);
    EXPECT_EQ(m.ErrorCode, back.ErrorCode);
    EXPECT_EQ(m.Released, back.Released);
  }
}

TEST(WireMessage, MalformedMessagesRaiseClearErrors) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"not an array", Bytes({0x01}), "message is integer"},
      {"too short", Bytes({0x91, 0x01}), "message of 1 elements"},
      {"unknown kind", Bytes({0x92, 0x09, 0x01}), "unknown message kind 9"},
      {"kind as text", Bytes({0x92, 0xa1, 'x', 0x01}), "message kind is text"},
      {"connect of wrong length", Bytes({0x92, 0x01, 0x01}), "connect message of 2 elements"},
      {"negative id", Bytes({0x93, 0x01, 0xff, 0xa1, 'x'}), "message id is negative"},
      {"call with a bad call kind", Bytes({0x97, 0x02, 0x01, 0x00, 0xa1, 'm', 0x09, 0x90, 0x90}),
       "call kind 9"},
      {"call with arguments not in an array",
       Bytes({0x97, 0x02, 0x01, 0x00, 0xa1, 'm', 0x00, 0x01, 0x90}), "argument list is integer"},
      {"by-reference index out of range",
       Bytes({0x97, 0x02, 0x01, 0x00, 0xa1, 'm', 0x00, 0x91, 0x01, 0x91, 0x01}),
       "by-reference index 1 out of range"},
      {"repeated by-reference index",
       Bytes({0x97, 0x02, 0x01, 0x00, 0xa1, 'm', 0x00, 0x91, 0x01, 0x92, 0x00, 0x00}),
       "by-reference index 0 repeated"},
      {"answer status not a boolean", Bytes({0x95, 0x03, 0x01, 0x01, 0xc0, 0x90}),
       "answer status is integer"},
      {"answer with odd by-reference values", Bytes({0x95, 0x03, 0x01, 0xc3, 0xc0, 0x91, 0x00}),
       "odd length"},
      {"error answer of wrong length", Bytes({0x95, 0x03, 0x01, 0xc2, 0xa0, 0xa0}),
       "error answer message of 5 elements"},
      {"release of nothing", Bytes({0x92, 0x04, 0x92, 0x05, 0x00}), "release of object 5 by 0"},
      {"release list of odd length", Bytes({0x92, 0x04, 0x91, 0x05}), "odd length"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      DecodeMessage(c.bytes);
      ADD_FAILURE() << "decoded";
    } catch (const EWireError& e) {
      EXPECT_NE(std::string::npos, e.Message().find(c.message)) << e.Message();
    }
  }
}

TEST(WireMessage, EveryTruncationOfAValidMessageIsRefused) {
  TWireMessage call;
  call.Kind = TWireMessageKind::Call;
  call.Id = 300;
  call.Member = "Echo";
  call.Args = {Variant(WideString(u"wide")), Filled({1, 2, 0, 1}, varVariant, {Variant(2.5)}),
               Variant::FromDate(3.0)};
  std::string bytes = EncodeMessage(call);
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    SCOPED_TRACE(n);
    EXPECT_THROW(DecodeMessage(std::string_view(bytes.data(), n)), EWireError);
  }
  EXPECT_NO_THROW(DecodeMessage(bytes));
}

}  // namespace
