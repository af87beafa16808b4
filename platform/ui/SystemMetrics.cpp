#include "platform/ui/SystemMetrics.h"

#include <wx/app.h>
#include <wx/settings.h>

namespace kvn {

int GetSystemMetrics(int index) {
  int fallback = 0;
  wxSystemMetric metric;
  switch (index) {
    case kSmCxBorder: fallback = 1; metric = wxSYS_BORDER_X; break;
    case kSmCyBorder: fallback = 1; metric = wxSYS_BORDER_Y; break;
    case kSmCxFrame: fallback = 4; metric = wxSYS_FRAMESIZE_X; break;
    case kSmCyFrame: fallback = 4; metric = wxSYS_FRAMESIZE_Y; break;
    default: return 0;
  }
  // Without a running toolkit (tests, start-up) the classic values answer.
  if (wxTheApp == nullptr) return fallback;
  const int value = wxSystemSettings::GetMetric(metric);
  return value > 0 ? value : fallback;
}

}  // namespace kvn
