// The painter behind the model's RenderBlockToDib seam: a block's objects
// fitted into a small picture of exactly the size asked for (style samples,
// the sparse-fill test of fill styles).
#pragma once

#include <memory>

#include "model/BlockPicture.h"

namespace kvn {

// The block's extent fitted, 2 pixels free on every side, centred, on the
// background colour; null for an empty or non-finite extent or a size
// below 1.
std::unique_ptr<BlockPicture> PaintBlockPicture(cDrawingData* data, cBlock* block, int width, int height,
                                                std::uint32_t background);
void InstallBlockPicturePainter();

}  // namespace kvn
