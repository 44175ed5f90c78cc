// The popup-menu side of controls: kept apart so that the control unit does not depend on
// the menus.
#include "platform/vcl/Controls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Menus.h"

namespace vcl {

const TTypeInfo* TypePopupMenu() {
  static const TTypeInfo* type = ClassTypeInfo(TPopupMenu::StaticClass());
  return type;
}

TPopupMenu* TControl::PopupMenuOf(TComponent* menu) {
  return dynamic_cast<TPopupMenu*>(menu);
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
  SetPopupMenuComponent(menu);
}

void TControl::PopupAt(int x, int y) {
  TPopupMenu* menu = popupMenu_;
  if (!menu || !menu->AutoPopup()) return;
  menu->SetPopupComponent(this);
  const TPoint p = ClientToParentForm({x, y});
  TCustomForm* form = GetParentForm();
  menu->Popup(p.X + (form ? form->Left() : 0), p.Y + (form ? form->Top() : 0));
}

}  // namespace vcl
