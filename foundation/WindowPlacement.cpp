#include "foundation/WindowPlacement.h"

#include "foundation/Registry.h"

namespace kvn {

namespace {

MonitorSource* g_monitorSource = nullptr;

MonitorList& ProcessList() {
  static MonitorList list;
  return list;
}

bool Contains(const ScreenRect& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

bool IsZero(const ScreenRect& r) { return r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0; }

// 16 bytes {left, top, right, bottom}, signed 32-bit little-endian.
void EncodeRect(const ScreenRect& r, std::uint8_t out[16]) {
  const std::int32_t v[4] = {r.left, r.top, r.right, r.bottom};
  for (int i = 0; i < 4; ++i) {
    const std::uint32_t u = std::uint32_t(v[i]);
    for (int b = 0; b < 4; ++b) out[4 * i + b] = std::uint8_t(u >> (8 * b));
  }
}

ScreenRect DecodeRect(const std::uint8_t in[16]) {
  std::int32_t v[4];
  for (int i = 0; i < 4; ++i) {
    std::uint32_t u = 0;
    for (int b = 0; b < 4; ++b) u |= std::uint32_t(in[4 * i + b]) << (8 * b);
    v[i] = std::int32_t(u);
  }
  return ScreenRect{v[0], v[1], v[2], v[3]};
}

WString PlacementKey(const WString& keyPath, const WString& valueName) {
  WString key(keyPath);
  key.AppendChar(u'\\');
  key.Append(valueName);
  return key;
}

}  // namespace

// --- the process list ----------------------------------------------------------------

MonitorSource* SetMonitorSource(MonitorSource* source) {
  MonitorSource* previous = g_monitorSource;
  g_monitorSource = source;
  return previous;
}

const MonitorList& EnumerateMonitorWorkAreas() {
  MonitorList& list = ProcessList();
  list.monitors.Clear();
  list.primary = 0;
  if (g_monitorSource != nullptr) g_monitorSource->EnumerateMonitors(list.monitors, list.primary);
  EnsureOneMonitor(list);
  return list;
}

ScreenRect GetPrimaryWorkArea() {
  const MonitorList& list = EnumerateMonitorWorkAreas();
  return list.monitors[list.primary].work;
}

ScreenRect GetWorkAreaAtPoint(int x, int y) {
  const MonitorList& list = EnumerateMonitorWorkAreas();
  for (const MonitorInfo& m : list.monitors) {
    if (Contains(m.work, x, y)) return m.work;
  }
  return GetPrimaryWorkArea();
}

// --- pure functions ---------------------------------------------------------------------

void EnsureOneMonitor(MonitorList& list) {
  if (list.monitors.Empty()) {
    const ScreenRect fallback{0, 0, 800, 600};
    list.monitors.Add(MonitorInfo{fallback, fallback});
    list.primary = 0;
  }
  if (list.primary >= list.monitors.Count()) list.primary = 0;
}

int MonitorFromPoint(const MonitorList& list, int x, int y) {
  if (list.monitors.Empty()) return -1;
  for (std::uint32_t i = 0; i < list.monitors.Count(); ++i) {
    if (Contains(list.monitors[i].monitor, x, y)) return int(i);
  }
  return list.primary < list.monitors.Count() ? int(list.primary) : 0;
}

ScreenRect ShrinkRect(const ScreenRect& r, int by) {
  return ScreenRect{r.left + by, r.top + by, r.right - by, r.bottom - by};
}

bool ComputeMoveIntoMonitor(const MonitorList& list, const ScreenRect& window, int x, int y, bool topLeft, int* outX,
                            int* outY) {
  const int index = MonitorFromPoint(list, x, y);
  if (index < 0) return false;
  const ScreenRect work = ShrinkRect(list.monitors[std::uint32_t(index)].work, 10);
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  if (!topLeft) {
    x -= width / 2;
    y -= height / 2;
  }
  if (x < work.left) x = work.left;
  if (y < work.top) y = work.top;
  if (x + width > work.right) x = work.right - width;
  if (y + height > work.bottom) y = work.bottom - height;
  *outX = x;
  *outY = y;
  return true;
}

SavedWindowPlacement MakeWindowPlacement(const ScreenRect& windowRect, bool maximized) {
  SavedWindowPlacement saved;
  saved.hasW = true;
  if (maximized) {
    saved.w = ScreenRect{};
    saved.hasW2 = true;
    saved.w2 = windowRect;
  } else {
    saved.w = windowRect;
  }
  return saved;
}

bool RestoreWindowPlacementFrom(const SavedWindowPlacement& saved, const MonitorList& list, int minWidth,
                                int minHeight, WindowCreationAttrs& attrs) {
  if (!saved.hasW) return false;
  ScreenRect r = saved.w;
  if (IsZero(r)) {
    // Saved while maximised: maximised again on the monitor it was on.
    if (!saved.hasW2) return false;
    attrs.maximized = true;
    const int cx = saved.w2.left + (saved.w2.right - saved.w2.left) / 2;
    const int cy = saved.w2.top + (saved.w2.bottom - saved.w2.top) / 2;
    const int index = MonitorFromPoint(list, cx, cy);
    if (index < 0) return false;
    r = ShrinkRect(list.monitors[std::uint32_t(index)].work, 10);
  } else if (r.right - r.left < minWidth || r.bottom - r.top < minHeight) {
    return false;
  }
  // Only where a monitor still is (15 pixels of slack for frame borders).
  bool inside = false;
  for (const MonitorInfo& m : list.monitors) {
    const ScreenRect& a = m.work;
    if (r.left >= a.left - 15 && r.right <= a.right + 15 && r.top >= a.top - 15 && r.bottom <= a.bottom + 15) {
      inside = true;
      break;
    }
  }
  if (!inside) return false;
  attrs.x = r.left;
  attrs.y = r.top;
  attrs.width = r.right - r.left;
  attrs.height = r.bottom - r.top;
  return true;
}

void SetDefaultWindowPlacementFrom(const MonitorList& list, WindowCreationAttrs& attrs) {
  if (list.monitors.Empty()) return;
  const std::uint32_t primary = list.primary < list.monitors.Count() ? list.primary : 0;
  const ScreenRect r = ShrinkRect(list.monitors[primary].work, 10);
  attrs.x = r.left;
  attrs.y = r.top;
  attrs.width = r.right - r.left;
  attrs.height = r.bottom - r.top;
}

// --- registry ------------------------------------------------------------------------------

SavedWindowPlacement ReadWindowPlacement(const WString& keyPath, const WString& valueName) {
  SavedWindowPlacement saved;
  RegReadKey key(kHkeyCurrentUser, PlacementKey(keyPath, valueName));
  std::uint8_t bytes[16];
  if (key.GetBinaryFixed(WString(u"W"), bytes, sizeof bytes) == sizeof bytes) {
    saved.hasW = true;
    saved.w = DecodeRect(bytes);
  }
  if (key.GetBinaryFixed(WString(u"W2"), bytes, sizeof bytes) == sizeof bytes) {
    saved.hasW2 = true;
    saved.w2 = DecodeRect(bytes);
  }
  return saved;
}

void WriteWindowPlacement(const WString& keyPath, const WString& valueName, const SavedWindowPlacement& saved) {
  RegWriteKey key(kHkeyCurrentUser, PlacementKey(keyPath, valueName));
  std::uint8_t bytes[16];
  EncodeRect(saved.hasW ? saved.w : ScreenRect{}, bytes);
  key.SetBinary(WString(u"W"), bytes, sizeof bytes);
  if (saved.hasW2) {
    EncodeRect(saved.w2, bytes);
    key.SetBinary(WString(u"W2"), bytes, sizeof bytes);
  } else {
    key.SetBinary(WString(u"W2"), nullptr, 0);
  }
}

void SaveWindowPlacement(const ScreenRect& windowRect, bool maximized, const WString& valueName,
                         const WString& keyPath) {
  WriteWindowPlacement(keyPath, valueName, MakeWindowPlacement(windowRect, maximized));
}

bool RestoreWindowPlacement(WindowCreationAttrs& attrs, const WString& valueName, const WString& keyPath,
                            int minWidth, int minHeight) {
  const SavedWindowPlacement saved = ReadWindowPlacement(keyPath, valueName);
  if (!saved.hasW) return false;
  return RestoreWindowPlacementFrom(saved, EnumerateMonitorWorkAreas(), minWidth, minHeight, attrs);
}

void SetDefaultWindowPlacement(WindowCreationAttrs& attrs) {
  SetDefaultWindowPlacementFrom(EnumerateMonitorWorkAreas(), attrs);
}

}  // namespace kvn
