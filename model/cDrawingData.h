// cDrawingData: what the objects of one drawing share: the six style tables,
// the level table, the block table (the block definitions that inserts
// place) and the drawing scale. It is the context argument of nearly every
// object operation.
//
// Reference counted: every sheet that shows the drawing holds one reference
// (AddRef), and the last Release destroys the record, which must therefore
// have been made with new. Destruction order: the blocks first (their
// objects may still look at styles and levels while they go), then the
// level table, then the fonts, link, wall, text, fill and line styles, each
// table from its last style to its first.
//
// The style classes are only declared here; include their headers to use
// the styles a table holds.
#pragma once

#include <cstdint>
#include <span>

#include "foundation/GrowArray.h"
#include "foundation/WString.h"
#include "model/LevelTable.h"
#include "model/StyleTable.h"
#include "model/TextAttributes.h"

namespace kvn {

class cAnyFill;

class cText;

class cBlock;
class cDrawing;
class cOutObj;

class cDrawingData {
 public:
  cDrawingData();
  ~cDrawingData();
  cDrawingData(const cDrawingData&) = delete;
  cDrawingData& operator=(const cDrawingData&) = delete;

  // ---- reference count ----
  void AddRef() { ++refCount_; }
  // Drops one reference; the last one deletes the record.
  void Release();
  std::uint32_t RefCount() const { return refCount_; }

  // ---- tables ----
  LineStyleTable& LineStyles() { return lineStyles_; }
  const LineStyleTable& LineStyles() const { return lineStyles_; }
  FillStyleTable& FillStyles() { return fillStyles_; }
  const FillStyleTable& FillStyles() const { return fillStyles_; }
  TextStyleTable& TextStyles() { return textStyles_; }
  const TextStyleTable& TextStyles() const { return textStyles_; }
  WallStyleTable& WallStyles() { return wallStyles_; }
  const WallStyleTable& WallStyles() const { return wallStyles_; }
  LinkStyleTable& LinkStyles() { return linkStyles_; }
  const LinkStyleTable& LinkStyles() const { return linkStyles_; }
  FontStyleTable& FontStyles() { return fontStyles_; }
  const FontStyleTable& FontStyles() const { return fontStyles_; }
  LevelTable& Levels() { return levels_; }
  const LevelTable& Levels() const { return levels_; }

  // The block definitions; an index of the table is what inserts store.
  std::uint32_t BlockCount() const { return blocks_.Count(); }
  cBlock* GetBlock(std::uint32_t index) const { return blocks_.Get(index); }
  // Takes ownership; answers the new block's index.
  std::uint32_t AddBlock(cBlock* block);
  // Merges the blocks of equal content reachable from the inserts of the
  // chain starting at `first` onto one, re-pointing every insert
  // (model/BlockMaintenance.cpp). With a valid range of `protectedCount`
  // blocks from `protectedFirst` only duplicates of those are merged. The
  // first argument is not used.
  void MergeDuplicateBlocks(cOutObj* unused, cOutObj* first, std::uint32_t protectedFirst, int protectedCount);
  // The same over the top-level objects listed in chain order, without a
  // protected range: a list is walked with fetches ahead.
  void MergeDuplicateBlocks(std::span<cOutObj* const> top);
  // Drops what the styles keep for drawing (the outlines of line patterns)
  // and marks every object of the block for a new extent, after something
  // the caches depend on (fonts, scale) changed.
  void ResetStyleCaches(cBlock& block);

  // ---- scale, parent, owner ----
  // The drawing scale; 0 means none, and whatever scales by it takes a
  // value not above 0 as 1.0.
  double GetScale() const { return scale_; }
  double Scale() const { return scale_; }  // the same; both names are in use
  void SetScale(double scale) { scale_ = scale; }
  // The drawing data of the drawing that this one is embedded in, or null.
  cDrawingData* Parent() const { return parent_; }
  void SetParent(cDrawingData* parent) { parent_ = parent; }
  // The drawing record that owns this data (back pointer, not owned).
  cDrawing* Owner() const { return owner_; }
  void SetOwner(cDrawing* owner) { owner_ = owner; }
  // The drawing this data belongs to: the parent's owner when the parent has
  // one, else this record's owner.
  cDrawing* GetDrawing() const;

  // ---- the wall-style lookup (model/WallStyleLookup.cpp) ----
  // The index of the wall style that draws like `object` at `thickness`: the
  // first whose name is the key "thickness line-style-name fill-style-name"
  // (12 significant digits, names as the line and fill styles make them from
  // the object), else a new wall style of that name with the object's line and
  // fill attributes. 65535 when the table is full.
  std::uint16_t FindOrAddWallStyle(const cAnyFill& object, double thickness);

  // ---- the text-style registry (model/TextStyleRegistry.cpp) ----
  // The text-style index a reference names: below 32768 the index when it is
  // inside the text table; 0x8000 + n the first text style whose built-in
  // marks have bit n; else 65535. 65535 without drawing data.
  static std::uint16_t TextStyleIndex(std::uint16_t reference, const cDrawingData* data);
  // The index of a text style made from the record (named by MakeName and
  // scaled by the drawing scale): an existing style of exactly that name, or
  // the new style appended with a valid font index. 65535 when the table is
  // full.
  std::uint16_t AddTextStyle(const TextAttributes& record);
  // Gives the record a valid font index: one at or beyond the font count
  // becomes 65535, and 65535 becomes the font found or added by face name.
  void ResolveStyleFont(TextAttributes& record);
  // The first font whose name equals the face name (case and accents
  // ignored), else a new font of that name appended; its index. A new font
  // borrows the font list's data of that name, or gets its own face set that
  // will carry its outlines (with the face of bold and italic made), and
  // keeps the alternative name. 65535 when the table is full.
  std::uint16_t FindOrAddFont(const WString& faceName, bool bold = false, bool italic = false,
                              const WString* alternativeName = nullptr);
  // Makes sure every character of the text has a glyph record in the font's
  // face of the style (bold + 2 x italic); nothing for 65535 or an index
  // beyond the font table (model/FontGlyphLoading.cpp).
  void LoadGlyphs(std::uint16_t fontIndex, const WString& text, int style);
  // The glyphs a text needs: its font, display text and style.
  void LoadGlyphsForText(cText& text);

  // ---- the stop of a long measure ----
  // A placement's children are measured one by one when its insert is
  // recalculated, and a text among them makes its strokes (about a
  // kilobyte a character in an SHX font): a block of thousands of texts
  // placed once may take a hundred megabytes in that one call. With a stop
  // set, the insert asks it every few children; once it answers true the
  // rest are left unmeasured, and whoever set it drops the drawing. The
  // import sets its low-memory stop while it measures what it made; there
  // is none otherwise.
  using StopAsked = bool (*)();
  void SetMeasureStop(StopAsked stop) { measureStop_ = stop; }
  bool MeasureStopped() const { return measureStop_ && measureStop_(); }

 private:
  void MergeDuplicateBlocksOf(std::span<cOutObj* const> top, std::uint32_t protectedFirst, int protectedCount);

  // Declared in the reverse of the destruction order (see above).
  LineStyleTable lineStyles_;
  FillStyleTable fillStyles_;
  TextStyleTable textStyles_;
  WallStyleTable wallStyles_;
  LinkStyleTable linkStyles_;
  FontStyleTable fontStyles_;
  std::uint32_t refCount_ = 0;
  LevelTable levels_;
  OwnedArray<cBlock> blocks_{8};
  double scale_ = 1.0;
  cDrawingData* parent_ = nullptr;
  cDrawing* owner_ = nullptr;
  StopAsked measureStop_ = nullptr;
};

}  // namespace kvn
