// Hand-over of the block-table maintenance (see cDrawingData.h): the merge
// of duplicate blocks comes with it; until then every block stays.
#include "model/cDrawingData.h"

namespace kvn {

void cDrawingData::MergeDuplicateBlocks(cOutObj* /*chain*/, cOutObj* /*first*/, std::uint32_t /*blockIndex*/,
                                        int /*mode*/) {}

}  // namespace kvn
