// Masked edits: an edit whose text follows an edit mask "mask;save-literals;blank-char".
//
// Mask characters: 0 digit required, 9 digit optional, # digit or sign optional, L letter
// required, l letter optional, A letter or digit required, a letter or digit optional, C any
// character required, c any character optional, > upper case for what follows, < lower case,
// <> no case conversion, \ the next character is a literal, ! accepted (leading blanks), _ a
// literal space, / the date separator, : the time separator; anything else is a literal.
// Field 2: "0" leaves the literals out of Text (default "1" keeps them). Field 3: the blank
// character shown in empty positions (default "_").
#pragma once

#include <vector>

#include "platform/vcl/StdCtrls.h"

namespace vcl {

// Raised when a masked edit's text misses a required character.
VCL_DECLARE_EXCEPTION(EMaskError, Exception)

// A parsed edit mask.
class TEditMask {
 public:
  TEditMask() = default;
  explicit TEditMask(std::string_view mask);

  bool Empty() const { return positions_.empty(); }
  int Length() const { return static_cast<int>(positions_.size()); }
  bool SaveLiterals() const { return saveLiterals_; }
  char BlankChar() const { return blank_; }

  bool IsLiteral(int pos) const;
  char Literal(int pos) const;
  // True when the position must be filled.
  bool IsRequired(int pos) const;
  // True when `c` may go into input position `pos`.
  bool Fits(int pos, char c) const;
  // `c` as stored at `pos` (case conversion of > and <).
  char Convert(int pos, char c) const;

  // The edit text with every input position blank.
  AnsiString BlankText() const;
  // Places `value` into the mask: characters fill the input positions in order, a character
  // equal to the literal at that point is skipped, a character that does not fit leaves its
  // position blank.
  AnsiString Format(std::string_view value) const;
  // The edit text taken position by position (misfits become blanks).
  AnsiString FromEditText(std::string_view editText) const;
  // Text from an edit text: with saved literals, the edit text with blanks as spaces; without,
  // the entered characters only.
  AnsiString ToText(std::string_view editText) const;
  // True when no input position of `editText` is filled.
  bool IsEmpty(std::string_view editText) const;
  // The first required input position left blank, or -1.
  int FirstMissing(std::string_view editText) const;
  // The first input position at or after / before `pos`, or -1.
  int NextInput(int pos) const;
  int PrevInput(int pos) const;

 private:
  enum class Case { None, Upper, Lower };
  struct Position {
    bool literal = true;
    char ch = 0;  // the literal, or the mask character of an input position
    Case charCase = Case::None;
  };
  bool Filled(std::string_view editText, int pos) const;
  std::vector<Position> positions_;
  bool saveLiterals_ = true;
  char blank_ = '_';
};

// `value` formatted by `editMask` as a masked edit's Text would read after assigning it.
AnsiString FormatMaskText(std::string_view editMask, std::string_view value);

// An edit with an edit mask; an empty mask makes it a plain edit. Typing overwrites the next
// input position (skipping literals) and refuses characters that do not fit it; Backspace
// blanks the previous input position. Leaving the control validates modified, non-empty
// input (ValidateEdit raises EMaskError before OnExit runs).
class TMaskEdit : public TCustomEdit {
  VCL_DECLARE_COMPONENT(TMaskEdit)
 public:
  explicit TMaskEdit(TComponent* owner);

  const AnsiString& EditMask() const { return editMask_; }
  // Reformats the current text into the new mask.
  void SetEditMask(const AnsiString& mask);
  bool IsMasked() const { return !mask_.Empty(); }
  // The text as shown: literals and blank characters included.
  AnsiString EditText() const { return editor_.Text(); }
  // Takes the text position by position.
  void SetEditText(const AnsiString& text);
  // True when no character has been entered (an unmasked edit: when the text is empty).
  bool IsMaskedTextEmpty() const;
  // Raises EMaskError "Invalid input value.  Use escape key to abandon changes" when a
  // required position is blank, with the caret put there.
  void ValidateEdit();

  void DoExit() override;

 protected:
  AnsiString GetTextValue() const override;
  AnsiString EditTextFor(const AnsiString& text) const override;
  bool EditKeyDown(std::uint16_t key, TShiftState shift) override;
  bool EditChar(char c) override;

 private:
  // Blanks the input positions in [from, to).
  bool BlankRange(int from, int to);
  AnsiString editMask_;
  TEditMask mask_;
  bool dropTrail_ = false;
};

}  // namespace vcl
