#include "import/pictures/WinMetafileBits.h"

#include <uwmf.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "import/pictures/MetafileExploder.h"
#include "model/ArcPieces.h"
#include "model/FontList.h"
#include "model/Cubic.h"
#include "model/cArc.h"
#include "model/cBitmap.h"
#include "model/cCircle.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "model/cRectangle.h"
#include "model/cText.h"
#include "model/cWmf.h"
#include "platform/gdi/LeBytes.h"
#include "platform/metafile/EmfPlayer.h"

namespace kvn {

namespace {

constexpr double kMaxMetafileCoordinate = 30000.0;
constexpr int kBezierSteps = 8;

// Pen styles back from line types (the inverse of SetLineTypeFromPenStyle).
std::uint16_t PenStyleOf(std::uint8_t lineType) {
  switch (lineType) {
    case 0: return 5;   // PS_NULL
    case 5: return 1;   // PS_DASH
    case 4: return 2;   // PS_DOT
    case 13: return 3;  // PS_DASHDOT
    case 14: return 4;  // PS_DASHDOTDOT
    default: return 0;  // PS_SOLID
  }
}

class WmfWriter {
 public:
  explicit WmfWriter(double unitMm) : unit_(unitMm) {}

  void Take(char* record) {
    if (record == nullptr) {
      failed_ = true;
      return;
    }
    const auto* p = reinterpret_cast<const std::uint8_t*>(record);
    const std::uint64_t bytes = std::uint64_t(le::U32(p)) * 2;
    largest_ = std::max<std::uint64_t>(largest_, bytes / 2);
    records_.insert(records_.end(), p, p + bytes);
    std::free(record);
  }
  U_POINT16 Point(const DPoint& p) const {
    return U_POINT16{Clamp(p.x / unit_), Clamp(p.y / unit_)};
  }
  std::int16_t Length(double mm) const { return Clamp(mm / unit_); }
  // A pen and a brush created and selected in slots 0 and 1.
  void Attributes(const cOutObj& object) {
    U_COLORREF penColour{0, 0, 0, 0};
    std::uint16_t style = 5, width = 0;
    if (const cAnyLine* line = object.AsAnyLine()) {
      style = PenStyleOf(line->stroke.lineType);
      width = std::uint16_t(std::max<std::int16_t>(0, Length(line->stroke.width)));
      penColour = Colour(line->stroke.color);
    }
    Take(U_WMRCREATEPENINDIRECT_set(U_PEN_set(style, width, penColour)));
    Take(U_WMRSELECTOBJECT_set(0));
    const cAnyFill* fill = object.AsAnyFill();
    if (fill && (fill->fill.fillColor & 0x80000000u) == 0)
      Take(U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(0, Colour(fill->fill.fillColor), 0)));
    else
      Take(U_WMRCREATEBRUSHINDIRECT_set(U_WLOGBRUSH_set(1, U_COLORREF{0, 0, 0, 0}, 0)));
    Take(U_WMRSELECTOBJECT_set(1));
    objects_ = std::max<std::uint16_t>(objects_, 2);
  }
  void DropAttributes() {
    Take(U_WMRDELETEOBJECT_set(0));
    Take(U_WMRDELETEOBJECT_set(1));
  }
  static U_COLORREF Colour(std::uint32_t c) {
    return U_COLORREF{std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16), 0};
  }
  void Polygon(const cPolygon& polygon);
  void Text(const cText& text);
  void Bitmap(const cBitmap& bitmap);
  void SetObjects(std::uint16_t n) { objects_ = std::max(objects_, n); }

  bool Failed() const { return failed_; }
  // Header, records, end record.
  std::unique_ptr<ByteArray> Finish() {
    Take(U_WMREOF_set());
    if (failed_ || records_.size() / 2 + 9 > 0xFFFFFFFFu) return nullptr;
    auto out = std::make_unique<ByteArray>();
    std::uint8_t header[18] = {};
    le::Put16(header, 1);
    le::Put16(header + 2, 9);
    le::Put16(header + 4, 0x300);
    le::Put32(header + 6, std::uint32_t(9 + records_.size() / 2));
    le::Put16(header + 10, objects_);
    le::Put32(header + 12, std::uint32_t(largest_));
    out->Append(header, sizeof header);
    out->Append(records_.data(), std::uint32_t(records_.size()));
    return out;
  }

 private:
  static std::int16_t Clamp(double v) {
    if (!(v == v)) return 0;
    return std::int16_t(std::clamp(std::floor(v + 0.5), -32767.0, 32767.0));
  }

  double unit_;
  std::vector<std::uint8_t> records_;
  std::uint64_t largest_ = 0;
  std::uint16_t objects_ = 0;
  bool failed_ = false;
};

// The list's points, Bezier figures flattened into straight pieces.
std::vector<DPoint> FlatPoints(const PointList& list) {
  if (list.GetCurveKind() == 0) return {list.Points().begin(), list.Points().end()};
  CubicArray cubics;
  list.ToBeziers(cubics);
  std::vector<DPoint> out;
  for (std::uint32_t i = 0; i < cubics.Count(); ++i) {
    const Cubic& c = cubics[i];
    if (out.empty()) out.push_back(c.p[0]);
    if (c.IsStraight()) {
      out.push_back(c.p[3]);
      continue;
    }
    for (int k = 1; k <= kBezierSteps; ++k) {
      const double t = double(k) / kBezierSteps, s = 1 - t;
      out.push_back(DPoint{s * s * s * c.p[0].x + 3 * s * s * t * c.p[1].x + 3 * s * t * t * c.p[2].x + t * t * t * c.p[3].x,
                           s * s * s * c.p[0].y + 3 * s * s * t * c.p[1].y + 3 * s * t * t * c.p[2].y + t * t * t * c.p[3].y});
    }
  }
  // A closed list repeats its start at the end; the record closes by itself.
  if (list.IsClosed() && out.size() > 1 && out.front() == out.back()) out.pop_back();
  return out;
}

void WmfWriter::Polygon(const cPolygon& polygon) {
  std::vector<std::vector<U_POINT16>> lists;
  bool allClosed = true;
  for (std::uint32_t i = 0; i < polygon.ListCount(); ++i) {
    std::vector<U_POINT16> points;
    for (const DPoint& p : FlatPoints(polygon.List(i))) points.push_back(Point(p));
    if (points.size() > 32767) points.resize(32767);
    if (points.size() < 2) continue;
    allClosed = allClosed && polygon.List(i).IsClosed();
    lists.push_back(std::move(points));
  }
  if (lists.empty()) return;
  Attributes(polygon);
  if (allClosed && lists.size() > 1) {
    std::vector<std::uint16_t> counts;
    std::vector<U_POINT16> all;
    for (const auto& l : lists) {
      counts.push_back(std::uint16_t(l.size()));
      all.insert(all.end(), l.begin(), l.end());
    }
    Take(U_WMRPOLYPOLYGON_set(std::uint16_t(counts.size()), counts.data(), all.data()));
  } else {
    for (std::size_t i = 0; i < lists.size(); ++i) {
      const bool closed = polygon.List(std::uint32_t(i)).IsClosed();
      const auto& l = lists[i];
      Take(closed ? U_WMRPOLYGON_set(std::uint16_t(l.size()), l.data())
                  : U_WMRPOLYLINE_set(std::uint16_t(l.size()), l.data()));
    }
  }
  DropAttributes();
}

void WmfWriter::Text(const cText& text) {
  const std::u16string_view chars = text.GetText().View();
  if (chars.empty()) return;
  // The interpreter makes the text height |lfHeight| x the face's ratio x
  // the unit: the font height goes back through the same ratio.
  const bool bold = (text.attr.styleBits & 0x07) == 0x07, italic = (text.attr.styleBits & 0x10) != 0;
  double leading = 0;
  const double ratio = GetFaceHeightRatio(&leading, text.faceName, (bold ? 1 : 0) + (italic ? 2 : 0));
  std::vector<std::uint8_t> fontBytes(sizeof(U_FONT) + 32, 0);
  U_FONT* font = reinterpret_cast<U_FONT*>(fontBytes.data());
  font->Height = std::int16_t(-std::max<std::int16_t>(1, Length(ratio > 0 ? text.attr.height / ratio : text.attr.height)));
  font->Escapement = font->Orientation = std::int16_t(std::lround(text.angle * 10));
  font->Weight = bold ? 700 : 400;
  font->Italic = italic;
  font->Underline = (text.attr.styleBits & 0x40) != 0;
  font->StrikeOut = (text.attr.styleBits & 0x20) != 0;
  font->CharSet = text.charset;
  font->PitchAndFamily = text.pitchAndFamily;
  const std::u16string_view face = text.faceName.View();
  for (std::size_t i = 0; i < face.size() && i < 31; ++i) font->FaceName[i] = std::uint8_t(face[i] < 256 ? face[i] : '?');
  Take(U_WMRCREATEFONTINDIRECT_set(font));
  Take(U_WMRSELECTOBJECT_set(0));
  const int code = text.alignment & kAlignCodeMask;
  std::uint16_t align = code % 3 == 1 ? 6 : code % 3 == 2 ? 2 : 0;
  if (code / 3 == 2) align |= 8;
  else if (code / 3 == 3) align |= 24;
  Take(U_WMRSETTEXTALIGN_set(align));
  Take(U_WMRSETTEXTCOLOR_set(Colour(text.attr.color)));
  std::string bytes;
  for (char16_t c : chars.substr(0, 32767)) bytes.push_back(char(c < 256 ? c : '?'));
  Take(U_WMREXTTEXTOUT_set(Point(text.point), std::int16_t(bytes.size()), 0, bytes.data(), nullptr,
                           U_RECT16{0, 0, 0, 0}));
  Take(U_WMRDELETEOBJECT_set(0));
  SetObjects(1);
}

void WmfWriter::Bitmap(const cBitmap& bitmap) {
  const TDib* dib = bitmap.StoredDib();
  if (!dib || !dib->HasBits()) return;
  const DPoint& o = bitmap.frame.origin;
  const auto* bmi = reinterpret_cast<const U_BITMAPINFO*>(dib->PackedDib());
  Take(U_WMRSTRETCHDIB_set(Point(o), U_POINT16{Length(bitmap.frame.width), Length(bitmap.frame.height)},
                           U_POINT16{0, 0}, U_POINT16{std::int16_t(dib->Width()), std::int16_t(dib->Height())}, 0,
                           0x00CC0020, bmi, dib->BitsSize(), reinterpret_cast<const char*>(dib->Bits())));
}

}  // namespace

std::unique_ptr<ByteArray> GetWinMetafileBits(const EmfDocument* emf, std::uint32_t* size) {
  if (size) *size = 0;
  if (!emf) return nullptr;
  // The drawing as the interpreter reads it, in millimetres of the frame.
  const EmfSizeMm frame = GetEmfFrameSizeMm(emf->Header());
  cWmf metafile;
  metafile.frame.width = frame.width;
  metafile.frame.height = frame.height;
  metafile.SetBits(std::vector<std::uint8_t>(emf->Data(), emf->Data() + emf->Size()));
  ObjectChain chain = ExplodeMetafile(metafile, static_cast<cDrawingData*>(nullptr));
  // The finest whole number of units per inch that keeps everything in range.
  double reach = std::max(frame.width, frame.height);
  for (cOutObj* o = chain.Head(); o; o = o->next) {
    DRect e;
    o->GetExtent(e);
    if (std::isfinite(e.x1) && std::isfinite(e.y1) && std::isfinite(e.x2) && std::isfinite(e.y2))
      reach = std::max({reach, std::fabs(e.x1), std::fabs(e.y1), std::fabs(e.x2), std::fabs(e.y2)});
  }
  const double unitsPerInch = std::clamp(std::floor(kMaxMetafileCoordinate * 25.4 / reach), 1.0, 2540.0);
  WmfWriter w(25.4 / unitsPerInch);
  w.Take(U_WMRSETMAPMODE_set(8));  // MM_ANISOTROPIC
  w.Take(U_WMRSETWINDOWORG_set(U_POINT16{0, 0}));
  w.Take(U_WMRSETWINDOWEXT_set(U_POINT16{w.Length(frame.width), w.Length(frame.height)}));
  w.Take(U_WMRSETBKMODE_set(1));  // TRANSPARENT
  for (cOutObj* o = chain.Head(); o && !w.Failed(); o = o->next) {
    if (const cText* text = o->AsText()) {
      w.Text(*text);
    } else if (const cBitmap* bitmap = o->AsBitmap()) {
      w.Bitmap(*bitmap);
    } else if (const cAnyLine* line = o->AsAnyLine()) {
      const cAnyFill* fill = o->AsAnyFill();
      if (const cLine* segment = line->AsLine()) {
        w.Attributes(*o);
        w.Take(U_WMRMOVETO_set(w.Point(segment->start)));
        w.Take(U_WMRLINETO_set(w.Point(segment->end)));
        w.DropAttributes();
      } else if (fill && fill->AsPolygon()) {
        w.Polygon(*fill->AsPolygon());
      } else if (fill && fill->AsRectangle()) {
        const cRectangle& r = *fill->AsRectangle();
        w.Attributes(*o);
        w.Take(U_WMRRECTANGLE_set(U_RECT16_set(w.Point(r.corner1), w.Point(r.corner2))));
        w.DropAttributes();
      } else if (fill && fill->AsCircle()) {
        const cCircle& c = *fill->AsCircle();
        w.Attributes(*o);
        w.Take(U_WMRELLIPSE_set(U_RECT16_set(w.Point(c.p1), w.Point(c.p2))));
        w.DropAttributes();
      } else if (fill && fill->AsArc()) {
        const cArc& a = *fill->AsArc();
        DPoint centre;
        double from = 0, to = 0, radius = 0;
        if (!CircleThroughPoints(centre, from, to, radius, a.start, a.middle, a.end)) continue;
        w.Attributes(*o);
        // A square box in whole units, so that the arc stays circular.
        const U_POINT16 c = w.Point(centre);
        const std::int16_t r = w.Length(radius);
        const U_RECT16 box{std::int16_t(c.x - r), std::int16_t(c.y - r), std::int16_t(c.x + r), std::int16_t(c.y + r)};
        w.Take(U_WMRARC_set(w.Point(a.start), w.Point(a.end), box));
        w.DropAttributes();
      }
    }
  }
  std::unique_ptr<ByteArray> bytes = w.Finish();
  if (bytes && size) *size = bytes->Count();
  return bytes;
}

}  // namespace kvn
