#include "controls/ColorPicker.h"

#include <wx/bitmap.h>
#include <wx/app.h>
#include <wx/colordlg.h>
#include <wx/dcclient.h>
#include <wx/dialog.h>
#include <wx/image.h>
#include <wx/window.h>

#include <utility>

#include "controls/ColorPalette.h"
#include "foundation/LangTable.h"
#include "foundation/UiColors.h"
#include "platform/gdi/RasterDC.h"
#include "platform/ui/MessageBridge.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/SystemMetrics.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

constexpr int kColorButtonFace = 15;
constexpr int kColorButtonShadow = 16;
constexpr int kColorHighlight = 13;
constexpr int kColorButtonText = 18;
constexpr int kColorButtonHighlight = 20;

ColorPickerRunner& DefaultRunner() {
  static ColorPickerRunner runner;
  return runner;
}
ColorPickerRunner* g_runner = nullptr;
ColorPickerRunner& Runner() { return g_runner ? *g_runner : DefaultRunner(); }

void Frame(TDC& dc, const TRect& r, COLORREF topLeft, COLORREF bottomRight) {
  dc.FillSolidRect({r.left, r.top, r.right, r.top + 1}, topLeft);
  dc.FillSolidRect({r.left, r.top, r.left + 1, r.bottom}, topLeft);
  dc.FillSolidRect({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
  dc.FillSolidRect({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

TRect Inset(const TRect& r, int by) { return {r.left + by, r.top + by, r.right - by, r.bottom - by}; }

wxColour WxColour(COLORREF c) {
  return wxColour(static_cast<unsigned char>(c & 0xFF), static_cast<unsigned char>((c >> 8) & 0xFF),
                  static_cast<unsigned char>((c >> 16) & 0xFF));
}

// A plain window in place of the template's control, with its place and state.
wxWindow* ReplacePeer(TWindow* owner, wxWindow* old) {
  wxWindow* parent = old->GetParent();
  if (parent == nullptr) return old;
  auto* replacement = new WxPeer<wxWindow>(owner, parent, old->GetId(), old->GetPosition(), old->GetSize(),
                                           wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE);
  replacement->MoveAfterInTabOrder(old);
  if (!old->IsShown()) replacement->Hide();
  old->Destroy();
  return replacement;
}

}  // namespace

ColorPickerRunner* SetColorPickerRunner(ColorPickerRunner* runner) { return std::exchange(g_runner, runner); }

// --- TColorPickerZv ---------------------------------------------------------------------------

TColorPickerZv::TColorPickerZv(TWindow* parent, const TColorList& list, std::uint32_t initialColor,
                               bool* noColorResult, const WString& noColorText)
    : TControl(parent, kColorGridId),
      grid_(list, initialColor, GetSystemMetrics(kSmCxBorder) + 5, RecentColors(), noColorResult),
      noColorText_(noColorText),
      moreText_(LoadLangString(kMoreColorsTextId)) {}

wxWindow* TColorPickerZv::NewPeer(wxWindow* parentPeer) {
  return new WxPeer<wxWindow>(this, parentPeer, Attr.Id, wxPoint(Attr.X, Attr.Y),
                              wxSize(grid_.Width(), grid_.Height()), wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE);
}

wxWindow* TColorPickerZv::AdaptTemplatePeer(wxWindow* peer) {
  wxWindow* replacement = ReplacePeer(this, peer);
  replacement->SetSize(grid_.Width(), grid_.Height());
  return replacement;
}

WString TColorPickerZv::HotCellTooltip() const {
  const int hot = grid_.HotCell();
  if (hot == TColorGrid::kNoColorCell) return noColorText_;
  if (hot == TColorGrid::kMoreCell) return moreText_;
  if (hot >= TColorGrid::kFirstRecentCell && hot - TColorGrid::kFirstRecentCell < grid_.RecentCount()) {
    return ColorTooltipText(grid_.RecentColor(hot - TColorGrid::kFirstRecentCell), noColorText_);
  }
  if (hot >= 0 && hot < grid_.List().count) return ColorTooltipText(grid_.List().colors[hot], noColorText_);
  return WString();
}

void TColorPickerZv::SetHot(int cell) {
  if (cell == grid_.HotCell()) return;
  grid_.SetHotCell(cell);
  SetTooltipText(HotCellTooltip());
  Invalidate(false);
}

void TColorPickerZv::End(int result) {
  if (result == 0) return;
  if (auto* dialog = dynamic_cast<TDialog*>(GetParentO())) dialog->CloseWindow(result);
}

void TColorPickerZv::EvMouseMove(std::uint32_t, const TPoint& point) { SetHot(grid_.CellAt(point.x, point.y)); }

void TColorPickerZv::EvLButtonDown(std::uint32_t, const TPoint& point) {
  // While the grid holds the pointer, a press anywhere arrives here: one
  // outside the dialog ends it and goes no further.
  if (TWindow* dialog = GetParentO(); dialog && GetHandle()) {
    const TPoint screen = ClientToScreen(point);
    const TRect r = dialog->GetWindowRect();
    if (screen.x < r.left || screen.x >= r.right || screen.y < r.top || screen.y >= r.bottom) {
      End(kGridCancel);
      return;
    }
  }
  const int cell = grid_.CellAt(point.x, point.y);
  SetHot(cell);
  const int result = grid_.Select(cell);
  if (result == kGridOk) Invalidate(false);
  End(result);
}

void TColorPickerZv::EvKeyDown(std::uint32_t key, std::uint32_t, std::uint32_t) {
  const int before = grid_.HotCell();
  const int result = grid_.Key(key);
  if (grid_.HotCell() != before) {
    SetTooltipText(HotCellTooltip());
    Invalidate(false);
  }
  End(result);
}

void TColorPickerZv::EvPaint() {
  wxPaintDC* paint = GetPaintDC();
  if (!paint || !GetPeer()) return;
  const int w = grid_.Width();
  const int h = grid_.Height();
  std::vector<std::uint8_t> bits(std::size_t(w) * std::size_t(h) * 4);
  const COLORREF face = GetUiSysColor(kColorButtonFace);
  const COLORREF shadow = GetUiSysColor(kColorButtonShadow);
  const COLORREF light = GetUiSysColor(kColorButtonHighlight);
  const COLORREF hotFrame = GetUiSysColor(kColorHighlight);
  {
    std::unique_ptr<RasterDC> dc = RasterDC::Create(bits.data(), w, h);
    if (!dc) return;
    dc->FillSolidRect({0, 0, w, h}, face);
    Frame(*dc, {0, 0, w, h}, light, shadow);
    auto cell = [&](int index, COLORREF color) {
      const TRect r = grid_.CellRect(index);
      if (r.IsEmpty()) return;
      Frame(*dc, Inset(r, 2), shadow, light);
      dc->FillSolidRect(Inset(r, 3), color);
      if (index == grid_.CurrentCell()) Frame(*dc, r, 0, 0);
      if (index == grid_.HotCell()) Frame(*dc, Inset(r, index == grid_.CurrentCell() ? 1 : 0), hotFrame, hotFrame);
    };
    for (int i = 0; i < grid_.List().count; ++i) cell(i, grid_.List().colors[i]);
    for (int j = 0; grid_.List().recentRow && j < grid_.RecentCount(); ++j) {
      cell(TColorGrid::kFirstRecentCell + j, grid_.RecentColor(j));
    }
    for (int button : {TColorGrid::kNoColorCell, TColorGrid::kMoreCell}) {
      const TRect r = grid_.CellRect(button);
      if (r.IsEmpty()) continue;
      const bool current = button == grid_.CurrentCell();
      Frame(*dc, r, current ? shadow : light, current ? light : shadow);
      if (button == grid_.HotCell()) Frame(*dc, Inset(r, 1), hotFrame, hotFrame);
    }
    dc->Flush();
  }
  wxImage image(w, h, false);
  unsigned char* rgb = image.GetData();
  for (std::size_t i = 0, n = std::size_t(w) * std::size_t(h); i < n; ++i) {
    rgb[3 * i] = bits[4 * i + 2];
    rgb[3 * i + 1] = bits[4 * i + 1];
    rgb[3 * i + 2] = bits[4 * i];
  }
  paint->DrawBitmap(wxBitmap(image), 0, 0, false);
  // Texts through the toolkit, in the dialog's font.
  paint->SetFont(GetPeer()->GetFont());
  paint->SetTextForeground(WxColour(GetUiSysColor(kColorButtonText)));
  auto label = [&](int button, const WString& text) {
    const TRect r = grid_.CellRect(button);
    if (r.IsEmpty() || text.IsEmpty()) return;
    paint->DrawLabel(ToWx(text), wxRect(r.left, r.top, int(r.Width()), int(r.Height())), wxALIGN_CENTRE);
  };
  label(TColorGrid::kNoColorCell, noColorText_);
  label(TColorGrid::kMoreCell, moreText_);
}

const TResponseTable& TColorPickerZv::Table() {
  using C = TColorPickerZv;
  static const TResponseTable table(
      {
          OnMessage<kWmPaint, &C::EvPaint>(),
          OnMessage<kWmEraseBkgnd, &C::EvEraseBkgnd>(),
          OnMessage<kWmMouseMove, &C::EvMouseMove>(),
          OnMessage<kWmLButtonDown, &C::EvLButtonDown>(),
          OnMessage<kWmKeyDown, &C::EvKeyDown>(),
      },
      {&TControl::Table()});
  return table;
}

bool TColorPickerZv::Find(TEventInfo& info) { return Table().Search(info); }

// --- TDialogColor --------------------------------------------------------------------------------

TDialogColor::TDialogColor(TWindow* parent, const TColorList& list, std::uint32_t initialColor, bool* noColorResult,
                           const WString& noColorText, const TPoint& position)
    : TDialogTr(parent, kColorGridDialogId), position_(position) {
  picker_ = new TColorPickerZv(this, list, initialColor, noColorResult, noColorText);
}

wxWindow* TDialogColor::CreatePeer(wxWindow* parentPeer) {
  wxWindow* peer = TDialog::CreatePeer(parentPeer);
  // A drop-down has no caption or frame of its own.
  if (peer) peer->SetWindowStyleFlag(wxBORDER_NONE);
  return peer;
}

void TDialogColor::SetupWindow() {
  TDialogTr::SetupWindow();
  if (wxWindow* peer = GetPeer()) {
    peer->SetClientSize(picker_->Grid().Width(), picker_->Grid().Height());
    if (wxWindow* grid = picker_->GetPeer()) grid->SetSize(0, 0, picker_->Grid().Width(), picker_->Grid().Height());
    peer->Move(position_.x, position_.y);
  }
}

bool TDialogColor::EvInitDialog(THandle focus) {
  TDialogTr::EvInitDialog(focus);
  picker_->SetFocus();
  // The grab that brings every press to the grid (see the top of
  // ColorPicker.h). GTK grabs only for a window on the screen, so the grab
  // waits until the loop has shown the dialog.
  if (wxWindow* peer = GetPeer()) {
    const THandle grid = picker_->GetHandle();
    peer->CallAfter([grid] {
      TWindow* picker = GetWindowPtr(grid);
      if (picker && picker->GetPeer() && picker->GetPeer()->IsShownOnScreen()) {
        picker->SetFocus();
        picker->SetCapture();
      }
    });
  }
  return false;
}

void TDialogColor::CloseWindow(int retValue) {
  if (GetCapture() == picker_->GetHandle() && picker_->GetHandle()) ReleaseCapture();
  TDialogTr::CloseWindow(retValue);
}

// --- TChooseColorDialog ------------------------------------------------------------------------

TChooseColorDialog::TChooseColorDialog(TWindow* parent, std::uint32_t& color, const TPoint* position)
    : parent_(parent), color_(color), position_(position) {}

int TChooseColorDialog::Execute() {
  // The key that chose "More colors" (Enter) may still have its character
  // event queued; the colour dialog would take it as its own Enter and
  // close at once. It is delivered first, to whoever has the focus now.
  if (wxTheApp) wxTheApp->Yield(true);
  wxColourData data;
  data.SetChooseFull(true);
  data.SetColour(WxColour(color_ & 0x00FFFFFF));
  auto& custom = CustomColors();
  for (int i = 0; i < kCustomColorCount; ++i) data.SetCustomColour(i, WxColour(custom[std::size_t(i)]));
  wxColourDialog dialog(parent_ ? parent_->GetPeer() : nullptr, &data);
  WString title = LoadLangString(kMoreColorsTextId);
  while (title.Length() > 0 && title[title.Length() - 1] == u'.') title = WString(title.View().substr(0, title.Length() - 1));
  dialog.SetTitle(ToWx(title));
  if (position_ != nullptr) dialog.Move(position_->x, position_->y);
  const int answer = dialog.ShowModal();
  const wxColourData& result = dialog.GetColourData();
  for (int i = 0; i < kCustomColorCount; ++i) {
    const wxColour c = result.GetCustomColour(i);
    if (c.IsOk()) custom[std::size_t(i)] = Rgb(c.Red(), c.Green(), c.Blue());
  }
  if (answer != wxID_OK) return kIdcCancel;
  const wxColour c = result.GetColour();
  color_ = Rgb(c.Red(), c.Green(), c.Blue());
  return kIdcOk;
}

// --- ShowColorPicker -------------------------------------------------------------------------------

bool ShowColorPicker(TWindow* parent, std::uint32_t& color, const TPoint& position, bool* noColor, bool standard16,
                     const WString& noColorText, bool* changed, bool useRecent) {
  if (changed) *changed = false;
  TColorList list;
  if (standard16) {
    list = {StandardColors().data(), kStandardColorCount, 8, false, false, useRecent};
  } else {
    list = {PaletteColors().data(), kPaletteColorCount, kPaletteColumns, false, true, useRecent};
  }
  list.noColorRow = noColor != nullptr;
  const std::uint32_t old = color;
  for (;;) {
    bool noColorResult = noColor ? *noColor : false;
    std::uint32_t picked = 0;
    int result = 0;
    {
      TDialogColor dialog(parent, list, old, noColor ? &noColorResult : nullptr, noColorText, position);
      result = Runner().RunGrid(dialog);
      picked = dialog.Picker().Grid().SelectedColor();
    }
    if (result == kGridOk) {
      // A negative colour never leaves the grid: keep the old colour, marked as none.
      color = (picked & 0x80000000) ? ((old & 0x00FFFFFF) | kNoColor) : picked;
      if (noColor) *noColor = noColorResult;
      if (useRecent) AddRecentColor(color);
      if (changed) *changed = true;
      return true;
    }
    if (result == kGridMoreColors) {
      std::uint32_t chosen = old & 0x00FFFFFF;
      TChooseColorDialog chooser(parent, chosen, &position);
      if (Runner().RunChooser(chooser) == kIdcOk) {
        if (noColor) *noColor = false;
        color = chosen;
        if (useRecent) AddRecentColor(color);
        if (changed) *changed = true;
        return true;
      }
      continue;  // cancelled: back to the grid
    }
    if (result == kGridNoHotCell) {
      if (changed) *changed = true;
      return false;
    }
    return false;
  }
}

}  // namespace kvn
