// Start-up of the generic condition form: host parameters, program identity and register,
// the name check, the connection to the application server, and the caption.
#include <gtest/gtest.h>

#include "FrameworkFixture.h"
#include "platform/com/ComObj.h"
#include "platform/rtl/Strings.h"
#include "tests/support/TestSupport.h"

using namespace frameworktest;

namespace {

class InitTest : public ::testing::Test {
 protected:
  void SetUp() override { TakeClosePosted(*form); }
  void TearDown() override { TakeClosePosted(*form); }
  bool Init(const Variant& params) {
    form->HostObject = host.Object();
    form->SetModuleFileName("/opt/steward/C_PKG/ZKPR42C.so");
    return form->InitWithParams(params);
  }
  testsupport::ScopedCodePage chinese{936};
  suite::THost host{suite::DemoCatalogue()};
  vcl::TScriptedUser user;
  FormPtr form = NewForm();
};

// A host object whose validator fails every check.
class TFailingValidator : public vcl::TAutoObject {
 public:
  TFailingValidator() {
    auto fail = [](std::vector<Variant>&) -> Variant { throw vcl::EOleError("validator down"); };
    DefineMethod("CheckValue", fail);
    DefineMethod("QueryData", fail);
  }
};
class THostWithFailingValidator : public vcl::TAutoObject {
 public:
  THostWithFailingValidator() {
    DefineProperty("Com_Validator", [](auto&) {
      return Variant(vcl::DispatchPtr(std::make_shared<TFailingValidator>()));
    });
  }
};

// An in-process application server.
class TTestServer : public vcl::TAutoObject {
 public:
  TTestServer() {
    DefineMethod("SQLType", [](auto&) { return Variant("SQLITE"); });
  }
};

}  // namespace

TEST_F(InitTest, FullParametersIdentifyTheProgramWithoutMessages) {
  ASSERT_TRUE(Init(HostParams(4)));
  EXPECT_EQ(form->UserID, "ADMIN");
  EXPECT_EQ(form->CompanyID, "01");
  EXPECT_EQ(form->DbName, "STEWARD");
  EXPECT_EQ(form->HostWindow, 4711);
  EXPECT_EQ(form->ReservedParam, Variant("x"));
  EXPECT_EQ(form->ProgramID, "ZKPR42");
  EXPECT_EQ(form->ServerClassName, "ZKPR42S.Class1");
  EXPECT_EQ(form->ProgramName, Gb(u8"员工出勤报表"));
  EXPECT_EQ(form->ProgramTitle, form->ProgramName);
  EXPECT_TRUE(form->WantLog());
  EXPECT_EQ(form->CompanyName, Gb(u8"示范公司"));
  EXPECT_EQ(form->GetSysItem("sys002"), "/");
  EXPECT_EQ(form->JobKind, "R");
  EXPECT_EQ(form->EnvCount, 9);
  EXPECT_EQ(form->OptionCount, 1);
  EXPECT_EQ(form->ProductID, 1);
  EXPECT_TRUE(form->LookupService.IsEmpty()) << "the base form does not use the lookup service";
  EXPECT_TRUE(form->LastHostCommand.IsNull());
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(form->MessageIds, "");
  EXPECT_TRUE(user.Shown().empty());
  EXPECT_FALSE(TakeClosePosted(*form));
}

TEST_F(InitTest, ASecondInitialisationIsRefusedAndChangesNothing) {
  ASSERT_TRUE(Init(HostParams(4)));
  Variant other = vcl::VarArrayOf({"GUEST", "02", "OTHER", 1, 2});
  EXPECT_FALSE(form->InitWithParams(other));
  EXPECT_EQ(form->UserID, "ADMIN");
  EXPECT_EQ(form->CompanyID, "01");
  EXPECT_EQ(form->HostWindow, 4711);
}

TEST_F(InitTest, ShortParameterArraysReportTheMissingParameterAndAskToClose) {
  struct Case {
    int highBound;
    int hostWindow;
  };
  for (const Case c : {Case{2, 0}, Case{3, 4711}}) {
    SCOPED_TRACE(c.highBound);
    form = NewForm();
    TakeClosePosted(*form);
    const size_t shownBefore = user.Shown().size();
    // The reported message makes the connection step fail afterwards.
    EXPECT_FALSE(Init(HostParams(c.highBound)));
    EXPECT_EQ(form->HostWindow, c.hostWindow);
    EXPECT_TRUE(TakeClosePosted(*form));
    EXPECT_EQ(form->ProgramID, "ZKPR42") << "initialisation goes on";
    EXPECT_EQ(form->CompanyID, "01");
    ASSERT_GT(user.Shown().size(), shownBefore);
    EXPECT_EQ(user.Shown()[shownBefore].Message, Gb(u8"主程序传入的参数不完整。"));
    EXPECT_EQ(vcl::Copy(form->MessageIds, 1, 10), "E;000038; ");
    EXPECT_NE(form->MessageIds.find("E;000006; "), AnsiString::npos);
  }
}

TEST_F(InitTest, AFormThatDoesNotMatchTheProgramIsClosedWithoutConnecting) {
  for (const char* name : {"frmAbc42", "frmZKQ42"}) {
    SCOPED_TRACE(name);
    form = NewForm(name);
    form->serverName = "No.Such.Server";
    form->address = "127.0.0.1";
    TakeClosePosted(*form);
    EXPECT_TRUE(Init(HostParams(4)));
    EXPECT_TRUE(TakeClosePosted(*form));
    EXPECT_EQ(form->MessageIds, "E;000036; ");
    EXPECT_TRUE(form->ServerObject.IsEmpty());
  }
  // Letter case does not matter.
  form = NewForm("frmzKp42");
  EXPECT_TRUE(Init(HostParams(4)));
  EXPECT_EQ(form->MessageIds, "");
}

TEST_F(InitTest, ALocalServerIsCreatedInProcessAndAFailureClosesTheForm) {
  vcl::RegisterOleClass("Test.FrameworkServer",
                        [] { return vcl::DispatchPtr(std::make_shared<TTestServer>()); });
  form->serverName = "Test.FrameworkServer";
  form->address = "127.0.0.1";
  ASSERT_TRUE(Init(HostParams(4)));
  EXPECT_TRUE(form->LocalServer);
  EXPECT_EQ(vcl::OleCall(form->ServerObject, "SQLType"), Variant("SQLITE"));
  EXPECT_TRUE(form->MainMidas->Connected());
  EXPECT_FALSE(TakeClosePosted(*form));
  vcl::UnregisterOleClass("Test.FrameworkServer");

  form = NewForm();
  form->serverName = "Test.NotRegistered";
  form->address = "127.0.0.1";
  TakeClosePosted(*form);
  EXPECT_FALSE(Init(HostParams(4)));
  EXPECT_TRUE(TakeClosePosted(*form));
  EXPECT_EQ(vcl::Copy(form->MessageIds, 1, 6), "E;-1; ") << "the exception text comes first";
  EXPECT_NE(form->MessageIds.find("E;000006; "), AnsiString::npos);
  EXPECT_EQ(user.Shown().back().Message, Gb(u8"无法连接应用服务器, 请检查客户端设定。"));
}

TEST(ProgramIdentity, TheProgramIdComesFromTheModuleFileName) {
  struct Case {
    const char* path;
    const char* programId;
  };
  const Case cases[] = {
      {"/opt/steward/C_PKG/ZKPR42C.so", "ZKPR42"},
      {"C:\\Steward\\C_PKG\\zkpr42c.dll", "ZKPR42"},
      {"ZKPR421C.so", "ZKPR421"},
      {"/x/ZKPR42.so", "ZKPR42"},  // at least six characters are kept
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    FormPtr form = NewForm();
    form->SetModuleFileName(c.path);
    form->SetupProgram();
    EXPECT_EQ(form->ProgramID, c.programId);
    EXPECT_EQ(form->ServerClassName, AnsiString(c.programId) + "S.Class1");
    EXPECT_EQ(form->ProgramName, "") << "no validator: the register gives nothing";
  }
}

TEST(ProgramIdentity, ARegisterThatFailsLeavesTheProgramIdAsNameAndNoLogging) {
  FormPtr form = NewForm();
  form->HostObject = Variant(vcl::DispatchPtr(std::make_shared<THostWithFailingValidator>()));
  form->SetModuleFileName("/opt/ZKPR42C.so");
  form->SetWantLog(true);
  form->LoadProgramIdentity();
  EXPECT_EQ(form->ProgramName, "ZKPR42");
  EXPECT_EQ(form->ProgramTitle, "ZKPR42");
  EXPECT_FALSE(form->WantLog());
  EXPECT_EQ(form->ProductID, 3) << "the host cannot give its product";
  EXPECT_TRUE(form->CounterService.IsEmpty());
}

TEST(ProgramIdentity, AnEnglishInterfaceTakesTheRegisterNameFromColumnSeven) {
  testsupport::ScopedCodePage english(1252);
  suite::THost host(suite::DemoCatalogue());
  FormPtr form = NewForm();
  form->HostObject = host.Object();
  form->SetModuleFileName("/opt/ZKPR42C.so");
  form->LoadProgramIdentity();
  EXPECT_EQ(form->ProgramName, "Attendance Report");
  EXPECT_EQ(form->GetSysItem("sys008"), "Inv.Cate.2");
}

TEST(ProgramIdentity, SystemItemsAndTheirCategoryDefaults) {
  testsupport::ScopedCodePage chinese(936);
  suite::THost host(suite::DemoCatalogue());
  FormPtr form = NewForm();
  form->HostObject = host.Object();
  form->CompanyID = "01";
  form->ConnectHostServices();
  EXPECT_EQ(form->GetSysItem("KVL002"), Gb(u8"示范公司"));
  EXPECT_EQ(form->GetSysItem("Sys001"), "1");
  EXPECT_EQ(form->GetSysItem("NoSuch"), "");
  EXPECT_EQ(form->GetSysItem("sys008"), Gb(u8"商品分类方式二"));
  EXPECT_EQ(form->GetSysItem("SYS010"), Gb(u8"商品分类方式四"));
  EXPECT_EQ(form->CallService("simplesql", vcl::VarArrayOf({"TAXMA", "02"})),
            Variant(Gb(u8"华南分公司")));
}

TEST_F(InitTest, TheCaptionShowsTheCompanyAndTheEditionOfProductFive) {
  host.Catalogue().productId = 5;
  ASSERT_TRUE(Init(HostParams(4)));
  form->Show();
  EXPECT_EQ(form->Caption(), Gb(u8"员工出勤报表-普及版[示范公司]"));
  EXPECT_TRUE(form->Converted);
  EXPECT_EQ(form->pgOption->ActivePage(), form->tsOption1);

  FormPtr plain = NewForm();
  host.Catalogue().productId = 1;
  plain->HostObject = host.Object();
  plain->SetModuleFileName("/opt/ZKPR42C.so");
  ASSERT_TRUE(plain->InitWithParams(HostParams(4)));
  plain->Show();
  EXPECT_EQ(plain->Caption(), Gb(u8"员工出勤报表[示范公司]"));
  TakeClosePosted(*plain);
}
