// The interpreter's run: set-up from the cWmf, the record walk with its
// bounds, the mapping of points, the finishing of new objects (line and fill
// attributes, or feeding the open path) and the placement in the frame.
#include "import/pictures/MetafileExploder.h"

#include <uemf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "model/cAnyFill.h"
#include "model/cAnyLine.h"
#include "model/cDrawingData.h"
#include "model/cPolygon.h"
#include "model/cWmf.h"
#include "platform/gdi/LeBytes.h"
#include "platform/metafile/EmfValidate.h"

namespace kvn {

namespace {

// Millimetres per logical unit of the metric map modes 2 to 6.
double MetricUnitMm(std::uint32_t mapMode) {
  switch (mapMode) {
    case 2: return 0.1;             // MM_LOMETRIC
    case 3: return 0.01;            // MM_HIMETRIC
    case 4: return 0.254;           // MM_LOENGLISH
    case 5: return 0.0254;          // MM_HIENGLISH
    case 6: return 25.4 / 1440.0;   // MM_TWIPS
    default: return 0.0;
  }
}

}  // namespace

std::string EmfRecordName(std::uint32_t type) {
  const char* name = type >= 1 && type <= 122 ? U_emr_names(type) : nullptr;
  if (name == nullptr || std::strncmp(name, "U_", 2) != 0) return "EMR_" + std::to_string(type);
  return name + 2;
}

double EllipseAngle(const DPoint& centre, double rx, double ry, const DPoint& point) {
  double dy = point.y - centre.y;
  if (ry != 0) dy = dy * rx / ry;
  double angle = std::atan2(dy, point.x - centre.x) * 180.0 / std::numbers::pi;
  if (angle < 0) angle += 360.0;
  return angle >= 360.0 ? 0.0 : angle;
}

MetafileExploder::MetafileExploder(cDrawingData* data, MetafileWalkReport* report) : data_(data), report_(report) {
  state_.font.height = 10;
}

void MetafileExploder::Skip(const std::string& name, const char* reason) {
  if (report_) ++report_->skipped[name][reason];
}

ObjectChain MetafileExploder::Run(cWmf& metafile) {
  const std::shared_ptr<MetafileBits>& bits = metafile.Bits();
  if (!bits || !bits->bytes || bits->bytes->empty()) return {};
  const PictureFrame& f = metafile.frame;
  // A frame that is not a number places nothing.
  for (double v : {f.width, f.height, f.angle, f.origin.x, f.origin.y}) {
    if (!std::isfinite(v)) return {};
  }
  targetWidth_ = metafile.frame.width;
  targetHeight_ = metafile.frame.height;
  const std::vector<std::uint8_t>& bytes = *bits->bytes;
  if (!WalkRecords(bytes.data(), bytes.size()) && report_) report_->stoppedEarly = true;
  // An open path made nothing on its own.
  path_.reset();
  table_.clear();
  saved_.clear();
  Place(metafile);
  return std::move(output_);
}

bool MetafileExploder::WalkRecords(const std::uint8_t* bytes, std::uint64_t size) {
  EmfHeaderInfo header;
  if (bytes == nullptr || size == 0 || !ReadEmfHeader(bytes, size, &header)) return false;
  if (header.bytes > size) return false;
  if (header.deviceWidth != 0 && header.deviceHeight != 0) {
    state_.mmPerDeviceX = double(header.deviceWidthMm) / header.deviceWidth;
    state_.mmPerDeviceY = double(header.deviceHeightMm) / header.deviceHeight;
    if (!(state_.mmPerDeviceX > 0) || !(state_.mmPerDeviceY > 0)) state_.mmPerDeviceX = state_.mmPerDeviceY = 1.0;
  }
  state_.frame = header.frame;
  state_.bounds = header.bounds;
  const double frameWidth = double(header.frame.right) - header.frame.left;
  const double frameHeight = double(header.frame.bottom) - header.frame.top;
  if (frameWidth != 0 && frameHeight != 0) {
    fitRatioX_ = std::fabs(targetWidth_ / frameWidth) * 100.0;
    fitRatioY_ = std::fabs(targetHeight_ / frameHeight) * 100.0;
    fitScale_ = std::max(fitRatioX_, fitRatioY_);
    if (fitScale_ == 0) fitScale_ = 1.0;
  }
  state_.world = XForm{};
  state_.windowOrg = state_.viewportOrg = DPoint{0, 0};
  state_.windowExt = state_.viewportExt = DPoint{1, 1};

  const std::uint64_t end = header.bytes;
  std::uint64_t at = 0;
  while (at < end) {
    // A record must fit the metafile and its own fields must fit the record.
    if (end - at < 8) return false;
    const std::uint8_t* p = bytes + at;
    const std::uint32_t recordSize = le::U32(p + 4);
    const bool sized = recordSize >= 8 && recordSize % 4 == 0 && recordSize <= end - at;
    const bool fits = sized && EmfRecordFits(p, recordSize);  // measured once
    if (sized && !fits && IsEmfTextRecord(le::U32(p))) {
      // Left out alone, as the readers take such a record out.
      if (report_) ++report_->records[EmfRecordName(le::U32(p))];
      Skip(EmfRecordName(le::U32(p)), "text outside the record");
      at += recordSize;
      continue;
    }
    if (!fits) {
      if (report_) ++report_->skipped[EmfRecordName(le::U32(p))]["record does not fit"];
      return false;
    }
    const EmfRecord record{p, recordSize};
    if (report_) ++report_->records[EmfRecordName(record.Type())];
    if (!HandleRecord(record)) return false;
    if (record.Type() == kEmrEof) break;
    at += recordSize;
  }
  return true;
}

void MetafileExploder::MapPoint(DPoint& point) const {
  const XForm& w = state_.world;
  double x = w.eM11 * point.x + w.eM21 * point.y + w.eDx;
  double y = w.eM12 * point.x + w.eM22 * point.y + w.eDy;
  x -= state_.windowOrg.x;
  y -= state_.windowOrg.y;
  const double unit = MetricUnitMm(state_.mapMode);
  if (unit > 0) {
    // The metric modes count in their own unit with y growing upward.
    x *= unit;
    y *= -unit;
  } else {
    const double mm = std::min(state_.mmPerDeviceX, state_.mmPerDeviceY);
    x *= mm;
    y *= mm;
  }
  double f = 1.0, signX = 1.0, signY = 1.0;
  const DPoint& ve = state_.viewportExt;
  const DPoint& we = state_.windowExt;
  if ((state_.mapMode < 1 || state_.mapMode > 6) && ve.x != 0 && ve.y != 0 && we.x != 0 && we.y != 0 &&
      !(ve.x == 1 && ve.y == 1)) {
    f = std::min(std::fabs(ve.x / we.x), std::fabs(ve.y / we.y));
    // Extents of opposite signs turn the axis (a y axis pointing up).
    if ((ve.x < 0) != (we.x < 0)) signX = -1.0;
    if ((ve.y < 0) != (we.y < 0)) signY = -1.0;
  }
  x *= fitScale_ * f * signX;
  y *= fitScale_ * f * signY;
  x += state_.viewportOrg.x * state_.mmPerDeviceX;
  y += state_.viewportOrg.y * state_.mmPerDeviceY;
  x -= state_.frame.left * 0.01;
  y -= state_.frame.top * 0.01;
  // Transforms of damaged files may overflow; such a point goes to the corner.
  point = std::isfinite(x) && std::isfinite(y) ? DPoint{x, y} : DPoint{0, 0};
}

DPoint MetafileExploder::Mapped(std::int64_t x, std::int64_t y) const {
  DPoint p{double(x), double(y)};
  MapPoint(p);
  return p;
}

double MetafileExploder::UnitLength() const {
  const DPoint a = Mapped(0, 0), b = Mapped(1, 0);
  return std::hypot(b.x - a.x, b.y - a.y);
}

void MetafileExploder::FinishObjects(const Finish& finish, std::vector<std::unique_ptr<cOutObj>>& made) {
  if (made.empty()) return;
  const double unit = UnitLength();
  for (std::unique_ptr<cOutObj>& object : made) {
    if (cAnyLine* line = object->AsAnyLine()) {
      if (finish.noLine) {
        line->stroke.color = 0;
        line->stroke.width = 0;
        line->stroke.lineType = 0;
      } else if (const Pen* band = finish.band) {
        // A hollow brush fills nothing: the band is drawn as the null pen.
        line->stroke.color = state_.brush.color & 0xFFFFFF;
        line->SetLineTypeFromPenStyle(state_.brush.style == 1 ? 5 : int(band->style & 0x0F));
        line->stroke.width = std::max(std::abs(double(band->widthX)), std::abs(double(band->widthY))) * unit;
      } else {
        line->stroke.color = state_.pen.color & 0xFFFFFF;
        // Dashed pens stay dashed; the null pen draws no line.
        line->SetLineTypeFromPenStyle(int(state_.pen.style & 0x0F));
        line->stroke.width = std::max(std::abs(double(state_.pen.widthX)), std::abs(double(state_.pen.widthY))) * unit;
      }
    }
    if (cAnyFill* fill = object->AsAnyFill()) {
      if (cPolygon* polygon = fill->AsPolygon()) {
        for (std::uint32_t i = 0; i < polygon->ListCount(); ++i) polygon->List(i).StraightenCurves();
      }
      std::uint32_t color = 0x80000000;
      if (finish.fillColorSet) color = finish.fillColor;
      else if (!finish.band && finish.type != 64 && finish.type != 56 && finish.type != 92 && state_.brush.style == 0)
        color = state_.brush.color & 0xFFFFFF;
      fill->fill.fillColor = color;
    }
    object->MarkDirty();
  }
  if (path_ && figure_ != 0) {
    FeedPath(made);
    return;
  }
  for (std::unique_ptr<cOutObj>& object : made) output_.Append(object.release());
  made.clear();
}

// Objects made while a path is recorded become segments of the path's
// current figure; a text or a picture adds nothing.
void MetafileExploder::FeedPath(std::vector<std::unique_ptr<cOutObj>>& made) {
  cAnyLine* first = made.front()->AsAnyLine();
  CubicArray segments;
  if (first) first->GetOutline(segments, nullptr);
  if (segments.Count() > 0) {
    while (path_->ListCount() < figure_) {
      PointList& added = path_->AddList();
      added.SetClosed(false);
      added.SetCurveKind(3);
    }
    PointList& list = path_->List(figure_ - 1);
    list.SetClosed(false);
    list.SetCurveKind(3);
    for (std::uint32_t i = 0; i < segments.Count(); ++i) {
      const Cubic& c = segments[i];
      if (list.Count() == 0) list.InsertPoint(c.p[0], list.Count());
      for (int k = 1; k < 4; ++k) list.InsertPoint(c.p[k], list.Count());
    }
    path_->MarkDirty();
  }
  made.clear();
}

void MetafileExploder::Place(cWmf& metafile) {
  // Lists too short to draw go; a polygon left without any goes too.
  ObjectChain kept;
  cOutObj* next = output_.Release();
  while (cOutObj* object = next) {
    next = object->next;
    object->next = nullptr;
    cAnyFill* fill = object->AsAnyFill();
    cPolygon* polygon = fill ? fill->AsPolygon() : nullptr;
    if (polygon && !polygon->RemoveShortLists(2)) {
      delete object;
      continue;
    }
    kept.Append(object);
  }
  double factorX = 1.0, factorY = 1.0;
  if (fitRatioX_ != 0 && fitRatioY_ != 0) {
    if (fitRatioX_ <= fitRatioY_) factorX = fitRatioX_ / fitRatioY_;
    else factorY = fitRatioY_ / fitRatioX_;
  }
  if (!std::isfinite(factorX) || !std::isfinite(factorY)) factorX = factorY = 1.0;
  TransformContext context;
  context.data = data_;
  const PictureFrame& f = metafile.frame;
  for (cOutObj* object = kept.Head(); object; object = object->next) {
    if (f.width < 0) object->Scale(context, DPoint{0, 0}, DPoint{-1, 1});
    if (f.height < 0) object->Scale(context, DPoint{0, 0}, DPoint{1, -1});
    object->SetLevel(metafile.Level());
    object->CopyVisibilityFlags(metafile);
    object->CopyPages(metafile);
    object->Scale(context, DPoint{0, 0}, DPoint{factorX, factorY});
    if (f.angle != 0) object->Rotate(context, DPoint{0, 0}, -f.angle);
    object->Move(f.origin);
    object->Recalc(data_);
  }
  output_ = std::move(kept);
}

ObjectChain ExplodeMetafile(cWmf& metafile, cDrawingData* data, MetafileWalkReport* report) {
  MetafileExploder exploder(data, report);
  return exploder.Run(metafile);
}

}  // namespace kvn
