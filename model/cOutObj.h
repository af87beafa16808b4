// cOutObj: the base class of every drawing object.
//
// An object carries its next link (objects form singly linked chains owned by
// their holder: a block, an insert's child list, or whoever received a chain
// from Resolve, Explode or Read), its type byte, flag byte, level, class mask
// and page membership, and fixes the order of the virtual operations that the
// reader, the painter and the editing helpers call without knowing the class.
//
// Geometry-dirty protocol: every change of defining data sets kFlagDirty; every
// consumer of derived geometry goes through UpdateIfDirty or the extent
// operations, which clear the flag before calling Recalc, so a Recalc that
// marks the object dirty again cannot loop.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/DPoint.h"
#include "foundation/DRect.h"
#include "foundation/GrowArray.h"
#include "model/ObjectChain.h"
#include "model/ObjectTypes.h"

namespace kvn {

class ArchiveReader;
class ArchiveWriter;
class cDrawingData;
class cDrawInfo;
class cBlock;
class cAnyLine;
class cAnyFill;
class cWmf;
class cBitmap;
class cDistance;
class cLink;
class cConPoint;
class cSection;
class cWall;
class cSeparator;
class cText;
class cInsert;

// Block definitions already handled by a walk that must touch each block once
// (line-width scaling through inserts).
using DoneBlockList = std::vector<const cBlock*>;

// What Rotate, Scale and ScaleLineWidths pass through to the classes: the
// blocks already handled, the drawing data and the chain the object is in.
struct TransformContext {
  DoneBlockList* doneBlocks = nullptr;
  cDrawingData* data = nullptr;
  cOutObj* chain = nullptr;
};

// Opaque reader state handed through Read to the classes (null from the list
// reader).
struct ReadContext;

// Page-mask record: an all-pages bit and one bit per page number 0..4095
// (bit p is bit 7 - p % 8 of byte p / 8).
struct PageMask {
  bool allPages = false;
  std::uint8_t bits[512] = {};
};

class cOutObj {
 public:
  explicit cOutObj(std::uint8_t typeCode);
  virtual ~cOutObj();
  cOutObj(const cOutObj&) = delete;
  cOutObj& operator=(const cOutObj&) = delete;

  // Factory by type code (bits 0-5); null for codes without a class. The
  // numbered flag gives a new insert the next running insert id.
  static cOutObj* Create(std::uint8_t typeCode, bool numbered);
  // A copy made by the factory (never numbered) and Assign; null for an
  // object whose class the factory does not make.
  static cOutObj* Clone(const cOutObj& source);

  // ---- virtual operations, in their fixed order ----
  // Null when the object stays as it is, else the chain that replaces it;
  // with makeCopy the caller keeps the object and gets a resolved copy.
  virtual ObjectChain Resolve(cDrawingData* data, bool makeCopy);
  virtual cAnyLine* AsAnyLine() { return nullptr; }
  virtual const cAnyLine* AsAnyLine() const { return nullptr; }
  virtual cAnyFill* AsAnyFill() { return nullptr; }
  virtual const cAnyFill* AsAnyFill() const { return nullptr; }
  virtual cWmf* AsWmf() { return nullptr; }
  virtual const cWmf* AsWmf() const { return nullptr; }
  virtual cBitmap* AsBitmap() { return nullptr; }
  virtual const cBitmap* AsBitmap() const { return nullptr; }
  virtual cDistance* AsDistance() { return nullptr; }
  virtual const cDistance* AsDistance() const { return nullptr; }
  virtual cLink* AsLink() { return nullptr; }
  virtual const cLink* AsLink() const { return nullptr; }
  virtual cConPoint* AsConPoint() { return nullptr; }
  virtual const cConPoint* AsConPoint() const { return nullptr; }
  virtual cSection* AsSection() { return nullptr; }
  virtual const cSection* AsSection() const { return nullptr; }
  virtual cWall* AsWall() { return nullptr; }
  virtual const cWall* AsWall() const { return nullptr; }
  virtual cSeparator* AsSeparator() { return nullptr; }
  virtual const cSeparator* AsSeparator() const { return nullptr; }
  virtual cText* AsText() { return nullptr; }
  virtual const cText* AsText() const { return nullptr; }
  // Writes the header (WriteHeader) and then the class fields.
  virtual void Write(cDrawingData* data, ArchiveWriter& w) const;
  virtual ObjectChain Explode(cDrawingData* data);
  virtual void Move(const DPoint& offset);
  // Multiplies widths given in drawing units by the factor (nothing for a
  // negative factor); `context.doneBlocks` makes each block scaled once.
  virtual void ScaleLineWidths(const TransformContext& context, double factor);
  // False when the class cannot turn by that angle (the caller explodes it).
  virtual bool Rotate(const TransformContext& context, const DPoint& centre, double angleDegrees);
  virtual DRect& GetExtent(DRect& out) = 0;
  virtual cInsert* AsInsert() { return nullptr; }
  virtual const cInsert* AsInsert() const { return nullptr; }
  // The base part of every class's Assign: level, visibility and extra flags,
  // pages; sets the dirty flag. Not the next link, type byte or class mask.
  virtual void Assign(const cOutObj& source);
  // Reads the record after the type byte. Null when the object read stands,
  // else the chain that takes its place.
  virtual ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version);
  virtual void SetPoints(const DPoint* points, int count);
  virtual void Draw(cDrawInfo* info);
  virtual void DrawOutline(std::uint32_t value, cDrawInfo* info, bool flag);
  virtual bool Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors);
  virtual void AddStrokeExtent(cDrawingData* data, DRect& extent);
  virtual void AddFullExtent(cDrawingData* data, DRect& extent);
  virtual void Recalc(cDrawingData* data) = 0;
  // Objects that place a block definition (inserts) answer that block, so
  // that walks through nested blocks (model/BlockPath.h) need not know the
  // insert class. Null for every other object.
  virtual cBlock* GetPlacedBlock(cDrawingData* /*data*/) { return nullptr; }
  // A link answers the running id of the insert at end 0 or 1 (model/
  // cInsert.h), so that an exploded insert can re-point the links it copies
  // without knowing the link class. Null for every other object.
  virtual std::uint32_t* LinkedInsertId(int /*end*/) { return nullptr; }

  // ---- fields ----
  std::uint8_t TypeCode() const { return typeByte_ & kTypeCodeMask; }
  std::uint8_t TypeByte() const { return typeByte_; }
  void SetTypeByteSourceBits(std::uint8_t bits6and7) {
    typeByte_ = std::uint8_t((typeByte_ & kTypeCodeMask) | (bits6and7 & 0xC0));
  }
  std::uint8_t Flags() const { return flags_; }
  bool HasFlag(std::uint8_t f) const { return (flags_ & f) != 0; }
  void SetFlag(std::uint8_t f, bool on = true) { flags_ = on ? std::uint8_t(flags_ | f) : std::uint8_t(flags_ & ~f); }
  void MarkDirty() { flags_ |= kFlagDirty; }
  std::uint16_t Level() const { return level_; }
  void SetLevel(std::uint16_t level) {
    level_ = level;
    MarkDirty();
  }
  std::uint8_t ClassMask() const { return classMask_; }

  // ---- page membership ----
  std::uint16_t PageId() const { return pageId_; }
  const GrowArray<std::uint16_t>* PageList() const { return pageList_.get(); }
  // Frees the page list and stores the single id.
  void SetPage(std::uint16_t id);
  // The i-th id of the list, or the single page id without a list.
  std::uint16_t GetPageId(std::uint32_t i) const;
  void SetPagesFromMask(const PageMask& mask);
  bool IsOnPage(std::uint16_t page) const;
  bool HasSamePages(const cOutObj& other) const;

  void CopyVisibilityFlags(const cOutObj& source);
  void CopyExtraFlags(const cOutObj& source);
  void CopyPages(const cOutObj& source);

  void ScaleUniform(cDrawingData* data, double factor, const TransformContext& context);
  bool MatchesFilter(const std::uint8_t* filter) const { return filter && (*filter & classMask_) != 0; }
  void SetClassMaskBits(std::uint8_t mask, bool set) {
    classMask_ = set ? std::uint8_t(classMask_ | mask) : std::uint8_t(classMask_ & ~mask);
  }

  // Compares the two records byte for byte, written through memory archives
  // without drawing data. The arrays are scratch space.
  bool IsSameRecord(const cOutObj& other, ByteArray& scratchA, ByteArray& scratchB) const;

  // Inline: the painter asks every object of a paint, and most are not
  // marked.
  void UpdateIfDirty(cDrawingData* data) {
    if (flags_ & kFlagDirty) UpdateMarked(data);
  }
  DRect& GetExtentUpdated(cDrawingData* data, DRect& out);
  DRect& GetStrokeExtent(cDrawingData* data, DRect& out);
  DRect& GetFullExtent(cDrawingData* data, DRect& out);

  // ---- record header ----
  void WriteHeader(ArchiveWriter& w) const;
  void ReadHeader(ArchiveReader& r, int version);

  cOutObj* next = nullptr;

 private:
  // Clears the mark, then recomputes (a Recalc that marks again cannot loop).
  void UpdateMarked(cDrawingData* data);

  std::uint8_t typeByte_;
  std::uint8_t flags_ = kFlagDirty;
  std::uint16_t level_ = 0;
  std::uint8_t classMask_ = 0;
  std::uint16_t pageId_ = kNoPage;
  std::unique_ptr<GrowArray<std::uint16_t>> pageList_;
};

}  // namespace kvn
