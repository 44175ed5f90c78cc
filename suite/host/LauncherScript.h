// The launcher's script: user actions, one per line, parsed into actions and run against the
// plug-in's form. The syntax is described at the top of LauncherScript.cpp and in README.md.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Variant.h"
#include "platform/vcl/Events.h"

namespace vcl {
class TCustomForm;
}

namespace suite {

enum class TScriptVerb {
  Focus,       // focus NAME
  Type,        // type TEXT
  Key,         // key KEY [KEY ...]
  Click,       // click NAME
  Answer,      // answer BUTTON
  Execute,     // execute MODE [SCHEME VALUE ...]
  Message,     // message TYPE MODE [SCHEME VALUE ...]
  Screenshot,  // screenshot FILE
  Wait,        // wait MILLISECONDS
  Close,       // close
};

struct TKeyStroke {
  std::uint16_t key = 0;
  vcl::TShiftState shift = 0;
  bool operator==(const TKeyStroke&) const = default;
};

struct TScriptAction {
  int line = 0;
  TScriptVerb verb = TScriptVerb::Close;
  std::string name;  // control, button or file name; the text for Type (UTF-8)
  std::vector<TKeyStroke> keys;
  int number = 0;  // Execute: mode; Message: message type; Wait: milliseconds
  int mode = 0;    // Message: the command's mode
  bool hasScheme = false;
  bool scheme = false;  // the scheme flag of the command
  std::vector<std::string> values;
};

// One parsed line: an action, nothing (blank or comment), or an error text.
struct TScriptLine {
  enum class TKind { Empty, Action, Error } kind = TKind::Empty;
  TScriptAction action;
  std::string error;
};

TScriptLine ParseScriptLine(std::string_view text, int lineNumber);

// A key as the script names it: "Enter", "F1", "Ctrl+Tab", "Ctrl+Alt+V", "a"; false when the
// name is not known.
bool ParseKeyName(std::string_view name, TKeyStroke& stroke);

// Reads a script file into its lines; false (with `error`) when it cannot be read.
bool ReadScriptFile(const std::string& path, std::vector<std::string>& lines, std::string& error);

// What a script acts on: the launcher with its plug-in.
class TScriptTarget {
 public:
  virtual ~TScriptTarget() = default;
  // The form the user sees: the active form, else the plug-in's form; null when none shows.
  virtual vcl::TCustomForm* TargetForm() = 0;
  // Queues `button` as the answer to the next dialog.
  virtual void QueueAnswer(const std::string& button) = 0;
  // The controller's Execute and HandleMessage.
  virtual std::int32_t Execute(const vcl::Variant& command) = 0;
  virtual std::int32_t HandleMessage(std::int32_t type, const vcl::Variant& data) = 0;
};

// The host command of an Execute or HandleMessage action: [mode] or
// [mode, [scheme flag, [values...]]].
vcl::Variant HostCommand(int mode, bool hasScheme, bool scheme,
                         const std::vector<std::string>& values);

// Runs one action and then handles pending messages. Problems (no such control, a control
// that cannot take the focus or the keys, an exception from the plug-in) are written to `out`
// as "script line N: ..." and give false; the caller goes on with the next line.
bool RunScriptAction(const TScriptAction& action, TScriptTarget& target, std::ostream& out);

}  // namespace suite
