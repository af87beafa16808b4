#include "platform/ui/ThemedButton.h"

#include "foundation/UiColors.h"

namespace kvn {

namespace {

bool g_theming = true;

// COLOR_BTNFACE (15) in the program's themed variant.
constexpr int kColorButtonFaceThemed = 128 + 15;

}  // namespace

void SetPushButtonTheming(bool on) { g_theming = on; }
bool PushButtonTheming() { return g_theming; }

void SubclassPushButtons(const void*, wxWindow*) {}
void ForgetSubclassedButtons(const void*) {}

bool TrackMouseLeave(wxWindow*) { return false; }

// GetUiSysColor asks the configured colour first, then the table, then the
// system: exactly the face rule.
COLORREF ThemedButtonFaceColor() { return GetUiSysColor(kColorButtonFaceThemed); }

}  // namespace kvn
