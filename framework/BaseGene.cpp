#include "framework/BaseGene.h"

#include <algorithm>
#include <type_traits>

#include "lib/LibStrs.h"
#include "lib/StewardINI.h"
#include "platform/com/ComObj.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/vcl/Grids.h"
#include "platform/vcl/ShellApi.h"
#include "plugin/HostIntf.h"

namespace kv {

using vcl::AnsiString;
using vcl::DesignText;
using vcl::TControl;
using vcl::TMsgDlgType;
using vcl::TWinControl;

VCL_IMPLEMENT_COMPONENT(TfrmBaseGene, TKvForm)

void TfrmBaseGene::Publish(vcl::TPublisher& p) {
  p.Bool("WantLog", &TfrmBaseGene::WantLog, &TfrmBaseGene::SetWantLog);
}

namespace {

constexpr int kMessageArguments = 10;
constexpr std::uint16_t kKeyF2 = 113;

bool IsNonEmptyArray(const Variant& v) {
  const Variant& d = v.Deref();
  return d.IsArray() && vcl::VarArrayDimCount(d) >= 1 &&
         vcl::VarArrayHighBound(d, 1) >= vcl::VarArrayLowBound(d, 1);
}

// Element `index` counted from the array's low bound.
const Variant& Item(const Variant& array, int index) {
  const Variant& d = array.Deref();
  return d[vcl::VarArrayLowBound(d, 1) + index].Deref();
}

TMsgDlgType KindType(const AnsiString& kind) {
  switch (kind.empty() ? '\0' : kind[0]) {
    case 'C':
    case 'D':
    case 'W':
      return TMsgDlgType::mtWarning;
    case 'E':
      return TMsgDlgType::mtError;
    case 'I':
      return TMsgDlgType::mtInformation;
    case 'Q':
      return TMsgDlgType::mtConfirmation;
    default:
      return TMsgDlgType::mtCustom;
  }
}

vcl::TMsgDlgButtons KindButtons(const AnsiString& kind) {
  switch (kind.empty() ? '\0' : kind[0]) {
    case 'C':
    case 'Q':
    case 'W':
      return vcl::mbOKCancel;
    case 'D':
      return vcl::mbYesNoCancel;
    default:
      return vcl::mbOK;
  }
}

// `format` filled with the arguments by position; positions without an argument are empty.
AnsiString FormatArguments(const AnsiString& format, const std::vector<AnsiString>& args) {
  std::vector<AnsiString> a(kMessageArguments);
  for (size_t i = 0; i < args.size() && i < a.size(); ++i) a[i] = args[i];
  try {
    return vcl::Format(format, {a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9]});
  } catch (const vcl::Exception&) {
    AnsiString text = format + "\r";
    for (const AnsiString& s : a) text += s + ";";
    return text;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Creation and destruction

template <typename T>
T* TfrmBaseGene::Make(TWinControl* parent, const char* name) {
  auto* c = new T(this);
  c->SetName(name);
  if constexpr (std::is_base_of_v<TControl, T>) {
    if (parent) c->SetParent(parent);
  }
  return c;
}

TfrmBaseGene::TfrmBaseGene(vcl::TComponent* owner) : TKvForm(owner) {
  BuildLayout();
  // TKvForm's steps that need the components.
  PrepareComponents();
  if (GetSystemCodePage() == "950") vcl::DateSeparator = '/';
  vcl::Application()->SetHintHidePause(500000);
  Version = "870401-0.00.00";
  CompanyID.clear();
  ProgramID.clear();
  ProgramTitle.clear();
  RequiredControls.clear();
  DateControls.clear();
  ValidationFailed = false;
  SystemPagePrepared = false;
  LastFocused = this;
  InPageChange = false;
  ShowInfo = true;
  SysInfo = std::make_unique<vcl::TStringList>();
  PrepareDataSets();
  SchemeDateEntries = std::make_unique<vcl::TStringList>();
  for (int i = 0; i < ComponentCount(); ++i)
    if (HasProperty(Components(i), "ImeName")) SetStrPropByName(Components(i), "ImeName", "");
  btnPrintDate->SetFlat(true);
  OnClose = vcl::MethodOf<&TfrmBaseGene::FormClose>(this);
}

void TfrmBaseGene::BuildLayout() {
  SetBounds(0, 0, 560, 400);

  pnlCondition = Make<vcl::TPanel>(this, "pnlCondition");
  pnlCondition->SetAlign(vcl::TAlign::alLeft);
  pnlCondition->SetWidth(151);
  pnlCondition->SetCaption("");
  lblCondition = Make<vcl::TLabel>(pnlCondition, "lblCondition");
  lblCondition->SetAlign(vcl::TAlign::alTop);
  lblCondition->SetCaption(DesignText(u8" 条件方案"));

  mnList = Make<vcl::TPopupMenu>(nullptr, "mnList");
  auto menuItem = [this](vcl::TMenu* menu, const char* name, const char8_t* caption) {
    auto* item = Make<vcl::TMenuItem>(nullptr, name);
    item->SetCaption(DesignText(caption));
    menu->Items()->Add(item);
    return item;
  };
  mnLargeIcon = menuItem(mnList, "mnLargeIcon", u8"大型图标(&G)");
  mnSmallIcon = menuItem(mnList, "mnSmallIcon", u8"小型图标(&M)");
  mnListStyle = menuItem(mnList, "mnListStyle", u8"清单(&L)");
  mnDetails = menuItem(mnList, "mnDetails", u8"详细信息(&D)");
  for (vcl::TMenuItem* item : {mnLargeIcon, mnSmallIcon, mnListStyle, mnDetails}) {
    item->SetRadioItem(true);
    item->OnClick = vcl::MethodOf<&TfrmBaseGene::mnListClick>(this);
  }
  mnLargeIcon->SetChecked(true);
  muOperation = Make<vcl::TPopupMenu>(nullptr, "muOperation");
  muOpen = menuItem(muOperation, "muOpen", u8"开启(&O)");
  muDelete = menuItem(muOperation, "muDelete", u8"删除(&D)");

  ImageList1 = Make<vcl::TImageList>(nullptr, "ImageList1");
  ImageList1->SetWidth(18);
  ImageList1->SetHeight(18);
  ImageList2 = Make<vcl::TImageList>(nullptr, "ImageList2");
  ImageList2->SetWidth(24);
  ImageList2->SetHeight(24);

  ToolBar1 = Make<vcl::TToolBar>(pnlCondition, "ToolBar1");
  ToolBar1->SetAlign(vcl::TAlign::alTop);
  ToolBar1->SetFlat(true);
  ToolBar1->SetButtonWidth(25);
  ToolBar1->SetButtonHeight(24);
  ToolBar1->SetImages(ImageList1);
  auto toolButton = [this](const char* name, const char8_t* hint) {
    auto* b = Make<vcl::TToolButton>(ToolBar1, name);
    if (hint) b->SetHint(DesignText(hint));
    return b;
  };
  btnInsert = toolButton("btnInsert", u8"保存(&S)");
  btnOpen = toolButton("btnOpen", u8"开启(&O)");
  btnDelete = toolButton("btnDelete", u8"删除(&D)");
  ToolButton1 = toolButton("ToolButton1", nullptr);
  ToolButton1->SetStyle(vcl::TToolButtonStyle::tbsDropDown);
  ToolButton1->SetDropdownMenu(mnList);

  lstCondition = Make<vcl::TListView>(pnlCondition, "lstCondition");
  lstCondition->SetAlign(vcl::TAlign::alClient);
  lstCondition->SetSortType(vcl::TSortType::stText);
  lstCondition->SetPopupMenu(muOperation);
  lstCondition->SetLargeImages(ImageList2);
  lstCondition->SetSmallImages(ImageList1);
  lstCondition->OnDblClick = vcl::MethodOf<&TfrmBaseGene::lstConditionDblClick>(this);

  Splitter1 = Make<vcl::TSplitter>(this, "Splitter1");
  Splitter1->SetAlign(vcl::TAlign::alLeft);
  Splitter1->SetLeft(151);

  Panel1 = Make<vcl::TPanel>(this, "Panel1");
  Panel1->SetAlign(vcl::TAlign::alBottom);
  Panel1->SetHeight(43);
  Panel1->SetCaption("");
  btnOk = Make<vcl::TBitBtn>(Panel1, "btnOk");
  btnOk->SetCaption(DesignText(u8"确定"));
  btnOk->SetBounds(300, 9, 75, 25);
  btnCancel = Make<vcl::TBitBtn>(Panel1, "btnCancel");
  btnCancel->SetCaption(DesignText(u8"取消"));
  btnCancel->SetBounds(390, 9, 75, 25);
  btnCancel->SetCancel(true);
  btnCancel->SetModalResult(vcl::mrCancel);

  pgOption = Make<vcl::TPageControl>(this, "pgOption");
  pgOption->SetAlign(vcl::TAlign::alClient);
  pgOption->SetHint(DesignText(u8"请输入选项条件"));
  pgOption->SetShowHint(true);
  tsOption1 = Make<vcl::TTabSheet>(nullptr, "tsOption1");
  tsOption1->SetPageControl(pgOption);
  tsOption1->SetCaption(DesignText(u8"基本选项"));
  tsOption2 = Make<vcl::TTabSheet>(nullptr, "tsOption2");
  tsOption2->SetPageControl(pgOption);
  tsOption2->SetCaption(DesignText(u8"系统选项"));
  pgOption->SetActivePage(tsOption1);
  pgOption->OnChanging = vcl::MethodOf<&TfrmBaseGene::pgOptionChanging>(this);
  pgOption->OnChange = vcl::MethodOf<&TfrmBaseGene::pgOptionChange>(this);
  tsOption2->OnShow = vcl::MethodOf<&TfrmBaseGene::tsOption2Show>(this);

  edPrintDate = Make<vcl::TMaskEdit>(tsOption2, "edPrintDate");
  edPrintDate->SetBounds(60, 8, 85, 21);
  edPrintDate->SetHint(DesignText(u8"[F2]日期快手"));
  edPrintDate->SetShowHint(true);
  edPrintDate->SetTabStop(true);
  lblToday = Make<vcl::TLabel>(tsOption2, "lblToday");
  lblToday->SetCaption(DesignText(u8"制表日期"));
  lblToday->SetFocusControl(edPrintDate);
  lblToday->SetLeft(8);
  lblToday->SetTop(12);
  btnPrintDate = Make<vcl::TSpeedButton>(tsOption2, "btnPrintDate");
  btnPrintDate->SetHint(DesignText(u8"日期快手"));
  btnPrintDate->SetShowHint(true);
  btnPrintDate->SetBounds(edPrintDate->Left() + edPrintDate->Width(), edPrintDate->Top(), 21,
                          edPrintDate->Height());
  btnPrintDate->OnClick =
      vcl::TNotifyEvent::Lambda([this](vcl::TObject*) { LookupKey(kKeyF2, edPrintDate); });

  ObjBroker = Make<vcl::TSimpleObjectBroker>(nullptr, "ObjBroker");
  MainMidas = Make<vcl::TSocketConnection>(nullptr, "MainMidas");
  MainMidas->SetObjectBroker(ObjBroker);
  ClientDataSet1 = Make<vcl::TwwClientDataSet>(nullptr, "ClientDataSet1");
  ClientDataSet1->SetProviderName("pvdConSave");
  ClientDataSet1->SetRemoteServer(MainMidas);
  ClientDataSet1->IndexDefs()->Add("Index1", "NCONDITION;CREATOR;PROGRAMME");
}

TfrmBaseGene::~TfrmBaseGene() {
  PageEndControls.clear();
  SysInfo.reset();
  CounterService = Variant();
  ValidatorService = Variant();
  LookupService = Variant();
  try {
    if (!LocalServer && MainMidas->Connected()) MainMidas->SetConnected(false);
  } catch (const vcl::Exception&) {
    // A connection that fails while closing is gone all the same.
  }
  ServerObject = Variant();
  HostObject = Variant();
  SchemeDateEntries.reset();
}

void TfrmBaseGene::FormClose(vcl::TObject*, vcl::TCloseAction& action) {
  action = vcl::TCloseAction::caFree;
}

void TfrmBaseGene::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  TKvForm::Notification(component, operation);
  if (operation != vcl::TOperation::opRemove) return;
  if (component == LastFocused) LastFocused = nullptr;
  std::erase(PageEndControls, component);
}

void TfrmBaseGene::PostClose() {
  // During initialisation the request waits until it is over: a message dialog shown later
  // in the same initialisation runs a message loop, which would otherwise close and free the
  // form while it is still initialising.
  if (initialising_) {
    closePending_ = true;
    return;
  }
  vcl::PostMessage(Handle(), vcl::WM_CLOSE, 0, 0);
}

// ---------------------------------------------------------------------------------------
// Initialisation

bool TfrmBaseGene::InitWithParams(const Variant& params) {
  if (!CompanyID.empty()) return false;
  initialising_ = true;
  closePending_ = false;
  const bool result = InitializeFromParams(params);
  initialising_ = false;
  if (closePending_) PostClose();
  return result;
}

bool TfrmBaseGene::InitializeFromParams(const Variant& params) {
  bool result = true;
  try {
    SysInfo->Clear();
    PageEndControls.clear();
    CounterService = Variant();
    ValidatorService = Variant();
    LookupService = Variant();
    OwnOptionCount = 1;
    MessageIds.clear();
    MessageTexts.clear();
    edPrintDate->Clear();
    LastHostCommand = vcl::Null;
    SchemeCommand = true;
    AutoRun = false;

    const Variant& p = params.Deref();
    const int high = p.IsArray() ? vcl::VarArrayHighBound(p, 1) : -1;
    HostWindow = high >= 3 ? p[3].AsInteger() : 0;
    if (high >= 4) ReservedParam = p[4];
    if (high < 4) {
      ShowMessageId("E;000038");
      PostClose();
    }

    Hide();
    try {
      UserID = vcl::VarToStr(p[0]);
      CompanyID = vcl::VarToStr(p[1]);
      DbName = vcl::VarToStr(p[2]);
    } catch (const vcl::Exception&) {
      // Parameters that cannot be read leave the fields as they are.
    }

    LoadProgramIdentity();

    if (!vcl::SameText(vcl::Copy(Name(), 4, 3), vcl::Copy(ProgramID, 1, 3))) {
      ShowMessageId("E;000036");
      PostClose();
      return result;
    }

    MainMidas->SetConnected(false);
    bool connected = ConfigureFromClient(MainMidas);
    if (connected) {
      ConfigureConnection(MainMidas);
      if (!MainMidas->ServerName().empty()) connected = ConnectServer();
    }
    if (!connected) {
      ShowMessageId("E;000006");
      result = false;
      PostClose();
    }
  } catch (const vcl::Exception& e) {
    RecordError(e.Message());
    result = false;
  } catch (const std::exception& e) {
    RecordError(e.what());
    result = false;
  }
  return result;
}

void TfrmBaseGene::LoadProgramIdentity() {
  ConnectHostServices();
  THostObject host(HostObject);
  try {
    VersionType = host.VersionType();
  } catch (const vcl::Exception&) {
    // The host without a version type keeps the previous value.
  }
  try {
    ProductID = host.ProductID();
  } catch (const vcl::Exception&) {
    ProductID = 3;
  }
  SetupProgram();
  ConnectLookupService();
}

void TfrmBaseGene::AddOptions(int count) {
  OptionCount = count + (OwnOptionCount < OptionCount ? 0 : OwnOptionCount);
}

void TfrmBaseGene::SetupProgram() {
  DateControls = "edPrintDate";
  JobKind = "R";
  EnvCount = 9;
  AddOptions(0);

  // The plug-in file is the program id followed by one letter ("ZKPR42C.so").
  const AnsiString file = vcl::ExtractFileName(ModuleFileName);
  const int keep = std::max(6, int(file.size()) - int(vcl::ExtractFileExt(file).size()) - 1);
  ProgramID = vcl::UpperCase(vcl::Copy(file, 1, keep));
  ServerClassName = ProgramID + "S.Class1";

  ProgramName.clear();
  try {
    Variant row;
    if (ValidatorCheck("ADMMB", "01", false, row, Variant(ProgramID))) {
      const Variant& r = row.Deref();
      const int columns =
          r.IsArray() ? vcl::VarArrayHighBound(r, 1) - vcl::VarArrayLowBound(r, 1) + 1 : 0;
      const int nameColumn = columns >= 8 && GetUICodePage() == "437" ? 7 : 0;
      ProgramName = vcl::VarToStr(Item(r, nameColumn));
      wantLog_ = vcl::VarToStr(Item(r, 4)) == "Y";
    }
  } catch (const vcl::Exception&) {
    ProgramName = ProgramID;
    wantLog_ = false;
  }
  ProgramTitle = ProgramName;
}

void TfrmBaseGene::PrepareDataSets() {
  // Labels and texts of the data sets are stored as displayed until a converter is installed;
  // only the pass over the data sets with their controls disabled remains.
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* ds = dynamic_cast<vcl::TwwClientDataSet*>(Components(i))) {
      ds->DisableControls();
      ds->EnableControls();
    }
}

// ---------------------------------------------------------------------------------------
// Host services and the application server

void TfrmBaseGene::ConnectHostServices() {
  THostObject host(HostObject);
  try {
    CounterService = host.CounterService();
    GetSysItem("");
    CompanyName = GetSysItem("KVL002");
  } catch (const vcl::Exception&) {
    CounterService = Variant();
  }
  try {
    ValidatorService = host.ValidatorService();
  } catch (const vcl::Exception&) {
    ValidatorService = Variant();
  }
}

void TfrmBaseGene::ConnectLookupService() {
  if (!(ServiceFlags & 4)) return;
  try {
    LookupService = THostObject(HostObject).LookupService();
  } catch (const vcl::Exception&) {
    LookupService = Variant();
  }
}

AnsiString TfrmBaseGene::GetSysItem(const AnsiString& name) {
  if (name.empty()) {
    SysInfo->Clear();
    TCounterService counter(CounterService);
    if (!counter.Assigned()) return "";
    Variant company = CompanyID;
    const Variant info = counter.GetSysInfo(company);
    if (!info.IsArray() || vcl::VarArrayDimCount(info) != 2) return "";
    const int low = vcl::VarArrayLowBound(info, 2), high = vcl::VarArrayHighBound(info, 2);
    const int row0 = vcl::VarArrayLowBound(info, 1);
    for (int i = low; i <= high; ++i)
      SysInfo->Add(vcl::VarToStr(info.At({row0, i})) + "=" + vcl::VarToStr(info.At({row0 + 1, i})));
    return "";
  }
  AnsiString value;
  try {
    value = SysInfo->Values(name);
  } catch (const vcl::Exception&) {
    value.clear();
  }
  if (!value.empty()) return value;
  static const char* const kCategories[] = {"SYS007", "SYS008", "SYS009", "SYS010"};
  static const char8_t* const kChinese[] = {u8"商品分类方式一", u8"商品分类方式二",
                                            u8"商品分类方式三", u8"商品分类方式四"};
  static const char* const kEnglish[] = {"Inv.Cate.1", "Inv.Cate.2", "Inv.Cate.3", "Inv.Cate.4"};
  for (int i = 0; i < 4; ++i)
    if (vcl::SameText(name, kCategories[i]))
      return GetUICodePage() == "437" ? AnsiString(kEnglish[i]) : DesignText(kChinese[i]);
  return "";
}

Variant TfrmBaseGene::CallService(const AnsiString& name, const Variant& arguments) {
  TCounterService counter(CounterService);
  if (!counter.Assigned()) return Variant();
  try {
    Variant args = arguments;
    return counter.GetCounter(vcl::UpperCase(name), args, DbName, CompanyID);
  } catch (const vcl::Exception&) {
    return Variant();
  }
}

bool TfrmBaseGene::ValidatorCheck(const AnsiString& table, const AnsiString& key, bool query,
                                  Variant& row, const Variant& values) {
  TValidatorService validator(ValidatorService);
  if (!validator.Assigned()) return false;
  try {
    validator.SetProductID(ProductID);
    validator.SetBaseLimited(Variant(BaseLimited));
  } catch (const vcl::Exception&) {
    // A validator without these properties checks all the same.
  }
  Variant t = table, k = key, db = DbName, v = values;
  return query ? validator.QueryData(t, k, db, v, row) : validator.CheckValue(t, k, db, v, row);
}

bool TfrmBaseGene::CheckCodeCall(const AnsiString& table, const AnsiString& key, bool query,
                                 Variant& row, const Variant& values) {
  try {
    return ValidatorCheck(table, key, query, row, values);
  } catch (const vcl::Exception&) {
    return false;
  }
}

bool TfrmBaseGene::ConfigureFromClient(vcl::TSocketConnection* connection) {
  try {
    connection->SetConnected(false);
    TStewardIniC ini;
    if (!MessageIds.empty()) {
      ShowMessageId(MessageIds);
      return false;
    }
    const Variant& list = ini.ServerList;
    if (list.IsEmpty() || list.IsNull() || !list.IsArray()) return true;
    const int row = vcl::VarArrayLowBound(list, 1), column = vcl::VarArrayLowBound(list, 2);
    connection->SetAddress(vcl::VarToStr(list.At({row, column})));
    connection->SetObjectBroker(nullptr);
    connection->SetPort(list.At({row + 1, column}).AsInteger());
    return true;
  } catch (const vcl::Exception& e) {
    ShowError(e.Message());
    return false;
  }
}

bool TfrmBaseGene::ConnectServer() {
  ServerObject = Variant();
  try {
    if (MainMidas->Connected()) MainMidas->SetConnected(false);
    const AnsiString name = MainMidas->ServerName();
    LocalServer = IsLocalHost(MainMidas->Address());
    if (LocalServer) {
      Variant server = vcl::CreateOleObject(name);
      MainMidas->SetAppServer(server);
      ServerObject = server;
    } else {
      MainMidas->SetConnected(true);
      if (MainMidas->Connected()) ServerObject = MainMidas->AppServer();
    }
    return true;
  } catch (const vcl::Exception& e) {
    ShowError(e.Message());
    return false;
  }
}

AnsiString TfrmBaseGene::PickDate(const AnsiString& text, bool fullDate) {
  TLookupService lookup(LookupService);
  if (!lookup.Assigned()) return "";
  const AnsiString date = text.size() == 8 ? text : vcl::FormatDateTime("yyyymmdd", vcl::Date());
  const int dateType = vcl::StrToIntDef(GetSysItem("Sys001"), 1);
  const AnsiString answer = vcl::Trim(lookup.ShowInputDay(dateType > 3, date, DbName));
  if (answer.empty()) return text;
  const vcl::TDateTime picked = YYYYMMDDToDate(answer);
  const AnsiString separator = GetSysItem("Sys002");
  return fullDate ? FormatDateByType(dateType, separator, picked)
                  : FormatYearMonthByType(dateType, separator, picked);
}

void TfrmBaseGene::OpenLookup(const AnsiString& table, const AnsiString& key, Variant& result,
                              bool multiSelect, const AnsiString& text, const Variant& extra) {
  TLookupService lookup(LookupService);
  if (!lookup.Assigned()) {
    result = Variant();
    return;
  }
  const bool flagA = vcl::Copy(RightsText4, 7, 1) != "N";
  const bool flagB = vcl::Copy(RightsText4, 8, 1) != "N";
  result = lookup.F2GetData(vcl::VarArrayOf(
      {table, key, extra, multiSelect, text, CompanyID, DbName,
       Variant(static_cast<long long>(Handle())), 1, false, ProductID, AnsiString(), AnsiString(),
       AnsiString(), Variant(BaseLimited), flagB, flagA, HostObject, UserID}));
}

void TfrmBaseGene::ShowPhrase(TControl* control) {
  TLookupService lookup(LookupService);
  if (!lookup.Assigned() || !control) return;
  Variant db = DbName;
  const AnsiString phrase = lookup.GetPhrase(UserID, db, static_cast<std::int64_t>(Handle()));
  if (!phrase.empty()) control->SetText(phrase);
}

// ---------------------------------------------------------------------------------------
// Messages

AnsiString TfrmBaseGene::GetMessageText(const AnsiString& kind, const AnsiString& number) {
  const AnsiString missing = vcl::Format("Can not Get Message\rType= %s, ID= %s ", {kind, number});
  THostObject host(HostObject);
  if (HostObject.Deref().IsEmpty()) return missing;
  try {
    return host.GetMessage(kind, number);
  } catch (const vcl::Exception&) {
    return missing;
  }
}

void TfrmBaseGene::ShowMessageId(const AnsiString& id) {
  if (btnCancel && ActiveControl() == btnCancel) return;
  if (id.empty()) {
    MessageIds.clear();
    MessageTexts.clear();
    return;
  }
  MessageIds += id + "; ";
  const AnsiString kind = GetField(id, ";", 1);
  AnsiString number = GetField(id, ";", 2);
  std::vector<AnsiString> args;
  for (int i = 0; i < kMessageArguments && 3 + i <= CountFields(id, ";"); ++i)
    args.push_back(GetField(id, ";", 3 + i));
  if (args.empty()) args.emplace_back();
  const bool show = vcl::StrToIntDef(number, 0) > 0;
  if (!show && !number.empty()) number.erase(0, 1);
  const AnsiString text = FormatArguments(GetMessageText(kind, number), args);
  if (MessageTexts.find(text) == AnsiString::npos) MessageTexts += text + "; ";
  if (show) MessageDialog(text, KindType(kind), vcl::mbOK);
}

void TfrmBaseGene::RecordError(const AnsiString& text) {
  if (btnCancel && ActiveControl() == btnCancel) return;
  const AnsiString t = vcl::Trim(text);
  if (t.empty()) {
    MessageIds.clear();
    MessageTexts.clear();
    return;
  }
  MessageIds += AnsiString("E;-1") + "; ";
  if (MessageTexts.find(t) == AnsiString::npos) MessageTexts += t + "; ";
}

int TfrmBaseGene::ShowMessageKind(const AnsiString& kind, const AnsiString& number,
                                  vcl::TMsgDlgButtons buttons,
                                  const std::vector<AnsiString>& arguments) {
  const AnsiString text = FormatArguments(GetMessageText(kind, number), arguments);
  return MessageDialog(text, KindType(kind), buttons ? buttons : KindButtons(kind));
}

int TfrmBaseGene::MessageDialog(const AnsiString& text, TMsgDlgType type,
                                vcl::TMsgDlgButtons buttons) {
  if (InPageChange && type != TMsgDlgType::mtError) return 0;
  std::unique_ptr<vcl::TForm, vcl::TFreeDeleter> dialog(
      vcl::CreateMessageDialog(text, type, buttons));
  dialog->SetCaption(Caption());
  if (GetUICodePage() != "437")
    for (int i = 0; i < dialog->ComponentCount(); ++i)
      if (auto* button = dynamic_cast<vcl::TButton*>(dialog->Components(i)))
        button->SetCaption(TranslateButtonCaption(button->Name()));
  const int result = dialog->ShowModal();
  dialog.reset();
  if (TWinControl* active = ActiveControl())
    vcl::PostMessage(active->Handle(), vcl::WM_LBUTTONUP, 0, 0);
  if (type == TMsgDlgType::mtError && LastFocused && LastFocused != this)
    if (auto* win = dynamic_cast<TWinControl*>(LastFocused); win && win->CanFocus())
      win->SetFocus();
  return result;
}

// ---------------------------------------------------------------------------------------
// Showing, pages and keys

AnsiString TfrmBaseGene::FormCaption() const {
  AnsiString caption = ProgramName;
  if (ProductID == 5) {
    AnsiString edition;
    GetLangText(kBaseGeneSection, "sPublicVer", edition, true, DesignText(u8"-普及版"));
    caption += edition;
  }
  return caption + "[" + CompanyName + "]";
}

void TfrmBaseGene::DoShow() {
  TKvForm::DoShow();
  SetCaption(FormCaption());
  pgOption->SetActivePageIndex(0);
  pgOptionChange(pgOption);
  ConvertForm();
  if (lstCondition->Columns()->Count() < 2) {
    lstCondition->Columns()->Add()->SetWidth(151);
    lstCondition->Columns()->Add()->SetWidth(80);
  }
  LoadSchemeList();
}

void TfrmBaseGene::PrepareSystemPage() {
  tsOption2->SetParentFont(true);
  tsOption2->Font()->SetSize(9);
  SetBounds(Left(), Top(), std::max(Width(), 315), std::max(Height(), 110));
  lblToday->SetBounds(8, 12, lblToday->Width(), lblToday->Height());
  lblToday->SetAutoSize(true);
  edPrintDate->SetBounds(60, 8, 85, edPrintDate->Height());
  btnPrintDate->SetBounds(edPrintDate->Left() + edPrintDate->Width(), edPrintDate->Top(),
                          btnPrintDate->Width(), edPrintDate->Height());
}

void TfrmBaseGene::tsOption2Show(vcl::TObject*) {
  if (SystemPagePrepared) return;
  SystemPagePrepared = true;
  PrepareSystemPage();
}

void TfrmBaseGene::FocusFirstOfPage() {
  vcl::TTabSheet* page = pgOption->ActivePage();
  if (!page) return;
  for (int order = 0;; ++order) {
    TWinControl* found = nullptr;
    for (int i = 0; i < page->ControlCount() && !found; ++i) {
      auto* win = dynamic_cast<TWinControl*>(page->Controls(i));
      if (win && win->TabOrder() == order) found = win;
    }
    if (!found) return;
    if (!found->Enabled()) continue;
    if (found->CanFocus()) {
      found->SetFocus();
      LastFocused = found;
    }
    return;
  }
}

void TfrmBaseGene::pgOptionChange(vcl::TObject*) {
  FocusFirstOfPage();
}

void TfrmBaseGene::pgOptionChanging(vcl::TObject*, bool& allowChange) {
  InPageChange = true;
  ValidationFailed = false;
  try {
    if (TWinControl* active = ActiveControl()) {
      if (active->OnExit) active->OnExit(active);
    }
  } catch (...) {
    InPageChange = false;
    throw;
  }
  InPageChange = false;
  if (ValidationFailed) allowChange = false;
}

AnsiString TfrmBaseGene::HelpCode(const AnsiString& programId) {
  if (programId.size() < 4) return "";
  AnsiString code;
  char c;
  switch (programId[3]) {
    case 'A':
      code = "6";
      c = programId.size() > 4 ? programId[4] : '\0';
      break;
    case 'M':
      code = "8";
      c = programId.size() > 4 ? programId[4] : '\0';
      break;
    default:
      code = "1";
      c = programId[3];
  }
  if (c == 'B')
    code += "3";
  else if (c == 'R')
    code += "2";
  else
    return "";
  return code + vcl::RightStr(programId, 2) + "0000";
}

void TfrmBaseGene::ContextHelp() {
  const AnsiString code = HelpCode(ProgramID);
  if (code.empty()) return;
  try {
    THostObject(HostObject).CallHelp(vcl::Copy(ProgramID, 1, 3), code);
  } catch (const vcl::Exception& e) {
    ShowError(e.Message());
  }
}

bool TfrmBaseGene::FormKey(std::uint16_t key, vcl::TShiftState shift) {
  const bool ctrl = shift & vcl::ssCtrl, alt = shift & vcl::ssAlt, sh = shift & vcl::ssShift;
  if (key == vcl::VK_ESCAPE && !ctrl && !alt) {
    Close();
    return true;
  }
  if (key == vcl::VK_F1) {
    ContextHelp();
    return true;
  }
  if (key == vcl::VK_F2) {
    LookupKey(vcl::VK_F2, ActiveControl());
    return true;
  }
  if (key == 'V' && ctrl && alt) {
    vcl::ShellExecute(Handle(), "properties", ModuleFileName.c_str(), nullptr, nullptr,
                      vcl::SW_SHOW);
    return true;
  }
  if (ctrl && ((key == vcl::VK_TAB && !sh) || key == vcl::VK_NEXT)) {
    pgOption->SelectNextPage(true);
    return true;
  }
  if (ctrl && ((key == vcl::VK_TAB && sh) || key == vcl::VK_PRIOR)) {
    pgOption->SelectNextPage(false);
    return true;
  }
  return false;
}

bool TfrmBaseGene::DialogKey(std::uint16_t key, vcl::TShiftState shift) {
  // The form's own keys come before the platform's dialog keys, as with key preview.
  if ((key == vcl::VK_ESCAPE || key == vcl::VK_TAB) && FormKey(key, shift)) return true;
  return TKvForm::DialogKey(key, shift);
}

void TfrmBaseGene::KeyDown(std::uint16_t& key, vcl::TShiftState shift) {
  if (TWinControl* active = ActiveControl()) LastFocused = active;
  TKvForm::KeyDown(key, shift);
  if (key != 0 && FormKey(key, shift)) key = 0;
}

bool TfrmBaseGene::IsPageEndControl(const TControl* control) const {
  if (!control) return false;
  auto listed = [this](const TControl* c) {
    return std::find(PageEndControls.begin(), PageEndControls.end(), c) != PageEndControls.end();
  };
  if (listed(control)) return true;
  const TWinControl* parent = control->Parent();
  if (parent && listed(parent)) {
    // The end edit or the list of a selection panel, or a button of a radio group.
    if (parent->InheritsFrom("TRadioGroup")) return true;
    if (parent->InheritsFrom("TSelectPanel"))
      return vcl::SameText(control->Name(), "edFinal") || vcl::SameText(control->Name(), "ListBox");
  }
  return false;
}

void TfrmBaseGene::KeyPress(char& key) {
  TKvForm::KeyPress(key);
  if (key != '\r') return;
  TWinControl* active = ActiveControl();
  if (!active) return;
  LastFocused = active;
  auto* memo = dynamic_cast<vcl::TMemo*>(active);
  const int line = memo ? memo->CaretPos().Y : 0;

  if (auto* grid = dynamic_cast<vcl::TDrawGrid*>(active)) {
    key = 0;
    if (grid->Col() < grid->ColCount() - 1) {
      grid->SetCol(grid->Col() + 1);
    } else {
      if (grid->Row() >= grid->RowCount() - 1) grid->SetRowCount(grid->RowCount() + 1);
      grid->SetCol(grid->FixedCols());
      grid->SetRow(grid->Row() + 1);
    }
    return;
  }
  if (memo && line < 2) return;  // a new line in the memo
  key = 0;
  if (!IsPageEndControl(active) || active->InheritsFrom("TCustomGrid")) {
    SelectNext(active, true, true);
    return;
  }
  if (pgOption->ActivePageIndex() < pgOption->PageCount() - 1) pgOption->SelectNextPage(true);
}

void TfrmBaseGene::LookupKey(std::uint16_t key, TControl* control) {
  auto* win = dynamic_cast<TWinControl*>(control);
  if (!win || !win->CanFocus()) return;
  win->SetFocus();
  if (control == edPrintDate) {
    const AnsiString picked = PickDate(edPrintDate->GetText(), true);
    if (!picked.empty()) edPrintDate->SetText(picked);
  }
}

void TfrmBaseGene::WndProc(vcl::TMessage& message) {
  if (message.msg == WM_KV_LOOKUP) {
    LookupKey(kKeyF2, reinterpret_cast<TControl*>(message.lParam));
    return;
  }
  TKvForm::WndProc(message);
}

void TfrmBaseGene::SetBounds(int left, int top, int width, int height) {
  TKvForm::SetBounds(left, top, width, height);
  RepaintHost();
}

void TfrmBaseGene::RepaintHost() {
  if (HostWindow != 0) vcl::InvalidateWindow(static_cast<vcl::HWND>(HostWindow));
}

void TfrmBaseGene::lstConditionDblClick(vcl::TObject*) {
  if (vcl::TListItem* item = lstCondition->Selected()) LoadScheme(item->Caption());
}

void TfrmBaseGene::mnListClick(vcl::TObject* sender) {
  auto* item = dynamic_cast<vcl::TMenuItem*>(sender);
  if (!item) return;
  item->SetChecked(true);
  if (item == mnLargeIcon) lstCondition->SetViewStyle(vcl::TViewStyle::vsIcon);
  if (item == mnSmallIcon) lstCondition->SetViewStyle(vcl::TViewStyle::vsSmallIcon);
  if (item == mnListStyle) lstCondition->SetViewStyle(vcl::TViewStyle::vsList);
  if (item == mnDetails) lstCondition->SetViewStyle(vcl::TViewStyle::vsReport);
}

// ---------------------------------------------------------------------------------------
// Host commands

bool TfrmBaseGene::CheckHostScheme(const Variant& values) {
  AnsiString message;
  bool result = false;
  if (!IsNonEmptyArray(values)) {
    ShowMessageId(message);
    return false;
  }
  message = "W;000014";
  const Variant& items = Item(values, 0);
  if (IsNonEmptyArray(items)) {
    const int low = vcl::VarArrayLowBound(items, 1), high = vcl::VarArrayHighBound(items, 1);
    for (int i = low; i <= high; ++i) {
      const Variant& entry = items[i].Deref();
      const AnsiString name =
          IsNonEmptyArray(entry) &&
                  vcl::VarArrayHighBound(entry, 1) - vcl::VarArrayLowBound(entry, 1) >= 1
              ? vcl::VarToStr(Item(entry, 1))
              : AnsiString();
      vcl::TComponent* c = name.empty() ? nullptr : FindComponent(name);
      result =
          c && (c->InheritsFrom("TSelectPanel") || c->InheritsFrom("TCustomComboBox") ||
                c->InheritsFrom("TComboBox") || HasProperty(c, "ItemIndex") ||
                HasProperty(c, "Checked") || HasProperty(c, "Text") || HasProperty(c, "Lines"));
    }
  }
  if (result) message.clear();
  ShowMessageId(message);
  return result;
}

void TfrmBaseGene::HandleHostCommand(const Variant& command) {
  LastHostCommand = command;
  const Variant& x = command.Deref();
  if (!IsNonEmptyArray(x)) return;
  const int mode = Item(x, 0).AsInteger();
  ShowInfo = mode == 0 || mode == 1;
  AutoRun = false;
  bool loaded = false;
  const int low = vcl::VarArrayLowBound(x, 1), high = vcl::VarArrayHighBound(x, 1);
  if (high - low >= 1 && IsNonEmptyArray(Item(x, 1))) {
    const Variant& scheme = Item(x, 1);
    SchemeCommand = Item(scheme, 0).AsBoolean();
    const int sl = vcl::VarArrayLowBound(scheme, 1), sh = vcl::VarArrayHighBound(scheme, 1);
    const Variant v = sh - sl >= 1 ? Item(scheme, 1) : Variant();
    if (IsNonEmptyArray(v)) {
      loaded = SchemeCommand ? CheckHostScheme(v) : ApplyHostValues(v);
      AutoRun = loaded && mode != 0;
    }
  }
  if (!Converted) {
    ConvertForm();
    if (GetSystemCodePage() == "950") SetCaption(ProgramName + "[" + CompanyName + "]");
  }
  if (mode > 2 && loaded)
    RunHostMode(mode);
  else if (AutoRun)
    btnOk->Click();
}

// ---------------------------------------------------------------------------------------
// Base behaviour of the virtual operations

bool TfrmBaseGene::BuildRequest() {
  // The request is put together by the condition packing of the derived forms' layers; the
  // base form on its own has no conditions to send.
  return false;
}

void TfrmBaseGene::SetRequiredControls(const AnsiString& list) {
  RequiredControls = list;
}

bool TfrmBaseGene::RunLocally(const std::vector<Variant>&) {
  return false;
}

void TfrmBaseGene::ReservedHook1() {}

bool TfrmBaseGene::BuildConditionValues(Variant&, int) {
  return false;
}

bool TfrmBaseGene::ApplyHostValues(const Variant&) {
  return false;
}

void TfrmBaseGene::ReservedHook2() {}

bool TfrmBaseGene::BuildEnvironment(Variant&, int) {
  return false;
}

bool TfrmBaseGene::BuildConditionTexts(Variant&, int) {
  return false;
}

void TfrmBaseGene::AfterRightsLoaded() {}

void TfrmBaseGene::ConfigureConnection(vcl::TSocketConnection*) {}

bool TfrmBaseGene::SaveScheme(const AnsiString&, const AnsiString&, bool) {
  return false;
}

bool TfrmBaseGene::LoadScheme(const AnsiString&) {
  return false;
}

void TfrmBaseGene::LoadSchemeList() {
  lstCondition->Items()->Clear();
}

bool TfrmBaseGene::AfterLoadScheme() {
  return true;
}

bool TfrmBaseGene::RunHostMode(std::int32_t) {
  return true;
}

void TfrmBaseGene::BeforeSchemeValue(TControl*, Variant&) {}

void TfrmBaseGene::ValidateControl(TControl*) {}

}  // namespace kv
