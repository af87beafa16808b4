// The pop-up choice list (dialog 1184): a list shown at a point that ends
// with a click, a release on an entry choosing it and a press anywhere
// outside closing it without a choice (that click reaches nothing else).
// Only one can be open at a time. Offered by the dialog library; the
// viewer's own commands never open it.
#pragma once

#include <memory>
#include <vector>

#include "controls/AutoControls.h"

namespace kvn {

// The list's item text: each string with its TABs made blanks, a string
// longer than 300 characters shown empty, joined by TABs.
WString TrackItemText(const std::vector<WString>& strings);
// The entries that text stands for (an empty entry stays an entry).
std::vector<WString> TrackItems(const std::vector<WString>& strings);

class TAutoListBoxMy : public TAutoListBox {
 public:
  TAutoListBoxMy(TWindow* parent, int* index, std::vector<WString> items);
  void LoadFromVariable() override;

 private:
  std::vector<WString> items_;
};

class TTrackDialog : public TDialogTr {
 public:
  static constexpr int kResourceId = 1184;
  enum Result { Open = 0, Chosen = 1, Cancelled = 2 };

  TTrackDialog(TWindow* parent, const std::vector<WString>& strings, const TPoint& anchor, int flags, int* index);
  ~TTrackDialog() override;

  // The dialog open now, if any.
  static TTrackDialog* Current();
  int ResultCode() const { return result_; }
  TAutoListBoxMy& List() { return *list_; }
  bool ignoreNextButtonUp = false;

  // The mouse, seen before any window gets it (screen coordinates); true
  // when the event is swallowed.
  bool MouseEvent(bool leftDown, bool leftUp, const TPoint& screen);

 protected:
  void SetupWindow() override;
  void CleanupWindow() override;

 private:
  void End(int code);

  class MouseFilter;
  TPoint anchor_;
  int flags_;
  int result_ = Open;
  TAutoListBoxMy* list_;
  std::unique_ptr<MouseFilter> filter_;
};

// Runs the list at `anchor` (screen) with the entry `index` selected; true
// when the user chose an entry, which `index` then holds.
bool RunTrackDialog(TWindow* parent, const std::vector<WString>& strings, const TPoint& anchor, int flags, int& index);

}  // namespace kvn
