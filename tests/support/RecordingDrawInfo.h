// A drawing context that records what drawing objects ask of the renderer,
// one line per call, with coordinates, so tests can compare call lists.
#pragma once

#include <string>
#include <vector>

#include "render/DrawInfo.h"

namespace kvn::test {

class RecordingDrawInfo : public cDrawInfo {
 public:
  std::vector<std::string> calls;

  void AddEllipsePath(const DRect& box) override;
  void DrawEllipseShape(const DPoint& a, const DPoint& b, cOutObj& object) override;
  void DrawSegmentShape(const DPoint& a, const DPoint& b, cOutObj& object) override;
  void FillPath(cOutObj& object) override;
  void StrokePath(cOutObj& object) override;
  void RasterizePath(std::uint32_t value) override;
  void RasterizeSegment(std::uint32_t value, const DPoint& a, const DPoint& b) override;
};

}  // namespace kvn::test
