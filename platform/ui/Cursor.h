// Cursors by their IDC_ ids. A window shows its own cursor
// (TWindow::SetCursor); a WM_SETCURSOR handler that calls SetCursorId and
// answers true shows that one instead, for as long as the mouse stays.
#pragma once

#include <cstdint>

#include <wx/cursor.h>

namespace kvn {

// IDC_ ids beyond those of WaitCursor.h.
inline constexpr std::uint32_t kIdcIBeam = 32513;
inline constexpr std::uint32_t kIdcCross = 32515;
inline constexpr std::uint32_t kIdcSizeNwse = 32642;
inline constexpr std::uint32_t kIdcSizeNesw = 32643;
inline constexpr std::uint32_t kIdcSizeWe = 32644;
inline constexpr std::uint32_t kIdcSizeNs = 32645;
inline constexpr std::uint32_t kIdcSizeAll = 32646;
inline constexpr std::uint32_t kIdcHand = 32649;

// The stock cursor of an id; the arrow for ids the toolkit has no match for.
wxCursor CursorFromId(std::uint32_t cursorId);

// ::SetCursor inside WM_SETCURSOR: the cursor the answer shows. Outside a
// WM_SETCURSOR (a drag that holds the capture) it shows at once.
void SetCursorId(std::uint32_t cursorId);
std::uint32_t RequestedCursor();
void ClearRequestedCursor();

}  // namespace kvn
