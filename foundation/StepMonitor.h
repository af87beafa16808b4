// StepMonitor: what the folder and archive routines tell about their
// progress. The application's progress monitor serves it; tests count the
// steps. A false answer from Step cancels the operation.
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

class cMsgDlg;

class StepMonitor {
 public:
  virtual ~StepMonitor() = default;
  // One step: a value (a counter or a percentage) and a text (may be empty).
  // False when the user cancelled.
  virtual bool Step(std::uint32_t value, const WString& text) = 0;
  // The window messages of the operation go to; null when none.
  virtual const cMsgDlg* MessageOwner() const { return nullptr; }
};

}  // namespace kvn
