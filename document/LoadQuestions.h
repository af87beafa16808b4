// LoadQuestions: the questions a reader may have to put to the user while it
// reads (go on without the file? go on with damaged blocks?). Readers never
// show a window themselves; the open dispatcher hands them an answerer: one
// that shows a message box with the owner of the load's messages, or one
// that answers every question "stop" where nobody may be asked (quiet loads,
// kvn-dump, tests).
#pragma once

#include <cstdint>
#include <vector>

#include "document/ViewDirection.h"
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
  // The box's caption; empty gives the default caption (string 1064).
  WString caption;
};

class LoadQuestions {
 public:
  virtual ~LoadQuestions() = default;
  // True when the reader is to go on (OK, Retry or Yes), false to stop.
  virtual bool GoOn(const LoadQuestion& question) = 0;
  // The button that answered (kIdYes, kIdNo, kIdCancel ...), for questions
  // of three answers; without a box: kIdYes for going on, else kIdCancel.
  virtual int Ask(const LoadQuestion& question);
  // The sheet the user picks from a file of several sheets (a file chosen
  // for a missing external reference); each item is a sheet's number, a
  // separator and its name. The index picked, or -1 when none was. Without
  // a dialog the first sheet.
  virtual int ChooseSheet(const std::vector<WString>& items);
  // The direction a drawing with 3-D content is seen from, starting from
  // `choice`; false when the user cancels (the drawing is not opened).
  // Without a dialog the choice stays as it is.
  virtual bool ChooseViewDirection(ViewDirectionChoice& choice);
};

// Answers every question "stop", asking nobody.
class QuietQuestions final : public LoadQuestions {
 public:
  bool GoOn(const LoadQuestion&) override { return false; }
  int ChooseSheet(const std::vector<WString>&) override { return -1; }
};

// Asks with a message box of `owner`.
class MessageBoxQuestions final : public LoadQuestions {
 public:
  explicit MessageBoxQuestions(cMsgDlg& owner) : owner_(owner) {}
  bool GoOn(const LoadQuestion& question) override;
  int Ask(const LoadQuestion& question) override;
  int ChooseSheet(const std::vector<WString>& items) override;
  bool ChooseViewDirection(ViewDirectionChoice& choice) override;

 private:
  cMsgDlg& owner_;
};

// The dialogs the questions of a load may need beyond message boxes. The
// shell installs them at start-up; without them the core answers as if
// nobody could be asked (the first sheet).
class LoadDialogs {
 public:
  virtual ~LoadDialogs() = default;
  virtual int ChooseSheet(cMsgDlg& owner, const std::vector<WString>& items) = 0;
  virtual bool ChooseViewDirection(cMsgDlg& owner, ViewDirectionChoice& choice) = 0;
};
// Null removes them; they must outlive their installation.
LoadDialogs* SetLoadDialogs(LoadDialogs* dialogs);
LoadDialogs* GetLoadDialogs();

// The questions of a load that nobody may be asked about.
LoadQuestions& NoQuestions();

}  // namespace kvn
