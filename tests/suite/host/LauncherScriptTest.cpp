// The launcher's script lines and key names, parsed.
#include "suite/host/LauncherScript.h"

#include <gtest/gtest.h>

#include "platform/vcl/Controls.h"

namespace suite {
namespace {

using K = TScriptLine::TKind;

TEST(LauncherScript, ParsesActionsAndReportsBadLines) {
  struct Case {
    std::string text;
    K kind;
    TScriptVerb verb = TScriptVerb::Close;
    std::string name = "";
    std::string error = "";  // part of the error text
  };
  const std::vector<Case> cases = {
      {"", K::Empty},
      {"   \t", K::Empty},
      {"# a comment", K::Empty},
      {"   # indented comment", K::Empty},
      {"focus edJob", K::Action, TScriptVerb::Focus, "edJob"},
      {"  FOCUS   edJob  ", K::Action, TScriptVerb::Focus, "edJob"},
      {"click btnOk", K::Action, TScriptVerb::Click, "btnOk"},
      {"answer Yes", K::Action, TScriptVerb::Answer, "Yes"},
      {"screenshot \"/tmp/a b.png\"", K::Action, TScriptVerb::Screenshot, "/tmp/a b.png"},
      {"type J00001", K::Action, TScriptVerb::Type, "J00001"},
      {"type two  words # not a comment", K::Action, TScriptVerb::Type,
       "two  words # not a comment"},
      {"type \"  padded \"", K::Action, TScriptVerb::Type, "  padded "},
      {"type \"a\" b", K::Action, TScriptVerb::Type, "\"a\" b"},
      {"type say \"hi\"", K::Action, TScriptVerb::Type, "say \"hi\""},
      {"type 部门", K::Action, TScriptVerb::Type, "部门"},
      {"close", K::Action, TScriptVerb::Close},
      {"jump edJob", K::Error, TScriptVerb::Close, "", "unknown action \"jump\""},
      {"focus", K::Error, TScriptVerb::Close, "", "focus takes one control name"},
      {"click a b", K::Error, TScriptVerb::Close, "", "click takes one control name"},
      {"answer", K::Error, TScriptVerb::Close, "", "one button name"},
      {"type", K::Error, TScriptVerb::Close, "", "type needs a text"},
      {"type   ", K::Error, TScriptVerb::Close, "", "type needs a text"},
      {"key", K::Error, TScriptVerb::Close, "", "at least one key"},
      {"key Enter Ctrl+Foo", K::Error, TScriptVerb::Close, "", "unknown key \"Ctrl+Foo\""},
      {"execute", K::Error, TScriptVerb::Close, "", "the mode is missing"},
      {"execute one", K::Error, TScriptVerb::Close, "", "\"one\" is not a number"},
      {"execute 1 maybe x", K::Error, TScriptVerb::Close, "", "scheme flag \"maybe\""},
      {"message", K::Error, TScriptVerb::Close, "", "message type and a mode"},
      {"message five 1", K::Error, TScriptVerb::Close, "", "message type \"five\""},
      {"message 5", K::Error, TScriptVerb::Close, "", "the mode is missing"},
      {"wait", K::Error, TScriptVerb::Close, "", "milliseconds"},
      {"wait -5", K::Error, TScriptVerb::Close, "", "milliseconds"},
      {"close now", K::Error, TScriptVerb::Close, "", "close takes no arguments"},
      {"click \"btn", K::Error, TScriptVerb::Close, "", "unterminated quote"},
      {"click \"a\"b", K::Error, TScriptVerb::Close, "", "followed by a blank"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const TScriptLine line = ParseScriptLine(c.text, 7);
    ASSERT_EQ(line.kind, c.kind) << line.error;
    if (c.kind == K::Action) {
      EXPECT_EQ(line.action.line, 7);
      EXPECT_EQ(line.action.verb, c.verb);
      EXPECT_EQ(line.action.name, c.name);
    } else if (c.kind == K::Error) {
      EXPECT_NE(line.error.find(c.error), std::string::npos) << line.error;
    }
  }
}

TEST(LauncherScript, HostCommandsCarryModeSchemeAndValues) {
  struct Case {
    std::string text;
    TScriptVerb verb;
    int number, mode;
    bool hasScheme, scheme;
    std::vector<std::string> values;
  };
  const std::vector<Case> cases = {
      {"execute 0", TScriptVerb::Execute, 0, 0, false, false, {}},
      {"execute 2 yes", TScriptVerb::Execute, 2, 0, true, true, {}},
      {"execute 1 0 J1 \"a b\"", TScriptVerb::Execute, 1, 0, true, false, {"J1", "a b"}},
      {"execute -1 TRUE x", TScriptVerb::Execute, -1, 0, true, true, {"x"}},
      {"message 9 1 false v", TScriptVerb::Message, 9, 1, true, false, {"v"}},
      {"message 5 0", TScriptVerb::Message, 5, 0, false, false, {}},
      {"wait 250", TScriptVerb::Wait, 250, 0, false, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const TScriptLine line = ParseScriptLine(c.text, 1);
    ASSERT_EQ(line.kind, K::Action) << line.error;
    EXPECT_EQ(line.action.verb, c.verb);
    EXPECT_EQ(line.action.number, c.number);
    EXPECT_EQ(line.action.mode, c.mode);
    EXPECT_EQ(line.action.hasScheme, c.hasScheme);
    EXPECT_EQ(line.action.scheme, c.scheme);
    EXPECT_EQ(line.action.values, c.values);
  }

  // [mode] alone, or [mode, [flag, [values]]] with the flag a boolean.
  const vcl::Variant bare = HostCommand(3, false, false, {});
  ASSERT_TRUE(bare.IsArray());
  EXPECT_EQ(vcl::VarArrayHighBound(bare, 1), 0);
  EXPECT_EQ(bare[0].AsInteger(), 3);
  const vcl::Variant full = HostCommand(1, true, true, {"J1", "K2"});
  ASSERT_EQ(vcl::VarArrayHighBound(full, 1), 1);
  EXPECT_EQ(full[0].AsInteger(), 1);
  EXPECT_EQ(vcl::VarType(full[1][0]), vcl::varBoolean);
  EXPECT_TRUE(full[1][0].AsBoolean());
  ASSERT_EQ(vcl::VarArrayHighBound(full[1][1], 1), 1);
  EXPECT_EQ(full[1][1][0].AsString(), "J1");
  EXPECT_EQ(full[1][1][1].AsString(), "K2");
}

TEST(LauncherScript, KeyNames) {
  struct Case {
    std::string name;
    bool known;
    TKeyStroke stroke = {};
  };
  const std::vector<Case> cases = {
      {"Enter", true, {vcl::VK_RETURN, 0}},
      {"esc", true, {vcl::VK_ESCAPE, 0}},
      {"Tab", true, {vcl::VK_TAB, 0}},
      {"F1", true, {vcl::VK_F1, 0}},
      {"F2", true, {vcl::VK_F2, 0}},
      {"f12", true, {vcl::VK_F12, 0}},
      {"Ctrl+Tab", true, {vcl::VK_TAB, vcl::ssCtrl}},
      {"Ctrl+Shift+Tab", true, {vcl::VK_TAB, vcl::ssCtrl | vcl::ssShift}},
      {"Ctrl+PgDn", true, {vcl::VK_NEXT, vcl::ssCtrl}},
      {"ctrl+pgup", true, {vcl::VK_PRIOR, vcl::ssCtrl}},
      {"Ctrl+Alt+V", true, {'V', vcl::ssCtrl | vcl::ssAlt}},
      {"a", true, {'A', 0}},
      {"7", true, {'7', 0}},
      {"Shift+Down", true, {vcl::VK_DOWN, vcl::ssShift}},
      {"F0", false},
      {"F13", false},
      {"F", true, {'F', 0}},
      {"F+1", false},
      {"Ctrl+", false},
      {"+", false},
      {"Hyper+A", false},
      {"Ctrl+Foo", false},
      {"ab", false},
      {"", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TKeyStroke stroke{0xFFFF, 0xFF};
    EXPECT_EQ(ParseKeyName(c.name, stroke), c.known);
    if (c.known) {
      EXPECT_EQ(stroke, c.stroke);
    }
  }
}

}  // namespace
}  // namespace suite
