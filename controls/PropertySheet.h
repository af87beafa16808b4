// TMyPropertySheet and TMyPropertyPage: the program's property sheet over a
// notebook dialog. What they add to a bare notebook: pages made from dialog
// templates when first shown, translated page and tab texts, controls bound
// to variables (saved only on OK, and only on pages that have windows), a
// Restore button in place of Apply that returns every control of every page
// to its default, the parent disabled while the sheet is open, placement
// near the parent or centred, the last page and focused edit
// remembered between two openings, and the keys of a sheet: Tab walks the
// page shown, the tabs and the buttons as one dialog, Ctrl+Tab and
// Ctrl+Shift+Tab turn the pages.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "controls/EmbeddedDialog.h"

class wxNotebook;
class wxTimer;

namespace kvn {

class TMyPropertySheet;

// The Apply button of a sheet, and the Restore it becomes.
inline constexpr int kIdApplyNow = 12321;
inline constexpr int kRestoreTextId = 1054;

class TMyPropertyPage : public TEmbeddedDialog {
 public:
  // The sheet owns the page from here on. The title (may hold language
  // tokens) is the page's tab text; the icon is not shown.
  TMyPropertyPage(TMyPropertySheet* sheet, int resourceId, const WString& title, int icon = 0);

  TMyPropertySheet* GetSheet() const { return sheet_; }
  const WString& GetTitle() const { return title_; }

  // PSN_APPLY: remembers the page and the focus when this page is shown,
  // then saves the controls unless the page cannot close (false).
  virtual bool Apply();

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 private:
  // Enter and Escape inside a page are the sheet's.
  void CmOkToSheet();
  void CmCancelToSheet();

  TMyPropertySheet* sheet_;
  WString title_;
};

class TMyPropertySheet : public TWindow {
 public:
  using RestoreCallback = void (*)();

  // The caption is string `captionId` (0: none).
  TMyPropertySheet(TWindow* parent, int captionId);
  ~TMyPropertySheet() override;

  // Set by the caller before Execute.
  bool restoreButton = false;
  int* rememberedPage = nullptr;
  int* rememberedFocus = nullptr;
  RestoreCallback restoreCallback = nullptr;
  std::uint32_t helpId = 0;
  bool centerFlag = false;
  TPoint* clampPoint = nullptr;
  TPoint* positionPoint = nullptr;
  void SetHelpId(std::uint32_t id) { helpId = id; }

  // Modal run: 1 OK, 2 Cancel (-1 when the window could not be made). A
  // remembered page in range is the start page.
  virtual int Execute();
  // A page applied as the sheet was confirmed (only the page shown).
  virtual void AfterPageApply(TMyPropertyPage& /*page*/) {}

  int GetPageCount() const { return int(pages_.size()); }
  TMyPropertyPage* GetPage(int index) const;
  // The index of the page shown; -1 before the window exists.
  int GetCurrentPageIndex() const;
  TMyPropertyPage* GetCurrentPage() const;
  // Shows the page, making its window first when it has none; false when
  // the page does not exist or its window cannot be made.
  bool SelectPage(int index);
  // Shows the page `step` pages on from the one shown, round the end
  // (Ctrl+Tab, Ctrl+Shift+Tab).
  void TurnPage(int step);
  // The notebook's tab text of a page.
  WString GetTabText(int index) const;
  bool WasParentDisabled() const { return parentDisabled_; }

  // The sheet's commands.
  void CmOk();
  void CmCancel();
  // CM_RESTORE_DEFAULTS: every page (made first when needed) and each of its
  // controls to the defaults; the page shown stays shown.
  void Restore();

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  wxWindow* CreatePeer(wxWindow* parentPeer) override;
  void SetupWindow() override;
  void CleanupWindow() override;

 private:
  friend class TMyPropertyPage;
  void AddPage(TMyPropertyPage* page);
  bool MakePageWindow(int index);
  void End(int result);
  void Place();

  std::vector<std::unique_ptr<TMyPropertyPage>> pages_;
  std::vector<wxWindow*> holders_;  // the notebook's page windows, one per page
  wxNotebook* notebook_ = nullptr;
  bool parentDisabled_ = false;
  bool modalRunning_ = false;
  std::unique_ptr<wxTimer> endRetry_;
  void* outerLoop_ = nullptr;  // the toolkit loop active when the modal run began
  int startPage_ = 0;
  int result_ = 2;
};

}  // namespace kvn
