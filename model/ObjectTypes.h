// Type codes and flag bits of drawing objects.
#pragma once

#include <cstdint>

namespace kvn {

// Bits 0-5 of an object's type byte. Codes 11-20 and above 26 name no class.
enum ObjectType : std::uint8_t {
  kTypeInsert = 0,
  kTypeLine = 1,
  kTypeRectangle = 2,
  kTypeCircle = 3,
  kTypeBezier = 4,  // legacy: read and replaced by a polygon
  kTypeWall = 5,
  kTypePolygon = 6,
  kTypeBitmap = 7,
  kTypeWmf = 8,
  kTypeArc = 9,
  kTypeNPoly = 10,
  kTypeText = 21,
  kTypeLink = 22,
  kTypeSeparator = 23,
  kTypeConPoint = 24,
  kTypeDistance = 25,
  kTypeSection = 26,
};

inline constexpr std::uint8_t kTypeCodeMask = 63;
// Attribute-source bits of the type byte: the stroked part (or a text) takes
// its values from its line or text style (0x80), the filled part from its fill
// style (0x40).
inline constexpr std::uint8_t kTypeStyledStroke = 0x80;
inline constexpr std::uint8_t kTypeStyledFill = 0x40;

// Object flag byte.
enum ObjectFlag : std::uint8_t {
  kFlagStored = 0x01,          // stored and copied with the hidden flag
  kFlagHidden = 0x02,          // the painter skips the object
  kFlagSymbolFollows = 0x04,   // transient: the list reader reads a symbol block index next
  kFlagDirty = 0x08,           // derived geometry must be recomputed
  kFlagRecoloured = 0x10,      // made by a section view; drawn through a recoloured copy
  kFlagResolved = 0x20,        // styles materialised into the object
  kFlagInsertGenerated = 0x40, // made by insert expansion
  kFlagGenerated = 0x80,       // made by pattern expansion or a section view
};

inline constexpr std::uint16_t kNoLevel = 65535;
// Page ids are page indexes; 4095 is every page. An object given no page has
// id 0, the first page.
inline constexpr std::uint16_t kAllPages = 4095;
inline constexpr std::uint16_t kNoPage = 0;
// The newest record form; the one every writer produces.
inline constexpr int kCurrentFileVersion = 3111;

}  // namespace kvn
