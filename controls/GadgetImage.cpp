#include "controls/GadgetImage.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "foundation/InFileStream.h"
#include "foundation/PathBytes.h"
#include "foundation/UiColors.h"
#include "platform/ui/ControlDraw.h"

namespace kvn {

namespace {

// Pictures from a folder must stay button-sized; anything larger is not a
// tool-bar image.
constexpr std::int32_t kMaxFolderImageSize = 100;

struct MemoryImage {
  std::uint32_t id;
  TDib dib;
};

std::vector<MemoryImage>& MemoryImages() {
  static std::vector<MemoryImage> images;
  return images;
}

WString& ImageFolder() {
  static WString folder;
  return folder;
}

}  // namespace

TDib CopyDib(const TDib& dib) {
  TDib copy;
  if (!dib.IsEmpty()) copy.LoadPackedDib(dib.PackedDib(), dib.PackedDibSize());
  return copy;
}

bool RegisterGadgetImage(std::uint32_t id, const TDib& dib) {
  TDib copy = CopyDib(dib);
  if (copy.IsEmpty()) return false;
  MemoryImages().push_back({id, std::move(copy)});
  return true;
}

void ClearGadgetImages() { MemoryImages().clear(); }

void SetGadgetImageFolder(const WString& folder) { ImageFolder() = folder; }

std::unique_ptr<TDib> LoadGadgetImage(std::uint32_t id) {
  if (id == 0) return nullptr;
  for (const MemoryImage& image : MemoryImages()) {
    if (image.id == id) return std::make_unique<TDib>(CopyDib(image.dib));
  }
  if (!ImageFolder().IsEmpty()) {
    WString path = ImageFolder();
    if (path[path.Length() - 1] != u'/') path.AppendChar(u'/');
    path.Append(WString::FromUtf8(std::to_string(id) + ".bmp"));
    std::error_code error;
    if (std::filesystem::is_regular_file(PathBytes(path.View()), error)) {
      InFileStream stream(path);
      auto dib = std::make_unique<TDib>(TDib::FromBmpStream(stream));
      if (dib->HasBits() && dib->Width() <= kMaxFolderImageSize && dib->Height() <= kMaxFolderImageSize) {
        return dib;
      }
    }
  }
  auto dib = std::make_unique<TDib>();
  if (id <= 0x7FFFFFFF && LoadBitmapResource(int(id), *dib) && dib->HasBits()) return dib;
  return nullptr;
}

}  // namespace kvn

namespace kvn {

std::vector<std::uint8_t> DibToBgra(const TDib& dib, std::uint32_t faceKey, std::uint32_t faceColor) {
  std::vector<std::uint8_t> out;
  if (!dib.HasBits() || dib.Compression() == kBiRle4 || dib.Compression() == kBiRle8) return out;
  const std::int32_t w = dib.Width();
  const std::int32_t h = dib.Height();
  if (w <= 0 || h <= 0 || w > 32767 || h > 32767) return out;
  out.resize(std::size_t(w) * std::size_t(h) * 4);
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) {
      std::uint32_t c = dib.GetPixelColor(x, y);
      if (c == TDib::kInvalidColor) c = 0;
      if (c == faceKey) c = faceColor;
      std::uint8_t* p = &out[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 4];
      p[0] = std::uint8_t(c >> 16);
      p[1] = std::uint8_t(c >> 8);
      p[2] = std::uint8_t(c);
      p[3] = 0xFF;
    }
  }
  return out;
}

namespace {

constexpr int kColorButtonShadow = 16;
constexpr int kColorButtonHighlight = 20;

std::uint32_t Luma(std::uint8_t b, std::uint8_t g, std::uint8_t r) { return (r * 30u + g * 59u + b * 11u) / 100u; }

}  // namespace

std::vector<std::uint8_t> GreyedBgra(const TDib& dib, std::uint32_t faceKey, std::uint32_t faceColor) {
  const std::vector<std::uint8_t> bgra = DibToBgra(dib, faceKey, faceColor);
  if (bgra.empty()) return bgra;
  const int w = dib.Width();
  const int h = dib.Height();
  std::vector<std::uint8_t> grey(bgra.size());
  auto put = [&](int px, int py, std::uint32_t c) {
    if (px < 0 || py < 0 || px >= w || py >= h) return;
    std::uint8_t* p = &grey[(std::size_t(py) * std::size_t(w) + std::size_t(px)) * 4];
    p[0] = std::uint8_t(c >> 16);
    p[1] = std::uint8_t(c >> 8);
    p[2] = std::uint8_t(c);
    p[3] = 0xFF;
  };
  for (int py = 0; py < h; ++py) {
    for (int px = 0; px < w; ++px) put(px, py, faceColor);
  }
  auto dark = [&](int px, int py) {
    const std::uint8_t* p = &bgra[(std::size_t(py) * std::size_t(w) + std::size_t(px)) * 4];
    const std::uint32_t c = std::uint32_t(p[2]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[0]) << 16);
    return c != faceColor && Luma(p[0], p[1], p[2]) < 160;
  };
  // The highlight first, one pixel right and below; the shadow over it.
  for (int py = 0; py < h; ++py) {
    for (int px = 0; px < w; ++px) {
      if (dark(px, py)) put(px + 1, py + 1, GetUiSysColor(kColorButtonHighlight));
    }
  }
  for (int py = 0; py < h; ++py) {
    for (int px = 0; px < w; ++px) {
      if (dark(px, py)) put(px, py, GetUiSysColor(kColorButtonShadow));
    }
  }
  return grey;
}

}  // namespace kvn
