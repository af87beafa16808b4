// The About box (command 16434): program description, version and maker,
// in the interface language, shown modally over the frame.
#pragma once

namespace kvn {

class TWindow;

void RunAboutDialog(TWindow& owner);

}  // namespace kvn
