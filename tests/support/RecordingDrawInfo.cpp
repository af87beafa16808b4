#include "tests/support/RecordingDrawInfo.h"

#include <cstdio>

#include "model/cAnyFill.h"
#include "model/cOutObj.h"

namespace kvn::test {

namespace {
// Fixed notation through snprintf is safe here: tests never run under a
// toolkit that changes LC_NUMERIC.
std::string P(const DPoint& p) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "(%g,%g)", p.x, p.y);
  return buf;
}
std::string Hex(std::uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%06x", unsigned(v));
  return buf;
}
}  // namespace

std::string RecordingDrawInfo::T(const cOutObj& o) const {
  std::string s = " type " + std::to_string(o.TypeCode());
  if (logColors) {
    s += " override=" + (overrideColor == -1 ? std::string("-1") : Hex(std::uint32_t(overrideColor)));
    if (const cAnyFill* fill = o.AsAnyFill()) s += " fill=" + Hex(fill->fill.fillColor);
  }
  return s;
}

void RecordingDrawInfo::AddEllipsePath(const DRect& b) {
  calls.push_back("AddEllipsePath " + P({b.x1, b.y1}) + P({b.x2, b.y2}));
}
void RecordingDrawInfo::DrawEllipseShape(const DPoint& a, const DPoint& b, cOutObj& o) {
  calls.push_back("DrawEllipseShape " + P(a) + P(b) + T(o));
}
void RecordingDrawInfo::DrawSegmentShape(const DPoint& a, const DPoint& b, cOutObj& o) {
  calls.push_back("DrawSegmentShape " + P(a) + P(b) + T(o));
}
void RecordingDrawInfo::FillPath(cOutObj& o) { calls.push_back("FillPath" + T(o)); }
void RecordingDrawInfo::StrokePath(cOutObj& o) { calls.push_back("StrokePath" + T(o)); }
void RecordingDrawInfo::RasterizePath(std::uint32_t v) { calls.push_back("RasterizePath " + std::to_string(v)); }
void RecordingDrawInfo::RasterizeSegment(std::uint32_t v, const DPoint& a, const DPoint& b) {
  calls.push_back("RasterizeSegment " + std::to_string(v) + " " + P(a) + P(b));
}

}  // namespace kvn::test
