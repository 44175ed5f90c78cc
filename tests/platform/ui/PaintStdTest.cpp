// The standard controls painted on a form and read back pixel by pixel: marks, highlights,
// carets, bevels, frames and grey disabled text where each control's state asks for them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/rtl/CodePages.h"
#include "platform/ui/Render.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/GraphUtil.h"
#include "platform/vcl/Mask.h"
#include "platform/vcl/Spin.h"
#include "platform/vcl/StdCtrls.h"

namespace vcl {
namespace {

using Rgb = std::uint32_t;  // 0x00RRGGBB, as the rendered bitmap holds it

Rgb RgbOf(TColor color) {
  return ToRgb(color);
}

// Text and marks in the window text colour (black); anti-aliased edges count once dark enough.
bool Dark(Rgb p) {
  return ((p >> 16) & 0xFF) < 0x50 && ((p >> 8) & 0xFF) < 0x50 && (p & 0xFF) < 0x50;
}

// Grey text (anti-aliased edges left out): equal channels around the grey text colour.
bool Grey(Rgb p) {
  const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
  return std::max({r, g, b}) - std::min({r, g, b}) < 0x10 && r >= 0x60 && r <= 0xA8;
}

// The highlight colours of embossed and selected text.
bool White(Rgb p) {
  return ((p >> 16) & 0xFF) >= 0xE0 && ((p >> 8) & 0xFF) >= 0xE0 && (p & 0xFF) >= 0xE0;
}

std::string ArtefactPath(const std::string& name) {
  const char* dir = std::getenv("STEWARD_ARTEFACTS");
  return dir && *dir ? std::string(dir) + "/" + name : name;
}

// A borderless form (its client area is the whole picture) in a colour no control uses.
class PaintStdForm : public ::testing::Test {
 public:
  PaintStdForm() {
    form.SetBorderStyle(TFormBorderStyle::bsNone);
    form.SetBounds(0, 0, 320, 240);
    form.SetColor(clAqua);
  }
  ~PaintStdForm() override { form.Hide(); }

  template <typename T>
  T* Make(int x, int y, int w, int h, TWinControl* parent = nullptr) {
    auto* control = new T(&form);
    control->SetParent(parent ? parent : &form);
    control->SetBounds(x, y, w, h);
    return control;
  }

  void Render() { RenderForm(form, shot); }
  // A pixel of control `c` (its own coordinates) in the last rendering.
  Rgb At(const TControl* c, int x, int y) const {
    const TPoint p = c->ClientToParentForm({x, y});
    return shot.Pixel(p.X, p.Y) & 0xFFFFFFu;
  }
  // Pixels of `r` (in the control's coordinates) for which `pred` holds.
  int Count(const TControl* c, const TRect& r, const std::function<bool(Rgb)>& pred) const {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) n += pred(At(c, x, y)) ? 1 : 0;
    return n;
  }
  int Count(const TControl* c, const TRect& r, TColor color) const {
    return Count(c, r, [color](Rgb p) { return p == RgbOf(color); });
  }
  // The smallest rectangle holding the dark pixels of `r`; empty when there are none.
  TRect DarkBounds(const TControl* c, const TRect& r) const {
    TRect b{r.Right, r.Bottom, r.Left, r.Top};
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        if (Dark(At(c, x, y)))
          b = {std::min(b.Left, x), std::min(b.Top, y), std::max(b.Right, x + 1),
               std::max(b.Bottom, y + 1)};
    return b.Right > b.Left ? b : TRect{};
  }
  static void Press(TControl* c) { c->Perform(WM_LBUTTONDOWN, 0, MakeMousePos(4, 4)); }
  static int LineHeight(TControl* c) { return c->Canvas()->TextHeight("Wg"); }

  TForm form{nullptr};
  TBitmap shot;
};

// ---------------------------------------------------------------------------------------
// Buttons

using PaintStdButton = PaintStdForm;

TEST_F(PaintStdButton, EdgesShowPressedAndDefaultStates) {
  struct Case {
    const char* name;
    bool isDefault;
    bool pressed;
    TColor corner;      // pixel (0, 0)
    TColor inside;      // pixel (1, 1)
    TColor lowerRight;  // the last pixel
  };
  const std::vector<Case> cases = {
      {"raised", false, false, clBtnHighlight, cl3DLight, cl3DDkShadow},
      {"pressed", false, true, clBtnShadow, clBtnFace, clBtnShadow},
      {"default", true, false, cl3DDkShadow, clBtnHighlight, cl3DDkShadow},
      {"default pressed", true, true, cl3DDkShadow, clBtnShadow, cl3DDkShadow},
  };
  std::vector<TButton*> buttons;
  for (size_t i = 0; i < cases.size(); ++i) {
    auto* b = Make<TButton>(10, 10 + 30 * static_cast<int>(i), 75, 25);
    b->SetCaption("OK");
    b->SetDefault(cases[i].isDefault);
    if (cases[i].pressed) Press(b);
    buttons.push_back(b);
  }
  Render();
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    const TButton* b = buttons[i];
    EXPECT_EQ(At(b, 0, 0), RgbOf(cases[i].corner));
    EXPECT_EQ(At(b, 1, 1), RgbOf(cases[i].inside));
    EXPECT_EQ(At(b, 74, 24), RgbOf(cases[i].lowerRight));
  }
  // The caption moves one pixel down and right while the button is held.
  const TRect up = DarkBounds(buttons[0], {3, 3, 72, 22});
  const TRect down = DarkBounds(buttons[1], {3, 3, 72, 22});
  ASSERT_GT(up.Width(), 0);
  EXPECT_EQ(down.Left, up.Left + 1);
  EXPECT_EQ(down.Top, up.Top + 1);
}

TEST_F(PaintStdButton, ReleasingOutsideTheButtonLooksUp) {
  auto* b = Make<TButton>(10, 10, 75, 25);
  Press(b);
  b->Perform(WM_MOUSEMOVE, 0, MakeMousePos(200, 4));
  Render();
  EXPECT_EQ(At(b, 0, 0), RgbOf(clBtnHighlight)) << "dragged off: the button comes up";
  b->Perform(WM_MOUSEMOVE, 0, MakeMousePos(5, 5));
  Render();
  EXPECT_EQ(At(b, 0, 0), RgbOf(clBtnShadow)) << "back on it: pressed again";
}

// The dotted focus rectangle inverts the button face: a row with many inverted pixels.
TEST_F(PaintStdButton, FocusRectangleOnlyOnTheFocusedControl) {
  const Rgb inverted = ~RgbOf(clBtnFace) & 0xFFFFFFu;
  auto dottedRow = [&](const TControl* c) {
    int longest = 0;
    for (int y = 0; y < c->Height(); ++y)
      longest = std::max(longest,
                         Count(c, {0, y, c->Width(), y + 1}, [&](Rgb p) { return p == inverted; }));
    return longest;
  };
  auto* button = Make<TButton>(10, 10, 75, 25);
  button->SetCaption("Go");
  auto* check = Make<TCheckBox>(10, 50, 120, 17);
  check->SetCaption("Option");
  form.Show();
  for (TWinControl* focused : std::vector<TWinControl*>{button, check}) {
    focused->SetFocus();
    Render();
    for (TWinControl* c : std::vector<TWinControl*>{button, check}) {
      if (c == focused)
        EXPECT_GE(dottedRow(c), 10) << c->ClassName();
      else
        EXPECT_LT(dottedRow(c), 4) << c->ClassName();
    }
  }
}

// A glyph strip of `count` 16 x 16 images on olive, image i with a square of colours[i].
void GlyphStrip(int count, TBitmap& strip) {
  static const TColor colours[] = {clRed, clBlue, clLime, clFuchsia};
  strip.SetSize(16 * count, 16);
  strip.Canvas()->Brush()->SetColor(clOlive);
  strip.Canvas()->FillRect({0, 0, 16 * count, 16});
  for (int i = 0; i < count; ++i) {
    strip.Canvas()->Brush()->SetColor(colours[i]);
    strip.Canvas()->FillRect({16 * i + 4, 4, 16 * i + 12, 12});
  }
}

TEST_F(PaintStdButton, SpeedButtonShowsTheImageOfItsState) {
  struct Case {
    const char* name;
    int images;
    std::function<void(TSpeedButton*)> setUp;
    TColor shown;   // colour of the image expected
    bool embossed;  // the up image drawn in grey instead
  };
  const std::vector<Case> cases = {
      {"up", 1, [](TSpeedButton*) {}, clRed, false},
      {"disabled without an image for it", 1, [](TSpeedButton* b) { b->SetEnabled(false); },
       clBtnShadow, true},
      {"disabled image", 2, [](TSpeedButton* b) { b->SetEnabled(false); }, clBlue, false},
      {"clicked image", 3, [](TSpeedButton* b) { Press(b); }, clLime, false},
      {"down image", 4,
       [](TSpeedButton* b) {
         b->SetGroupIndex(1);
         b->SetDown(true);
       },
       clFuchsia, false},
      {"down without an image for it", 1,
       [](TSpeedButton* b) {
         b->SetGroupIndex(2);
         b->SetDown(true);
       },
       clRed, false},
  };
  std::vector<TSpeedButton*> buttons;
  for (size_t i = 0; i < cases.size(); ++i) {
    auto* b = Make<TSpeedButton>(10 + 30 * static_cast<int>(i), 10, 25, 25);
    TBitmap strip;
    GlyphStrip(cases[i].images, strip);
    b->SetGlyph(&strip);
    cases[i].setUp(b);
    buttons.push_back(b);
  }
  Render();
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    const TRect inner{2, 2, 23, 23};
    EXPECT_GT(Count(buttons[i], inner, cases[i].shown), 20);
    for (TColor other : {clRed, clBlue, clLime, clFuchsia}) {
      if (other == cases[i].shown) continue;
      EXPECT_EQ(Count(buttons[i], inner, other), 0);
    }
    EXPECT_EQ(Count(buttons[i], inner, clOlive), 0) << "the strip's background is transparent";
    if (cases[i].embossed) {
      EXPECT_GT(Count(buttons[i], inner, clBtnHighlight), 10);
    }
  }
}

TEST_F(PaintStdButton, FlatTransparentSpeedButtonShowsItsParent) {
  auto* flat = Make<TSpeedButton>(10, 10, 25, 25);
  flat->SetFlat(true);
  TBitmap strip;
  GlyphStrip(1, strip);
  flat->SetGlyph(&strip);
  auto* down = Make<TSpeedButton>(40, 10, 25, 25);
  down->SetFlat(true);
  down->SetGroupIndex(1);
  down->SetDown(true);
  Render();
  EXPECT_EQ(At(flat, 1, 1), RgbOf(clAqua));
  EXPECT_GT(Count(flat, {0, 0, 25, 25}, clRed), 20);
  EXPECT_EQ(At(down, 0, 0), RgbOf(clBtnShadow)) << "a flat button that is down is sunken";
  EXPECT_EQ(At(down, 24, 24), RgbOf(clBtnHighlight));
}

TEST_F(PaintStdButton, BitButtonKindsShowTheirPictures) {
  struct Case {
    TBitBtnKind kind;
    bool enabled;
    TColor colour;
    bool present;
  };
  const std::vector<Case> cases = {
      {TBitBtnKind::bkOK, true, clGreen, true},
      {TBitBtnKind::bkCancel, true, clRed, true},
      {TBitBtnKind::bkHelp, true, clNavy, true},
      {TBitBtnKind::bkOK, false, clGreen, false},
  };
  std::vector<TBitBtn*> buttons;
  for (size_t i = 0; i < cases.size(); ++i) {
    auto* b = Make<TBitBtn>(10, 10 + 30 * static_cast<int>(i), 90, 26);
    b->SetKind(cases[i].kind);
    b->SetEnabled(cases[i].enabled);
    buttons.push_back(b);
  }
  Render();
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(buttons[i]->Caption());
    const int n = Count(buttons[i], {3, 3, 87, 23}, cases[i].colour);
    if (cases[i].present)
      EXPECT_GT(n, 10);
    else
      EXPECT_EQ(n, 0);
  }
  // The glyph sits left of the caption.
  const TRect text = DarkBounds(buttons[1], {3, 3, 87, 23});
  EXPECT_GT(text.Left, 30);
}

// ---------------------------------------------------------------------------------------
// Check boxes and radio buttons

using PaintStdCheck = PaintStdForm;

TEST_F(PaintStdCheck, MarksFollowTheState) {
  struct Case {
    const char* name;
    TCheckBoxState state;
    TAlignment alignment;
    int boxLeft;    // where the 13-pixel box is
    bool tick;      // dark tick pixels inside the box
    TColor inside;  // the box's background
  };
  const std::vector<Case> cases = {
      {"unchecked", TCheckBoxState::cbUnchecked, TAlignment::taRightJustify, 0, false, clWindow},
      {"checked", TCheckBoxState::cbChecked, TAlignment::taRightJustify, 0, true, clWindow},
      {"grayed", TCheckBoxState::cbGrayed, TAlignment::taRightJustify, 0, false, clBtnFace},
      {"checked, box at the right", TCheckBoxState::cbChecked, TAlignment::taLeftJustify, 107, true,
       clWindow},
  };
  std::vector<TCheckBox*> boxes;
  for (size_t i = 0; i < cases.size(); ++i) {
    auto* box = Make<TCheckBox>(10, 10 + 20 * static_cast<int>(i), 120, 17);
    box->SetAllowGrayed(true);
    box->SetState(cases[i].state);
    box->SetAlignment(cases[i].alignment);
    boxes.push_back(box);
  }
  Render();
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    const int l = cases[i].boxLeft;
    const TRect interior{l + 2, 4, l + 11, 13};
    const int dark = Count(boxes[i], interior, Dark);
    if (cases[i].tick)
      EXPECT_GT(dark, 10);
    else
      EXPECT_EQ(dark, 0);
    EXPECT_EQ(At(boxes[i], l + 2, 4), RgbOf(cases[i].inside));
  }
  EXPECT_GT(Count(boxes[2], {2, 4, 11, 13}, clBtnShadow), 10) << "a grayed box has a grey tick";
}

TEST_F(PaintStdCheck, RadioDotOnlyWhenChecked) {
  auto* on = Make<TRadioButton>(10, 10, 100, 17);
  auto* off = Make<TRadioButton>(10, 30, 100, 17);
  on->SetChecked(true);
  Render();
  const TRect dot{4, 6, 8, 10};  // the centre of the 12-pixel mark, two pixels down
  EXPECT_EQ(Count(on, dot, Dark), 12) << "a round dot: four by four without its corners";
  EXPECT_EQ(Count(off, dot, Dark), 0);
  EXPECT_EQ(At(off, 5, 7), RgbOf(clWindow));
}

// ---------------------------------------------------------------------------------------
// Disabled captions

using PaintStdDisabled = PaintStdForm;

TEST_F(PaintStdDisabled, CaptionsTurnGreyWithoutBlack) {
  struct Case {
    const char* name;
    std::function<TControl*(PaintStdForm*, int y)> make;
    TRect caption;  // where the caption lies, in the control
  };
  const std::vector<Case> cases = {
      {"label",
       [](PaintStdForm* f, int y) {
         auto* l = f->Make<TLabel>(10, y, 100, 20);
         l->SetAutoSize(false);
         return l;
       },
       {0, 0, 100, 20}},
      {"check box",
       [](PaintStdForm* f, int y) { return f->Make<TCheckBox>(10, y, 120, 17); },
       {17, 0, 120, 17}},
      {"radio button",
       [](PaintStdForm* f, int y) { return f->Make<TRadioButton>(10, y, 120, 17); },
       {17, 0, 120, 17}},
      {"button",
       [](PaintStdForm* f, int y) { return f->Make<TButton>(10, y, 100, 25); },
       {3, 3, 97, 22}},
      {"group box",
       [](PaintStdForm* f, int y) { return f->Make<TGroupBox>(10, y, 100, 30); },
       {8, 0, 36, 12}},  // the caption's start, where no frame line runs
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TControl* enabled = c.make(this, 10);
    TControl* disabled = c.make(this, 60);
    enabled->SetCaption("Caption");
    disabled->SetCaption("Caption");
    disabled->SetEnabled(false);
    Render();
    EXPECT_GT(Count(enabled, c.caption, Dark), 10);
    EXPECT_EQ(Count(enabled, c.caption, White), 0);
    EXPECT_EQ(Count(disabled, c.caption, Dark), 0);
    EXPECT_GT(Count(disabled, c.caption, Grey), 10);
    EXPECT_GT(Count(disabled, c.caption, White), 5) << "the embossed highlight";
    delete enabled;
    delete disabled;
  }
}

// ---------------------------------------------------------------------------------------
// Labels

using PaintStdLabel = PaintStdForm;

TEST_F(PaintStdLabel, AlignmentLayoutAndTransparency) {
  struct Case {
    const char* name;
    TAlignment alignment;
    TTextLayout layout;
    bool transparent;
    std::function<bool(const TRect& text)> placed;
  };
  const std::vector<Case> cases = {
      {"left, top", TAlignment::taLeftJustify, TTextLayout::tlTop, false,
       [](const TRect& t) { return t.Left < 3 && t.Top < 6; }},
      {"right", TAlignment::taRightJustify, TTextLayout::tlTop, false,
       [](const TRect& t) { return t.Right > 146 && t.Left > 100; }},
      {"centre, centre", TAlignment::taCenter, TTextLayout::tlCenter, false,
       [](const TRect& t) { return t.Left > 50 && t.Right < 100 && t.Top > 10 && t.Bottom < 30; }},
      {"bottom, transparent", TAlignment::taLeftJustify, TTextLayout::tlBottom, true,
       [](const TRect& t) { return t.Top > 25; }},
  };
  std::vector<TLabel*> labels;
  for (size_t i = 0; i < cases.size(); ++i) {
    auto* label = Make<TLabel>(10, 10 + 45 * static_cast<int>(i), 150, 40);
    label->SetAutoSize(false);
    label->SetColor(clYellow);
    label->SetCaption("Text");
    label->SetAlignment(cases[i].alignment);
    label->SetLayout(cases[i].layout);
    label->SetTransparent(cases[i].transparent);
    labels.push_back(label);
  }
  Render();
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    const TRect text = DarkBounds(labels[i], {0, 0, 150, 40});
    ASSERT_GT(text.Width(), 0);
    EXPECT_TRUE(cases[i].placed(text))
        << text.Left << "," << text.Top << " - " << text.Right << "," << text.Bottom;
    EXPECT_EQ(At(labels[i], 149, 0), RgbOf(cases[i].transparent ? clAqua : clYellow));
  }
}

TEST_F(PaintStdLabel, AcceleratorUnderlinedAndWordsWrapped) {
  auto* accel = Make<TLabel>(10, 10, 100, 20);
  accel->SetAutoSize(false);
  accel->SetCaption("&Name");
  auto* plain = Make<TLabel>(10, 40, 100, 20);
  plain->SetAutoSize(false);
  plain->SetCaption("Name");
  auto* wrapped = Make<TLabel>(10, 70, 60, 60);
  wrapped->SetAutoSize(false);
  wrapped->SetWordWrap(true);
  wrapped->SetCaption("several words wrap here");
  Render();
  const TRect a = DarkBounds(accel, {0, 0, 100, 20}), p = DarkBounds(plain, {0, 0, 100, 20});
  EXPECT_GT(a.Bottom, p.Bottom) << "the underline of N lies below the letters";
  EXPECT_EQ(a.Right, p.Right) << "the ampersand itself is not drawn";
  EXPECT_GT(DarkBounds(wrapped, {0, 0, 60, 60}).Height(), 2 * LineHeight(wrapped) - 4);
}

// ---------------------------------------------------------------------------------------
// Edits and memos

using PaintStdEdit = PaintStdForm;

TEST_F(PaintStdEdit, SelectionAndCaretFollowTheFocus) {
  struct Case {
    const char* name;
    bool focused;
    bool hideSelection;
    bool highlight;
    bool caret;
  };
  const std::vector<Case> cases = {
      {"focused", true, true, true, true},
      {"unfocused", false, true, false, false},
      {"unfocused, selection kept", false, false, true, false},
  };
  auto* other = Make<TEdit>(200, 10, 100, 21);
  form.Show();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* edit = Make<TEdit>(10, 10, 120, 21);
    edit->SetText("hello world");
    edit->SetHideSelection(c.hideSelection);
    (c.focused ? static_cast<TWinControl*>(edit) : other)->SetFocus();
    edit->SetSelStart(0);
    edit->SetSelLength(5);
    Render();
    const int selected = edit->Canvas()->TextWidth("hello");
    const int lineHeight = LineHeight(edit);
    // Text starts one pixel inside the two-pixel border.
    const TRect word{3, 3, 3 + selected, 3 + lineHeight};
    const int navy = Count(edit, word, clHighlight);
    if (c.highlight)
      EXPECT_GT(navy, word.Width() * word.Height() / 2);
    else
      EXPECT_EQ(navy, 0);
    EXPECT_EQ(Count(edit, {3 + selected + 1, 3, 117, 3 + lineHeight}, clHighlight), 0);
    const int caretColumn = Count(edit, {3 + selected, 3, 4 + selected, 3 + lineHeight}, Dark);
    if (c.caret)
      EXPECT_EQ(caretColumn, lineHeight);
    else
      EXPECT_LT(caretColumn, lineHeight);
    delete edit;
  }
}

TEST_F(PaintStdEdit, LongTextScrollsToKeepTheCaretInView) {
  auto* edit = Make<TEdit>(10, 10, 80, 21);
  edit->SetText("0123456789012345678901234567890123456789");
  form.Show();
  edit->SetFocus();
  edit->SetSelStart(40);
  Render();
  const int lineHeight = LineHeight(edit);
  int caretAt = -1;
  for (int x = 3; x < 78; ++x)
    if (Count(edit, {x, 3, x + 1, 3 + lineHeight}, Dark) == lineHeight) caretAt = x;
  EXPECT_GE(caretAt, 70) << "the caret at the end of the text is at the right edge";
  EXPECT_EQ(At(edit, 1, 1), RgbOf(cl3DDkShadow)) << "the border stays in place";
}

TEST_F(PaintStdEdit, PasswordShowsItsCharacterAndBorderStyleNoneDropsTheBorder) {
  auto* password = Make<TEdit>(10, 10, 100, 21);
  password->SetPasswordChar('*');
  password->SetText("secret");
  auto* stars = Make<TEdit>(10, 40, 100, 21);
  stars->SetText("******");
  auto* bare = Make<TEdit>(10, 70, 100, 21);
  bare->SetBorderStyle(TBorderStyle::bsNone);
  Render();
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 100; ++x) ASSERT_EQ(At(password, x, y), At(stars, x, y)) << x << "," << y;
  EXPECT_GT(Count(password, {0, 0, 100, 21}, Dark), 10);
  EXPECT_EQ(At(stars, 0, 0), RgbOf(clBtnShadow));
  EXPECT_EQ(At(bare, 0, 0), RgbOf(clWindow));
}

TEST_F(PaintStdEdit, DisabledEditTextIsGrey) {
  auto* edit = Make<TEdit>(10, 10, 100, 21);
  edit->SetText("disabled");
  edit->SetEnabled(false);
  Render();
  EXPECT_EQ(Count(edit, {2, 2, 98, 19}, Dark), 0);
  EXPECT_GT(Count(edit, {2, 2, 98, 19}, Grey), 10);
}

TEST_F(PaintStdEdit, SpinEditHasItsButtonPairAtTheRight) {
  auto* spin = Make<TSpinEdit>(10, 10, 80, 22);
  auto* edit = Make<TEdit>(10, 40, 80, 22);
  Render();
  const TRect buttons{63, 2, 78, 20};
  EXPECT_GT(Count(spin, buttons, clBtnFace), 100);
  EXPECT_GE(Count(spin, {63, 2, 78, 11}, Dark), 3) << "the up arrow";
  EXPECT_GE(Count(spin, {63, 11, 78, 20}, Dark), 3) << "the down arrow";
  EXPECT_EQ(Count(edit, buttons, clBtnFace), 0);
  EXPECT_GT(Count(spin, {3, 3, 60, 19}, Dark), 5) << "the value 0";
}

TEST_F(PaintStdEdit, MemoScrollBarOnlyWhenLinesOverflow) {
  struct Case {
    const char* name;
    int lines;
    TScrollStyle scrollBars;
    bool bar;
  };
  const std::vector<Case> cases = {
      {"few lines", 2, TScrollStyle::ssVertical, false},
      {"overflowing lines", 20, TScrollStyle::ssVertical, true},
      {"overflowing, no scroll bars asked", 20, TScrollStyle::ssNone, false},
      {"overflowing, both asked", 20, TScrollStyle::ssBoth, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* memo = Make<TMemo>(10, 10, 120, 70);
    memo->SetScrollBars(c.scrollBars);
    for (int i = 0; i < c.lines; ++i) memo->Lines()->Add("line " + std::to_string(i));
    Render();
    const TRect strip{120 - 2 - kScrollBarSize, 2, 118, 50};
    const int face = Count(memo, strip, clBtnFace);
    if (c.bar)
      EXPECT_GT(face, 100);
    else
      EXPECT_EQ(face, 0);
    delete memo;
  }
}

TEST_F(PaintStdEdit, MemoWrapsWordsAndKeepsTheCaretLineInView) {
  const AnsiString text = "alpha beta gamma delta epsilon zeta eta theta";
  auto* wrapping = Make<TMemo>(10, 10, 120, 70);
  wrapping->SetText(text);
  auto* straight = Make<TMemo>(150, 10, 120, 70);
  straight->SetWordWrap(false);
  straight->SetText(text);
  auto* tall = Make<TMemo>(10, 100, 120, 50);
  tall->SetScrollBars(TScrollStyle::ssVertical);
  for (int i = 0; i < 20; ++i) tall->Lines()->Add("row");
  tall->Lines()->Add("last");
  form.Show();
  tall->SetFocus();
  tall->SetCaretPos({2, 20});
  Render();
  const int lh = LineHeight(wrapping);
  const TRect secondLine{3, 1 + lh + 2, 115, 1 + 2 * lh};
  EXPECT_GT(Count(wrapping, secondLine, Dark), 10);
  EXPECT_EQ(Count(straight, secondLine, Dark), 0);
  // The caret's line is the last shown: the thumb sits at the bottom of the scroll bar.
  const TRect bar{120 - 2 - kScrollBarSize, 2, 118, 48};
  const TRect thumbArea{bar.Left + 2, bar.Top + kScrollBarSize, bar.Right - 2,
                        bar.Bottom - kScrollBarSize};
  const TRect upperHalf{thumbArea.Left, thumbArea.Top, thumbArea.Right, thumbArea.Top + 3};
  EXPECT_EQ(Count(tall, upperHalf, clBtnHighlight), 0) << "no thumb at the top";
  int caretRows = 0;
  for (int x = 3; x < 100; ++x)
    caretRows = std::max(caretRows, Count(tall, {x, 2, x + 1, 48}, Dark));
  EXPECT_GE(caretRows, LineHeight(tall)) << "the caret is shown";
}

// ---------------------------------------------------------------------------------------
// Combo boxes

using PaintStdCombo = PaintStdForm;

TEST_F(PaintStdCombo, DroppedDownListPaintsBelowItself) {
  auto* combo = Make<TComboBox>(10, 10, 120, 21);
  for (const char* s : {"One", "Two", "Three"}) combo->Items()->Add(s);
  combo->SetItemIndex(1);
  const int lh = LineHeight(combo);
  const TRect below{0, 21, 120, 21 + 3 * lh + 2};
  Render();
  EXPECT_EQ(Count(combo, below, clAqua), below.Width() * below.Height()) << "closed: nothing below";
  EXPECT_GT(Count(combo, {100, 2, 118, 19}, clBtnFace), 50) << "the drop button";
  combo->SetDroppedDown(true);
  Render();
  EXPECT_EQ(At(combo, 0, 21), RgbOf(clWindowFrame));
  EXPECT_EQ(At(combo, 119, 21 + 3 * lh + 1), RgbOf(clWindowFrame));
  const TRect secondRow{1, 22 + lh, 119, 22 + 2 * lh};
  EXPECT_GT(Count(combo, secondRow, clHighlight), secondRow.Width() * secondRow.Height() / 2);
  EXPECT_EQ(Count(combo, {1, 22, 119, 22 + lh}, clHighlight), 0);
  EXPECT_EQ(Count(combo, {119 - kScrollBarSize, 22, 119, 21 + 3 * lh + 1}, clBtnFace), 0)
      << "no scroll bar";
  EXPECT_EQ(At(combo, 0, 21 + 3 * lh + 3), RgbOf(clAqua)) << "three rows only";
}

TEST_F(PaintStdCombo, LongListsScrollAndOpenUpwardsWithoutRoomBelow) {
  auto* combo = Make<TComboBox>(10, 200, 120, 21);
  for (int i = 0; i < 20; ++i) combo->Items()->Add("Item " + std::to_string(i));
  combo->SetItemIndex(15);
  combo->SetDropDownCount(8);
  combo->SetDroppedDown(true);
  Render();
  const int height = 8 * LineHeight(combo) + 2;
  EXPECT_EQ(At(combo, 0, -height), RgbOf(clWindowFrame)) << "the list opens above";
  EXPECT_EQ(At(combo, 0, -height - 1), RgbOf(clAqua));
  const TRect bar{120 - 1 - kScrollBarSize, -height + 1, 119, -1};
  EXPECT_GT(Count(combo, bar, clBtnFace), 100);
  const TRect lastRow{1, -1 - LineHeight(combo), 100, -1};
  EXPECT_GT(Count(combo, lastRow, clHighlight), lastRow.Width() * lastRow.Height() / 2)
      << "the selected item is the last row shown";
}

TEST_F(PaintStdCombo, ListStylesShowTheItemAndOwnerDrawRunsTheEvent) {
  auto* list = Make<TComboBox>(10, 10, 120, 21);
  list->SetStyle(TComboBoxStyle::csDropDownList);
  list->Items()->Add("Chosen");
  list->SetItemIndex(0);
  auto* drawn = Make<TComboBox>(10, 40, 120, 21);
  drawn->SetStyle(TComboBoxStyle::csOwnerDrawFixed);
  drawn->Items()->Add("x");
  drawn->SetItemIndex(0);
  std::vector<TOwnerDrawState> states;
  drawn->OnDrawItem =
      TDrawItemEvent::Lambda([&](TWinControl* c, int, const TRect& r, TOwnerDrawState state) {
        states.push_back(state);
        TCanvas* canvas = static_cast<TComboBox*>(c)->Canvas();
        canvas->Brush()->SetColor(clRed);
        canvas->FillRect(r);
      });
  form.Show();
  list->SetFocus();
  Render();
  EXPECT_GT(Count(list, {3, 3, 100, 18}, clHighlight), 100) << "focused: the item on the highlight";
  EXPECT_GT(Count(list, {3, 3, 100, 18}, White), 5) << "the item's text";
  EXPECT_GT(Count(drawn, {3, 3, 100, 18}, clRed), 100);
  ASSERT_FALSE(states.empty());
  EXPECT_TRUE(states.back() & odComboBoxEdit);
}

// ---------------------------------------------------------------------------------------
// List boxes

using PaintStdList = PaintStdForm;

TEST_F(PaintStdList, SelectedRowsAreNavyAndOverflowScrolls) {
  struct Case {
    const char* name;
    int items;
    std::function<void(TListBox*)> setUp;
    std::vector<int> navyRows;  // rows shown from the top
    bool bar;
  };
  const std::vector<Case> cases = {
      {"single selection", 3, [](TListBox* l) { l->SetItemIndex(2); }, {2}, false},
      {"multiple selection",
       4,
       [](TListBox* l) {
         l->SetMultiSelect(true);
         l->SetSelected(1, true);
         l->SetSelected(3, true);
       },
       {1, 3},
       false},
      {"scrolled",
       20,
       [](TListBox* l) {
         l->SetItemIndex(6);
         l->SetTopIndex(5);
       },
       {1},
       true},
      {"nothing selected", 20, [](TListBox*) {}, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* list = Make<TListBox>(10, 10, 100, 80);
    for (int i = 0; i < c.items; ++i) list->Items()->Add("Item " + std::to_string(i));
    c.setUp(list);
    Render();
    for (int row = 0; row < 5; ++row) {
      const TRect band{4, 2 + 13 * row + 1, 60, 2 + 13 * row + 12};
      const bool navy = std::count(c.navyRows.begin(), c.navyRows.end(), row) > 0;
      const int n = Count(list, band, clHighlight);
      if (navy)
        EXPECT_GT(n, band.Width() * band.Height() / 2) << "row " << row;
      else
        EXPECT_EQ(n, 0) << "row " << row;
    }
    const int face = Count(list, {100 - 2 - kScrollBarSize, 2, 98, 78}, clBtnFace);
    if (c.bar)
      EXPECT_GT(face, 100);
    else
      EXPECT_EQ(face, 0);
    delete list;
  }
}

TEST_F(PaintStdList, ClicksHitTheRowDrawnUnderTheMouse) {
  auto* list = Make<TListBox>(10, 10, 100, 80);
  for (int i = 0; i < 5; ++i) list->Items()->Add("Item " + std::to_string(i));
  form.Show();
  // The first pixel row of item 1 as drawn: the border, then 13 pixels of item 0.
  list->Perform(WM_LBUTTONDOWN, 0, MakeMousePos(20, 2 + 13));
  list->Perform(WM_LBUTTONUP, 0, MakeMousePos(20, 2 + 13));
  EXPECT_EQ(list->ItemIndex(), 1);
  Render();
  EXPECT_EQ(At(list, 20, 2 + 13), RgbOf(clHighlight));
  EXPECT_NE(At(list, 20, 2 + 12), RgbOf(clHighlight));
}

// ---------------------------------------------------------------------------------------
// Group boxes, radio groups and panels

using PaintStdFrame = PaintStdForm;

TEST_F(PaintStdFrame, GroupCaptionSitsOverTheFrame) {
  auto* group = Make<TGroupBox>(10, 10, 150, 60);
  auto* radios = Make<TRadioGroup>(10, 80, 150, 60);
  for (TCustomControl* c : std::vector<TCustomControl*>{group, radios}) {
    SCOPED_TRACE(c->ClassName());
    c->SetCaption("Group");
    Render();
    const int lh = LineHeight(c);
    const int line = lh / 2;  // the frame's top: shadow over highlight
    const int textWidth = c->Canvas()->TextWidth("Group");
    EXPECT_EQ(At(c, 3, line), RgbOf(clBtnShadow));
    EXPECT_EQ(At(c, 3, line + 1), RgbOf(clBtnHighlight));
    EXPECT_EQ(At(c, 120, line), RgbOf(clBtnShadow));
    EXPECT_EQ(At(c, 7, line), RgbOf(clBtnFace)) << "a gap before the caption";
    EXPECT_EQ(At(c, 8 + textWidth + 1, line), RgbOf(clBtnFace)) << "and after it";
    EXPECT_GT(Count(c, {8, 0, 8 + textWidth, lh}, Dark), 10);
    EXPECT_EQ(Count(c, {8, line, 8 + textWidth, line + 1}, clBtnShadow), 0);
    EXPECT_EQ(At(c, 0, 30), RgbOf(clBtnShadow)) << "the left side: shadow, then highlight";
    EXPECT_EQ(At(c, 1, 30), RgbOf(clBtnHighlight));
    EXPECT_EQ(At(c, 75, 59), RgbOf(clBtnHighlight)) << "the bottom: highlight under shadow";
    EXPECT_EQ(At(c, 75, 58), RgbOf(clBtnShadow));
  }
  radios->Items()->Add("First");
  radios->Items()->Add("Second");
  radios->SetItemIndex(1);
  radios->SetColor(clYellow);
  Render();
  const TRadioButton* second = radios->Buttons(1);
  EXPECT_GT(Count(second, {0, 0, second->Width(), second->Height()}, Dark), 20)
      << "the buttons paint themselves inside the group";
  EXPECT_EQ(At(second, second->Width() - 2, 1), RgbOf(clYellow)) << "on the group's colour";
}

TEST_F(PaintStdFrame, PanelBevels) {
  struct Case {
    const char* name;
    TBevelCut outer, inner;
    int bevelWidth;
    TBorderStyle border;
    std::vector<std::pair<TPoint, TColor>> pixels;
  };
  constexpr int W = 60, H = 30;
  const std::vector<Case> cases = {
      {"raised",
       TBevelCut::bvRaised,
       TBevelCut::bvNone,
       1,
       TBorderStyle::bsNone,
       {{{0, 0}, clBtnHighlight}, {{W - 1, H - 1}, clBtnShadow}, {{1, 1}, clBtnFace}}},
      {"lowered",
       TBevelCut::bvLowered,
       TBevelCut::bvNone,
       1,
       TBorderStyle::bsNone,
       {{{0, 0}, clBtnShadow}, {{W - 1, H - 1}, clBtnHighlight}}},
      {"raised over lowered, two wide",
       TBevelCut::bvRaised,
       TBevelCut::bvLowered,
       2,
       TBorderStyle::bsNone,
       {{{1, 1}, clBtnHighlight},
        {{2, 2}, clBtnShadow},
        {{3, 3}, clBtnShadow},
        {{W - 3, H - 3}, clBtnHighlight},
        {{4, 4}, clBtnFace}}},
      {"single border",
       TBevelCut::bvNone,
       TBevelCut::bvNone,
       1,
       TBorderStyle::bsSingle,
       {{{0, 0}, clWindowFrame}, {{W - 1, H - 1}, clWindowFrame}, {{1, 1}, clBtnFace}}},
  };
  std::vector<TPanel*> panels;
  for (size_t i = 0; i < cases.size(); ++i) {
    auto* p = Make<TPanel>(10, 10 + 40 * static_cast<int>(i), W, H);
    p->SetBevelOuter(cases[i].outer);
    p->SetBevelInner(cases[i].inner);
    p->SetBevelWidth(cases[i].bevelWidth);
    p->SetBorderStyle(cases[i].border);
    p->SetCaption("");
    panels.push_back(p);
  }
  Render();
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    for (const auto& [point, colour] : cases[i].pixels)
      EXPECT_EQ(At(panels[i], point.X, point.Y), RgbOf(colour)) << point.X << "," << point.Y;
  }
}

TEST_F(PaintStdFrame, PanelCaptionFollowsAlignment) {
  const std::vector<std::pair<TAlignment, std::function<bool(const TRect&)>>> cases = {
      {TAlignment::taLeftJustify, [](const TRect& t) { return t.Left < 10; }},
      {TAlignment::taCenter, [](const TRect& t) { return t.Left > 40 && t.Right < 110; }},
      {TAlignment::taRightJustify, [](const TRect& t) { return t.Right > 140; }},
  };
  for (const auto& [alignment, placed] : cases) {
    auto* p = Make<TPanel>(10, 10, 150, 30);
    p->SetCaption("Caption");
    p->SetAlignment(alignment);
    Render();
    const TRect text = DarkBounds(p, {1, 1, 149, 29});
    EXPECT_TRUE(placed(text)) << static_cast<int>(alignment) << ": " << text.Left << "-"
                              << text.Right;
    EXPECT_GT(text.Top, 5) << "vertically centred";
    delete p;
  }
}

// ---------------------------------------------------------------------------------------
// Images, bevels, shapes and splitters

using PaintStdGraphic = PaintStdForm;

TEST_F(PaintStdGraphic, ImageDrawsItsPictureAsAsked) {
  TBitmap picture;
  picture.SetSize(10, 10);
  picture.Canvas()->Brush()->SetColor(clLime);
  picture.Canvas()->FillRect({0, 0, 10, 10});
  picture.Canvas()->Brush()->SetColor(clRed);
  picture.Canvas()->FillRect({3, 3, 7, 7});
  struct Case {
    const char* name;
    bool stretch, center, transparent;
    int lime;  // pixels of the picture's lime
    TPoint redAt;
  };
  const std::vector<Case> cases = {
      {"as it is", false, false, false, 100 - 16, {4, 4}},
      {"stretched", true, false, false, 40 * 40 - 16 * 16, {20, 20}},
      {"centred", false, true, false, 100 - 16, {19, 19}},
      {"transparent", false, false, true, 0, {4, 4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The bottom-left pixel is the transparent colour: lime.
    auto* image = Make<TImage>(10, 10, 40, 40);
    image->SetPicture(&picture);
    image->SetStretch(c.stretch);
    image->SetCenter(c.center);
    image->SetTransparent(c.transparent);
    Render();
    EXPECT_EQ(Count(image, {0, 0, 40, 40}, clLime), c.lime);
    EXPECT_EQ(At(image, c.redAt.X, c.redAt.Y), RgbOf(clRed));
    EXPECT_EQ(At(image, 39, 39), RgbOf(c.stretch ? clLime : clAqua));
    delete image;
  }
}

TEST_F(PaintStdGraphic, BevelShapesAndStyles) {
  struct Case {
    TBevelShape shape;
    TBevelStyle style;
    std::vector<std::pair<TPoint, TColor>> pixels;
  };
  const std::vector<Case> cases = {
      {TBevelShape::bsBox,
       TBevelStyle::bsLowered,
       {{{0, 0}, clBtnShadow}, {{49, 29}, clBtnHighlight}, {{5, 5}, clAqua}}},
      {TBevelShape::bsBox,
       TBevelStyle::bsRaised,
       {{{0, 0}, clBtnHighlight}, {{49, 29}, clBtnShadow}}},
      {TBevelShape::bsFrame,
       TBevelStyle::bsLowered,
       {{{0, 0}, clBtnShadow}, {{1, 1}, clBtnHighlight}, {{5, 5}, clAqua}}},
      {TBevelShape::bsTopLine,
       TBevelStyle::bsLowered,
       {{{20, 0}, clBtnShadow}, {{20, 1}, clBtnHighlight}, {{20, 29}, clAqua}}},
      {TBevelShape::bsBottomLine,
       TBevelStyle::bsLowered,
       {{{20, 28}, clBtnShadow}, {{20, 29}, clBtnHighlight}, {{20, 0}, clAqua}}},
      {TBevelShape::bsLeftLine,
       TBevelStyle::bsRaised,
       {{{0, 10}, clBtnHighlight}, {{1, 10}, clBtnShadow}, {{49, 10}, clAqua}}},
      {TBevelShape::bsRightLine,
       TBevelStyle::bsLowered,
       {{{48, 10}, clBtnShadow}, {{49, 10}, clBtnHighlight}}},
      {TBevelShape::bsSpacer, TBevelStyle::bsLowered, {{{0, 0}, clAqua}, {{49, 29}, clAqua}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.shape) * 10 + static_cast<int>(c.style));
    auto* bevel = Make<TBevel>(10, 10, 50, 30);
    bevel->SetShape(c.shape);
    bevel->SetStyle(c.style);
    Render();
    for (const auto& [point, colour] : c.pixels)
      EXPECT_EQ(At(bevel, point.X, point.Y), RgbOf(colour)) << point.X << "," << point.Y;
    delete bevel;
  }
}

TEST_F(PaintStdGraphic, ShapesFillWithTheBrushInsideThePen) {
  struct Case {
    TShapeType type;
    bool cornerFilled;  // the fill reaches the corner pixel (1, 1)
  };
  const std::vector<Case> cases = {
      {TShapeType::stRectangle, true}, {TShapeType::stRoundRect, false},
      {TShapeType::stEllipse, false},  {TShapeType::stSquare, false},
      {TShapeType::stCircle, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.type));
    auto* shape = Make<TShape>(10, 10, 60, 40);
    shape->SetShape(c.type);
    shape->SetBrushColor(clYellow);
    shape->SetPenColor(clRed);
    Render();
    EXPECT_EQ(At(shape, 30, 20), RgbOf(clYellow)) << "the centre";
    EXPECT_EQ(At(shape, 1, 1) == RgbOf(clYellow), c.cornerFilled);
    EXPECT_GT(Count(shape, {0, 0, 60, 40}, clRed), 50) << "the outline";
    delete shape;
  }
  auto* noPen = Make<TShape>(10, 10, 60, 40);
  noPen->SetPenWidth(0);
  noPen->SetPenColor(clRed);
  Render();
  EXPECT_EQ(Count(noPen, {0, 0, 60, 40}, clRed), 0);
}

TEST_F(PaintStdGraphic, SplitterFaceAndBevel) {
  auto* plain = Make<TSplitter>(0, 0, 6, 50);
  plain->SetAlign(TAlign::alNone);
  plain->SetBounds(10, 10, 6, 50);
  auto* beveled = Make<TSplitter>(0, 0, 6, 50);
  beveled->SetAlign(TAlign::alNone);
  beveled->SetBounds(30, 10, 6, 50);
  beveled->SetBeveled(true);
  Render();
  EXPECT_EQ(Count(plain, {0, 0, 6, 50}, clBtnFace), 300);
  EXPECT_EQ(At(beveled, 0, 10), RgbOf(clBtnHighlight));
  EXPECT_EQ(At(beveled, 5, 10), RgbOf(clBtnShadow));
}

// ---------------------------------------------------------------------------------------
// Every control on one form

TEST(PaintStdAll, EveryControlDrawsItsArea) {
  TForm form(nullptr);
  form.SetBounds(0, 0, 560, 400);
  form.SetColor(clCream);
  form.SetCaption(DesignText("标准控件 - Standard controls"));
  form.Font()->SetName(DesignText("宋体"));
  form.Font()->SetHeight(-12);
  form.Font()->SetCharset(GB2312_CHARSET);

  std::vector<TControl*> controls;
  auto place = [&](auto* c, int x, int y, int w, int h, TWinControl* parent = nullptr) {
    c->SetParent(parent ? parent : &form);
    c->SetBounds(x, y, w, h);
    controls.push_back(c);
    return c;
  };

  auto* label = place(new TLabel(&form), 8, 10, 60, 16);
  label->SetCaption(DesignText("部门(&D):"));
  auto* disabledLabel = place(new TLabel(&form), 8, 34, 60, 16);
  disabledLabel->SetCaption("Disabled");
  disabledLabel->SetEnabled(false);
  auto* edit = place(new TEdit(&form), 72, 8, 110, 21);
  edit->SetText(DesignText("销售部 Sales"));
  auto* password = place(new TEdit(&form), 72, 32, 110, 21);
  password->SetPasswordChar('*');
  password->SetText("secret");
  auto* mask = place(new TMaskEdit(&form), 190, 8, 90, 21);
  mask->SetEditMask("0000/00/00;1;_");
  mask->SetText("20261211");
  auto* spin = place(new TSpinEdit(&form), 190, 32, 90, 22);
  spin->SetValue(12);
  auto* memo = place(new TMemo(&form), 290, 8, 130, 70);
  memo->SetScrollBars(TScrollStyle::ssVertical);
  for (int i = 1; i <= 8; ++i) memo->Lines()->Add(DesignText("第") + std::to_string(i) + " line");

  auto* ok = place(new TButton(&form), 430, 8, 75, 25);
  ok->SetCaption(DesignText("确定"));
  ok->SetDefault(true);
  auto* cancel = place(new TBitBtn(&form), 430, 38, 90, 25);
  cancel->SetKind(TBitBtnKind::bkCancel);
  auto* off = place(new TBitBtn(&form), 430, 68, 90, 25);
  off->SetKind(TBitBtnKind::bkOK);
  off->SetEnabled(false);
  TBitmap strip;
  GlyphStrip(2, strip);
  auto* speed = place(new TSpeedButton(&form), 430, 98, 25, 25);
  speed->SetGlyph(&strip);
  auto* speedDown = place(new TSpeedButton(&form), 458, 98, 25, 25);
  speedDown->SetGlyph(&strip);
  speedDown->SetGroupIndex(1);
  speedDown->SetDown(true);
  auto* speedFlat = place(new TSpeedButton(&form), 486, 98, 40, 25);
  speedFlat->SetFlat(true);
  speedFlat->SetCaption("Flat");

  auto* check = place(new TCheckBox(&form), 8, 60, 130, 17);
  check->SetCaption(DesignText("不同部门分页"));
  check->SetChecked(true);
  auto* grayed = place(new TCheckBox(&form), 8, 80, 130, 17);
  grayed->SetAllowGrayed(true);
  grayed->SetState(TCheckBoxState::cbGrayed);
  grayed->SetCaption("Grayed");
  grayed->SetEnabled(false);
  auto* radio = place(new TRadioButton(&form), 140, 60, 100, 17);
  radio->SetCaption("Radio");
  radio->SetChecked(true);
  auto* combo = place(new TComboBox(&form), 140, 80, 140, 21);
  for (const char* s : {"Beijing", "Shanghai", "Guangzhou", "Shenzhen"}) combo->Items()->Add(s);
  combo->SetItemIndex(1);
  auto* comboList = place(new TComboBox(&form), 290, 84, 130, 21);
  comboList->SetStyle(TComboBoxStyle::csDropDownList);
  comboList->Items()->Add("Fixed");
  comboList->SetItemIndex(0);

  auto* list = place(new TListBox(&form), 8, 110, 120, 80);
  for (int i = 0; i < 10; ++i) list->Items()->Add("Employee " + std::to_string(i));
  list->SetItemIndex(2);

  auto* group = place(new TGroupBox(&form), 140, 110, 140, 80);
  group->SetCaption(DesignText("分组"));
  auto* inside = place(new TCheckBox(&form), 10, 25, 100, 17, group);
  inside->SetCaption("Inside");
  auto* radios = place(new TRadioGroup(&form), 290, 110, 130, 80);
  radios->SetCaption("Choice");
  radios->Items()->Add("Daily");
  radios->Items()->Add("Monthly");
  radios->SetItemIndex(0);

  auto* panel = place(new TPanel(&form), 8, 200, 200, 40);
  panel->SetCaption(DesignText("面板 Panel"));
  panel->SetBevelInner(TBevelCut::bvLowered);
  auto* bevel = place(new TBevel(&form), 220, 200, 100, 40);
  bevel->SetShape(TBevelShape::bsFrame);
  auto* shape = place(new TShape(&form), 330, 200, 60, 40);
  shape->SetShape(TShapeType::stRoundRect);
  shape->SetBrushColor(clSkyBlue);
  TBitmap picture;
  GlyphStrip(1, picture);
  auto* image = place(new TImage(&form), 400, 200, 40, 40);
  image->SetPicture(&picture);
  image->SetStretch(true);
  auto* splitter = place(new TSplitter(&form), 450, 200, 5, 40);
  splitter->SetAlign(TAlign::alNone);
  splitter->SetBounds(450, 200, 5, 40);
  auto* dropped = place(new TComboBox(&form), 8, 250, 140, 21);
  for (const char* s : {"Daily", "Weekly", "Monthly", "Yearly"}) dropped->Items()->Add(s);
  dropped->SetItemIndex(2);

  form.Show();
  edit->SetFocus();
  edit->SelectAll();
  dropped->SetDroppedDown(true);
  RenderToPng(form, ArtefactPath("standard-controls.png"));

  TBitmap window;
  RenderForm(form, window);
  const TFrameMetrics m = FrameMetrics(form);
  const std::uint32_t background = 0xFF000000u | ToRgb(clCream);
  for (TControl* c : controls) {
    std::set<std::uint32_t> colours;
    const TPoint at = c->ClientToParentForm({0, 0});
    for (int y = 0; y < c->Height(); ++y)
      for (int x = 0; x < c->Width(); ++x)
        colours.insert(window.Pixel(at.X + x + m.border, at.Y + y + m.border + m.caption + m.menu));
    EXPECT_TRUE(colours.size() > 1 || *colours.begin() != background)
        << c->ClassName() << " at " << at.X << "," << at.Y << " is blank";
  }
}

}  // namespace
}  // namespace vcl
