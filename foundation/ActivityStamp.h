// The time of the user's last input, for a guard that wants to know how long
// the user has been idle. Windows fed it from thread hooks on the mouse and
// the keyboard; here the application's event filter calls the two hook
// functions for every mouse and key event.
#pragma once

#include <cstdint>

namespace kvn {

// The record a guard owns while it is active.
struct ActivityRecord {
  std::uint64_t lastInputTick = 0;
};

// Not owned; null when no guard is active. Returns the previous record.
ActivityRecord* SetActiveActivityRecord(ActivityRecord* record);

// Hook codes of the hook procedures that count as input.
inline constexpr int kHcAction = 0;
inline constexpr int kHcNoRemove = 3;

// For the codes above, the tick count (TickClock.h) becomes the active
// record's last input time. Return 0: the event goes on unchanged.
int ActivityMouseHook(int code);
int ActivityKeyboardHook(int code);

}  // namespace kvn
