#include "suite/host/Launcher.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <system_error>

#include "lib/StewardINI.h"
#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Files.h"
#include "platform/rtl/Library.h"
#include "platform/rtl/MessageQueue.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/System.h"
#include "platform/ui/Render.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/vcl/Input.h"
#include "platform/vcl/StdCtrls.h"
#include "plugin/DLLBaseCtrller.h"
#include "suite/host/HostObject.h"
#include "suite/host/LauncherScript.h"

namespace suite {

namespace fs = std::filesystem;

namespace {

// Idle time after which, with nobody left to act, the launcher closes the form itself.
constexpr int kIdleMs = 300;

// Texts of the catalogue and of the forms are GB2312 bytes.
std::string Utf8Of(const vcl::AnsiString& gb) {
  return vcl::WideToUtf8(vcl::CodePageToWide(gb, 936));
}

std::string RegistryEscape(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

bool WriteIfMissing(const fs::path& file, const std::string& text, std::string& error) {
  std::error_code ec;
  if (fs::exists(file, ec)) return true;
  std::ofstream out(file, std::ios::binary);
  out << text;
  out.close();
  if (!out) {
    error = "cannot write \"" + file.string() + "\"";
    return false;
  }
  return true;
}

const char* ResultName(int modalResult) {
  switch (modalResult) {
    case vcl::mrOk:
      return "OK";
    case vcl::mrCancel:
      return "Cancel";
    case vcl::mrAbort:
      return "Abort";
    case vcl::mrRetry:
      return "Retry";
    case vcl::mrIgnore:
      return "Ignore";
    case vcl::mrYes:
      return "Yes";
    case vcl::mrNo:
      return "No";
    case vcl::mrAll:
      return "All";
    case vcl::mrNoToAll:
      return "NoToAll";
    case vcl::mrYesToAll:
      return "YesToAll";
    default:
      return "none";
  }
}

// The headless user of the launcher: answers dialogs with the script's answers and prints
// each dialog with its caption, message and answer. A dialog without a scripted answer gets
// its cancel button (else its default button, else the cancel result).
class TLauncherUser : public vcl::TScriptedUser {
 public:
  explicit TLauncherUser(std::ostream& out) : out_(out) {}

  void QueueButton(const std::string& button) {
    Answer([this, button](vcl::TCustomForm& form) {
      auto* control = dynamic_cast<vcl::TControl*>(form.FindComponent(button));
      if (control && control->Visible() && control->Enabled()) {
        vcl::ClickControl(control);
      } else {
        out_ << "  the dialog has no button \"" << button << "\"" << std::endl;
        AnswerByDefault(form);
      }
    });
  }

  bool RunModal(vcl::TCustomForm& form) override {
    const bool scripted = PendingAnswers() > 0;
    auto* message = dynamic_cast<vcl::TControl*>(form.FindComponent("Message"));
    if (message)
      out_ << "dialog \"" << Utf8Of(form.Caption()) << "\": " << Utf8Of(message->Caption())
           << std::endl;
    else
      out_ << "form " << form.ClassName() << " \"" << Utf8Of(form.Caption()) << "\"" << std::endl;
    if (!scripted) Answer([](vcl::TCustomForm& f) { AnswerByDefault(f); });
    const size_t index = Shown().size();
    const bool result = TScriptedUser::RunModal(form);
    const Record& record = Shown()[index];
    out_ << "  answer: "
         << (record.Result == vcl::mrNone && record.Answered ? "closed" : ResultName(record.Result))
         << (scripted ? "" : " (unanswered)") << std::endl;
    return result;
  }

 private:
  static void AnswerByDefault(vcl::TCustomForm& form) {
    vcl::TButton* cancel = nullptr;
    vcl::TButton* fallback = nullptr;
    for (int i = 0; i < form.ComponentCount(); ++i) {
      auto* button = dynamic_cast<vcl::TButton*>(form.Components(i));
      if (!button || !button->Visible() || !button->Enabled()) continue;
      if (button->Cancel() && !cancel) cancel = button;
      if (button->Default() && !fallback) fallback = button;
    }
    if (vcl::TButton* chosen = cancel ? cancel : fallback)
      vcl::ClickControl(chosen);
    else
      form.SetModalResult(vcl::mrCancel);
  }

  std::ostream& out_;
};

struct TEventSink {
  std::ostream* out = nullptr;
  static void Call(void* context, std::int32_t code, kv::TDLLBaseController*) {
    *static_cast<TEventSink*>(context)->out << "event " << code << std::endl;
  }
};

class TRun : public TScriptTarget {
 public:
  TRun(kv::TDLLBaseController* controller, TLauncherUser& user, std::string program)
      : controller_(controller), user_(user), program_(std::move(program)) {}

  vcl::TCustomForm* TargetForm() override {
    if (vcl::TCustomForm* active = vcl::Screen()->ActiveForm()) return active;
    return PluginForm();
  }
  vcl::TCustomForm* PluginForm() {
    if (controller_->IsFormFreed()) return nullptr;
    return vcl::FindFormByHandle(controller_->GetHandle());
  }
  void QueueAnswer(const std::string& button) override { user_.QueueButton(button); }
  std::int32_t Execute(const vcl::Variant& command) override {
    return controller_->Execute(vcl::VarArrayOf({vcl::Variant(program_), command}));
  }
  std::int32_t HandleMessage(std::int32_t type, const vcl::Variant& data) override {
    return controller_->HandleMessage(type, 0, data);
  }

 private:
  kv::TDLLBaseController* controller_;
  TLauncherUser& user_;
  std::string program_;
};

void Screenshot(const std::string& path, std::ostream& out) {
  try {
    vcl::RenderScreenToPng(path);
    out << "screenshot: " << path << std::endl;
  } catch (const std::exception& e) {
    out << "screenshot failed: " << e.what() << std::endl;
  }
}

// Handles pending messages; an exception that escapes a handler is printed, as the
// application object of a desktop program reports it, and the run goes on.
void HandleMessages(std::ostream& out) {
  try {
    vcl::Application()->ProcessMessages();
  } catch (const vcl::Exception& e) {
    out << "exception " << e.ClassName() << ": " << Utf8Of(e.Message()) << std::endl;
  } catch (const std::exception& e) {
    out << "exception: " << e.what() << std::endl;
  }
}

}  // namespace

std::string UsageText() {
  return "usage: steward-host PROGRAM [--user USER] [--company ID] [--database NAME]\n"
         "                    [--install DIR] [--script FILE] [--screenshot FILE]\n";
}

bool ParseLaunchArguments(const std::vector<std::string>& args, TLaunchOptions& options,
                          std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string* target = nullptr;
    if (a == "--user")
      target = &options.user;
    else if (a == "--company")
      target = &options.company;
    else if (a == "--database")
      target = &options.database;
    else if (a == "--install")
      target = &options.install;
    else if (a == "--script")
      target = &options.script;
    else if (a == "--screenshot")
      target = &options.screenshot;
    if (target) {
      if (i + 1 == args.size()) {
        error = a + " needs a value";
        return false;
      }
      *target = args[++i];
      continue;
    }
    if (a.rfind("--", 0) == 0) {
      error = "unknown option " + a;
      return false;
    }
    if (!options.program.empty()) {
      error = "more than one program: " + options.program + ", " + a;
      return false;
    }
    options.program = a;
  }
  if (options.program.empty()) {
    error = "the program id is missing";
    return false;
  }
  if (options.program.find_first_of("/\\.") != std::string::npos) {
    error = "a program id is a name, not a path: " + options.program;
    return false;
  }
  return true;
}

std::string DefaultInstallFolder() {
  if (const char* home = std::getenv("STEWARD_HOME"); home && *home)
    return (fs::path(home) / "demo").string();
  const char* user = std::getenv("HOME");
  return (fs::path(user && *user ? user : ".") / ".steward" / "demo").string();
}

bool PrepareInstallation(const std::string& dir, std::string& error) {
  std::error_code ec;
  const fs::path root = fs::absolute(dir, ec);
  if (ec) {
    error = "cannot use the installation folder \"" + dir + "\": " + ec.message();
    return false;
  }
  const fs::path client = root / "Client", server = root / "Server";
  for (const fs::path& folder : {client / "C_PKG", server / "S_PKG"}) {
    fs::create_directories(folder, ec);
    if (ec) {
      error = "cannot create the installation folder \"" + folder.string() + "\": " + ec.message();
      return false;
    }
  }
  const std::string registry =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage]\r\n"
      "\"ACP\"=\"936\"\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\KVL\\Steward]\r\n"
      "\"ClientPath\"=\"" +
      RegistryEscape(client.string()) + "\"\r\n\"ServerPath\"=\"" +
      RegistryEscape(server.string()) + "\"\r\n\"ProfileType\"=\"0\"\r\n";
  const std::string clientIni =
      "[Client Components]\r\nLangType=CHS\r\n"
      "[ProductVersion]\r\nVersion=9.0\r\n"
      "[CodePage]\r\nUICodePage=936\r\nDBCodePage=936\r\n"
      "[Server Information]\r\nComputerName=127.0.0.1\r\nServerPort=211\r\n"
      "[WorkDLLPath]\r\nModules=C_PKG\r\n";
  const std::string serverIni =
      "[ProductVersion]\r\nVersion=9.0\r\n"
      "[CodePage]\r\nUICodePage=936\r\nDBCodePage=936\r\n"
      "[DBE Setting]\r\nMainAlias=Primus\r\nMainDBType=SQLITE\r\nMainDBName=demo\r\n"
      "MainServerName=127.0.0.1\r\n"
      "[DBPasswordCtrl]\r\nComputerName=127.0.0.1\r\nServerPort=211\r\n"
      "[WorkDLLPath]\r\nModules=S_PKG\r\n";
  return WriteIfMissing(root / "steward.reg", registry, error) &&
         WriteIfMissing(client / "StewardC.ini", clientIni, error) &&
         WriteIfMissing(server / "StewardS.ini", serverIni, error);
}

std::vector<std::string> BuiltPluginFolders(const std::string& launcherFolder) {
  std::vector<std::string> out{launcherFolder};
  std::error_code ec;
  std::vector<std::string> modules;
  const fs::path root = fs::path(launcherFolder) / ".." / ".." / "modules";
  for (const auto& entry : fs::directory_iterator(root, ec))
    if (entry.is_directory(ec)) modules.push_back(fs::weakly_canonical(entry.path(), ec).string());
  std::sort(modules.begin(), modules.end());
  out.insert(out.end(), modules.begin(), modules.end());
  return out;
}

int RunLauncher(const TLaunchOptions& options, std::ostream& out, std::ostream& err) {
  // The script first: a bad file ends the run before anything is loaded, bad lines are
  // reported up front and skipped.
  std::vector<TScriptAction> actions;
  bool scriptProblems = false;
  if (!options.script.empty()) {
    std::vector<std::string> lines;
    std::string error;
    if (!ReadScriptFile(options.script, lines, error)) {
      err << "steward-host: " << error << std::endl;
      return kExitUsage;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
      TScriptLine parsed = ParseScriptLine(lines[i], static_cast<int>(i + 1));
      if (parsed.kind == TScriptLine::TKind::Action) {
        actions.push_back(std::move(parsed.action));
      } else if (parsed.kind == TScriptLine::TKind::Error) {
        out << "script line " << i + 1 << ": " << parsed.error << std::endl;
        scriptProblems = true;
      }
    }
  }

  // The installation and its configuration.
  const std::string install = options.install.empty() ? DefaultInstallFolder() : options.install;
  std::string error;
  if (!PrepareInstallation(install, error)) {
    err << "steward-host: " << error << std::endl;
    return kExitInstall;
  }
  const std::string registry = (fs::absolute(install) / "steward.reg").string();
  ::setenv("STEWARD_REGISTRY", registry.c_str(), 1);
  vcl::ResetACPCache();
  std::vector<std::string> moduleFolders;
  {
    kv::TStewardIniC ini;
    if (ini.ClientPath.empty() || !ini.ErrorMsgId.empty()) {
      err << "steward-host: the registry file \"" << registry
          << "\" names no client installation (Software\\KVL\\Steward, \"ClientPath\")"
          << std::endl;
      return kExitInstall;
    }
    for (int i = 0; i < ini.WorkDLLPaths->Count(); ++i)
      moduleFolders.push_back(vcl::SysPath((*ini.WorkDLLPaths)[i]));
  }
  out << "installation: " << fs::absolute(install).string() << std::endl;

  // The plug-in: PROGRAM + "C.so" in the first client module folder that has it; when none
  // has it, a link to the plug-in built beside the launcher goes into the first folder.
  const std::string program = vcl::UpperCase(options.program);
  const std::string fileName = program + "C.so";
  std::string plugin;
  for (const std::string& folder : moduleFolders) {
    std::error_code ec;
    if (fs::exists(fs::path(folder) / fileName, ec)) {
      plugin = (fs::path(folder) / fileName).string();
      break;
    }
  }
  if (plugin.empty() && !moduleFolders.empty()) {
    const std::string launcherFolder = fs::path(vcl::GetHostProgramPath()).parent_path().string();
    for (const std::string& folder : BuiltPluginFolders(launcherFolder)) {
      std::error_code ec;
      const fs::path built = fs::path(folder) / fileName;
      if (!fs::is_regular_file(built, ec)) continue;
      const fs::path link = fs::path(moduleFolders.front()) / fileName;
      fs::create_directories(link.parent_path(), ec);
      fs::remove(link, ec);  // a link left dangling by an earlier build
      fs::create_symlink(fs::canonical(built, ec), link, ec);
      if (ec) {
        err << "steward-host: cannot link \"" << link.string() << "\" to \"" << built.string()
            << "\": " << ec.message() << std::endl;
        return kExitInstall;
      }
      out << "linked: " << link.string() << " -> " << built.string() << std::endl;
      plugin = link.string();
      break;
    }
  }
  if (plugin.empty()) {
    err << "steward-host: plug-in " << fileName << " not found in the client module folders:";
    for (const std::string& folder : moduleFolders) err << " " << folder;
    err << std::endl;
    return kExitPlugin;
  }

  // A linked plug-in is loaded from where it really lies: the libraries it needs are found
  // relative to its own folder.
  std::error_code realError;
  const std::filesystem::path real = std::filesystem::canonical(plugin, realError);
  vcl::HMODULE module = vcl::LoadLibrary(realError ? plugin : real.string());
  if (!module) {
    err << "steward-host: cannot load the plug-in \"" << plugin << "\": " << vcl::LastLibraryError()
        << std::endl;
    return kExitPlugin;
  }
  using TGetController = kv::TDLLBaseController* (*)();
  auto getController =
      reinterpret_cast<TGetController>(vcl::GetProcAddress(module, "GetController"));
  if (!getController) {
    err << "steward-host: \"" << plugin << "\" exports no GetController" << std::endl;
    return kExitPlugin;
  }
  out << "plug-in: " << plugin << std::endl;

  // The library stays loaded until the process ends: classes it registered stay in use.
  TLauncherUser user(out);
  THost host(DemoCatalogue());
  host.OnHelp = [&out](const vcl::AnsiString& system, const vcl::AnsiString& code) {
    out << "help " << Utf8Of(system) << " " << Utf8Of(code) << std::endl;
  };

  kv::TDLLBaseController* controller = nullptr;
  try {
    controller = getController();
  } catch (const std::exception& e) {
    err << "steward-host: GetController failed: " << Utf8Of(e.what()) << std::endl;
    return kExitPlugin;
  }
  if (!controller) {
    err << "steward-host: GetController returned no controller" << std::endl;
    return kExitPlugin;
  }

  TEventSink sink{&out};
  controller->HostObject = host.Object();
  controller->OnEvent = {&TEventSink::Call, &sink};
  const vcl::HWND hostWindow = vcl::AllocateHWnd([](vcl::TMessage&) -> vcl::LRESULT { return 0; });
  const vcl::Variant params = vcl::VarArrayOf(
      {vcl::Variant(vcl::Utf8ToAnsi(options.user)), vcl::Variant(vcl::Utf8ToAnsi(options.company)),
       vcl::Variant(vcl::Utf8ToAnsi(options.database)), vcl::Variant(static_cast<int>(hostWindow)),
       vcl::Variant(0)});

  int exitCode = kExitOk;
  bool shotTaken = false;
  std::int32_t initialized = -1;
  try {
    initialized = controller->Initialize(params);
    out << "initialize: " << initialized << std::endl;
  } catch (const std::exception& e) {
    out << "initialize failed: " << Utf8Of(e.what()) << std::endl;
  }
  HandleMessages(out);
  if (initialized != 0) exitCode = kExitInitialize;

  TRun run(controller, user, program);
  if (initialized == 0 && !controller->IsFormFreed()) {
    try {
      controller->SetVisible(-1);
    } catch (const std::exception& e) {
      out << "show failed: " << Utf8Of(e.what()) << std::endl;
    }
    HandleMessages(out);
    if (!options.screenshot.empty() && !controller->IsFormFreed()) {
      Screenshot(options.screenshot, out);
      shotTaken = true;
    }
    for (const TScriptAction& action : actions)
      if (!RunScriptAction(action, run, out)) scriptProblems = true;
  }

  // Until the form is gone: handle messages and timers; once nothing more happens, nobody is
  // left to act, so the launcher closes the form as its close box does, and frees it when it
  // refuses to go.
  bool closeAsked = false;
  while (!controller->IsFormFreed()) {
    HandleMessages(out);
    if (controller->IsFormFreed()) break;
    if (vcl::WaitMessage(kIdleMs)) continue;
    vcl::TCustomForm* form = run.PluginForm();
    if (!closeAsked && form) {
      out << "closing the form" << std::endl;
      closeAsked = true;
      try {
        form->Close();
      } catch (const std::exception& e) {
        out << "exception: " << Utf8Of(e.what()) << std::endl;
      }
    } else {
      out << "freeing the form" << std::endl;
      controller->FreeForm();
    }
  }
  HandleMessages(out);
  if (!options.screenshot.empty() && !shotTaken) Screenshot(options.screenshot, out);

  if (user.PendingAnswers() > 0) {
    out << "script: " << user.PendingAnswers() << " answer(s) not used" << std::endl;
    scriptProblems = true;
  }
  out << "result: code=" << controller->ResultCode
      << " data=" << Utf8Of(vcl::VarToStr(controller->ResultData)) << std::endl;
  delete controller;
  vcl::DeallocateHWnd(hostWindow);
  if (exitCode == kExitOk && scriptProblems) exitCode = kExitScript;
  return exitCode;
}

}  // namespace suite
