#include "platform/ui/DialogTemplate.h"

#include <cstdint>

namespace kvn {

namespace {

bool g_overridden = false;
std::span<const DialogTemplateData> g_override;

// x * base / divisor rounded to the nearest integer, halves away from zero,
// in 64 bits so that no template value can overflow.
int MulDivRound(int value, int base, int divisor) {
  const std::int64_t n = std::int64_t(value) * base;
  const std::int64_t q = n >= 0 ? (n + divisor / 2) / divisor : -((-n + divisor / 2) / divisor);
  if (q > INT32_MAX) return INT32_MAX;
  if (q < INT32_MIN) return INT32_MIN;
  return int(q);
}

}  // namespace

const char16_t* DialogControlClassName(DialogControlClass cls) {
  switch (cls) {
    case DialogControlClass::Button: return u"Button";
    case DialogControlClass::Static: return u"Static";
    case DialogControlClass::Edit: return u"Edit";
    case DialogControlClass::ListBox: return u"ListBox";
    case DialogControlClass::ComboBox: return u"ComboBox";
    case DialogControlClass::ListView: return u"SysListView32";
    case DialogControlClass::Progress: return u"msctls_progress32";
    case DialogControlClass::UpDown: return u"msctls_updown32";
  }
  return u"";
}

const DialogControlData* DialogTemplateData::FindControl(int controlId) const {
  if (controlId == -1) return nullptr;
  for (const DialogControlData& c : Controls()) {
    if (c.id == controlId) return &c;
  }
  return nullptr;
}

std::span<const DialogTemplateData> AllDialogTemplates() {
  if (g_overridden) return g_override;
  return {dialog_data::kDialogTemplates, dialog_data::kDialogTemplateCount};
}

const DialogTemplateData* FindDialogTemplate(int id) {
  for (const DialogTemplateData& t : AllDialogTemplates()) {
    if (t.id == id) return &t;
  }
  return nullptr;
}

int DialogUnitsToPixelsX(int x, int baseX) { return MulDivRound(x, baseX, 4); }
int DialogUnitsToPixelsY(int y, int baseY) { return MulDivRound(y, baseY, 8); }

TRect DialogUnitsToPixels(const TRect& units, int baseX, int baseY) {
  return TRect{DialogUnitsToPixelsX(units.left, baseX), DialogUnitsToPixelsY(units.top, baseY),
               DialogUnitsToPixelsX(units.right, baseX), DialogUnitsToPixelsY(units.bottom, baseY)};
}

ScopedDialogTemplates::ScopedDialogTemplates(std::span<const DialogTemplateData> templates)
    : previous_(g_override), hadPrevious_(g_overridden) {
  g_override = templates;
  g_overridden = true;
}

ScopedDialogTemplates::~ScopedDialogTemplates() {
  g_override = previous_;
  g_overridden = hadPrevious_;
}

}  // namespace kvn
