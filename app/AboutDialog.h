// The About box (command 16434): the translated dialog 16434 with the
// program description, the version line and the maker, shown modally over
// the frame.
#pragma once

#include <memory>

namespace kvn {

class TDialog;
class TWindow;

// The box, not yet created (Create shows it modeless, Execute modally).
std::unique_ptr<TDialog> MakeAboutDialog(TWindow& owner);
void RunAboutDialog(TWindow& owner);

}  // namespace kvn
