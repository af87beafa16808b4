#include "text/ShxTextLine.h"

#include <cmath>
#include <cstring>

#include "model/Geometry.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "text/ShxParsedFont.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {


struct Placer {
  double sx, sy, angle;
  DPoint origin;
  DPoint operator()(double x, double y) const {
    DPoint p{x * sx, y * sy};
    RotatePoint(p, DPoint{}, angle);
    return {p.x + origin.x, p.y + origin.y};
  }
};

}  // namespace

double BuildShxTextLine(ShxParsedFont& font, DRect& box, bool& first, ShxOutlineCache& out, const ShxLineRequest& line) {
  const double above = font.GetAbove();
  if (above == 0.0) return 0.0;
  const double s = line.height / above;
  const Placer place{line.widthFactor * s, s, line.angle, line.origin};
  // A glyph point: mirrored in x, flipped in y unless kept, behind the pen.
  auto glyphPoint = [&](const DPoint& p, double penX) {
    return place((line.mirrorX ? -p.x : p.x) + penX, line.keepY ? p.y : -p.y);
  };
  // Every polyline is sized once: a screen of texts lays out hundreds of
  // thousands of them, and growing each record by record cost more than
  // placing the points.
  std::size_t polylines = out.polylines.size() + 2;
  for (int i = 0; i < line.count; ++i) {
    if (ShxGlyph* glyph = font.GetGlyph(line.chars[i])) {
      glyph->Compute(font);
      polylines += glyph->polylines.size();
    }
  }
  out.polylines.reserve(polylines);
  double penX = 0.0;
  for (int i = 0; i < line.count; ++i) {
    ShxGlyph* glyph = font.GetGlyph(line.chars[i]);
    if (!glyph) continue;
    glyph->Compute(font);
    // The glyph's box goes through the same placement as its strokes.
    DRect placed{};
    bool boxFirst = true;
    placed.AddPoint(glyphPoint({glyph->bounds.x1, glyph->bounds.y1}, penX), boxFirst);
    placed.AddPoint(glyphPoint({glyph->bounds.x2, glyph->bounds.y2}, penX), boxFirst);
    placed.AddPoint(glyphPoint({glyph->bounds.x1, glyph->bounds.y2}, penX), boxFirst);
    placed.AddPoint(glyphPoint({glyph->bounds.x2, glyph->bounds.y1}, penX), boxFirst);
    placed.Normalize();
    box.Union(placed, first);
    for (const CubicArray& source : glyph->polylines) {
      const std::uint32_t n = source.Count();
      if (n == 0) {
        out.polylines.emplace_back();
        continue;
      }
      // Step 0 and n records: the array holds exactly these; a later append
      // grows it by the usual rule.
      CubicArray& target = out.polylines.emplace_back(0);
      target.SetCount(n);
      // Straight records repeat their ends and each record starts where
      // the last ended: a point the same bit for bit as the one placed just
      // before is placed the same, so it is placed once.
      DPoint last{}, lastPlaced{};
      bool haveLast = false;
      for (std::uint32_t r = 0; r < n; ++r) {
        const Cubic& c = source[r];
        Cubic& placedCubic = target[r];
        for (int k = 0; k < 4; ++k) {
          if (!haveLast || std::memcmp(&c.p[k], &last, sizeof(DPoint)) != 0) {
            last = c.p[k];
            lastPlaced = glyphPoint(last, penX);
            haveLast = true;
          }
          placedCubic.p[k] = lastPlaced;
        }
      }
    }
    penX += line.mirrorX ? -glyph->penEnd.x : glyph->penEnd.x;
  }
  if (penX != 0.0) {
    // Bars lie on the descender side and the capital side of the glyphs as
    // drawn, so they turn over with the glyphs of a mirrored text.
    const double flip = line.keepY ? -1.0 : 1.0;
    auto bar = [&](double y) {
      out.underlines.push_back(std::uint32_t(out.polylines.size()));
      out.polylines.emplace_back().Append64(Cubic::Straight(place(0.0, y * flip), place(penX, y * flip)));
    };
    if (line.underline) bar(font.GetBelow() / 2.0);
    if (line.strikeOut) bar(-above / 2.0);
  }
  return penX;
}

std::unique_ptr<ShxOutlineCache> BuildShxTextOutline(DRect& bounds, cText& text, const WString& lineText,
                                                     cDrawingData* data) {
  bounds = DRect{};
  const std::uint16_t index = text.GetFontIndex(data);
  cStyleFont* font = data && index != 65535 && index < data->FontStyles().Count() ? data->FontStyles().Get(index) : nullptr;
  ShxFont* shx = font ? font->Shx() : nullptr;
  if (!shx) return nullptr;
  (void)LoadShxFontData(*shx);
  if (!shx->parsed || !shx->parsed->IsTextFont()) return nullptr;

  auto cache = std::make_unique<ShxOutlineCache>();
  const bool mirrorX = text.IsMirroredX(data), mirrorY = text.IsMirroredY(data);
  const double a = text.angle * kPi / 180.0;
  const int column = (text.alignment & kAlignCodeMask) % 3;
  DPoint shift{0, 0};
  if (column != 0) {
    double f = column == 1 ? 0.5 : 1.0;
    if (mirrorX) f = -f;
    const double W = text.blockWidth;
    shift = {-f * W * std::cos(a), f * W * std::sin(a)};
  }
  const double e = text.GetLineHeight(data) - text.GetDescent(data);
  DPoint ascent{e * std::sin(a), e * std::cos(a)};
  if (mirrorY) ascent = {-ascent.x, -ascent.y};
  const DPoint anchor = text.GetAnchorOffset(data, true);

  ShxLineRequest line;
  line.height = text.GetHeight(data);
  line.chars = lineText.CStr();
  line.count = lineText.Length();
  line.underline = text.IsUnderline(data);
  line.strikeOut = text.IsStrikeOut(data);
  const double wf = text.GetWidthFactor(data);
  line.widthFactor = wf == 0.0 ? 1.0 : wf;
  line.angle = -text.angle;
  line.origin = {text.point.x - anchor.x + shift.x + ascent.x, text.point.y - anchor.y + shift.y + ascent.y};
  line.mirrorX = mirrorX;
  line.keepY = mirrorY;
  bool first = true;
  BuildShxTextLine(*shx->parsed, bounds, first, *cache, line);
  bounds.Normalize();
  return cache;
}

}  // namespace kvn
