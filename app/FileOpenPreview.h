// The viewer's File-Open dialog: the file chooser with a comment box, a
// "Preview" check box and a preview area below the file list. Selecting a
// file shows its stored comment and a small picture of its first drawing
// (native drawings, loaded quietly and given up after 2 s, pictures left
// out) or its embedded thumbnail (DWG drawings).
#pragma once

#include <memory>

#include "controls/FileDialogs.h"
#include "platform/ui/ControlButtons.h"

namespace kvn {

class cDrawingDoc;
class cSheet;

// The owner-drawn preview area (control 5004).
class cPreviewControl : public TButton {
 public:
  static constexpr int kId = 5004;
  explicit cPreviewControl(TWindow* parent);
  ~cPreviewControl() override;
  // Shows the first sheet of the file, or nothing (empty path, no preview
  // wanted, a file that cannot be read or loaded in time).
  void ShowFile(const WString& path, bool wanted);
  bool HasPicture() const { return sheet_ != nullptr; }
  void DrawItem(TDrawItem& item) override;

 private:
  // A native drawing keeps its document (the sheet's drawing data lives
  // there); a DWG thumbnail is a sheet of its own.
  std::unique_ptr<cDrawingDoc> document_;
  std::unique_ptr<cSheet> ownSheet_;
  cSheet* sheet_ = nullptr;
};

// The comment of the file selected in a chooser: read again only when the
// selection changes; a new folder clears it.
class SelectedComment {
 public:
  // Whether the selection changed (and the comment was read).
  bool Select(const WString& path);
  void Clear();
  const WString& Comment() const { return comment_; }
  const WString& Path() const { return path_; }

 private:
  WString comment_;
  WString path_;
};

class TMyFileOpenDialogKvn : public TAutoFileOpenDialog {
 public:
  static constexpr int kTemplate = 16510;
  static constexpr int kCommentBox = 16806;
  static constexpr int kPreviewCheck = 5005;

  TMyFileOpenDialogKvn(DialogFolder* folder, TWindow* parent, TData& data, const WString& title);
  ~TMyFileOpenDialogKvn() override;

  const WString& Comment() const { return selected_.Comment(); }
  const WString& SelectedPath() const { return selected_.Path(); }
  cPreviewControl* Preview() const { return preview_; }
  // The check box: the choice holds for the rest of the run.
  void CmPreviewCheck(int state);
  // What the chooser reports (also the entry points of tests).
  void SelectionChange(const WString& path) override;
  void FolderChanged() override;

 private:
  void ShowCommentAndPreview();
  int previewState_ = 1;
  SelectedComment selected_;
  cPreviewControl* preview_ = nullptr;
};

// The file dialog for saving with the comment box (template 16511, no
// preview): the selected drawing's comment shows below the file list.
class TFileSaveDialogWithComment : public TAutoFileSaveDialog {
 public:
  static constexpr int kSaveTemplate = 16511;
  TFileSaveDialogWithComment(DialogFolder* folder, TWindow* parent, TData& data, const WString& title);
  const WString& Comment() const { return selected_.Comment(); }
  void SelectionChange(const WString& path) override;
  void FolderChanged() override;

 private:
  void ShowComment();
  SelectedComment selected_;
};

// The file dialog with a comment and a caller's title: opening with the
// preview (template 16510), saving without it (16511). True when the user
// pressed OK.
bool RunFileDialogWithComment(bool open, DialogFolder* folder, TWindow* owner, FileDialogData& data,
                              const WString& title);

// Whether previews are shown; true at start, changed by the check box.
bool& ShowDrawingPreview();

}  // namespace kvn
