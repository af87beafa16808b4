// The dialogs the readers' questions need beyond message boxes: the view
// direction of a foreign drawing with 3-D content (template 15528) and the
// sheet of a file chosen for a missing external reference (template 15529).
// The core asks through document/LoadQuestions.h; these are installed there
// at start-up.
#pragma once

#include <vector>

#include "document/LoadQuestions.h"
#include "document/ViewDirection.h"
#include "foundation/WString.h"

namespace kvn {

class TWindow;

// The dialogs shown over `parent`; false (or -1) when cancelled. The view
// choice is changed only by OK.
bool RunViewDirectionDialog(TWindow* parent, ViewDirectionChoice& choice);
int RunSheetChoiceDialog(TWindow* parent, const std::vector<WString>& items);

void InstallLoadDialogs();
void UninstallLoadDialogs();

}  // namespace kvn
