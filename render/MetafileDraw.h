// Drawing of placed metafiles (cWmf): playback through a device context
// (the context's own, else the raster surface's) under a mapping that fits
// the metafile's bounds into the placed frame, or, on a surface without a
// device context, the drawing objects made from the metafile, made once
// and cached in the object.
#pragma once

#include "model/ObjectChain.h"

namespace kvn {

class cDrawInfo;
class cWmf;

// The drawing objects of a metafile, made by the interpreter that the
// import of foreign formats installs (model/cWmf.h); none without it.
ObjectChain ExplodeMetafile(cWmf& metafile, cDrawInfo* info);

void DrawWmfObject(cWmf& metafile, cDrawInfo* info);

}  // namespace kvn
