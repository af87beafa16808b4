#include "controls/AutoKeys.h"

#include "platform/ui/Controls.h"
#include "platform/ui/MessageBridge.h"

namespace kvn {

TResult LiveKeysDlgCode(TWindow& control, std::uint32_t defaultCode, TParam2 lParam) {
  const auto* msg = reinterpret_cast<const TMsg*>(lParam);
  if (msg && msg->message == kWmKeyDown) {
    TWindow* parent = control.GetParentO();
    switch (msg->wParam) {
      case kVkEscape: return TResult(defaultCode);
      case kVkTab:
        if (parent) parent->PostMessage(kWmAutoNext, GetKeyState(kVkShift) < 0 ? 2 : 1, 0);
        break;
      case kVkReturn:
        if (parent) parent->PostMessage(kWmAutoNext, 0, 0);
        break;
      default: break;
    }
  }
  return TResult(defaultCode | kDlgcWantAllKeys);
}

}  // namespace kvn
