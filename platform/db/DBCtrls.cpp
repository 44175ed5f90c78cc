#include "platform/db/DBCtrls.h"

#include <algorithm>

#include "platform/vcl/Dialogs.h"
#include "platform/vcl/GraphUtil.h"

namespace vcl {

namespace {

bool ChangesText(char key) {
  return static_cast<unsigned char>(key) >= 0x20 || key == '\b';
}

// The symbol of a navigator button, about nine pixels square, centred on (cx, cy).
void DrawNavSymbol(TCanvas* c, TNavigateBtn button, int cx, int cy, TColor color) {
  c->Brush()->SetColor(color);
  auto block = [&](int left, int top, int right, int bottom) {
    c->FillRect({cx + left, cy + top, cx + right, cy + bottom});
  };
  // A triangle with its tip at column `tip`, widening towards `step` (+1 right, -1 left).
  auto triangle = [&](int tip, int step) {
    for (int i = 0; i < 5; ++i) block(tip + step * i, -i, tip + step * i + 1, i + 1);
  };
  switch (button) {
    case nbFirst:
      block(-4, -4, -2, 5);
      triangle(-1, 1);
      break;
    case nbPrior:
      triangle(-2, 1);
      break;
    case nbNext:
      triangle(2, -1);
      break;
    case nbLast:
      triangle(1, -1);
      block(2, -4, 4, 5);
      break;
    case nbInsert:
      block(-4, -1, 5, 1);
      block(-1, -4, 1, 5);
      break;
    case nbDelete:
      block(-4, -1, 5, 1);
      break;
    case nbEdit:
      for (int i = 0; i < 5; ++i) block(-i, i - 2, i + 1, i - 1);
      break;
    case nbPost:
      for (int i = 0; i < 9; ++i) {
        const int top = i <= 3 ? i - 1 : 2 - (i - 3);
        block(i - 4, top, i - 3, top + 2);
      }
      break;
    case nbCancel:
      for (int i = 0; i < 8; ++i) {
        block(i - 4, i - 4, i - 2, i - 3);
        block(3 - i, i - 4, 5 - i, i - 3);
      }
      break;
    case nbRefresh:
      // A circular arrow open at the top right, its head pointing down there.
      for (int y = -4; y <= 4; ++y)
        for (int x = -4; x <= 4; ++x) {
          const int d = x * x + y * y;
          if (d >= 9 && d <= 20 && !(x > 0 && y < 0)) block(x, y, x + 1, y + 1);
        }
      for (int i = 0; i < 3; ++i) block(1 + i, -4 + i, 6 - i, -3 + i);
      break;
  }
}

const bool registered = [] {
  RegisterClass(TDBEdit::StaticClass());
  RegisterClass(TDBComboBox::StaticClass());
  RegisterClass(TDBNavigator::StaticClass());
  return true;
}();

}  // namespace

// ---------------------------------------------------------------------------------------
// TDBEdit

VCL_IMPLEMENT_COMPONENT(TDBEdit, TCustomEdit)

void TDBEdit::Publish(TPublisher& p) {
  p.Object("DataSource", &TDBEdit::DataSource, &TDBEdit::SetDataSource);
  p.String("DataField", &TDBEdit::DataField, &TDBEdit::SetDataField);
  p.Bool("ReadOnly", &TDBEdit::ReadOnly, &TDBEdit::SetReadOnly);
}

TDBEdit::TDBEdit(TComponent* owner) : TCustomEdit(owner) {
  SetBounds(0, 0, 121, 21);
  link_.Control = this;
  link_.OnDataChange = MethodOf<&TDBEdit::DataChange>(this);
  link_.OnEditingChange = MethodOf<&TDBEdit::EditingChange>(this);
  link_.OnUpdateData = MethodOf<&TDBEdit::UpdateData>(this);
  link_.OnActiveChange = MethodOf<&TDBEdit::ActiveChange>(this);
  UpdateReadOnly();
}

TDBEdit::~TDBEdit() {
  // The link leaves its data source without calling back into this control.
  link_.OnDataChange = nullptr;
  link_.OnEditingChange = nullptr;
  link_.OnUpdateData = nullptr;
  link_.OnActiveChange = nullptr;
  link_.SetDataSource(nullptr);
}

void TDBEdit::SetDataSource(TDataSource* source) {
  if (source == link_.DataSource()) return;
  if (link_.DataSource()) RemoveFreeNotification(link_.DataSource());
  link_.SetDataSource(source);
  if (source) FreeNotification(source);
  UpdateReadOnly();
}

void TDBEdit::SetReadOnly(bool value) {
  readOnly_ = value;
  UpdateReadOnly();
}

void TDBEdit::UpdateReadOnly() {
  TCustomEdit::SetReadOnly(!CanModify());
}

void TDBEdit::Notification(TComponent* component, TOperation operation) {
  TCustomEdit::Notification(component, operation);
  if (operation == TOperation::opRemove && component == link_.DataSource()) {
    link_.SetDataSource(nullptr);
    UpdateReadOnly();
  }
}

void TDBEdit::DataChange(TObject*) {
  TField* field = link_.Field();
  AnsiString text;
  if (field) {
    // The edit text while editing (or about to), the display text otherwise.
    text = link_.Editing() || (Focused() && CanModify()) ? field->Text() : field->DisplayText();
    const bool sized =
        field->DataType() == TFieldType::ftString || field->DataType() == TFieldType::ftWideString;
    if (sized && (MaxLength() == 0 || maxLengthFromField_)) {
      SetMaxLength(field->Size());
      maxLengthFromField_ = true;
    } else if (!sized && maxLengthFromField_) {
      SetMaxLength(0);
      maxLengthFromField_ = false;
    }
  }
  loading_ = true;
  if (text != GetText()) SetText(text);
  loading_ = false;
  SetModified(false);
  UpdateReadOnly();
}

void TDBEdit::EditingChange(TObject*) {
  UpdateReadOnly();
}

void TDBEdit::ActiveChange(TObject*) {
  UpdateReadOnly();
}

void TDBEdit::UpdateData(TObject*) {
  if (TField* field = link_.Field()) field->SetText(GetText());
}

bool TDBEdit::BeginChange() {
  if (!CanModify()) return false;
  return link_.Edit();
}

void TDBEdit::KeyDown(std::uint16_t& key, TShiftState shift) {
  if (key == VK_DELETE && !BeginChange()) {
    key = 0;
    return;
  }
  TCustomEdit::KeyDown(key, shift);
}

void TDBEdit::KeyPress(char& key) {
  if (key == '\x1b') {
    // Escape drops the typed text and shows the field again.
    link_.Reset();
    SelectAll();
    key = 0;
    return;
  }
  if (ChangesText(key) && !BeginChange()) {
    key = 0;
    return;
  }
  TCustomEdit::KeyPress(key);
}

void TDBEdit::Change() {
  if (!loading_ && Modified()) link_.Modified();
  TCustomEdit::Change();
}

void TDBEdit::DoEnter() {
  // The edit text replaces the display text while the control has the focus.
  if (TField* field = link_.Field(); field && CanModify()) {
    const AnsiString text = field->Text();
    if (text != GetText() && !link_.IsModified()) {
      loading_ = true;
      SetText(text);
      loading_ = false;
    }
  }
  TCustomEdit::DoEnter();
}

void TDBEdit::DoExit() {
  try {
    link_.UpdateRecord();
  } catch (...) {
    SelectAll();
    throw;
  }
  TCustomEdit::DoExit();
}

// ---------------------------------------------------------------------------------------
// TDBComboBox

VCL_IMPLEMENT_COMPONENT(TDBComboBox, TComboBox)

void TDBComboBox::Publish(TPublisher& p) {
  p.Object("DataSource", &TDBComboBox::DataSource, &TDBComboBox::SetDataSource);
  p.String("DataField", &TDBComboBox::DataField, &TDBComboBox::SetDataField);
  p.Bool("ReadOnly", &TDBComboBox::ReadOnly, &TDBComboBox::SetReadOnly);
}

TDBComboBox::TDBComboBox(TComponent* owner) : TComboBox(owner) {
  link_.Control = this;
  link_.OnDataChange = MethodOf<&TDBComboBox::DataChange>(this);
  link_.OnUpdateData = MethodOf<&TDBComboBox::UpdateData>(this);
}

TDBComboBox::~TDBComboBox() {
  link_.OnDataChange = nullptr;
  link_.OnUpdateData = nullptr;
  link_.SetDataSource(nullptr);
}

void TDBComboBox::SetDataSource(TDataSource* source) {
  if (source == link_.DataSource()) return;
  if (link_.DataSource()) RemoveFreeNotification(link_.DataSource());
  link_.SetDataSource(source);
  if (source) FreeNotification(source);
}

void TDBComboBox::Notification(TComponent* component, TOperation operation) {
  TComboBox::Notification(component, operation);
  if (operation == TOperation::opRemove && component == link_.DataSource())
    link_.SetDataSource(nullptr);
}

void TDBComboBox::DataChange(TObject*) {
  TField* field = link_.Field();
  const AnsiString text = field ? field->Text() : AnsiString();
  loading_ = true;
  if (IsListStyle())
    SetItemIndex(Items()->IndexOf(text));
  else if (text != GetText())
    SetText(text);
  loading_ = false;
}

void TDBComboBox::UpdateData(TObject*) {
  if (TField* field = link_.Field()) field->SetText(GetText());
}

bool TDBComboBox::BeginChange() {
  if (!CanModify()) return false;
  return link_.Edit();
}

void TDBComboBox::KeyDown(std::uint16_t& key, TShiftState shift) {
  bool changes = false;
  switch (key) {
    case VK_UP:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_DELETE:
      changes = true;
      break;
    case VK_DOWN:
      changes = (shift & ssAlt) == 0;
      break;
    case VK_HOME:
    case VK_END:
      changes = IsListStyle();
      break;
    default:
      break;
  }
  if (changes && !BeginChange()) {
    key = 0;
    return;
  }
  TComboBox::KeyDown(key, shift);
}

void TDBComboBox::KeyPress(char& key) {
  if (ChangesText(key) && !BeginChange()) {
    key = 0;
    return;
  }
  TComboBox::KeyPress(key);
}

void TDBComboBox::Change() {
  if (!loading_) link_.Modified();
  TComboBox::Change();
}

void TDBComboBox::DoExit() {
  link_.UpdateRecord();
  TComboBox::DoExit();
}

// ---------------------------------------------------------------------------------------
// TDBNavigator

const TTypeInfo* TypeNavigateBtn() {
  static const TTypeInfo* type =
      MakeEnumType("TNavigateBtn", {"nbFirst", "nbPrior", "nbNext", "nbLast", "nbInsert",
                                    "nbDelete", "nbEdit", "nbPost", "nbCancel", "nbRefresh"});
  return type;
}

const TTypeInfo* TypeButtonSet() {
  static const TTypeInfo* type = MakeSetType("TButtonSet", TypeNavigateBtn());
  return type;
}

void TNavDataLink::ActiveChanged() {
  navigator_->ButtonsChanged();
}
void TNavDataLink::EditingChanged() {
  navigator_->ButtonsChanged();
}
void TNavDataLink::DataSetChanged() {
  navigator_->ButtonsChanged();
}

VCL_IMPLEMENT_COMPONENT(TDBNavigator, TCustomControl)

void TDBNavigator::Publish(TPublisher& p) {
  p.Object("DataSource", &TDBNavigator::DataSource, &TDBNavigator::SetDataSource);
  p.Enum("VisibleButtons", TypeButtonSet(), &TDBNavigator::VisibleButtons,
         &TDBNavigator::SetVisibleButtons);
  p.Object("Hints", &TDBNavigator::Hints, &TDBNavigator::SetHints);
  p.Bool("ConfirmDelete", &TDBNavigator::ConfirmDelete, &TDBNavigator::SetConfirmDelete);
  p.Event("BeforeAction", "TNavClickEvent", &TDBNavigator::BeforeAction);
  p.Event("OnClick", "TNavClickEvent", &TDBNavigator::OnClick);
}

TDBNavigator::TDBNavigator(TComponent* owner)
    : TCustomControl(owner), link_(this), hints_(new TStringList) {
  SetBounds(0, 0, 241, 25);
  hints_->OnChange = [this] { Invalidate(); };
}

TDBNavigator::~TDBNavigator() {
  link_.SetDataSource(nullptr);
  delete hints_;
  hints_ = nullptr;
}

void TDBNavigator::SetDataSource(TDataSource* source) {
  if (source == link_.DataSource()) return;
  if (link_.DataSource()) RemoveFreeNotification(link_.DataSource());
  link_.SetDataSource(source);
  if (source) FreeNotification(source);
  ButtonsChanged();
}

void TDBNavigator::Notification(TComponent* component, TOperation operation) {
  TCustomControl::Notification(component, operation);
  if (operation == TOperation::opRemove && component == link_.DataSource())
    link_.SetDataSource(nullptr);
}

void TDBNavigator::SetVisibleButtons(TButtonSet buttons) {
  buttons &= kAllNavButtons;
  if (buttons == visibleButtons_) return;
  visibleButtons_ = buttons;
  Invalidate();
}

void TDBNavigator::SetHints(TStrings* hints) {
  if (hints && hints != hints_) hints_->Assign(*hints);
}

AnsiString TDBNavigator::DefaultHint(TNavigateBtn button) {
  static const char* const hints[kNavButtonCount] = {
      "First record",  "Prior record", "Next record", "Last record", "Insert record",
      "Delete record", "Edit record",  "Post edit",   "Cancel edit", "Refresh data"};
  return button < kNavButtonCount ? hints[button] : "";
}

AnsiString TDBNavigator::ButtonHint(TNavigateBtn button) const {
  if (button < hints_->Count()) {
    AnsiString hint = hints_->Get(button);
    if (!hint.empty()) return hint;
  }
  return DefaultHint(button);
}

bool TDBNavigator::ButtonEnabled(TNavigateBtn button) const {
  if (!Enabled() || !link_.Active()) return false;
  const TDataSet* dataSet = link_.DataSet();
  const TDataSetState state = dataSet->State();
  const bool editing = state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
  const bool canModify = dataSet->CanModify();
  switch (button) {
    case nbFirst:
    case nbPrior:
      return !dataSet->Bof();
    case nbNext:
    case nbLast:
      return !dataSet->Eof();
    case nbInsert:
      return canModify;
    case nbDelete:
      return canModify && !(dataSet->Bof() && dataSet->Eof());
    case nbEdit:
      return canModify && !editing;
    case nbPost:
    case nbCancel:
      return canModify && editing;
    case nbRefresh:
      return true;
  }
  return false;
}

TRect TDBNavigator::ButtonRect(TNavigateBtn button) const {
  if (!ButtonVisible(button)) return {};
  int count = 0, position = 0;
  for (int b = 0; b < kNavButtonCount; ++b) {
    if (!ButtonVisible(static_cast<TNavigateBtn>(b))) continue;
    if (b == button) position = count;
    ++count;
  }
  const TRect client = ClientRect();
  const int left = client.Left + client.Width() * position / count;
  const int right = client.Left + client.Width() * (position + 1) / count;
  return {left, client.Top, right, client.Bottom};
}

bool TDBNavigator::ButtonAt(int x, int y, TNavigateBtn& button) const {
  for (int b = 0; b < kNavButtonCount; ++b) {
    const auto candidate = static_cast<TNavigateBtn>(b);
    if (ButtonVisible(candidate) && ButtonRect(candidate).Contains({x, y})) {
      button = candidate;
      return true;
    }
  }
  return false;
}

void TDBNavigator::BtnClick(TNavigateBtn button) {
  TDataSource* source = link_.DataSource();
  if (!source || source->State() == TDataSetState::dsInactive) return;
  BeforeAction(this, button);
  TDataSet* dataSet = source->DataSet();
  switch (button) {
    case nbFirst:
      dataSet->First();
      break;
    case nbPrior:
      dataSet->Prior();
      break;
    case nbNext:
      dataSet->Next();
      break;
    case nbLast:
      dataSet->Last();
      break;
    case nbInsert:
      dataSet->Insert();
      break;
    case nbDelete:
      if (!confirmDelete_ ||
          MessageDlg("Delete record?", TMsgDlgType::mtConfirmation, mbOKCancel) == mrOk)
        dataSet->Delete();
      break;
    case nbEdit:
      dataSet->Edit();
      break;
    case nbPost:
      dataSet->Post();
      break;
    case nbCancel:
      dataSet->Cancel();
      break;
    case nbRefresh:
      dataSet->Refresh();
      break;
  }
  OnClick(this, button);
}

void TDBNavigator::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  TNavigateBtn at{};
  pressed_ = button == TMouseButton::mbLeft && ButtonAt(x, y, at) ? at : -1;
  if (pressed_ >= 0) Invalidate();
}

void TDBNavigator::Paint() {
  TCanvas* c = Canvas();
  c->FillRect(ClientRect());
  for (int b = 0; b < kNavButtonCount; ++b) {
    const auto button = static_cast<TNavigateBtn>(b);
    const TRect r = ButtonRect(button);
    if (r.Width() <= 0 || r.Height() <= 0) continue;
    const bool pressed = pressed_ == b && MouseCaptured();
    DrawButtonFace(c, r, pressed, false);
    const int cx = (r.Left + r.Right) / 2 + (pressed ? 1 : 0);
    const int cy = (r.Top + r.Bottom) / 2 + (pressed ? 1 : 0);
    if (ButtonEnabled(button)) {
      DrawNavSymbol(c, button, cx, cy, clBtnText);
    } else {
      DrawNavSymbol(c, button, cx + 1, cy + 1, clBtnHighlight);
      DrawNavSymbol(c, button, cx, cy, clBtnShadow);
    }
  }
}

void TDBNavigator::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  const int pressed = pressed_;
  pressed_ = -1;
  if (pressed >= 0) Invalidate();
  TNavigateBtn at{};
  if (button != TMouseButton::mbLeft || pressed < 0 || !ButtonAt(x, y, at) || at != pressed) return;
  if (ButtonEnabled(at)) BtnClick(at);
}

}  // namespace vcl
