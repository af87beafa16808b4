// The drawing body reader: fills one sheet's drawing record and drawing data
// (levels, styles, blocks, scale) from the archive stream. The native
// container calls it once per drawing sheet; a single-sheet stream (version
// argument 0) is read whole by it, header lines included.
//
// Settings come in one of two encodings: a tagged section for versions
// 3041-3060 (BodyTaggedSettings.cpp) and a fixed bit-packed sequence from
// 3061 on (BodyFixedSettings.cpp). The style tables come in an old section
// before 3077 and as lists after the blocks from 3077 on
// (BodyContent.cpp). Old drawings are brought to the current model at the
// end (BodyConversions.cpp).
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "foundation/WString.h"
#include "model/TextAttributes.h"

namespace kvn {

class ArchiveReader;
class cDrawing;
class cDrawingData;
class cDrawingDoc;
class cSheet;
class InFileStream;
struct NativeReadOptions;
struct ReadContext;

struct BodyReadArgs {
  cSheet* sheet = nullptr;
  // Only in the single-sheet form: the header lines fill its comment, and
  // its attribute text and version checks are read from the body.
  cDrawingDoc* document = nullptr;
  const NativeReadOptions* options = nullptr;
  ArchiveReader* archive = nullptr;
  // The stream under the archive (progress position and size).
  InFileStream* input = nullptr;
  // 0: read the magic and the header lines first.
  int version = 0;
  // Stop after the settings and attributes (result 11 when nothing follows).
  bool attributesOnly = false;
  // Receives the version the body was read with (the header's in the
  // single-sheet form); may be null.
  int* versionRead = nullptr;
  // Receives (adds) the records the read took out as damaged
  // (ReadContext::damagedRecordsDropped); may be null.
  std::uint32_t* damagedRecordsDropped = nullptr;
};

// Result 0 or a LoadResult. What was read before a failure stays in the
// drawing; the caller discards the sheet.
int ReadDrawingBody(const BodyReadArgs& args);

// What the settings of old drawings carry for the conversions at the end of
// the read.
struct OldBodySettings {
  bool hasViewPoint = false;
  DPoint viewOffset;        // tag 2
  DPoint viewPoint;         // tag 3
  double scaleDivisor = 0;  // tag 33, applied when the section ends
  std::int32_t intViewPosition[2] = {0, 0};  // tags 20, 21
  // The prototype shape fields of tags 22, 41 and 47.
  bool hasShapeFields = false;
  std::uint32_t shapeFillColor = 0;
  double shapeWidth = 0;         // A (w1)
  std::uint8_t shapeKind = 0;    // the kind byte
  std::uint8_t shapeLineType = 1;
  std::uint32_t shapeLineColor = 0;
  double shapeHatchScale = 1.0;  // D (w5)
  double shapePatternScale = 1.0;  // B (w6)
  double shapeHatchValue = 0.25;   // C (tag 47)
  std::uint32_t shapeTag41 = 0;
  // Old text attributes merged into the prototype text (tag 18).
  bool hasTextFields = false;
  TextAttributes textFields;
};

// State shared by the parts of one body read.
struct BodyState {
  const BodyReadArgs& args;
  ArchiveReader& r;
  cSheet& sheet;
  cDrawing& drawing;
  cDrawingData& data;
  int version;
  bool singleSheet;
  OldBodySettings old;
  // Set by the block list reader for a block reference beyond the table.
  bool placeholderBlocks = false;
  std::uint64_t objectCount = 0;
  // The state old object records hand on to the records after them.
  ReadContext* readContext = nullptr;
};

// Fixed settings sequence (v >= 3061). Result 0, 7 or 8.
int ReadFixedSettings(BodyState& state);
// Tagged settings section (3041 <= v < 3061). Result 0, 5 or 6.
int ReadTaggedSettings(BodyState& state);
// Old style section (3050 <= v < 3077). False when unreadable.
bool ReadOldStyleSection(BodyState& state);
// Page records (v >= 3059). False when the data ends inside them.
bool ReadPageRecords(BodyState& state);
// Blocks, top block and, from 3077, the style lists and the five default
// style references. False when unreadable.
bool ReadBodyContent(BodyState& state);
// The version-dependent conversions after reading, in their order.
void ConvertOldDrawing(BodyState& state);

// Header key parser of the single-sheet form: applies one "key=value" line.
// `version` is the running file version (the "Version" key sets it).
struct HeaderKeyTarget {
  cDrawingDoc* document = nullptr;
  cDrawing* drawing = nullptr;
  cDrawingData* data = nullptr;
  int version = 4;
  std::uint32_t nextNamedLevel = 0;
};
void ApplyHeaderLine(HeaderKeyTarget& target, const char* line, std::size_t length);

}  // namespace kvn
