#include "platform/vcl/Mask.h"

#include <algorithm>

#include "platform/rtl/CodePages.h"
#include "platform/rtl/DateTime.h"

namespace vcl {

namespace {

constexpr const char* kInvalidInput = "Invalid input value.  Use escape key to abandon changes";

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsInputChar(char c) {
  switch (c) {
    case '0':
    case '9':
    case '#':
    case 'L':
    case 'l':
    case 'A':
    case 'a':
    case 'C':
    case 'c':
      return true;
    default:
      return false;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// TEditMask

TEditMask::TEditMask(std::string_view mask) {
  // The mask ends at the first field separator that is not escaped.
  size_t end = std::string_view::npos;
  for (size_t i = 0; i < mask.size(); ++i) {
    if (mask[i] == '\\') {
      ++i;
    } else if (mask[i] == ';') {
      end = i;
      break;
    }
  }
  const std::string_view body = mask.substr(0, end);
  if (end != std::string_view::npos) {
    const std::string_view rest = mask.substr(end + 1);
    const size_t semi = rest.find(';');
    const std::string_view save = rest.substr(0, semi);
    if (!save.empty()) saveLiterals_ = save[0] != '0';
    if (semi != std::string_view::npos && semi + 1 < rest.size()) blank_ = rest[semi + 1];
  }

  Case charCase = Case::None;
  auto literal = [&](char c) { positions_.push_back({true, c, Case::None}); };
  for (size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (IsInputChar(c)) {
      positions_.push_back({false, c, charCase});
      continue;
    }
    switch (c) {
      case '!':
        break;
      case '>':
        charCase = Case::Upper;
        break;
      case '<':
        if (i + 1 < body.size() && body[i + 1] == '>') {
          charCase = Case::None;
          ++i;
        } else {
          charCase = Case::Lower;
        }
        break;
      case '\\':
        if (i + 1 < body.size()) literal(body[++i]);
        break;
      case '/':
        literal(DateSeparator);
        break;
      case ':':
        literal(TimeSeparator);
        break;
      case '_':
        literal(' ');
        break;
      default:
        literal(c);
    }
  }
}

bool TEditMask::IsLiteral(int pos) const {
  return pos < 0 || pos >= Length() || positions_[static_cast<size_t>(pos)].literal;
}

char TEditMask::Literal(int pos) const {
  return IsLiteral(pos) && pos >= 0 && pos < Length() ? positions_[static_cast<size_t>(pos)].ch
                                                      : '\0';
}

bool TEditMask::IsRequired(int pos) const {
  if (IsLiteral(pos)) return false;
  const char m = positions_[static_cast<size_t>(pos)].ch;
  return m == '0' || m == 'L' || m == 'A' || m == 'C';
}

bool TEditMask::Fits(int pos, char c) const {
  if (IsLiteral(pos)) return false;
  switch (positions_[static_cast<size_t>(pos)].ch) {
    case '0':
    case '9':
      return IsDigit(c);
    case '#':
      return IsDigit(c) || c == '+' || c == '-';
    case 'L':
    case 'l':
      return IsLetter(c);
    case 'A':
    case 'a':
      return IsLetter(c) || IsDigit(c);
    default:  // C, c
      return static_cast<unsigned char>(c) >= 0x20 && c != 0x7F;
  }
}

char TEditMask::Convert(int pos, char c) const {
  if (IsLiteral(pos)) return c;
  switch (positions_[static_cast<size_t>(pos)].charCase) {
    case Case::Upper:
      return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    case Case::Lower:
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    default:
      return c;
  }
}

AnsiString TEditMask::BlankText() const {
  AnsiString out;
  for (const Position& p : positions_) out += p.literal ? p.ch : blank_;
  return out;
}

AnsiString TEditMask::Format(std::string_view value) const {
  AnsiString out = BlankText();
  size_t next = 0;
  for (int pos = 0; pos < Length() && next < value.size(); ++pos) {
    const char c = value[next];
    if (IsLiteral(pos)) {
      if (c == Literal(pos)) ++next;
      continue;
    }
    ++next;
    // Spaces and blanks leave the position empty, as do characters that do not fit.
    if (c != ' ' && c != blank_ && Fits(pos, c)) out[static_cast<size_t>(pos)] = Convert(pos, c);
  }
  return out;
}

AnsiString TEditMask::FromEditText(std::string_view editText) const {
  AnsiString out = BlankText();
  for (int pos = 0; pos < Length() && static_cast<size_t>(pos) < editText.size(); ++pos) {
    const char c = editText[static_cast<size_t>(pos)];
    if (!IsLiteral(pos) && c != ' ' && c != blank_ && Fits(pos, c))
      out[static_cast<size_t>(pos)] = Convert(pos, c);
  }
  return out;
}

bool TEditMask::Filled(std::string_view editText, int pos) const {
  return static_cast<size_t>(pos) < editText.size() && editText[static_cast<size_t>(pos)] != blank_;
}

AnsiString TEditMask::ToText(std::string_view editText) const {
  AnsiString out;
  for (int pos = 0; pos < Length(); ++pos) {
    if (IsLiteral(pos)) {
      if (saveLiterals_) out += Literal(pos);
    } else if (Filled(editText, pos)) {
      out += editText[static_cast<size_t>(pos)];
    } else if (saveLiterals_) {
      out += ' ';
    }
  }
  return out;
}

bool TEditMask::IsEmpty(std::string_view editText) const {
  for (int pos = 0; pos < Length(); ++pos)
    if (!IsLiteral(pos) && Filled(editText, pos)) return false;
  return true;
}

int TEditMask::FirstMissing(std::string_view editText) const {
  for (int pos = 0; pos < Length(); ++pos)
    if (IsRequired(pos) && !Filled(editText, pos)) return pos;
  return -1;
}

int TEditMask::NextInput(int pos) const {
  for (int p = std::max(pos, 0); p < Length(); ++p)
    if (!IsLiteral(p)) return p;
  return -1;
}

int TEditMask::PrevInput(int pos) const {
  for (int p = std::min(pos, Length()) - 1; p >= 0; --p)
    if (!IsLiteral(p)) return p;
  return -1;
}

AnsiString FormatMaskText(std::string_view editMask, std::string_view value) {
  const TEditMask mask(editMask);
  if (mask.Empty()) return AnsiString(value);
  return mask.ToText(mask.Format(value));
}

// ---------------------------------------------------------------------------------------
// TMaskEdit

VCL_IMPLEMENT_COMPONENT(TMaskEdit, TCustomEdit)

void TMaskEdit::Publish(TPublisher& p) {
  p.String("EditMask", &TMaskEdit::EditMask, &TMaskEdit::SetEditMask);
}

TMaskEdit::TMaskEdit(TComponent* owner) : TCustomEdit(owner) {
  SetBounds(0, 0, 121, 21);
}

void TMaskEdit::SetEditMask(const AnsiString& mask) {
  if (mask == editMask_) return;
  const AnsiString text = GetText();
  editMask_ = mask;
  mask_ = TEditMask(mask);
  editor_.Replace(IsMasked() ? mask_.Format(text) : text, 0);
  Invalidate();
}

AnsiString TMaskEdit::GetTextValue() const {
  return IsMasked() ? mask_.ToText(editor_.Text()) : editor_.Text();
}

AnsiString TMaskEdit::EditTextFor(const AnsiString& text) const {
  return IsMasked() ? mask_.Format(text) : text;
}

void TMaskEdit::SetEditText(const AnsiString& text) {
  if (!editor_.Replace(IsMasked() ? mask_.FromEditText(text) : text, 0)) return;
  Invalidate();
  Change();
}

bool TMaskEdit::IsMaskedTextEmpty() const {
  return IsMasked() ? mask_.IsEmpty(editor_.Text()) : editor_.Text().empty();
}

void TMaskEdit::ValidateEdit() {
  if (!IsMasked()) return;
  const int missing = mask_.FirstMissing(editor_.Text());
  if (missing < 0) return;
  editor_.SetSelStart(missing);
  throw EMaskError(kInvalidInput);
}

void TMaskEdit::DoExit() {
  if (IsMasked() && Modified() && !IsMaskedTextEmpty()) ValidateEdit();
  TCustomEdit::DoExit();
}

bool TMaskEdit::BlankRange(int from, int to) {
  AnsiString text = editor_.Text();
  for (int p = std::max(from, 0); p < to && p < mask_.Length(); ++p)
    if (!mask_.IsLiteral(p)) text[static_cast<size_t>(p)] = mask_.BlankChar();
  return editor_.Replace(text, from);
}

bool TMaskEdit::EditKeyDown(std::uint16_t key, TShiftState shift) {
  if (!IsMasked() || key != VK_DELETE) return TCustomEdit::EditKeyDown(key, shift);
  if (ReadOnly()) return false;
  const int start = editor_.SelStart();
  if (editor_.SelLength() > 0) return BlankRange(start, start + editor_.SelLength());
  const int pos = mask_.NextInput(start);
  if (pos < 0) return false;
  const bool changed = BlankRange(pos, pos + 1);
  editor_.SetSelStart(start);
  return changed;
}

bool TMaskEdit::EditChar(char c) {
  if (!IsMasked()) return TCustomEdit::EditChar(c);
  if (ReadOnly()) return false;
  // A double-byte character never fits one position: refused with its trail byte.
  if (dropTrail_) {
    dropTrail_ = false;
    return false;
  }
  if (IsDBCSLeadByte(static_cast<unsigned char>(c))) {
    dropTrail_ = true;
    return false;
  }
  const int start = editor_.SelStart();
  const int selEnd = start + editor_.SelLength();
  if (c == '\b') {
    if (selEnd > start) return BlankRange(start, selEnd);
    // The caret goes to the previous input position, blanking it.
    const int pos = mask_.PrevInput(start);
    return pos >= 0 && BlankRange(pos, pos + 1);
  }
  if (static_cast<unsigned char>(c) < 0x20) return false;
  // Typing the literal at the caret steps over it.
  if (start == selEnd && mask_.IsLiteral(start) && start < mask_.Length() &&
      c == mask_.Literal(start)) {
    const int next = mask_.NextInput(start);
    editor_.SetSelStart(next < 0 ? mask_.Length() : next);
    return false;
  }
  const int pos = mask_.NextInput(start);
  if (pos < 0 || !mask_.Fits(pos, c)) {
    // A separator typed where the caret already passed it is taken as read; one typed before
    // its place skips the positions up to it ("9:30" into "99:99").
    if (start == selEnd && !mask_.IsLiteral(start) && c != mask_.Literal(start - 1)) {
      int literal = start;
      while (literal < mask_.Length() && !mask_.IsLiteral(literal)) ++literal;
      if (literal < mask_.Length() && c == mask_.Literal(literal)) {
        const int next = mask_.NextInput(literal);
        editor_.SetSelStart(next < 0 ? mask_.Length() : next);
      }
    }
    return false;
  }
  AnsiString text = editor_.Text();
  for (int p = start; p < selEnd; ++p)
    if (!mask_.IsLiteral(p)) text[static_cast<size_t>(p)] = mask_.BlankChar();
  text[static_cast<size_t>(pos)] = mask_.Convert(pos, c);
  const int next = mask_.NextInput(pos + 1);
  return editor_.Replace(text, next < 0 ? mask_.Length() : next);
}

}  // namespace vcl
