// Files dropped on a window: WM_DROPFILES with a TDropInfo, the drop handle
// of DragQueryFile and DragFinish. The drop is over when the handler returns;
// DragFinish only marks it finished, as the handle lives on the sender's stack.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/WString.h"
#include "platform/gdi/GdiTypes.h"

namespace kvn {

class TWindow;

class TDropInfo {
 public:
  TDropInfo(std::vector<WString> files, TPoint point) : files_(std::move(files)), point_(point) {}
  std::uint32_t DragQueryFileCount() const { return std::uint32_t(files_.size()); }
  // The full path of file `index`; empty past the end.
  WString DragQueryFile(std::uint32_t index) const { return index < files_.size() ? files_[index] : WString(); }
  // Where the files were dropped, in the window's client coordinates.
  TPoint DragQueryPoint() const { return point_; }
  void DragFinish() { finished_ = true; }
  bool IsFinished() const { return finished_; }

 private:
  std::vector<WString> files_;
  TPoint point_;
  bool finished_ = false;
};

// Makes the window a drop target (or not); TWindow::DragAcceptFiles calls it.
void InstallFileDropTarget(TWindow& window, bool accept);

}  // namespace kvn
