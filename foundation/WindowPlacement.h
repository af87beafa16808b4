// Monitors and frame-window placement.
//
// The monitor list (process-wide) holds, in enumeration order, each
// monitor's rectangle and work area (the rectangle less task bars and
// panels), in screen pixels, and which one is primary. The window layer
// installs a MonitorSource (wxDisplay); without one, or when it reports no
// monitor, the list holds one monitor {0, 0, 800, 600}.
//
// A frame's placement is kept in the registry under <key path>\<value name>
// ("WindowPos" for the main frame) as two REG_BINARY values of 16 bytes
// {left, top, right, bottom} (signed 32-bit, little-endian, screen pixels):
//   "W"  the window rectangle when not maximised; all zero when maximised,
//   "W2" the window rectangle while maximised; deleted when not maximised.
// The placement logic is pure functions over an explicit monitor list; the
// registry and the process list are wrapped around them.
#pragma once

#include <cstdint>

#include "foundation/GrowArray.h"
#include "foundation/MsgBox.h"
#include "foundation/WString.h"

namespace kvn {

struct MonitorInfo {
  ScreenRect monitor;
  ScreenRect work;
};

struct MonitorList {
  GrowArray<MonitorInfo> monitors;
  std::uint32_t primary = 0;
};

class MonitorSource {
 public:
  virtual ~MonitorSource() = default;
  // Appends every monitor; `primary` gets the primary monitor's index.
  virtual void EnumerateMonitors(GrowArray<MonitorInfo>& out, std::uint32_t& primary) = 0;
};

// Not owned; null removes the source. Returns the previous one.
MonitorSource* SetMonitorSource(MonitorSource* source);

// Rebuilds the process list from the source and returns it.
const MonitorList& EnumerateMonitorWorkAreas();
// Rebuilds the list; the primary monitor's work area.
ScreenRect GetPrimaryWorkArea();
// Rebuilds the list; the first work area holding the point (left <= x <
// right, top <= y < bottom), else the primary monitor's.
ScreenRect GetWorkAreaAtPoint(int x, int y);

// --- pure functions over a list --------------------------------------------------

// Fills `list` with the fallback monitor {0, 0, 800, 600} when it is empty.
void EnsureOneMonitor(MonitorList& list);
// MonitorFromPoint with MONITOR_DEFAULTTOPRIMARY: the first monitor whose
// rectangle holds the point, else the primary one; -1 for an empty list.
int MonitorFromPoint(const MonitorList& list, int x, int y);
ScreenRect ShrinkRect(const ScreenRect& r, int by);

// Where MoveWindowIntoMonitor puts a window of rectangle `window` for the
// point: centred on it (top-left at it with the flag), then pushed inside
// the work area of the point's monitor shrunk by 10 pixels, the right and
// bottom edges winning when the window is larger than the area. False when
// the list is empty.
bool ComputeMoveIntoMonitor(const MonitorList& list, const ScreenRect& window, int x, int y, bool topLeft, int* outX,
                            int* outY);

// The registry values, as read or to be written.
struct SavedWindowPlacement {
  bool hasW = false;
  ScreenRect w;
  bool hasW2 = false;
  ScreenRect w2;
};

// A window's creation attributes as the placement sets them.
struct WindowCreationAttrs {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool maximized = false;  // WS_MAXIMIZE in the creation style
};

// What SaveWindowPlacement stores for a window with this rectangle.
SavedWindowPlacement MakeWindowPlacement(const ScreenRect& windowRect, bool maximized);
// The restore algorithm: false (attributes unchanged, apart from the
// maximised flag of step 2) when no placement applies.
bool RestoreWindowPlacementFrom(const SavedWindowPlacement& saved, const MonitorList& list, int minWidth,
                                int minHeight, WindowCreationAttrs& attrs);
// The primary work area shrunk by 10 pixels on each side.
void SetDefaultWindowPlacementFrom(const MonitorList& list, WindowCreationAttrs& attrs);

// --- the registry and the process list ----------------------------------------------

inline constexpr const char16_t* kWindowPosValueName = u"WindowPos";
inline constexpr int kMainFrameMinWidth = 300;
inline constexpr int kMainFrameMinHeight = 300;

SavedWindowPlacement ReadWindowPlacement(const WString& keyPath, const WString& valueName);
void WriteWindowPlacement(const WString& keyPath, const WString& valueName, const SavedWindowPlacement& saved);

void SaveWindowPlacement(const ScreenRect& windowRect, bool maximized, const WString& valueName,
                         const WString& keyPath);
bool RestoreWindowPlacement(WindowCreationAttrs& attrs, const WString& valueName, const WString& keyPath,
                            int minWidth, int minHeight);
void SetDefaultWindowPlacement(WindowCreationAttrs& attrs);

}  // namespace kvn
