// An EXTTEXTOUT's spacing array is optional: a record that ends after its
// string is drawn with the font's own advances. A metafile holding one,
// whatever its length, opens quietly and plays the records of its twin
// with spacing, but for the spacing itself (and of a TEXTOUT of the same
// text, which never has spacing). A spacing array cut short loses
// that record alone, and the open says the picture was read in part.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "document/OpenDrawingFile.h"
#include "document/PartialReadNotice.h"
#include "dwg/InstallReaders.h"
#include "foundation/LangTable.h"
#include "model/cBlock.h"
#include "model/cWmf.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RasterDC.h"
#include "platform/metafile/EmfPlayer.h"
#include "platform/metafile/WmfToEmf.h"
#include "render/PictureServicesImpl.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kExtTextOut = 0x0A32;
constexpr std::uint32_t kEmrExtTextOutA = 83;

Bytes ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::size_t WmfHeaderAt(const Bytes& file) { return le::U32(file.data()) == kPlaceableKey ? kPlaceableHeaderSize : 0; }

struct WmfRecord {
  std::size_t at = 0, size = 0;
  std::uint16_t function = 0;
};

std::vector<WmfRecord> WmfRecords(const Bytes& file) {
  std::vector<WmfRecord> records;
  std::size_t at = WmfHeaderAt(file) + kWmfHeaderSize;
  while (at + 6 <= file.size()) {
    const WmfRecord r{at, 2 * std::size_t(le::U32(file.data() + at)), le::U16(file.data() + at + 4)};
    if (r.size < 6 || r.size > file.size() - at) break;
    records.push_back(r);
    at += r.size;
    if (r.function == 0) break;
  }
  return records;
}

// The file with `size` bytes at `at` replaced by `record`, its header's size
// and largest record kept true.
Bytes Splice(const Bytes& file, std::size_t at, std::size_t size, const Bytes& record) {
  Bytes out(file.begin(), file.begin() + std::ptrdiff_t(at));
  out.insert(out.end(), record.begin(), record.end());
  out.insert(out.end(), file.begin() + std::ptrdiff_t(at + size), file.end());
  std::uint8_t* header = out.data() + WmfHeaderAt(out);
  le::Put32(header + 6, std::uint32_t(le::U32(header + 6) + record.size() / 2 - size / 2));
  le::Put32(header + 12, std::max<std::uint32_t>(le::U32(header + 12), std::uint32_t(record.size() / 2)));
  return out;
}

// META_EXTTEXTOUT {y, x, count, options, string padded to even, [spacing]}
// with `dxCount` spacing values (none, all, or fewer: cut short).
Bytes ExtTextOut(const std::string& text, std::size_t dxCount) {
  const std::size_t padded = (text.size() + 1) & ~std::size_t(1);
  Bytes r(6 + 8 + padded + 2 * dxCount, 0);
  le::Put32(r.data(), std::uint32_t(r.size() / 2));
  le::Put16(r.data() + 4, kExtTextOut);
  le::Put16(r.data() + 6, 40);  // y
  le::Put16(r.data() + 8, 10);  // x
  le::Put16(r.data() + 10, std::uint16_t(text.size()));
  std::memcpy(r.data() + 14, text.data(), text.size());
  for (std::size_t i = 0; i < dxCount; ++i) le::Put16(r.data() + 14 + padded + 2 * i, std::uint16_t(20 + i % 7));
  return r;
}

// META_TEXTOUT {count, string padded to even, y, x} at the same place: text
// that never has spacing.
Bytes TextOut(const std::string& text) {
  const std::size_t padded = (text.size() + 1) & ~std::size_t(1);
  Bytes r(6 + 2 + padded + 4, 0);
  le::Put32(r.data(), std::uint32_t(r.size() / 2));
  le::Put16(r.data() + 4, 0x0521);
  le::Put16(r.data() + 6, std::uint16_t(text.size()));
  std::memcpy(r.data() + 8, text.data(), text.size());
  le::Put16(r.data() + 8 + padded, 40);  // y
  le::Put16(r.data() + 10 + padded, 10);  // x
  return r;
}

// The same record with its spacing array cut to `keep` values (all of it
// gone at 0).
Bytes WithSpacing(const Bytes& file, const WmfRecord& r, std::size_t keep) {
  const std::uint8_t* p = file.data() + r.at;
  const std::uint32_t count = le::U16(p + 10);
  const std::size_t stringAt = (le::U16(p + 12) & 6) ? 22 : 14;  // after the rectangle of opaque or clipped text
  const std::size_t end = stringAt + ((count + 1) & ~1u) + 2 * keep;
  Bytes record(p, p + end);
  le::Put32(record.data(), std::uint32_t(end / 2));
  return Splice(file, r.at, r.size, record);
}

std::string Text(std::size_t n) {
  std::string s;
  while (s.size() < n) s += "The quick brown fox jumps over the lazy dog. ";
  return s.substr(0, n);
}

// A metafile opened as the viewer opens it.
struct Opened {
  bool ok = false;
  bool told = false;
  WString warning;
  Bytes emf;
};

Opened Open(const fs::path& path, const Bytes& bytes, const FormatRegistry& registry) {
  Opened opened;
  EXPECT_TRUE(test::SaveBytes(path.string(), bytes));
  OpenRequest request;
  request.quiet = true;
  const WString wpath = WString::FromUtf8(path.string());
  DocumentResult result = OpenDrawing(wpath, request, registry);
  opened.ok = result.Ok();
  if (!opened.ok) return opened;
  opened.told = result.Partial();
  opened.warning = OpenWarningText(result, wpath);
  const cOutObj* object = result.Document()->GetFirstSheet()->TopBlock().FirstObject();
  if (object && object->AsWmf()) opened.emf = *object->AsWmf()->Bits()->bytes;
  return opened;
}

// The records of an enhanced metafile, each as its bytes, but for what a
// spacing array changes: EXTTEXTOUTA records lose their array (offset 0,
// the record ending with its string) and the header its byte and record
// counts.
std::vector<Bytes> RecordsButSpacing(const Bytes& emf) {
  std::vector<Bytes> records;
  std::size_t at = 0;
  while (at + 8 <= emf.size()) {
    const std::uint32_t size = le::U32(emf.data() + at + 4);
    if (size < 8 || size > emf.size() - at) break;
    Bytes r(emf.begin() + std::ptrdiff_t(at), emf.begin() + std::ptrdiff_t(at + size));
    if (le::U32(r.data()) == kEmrExtTextOutA && r.size() >= 76) {
      const std::uint32_t count = le::U32(r.data() + 44);
      r.resize(std::min<std::size_t>(r.size(), 76 + ((count + 3) & ~3u)));
      le::Put32(r.data() + 4, std::uint32_t(r.size()));
      le::Put32(r.data() + 72, 0);
    } else if (at == 0 && r.size() >= 56) {
      le::Put32(r.data() + 48, 0);
      le::Put32(r.data() + 52, 0);
    }
    records.push_back(std::move(r));
    at += size;
  }
  return records;
}

// What playing the metafile onto a small raster does: records played and
// records passed over.
EmfPlayStats Play(const Bytes& emf) {
  EmfPlayStats stats;
  const std::optional<EmfDocument> doc = EmfDocument::FromBytes(emf.data(), emf.size());
  EXPECT_TRUE(doc);
  if (!doc) return stats;
  std::vector<std::uint8_t> bits(200 * 150 * 4, 0xFF);
  auto dc = RasterDC::Create(bits.data(), 200, 150);
  EXPECT_TRUE(PlayEnhMetaFile(*dc, *doc, TRect{0, 0, 200, 150}, &stats));
  return stats;
}

// One text record in a sample: where it goes and the records the variants
// are made from.
struct Variant {
  std::string what;
  Bytes withDx, withoutDx, cut;
  Bytes textOut;  // the same text as a TEXTOUT, where there is one
};

TEST(WmfTextSpacing, TextWithoutSpacingOpensQuietlyAndPlaysLikeItsTwinCutSpacingIsTold) {
  KVN_REQUIRE_TESTDATA(data);
  InstallRendererPictureServices();
  FormatRegistry registry;
  InstallReaders(registry);
  test::ScratchDir dir;

  std::vector<Variant> variants;
  // Lengths across what used to be the limit (26 characters of an 8-bit
  // string held without spacing), odd and even.
  const std::size_t lengths[] = {1, 26, 27, 200};
  // libwmf_text: its first TEXTOUT (record 2) replaced; the others: a
  // record put before the end record. libwmf_cell is not in every copy of
  // the test data.
  for (const char* name : {"libwmf_text.wmf", "libwmf_sample.wmf", "libwmf_cell.wmf"}) {
    const fs::path path = data / "metafile" / name;
    if (!fs::exists(path)) {
      std::printf("%s: not in the test data, left out\n", name);
      continue;
    }
    const Bytes file = ReadBytes(path);
    const std::vector<WmfRecord> records = WmfRecords(file);
    ASSERT_GT(records.size(), 3u) << name;
    ASSERT_EQ(records.back().function, 0) << name;
    const bool replace = std::string(name) == "libwmf_text.wmf";
    const WmfRecord& at = replace ? records[2] : records.back();
    if (replace) {
      ASSERT_EQ(at.at, 60u);
      ASSERT_EQ(at.function, 0x0521);  // TEXTOUT
    }
    for (const std::size_t n : lengths) {
      const std::string text = Text(n);
      auto make = [&](std::size_t dx) { return Splice(file, at.at, replace ? at.size : 0, ExtTextOut(text, dx)); };
      variants.push_back({std::string(name) + ", " + std::to_string(n) + " characters", make(n), make(0),
                          n > 1 ? make(n / 2) : Bytes{},
                          Splice(file, at.at, replace ? at.size : 0, TextOut(text))});
    }
  }
  // libuemf's reference picture: every EXTTEXTOUT (143, 12 of them longer
  // than 26 characters) without its spacing, or the first long one's cut.
  {
    const Bytes file = ReadBytes(data / "metafile" / "libuemf_test_libuemf_ref.wmf");
    const std::vector<WmfRecord> records = WmfRecords(file);
    Bytes stripped = file;
    int texts = 0, long_ = 0;
    std::optional<WmfRecord> firstLong;
    for (auto r = records.rbegin(); r != records.rend(); ++r) {  // from the end: offsets before stay put
      if (r->function != kExtTextOut) continue;
      ++texts;
      const std::uint32_t count = le::U16(file.data() + r->at + 10);
      if (count > 26) {
        ++long_;
        firstLong = *r;
      }
      stripped = WithSpacing(stripped, *r, 0);
    }
    ASSERT_EQ(texts, 143);
    ASSERT_EQ(long_, 12);
    const std::uint32_t count = le::U16(file.data() + firstLong->at + 10);
    variants.push_back({"libuemf_test_libuemf_ref.wmf, every EXTTEXTOUT", file, stripped,
                        WithSpacing(file, *firstLong, count - 1), Bytes{}});
  }

  for (const Variant& v : variants) {
    SCOPED_TRACE(v.what);
    const Opened withDx = Open(dir / "dx.wmf", v.withDx, registry);
    const Opened withoutDx = Open(dir / "nodx.wmf", v.withoutDx, registry);
    ASSERT_TRUE(withDx.ok);
    ASSERT_TRUE(withoutDx.ok);
    EXPECT_FALSE(withDx.told);
    EXPECT_FALSE(withoutDx.told);
    EXPECT_TRUE(withoutDx.warning.IsEmpty()) << withoutDx.warning.ToUtf8();
    const std::vector<Bytes> twin = RecordsButSpacing(withDx.emf);
    const std::vector<Bytes> plain = RecordsButSpacing(withoutDx.emf);
    EXPECT_EQ(plain.size(), twin.size());
    EXPECT_TRUE(plain == twin);
    // Only the spacing differs: the twin's EXTTEXTOUTA records carry theirs.
    EXPECT_NE(withDx.emf, withoutDx.emf);
    const EmfPlayStats played = Play(withoutDx.emf), playedTwin = Play(withDx.emf);
    EXPECT_EQ(played.records, playedTwin.records);
    EXPECT_EQ(played.unplayed, playedTwin.unplayed);
    if (!v.textOut.empty()) {
      const Opened textOut = Open(dir / "textout.wmf", v.textOut, registry);
      ASSERT_TRUE(textOut.ok);
      EXPECT_FALSE(textOut.told);
      EXPECT_TRUE(RecordsButSpacing(textOut.emf) == plain);
    }

    if (v.cut.empty()) continue;
    // A spacing array cut short: that record is dropped, the open is told.
    const Opened cut = Open(dir / "cut.wmf", v.cut, registry);
    ASSERT_TRUE(cut.ok);
    EXPECT_TRUE(cut.told);
    EXPECT_NE(cut.warning.View().find(LoadLangString(kStrPartialReadShown).View()), std::u16string_view::npos)
        << cut.warning.ToUtf8();
    const std::vector<Bytes> kept = RecordsButSpacing(cut.emf);
    ASSERT_EQ(kept.size() + 1, twin.size());
    std::size_t dropped = 0;
    while (dropped < kept.size() && kept[dropped] == twin[dropped]) ++dropped;
    EXPECT_EQ(le::U32(twin[dropped].data()), kEmrExtTextOutA);
    EXPECT_TRUE(std::equal(kept.begin() + std::ptrdiff_t(dropped), kept.end(),
                           twin.begin() + std::ptrdiff_t(dropped) + 1));
  }
}

}  // namespace
}  // namespace kvn
