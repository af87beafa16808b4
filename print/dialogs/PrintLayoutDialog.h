// "Create print layout" (18136): an area of a drawing (whole, selected
// elements, current view), a scale with its Estimate, the size the area
// takes on paper, and the levels to take. No command of the viewer opens it.
#pragma once

#include "controls/AutoControls.h"
#include "foundation/DRect.h"
#include "foundation/GrowArray.h"

namespace kvn {

class cDrawingData;

class TDialogPrintLayout : public TDialogTr {
 public:
  static constexpr int kResourceId = 18136;
  // areas: whole area, selected elements, current view (drawing units);
  // area: 0, 1 or 2.
  TDialogPrintLayout(cDrawingData* data, TWindow* parent, const DRect (&areas)[3], double* scale, int* area);

  OwnedArray<TCheckItem>& Levels() { return levels_; }
  // The size shown for the chosen area at the scale in the field.
  WString ResultText();
  void Estimate();
  void ShowResult();

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void SetupWindow() override;

 private:
  int ChosenArea();
  void CmSelectAll();
  void CmInvert();

  cDrawingData* data_;
  DRect areas_[3];
  double* scale_;
  int* area_;
  TAutoDouble* scaleField_ = nullptr;
  TEdit* result_ = nullptr;
  TMyCheckList* list_ = nullptr;
  OwnedArray<TCheckItem> levels_;
};

// The resulting size text of an area at a scale (1 when not positive).
WString PrintLayoutSizeText(const DRect& area, double scale);

}  // namespace kvn
