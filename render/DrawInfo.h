// The drawing context handed to every Draw: the world-to-device mapping, the
// drawing data whose styles objects use, and the operations by which drawing
// objects put their shapes into the renderer.
//
// The operations that objects call are virtual so that tests can record what
// an object asks of the renderer (tests/support/RecordingDrawInfo.h). Their
// bodies belong to the renderer; until it draws, they do nothing.
#pragma once

#include <cstdint>

#include "foundation/DPoint.h"
#include "foundation/DRect.h"
#include "render/WorldMapping.h"

namespace kvn {

class cDrawingData;
class cOutObj;
class cRasterSurface;

class cOutInfo_ {
 public:
  virtual ~cOutInfo_() = default;
  WorldMapping mapping;
  cDrawingData* data = nullptr;  // not owned
};

class cDrawInfo : public cOutInfo_ {
 public:
  cRasterSurface* raster = nullptr;  // not owned; null when drawing through a device context only
  std::uint8_t directRaster = 0;

  // Puts the ellipse of the box into the current path (a new closed piece).
  virtual void AddEllipsePath(const DRect& box);
  // Ellipse of the box as four cubic pieces, filled and stroked with the
  // object's attributes.
  virtual void DrawEllipseShape(const DPoint& a, const DPoint& b, cOutObj& object);
  // Empties the path, adds the mapped segment and strokes it.
  virtual void DrawSegmentShape(const DPoint& a, const DPoint& b, cOutObj& object);
  // Fills the current path when its first piece is closed.
  virtual void FillPath(cOutObj& object);
  // Strokes the current path when the object's line type is not 0.
  virtual void StrokePath(cOutObj& object);
  // Rasterises every piece of the current path with the value.
  virtual void RasterizePath(std::uint32_t value);
  // Empties the path, adds the mapped segment and rasterises it.
  virtual void RasterizeSegment(std::uint32_t value, const DPoint& a, const DPoint& b);
};

}  // namespace kvn
