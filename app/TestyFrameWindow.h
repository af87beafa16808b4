// TTestyFrameWindow: the viewer's one main window. It keeps the title, the
// menu and accelerators of resource 20000 and the interface language, and
// handles the commands that do not concern a drawing (open, close, language,
// about, exit); drawing commands go to the current view's drawing window,
// which GetCommandTarget names.
#pragma once

#include <array>
#include <cstdint>

#include "app/HelpWindow.h"
#include "app/RecentFiles.h"

namespace kvn {

class TTestyFrameWindow : public THelpWindow, public TRecentFiles {
 public:
  TTestyFrameWindow();
  ~TTestyFrameWindow() override;

  // The link record handed to the tool bars and drawing views: the frame
  // itself, then three zero words.
  const std::array<void*, 4>& GetFrameLink() const { return frameLink_; }

  // The drawing window of the current document's first view, else the frame.
  THandle GetCommandTarget() override;
  const char16_t* GetClassName() const override { return u"KvnViewer-QUARN"; }

  void SetupWindow() override;
  void CleanupWindow() override;
  // The zoom box follows the view.
  bool IdleAction(long idleCount) override;

  // Opens a drawing (an empty name asks for one) into a new view that
  // replaces the open document. True when a drawing was opened; a failure
  // leaves the open document as it was (the readers report why).
  bool OpenFile(const WString& fileName);
  // Empties the frame: no client, no document.
  void CmFileClose();
  // The keyboard focus to the client window, or to the frame without one.
  void FocusFrameClient();
  // String 19766 with the version, then " - " and the document's name.
  void UpdateTitle();
  // Index 0 Czech, 1 Slovak, 2 English: tables, menu, title, "Language".
  // The tool bar follows once the current command has returned (a posted
  // message), since the command may come from the tool bar itself.
  void SwitchLanguage(int index);

  // --- handlers ------------------------------------------------------------------------
  void EvGetMinMaxInfo(TMinMaxInfo& info);
  TResult EvThemeChanged(TParam1, TParam2) { return 0; }
  TResult EvRebuildToolBar(TParam1, TParam2);
  void CmExit();
  void CmFileOpen();
  void CeFileClose(TCommandEnabler& ce);
  void CmAbout();
  void CmAccepted() {}
  void CmLanguage(std::uint32_t id);
  void CeLanguage(TCommandEnabler& ce);
  void EvDropFiles(TDropInfo& drop);
  TWindow* GetRecentFilesWindow() override { return this; }
  // "MRUFILEMESSAGE": opens the entry of the command id in wParam (an id
  // outside the list asks for a file).
  TResult CmRecentFile(TParam1 commandId, TParam2);
  void CmRecentFileCommand(std::uint32_t id) { CmRecentFileItem(id); }
  void CeExit(TCommandEnabler& ce) { CeRecentFiles(ce); }

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 private:
  // The tool bar in the current language, with its boxes refreshed.
  void RebuildToolBar();

  std::array<void*, 4> frameLink_{};
  bool toolBarRebuildPending_ = false;
};

}  // namespace kvn
