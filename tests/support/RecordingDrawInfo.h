// A drawing context that records what drawing objects ask of the renderer,
// one line per call, with coordinates, so tests can compare call lists.
//
// With logColors set, each call that takes an object also shows the context's
// override colour at that moment and, for a filled object, its fill colour:
//   DrawEllipseShape (0,0)(2,2) type 3 override=-1 fill=0xffffff
#pragma once

#include <string>
#include <vector>

#include "render/DrawInfo.h"

namespace kvn::test {

class RecordingDrawInfo : public cDrawInfo {
 public:
  explicit RecordingDrawInfo(const WorldMapping& mapping = WorldMapping{}, cDrawingData* data = nullptr,
                             TDC* dc = nullptr, cRasterSurface* raster = nullptr)
      : cDrawInfo(mapping, data, dc, raster) {}

  std::vector<std::string> calls;
  bool logColors = false;

  void AddEllipsePath(const DRect& box) override;
  void DrawEllipseShape(const DPoint& a, const DPoint& b, cOutObj& object) override;
  void DrawSegmentShape(const DPoint& a, const DPoint& b, cOutObj& object) override;
  void FillPath(cOutObj& object) override;
  void StrokePath(cOutObj& object) override;
  void RasterizePath(std::uint32_t value) override;
  void RasterizeSegment(std::uint32_t value, const DPoint& a, const DPoint& b) override;

 private:
  std::string T(const cOutObj& object) const;
};

}  // namespace kvn::test
