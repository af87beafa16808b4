#include "document/LoadQuestions.h"

#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"

namespace kvn {

namespace {

LoadDialogs* g_dialogs = nullptr;

}  // namespace

LoadDialogs* SetLoadDialogs(LoadDialogs* dialogs) {
  LoadDialogs* previous = g_dialogs;
  g_dialogs = dialogs;
  return previous;
}

LoadDialogs* GetLoadDialogs() { return g_dialogs; }

int LoadQuestions::Ask(const LoadQuestion& question) { return GoOn(question) ? kIdYes : kIdCancel; }

int LoadQuestions::ChooseSheet(const std::vector<WString>& items) { return items.empty() ? -1 : 0; }

bool LoadQuestions::ChooseViewDirection(ViewDirectionChoice&) { return true; }

bool MessageBoxQuestions::ChooseViewDirection(ViewDirectionChoice& choice) {
  if (LoadDialogs* dialogs = GetLoadDialogs()) return dialogs->ChooseViewDirection(owner_, choice);
  return LoadQuestions::ChooseViewDirection(choice);
}

int MessageBoxQuestions::ChooseSheet(const std::vector<WString>& items) {
  if (LoadDialogs* dialogs = GetLoadDialogs()) return dialogs->ChooseSheet(owner_, items);
  return LoadQuestions::ChooseSheet(items);
}

int MessageBoxQuestions::Ask(const LoadQuestion& question) {
  WString text = LoadLangString(question.textId);
  text.Append(question.detail);
  return owner_.MessageBoxStr(question.caption, question.style, text);
}

bool MessageBoxQuestions::GoOn(const LoadQuestion& question) {
  const int answer = Ask(question);
  return answer == kIdOk || answer == kIdRetry || answer == kIdYes;
}

LoadQuestions& NoQuestions() {
  static QuietQuestions quiet;
  return quiet;
}

}  // namespace kvn
