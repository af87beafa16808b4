#include "print/PageImageStrip.h"

#include <utility>

#include "foundation/LongPathFiles.h"
#include "foundation/TempFiles.h"
#include "platform/gdi/TDib.h"

namespace kvn {

PageImageStrip::PageImageStrip(const TRect& rect, const TDib& dib) : rect_(rect) {
  fileName_ = CreateTempFile();
  if (!fileName_.IsEmpty() && !WriteDibAsBmpFile(fileName_, dib)) Release();
  if (dib.BitCount() <= 8) {
    for (std::uint32_t i = 0; i < dib.PaletteCount(); ++i) colors_.push_back(dib.GetPaletteEntry(i));
  }
}

PageImageStrip::~PageImageStrip() { Release(); }

PageImageStrip::PageImageStrip(PageImageStrip&& other) noexcept
    : rect_(other.rect_), fileName_(std::exchange(other.fileName_, WString())), colors_(std::move(other.colors_)) {}

PageImageStrip& PageImageStrip::operator=(PageImageStrip&& other) noexcept {
  if (this != &other) {
    Release();
    rect_ = other.rect_;
    fileName_ = std::exchange(other.fileName_, WString());
    colors_ = std::move(other.colors_);
  }
  return *this;
}

void PageImageStrip::Release() {
  if (fileName_.IsEmpty()) return;
  DeleteFileQuiet(fileName_);
  fileName_ = WString();
}

}  // namespace kvn
