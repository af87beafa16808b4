// LoadGadgetImage: the picture of a tool-bar button or a menu command, by
// image id, looked for in this order: the images registered in memory, the
// image folder ("<id>.bmp", used when smaller than 101 pixels each way), the
// program's bitmap resources.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/WString.h"
#include "platform/gdi/TDib.h"

namespace kvn {

// A new picture owned by the caller; null for id 0 or when none is found.
std::unique_ptr<TDib> LoadGadgetImage(std::uint32_t id);

// The images registered in memory (the program registers none): a copy of
// the packed DIB is kept; false when it is refused.
bool RegisterGadgetImage(std::uint32_t id, const TDib& dib);
void ClearGadgetImages();
// The folder of "<id>.bmp" files; empty (the program's setting) for none.
void SetGadgetImageFolder(const WString& folder);

// A copy of a picture; empty for an empty one.
TDib CopyDib(const TDib& dib);

}  // namespace kvn

namespace kvn {

// The picture as 32-bit B, G, R, A pixels, rows top down (PixelView
// layout); pixels of `faceKey` (COLORREF, the images' background) become
// `faceColor`. Empty for an empty or compressed picture.
std::vector<std::uint8_t> DibToBgra(const TDib& dib, std::uint32_t faceKey, std::uint32_t faceColor);
// The picture greyed, as a disabled tool-bar button shows it: its dark
// pixels in the button shadow's colour, with the button highlight's one
// pixel right and below them, every other pixel `faceColor`. Same layout as
// DibToBgra; empty when DibToBgra is.
std::vector<std::uint8_t> GreyedBgra(const TDib& dib, std::uint32_t faceKey, std::uint32_t faceColor);
// The image's background colour that the face painter replaces: light grey.
inline constexpr std::uint32_t kGadgetImageFaceKey = 0x00C0C0C0;

}  // namespace kvn
