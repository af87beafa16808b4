#include "foundation/ActivityStamp.h"

#include "foundation/TickClock.h"

namespace kvn {

namespace {
ActivityRecord* g_record = nullptr;

int Stamp(int code) {
  if (g_record && (code == kHcAction || code == kHcNoRemove)) g_record->lastInputTick = GetTickCount64();
  return 0;
}
}  // namespace

ActivityRecord* SetActiveActivityRecord(ActivityRecord* record) {
  ActivityRecord* old = g_record;
  g_record = record;
  return old;
}

int ActivityMouseHook(int code) { return Stamp(code); }
int ActivityKeyboardHook(int code) { return Stamp(code); }

}  // namespace kvn
