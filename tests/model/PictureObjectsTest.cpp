// Pictures and metafiles placed in drawings: frame geometry, records of
// every version row written from the record tables, shared holders and
// their counts, metafile handles, and the factory codes.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/ObjectTypes.h"
#include "model/cBitmap.h"
#include "model/cBlock.h"
#include "model/cWmf.h"
#include "platform/gdi/Clipboard.h"
#include "platform/gdi/LeBytes.h"
#include "tests/support/RecordFixtures.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using test::MemoryArchive;

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// A 3 x 2 24-bit picture.
std::unique_ptr<TDib> SmallPicture() {
  auto dib = std::make_unique<TDib>();
  EXPECT_TRUE(dib->Create(3, 2, 24));
  dib->SetPixel(0, 0, 0xFF0000);
  dib->SetPixel(2, 1, 0x00FF00);
  return dib;
}

std::vector<std::uint8_t> Packed(const TDib& dib) { return {dib.PackedDib(), dib.PackedDib() + dib.PackedDibSize()}; }

void ExpectNear(const DPoint& a, const DPoint& b) {
  EXPECT_NEAR(a.x, b.x, 1e-9);
  EXPECT_NEAR(a.y, b.y, 1e-9);
}

TEST(PictureFrame, GeometryOfTheRecordTables) {
  cBitmap b;
  const DPoint pts[2] = {{5, 1}, {2, 4}};
  b.frame.angle = 30;
  b.SetPoints(pts, 2);
  EXPECT_EQ(b.frame.origin, (DPoint{2, 1}));
  EXPECT_EQ(b.frame.width, 3);
  EXPECT_EQ(b.frame.height, 3);
  EXPECT_EQ(b.frame.angle, 0);

  const TransformContext ctx;
  b.frame = PictureFrame{{0, 0}, 4, 5, 90};
  b.Scale(ctx, {0, 0}, {2, 3});
  EXPECT_EQ(b.frame.width, 12);
  EXPECT_EQ(b.frame.height, 10);
  b.frame = PictureFrame{{1, 1}, 4, 5, 45};
  b.Scale(ctx, {0, 0}, {2, 3});
  EXPECT_EQ(b.frame.width, 8);
  EXPECT_EQ(b.frame.height, 10);
  EXPECT_EQ(b.frame.origin, (DPoint{2, 3}));
  b.frame = PictureFrame{{1, 1}, 4, 5, 0};
  b.Scale(ctx, {0, 0}, {-1, 1});
  EXPECT_EQ(b.frame.angle, 180);
  EXPECT_EQ(b.frame.height, -5);
  EXPECT_EQ(b.frame.origin, (DPoint{-1, 1}));

  b.frame = PictureFrame{{1, 0}, 4, 5, 170};
  EXPECT_TRUE(b.Rotate(ctx, {0, 0}, -30));
  EXPECT_NEAR(b.frame.angle, -160, 1e-12);
  ExpectNear(b.frame.origin, {std::cos(-M_PI / 6), std::sin(-M_PI / 6)});
  b.frame.angle = 170;
  b.Rotate(ctx, {0, 0}, 30);
  EXPECT_NEAR(b.frame.angle, 140, 1e-12);
  b.Rotate(ctx, {0, 0}, 17.5);  // any angle
  EXPECT_NEAR(b.frame.angle, 122.5, 1e-12);

  // The extent of a frame turned by 90: corners (0,0), (0,-4), (5,-4), (5,0).
  b.frame = PictureFrame{{0, 0}, 4, 5, 90};
  b.UpdateIfDirty(nullptr);
  DRect e;
  b.GetExtent(e);
  EXPECT_NEAR(e.x1, 0, 1e-9);
  EXPECT_NEAR(e.y1, -4, 1e-9);
  EXPECT_NEAR(e.x2, 5, 1e-9);
  EXPECT_NEAR(e.y2, 0, 1e-9);
}

TEST(cBitmap, RecordRoundTripWithMaskAndTransparentColour) {
  cBitmap b;
  b.frame = PictureFrame{{1.5, -2}, 30, -20, 33};
  b.transparentColour = 0x00FFFFFF;
  b.tolerance = 12.5;
  auto mask = std::make_unique<TDib>();
  ASSERT_TRUE(mask->Create(3, 2, 8));
  mask->SetPixel(1, 1, 200);
  auto picture = SmallPicture();
  const auto packed = Packed(*picture);
  b.SetImage(false, std::move(picture), false, {}, std::move(mask));
  ASSERT_NE(b.GetAlphaMask(), nullptr);
  const auto bytes = test::Archive([&](ArchiveWriter& w) { b.Write(nullptr, w); });
  MemoryArchive a(bytes);
  ASSERT_EQ(a.Reader().ReadByte() & kTypeCodeMask, kTypeBitmap);
  cBitmap back;
  back.Read(nullptr, nullptr, a.Reader(), kCurrentFileVersion);
  EXPECT_FALSE(a.Reader().HasError());
  EXPECT_EQ(back.frame.origin, b.frame.origin);
  EXPECT_EQ(back.frame.height, -20);  // current rows keep the mirror
  EXPECT_EQ(back.frame.angle, 33);
  EXPECT_EQ(back.transparentColour, 0x00FFFFFFu);
  EXPECT_EQ(back.tolerance, 12.5);
  ASSERT_NE(back.StoredDib(), nullptr);
  EXPECT_EQ(Packed(*back.StoredDib()), packed);
  ASSERT_NE(back.GetAlphaMask(), nullptr);
  std::uint32_t v = 0;
  back.GetAlphaMask()->GetPixel(1, 1, &v);
  EXPECT_EQ(v, 200u);
  EXPECT_EQ(back.Encoded(), nullptr);
}

TEST(cBitmap, EncodedOnlyAndEmptyPicturesWriteTheirForms) {
  cBitmap jpeg;
  jpeg.SetEncodedImage({0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3});
  const auto bytes = test::Archive([&](ArchiveWriter& w) { jpeg.Write(nullptr, w); });
  MemoryArchive a(bytes);
  a.Reader().ReadByte();
  cBitmap back;
  back.Read(nullptr, nullptr, a.Reader(), kCurrentFileVersion);
  ASSERT_NE(back.Encoded(), nullptr);
  EXPECT_EQ(back.Encoded()->bytes, (std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF, 0xE0, 1, 2, 3}));
  EXPECT_EQ(back.Image(), nullptr);

  cBitmap none;
  const auto empty = test::Archive([&](ArchiveWriter& w) { none.Write(nullptr, w); });
  // The record ends with a zero count.
  ASSERT_GE(empty.size(), 4u);
  EXPECT_EQ(le::U32(empty.data() + empty.size() - 4), 0u);
  MemoryArchive e(empty);
  e.Reader().ReadByte();
  cBitmap backNone;
  backNone.Read(nullptr, nullptr, e.Reader(), kCurrentFileVersion);
  EXPECT_EQ(backNone.Image(), nullptr);
  EXPECT_FALSE(e.Reader().HasError());
}

// A picture record of an old row: float or real frame, packed DIB form.
std::vector<std::uint8_t> OldBitmapRecord(int version, DPoint origin, DPoint size, const std::vector<std::uint8_t>& dib,
                                          const std::vector<std::uint8_t>* mask = nullptr) {
  return test::Archive([&](ArchiveWriter& w) {
    test::WriteHeaderAt(w, version, test::HeaderFixture{});
    if (version < 3061) {
      test::WriteFloatPoint(w, origin.x, origin.y);
      test::WriteFloatPoint(w, size.x, size.y);
    } else {
      w.WriteRealPoint(origin);
      w.WriteRealPoint(size);
      if (version >= 3088) w.WriteCompactDouble(0);
      if (version >= 3092) w.WriteColor(kNoTransparentColour);
      if (version >= 3106) w.WriteBit(mask != nullptr);
      w.Flush();
      if (mask) {
        w.WriteRaw32(std::uint32_t(mask->size()));
        w.Write(mask->data(), std::uint32_t(mask->size()));
      }
    }
    if (version >= 3067) w.WriteBit(false);
    w.WriteRaw32(std::uint32_t(dib.size()));
    w.Write(dib.data(), std::uint32_t(dib.size()));
  });
}

TEST(cBitmap, VersionRowsAndHostileRecords) {
  const auto dib = Packed(*SmallPicture());
  for (int version : {3060, 3080, 3087}) {
    SCOPED_TRACE(version);
    MemoryArchive a(OldBitmapRecord(version, {1, 2}, {10, -6}, dib));
    cBitmap b;
    b.Read(nullptr, nullptr, a.Reader(), version);
    EXPECT_FALSE(a.Reader().HasError());
    EXPECT_EQ(b.frame.origin, (DPoint{1, 2}));
    EXPECT_EQ(b.frame.height, 6);  // before 3088 the size is made positive
    ASSERT_NE(b.StoredDib(), nullptr);
    EXPECT_EQ(Packed(*b.StoredDib()), dib);
  }
  // A mask longer than the mask's image (8 bytes for 3 x 2) is cut to it.
  std::vector<std::uint8_t> longMask(64, 7);
  MemoryArchive m(OldBitmapRecord(3111, {0, 0}, {3, 2}, dib, &longMask));
  cBitmap masked;
  masked.Read(nullptr, nullptr, m.Reader(), 3111);
  ASSERT_NE(masked.GetAlphaMask(), nullptr);
  EXPECT_EQ(masked.GetAlphaMask()->BitsSize(), 8u);
  // A header that lies about its palette and size is refused: the object
  // keeps what it had.
  auto lying = dib;
  le::Put32(lying.data() + 8, 0x7FFFFFF);
  MemoryArchive l(OldBitmapRecord(3111, {0, 0}, {3, 2}, lying));
  cBitmap keeps;
  keeps.SetImage(false, SmallPicture(), false, {}, nullptr);
  const auto before = keeps.Image();
  keeps.Read(nullptr, nullptr, l.Reader(), 3111);
  EXPECT_EQ(keeps.Image(), before);
  // A count beyond the data leaves the picture unchanged as well.
  auto cut = OldBitmapRecord(3111, {0, 0}, {3, 2}, dib);
  cut.resize(cut.size() - 10);
  MemoryArchive c(cut);
  keeps.Read(nullptr, nullptr, c.Reader(), 3111);
  EXPECT_EQ(keeps.Image(), before);
}

TEST(cBitmap, CopiesShareHoldersThatOutliveEachCopy) {
  auto original = std::make_unique<cBitmap>();
  original->SetImage(false, SmallPicture(), false, {}, nullptr);
  original->transparentColour = 0x123456;
  cBitmap copy;
  copy.Assign(*original);
  EXPECT_EQ(copy.Image(), original->Image());
  EXPECT_EQ(copy.Image().use_count(), 2);
  EXPECT_EQ(copy.transparentColour, 0x123456u);
  original.reset();
  EXPECT_EQ(copy.Image().use_count(), 1);
  ASSERT_NE(copy.StoredDib(), nullptr);
  EXPECT_EQ(copy.StoredDib()->Width(), 3);
  cBitmap third;
  third.ShareImageFrom(copy);
  third.ShareImageFrom(third);
  EXPECT_EQ(copy.Image().use_count(), 2);

  std::unique_ptr<cOutObj> made(cOutObj::Create(7, false));
  ASSERT_NE(made, nullptr);
  EXPECT_NE(made->AsBitmap(), nullptr);
  std::unique_ptr<cOutObj> clone(cOutObj::Clone(copy));
  ASSERT_NE(clone, nullptr);
  EXPECT_EQ(clone->AsBitmap()->Image(), copy.Image());
}

TEST(cBlock, RemoveBitmapsDeletesOnlyPictures) {
  cBlock block;
  ObjectChain chain;
  chain.Append(new cBitmap());
  chain.Append(new cWmf());
  chain.Append(new cBitmap());
  block.AppendChain(std::move(chain));
  block.flags |= kBlockChecksumValid;
  block.RemoveBitmaps();
  ASSERT_NE(block.FirstObject(), nullptr);
  EXPECT_NE(block.FirstObject()->AsWmf(), nullptr);
  EXPECT_EQ(block.FirstObject()->next, nullptr);
  EXPECT_EQ(block.flags & kBlockChecksumValid, 0);
}

TEST(cWmf, HandlesAreMadeOnceFromCheckedBytes) {
  KVN_REQUIRE_TESTDATA(dir);
  cWmf w;
  EXPECT_EQ(w.GetMetafileHandle(), nullptr);
  w.SetBits(ReadFile(dir / "metafile/libuemf_test_libuemf_ref.emf"));
  const EmfDocument* handle = w.GetMetafileHandle();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(w.GetMetafileHandle(), handle);
  cWmf copy;
  copy.Assign(w);
  EXPECT_EQ(copy.GetMetafileHandle(), handle);  // one holder, one handle
  EXPECT_EQ(w.Bits().use_count(), 2);

  // Bytes that fail the checks never get a handle.
  cWmf bad;
  bad.SetBits(ReadFile(dir / "metafile/bad_emf2svg_corrupted_2014-12-02-215338.emf"));
  EXPECT_EQ(bad.GetMetafileHandle(), nullptr);
  EXPECT_TRUE(bad.Bits()->handleTried);

  std::unique_ptr<cOutObj> made(cOutObj::Create(8, false));
  ASSERT_NE(made, nullptr);
  EXPECT_NE(made->AsWmf(), nullptr);
  // Without a holder nothing at all is written.
  cWmf empty;
  EXPECT_TRUE(test::Archive([&](ArchiveWriter& out) { empty.Write(nullptr, out); }).empty());
}

class RecordingClipboard : public ClipboardSink {
 public:
  bool Open() override { return ++opens > 0; }
  void Close() override { ++closes; }
  bool SetData(unsigned f, const std::uint8_t* data, std::size_t size) override {
    format = f;
    bytes.assign(data, data + size);
    return true;
  }
  int opens = 0, closes = 0;
  unsigned format = 0;
  std::vector<std::uint8_t> bytes;
};

TEST(cWmf, CopiesItsMetafileToAnOpenClipboardOnly) {
  RecordingClipboard sink;
  SetClipboardSink(&sink);
  cWmf w;
  const std::vector<std::uint8_t> emf = {1, 0, 0, 0, 0x6C, 0, 0, 0, 9};
  w.SetBits(emf);
  EXPECT_FALSE(w.CopyToClipboard());  // the caller has not opened it
  ASSERT_TRUE(OpenClipboard());
  EXPECT_FALSE(cWmf().CopyToClipboard());  // no bytes, nothing put
  EXPECT_EQ(sink.format, 0u);
  EXPECT_TRUE(w.CopyToClipboard());
  CloseClipboard();
  EXPECT_EQ(sink.format, kCfEnhMetafile);
  EXPECT_EQ(sink.bytes, emf);
  EXPECT_EQ(sink.closes, 1);
  SetClipboardSink(nullptr);
  EXPECT_FALSE(OpenClipboard());
}

TEST(cWmf, RecordRowsAndConversionOfOldMetafiles) {
  KVN_REQUIRE_TESTDATA(dir);
  const auto emf = ReadFile(dir / "metafile/libuemf_test_libuemf_ref.emf");
  cWmf w;
  w.frame = PictureFrame{{3, 4}, 12, -7, 45};
  w.SetBits(emf);
  const auto bytes = test::Archive([&](ArchiveWriter& out) { w.Write(nullptr, out); });
  MemoryArchive a(bytes);
  ASSERT_EQ(a.Reader().ReadByte() & kTypeCodeMask, kTypeWmf);
  cWmf back;
  back.Read(nullptr, nullptr, a.Reader(), kCurrentFileVersion);
  EXPECT_EQ(back.frame.origin, (DPoint{3, 4}));
  EXPECT_EQ(back.frame.height, -7);
  EXPECT_EQ(back.frame.angle, 45);
  ASSERT_NE(back.Bits(), nullptr);
  EXPECT_EQ(*back.Bits()->bytes, emf);

  // 3080: a negative width moves the origin to the near corner.
  const auto old = test::Archive([&](ArchiveWriter& out) {
    test::WriteHeaderAt(out, 3080, test::HeaderFixture{});
    out.WriteRealPoint({5, 2});
    out.WriteRealPoint({-10, 3});
    out.Flush();
    out.WriteRaw32(std::uint32_t(emf.size()));
    out.Write(emf.data(), std::uint32_t(emf.size()));
  });
  MemoryArchive o(old);
  cWmf w3080;
  w3080.Read(nullptr, nullptr, o.Reader(), 3080);
  EXPECT_EQ(w3080.frame.origin, (DPoint{15, 2}));
  EXPECT_EQ(w3080.frame.width, -10);

  // 3060: a Windows metafile with its extents becomes an enhanced one.
  auto wmf = ReadFile(dir / "metafile/libwmf_sample.wmf");
  if (wmf.size() > 22 && le::U32(wmf.data()) == 0x9AC6CDD7u) wmf.erase(wmf.begin(), wmf.begin() + 22);
  const auto older = test::Archive([&](ArchiveWriter& out) {
    test::WriteHeaderAt(out, 3060, test::HeaderFixture{});
    test::WriteFloatPoint(out, 1, 1);
    test::WriteFloatPoint(out, 20, 10);
    out.WriteUInt16(2000);
    out.WriteUInt16(1000);
    out.WriteRaw32(std::uint32_t(wmf.size()));
    out.Write(wmf.data(), std::uint32_t(wmf.size()));
  });
  MemoryArchive p(older);
  cWmf w3060;
  w3060.Read(nullptr, nullptr, p.Reader(), 3060);
  ASSERT_NE(w3060.Bits(), nullptr);
  EXPECT_NE(w3060.GetMetafileHandle(), nullptr);
  // Garbage in place of the metafile: no bits, and reading goes on.
  const auto garbage = test::Archive([&](ArchiveWriter& out) {
    test::WriteHeaderAt(out, 3060, test::HeaderFixture{});
    test::WriteFloatPoint(out, 1, 1);
    test::WriteFloatPoint(out, 20, 10);
    out.WriteUInt16(2000);
    out.WriteUInt16(1000);
    out.WriteRaw32(8);
    out.Write("garbage!", 8);
    out.WriteByte(0x5A);
  });
  MemoryArchive g(garbage);
  cWmf wGarbage;
  wGarbage.Read(nullptr, nullptr, g.Reader(), 3060);
  EXPECT_EQ(wGarbage.Bits(), nullptr);
  EXPECT_EQ(g.Reader().ReadByte(), 0x5A);
}

}  // namespace
}  // namespace kvn
