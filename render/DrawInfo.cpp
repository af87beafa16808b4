#include "render/DrawInfo.h"

namespace kvn {

void cDrawInfo::AddEllipsePath(const DRect&) {}
void cDrawInfo::DrawEllipseShape(const DPoint&, const DPoint&, cOutObj&) {}
void cDrawInfo::DrawSegmentShape(const DPoint&, const DPoint&, cOutObj&) {}
void cDrawInfo::FillPath(cOutObj&) {}
void cDrawInfo::StrokePath(cOutObj&) {}
void cDrawInfo::RasterizePath(std::uint32_t) {}
void cDrawInfo::RasterizeSegment(std::uint32_t, const DPoint&, const DPoint&) {}

}  // namespace kvn
