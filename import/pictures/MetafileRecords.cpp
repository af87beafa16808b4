// The records the interpreter reads, one by one. Every count and offset is
// checked against the record (EmfRecord::Holds) before it is used; a record
// whose fields do not fit makes nothing.
#include <uemf.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "import/pictures/MetafileExploder.h"
#include "model/ArcConstruction.h"
#include "model/CharsetText.h"
#include "model/FontList.h"
#include "model/cBitmap.h"
#include "model/cCircle.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "model/cRectangle.h"
#include "model/cText.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/TDib.h"
#include "platform/metafile/EmfValidate.h"
#include "platform/image/PictureDecode.h"

namespace kvn {

std::string EmfRecordName(std::uint32_t type);

namespace {

constexpr std::uint32_t kMaxExplodeSavedStates = 4096;
constexpr std::uint32_t kMaxTextCharacters = 1'000'000;

DPoint MinCorner(const DPoint& a, const DPoint& b) { return {std::min(a.x, b.x), std::min(a.y, b.y)}; }
DPoint MaxCorner(const DPoint& a, const DPoint& b) { return {std::max(a.x, b.x), std::max(a.y, b.y)}; }

// A new polygon whose first list holds the points.
std::unique_ptr<cPolygon> PolygonOf(const std::vector<DPoint>& points, bool closed, bool bezier) {
  auto polygon = std::make_unique<cPolygon>();
  PointList& list = polygon->FirstList();
  list.SetPoints(points.data(), std::uint32_t(std::min<std::size_t>(points.size(), PointList::kMaxPoints)));
  list.SetClosed(closed);
  if (bezier) list.SetCurveKind(3);
  return polygon;
}

// False for a transform with a value that is not a finite number.
bool ReadXForm(const EmfRecord& r, std::uint32_t at, XForm* out) {
  const XForm x{r.F32(at), r.F32(at + 4), r.F32(at + 8), r.F32(at + 12), r.F32(at + 16), r.F32(at + 20)};
  for (double v : {x.eM11, x.eM12, x.eM21, x.eM22, x.eDx, x.eDy}) {
    if (!std::isfinite(v)) return false;
  }
  *out = x;
  return true;
}

}  // namespace

bool MetafileExploder::ReadPoints(const EmfRecord& r, std::uint32_t countAt, bool wide,
                                  std::vector<DPoint>* out) const {
  const std::uint32_t count = r.U32(countAt);
  const std::uint32_t unit = wide ? 8 : 4;
  if (!r.Holds(countAt + 4, count, unit)) return false;
  out->clear();
  out->reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t at = countAt + 4 + i * unit;
    out->push_back(wide ? Mapped(r.I32(at), r.I32(at + 4)) : Mapped(r.I16(at), r.I16(at + 2)));
  }
  return true;
}

bool MetafileExploder::PolyRecord(const EmfRecord& r, std::uint32_t type, std::vector<std::unique_ptr<cOutObj>>* made) {
  const bool wide = type < 85;
  const std::uint32_t kind = wide ? type : type - 83;  // 16-bit forms back to 2..6
  std::vector<DPoint> points;
  if (!ReadPoints(r, 24, wide, &points)) return false;
  switch (kind) {
    case 2: made->push_back(PolygonOf(points, false, true)); break;
    case 3: made->push_back(PolygonOf(points, true, false)); break;
    case 4: made->push_back(PolygonOf(points, false, false)); break;
    case 5:
    case 6: {
      points.insert(points.begin(), position_);
      made->push_back(PolygonOf(points, false, kind == 5));
      position_ = points.back();
      break;
    }
    default: break;
  }
  return true;
}

bool MetafileExploder::PolyPolyRecord(const EmfRecord& r, bool wide, bool closed,
                                      std::vector<std::unique_ptr<cOutObj>>* made) {
  const std::uint32_t polys = r.U32(24), total = r.U32(28);
  const std::uint32_t unit = wide ? 8 : 4;
  if (!r.Holds(32, polys, 4)) return false;
  const std::uint32_t pointsAt = 32 + polys * 4;
  if (!r.Holds(pointsAt, total, unit)) return false;
  auto polygon = std::make_unique<cPolygon>();
  std::uint32_t next = 0;
  for (std::uint32_t k = 0; k < polys; ++k) {
    const std::uint32_t count = r.U32(32 + 4 * k);
    if (count > total - next) return false;
    std::vector<DPoint> points;
    points.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i, ++next) {
      const std::uint32_t at = pointsAt + next * unit;
      points.push_back(wide ? Mapped(r.I32(at), r.I32(at + 4)) : Mapped(r.I16(at), r.I16(at + 2)));
    }
    PointList& list = k == 0 ? polygon->FirstList() : polygon->AddList();
    list.SetPoints(points.data(), std::uint32_t(std::min<std::size_t>(points.size(), PointList::kMaxPoints)));
    list.SetClosed(closed);
  }
  made->push_back(std::move(polygon));
  return true;
}

// Figure by figure: moves start figures, line points become straight cubic
// segments, Bezier points are taken as they come, and a close marks the
// figure closed and starts the next.
bool MetafileExploder::PolyDrawRecord(const EmfRecord& r, bool wide, std::vector<std::unique_ptr<cOutObj>>* made) {
  std::vector<DPoint> points;
  if (!ReadPoints(r, 24, wide, &points)) return false;
  const std::uint32_t typesAt = 28 + std::uint32_t(points.size()) * (wide ? 8 : 4);
  if (!r.Holds(typesAt, points.size(), 1)) return false;
  auto polygon = std::make_unique<cPolygon>();
  std::uint32_t figure = 0;
  std::vector<bool> used;
  bool haveMove = false;
  DPoint move;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const std::uint8_t type = r.U8(typesAt + std::uint32_t(i));
    if (type == 6) {  // PT_MOVETO
      move = points[i];
      haveMove = true;
      if (i != 0) ++figure;
      continue;
    }
    if ((type & 0x06) == 0) break;  // neither a line nor a Bezier point
    // The first list is the polygon's own; the others are added as needed.
    while (used.size() <= figure) {
      if (!used.empty()) polygon->AddList();
      used.push_back(false);
    }
    PointList& list = polygon->List(figure);
    if (!used[figure]) {
      used[figure] = true;
      list.SetClosed(false);
      list.SetCurveKind(3);
      if (haveMove) list.InsertPoint(move, list.Count());
      haveMove = false;
    }
    if ((type & 0x06) == 2) {  // PT_LINETO
      if (list.Count() > 0) {
        const DPoint last = list.Points().back();
        list.InsertPoint(last, list.Count());
        list.InsertPoint(points[i], list.Count());
        list.InsertPoint(points[i], list.Count());
      }
    } else {  // PT_BEZIERTO
      list.InsertPoint(points[i], list.Count());
    }
    if (type & 0x01) {  // PT_CLOSEFIGURE
      list.SetClosed(true);
      ++figure;
    }
  }
  made->push_back(std::move(polygon));
  return true;
}

void MetafileExploder::SelectObject(std::uint32_t handle) {
  if (handle & 0x80000000u) {
    const std::uint32_t stock = handle & 0x7FFFFFFFu;
    static constexpr std::uint32_t kGreys[5] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0};
    if (stock <= 4) state_.brush = Brush{0, kGreys[stock], 0};
    else if (stock == 5) state_.brush = Brush{1, 0, 0};
    else if (stock == 6) state_.pen = Pen{0, 0, 0, 0xFFFFFF};
    else if (stock == 7) state_.pen = Pen{0, 0, 0, 0};
    else if (stock == 8) state_.pen = Pen{5, 0, 0, 0};
    return;
  }
  // SELECTOBJECT reads the kind of the record right before it.
  if (lastCreated_ != Made::kNone) {
    std::erase_if(table_, [&](const TableEntry& e) { return e.handle == handle; });
    TableEntry entry;
    entry.handle = handle;
    if (lastCreated_ == Made::kBrush) entry.brush = std::make_unique<Brush>(pendingBrush_);
    if (lastCreated_ == Made::kPen) entry.pen = std::make_unique<Pen>(pendingPen_);
    if (lastCreated_ == Made::kFont) entry.font = std::make_unique<LogFont>(pendingFont_);
    table_.push_back(std::move(entry));
  }
  for (const TableEntry& e : table_) {
    if (e.handle != handle) continue;
    if (e.brush) state_.brush = *e.brush;
    if (e.pen) state_.pen = *e.pen;
    if (e.font) state_.font = *e.font;
    break;
  }
}

bool MetafileExploder::ArcRecord(const EmfRecord& r, std::vector<std::unique_ptr<cOutObj>>* made) {
  const DPoint a = Mapped(r.I32(8), r.I32(12)), b = Mapped(r.I32(16), r.I32(20));
  const DPoint lo = MinCorner(a, b), hi = MaxCorner(a, b);
  const DPoint centre{(lo.x + hi.x) / 2, (lo.y + hi.y) / 2};
  const double rx = (hi.x - lo.x) / 2;
  double ry = (hi.y - lo.y) / 2;
  // A square box stays a circle whatever the rounding of the mapping.
  if (std::fabs(rx - ry) <= 1e-9 * std::max(std::fabs(rx), std::fabs(ry))) ry = rx;
  const DPoint start = Mapped(r.I32(24), r.I32(28)), end = Mapped(r.I32(32), r.I32(36));
  kvn::ArcRecord arc;
  arc.centre = centre;
  arc.rx = rx;
  arc.ry = ry;
  arc.startAngle = EllipseAngle(centre, rx, ry, end);
  arc.endAngle = EllipseAngle(centre, rx, ry, start);
  if (arc.endAngle < arc.startAngle) arc.endAngle += 360.0;
  if (auto object = MakeArcObject(arc, nullptr, false)) made->push_back(std::move(object));
  return true;
}

bool MetafileExploder::BitBltRecord(const EmfRecord& r, Finish* finish, std::vector<std::unique_ptr<cOutObj>>* made) {
  if (r.U32(84) != 0) {
    Skip("EMR_BITBLT", "source bitmap");
    return true;
  }
  const std::uint32_t rop = r.U32(40);
  std::uint32_t color = 0;
  if (rop == 0x00000042) color = 0;  // BLACKNESS
  else if (rop == 0x00FF0062) color = 0xFFFFFF;  // WHITENESS
  else if (rop == 0x00F00021) color = state_.brush.style == 0 ? state_.brush.color & 0xFFFFFF : 0x80000000;  // PATCOPY
  else {
    Skip("EMR_BITBLT", "raster operation");
    return true;
  }
  const std::int32_t x = r.I32(24), y = r.I32(28);
  const DPoint corners[2] = {Mapped(x, y), Mapped(std::int64_t(x) + r.I32(32), std::int64_t(y) + r.I32(36))};
  auto rect = std::make_unique<cRectangle>();
  rect->SetPoints(corners, 2);
  made->push_back(std::move(rect));
  finish->noLine = true;
  finish->fillColorSet = true;
  finish->fillColor = color;
  return true;
}

bool MetafileExploder::StretchDibRecord(const EmfRecord& r, std::vector<std::unique_ptr<cOutObj>>* made) {
  const std::uint32_t offBmi = r.U32(48), cbBmi = r.U32(52), offBits = r.U32(56), cbBits = r.U32(60);
  if (offBmi == 0 || cbBmi == 0 || !r.Holds(offBmi, cbBmi, 1) || !r.Holds(offBits, cbBits, 1)) {
    Skip("EMR_STRETCHDIBITS", "no picture");
    return true;
  }
  // The header and the bits, wherever the record keeps them, as one packed DIB.
  std::vector<std::uint8_t> packed(r.data + offBmi, r.data + offBmi + cbBmi);
  // Writers leave the colour table short of what the header implies (an
  // 8-bit picture with 100 colours and a colour count of 0): the missing
  // entries are black.
  std::vector<std::uint8_t> widest(packed);
  widest.resize(packed.size() + 12 + 256 * 4, 0);
  PackedDibLayout layout;
  if (ParsePackedDibHeader(widest.data(), widest.size(), &layout) && layout.bitsOffset > packed.size())
    packed.resize(layout.bitsOffset, 0);
  packed.insert(packed.end(), r.data + offBits, r.data + offBits + cbBits);
  auto picture = std::make_unique<TDib>();
  // BI_JPEG and BI_PNG pictures carry a whole JPEG or PNG file as their bits.
  const std::uint32_t compression = cbBmi >= 20 ? le::U32(r.data + offBmi + 16) : 0;
  const bool encoded = (compression == 4 || compression == 5) &&
                       DecodePicture(r.data + offBits, cbBits, picture.get()) == PictureStatus::kOk;
  if (!encoded && !picture->LoadPackedDib(packed.data(), packed.size())) {
    Skip("EMR_STRETCHDIBITS", "picture refused");
    return true;
  }
  const std::int32_t x = r.I32(24), y = r.I32(28);
  const DPoint a = Mapped(x, y);
  const DPoint b = Mapped(std::int64_t(x) + r.I32(72), std::int64_t(y) + r.I32(76));
  auto bitmap = std::make_unique<cBitmap>();
  bitmap->frame.origin = MinCorner(a, b);
  bitmap->frame.width = std::fabs(b.x - a.x);
  bitmap->frame.height = std::fabs(b.y - a.y);
  bitmap->SetImage(true, std::move(picture), true, {}, nullptr);
  made->push_back(std::move(bitmap));
  return true;
}

void MetafileExploder::ApplyFont(cText& text) const {
  const LogFont& f = state_.font;
  const bool bold = f.weight >= 700, italic = f.italic != 0;
  text.attr.styleBits = std::uint8_t((bold ? 0x07 : 0) | (italic ? 0x10 : 0) | (f.strikeOut ? 0x20 : 0) |
                                     (f.underline ? 0x40 : 0));
  std::size_t length = 0;
  while (length < std::size(f.faceName) && f.faceName[length] != 0) ++length;
  WString face(std::u16string_view(f.faceName, length));
  double leading = 0;
  double height = std::fabs(double(f.height)) * GetFaceHeightRatio(&leading, face, (bold ? 1 : 0) + (italic ? 2 : 0)) *
                  UnitLength();
  RoundTo4Significant(height);
  text.attr.height = height;
  std::uint8_t charset = f.charSet;
  static constexpr struct {
    std::u16string_view tail;
    std::uint8_t charset;
  } kScripts[] = {{u" CE", 238}, {u" TUR", 162}, {u" Greek", 161}, {u" CYR", 204}};
  for (const auto& s : kScripts) {
    const std::u16string_view v = face.View();
    if (v.size() > s.tail.size() && v.substr(v.size() - s.tail.size()) == s.tail) {
      face = WString(v.substr(0, v.size() - s.tail.size()));
      charset = s.charset;
      break;
    }
  }
  text.SetFont(&face, f.pitchAndFamily, charset, 0xFFFF);
  if (data_) data_->LoadGlyphsForText(text);
  text.SetAngle(f.escapement / 10.0);
  text.attr.color = textColor_;
}

void MetafileExploder::ApplyTextAlign(cText& text) const {
  int code = 0;
  if ((textAlign_ & 24) == 24) code = 9;      // TA_BASELINE
  else if (textAlign_ & 8) code = 6;          // TA_BOTTOM
  if ((textAlign_ & 6) == 6) code += 1;       // TA_CENTER
  else if ((textAlign_ & 6) == 2) code += 2;  // TA_RIGHT
  text.alignment = std::uint8_t((text.alignment & ~kAlignCodeMask) | code);
}

bool MetafileExploder::TextRecord(const EmfRecord& r, std::vector<std::unique_ptr<cOutObj>>* made) {
  // EXTTEXTOUTA/W: an EMRTEXT after the bounds and scales. SMALLTEXTOUT:
  // its string right after its fields (the rectangle only without
  // ETO_NO_RECT), in bytes under ETO_SMALL_CHARS.
  const std::uint32_t type = r.Type();
  const bool small = type == U_EMR_SMALLTEXTOUT;
  const SmallTextLayout layout = SmallTextLayoutOf(small ? r.U32(kSmallTextOptionsAt) : 0);
  const bool wide = small ? layout.charSize == 2 : type == U_EMR_EXTTEXTOUTW;
  const std::uint32_t count = r.U32(small ? kSmallTextCountAt : 44);
  const std::uint32_t offString = small ? layout.offString : r.U32(48);
  const std::uint32_t at = small ? 8 : 36;
  if (count > kMaxTextCharacters) return false;
  if (!r.Holds(offString, count, wide ? 2 : 1)) {
    Skip(EmfRecordName(type), "text outside the record");
    return true;
  }
  WString text;
  if (wide) {
    std::u16string units(count, u'\0');
    for (std::uint32_t i = 0; i < count; ++i) {
      char16_t c = char16_t(r.data[offString + 2 * i] | (r.data[offString + 2 * i + 1] << 8));
      // Symbol fonts put their characters at U+F0xx.
      if ((c & 0xFF00) == 0xF000) c = char16_t(c & 0x00FF);
      units[i] = c;
    }
    text = WString(std::u16string_view(units));
  } else {
    std::size_t length = 0;
    while (length < std::size(state_.font.faceName) && state_.font.faceName[length] != 0) ++length;
    const WString face(std::u16string_view(state_.font.faceName, length));
    CharsetToCodePage(text, std::string_view(reinterpret_cast<const char*>(r.data + offString), count),
                      state_.font.charSet, face);
  }
  auto object = std::make_unique<cText>();
  object->SetText(text);
  ApplyFont(*object);
  object->point = Mapped(r.I32(at), r.I32(at + 4));
  ApplyTextAlign(*object);
  object->MarkDirty();
  made->push_back(std::move(object));
  return true;
}

void MetafileExploder::PathRecord(std::uint32_t type, std::vector<std::unique_ptr<cOutObj>>* made) {
  if (!path_) return;
  auto copy = std::make_unique<cPolygon>();
  copy->Assign(*path_);
  if (type != 64) {
    for (std::uint32_t i = 0; i < copy->ListCount(); ++i) copy->List(i).SetClosed(true);
  }
  made->push_back(std::move(copy));
}

bool MetafileExploder::HandleRecord(const EmfRecord& r) {
  const std::uint32_t type = r.Type();
  const bool creation = type == 38 || type == 39 || type == 82 || type == 95;
  std::vector<std::unique_ptr<cOutObj>> made;
  Finish finish;
  finish.type = type;
  bool go = true;
  bool fits = true;
  switch (type) {
    case 1:
    case 14:
      break;
    // Read, and nothing to keep: the objects made are drawn with the
    // renderer's own joins, and hatched brushes do not fill.
    case 13:  // SETBRUSHORGEX
    case 58:  // SETMITERLIMIT
      break;
    case 2: case 3: case 4: case 5: case 6:
    case 85: case 86: case 87: case 88: case 89:
      fits = PolyRecord(r, type, &made);
      break;
    case 7: case 90: fits = PolyPolyRecord(r, type == 7, false, &made); break;
    case 8: case 91: fits = PolyPolyRecord(r, type == 8, true, &made); break;
    case 56: case 92: fits = PolyDrawRecord(r, type == 56, &made); break;
    case 9: state_.windowExt = DPoint{double(r.I32(8)), double(r.I32(12))}; break;
    case 10: state_.windowOrg = DPoint{double(r.I32(8)), double(r.I32(12))}; break;
    case 11: state_.viewportExt = DPoint{double(r.I32(8)), double(r.I32(12))}; break;
    case 12: state_.viewportOrg = DPoint{double(r.I32(8)), double(r.I32(12))}; break;
    case 17: state_.mapMode = r.U32(8); break;
    case 22: textAlign_ = r.U32(8); break;
    case 24: textColor_ = r.U32(8) & 0xFFFFFF; break;
    case 27: {
      position_ = Mapped(r.I32(8), r.I32(12));
      if (path_ && figure_ != 0 && path_->ListCount() >= figure_ && path_->List(figure_ - 1).Count() > 0) ++figure_;
      break;
    }
    case 33:
      if (saved_.size() < kMaxExplodeSavedStates) saved_.push_back(state_);
      else Skip("EMR_SAVEDC", "too many saved states");
      break;
    case 34: {
      // A negative count goes back that many levels, a positive one to
      // the level SAVEDC answered; a count beyond the stack is refused.
      const std::int64_t n = r.I32(8);
      const std::int64_t depth = std::int64_t(saved_.size());
      const std::int64_t keep = n < 0 ? depth + n : n - 1;
      if (n == 0 || keep < 0 || keep >= depth) {
        Skip("EMR_RESTOREDC", "no such saved state");
        break;
      }
      state_ = saved_[std::size_t(keep)];
      saved_.resize(std::size_t(keep));
      break;
    }
    case 35: {
      XForm x;
      if (ReadXForm(r, 8, &x)) state_.world = x;
      else Skip("EMR_SETWORLDTRANSFORM", "not a number");
      break;
    }
    case 36: {
      const std::uint32_t mode = r.U32(32);
      XForm x;
      if (mode == 1) state_.world = XForm{};
      else if (mode != 2 && mode != 3) break;
      else if (!ReadXForm(r, 8, &x)) Skip("EMR_MODIFYWORLDTRANSFORM", "not a number");
      else state_.world = mode == 2 ? CombineTransform(x, state_.world) : CombineTransform(state_.world, x);
      break;
    }
    case 37: SelectObject(r.U32(8)); break;
    case 38:
      pendingPen_ = Pen{r.U32(12), r.I32(16), r.I32(20), r.U32(24)};
      lastCreated_ = Made::kPen;
      break;
    case 39:
      pendingBrush_ = Brush{r.U32(12), r.U32(16), r.U32(20)};
      lastCreated_ = Made::kBrush;
      break;
    case 82:
      if (ReadRecordLogFont(r, &pendingFont_)) lastCreated_ = Made::kFont;
      break;
    case 95: {
      // The pen keeps its style; only its width and colour come from the
      // record's own fields.
      pendingPen_ = Pen{r.U32(28) & 0x0F, r.I32(32), r.I32(32), r.U32(40)};
      lastCreated_ = Made::kPen;
      break;
    }
    case 42:
    case 43: {
      const DPoint a = Mapped(r.I32(8), r.I32(12)), b = Mapped(r.I32(16), r.I32(20));
      const DPoint corners[2] = {MinCorner(a, b), MaxCorner(a, b)};
      std::unique_ptr<cOutObj> shape;
      if (type == 42) shape = std::make_unique<cCircle>();
      else shape = std::make_unique<cRectangle>();
      shape->SetPoints(corners, 2);
      made.push_back(std::move(shape));
      break;
    }
    case 45: fits = ArcRecord(r, &made); break;
    case 54: {
      const DPoint to = Mapped(r.I32(8), r.I32(12));
      auto line = std::make_unique<cLine>();
      const DPoint ends[2] = {position_, to};
      line->SetPoints(ends, 2);
      made.push_back(std::move(line));
      position_ = to;
      break;
    }
    case 59:
      path_ = std::make_unique<cPolygon>();
      figure_ = 1;
      widened_ = false;
      break;
    case 60: figure_ = 0; break;
    case 61:
      if (path_ && figure_ != 0) {
        if (path_->ListCount() >= figure_) {
          PointList& list = path_->List(figure_ - 1);
          if (list.Count() > 2) {
            const DPoint first = list.Points().front(), last = list.Points().back();
            list.InsertPoint(last, list.Count());
            list.InsertPoint(first, list.Count());
            list.InsertPoint(first, list.Count());
          }
        }
        ++figure_;
      }
      break;
    case 62: case 63: case 64:
      if (widened_ && type == 62) {
        // The stroke area filled: the figures as they were drawn, as a line.
        PathRecord(64, &made);
        finish.band = &widenPen_;
      } else {
        PathRecord(type, &made);
        finish.noLine = type == 62;
      }
      widened_ = false;
      break;
    case 66:
      // Only a closed path, and a pen wider than one unit, widen (the
      // type of an extended pen is not kept here); the null pen draws none.
      if (path_ && figure_ == 0 && (state_.pen.style & 0x0F) != 5 &&
          std::max(std::abs(std::int64_t(state_.pen.widthX)), std::abs(std::int64_t(state_.pen.widthY))) > 1) {
        widened_ = true;
        widenPen_ = state_.pen;
      }
      break;
    case 68:
      figure_ = 0;
      path_.reset();
      widened_ = false;
      break;
    case 70:
      if (r.size >= 16 && r.U32(12) == kEmfPlusCommentSignature) Skip("EMR_COMMENT", "EMF+ records");
      else Skip("EMR_COMMENT", "comment");
      break;
    case 76: fits = BitBltRecord(r, &finish, &made); break;
    case 81: fits = StretchDibRecord(r, &made); break;
    case 83: case 84: case 108: go = TextRecord(r, &made); break;
    default: Skip(EmfRecordName(type), "not read"); break;
  }
  if (!creation) lastCreated_ = Made::kNone;
  if (!fits) {
    Skip(EmfRecordName(type), "counts beyond the record");
    made.clear();
  }
  FinishObjects(finish, made);
  return go;
}

}  // namespace kvn
