#include "platform/vcl/StdCtrls.h"

#include <algorithm>

#include "platform/rtl/CodePages.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphUtil.h"

namespace vcl {

namespace {

constexpr std::string_view kLineBreak = "\r\n";

unsigned char Byte(char c) {
  return static_cast<unsigned char>(c);
}

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Number of characters (a double-byte character counts once).
int CharCount(std::string_view s) {
  int n = 0;
  for (size_t i = 0; i < s.size(); ++n)
    i += (IsDBCSLeadByte(Byte(s[i])) && i + 1 < s.size()) ? 2 : 1;
  return n;
}

// Start offsets of the lines of a text broken at CR LF; a text ending in CR LF has an empty
// last line.
std::vector<int> LineStarts(std::string_view text) {
  std::vector<int> starts{0};
  for (size_t p = text.find(kLineBreak); p != std::string_view::npos;
       p = text.find(kLineBreak, p + 2))
    starts.push_back(static_cast<int>(p + 2));
  return starts;
}

// ---------------------------------------------------------------------------------------
// Painting pieces of the text controls

using TLine = std::pair<int, int>;  // byte range of a shown line, its line break left out

int LineHeight(TCanvas* c) {
  return c->TextHeight("Wg");
}

// The lines of a text broken at CR LF.
std::vector<TLine> HardLines(std::string_view text) {
  const std::vector<int> starts = LineStarts(text);
  std::vector<TLine> lines;
  for (size_t i = 0; i < starts.size(); ++i)
    lines.emplace_back(starts[i],
                       i + 1 < starts.size() ? starts[i + 1] - 2 : static_cast<int>(text.size()));
  return lines;
}

// The lines of a text broken at CR LF and wrapped to `width` pixels: after the last blank
// that fits, or inside a word longer than the line; double-byte characters stay whole.
std::vector<TLine> WrappedLines(TCanvas* c, std::string_view text, int width) {
  std::vector<TLine> lines;
  for (const TLine& hard : HardLines(text)) {
    int start = hard.first;
    if (start == hard.second) lines.push_back(hard);
    while (start < hard.second) {
      int pos = start, used = 0, afterBlank = -1;
      while (pos < hard.second) {
        int next = pos + 1;
        if (IsDBCSLeadByte(Byte(text[static_cast<size_t>(pos)])) && next < hard.second) ++next;
        const int w = c->TextWidth(
            AnsiString(text.substr(static_cast<size_t>(pos), static_cast<size_t>(next - pos))));
        if (used + w > width && pos > start) break;
        used += w;
        if (text[static_cast<size_t>(pos)] == ' ') afterBlank = next;
        pos = next;
      }
      if (pos < hard.second && afterBlank > start) pos = afterBlank;
      lines.emplace_back(start, pos);
      start = pos;
    }
  }
  return lines;
}

// One line of text at (x, y) in `color`, with its bytes [selFrom, selTo) in the highlight
// colours.
void DrawTextRun(TCanvas* c, int x, int y, const AnsiString& text, int selFrom, int selTo,
                 TColor color) {
  c->Brush()->SetStyle(TBrushStyle::bsClear);
  c->Font()->SetColor(color);
  c->TextOut(x, y, text);
  selFrom = std::clamp(selFrom, 0, static_cast<int>(text.size()));
  selTo = std::clamp(selTo, selFrom, static_cast<int>(text.size()));
  if (selFrom < selTo) {
    const int x1 = x + c->TextWidth(text.substr(0, static_cast<size_t>(selFrom)));
    const int x2 = x + c->TextWidth(text.substr(0, static_cast<size_t>(selTo)));
    c->Brush()->SetStyle(TBrushStyle::bsSolid);
    c->Brush()->SetColor(clHighlight);
    c->FillRect({x1, y, x2, y + LineHeight(c)});
    c->Brush()->SetStyle(TBrushStyle::bsClear);
    c->Font()->SetColor(clHighlightText);
    c->TextOut(x1, y,
               text.substr(static_cast<size_t>(selFrom), static_cast<size_t>(selTo - selFrom)));
  }
  c->Brush()->SetStyle(TBrushStyle::bsSolid);
}

void DrawCaret(TCanvas* c, int x, int y, int height) {
  c->Brush()->SetColor(clWindowText);
  c->FillRect({x, y, x + 1, y + height});
}

// Keeps `caretX` (pixels from the text's start) inside a view `avail` pixels wide over text
// `textWidth` wide, moving `scroll` as little as it takes.
void ScrollToCaret(int& scroll, int caretX, int textWidth, int avail) {
  if (caretX - scroll > avail) scroll = caretX - avail;
  if (caretX < scroll) scroll = caretX;
  scroll = std::clamp(scroll, 0, std::max(0, std::max(textWidth, caretX) - avail));
}

// An item row of a list: the highlight when selected, the text vertically centred.
void PaintItemRow(TCanvas* c, const TRect& rect, const AnsiString& text, bool selected,
                  bool enabled, TColor back, TColor fore) {
  c->Brush()->SetColor(selected ? clHighlight : back);
  c->FillRect(rect);
  const TClipScope clip(c, rect);
  DrawTextRun(c, rect.Left + 2, rect.Top + (rect.Height() - LineHeight(c)) / 2, text, 0, 0,
              selected  ? clHighlightText
              : enabled ? fore
                        : clGrayText);
}

// Prepares the canvas as an owner-drawn item expects it (background filled, colours of its
// state) before the item's event draws it.
void PrepareOwnerDrawnItem(TCanvas* c, const TRect& rect, bool selected, TColor back, TColor fore) {
  c->Brush()->SetColor(selected ? clHighlight : back);
  c->FillRect(rect);
  c->Font()->SetColor(selected ? clHighlightText : fore);
}

// The caption of a check box or radio button in `rect`, with the focus rectangle around it.
void PaintButtonCaption(TCanvas* c, const AnsiString& caption, const TRect& rect, bool enabled,
                        bool focused) {
  constexpr unsigned kFlags = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
  DrawControlText(c, caption, rect, kFlags, enabled);
  if (!focused) return;
  TRect text = rect;
  c->DrawText(caption.empty() ? AnsiString(" ") : caption, text, kFlags | DT_CALCRECT);
  const int top = rect.Top + (rect.Height() - text.Height()) / 2;
  c->DrawFocusRect({std::max(0, rect.Left - 1), std::max(0, top - 1),
                    std::min(rect.Right, text.Right + 1), top + text.Height() + 1});
}

}  // namespace

void PaintGroupFrame(TCanvas* canvas, const TRect& bounds, const AnsiString& caption, TColor color,
                     bool enabled) {
  canvas->Brush()->SetColor(color);
  canvas->FillRect(bounds);
  const int textHeight = LineHeight(canvas);
  DrawEdge(canvas, {bounds.Left, bounds.Top + textHeight / 2, bounds.Right, bounds.Bottom},
           TEdgeKind::Etched);
  if (caption.empty()) return;
  constexpr unsigned kFlags = DT_LEFT | DT_SINGLELINE;
  TRect text{bounds.Left + 8, bounds.Top, bounds.Right - 8, bounds.Top + textHeight};
  TRect extent = text;
  canvas->DrawText(caption, extent, kFlags | DT_CALCRECT);
  text.Right = std::min(text.Right, extent.Right);
  canvas->Brush()->SetColor(color);
  canvas->FillRect({text.Left - 2, text.Top, text.Right + 2, text.Bottom});
  DrawControlText(canvas, caption, text, kFlags, enabled);
}

const TTypeInfo* TypeBorderStyle() {
  static const TTypeInfo* type = MakeEnumType("TBorderStyle", {"bsNone", "bsSingle"});
  return type;
}

const TTypeInfo* TypeTextLayout() {
  static const TTypeInfo* type = MakeEnumType("TTextLayout", {"tlTop", "tlCenter", "tlBottom"});
  return type;
}
const TTypeInfo* TypeEditCharCase() {
  static const TTypeInfo* type =
      MakeEnumType("TEditCharCase", {"ecNormal", "ecUpperCase", "ecLowerCase"});
  return type;
}
const TTypeInfo* TypeScrollStyle() {
  static const TTypeInfo* type =
      MakeEnumType("TScrollStyle", {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"});
  return type;
}
const TTypeInfo* TypeCheckBoxState() {
  static const TTypeInfo* type =
      MakeEnumType("TCheckBoxState", {"cbUnchecked", "cbChecked", "cbGrayed"});
  return type;
}
const TTypeInfo* TypeComboBoxStyle() {
  static const TTypeInfo* type = MakeEnumType(
      "TComboBoxStyle",
      {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"});
  return type;
}
const TTypeInfo* TypeListBoxStyle() {
  static const TTypeInfo* type =
      MakeEnumType("TListBoxStyle", {"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable"});
  return type;
}

// ---------------------------------------------------------------------------------------
// TTextEditor

AnsiString TTextEditor::ConvertCase(std::string_view s, TEditCharCase charCase) {
  AnsiString out(s);
  if (charCase == TEditCharCase::ecNormal) return out;
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsDBCSLeadByte(Byte(out[i])) && i + 1 < out.size()) {
      ++i;  // the trail byte may look like a letter
      continue;
    }
    out[i] = charCase == TEditCharCase::ecUpperCase ? UpperAscii(out[i]) : LowerAscii(out[i]);
  }
  return out;
}

int TTextEditor::Clamp(int pos) const {
  return std::clamp(pos, 0, static_cast<int>(text_.size()));
}

void TTextEditor::SetText(std::string_view text) {
  text_ = ConvertCase(text, charCase_);
  anchor_ = caret_ = 0;
  ResetTyping();
}

bool TTextEditor::Replace(std::string_view text, int caret) {
  const bool changed = text != text_;
  text_ = text;
  anchor_ = caret_ = Clamp(caret);
  ResetTyping();
  return changed;
}

void TTextEditor::SetSelStart(int pos) {
  anchor_ = caret_ = Clamp(pos);
}

void TTextEditor::SetSelLength(int length) {
  const int start = SelStart();
  anchor_ = start;
  caret_ = Clamp(start + std::max(length, 0));
}

void TTextEditor::Select(int anchor, int caret) {
  anchor_ = Clamp(anchor);
  caret_ = Clamp(caret);
}

AnsiString TTextEditor::SelText() const {
  return text_.substr(static_cast<size_t>(SelStart()), static_cast<size_t>(SelLength()));
}

bool TTextEditor::ReplaceSelection(std::string_view s) {
  const AnsiString insert = ConvertCase(s, charCase_);
  const int start = SelStart();
  const AnsiString old = text_;
  text_.replace(static_cast<size_t>(start), static_cast<size_t>(SelLength()), insert);
  anchor_ = caret_ = start + static_cast<int>(insert.size());
  return text_ != old;
}

void TTextEditor::SetCharCase(TEditCharCase value) {
  charCase_ = value;
  text_ = ConvertCase(text_, charCase_);
}

bool TTextEditor::Fits(int bytes) const {
  return maxLength_ == 0 || static_cast<int>(text_.size()) - SelLength() + bytes <= maxLength_;
}

bool TTextEditor::Insert(std::string_view s) {
  if (!Fits(static_cast<int>(s.size()))) return false;
  return ReplaceSelection(s);
}

bool TTextEditor::TypeChar(char c) {
  if (dropTrail_) {
    dropTrail_ = false;
    return false;
  }
  if (pendingLead_) {
    const char lead = pendingLead_;
    pendingLead_ = 0;
    return Insert(std::string{lead, c});
  }
  if (IsDBCSLeadByte(Byte(c))) {
    // The character is refused whole when its two bytes do not fit.
    if (!Fits(2))
      dropTrail_ = true;
    else
      pendingLead_ = c;
    return false;
  }
  if (Byte(c) < 0x20 || c == 0x7F) return false;
  return Insert(std::string(1, c));
}

int TTextEditor::PrevCharPos(int pos) const {
  pos = Clamp(pos);
  int i = 0, prev = 0;
  while (i < pos) {
    prev = i;
    i = NextCharPos(i);
  }
  return prev;
}

int TTextEditor::NextCharPos(int pos) const {
  const int size = static_cast<int>(text_.size());
  if (pos >= size) return size;
  if (IsDBCSLeadByte(Byte(text_[static_cast<size_t>(pos)])) && pos + 1 < size) return pos + 2;
  return pos + 1;
}

bool TTextEditor::Backspace() {
  ResetTyping();
  if (SelLength() > 0) return ReplaceSelection("");
  if (caret_ == 0) return false;
  const int from = PrevCharPos(caret_);
  text_.erase(static_cast<size_t>(from), static_cast<size_t>(caret_ - from));
  anchor_ = caret_ = from;
  return true;
}

bool TTextEditor::DeleteForward() {
  ResetTyping();
  if (SelLength() > 0) return ReplaceSelection("");
  if (caret_ >= static_cast<int>(text_.size())) return false;
  const int to = NextCharPos(caret_);
  text_.erase(static_cast<size_t>(caret_), static_cast<size_t>(to - caret_));
  anchor_ = caret_;
  return true;
}

void TTextEditor::MoveTo(int pos, bool extend) {
  caret_ = Clamp(pos);
  if (!extend) anchor_ = caret_;
}

bool TTextEditor::MoveCaret(std::uint16_t key, bool extend) {
  switch (key) {
    case VK_LEFT:
      if (!extend && SelLength() > 0)
        MoveTo(SelStart(), false);
      else
        MoveTo(PrevCharPos(caret_), extend);
      break;
    case VK_RIGHT:
      if (!extend && SelLength() > 0)
        MoveTo(SelStart() + SelLength(), false);
      else
        MoveTo(NextCharPos(caret_), extend);
      break;
    case VK_HOME:
      MoveTo(0, extend);
      break;
    case VK_END:
      MoveTo(static_cast<int>(text_.size()), extend);
      break;
    default:
      return false;
  }
  ResetTyping();
  return true;
}

// ---------------------------------------------------------------------------------------
// TLabel

VCL_IMPLEMENT_COMPONENT(TLabel, TGraphicControl)

void TLabel::Publish(TPublisher& p) {
  p.String("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Bool("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize);
  p.Object("FocusControl", &TLabel::FocusControl, &TLabel::SetFocusControl);
  p.Bool("ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar);
  p.Enum("Alignment", TypeAlignment(), &TLabel::Alignment, &TLabel::SetAlignment);
  p.Enum("Layout", TypeTextLayout(), &TLabel::Layout, &TLabel::SetLayout);
  p.Bool("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap);
  p.Bool("Transparent", &TLabel::Transparent, &TLabel::SetTransparent);
}

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 65, 17);
  // A label shows on its parent's background.
  SetParentColor(true);
  AdjustBounds();
}

TLabel::~TLabel() = default;

void TLabel::SetAutoSize(bool value) {
  if (autoSize_ == value) return;
  autoSize_ = value;
  AdjustBounds();
}

void TLabel::SetFocusControl(TWinControl* control) {
  if (focusControl_ == control) return;
  if (focusControl_) focusControl_->RemoveFreeNotification(this);
  focusControl_ = control;
  if (control) control->FreeNotification(this);
}

void TLabel::SetShowAccelChar(bool value) {
  if (showAccelChar_ == value) return;
  showAccelChar_ = value;
  AdjustBounds();
  Invalidate();
}

void TLabel::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  Invalidate();
}

void TLabel::SetLayout(TTextLayout value) {
  if (layout_ == value) return;
  layout_ = value;
  Invalidate();
}

void TLabel::SetWordWrap(bool value) {
  if (wordWrap_ == value) return;
  wordWrap_ = value;
  AdjustBounds();
  Invalidate();
}

void TLabel::SetTransparent(bool value) {
  if (transparent_ == value) return;
  transparent_ = value;
  Invalidate();
}

AnsiString TLabel::DisplayText() const {
  const AnsiString caption = GetText();
  if (!showAccelChar_) return caption;
  AnsiString out;
  for (size_t i = 0; i < caption.size(); ++i) {
    const char c = caption[i];
    if (IsDBCSLeadByte(Byte(c)) && i + 1 < caption.size()) {
      out += c;
      out += caption[++i];
      continue;
    }
    if (c == '&') {
      // "&&" shows one ampersand; a single one marks the next character.
      if (i + 1 < caption.size() && caption[i + 1] == '&') out += '&', ++i;
      continue;
    }
    out += c;
  }
  return out;
}

bool TLabel::IsAccel(char key) const {
  if (!showAccelChar_ || key == 0) return false;
  const AnsiString caption = GetText();
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    const char c = caption[i];
    if (IsDBCSLeadByte(Byte(c))) {
      ++i;
      continue;
    }
    if (c != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return UpperAscii(caption[i + 1]) == UpperAscii(key);
  }
  return false;
}

bool TLabel::DialogChar(char key) {
  if (!focusControl_ || !Enabled() || !IsAccel(key)) return false;
  if (!focusControl_->CanFocus()) return false;
  focusControl_->SetFocus();
  return true;
}

void TLabel::TextChanged() {
  TGraphicControl::TextChanged();
  AdjustBounds();
}

void TLabel::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == focusControl_) focusControl_ = nullptr;
}

void TLabel::AdjustBounds() {
  if (!autoSize_ || (ComponentState() & csLoading)) return;
  // Measured as the label draws itself: with its font, prefix rule and word wrapping.
  TRect r{0, 0, wordWrap_ ? Width() : 0, 0};
  const unsigned flags = DT_CALCRECT | DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0u) |
                         (showAccelChar_ ? 0u : DT_NOPREFIX);
  AnsiString text = GetText();
  if (text.empty()) text = " ";  // an empty label keeps the height of one line
  Canvas()->DrawText(text, r, flags);
  const int height = r.Height();
  if (wordWrap_) {
    SetBounds(Left(), Top(), Width(), height);
    return;
  }
  const int width = GetText().empty() ? 0 : r.Width();
  // The side the text is aligned to stays in place.
  int left = Left();
  if (alignment_ == TAlignment::taRightJustify)
    left = Left() + Width() - width;
  else if (alignment_ == TAlignment::taCenter)
    left = Left() + (Width() - width) / 2;
  SetBounds(left, Top(), width, height);
}

void TLabel::FontChanged() {
  TGraphicControl::FontChanged();
  AdjustBounds();
}

void TLabel::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  if (!transparent_) c->FillRect(r);
  unsigned flags =
      DT_EXPANDTABS | (wordWrap_ ? DT_WORDBREAK : 0u) | (showAccelChar_ ? 0u : DT_NOPREFIX);
  if (alignment_ == TAlignment::taRightJustify)
    flags |= DT_RIGHT;
  else if (alignment_ == TAlignment::taCenter)
    flags |= DT_CENTER;
  const AnsiString caption = GetText();
  if (layout_ != TTextLayout::tlTop) {
    TRect extent = r;
    c->DrawText(caption, extent, flags | DT_CALCRECT);
    const int room = r.Height() - extent.Height();
    r.Top += layout_ == TTextLayout::tlBottom ? room : room / 2;
  }
  DrawControlText(c, caption, r, flags, Enabled());
}

// ---------------------------------------------------------------------------------------
// TCustomEdit

VCL_IMPLEMENT_ABSTRACT_COMPONENT(TCustomEdit, TWinControl)

void TCustomEdit::Publish(TPublisher& p) {
  p.String("Text", &TControl::GetText, &TControl::SetText);
  p.Integer("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength);
  p.Bool("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly);
  p.Char("PasswordChar", &TCustomEdit::PasswordChar, &TCustomEdit::SetPasswordChar);
  p.Enum("CharCase", TypeEditCharCase(), &TCustomEdit::CharCase, &TCustomEdit::SetCharCase);
  p.Bool("AutoSelect", &TCustomEdit::AutoSelect, &TCustomEdit::SetAutoSelect);
  p.Enum("BorderStyle", TypeBorderStyle(), &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle);
  p.Bool("HideSelection", &TCustomEdit::HideSelection, &TCustomEdit::SetHideSelection);
  p.Event("OnChange", "TNotifyEvent", &TCustomEdit::OnChange);
}

TCustomEdit::TCustomEdit(TComponent* owner) : TWinControl(owner) {
  SetTabStop(true);
  SetColor(clWindow);
}

void TCustomEdit::SetTextValue(const AnsiString& text) {
  const AnsiString old = editor_.Text();
  editor_.SetText(EditTextFor(text));
  modified_ = false;
  textChangedPending_ = textChangedPending_ || old != editor_.Text();
}

void TCustomEdit::TextChanged() {
  TWinControl::TextChanged();
  if (!textChangedPending_) return;
  textChangedPending_ = false;
  Change();
}

void TCustomEdit::Change() {
  OnChange(this);
}

void TCustomEdit::UserChanged() {
  modified_ = true;
  Invalidate();
  Change();
}

void TCustomEdit::SetSelText(const AnsiString& text) {
  if (!editor_.ReplaceSelection(text)) return;
  Invalidate();
  Change();
}

void TCustomEdit::ClearSelection() {
  SetSelText("");
}

void TCustomEdit::SetPasswordChar(char c) {
  if (passwordChar_ == c) return;
  passwordChar_ = c;
  Invalidate();
}

void TCustomEdit::SetCharCase(TEditCharCase value) {
  const AnsiString old = editor_.Text();
  editor_.SetCharCase(value);
  if (old == editor_.Text()) return;
  Invalidate();
  Change();
}

void TCustomEdit::SetBorderStyle(TBorderStyle value) {
  if (borderStyle_ == value) return;
  borderStyle_ = value;
  Invalidate();
}

void TCustomEdit::SetHideSelection(bool value) {
  if (hideSelection_ == value) return;
  hideSelection_ = value;
  Invalidate();
}

AnsiString TCustomEdit::DisplayText() const {
  if (!passwordChar_) return editor_.Text();
  return AnsiString(static_cast<size_t>(CharCount(editor_.Text())), passwordChar_);
}

void TCustomEdit::KeyDown(std::uint16_t& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  if (key == 0) return;
  if (EditKeyDown(key, shift)) UserChanged();
}

void TCustomEdit::KeyPress(char& key) {
  TWinControl::KeyPress(key);
  if (key == 0) return;
  if (EditChar(key)) UserChanged();
}

bool TCustomEdit::EditKeyDown(std::uint16_t key, TShiftState shift) {
  if (key == VK_DELETE) return !readOnly_ && editor_.DeleteForward();
  // A single-line edit moves along its line for Up and Down too.
  if (key == VK_UP) key = VK_LEFT;
  if (key == VK_DOWN) key = VK_RIGHT;
  editor_.MoveCaret(key, (shift & ssShift) != 0);
  return false;
}

bool TCustomEdit::EditChar(char c) {
  if (readOnly_) return false;
  if (c == '\b') return editor_.Backspace();
  return editor_.TypeChar(c);
}

bool TCustomEdit::WantsKey(std::uint16_t key, TShiftState shift) const {
  switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      return true;
    default:
      return TWinControl::WantsKey(key, shift);
  }
}

void TCustomEdit::DoEnter() {
  if (autoSelect_ && !MultiLine()) editor_.SelectAll();
  TWinControl::DoEnter();
}

bool TCustomEdit::ShowsSelection() const {
  return Enabled() && (Focused() || !hideSelection_);
}

void TCustomEdit::Paint() {
  PaintEdit(0);
}

TRect TCustomEdit::PaintEdit(int reserve) {
  TCanvas* c = Canvas();
  TRect inner = ClientRect();
  c->FillRect(inner);
  if (borderStyle_ == TBorderStyle::bsSingle) inner = DrawEdge(c, inner, TEdgeKind::Sunken);
  const TRect area{inner.Left + 1, inner.Top + 1, inner.Right - reserve - 1, inner.Bottom};
  if (area.Width() <= 0 || area.Height() <= 0) return inner;
  // Offsets in the shown text: a password shows one character per character.
  auto shown = [this](int pos) {
    return passwordChar_
               ? CharCount(std::string_view(editor_.Text()).substr(0, static_cast<size_t>(pos)))
               : pos;
  };
  const AnsiString text = DisplayText();
  const int caret = shown(editor_.Caret());
  const int caretX = c->TextWidth(text.substr(0, static_cast<size_t>(caret)));
  ScrollToCaret(scrollX_, caretX, c->TextWidth(text), area.Width() - 1);
  const TClipScope clip(c, area);
  const bool enabled = Enabled();
  const bool selection = ShowsSelection();
  DrawTextRun(c, area.Left - scrollX_, area.Top, text, selection ? shown(SelStart()) : 0,
              selection ? shown(SelStart() + SelLength()) : 0,
              enabled ? Font()->GetColor() : clGrayText);
  if (enabled && Focused()) DrawCaret(c, area.Left - scrollX_ + caretX, area.Top, LineHeight(c));
  return inner;
}

VCL_IMPLEMENT_COMPONENT(TEdit, TCustomEdit)
void TEdit::Publish(TPublisher&) {}

TEdit::TEdit(TComponent* owner) : TCustomEdit(owner) {
  SetBounds(0, 0, 121, 21);
}

// ---------------------------------------------------------------------------------------
// TMemo

// The memo's lines as a string list: reads split the memo's text at CR LF; changes rewrite
// it. Between BeginUpdate and EndUpdate changes collect and reach the memo once.
class TMemoStrings : public TStrings {
 public:
  explicit TMemoStrings(TMemo* memo) : memo_(memo) {}

  int Count() const override {
    const AnsiString text = Current();
    if (text.empty()) return 0;
    const int lines = static_cast<int>(LineStarts(text).size());
    // A final line break does not start a line of its own.
    return text.ends_with(kLineBreak) ? lines - 1 : lines;
  }
  AnsiString Get(int index) const override {
    const AnsiString text = Current();
    CheckIndex(index, Count());
    const std::vector<int> starts = LineStarts(text);
    return text.substr(
        static_cast<size_t>(starts[static_cast<size_t>(index)]),
        static_cast<size_t>(LineEnd(text, starts, index) - starts[static_cast<size_t>(index)]));
  }
  void Put(int index, const AnsiString& s) override {
    AnsiString text = Current();
    CheckIndex(index, Count());
    const std::vector<int> starts = LineStarts(text);
    const int start = starts[static_cast<size_t>(index)];
    text.replace(static_cast<size_t>(start),
                 static_cast<size_t>(LineEnd(text, starts, index) - start), s);
    Commit(text);
  }
  TObject* GetObject(int index) const override {
    CheckIndex(index, Count());
    return nullptr;
  }
  // A memo keeps no objects with its lines.
  void PutObject(int index, TObject*) override { CheckIndex(index, Count()); }
  void Insert(int index, const AnsiString& s) override {
    AnsiString text = Current();
    const int count = Count();
    if (index < 0 || index > count) IndexError(index);
    if (index == count) {
      if (!text.empty() && !text.ends_with(kLineBreak)) text += kLineBreak;
      text += s;
      text += kLineBreak;
    } else {
      const int start = LineStarts(text)[static_cast<size_t>(index)];
      text.insert(static_cast<size_t>(start), s + AnsiString(kLineBreak));
    }
    Commit(text);
  }
  void Delete(int index) override {
    AnsiString text = Current();
    CheckIndex(index, Count());
    const std::vector<int> starts = LineStarts(text);
    const int start = starts[static_cast<size_t>(index)];
    const int end = static_cast<size_t>(index) + 1 < starts.size()
                        ? starts[static_cast<size_t>(index) + 1]
                        : static_cast<int>(text.size());
    text.erase(static_cast<size_t>(start), static_cast<size_t>(end - start));
    Commit(text);
  }
  void Clear() override { Commit(""); }
  void BeginUpdate() override {
    if (updateCount_++ == 0) buffer_ = memo_->GetText();
  }
  void EndUpdate() override {
    if (updateCount_ == 0 || --updateCount_ > 0) return;
    memo_->SetMemoText(buffer_);
    buffer_.clear();
  }

 private:
  static void CheckIndex(int index, int count) {
    if (index < 0 || index >= count) IndexError(index);
  }
  static int LineEnd(const AnsiString& text, const std::vector<int>& starts, int index) {
    return static_cast<size_t>(index) + 1 < starts.size()
               ? starts[static_cast<size_t>(index) + 1] - 2
               : static_cast<int>(text.size());
  }
  AnsiString Current() const { return updateCount_ > 0 ? buffer_ : memo_->GetText(); }
  void Commit(const AnsiString& text) {
    if (updateCount_ > 0)
      buffer_ = text;
    else
      memo_->SetMemoText(text);
  }
  TMemo* memo_;
  int updateCount_ = 0;
  AnsiString buffer_;
};

VCL_IMPLEMENT_COMPONENT(TMemo, TCustomEdit)

void TMemo::Publish(TPublisher& p) {
  p.Object("Lines", &TMemo::Lines, &TMemo::SetLines);
  p.Bool("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap);
  p.Enum("ScrollBars", TypeScrollStyle(), &TMemo::ScrollBars, &TMemo::SetScrollBars);
  p.Bool("WantReturns", &TMemo::WantReturns, &TMemo::SetWantReturns);
  p.Bool("WantTabs", &TMemo::WantTabs, &TMemo::SetWantTabs);
}

TMemo::TMemo(TComponent* owner) : TCustomEdit(owner), lines_(new TMemoStrings(this)) {
  SetBounds(0, 0, 185, 89);
}

TMemo::~TMemo() {
  delete lines_;
}

TStrings* TMemo::Lines() const {
  return lines_;
}

void TMemo::SetLines(TStrings* lines) {
  if (lines && lines != lines_) lines_->Assign(*lines);
}

void TMemo::SetMemoText(const AnsiString& text) {
  SetText(text);
}

int TMemo::LineStart(int line) const {
  const std::vector<int> starts = LineStarts(editor_.Text());
  if (line < 0) return 0;
  if (static_cast<size_t>(line) >= starts.size()) return static_cast<int>(editor_.Text().size());
  return starts[static_cast<size_t>(line)];
}

TPoint TMemo::CaretPos() const {
  const std::vector<int> starts = LineStarts(editor_.Text());
  const int caret = editor_.Caret();
  int line = 0;
  while (static_cast<size_t>(line) + 1 < starts.size() &&
         starts[static_cast<size_t>(line) + 1] <= caret)
    ++line;
  return {caret - starts[static_cast<size_t>(line)], line};
}

void TMemo::SetCaretPos(TPoint pos) {
  const std::vector<int> starts = LineStarts(editor_.Text());
  const int line = std::clamp(pos.Y, 0, static_cast<int>(starts.size()) - 1);
  const int start = starts[static_cast<size_t>(line)];
  const int end = static_cast<size_t>(line) + 1 < starts.size()
                      ? starts[static_cast<size_t>(line) + 1] - 2
                      : static_cast<int>(editor_.Text().size());
  int target = std::clamp(start + pos.X, start, end);
  // Never inside a double-byte character.
  if (target > start && editor_.NextCharPos(editor_.PrevCharPos(target)) != target)
    target = editor_.PrevCharPos(target);
  editor_.SetSelStart(target);
}

bool TMemo::EditKeyDown(std::uint16_t key, TShiftState shift) {
  const AnsiString& text = editor_.Text();
  const int caret = editor_.Caret();
  const bool extend = (shift & ssShift) != 0;
  auto breakAt = [&](int pos) {
    return pos >= 0 && static_cast<size_t>(pos) + 2 <= text.size() &&
           text.compare(static_cast<size_t>(pos), 2, kLineBreak) == 0;
  };
  switch (key) {
    case VK_UP:
    case VK_DOWN: {
      const TPoint pos = CaretPos();
      const int line = pos.Y + (key == VK_UP ? -1 : 1);
      if (line < 0 || static_cast<size_t>(line) >= LineStarts(text).size()) return false;
      const int anchor = editor_.Anchor();
      SetCaretPos({pos.X, line});
      if (extend) editor_.Select(anchor, editor_.Caret());
      return false;
    }
    case VK_HOME:
    case VK_END: {
      if (shift & ssCtrl) break;
      const TPoint pos = CaretPos();
      const int start = LineStart(pos.Y);
      int end = LineStart(pos.Y + 1);
      if (breakAt(end - 2) && end - 2 >= start) end -= 2;
      editor_.MoveTo(key == VK_HOME ? start : end, extend);
      return false;
    }
    case VK_LEFT:
      if (breakAt(caret - 2) && (extend || editor_.SelLength() == 0)) {
        editor_.MoveTo(caret - 2, extend);
        return false;
      }
      break;
    case VK_RIGHT:
      if (breakAt(caret) && (extend || editor_.SelLength() == 0)) {
        editor_.MoveTo(caret + 2, extend);
        return false;
      }
      break;
    case VK_DELETE:
      if (!ReadOnly() && editor_.SelLength() == 0 && breakAt(caret)) {
        editor_.Select(caret, caret + 2);
        return editor_.ReplaceSelection("");
      }
      break;
  }
  if (key == VK_UP || key == VK_DOWN) return false;
  if (key == VK_DELETE) return !ReadOnly() && editor_.DeleteForward();
  editor_.MoveCaret(key, extend);
  return false;
}

bool TMemo::EditChar(char c) {
  if (ReadOnly()) return false;
  const int caret = editor_.Caret();
  const AnsiString& text = editor_.Text();
  switch (c) {
    case '\r':
      return wantReturns_ && editor_.Insert(kLineBreak);
    case '\t':
      return wantTabs_ && editor_.Insert("\t");
    case '\n':
      return false;
    case '\b':
      // A line break goes as a whole.
      if (editor_.SelLength() == 0 && caret >= 2 &&
          text.compare(static_cast<size_t>(caret - 2), 2, kLineBreak) == 0) {
        editor_.Select(caret - 2, caret);
        return editor_.ReplaceSelection("");
      }
      break;
  }
  return TCustomEdit::EditChar(c);
}

bool TMemo::WantsKey(std::uint16_t key, TShiftState shift) const {
  if (key == VK_RETURN) return wantReturns_ && !(shift & ssCtrl);
  if (key == VK_TAB) return wantTabs_ && !(shift & ssCtrl);
  return TCustomEdit::WantsKey(key, shift);
}

void TMemo::Paint() {
  TCanvas* c = Canvas();
  TRect inner = ClientRect();
  c->FillRect(inner);
  if (BorderStyle() == TBorderStyle::bsSingle) inner = DrawEdge(c, inner, TEdgeKind::Sunken);
  const AnsiString& text = editor_.Text();
  const bool vertical =
      scrollBars_ == TScrollStyle::ssVertical || scrollBars_ == TScrollStyle::ssBoth;
  const bool horizontal =
      scrollBars_ == TScrollStyle::ssHorizontal || scrollBars_ == TScrollStyle::ssBoth;
  // A horizontal scroll bar turns wrapping off, as the platform's memo does.
  const bool wrap = wordWrap_ && !horizontal;
  const int lineHeight = LineHeight(c);
  TRect area{inner.Left + 2, inner.Top + 1, inner.Right - 1, inner.Bottom};
  auto layout = [&] {
    return wrap ? WrappedLines(c, text, std::max(1, area.Width())) : HardLines(text);
  };
  std::vector<TLine> lines = layout();
  auto widest = [&] {
    int w = 0;
    for (const TLine& l : lines)
      w = std::max(w, c->TextWidth(text.substr(static_cast<size_t>(l.first),
                                               static_cast<size_t>(l.second - l.first))));
    return w;
  };
  const int lineCount = static_cast<int>(lines.size());
  bool showH = horizontal && widest() > area.Width();
  if (showH) area.Bottom -= kScrollBarSize;
  const bool showV = vertical && lineCount * lineHeight > area.Height();
  if (showV) {
    area.Right = inner.Right - kScrollBarSize - 1;
    if (wrap) lines = layout();
    if (horizontal && !showH && widest() > area.Width()) {
      showH = true;
      area.Bottom -= kScrollBarSize;
    }
  }
  const int rows = std::max(1, area.Height() / lineHeight);
  const int count = static_cast<int>(lines.size());
  // The caret's line; at a wrapping point the caret starts the next line.
  const int caret = editor_.Caret();
  int caretLine = 0;
  for (int i = 0; i < count; ++i) {
    const TLine& l = lines[static_cast<size_t>(i)];
    if (caret < l.first || caret > l.second) continue;
    caretLine = i;
    if (caret < l.second || i + 1 == count || lines[static_cast<size_t>(i) + 1].first != caret)
      break;
  }
  if (caretLine < topLine_) topLine_ = caretLine;
  if (caretLine >= topLine_ + rows) topLine_ = caretLine - rows + 1;
  topLine_ = std::clamp(topLine_, 0, std::max(0, count - rows));
  const TLine& current = lines[static_cast<size_t>(caretLine)];
  const AnsiString caretText = text.substr(static_cast<size_t>(current.first),
                                           static_cast<size_t>(current.second - current.first));
  const int caretX = c->TextWidth(
      text.substr(static_cast<size_t>(current.first), static_cast<size_t>(caret - current.first)));
  if (wrap)
    scrollX_ = 0;
  else
    ScrollToCaret(scrollX_, caretX, c->TextWidth(caretText), area.Width() - 1);

  const bool enabled = Enabled();
  const bool selection = ShowsSelection();
  const int selStart = SelStart(), selEnd = SelStart() + SelLength();
  {
    const TClipScope clip(c, area);
    for (int i = topLine_; i < count && i < topLine_ + rows + 1; ++i) {
      const TLine& l = lines[static_cast<size_t>(i)];
      const int y = area.Top + (i - topLine_) * lineHeight;
      DrawTextRun(
          c, area.Left - scrollX_, y,
          text.substr(static_cast<size_t>(l.first), static_cast<size_t>(l.second - l.first)),
          selection ? selStart - l.first : 0, selection ? selEnd - l.first : 0,
          enabled ? Font()->GetColor() : clGrayText);
    }
    if (enabled && Focused())
      DrawCaret(c, area.Left - scrollX_ + caretX, area.Top + (caretLine - topLine_) * lineHeight,
                lineHeight);
  }
  const int bottom = inner.Bottom - (showH ? kScrollBarSize : 0);
  const int right = inner.Right - (showV ? kScrollBarSize : 0);
  if (showV)
    DrawScrollBar(c, {right, inner.Top, inner.Right, bottom}, true, 0, count - 1, rows, topLine_,
                  enabled);
  if (showH)
    DrawScrollBar(c, {inner.Left, bottom, right, inner.Bottom}, false, 0, widest() - 1,
                  area.Width(), scrollX_, enabled);
  if (showH && showV) {
    c->Brush()->SetColor(clBtnFace);
    c->FillRect({right, bottom, inner.Right, inner.Bottom});
  }
}

// ---------------------------------------------------------------------------------------
// TButton

VCL_IMPLEMENT_COMPONENT(TButton, TWinControl)

void TButton::Publish(TPublisher& p) {
  p.String("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Bool("Default", &TButton::Default, &TButton::SetDefault);
  p.Bool("Cancel", &TButton::Cancel, &TButton::SetCancel);
  p.Integer("ModalResult", &TButton::ModalResult, &TButton::SetModalResult);
}

TButton::TButton(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 75, 25);
  SetTabStop(true);
}

void TButton::Click() {
  if (modalResult_ != mrNone)
    if (TCustomForm* form = GetParentForm()) form->SetModalResult(modalResult_);
  TWinControl::Click();
}

void TButton::KeyDown(std::uint16_t& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  if (key == VK_SPACE && !spaceDown_) {
    spaceDown_ = true;
    Invalidate();
  }
}

void TButton::KeyUp(std::uint16_t& key, TShiftState shift) {
  TWinControl::KeyUp(key, shift);
  if (key != VK_SPACE || !spaceDown_) return;
  spaceDown_ = false;
  Invalidate();
  Click();
}

void TButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  mouseInside_ = true;
  Invalidate();
  TWinControl::MouseDown(button, shift, x, y);
}

void TButton::MouseMove(TShiftState shift, int x, int y) {
  const bool inside = TRect{0, 0, Width(), Height()}.Contains({x, y});
  if (inside != mouseInside_ && MouseCaptured()) Invalidate();
  mouseInside_ = inside;
  TWinControl::MouseMove(shift, x, y);
}

bool TButton::ShowsPressed() const {
  return Enabled() && ((MouseCaptured() && mouseInside_) || spaceDown_);
}

bool TButton::ShowsDefaultFrame() const {
  if (Focused()) return true;
  if (!default_ || !Enabled()) return false;
  const TCustomForm* form = GetParentForm();
  const auto* active = form ? dynamic_cast<const TButton*>(form->ActiveControl()) : nullptr;
  return !active || active == this || !active->Focused();
}

void TButton::Paint() {
  TCanvas* c = Canvas();
  const bool pressed = ShowsPressed(), framed = ShowsDefaultFrame();
  TRect face = ClientRect();
  DrawButtonFace(c, face, pressed, framed);
  if (framed) face = {face.Left + 1, face.Top + 1, face.Right - 1, face.Bottom - 1};
  TRect text{face.Left + 2, face.Top + 2, face.Right - 2, face.Bottom - 2};
  if (pressed) text = {text.Left + 1, text.Top + 1, text.Right + 1, text.Bottom + 1};
  DrawControlText(c, GetText(), text, DT_CENTER | DT_VCENTER | DT_SINGLELINE, Enabled());
  if (Focused()) c->DrawFocusRect({face.Left + 3, face.Top + 3, face.Right - 3, face.Bottom - 3});
}

// ---------------------------------------------------------------------------------------
// TCheckBox

VCL_IMPLEMENT_COMPONENT(TCheckBox, TWinControl)

void TCheckBox::Publish(TPublisher& p) {
  p.String("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Bool("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked);
  p.Enum("State", TypeCheckBoxState(), &TCheckBox::State, &TCheckBox::SetState);
  p.Bool("AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed);
  p.Enum("Alignment", TypeAlignment(), &TCheckBox::Alignment, &TCheckBox::SetAlignment);
}

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 97, 17);
  SetTabStop(true);
}

void TCheckBox::SetChecked(bool value) {
  SetState(value ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked);
}

void TCheckBox::SetState(TCheckBoxState value) {
  if (state_ == value) return;
  state_ = value;
  Invalidate();
  // The state change is what a click reports (last: the handler may free the control).
  TWinControl::Click();
}

void TCheckBox::Toggle() {
  switch (state_) {
    case TCheckBoxState::cbUnchecked:
      SetState(allowGrayed_ ? TCheckBoxState::cbGrayed : TCheckBoxState::cbChecked);
      break;
    case TCheckBoxState::cbChecked:
      SetState(TCheckBoxState::cbUnchecked);
      break;
    case TCheckBoxState::cbGrayed:
      SetState(TCheckBoxState::cbChecked);
      break;
  }
}

void TCheckBox::Click() {
  Toggle();
}

void TCheckBox::Paint() {
  TCanvas* c = Canvas();
  const TRect r = ClientRect();
  c->FillRect(r);
  constexpr int kBox = 13, kGap = 4;
  // taLeftJustify puts the caption on the left and the box on the right.
  const bool boxRight = alignment_ == TAlignment::taLeftJustify;
  const TCheckMark mark = state_ == TCheckBoxState::cbChecked  ? TCheckMark::Checked
                          : state_ == TCheckBoxState::cbGrayed ? TCheckMark::Grayed
                                                               : TCheckMark::Unchecked;
  DrawCheckMark(c, boxRight ? r.Right - kBox : r.Left, r.Top + (r.Height() - kBox) / 2, mark,
                Enabled());
  const TRect caption = boxRight ? TRect{r.Left, r.Top, r.Right - kBox - kGap, r.Bottom}
                                 : TRect{r.Left + kBox + kGap, r.Top, r.Right, r.Bottom};
  PaintButtonCaption(c, GetText(), caption, Enabled(), Focused());
}

void TCheckBox::KeyDown(std::uint16_t& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  if (key == VK_SPACE) spaceDown_ = true;
}

void TCheckBox::KeyUp(std::uint16_t& key, TShiftState shift) {
  TWinControl::KeyUp(key, shift);
  if (key != VK_SPACE || !spaceDown_) return;
  spaceDown_ = false;
  Click();
}

// ---------------------------------------------------------------------------------------
// TRadioButton

VCL_IMPLEMENT_COMPONENT(TRadioButton, TWinControl)

void TRadioButton::Publish(TPublisher& p) {
  p.String("Caption", &TControl::Caption, &TControl::SetCaption);
  p.Bool("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked);
  p.Enum("Alignment", TypeAlignment(), &TRadioButton::Alignment, &TRadioButton::SetAlignment);
}

TRadioButton::TRadioButton(TComponent* owner) : TWinControl(owner) {
  SetBounds(0, 0, 113, 17);
}

void TRadioButton::SetChecked(bool value) {
  if (checked_ == value) return;
  checked_ = value;
  // The checked button of a group is the one Tab reaches.
  SetTabStop(value);
  Invalidate();
  if (!value) return;
  if (TWinControl* parent = Parent()) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
      auto* sibling = dynamic_cast<TRadioButton*>(parent->Controls(i));
      if (sibling && sibling != this) sibling->SetChecked(false);
    }
  }
  TWinControl::Click();
}

void TRadioButton::Click() {
  SetChecked(true);
}

void TRadioButton::Paint() {
  TCanvas* c = Canvas();
  const TRect r = ClientRect();
  c->FillRect(r);
  constexpr int kMark = 12, kGap = 5;
  const bool markRight = alignment_ == TAlignment::taLeftJustify;
  DrawRadioMark(c, markRight ? r.Right - kMark : r.Left, r.Top + (r.Height() - kMark) / 2, checked_,
                Enabled());
  const TRect caption = markRight ? TRect{r.Left, r.Top, r.Right - kMark - kGap, r.Bottom}
                                  : TRect{r.Left + kMark + kGap, r.Top, r.Right, r.Bottom};
  PaintButtonCaption(c, GetText(), caption, Enabled(), Focused());
}

void TRadioButton::KeyDown(std::uint16_t& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  if (key == VK_SPACE) spaceDown_ = true;
}

void TRadioButton::KeyUp(std::uint16_t& key, TShiftState shift) {
  TWinControl::KeyUp(key, shift);
  if (key != VK_SPACE || !spaceDown_) return;
  spaceDown_ = false;
  Click();
}

// ---------------------------------------------------------------------------------------
// Item lists of combo and list boxes

// The items of a combo or list box: a string list that tells its control where items come
// and go, so that the selection follows them. Sorted lists keep duplicates; inserting into
// a sorted list adds in order.
class TItemStrings : public TStrings {
 public:
  explicit TItemStrings(TItemListOwner* owner) : owner_(owner) {
    list_.Duplicates = TDuplicates::dupAccept;
  }

  int Count() const override { return list_.Count(); }
  AnsiString Get(int index) const override { return list_.Get(index); }
  void Put(int index, const AnsiString& s) override {
    if (!list_.Sorted()) {
      list_.Put(index, s);
      owner_->ItemsChanged();
      return;
    }
    // A sorted list puts the new text in its place.
    TObject* object = list_.GetObject(index);
    Delete(index);
    PutObject(Add(s), object);
  }
  TObject* GetObject(int index) const override { return list_.GetObject(index); }
  void PutObject(int index, TObject* object) override { list_.PutObject(index, object); }
  void Insert(int index, const AnsiString& s) override {
    if (list_.Sorted()) {
      if (index < 0 || index > Count()) IndexError(index);
      Add(s);
      return;
    }
    list_.Insert(index, s);
    owner_->ItemInserted(index);
  }
  int Add(const AnsiString& s) override {
    if (!list_.Sorted()) {
      const int index = Count();
      Insert(index, s);
      return index;
    }
    const int index = list_.Add(s);
    owner_->ItemInserted(index);
    return index;
  }
  void Delete(int index) override {
    list_.Delete(index);
    owner_->ItemDeleted(index);
  }
  void Clear() override {
    list_.Clear();
    owner_->ItemsCleared();
  }
  int IndexOf(std::string_view s) const override { return list_.IndexOf(s); }
  void BeginUpdate() override { list_.BeginUpdate(); }
  void EndUpdate() override { list_.EndUpdate(); }
  void SetCaseSensitive(bool value) override {
    TStrings::SetCaseSensitive(value);
    list_.SetCaseSensitive(value);
  }

  bool Sorted() const { return list_.Sorted(); }
  void SetSorted(bool value) { list_.SetSorted(value); }

 private:
  TItemListOwner* owner_;
  TStringList list_;
};

// ---------------------------------------------------------------------------------------
// TComboBox

VCL_IMPLEMENT_COMPONENT(TComboBox, TWinControl)

void TComboBox::Publish(TPublisher& p) {
  p.Enum("Style", TypeComboBoxStyle(), &TComboBox::Style, &TComboBox::SetStyle);
  p.Object("Items", &TComboBox::Items, &TComboBox::SetItems);
  p.Bool("Sorted", &TComboBox::Sorted, &TComboBox::SetSorted);
  p.Integer("ItemIndex", &TComboBox::ItemIndex, &TComboBox::SetItemIndex);
  p.String("Text", &TControl::GetText, &TControl::SetText);
  p.Integer("DropDownCount", &TComboBox::DropDownCount, &TComboBox::SetDropDownCount);
  p.Integer("MaxLength", &TComboBox::MaxLength, &TComboBox::SetMaxLength);
  p.Enum("CharCase", TypeEditCharCase(), &TComboBox::CharCase, &TComboBox::SetCharCase);
  p.Integer("ItemHeight", &TComboBox::ItemHeight, &TComboBox::SetItemHeight);
  p.Event("OnChange", "TNotifyEvent", &TComboBox::OnChange);
  p.Event("OnSelect", "TNotifyEvent", &TComboBox::OnSelect);
  p.Event("OnDropDown", "TNotifyEvent", &TComboBox::OnDropDown);
  p.Event("OnCloseUp", "TNotifyEvent", &TComboBox::OnCloseUp);
  p.Event("OnDrawItem", "TDrawItemEvent", &TComboBox::OnDrawItem);
  p.Event("OnMeasureItem", "TMeasureItemEvent", &TComboBox::OnMeasureItem);
}

TComboBox::TComboBox(TComponent* owner) : TWinControl(owner), items_(new TItemStrings(this)) {
  SetBounds(0, 0, 145, 21);
  SetTabStop(true);
  SetColor(clWindow);
}

TComboBox::~TComboBox() {
  delete items_;
}

TStrings* TComboBox::Items() const {
  return items_;
}

void TComboBox::SetItems(TStrings* items) {
  if (items && items != items_) items_->Assign(*items);
}

bool TComboBox::IsListStyle() const {
  return style_ == TComboBoxStyle::csDropDownList || style_ == TComboBoxStyle::csOwnerDrawFixed ||
         style_ == TComboBoxStyle::csOwnerDrawVariable;
}

AnsiString TComboBox::GetTextValue() const {
  if (!IsListStyle()) return editor_.Text();
  return itemIndex_ >= 0 ? items_->Get(itemIndex_) : AnsiString();
}

void TComboBox::SetTextValue(const AnsiString& text) {
  if (IsListStyle()) {
    itemIndex_ = items_->IndexOf(text);
    return;
  }
  editor_.SetText(text);
  itemIndex_ = items_->IndexOf(editor_.Text());
}

void TComboBox::SetItemIndex(int index) {
  if (index < -1 || index >= items_->Count()) index = -1;
  bool changed = index != itemIndex_;
  itemIndex_ = index;
  // The edit styles show the selected item's text, and none for no selection.
  if (!IsListStyle()) {
    const AnsiString text = index >= 0 ? items_->Get(index) : AnsiString();
    if (text != editor_.Text()) {
      editor_.SetText(text);
      changed = true;
    }
  }
  if (changed) Invalidate();
}

void TComboBox::SetStyle(TComboBoxStyle value) {
  if (style_ == value) return;
  style_ = value;
  // An edit style starts from the selected item's text.
  if (!IsListStyle()) editor_.SetText(itemIndex_ >= 0 ? items_->Get(itemIndex_) : AnsiString());
  Invalidate();
}

bool TComboBox::Sorted() const {
  return items_->Sorted();
}

void TComboBox::SetSorted(bool value) {
  if (Sorted() == value) return;
  const bool hadSelection = itemIndex_ >= 0;
  const AnsiString selected = hadSelection ? items_->Get(itemIndex_) : AnsiString();
  items_->SetSorted(value);
  if (hadSelection) itemIndex_ = items_->IndexOf(selected);
}

void TComboBox::SetCharCase(TEditCharCase value) {
  editor_.SetCharCase(value);
}

void TComboBox::SetDroppedDown(bool value) {
  if (droppedDown_ == value) return;
  droppedDown_ = value;
  if (value)
    OnDropDown(this);
  else
    OnCloseUp(this);
}

void TComboBox::Clear() {
  SetText("");
  items_->Clear();
}

int TComboBox::MeasureItem(int index) {
  int height = itemHeight_;
  if (style_ == TComboBoxStyle::csOwnerDrawVariable) OnMeasureItem(this, index, height);
  return height;
}

void TComboBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  if (style_ == TComboBoxStyle::csOwnerDrawFixed || style_ == TComboBoxStyle::csOwnerDrawVariable)
    OnDrawItem(this, index, rect, state);
}

void TComboBox::Change() {
  OnChange(this);
}
void TComboBox::Select() {
  OnSelect(this);
}

void TComboBox::UserSelect(int index) {
  if (index == itemIndex_ || index < 0 || index >= items_->Count()) return;
  SetItemIndex(index);
  if (!IsListStyle()) editor_.SelectAll();
  Change();
  Select();
}

int TComboBox::FindItemByChar(char c) const {
  const int count = items_->Count();
  for (int step = 1; step <= count; ++step) {
    const int i = ((itemIndex_ < 0 ? -1 : itemIndex_) + step) % count;
    const AnsiString item = items_->Get(i);
    if (!item.empty() && UpperAscii(item[0]) == UpperAscii(c)) return i;
  }
  return -1;
}

void TComboBox::KeyDown(std::uint16_t& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  if (key == 0) return;
  const int count = items_->Count();
  const int page = std::max(1, dropDownCount_ - 1);
  if ((key == VK_DOWN && (shift & ssAlt)) || key == VK_F4) {
    SetDroppedDown(!droppedDown_);
    key = 0;
    return;
  }
  if ((key == VK_RETURN || key == VK_ESCAPE) && droppedDown_) {
    SetDroppedDown(false);
    key = 0;
    return;
  }
  switch (key) {
    case VK_DOWN:
      if (count > 0) UserSelect(std::min(itemIndex_ + 1, count - 1));
      return;
    case VK_UP:
      if (count > 0) UserSelect(std::max(itemIndex_ - 1, 0));
      return;
    case VK_NEXT:
      if (count > 0) UserSelect(std::min(itemIndex_ + page, count - 1));
      return;
    case VK_PRIOR:
      if (count > 0) UserSelect(std::max(itemIndex_ - page, 0));
      return;
    default:
      break;
  }
  if (IsListStyle()) {
    if (key == VK_HOME && count > 0) UserSelect(0);
    if (key == VK_END && count > 0) UserSelect(count - 1);
    return;
  }
  bool changed = false;
  if (key == VK_DELETE)
    changed = editor_.DeleteForward();
  else
    editor_.MoveCaret(key, (shift & ssShift) != 0);
  if (changed) {
    itemIndex_ = items_->IndexOf(editor_.Text());
    Invalidate();
    Change();
  }
}

void TComboBox::KeyPress(char& key) {
  TWinControl::KeyPress(key);
  if (key == 0) return;
  if (IsListStyle()) {
    if (static_cast<unsigned char>(key) < 0x20) return;
    const int index = FindItemByChar(key);
    if (index >= 0) UserSelect(index);
    return;
  }
  const bool changed = key == '\b' ? editor_.Backspace() : editor_.TypeChar(key);
  if (!changed) return;
  itemIndex_ = items_->IndexOf(editor_.Text());
  Invalidate();
  Change();
}

bool TComboBox::WantsKey(std::uint16_t key, TShiftState shift) const {
  switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      return true;
    case VK_RETURN:
    case VK_ESCAPE:
      return droppedDown_;
    default:
      return TWinControl::WantsKey(key, shift);
  }
}

void TComboBox::ItemInserted(int index) {
  if (itemIndex_ >= index) ++itemIndex_;
}

void TComboBox::ItemDeleted(int index) {
  if (itemIndex_ == index)
    itemIndex_ = -1;
  else if (itemIndex_ > index)
    --itemIndex_;
}

void TComboBox::ItemsCleared() {
  itemIndex_ = -1;
}

void TComboBox::Paint() {
  TCanvas* c = Canvas();
  const TRect r = ClientRect();
  const bool enabled = Enabled(), focused = Focused();
  const TColor fore = enabled ? Font()->GetColor() : clGrayText;
  const int lineHeight = LineHeight(c);
  c->Brush()->SetColor(style_ == TComboBoxStyle::csSimple ? clBtnFace : Color());
  c->FillRect(r);
  // The edit area: the whole box, or for csSimple a line at the top with the list below.
  const TRect box = style_ == TComboBoxStyle::csSimple
                        ? TRect{r.Left, r.Top, r.Right, std::min(r.Bottom, r.Top + lineHeight + 8)}
                        : r;
  TRect inner = DrawEdge(c, box, TEdgeKind::Sunken);
  c->Brush()->SetColor(Color());
  c->FillRect(inner);
  if (style_ != TComboBoxStyle::csSimple) {
    const TRect button{std::max(inner.Left, inner.Right - kScrollBarSize), inner.Top, inner.Right,
                       inner.Bottom};
    DrawArrow(c, DrawButtonFace(c, button, false, false), TArrowDirection::Down,
              enabled ? clBtnText : clGrayText);
    inner.Right = button.Left;
  }
  const TRect text{inner.Left + 1, inner.Top + 1, inner.Right - 1, inner.Bottom - 1};
  if (IsListStyle()) {
    // The selected item, on the highlight while the box has the focus.
    const bool highlight = enabled && focused;
    if ((style_ == TComboBoxStyle::csDropDownList || !OnDrawItem) || itemIndex_ < 0) {
      PaintItemRow(c, text, GetText(), highlight, enabled, Color(), fore);
    } else {
      PrepareOwnerDrawnItem(c, text, highlight, Color(), fore);
      DrawItem(
          itemIndex_, text,
          static_cast<TOwnerDrawState>(odComboBoxEdit | (highlight ? odSelected | odFocused : 0) |
                                       (enabled ? 0 : odDisabled)));
    }
    if (focused) c->DrawFocusRect(text);
  } else {
    const AnsiString& shown = editor_.Text();
    const int caretX = c->TextWidth(shown.substr(0, static_cast<size_t>(editor_.Caret())));
    const int x = text.Left + 1, y = text.Top + (text.Height() - lineHeight) / 2;
    const TClipScope clip(c, text);
    const bool selection = enabled && focused;
    DrawTextRun(c, x, y, shown, selection ? SelStart() : 0,
                selection ? SelStart() + SelLength() : 0, fore);
    if (selection) DrawCaret(c, x + caretX, y, lineHeight);
  }
  if (style_ != TComboBoxStyle::csSimple || box.Bottom >= r.Bottom) return;
  // csSimple: the list stays open below the edit.
  const TRect listBox{r.Left, box.Bottom, r.Right, r.Bottom};
  TRect list = DrawEdge(c, listBox, TEdgeKind::Sunken);
  c->Brush()->SetColor(Color());
  c->FillRect(list);
  const int rowHeight = std::max(itemHeight_, lineHeight);
  const int count = items_->Count();
  const int rows = std::max(1, list.Height() / rowHeight);
  const int first = std::clamp(itemIndex_ - rows + 1, 0, std::max(0, count - rows));
  if (count > rows) {
    DrawScrollBar(c, {list.Right - kScrollBarSize, list.Top, list.Right, list.Bottom}, true, 0,
                  count - 1, rows, first, enabled);
    list.Right -= kScrollBarSize;
  }
  const TClipScope clip(c, list);
  for (int i = first; i < count && i < first + rows + 1; ++i) {
    const int top = list.Top + (i - first) * rowHeight;
    PaintItemRow(c, {list.Left, top, list.Right, top + rowHeight}, items_->Get(i), i == itemIndex_,
                 enabled, Color(), fore);
  }
}

bool TComboBox::PaintPopup() {
  if (!droppedDown_ || style_ == TComboBoxStyle::csSimple || !Visible()) return false;
  TCanvas* c = Canvas();
  const bool ownerDraw =
      style_ == TComboBoxStyle::csOwnerDrawFixed || style_ == TComboBoxStyle::csOwnerDrawVariable;
  // Owner-drawn items have the height they are given; others the font's line.
  const int rowHeight = ownerDraw ? itemHeight_ : LineHeight(c);
  auto heightOf = [&](int index) {
    return style_ == TComboBoxStyle::csOwnerDrawVariable ? MeasureItem(index) : rowHeight;
  };
  const int count = items_->Count();
  const int rows = std::max(1, std::min(count, dropDownCount_));
  const int first = std::clamp(itemIndex_ - rows + 1, 0, std::max(0, count - rows));
  int height = 2;
  for (int i = first; i < first + rows; ++i) height += i < count ? heightOf(i) : rowHeight;
  // Below the box; above it when the form has no room below and has room above.
  const TRect form = c->ClipRect();
  TRect frame{0, Height(), Width(), Height() + height};
  if (frame.Bottom > form.Bottom && form.Top <= -height) frame = {0, -height, Width(), 0};
  c->Brush()->SetColor(clWindowFrame);
  c->FrameRect(frame);
  TRect list{frame.Left + 1, frame.Top + 1, frame.Right - 1, frame.Bottom - 1};
  c->Brush()->SetColor(Color());
  c->FillRect(list);
  if (count > rows) {
    DrawScrollBar(c, {list.Right - kScrollBarSize, list.Top, list.Right, list.Bottom}, true, 0,
                  count - 1, rows, first, true);
    list.Right -= kScrollBarSize;
  }
  const TClipScope clip(c, list);
  const TColor fore = Font()->GetColor();
  int top = list.Top;
  for (int i = first; i < count && top < list.Bottom; ++i) {
    const TRect row{list.Left, top, list.Right, top + heightOf(i)};
    const bool selected = i == itemIndex_;
    if (ownerDraw && OnDrawItem) {
      PrepareOwnerDrawnItem(c, row, selected, Color(), fore);
      DrawItem(i, row, selected ? static_cast<TOwnerDrawState>(odSelected | odFocused) : 0);
    } else {
      PaintItemRow(c, row, items_->Get(i), selected, true, Color(), fore);
    }
    top = row.Bottom;
  }
  return true;
}

// ---------------------------------------------------------------------------------------
// TListBox

VCL_IMPLEMENT_COMPONENT(TListBox, TWinControl)

void TListBox::Publish(TPublisher& p) {
  p.Enum("Style", TypeListBoxStyle(), &TListBox::Style, &TListBox::SetStyle);
  p.Object("Items", &TListBox::Items, &TListBox::SetItems);
  p.Bool("Sorted", &TListBox::Sorted, &TListBox::SetSorted);
  p.Bool("MultiSelect", &TListBox::MultiSelect, &TListBox::SetMultiSelect);
  p.Bool("ExtendedSelect", &TListBox::ExtendedSelect, &TListBox::SetExtendedSelect);
  p.Integer("ItemIndex", &TListBox::ItemIndex, &TListBox::SetItemIndex);
  p.Integer("ItemHeight", &TListBox::ItemHeight, &TListBox::SetItemHeight);
  p.Enum("BorderStyle", TypeBorderStyle(), &TListBox::BorderStyle, &TListBox::SetBorderStyle);
  p.Event("OnDrawItem", "TDrawItemEvent", &TListBox::OnDrawItem);
  p.Event("OnMeasureItem", "TMeasureItemEvent", &TListBox::OnMeasureItem);
}

TListBox::TListBox(TComponent* owner) : TWinControl(owner), items_(new TItemStrings(this)) {
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
  SetColor(clWindow);
}

TListBox::~TListBox() {
  delete items_;
}

TStrings* TListBox::Items() const {
  return items_;
}

void TListBox::SetItems(TStrings* items) {
  if (items && items != items_) items_->Assign(*items);
}

int TListBox::Count() const {
  return items_->Count();
}

void TListBox::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TListBox::SetItemIndex(int index) {
  if (index < -1 || index >= Count()) index = -1;
  if (index == itemIndex_) return;
  // With MultiSelect only the focus rectangle moves, as the platform's list does.
  itemIndex_ = index;
  anchor_ = index;
  if (index >= 0) MakeVisible(index);
  Invalidate();
}

void TListBox::SetMultiSelect(bool value) {
  if (multiSelect_ == value) return;
  multiSelect_ = value;
  selected_.assign(static_cast<size_t>(Count()), false);
  if (value && itemIndex_ >= 0) selected_[static_cast<size_t>(itemIndex_)] = true;
  Invalidate();
}

bool TListBox::Selected(int index) const {
  CheckIndex(index);
  return multiSelect_ ? bool(selected_[static_cast<size_t>(index)]) : index == itemIndex_;
}

void TListBox::SetSelected(int index, bool value) {
  CheckIndex(index);
  if (multiSelect_)
    selected_[static_cast<size_t>(index)] = value;
  else if (value)
    itemIndex_ = index;
  else if (itemIndex_ == index)
    itemIndex_ = -1;
  Invalidate();
}

int TListBox::SelCount() const {
  if (!multiSelect_) return -1;
  return static_cast<int>(std::count(selected_.begin(), selected_.end(), true));
}

void TListBox::ClearSelection() {
  if (multiSelect_)
    selected_.assign(static_cast<size_t>(Count()), false);
  else
    itemIndex_ = -1;
  Invalidate();
}

void TListBox::SelectAll() {
  if (!multiSelect_) return;
  selected_.assign(static_cast<size_t>(Count()), true);
  Invalidate();
}

bool TListBox::Sorted() const {
  return items_->Sorted();
}

void TListBox::SetSorted(bool value) {
  if (Sorted() == value) return;
  items_->SetSorted(value);
  // The items moved: the selection does not follow them.
  ItemsCleared();
}

void TListBox::Clear() {
  items_->Clear();
}

void TListBox::SetBorderStyle(TBorderStyle value) {
  if (borderStyle_ == value) return;
  borderStyle_ = value;
  Invalidate();
}

void TListBox::SetTopIndex(int index) {
  topIndex_ = std::clamp(index, 0, std::max(0, Count() - 1));
  Invalidate();
}

int TListBox::MeasureItem(int index) {
  int height = itemHeight_;
  if (style_ == TListBoxStyle::lbOwnerDrawVariable) OnMeasureItem(this, index, height);
  return std::max(height, 1);
}

void TListBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  if (style_ != TListBoxStyle::lbStandard) OnDrawItem(this, index, rect, state);
}

TRect TListBox::ItemRect(int index) {
  int top = 0;
  if (style_ == TListBoxStyle::lbOwnerDrawVariable) {
    for (int i = topIndex_; i < index; ++i) top += MeasureItem(i);
    for (int i = index; i < topIndex_; ++i) top -= MeasureItem(i);
  } else {
    top = (index - topIndex_) * itemHeight_;
  }
  return {0, top, ClientWidth(), top + MeasureItem(index)};
}

int TListBox::ItemAtPos(TPoint p, bool existing) {
  const int count = Count();
  if (p.Y < 0) return -1;
  int index = topIndex_;
  for (int y = 0; index < count; ++index) {
    const int height = MeasureItem(index);
    if (p.Y < y + height) return index;
    y += height;
  }
  return existing ? -1 : count;
}

void TListBox::MakeVisible(int index) {
  const int rows = std::max(1, ClientHeight() / itemHeight_);
  if (index < topIndex_)
    topIndex_ = index;
  else if (index >= topIndex_ + rows)
    topIndex_ = index - rows + 1;
}

void TListBox::UserMoveTo(int index, bool extend) {
  const int count = Count();
  if (count == 0) return;
  index = std::clamp(index, 0, count - 1);
  if (!multiSelect_) {
    if (index == itemIndex_) return;
    itemIndex_ = anchor_ = index;
  } else if (extendedSelect_) {
    if (!extend || anchor_ < 0) anchor_ = index;
    selected_.assign(static_cast<size_t>(count), false);
    for (int i = std::min(anchor_, index); i <= std::max(anchor_, index); ++i)
      selected_[static_cast<size_t>(i)] = true;
    itemIndex_ = index;
  } else {
    itemIndex_ = index;  // only the focus rectangle moves; Space selects
  }
  MakeVisible(index);
  Invalidate();
  Click();
}

void TListBox::KeyDown(std::uint16_t& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  if (key == 0) return;
  const int rows = std::max(1, ClientHeight() / itemHeight_);
  const bool extend = (shift & ssShift) != 0;
  const int from = itemIndex_;
  switch (key) {
    case VK_DOWN:
    case VK_RIGHT:
      UserMoveTo(from + 1, extend);
      break;
    case VK_UP:
    case VK_LEFT:
      UserMoveTo(from < 0 ? 0 : from - 1, extend);
      break;
    case VK_HOME:
      UserMoveTo(0, extend);
      break;
    case VK_END:
      UserMoveTo(Count() - 1, extend);
      break;
    case VK_NEXT:
      UserMoveTo(from + std::max(1, rows - 1), extend);
      break;
    case VK_PRIOR:
      UserMoveTo(from - std::max(1, rows - 1), extend);
      break;
    case VK_SPACE:
      if (multiSelect_ && itemIndex_ >= 0) {
        const size_t i = static_cast<size_t>(itemIndex_);
        selected_[i] = !selected_[i];
        Invalidate();
        Click();
      }
      break;
    default:
      break;
  }
}

bool TListBox::WantsKey(std::uint16_t key, TShiftState shift) const {
  switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      return true;
    default:
      return TWinControl::WantsKey(key, shift);
  }
}

void TListBox::WndProc(TMessage& message) {
  if (message.msg == WM_LBUTTONDOWN) {
    constexpr WPARAM kMkShift = 4, kMkControl = 8;
    mouseShift_ =
        ((message.wParam & kMkShift) ? ssShift : 0) | ((message.wParam & kMkControl) ? ssCtrl : 0);
  }
  TWinControl::WndProc(message);
}

void TListBox::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TWinControl::MouseDown(button, shift, x, y);
  if (button != TMouseButton::mbLeft) return;
  // Items lie inside the border.
  const int index = ItemAtPos({x - BorderSize(), y - BorderSize()}, true);
  if (index < 0) return;
  if (!multiSelect_) {
    itemIndex_ = anchor_ = index;
  } else if (!extendedSelect_ || (mouseShift_ & ssCtrl)) {
    selected_[static_cast<size_t>(index)] = !selected_[static_cast<size_t>(index)];
    itemIndex_ = anchor_ = index;
  } else {
    if (!(mouseShift_ & ssShift) || anchor_ < 0) anchor_ = index;
    selected_.assign(static_cast<size_t>(Count()), false);
    for (int i = std::min(anchor_, index); i <= std::max(anchor_, index); ++i)
      selected_[static_cast<size_t>(i)] = true;
    itemIndex_ = index;
  }
  Invalidate();
}

void TListBox::ItemInserted(int index) {
  selected_.insert(selected_.begin() + index, false);
  if (itemIndex_ >= index) ++itemIndex_;
  if (anchor_ >= index) ++anchor_;
}

void TListBox::ItemDeleted(int index) {
  selected_.erase(selected_.begin() + index);
  if (itemIndex_ == index)
    itemIndex_ = -1;
  else if (itemIndex_ > index)
    --itemIndex_;
  if (anchor_ >= index) anchor_ = anchor_ == index ? -1 : anchor_ - 1;
  topIndex_ = std::clamp(topIndex_, 0, std::max(0, Count() - 1));
}

void TListBox::ItemsCleared() {
  selected_.assign(static_cast<size_t>(Count()), false);
  itemIndex_ = anchor_ = -1;
  topIndex_ = 0;
}

void TListBox::Paint() {
  TCanvas* c = Canvas();
  TRect inner = ClientRect();
  c->FillRect(inner);
  if (borderStyle_ == TBorderStyle::bsSingle) inner = DrawEdge(c, inner, TEdgeKind::Sunken);
  const int count = Count();
  const bool enabled = Enabled(), focused = Focused();
  const TColor fore = enabled ? Font()->GetColor() : clGrayText;
  // Rows that fit, and whether the items overflow them.
  int rows = 0, used = 0;
  for (int i = 0; i < count && used + MeasureItem(i) <= inner.Height(); ++i) {
    used += MeasureItem(i);
    ++rows;
  }
  if (count > rows || topIndex_ > 0) {
    DrawScrollBar(c, {inner.Right - kScrollBarSize, inner.Top, inner.Right, inner.Bottom}, true, 0,
                  count - 1, std::max(1, rows), topIndex_, enabled);
    inner.Right -= kScrollBarSize;
  }
  const TClipScope clip(c, inner);
  const bool ownerDraw = style_ != TListBoxStyle::lbStandard && OnDrawItem;
  for (int i = topIndex_; i < count; ++i) {
    TRect row = ItemRect(i);
    row = {inner.Left, inner.Top + row.Top, inner.Right, inner.Top + row.Bottom};
    if (row.Top >= inner.Bottom) break;
    const bool selected = Selected(i);
    if (ownerDraw) {
      PrepareOwnerDrawnItem(c, row, selected, Color(), fore);
      DrawItem(i, row,
               static_cast<TOwnerDrawState>((selected ? odSelected : 0) |
                                            (focused && i == itemIndex_ ? odFocused : 0) |
                                            (enabled ? 0 : odDisabled)));
    } else {
      PaintItemRow(c, row, items_->Get(i), selected, enabled, Color(), fore);
    }
    if (focused && i == itemIndex_) c->DrawFocusRect(row);
  }
}

// ---------------------------------------------------------------------------------------
// TGroupBox

VCL_IMPLEMENT_COMPONENT(TGroupBox, TCustomControl)

void TGroupBox::Publish(TPublisher& p) {
  p.String("Caption", &TControl::Caption, &TControl::SetCaption);
}

TGroupBox::TGroupBox(TComponent* owner) : TCustomControl(owner) {
  SetBounds(0, 0, 185, 105);
}

void TGroupBox::Paint() {
  PaintGroupFrame(Canvas(), ClientRect(), GetText(), Color(), Enabled());
}

}  // namespace vcl
