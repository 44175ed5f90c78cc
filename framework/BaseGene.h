// The generic condition form: receives the host's parameters, identifies the program,
// connects to the host's services and the application server, drives keyboard navigation
// between controls and pages, reacts to the host's commands, reports messages through the
// host's catalogue, and defines the virtual operations through which derived forms describe
// their own conditions.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "framework/KvForm.h"
#include "platform/db/DBClient.h"
#include "platform/db/SConnect.h"
#include "platform/rtl/TStringList.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/Mask.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/StdCtrls.h"

namespace kv {

using vcl::Variant;

// The message a button sends its form to ask for a lookup: the control in the long parameter.
inline constexpr vcl::UINT WM_KV_LOOKUP = vcl::WM_USER + 10;  // 1034
// Help-code and language-text section of the generic condition form.
inline constexpr const char* kBaseGeneSection = "TfrmBaseGene";

class TfrmBaseGene : public TKvForm {
  VCL_DECLARE_COMPONENT(TfrmBaseGene)
 public:
  explicit TfrmBaseGene(vcl::TComponent* owner);
  ~TfrmBaseGene() override;

  // ---- design-time components ----
  vcl::TPanel* pnlCondition;
  vcl::TLabel* lblCondition;
  vcl::TToolBar* ToolBar1;
  vcl::TToolButton* btnInsert;
  vcl::TToolButton* btnOpen;
  vcl::TToolButton* btnDelete;
  vcl::TToolButton* ToolButton1;
  vcl::TListView* lstCondition;
  vcl::TPopupMenu* mnList;
  vcl::TMenuItem* mnLargeIcon;
  vcl::TMenuItem* mnSmallIcon;
  vcl::TMenuItem* mnListStyle;
  vcl::TMenuItem* mnDetails;
  vcl::TPopupMenu* muOperation;
  vcl::TMenuItem* muOpen;
  vcl::TMenuItem* muDelete;
  vcl::TSplitter* Splitter1;
  vcl::TPageControl* pgOption;
  vcl::TTabSheet* tsOption1;
  vcl::TTabSheet* tsOption2;
  vcl::TLabel* lblToday;
  vcl::TMaskEdit* edPrintDate;
  vcl::TSpeedButton* btnPrintDate;
  vcl::TPanel* Panel1;
  vcl::TBitBtn* btnOk;
  vcl::TBitBtn* btnCancel;
  vcl::TSocketConnection* MainMidas;
  vcl::TSimpleObjectBroker* ObjBroker;
  vcl::TwwClientDataSet* ClientDataSet1;
  vcl::TImageList* ImageList1;
  vcl::TImageList* ImageList2;

  // ---- fields shared with the controller and the derived forms ----
  Variant HostObject;
  vcl::AnsiString ModuleFileName;
  vcl::AnsiString UserID, CompanyID, DbName;
  std::int32_t HostWindow = 0;
  Variant ReservedParam;
  vcl::AnsiString Version;
  vcl::AnsiString ProgramID;
  vcl::AnsiString ProgramName, ProgramTitle;
  vcl::AnsiString CompanyName;
  vcl::AnsiString ServerClassName;
  vcl::AnsiString JobKind;
  std::int32_t EnvCount = 0;
  std::int32_t OptionCount = 0, OwnOptionCount = 0;
  std::int32_t VersionType = 0, ProductID = 3;
  Variant CounterService, ValidatorService, LookupService;
  Variant ServerObject;
  bool LocalServer = false;
  std::unique_ptr<vcl::TStringList> SysInfo;
  std::vector<vcl::TControl*> PageEndControls;
  vcl::AnsiString MessageIds, MessageTexts;
  bool ShowInfo = true;
  Variant LastHostCommand;
  bool SchemeCommand = true, AutoRun = false;
  Variant Request;
  std::int32_t JobResultCode = 0;
  Variant JobResultText;
  bool ValidationFailed = false;
  vcl::TControl* LastFocused = nullptr;
  bool InPageChange = false;
  bool SystemPagePrepared = false;
  // Bit value 4: the form uses the host's lookup service.
  std::uint8_t ServiceFlags = 0;
  // The user's data limitation, passed to the validator and the lookup service.
  vcl::WideString BaseLimited;
  // Field 4 of the user's rights record; its characters 7 and 8 allow lookups.
  vcl::AnsiString RightsText4;
  // Comma-separated component names of the date and the required controls.
  vcl::AnsiString DateControls, RequiredControls;
  // The dates saved with a scheme.
  std::unique_ptr<vcl::TStringList> SchemeDateEntries;

  // The program asks for job logging (program register column 4 = "Y").
  bool WantLog() const { return wantLog_; }
  void SetWantLog(bool value) { wantLog_ = value; }

  // ---- operations of the controller ----
  void SetModuleFileName(const vcl::AnsiString& path) { ModuleFileName = path; }
  // The host's command [mode, [scheme flag, values]].
  void HandleHostCommand(const Variant& command);

  // Checks a scheme sent by the host: true when the control named by the last item exists and
  // holds a value; "W;000014" is reported otherwise.
  bool CheckHostScheme(const Variant& values);

  // ---- virtual operations, in slot order ----
  virtual void PrepareSystemPage();                                   // 1
  virtual bool BuildRequest();                                        // 2
  virtual void SetupProgram();                                        // 3
  virtual void ShowPhrase(vcl::TControl* control);                    // 4
  virtual void SetRequiredControls(const vcl::AnsiString& list);      // 5
  virtual bool RunLocally(const std::vector<Variant>& jobArguments);  // 6
  virtual void PrepareDataSets();                                     // 7
  virtual void LoadProgramIdentity();                                 // 8
  virtual bool InitWithParams(const Variant& params);                 // 9
  virtual void ReservedHook1();                                       // 10
  virtual bool BuildConditionValues(Variant& values, int count);      // 11
  virtual bool ApplyHostValues(const Variant& values);                // 12
  virtual void ReservedHook2();                                       // 13
  virtual bool BuildEnvironment(Variant& environment, int count);     // 14
  virtual bool BuildConditionTexts(Variant& texts, int count);        // 15
  virtual void AfterRightsLoaded();                                   // 16
  virtual void OpenLookup(const vcl::AnsiString& table, const vcl::AnsiString& key, Variant& result,
                          bool multiSelect, const vcl::AnsiString& text,
                          const Variant& extra);                         // 17
  virtual void ConfigureConnection(vcl::TSocketConnection* connection);  // 18
  virtual bool SaveScheme(const vcl::AnsiString& properties, const vcl::AnsiString& name,
                          bool replace);                                   // 19
  virtual bool LoadScheme(const vcl::AnsiString& name);                    // 20
  virtual void LoadSchemeList();                                           // 21
  virtual bool AfterLoadScheme();                                          // 22
  virtual bool RunHostMode(std::int32_t mode);                             // 23
  virtual void BeforeSchemeValue(vcl::TControl* control, Variant& value);  // 24
  virtual void ValidateControl(vcl::TControl* control);                    // 25

  // The F2 handler: derived forms handle their own controls and call this for the rest.
  virtual void LookupKey(std::uint16_t key, vcl::TControl* control);

  // ---- host services and the application server ----
  void ConnectHostServices();
  void ConnectLookupService();
  // A system item of the company; an empty name loads all items and gives "".
  vcl::AnsiString GetSysItem(const vcl::AnsiString& name);
  Variant CallService(const vcl::AnsiString& name, const Variant& arguments);
  bool CheckCodeCall(const vcl::AnsiString& table, const vcl::AnsiString& key, bool query,
                     Variant& row, const Variant& values);
  bool ConfigureFromClient(vcl::TSocketConnection* connection);
  bool ConnectServer();
  // The date quick-pick: the lookup service's date for `text`, formatted with the company's
  // date type and separator (a full date or a year and month).
  vcl::AnsiString PickDate(const vcl::AnsiString& text, bool fullDate);

  // ---- messages ----
  vcl::AnsiString GetMessageText(const vcl::AnsiString& kind, const vcl::AnsiString& number);
  void ShowMessageId(const vcl::AnsiString& id);
  void RecordError(const vcl::AnsiString& text);
  void ShowError(const vcl::AnsiString& text) { RecordError(text); }
  int ShowMessageKind(const vcl::AnsiString& kind, const vcl::AnsiString& number,
                      vcl::TMsgDlgButtons buttons, const std::vector<vcl::AnsiString>& arguments);
  int MessageDialog(const vcl::AnsiString& text, vcl::TMsgDlgType type,
                    vcl::TMsgDlgButtons buttons);

  // ---- navigation ----
  // The caption: program name, the edition text for ProductID 5, and "[company]".
  vcl::AnsiString FormCaption() const;
  // The help code of the program id ("ZKPR42" -> "12420000"), "" when it has none.
  static vcl::AnsiString HelpCode(const vcl::AnsiString& programId);
  // Asks the host for the program's help.
  void ContextHelp();
  // A control on which Enter moves to the next page.
  bool IsPageEndControl(const vcl::TControl* control) const;
  // Focuses the first usable control of the active page.
  void FocusFirstOfPage();

  bool DialogKey(std::uint16_t key, vcl::TShiftState shift) override;
  void KeyDown(std::uint16_t& key, vcl::TShiftState shift) override;
  void KeyPress(char& key) override;
  void WndProc(vcl::TMessage& message) override;
  void SetBounds(int left, int top, int width, int height) override;

 protected:
  // The form's first show: caption, first page, conversion, scheme list.
  void DoShow() override;
  // Posts the form a close request (after the current initialisation when one is running).
  void PostClose();
  // The body of InitWithParams after the second-initialisation check.
  bool InitializeFromParams(const Variant& params);
  bool initialising_ = false;
  bool closePending_ = false;
  // The form's own keys; true when used.
  bool FormKey(std::uint16_t key, vcl::TShiftState shift);
  void AddOptions(int count);
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

 private:
  template <typename T>
  T* Make(vcl::TWinControl* parent, const char* name);
  void BuildLayout();
  void FormClose(vcl::TObject* sender, vcl::TCloseAction& action);
  void pgOptionChanging(vcl::TObject* sender, bool& allowChange);
  void pgOptionChange(vcl::TObject* sender);
  void tsOption2Show(vcl::TObject* sender);
  void lstConditionDblClick(vcl::TObject* sender);
  void mnListClick(vcl::TObject* sender);
  void RepaintHost();
  // One validator call; raises what the call raises.
  bool ValidatorCheck(const vcl::AnsiString& table, const vcl::AnsiString& key, bool query,
                      Variant& row, const Variant& values);
  bool wantLog_ = false;
};

}  // namespace kv
