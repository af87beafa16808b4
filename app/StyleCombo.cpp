#include "app/StyleCombo.h"

#include <wx/bitmap.h>
#include <wx/dc.h>
#include <wx/dcmemory.h>
#include <wx/font.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "foundation/UiColors.h"
#include "document/cDrawing.h"
#include "model/ObjectTypes.h"
#include "model/ShxFont.h"
#include "model/cBlock.h"
#include "model/cStyleFont.h"
#include "model/WorldMapping.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "model/cRectangle.h"
#include "model/cStyleFill.h"
#include "model/cStyleLine.h"
#include "model/cStyleText.h"
#include "model/cText.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/TDib.h"
#include "print/export/MakeDrawingPreview.h"
#include "platform/ui/ControlDraw.h"
#include "platform/ui/ControlPeers.h"
#include "platform/ui/NearParent.h"
#include "platform/ui/ShellHelpers.h"
#include "platform/ui/OwnerDrawMeasure.h"
#include "platform/ui/WxText.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "text/ShxParsedFont.h"

namespace kvn {

namespace {

constexpr int kColorWindow = 5;
constexpr int kColorWindowText = 8;
constexpr int kColorHighlight = 13;
constexpr int kColorHighlightText = 14;
constexpr int kColorBtnFace = 15;
constexpr int kDropWidthChars = 40;
constexpr int kDropWidthMax = 400;
constexpr int kHatchTries = 10;
// Sample pixels per drawing unit at pattern or hatch scale 1: a dash or hatch
// spacing of a few millimetres repeats a few times across a sample.
constexpr double kSamplePixelsPerUnit = 4.0;
constexpr std::uint32_t kNotSet = 0x80000000u;

wxColour FromRef(std::uint32_t ref) { return wxColour(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF); }
std::uint32_t ToRef(const wxColour& c) {
  return std::uint32_t(c.Red()) | std::uint32_t(c.Green()) << 8 | std::uint32_t(c.Blue()) << 16;
}

double PositiveOr(double value, double fallback) { return std::isfinite(value) && value > 0 ? value : fallback; }

// The sample object drawn through a drawing context of its own onto a
// raster surface the size of the sample bitmap, whose pixels then replace
// the bitmap's: world x = 0 lies on the left edge, y = 0 in the middle, at
// `p` pixels per drawing unit.
void PaintSampleObject(wxDC& dc, cDrawingData& data, cOutObj& object, double p) {
  const wxSize size = dc.GetSize();
  if (size.x < 1 || size.y < 1) return;
  cRasterSurface surface(false);
  if (!surface.Prepare(TRect{0, 0, size.x, size.y})) return;
  surface.SetAntiAliasMode(3);
  surface.FillRectColorref(0, 0, size.x, size.y, ToRef(dc.GetTextBackground()));
  {
    WorldMapping mapping;
    mapping.outputMode = OutputMode::Raster;
    mapping.scale = p / 4.0;
    mapping.originX = 0.0;
    mapping.originY = size.y / 2.0;
    mapping.SetDeviceClip(DeviceRect{0, 0, size.x, size.y});
    cDrawInfo info(mapping, &data, surface.DC(), &surface);
    object.Draw(&info);
  }
  const TDib dib = surface.ToDib24();
  if (dib.IsEmpty()) return;
  const wxBitmap picture = DibToBitmap(dib);
  if (picture.IsOk()) dc.DrawBitmap(picture, 0, 0, false);
}

}  // namespace

int StyleComboDropWidth(int averageCharWidth) {
  return std::clamp(kDropWidthChars * averageCharWidth, 0, kDropWidthMax);
}

double SampleHatchScale(const cStyleFill& style, double start) {
  double trial = start;
  for (int i = 0; i < kHatchTries; ++i, trial *= 2.0)
    if (style.IsSparseAtScale(trial)) return trial;
  return start;
}

// ---- the combo ----------------------------------------------------------------------------------

TMyStyleCombo::TMyStyleCombo(TWindow* parent, int id, int x, int y, int w, int h, cDrawingData* data)
    : TAutoCombo_(parent, id, x, y, w, h, kCbsDropDownList | kCbsOwnerDrawFixed), data_(data) {
  itemDataMode = true;
}

TMyStyleCombo::~TMyStyleCombo() = default;

void TMyStyleCombo::SetupWindow() {
  TAutoCombo_::SetupWindow();
  FillStyleList();
}

void TMyStyleCombo::SetDrawingData(cDrawingData* data) {
  data_ = data;
  FillStyleList();
}

int TMyStyleCombo::AverageCharWidth() const {
  static const WString kAlphabet =
      WString::FromUtf8("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
  return (GetTextWidth(kAlphabet) / 26 + 1) / 2;
}

void TMyStyleCombo::FillStyleList() {
  ClearList();
  if (data_) {
    for (int i = 0; i < StyleCount(); ++i) {
      const cAnyStyle* style = StyleAt(i);
      AddItem(style ? style->name : WString(), i);
    }
    for (int n = 0; n < BuiltinCount(); ++n) {
      std::u16string text(1, char16_t(0xF000 + n));
      text += BuiltinName(n).View();
      AddItem(WString(std::u16string_view(text)), kBuiltinStyleItem + n);
    }
  }
  EnableWindow(GetCount() > 0);
  SetDroppedWidth(StyleComboDropWidth(AverageCharWidth()));
}

void TMyStyleCombo::MeasureItem(TMeasureItem& item) { MeasureOwnerDrawItem(item, heights_, nullptr, GetPeer()); }

void TMyStyleCombo::DrawItem(TDrawItem& item) {
  KeepComboDropListOnScreen(GetPeer());
  if (!item.dc) return;
  if (item.itemState & kOdsDisabled) {
    FillItemRect(item, item.rect, GetUiSysColor(kColorBtnFace));
    return;
  }
  const bool selected = (item.itemState & kOdsSelected) != 0;
  const std::uint32_t back = GetUiSysColor(selected ? kColorHighlight : kColorWindow);
  const std::uint32_t fore = GetUiSysColor(selected ? kColorHighlightText : kColorWindowText);
  FillItemRect(item, item.rect, back);
  if (item.itemId < 0 || item.itemId >= GetCount()) return;
  const std::intptr_t ref = GetItemData(item.itemId);
  if (ref & kBuiltinStyleItem) {
    if (!italic_) {
      italic_ = std::make_unique<wxFont>(item.dc->GetFont());
      italic_->SetStyle(wxFONTSTYLE_ITALIC);
      italic_->SetWeight(wxFONTWEIGHT_NORMAL);
    }
    const wxFont previous = item.dc->GetFont();
    item.dc->SetFont(*italic_);
    TRect text = item.rect;
    text.left += 2;
    DrawItemText(item, text, BuiltinName(int(ref - kBuiltinStyleItem)), fore);
    item.dc->SetFont(previous);
  } else {
    DrawTableStyle(item, int(ref), back, fore);
  }
  const bool focusAction = (item.itemAction & kOdaFocus) && selected;
  const bool focusedDraw = (item.itemAction & (kOdaDrawEntire | kOdaSelect)) && (item.itemState & kOdsFocus);
  if (focusAction || focusedDraw) DrawItemFocusRect(item, item.rect);
}

void TMyStyleCombo::DrawTableStyle(TDrawItem& item, int entry, std::uint32_t back, std::uint32_t fore) {
  const cAnyStyle* style = StyleAt(entry);
  if (!style) return;
  const int half = item.rect.left + item.rect.Width() / 2;
  std::u16string name(style->name.View());
  if (!style->description.IsEmpty()) {
    name += u" (";
    name += style->description.View();
    name += u")";
  }
  DrawItemText(item, TRect{half, item.rect.top, item.rect.right, item.rect.bottom},
               WString(std::u16string_view(name)), fore);
  const int w = half - item.rect.left - 4, h = item.rect.Height() - 2;
  if (w < 1 || h < 1) return;
  wxBitmap bitmap(w, h, 24);
  {
    wxMemoryDC dc(bitmap);
    dc.SetFont(item.dc->GetFont());
    dc.SetBackground(wxBrush(FromRef(back)));
    dc.Clear();
    dc.SetTextBackground(FromRef(back));
    dc.SetTextForeground(FromRef(fore));
    DrawSample(dc, entry);
  }
  item.dc->DrawBitmap(bitmap, item.rect.left + 2, item.rect.top + 1, false);
}

// ---- line styles --------------------------------------------------------------------------------

int TLineStyleCombo::StyleCount() const { return DrawingData() ? int(DrawingData()->LineStyles().Count()) : 0; }

const cAnyStyle* TLineStyleCombo::StyleAt(int entry) const {
  return DrawingData() && entry >= 0 ? DrawingData()->LineStyles().Get(std::uint32_t(entry)) : nullptr;
}

std::int32_t TLineStyleCombo::DrawSample(wxDC& dc, int entry) {
  const auto* style = static_cast<const cStyleLine*>(StyleAt(entry));
  if (!style) return -1;
  const wxSize size = dc.GetSize();
  // A copy in a drawing data of its own, in the context's text colour, so
  // that the listed style is never touched while it is drawn.
  cDrawingData data;
  auto copy = std::make_unique<cStyleLine>();
  copy->Assign(*style);
  copy->byObject = 0;
  copy->color = ToRef(dc.GetTextForeground());
  copy->gapColor = kNotSet | 0xFFFFFF;
  data.LineStyles().Add(std::move(copy));
  const double p = kSamplePixelsPerUnit / PositiveOr(style->patternScale, 1.0);
  cLine line;
  const DPoint ends[2] = {DPoint{2.0 / p, 0.0}, DPoint{(size.x - 2) / p, 0.0}};
  line.SetPoints(ends, 2);
  line.stroke.lineStyle = 0;
  line.SetTypeByteSourceBits(kTypeStyledStroke);
  PaintSampleObject(dc, data, line, p);
  return style->byObject ? -1 : std::int32_t(style->color & 0xFFFFFF);
}

// ---- fill styles --------------------------------------------------------------------------------

int TFillStyleCombo::StyleCount() const { return DrawingData() ? int(DrawingData()->FillStyles().Count()) : 0; }

const cAnyStyle* TFillStyleCombo::StyleAt(int entry) const {
  return DrawingData() && entry >= 0 ? DrawingData()->FillStyles().Get(std::uint32_t(entry)) : nullptr;
}

std::int32_t TFillStyleCombo::DrawSample(wxDC& dc, int entry) {
  const auto* style = static_cast<const cStyleFill*>(StyleAt(entry));
  if (!style) return -1;
  const wxSize size = dc.GetSize();
  const std::uint32_t fore = ToRef(dc.GetTextForeground());
  cDrawingData data;
  auto copy = std::make_unique<cStyleFill>();
  copy->Assign(*style);
  copy->byObject = 0;
  if ((copy->fillColor & kNotSet) == 0) copy->fillColor = fore;
  copy->hatchColor = fore;
  double scale = PositiveOr(style->hatchScale, 1.0);
  // A symbol hatch is drawn at the first scale at which it stays readable.
  if (style->hatchKind == kSymbolHatch && (!style->hatchLines.empty() || !style->symbol.Empty()))
    scale = SampleHatchScale(*style, scale);
  copy->hatchScale = scale;
  data.FillStyles().Add(std::move(copy));
  const double p = kSamplePixelsPerUnit / scale;
  cRectangle rectangle;
  const double right = size.x * 0.7 / 0.71, half = size.y * 0.35;
  const DPoint corners[2] = {DPoint{0.0, -half / p}, DPoint{right / p, half / p}};
  rectangle.SetPoints(corners, 2);
  rectangle.stroke.color = fore;  // the outline in the sample's colour too
  rectangle.SetTypeByteSourceBits(kTypeStyledFill);
  PaintSampleObject(dc, data, rectangle, p);
  if (style->byObject) return -1;
  if (style->hatchKind == 0) return (style->fillColor & kNotSet) ? -1 : std::int32_t(style->fillColor);
  return std::int32_t(style->hatchColor & 0xFFFFFF);
}

// ---- text styles --------------------------------------------------------------------------------

int TTextStyleCombo::StyleCount() const { return DrawingData() ? int(DrawingData()->TextStyles().Count()) : 0; }

const cAnyStyle* TTextStyleCombo::StyleAt(int entry) const {
  return DrawingData() && entry >= 0 ? DrawingData()->TextStyles().Get(std::uint32_t(entry)) : nullptr;
}

int TTextStyleCombo::BuiltinCount() const { return kBuiltinTextStyleCount; }

WString TTextStyleCombo::BuiltinName(int n) const {
  // The table style the built-in reference resolves to names it.
  if (DrawingData() && n >= 0 && n < kBuiltinTextStyleCount)
    for (cStyleText* style : DrawingData()->TextStyles())
      if (style && (style->builtinMarks >> n) & 1) return style->name;
  return WString::FromUtf8(std::to_string(n + 1));
}

namespace {

// An SHX text font has no screen face: the font's name is written in the font
// itself, into a one-bit preview of a drawing that holds only that text (one
// pixel of margin), and each black pixel (x, y) of it is set at (x + 1, h - y)
// in the text colour. False when the text's font is no SHX text font or the
// preview could not be made.
bool DrawShxTextSample(wxDC& dc, cDrawingData* data, const TextAttributes& attributes, const wxSize& size) {
  if (!data || size.x <= 2 || size.y <= 2) return false;
  auto sample = std::make_unique<cText>();
  sample->ApplyTextAttributes(attributes, false);
  const std::uint16_t index = sample->GetFontIndex(data);
  cStyleFont* font = index < data->FontStyles().Count() ? data->FontStyles().Get(index) : nullptr;
  ShxFont* shx = font ? font->Shx() : nullptr;
  if (!shx || !LoadShxFontData(*shx) || !shx->parsed || !shx->parsed->IsTextFont()) return false;
  sample->SetText(font->name);
  sample->point = {0, 0};
  sample->angle = 0;
  if (!(sample->attr.height > 0)) sample->attr.height = 1;
  cBlock top;
  ObjectChain chain;
  chain.Append(sample.release());
  top.AppendChain(std::move(chain));
  cDrawing drawing(&top, data);
  PreviewOptions options;
  options.monochrome = true;
  options.smoothing = false;
  options.margin = 1;
  const std::unique_ptr<TDib> picture = MakeDrawingPreview(drawing, data, &top, size.x, size.y, options);
  if (!picture) return false;
  const wxPen previousPen = dc.GetPen();
  dc.SetPen(wxPen(dc.GetTextForeground()));
  for (std::int32_t y = 0; y < picture->Height(); ++y) {
    for (std::int32_t x = 0; x < picture->Width(); ++x) {
      if (picture->GetPixelColor(x, y) == 0) dc.DrawPoint(x + 1, size.y - y);
    }
  }
  dc.SetPen(previousPen);
  return true;
}

}  // namespace

std::int32_t TTextStyleCombo::DrawSample(wxDC& dc, int entry) {
  const auto* style = static_cast<const cStyleText*>(StyleAt(entry));
  if (!style) return -1;
  const wxSize size = dc.GetSize();
  if (DrawShxTextSample(dc, DrawingData(), style->attributes, size)) return std::int32_t(style->attributes.color);
  cText text;
  text.ApplyTextAttributes(style->attributes, false);
  const WString face = text.GetFaceName(DrawingData());
  LogFont logFont;
  wxFont font;
  if (text.GetLogFont(DrawingData(), logFont, size.y, 0) || logFont.faceName[0] != 0) {
    const WString logFace{std::u16string_view(logFont.faceName)};
    font = wxFont(wxFontInfo(wxSize(0, size.y))
                      .FaceName(ToWx(logFace))
                      .Bold(logFont.weight >= 700)
                      .Italic(logFont.italic != 0)
                      .Underlined(logFont.underline != 0)
                      .Strikethrough(logFont.strikeOut != 0));
  }
  if (!font.IsOk()) {
    font = dc.GetFont();
    font.SetWeight(wxFONTWEIGHT_NORMAL);
  }
  const wxColour previous = dc.GetTextForeground();
  dc.SetFont(font);
  dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
  dc.DrawText(ToWx(face), 0, 0);
  dc.SetTextForeground(previous);
  return std::int32_t(style->attributes.color);
}

}  // namespace kvn
