// cBlock: a named holder of an object chain. A drawing's top-level objects
// live in one block, every block definition of the drawing data's block
// table is one (inserts place them), and fill styles keep their hatch symbol
// in one.
//
// Besides the chain a block carries a name, a description, an attribute
// list, up to eight label slots and optional override values announced by a
// presence mask (inserts of the block use these in place of their own). The
// mask selects which fields the block's record stores; the record itself
// does not hold the mask (its caller stores it).
//
// Identity: the checksum is the rotate-XOR fingerprint of the block written
// through a memory archive (mask, fields, name, every object); it is cached
// while flag 0x02 is set and every change of the chain must clear that flag.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "foundation/AString.h"
#include "foundation/DPoint.h"
#include "foundation/DRect.h"
#include "foundation/GrowArray.h"
#include "foundation/WString.h"
#include "model/AttributeList.h"
#include "model/InsertLabel.h"
#include "model/ObjectChain.h"

namespace kvn {

class ArchiveReader;
class ArchiveWriter;
class cDrawingData;
class cOutObj;

// Presence mask: which optional fields the record stores (in this order of
// storage: name, description, colour, value, byte value, the three yes/no
// flags, point, attributes, labels).
enum BlockField : std::uint16_t {
  kBlockName = 0x0001,
  kBlockDescription = 0x0002,
  kBlockColor = 0x0004,
  kBlockValue = 0x0008,
  kBlockByteValue = 0x0010,
  kBlockFlag08 = 0x0020,
  kBlockFlag10 = 0x0040,
  kBlockFlag20 = 0x0080,
  kBlockAttributes = 0x0100,
  kBlockLabels = 0x0200,
  kBlockPoint = 0x0400,
};

// Block flag byte.
enum BlockFlag : std::uint8_t {
  kBlockChecksumValid = 0x02,
  kBlockChainNotOwned = 0x04,  // the chain belongs to someone else
  kBlockOption08 = 0x08,       // the three optional yes/no values
  kBlockOption10 = 0x10,
  kBlockOption20 = 0x20,
};

// What GetFilteredExtent lets through. A drawing record is stood for by its
// page count: without one (-1) levels are not looked at and the page filter
// does not apply.
struct ExtentFilter {
  int drawingPages = -1;
  // Only objects on this page, when the drawing has at least two pages.
  const std::uint16_t* page = nullptr;
  // Only objects whose class mask meets this byte.
  const std::uint8_t* classFilter = nullptr;
};

class cBlock {
 public:
  cBlock();
  ~cBlock();
  cBlock(const cBlock&) = delete;
  cBlock& operator=(const cBlock&) = delete;

  // ---- the chain ----
  cOutObj* FirstObject() const { return first_; }
  // Appends the objects and takes ownership of them.
  void AppendChain(ObjectChain&& chain);
  // Makes the block show a chain that someone else owns and deletes
  // (flag 0x04): Clear and DetachObjects leave it alone.
  void SetSharedChain(cOutObj* head);
  // Deletes the chain unless it is not owned; empties it; clears flags 0x02
  // and 0x04.
  void DetachObjects();
  // DetachObjects, then frees labels, attributes and strings.
  void Clear();
  // Forgets the chain without deleting anything.
  void InitObjectList();

  // Sets the geometry-dirty flag of every object of the block and of every
  // block reached through its inserts, each block once.
  void MarkAllDirty(cDrawingData* data);
  // Moves every object; the checksum is no longer valid.
  void MoveObjects(const DPoint& offset);
  // Deletes every picture (cBitmap) of an owned chain; the checksum is no
  // longer valid. A chain someone else owns is left alone.
  void RemoveBitmaps();
  // Every dimension of the chain takes the number mode and the length
  // factor (model/cBlockDimensions.cpp).
  void SetDimensionFactor(std::uint32_t numberMode, double factor);
  // Union of the objects' extents (all zero without objects).
  void UniteObjectExtents(DRect& out) const;
  // Union of the full extents of the objects that pass the filter; with a
  // drawing record also only objects on visible levels. Inserts contribute
  // the full extents of their children (on visible levels).
  void GetFilteredExtent(const ExtentFilter& filter, cDrawingData* data, DRect& out) const;

  // ---- records ----
  // The fields selected by the mask, in mask order.
  void WriteFields(cDrawingData* data, ArchiveWriter& w) const;
  // False when the archive failed before the last field.
  bool Read(cDrawingData* data, ArchiveReader& r, int version);
  // Copies the mask and the fields it selects (through a memory archive);
  // not the chain.
  void Assign(const cBlock& other);

  // ---- identity ----
  // Checksum on; mask (two raw bytes) and fields when the mask is not 0; the
  // name; every object; the checksum is stored, flag 0x02 set and returned.
  std::uint32_t WriteChecksummed(ArchiveWriter& w);
  // The cached checksum, computed through an archive writer that keeps no
  // bytes when flag 0x02 is clear (0 without objects); `scratch` is unused.
  std::uint32_t GetChecksum(ByteArray& scratch);
  void InvalidateChecksum() { flags &= std::uint8_t(~kBlockChecksumValid); }
  // Same name (case-blind), same mask, same checksum and objects whose
  // records are equal byte for byte, in order. The arrays are scratch space.
  bool IsSameBlock(cBlock& other, ByteArray& scratch, ByteArray& otherScratch);

  // ---- label slots ----
  InsertLabel* GetLabel(int slot) const {
    return slot >= 0 && slot < kLabelSlots ? labels_[std::size_t(slot)].get() : nullptr;
  }
  // The slot's record, made when missing (slots outside 0..7 give null).
  InsertLabel* MakeLabel(int slot);
  void RemoveLabel(int slot) {
    if (slot >= 0 && slot < kLabelSlots) labels_[std::size_t(slot)].reset();
  }

  // ---- fields ----
  std::uint32_t checksum = 0;
  std::uint16_t mask = 0;
  std::uint32_t color = 0;
  double value = 0.0;
  std::uint8_t byteValue = 0;
  DPoint point;
  std::uint8_t flags = 0;
  // Kept with the block, stored by none of its records.
  AString narrowText;
  std::array<std::uint8_t, 12> displayFields = {0, 0, 0, 0, 0, 0, 15, 0, 0x03, 0, 0, 0};
  WString name;
  WString description;
  AttributeList attributes;

 private:
  // The checksummed record writes the name in upper case, so that blocks
  // that IsSameBlock takes as one (names equal but for case) also share
  // their checksum.
  void WriteFieldsAs(cDrawingData* data, ArchiveWriter& w, const WString& recordName) const;

  cOutObj* first_ = nullptr;
  std::uint32_t chainWord_ = 0;
  std::array<std::unique_ptr<InsertLabel>, kLabelSlots> labels_;
};

}  // namespace kvn
