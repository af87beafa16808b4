// The multileaders of a sample drawing written by a second program, read
// from its DXF and from its DWG form: every text frame meets the end of its
// leader (the landing, at the landing gap from the text), and the texts
// that flow top to bottom stand on one line as their writer drew them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "dwg/container/DwgLoader.h"
#include "import/dxf/DxfReader.h"
#include "model/cAnyFill.h"
#include "model/cBlock.h"
#include "model/cPolygon.h"
#include "model/cText.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

cPolygon* PolygonOf(cOutObj* o) {
  cAnyFill* fill = o ? o->AsAnyFill() : nullptr;
  return fill ? fill->AsPolygon() : nullptr;
}

double DistanceToSegment(DPoint p, DPoint a, DPoint b) {
  const double dx = b.x - a.x, dy = b.y - a.y, length = dx * dx + dy * dy;
  const double t = length > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length, 0.0, 1.0) : 0.0;
  return std::hypot(a.x + t * dx - p.x, a.y + t * dy - p.y);
}

void CheckMultileaders(const DocumentResult& result) {
  ASSERT_TRUE(result.Ok());
  cSheet& sheet = *result.Document()->GetFirstSheet();
  std::vector<cPolygon*> frames;
  std::vector<DPoint> leaderEnds;
  std::vector<std::string> oneLine;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
    if (cText* text = o->AsText()) {
      const std::string s = text->GetText().ToUtf8();
      if (s == "MULTILEADER TEST 123") oneLine.push_back(s);
      cPolygon* frame = PolygonOf(o->next);
      // The framed ones among the test multileaders (the drawing's other
      // texts may be followed by a rectangle of their own).
      const bool multileader = s.rfind("MULTILEADER", 0) == 0 && s.find("123") != std::string::npos;
      // A frame is not filled (the arrowhead of the next leader is).
      if (multileader && frame && frame->FirstList().IsClosed() && frame->FirstList().Count() == 4 &&
          (frame->fill.fillColor & 0x80000000u)) {
        frames.push_back(frame);
      }
    } else if (cPolygon* p = PolygonOf(o); p && !p->FirstList().IsClosed() && p->FirstList().Count() >= 2) {
      leaderEnds.push_back(p->FirstList().Points().back());
    }
  }
  // Three multileaders turned by 15 degrees flow top to bottom.
  EXPECT_EQ(oneLine.size(), 3u);
  ASSERT_EQ(frames.size(), 7u);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    const auto corners = frames[i]->FirstList().Points();
    double nearest = std::numeric_limits<double>::infinity();
    for (DPoint end : leaderEnds) {
      for (std::size_t k = 0; k < 4; ++k) nearest = std::min(nearest, DistanceToSegment(end, corners[k], corners[(k + 1) % 4]));
    }
    // Text heights are 4 and 8, gaps 2 and 10: a frame apart from its
    // leader misses it by tens of units; the faces' widths differ from the
    // writer's by a few.
    EXPECT_LT(nearest, 3.0) << "frame " << i << " at " << corners[0].x << ", " << corners[0].y;
  }
}

TEST(MultileaderSamplesTest, FramesMeetTheirLeadersInTheDxfAndTheDwg) {
  KVN_REQUIRE_TESTDATA(data);
  {
    SCOPED_TRACE("DXF");
    CheckMultileaders(LoadDxfFile(WString::FromUtf8((data / "dxf/acadsharp_sample_AC1024_ascii.dxf").string()),
                                  nullptr, nullptr));
  }
  {
    SCOPED_TRACE("DWG");
    CheckMultileaders(
        LoadDwgFile(WString::FromUtf8((data / "dwg/acadsharp_sample_AC1024.dwg").string()), nullptr, nullptr));
  }
}

}  // namespace
}  // namespace kvn
