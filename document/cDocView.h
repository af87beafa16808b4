// cDocView: what the document needs of a window that shows one of its
// sheets. The application shell's drawing windows implement it; the
// document keeps them in its view list (not owned) and tells them about
// captions, page changes and its own end.
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

class cDocView {
 public:
  virtual ~cDocView() = default;
  // The sheet shown (its index in the document).
  virtual std::uint32_t GetSheetIndex() const = 0;
  virtual std::uint16_t GetCurrentPage() const = 0;
  virtual void SetCurrentPage(std::uint16_t page) = 0;
  virtual void SetCaption(const WString& caption) = 0;
  virtual void Redraw(int how) = 0;
  virtual void Update(int how) = 0;
  // The document is going away: the window closes itself.
  virtual void DocumentClosing() = 0;
};

}  // namespace kvn
