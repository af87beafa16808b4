// cDrawing: the drawing record of a sheet: page format, print and grid
// settings, the prototype objects that new objects copy, the typed
// attributes, the pages, and the bookkeeping the views rely on.
//
// Units: lengths are drawing units (millimetres on paper times the drawing
// scale held by the drawing data); the format, margins and print format are
// paper millimetres. Tiles across and down are reals: a format printed on
// several sheets of paper counts its partial tiles as whole ones (ceil).
//
// Pages: a drawing whose paged flag is set and which holds two or more page
// records shows one page at a time; objects name their pages by page ids,
// which are page record indexes: id 0 is the first page (and what an object
// has when no page was given), 4095 every page, any other id that page
// record. Only what the user reads counts from 1 (FormatPageLabel).
//
// Fields the body reader fills without a known use are kept under the name
// of their place in the stream, so that nothing read is lost.
#pragma once

#include <array>
#include <cfloat>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "document/TypedAttributeList.h"
#include "foundation/DPoint.h"
#include "foundation/DRect.h"
#include "foundation/WString.h"
#include "model/ObjectExtentIndex.h"
#include "model/SortedValueList.h"
#include "model/TextAttributes.h"

namespace kvn {

class cBlock;
class cDrawingData;
class cDrawingDoc;
class cOutObj;
class cText;

// The sector grid of one axis (stored from 3082 on): labels along the frame
// that name the column or row an object lies in (document/SectorLabel.h).
struct SectorSettings {
  std::uint32_t numeric = 0;      // labels are numbers, else letters
  std::int32_t firstNumber = 1;   // label of the first sector when numeric
  std::uint8_t firstLetter = 0;   // 0..25 "A".."Z", 26..51 "a".."z"
  std::uint32_t reverse = 0;      // counted from the other end
  std::uint8_t mode = 0;          // 2 absolute, 1 repeated per tile, else per printable area
  std::int32_t count = 10;
  double begin = 0.0;
  double step = 20.0;  // negative: sectors run towards smaller coordinates
};

// A page of a paged drawing.
struct PageRecord {
  std::uint8_t kind = 0;
  std::uint32_t color = 0;  // top 7 bits clear, or kPageNoColor
  WString name;
};

// A page that does not recolour its objects; the painter reads page colours
// as signed values and takes a negative one as "none".
inline constexpr std::uint32_t kPageNoColor = 0xFFFFFFFF;
// A page colour as files store it: the top 7 bits are cleared, except that a
// stored "not set" colour (bit 31) stays "none" instead of turning black.
inline std::uint32_t PageColorFromStored(std::uint32_t stored) {
  return (stored & 0x80000000u) ? kPageNoColor : (stored & 0x01FFFFFFu);
}

// Page id of page record i: the index itself.
inline std::uint16_t PageIdOfIndex(std::uint32_t index) { return std::uint16_t(index); }

// The part of a drawing its views showed last: the visible world rectangle
// the drawing window wrote, and a zoom. A zoom above 0 with a rectangle of
// zero width and height means scale = zoom x 0.25 with x1, y1 as the
// window's integer offsets. Held by the drawing record, so every view of the
// drawing shares it; never stored in files.
struct RememberedView {
  DRect rect;
  double zoom = 0.0;
};

// What a drawing's top-block objects add up to, computed on the first
// request and kept until the drawing says it changed: the union of their
// full extents (the first object's starts it; all zero without objects),
// one counter per type code, and two counters on codes no class uses.
struct DrawingSummary {
  static constexpr std::size_t kClosedFilled = 29;  // filled objects whose outline is closed
  static constexpr std::size_t kStroked = 30;       // stroked objects
  static constexpr std::uint8_t kValid = 0x01;
  // The extent index is made (with the summary, or alone by PaintIndex).
  static constexpr std::uint8_t kIndexValid = 0x02;

  DRect extent;
  std::array<std::uint32_t, 32> counters{};
  std::uint8_t flags = 0;
};

// Where a print page lies on the format.
struct PageTile {
  DRect rect;     // the tile, all zero without a format
  DPoint origin;  // its first corner
  int page = 0;   // the drawing page the print page shows
};

class cDrawing {
 public:
  // The drawing shows `topBlock` with the tables of `data`; neither is owned.
  cDrawing(cBlock* topBlock, cDrawingData* data);
  ~cDrawing();
  cDrawing(const cDrawing&) = delete;
  cDrawing& operator=(const cDrawing&) = delete;

  cBlock* TopBlock() const { return topBlock_; }
  cDrawingData* Data() const { return data_; }
  // The document the drawing belongs to (set when its sheet joins one).
  cDrawingDoc* Document() const { return document_; }
  void SetDocument(cDrawingDoc* document) { document_ = document; }

  // ---- prototypes: the shape (a cRectangle) and the text (a cText) that new
  // objects take their attributes from; null only when the factory lacks
  // the class ----
  cOutObj* PrototypeShape() const { return prototypeShape_.get(); }
  cOutObj* PrototypeText() const { return prototypeText_.get(); }
  void SetPrototypeShape(std::unique_ptr<cOutObj> object);
  void SetPrototypeText(std::unique_ptr<cOutObj> object);

  // ---- pages ----
  // The page list's count when the drawing is paged, else 0.
  std::uint32_t PageCount() const { return paged ? std::uint32_t(pages_.size()) : 0; }
  std::uint32_t PageRecordCount() const { return std::uint32_t(pages_.size()); }
  const PageRecord* GetPage(std::uint32_t index) const { return index < pages_.size() ? &pages_[index] : nullptr; }
  PageRecord* GetPage(std::uint32_t index) { return index < pages_.size() ? &pages_[index] : nullptr; }
  void AppendPage(PageRecord page);
  // Removes page record `index` and renumbers the memberships of the top
  // block's objects: ids above the page's move down by one; an object left
  // on no page is deleted.
  void DeletePage(std::uint32_t index);
  // Exchanges two page records (not the memberships; see cDrawingDoc::SwapPages).
  void SwapPageRecords(std::uint32_t a, std::uint32_t b);

  // ---- format and print arithmetic ----
  // Format width or height zero or NaN.
  bool HasNoFormat() const;
  // ceil of tiles across and down, 1 x 1 without a format.
  void GetTileCounts(int& across, int& down) const;
  // (format - 2 x margin) x scale per axis (scale 1.0 when not positive);
  // 0, 0 without a format.
  void GetPrintableSize(double& width, double& height) const;
  // From the format origin to origin + printable size x tiles; all zero
  // without a format.
  DRect GetPrintableArea() const;
  // The union of the full extents of the top block's objects (all zero
  // without objects), from the summary.
  DRect GetExtent() const;
  // The page extent the views scroll over: with a format, the printable
  // area united with the object extent (the area alone when that extent is
  // all zero); without one, the object extent.
  DRect GetExtentWithFormat() const;
  // Print page index -> tile: without a format only the page (the index when
  // it names a page, else 0); otherwise tiles per page = ceil(across) x
  // ceil(down), page = index / tiles, row and column from the remainder.
  PageTile GetPageTileRect(int printPageIndex) const;

  // Every text style gets a valid font; the blocks' checksums are dropped
  // and the glyphs of every object's texts are loaded (blocks first, then
  // the top block). The import calls it on each drawing it builds.
  // `stop`, when given, is asked before each object: an SHX text's strokes
  // take about a kilobyte a character, so that the loading alone may fill
  // the heap; once it answers true the rest is left unloaded (the caller
  // then drops the drawing).
  using StopAsked = bool (*)();
  void PrepareTextFonts(StopAsked stop = nullptr);
  // The same for a caller that has just walked the top block: `topTexts`
  // are all the texts of the top block, in chain order, so that the top
  // block is not walked again.
  void PrepareTextFonts(std::span<cText* const> topTexts, StopAsked stop = nullptr);

  // ---- state ----
  // Raises the modification counter. Every change counts as one that may
  // move objects, so the summary and the extent index are dropped too.
  void MarkModified() {
    ++modificationCounter;
    DropSummary();
  }
  // Drops the summary and lets the views update.
  void InvalidateSummary(int how);
  bool SummaryValid() const { return (summary_.flags & DrawingSummary::kValid) != 0; }
  // The summary, computed first when it is not valid: each object of the
  // top chain brought up to date and its full extent taken, once until the
  // next InvalidateSummary or MarkModified.
  const DrawingSummary& Summary() const;
  // Where the top block's objects lie (model/ObjectExtentIndex.h), built
  // with the summary, so that a painter showing part of a large drawing
  // need not walk every object. Null while the summary is not valid: a
  // reader never computes it (the drawing window asks for the summary
  // before it paints). Whoever changes the top chain without MarkModified
  // must call InvalidateSummary.
  const ObjectExtentIndex* ExtentIndex() const {
    return (summary_.flags & DrawingSummary::kIndexValid) != 0 ? &extentIndex_ : nullptr;
  }
  // The extent index for a paint, made alone when the summary is not valid:
  // an insert changed since its last expansion is not expanded to be
  // measured but handed out whatever the clip, so that a paint of one page
  // expands only the changed inserts it draws, not those of other pages.
  const ObjectExtentIndex& PaintIndex() const;
  // Repaint or update every view of the owning document that shows this drawing.
  void RedrawViews(int how);
  void UpdateViews(int how);

  // ---- fields (defaults as a new drawing has them) ----
  double extentMinX = DBL_MAX;
  double extentMinY = DBL_MAX;
  std::uint8_t formatFlag = 1;
  DPoint formatOrigin;
  DPoint formatSize;  // paper millimetres; 0 = no format
  DPoint formatMargins;
  DPoint tiles{1.0, 1.0};  // across, down
  double tileOverlap = 0.0;
  double printScale = 100.0;
  std::uint16_t paperId = 0;
  DPoint printMargins{-1.0, -1.0};
  // Print format and print area of drawings before 3068 (converted by the
  // old-drawing fix-ups).
  DPoint printFormatSize;
  DRect printArea;  // left, top, right, bottom
  DPoint oldFormatOrigin;
  DPoint oldFormatSize;

  DPoint minStep{0.25, 0.25};
  DPoint gridStep{5.0, 5.0};
  std::uint8_t gridMode = 1;
  std::uint8_t gridMode2 = 1;
  std::uint32_t gridTwoBits = 2;  // the 2-bit value stored after the steps
  std::uint32_t gridInts[2] = {1, 4};
  std::uint8_t gridLeadBit = 1;  // the bit stored before the first grid mode

  std::uint8_t fourBitSetting = 9;
  std::uint8_t fontWeights[2] = {0, 0};  // from 3110, through the font-weight rule
  double realAfterPrototypes = 0.0;
  DPoint viewPositions[2];
  std::uint16_t currentLevel = 65535;
  std::uint8_t levelLeadBit = 0;  // the bit before the unit real
  double unitReal = 1.0;
  std::uint8_t optionBits[3] = {1, 1, 1};
  std::uint8_t pageFlags[2] = {1, 1};  // the two bits from 3080
  // The editor's switch that keeps the objects grouped by level order; the
  // viewer only shows and keeps it while the drawing is open.
  std::uint8_t sortByLevels = 0;
  std::uint16_t storedCurrentPage = 0;
  std::uint8_t pageResetFlag = 1;
  // The fields read from 3088 on: a bit, two bytes, two integers, the second
  // name, and from 3089 one more byte.
  std::uint8_t v3088Bit = 0;
  std::uint8_t v3088Bytes[2] = {1, 1};
  std::uint32_t v3088Ints[2] = {12, 2};
  std::uint8_t v3089Byte = 0;
  WString secondName;
  // The sector grid: the switch, and the x (numbered) and y (lettered) axes.
  std::uint8_t sectorsOn = 0;
  std::array<SectorSettings, 2> sectors{SectorSettings{1, 1, 0, 0, 0, 10, 0.0, 20.0},
                                        SectorSettings{0, 1, 0, 0, 0, 10, 0.0, 20.0}};
  // The three old text-attribute records of the tagged settings.
  std::array<TextAttributes, 3> oldTextAttributes{};

  // Single-sheet header values without a place of their own elsewhere.
  DPoint viewCentre;
  std::uint8_t allObjects = 0;
  std::uint8_t viewMode = 0;
  std::int32_t printOrientation = 0;

  std::uint8_t paged = 1;
  std::uint32_t modificationCounter = 1;
  std::uint8_t printFlag = 1;
  // Set for a drawing without a level table: a block library.
  std::uint8_t libraryFlag = 0;

  // Written by the drawing windows as they scroll and zoom.
  RememberedView rememberedView;

  TypedAttributeList attributes;
  WString name;
  // The two sorted lists of reals of the stream (guide-line positions).
  SortedValueList guideLines[2];

 private:
  // Every text style gets a font; the blocks' checksums are dropped and
  // their texts' glyphs loaded. False when `stop` answered true.
  bool PrepareStylesAndBlockFonts(StopAsked stop);

  cBlock* topBlock_;
  cDrawingData* data_;
  cDrawingDoc* document_ = nullptr;
  std::unique_ptr<cOutObj> prototypeText_;
  std::unique_ptr<cOutObj> prototypeShape_;
  std::vector<PageRecord> pages_;
  void DropSummary() const;
  // Computed on request by the const readers above.
  mutable DrawingSummary summary_;
  mutable ObjectExtentIndex extentIndex_;
};

// Stores the new drawing scale. With factor = new / old (0 when either is
// not positive) the format origin, minimum step and grid step follow the
// factor, the drawing's content is rescaled, and every other sheet of the
// document that shows this drawing in a section view follows. A factor of 0
// or NaN changes nothing but the stored scale.
void SetSheetScale(cDrawing& drawing, cDrawingDoc* document, double newScale);

}  // namespace kvn
