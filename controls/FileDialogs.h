// The program's open and save dialogs over the toolkit's file chooser (the
// GTK chooser): the caller's data block (FileDialogData.h), the folder and
// filter index remembered per dialog kind (DialogFolder), full paths for
// every chosen file, the save rules (the chosen filter's extension appended
// to a name without it, then the program's own overwrite question) and an
// optional extra template of bound controls shown inside the chooser.
//
// Linux has no share violations: the ShareViolation hook is kept for derived
// classes but never called. The chooser's buttons stay the toolkit's.
#pragma once

#include <cstdint>
#include <memory>

#include "controls/EmbeddedDialog.h"
#include "controls/FileDialogData.h"
#include "platform/ui/Window.h"

class wxFileDialog;

namespace kvn {

class DialogFolder;

class TOpenSaveDialogMy : public TWindow {
 public:
  using TData = FileDialogData;
  enum Mode : std::uint8_t { kOpenMode = 0, kSaveMode = 1 };

  // `filterSlot` 1 to 4 names the DialogFolder slot that remembers the
  // filter index (0: none); the folder object may be null. With a template
  // id the extra controls are made from that template; the caller creates
  // its bound controls as children of Extra().
  TOpenSaveDialogMy(Mode mode, int filterSlot, DialogFolder* folder, const WString& initialName, TWindow* parent,
                    TData& data, int templateId, const WString& title);
  ~TOpenSaveDialogMy() override;

  // 1 when the user chose a file (the data block holds the full paths), 2
  // when cancelled or when the user declined to overwrite.
  virtual int Execute();
  void SetUserValue(std::uint16_t value) { userValue_ = value; }
  std::uint16_t GetUserValue() const { return userValue_; }

  // The extra template's dialog; null without a template.
  TEmbeddedDialog* Extra() const { return extra_.get(); }
  // Up to three controls of the extra template that follow the dialog's
  // width (LayoutExtraControls); 0 for none.
  int extraControlIds[3] = {0, 0, 0};

  TData& Data() { return data_; }
  Mode GetMode() const { return mode_; }
  // The dialog whose chooser is open now (one at a time); null when none.
  static TOpenSaveDialogMy* Running();

 protected:
  // Runs the chooser; fills the data block's name buffer, flags and filter
  // index as the system dialog would; 1 on success, else 2 (error set).
  virtual int DoExecute();
  // The user picked another filter while the chooser was open (1-based index).
  virtual void TypeChange(std::uint32_t /*filterIndex*/) {}
  // The extra template's controls exist and hold their variables' values
  // (the chooser makes them only when it opens).
  virtual void SetupExtra() {}
  // The chooser moved to another folder.
  void FolderChange(const WString& folder);
  // What derived dialogs hear while the chooser is open: another file is
  // selected (its full path; empty when none), another folder is shown.
  virtual void SelectionChange(const WString& /*path*/) {}
  virtual void FolderChanged() {}
  // Kept for derived classes; nothing on Linux calls it.
  virtual int ShareViolation(const WString& /*path*/) { return 0; }
  // The program's question before a file of the formed name is replaced:
  // kIdOk to replace.
  virtual int AskOverwrite(const WString& path);

 private:
  friend struct ChooserRun;
  int Finish(int result);
  void PlaceExtraControls(int width);

  Mode mode_;
  int filterSlot_;
  DialogFolder* folder_;
  TWindow* parent_;
  TData& data_;
  WString title_;
  std::uint16_t userValue_ = 0;
  std::unique_ptr<TEmbeddedDialog> extra_;
};

class TAutoFileOpenDialog : public TOpenSaveDialogMy {
 public:
  TAutoFileOpenDialog(int filterSlot, DialogFolder* folder, const WString& initialName, TWindow* parent, TData& data,
                      int templateId = 0, const WString& title = WString())
      : TOpenSaveDialogMy(kOpenMode, filterSlot, folder, initialName, parent, data, templateId, title) {}
};

class TAutoFileSaveDialog : public TOpenSaveDialogMy {
 public:
  TAutoFileSaveDialog(int filterSlot, DialogFolder* folder, const WString& initialName, TWindow* parent, TData& data,
                      int templateId = 0, const WString& title = WString())
      : TOpenSaveDialogMy(kSaveMode, filterSlot, folder, initialName, parent, data, templateId, title) {}
};

}  // namespace kvn
