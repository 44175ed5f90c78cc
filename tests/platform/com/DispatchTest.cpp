#include "platform/com/Dispatch.h"

#include <gtest/gtest.h>

#include "platform/com/ComObj.h"
#include "tests/support/TestSupport.h"

using namespace vcl;

namespace {

// A host-like object: a method with by-reference results, a read-write property, an indexed
// read-only property and a method that fails inside.
class THostLike : public TAutoObject {
 public:
  THostLike() {
    DefineMethod("GetMessage", [](std::vector<Variant>& args) {
      CheckArgCount(args, 3);
      // Writes the text for kind + id into the third argument, returns success.
      SetArg(args, 2, VarToStr(args[0]) + ":" + VarToStr(args[1]));
      return Variant(true);
    });
    DefineProperty(
        "Caption", [this](std::vector<Variant>&) { return Variant(caption_); },
        [this](std::vector<Variant>&, const Variant& v) { caption_ = v.AsString(); });
    DefineProperty("Item", [](std::vector<Variant>& args) {
      CheckArgCount(args, 1);
      return Variant(args[0].AsInteger() * 10);
    });
    DefineMethod("Fail",
                 [](std::vector<Variant>&) -> Variant { throw EConvertError("bad input inside"); });
  }

 private:
  AnsiString caption_ = "start";
};

Variant MakeHost() {
  return Variant(DispatchPtr(std::make_shared<THostLike>()));
}

}  // namespace

TEST(DispatchCalls, MethodWithByReferenceArgumentsWritesIntoCallerVariables) {
  Variant host = MakeHost();
  Variant text;
  Variant ok = OleCall(host, "getmessage", {"E", "000037", VarRef(text)});
  EXPECT_TRUE(ok.AsBoolean());
  EXPECT_EQ(text.AsString(), "E:000037");

  // Passed by value, the caller's variable is left alone.
  Variant untouched = "same";
  OleCall(host, "GetMessage", {"I", "1", untouched});
  EXPECT_EQ(untouched.AsString(), "same");
}

TEST(DispatchCalls, PropertiesReadWriteAndIndexed) {
  Variant host = MakeHost();
  EXPECT_EQ(OleGet(host, "Caption").AsString(), "start");
  OlePut(host, "CAPTION", "renamed");
  EXPECT_EQ(OleGet(host, "caption").AsString(), "renamed");
  EXPECT_EQ(OleGet(host, "Item", {4}).AsInteger(), 40);
  // A property may be read with a method call, as late binding does.
  EXPECT_EQ(OleCall(host, "Item", {2}).AsInteger(), 20);
  try {
    OlePut(host, "Item", {1}, 5);
    FAIL() << "read-only property was written";
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.ErrorCode(), DISP_E_MEMBERNOTFOUND);
  }
}

TEST(DispatchCalls, FailuresReachTheCallerAsAutomationErrors) {
  Variant host = MakeHost();
  try {
    OleCall(host, "NoSuchThing", {});
    FAIL() << "unknown member accepted";
  } catch (const EOleError& e) {
    EXPECT_EQ(e.Message(), "Method 'NoSuchThing' not supported by automation object");
    EXPECT_STREQ(e.ClassName(), "EOleError");
  }
  try {
    OleCall(host, "Fail");
    FAIL() << "inner failure lost";
  } catch (const EOleException& e) {
    EXPECT_EQ(e.Message(), "bad input inside");
    EXPECT_EQ(e.ErrorCode(), DISP_E_EXCEPTION);
    EXPECT_EQ(e.Source(), "EConvertError");
  }
  EXPECT_THROW(OleCall(host, "GetMessage", {"E"}), EOleSysError);
  EXPECT_THROW(OleCall(Variant(5), "GetMessage"), EVariantInvalidOpError);
  EXPECT_THROW(OleCall(Variant(), "GetMessage"), EVariantInvalidOpError);
  EXPECT_THROW(OleCall(Variant(DispatchPtr()), "GetMessage"), EOleError);
}

TEST(DispatchCalls, ObjectsAreSharedAndFreedWithTheirLastReference) {
  auto object = std::make_shared<THostLike>();
  std::weak_ptr<THostLike> watch = object;
  {
    Variant a{DispatchPtr(object)};
    object.reset();
    Variant b = a;
    Variant array = VarArrayOf({a, b});
    OlePut(b, "Caption", "shared");
    EXPECT_EQ(OleGet(a, "Caption").AsString(), "shared");
    EXPECT_EQ(OleGet(array[1], "Caption").AsString(), "shared");
    EXPECT_FALSE(watch.expired());
  }
  EXPECT_TRUE(watch.expired());
}

TEST(OleCreation, InProcessClassesComeFirst) {
  RegisterOleClass("Test.Host", [] { return std::make_shared<THostLike>(); });
  Variant host = CreateOleObject("test.HOST");
  EXPECT_EQ(OleGet(host, "Caption").AsString(), "start");
  UnregisterOleClass("Test.Host");
  try {
    CreateOleObject("Test.Host");
    FAIL() << "unregistered class created";
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.Message(), "Invalid class string");
    EXPECT_EQ(e.ErrorCode(), CO_E_CLASSSTRING);
  }
}

TEST(OleCreation, ServerLibraryNamedInTheRegistryFile) {
  testsupport::TempDir dir;
  const std::string reg = dir.Write("steward.reg",
                                    "Windows Registry Editor Version 5.00\r\n\r\n"
                                    "[HKEY_CLASSES_ROOT\\ComTest.Counter\\InprocServer32]\r\n"
                                    "@=\"" TEST_OLE_SERVER_PATH
                                    "\"\r\n\r\n"
                                    "[HKEY_CLASSES_ROOT\\ComTest.Refused\\InprocServer32]\r\n"
                                    "@=\"" TEST_OLE_SERVER_PATH
                                    "\"\r\n\r\n"
                                    "[HKEY_CLASSES_ROOT\\ComTest.Missing\\InprocServer32]\r\n"
                                    "@=\"/nonexistent/NoSuchServer.dll\"\r\n\r\n"
                                    "[HKEY_CLASSES_ROOT\\ComTest.NoServer]\r\n");
  testsupport::ScopedEnv env("STEWARD_REGISTRY", reg);

  Variant counter = CreateOleObject("ComTest.Counter");
  OlePut(counter, "Value", 41);
  EXPECT_EQ(OleCall(counter, "Next").AsInteger(), 42);
  EXPECT_EQ(OleCall(counter, "Next", {8}).AsInteger(), 50);
  // Each creation is a new object.
  EXPECT_EQ(OleGet(CreateOleObject("ComTest.Counter"), "Value").AsInteger(), 0);

  struct Case {
    const char* progID;
    HRESULT code;
  };
  const Case failures[] = {
      {"ComTest.Refused", CO_E_CLASSSTRING},
      {"ComTest.Missing", static_cast<HRESULT>(0x8007007E)},
      {"ComTest.NoServer", REGDB_E_CLASSNOTREG},
      {"ComTest.Unknown", CO_E_CLASSSTRING},
      {"", CO_E_CLASSSTRING},
  };
  for (const Case& c : failures) {
    try {
      CreateOleObject(c.progID);
      ADD_FAILURE() << c.progID << " created";
    } catch (const EOleSysError& e) {
      EXPECT_EQ(e.ErrorCode(), c.code) << c.progID << ": " << e.Message();
    }
  }
}
