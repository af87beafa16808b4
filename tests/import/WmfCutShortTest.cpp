// A Windows metafile cut at a record boundary: its records up to the cut
// are sound, only the end record is gone. Opened, it shows what could be
// read and is told as damaged, as an enhanced metafile cut so is; the whole
// file is not. So are metafiles cut inside a record, ended early (zeros
// after the end record that the header's size counts too), or whose header
// counts records the walk did not meet; padding past the header's size and
// a size counted another way are not damage.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "document/OpenDrawingFile.h"
#include "document/PartialReadNotice.h"
#include "dwg/InstallReaders.h"
#include "foundation/LangTable.h"
#include "model/cBlock.h"
#include "model/cWmf.h"
#include "platform/gdi/LeBytes.h"
#include "platform/metafile/WmfToEmf.h"
#include "render/PictureServicesImpl.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Where the headers end (the placeable one's included), and where each
// record ends, the end record's included.
std::size_t HeadersEnd(const std::vector<std::uint8_t>& file) {
  return (le::U32(file.data()) == kPlaceableKey ? kPlaceableHeaderSize : 0) + kWmfHeaderSize;
}

std::vector<std::size_t> RecordEnds(const std::vector<std::uint8_t>& file) {
  std::size_t at = HeadersEnd(file);
  std::vector<std::size_t> ends;
  while (at + 6 <= file.size()) {
    const std::uint32_t words = le::U32(file.data() + at);
    const std::uint16_t function = le::U16(file.data() + at + 4);
    if (words < 3) break;
    at += 2 * std::size_t(words);
    ends.push_back(at);
    if (function == 0) break;
  }
  return ends;
}

TEST(WmfCutShort, EveryCutAtARecordBoundaryShowsWhatCameBeforeItAndIsTold) {
  KVN_REQUIRE_TESTDATA(data);
  InstallRendererPictureServices();
  FormatRegistry registry;
  InstallReaders(registry);
  test::ScratchDir dir;
  // The third counts its placeable header in its size: whole, it is not told.
  for (const char* name : {"libwmf_sample.wmf", "libwmf_text.wmf", "libuemf_test_libuemf_ref.wmf"}) {
    SCOPED_TRACE(name);
    const std::vector<std::uint8_t> file = ReadBytes(data / "metafile" / name);
    const std::vector<std::size_t> ends = RecordEnds(file);
    ASSERT_GT(ends.size(), 4u);
    ASSERT_EQ(ends.back(), file.size());
    const std::size_t records = ends.size();
    // The headers alone, the first record, half of them, all but the end
    // record, and the whole file.
    const std::size_t headers = HeadersEnd(file);
    const std::size_t cuts[] = {headers, ends[0], ends[records / 2 - 1], ends[records - 2], file.size()};
    std::uint32_t shownBefore = 0;
    for (const std::size_t cut : cuts) {
      SCOPED_TRACE("cut after byte " + std::to_string(cut));
      const fs::path path = dir / ("cut-" + std::to_string(cut) + ".wmf");
      ASSERT_TRUE(test::SaveBytes(path.string(), {file.begin(), file.begin() + std::ptrdiff_t(cut)}));
      OpenRequest request;
      request.quiet = true;
      const WString wpath = WString::FromUtf8(path.string());
      DocumentResult result = OpenDrawing(wpath, request, registry);
      ASSERT_TRUE(result.Ok());
      const bool whole = cut == file.size();
      EXPECT_EQ(result.Partial(), !whole);
      const WString told = OpenWarningText(result, wpath);
      EXPECT_EQ(told.View().find(LoadLangString(kStrPartialReadShown).View()) != std::u16string_view::npos, !whole)
          << told.ToUtf8();
      const cOutObj* object = result.Document()->GetFirstSheet()->TopBlock().FirstObject();
      ASSERT_NE(object, nullptr);
      ASSERT_NE(object->AsWmf(), nullptr);
      const std::vector<std::uint8_t>& emf = *object->AsWmf()->Bits()->bytes;
      // Each later cut shows at least the records of the one before.
      const std::uint32_t shown = le::U32(emf.data() + 52);
      EXPECT_GE(shown, shownBefore);
      if (cut == ends[records / 2 - 1] || cut == ends[records - 2]) {
        EXPECT_GT(shown, shownBefore);
      }
      shownBefore = shown;
    }
  }
}

// A metafile file opened as the viewer opens it: whether the open is told
// as damaged, and the bytes of the enhanced metafile shown.
struct Opened {
  bool told = false;
  std::vector<std::uint8_t> shown;
};

Opened OpenAs(const fs::path& path, const std::vector<std::uint8_t>& bytes, const FormatRegistry& registry) {
  Opened opened;
  EXPECT_TRUE(test::SaveBytes(path.string(), bytes));
  OpenRequest request;
  request.quiet = true;
  DocumentResult result = OpenDrawing(WString::FromUtf8(path.string()), request, registry);
  EXPECT_TRUE(result.Ok()) << path;
  if (!result.Ok()) return opened;
  opened.told = result.Partial();
  const cOutObj* object = result.Document()->GetFirstSheet()->TopBlock().FirstObject();
  if (object && object->AsWmf()) opened.shown = *object->AsWmf()->Bits()->bytes;
  return opened;
}

TEST(WmfCutShort, DamagedMetafilesShowWhatWasReadAndAreToldPaddingIsNot) {
  KVN_REQUIRE_TESTDATA(data);
  InstallRendererPictureServices();
  FormatRegistry registry;
  InstallReaders(registry);
  test::ScratchDir dir;
  using Bytes = std::vector<std::uint8_t>;
  using Change = void (*)(Bytes&);
  struct Case {
    const char* sample;
    const char* what;
    Change change;
    bool told;
    // What is shown: the picture of the sample cut at this byte (from the
    // file's start), or, at 0, of the sample as it was changed (an enhanced
    // metafile, shown as the file holds it) or whole (a Windows metafile).
    std::size_t sameAsCutAt;
  };
  const Case cases[] = {
      {"libwmf_sample.wmf", "record 321 (byte 9426) made an end record; 10 KB of records follow",
       [](Bytes& b) {
         le::Put32(b.data() + 9426, 3);
         le::Put16(b.data() + 9430, 0);
       },
       true, 9426},
      {"libwmf_text.wmf", "cut at byte 813, inside record 34",
       [](Bytes& b) { b.resize(813); }, true, 796},
      {"libuemf_test_mm_anisotropic_ref.emf", "header counts one record more than the file holds",
       [](Bytes& b) { le::Put32(b.data() + 52, le::U32(b.data() + 52) + 1); }, true, 0},
      // Zeros where the header's size counts records are records lost, not
      // padding; zeros past that size are not the picture's.
      {"libwmf_text.wmf", "64 zero bytes after the end record, counted by the header's size",
       [](Bytes& b) {
         b.resize(b.size() + 64, 0);
         le::Put32(b.data() + 6, std::uint32_t(b.size() / 2));
       },
       true, 0},
      {"libwmf_sample.wmf", "the record at byte 9434 made an end record, every byte after it zero",
       [](Bytes& b) {
         ASSERT_EQ(le::U32(b.data() + 22 + 6), (b.size() - 22) / 2);  // the header still counts them
         le::Put32(b.data() + 9434, 3);
         le::Put16(b.data() + 9438, 0);
         std::fill(b.begin() + 9440, b.end(), std::uint8_t(0));
       },
       true, 9434},
      {"libwmf_text.wmf", "64 zero bytes after the end record, past the header's size",
       [](Bytes& b) { b.resize(b.size() + 64, 0); }, false, 0},
      {"libwmf_sample.wmf", "22 zero bytes after the end record, past the header's size",
       [](Bytes& b) { b.resize(b.size() + 22, 0); }, false, 0},
      {"libwmf_sample.wmf", "header's size 100 words beyond the file",
       [](Bytes& b) { le::Put32(b.data() + 22 + 6, le::U32(b.data() + 22 + 6) + 100); }, false, 0},
      {"libuemf_test_libuemf_ref.wmf", "16 bytes after the end: its size counts the placeable header",
       [](Bytes& b) { b.resize(b.size() + 16, 0xAB); }, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.sample) + ": " + c.what);
    const Bytes original = ReadBytes(data / "metafile" / c.sample);
    ASSERT_FALSE(original.empty());
    Bytes changed = original;
    c.change(changed);
    const std::string ext = fs::path(c.sample).extension().string();
    const Opened opened = OpenAs(dir / ("changed" + ext), changed, registry);
    EXPECT_EQ(opened.told, c.told);
    ASSERT_FALSE(opened.shown.empty());
    if (c.sameAsCutAt != 0) {
      const Bytes cutBytes(original.begin(), original.begin() + std::ptrdiff_t(c.sameAsCutAt));
      const Opened cut = OpenAs(dir / ("cut" + ext), cutBytes, registry);
      EXPECT_TRUE(opened.shown == cut.shown);
    } else if (ext == ".emf") {
      EXPECT_TRUE(opened.shown == changed);
    } else {
      EXPECT_TRUE(opened.shown == OpenAs(dir / "whole.wmf", original, registry).shown);
    }
  }
}

}  // namespace
}  // namespace kvn
