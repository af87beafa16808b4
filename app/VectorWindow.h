// cVectorWindow: the child window that shows one page of one drawing of the
// open document. It owns the screen mapping (world units to client pixels)
// and paints through one off-screen raster surface shared by every drawing
// window: each WM_PAINT prepares that surface for the paint rectangle only,
// renders into it (VectorWindowPaint.h) and copies it to the window in one
// blit; the background erase is suppressed, so nothing flickers.
//
// Which sheet and page: the sheet index into the document and the page
// (block) index within that sheet's drawing. Out-of-range indices never fail;
// they count as 0. A window may instead own a private sheet, shown in place
// of the document's (then both indices count as 0).
//
// While a long operation holds the program (a progress dialog is up), a
// paint shows the window's last painted picture instead of drawing the page
// (VectorWindowPaint.h, WindowBlitter); what the picture lacks is filled
// with the colour around the page and drawn once the operation has ended.
// A resize meanwhile still changes the mapping at once (a fitted drawing is
// fitted to the new client, the scroll range follows it), and the picture
// is shown moved and scaled to the new placement, the area it does not
// cover filled, until the operation has ended and the whole of it is drawn
// again.
//
// Input comes before paint: a long paint asks the display now and then
// whether a key or a click waits (a modifier alone does not count), a part
// of the window was uncovered or another window waits to be painted, and
// gives way to them, showing the last picture (placed as the view now is,
// so that it agrees with the rulers). It goes on where it stopped while
// the view is the same: under steady input it still comes to its end.
//
// Mapping: the integer offsets are the scroll margin (15 pixels) less the
// scroll position; a new window sits at position 0 with scale 1 / drawing
// scale, so that one drawing unit on paper is 4 pixels (100 %).
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/VectorWindowPaint.h"
#include "app/ZoomScroll.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Region.h"
#include "platform/ui/PaintYield.h"
#include "platform/ui/Window.h"
#include "model/WorldMapping.h"
#include "render/SheetPainter.h"

namespace kvn {

class cDrawing;
class cDrawingDoc;
class cRasterSurface;
class cSheet;
class TCommandEnabler;
class WindowBlitter;
struct DRect;
struct PaintState;

class cVectorWindow : public TWindow {
 public:
  // Pixels around the page extent in the scroll extent.
  static constexpr std::int32_t kMargin = 15;

  // `document` may be null only for a window given a private sheet.
  cVectorWindow(cDrawingDoc* document, std::uint16_t sheetIndex, std::uint16_t blockIndex, TWindow* ownerView);
  ~cVectorWindow() override;

  const char16_t* GetClassName() const override { return u"KvnVectorWindow"; }

  // ---- the document ----
  cDrawingDoc* GetDocument() const { return document_; }
  // The sheet index when below the document's sheet count, else 0; 0 with
  // a private sheet.
  std::uint16_t GetSheetIndex() const;
  // The page index when below the current drawing's page count, else 0; 0
  // with a private sheet.
  std::uint16_t GetBlockIndex();
  // Shows another page of the current sheet (kept as given; an index out
  // of range reads as 0, as above).
  void SetBlockIndex(std::uint16_t blockIndex) { blockIndex_ = blockIndex; }
  // The page index as last set, not checked against the drawing's pages.
  std::uint16_t RawBlockIndex() const { return blockIndex_; }
  // Shows entry `entry` of the document's page list (its sheet and page)
  // with that drawing's remembered view, or its objects fitted.
  void ShowPageEntry(std::uint32_t entry);
  // The private sheet, else the document's sheet at GetSheetIndex. A
  // document without sheets gets one empty sheet here. Null without either.
  cSheet* GetCurrentSheet();
  // The drawing record of the current sheet, or null.
  cDrawing* GetSheetData();
  // The 0-based page over the whole document (a paged drawing counts once
  // per page); 0 with a private sheet.
  std::uint32_t GetPageNumber();
  // Shows `sheet` (owned from now on) instead of the document's sheets.
  void SetPrivateSheet(std::unique_ptr<cSheet> sheet);
  bool HasPrivateSheet() const { return privateSheet_ != nullptr; }

  // ---- mapping and painting ----
  WorldMapping& Mapping() { return mapping_; }
  const WorldMapping& Mapping() const { return mapping_; }
  // The mapping's device clip becomes the client rectangle (the renderer's
  // world clip follows it).
  void SetClientRect(const TRect& client);
  // The client rectangle the mapping knows: its device clip less the clip
  // margin. Valid without a toolkit window, so painting runs display-free.
  TRect MappedClientRect() const;
  // Invalidates (with erase) the client pixels of a changed world
  // rectangle, widened by 12 pixels; null invalidates the whole client area.
  void InvalidateWorldRect(const DRect* rect);
  // The paint pipeline: page, frame, tile lines and the objects of the
  // current page into the surface, limited to `paint`.
  void Render(const TRect& paint, TDC* dc, cRasterSurface& surface);
  // One paint up to the blit: prepares the surface for `paint` and renders.
  // False when the surface cannot cover it (an empty rectangle): nothing is
  // drawn then.
  bool PaintInto(cRasterSurface& surface, const TRect& paint);
  // PaintInto, asking `giveWay` (when given) now and then whether to go on:
  // kGaveWay when it stopped the paint. With `resume` the walk of the
  // objects goes on where the last one under it stopped, over the pixels
  // that one left in `surface` (render/SheetPainter.h, ChainResume), and
  // notes where this one stops.
  enum class PaintEnd { kNone, kDrawn, kGaveWay };
  PaintEnd PaintGivingWay(cRasterSurface& surface, const TRect& paint, TDC::AbortProc giveWay,
                          ChainResume* resume = nullptr);
  // The surface every drawing window paints through, made on first use in
  // device-context mode; it lives until the program ends.
  static cRasterSurface& SharedSurface();
  // Paints into the shared surface so far: a paint that gave way goes on
  // over its pixels only while no other paint has used it.
  static std::uint64_t& SurfaceUses();
  // What a paint now is drawn under.
  PaintState CurrentPaintState();
  // The window's paints so far: those that ran to their end (the picture
  // complete), and the slices that gave way to input.
  struct PaintCounts {
    std::uint64_t completed = 0;
    std::uint64_t gaveWay = 0;
  };
  const PaintCounts& Paints() const { return paintCounts_; }

  // Wheel units not yet turned into zoom steps; cleared on focus.
  std::int32_t wheelRemainder = 0;

  // ---- zoom and scroll (VectorWindowZoom.cpp) ----
  // The view's scroll bars (may be null: then only the state is kept).
  void SetScrollBarHost(cScrollBarHost* host) { scrollHost_ = host; }
  const ScrollAxis& HorizontalScroll() const { return scrollH_; }
  const ScrollAxis& VerticalScroll() const { return scrollV_; }
  const WorldMapping& PreviousMapping() const { return previousMapping_; }
  bool IsViewStored() const { return viewStored_; }
  // The drawing scale k as the zoom sees it (1.0 when not positive).
  double DrawingScale();
  // The drawing scale as stored (0 allowed: the percentage commands check it).
  double RawDrawingScale();
  // Saves the mapping as the previous one, zooms to z around `centre` (the
  // client centre's world point when null), updates the scroll bars.
  void SetZoom(const DPoint* centre, double z, bool store);
  void SetZoomAt(const DPoint& centre, double z, std::int32_t cw, std::int32_t ch);
  void ZoomToRect(bool redraw, const DRect& rect, bool shrink);
  void RestoreView();
  // RestoreView, then the scroll bars; when showing or hiding them changed
  // the client (a drawing without a format that fits gets bars), the view
  // is fitted once more to the client that is left.
  void RestoreViewAndScrollBars(bool redraw);
  void UpdateScrollBars(bool keep, bool redraw, bool store);
  void ScrollTo(bool store, std::int64_t x, std::int64_t y, bool force);

  // ---- zoom commands and scroll messages ----
  void CmZoomIn();
  void CmZoomOut();
  void CmZoomPercent(std::uint32_t id);
  void CmLastZoom();
  // The User zoom dialog (15762): a percentage; OK zooms to it about the
  // client centre.
  void CmUserZoom();
  void CmWholeArea();
  void CmAllElements();
  void CeZoomIn(TCommandEnabler& ce);
  void CeZoomOut(TCommandEnabler& ce);
  void CeZoomPercent(TCommandEnabler& ce);
  void CeUserZoom(TCommandEnabler& ce);
  // WM_MOUSEWHEEL: whole notches zoom, keeping the world point under the
  // cursor (screen pixels) in place; about the centre when the cursor is
  // outside the client area.
  bool EvMouseWheel(std::uint32_t modKeys, int zDelta, const TPoint& screenPoint);
  void EvHScroll(std::uint32_t code, std::uint32_t thumb, THandle bar);
  void EvVScroll(std::uint32_t code, std::uint32_t thumb, THandle bar);

  // ---- pages, pan and the window's commands (VectorWindowCommands.cpp) ----
  // Previous and next page over the whole document; nothing at either end
  // or with a private sheet. The page tabs follow.
  void CmPreviousPage();
  void CmNextPage();
  void CePreviousPage(TCommandEnabler& ce);
  void CeNextPage(TCommandEnabler& ce);
  // File > Parameters for this window's document and sheet.
  void CmParameters();
  // Commands of the editor that the viewer swallows.
  void CmSwallowed() {}
  // PgUp and PgDn switch pages; every key then goes on as usual.
  void EvKeyDown(std::uint32_t key, std::uint32_t repeatCount, std::uint32_t flags);
  // The pan: a left or middle press captures the mouse, every move sets the
  // offsets from the press point, the release ends it at its own point. A
  // move without the button or losing the capture ends it too; after such
  // a move the release that follows still sets the last offset.
  void EvLButtonDown(std::uint32_t modKeys, const TPoint& point);
  void EvMButtonDown(std::uint32_t modKeys, const TPoint& point);
  void EvMouseMove(std::uint32_t modKeys, const TPoint& point);
  void EvLButtonUp(std::uint32_t modKeys, const TPoint& point);
  void EvMButtonUp(std::uint32_t modKeys, const TPoint& point);
  void EvCaptureChanged(THandle newCapture);
  bool IsPanning() const { return pan_.active; }

  // ---- export (VectorWindowExport.cpp) ----
  // Command 15620: the export settings, the save chooser with the export
  // options, then the pages or tile chosen written as BMP or EMF.
  void CmExport();

  // ---- print (VectorWindowPrint.cpp) ----
  // Command 19516: the print dialog, then the job.
  void CmPrint();

  // ---- handlers ----
  void EvPaint();
  bool EvEraseBkgnd(TParam1 dc);
  void EvSize(std::uint32_t sizeType, const TSize& size);
  void EvSetFocus(THandle lostFocus);
  void EvKillFocus(THandle gainedFocus);
  bool EvSetCursor(THandle window, std::uint32_t hitTest, std::uint32_t mouseMsg);

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  wxWindow* CreatePeer(wxWindow* parentPeer) override;

 private:
  cDrawingDoc* document_;
  std::uint16_t sheetIndex_;
  std::uint16_t blockIndex_;
  std::unique_ptr<cSheet> privateSheet_;
  WorldMapping mapping_;
  WorldMapping previousMapping_;
  ScrollAxis scrollH_;
  ScrollAxis scrollV_;
  bool viewStored_ = false;
  // The views of the drawings left for another drawing, the latest last:
  // coming back to a drawing takes its view out again.
  struct DrawingView {
    const cDrawing* drawing;
    WorldMapping mapping;
    WorldMapping previousMapping;
    ScrollAxis horizontal, vertical;
  };
  std::vector<DrawingView> viewHistory_;
  cScrollBarHost* scrollHost_ = nullptr;
  std::unique_ptr<WindowBlitter> blitter_;
  // Client pixels a paint during a long operation could not show from the
  // picture: drawn once it has ended. The token lets the task see whether
  // the window still lives.
  TRegion putOff_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  // A paint that gave way, to go on where it stopped: the area it paints,
  // under which state, where its walk of the objects stopped, and the use
  // of the shared surface that holds what it has drawn (another paint into
  // the surface meanwhile leaves nothing to go on with). Dropped when the
  // drawing changes. The other windows it gave way to are given way to
  // once until it has run to its end (one that paints all the time, a
  // blinking caret, would keep it from ever ending); a press every time.
  // Once a modal window has come or gone since (counted in `modalChanges`),
  // the windows around are new and it gives way to their paints again: a
  // repaint that gave way before a long preview went on after it, and the
  // print dialog that came back stayed unpainted behind it.
  struct PendingPaint {
    bool valid = false;
    PaintState state;
    TRect area;
    std::uint64_t surfaceUse = 0;
    ChainResume resume;
    PaintYieldMemo memo;
    std::uint64_t modalChanges = 0;
  };
  PendingPaint pending_;
  PaintCounts paintCounts_;
  struct PanState {
    bool active = false;
    // Ended by a move that found the button up: its release may follow.
    bool releasePending = false;
    bool middle = false;
    TPoint start;
    std::int32_t offsetX = 0, offsetY = 0;
  } pan_;

  void StartPan(const TPoint& start, bool middle);
  // The offsets for the pointer at `point` (client pixels) from the press.
  void FollowPointer(const TPoint& point);
  void EndPan();
  // The button's release: the last offset at its point, then the end.
  void ReleasePan(const TPoint& point, bool middle);
  void ShowPageAndTabs(std::uint32_t entry);

  void ScrollMessage(bool vertical, std::uint32_t code);
  // The whole client area to paint again, its picture forgotten.
  void InvalidateAll();
  // A paint during a long operation: the picture, and what it lacks (or
  // shows placed as before a resize) put off.
  void PaintFromPicture(cairo_t* target, const TRect& paint);
};

}  // namespace kvn
