#include "text/TrueTypeLine.h"

#include <cmath>

#include "model/FontList.h"
#include "model/TextGlyphBoxes.h"
#include "model/TrueTypeFace.h"
#include "platform/fonts/FontTypes.h"
#include "render/DrawInfo.h"
#include "text/FixedGlyphLine.h"
#include "text/GlyphOutline.h"
#include "text/GlyphPolygons.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {


// The glyph of a character: the face's own record (loaded when the family's
// font file travels in the drawing), else, for a family this machine lacks,
// the fallback face's.
FontGlyph* LookUpGlyph(TrueTypeFaceSet& set, int faceIndex, char16_t code) {
  FontGlyph* glyph = nullptr;
  if (TrueTypeFace* face = set.GetFace(faceIndex)) {
    glyph = FindGlyph(code, face->glyphs);
    if (!glyph && set.memoryFont) glyph = face->GetGlyph(code);
  }
  if (!glyph && set.state == 0) {
    if (TrueTypeFace* substitute = GetSubstituteFace(set, faceIndex)) glyph = substitute->GetGlyph(code);
  }
  return glyph;
}

}  // namespace

void DrawTrueTypeLine(TrueTypeFaceSet& set, const TrueTypeLine& line) {
  const double widthFactor = line.widthFactor == 0.0 ? 1.0 : line.widthFactor;
  const int faceIndex = line.faceIndex;
  double c = 0.0;
  const std::vector<std::uint8_t>* block = GetFaceSetMetrics(set, &c, faceIndex);
  if (!block) return;
  const OutlineMetricsView metrics(*block);
  const TextMetric tm = metrics.Text();

  // The alignment shift in em units, the characters as they stand.
  std::int64_t shift = 0;
  if (line.alignment != 0) {
    std::int64_t sum = 0;
    for (int i = 0; i < line.text.Length(); ++i) {
      if (const FontGlyph* g = LookUpGlyph(set, faceIndex, line.text[i])) sum += g->advance;
    }
    if (line.mirrorX) sum = -sum;
    shift = line.alignment == 6 ? sum / 2 : sum;
  }
  if (c == 0.0) return;
  const double k = line.height / c;
  const double kx = k * widthFactor;
  const double a = line.angle * kPi / 180.0;
  const DPoint along{std::cos(a), -std::sin(a)};
  const DPoint p0{line.origin.x - double(shift) * kx * along.x, line.origin.y - double(shift) * kx * along.y};

  // The fixed-point road when the context's raster surface fills glyphs
  // itself, or when the context asks for it.
  FixedLineTerms terms;
  bool fixedRoad = false;
  bool unclipped = false;
  DeviceRect clip;
  if (line.info && (line.info->directRaster || line.info->GlyphRasterReady())) {
    FixedLineInput in;
    in.scale = line.info->mapping.scale;
    in.start = line.info->mapping.ToDeviceExact(p0);
    in.k = k;
    in.widthFactor = widthFactor;
    in.angle = line.angle;
    in.ascent = tm.ascent;
    in.mirrorX = line.mirrorX;
    in.mirrorY = line.mirrorY;
    fixedRoad = MakeFixedLineTerms(&terms, in);
    clip = FixedGlyphClip(line.info->mapping.deviceClip);
    unclipped = line.mirrorY || line.info->directRaster;
  }

  GlyphPlacement at;
  at.angle = line.angle;
  at.size = k;
  at.color = line.color;
  at.level = line.level;
  at.templ = line.templ;
  at.ascent = tm.ascent;
  at.widthFactor = widthFactor;
  at.mirrorX = line.mirrorX;
  at.mirrorY = line.mirrorY;
  DPoint pen = p0;
  std::int64_t total = 0;
  for (int i = 0; i < line.text.Length(); ++i) {
    const char16_t code = line.text[i] == u'\t' ? u' ' : line.text[i];
    FontGlyph* glyph = LookUpGlyph(set, faceIndex, code);
    if (!glyph) continue;
    if (!glyph->polygons) BuildGlyphPolygons(*glyph);
    const std::int64_t advance = line.mirrorX ? -std::int64_t(glyph->advance) : std::int64_t(glyph->advance);
    FixedGlyphPlacement fixed;
    if (fixedRoad && PlaceFixedGlyph(&fixed, terms, total)) {
      if (!glyph->polygons->runs.empty()) {
        const GlyphCut cut = unclipped ? GlyphCut::Inside : ClassifyGlyphBox(MapGlyphBounds(glyph->bounds, fixed), clip);
        if (cut != GlyphCut::Outside)
          DrawGlyphOutline(*glyph, *line.info, fixed, cut == GlyphCut::Crossing ? &clip : nullptr, line.color);
      }
    } else if (fixedRoad) {
      // An origin beyond the fixed-point range: this glyph in doubles.
      at.origin = pen;
      DrawGlyphOutline(*glyph, line.info, nullptr, at);
    } else if (!line.barsOnly) {
      at.origin = pen;
      DrawGlyphOutline(*glyph, line.info, line.out, at);
    }
    total += advance;
    pen.x += double(advance) * kx * along.x;
    pen.y += double(advance) * kx * along.y;
  }

  if (!line.underline && !line.strikeOut) return;
  const DPoint p1{p0.x + double(total) * kx * along.x, p0.y + double(total) * kx * along.y};
  const double scale = line.height / c;
  if (line.underline) {
    // In doubles: a damaged face's metrics may lie an int's range apart.
    double offset = (double(tm.ascent) - double(metrics.Int(otm::kUnderscorePosition))) * scale;
    const std::int32_t size = metrics.Int(otm::kUnderscoreSize);
    const double thickness = (size <= 0 ? 1 : size) * scale;
    if (line.mirrorY) offset = -offset;
    DrawTextBar(line.info, line.out, p0, p1, line.angle, offset, thickness, line.barColor, line.level, line.templ);
  }
  if (line.strikeOut) {
    double offset = (double(tm.ascent) - double(metrics.Int(otm::kStrikeoutPosition))) * scale;
    const std::uint32_t size = metrics.UInt(otm::kStrikeoutSize);
    const double thickness = double(size == 0 ? 1u : size) * scale;
    if (line.mirrorY) offset = -offset;
    DrawTextBar(line.info, line.out, p0, p1, line.angle, offset, thickness, line.barColor, line.level, line.templ);
  }
}

namespace {

// The ink box of a glyph's flattened outline, in 48-pixel em units, y up.
void TrueTypeGlyphBoxOf(FontGlyph& glyph, GlyphBox& out) {
  if (!glyph.polygons) BuildGlyphPolygons(glyph);
  bool any = false;
  for (const auto& run : glyph.polygons->runs) any = any || !run.empty();
  if (!any) return;
  out.hasInk = true;
  out.left = glyph.bounds[0] / 65536.0;
  out.bottom = glyph.bounds[1] / 65536.0;
  out.right = glyph.bounds[2] / 65536.0;
  out.top = glyph.bounds[3] / 65536.0;
}

}  // namespace

void InstallTrueTypeLineDrawer() {
  SetTrueTypeLineDrawer(&DrawTrueTypeLine);
  SetTrueTypeGlyphBoxSource(&TrueTypeGlyphBoxOf);
}

}  // namespace kvn
