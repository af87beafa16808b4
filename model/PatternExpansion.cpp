#include "model/PatternExpansion.h"

#include <cmath>
#include <memory>

#include "foundation/CountingAlloc.h"
#include "model/GeometryServices.h"
#include "model/PatternWalk.h"
#include "model/cAnyLine.h"
#include "model/cDrawingData.h"
#include "model/cStyleLine.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {


// The cap falls as the process holds more memory, so that one densely
// patterned line cannot exhaust it; the allocator's own low-memory threshold
// lies at 1,600,000,000 bytes.
struct CapRow {
  std::uint64_t upTo;
  std::uint32_t cap;
};
constexpr CapRow kCapRows[] = {{500000000, 40000},  {1000000000, 20000}, {1200000000, 10000},
                               {1300000000, 4000},  {1400000000, 2000},  {1450000000, 500}};

double PositiveScale(const cDrawingData* data) { return data && data->Scale() > 0 ? data->Scale() : 1.0; }

// The temporary pattern style of a predefined line type (19 and above), with
// the object's pen and its symbol and lengths at the object's pattern scale;
// null for any other line type or one beyond the predefined list.
// `baseLine` tells whether the predefined type strokes its base line too.
std::unique_ptr<cStyleLine> MakePatternStyle(const cAnyLine& object, const cDrawingData* data, bool& baseLine) {
  const std::uint8_t lineType = object.GetLineType(data);
  if (lineType < kBuiltinDashTypes) return nullptr;
  const cStyleLine* entry = GetGeometryServices().GetPredefinedLineType(lineType - kBuiltinDashTypes);
  if (!entry) return nullptr;

  // Symbols are drawn at width 0.25 in symbol units: four times the line's
  // width makes a symbol line as wide as the line itself.
  const double widthFactor = object.GetWidth(data) * 4.0;
  double factor = object.GetPatternScale(data);
  if (!(factor > 0)) factor = 1.0;
  const std::uint8_t pen = object.GetPenOption(data);

  auto style = std::make_unique<cStyleLine>();
  style->lineType = entry->lineType;
  style->patternScale = entry->patternScale;
  style->repeatLength = entry->repeatLength * factor;
  style->startOffset = entry->startOffset > 0 ? entry->startOffset * factor : entry->startOffset;
  style->symbolByte = entry->symbolByte;
  style->hasSymbol = entry->hasSymbol;
  style->dashElements = entry->dashElements;
  style->color = object.GetColor(data);
  style->gapColor = object.GetGapColor(data);
  style->width = object.GetWidth(data);
  style->penOption = pen;
  for (const cOutObj* o = entry->symbol.Head(); o; o = o->next) {
    std::unique_ptr<cOutObj> copy(cOutObj::Create(o->TypeCode(), false));
    if (!copy) continue;
    copy->Assign(*o);
    copy->Scale(TransformContext{}, DPoint{0, 0}, DPoint{factor, factor});
    copy->ScaleLineWidths(TransformContext{}, widthFactor);
    if (cAnyLine* line = copy->AsAnyLine()) line->stroke.penOption = pen;
    style->symbol.Append(copy.release());
  }
  baseLine = entry->lineType != 0;
  return style;
}

}  // namespace

std::uint32_t PatternPieceCap(std::uint64_t allocatedBytes) {
  for (const CapRow& row : kCapRows) {
    if (allocatedBytes <= row.upTo) return row.cap;
  }
  return 0;
}

bool ExpandLineType(PatternPlacement& placement, const DPoint& position, double angle) {
  PatternPieceList& list = *placement.list;
  const std::uint32_t cap = PatternPieceCap(GetAllocatedBytes());
  // The prototype entry is not a generated object.
  const std::size_t generated = list.entries.empty() ? 0 : list.entries.size() - 1;
  if (generated > cap) return false;
  if (placement.tries) {
    if (*placement.tries > cap) return false;
    ++*placement.tries;
  }

  SymbolInstanceRequest request;
  request.data = placement.data;
  request.style = placement.style;
  request.position = position;
  request.angle = angle;
  request.scale = placement.scale;
  request.line = placement.object;
  ObjectChain instance;
  GetGeometryServices().ExpandSymbolInstance(request, instance);

  bool first = list.boundsEmpty != 0;
  cOutObj* next = instance.Release();
  while (next) {
    std::unique_ptr<cOutObj> piece(next);
    next = piece->next;
    piece->next = nullptr;
    piece->SetLevel(placement.level);
    piece->CopyVisibilityFlags(*placement.object);
    piece->CopyPages(*placement.object);
    piece->SetFlag(kFlagDirty | kFlagGenerated);
    piece->SetFlag(kFlagResolved, false);
    // Generated pieces never expand a pattern of their own, so a symbol
    // drawn in its own line type cannot recurse.
    if (cAnyLine* line = piece->AsAnyLine()) line->stroke.patternPieceMark = 1;
    DRect extent;
    piece->GetStrokeExtent(placement.data, extent);
    list.bounds.Union(extent, first);
    list.boundsEmpty = 0;
    list.entries.push_back(PatternPiece{std::move(piece), 0, 0});
  }
  return true;
}

bool PlacePatternOnSegment(const DPoint& start, const DPoint& end, PatternPlacement& placement, double& phase) {
  if (start == end) return false;
  const double dx = end.x - start.x;
  const double dy = end.y - start.y;
  const double angle = std::atan2(dy, dx) * kDegPerRad;
  const double length2 = dx * dx + dy * dy;
  const double length = std::hypot(dx, dy);
  const double ux = dx / length;
  const double uy = dy / length;
  double t = phase;
  for (;;) {
    const DPoint at{start.x + t * ux, start.y + t * uy};
    const double ex = at.x - start.x;
    const double ey = at.y - start.y;
    // Written so that a distance that is not a number ends the segment.
    if (!(ex * ex + ey * ey <= length2)) break;
    if (!ExpandLineType(placement, at, angle)) return true;
    if (!(placement.step > 0)) return true;
    t += placement.step;
  }
  phase = t - length;
  return false;
}

void WalkOutlineForPattern(PatternPlacement& placement, const CubicArray& contour) {
  const double phase = PatternStartPhase(placement.step, placement.scale, placement.style->repeatLength);
  WalkContourForPattern(contour, phase, [&placement](const DPoint& a, const DPoint& b, double& running) {
    return PlacePatternOnSegment(a, b, placement, running);
  });
}

// ---- cAnyLine::ExpandPattern ----

void cAnyLine::ExpandPattern(cDrawingData* data) {
  if (stroke.patternPieceMark == 1) return;
  patternPieces_.reset();

  const cStyleLine* own = GetLineStyle(data);
  const cStyleLine* style = own && own->IsSymbolLine() ? own : nullptr;
  std::unique_ptr<cStyleLine> temporary;
  bool baseLine = true;
  if (!style) {
    // A plain dash type is drawn by the stroke routine; nothing to expand.
    temporary = MakePatternStyle(*this, data, baseLine);
    if (!temporary) return;
    style = temporary.get();
  }

  // The prototype draws the base line (and the fill) under the symbols.
  std::unique_ptr<cOutObj> prototype(cOutObj::Create(TypeCode(), false));
  cAnyLine* proto = prototype ? prototype->AsAnyLine() : nullptr;
  if (!proto) return;
  prototype->Assign(*this);
  proto->stroke.patternPieceMark = 1;
  proto->stroke.formerLineStyle = stroke.formerLineStyle;
  if (!temporary) {
    proto->MaterializeStyles(data);
  } else {
    if (proto->TypeByte() & kTypeStyledStroke) {
      if (own && !own->byObject) {
        proto->stroke.color = own->color;
        proto->stroke.gapColor = own->gapColor;
        proto->stroke.width = own->width;
        proto->stroke.patternScale = own->patternScale;
        proto->stroke.penOption = own->penOption;
      }
      proto->SetTypeByteSourceBits(std::uint8_t(proto->TypeByte() & kTypeStyledFill));
    }
    proto->stroke.formerLineStyle = kNoStyle;
    proto->stroke.lineType = baseLine ? kLineTypeSolid : kLineTypeNone;
  }
  proto->SetFlag(kFlagResolved, own != nullptr && own->byObject != 0);

  if (!IsPatternExpansionOn()) return;
  patternPieces_ = std::make_unique<PatternPieceList>();
  patternPieces_->entries.push_back(PatternPiece{std::move(prototype), 0, -1});

  std::uint64_t tries = 0;
  int position = 0;
  while (position != -1) {
    const int before = position;
    CubicArray contour;
    const bool closed = GetOutline(contour, &position);
    // A class that does not move on would repeat its contour for ever.
    if (position != -1 && position <= before) position = -1;
    double offset = style->startOffset;
    const bool negative = offset < 0;
    if (closed && !(offset > 0)) continue;
    double scale = style->patternScale;
    if (style->byObject && stroke.patternScale != 0) {
      scale *= stroke.patternScale;
      if (data) scale /= PositiveScale(data);
    }
    offset = negative ? 0.0 : offset * scale;

    PatternPlacement placement;
    placement.data = data;
    placement.list = patternPieces_.get();
    placement.style = style;
    placement.step = offset;
    placement.level = Level();
    placement.object = this;
    placement.scale = scale;
    placement.tries = &tries;
    WalkOutlineForPattern(placement, contour);
    if (negative && contour.Count() > 0) {
      // One more symbol at the end, facing back.
      const Cubic& last = contour[contour.Count() - 1];
      CubicArray reversed;
      reversed.Append64(Cubic{{last.p[3], last.p[2], last.p[1], last.p[0]}});
      placement.step = 0.0;
      WalkOutlineForPattern(placement, reversed);
    }
  }
}

}  // namespace kvn
