// Import table records: what the CAD readers deliver about layers, line
// types, text styles, blocks, block-table records, layouts, viewports, UCS,
// image definitions and draw-order tables, kept in the reader context's lists
// until the drawing assembly turns them into levels, styles, blocks and
// sheets. Handles are 64-bit; 0 means none. Each record has a constructor
// from its values (the DWG readers build some directly) and a FromRecord that
// reads the group codes of its DXF table entry.
//
// The index of a layer in the reader's layer list is the level index of the
// entities on it: layers are never removed or reordered during an import.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/GrowArray.h"
#include "foundation/Vec3.h"
#include "foundation/WString.h"
#include "import/records/cOneObjRec.h"

namespace kvn {

class YxxfGroupRecord;

inline constexpr std::uint16_t kLayerColorTrue = 65535;

// LAYER: name 2, line type 6, colour 62 (negative: off, stored positive;
// 65535 with a true colour 420), flags 70 (bit 0 frozen, bit 2 locked), handle 5.
struct YxxfLayerRec {
  YxxfLayerRec(const WString& name, std::uint16_t colorIndex, std::int32_t trueColor, const WString& lineType,
               std::uint8_t off, std::uint8_t frozen, std::uint8_t locked, std::uint32_t handleLow,
               std::uint32_t handleHigh, std::uint32_t lineTypeLow, std::uint32_t lineTypeHigh);
  static std::unique_ptr<YxxfLayerRec> FromRecord(const YxxfGroupRecord& r);

  WString name;
  WString lineTypeName;
  std::uint16_t colorIndex = 256;
  std::int32_t trueColor = -1;
  std::uint8_t off = 0;
  std::uint8_t frozen = 0;
  std::uint8_t locked = 0;
  std::uint64_t handle = 0;
  // The layer's line type by handle (DWG readers; 0 from DXF, which names it).
  std::uint32_t lineTypeHandleLow = 0;
  std::uint32_t lineTypeHandleHigh = 0;
};

// STYLE: name 2, font file 3, TrueType family and flags from the "ACAD"
// extended data (1001 "ACAD", then 1000 and 1071), handle 5, height 40,
// width factor 41, generation flags 71.
struct YxxfStyleRec {
  YxxfStyleRec(const WString& name, std::uint32_t handleLow, std::uint32_t handleHigh, const WString& fontFile,
               const WString& trueTypeFamily, std::uint32_t trueTypeFlags, double height, double widthFactor,
               std::uint32_t generationFlags);
  static std::unique_ptr<YxxfStyleRec> FromRecord(const YxxfGroupRecord& r);

  WString name;
  WString fontFile;
  WString trueTypeFamily;
  std::uint32_t trueTypeFlags = 0;
  std::uint64_t handle = 0;
  double height = 0.0;
  double widthFactor = 0.0;
  std::uint32_t generationFlags = 0;
};

// One element of a complex line type. The shape number (75) is kept as the
// first character of the text; an embedded text (9) overwrites it.
struct YxxfLineTypeElement {
  std::uint64_t styleHandle = 0;  // 340
  double scale = 0.0;             // 46
  double rotation = 0.0;          // 50
  double xOffset = 0.0;           // 44
  double yOffset = 0.0;           // 45
  double dashLength = 0.0;        // 49
  char16_t text[256] = {};        // 9, or the shape number 75
  std::uint8_t typeFlags = 0;     // 74
};

// LTYPE: name 2, description 3, element count 73 with the elements (each
// from its 49 up to the next; reading stops at the first missing 49), handle 5.
struct YxxfLineTypeRec {
  YxxfLineTypeRec(const WString& name, const GrowArray<YxxfLineTypeElement>* elements, std::uint32_t handleLow,
                  std::uint32_t handleHigh, const WString& description);
  static std::unique_ptr<YxxfLineTypeRec> FromRecord(const YxxfGroupRecord& r);

  WString name;
  WString description;
  GrowArray<YxxfLineTypeElement> elements{8};
  std::uint64_t handle = 0;
};

// Where a spooled entity record lies in the spool stream.
struct YxxfSpoolEntry {
  std::uint64_t handle;
  std::uint64_t position;
};
static_assert(sizeof(YxxfSpoolEntry) == 16, "a spool index entry is 16 bytes");

// BLOCK (and the reader's default block, the model space): name 2, base
// point 10, handle 5, owner 330 (the block-table record), flags 70,
// external-reference path 1; the entity records in memory and the spool index
// of those written out.
struct YxxfBlockRec {
  YxxfBlockRec(const WString& name, const Vec3& base, std::uint32_t handleLow, std::uint32_t handleHigh,
               std::uint32_t ownerLow, std::uint32_t ownerHigh, std::uint8_t flags);
  static std::unique_ptr<YxxfBlockRec> FromRecord(const YxxfGroupRecord& r);

  WString name;
  Vec3 base;
  OwnedArray<cOneObjRec> entities{8};
  // Viewports, attribute definitions, paper-space records and pictures
  // (IMAGE and OLE2FRAME) among the entities, counted as the reader adds
  // them (the list is otherwise only reordered): the assembly leaves out its
  // walks over all the records, and its questions of each, for what a block
  // does not hold.
  std::uint32_t viewportRecords = 0, attributeDefinitions = 0, paperRecords = 0, pictureRecords = 0;
  GrowArray<YxxfSpoolEntry> spoolIndex{8};
  std::uint64_t handle = 0;
  std::uint64_t owner = 0;
  // Further handles under which the block is known (FindBlock accepts them).
  GrowArray<std::uint64_t> aliasHandles{8};
  std::uint8_t flags = 0;
  WString xrefPath;
  // DWG block headers: R13 to R2000 name their entities by the first and the
  // last of a chain; later releases list them.
  bool fromR13ToR2000 = false;
  std::uint64_t firstEntity = 0, lastEntity = 0;
  GrowArray<std::uint64_t> ownedHandles{8};
  GrowArray<std::uint64_t> insertHandles{8};
};

// BLOCK_RECORD: handle 5, name 2, layout 340.
struct YxxfBlockTableRec {
  static std::unique_ptr<YxxfBlockTableRec> FromRecord(const YxxfGroupRecord& r);
  std::uint64_t handle = 0;
  WString name;
  std::uint64_t layoutHandle = 0;
};

// LAYOUT: name 1, owner 330 (the block-table record of the layout's block),
// handle 5, last active viewport 331; the block name is filled in once the
// blocks are known.
struct YxxfLayoutRec {
  static std::unique_ptr<YxxfLayoutRec> FromRecord(const YxxfGroupRecord& r);
  WString name;
  std::uint64_t owner = 0;
  WString blockName;
  std::uint64_t handle = 0;
  std::uint64_t lastActiveViewport = 0;
};

// VPORT: name 2, target 17, direction 16 (shorter than 1e-10: (0, 0, 1)),
// twist 51, handle 5, corners 10 and 11, centre 12, height 40, aspect 41.
struct YxxfViewportRec {
  static std::unique_ptr<YxxfViewportRec> FromRecord(const YxxfGroupRecord& r);
  WString name;
  Vec3 target;
  Vec3 direction{0, 0, 1};
  double twist = 0.0;
  std::uint64_t handle = 0;
  double lowerLeft[2] = {0, 0};
  double upperRight[2] = {0, 0};
  double centre[2] = {0, 0};
  double height = 0.0;
  double aspect = 0.0;
};

// UCS: name 2, origin 10, x axis 11, y axis 12.
struct YxxfUcsRec {
  static std::unique_ptr<YxxfUcsRec> FromRecord(const YxxfGroupRecord& r);
  WString name;
  Vec3 origin, xAxis, yAxis;
};

// IMAGEDEF: file name 1, handle 5.
struct YxxfImageDefRec {
  static std::unique_ptr<YxxfImageDefRec> FromRecord(const YxxfGroupRecord& r);
  WString fileName;
  std::uint64_t handle = 0;
};

// SORTENTSTABLE, after its "AcDbSortentsTable" marker (100): owner block 330
// and the pairs {entity 331, sort handle 5} in file order, flat.
struct YxxfSortTableRec {
  // Null without the marker.
  static std::unique_ptr<YxxfSortTableRec> FromRecord(const YxxfGroupRecord& r);
  std::uint64_t owner = 0;
  GrowArray<std::uint64_t> handles{8};
};

// A custom class of the CLASSES section: name 1; number 500 + its index.
struct YxxfClassRec {
  AString name;
  std::uint16_t number = 0;
};

}  // namespace kvn
