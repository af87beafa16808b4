// DeleteFolderTree: removes a folder with everything below it, or with the
// keep-top flag only the folders below it. Symbolic links are removed as
// links: what they point to is never entered nor deleted.
#pragma once

#include "foundation/WString.h"

namespace kvn {

class cMsgDlg;
class StepMonitor;

// True when the tree is gone (a path that is not an existing folder counts
// as gone and shows nothing). Failures are shown to the owner when one is
// given. The monitor, when given, is stepped with *counter and the file name
// after each deleted file, and the counter (when given) is incremented.
bool DeleteFolderTree(const WString& path, const cMsgDlg* owner, bool keepTop, StepMonitor* monitor, int* counter);

}  // namespace kvn
