#include "app/FileOpenPreview.h"

#include <algorithm>
#include <cmath>

#include "document/DrawingComment.h"
#include "document/DwgProbe.h"
#include "document/FormatReader.h"
#include "document/NativeFormat.h"
#include "document/OpenDrawingFile.h"
#include "document/ProgressMonitor.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "dwg/container/DwgThumbnail.h"
#include "foundation/DRect.h"
#include "foundation/FileSystem.h"
#include "foundation/InFileStream.h"
#include "foundation/UiColors.h"
#include "foundation/WaitCursor.h"
#include "model/LevelTable.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "platform/gdi/TDib.h"
#include "controls/AutoButtons.h"
#include "platform/ui/ControlDraw.h"
#include "platform/ui/ControlTexts.h"
#include "platform/ui/Controls.h"
#include "print/export/MakeDrawingPreview.h"

namespace kvn {

namespace {

constexpr int kColorBtnFace = 15;
// The preview's paper: white, as the drawing window shows a page.
constexpr std::int32_t kPreviewBackground = 0xFFFFFF;

// The check box's change, to the dialog whose chooser is open.
void PreviewCheckChanged(TWindow*, std::uint32_t, int state) {
  if (auto* dialog = dynamic_cast<TMyFileOpenDialogKvn*>(TOpenSaveDialogMy::Running())) dialog->CmPreviewCheck(state);
}

}  // namespace

bool& ShowDrawingPreview() {
  static bool show = true;
  return show;
}

// ---- the preview area ---------------------------------------------------------------------------

cPreviewControl::cPreviewControl(TWindow* parent) : TButton(parent, kId) {}

cPreviewControl::~cPreviewControl() = default;

void cPreviewControl::ShowFile(const WString& path, bool wanted) {
  sheet_ = nullptr;
  ownSheet_.reset();
  document_.reset();
  if (!path.IsEmpty() && wanted && FileExists(path)) {
    std::uint8_t head[10] = {};
    bool native = false, dwg = false, otherDrawing = false;
    {
      InFileStream in(path);
      if (in.IsOpen()) {
        native = in.Read(head, 10) == 10 && IsNativeMagic(head, 10);
        in.Seek(0);
        dwg = !native && IsDwgFile(in);
        // DXF and DGN drawings carry no thumbnail: they are loaded quietly
        // as a native drawing is, by the same dispatcher that opens them.
        in.Seek(0);
        if (!native && !dwg) {
          const FormatReader* reader = GetFormatRegistry().Probe(in, path);
          otherDrawing = reader && (reader->slot == FormatSlot::kDxf || reader->slot == FormatSlot::kDgn);
        }
      }
    }
    if (dwg) {
      ownSheet_ = ReadDwgThumbnail(nullptr, path, false);
      sheet_ = ownSheet_.get();
    } else if (native || otherDrawing) {
      // Quiet: never a dialog; a load that takes more than its delay is
      // given up rather than blocking the chooser. (DXF files used to show
      // nothing because only native files were loaded here, not because the
      // quiet load failed: the DXF reader loads them well within 2 s.)
      ProgressMonitor monitor(nullptr, WString(), kProgressDialogId);
      monitor.SetQuiet(true);
      OpenRequest request;
      request.monitor = &monitor;
      request.quiet = true;
      std::unique_ptr<cDrawingDoc> document = OpenDrawing(path, request).TakeDocument();
      if (document && document->SheetCount() > 0) {
        cSheet* first = document->GetSheet(0);
        // The preview draws no pictures.
        first->TopBlock().RemoveBitmaps();
        first->Drawing().InvalidateSummary(0);
        if (cDrawingData* data = first->Data())
          for (std::uint32_t i = 0; i < data->BlockCount(); ++i)
            if (cBlock* block = data->GetBlock(i)) block->RemoveBitmaps();
        document_ = std::move(document);
        sheet_ = first;
      }
    }
  }
  if (GetHandle()) Invalidate(true);
}

void cPreviewControl::DrawItem(TDrawItem& item) {
  FillItemRect(item, item.rect, GetUiSysColor(kColorBtnFace));
  if (!sheet_ || !sheet_->Data()) return;
  WaitCursor busy;
  PreviewOptions options;
  options.background = kPreviewBackground;
  options.margin = 2;
  std::unique_ptr<TDib> picture = MakeDrawingPreview(sheet_->Drawing(), sheet_->Data(), &sheet_->TopBlock(),
                                                     int(item.rect.Width()), int(item.rect.Height()), options);
  if (!picture) return;
  DrawItemDib(item, *picture, item.rect.left + int((item.rect.Width() - picture->Width()) / 2),
              item.rect.top + int((item.rect.Height() - picture->Height()) / 2));
}

// ---- the dialog ---------------------------------------------------------------------------------

TMyFileOpenDialogKvn::TMyFileOpenDialogKvn(DialogFolder* folder, TWindow* parent, TData& data, const WString& title)
    : TAutoFileOpenDialog(1, folder, WString(), parent, data, kTemplate, title) {
  TEmbeddedDialog* extra = Extra();
  new TEdit(extra, kCommentBox);
  previewState_ = ShowDrawingPreview() ? 1 : 0;
  auto* check = new TAutoCheck(extra, kPreviewCheck, &previewState_, 1);
  check->callback = &PreviewCheckChanged;
  preview_ = new cPreviewControl(extra);
}

TMyFileOpenDialogKvn::~TMyFileOpenDialogKvn() = default;

bool SelectedComment::Select(const WString& path) {
  // Selecting the same file again reloads nothing.
  if (path == path_) return false;
  path_ = path;
  comment_ = path.IsEmpty() ? WString() : ReadDrawingComment(path);
  return true;
}

void SelectedComment::Clear() {
  path_ = WString();
  comment_ = WString();
}

void TMyFileOpenDialogKvn::SelectionChange(const WString& path) {
  if (selected_.Select(path)) ShowCommentAndPreview();
}

void TMyFileOpenDialogKvn::FolderChanged() {
  selected_.Clear();
  ShowCommentAndPreview();
}

void TMyFileOpenDialogKvn::CmPreviewCheck(int state) {
  ShowDrawingPreview() = state == kBstChecked;
  if (preview_) preview_->ShowFile(selected_.Path(), ShowDrawingPreview());
}

void TMyFileOpenDialogKvn::ShowCommentAndPreview() {
  if (auto* box = dynamic_cast<TControl*>(Extra()->GetDlgItem(kCommentBox)); box && box->GetHandle())
    box->SetText(selected_.Comment());
  if (preview_) preview_->ShowFile(selected_.Path(), ShowDrawingPreview());
}

// ---- saving with a comment -----------------------------------------------------------------------

TFileSaveDialogWithComment::TFileSaveDialogWithComment(DialogFolder* folder, TWindow* parent, TData& data,
                                                       const WString& title)
    : TAutoFileSaveDialog(1, folder, WString(), parent, data, kSaveTemplate, title) {
  new TEdit(Extra(), TMyFileOpenDialogKvn::kCommentBox);
}

void TFileSaveDialogWithComment::SelectionChange(const WString& path) {
  if (selected_.Select(path)) ShowComment();
}

void TFileSaveDialogWithComment::FolderChanged() {
  selected_.Clear();
  ShowComment();
}

void TFileSaveDialogWithComment::ShowComment() {
  if (auto* box = dynamic_cast<TControl*>(Extra()->GetDlgItem(TMyFileOpenDialogKvn::kCommentBox));
      box && box->GetHandle())
    box->SetText(selected_.Comment());
}

bool RunFileDialogWithComment(bool open, DialogFolder* folder, TWindow* owner, FileDialogData& data,
                              const WString& title) {
  if (open) {
    TMyFileOpenDialogKvn dialog(folder, owner, data, title);
    return dialog.Execute() == 1;
  }
  TFileSaveDialogWithComment dialog(folder, owner, data, title);
  return dialog.Execute() == 1;
}

}  // namespace kvn
