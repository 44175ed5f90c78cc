// The headless presentation: a scripted user answers modal forms and message dialogs in the
// order they appear, and everything shown is recorded.
#pragma once

#include <deque>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/vcl/Forms.h"

namespace vcl {

class TScriptedUser : public TPresentation {
 public:
  // Acts on a modal form as a person would (clicks, typing); it should end with the form's
  // ModalResult set, directly or through a button.
  using Action = std::function<void(TCustomForm& form)>;

  // Installs itself as the presentation; the previous one comes back on destruction.
  TScriptedUser();
  ~TScriptedUser() override;
  TScriptedUser(const TScriptedUser&) = delete;
  TScriptedUser& operator=(const TScriptedUser&) = delete;

  // Queues the answer to the next modal form.
  void Answer(Action action);
  // Queues a click on the next modal form's button of that name (message dialogs name their
  // buttons "OK", "Cancel", "Yes", "No" ...).
  void ClickButton(std::string_view buttonName);
  // Queues a plain modal result for the next modal form.
  void Reply(int modalResult);

  struct Record {
    AnsiString ClassName;
    AnsiString Caption;
    AnsiString Message;  // the text of a message dialog's "Message" label, else ""
    int Result = 0;
    bool Answered = false;
  };
  // Every modal form run so far, in order.
  const std::vector<Record>& Shown() const { return shown_; }
  // Modal forms that found no answer queued (they were given mrCancel).
  int UnansweredCount() const;
  // Answers queued but not used yet.
  int PendingAnswers() const { return static_cast<int>(answers_.size()); }

  bool RunModal(TCustomForm& form) override;

 private:
  std::deque<Action> answers_;
  std::vector<Record> shown_;
  TPresentation* previous_ = nullptr;
};

}  // namespace vcl
