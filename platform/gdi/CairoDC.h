// CairoDC: a device context that draws through cairo onto any cairo surface
// (an image in memory, a PDF or PostScript page).
//
// Device space is the surface's space: one unit per pixel (or per point on
// a vector page), y down. Geometry reaches cairo already in device
// coordinates and under the identity matrix, so the clip region, hatch cells
// and pattern brushes stay aligned to device pixels whatever the mapping;
// only a geometric pen's nib is drawn under the logical-to-device matrix
// (README.md: strokes, pens, fills).
//
// Cairo keeps coordinates in 24.8 fixed point, so geometry beyond
// +-kCairoCoordLimit device units is cut in doubles first (GdiPath::ClipToBox).
// Binary raster operations other than copy cannot be done by cairo; here they
// draw as R2_COPYPEN except R2_BLACK, R2_WHITE and R2_NOTCOPYPEN, which need no
// destination (RasterDC does them all on its pixels).
#pragma once

#include <cairo.h>

#include <vector>

#include "platform/gdi/DeviceContext.h"

namespace kvn {

inline constexpr double kCairoCoordLimit = 1 << 22;

class CairoDC : public TDC {
 public:
  // Takes its own reference to the surface.
  CairoDC(cairo_surface_t* surface, const DeviceCaps& caps);
  ~CairoDC() override;

  // Aliased output (the default) matches GDI pixel for pixel where the
  // README gives a rule; anti-aliased output smooths edges.
  void SetAntialias(bool on) { antialias_ = on; }
  bool Antialias() const { return antialias_; }

  cairo_surface_t* Surface() const { return surface_; }

  // Joined strokes, for vector surfaces. A paginated surface (PDF, PostScript)
  // records every operation of a page until the page ends, about 1 KB each
  // (a fitted A4 page of a million short lines recorded 1,080 MB), so
  // consecutive strokes of one style, colour and clip go to cairo as one
  // path of many figures: a few bytes a point instead of an operation a
  // line. Only opaque strokes that paint without reading the destination
  // are joined, and never those whose gaps are filled first; a figure's
  // caps, joins and dash phase are its own in one path as in its own
  // stroke, so the page holds what separate strokes draw. Off by default:
  // on an image, cairo's rasteriser covers a path of many figures a little
  // differently from the figures one by one (a few aliased edge pixels of
  // 200 random lines; anti-aliased overlaps covered once, not twice).
  void SetJoinStrokes(bool on);
  // What has reached the surface since the last reset: drawing operations
  // (a joined run counts once) and path points handed to them.
  struct OutputCount {
    std::uint64_t operations = 0;
    std::uint64_t points = 0;
  };
  const OutputCount& Output() const { return output_; }
  void ResetOutput() { output_ = OutputCount{}; }
  // Where drawing calls go: to the surface; nowhere, only counted in
  // Output() (what a page would cost, before it is drawn); nowhere at all
  // (a page that passed what it may hold). A joined run is finished first.
  enum class Reach { Surface, CountOnly, Nowhere };
  void SetReach(Reach reach);
  Reach GetReach() const { return reach_; }

 protected:
  void RenderStroke(const GdiPath& devicePath) override;
  void RenderFill(const GdiPath& devicePath, const TBrush& brush, int fillMode, int rop2) override;
  bool RenderPatBlt(const GdiPath& devicePath, std::uint32_t rop) override;
  bool RenderBlit(const BlitRequest& request, const GdiPath& deviceShape) override;
  bool RenderSetPixel(std::int32_t x, std::int32_t y, COLORREF color) override;
  void RenderGlyphs(const XForm& glyphToDevice, const TextFace& face, const std::vector<PlacedGlyph>& glyphs,
                    COLORREF color) override;

  // How the selected pen strokes under the current transform.
  struct StrokeStyle {
    bool thin = true;        // one device pixel wide, drawn in device space
    bool fillGaps = false;   // a styled cosmetic pen on an opaque background
    double width = 1;        // user units of `nib`
    XForm nib;               // linear part of the logical-to-device matrix (thick pens)
    double dashes[kMaxUserStyleEntries] = {};
    std::uint32_t dashCount = 0;  // 0: solid; lengths in device units when thin, else logical
    cairo_line_cap_t cap = CAIRO_LINE_CAP_BUTT;
    cairo_line_join_t join = CAIRO_LINE_JOIN_MITER;
    double miterLimit = kPenMiterLimit;  // the context's, when the stroke was asked for
  };
  StrokeStyle ComputeStroke(const GdiPath& devicePath) const;

  // Helpers shared with derived targets; `cr` may be another context (a
  // mask), `dx`, `dy` move device space into it.
  static void AppendPath(cairo_t* cr, const GdiPath& path, double dx, double dy);
  void ApplyClip(cairo_t* cr, double dx, double dy) const;
  // AppendPath without emptying the current path first.
  static void AddPath(cairo_t* cr, const GdiPath& path, double dx, double dy);
  // AddPath for a stroke with `style`: on a vector surface, closed dashed
  // figures of straight sides in the form every reader joins at their first
  // corner (CairoClosedDash.cpp).
  void AddStrokedPath(cairo_t* cr, const GdiPath& path, double dx, double dy, const StrokeStyle& style) const;
  // Strokes `path` (device space, already moved by dx, dy) with the style's
  // geometry; the source is set by the caller. Strokes run through pixel
  // centres, so the path is drawn half a unit down and right.
  void StrokeGeometry(cairo_t* cr, const GdiPath& path, const StrokeStyle& style, double dx, double dy,
                      bool dashed) const;
  // Strokes the current path (device space, already moved half a unit) with
  // the style's nib and dashes.
  static void StrokeCurrentPath(cairo_t* cr, const StrokeStyle& style, bool dashed);
  // False for a brush that paints nothing.
  bool SetBrushSource(cairo_t* cr, const TBrush& brush, int rop2) const;
  // The path itself, or a copy cut to the cairo coordinate range.
  const GdiPath& Guarded(const GdiPath& path, bool forFill);
  // The context, for drawing: a target whose pixels are also written
  // directly first tells cairo about those writes (BeforeCairo).
  cairo_t* Cairo() {
    FlushStrokes();
    BeforeCairo();
    return cr_;
  }
  virtual void BeforeCairo() {}
  // Whether a stroked path could reach cairo's writer as a rectangle that
  // looks otherwise: one figure of lines on a vector surface, either open
  // with ends that meet in cairo's fixed point, or closed, dashed and with
  // no slanted side. Only then is the path cairo keeps looked at.
  bool MayBeLoneBox(const GdiPath& path, bool dashed) const;
  // Draws cairo's current path (device space, under the identity matrix)
  // again as an open figure if it is such a box, so that the writers keep
  // it and every reader strokes it as the screen does (CairoLoneBox.cpp).
  static void KeepLoneBoxAsDrawn(cairo_t* cr);
  // Strokes the joined run, if one is pending.
  void FlushStrokes();
  // Called after every operation that reached the surface, with the path
  // points it carried.
  virtual void AfterOutput(std::uint64_t points);
  void ClipChanged() override;
  // A context in an error state stays dead; start a new one on the surface.
  void RecoverFromError();

 private:
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  bool antialias_ = false;
  // A PDF or PostScript surface, whose writers see rectangles in paths.
  bool vectorSurface_ = false;
  GdiPath guard_;
  // RenderGlyphs' glyph list and font options (gray anti-aliasing, none),
  // kept between runs.
  std::vector<cairo_glyph_t> glyphList_;
  cairo_font_options_t* glyphOptions_[2] = {nullptr, nullptr};

  // The joined run: its style and colour, the points added to cairo's
  // current path so far (inside a cairo_save that holds its clip).
  struct StrokeRun {
    bool open = false;
    StrokeStyle style;
    COLORREF color = 0;
    bool antialias = false;
    std::uint64_t points = 0;
    // It holds one figure that may be written as a rectangle.
    bool loneBox = false;
  };
  bool JoinsWith(const StrokeStyle& style, COLORREF color) const;
  // The points [from, to) of a path of n points, the first as a move.
  static void AddFigures(cairo_t* cr, const DPoint* p, const std::uint8_t* t, std::uint32_t from, std::uint32_t to,
                         double dx, double dy);
  // The stretch `from` to `to` (pattern units from the first point) of a
  // closed figure, as a subpath of its own, or `connected` on from the
  // current point.
  static void AddStretch(cairo_t* cr, const DPoint* p, std::uint32_t n, double dx, double dy, const XForm& toPattern,
                         double from, double to, bool connected);
  // One closed figure of n points joined by lines, dashed by `style`
  // (toPattern: device units to the pattern's). One whose pattern is in a
  // gap at its end is written closed only `closedToo`; false when nothing
  // was written.
  // `curved`, when given, is the figure of curves that p flattens: where
  // the dash through the first point goes on past it (the first point's
  // join covers the first dash's start cap), its curves are written
  // instead of p's sides.
  struct CurvedFigure {
    const DPoint* p;
    const std::uint8_t* t;
    std::uint32_t start, end;
  };
  static bool AddClosedDashedFigure(cairo_t* cr, const DPoint* p, std::uint32_t n, double dx, double dy,
                                    const StrokeStyle& style, const XForm& toPattern, bool closedToo,
                                    const CurvedFigure* curved = nullptr);
  // The closed figure [start, end) of a path with curves, flattened and
  // written as AddClosedDashedFigure writes one of lines where a dash runs
  // through its first point (keeping its curves where it may); false
  // (nothing written) otherwise.
  static bool AddFlattenedDashedFigure(cairo_t* cr, const DPoint* p, const std::uint8_t* t, std::uint32_t start,
                                       std::uint32_t end, double dx, double dy, const StrokeStyle& style,
                                       const XForm& toPattern);
  void Counted(std::uint64_t points);
  // Not Reach::Surface: counts the operation (when counting) and answers
  // true, so that the caller draws nothing.
  bool CountInstead(std::uint64_t points);
  bool joinStrokes_ = false;
  Reach reach_ = Reach::Surface;
  StrokeRun run_;
  OutputCount output_;
};

// A joined run is stroked once it holds this many points, so that cairo's
// copy of it when it records the stroke stays small (about 600 KB).
inline constexpr std::uint64_t kMaxJoinedPoints = 1 << 16;

// Whether a glyph scale (font matrix times the device matrix) is within
// kMaxGlyphPixelsPerEm along the baseline and across it. Runs beyond it (an
// extreme anisotropic mapping makes glyphs hundreds of thousands of pixels
// wide) are not drawn: no part of them would fit a page.
bool GlyphScaleWithinFreeType(const cairo_matrix_t& fontMatrix, const cairo_matrix_t& ctm);

// Tests only: off, every glyph run on a cairo target sets its position in
// the context's matrix and looks its scaled font up afresh, as it did before
// runs shared one scaled font.
void SetSharedGlyphFontForTests(bool enabled);
void SetSourceColor(cairo_t* cr, COLORREF color);
// Whether the surface is an image that maps user space 1:1 onto its pixels
// once a context's own matrix is the identity (no device offset or scale).
bool IsUntransformedImage(cairo_surface_t* surface);
// The colour a binary raster operation paints with when it needs no
// destination; other operations answer the colour unchanged.
COLORREF Rop2SourceColor(int rop2, COLORREF color);

}  // namespace kvn
