// Drawing a text object: the style background, then the road its glyphs
// take. SHX fonts are stroked; TrueType text is either filled glyph by glyph
// into the raster surface (the face set's line drawing), written as text
// runs through the device context (quarter turns), or exploded into glyph
// outlines drawn as areas (every other case on a device context).
#include <cmath>
#include <cstdint>
#include <utility>

#include "model/FontList.h"
#include "model/Geometry.h"
#include "model/StyledAttributes.h"
#include "model/TrueTypeFace.h"
#include "model/cDrawingData.h"
#include "model/cPolygon.h"
#include "model/cStyleFont.h"
#include "model/cStyleText.h"
#include "model/cText.h"
#include "platform/gdi/DeviceContext.h"
#include "render/DrawInfo.h"
#include "render/GdiOutput.h"
#include "render/RasterSurface.h"
#include "render/Strokes.h"
#include "render/TextFontCache.h"

namespace kvn {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Below this device height (scale x text height) only the background shows.
constexpr double kMinDeviceHeight = 0.125;
// From this device height on, screen text is filled glyph by glyph.
constexpr double kGlyphRoadHeight = 40.0;
// The font cell of device-context runs that are stretched to their size.
constexpr std::int32_t kRunCell = 48;

cStyleFont* FontRecord(const cText& text, cDrawingData* data) {
  const std::uint16_t index = text.GetFontIndex(data);
  if (!data || index == kNoStyle || index >= data->FontStyles().Count()) return nullptr;
  return data->FontStyles().Get(index);
}

int FaceStyle(const cText& text, const cDrawingData* data) {
  return (text.IsBold(data) ? 1 : 0) + (text.IsItalic(data) ? 2 : 0);
}

void DrawBackground(cText& text, cDrawInfo& info) {
  cDrawingData* data = info.data;
  if (!text.HasTextStyle(data)) return;
  const cStyleText* style = GetTextStyle(text, text.attr, data);
  if (!style || (style->attributes.secondColor & 0x80000000u)) return;
  // Under an override colour the background whitens what lies beneath, so
  // the text stays readable in one colour.
  const std::uint32_t color =
      info.overrideColor == -1 ? info.MapFillColor(style->attributes.secondColor) & 0x00FFFFFFu : 0x00FFFFFFu;
  cPolygon frame;
  MakeTextFramePolygon(data, text, frame, color, style->attributes.optionalByte);
  frame.Draw(&info);
}

// A text without a font record is drawn through a copy whose temporary
// drawing data holds its face with the glyphs loaded; the copy's height is
// the em height the face measures, as the face set draws the cap height.
// `draw` gets the copy and the context with that data; false when the face
// could not be registered.
template <class Draw>
bool WithTemporaryFont(cText& text, cDrawInfo& info, Draw draw) {
  cDrawingData* data = info.data;
  cDrawingData temporary;
  cText copy;
  copy.Assign(text);
  // The copy is laid out again under the temporary table, which belongs to
  // no drawing: it takes the text as shown, fields already expanded.
  copy.SetText(text.GetDisplayText(data));
  copy.DetachFromStyle(data);
  copy.faceName = text.GetFaceName(data);
  // A text that names no face at all (its font reference was lost) is drawn
  // in the default face, as the device-context road draws it upright:
  // turned by other than quarter turns or mirrored, it drew nothing.
  if (copy.faceName.IsEmpty()) copy.faceName = GetDefaultFaceForKind(copy.pitchAndFamily, 0);
  copy.SetFontIndex(kNoStyle);
  RegisterTextFont(temporary, copy);
  if (copy.attr.fontIndex == kNoStyle) return false;
  const double ratio = GetFaceHeightRatio(nullptr, copy.faceName, FaceStyle(text, data));
  if (ratio > 0 && std::isfinite(ratio)) copy.attr.height = text.GetHeight(data) * ratio;
  temporary.LoadGlyphsForText(copy);
  info.data = &temporary;
  draw(copy, info);
  info.data = data;
  return true;
}

// The glyph-outline road: the text's glyphs (one text per line first) as
// filled areas, drawn and deleted.
void DrawGlyphOutlines(cText& text, cDrawInfo& info) {
  if (!FontRecord(text, info.data)) {
    WithTemporaryFont(text, info, [](cText& copy, cDrawInfo& i) {
      if (FontRecord(copy, i.data)) DrawGlyphOutlines(copy, i);
    });
    return;
  }
  ObjectChain chain = text.ExplodeOutlines(info.data, false, true);
  for (cOutObj* o = chain.Head(); o; o = o->next) {
    if (cText* line = o->AsText()) {
      line->Render(&info, false);
    } else {
      o->Draw(&info);
    }
  }
}

// The raster road of a TrueType face set: each line to the face set's line
// drawing from where the layout starts it.
void DrawFaceSetLines(cText& text, cDrawInfo& info, TrueTypeFaceSet& set) {
  cDrawingData* data = info.data;
  static constexpr std::uint32_t kColumnAlign[3] = {0, kTaCenter, kTaRight};
  TrueTypeLine line;
  line.info = &info;
  line.angle = text.angle;
  line.height = text.GetHeight(data);
  line.color = text.GetColor(data);
  if (line.color & 0x80000000u) line.color = 0;
  line.level = text.Level();
  line.templ = &text;
  line.alignment = kColumnAlign[(text.alignment & kAlignCodeMask) % 3];
  line.underline = text.IsUnderline(data);
  line.strikeOut = text.IsStrikeOut(data);
  line.faceIndex = std::uint8_t(FaceStyle(text, data));
  line.barColor = line.color;
  line.widthFactor = text.GetWidthFactor(data);
  line.mirrorX = text.IsMirroredX(data);
  line.mirrorY = text.IsMirroredY(data);
  const int n = int(text.lineStarts.Count());
  for (int i = 0; i < n; ++i) {
    int length = 0;
    const int start = text.GetLineRange(length, i);
    line.text = n == 1 ? text.displayText : text.displayText.Mid(start, length);
    line.origin = text.GetLineOrigin(data, i);
    set.DrawText(line);
  }
}

void DrawRaster(cText& text, cDrawInfo& info, cStyleFont* font) {
  if (!font) {
    WithTemporaryFont(text, info, [](cText& copy, cDrawInfo& i) {
      if (cStyleFont* made = FontRecord(copy, i.data)) DrawRaster(copy, i, made);
    });
    return;
  }
  if (TrueTypeFaceSet* set = font->FaceSet()) DrawFaceSetLines(text, info, *set);
}

// The underline and strike-out of text drawn as device-context runs: the
// bars of the text's explosion (one text per line first), as areas.
void DrawBars(cText& text, cDrawInfo& info) {
  if (!FontRecord(text, info.data)) {
    WithTemporaryFont(text, info, [](cText& copy, cDrawInfo& i) {
      if (FontRecord(copy, i.data)) DrawBars(copy, i);
    });
    return;
  }
  if (!text.IsUnderline(info.data) && !text.IsStrikeOut(info.data)) return;
  // Without the style's background: it lies under the runs already drawn.
  ObjectChain chain = text.ExplodeOutlines(info.data, true, true);
  for (cOutObj* o = chain.Head(); o; o = o->next) {
    if (cText* line = o->AsText()) {
      DrawBars(*line, info);
    } else {
      o->Draw(&info);
    }
  }
}

// The em height of the text in drawing units: the face's em over its cap
// height for a face of the font table; the text's height itself for a
// screen face, whose layout measures its lines with the height as the em
// (the glyph road's temporary copy draws the same em). Taking the cap ratio
// of it again drew small screen-face text at half its size.
double EmHeight(const cText& text, cDrawingData* data, cStyleFont* font) {
  const double height = text.GetHeight(data);
  if (font) {
    TrueTypeFaceSet* set = font->FaceSet();
    double cap = 0.0;
    if (set && GetFaceSetMetrics(*set, &cap, FaceStyle(text, data)) && cap > 0) return 48.0 * height / cap;
  }
  return height;
}

// Sets a graphics mode for the life of the scope; the previous one comes
// back at its end.
class GraphicsModeScope {
 public:
  GraphicsModeScope(TDC& dc, bool advanced) : dc_(dc) {
    if (advanced) previous_ = dc.SetGraphicsMode(kGmAdvanced);
    ok_ = !advanced || previous_ != 0;
  }
  ~GraphicsModeScope() {
    if (previous_ != 0 && previous_ != kGmAdvanced) dc_.SetGraphicsMode(previous_);
  }
  GraphicsModeScope(const GraphicsModeScope&) = delete;
  GraphicsModeScope& operator=(const GraphicsModeScope&) = delete;
  bool Ok() const { return ok_; }

 private:
  TDC& dc_;
  int previous_ = 0;
  bool ok_ = true;
};

// The device-context road of TrueType text. False when the text must go the
// glyph-outline road instead.
bool DrawThroughDc(cText& text, cDrawInfo& info, TDC& dc, cStyleFont* font, std::uint32_t color) {
  cDrawingData* data = info.data;
  if (info.options.outlineText) return false;
  const double tenths = std::floor(text.angle * 10.0 + 0.5);
  if (!std::isfinite(tenths) || std::fmod(tenths, 900.0) != 0.0) return false;
  const int quarter = ((int(tenths) / 900) % 4 + 4) % 4;
  bool mirrorX = text.IsMirroredX(data), mirrorY = text.IsMirroredY(data);
  double widthFactor = text.GetWidthFactor(data);
  if (widthFactor == 0.0 || !std::isfinite(widthFactor)) widthFactor = 1.0;
  // On a turned text the device axes exchange their roles.
  const bool across = quarter == 1 || quarter == 3;
  if (across) std::swap(mirrorX, mirrorY);
  GraphicsModeScope mode(dc, widthFactor != 1.0 || mirrorX || mirrorY || quarter != 0);
  if (!mode.Ok()) return false;

  const double em = EmHeight(text, data, font);
  if (!(em > 0)) return true;
  const double deviceEm = 4.0 * em * info.mapping.scale;
  std::int32_t created = kRunCell;
  if (info.mapping.outputMode == OutputMode::Metafile || info.textOutRuns) {
    const double v = std::floor(deviceEm + 0.5);
    if (!(v >= 1.0)) return true;
    created = v > 1e6 ? 1000000 : std::int32_t(v);
  }
  const TFont made = SelectTextFont(dc, text, info, created);
  if (!made.IsValid()) return font == nullptr;
  const double factor = deviceEm / created;
  if (!(info.SelectedFont() == made) || info.selectedFontFactor != factor) {
    info.RestoreDeviceFont();
    info.SelectFont(made);
    info.selectedFontFactor = factor;
  }
  dc.SetTextColor(color);

  static constexpr std::uint32_t kColumnAlign[3] = {kTaLeft, kTaCenter, kTaRight};
  const double a = text.angle * kPi / 180.0;
  double d = text.GetLineHeight(data) - text.GetDescent(data);
  if (text.IsMirroredY(data)) d = -d;
  const int n = int(text.lineStarts.Count());
  for (int i = 0; i < n; ++i) {
    int length = 0;
    const int start = text.GetLineRange(length, i);
    if (length <= 0) continue;
    const char16_t* chars = text.displayText.CStr() + start;
    // The advances of the selected font; where it gives none the run is
    // laid out by the device itself.
    info.workArray.Clear();
    bool advances = true;
    for (int k = 0; k < length && advances; ++k) {
      std::int32_t width = 0;
      advances = info.charAdvances.Width(dc, chars[k], &width);
      info.workArray.Add(width);
    }
    const DPoint top = text.GetLineOrigin(data, i);
    const DPoint baseline{top.x + std::sin(a) * d, top.y + std::cos(a) * d};
    const DevicePoint at = WorldToDevice(info.mapping, baseline);
    TextRun run;
    run.text = chars;
    run.count = length;
    run.position = TPoint{at.x, at.y};
    run.align = kColumnAlign[(text.alignment & kAlignCodeMask) % 3];
    if (widthFactor != 1.0) (across ? run.yScale : run.xScale) = widthFactor;
    run.mirrorX = mirrorX;
    run.mirrorY = mirrorY;
    run.directOutput = true;
    run.cellWidth = created;
    run.cellHeight = created;
    run.factor = factor;
    run.advances = advances ? info.workArray.Items() : nullptr;
    DrawTextRun(dc, run, info);
  }
  // The runs' fonts carry no underline or strike-out (TextFontCache.h): the
  // bars are areas placed from the face's metrics, as on the glyph road, so
  // that screen, printer and metafile show the same bars.
  if (text.IsUnderline(data) || text.IsStrikeOut(data)) DrawBars(text, info);
  return true;
}

}  // namespace

void cText::Draw(cDrawInfo* info) { Render(info, true); }

void cText::Render(cDrawInfo* info, bool background) {
  if (!info || HasFlag(kFlagHidden)) return;
  TDC* dc = info->Dc();
  cRasterSurface* raster = info->raster;
  // The drawing window's scroll test draws with neither target: nothing here
  // can change what it looks at.
  if (!dc && !raster) return;
  cDrawingData* data = info->data;
  UpdateIfDirty(data);
  std::uint32_t color = GetColor(data);
  if (color & 0x80000000u) color = 0;
  color = info->MapLineColor(color);
  if (background) DrawBackground(*this, *info);
  if (!HasFiniteGeometry() || blockWidth == 0.0 || GetDisplayText(data).IsEmpty()) return;
  const double h = info->mapping.scale * GetHeight(data);
  if (!(h >= kMinDeviceHeight)) return;

  cStyleFont* font = FontRecord(*this, data);
  if (font && font->Shx()) {
    if (ShxTextDrawer draw = GetShxTextDrawer()) draw(*this, *info);
    return;
  }
  const bool mirrored = IsMirroredX(data) || IsMirroredY(data);
  bool rasterRoad = false;
  if (raster) {
    const bool screen = info->mapping.outputMode == OutputMode::Screen;
    rasterRoad = !dc || mirrored ||
                 (font && (raster->IsMemoryOnly() || (!screen && raster->AntiAliasMode() == 3) ||
                           (screen && h >= kGlyphRoadHeight)));
  }
  if (rasterRoad) {
    DrawRaster(*this, *info, font);
    return;
  }
  if (!DrawThroughDc(*this, *info, *dc, font, color)) DrawGlyphOutlines(*this, *info);
}

void cText::DrawOutline(std::uint32_t value, cDrawInfo* info, bool) {
  if (!info) return;
  DPoint corners[4];
  GetFrameCorners(info->data, corners);
  RasterizePolyline(*info, value, corners, 4, true);
}

}  // namespace kvn
