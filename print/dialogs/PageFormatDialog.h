// "Additional settings: format and margins" (dialog 16774): a format typed
// or chosen from the paper choice list, its orientation when it is a known
// paper, and the margin pair.
#pragma once

#include "controls/AutoControls.h"
#include "foundation/DPoint.h"
#include "print/PaperTable.h"

namespace kvn {

class cNewPrintPageFormat : public TDialogTr {
 public:
  static constexpr int kResourceId = 16774;
  // format: width and height; margins: x = left and right, y = top and bottom (mm).
  cNewPrintPageFormat(TWindow* parent, PaperSizeMm* format, DPoint* margins);

  TAutoDouble* width;
  TAutoDouble* height;
  TAutoDouble* marginX;
  TAutoDouble* marginY;
  TComboBox* papers;
  TRadioButton* portrait;
  TRadioButton* landscape;
  // -1 unknown, 0 as given, 1 turned.
  int orientation = -1;

  // The typed size as a paper of the list: combo selection and orientation.
  void RecogniseSize();
  void ChoosePaper();
  void Exchange();

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void SetupWindow() override;

 private:
  void EvSizeChange();
  void CmExchange() { Exchange(); }
  void CmPortrait();
  void CmLandscape();
  void SetSize(double w, double h);

  bool setUp_ = false;
  bool updating_ = false;
};

}  // namespace kvn
