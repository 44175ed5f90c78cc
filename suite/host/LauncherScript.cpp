// The launcher's script runner.
//
// A script is a plain text file (UTF-8) of user actions, one per line. Blank lines and lines
// whose first non-blank character is "#" are skipped. Words are separated by blanks; a word
// in double quotes may hold blanks ("\"" and "\\" inside quotes stand for " and \).
//
//   focus NAME              focus the control NAME of the form in front
//   type TEXT               type TEXT (the rest of the line, or one quoted word) into the
//                           focused control
//   key KEY [KEY ...]       press keys in turn: Enter, Esc, Tab, Space, Backspace, Delete,
//                           Insert, Home, End, PgUp, PgDn, Left, Up, Right, Down, F1-F12, a
//                           letter or a digit, each with optional Ctrl+, Shift+, Alt+ prefixes
//                           (Ctrl+Tab, Ctrl+PgDn, Ctrl+Alt+V)
//   click NAME              click the control NAME
//   answer BUTTON           answer the next dialog with its button BUTTON (OK, Cancel, Yes,
//                           No ...); put it before the action that opens the dialog
//   execute MODE [SCHEME VALUE ...]
//                           host command through the controller's Execute: mode, then
//                           optionally the scheme flag (0/1, no/yes, false/true) and values
//   message TYPE MODE [SCHEME VALUE ...]
//                           the same command through HandleMessage with message type TYPE
//   screenshot FILE         render the screen to the PNG file FILE
//   wait MILLISECONDS       handle messages and timers for that long
//   close                   close the form in front, as its close box does
//
// Each action is followed by handling the pending messages. A line that cannot be parsed or
// run (unknown action, bad arguments, no such control) is reported as "script line N: ..."
// and the run goes on with the next line; the launcher exits with a non-zero code at the end.
#include "suite/host/LauncherScript.h"

#include <chrono>
#include <fstream>
#include <ostream>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/MessageQueue.h"
#include "platform/rtl/Strings.h"
#include "platform/ui/Render.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Input.h"
#include "platform/vcl/Menus.h"

namespace suite {

namespace {

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Splits a line into words; false (with `error`) on an unterminated quote.
bool SplitWords(std::string_view text, std::vector<std::string>& words, std::string& error) {
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size()) break;
    std::string word;
    if (text[i] == '"') {
      ++i;
      bool closed = false;
      while (i < text.size()) {
        char c = text[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < text.size() && (text[i] == '"' || text[i] == '\\')) c = text[i++];
        word += c;
      }
      if (!closed) {
        error = "unterminated quote";
        return false;
      }
      if (i < text.size() && !IsBlank(text[i])) {
        error = "a quoted word must be followed by a blank";
        return false;
      }
    } else {
      while (i < text.size() && !IsBlank(text[i])) word += text[i++];
    }
    words.push_back(std::move(word));
  }
  return true;
}

bool ParseInt(std::string_view text, int& value) {
  if (text.empty()) return false;
  size_t i = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return false;
  long long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
    if (v > 2147483647LL) return false;
  }
  value = static_cast<int>(negative ? -v : v);
  return true;
}

bool ParseFlag(std::string_view text, bool& flag) {
  const std::string t = Lower(text);
  if (t == "1" || t == "yes" || t == "true") {
    flag = true;
    return true;
  }
  if (t == "0" || t == "no" || t == "false") {
    flag = false;
    return true;
  }
  return false;
}

struct TNamedKey {
  const char* name;
  std::uint16_t key;
};

// Longer names the script also takes; the short ones are the menu shortcut names.
constexpr TNamedKey kKeys[] = {
    {"return", vcl::VK_RETURN}, {"escape", vcl::VK_ESCAPE}, {"backspace", vcl::VK_BACK},
    {"delete", vcl::VK_DELETE}, {"insert", vcl::VK_INSERT}, {"pageup", vcl::VK_PRIOR},
    {"pagedown", vcl::VK_NEXT},
};

// The rest of the line after the first word, without the blanks that separate them.
std::string_view RestAfterVerb(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  while (i < text.size() && !IsBlank(text[i])) ++i;
  while (i < text.size() && IsBlank(text[i])) ++i;
  size_t end = text.size();
  while (end > i && (text[end - 1] == '\r' || text[end - 1] == '\n')) --end;
  return text.substr(i, end - i);
}

TScriptLine Error(int line, std::string text) {
  TScriptLine out;
  out.kind = TScriptLine::TKind::Error;
  out.action.line = line;
  out.error = std::move(text);
  return out;
}

// Parses "MODE [SCHEME VALUE ...]" from words[first...] into the action.
bool ParseCommand(const std::vector<std::string>& words, size_t first, TScriptAction& action,
                  int& mode, std::string& error) {
  if (words.size() <= first) {
    error = "the mode is missing";
    return false;
  }
  if (!ParseInt(words[first], mode)) {
    error = "the mode \"" + words[first] + "\" is not a number";
    return false;
  }
  if (words.size() > first + 1) {
    action.hasScheme = true;
    if (!ParseFlag(words[first + 1], action.scheme)) {
      error = "the scheme flag \"" + words[first + 1] + "\" is not 0/1, no/yes or false/true";
      return false;
    }
    action.values.assign(words.begin() + static_cast<std::ptrdiff_t>(first + 2), words.end());
  }
  return true;
}

}  // namespace

bool ParseKeyName(std::string_view name, TKeyStroke& stroke) {
  TKeyStroke out;
  std::string rest = Lower(name);
  // Modifier prefixes, each ending in "+"; a lone "+" is not a key name.
  for (;;) {
    const size_t plus = rest.find('+');
    if (plus == std::string::npos || plus + 1 == rest.size()) break;
    const std::string modifier = rest.substr(0, plus);
    if (modifier == "ctrl" || modifier == "control")
      out.shift |= vcl::ssCtrl;
    else if (modifier == "shift")
      out.shift |= vcl::ssShift;
    else if (modifier == "alt")
      out.shift |= vcl::ssAlt;
    else
      return false;
    rest.erase(0, plus + 1);
  }
  // The key: a longer alias, or a menu shortcut name ("Enter", "Esc", "PgDn", "F5", a letter
  // or a digit); function keys stop at F12.
  for (const TNamedKey& k : kKeys)
    if (rest == k.name) out.key = k.key;
  if (!out.key && rest.find('+') == std::string::npos)
    out.key = static_cast<std::uint16_t>(vcl::TextToShortCut(rest) & 0xFF);
  if (!out.key || (out.key >= vcl::VK_F1 + 12 && out.key < vcl::VK_F1 + 24)) return false;
  stroke = out;
  return true;
}

TScriptLine ParseScriptLine(std::string_view text, int lineNumber) {
  std::vector<std::string> words;
  std::string error;
  size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  if (first == text.size() || text[first] == '#') return {};
  if (!SplitWords(text, words, error)) return Error(lineNumber, error);

  TScriptLine out;
  out.kind = TScriptLine::TKind::Action;
  TScriptAction& a = out.action;
  a.line = lineNumber;
  const std::string verb = Lower(words[0]);
  const size_t args = words.size() - 1;
  auto expectOne = [&](TScriptVerb v, const char* what) {
    a.verb = v;
    if (args != 1) {
      error = words[0] + " takes one " + what;
      return false;
    }
    a.name = words[1];
    return true;
  };

  if (verb == "focus") {
    if (!expectOne(TScriptVerb::Focus, "control name")) return Error(lineNumber, error);
  } else if (verb == "click") {
    if (!expectOne(TScriptVerb::Click, "control name")) return Error(lineNumber, error);
  } else if (verb == "answer") {
    if (!expectOne(TScriptVerb::Answer, "button name")) return Error(lineNumber, error);
  } else if (verb == "screenshot") {
    if (!expectOne(TScriptVerb::Screenshot, "file name")) return Error(lineNumber, error);
  } else if (verb == "type") {
    a.verb = TScriptVerb::Type;
    const std::string_view rest = RestAfterVerb(text);
    if (rest.empty()) return Error(lineNumber, "type needs a text");
    // One quoted word is taken without its quotes; anything else as it stands.
    if (rest.front() == '"' && args == 1)
      a.name = words[1];
    else
      a.name = std::string(rest);
  } else if (verb == "key") {
    a.verb = TScriptVerb::Key;
    if (args == 0) return Error(lineNumber, "key needs at least one key name");
    for (size_t i = 1; i < words.size(); ++i) {
      TKeyStroke stroke;
      if (!ParseKeyName(words[i], stroke))
        return Error(lineNumber, "unknown key \"" + words[i] + "\"");
      a.keys.push_back(stroke);
    }
  } else if (verb == "execute") {
    a.verb = TScriptVerb::Execute;
    if (!ParseCommand(words, 1, a, a.number, error)) return Error(lineNumber, error);
  } else if (verb == "message") {
    a.verb = TScriptVerb::Message;
    if (args == 0) return Error(lineNumber, "message needs a message type and a mode");
    if (!ParseInt(words[1], a.number))
      return Error(lineNumber, "the message type \"" + words[1] + "\" is not a number");
    if (!ParseCommand(words, 2, a, a.mode, error)) return Error(lineNumber, error);
  } else if (verb == "wait") {
    a.verb = TScriptVerb::Wait;
    if (args != 1 || !ParseInt(words[1], a.number) || a.number < 0)
      return Error(lineNumber, "wait takes a number of milliseconds");
  } else if (verb == "close") {
    a.verb = TScriptVerb::Close;
    if (args != 0) return Error(lineNumber, "close takes no arguments");
  } else {
    return Error(lineNumber, "unknown action \"" + words[0] + "\"");
  }
  return out;
}

bool ReadScriptFile(const std::string& path, std::vector<std::string>& lines, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read the script \"" + path + "\"";
    return false;
  }
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return true;
}

vcl::Variant HostCommand(int mode, bool hasScheme, bool scheme,
                         const std::vector<std::string>& values) {
  if (!hasScheme) return vcl::VarArrayOf({vcl::Variant(mode)});
  std::vector<vcl::Variant> items;
  for (const std::string& v : values) items.emplace_back(vcl::Utf8ToAnsi(v));
  return vcl::VarArrayOf(
      {vcl::Variant(mode), vcl::VarArrayOf({vcl::Variant(scheme), vcl::VarArrayOf(items)})});
}

namespace {

// A component of `owner` or of anything it owns, by name (ignoring case).
vcl::TComponent* FindNamed(vcl::TComponent* owner, std::string_view name) {
  if (vcl::TComponent* direct = owner->FindComponent(name)) return direct;
  for (int i = 0; i < owner->ComponentCount(); ++i)
    if (vcl::TComponent* found = FindNamed(owner->Components(i), name)) return found;
  return nullptr;
}

void HandleMessages() {
  vcl::Application()->ProcessMessages();
}

bool RunUnguarded(const TScriptAction& a, TScriptTarget& target, std::ostream& out) {
  auto fail = [&](const std::string& text) {
    out << "script line " << a.line << ": " << text << std::endl;
    return false;
  };
  vcl::TCustomForm* form = nullptr;
  vcl::TControl* control = nullptr;
  switch (a.verb) {
    case TScriptVerb::Focus:
    case TScriptVerb::Click:
    case TScriptVerb::Type:
    case TScriptVerb::Key:
    case TScriptVerb::Close:
      form = target.TargetForm();
      if (!form) return fail("no form is showing");
      break;
    default:
      break;
  }
  if (a.verb == TScriptVerb::Focus || a.verb == TScriptVerb::Click) {
    control = dynamic_cast<vcl::TControl*>(FindNamed(form, a.name));
    if (!control) return fail("no control \"" + a.name + "\" on the form \"" + form->Name() + "\"");
  }

  switch (a.verb) {
    case TScriptVerb::Focus: {
      auto* win = dynamic_cast<vcl::TWinControl*>(control);
      if (!win || !win->CanFocus()) return fail("control \"" + a.name + "\" cannot take the focus");
      win->SetFocus();
      break;
    }
    case TScriptVerb::Click:
      if (!control->Visible() || !control->Enabled())
        return fail("control \"" + a.name + "\" is hidden or disabled");
      vcl::ClickControl(control);
      break;
    case TScriptVerb::Type:
      if (!vcl::TypeText(vcl::Utf8ToAnsi(a.name), form))
        return fail("no control has the focus to type into");
      break;
    case TScriptVerb::Key:
      for (const TKeyStroke& k : a.keys) {
        if (!vcl::SendKey(k.key, k.shift, form)) return fail("no control takes the key");
        HandleMessages();
        form = target.TargetForm();
        if (!form) break;
      }
      break;
    case TScriptVerb::Answer:
      target.QueueAnswer(a.name);
      break;
    case TScriptVerb::Execute: {
      // The call runs first: it may print events of its own.
      const std::int32_t result =
          target.Execute(HostCommand(a.number, a.hasScheme, a.scheme, a.values));
      out << "execute: " << result << std::endl;
      break;
    }
    case TScriptVerb::Message: {
      const std::int32_t result =
          target.HandleMessage(a.number, HostCommand(a.mode, a.hasScheme, a.scheme, a.values));
      out << "message " << a.number << ": " << result << std::endl;
      break;
    }
    case TScriptVerb::Screenshot:
      vcl::RenderScreenToPng(a.name);
      out << "screenshot: " << a.name << std::endl;
      break;
    case TScriptVerb::Wait: {
      using Clock = std::chrono::steady_clock;
      const auto deadline = Clock::now() + std::chrono::milliseconds(a.number);
      for (;;) {
        HandleMessages();
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) break;
        vcl::WaitMessage(static_cast<int>(left));
      }
      break;
    }
    case TScriptVerb::Close:
      form->Close();
      break;
  }
  HandleMessages();
  return true;
}

}  // namespace

bool RunScriptAction(const TScriptAction& action, TScriptTarget& target, std::ostream& out) {
  try {
    return RunUnguarded(action, target, out);
  } catch (const vcl::Exception& e) {
    out << "script line " << action.line << ": " << e.ClassName() << ": "
        << vcl::AnsiToUtf8(e.Message()) << std::endl;
  } catch (const std::exception& e) {
    out << "script line " << action.line << ": " << e.what() << std::endl;
  }
  return false;
}

}  // namespace suite
