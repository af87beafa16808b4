// PlayEnhMetaFileRecord: state, mapping and transform records, objects,
// saved states, paths and clipping; drawing records go to EmfRecordDraw.cpp.
#include <uemf.h>

#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/metafile/EmfPlayDetail.h"
#include "platform/metafile/EmfPlayer.h"

namespace kvn {

namespace {

constexpr std::uint32_t kStockFlag = 0x80000000u;

bool Finite(const XForm& x) {
  return std::isfinite(x.eM11) && std::isfinite(x.eM12) && std::isfinite(x.eM21) && std::isfinite(x.eM22) &&
         std::isfinite(x.eDx) && std::isfinite(x.eDy);
}

XForm ReadXForm(const EmfRecord& r, std::uint32_t offset) {
  return XForm{r.F32(offset), r.F32(offset + 4), r.F32(offset + 8),
               r.F32(offset + 12), r.F32(offset + 16), r.F32(offset + 20)};
}

// The smaller scale on both axes, signs kept (MM_ISOTROPIC).
void AdjustIsotropic(EmfMappingState& m) {
  const double sx = std::fabs(m.viewportExt.x / m.windowExt.x), sy = std::fabs(m.viewportExt.y / m.windowExt.y);
  if (sx < sy) {
    m.viewportExt.y = std::copysign(sx * std::fabs(m.windowExt.y), m.viewportExt.y);
  } else if (sy < sx) {
    m.viewportExt.x = std::copysign(sy * std::fabs(m.windowExt.x), m.viewportExt.x);
  }
}

bool Scalable(const EmfMappingState& m) { return m.mapMode == kMmIsotropic || m.mapMode == kMmAnisotropic; }

bool SetMapMode(HandleTable& t, int mode) {
  EmfMappingState& m = t.mapping;
  double unitsPerMm = 0;
  switch (mode) {
    case kMmText:
      m.windowExt = {1, 1};
      m.viewportExt = {1, 1};
      break;
    case kMmLoMetric: unitsPerMm = 10; break;
    case kMmHiMetric: unitsPerMm = 100; break;
    case kMmLoEnglish: unitsPerMm = 100 / 25.4; break;
    case kMmHiEnglish: unitsPerMm = 1000 / 25.4; break;
    case kMmTwips: unitsPerMm = 1440 / 25.4; break;
    case kMmIsotropic:
      // From a fixed mode the isotropic one starts at the LOMETRIC extents.
      if (!Scalable(m)) {
        m.windowExt = {10, 10};
        m.viewportExt = {t.pixelsPerMmX, -t.pixelsPerMmY};
      }
      AdjustIsotropic(m);
      break;
    case kMmAnisotropic:  // keeps the extents it finds
      break;
    default:
      return false;
  }
  if (unitsPerMm > 0) {
    m.windowExt = {unitsPerMm, unitsPerMm};
    m.viewportExt = {t.pixelsPerMmX, -t.pixelsPerMmY};
  }
  m.mapMode = mode;
  return true;
}

bool SetExtent(EmfMappingState& m, DPoint* extent, double cx, double cy) {
  if (cx == 0 || cy == 0 || !std::isfinite(cx) || !std::isfinite(cy)) return false;
  if (!Scalable(m)) return true;
  *extent = {cx, cy};
  if (m.mapMode == kMmIsotropic) AdjustIsotropic(m);
  return true;
}

bool ScaleExtent(EmfMappingState& m, DPoint* extent, const EmfRecord& r) {
  const std::int32_t xNum = r.I32(8), xDen = r.I32(12), yNum = r.I32(16), yDen = r.I32(20);
  if (xDen == 0 || yDen == 0) return false;
  return SetExtent(m, extent, std::trunc(extent->x * xNum / xDen), std::trunc(extent->y * yNum / yDen));
}

// The clip the context draws with: the metafile's clip within its meta
// region, within the clip the context had when playback began, so that no
// clip record reaches past what the others allow.
void SelectDrawingClip(TDC& dc, const HandleTable& t) {
  std::optional<TRegion> drawing;
  for (const TRegion* part : {t.hadClip ? &t.initialClip : nullptr, t.mapping.meta ? &*t.mapping.meta : nullptr,
                              t.mapping.clip ? &*t.mapping.clip : nullptr}) {
    if (!part) continue;
    if (drawing) drawing->Combine(*drawing, *part, kRgnAnd);
    else drawing = *part;
  }
  dc.SelectClipRgn(drawing ? &*drawing : nullptr);
}

// A clip record works on the metafile's clip alone, as GDI keeps the meta
// region apart from it: the context holds that clip while `change` runs,
// then the clip it draws with again.
template <typename Change>
bool ChangeClip(TDC& dc, HandleTable& t, Change change) {
  std::optional<TRegion>& clip = t.mapping.clip;
  dc.SelectClipRgn(clip ? &*clip : nullptr);
  const bool ok = change();
  if (ok) {
    TRegion changed;
    if (dc.GetClipRgn(&changed) == 1) clip = std::move(changed);
    else clip.reset();
  }
  SelectDrawingClip(dc, t);
  return ok;
}

bool ExtSelectClip(TDC& dc, HandleTable& t, const EmfRecord& r) {
  const std::uint32_t bytes = r.U32(8);
  const int mode = r.I32(12);
  if (bytes == 0) {
    // No region: the clip is gone, the meta region stays.
    if (mode != kRgnCopy) return false;
    t.mapping.clip.reset();
    SelectDrawingClip(dc, t);
    return true;
  }
  TRegion region;
  if (!emf_play::ReadRegion(t, r, 16, bytes, &region)) return false;
  return ChangeClip(dc, t, [&] { return dc.ExtSelectClipRgn(&region, mode) != kRegionError; });
}

// OFFSETCLIPRGN: the clip moved by a logical offset (none: nothing to move).
bool OffsetClip(TDC& dc, HandleTable& t, std::int32_t dx, std::int32_t dy) {
  return ChangeClip(dc, t, [&] {
    TRegion clip;
    if (dc.GetClipRgn(&clip) != 1) return true;
    const DPoint d = dc.GetLogicalToDevice().ApplyVector({double(dx), double(dy)});
    clip.Offset(RoundToInt32(d.x), RoundToInt32(d.y));
    return dc.SelectClipRgn(&clip) != kRegionError;
  });
}

// SETMETARGN: the clip joins the meta region (their intersection) and is
// reset to none.
void SetMetaRegion(TDC& dc, HandleTable& t) {
  EmfMappingState& m = t.mapping;
  if (m.clip) {
    if (m.meta) m.meta->Combine(*m.meta, *m.clip, kRgnAnd);
    else m.meta = std::move(m.clip);
    m.clip.reset();
  }
  SelectDrawingClip(dc, t);
}

bool RestoreDC(TDC& dc, HandleTable& t, std::int32_t relative) {
  // Only states the metafile saved itself can be restored.
  // Counted wide: a record may ask for -2^31 levels, whose negation no
  // 32-bit integer holds.
  const std::int64_t saved = std::int64_t(t.savedMappings.size());
  const std::int64_t levels = relative < 0 ? -std::int64_t(relative) : saved - relative + 1;
  if (relative == 0 || levels < 1 || levels > saved) return false;
  if (!dc.RestoreDC(-int(levels))) return false;
  t.mapping = t.savedMappings[std::size_t(saved - levels)];
  t.savedMappings.resize(std::size_t(saved - levels));
  emf_play::SelectLayoutFit(t);
  return true;
}

bool SelectObject(TDC& dc, const HandleTable& t, std::uint32_t index) {
  if (index & kStockFlag) {
    const int id = int(index & ~kStockFlag);
    // The device and fixed fonts stand in for the system font here.
    constexpr int kOemFixedFont = 10, kSystemFixedFont = 16;
    return dc.SelectStockObject(id) || (id >= kOemFixedFont && id <= kSystemFixedFont && dc.SelectStockObject(kSystemFont));
  }
  const HandleTable::Object* o = t.Get(index);
  if (!o) return false;
  if (const TPen* pen = std::get_if<TPen>(o)) return dc.SelectObject(*pen).IsValid();
  if (const TBrush* brush = std::get_if<TBrush>(o)) return dc.SelectObject(*brush).IsValid();
  if (const TFont* font = std::get_if<TFont>(o)) return dc.SelectObject(*font).IsValid();
  return false;
}

TPen ExtCreatePen(const EmfRecord& r) {
  const std::uint32_t style = r.U32(28), width = r.U32(32), brushStyle = r.U32(36), color = r.U32(40);
  const std::uint32_t entries = r.U32(48);
  std::uint32_t dashes[kMaxUserStyleEntries] = {};
  std::uint32_t count = 0;
  if ((style & kPsStyleMask) == kPsUserStyle) {
    if (entries > kMaxUserStyleEntries || !r.Holds(52, entries, 4)) return TPen{};
    for (; count < entries; ++count) dashes[count] = r.U32(52 + 4 * count);
  }
  // Pattern and hatch brushes of a pen are drawn in their colour.
  const std::uint32_t solid = brushStyle == kBsNull ? kBsNull : kBsSolid;
  TPen pen = TPen::ExtCreate(style, width, solid, color & 0xFFFFFF, count, count ? dashes : nullptr);
  if (!pen.IsValid() && (style & kPsTypeMask) == kPsCosmetic) pen = TPen(color & 0xFFFFFF, 0, style & kPsStyleMask);
  return pen;
}

}  // namespace

bool PlayEnhMetaFileRecord(TDC& dc, HandleTable& t, const EmfRecord& r, unsigned handleCount) {
  (void)handleCount;
  bool ok = true;
  EmfMappingState& m = t.mapping;
  switch (r.Type()) {
    case U_EMR_HEADER:
    case U_EMR_EOF:
    case U_EMR_SETMAPPERFLAGS:
    case U_EMR_SELECTPALETTE:
    case U_EMR_REALIZEPALETTE:
    case U_EMR_SETICMMODE:
    case U_EMR_SETCOLORADJUSTMENT:
    case U_EMR_FLATTENPATH:  // paths are flattened when drawn
    // Escapes speak to the recording device's driver; no target here has
    // one, so they are skipped as a device without the escape skips them.
    case U_EMR_DRAWESCAPE:
    case U_EMR_EXTESCAPE:
    case U_EMR_NAMEDESCAPE:
      return true;
    case U_EMR_COMMENT:
      if (r.U32(8) >= 4 && r.U32(12) == kEmfPlusCommentSignature) {
        ++t.emfPlusComments;
        return false;
      }
      return true;
    case U_EMR_CREATEPALETTE:
      t.Delete(r.U32(8));
      return true;
    // ---- mapping and transforms ----
    case U_EMR_SETMAPMODE: ok = SetMapMode(t, r.I32(8)); break;
    case U_EMR_SETWINDOWEXTEX: ok = SetExtent(m, &m.windowExt, r.I32(8), r.I32(12)); break;
    case U_EMR_SETVIEWPORTEXTEX: ok = SetExtent(m, &m.viewportExt, r.I32(8), r.I32(12)); break;
    case U_EMR_SETWINDOWORGEX: m.windowOrg = {double(r.I32(8)), double(r.I32(12))}; break;
    case U_EMR_SETVIEWPORTORGEX: m.viewportOrg = {double(r.I32(8)), double(r.I32(12))}; break;
    case U_EMR_SCALEVIEWPORTEXTEX: ok = Scalable(m) && ScaleExtent(m, &m.viewportExt, r); break;
    case U_EMR_SCALEWINDOWEXTEX: ok = Scalable(m) && ScaleExtent(m, &m.windowExt, r); break;
    case U_EMR_SETWORLDTRANSFORM: {
      const XForm x = ReadXForm(r, 8);
      ok = Finite(x) && x.IsInvertible();
      if (ok) m.world = x;
      break;
    }
    case U_EMR_MODIFYWORLDTRANSFORM: {
      const XForm x = ReadXForm(r, 8);
      const std::uint32_t mode = r.U32(32);
      if (mode == kMwtIdentity) {
        m.world = XForm{};
      } else if (!Finite(x)) {
        ok = false;
      } else {
        XForm next = m.world;
        if (mode == kMwtLeftMultiply) next = CombineTransform(x, m.world);
        else if (mode == kMwtRightMultiply) next = CombineTransform(m.world, x);
        else if (mode == 4) next = x;  // MWT_SET
        else ok = false;
        ok = ok && next.IsInvertible();
        if (ok) m.world = next;
      }
      break;
    }
    case U_EMR_SETARCDIRECTION: m.clockwise = r.U32(8) == 2; return true;
    case U_EMR_SETTEXTJUSTIFICATION:
      m.breakExtra = r.I32(8);
      m.breakCount = r.I32(12);
      return true;
    // ---- modes and colours ----
    case U_EMR_SETBKMODE: return dc.SetBkMode(r.I32(8)) != 0;
    case U_EMR_SETPOLYFILLMODE: return dc.SetPolyFillMode(r.I32(8)) != 0;
    case U_EMR_SETROP2: return dc.SetROP2(r.I32(8)) != 0;
    case U_EMR_SETSTRETCHBLTMODE: return dc.SetStretchBltMode(r.I32(8)) != 0;
    case U_EMR_SETTEXTALIGN: return dc.SetTextAlign(r.U32(8)) != kGdiError;
    case U_EMR_SETTEXTCOLOR: dc.SetTextColor(r.U32(8) & 0xFFFFFF); return true;
    case U_EMR_SETBKCOLOR: dc.SetBkColor(r.U32(8) & 0xFFFFFF); return true;
    // The format stores the limit as a whole number (not the float the
    // function takes); below 1 it is refused, as by SetMiterLimit.
    case U_EMR_SETMITERLIMIT: return dc.SetMiterLimit(double(r.U32(8)));
    // The origin is in device pixels of the recording, and is set as it
    // stands in the device pixels of the context played on, as the system's
    // player sets it: hatch cells and pattern tiles are device pixels that
    // no placement of the picture scales or turns, so neither is the origin
    // that aligns them. A picture placed 1:1 at the device origin (its own
    // export played back) is tiled where it was recorded; placed elsewhere
    // its tiles keep the device's grid, moved by the origin, as they keep it
    // (from (0, 0)) in a picture that sets none.
    case U_EMR_SETBRUSHORGEX: return dc.SetBrushOrg(r.I32(8), r.I32(12));
    // ---- saved states ----
    case U_EMR_SAVEDC:
      if (dc.SaveDC() == 0) return false;
      t.savedMappings.push_back(m);
      return true;
    case U_EMR_RESTOREDC:
      ok = RestoreDC(dc, t, r.I32(8));
      break;
    // ---- objects ----
    case U_EMR_CREATEPEN: {
      const std::uint32_t style = r.U32(12);
      const std::int32_t width = r.I32(16);
      TPen pen(r.U32(24) & 0xFFFFFF, width, style & kPsStyleMask);
      if (!pen.IsValid()) pen = TPen(r.U32(24) & 0xFFFFFF, width, kPsSolid);
      ok = t.Store(r.U32(8), pen);
      break;
    }
    case U_EMR_EXTCREATEPEN: {
      const TPen pen = ExtCreatePen(r);
      ok = pen.IsValid() && t.Store(r.U32(8), pen);
      break;
    }
    case U_EMR_CREATEBRUSHINDIRECT: {
      const std::uint32_t style = r.U32(12);
      const COLORREF color = r.U32(16) & 0xFFFFFF;
      TBrush brush = style == kBsNull ? TBrush::Null()
                     : style == kBsHatched ? TBrush(r.I32(20), color)
                                           : TBrush(color);
      // The metafile-only hatch styles (solid colour variants) fill solid.
      if (!brush.IsValid() && style == kBsHatched) brush = TBrush(color);
      ok = brush.IsValid() && t.Store(r.U32(8), brush);
      break;
    }
    case U_EMR_EXTCREATEFONTINDIRECTW: {
      LogFont font;
      ok = ReadRecordLogFont(r, &font) && t.Store(r.U32(8), TFont(font));
      break;
    }
    case U_EMR_SELECTOBJECT: ok = SelectObject(dc, t, r.U32(8)); break;
    case U_EMR_DELETEOBJECT: t.Delete(r.U32(8)); return true;
    // ---- paths ----
    case U_EMR_BEGINPATH: ok = dc.BeginPath(); break;
    case U_EMR_ENDPATH: ok = dc.EndPath(); break;
    case U_EMR_ABORTPATH: ok = dc.AbortPath(); break;
    case U_EMR_CLOSEFIGURE: ok = dc.CloseFigure(); break;
    case U_EMR_FILLPATH: ok = dc.FillPath(); break;
    case U_EMR_STROKEPATH: ok = dc.StrokePath(); break;
    case U_EMR_STROKEANDFILLPATH: ok = dc.StrokeAndFillPath(); break;
    case U_EMR_WIDENPATH: ok = dc.WidenPath(); break;
    // ---- clipping ----
    case U_EMR_SELECTCLIPPATH: ok = ChangeClip(dc, t, [&] { return dc.SelectClipPath(r.I32(8)); }); break;
    case U_EMR_EXTSELECTCLIPRGN: ok = ExtSelectClip(dc, t, r); break;
    case U_EMR_INTERSECTCLIPRECT:
      ok = ChangeClip(dc, t, [&] {
        return dc.IntersectClipRect(r.I32(8), r.I32(12), r.I32(16), r.I32(20)) != kRegionError;
      });
      break;
    case U_EMR_OFFSETCLIPRGN: ok = OffsetClip(dc, t, r.I32(8), r.I32(12)); break;
    case U_EMR_EXCLUDECLIPRECT:
      ok = ChangeClip(dc, t, [&] {
        return dc.ExcludeClipRect(r.I32(8), r.I32(12), r.I32(16), r.I32(20)) != kRegionError;
      });
      break;
    case U_EMR_SETMETARGN: SetMetaRegion(dc, t); break;
    // ---- layout ----
    case U_EMR_SETLAYOUT:
      m.layout = r.U32(8);
      emf_play::SelectLayoutFit(t);
      break;
    default: {
      bool played = false;
      if (!emf_play::PlayDrawRecordInLayout(dc, t, r, &played)) played = false;
      ok = played;
      break;
    }
  }
  switch (r.Type()) {
    case U_EMR_SETMAPMODE: case U_EMR_SETWINDOWEXTEX: case U_EMR_SETVIEWPORTEXTEX: case U_EMR_SETWINDOWORGEX:
    case U_EMR_SETVIEWPORTORGEX: case U_EMR_SCALEVIEWPORTEXTEX: case U_EMR_SCALEWINDOWEXTEX:
    case U_EMR_SETWORLDTRANSFORM: case U_EMR_MODIFYWORLDTRANSFORM: case U_EMR_RESTOREDC: case U_EMR_SETLAYOUT:
      if (ok) ApplyEmfMapping(dc, t);
      break;
    default:
      break;
  }
  if (!ok) ++t.unplayed;
  return ok;
}

}  // namespace kvn
