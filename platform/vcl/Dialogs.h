// Message dialogs: forms built for a text, a dialog type and a set of named buttons.
#pragma once

#include <cstdint>

#include "platform/vcl/Forms.h"

namespace vcl {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn : std::uint16_t {
  mbYes = 1 << 0,
  mbNo = 1 << 1,
  mbOK = 1 << 2,
  mbCancel = 1 << 3,
  mbAbort = 1 << 4,
  mbRetry = 1 << 5,
  mbIgnore = 1 << 6,
  mbAll = 1 << 7,
  mbNoToAll = 1 << 8,
  mbYesToAll = 1 << 9,
  mbHelp = 1 << 10,
};
using TMsgDlgButtons = std::uint16_t;
inline constexpr TMsgDlgButtons mbYesNoCancel = mbYes | mbNo | mbCancel;
inline constexpr TMsgDlgButtons mbYesNo = mbYes | mbNo;
inline constexpr TMsgDlgButtons mbOKCancel = mbOK | mbCancel;

// The message dialog: caption "Warning", "Error", "Information", "Confirmation" (or the
// application title for mtCustom), a label named "Message" with the text, and one button per
// flag, in the order Yes No OK Cancel Abort Retry Ignore All NoToAll YesToAll Help, named
// "Yes", "No", "OK", ... with the captions "&Yes", "&No", "OK", "Cancel", "&Abort", "&Retry",
// "&Ignore", "&All", "N&o to All", "Yes to &All", "&Help" and the matching modal results.
// The first of OK/Yes is the default button, Cancel (or No, or OK) the cancel button.
TForm* CreateMessageDialog(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons);
// Shows the dialog modally, frees it and returns its modal result.
int MessageDlg(const AnsiString& text, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx = 0);
void ShowMessage(const AnsiString& text);
// A plain message box; `flags` as the system's MB_ values (MB_OK 0, MB_OKCANCEL 1,
// MB_YESNOCANCEL 3, MB_YESNO 4; icons MB_ICONERROR 0x10, MB_ICONQUESTION 0x20,
// MB_ICONWARNING 0x30, MB_ICONINFORMATION 0x40). Returns IDOK 1, IDCANCEL 2, IDYES 6, IDNO 7.
int MessageBox(const AnsiString& text, const AnsiString& caption, unsigned flags);

}  // namespace vcl
