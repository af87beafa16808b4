#include <gtest/gtest.h>

#include <numbers>

#include "import/records/YxxfGroupRecord.h"
#include "tests/dwg/DwgTestSupport.h"

namespace kvn {
namespace {

using test::BitReader;
using test::DwgEntityCommon;
using test::DwgObjectWriter;

constexpr int kReleases[] = {14, 15, 18, 21, 24, 32};

// Reads one object; the reader stays for the record.
struct Read {
  Read(const std::vector<std::uint8_t>& bytes, int release) : r(bytes, release) {
    ok = r.reader.ReadDwgObject(std::uint32_t(bytes.size()));
    record = test::RecordOf(r.reader);
    codes = test::CodesOf(r.reader.TakeRecord());
  }
  BitReader r;
  bool ok = false;
  std::unique_ptr<YxxfGroupRecord> record;
  std::vector<int> codes;
};

std::vector<std::uint8_t> Object(int release, int type, void (*fields)(DwgObjectWriter&),
                                 void (*handles)(DwgObjectWriter&) = nullptr, DwgEntityCommon c = {}) {
  DwgObjectWriter w(release, type, 0x80);
  w.CommonEntity(c);
  fields(w);
  w.EntityHandles(c);
  if (handles) handles(w);
  return w.Finish();
}

TEST(DwgEntityHandlersTest, SampleObjectsOfEveryRelease) {
  for (int release : kReleases) {
    for (const test::DwgSampleObject& sample : test::DwgSampleObjects(release)) {
      SCOPED_TRACE(sample.typeName + " release " + std::to_string(release));
      Read got(sample.bytes, release);
      ASSERT_TRUE(got.ok);
      const YxxfGroupRecord& rec = *got.record;
      EXPECT_EQ(got.r.reader.objectStatistics.Read(sample.typeName), 1u);
      if (sample.typeName == "LINE") {
        EXPECT_EQ(got.r.reader.EntityCode(), entity::kLine);
        EXPECT_EQ(rec.GetDouble(10), 1.0);
        EXPECT_EQ(rec.GetDouble(20), 2.0);
        EXPECT_EQ(rec.GetDouble(11), 3.0);
        EXPECT_EQ(rec.GetDouble(21), 4.0);
        EXPECT_EQ(rec.GetDouble(230), 1.0);
      } else if (sample.typeName == "CIRCLE") {
        EXPECT_EQ(got.r.reader.EntityCode(), entity::kCircle);
        EXPECT_EQ(rec.GetDouble(10), 5.0);
        EXPECT_EQ(rec.GetDouble(40), 2.0);
      } else if (sample.typeName == "TEXT") {
        EXPECT_EQ(got.r.reader.EntityCode(), entity::kText);
        EXPECT_EQ(rec.GetString(1), WString(u"Hi"));
        EXPECT_EQ(rec.GetDouble(40), 2.5);
        EXPECT_EQ(rec.GetHandle(7), 0x11u);
        EXPECT_EQ(rec.GetHandle(8), 0x10u);
        // From R2007 the text follows the handles.
        if (release >= 21) {
          EXPECT_GT(test::IndexOf(got.codes, 1), test::IndexOf(got.codes, 7));
        }
      } else if (sample.typeName == "INSERT") {
        EXPECT_EQ(got.r.reader.EntityCode(), entity::kInsert);
        EXPECT_EQ(rec.GetDouble(41), 1.0);
        EXPECT_EQ(rec.GetDouble(42), 1.0);
        EXPECT_EQ(rec.GetDouble(43), 1.0);
        EXPECT_EQ(rec.GetHandle(2), 0x40u);
        EXPECT_EQ(rec.FindIndex(66), -1);
        EXPECT_EQ(rec.FindIndex(kCodeClosingEntity), -1);
      } else if (sample.typeName == "VERTEX_2D") {
        EXPECT_EQ(got.r.reader.LinkKind(), kLinkSubEntity);
        EXPECT_EQ(rec.GetDouble(40), 2.5);
        EXPECT_EQ(rec.GetDouble(41), 2.5);
      } else if (sample.typeName == "LWPOLYLINE") {
        EXPECT_EQ(got.r.reader.EntityCode(), entity::kLwPolyline);
        EXPECT_EQ(rec.GetInt(90), 2);
        EXPECT_EQ(rec.GetInt(70), 1);
        EXPECT_GT(test::IndexOf(got.codes, 70), test::IndexOf(got.codes, 8));
        std::uint32_t at = 0;
        double x = -1;
        rec.FindDouble(x, 10, &at);
        rec.FindDouble(x, 10, &at);
        EXPECT_EQ(x, 1.0);
      } else if (sample.typeName == "MTEXT") {
        EXPECT_EQ(got.r.reader.EntityCode(), entity::kMText);
        EXPECT_EQ(rec.GetString(1), WString(u"M"));
        EXPECT_EQ(rec.GetDouble(40), 2.5);
        EXPECT_EQ(rec.GetInt(71), 1);
      } else if (sample.typeName == "SEQEND") {
        EXPECT_EQ(got.r.reader.EntityCode(), entity::kSeqEnd);
        EXPECT_EQ(got.r.reader.LinkKind(), kLinkSubEntity);
      }
    }
  }
}

TEST(DwgEntityHandlersTest, SimpleEntities) {
  for (int release : kReleases) {
    SCOPED_TRACE(release);
    Read arc(Object(release, 17, [](DwgObjectWriter& w) {
               w.data.Point3BD(1, 2, 3);
               w.data.BD(4);
               if (w.Release() <= 14) {
                 w.data.BD(0);
                 w.data.Point3BD(0, 0, 1);
               } else {
                 w.data.B(1);
                 w.data.B(1);
               }
               w.data.BD(0);
               w.data.BD(std::numbers::pi);
             }),
             release);
    ASSERT_TRUE(arc.ok);
    EXPECT_EQ(arc.r.reader.EntityCode(), entity::kArc);
    EXPECT_EQ(arc.record->GetDouble(50), 0.0);
    EXPECT_DOUBLE_EQ(arc.record->GetDouble(51), 180.0);

    Read solid(Object(release, 31, [](DwgObjectWriter& w) {
                 if (w.Release() <= 14) {
                   w.data.BD(0);
                 } else {
                   w.data.B(1);
                 }
                 w.data.BD(7);
                 for (int i = 0; i < 4; ++i) w.data.Point2RD(i, i);
                 if (w.Release() <= 14) {
                   w.data.Point3BD(0, 0, 1);
                 } else {
                   w.data.B(1);
                 }
               }),
               release);
    ASSERT_TRUE(solid.ok);
    for (std::uint16_t code : {30, 31, 32, 33}) EXPECT_EQ(solid.record->GetDouble(code), 7.0);
    EXPECT_EQ(solid.record->GetDouble(13), 3.0);

    Read xline(Object(release, 41, [](DwgObjectWriter& w) {
                 w.data.Point3BD(1, 2, 3);
                 w.data.Point3BD(0, 1, 0);
               }),
               release);
    ASSERT_TRUE(xline.ok);
    EXPECT_EQ(xline.r.reader.EntityCode(), entity::kRay);
    EXPECT_EQ(xline.record->FindIndex(10), -1);

    // Modeller data is stepped over whatever it holds.
    Read body(Object(release, 38, [](DwgObjectWriter& w) { w.data.Bits(0x123456789ull, 37); }), release);
    ASSERT_TRUE(body.ok);
    EXPECT_EQ(body.r.reader.EntityCode(), entity::kRegion);
    EXPECT_EQ(body.record->GetHandle(8), 0x10u);

    Read ellipse(Object(release, 35, [](DwgObjectWriter& w) {
                   w.data.Point3BD(1, 1, 0);
                   w.data.Point3BD(2, 0, 0);
                   w.data.Point3BD(0, 0, 1);
                   w.data.BD(0.5);
                   w.data.BD(0);
                   w.data.BD(3);
                 }),
                 release);
    ASSERT_TRUE(ellipse.ok);
    EXPECT_EQ(ellipse.r.reader.EntityCode(), entity::kEllipse);
    EXPECT_EQ(ellipse.record->GetDouble(11), 2.0);
    EXPECT_EQ(ellipse.record->GetDouble(40), 0.5);
    EXPECT_EQ(ellipse.record->GetDouble(42), 3.0);
  }
}

TEST(DwgEntityHandlersTest, Face3DCornersDefaultToThePreviousCorner) {
  Read face(Object(15, 28, [](DwgObjectWriter& w) {
              w.data.B(0);
              w.data.B(0);
              w.data.RD(1);
              w.data.RD(2);
              w.data.RD(3);
              for (int i = 0; i < 3; ++i) {
                w.data.DD(5, 1);
                w.data.DD(2, 2);
                w.data.DD(3, 3);
              }
              w.data.BS(5);
            }),
            15);
  ASSERT_TRUE(face.ok);
  EXPECT_EQ(face.record->GetDouble(13), 5.0);
  EXPECT_EQ(face.record->GetDouble(23), 2.0);
  EXPECT_EQ(face.record->GetDouble(33), 3.0);
  EXPECT_EQ(face.record->GetInt(70), 5);
  EXPECT_EQ(face.r.reader.EntityCode(), entity::k3DFace);
}

TEST(DwgEntityHandlersTest, LineWithZeroZAndEqualEnds) {
  Read line(Object(15, 19, [](DwgObjectWriter& w) {
              w.data.B(1);
              w.data.RD(7);
              w.data.DD(7, 7);
              w.data.RD(8);
              w.data.DD(8, 8);
              w.data.B(1);
              w.data.B(1);
            }),
            15);
  ASSERT_TRUE(line.ok);
  EXPECT_EQ(line.record->GetDouble(11), 7.0);
  EXPECT_EQ(line.record->GetDouble(21), 8.0);
  EXPECT_EQ(line.record->GetDouble(30), 0.0);
  EXPECT_EQ(line.record->GetDouble(31), 0.0);
}

TEST(DwgEntityHandlersTest, LwPolylineWidthsBulgesAndCounts) {
  Read lw(Object(15, 77, [](DwgObjectWriter& w) {
            w.data.BS(16 | 32);
            w.data.BL(3);
            w.data.BL(1);
            w.data.BL(2);
            w.data.Point2RD(0, 0);
            w.data.DD(1, 0);
            w.data.DD(0, 0);
            w.data.DD(1, 1);
            w.data.DD(1, 0);
            w.data.BD(0.5);
            w.data.BD(1);
            w.data.BD(2);
            w.data.BD(3);
            w.data.BD(4);
          }),
          15);
  ASSERT_TRUE(lw.ok);
  int count40 = 0, count42 = 0;
  for (int c : lw.codes) {
    count40 += c == 40;
    count42 += c == 42;
  }
  EXPECT_EQ(count40, 2);
  EXPECT_EQ(count42, 1);
  EXPECT_EQ(lw.record->GetInt(70), 0);
  EXPECT_EQ(lw.record->GetDouble(42), 0.5);
  // A point count of 2^32 - 1 fails the object before anything is sized.
  Read huge(Object(15, 77, [](DwgObjectWriter& w) {
              w.data.BS(0);
              w.data.BL(0xFFFFFFFFu);
              w.data.Point2RD(0, 0);
            }),
            15);
  // Its own fields fail; up to R2000 the entity stays for its links alone.
  EXPECT_TRUE(!huge.ok || huge.r.reader.EntityCode() == 0);
  EXPECT_EQ(test::IndexOf(huge.codes, 90), -1);
  EXPECT_EQ(huge.r.reader.objectStatistics.Skipped("LWPOLYLINE", DwgSkipReason::Overrun), 1u);
}

TEST(DwgEntityHandlersTest, TextDataFlagsAndRotation) {
  Read all(Object(15, 1, [](DwgObjectWriter& w) {
             w.data.RC(0xFF);
             w.data.Point2RD(1, 2);
             w.data.B(1);
             w.data.B(1);
             w.data.RD(2.5);
             w.Text("x");
           }, [](DwgObjectWriter& w) { w.Handle(5, 0x11); }),
           15);
  ASSERT_TRUE(all.ok);
  for (int code : {10, 20, 30, 210, 220, 230, 39, 40, 1, 7}) EXPECT_GE(test::IndexOf(all.codes, code), 0) << code;
  for (int code : {11, 50, 51, 41, 71, 72, 73}) EXPECT_EQ(test::IndexOf(all.codes, code), -1) << code;
  EXPECT_EQ(all.record->GetDouble(30), 0.0);

  Read rotated(Object(15, 1, [](DwgObjectWriter& w) {
                 w.data.RC(0xFF & ~0x08 & ~0x80);
                 w.data.Point2RD(1, 2);
                 w.data.B(1);
                 w.data.B(1);
                 w.data.RD(std::numbers::pi / 2);
                 w.data.RD(2.5);
                 w.Text("x");
                 w.data.BS(2);
               }, [](DwgObjectWriter& w) { w.Handle(5, 0x11); }),
               15);
  ASSERT_TRUE(rotated.ok);
  EXPECT_DOUBLE_EQ(rotated.record->GetDouble(50), 90.0);
  EXPECT_EQ(rotated.record->GetInt(73), 2);
}

// Attribute text data as R2000+ writes it with every optional field absent.
void ShortTextData(DwgObjectWriter& w, const char* text) {
  w.data.RC(0xFF);
  w.data.Point2RD(1, 2);
  w.data.B(1);
  w.data.B(1);
  w.data.RD(2.5);
  w.Text(text);
}

TEST(DwgEntityHandlersTest, R2018MultiLineAttribute) {
  DwgEntityCommon c;
  DwgEntityCommon inner;
  inner.owner = 0x33;
  inner.layer = 0x12;
  DwgObjectWriter w(32, 2, 0x90);
  w.CommonEntity(c);
  ShortTextData(w, "Hi");
  w.data.RC(0);  // version
  w.data.RC(2);  // multi-line
  w.SetSubRecord(1);
  w.EntityBody(inner);
  w.data.Point3BD(1, 2, 0);
  w.data.Point3BD(0, 0, 1);
  w.data.Point3BD(1, 0, 0);
  w.data.BD(10);
  w.data.BD(0);
  w.data.BD(2.5);
  w.data.BS(1);
  w.data.BS(1);
  w.data.BD(0);
  w.data.BD(0);
  w.Text("Line1\\PLine2");
  w.data.BL(1);
  w.data.BD(1);
  w.data.B(0);
  w.data.BL(0);
  w.data.B(1);  // column data follows
  w.data.BS(0);
  w.data.B(0);
  w.SetSubRecord(2);  // the column data lies one sub-record deeper
  w.Handle(5, 0x99);
  w.SetSubRecord(1);
  w.data.BL(1);
  w.data.Point3BD(1, 0, 0);
  w.data.Point3BD(0, 0, 0);
  for (int i = 0; i < 4; ++i) w.data.BD(1);
  w.data.BS(2);
  w.data.BL(2);
  w.data.BD(5);
  w.data.BD(1);
  w.data.B(0);
  w.data.B(0);
  w.data.BD(3);
  w.data.BD(4);
  w.EntityHandles(inner);
  w.data.BS(0);
  w.SetSubRecord(0);
  w.Text("TAG");
  w.data.BS(0);
  w.data.RC(4);
  w.data.B(0);
  w.EntityHandles(c);
  w.Handle(5, 0x11);
  Read got(w.Finish(), 32);
  ASSERT_TRUE(got.ok);
  EXPECT_EQ(got.r.reader.EntityCode(), entity::kAttrib);
  YxxfGroupRecord& rec = *got.record;
  EXPECT_EQ(rec.GetString(1), WString(u"Hi"));
  EXPECT_EQ(rec.GetString(2), WString(u"TAG"));
  EXPECT_EQ(rec.GetInt(70), 4);
  EXPECT_EQ(rec.GetHandle(8), 0x10u);
  rec.SetSubRecord(1);
  EXPECT_EQ(rec.GetString(1), WString(u"Line1\\PLine2"));
  EXPECT_EQ(rec.GetHandle(8), 0x12u);
  EXPECT_EQ(rec.GetHandle(kCodeOwnerHandle), 0x33u);
  EXPECT_EQ(rec.GetDouble(41), 10.0);
  // The embedded text's items lie between a switch to 1 and one back to 0.
  const int to1 = test::IndexOf(got.codes, 1112);
  ASSERT_GE(to1, 0);
  const int back = test::IndexOf(got.codes, 1111);
  EXPECT_EQ(got.codes[std::size_t(to1) + 1], 62);
  EXPECT_GT(back, to1 + 1);
  // The tag and flags of the attribute follow under sub-record 0.
  EXPECT_GT(test::IndexOf(got.codes, 70), back);
}

TEST(DwgEntityHandlersTest, InsertsWithAttributesPerRelease) {
  for (int release : {15, 18}) {
    DwgEntityCommon c;
    DwgObjectWriter w(release, 7, 0xA0);
    w.CommonEntity(c);
    w.data.Point3BD(0, 0, 0);
    w.data.BB(2);
    w.data.RD(2);
    w.data.BD(0);
    w.data.Point3BD(0, 0, 1);
    w.data.B(1);
    if (release >= 18) w.data.BL(2);
    w.EntityHandles(c);
    w.Handle(5, 0x40);
    if (release < 18) {
      w.Handle(4, 0xA1);
      w.Handle(4, 0xA2);
    } else {
      w.Handle(3, 0xA1);
      w.Handle(3, 0xA2);
    }
    w.Handle(3, 0xA3);
    Read got(w.Finish(), release);
    ASSERT_TRUE(got.ok) << release;
    EXPECT_EQ(got.record->GetDouble(43), 2.0);
    EXPECT_EQ(got.record->GetHandle(kCodeClosingEntity), 0xA3u);
    EXPECT_EQ(got.record->GetInt(66), 1);
    if (release < 18) {
      EXPECT_EQ(got.record->GetHandle(kCodeFirstEntity), 0xA1u);
      EXPECT_EQ(got.record->GetHandle(kCodeLastEntity), 0xA2u);
      EXPECT_EQ(got.r.reader.LinkKind(), kLinkFirstLast);
    } else {
      EXPECT_EQ(test::IndexOf(got.codes, kCodeFirstEntity), -1);
      int owned = 0;
      for (int code : got.codes) owned += code == kCodeOwnedEntry;
      EXPECT_EQ(owned, 2);
      EXPECT_EQ(got.r.reader.LinkKind(), kLinkOwnedList);
    }
  }
}

TEST(DwgEntityHandlersTest, OldStylePolylines) {
  for (int closed : {0, 1}) {
    DwgEntityCommon c;
    DwgObjectWriter w(15, 16, 0xB0);
    w.CommonEntity(c);
    w.data.RC(3);
    w.data.RC(std::uint8_t(closed));
    w.EntityHandles(c);
    w.Handle(4, 0xB1);
    w.Handle(4, 0xB2);
    w.Handle(3, 0xB3);
    Read got(w.Finish(), 15);
    ASSERT_TRUE(got.ok);
    EXPECT_EQ(got.record->GetInt(70), 12 + closed);
    EXPECT_EQ(got.record->FindIndex(75), -1);
    EXPECT_EQ(got.r.reader.EntityCode(), entity::kPolyline);
  }
  Read pface(Object(18, 29, [](DwgObjectWriter& w) {
               w.data.BS(4);
               w.data.BS(1);
               w.data.BL(1);
             }, [](DwgObjectWriter& w) {
               w.Handle(3, 0xC1);
               w.Handle(3, 0xC2);
             }),
             18);
  ASSERT_TRUE(pface.ok);
  EXPECT_EQ(pface.record->GetInt(70), 64);
  EXPECT_EQ(pface.record->GetHandle(kCodeOwnedEntry), 0xC1u);
  EXPECT_EQ(pface.record->GetHandle(kCodeClosingEntity), 0xC2u);
  Read face(Object(15, 14, [](DwgObjectWriter& w) {
              w.data.BS(1);
              w.data.BS(2);
              w.data.BS(std::uint16_t(-3));
              w.data.BS(0);
            }),
            15);
  ASSERT_TRUE(face.ok);
  EXPECT_EQ(face.record->GetInt(70), 128);
  EXPECT_EQ(face.record->GetInt(73), -3);
}

TEST(DwgEntityHandlersTest, LinearDimensionKeepsItsBlockAndClonePoint) {
  for (int release : kReleases) {
    Read dim(Object(release, 21, [](DwgObjectWriter& w) {
               if (w.Release() >= 24) w.data.RC(0);
               w.data.Point3BD(0, 0, 1);
               w.data.Point2RD(5, 6);
               w.data.BD(0.5);
               w.data.RC(0);
               w.Text("<>");
               for (int i = 0; i < 6; ++i) w.data.BD(0);
               if (w.Release() >= 15) {
                 w.data.BS(5);
                 w.data.BS(1);
                 w.data.BD(1);
                 w.data.BD(12.5);
               }
               if (w.Release() >= 21) {
                 w.data.B(0);
                 w.data.B(0);
                 w.data.B(0);
               }
               w.data.Point2RD(7, 8);
               for (int i = 0; i < 11; ++i) w.data.BD(i);
             }, [](DwgObjectWriter& w) {
               w.Handle(5, 0x21);
               w.Handle(5, 0x22);
             }),
             release);
    ASSERT_TRUE(dim.ok) << release;
    EXPECT_EQ(dim.r.reader.EntityCode(), entity::kDimension);
    EXPECT_EQ(dim.record->GetDouble(11), 5.0);
    EXPECT_EQ(dim.record->GetDouble(31), 0.5);
    EXPECT_EQ(dim.record->GetDouble(22), 8.0);
    EXPECT_EQ(dim.record->GetHandle(2), 0x22u);
    EXPECT_EQ(dim.record->FindIndex(1), -1);
  }
}

}  // namespace
}  // namespace kvn
