// The drawing records of a metafile: lines, curves, shapes (arcs, chords,
// pies and rounded rectangles as Bezier paths), text, bitmaps and regions.
#include <uemf.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/gdi/LeBytes.h"
#include "platform/gdi/DibPixels.h"
#include "platform/gdi/TDib.h"
#include "platform/metafile/EmfPlayDetail.h"

namespace kvn::emf_play {

namespace {

constexpr std::uint32_t kStockFlag = 0x80000000u;
// Points of one poly record beyond this are refused (the record would be
// 64 MB or more anyway).
constexpr std::uint32_t kMaxPoints = 1u << 24;

// Points of 8 (32-bit) or 4 (16-bit) bytes.
bool ReadPoints(const EmfRecord& r, std::uint32_t offset, std::uint32_t count, bool small, std::vector<TPoint>* out) {
  const std::uint32_t unit = small ? 4 : 8;
  if (count > kMaxPoints || !r.Holds(offset, count, unit)) return false;
  out->resize(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t at = offset + i * unit;
    (*out)[i] = small ? TPoint{r.I16(at), r.I16(at + 2)} : TPoint{r.I32(at), r.I32(at + 4)};
  }
  return true;
}

bool PlayPoly(TDC& dc, const EmfRecord& r, std::uint32_t kind, bool small) {
  std::vector<TPoint> p;
  const std::uint32_t count = r.U32(24);
  if (!ReadPoints(r, 28, count, small, &p)) return false;
  const int n = int(p.size());
  switch (kind) {
    case U_EMR_POLYBEZIER: return dc.PolyBezier(p.data(), n);
    case U_EMR_POLYGON: return dc.Polygon(p.data(), n);
    case U_EMR_POLYLINE: return dc.Polyline(p.data(), n);
    case U_EMR_POLYBEZIERTO: return dc.PolyBezierTo(p.data(), n);
    case U_EMR_POLYLINETO: return dc.PolylineTo(p.data(), n);
    case U_EMR_POLYDRAW: {
      const std::uint32_t unit = small ? 4 : 8;
      if (!r.Holds(28 + std::uint64_t(count) * unit, count, 1)) return false;
      return dc.PolyDraw(p.data(), r.data + 28 + count * unit, n);
    }
    default: return false;
  }
}

bool PlayPolyPoly(TDC& dc, const EmfRecord& r, bool polygon, bool small) {
  const std::uint32_t polys = r.U32(24), total = r.U32(28);
  if (polys == 0 || polys > kMaxPoints || !r.Holds(32, polys, 4)) return false;
  std::vector<int> counts(polys);
  std::uint64_t sum = 0;
  for (std::uint32_t i = 0; i < polys; ++i) {
    counts[i] = int(std::min<std::uint32_t>(r.U32(32 + 4 * i), kMaxPoints));
    sum += std::uint32_t(counts[i]);
  }
  if (sum != total) return false;
  std::vector<TPoint> p;
  if (!ReadPoints(r, 32 + 4 * polys, total, small, &p)) return false;
  if (polygon) return dc.PolyPolygon(p.data(), counts.data(), int(polys));
  std::size_t at = 0;
  for (int c : counts) {
    dc.Polyline(p.data() + at, c);
    at += std::size_t(c);
  }
  return true;
}

// ---- arcs as Beziers ----

struct Ellipse {
  double cx, cy, rx, ry;
  DPoint At(double t) const { return {cx + rx * std::cos(t), cy - ry * std::sin(t)}; }
  // The parameter of the point where the ray from the centre through p meets
  // the ellipse.
  double ParamOf(double px, double py) const { return std::atan2(-(py - cy) * rx, (px - cx) * ry); }
};

Ellipse EllipseOfBox(const EmfRecord& r, std::uint32_t at) {
  const double l = r.I32(at), t = r.I32(at + 4), rt = r.I32(at + 8), b = r.I32(at + 12);
  return {(l + rt) / 2, (t + b) / 2, std::fabs(rt - l) / 2, std::fabs(b - t) / 2};
}

TPoint Round(const DPoint& p) { return {RoundToInt32(std::floor(p.x + 0.5)), RoundToInt32(std::floor(p.y + 0.5))}; }

struct Figure {
  std::vector<TPoint> points;
  std::vector<std::uint8_t> types;
  void Add(const DPoint& p, std::uint8_t type) {
    points.push_back(Round(p));
    types.push_back(type);
  }
};

// Bezier pieces of at most a quarter turn from parameter t0 over `sweep`
// (positive: counter-clockwise on the y-down device).
void AppendArc(Figure* f, const Ellipse& e, double t0, double sweep) {
  const int n = std::max(1, int(std::ceil(std::fabs(sweep) / (std::numbers::pi / 2) - 1e-9)));
  const double d = sweep / n, k = 4.0 / 3.0 * std::tan(d / 4);
  for (int i = 0; i < n; ++i) {
    const double a = t0 + d * i, b = a + d;
    const DPoint p0 = e.At(a), p3 = e.At(b);
    const DPoint d0{-e.rx * std::sin(a), -e.ry * std::cos(a)}, d1{-e.rx * std::sin(b), -e.ry * std::cos(b)};
    f->Add({p0.x + k * d0.x, p0.y + k * d0.y}, kPtBezierTo);
    f->Add({p3.x - k * d1.x, p3.y - k * d1.y}, kPtBezierTo);
    f->Add(p3, kPtBezierTo);
  }
}

// The sweep from t0 to t1 in the arc direction; a whole turn when they meet.
double Sweep(double t0, double t1, bool clockwise) {
  constexpr double kTurn = 2 * std::numbers::pi;
  double s = std::fmod(t1 - t0, kTurn);
  if (clockwise) {
    if (s >= 0) s -= kTurn;
    if (s == -kTurn && t1 != t0) s = 0;
  } else {
    if (s <= 0) s += kTurn;
  }
  return s;
}

// A closed figure drawn with pen and brush, or added to the open path.
bool DrawClosed(TDC& dc, Figure& f) {
  if (f.points.empty()) return false;
  f.types.back() |= kPtCloseFigure;
  if (dc.IsPathOpen()) return dc.PolyDraw(f.points.data(), f.types.data(), int(f.points.size()));
  const TPoint position = dc.GetCurrentPosition();
  const bool ok = dc.BeginPath() && dc.PolyDraw(f.points.data(), f.types.data(), int(f.points.size())) &&
                  dc.EndPath() && dc.StrokeAndFillPath();
  if (!ok && dc.IsPathOpen()) dc.AbortPath();
  dc.MoveTo(position.x, position.y);
  return ok;
}

bool PlayArc(TDC& dc, const HandleTable& t, const EmfRecord& r, std::uint32_t kind) {
  const Ellipse e = EllipseOfBox(r, 8);
  if (e.rx == 0 || e.ry == 0) return false;
  const double t0 = e.ParamOf(r.I32(24), r.I32(28)), t1 = e.ParamOf(r.I32(32), r.I32(36));
  const double sweep = Sweep(t0, t1, t.mapping.clockwise);
  Figure f;
  if (kind == U_EMR_PIE) f.Add({e.cx, e.cy}, kPtMoveTo);
  f.Add(e.At(t0), kind == U_EMR_PIE ? kPtLineTo : kind == U_EMR_ARCTO ? kPtLineTo : kPtMoveTo);
  AppendArc(&f, e, t0, sweep);
  switch (kind) {
    case U_EMR_ARC: return dc.PolyBezier(f.points.data(), int(f.points.size()));  // the position stays
    case U_EMR_ARCTO: return dc.PolyDraw(f.points.data(), f.types.data(), int(f.points.size()));
    default: return DrawClosed(dc, f);  // chord and pie
  }
}

bool PlayAngleArc(TDC& dc, const EmfRecord& r) {
  const double radius = r.U32(16), start = r.F32(20), sweep = r.F32(24);
  if (!std::isfinite(start) || !std::isfinite(sweep) || std::fabs(sweep) > 360.0 * 64) return false;
  const Ellipse e{double(r.I32(8)), double(r.I32(12)), radius, radius};
  const double t0 = start * std::numbers::pi / 180, s = sweep * std::numbers::pi / 180;
  Figure f;
  f.Add(e.At(t0), kPtLineTo);
  if (s != 0) AppendArc(&f, e, t0, std::clamp(s, -2 * std::numbers::pi, 2 * std::numbers::pi));
  return dc.PolyDraw(f.points.data(), f.types.data(), int(f.points.size()));
}

bool PlayRoundRect(TDC& dc, const EmfRecord& r) {
  const double l = std::min(r.I32(8), r.I32(16)), top = std::min(r.I32(12), r.I32(20));
  const double rt = std::max(r.I32(8), r.I32(16)), b = std::max(r.I32(12), r.I32(20));
  const double rx = std::min(std::fabs(double(r.I32(24))) / 2, (rt - l) / 2);
  const double ry = std::min(std::fabs(double(r.I32(28))) / 2, (b - top) / 2);
  constexpr double kQuarter = std::numbers::pi / 2;
  Figure f;
  f.Add({rt, top + ry}, kPtMoveTo);
  AppendArc(&f, {rt - rx, top + ry, rx, ry}, 0, kQuarter);
  f.Add({l + rx, top}, kPtLineTo);
  AppendArc(&f, {l + rx, top + ry, rx, ry}, kQuarter, kQuarter);
  f.Add({l, b - ry}, kPtLineTo);
  AppendArc(&f, {l + rx, b - ry, rx, ry}, 2 * kQuarter, kQuarter);
  f.Add({rt - rx, b}, kPtLineTo);
  AppendArc(&f, {rt - rx, b - ry, rx, ry}, 3 * kQuarter, kQuarter);
  return DrawClosed(dc, f);
}

// ---- bitmaps ----

// Source rows of a blit record count from the top; a bottom-up picture
// counts them from the bottom.
int DibSourceY(const TDib& dib, int ySrc, int cySrc) {
  return dib.IsTopDown() ? ySrc : int(std::clamp<std::int64_t>(std::int64_t(dib.Height()) - ySrc - cySrc, INT32_MIN,
                                                               INT32_MAX));
}

bool PlayBlt(TDC& dc, const EmfRecord& r, std::uint32_t kind) {
  const int x = r.I32(24), y = r.I32(28), cx = r.I32(32), cy = r.I32(36);
  const std::uint32_t rop = r.U32(40);
  const int xSrc = r.I32(44), ySrc = r.I32(48);
  const std::uint32_t usage = r.U32(80), offBmi = r.U32(84), cbBmi = r.U32(88), offBits = r.U32(92),
                      cbBits = r.U32(96);
  const bool stretch = kind != U_EMR_BITBLT;
  const int cxSrc = stretch ? r.I32(100) : cx, cySrc = stretch ? r.I32(104) : cy;
  if (cbBmi == 0) return kind == U_EMR_BITBLT && dc.PatBlt(x, y, cx, cy, rop);
  TDib dib;
  if (!LoadDib(r, offBmi, cbBmi, offBits, cbBits, usage, &dib)) return false;
  if (kind == U_EMR_ALPHABLEND) {
    std::vector<std::uint32_t> pixels;
    PixelView view;
    if (!DibToPixels(dib, &pixels, &view)) return false;
    BlendFunction blend;
    blend.blendOp = r.U8(40);
    blend.blendFlags = r.U8(41);
    blend.sourceConstantAlpha = r.U8(42);
    blend.alphaFormat = r.U8(43);
    if ((blend.alphaFormat & kAcSrcAlpha) && dib.BitCount() == 32 && dib.Compression() == kBiRgb) {
      // The source's own alpha (premultiplied, as the blend takes it).
      for (std::int32_t v = 0; v < view.height; ++v) {
        const std::int32_t row = dib.IsTopDown() ? v : view.height - 1 - v;
        const std::uint8_t* in = dib.Bits() + std::size_t(row) * dib.Stride();
        std::uint32_t* out = pixels.data() + std::size_t(v) * std::size_t(view.width);
        for (std::int32_t u = 0; u < view.width; ++u) out[u] = (out[u] & 0xFFFFFF) | std::uint32_t(in[4 * u + 3]) << 24;
      }
    }
    return dc.AlphaBlend(x, y, cx, cy, view, xSrc, ySrc, cxSrc, cySrc, blend);
  }
  return dc.StretchDIBits(x, y, cx, cy, xSrc, DibSourceY(dib, ySrc, cySrc), cxSrc, cySrc, dib, rop) > 0;
}

bool PlayStretchDIBits(TDC& dc, const EmfRecord& r) {
  TDib dib;
  if (!LoadDib(r, r.U32(48), r.U32(52), r.U32(56), r.U32(60), r.U32(64), &dib)) return false;
  return dc.StretchDIBits(r.I32(24), r.I32(28), r.I32(72), r.I32(76), r.I32(32), r.I32(36), r.I32(40), r.I32(44), dib,
                          r.U32(68)) > 0;
}

bool PlaySetDIBits(TDC& dc, const EmfRecord& r) {
  const std::uint32_t startScan = r.U32(68), scans = r.U32(72);
  if (scans == 0) return false;
  TDib dib;
  if (!LoadDib(r, r.U32(48), r.U32(52), r.U32(56), r.U32(60), r.U32(64), &dib, scans)) return false;
  const std::int64_t ySrc = std::int64_t(r.I32(36)) - (dib.IsTopDown() ? 0 : std::int64_t(startScan));
  if (ySrc < INT32_MIN || ySrc > INT32_MAX) return false;
  return dc.SetDIBitsToDevice(r.I32(24), r.I32(28), r.I32(40), r.I32(44), r.I32(32), int(ySrc), dib) > 0;
}

bool PlayPatternBrush(HandleTable& t, const EmfRecord& r) {
  TDib dib;
  if (!LoadDib(r, r.U32(16), r.U32(20), r.U32(24), r.U32(28), 0, &dib)) return false;
  std::vector<std::uint32_t> pixels;
  PixelView view;
  if (!DibToPixels(dib, &pixels, &view)) return false;
  const TBrush brush = TBrush::Pattern(view);
  return brush.IsValid() && t.Store(r.U32(8), brush);
}

// ---- regions ----

// The brush of a record's handle (stock objects by the high bit).
bool RecordBrush(const HandleTable& t, std::uint32_t index, TBrush* brush) {
  if (index & kStockFlag) {
    *brush = StockBrush(int(index & ~kStockFlag));
    return brush->IsValid();
  }
  const HandleTable::Object* o = t.Get(index);
  const TBrush* b = o ? std::get_if<TBrush>(o) : nullptr;
  if (!b) return false;
  *brush = *b;
  return brush->IsValid();
}

bool PlayRegionFill(TDC& dc, const HandleTable& t, const EmfRecord& r, bool withBrush) {
  const std::uint32_t bytes = r.U32(24);
  TRegion region;
  if (!ReadRegion(t, r, withBrush ? 32 : 28, bytes, &region)) return false;
  TBrush brush = dc.GetCurrentBrush();
  if (withBrush && !RecordBrush(t, r.U32(28), &brush)) return false;
  return brush.IsValid() && dc.FillRgn(region, brush);
}

// FRAMERGN: the region less the region shrunk by the stroke's width and
// height (logical units) on each side, filled with the brush.
bool PlayFrameRegion(TDC& dc, const HandleTable& t, const EmfRecord& r) {
  TRegion region;
  TBrush brush;
  if (!ReadRegion(t, r, 40, r.U32(24), &region) || !RecordBrush(t, r.U32(28), &brush)) return false;
  const XForm toDevice = dc.GetLogicalToDevice();
  const DPoint sx = toDevice.ApplyVector({double(r.I32(32)), 0}), sy = toDevice.ApplyVector({0, double(r.I32(36))});
  const std::int32_t w = std::clamp(RoundToInt32(std::hypot(sx.x, sx.y)), 1, 1 << 20);
  const std::int32_t h = std::clamp(RoundToInt32(std::hypot(sy.x, sy.y)), 1, 1 << 20);
  TRegion inner = region;
  const std::int32_t shifts[4][2] = {{w, 0}, {-w, 0}, {0, h}, {0, -h}};
  for (const auto& s : shifts) {
    TRegion moved = region;
    moved.Offset(s[0], s[1]);
    inner.Combine(inner, moved, kRgnAnd);
  }
  TRegion frame;
  frame.Combine(region, inner, kRgnDiff);
  return dc.FillRgn(frame, brush);
}

// INVERTRGN: every pixel of the region inverted (a destination-invert blit
// over the region's box inside the region as clip).
bool PlayInvertRegion(TDC& dc, const HandleTable& t, const EmfRecord& r) {
  TRegion region;
  const std::uint32_t bytes = r.U32(24);
  if (!ReadRegion(t, r, 28, bytes, &region)) return false;
  if (region.IsEmpty()) return true;
  // The box of the region data (metafile device units), kept within 2^30 - 1
  // either way, far beyond any surface, so that its sides and its width and
  // height are ints: a damaged box may span more than an int holds, on one
  // side or on both.
  constexpr std::int32_t kFar = (1 << 30) - 1;
  auto coordinate = [&](std::uint32_t at) { return std::clamp(r.I32(at), -kFar, kFar); };
  const TRect box{coordinate(28 + 16), coordinate(28 + 20), coordinate(28 + 24), coordinate(28 + 28)};
  const int saved = dc.SaveDC();
  if (saved == 0) return false;
  dc.ExtSelectClipRgn(&region, kRgnAnd);
  dc.SetWorldTransform(CombineTransform(t.fit, t.initialWorld));
  const bool ok = dc.PatBlt(box.left, box.top, box.right - box.left, box.bottom - box.top, kDstInvert);
  dc.RestoreDC(saved);
  ApplyEmfMapping(dc, t);
  return ok;
}

}  // namespace

bool LoadDib(const EmfRecord& r, std::uint32_t offBmi, std::uint32_t cbBmi, std::uint32_t offBits,
             std::uint32_t cbBits, std::uint32_t usage, TDib* dib, std::uint32_t scans) {
  if (usage != 0 || cbBmi == 0 || !r.Holds(offBmi, cbBmi, 1) || !r.Holds(offBits, cbBits, 1)) return false;
  std::vector<std::uint8_t> packed(r.data + offBmi, r.data + offBmi + cbBmi);
  if (scans != 0 && packed.size() >= 12 && le::U32(packed.data()) >= kBitmapInfoHeaderSize) {
    const std::int32_t height = le::I32(packed.data() + 8);
    if (height != INT32_MIN && std::uint32_t(std::abs(height)) > scans)
      le::Put32(packed.data() + 8, std::uint32_t(height < 0 ? -std::int32_t(scans) : std::int32_t(scans)));
  }
  PackedDibLayout layout;
  if (!ParsePackedDibHeader(packed.data(), packed.size(), &layout) || layout.bitsOffset > packed.size()) return false;
  packed.resize(layout.bitsOffset);
  packed.insert(packed.end(), r.data + offBits, r.data + offBits + std::min(cbBits, layout.bitsSize));
  return dib->LoadPackedDib(packed.data(), packed.size());
}

TRect ToContextDevice(const HandleTable& t, const TRect& rect) {
  const XForm m = CombineTransform(t.fit, t.initialToDevice);
  const DPoint c[4] = {m.Apply({double(rect.left), double(rect.top)}), m.Apply({double(rect.right), double(rect.top)}),
                       m.Apply({double(rect.right), double(rect.bottom)}),
                       m.Apply({double(rect.left), double(rect.bottom)})};
  double x0 = c[0].x, x1 = c[0].x, y0 = c[0].y, y1 = c[0].y;
  for (const DPoint& p : c) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  return {Round({x0, y0}).x, Round({x0, y0}).y, Round({x1, y1}).x, Round({x1, y1}).y};
}

bool ReadRegion(const HandleTable& t, const EmfRecord& r, std::uint32_t offset, std::uint32_t bytes, TRegion* out) {
  if (bytes < 32 || !r.Holds(offset, bytes, 1)) return false;
  const std::uint32_t count = r.U32(offset + 8);
  if (count > (bytes - 32) / 16) return false;
  std::vector<TRect> rects(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t at = offset + 32 + 16 * i;
    rects[i] = ToContextDevice(t, TRect{r.I32(at), r.I32(at + 4), r.I32(at + 8), r.I32(at + 12)});
  }
  *out = TRegion::FromRects(rects.data(), count);
  return true;
}

bool IsDrawingRecord(std::uint32_t type) {
  switch (type) {
    case U_EMR_POLYBEZIER: case U_EMR_POLYGON: case U_EMR_POLYLINE: case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYLINETO: case U_EMR_POLYPOLYLINE: case U_EMR_POLYPOLYGON: case U_EMR_SETPIXELV:
    case U_EMR_ANGLEARC: case U_EMR_ELLIPSE: case U_EMR_RECTANGLE: case U_EMR_ROUNDRECT: case U_EMR_ARC:
    case U_EMR_CHORD: case U_EMR_PIE: case U_EMR_LINETO: case U_EMR_ARCTO: case U_EMR_POLYDRAW:
    case U_EMR_FILLPATH: case U_EMR_STROKEANDFILLPATH: case U_EMR_STROKEPATH: case U_EMR_FILLRGN:
    case U_EMR_FRAMERGN: case U_EMR_INVERTRGN: case U_EMR_PAINTRGN: case U_EMR_BITBLT: case U_EMR_STRETCHBLT:
    case U_EMR_MASKBLT: case U_EMR_PLGBLT: case U_EMR_SETDIBITSTODEVICE: case U_EMR_STRETCHDIBITS:
    case U_EMR_EXTTEXTOUTA: case U_EMR_EXTTEXTOUTW: case U_EMR_POLYBEZIER16: case U_EMR_POLYGON16:
    case U_EMR_POLYLINE16: case U_EMR_POLYBEZIERTO16: case U_EMR_POLYLINETO16: case U_EMR_POLYPOLYLINE16:
    case U_EMR_POLYPOLYGON16: case U_EMR_POLYDRAW16: case U_EMR_POLYTEXTOUTA: case U_EMR_POLYTEXTOUTW:
    case U_EMR_SMALLTEXTOUT: case U_EMR_ALPHABLEND: case U_EMR_TRANSPARENTBLT: case U_EMR_GRADIENTFILL:
    case U_EMR_EXTFLOODFILL:
      return true;
    default:
      return false;
  }
}

bool PlayDrawRecord(TDC& dc, HandleTable& t, const EmfRecord& r, bool* played) {
  const std::uint32_t type = r.Type();
  bool ok = false;
  switch (type) {
    case U_EMR_POLYBEZIER: case U_EMR_POLYGON: case U_EMR_POLYLINE: case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYLINETO: case U_EMR_POLYDRAW:
      ok = PlayPoly(dc, r, type, false);
      break;
    case U_EMR_POLYBEZIER16: ok = PlayPoly(dc, r, U_EMR_POLYBEZIER, true); break;
    case U_EMR_POLYGON16: ok = PlayPoly(dc, r, U_EMR_POLYGON, true); break;
    case U_EMR_POLYLINE16: ok = PlayPoly(dc, r, U_EMR_POLYLINE, true); break;
    case U_EMR_POLYBEZIERTO16: ok = PlayPoly(dc, r, U_EMR_POLYBEZIERTO, true); break;
    case U_EMR_POLYLINETO16: ok = PlayPoly(dc, r, U_EMR_POLYLINETO, true); break;
    case U_EMR_POLYDRAW16: ok = PlayPoly(dc, r, U_EMR_POLYDRAW, true); break;
    case U_EMR_POLYPOLYLINE: ok = PlayPolyPoly(dc, r, false, false); break;
    case U_EMR_POLYPOLYGON: ok = PlayPolyPoly(dc, r, true, false); break;
    case U_EMR_POLYPOLYLINE16: ok = PlayPolyPoly(dc, r, false, true); break;
    case U_EMR_POLYPOLYGON16: ok = PlayPolyPoly(dc, r, true, true); break;
    case U_EMR_MOVETOEX: ok = dc.MoveTo(r.I32(8), r.I32(12)); break;
    case U_EMR_LINETO: ok = dc.LineTo(r.I32(8), r.I32(12)); break;
    case U_EMR_SETPIXELV: dc.SetPixel(r.I32(8), r.I32(12), r.U32(16) & 0xFFFFFF);
      ok = true;
      break;
    case U_EMR_RECTANGLE: ok = dc.Rectangle(r.I32(8), r.I32(12), r.I32(16), r.I32(20)); break;
    case U_EMR_ELLIPSE: ok = dc.Ellipse(r.I32(8), r.I32(12), r.I32(16), r.I32(20)); break;
    case U_EMR_ROUNDRECT: ok = PlayRoundRect(dc, r); break;
    case U_EMR_ARC: case U_EMR_CHORD: case U_EMR_PIE: case U_EMR_ARCTO: ok = PlayArc(dc, t, r, type); break;
    case U_EMR_ANGLEARC: ok = PlayAngleArc(dc, r); break;
    case U_EMR_EXTTEXTOUTW: case U_EMR_EXTTEXTOUTA: case U_EMR_POLYTEXTOUTW: case U_EMR_POLYTEXTOUTA:
    case U_EMR_SMALLTEXTOUT:
      ok = PlayTextRecord(dc, t, r);
      break;
    case U_EMR_BITBLT: case U_EMR_STRETCHBLT: case U_EMR_ALPHABLEND: ok = PlayBlt(dc, r, type); break;
    case U_EMR_STRETCHDIBITS: ok = PlayStretchDIBits(dc, r); break;
    case U_EMR_SETDIBITSTODEVICE: ok = PlaySetDIBits(dc, r); break;
    case U_EMR_CREATEDIBPATTERNBRUSHPT: case U_EMR_CREATEMONOBRUSH: ok = PlayPatternBrush(t, r); break;
    case U_EMR_FILLRGN: ok = PlayRegionFill(dc, t, r, true); break;
    case U_EMR_PAINTRGN: ok = PlayRegionFill(dc, t, r, false); break;
    case U_EMR_FRAMERGN: ok = PlayFrameRegion(dc, t, r); break;
    case U_EMR_INVERTRGN: ok = PlayInvertRegion(dc, t, r); break;
    case U_EMR_MASKBLT: case U_EMR_PLGBLT: case U_EMR_TRANSPARENTBLT: ok = PlayMaskedBlit(dc, t, r); break;
    case U_EMR_GRADIENTFILL: ok = PlayGradientFill(dc, r); break;
    // Only a target with pixels fills; a vector page draws nothing, as a
    // printer does, and the record counts as not played.
    case U_EMR_EXTFLOODFILL: ok = dc.ExtFloodFill(r.I32(8), r.I32(12), r.U32(16) & 0xFFFFFF, r.U32(20)); break;
    default:
      *played = false;
      return false;
  }
  *played = ok;
  return true;
}

}  // namespace kvn::emf_play
