#include "render/Strokes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "model/cAnyLine.h"
#include "model/cDrawingData.h"
#include "model/cStyleLine.h"
#include "platform/gdi/DeviceContext.h"
#include "render/BuiltinLineTypes.h"
#include "render/DrawInfo.h"
#include "render/LineTypes.h"
#include "model/PathBuffer.h"
#include "render/PenCache.h"
#include "render/StyledPrimitive.h"

namespace kvn {

namespace {

// The current dash pattern (1/256 device units), emptied at every stroke.
GrowArray<std::int32_t> currentPattern(8);
GrowArray<double> styleEntries(8);
std::vector<PatternSymbol> currentSymbols;

// A user-style pen takes at most this many entries on metafiles and
// printers, 16 elsewhere; an entry of 8192 device units or more is dashed in
// software instead.
constexpr std::uint32_t kPenDashesPrinter = 10;
constexpr std::uint32_t kPenDashesScreen = 16;
constexpr std::uint32_t kPenDashLimit = 8192;
// Pens are made at most this many device units wide, the widest the device
// layer draws.
constexpr std::int64_t kMaxPenWidth = 65536;

// floor(v + 0.5) as 32 bits, saturated at +-(2^31 - 1) (NaN gives 0): the
// mapping's rounding, which has a fast path for ordinary values.
std::int32_t Round32(double v) { return RoundSubpixel(v); }

double PositiveOrUnit(double v) { return v > 0 ? v : 1.0; }

// Off only in tests that compare the shortcut with the general road.
bool strokeFastPath = true;

// The stroke width in 1/256 device units: never thinner than the mapping's
// thinnest line.
std::int32_t FineWidth(const WorldMapping& m, double width) {
  return std::max(m.lineWidthFactor, Round32(256.0 * 4.0 * m.scale * width));
}

// The device clip widened by the reach of the stroke (1/256 units) plus a
// pixel, so that caps, joins and symbols just outside still reach in.
DeviceRect WidenedClip(const WorldMapping& m, std::int64_t reach) {
  const std::int64_t margin = reach / 256 + 1;
  const DeviceRect& c = m.deviceClip;
  auto widen = [](std::int64_t v) { return std::int32_t(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)); };
  return {widen(c.left - margin), widen(c.top - margin), widen(c.right + margin), widen(c.bottom + margin)};
}

bool WideOutput(const WorldMapping& m) {
  return m.outputMode == OutputMode::Metafile || m.outputMode == OutputMode::DirectPrinter;
}

// WidenedClip(m, reach) and its RasterStrokeClip, kept per reach: the
// strokes of a paint share the device clip and have a handful of widths, and
// every stroke asks for them.
struct StrokeClip {
  DeviceRect deviceClip;
  std::int64_t reach = 0;
  bool wide = false;
  bool valid = false;
  DeviceRect widened;
  ClipRect clip;
};
StrokeClip strokeClips[8];

// Fills the entry for the mapping's clip and the reach.
[[gnu::noinline]] void RefreshStrokeClip(StrokeClip& e, const WorldMapping& m, std::int64_t reach, bool wide) {
  e.deviceClip = m.deviceClip;
  e.reach = reach;
  e.wide = wide;
  e.valid = true;
  e.widened = WidenedClip(m, reach);
  e.clip = RasterStrokeClip(e.widened, wide);
}

// Inline: every stroke asks, and nearly every ask finds its entry.
inline const StrokeClip& StrokeClipFor(const WorldMapping& m, std::int64_t reach) {
  const bool wide = WideOutput(m);
  // Reaches of a paint mostly differ by whole pixels (256 units).
  StrokeClip& e = strokeClips[(std::uint64_t(reach) >> 8) & 7];
  // The rectangle as one 16-byte block (four 32-bit fields, no padding).
  if (!e.valid || e.reach != reach || e.wide != wide || std::memcmp(&e.deviceClip, &m.deviceClip, sizeof(DeviceRect)))
    RefreshStrokeClip(e, m, reach, wide);
  return e;
}

// Makes (or reuses) the pen of the stroke and selects it; answers the
// polyline mode (1 when the pen is solid and dashes are drawn here).
std::uint8_t PreparePen(cDrawInfo& info, COLORREF color, std::int32_t widthFine, std::uint8_t penOption,
                        bool hasSymbols) {
  PenCache& cache = GetPenCache();
  if (!cache.pen.IsValid()) info.options.penRefresh = 1;
  if (info.options.penRefresh || !cache.Matches(color, widthFine, penOption, currentPattern)) {
    info.options.penRefresh = 0;
    cache.color = color;
    cache.penOption = penOption;
    cache.width = widthFine;
    cache.dashes.Clear();
    cache.dashes.Append(currentPattern.Items(), currentPattern.Count());
    // Pens are reference counted: the old one need not leave the device
    // before the cache drops it (it lives until the device selects another).
    const std::uint32_t w =
        std::uint32_t(std::clamp<std::int64_t>((std::int64_t(widthFine) + 128) >> 8, 1, kMaxPenWidth));
    const std::uint32_t endStyle = (w >= 2 && penOption) ? (kPsEndCapFlat | kPsJoinBevel) : 0;
    TPen pen;
    if (UserStylePensUsable() && !info.options.solidPen && !hasSymbols && currentPattern.Count() != 0) {
      std::uint32_t entries[kPenDashesScreen];
      const std::uint32_t capacity = WideOutput(info.mapping) ? kPenDashesPrinter : kPenDashesScreen;
      std::uint32_t n = BuildPenDashArray(entries, currentPattern.Items(), currentPattern.Count(), capacity);
      for (std::uint32_t i = 0; i < n; ++i) {
        entries[i] = std::uint32_t((std::int64_t(entries[i]) + 128) >> 8);
        if (entries[i] >= kPenDashLimit) n = 0;
      }
      // A pattern that rounds to nothing but zeros cannot be a pen either;
      // nor can dots (dashes of length 0) on a one-unit pen, which the
      // device draws as nothing where the software walk draws a pixel.
      if (n != 0 && std::all_of(entries, entries + n, [](std::uint32_t e) { return e == 0; })) n = 0;
      for (std::uint32_t i = 0; w <= 1 && i < n; i += 2)
        if (entries[i] == 0) n = 0;
      if (n != 0) {
        pen = TPen::ExtCreate(kPsGeometric | kPsUserStyle | endStyle, w, kBsSolid, color, n, entries);
        if (pen.IsValid()) cache.lastPenSolid = 0;
      }
    }
    if (!pen.IsValid()) {
      pen = TPen::ExtCreate(kPsGeometric | kPsSolid | endStyle, w, kBsSolid, color);
      cache.lastPenSolid = 1;
    }
    // A refused pen still leaves a selectable one.
    if (!pen.IsValid()) pen = TPen(Rgb(0, 0, 0), 0, kPsSolid);
    cache.pen = pen;
  }
  info.SelectPen(cache.pen);
  return cache.lastPenSolid;
}

// StyledPrimitive::patternLength of a summed pattern length.
std::int32_t ClampedLength(std::int64_t length) { return std::int32_t(std::min<std::int64_t>(length, INT32_MAX)); }

// The dash pattern of a built-in row for one key, kept while strokes of the
// row keep the key (a drawing's lines mostly share scale and pen option).
// Computed exactly as the general branch below computes a pattern.
struct BuiltinPattern {
  bool valid = false;
  std::uint8_t type = 0;
  double objectScale = 0;
  std::uint8_t lineOption = 0;  // the object's pen option: the offset
  std::uint8_t penOption = 0;   // the stroke's: dashes at least M long
  double scale = 0;
  std::int32_t widthFactor = 0;
  // The result.
  GrowArray<std::int32_t> pattern{8};
  std::int64_t length = 0;
  bool visible = false;  // longer than one device unit
  bool paintEndPoints = false;
  RasterDashes raster;  // for the shortcut of one straight segment
};

const BuiltinPattern& BuiltinPatternFor(std::uint8_t type, double objectScale, std::uint8_t lineOption,
                                        std::uint8_t penOption, double S, std::int32_t M) {
  // One entry per row: drawings mix line types.
  static BuiltinPattern rows[kBuiltinDashTypes];
  BuiltinPattern& cache = rows[type < kBuiltinDashTypes ? type : 0];
  if (cache.valid && cache.type == type && cache.objectScale == objectScale && cache.lineOption == lineOption &&
      cache.penOption == penOption && cache.scale == S && cache.widthFactor == M)
    return cache;
  cache.valid = true;
  cache.type = type;
  cache.objectScale = objectScale;
  cache.lineOption = lineOption;
  cache.penOption = penOption;
  cache.scale = S;
  cache.widthFactor = M;
  cache.pattern.Clear();
  cache.length = 0;
  cache.visible = false;
  cache.paintEndPoints = false;
  cache.raster = RasterDashes{};
  const BuiltinLineTypeRow& row = BuiltinLineType(type);
  const double lengthScale = objectScale * kBuiltinPatternUnit;
  const double offset = lineOption ? 1.0 : 0.0;
  const double unit = S * 256.0 * (lengthScale * 4.0);
  if (!(unit > 0)) return cache;
  std::int64_t raw = 0;
  for (std::uint32_t i = 0; i < row.count; ++i) {
    std::int32_t d = Round32((row.entries[i] + offset) * unit);
    raw += std::abs(std::int64_t(d));
    if (penOption && d >= 0 && d < M) d = M;
    cache.length += std::abs(std::int64_t(d));
    cache.pattern.Append(d);
  }
  if (raw <= 256) {
    cache.pattern.Clear();
    cache.length = 0;
  } else {
    cache.visible = true;
  }
  cache.paintEndPoints = cache.pattern.Count() != 0 && !penOption;
  cache.raster = PrepareRasterDashes(cache.pattern.Items(), cache.pattern.Count(), ClampedLength(cache.length),
                                     cache.paintEndPoints);
  return cache;
}

// StrokePathWith; with `ownValues` the object has no line style and its own
// fields are read instead of asking the getters (which would answer them).
void StrokeWith(cDrawInfo& info, const cAnyLine* line, const cStyleLine* style, bool ownValues, bool solid,
                COLORREF color, double width, std::uint8_t penOption) {
  const WorldMapping& m = info.mapping;
  const double S = m.scale;
  const std::int32_t M = m.lineWidthFactor;
  const std::int32_t W = FineWidth(m, width);

  currentPattern.Clear();
  std::int64_t patternLength = 0;
  bool paintEndPoints = false;
  std::uint8_t* splitFlag = nullptr;
  const std::vector<PatternSymbol>* symbols = nullptr;

  // The object's values that the dash pattern and the symbols use.
  const cDrawingData* data = info.data;
  const double patternScale = !line ? 1.0 : (ownValues ? line->stroke.patternScale : line->GetPatternScale(data));

  if (!solid && line && !style) {
    const std::uint8_t type = ownValues ? line->stroke.lineType : line->GetLineType(data);
    if (type >= kBuiltinDashTypes) return;
    const BuiltinLineTypeRow& row = BuiltinLineType(type);
    if (row.count == 0) return;
    const std::uint8_t lineOption = ownValues ? line->stroke.penOption : line->GetPenOption(data);
    const BuiltinPattern& built = BuiltinPatternFor(type, PositiveOrUnit(patternScale), lineOption, penOption, S, M);
    currentPattern.Append(built.pattern.Items(), built.pattern.Count());
    patternLength = built.length;
    if (built.visible) splitFlag = &info.cutFlag;
    paintEndPoints = built.paintEndPoints;
  } else if (!solid && line) {
    const double objectScale = PositiveOrUnit(patternScale);
    double offset = 0.0;
    double lengthScale;
    if (style->byObject) {
      const double drawingScale = data ? PositiveOrUnit(data->Scale()) : 1.0;
      lengthScale = style->patternScale / drawingScale * objectScale;
    } else {
      lengthScale = style->patternScale;
    }
    lengthScale = PositiveOrUnit(lengthScale);
    const StyleDashes dashes = GetStyleDashes(*style, styleEntries);
    const double* entries = dashes.entries;
    const std::uint32_t count = dashes.count;
    if (dashes.builtin) {
      lengthScale *= kBuiltinPatternUnit;
      const std::uint8_t option = style->byObject ? line->GetPenOption(data) : style->penOption;
      if (option) offset = 1.0;
    }
    if (count == 0) return;
    const double unit = S * 256.0 * (lengthScale * 4.0);
    if (unit > 0) {
      std::int64_t raw = 0;
      for (std::uint32_t i = 0; i < count; ++i) {
        // The offset lengthens dashes and gaps alike: a dot becomes one
        // pattern unit long and the period stays the same.
        std::int32_t d = Round32((entries[i] + offset) * unit);
        raw += std::abs(std::int64_t(d));
        if (penOption && d >= 0 && d < M) d = M;
        patternLength += std::abs(std::int64_t(d));
        currentPattern.Append(d);
      }
      // A pattern of one device unit or less cannot be seen: solid.
      if (raw <= 256) {
        currentPattern.Clear();
        patternLength = 0;
      } else {
        splitFlag = &info.cutFlag;
      }
      paintEndPoints = currentPattern.Count() != 0 && !penOption;
    }
  }

  std::int64_t E = W;
  currentSymbols.clear();
  if (style && line) {
    const_cast<cStyleLine*>(style)->BuildPatternCache(data);
    const LinePatternCache* cache = style->PatternCache();
    if (cache && !cache->pieces.empty()) {
      for (const LinePatternCache::Piece& piece : cache->pieces) {
        PatternSymbol symbol;
        symbol.index = std::int32_t(piece.element);
        for (const CubicArray& contour : piece.contours) {
          CubicArray copy;
          copy.Append(contour.Items(), contour.Count());
          copy.closed = contour.closed;
          symbol.polylines.push_back(std::move(copy));
        }
        currentSymbols.push_back(std::move(symbol));
      }
      symbols = &currentSymbols;
      E = W + Round32(256.0 * 4.0 * S * cache->reach * patternScale);
    }
  }

  std::uint8_t polylineMode = 1;
  TDC* dc = info.raster ? nullptr : info.Dc();
  if (dc) {
    polylineMode = PreparePen(info, color, W, penOption, symbols != nullptr);
  }

  const DeviceRect output{m.clipCompanions[0], m.clipCompanions[1], m.clipCompanions[2], m.clipCompanions[3]};
  const bool hasOutput = output.left || output.top || output.right || output.bottom;

  if (PathBuffer::PieceCount() == 0) return;
  // Process-wide like the pattern above and every field set: a fresh block
  // is cleared as a whole first (one string store per stroke, which the
  // output's reads of it then wait for).
  static StyledPrimitive args;
  args.dc = dc;
  args.raster = info.raster;
  args.pieces = PathBuffer::Pieces();
  args.pieceCount = PathBuffer::PieceCount();
  args.paintEndPoints = paintEndPoints;
  args.clip = StrokeClipFor(m, E).widened;
  args.polylineMode = polylineMode;
  args.patternLength = ClampedLength(patternLength);
  args.pattern = currentPattern.Items();
  args.patternCount = currentPattern.Count();
  args.symbols = symbols;
  args.splitFlag = splitFlag;
  args.color = color;
  args.width = W;
  args.outputRect = hasOutput ? &output : nullptr;
  args.trimShortStart = penOption;
  args.penDashes = 0;
  args.wideCoordinates = WideOutput(m);
  args.symbolScale = S * patternScale;
  DrawStyledPrimitive(args);
}

// The one open segment the path buffer holds, when a shortcut onto the
// raster surface may take it (no clip companions to honour); else null.
const DeviceSegment* ShortcutSegment(const cDrawInfo& info) {
  if (!strokeFastPath || !info.raster || PathBuffer::PieceCount() != 1) return nullptr;
  const WorldMapping& m = info.mapping;
  if (m.clipCompanions[0] || m.clipCompanions[1] || m.clipCompanions[2] || m.clipCompanions[3]) return nullptr;
  const SegmentArray* piece = PathBuffer::Piece(0);
  if (!piece || piece->closed || piece->Count() != 1) return nullptr;
  return &piece->Items()[0];
}

// The solid stroke of an object without a line style when the path buffer
// holds one open straight segment and the target is the raster surface: what
// StrokeWith would end in (the same width, colour, clip and end-dot rule),
// without the pattern, pen and clip-splitter set-up. Most lines of a drawing
// are such strokes. False when the case does not apply or the segment is not
// wholly inside the clip; nothing has been drawn then.
bool StrokeSolidSegment(cDrawInfo& info, COLORREF color, double width, std::uint8_t penOption) {
  const DeviceSegment* segment = ShortcutSegment(info);
  if (!segment) return false;
  const std::int32_t W = FineWidth(info.mapping, width);
  return DrawSolidRasterSegment(*info.raster, *segment, StrokeClipFor(info.mapping, W).clip, W, color, penOption);
}

// The flattened points of one piece for StrokeSolidPieces; GUI thread only,
// like the path buffer.
GrowArray<std::int32_t> piecePoints(64);

// StrokeSolidSegment for any path of pieces, curved or closed, that lies
// wholly inside the stroke clip: what StrokeWith ends in for a solid stroke
// onto the raster surface (no pattern, no symbols, no pen), each piece
// flattened as the polyline route flattens an uncut part and handed to the
// same DrawPolyline call, in the same order, without the pattern set-up, the
// clip splitter and the part sink. Circles, arcs, polygons and area outlines
// take it. False, with nothing drawn, when any piece reaches outside.
bool StrokeSolidPieces(cDrawInfo& info, COLORREF color, double width, std::uint8_t penOption) {
  if (!strokeFastPath || !info.raster) return false;
  const WorldMapping& m = info.mapping;
  if (m.clipCompanions[0] || m.clipCompanions[1] || m.clipCompanions[2] || m.clipCompanions[3]) return false;
  const std::uint32_t count = PathBuffer::PieceCount();
  if (count == 0) return false;
  const std::int32_t W = FineWidth(m, width);
  const ClipRect& clip = StrokeClipFor(m, W).clip;
  SegmentArray* const* pieces = PathBuffer::Pieces();
  for (std::uint32_t i = 0; i < count; ++i)
    if (!pieces[i] || !PieceInsideClip(*pieces[i], clip)) return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    const SegmentArray& piece = *pieces[i];
    if (piece.Count() == 0) continue;
    piecePoints.Clear();
    for (const DeviceSegment& s : piece.segments) AppendPolylineSegment(piecePoints, s);
    info.raster->DrawPolyline(piecePoints.Items(), piecePoints.Count() / 2, W, color, penOption, piece.closed != 0);
  }
  return true;
}

// The dashed counterpart of StrokeSolidSegment for an object without a line
// style whose line type is a built-in row: the pattern StrokeWith would build
// (the same cached row), walked along the one straight segment by
// DrawDashedRasterSegment. False, with nothing drawn, where that does not
// apply; StrokeWith then takes the general road.
bool StrokeDashedSegment(cDrawInfo& info, const cAnyLine& line, COLORREF color) {
  const DeviceSegment* segment = ShortcutSegment(info);
  if (!segment) return false;
  const WorldMapping& m = info.mapping;
  const StrokeFields& own = line.stroke;
  const std::uint8_t type = own.lineType;
  if (type >= kBuiltinDashTypes || BuiltinLineType(type).count == 0) return false;
  const BuiltinPattern& built =
      BuiltinPatternFor(type, PositiveOrUnit(own.patternScale), own.penOption, own.penOption, m.scale, m.lineWidthFactor);
  const std::int32_t W = FineWidth(m, own.width);
  return DrawDashedRasterSegment(*info.raster, *segment, StrokeClipFor(m, W).clip, WideOutput(m), W, color,
                                 own.penOption, built.raster);
}

}  // namespace

void SetStrokeFastPathForTests(bool enabled) { strokeFastPath = enabled; }

void StrokePathObject(cDrawInfo& info, const cAnyLine& line) {
  const cDrawingData* data = info.data;
  const cStyleLine* style = line.GetLineStyle(data);
  if (!style) {
    // Without a line style every attribute is the object's own value (what
    // each getter answers then), read once here.
    const StrokeFields& own = line.stroke;
    if (own.lineType == kLineTypeNone) return;
    const bool solid = own.lineType == kLineTypeSolid;
    const std::uint32_t gap = own.gapColor & 0x80FFFFFFu;
    if (!solid && info.overrideColor == -1 && !(gap & 0x80000000u))
      StrokeWith(info, nullptr, nullptr, false, true, StripColorFlags(info.MapFillColor(gap)), own.width,
                 own.penOption);
    const COLORREF color = StripColorFlags(info.MapLineColor(own.color));
    if (solid ? StrokeSolidSegment(info, color, own.width, own.penOption) ||
                    StrokeSolidPieces(info, color, own.width, own.penOption)
              : StrokeDashedSegment(info, line, color))
      return;
    StrokeWith(info, &line, nullptr, true, solid, color, own.width, own.penOption);
    return;
  }
  if (line.GetLineType(data) == kLineTypeNone) return;
  bool solid;
  // Dash elements are the style's dash list. A symbol line's symbols are
  // generated objects; its line itself follows its line type (a solid one
  // has no dash list and drew nothing).
  if (style->HasDashElements()) {
    solid = false;
  } else {
    const std::uint8_t type = style->lineType;
    solid = type == kLineTypeNone || type == kLineTypeSolid;
  }
  const std::uint8_t penOption = line.GetPenOption(data);
  const double width = line.GetWidth(data);
  const std::uint32_t gap = line.GetGapColor(data);
  if (!solid && info.overrideColor == -1 && !(gap & 0x80000000u))
    StrokePathWith(info, nullptr, nullptr, true, StripColorFlags(info.MapFillColor(gap)), width, penOption);
  StrokePathWith(info, &line, style, solid, StripColorFlags(info.MapLineColor(line.GetColor(data))), width,
                 penOption);
}

bool PrepareThinRasterStroke(const cDrawInfo& info, const cAnyLine& line, ThinRasterStroke& out) {
  if (!strokeFastPath || !info.raster) return false;
  const WorldMapping& m = info.mapping;
  if (m.clipCompanions[0] || m.clipCompanions[1] || m.clipCompanions[2] || m.clipCompanions[3]) return false;
  if (line.GetLineStyle(info.data)) return false;
  const StrokeFields& own = line.stroke;
  if (own.lineType != kLineTypeSolid) return false;
  const std::int32_t W = FineWidth(m, own.width);
  // DrawPolyline draws one-pixel lines below this width.
  if (std::int64_t(W) - 128 >= 256) return false;
  out.color = StripColorFlags(info.MapLineColor(own.color));
  out.width = W;
  out.penOption = own.penOption;
  out.clip = StrokeClipFor(m, W).clip;
  return true;
}

void StrokePathWith(cDrawInfo& info, const cAnyLine* line, const cStyleLine* style, bool solid, COLORREF color,
                    double width, std::uint8_t penOption) {
  StrokeWith(info, line, style, false, solid, color, width, penOption);
}

void RasterizePolyline(cDrawInfo& info, std::uint32_t value, const DPoint* points, std::uint32_t count,
                       bool closed) {
  PathBuffer::Empty();
  if (!points || count < 2) return;
  SegmentArray* piece = PathBuffer::NewPiece();
  std::int32_t prev[2];
  info.mapping.ToSubpixel(points[0], prev);
  std::int32_t first[2] = {prev[0], prev[1]};
  for (std::uint32_t i = 1; i < count; ++i) {
    std::int32_t next[2];
    info.mapping.ToSubpixel(points[i], next);
    piece->Append(DeviceSegment::Line(prev[0], prev[1], next[0], next[1]));
    prev[0] = next[0];
    prev[1] = next[1];
  }
  if (closed && count >= 3) {
    piece->Append(DeviceSegment::Line(prev[0], prev[1], first[0], first[1]));
    piece->closed = 1;
  }
  info.RasterizePath(value);
}

void RasterizeRect(cDrawInfo& info, std::uint32_t value, double x1, double y1, double x2, double y2) {
  const DPoint corners[4] = {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}};
  RasterizePolyline(info, value, corners, 4, true);
}

void DrawClippedDeviceLine(TDC& dc, const DeviceRect& clip, TPoint a, TPoint b, std::int32_t margin) {
  const double left = double(std::min(clip.left, clip.right)) - margin;
  const double right = double(std::max(clip.left, clip.right)) + margin;
  const double top = double(std::min(clip.top, clip.bottom)) - margin;
  const double bottom = double(std::max(clip.top, clip.bottom)) + margin;
  auto inside = [&](TPoint p) { return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom; };
  if (!inside(a) || !inside(b)) {
    // Liang-Barsky in doubles: the parameter range of the segment inside.
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - left, right - a.x, a.y - top, bottom - a.y};
    for (int i = 0; i < 4; ++i) {
      if (p[i] == 0.0) {
        if (q[i] < 0.0) return;
        continue;
      }
      const double t = q[i] / p[i];
      if (p[i] < 0.0) {
        t0 = std::max(t0, t);
      } else {
        t1 = std::min(t1, t);
      }
      if (t0 > t1) return;
    }
    const TPoint from{int(std::floor(a.x + t0 * dx + 0.5)), int(std::floor(a.y + t0 * dy + 0.5))};
    const TPoint to{int(std::floor(a.x + t1 * dx + 0.5)), int(std::floor(a.y + t1 * dy + 0.5))};
    a = from;
    b = to;
  }
  dc.MoveTo(a.x, a.y);
  dc.LineTo(b.x, b.y);
}

}  // namespace kvn
