#include "document/LoadQuestions.h"

#include "foundation/MsgBox.h"

namespace kvn {

bool MessageBoxQuestions::GoOn(const LoadQuestion& question) {
  const int answer = owner_.MessageBoxById(0, question.style, question.textId);
  return answer == kIdOk || answer == kIdRetry || answer == kIdYes;
}

LoadQuestions& NoQuestions() {
  static QuietQuestions quiet;
  return quiet;
}

}  // namespace kvn
