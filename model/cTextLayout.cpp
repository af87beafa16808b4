// The layout of a text: display text, font source, line breaking, widths and
// ink overhangs, the frame and the extents.
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

#include "model/FontList.h"
#include "model/Geometry.h"
#include "model/TextGlyphBoxes.h"
#include "model/TrueTypeFace.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "model/cTextFields.h"
#include "platform/fonts/InstalledFonts.h"
#include "platform/fonts/RealizedFont.h"

namespace kvn {

namespace {

bool Finite(double v) { return std::isfinite(v); }

// The advances and ink of every character of the display text, in the em
// units of the font source.
struct Measured {
  std::vector<GlyphBox> boxes;
  double em = 0.0;
  double above = 0.0;  // top of the line box for the top overhang
  double below = 0.0;  // depth of the line box for the bottom overhang
  bool ink = false;    // the boxes carry ink
};

// Screen fonts realised at the 48-pixel em, kept by their LOGFONT so that
// thousands of texts in one face are measured by one font.
struct ScreenFont {
  std::unique_ptr<RealizedFont> font;
  TextMetric metric;
  std::map<char16_t, std::int32_t> widths;
};

std::map<std::u16string, ScreenFont>& ScreenFonts() {
  static std::map<std::u16string, ScreenFont> fonts;
  return fonts;
}

ScreenFont* GetScreenFont(const LogFont& lf) {
  std::u16string key(lf.faceName, std::char_traits<char16_t>::length(lf.faceName));
  key += char16_t(lf.weight);
  key += char16_t(lf.italic | (lf.underline << 1) | (lf.strikeOut << 2));
  key += char16_t(lf.charSet);
  auto& fonts = ScreenFonts();
  auto it = fonts.find(key);
  if (it == fonts.end()) {
    if (fonts.size() > 64) fonts.clear();
    ScreenFont f;
    f.font = RealizedFont::Create(lf);
    if (f.font) f.metric = f.font->GetTextMetrics();
    it = fonts.emplace(key, std::move(f)).first;
  }
  return it->second.font ? &it->second : nullptr;
}

void MeasureScreen(cText& text, cDrawingData* data, Measured& m) {
  LogFont lf;
  (void)text.GetLogFont(data, lf, -48, 0);
  lf.charSet = 1;  // measured with the default set; a suffix only renames
  WString face = text.GetFaceName(data);
  std::uint8_t cs = 1;
  if (ApplyCharsetSuffix(face, cs)) lf.charSet = cs;
  ScreenFont* f = GetScreenFont(lf);
  const WString& s = text.displayText;
  m.boxes.assign(std::size_t(s.Length()), GlyphBox{});
  if (!f) {
    text.measuredEm = 0.0;
    std::fill(std::begin(text.measuredMetrics), std::end(text.measuredMetrics), std::uint8_t(0));
    return;
  }
  const TextMetric& tm = f->metric;
  auto byte = [](std::int32_t v) { return std::uint8_t(std::clamp(v, 0, 255)); };
  text.measuredMetrics[0] = byte(tm.descent);
  text.measuredMetrics[1] = byte(tm.externalLeading);
  text.measuredMetrics[2] = byte(tm.internalLeading);
  text.measuredMetrics[3] = byte(tm.ascent + tm.descent);
  text.measuredEm = f->font->EmPixels();
  m.em = text.measuredEm;
  const bool symbol = tm.charSet == 2;
  for (int i = 0; i < s.Length(); ++i) {
    char16_t c = s.CStr()[i];
    if (symbol) c = ToSymbolFontChar(c);
    auto w = f->widths.find(c);
    if (w == f->widths.end()) {
      std::int32_t width = 0;
      if (!f->font->GetCharWidth(c, width)) width = 0;
      w = f->widths.emplace(c, width).first;
    }
    m.boxes[std::size_t(i)].advance = w->second;
  }
}

void MeasureShx(cText& text, ShxFont& shx, Measured& m) {
  ShxLineMetrics lm;
  (void)GetShxLineMetrics(shx, lm);
  m.em = lm.above;
  m.above = lm.above;
  m.below = lm.below;
  m.ink = true;
  const WString& s = text.displayText;
  m.boxes.assign(std::size_t(s.Length()), GlyphBox{});
  for (int i = 0; i < s.Length(); ++i) {
    const char16_t c = s.CStr()[i];
    if (c == u'\n' || c == u'\r') continue;
    (void)GetShxGlyphBox(shx, c, m.boxes[std::size_t(i)]);
  }
}

void MeasureTrueType(cText& text, cDrawingData* data, TrueTypeFaceSet& set, Measured& m) {
  const int style = (text.IsBold(data) ? 1 : 0) + (text.IsItalic(data) ? 2 : 0);
  double cap = 0.0;
  const std::vector<std::uint8_t>* block = GetFaceSetMetrics(set, &cap, style);
  const WString& s = text.displayText;
  m.boxes.assign(std::size_t(s.Length()), GlyphBox{});
  if (!block || !(cap > 0.0) || !Finite(cap)) return;
  const TextMetric tm = OutlineMetricsView(*block).Text();
  m.em = 1.0;
  m.above = tm.ascent / cap;
  m.below = tm.descent / cap;
  m.ink = true;
  TrueTypeFace* face = set.GetFace(style);
  if (!face) face = set.CreateFace(style);
  if (!face) return;
  for (int i = 0; i < s.Length(); ++i) {
    const char16_t c = s.CStr()[i];
    if (c == u'\n' || c == u'\r') continue;
    FontGlyph* glyph = face->GetGlyph(c);
    // A family nobody has is measured in the face that draws it.
    if (!glyph && set.state == 0) {
      if (TrueTypeFace* substitute = GetSubstituteFace(set, style)) glyph = substitute->GetGlyph(c);
    }
    if (!glyph) continue;
    GlyphBox box;
    GetTrueTypeGlyphBox(*glyph, box);
    GlyphBox& out = m.boxes[std::size_t(i)];
    out.advance = box.advance / cap;
    out.left = box.left / cap;
    out.right = box.right / cap;
    out.top = box.top / cap;
    out.bottom = box.bottom / cap;
    out.hasInk = box.hasInk;
  }
}

bool IsBlank(char16_t c) { return c == u' '; }

}  // namespace

bool cText::HasFiniteGeometry() const {
  return Finite(attr.height) && Finite(attr.widthFactor) && Finite(angle) && Finite(wrapWidth) && Finite(point.x) &&
         Finite(point.y) && Finite(lineSpacing);
}

int cText::GetLineRange(int& length, int index) const {
  length = 0;
  const int count = int(lineStarts.Count());
  const int n = displayText.Length();
  if (index < 0 || index >= count) return 0;
  const int start = lineStarts[index];
  if (start > n) return 0;
  int end = index + 1 < count ? std::min<int>(lineStarts[index + 1], n) : n;
  if (end < start) return 0;
  const char16_t* s = displayText.CStr();
  if (end > start && s[end - 1] == u'\n') --end;
  if (end > start && s[end - 1] == u'\r') --end;
  if (wrapWidth != 0 && !std::isnan(wrapWidth)) {
    while (end > start && IsBlank(s[end - 1])) --end;
  }
  length = end - start;
  return start;
}

bool cText::GetLogFont(cDrawingData* data, LogFont& out, int height, int qualityMode) const {
  out = LogFont{};
  out.height = height;
  out.weight = IsBold(data) ? 700 : 400;
  out.italic = IsItalic(data) ? 1 : 0;
  out.underline = IsUnderline(data) ? 1 : 0;
  out.strikeOut = IsStrikeOut(data) ? 1 : 0;
  out.charSet = 1;
  out.quality = qualityMode == 0 || qualityMode == 1 ? 3 : 0;
  WString face = GetFaceName(data);
  std::uint8_t cs = 1;
  const bool suffix = ApplyCharsetSuffix(face, cs);
  if (suffix) out.charSet = cs;
  const int n = std::min(face.Length(), kLfFaceSize - 1);
  std::copy(face.CStr(), face.CStr() + n, out.faceName);
  out.faceName[n] = 0;
  const std::uint16_t index = GetFontIndex(data);
  if (data && index != 65535 && index < data->FontStyles().Count()) {
    const cStyleFont* font = data->FontStyles().Get(index);
    if (font && (font->FaceSet() || font->Shx())) return true;
  }
  return suffix;
}

void cText::Recalc(cDrawingData* data) {
  displayText = text_;
  outlineCache.reset();
  // Fields such as the file time change without the text changing: the
  // characters they may show are loaded with the text's own.
  WString extraChars;
  if (ExpandFields(displayText, data, this, nullptr, nullptr, &extraChars)) textChanged = 1;
  halfPenWidth = 0.0;
  std::fill(std::begin(inkOverhang), std::end(inkOverhang), 0.0);
  lineStarts.Clear();
  lineStarts.Add(0);
  blockWidth = 0.0;

  if (!HasFiniteGeometry()) {
    // A damaged record: no lines to measure, nothing to draw.
    const DPoint at = Finite(point.x) && Finite(point.y) ? point : DPoint{};
    extent = DRect{at.x, at.y, at.x, at.y};
    fullExtent = extent;
    return;
  }

  const std::uint16_t index = GetFontIndex(data);
  cStyleFont* font = data && index != 65535 && index < data->FontStyles().Count() ? data->FontStyles().Get(index) : nullptr;
  const double h = GetHeight(data);
  Measured m;
  if (!font) {
    MeasureScreen(*this, data, m);
  } else if (ShxFont* shx = font->Shx()) {
    if (textChanged) textChanged = 0;
    if (font->shx) halfPenWidth = font->shx->penWidth * 0.5 * h * 0.01;
    if (!Finite(halfPenWidth)) halfPenWidth = 0.0;
    MeasureShx(*this, *shx, m);
  } else if (TrueTypeFaceSet* set = font->FaceSet()) {
    if (textChanged) {
      textChanged = 0;
      const int style = (IsBold(data) ? 1 : 0) + (IsItalic(data) ? 2 : 0);
      set->LoadGlyphs(displayText, style);
      if (!extraChars.IsEmpty()) set->LoadGlyphs(extraChars, style);
    }
    MeasureTrueType(*this, data, *set, m);
  } else {
    m.boxes.assign(std::size_t(displayText.Length()), GlyphBox{});
  }

  // Line breaking.
  double w = GetWidthFactor(data);
  if (w == 0) w = 1.0;
  const bool wrap = wrapWidth > 0 && h != 0 && w != 0;
  const double maxWidth = wrap ? (wrapWidth * m.em / h) / w : 0.0;
  const char16_t* s = displayText.CStr();
  const int n = std::min(displayText.Length(), 65535);
  double running = 0.0;
  int candidate = -1;
  for (int i = 0; i < n; ++i) {
    const char16_t c = s[i];
    if (c == u'\n') {
      lineStarts.Add(std::uint16_t(i + 1));
      running = 0.0;
      candidate = -1;
      continue;
    }
    if (c == u'\r') continue;
    if (IsBlank(c)) candidate = i;
    const double advance = m.boxes[std::size_t(i)].advance;
    // A line breaks only at a blank: a word wider than the wrap width stays
    // whole on its own line.
    if (wrap && running > 0 && candidate >= 0 && maxWidth < running + advance) {
      int start = candidate;
      candidate = -1;
      while (start < n && IsBlank(s[start])) ++start;
      if (start >= n) break;
      lineStarts.Add(std::uint16_t(start));
      running = 0.0;
      // Walk again from the new start (its characters were counted on the
      // line before).
      i = start - 1;
      continue;
    }
    running += advance;
  }

  // Widths and ink.
  double widest = 0.0;
  double ink[4] = {0, 0, 0, 0};  // left, top, right, bottom
  for (int line = 0; line < int(lineStarts.Count()); ++line) {
    int len = 0;
    const int start = GetLineRange(len, line);
    double width = 0.0;
    for (int k = start; k < start + len; ++k) {
      const GlyphBox& b = m.boxes[std::size_t(k)];
      if (m.ink && b.hasInk) {
        if (k == start) ink[0] = std::max(ink[0], -b.left);
        if (k == start + len - 1) ink[2] = std::max(ink[2], b.right - b.advance);
        ink[1] = std::max(ink[1], b.top - m.above);
        ink[3] = std::max(ink[3], -m.below - b.bottom);
      }
      width += b.advance;
    }
    widest = std::max(widest, width);
  }
  const double k = m.em != 0 && Finite(m.em) ? h / m.em : 0.0;
  const double kx = m.em != 0 && Finite(m.em) ? h * w / m.em : 0.0;
  blockWidth = std::max(kx * widest, wrapWidth > 0 ? wrapWidth : 0.0);
  inkOverhang[0] = ink[0] * kx;
  inkOverhang[1] = ink[1] * k;
  inkOverhang[2] = ink[2] * kx;
  inkOverhang[3] = ink[3] * k;
  for (double& v : inkOverhang) {
    if (!Finite(v)) v = 0.0;
  }
  if (!Finite(blockWidth)) blockWidth = 0.0;

  // Extents.
  DPoint corners[4];
  ComputeFrame(data, false, corners);
  bool first = true;
  extent = DRect{};
  for (DPoint& p : corners) {
    RotatePoint(p, point, -angle);
    extent.AddPoint(p, first);
  }
  extent.Normalize();
  fullExtent = extent;
  if (font && font->Shx()) {
    DRect bounds;
    outlineCache = BuildShxOutlineCache(*this, data, bounds);
    if (outlineCache && (bounds.x1 != 0 || bounds.y1 != 0 || bounds.x2 != 0 || bounds.y2 != 0)) {
      bool unite = false;
      fullExtent.Union(bounds, unite);
      fullExtent.Normalize();
    }
  } else if (inkOverhang[0] != 0 || inkOverhang[1] != 0 || inkOverhang[2] != 0 || inkOverhang[3] != 0) {
    ComputeFrame(data, true, corners);
    first = true;
    for (DPoint& p : corners) {
      RotatePoint(p, point, -angle);
      fullExtent.AddPoint(p, first);
    }
    fullExtent.Normalize();
  }
  if (halfPenWidth != 0) fullExtent.Inflate(halfPenWidth, halfPenWidth);
}

void cText::ComputeFrame(cDrawingData* data, bool withInk, DPoint corners[4]) const {
  const double left = withInk ? inkOverhang[0] : 0.0;
  const double top = withInk ? inkOverhang[1] : 0.0;
  const double right = withInk ? inkOverhang[2] : 0.0;
  const double bottom = withInk ? inkOverhang[3] : 0.0;
  double x1 = -left, y1 = -top, x2 = blockWidth + right;
  const double L = GetLineHeight(data);
  const int n = int(lineStarts.Count());
  const double s = lineSpacing > 0 ? lineSpacing : 1.0;
  const double H = n >= 2 ? (n - 1) * (GetLineGap(data) + L) * s + L : L;
  double y2 = H + bottom;
  const double margin = GetStyleValue(data);
  if (margin > 0) {
    const double d = GetHeight(data) * margin * 0.01;
    x1 -= d;
    y1 -= d;
    x2 += d;
    y2 += d;
  }
  const int c = alignment & kAlignCodeMask;
  double dx = -(blockWidth + right) * 0.5 * (c % 3);
  double dy = c >= 9 ? GetDescent(data) - L : -(H + bottom) * 0.5 * (c / 3);
  if (IsMirroredX(data)) {
    x1 = -x1;
    x2 = -x2;
    dx = -dx;
  }
  if (IsMirroredY(data)) {
    y1 = -y1;
    y2 = -y2;
    dy = -dy;
  }
  const double X = point.x + dx, Y = point.y + dy;
  corners[0] = DPoint{x1 + X, y1 + Y};
  corners[1] = DPoint{x2 + X, y1 + Y};
  corners[2] = DPoint{x2 + X, y2 + Y};
  corners[3] = DPoint{x1 + X, y2 + Y};
  for (int i = 0; i < 4; ++i) {
    if (!Finite(corners[i].x) || !Finite(corners[i].y)) corners[i] = point;
  }
}

void cText::GetFrameCorners(cDrawingData* data, DPoint corners[4]) {
  UpdateIfDirty(data);
  if (!HasFiniteGeometry()) {
    const DPoint at = Finite(point.x) && Finite(point.y) ? point : DPoint{};
    for (int i = 0; i < 4; ++i) corners[i] = at;
    return;
  }
  ComputeFrame(data, false, corners);
  for (int i = 0; i < 4; ++i) RotatePoint(corners[i], point, -angle);
}

}  // namespace kvn
