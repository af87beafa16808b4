#include "model/BlockPicture.h"

namespace kvn {

namespace {
RenderBlockToDibFn blockPainter = nullptr;
}  // namespace

void SetRenderBlockToDib(RenderBlockToDibFn painter) { blockPainter = painter; }

std::unique_ptr<BlockPicture> RenderBlockToDib(cDrawingData* data, cBlock* block, int width, int height,
                                               std::uint32_t background) {
  if (!blockPainter) return nullptr;
  return blockPainter(data, block, width, height, background);
}

}  // namespace kvn
