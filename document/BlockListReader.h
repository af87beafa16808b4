// The block and object list reader: reads one block record (a named block
// of the block table, or a drawing's top block) into the block's chain.
//
// Stream form: for a named block from 3105 on a 16-bit presence mask (and,
// when not 0, the block's own fields); then object records, each a type
// byte (bits 0-5 the type code, bits 6-7 copied into the object's type byte)
// and the object's own record, until the byte 255. An object whose flag
// 0x04 is set after its record is followed by the index of the block that
// forms its symbol line (16 bits before 3072, a compact u32 from then on).
//
// Block references are re-based (index + base - 1) and checked: an index
// beyond the block table gets a new empty placeholder block at the table's
// end and sets the caller's placeholder flag, so that the drawing still
// opens and the body reader can ask whether to go on.
//
// Progress is reported at most once per 20000 bytes of input; a cancelled
// monitor ends the read with failure.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/WString.h"

namespace kvn {

class ArchiveReader;
class cBlock;
class cDrawing;
class cDrawingData;
class cInsert;
class cLink;
class InFileStream;
class ProgressMonitor;
struct ReadContext;

// Bytes of input between two progress reports.
inline constexpr std::uint64_t kProgressStepBytes = 20000;

struct BlockListContext {
  cDrawing* drawing = nullptr;
  cDrawingData* data = nullptr;
  ArchiveReader* archive = nullptr;
  // The stream under the archive: its position and size drive the progress.
  InFileStream* input = nullptr;
  ProgressMonitor* monitor = nullptr;
  ReadContext* readContext = nullptr;
  int version = 0;
  // Block indexes in the stream count from this base (1 in drawing bodies).
  std::uint32_t blockIndexBase = 1;
  // Set when a reference beyond the block table got a placeholder block.
  bool placeholder = false;
  // Objects created, over every list of one body.
  std::uint64_t objectCount = 0;
  // The input position of the last progress report.
  std::uint64_t lastProgress = 0;
};

// Reads one block record into `target` (objects are appended). False when
// the data ends before the end byte, a type code names no class, or the
// monitor was cancelled; the objects read so far stay in the block.
bool ReadBlockObjects(bool namedBlock, cBlock& target, BlockListContext& context);

// Re-bases a block reference read from the stream and checks it against the
// table: beyond it a placeholder block is appended and its index answered.
std::uint32_t CheckBlockReference(std::uint32_t stored, BlockListContext& context);

// Link end re-pointing of an exploded insert's copy map: the running ids of
// the source inserts, the running ids of their copies (same positions), and
// a copied link's two end ids, changed in place. A link whose ends are both 0
// is left alone; otherwise an end that names a source insert names its copy
// afterwards, and an end that names none becomes 0.
void RepointLinkEnds(const std::vector<std::uint32_t>& sourceIds, const std::vector<std::uint32_t>& copyIds,
                     std::uint32_t& end1, std::uint32_t& end2);

}  // namespace kvn
