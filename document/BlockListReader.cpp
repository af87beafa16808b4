#include "document/BlockListReader.h"

#include <memory>

#include "document/HandOvers.h"
#include "document/ProgressMonitor.h"
#include "foundation/ArchiveReader.h"
#include "foundation/InFileStream.h"
#include "model/InsertCopyMap.h"
#include "model/ObjectChain.h"
#include "model/ObjectList.h"
#include "model/ObjectTypes.h"
#include "model/ReadState.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"

namespace kvn {

namespace {

// Reports progress when the input has moved on far enough; false once the
// monitor was cancelled.
bool StepProgress(BlockListContext& context) {
  if (!context.monitor || !context.input) return true;
  const std::uint64_t position = context.input->Position();
  if (position <= context.lastProgress + kProgressStepBytes) return true;
  context.lastProgress = position;
  const std::uint64_t size = context.input->Size();
  const int percent = size ? int(position * 100 / size) : 0;
  return context.monitor->Step(percent > 100 ? 100 : percent, true);
}

// Appends the objects read so far to the block on every way out, so that a
// failed read leaves them where the caller can discard them with the block.
class ChainToBlock {
 public:
  explicit ChainToBlock(cBlock& block) : block_(block) {}
  ~ChainToBlock() { block_.AppendChain(std::move(chain_)); }
  ChainToBlock(const ChainToBlock&) = delete;
  ChainToBlock& operator=(const ChainToBlock&) = delete;
  ObjectChain& Chain() { return chain_; }

 private:
  cBlock& block_;
  ObjectChain chain_;
};

}  // namespace

std::uint32_t CheckBlockReference(std::uint32_t stored, BlockListContext& context) {
  const std::uint32_t index = std::uint32_t(std::uint64_t(stored) + context.blockIndexBase - 1);
  cDrawingData* data = context.data;
  if (!data) return index;
  if (index < data->BlockCount()) return index;
  // Files of more than 65535 blocks stored some references cut to 16 bits;
  // an empty stand-in keeps the index valid, and the drawing opens garbled
  // only when the user agrees.
  context.placeholder = true;
  return data->AddBlock(new cBlock());
}

bool ReadBlockObjects(bool namedBlock, cBlock& target, BlockListContext& context) {
  ArchiveReader& r = *context.archive;
  const int version = context.version;
  if (namedBlock && version >= 3105) {
    target.mask = r.ReadUInt16();
    if (target.mask != 0 && !target.Read(context.data, r, version)) return false;
  }
  ChainToBlock out(target);
  std::vector<cOutObj*> inserts;
  // Links name inserts by their places in the reading order of the whole
  // drawing; without a per-read context the list stands alone.
  std::uint32_t listInsertNumbers = 0;
  std::uint32_t& insertsRead = context.readContext ? context.readContext->insertsRead : listInsertNumbers;
  const std::uint32_t firstInsertNumber = insertsRead;
  std::vector<cOutObj*> links;
  bool ok = false;
  while (true) {
    // A type byte always needs a byte of its own: when none is left the
    // list was cut short.
    if (r.AtEnd()) break;
    std::uint8_t type = kEndOfObjectList;
    r.ReadByteTo(&type);
    if (type == kEndOfObjectList) {
      ok = true;
      break;
    }
    if (!StepProgress(context)) break;
    std::unique_ptr<cOutObj> object(cOutObj::Create(type & kTypeCodeMask, true));
    if (!object) break;
    object->SetTypeByteSourceBits(type);
    ++context.objectCount;
    // The link style an old link record remembers is for the symbol line
    // right behind that record only.
    if (context.readContext) context.readContext->rememberedLinkStyle = kNoStyle;
    ObjectChain replacement = object->Read(context.readContext, context.data, r, version);

    std::uint32_t symbolBlock = 0xFFFFFFFF;
    if (object->HasFlag(kFlagSymbolFollows)) {
      const std::uint32_t stored = version < 3072 ? std::uint16_t(r.ReadInt16()) : r.ReadCompactU32();
      symbolBlock = CheckBlockReference(stored, context);
    }

    // The objects that take the record's place in the block.
    ObjectChain placed;
    if (replacement) {
      object.reset();
      placed = std::move(replacement);
    } else {
      placed.Append(object.release());
    }
    for (cOutObj* o = placed.Head(); o; o = o->next) {
      // Old texts measure themselves from their glyphs at once.
      if (version < 3093 && context.data && o->AsText()) LoadGlyphsForObject(*context.data, *o);
      if (std::uint32_t* blockIndex = InsertBlockIndexOf(*o)) *blockIndex = CheckBlockReference(*blockIndex, context);
      if (symbolBlock != 0xFFFFFFFF) ConvertOldSymbolLine(*o, symbolBlock, context);
      if (o->AsInsert()) {
        inserts.push_back(o);
        ++insertsRead;
      }
      if (o->AsLink()) links.push_back(o);
    }
    out.Chain().AppendChain(std::move(placed));
  }
  if (ok) ConnectLinksToInserts(links, inserts, firstInsertNumber);
  return ok;
}

void RepointLinkEnds(const std::vector<std::uint32_t>& sourceIds, const std::vector<std::uint32_t>& copyIds,
                     std::uint32_t& end1, std::uint32_t& end2) {
  RepointInsertIds(sourceIds, copyIds, end1, end2);
}

}  // namespace kvn
