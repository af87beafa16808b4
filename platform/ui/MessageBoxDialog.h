// The message box of the program: a modal dialog of our own that builds the
// box itself (icon, text, the buttons of the style with the texts it is
// given, the default button), so that no hook into a system box is needed.
#pragma once

#include <wx/dialog.h>

#include <vector>

#include "foundation/MsgBox.h"

class wxButton;

namespace kvn {

class MessageBoxDialog : public wxDialog {
 public:
  // `parent` may be null. A translated request is placed over the parent on
  // the parent's monitor; an untranslated (nested) one keeps the default place.
  MessageBoxDialog(wxWindow* parent, const MessageBoxRequest& request);
  ~MessageBoxDialog() override;

  // Shows the box modally; returns the answer (kIdOk, kIdYes, ...).
  int Run();

  // Themed push buttons (platform/ui/ThemedButton.h) while theming is on.
  struct Button {
    wxWindow* button;
    int answer;  // kIdOk, ...
  };
  // The buttons from left to right.
  const std::vector<Button>& Buttons() const { return buttons_; }
  // Ends the box as if the button with this answer had been pressed.
  void Press(int answer);

 private:
  void AddButtons(std::uint32_t style, const MessageBoxButtonLabels& labels, bool translated);
  void Place(wxWindow* parent);
  void OnClose(wxCloseEvent& event);
  void OnCharHook(wxKeyEvent& event);
  void Click(wxWindow* button);

  std::vector<Button> buttons_;
  // The answer of Escape and of the title bar's close box; 0 when the style
  // has no button to cancel with (Yes/No, Abort/Retry/Ignore).
  int escapeAnswer_ = 0;
};

class MessageBoxDialogBackend : public MessageBoxBackend {
 public:
  int ShowBox(const MessageBoxRequest& request) override;
};

// Installs the dialog as the message-box backend for the rest of the process
// (the application calls it once at start-up, after the toolkit is up).
void InstallMessageBoxDialogBackend();

}  // namespace kvn
