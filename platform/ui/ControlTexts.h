// Static texts, edits, up-down controls and progress bars of the class
// library (Win32 classes "Static", "Edit", "msctls_updown32",
// "msctls_progress32").
#pragma once

#include <cstdint>

#include "platform/ui/Controls.h"

namespace kvn {

class TStatic : public TControl {
 public:
  TStatic(TWindow* parent, int resourceId);
  TStatic(TWindow* parent, int id, const WString& text, int x, int y, int w, int h);

  DialogControlClass GetControlClass() const override { return DialogControlClass::Static; }
  std::uint32_t DefaultDlgCode() const override { return kDlgcStatic; }
};

class TEdit : public TControl {
 public:
  TEdit(TWindow* parent, int resourceId);
  // A single-line edit made at run time (ES_MULTILINE with the flag).
  TEdit(TWindow* parent, int id, const WString& text, int x, int y, int w, int h, bool multiline = false);

  DialogControlClass GetControlClass() const override { return DialogControlClass::Edit; }
  std::uint32_t DefaultDlgCode() const override;

  // WM_SETTEXT: the text, EN_CHANGE (with a window, as Win32 sends it), and
  // the modified flag cleared.
  void SetText(const WString& text) override;
  // What typing does: the text, the modified flag set, then EN_CHANGE.
  void TypeText(const WString& text);
  // EM_GETMODIFY / EM_SETMODIFY: set by the user's changes only.
  bool IsModified() const { return modified_; }
  void SetModify(bool modified) { modified_ = modified; }
  // EM_LIMITTEXT: at most `chars` characters can be typed; 0 lifts the limit.
  void LimitText(int chars);
  int GetTextLimit() const { return limit_; }
  // EM_SETSEL: characters start..end selected; (0, -1) selects all, a
  // negative start removes the selection.
  void SetSelection(int start, int end);
  bool IsMultiline() const { return (Attr.Style & kEsMultiline) != 0; }
  bool HasFocus() const;

 protected:
  bool AcceptsPeer(wxWindow* peer) const override;
  void BindControlEvents(wxWindow* peer) override;
  void ApplyState() override;

 private:
  void OnToolkitText();

  bool modified_ = false;
  bool setting_ = false;  // the program is writing the text
  int limit_ = 0;
};

// An up-down control. UDN_DELTAPOS goes the notification road before the
// position changes; a non-zero answer keeps the position. The position
// moves within the range, wrapping round with UDS_WRAP. With UDS_ARROWKEYS
// the up and down arrow keys in the buddy window press the arrows.
class TUpDown : public TControl {
 public:
  TUpDown(TWindow* parent, int resourceId);
  // Made at run time with the UDS_ style bits.
  TUpDown(TWindow* parent, int id, int x, int y, int w, int h, std::uint32_t udsStyle);

  DialogControlClass GetControlClass() const override { return DialogControlClass::UpDown; }
  // UDM_SETRANGE / UDM_SETPOS.
  void SetRange(int low, int high);
  void SetPos(int pos);
  int GetPos() const;
  // The width the toolkit wants for the control, in pixels.
  int GetBestWidth() const;
  // The arrows were pressed: UDN_DELTAPOS with the step (+1 up, -1 down);
  // false when the answer keeps the position.
  bool DeltaPos(int delta);
  // UDM_SETBUDDY: the window beside the control (whose arrow keys it takes
  // with UDS_ARROWKEYS); it must have a window.
  void SetBuddy(TWindow* buddy);

 protected:
  bool AcceptsPeer(wxWindow* peer) const override;

 private:
  int low_ = 0;
  int high_ = 100;
  int pos_ = 0;
};

class TGauge : public TControl {
 public:
  TGauge(TWindow* parent, int resourceId);
  TGauge(TWindow* parent, int id, int x, int y, int w, int h);

  DialogControlClass GetControlClass() const override { return DialogControlClass::Progress; }
  // PBM_SETRANGE32 / PBM_SETPOS; positions outside the range are clamped.
  void SetRange(int low, int high);
  void SetValue(int pos);
  int GetValue() const { return pos_; }

 protected:
  void ApplyState() override;

 private:
  int low_ = 0;
  int high_ = 100;
  int pos_ = 0;
};

}  // namespace kvn
