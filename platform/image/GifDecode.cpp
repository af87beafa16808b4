// GIF decoding through giflib: the first frame, at its own size, with its
// colour table (the frame's own or the global one). The frames that follow
// are only counted, their data skipped without decoding.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include <gif_lib.h>

#include "platform/image/PictureDecode.h"
#include "platform/image/PictureWeight.h"

namespace kvn {

namespace {

struct GifSource {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at;
};

int ReadFromMemory(GifFileType* gif, GifByteType* target, int length) {
  auto* source = static_cast<GifSource*>(gif->UserData);
  if (length <= 0) return 0;
  const std::size_t n = std::min<std::size_t>(std::size_t(length), source->size - source->at);
  std::memcpy(target, source->data + source->at, n);
  source->at += n;
  return int(n);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

bool SkipImageData(GifFileType* gif) {
  int codeSize = 0;
  GifByteType* block = nullptr;
  if (DGifGetCode(gif, &codeSize, &block) != GIF_OK) return false;
  while (block != nullptr) {
    if (DGifGetCodeNext(gif, &block) != GIF_OK) return false;
  }
  return true;
}

bool SkipExtension(GifFileType* gif) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
  while (block != nullptr) {
    if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
  }
  return true;
}

// The data from `at` on, a chain of sub-blocks, when the file ends inside
// one of them: a copy in which that sub-block holds what is left and the
// chain ends after it, so that the lines its codes reach are decoded
// (giflib reads a sub-block whole or not at all, and a small picture's data
// is often one sub-block). Empty when the chain is whole.
std::vector<std::uint8_t> EndCutSubBlock(const std::uint8_t* data, std::size_t size, std::size_t at) {
  while (at < size) {
    const std::size_t length = data[at];
    if (length == 0) return {};
    if (length > size - at - 1) {
      std::vector<std::uint8_t> copy(data, data + size);
      copy[at] = std::uint8_t(size - at - 1);
      copy.push_back(0);
      return copy;
    }
    at += 1 + length;
  }
  return {};
}

std::uint16_t DibBitsForColourBits(int bits) { return bits <= 1 ? 1 : bits <= 4 ? 4 : 8; }

// Reads the first frame's pixels into the picture, rows in display order
// (an interlaced frame's four passes put back in place). `cut`: a line could
// not be read; the lines before it are kept (false when there were none).
bool ReadFrame(GifFileType* gif, TDib* out, bool* cut) {
  const GifImageDesc& d = gif->Image;
  const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
  const int colourBits = map ? map->BitsPerPixel : 8;
  const std::uint16_t bitCount = DibBitsForColourBits(colourBits);
  if (!out->Create(d.Width, d.Height, bitCount)) return false;
  if (map) {
    for (int i = 0; i < map->ColorCount && std::uint32_t(i) < out->PaletteCount(); ++i) {
      const GifColorType& c = map->Colors[i];
      out->SetPaletteEntry(std::uint32_t(i), std::uint32_t(c.Red) << 16 | std::uint32_t(c.Green) << 8 | c.Blue);
    }
  } else {
    for (std::uint32_t i = 0; i < 256; ++i) out->SetPaletteEntry(i, i * 0x010101);
  }
  std::vector<GifPixelType> line(std::size_t(d.Width));
  auto putRow = [&](int y) {
    for (int x = 0; x < d.Width; ++x) {
      // An index beyond the table's depth would spill into the next pixel.
      const std::uint32_t index = line[std::size_t(x)] & ((1u << bitCount) - 1);
      out->SetPixel(x, y, index);
    }
  };
  bool any = false;
  auto next = [&](int y) {
    if (DGifGetLine(gif, line.data(), d.Width) != GIF_OK) return false;
    putRow(y);
    any = true;
    return true;
  };
  static constexpr int kStart[4] = {0, 4, 2, 1};
  static constexpr int kStep[4] = {8, 8, 4, 2};
  const int passes = d.Interlace ? 4 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const int start = d.Interlace ? kStart[pass] : 0, step = d.Interlace ? kStep[pass] : 1;
    for (int y = start; y < d.Height; y += step) {
      if (!next(y)) {
        *cut = true;
        return any;
      }
    }
  }
  return true;
}

}  // namespace

PictureStatus DecodeGifPicture(const std::uint8_t* data, std::size_t size, TDib* out, PictureInfo* info) {
  if (out) out->Clear();
  if (data == nullptr || size < 13) return PictureStatus::kDamaged;
  // Outlives the reader, which may be switched onto it.
  std::vector<std::uint8_t> mended;
  GifSource source{data, size, 0};
  int error = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, ReadFromMemory, &error));
  if (!gif) return PictureStatus::kDamaged;
  std::uint32_t frames = 0;
  bool haveFirst = false;
  for (;;) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &type) != GIF_OK) break;
    if (type == TERMINATE_RECORD_TYPE) break;
    if (type == EXTENSION_RECORD_TYPE) {
      if (!SkipExtension(gif.get())) break;
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) break;
    if (DGifGetImageDesc(gif.get()) != GIF_OK) break;
    ++frames;
    if (frames == 1) {
      const GifImageDesc& d = gif->Image;
      const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
      const std::uint16_t bitCount = DibBitsForColourBits(map ? map->BitsPerPixel : 8);
      if (info) {
        info->format = PictureFormat::kGif;
        info->width = d.Width;
        info->height = d.Height;
        info->bitsPerPixel = map ? std::uint32_t(map->BitsPerPixel) : 8;
      }
      if (!PictureWeightAllowed(d.Width, d.Height, bitCount, 0, info)) return PictureStatus::kTooLarge;
      // A damaged header may ask for gigabytes in a few hundred bytes.
      if (!CodedDataCouldHold(PixelCoding::kGifLzw, source.size - source.at, std::uint64_t(d.Width),
                              std::uint64_t(d.Height), bitCount)) {
        if (out) out->Clear();
        return PictureStatus::kDamaged;
      }
      if (out) {
        // The frame's data follow the descriptor: the reader goes on in the
        // copy at the same offset.
        mended = EndCutSubBlock(source.data, source.size, source.at);
        if (!mended.empty()) {
          source.data = mended.data();
          source.size = mended.size();
        }
        bool cut = !mended.empty();
        if (!ReadFrame(gif.get(), out, &cut)) {
          out->Clear();
          return PictureStatus::kDamaged;
        }
        haveFirst = true;
        if (cut) {
          // What the frame's data gave is shown; nothing after it is read.
          if (info) info->repaired = true;
          break;
        }
        // giflib reads the frame's data to its end with the last line.
        continue;
      }
      haveFirst = true;
    }
    if (!SkipImageData(gif.get())) break;
  }
  if (info) info->frames = frames;
  if (!haveFirst) {
    if (out) out->Clear();
    return PictureStatus::kDamaged;
  }
  return PictureStatus::kOk;
}

}  // namespace kvn
