// The sheet painter: draws the object chain of one block onto one output
// through a drawing context. Object by object it decides whether the object
// is drawn at all and in which override colour, opens block inserts into
// their children, and calls each drawn object's Draw. The drawing window,
// the printed page and both exports all draw through it; only the context and
// the arguments differ.
//
// The filters, in the order they apply:
//   hidden flag (0x02) -> object filter (class mask) -> page -> level
//   (visible; printable when printing) -> view (full extent against the
//   context's world clip; touching edges count as meeting).
// The override colour an object is drawn in: none, then the level's colour,
// then the page's colour (a page colour wins), then black for black-and-white
// printing. On the screen (output mode 0) non-printable levels show and
// level and page colours always apply.
//
// Pages: objects name pages by id, the page record's index (4095 every
// page); the current page is a page record index.
//
// A walk ends early once the context's device is aborted (a print job
// cancelled while the page is drawn, TDC::SetAbortProc), or, walked in
// slices (ChainResume), before an object once told to stop; the next slice
// goes on from there.
//
// The painter keeps no state of its own. It changes the context's override
// colour, which it leaves at -1 when a chain is done, and the list of kept
// expansions (model/KeptExpansions.h): an insert it draws keeps its children
// for the next repaint, within that list's budget.
//
// Large drawings: when the chain is a drawing's top block and the drawing
// holds an extent index (cDrawing::ExtentIndex, made with its summary), the
// painter asks it for the objects that may meet the world clip and walks
// only those, in chain order; every other object would fail the view test. A view of a corner of a drawing of a
// million objects then visits thousands, not a million; with most of the
// drawing in view it walks the whole chain as before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kvn {

class LevelTable;
class cBlock;
class cDrawInfo;
class cDrawing;
class cDrawingData;
class cOutObj;

// Where a walk of a chain that stopped part-way goes on: a long repaint of
// the drawing window is painted in slices, each going on where the last
// stopped, so that a paint that gave way to input keeps what it has done.
// The walk stops before an object (or an insert's child) once `stopWanted`
// is set (by the caller's abort procedure, say), or where the context was
// aborted: then the object being drawn is drawn again whole, since part of
// it is missing. A place holds only while the chain is unchanged and the
// walk draws under the same mapping and clip.
struct ChainResume {
  // Set by whoever watches the walk: stop before the next object.
  bool stopWanted = false;
  // Whether the last walk stopped before the end; the place below is then
  // where the next walk begins.
  bool stopped = false;
  // The place: the object of the chain (chain walk) or the position in the
  // index's answer (indexed walk) ...
  const cOutObj* object = nullptr;
  std::size_t listed = 0;
  // ... whether the chain walk still took the index's extents ...
  bool indexAgrees = true;
  // ... and within an insert opened there, the pass and the child.
  int pass = 0;
  std::size_t child = 0;
  // The chain the place was taken in, as the drawing's extent index saw
  // it (its first object and its size), for the caller to tell whether the
  // place still holds.
  const cOutObj* chainHead = nullptr;
  std::size_t chainSize = 0;
};

// What a caller chooses about the objects of a chain. The defaults are the
// drawing window's; on the screen (output mode 0) the two printing switches
// and the non-printable switch have no effect.
struct PaintChainOptions {
  // One class-mask byte an object must meet (no filter when null).
  const std::uint8_t* filter = nullptr;
  // Level and page colours apply when printing (the drawing's two print
  // options on the printed page and in exports).
  bool levelColorsWhenPrinting = true;
  bool pageColorsWhenPrinting = true;
  // Objects are drawn in their level's or page's colour.
  bool overrideOn = true;
  // When set, objects on non-printable levels are printed too, and objects
  // on hidden levels drawn.
  bool drawNonPrintable = false;
  bool drawHidden = false;
  // The drawing's extent index picks the objects to visit (see above). The
  // output is the same without it; tests switch it off to compare.
  bool useExtentIndex = true;
  // Begin where the last walk stopped and note where this one stops (see
  // ChainResume); null: the whole chain.
  ChainResume* resume = nullptr;
};

// Draws the chain of `block`. Returns true when at least one object's Draw
// was called. The level table and the drawing record may be null: without a
// level table levels are not looked at, without a drawing record pages are
// not.
bool PaintObjectChain(LevelTable* levels, cDrawingData* data, cBlock* block, const cDrawing* drawing,
                      std::uint16_t currentPage, cDrawInfo& info,
                      const PaintChainOptions& options = PaintChainOptions{});

// The page filter: true when the object shows on the current page. An object
// shown there only because one of its pages is flagged "shown on every page"
// (flag 0x02) takes that page's colour into `color` (when given).
bool IsObjectOnCurrentPage(std::int32_t* color, const cOutObj& object, const cDrawing& drawing,
                           std::uint16_t currentPage);

// The level, view and colour step. With the override on it sets the
// context's override colour for the object.
bool IsObjectVisible(bool drawHidden, cOutObj& object, LevelTable* levels, bool drawNonPrintable, cDrawInfo& info,
                     bool levelColorsWhenPrinting, bool pageColorsWhenPrinting, bool overrideOn,
                     std::int32_t pageColor);

// The object-list painter (an insert's children, objects a line type
// generated): each object that meets the mapping context's clip is drawn with
// `drawing` (when given), an area flagged 0x10 through a recoloured copy under
// an override colour or in grey mode; with an outline value the objects
// flagged 0x80 are skipped and every other one also gets its DrawOutline.
void DrawObjectList(std::span<cOutObj* const> objects, cDrawInfo& mapping, cDrawInfo* drawing,
                    std::uint32_t outlineValue);

}  // namespace kvn
