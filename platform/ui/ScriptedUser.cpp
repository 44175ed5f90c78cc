#include "platform/ui/ScriptedUser.h"

#include "platform/vcl/Input.h"

namespace vcl {

TScriptedUser::TScriptedUser() : previous_(GetPresentation()) {
  SetPresentation(this);
}

TScriptedUser::~TScriptedUser() {
  SetPresentation(previous_);
}

void TScriptedUser::Answer(Action action) {
  answers_.push_back(std::move(action));
}

void TScriptedUser::ClickButton(std::string_view buttonName) {
  AnsiString name(buttonName);
  Answer([name](TCustomForm& form) {
    if (auto* control = dynamic_cast<TControl*>(form.FindComponent(name))) ClickControl(control);
  });
}

void TScriptedUser::Reply(int modalResult) {
  Answer([modalResult](TCustomForm& form) { form.SetModalResult(modalResult); });
}

int TScriptedUser::UnansweredCount() const {
  int count = 0;
  for (const Record& r : shown_)
    if (!r.Answered) ++count;
  return count;
}

bool TScriptedUser::RunModal(TCustomForm& form) {
  Record record;
  record.ClassName = form.ClassName();
  record.Caption = form.Caption();
  if (auto* message = dynamic_cast<TControl*>(form.FindComponent("Message")))
    record.Message = message->Caption();
  const size_t index = shown_.size();
  shown_.push_back(record);

  bool answered = false;
  if (!answers_.empty()) {
    Action action = std::move(answers_.front());
    answers_.pop_front();
    auto alive = form.AliveToken();
    action(form);
    Application()->ProcessMessages();
    if (!*alive) {
      shown_[index].Answered = true;
      return true;
    }
    answered = form.ModalResult() != mrNone;
  }
  if (!answered) form.SetModalResult(mrCancel);
  shown_[index].Result = form.ModalResult();
  shown_[index].Answered = answered;
  return answered;
}

}  // namespace vcl
