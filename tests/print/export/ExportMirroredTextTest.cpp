// A mirrored TrueType text keeps its mirroring in the exported metafile: the
// "Texts" page of the sample exported as EMF carries "Mirrored X" under a
// world transform that reflects it, and our player draws it where the BMP
// export of the page has it. A negative viewport extent, which the export
// used before, leaves a metafile's text upright on playback: the text ran
// to the right of its point and off the picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "document/OpenDrawingFile.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "foundation/InFileStream.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TDib.h"
#include "platform/gdi/XForm.h"
#include "platform/metafile/EmfPlayer.h"
#include "print/export/ExportDrawing.h"
#include "print/export/ExportSettings.h"
#include "print/export/WriteSheetAsEmf.h"
#include "render/DibConversion.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kEmrSaveDc = 33, kEmrRestoreDc = 34, kEmrSetWorldTransform = 35,
                        kEmrModifyWorldTransform = 36, kEmrExtTextOutW = 84;

XForm ReadXForm(const std::uint8_t* p) {
  auto f = [p](int i) {
    float v;
    const std::uint32_t bits = le::U32(p + 4 * i);
    std::memcpy(&v, &bits, 4);
    return double(v);
  };
  return XForm{f(0), f(1), f(2), f(3), f(4), f(5)};
}

// The world transform in force at each EXTTEXTOUTW of the metafile, by the
// run's text.
std::vector<std::pair<std::u16string, XForm>> TextTransforms(const std::vector<std::uint8_t>& emf) {
  std::vector<std::pair<std::u16string, XForm>> out;
  XForm world;
  std::vector<XForm> saved;
  for (std::size_t at = 0; at + 8 <= emf.size();) {
    const std::uint8_t* r = emf.data() + at;
    const std::uint32_t type = le::U32(r), size = le::U32(r + 4);
    if (size < 8 || size > emf.size() - at) break;
    if (type == kEmrSaveDc) saved.push_back(world);
    if (type == kEmrRestoreDc && size >= 12) {
      const std::int32_t n = std::int32_t(le::U32(r + 8));
      const std::size_t back = n < 0 ? std::min<std::size_t>(saved.size(), std::size_t(-std::int64_t(n))) : 0;
      const std::size_t keep = n < 0 ? saved.size() - back : std::size_t(n - 1);
      if (keep < saved.size()) {
        world = saved[keep];
        saved.resize(keep);
      }
    }
    if (type == kEmrSetWorldTransform && size >= 32) world = ReadXForm(r + 8);
    if (type == kEmrModifyWorldTransform && size >= 36) {
      const XForm x = ReadXForm(r + 8);
      switch (le::U32(r + 32)) {
        case kMwtIdentity: world = XForm{}; break;
        case kMwtLeftMultiply: world = CombineTransform(x, world); break;
        case kMwtRightMultiply: world = CombineTransform(world, x); break;
        default: world = x; break;
      }
    }
    if (type == kEmrExtTextOutW && size >= 76) {
      const std::uint32_t count = le::U32(r + 44), offString = le::U32(r + 48);
      std::u16string text;
      for (std::uint32_t i = 0; i < count && offString + 2 * std::uint64_t(i) + 2 <= size; ++i)
        text += char16_t(le::U16(r + offString + 2 * i));
      out.emplace_back(text, world);
    }
    at += size;
  }
  return out;
}

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ExportMirroredText, MirroredTextStaysMirroredInTheMetafile) {
  test::ScratchDir dir;
  const fs::path sample = fs::path(__FILE__).parent_path().parent_path().parent_path().parent_path() / "samples" /
                          "sample.kvn";
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  std::unique_ptr<cDrawingDoc> doc = OpenDrawingFile(WString::FromUtf8(sample.string()), request, outcome);
  ASSERT_NE(doc, nullptr);
  // The entry of the page "Texts".
  std::uint32_t entry = kAllPageEntries;
  for (std::uint32_t e = 0; e < 64 && entry == kAllPageEntries; ++e) {
    std::uint32_t page = 0;
    const cDrawing* drawing = doc->EntryToDrawing(e, &page, nullptr);
    if (drawing && drawing->GetPage(page) && drawing->GetPage(page)->name == WString(u"Texts")) entry = e;
  }
  ASSERT_NE(entry, kAllPageEntries);

  ExportShell shell;
  ExportOptions options;
  options.pageEntry = entry;
  options.resolution = 150;
  options.exportType = kExportTypeEmf;
  const fs::path emfPath = dir / "texts.emf", bmpPath = dir / "texts.bmp";
  ASSERT_TRUE(ExportDrawing(*doc, DRect{}, WString::FromUtf8(emfPath.string()), options, shell));
  options.exportType = kExportTypeBmp;
  ASSERT_TRUE(ExportDrawing(*doc, DRect{}, WString::FromUtf8(bmpPath.string()), options, shell));
  const std::vector<std::uint8_t> bytes = ReadFile(emfPath);

  // The records: the mirrored run under a reflection in x, the others not.
  int mirrored = 0, upright = 0;
  for (const auto& [text, world] : TextTransforms(bytes)) {
    const double det = world.eM11 * world.eM22 - world.eM12 * world.eM21;
    if (text == u"Mirrored X") {
      ++mirrored;
      EXPECT_LT(world.eM11, 0.0);
      EXPECT_GT(world.eM22, 0.0);
    } else {
      ++upright;
      EXPECT_GT(det, 0.0) << WString(std::u16string_view(text)).ToUtf8();
    }
  }
  EXPECT_EQ(mirrored, 1);
  EXPECT_GT(upright, 10);

  // The player: what it draws, the BMP of the page shows within a pixel, and
  // the other way round.
  InFileStream in(WString::FromUtf8(bmpPath.string()));
  const TDib bmp = TDib::FromBmpStream(in);
  ASSERT_FALSE(bmp.IsEmpty());
  auto wide = ConvertDibBitCount(bmp, 24, false, nullptr, false, nullptr);
  ASSERT_TRUE(wide);
  const int w = bmp.Width(), h = bmp.Height();
  std::vector<std::uint8_t> pixels(std::size_t(w) * h * 4, 0xFF);
  auto dc = RasterDC::Create(pixels.data(), w, h);
  ASSERT_TRUE(dc);
  const std::optional<EmfDocument> emf = EmfDocument::FromBytes(bytes.data(), bytes.size());
  ASSERT_TRUE(emf);
  // The metafile's area starts before the page's extent, the BMP two pixels
  // before it: the playback goes where the BMP has the area.
  std::uint32_t page = 0;
  cDrawing* drawing = doc->EntryToDrawing(entry, &page, nullptr);
  ASSERT_NE(drawing, nullptr);
  DRect extent;
  const std::uint16_t page16 = std::uint16_t(page);
  ExtentFilter filter;
  filter.drawingPages = int(drawing->PageCount());
  filter.page = &page16;
  drawing->TopBlock()->GetFilteredExtent(filter, drawing->Data(), extent);
  const double scale = drawing->Data()->Scale();
  EmfExportGeometry g;
  ASSERT_TRUE(ComputeEmfGeometry(extent, scale, options.resolution, &g));
  const double p = options.resolution / 25.4 / scale;
  const double left = (g.area.x1 - (extent.x1 - 2 / p)) * p, top = (g.area.y1 - (extent.y1 - 2 / p)) * p;
  const TRect rect{int(std::lround(left)), int(std::lround(top)), int(std::lround(left + g.area.Width() * p)),
                   int(std::lround(top + g.area.Height() * p))};
  ASSERT_TRUE(PlayEnhMetaFile(*dc, *emf, rect));
  dc->Flush();
  auto played = [&](int x, int y) {
    const std::uint8_t* q = pixels.data() + (std::size_t(y) * w + x) * 4;
    return !(q[0] == 0xFF && q[1] == 0xFF && q[2] == 0xFF);
  };
  auto inBmp = [&](int x, int y) { return (wide->GetPixelColor(x, y) & 0xFFFFFF) != 0xFFFFFF; };
  auto near = [&](auto inked, int x, int y) {
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx) {
        const int xx = x + dx, yy = y + dy;
        if (xx >= 0 && yy >= 0 && xx < w && yy < h && inked(xx, yy)) return true;
      }
    return false;
  };
  int drawn = 0, extra = 0, inked = 0, missed = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (played(x, y)) {
        ++drawn;
        extra += !near(inBmp, x, y);
      }
      if (inBmp(x, y)) {
        ++inked;
        missed += !near(played, x, y);
      }
    }
  EXPECT_GT(inked, 1000);
  EXPECT_LT(extra, drawn / 100) << extra << " of " << drawn << " played pixels are blank in the BMP";
  EXPECT_LT(missed, inked / 100) << missed << " of " << inked << " BMP pixels have nothing near them in the playback";
}

}  // namespace
}  // namespace kvn
