// LoadQuestions: the questions a reader may have to put to the user while it
// reads (go on without the file? go on with damaged blocks?). Readers never
// show a window themselves; the open dispatcher hands them an answerer: one
// that shows a message box with the owner of the load's messages, or one
// that answers every question "stop" where nobody may be asked (quiet loads,
// kvn-dump, tests).
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

class cMsgDlg;

struct LoadQuestion {
  // Language text of the question.
  int textId = 0;
  // Buttons and icon (foundation/MsgBox.h), e.g. kMbOkCancel | kMbIconQuestion.
  std::uint32_t style = 0;
  // Shown after the text when not empty (a path, a chain of files).
  WString detail;
};

class LoadQuestions {
 public:
  virtual ~LoadQuestions() = default;
  // True when the reader is to go on (OK, Retry or Yes), false to stop.
  virtual bool GoOn(const LoadQuestion& question) = 0;
  // The button that answered (kIdYes, kIdNo, kIdCancel ...), for questions
  // of three answers; without a box: kIdYes for going on, else kIdCancel.
  virtual int Ask(const LoadQuestion& question);
};

// Answers every question "stop", asking nobody.
class QuietQuestions final : public LoadQuestions {
 public:
  bool GoOn(const LoadQuestion&) override { return false; }
};

// Asks with a message box of `owner`.
class MessageBoxQuestions final : public LoadQuestions {
 public:
  explicit MessageBoxQuestions(cMsgDlg& owner) : owner_(owner) {}
  bool GoOn(const LoadQuestion& question) override;
  int Ask(const LoadQuestion& question) override;

 private:
  cMsgDlg& owner_;
};

// The questions of a load that nobody may be asked about.
LoadQuestions& NoQuestions();

}  // namespace kvn
