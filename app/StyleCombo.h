// Combo boxes that list the drawing styles of one kind (line, fill or text)
// with a small sample of each, for dialogs that let a style be chosen. The
// viewer shows none of them; they are kept so that such dialogs can be built.
//
// The list holds every style of the drawing data's table (item data: the
// style's index) followed by the kind's built-in styles n (item text
// U+F000 + n and the name, item data 0x8000 + n). A table style's row shows
// its sample in the left half and its name (and description) in the right
// half; a built-in style's row shows its name in italics.
#pragma once

#include <cstdint>
#include <memory>

#include "controls/AutoLists.h"
#include "foundation/OwnerDrawHeights.h"
#include "foundation/WString.h"

class wxDC;
class wxFont;

namespace kvn {

class cAnyStyle;
class cDrawingData;
class cStyleFill;

inline constexpr std::intptr_t kBuiltinStyleItem = 0x8000;

// The open list's width: 40 average characters, at most 400 pixels.
int StyleComboDropWidth(int averageCharWidth);

// The hatch scale a symbol-hatch sample is drawn at: trial scales from
// `start` doubling from try to try, at most 10 tries; the first one at which
// the sample stays readable (cStyleFill::IsSparseAtScale). `start` when none
// does.
double SampleHatchScale(const cStyleFill& style, double start);

class TMyStyleCombo : public TAutoCombo_ {
 public:
  TMyStyleCombo(TWindow* parent, int id, int x, int y, int w, int h, cDrawingData* data);
  ~TMyStyleCombo() override;

  // Clears the list and adds the styles and the built-in styles; enabled
  // only with items.
  void FillStyleList();
  void SetDrawingData(cDrawingData* data);
  cDrawingData* DrawingData() const { return data_; }

  void MeasureItem(TMeasureItem& item) override;
  void DrawItem(TDrawItem& item) override;

  // The kind's part. Draws the sample of entry n on the sample bitmap's
  // context (its size and text colour are read from it); answers the colour
  // to show for the style, or -1 (also for an entry outside the list, which
  // draws nothing).
  virtual std::int32_t DrawSample(wxDC& dc, int entry) = 0;
  virtual int StyleCount() const = 0;
  virtual const cAnyStyle* StyleAt(int entry) const = 0;
  // Built-in styles of the kind: none unless a kind has them.
  virtual int BuiltinCount() const { return 0; }
  virtual WString BuiltinName(int) const { return WString(); }

 protected:
  void SetupWindow() override;

 private:
  void DrawTableStyle(TDrawItem& item, int entry, std::uint32_t back, std::uint32_t fore);
  int AverageCharWidth() const;

  cDrawingData* data_;
  std::unique_ptr<wxFont> italic_;
  OwnerDrawHeights heights_;
};

class TLineStyleCombo : public TMyStyleCombo {
 public:
  using TMyStyleCombo::TMyStyleCombo;
  std::int32_t DrawSample(wxDC& dc, int entry) override;
  int StyleCount() const override;
  const cAnyStyle* StyleAt(int entry) const override;
};

class TFillStyleCombo : public TMyStyleCombo {
 public:
  using TMyStyleCombo::TMyStyleCombo;
  std::int32_t DrawSample(wxDC& dc, int entry) override;
  int StyleCount() const override;
  const cAnyStyle* StyleAt(int entry) const override;
};

// Text styles, with the eight built-in text styles after them.
class TTextStyleCombo : public TMyStyleCombo {
 public:
  using TMyStyleCombo::TMyStyleCombo;
  std::int32_t DrawSample(wxDC& dc, int entry) override;
  int StyleCount() const override;
  const cAnyStyle* StyleAt(int entry) const override;
  int BuiltinCount() const override;
  WString BuiltinName(int n) const override;
};

}  // namespace kvn
