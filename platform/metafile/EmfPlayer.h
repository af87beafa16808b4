// Enhanced-metafile playback onto any device context (platform/gdi).
//
// A metafile handle (EmfDocument) holds bytes that passed ValidateEmf, so
// every record's counts and offsets lie inside the record; the readers here
// check them again all the same and treat a field beyond the record as
// absent.
//
// EnumEnhMetaFile fits the picture frame (the header's rclFrame on the
// reference device) into a logical rectangle of the context, over the
// context's own mapping, world transform and clip, and hands each record to
// a callback with the handle table (sized by the header's nHandles). The
// context's state is saved before the first record and restored after the
// last. The metafile's own page mapping and world transform are kept by the
// player and given to the context as one world transform (the context runs
// in GM_ADVANCED meanwhile), so the context's page mapping is never touched.
// Rules in README.md.
#pragma once

#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/XForm.h"
#include "platform/metafile/EmfValidate.h"

namespace kvn {

// The identifier of a comment record that carries EMF+ records, which the
// player passes over.
inline constexpr std::uint32_t kEmfPlusCommentSignature = 0x2B464D45;  // "EMF+"

// Bytes of a validated enhanced metafile.
class EmfDocument {
 public:
  // Empty unless the bytes pass ValidateEmf (only nBytes of them are kept).
  static std::optional<EmfDocument> FromBytes(const std::uint8_t* data, std::uint64_t size);

  const EmfHeaderInfo& Header() const { return header_; }
  const std::uint8_t* Data() const { return bytes_.data(); }
  std::uint32_t Size() const { return std::uint32_t(bytes_.size()); }

 private:
  std::vector<std::uint8_t> bytes_;
  EmfHeaderInfo header_;
};

// One record: its bytes (type, size, fields) within the metafile.
struct EmfRecord {
  const std::uint8_t* data = nullptr;
  std::uint32_t size = 0;

  std::uint32_t Type() const { return U32(0); }
  // Fields at a byte offset; 0 beyond the record.
  std::uint32_t U32(std::uint32_t offset) const;
  std::int32_t I32(std::uint32_t offset) const { return std::int32_t(U32(offset)); }
  std::int16_t I16(std::uint32_t offset) const;
  std::uint8_t U8(std::uint32_t offset) const { return offset < size ? data[offset] : 0; }
  float F32(std::uint32_t offset) const;
  // Whether [offset, offset + count * unit) lies inside the record.
  bool Holds(std::uint64_t offset, std::uint64_t count, std::uint64_t unit) const {
    return offset <= size && count <= (size - offset) / (unit ? unit : 1);
  }
};

// The LOGFONTW of an EMR_EXTCREATEFONTINDIRECTW record (offset 12); false
// when the record is too short.
bool ReadRecordLogFont(const EmfRecord& record, LogFont* font);

// What the metafile's records set up that the context does not hold: its
// own page mapping, world transform, arc direction, text justification,
// layout, clip and meta region, saved and restored with its SaveDC and
// RestoreDC.
struct EmfMappingState {
  int mapMode = kMmText;
  DPoint windowOrg{0, 0};
  DPoint windowExt{1, 1};
  DPoint viewportOrg{0, 0};
  DPoint viewportExt{1, 1};
  XForm world;
  bool clockwise = false;
  // SETTEXTJUSTIFICATION: logical units spread over the break characters of
  // each text run that gives no spacing of its own.
  std::int32_t breakExtra = 0;
  std::int32_t breakCount = 0;
  // SETLAYOUT: LAYOUT_RTL, LAYOUT_BITMAPORIENTATIONPRESERVED.
  std::uint32_t layout = 0;
  // The metafile's clip and its meta region (SETMETARGN) in the context's
  // device pixels, none when absent. Clip records change the clip alone;
  // the context draws where both allow, within the clip it had at the start.
  std::optional<TRegion> clip;
  std::optional<TRegion> meta;
};

// The objects the records create, by handle index, and the playback's state.
class HandleTable {
 public:
  using Object = std::variant<std::monostate, TPen, TBrush, TFont>;

  explicit HandleTable(std::uint32_t count) : objects_(count) {}
  std::uint32_t Count() const { return std::uint32_t(objects_.size()); }
  // Index 0 stands for the metafile itself and takes no object; false for it
  // and for an index beyond the table.
  bool Store(std::uint32_t index, Object object);
  const Object* Get(std::uint32_t index) const;
  void Delete(std::uint32_t index);

  // ---- the playback (set by EnumEnhMetaFile) ----
  // Metafile device units (reference-device pixels) to the context's
  // logical units: the frame fitted into the rectangle.
  XForm fit;
  // The placement as it is and mirrored about the frame's vertical centre
  // line; `fit` is the one the metafile's layout asks for.
  XForm fitLeftToRight;
  XForm fitRightToLeft;
  // The context's world transform and its logical-to-device transform when
  // playback began.
  XForm initialWorld;
  XForm initialToDevice;
  bool hadClip = false;
  TRegion initialClip;
  // Reference device: pixels per millimetre.
  double pixelsPerMmX = 1.0;
  double pixelsPerMmY = 1.0;
  int baseDepth = 0;  // the context's saved depth once its state was saved
  EmfMappingState mapping;
  std::vector<EmfMappingState> savedMappings;
  // Whether the Symbol, Wingdings, Wingdings 2, Wingdings 3 and Webdings
  // fonts are installed (-1: not asked yet); without one their texts are
  // drawn through a stand-in face.
  std::int8_t symbolFontInstalled[5] = {-1, -1, -1, -1, -1};
  // Records passed over: EMF+ comments, and records that could not be played.
  std::uint32_t emfPlusComments = 0;
  std::uint32_t unplayed = 0;

 private:
  std::vector<Object> objects_;
};

// Whether the metafile's drawing is all in EMF+ comments: it holds EMF+
// records and no record that draws, so that playing it draws nothing.
bool DrawsOnlyInEmfPlus(const EmfDocument& emf);

// The callback of EnumEnhMetaFile: 0 stops the enumeration.
using EnhMetaFileProc = int (*)(TDC& dc, HandleTable& table, const EmfRecord& record, int handleCount,
                                std::intptr_t data);

struct EmfPlayStats {
  std::uint32_t records = 0;
  std::uint32_t emfPlusComments = 0;
  std::uint32_t unplayed = 0;
};

// Plays the records through the callback (PlayEnhMetaFileRecord when it is
// null) with the frame fitted into `rect` (logical units of the context; the
// frame as it is on the reference device when null). A context with an
// abort procedure is also asked between records, a few milliseconds apart,
// and the playback ends where it gives up. False when the callback stopped
// the enumeration, the context gave up, or its state could not be saved.
bool EnumEnhMetaFile(TDC& dc, const EmfDocument& emf, EnhMetaFileProc proc, std::intptr_t data, const TRect* rect,
                     EmfPlayStats* stats = nullptr);
inline bool PlayEnhMetaFile(TDC& dc, const EmfDocument& emf, const TRect& rect, EmfPlayStats* stats = nullptr) {
  return EnumEnhMetaFile(dc, emf, nullptr, 0, &rect, stats);
}

// Plays one record. False (and counted in the table) for a record that is
// not played: unknown types, EMF+ comments, refused arguments.
bool PlayEnhMetaFileRecord(TDC& dc, HandleTable& table, const EmfRecord& record, unsigned handleCount);

// Gives the context the world transform of the metafile's current mapping
// (after a mapping record).
void ApplyEmfMapping(TDC& dc, const HandleTable& table);

}  // namespace kvn
