// The drawing window's page commands and keys, the pan with a held mouse
// button, and the commands it passes on (Parameters) or swallows.
#include <cstdint>

#include "app/LevelCombo.h"
#include "app/ParametersSheet.h"
#include "app/ToolBarBoxes.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "document/cDrawingDoc.h"
#include "foundation/WaitCursor.h"
#include "platform/ui/CommandEnabler.h"
#include "platform/ui/Cursor.h"
#include "platform/ui/Messages.h"

namespace kvn {

// ---- pages ---------------------------------------------------------------------------------------

void cVectorWindow::ShowPageAndTabs(std::uint32_t entry) {
  ShowPageEntry(entry);
  RefreshDocumentViews(document_, false);
  // A page of another drawing may have other levels, or none.
  RefreshPagesComboBoxes();
  RefreshLevelComboBoxes(nullptr);
}

void cVectorWindow::CmPreviousPage() {
  if (HasPrivateSheet() || document_ == nullptr) return;
  const std::uint32_t n = GetPageNumber();
  if (n > 0) ShowPageAndTabs(n - 1);
}

void cVectorWindow::CmNextPage() {
  if (HasPrivateSheet() || document_ == nullptr) return;
  const std::uint32_t n = GetPageNumber();
  if (n + 1 < document_->GetPageEntryCount()) ShowPageAndTabs(n + 1);
}

void cVectorWindow::CePreviousPage(TCommandEnabler& ce) {
  ce.Enable(!HasPrivateSheet() && document_ != nullptr && GetPageNumber() != 0);
}

void cVectorWindow::CeNextPage(TCommandEnabler& ce) {
  ce.Enable(!HasPrivateSheet() && document_ != nullptr && GetPageNumber() + 1 < document_->GetPageEntryCount());
}

void cVectorWindow::EvKeyDown(std::uint32_t key, std::uint32_t, std::uint32_t) {
  if (key == kVkPrior) CmPreviousPage();
  if (key == kVkNext) CmNextPage();
  DefaultProcessing();
}

void cVectorWindow::CmParameters() {
  auto* view = dynamic_cast<cVectorView*>(GetParentO());
  RunParametersSheet(view ? view->GetFrame() : nullptr, this, document_, GetSheetIndex());
}

// ---- the pan -------------------------------------------------------------------------------------

void cVectorWindow::StartPan(const TPoint& start, bool middle) {
  if (pan_.active) return;
  pan_.active = true;
  pan_.releasePending = false;
  pan_.middle = middle;
  pan_.start = start;
  pan_.offsetX = mapping_.offsetX;
  pan_.offsetY = mapping_.offsetY;
  if (GetHandle()) SetCapture();
  SetCursorId(kIdcSizeAll);
}

void cVectorWindow::FollowPointer(const TPoint& point) {
  // Client pixels as signed 16-bit values, as the mouse messages carry them.
  mapping_.offsetX = std::int16_t(point.x) - pan_.start.x + pan_.offsetX;
  mapping_.offsetY = std::int16_t(point.y) - pan_.start.y + pan_.offsetY;
  UpdateScrollBars(true, true, true);
}

void cVectorWindow::EndPan() {
  if (!pan_.active) return;
  // Ended first: releasing the capture comes back as WM_CAPTURECHANGED.
  pan_.active = false;
  SetCursorId(kIdcArrow);
  if (GetHandle() && GetCapture() == GetHandle()) ReleaseCapture();
}

void cVectorWindow::ReleasePan(const TPoint& point, bool middle) {
  if (pan_.middle != middle || !(pan_.active || pan_.releasePending)) return;
  pan_.releasePending = false;
  FollowPointer(point);
  EndPan();
}

void cVectorWindow::EvLButtonDown(std::uint32_t, const TPoint& point) {
  // The keyboard goes to the main frame's client, the view around us.
  if (TWindow* view = GetParentO(); view && view->GetHandle())
    view->SetFocus();
  else if (GetHandle())
    SetFocus();
  StartPan(point, false);
}

void cVectorWindow::EvMButtonDown(std::uint32_t, const TPoint& point) { StartPan(point, true); }

void cVectorWindow::EvMouseMove(std::uint32_t modKeys, const TPoint& point) {
  if (!pan_.active) return;
  if (!(modKeys & (pan_.middle ? kMkMButton : kMkLButton))) {
    // wxGTK's hinted motion reads the button state when it handles a move,
    // not when the pointer moved: behind a repaint slower than the hand (a
    // 500,000-line block lost the last of three quick moves in 3 drags of
    // 4) the button is up already, and its release, queued behind this
    // move, holds the point where the hand stopped. The pan ends here all the same (a release that went
    // elsewhere must not leave the mouse captured); that release, when it
    // comes, sets the last offset.
    EndPan();
    pan_.releasePending = true;
    return;
  }
  FollowPointer(point);
}

void cVectorWindow::EvLButtonUp(std::uint32_t, const TPoint& point) { ReleasePan(point, false); }

void cVectorWindow::EvMButtonUp(std::uint32_t, const TPoint& point) { ReleasePan(point, true); }

void cVectorWindow::EvCaptureChanged(THandle newCapture) {
  // Another window took the mouse: no release will come here.
  if (pan_.active && newCapture != GetHandle()) EndPan();
}

}  // namespace kvn
