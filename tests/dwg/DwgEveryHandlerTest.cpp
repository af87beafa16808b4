// Every handler of the simple, text, block, insert, polyline and dimension
// entities, in every release, from objects of the test writer.
#include <gtest/gtest.h>

#include <functional>

#include "import/records/YxxfGroupRecord.h"
#include "tests/dwg/DwgTestSupport.h"

namespace kvn {
namespace {

using test::DwgEntityCommon;
using test::DwgObjectWriter;

constexpr int kReleases[] = {14, 15, 18, 21, 24, 32};

void Thickness(DwgObjectWriter& w) {
  if (w.Release() <= 14) {
    w.data.BD(0);
  } else {
    w.data.B(1);
  }
}

void Extrusion(DwgObjectWriter& w) {
  if (w.Release() <= 14) {
    w.data.Point3BD(0, 0, 1);
  } else {
    w.data.B(1);
  }
}

void TextData(DwgObjectWriter& w, const char* text) {
  if (w.Release() <= 14) {
    w.data.BD(0);
    w.data.Point2RD(1, 2);
    w.data.Point2RD(1, 2);
    w.data.Point3BD(0, 0, 1);
    for (int i = 0; i < 3; ++i) w.data.BD(0);
    w.data.BD(2.5);
    w.data.BD(1);
    w.Text(text);
    for (int i = 0; i < 3; ++i) w.data.BS(0);
    return;
  }
  w.data.RC(0xFF);
  w.data.Point2RD(1, 2);
  w.data.B(1);
  w.data.B(1);
  w.data.RD(2.5);
  w.Text(text);
}

void AttributeTail(DwgObjectWriter& w) {
  if (w.Release() >= 24) w.data.RC(0);
  if (w.Release() >= 32) w.data.RC(1);
  w.Text("TAG");
  w.data.BS(0);
  w.data.RC(8);
  if (w.Release() >= 21) w.data.B(0);
}

void InsertData(DwgObjectWriter& w) {
  w.data.Point3BD(1, 1, 0);
  if (w.Release() <= 14) {
    w.data.Point3BD(2, 2, 2);
  } else {
    w.data.BB(2);
    w.data.RD(2);
  }
  w.data.BD(0);
  w.data.Point3BD(0, 0, 1);
  w.data.B(0);
}

void DimensionData(DwgObjectWriter& w) {
  if (w.Release() >= 24) w.data.RC(0);
  w.data.Point3BD(0, 0, 1);
  w.data.Point2RD(5, 6);
  w.data.BD(0);
  w.data.RC(0);
  w.Text("");
  for (int i = 0; i < 6; ++i) w.data.BD(0);
  if (w.Release() >= 15) {
    w.data.BS(0);
    w.data.BS(0);
    w.data.BD(1);
    w.data.BD(3);
  }
  if (w.Release() >= 21) {
    for (int i = 0; i < 3; ++i) w.data.B(0);
  }
  w.data.Point2RD(7, 8);
}

void OwnedCount(DwgObjectWriter& w) {
  if (w.Release() >= 18) w.data.BL(1);
}

void PolylineHandles(DwgObjectWriter& w) {
  if (w.Release() < 18) {
    w.Handle(4, 0x91);
    w.Handle(4, 0x91);
  } else {
    w.Handle(3, 0x91);
  }
  w.Handle(3, 0x92);
}

struct Case {
  const char* name;
  int type;
  int entityCode;
  std::function<void(DwgObjectWriter&)> fields;
  std::function<void(DwgObjectWriter&)> handles;
  std::function<void(const YxxfGroupRecord&)> check;
};

std::vector<Case> Cases() {
  auto dimension = [](const char* name, int type, int doubles, bool twoRd) {
    return Case{name, type, entity::kDimension,
                [=](DwgObjectWriter& w) {
                  DimensionData(w);
                  if (type == 20) {
                    for (int i = 0; i < 9; ++i) w.data.BD(1);
                    w.data.RC(0);
                  }
                  if (twoRd) w.data.Point2RD(0, 0);
                  for (int i = 0; i < doubles; ++i) w.data.BD(i);
                },
                [](DwgObjectWriter& w) {
                  w.Handle(5, 0x21);
                  w.Handle(5, 0x22);
                },
                [](const YxxfGroupRecord& r) {
                  EXPECT_EQ(r.GetDouble(12), 7.0);
                  EXPECT_EQ(r.GetHandle(2), 0x22u);
                }};
  };
  return {
      {"POINT", 27, entity::kPoint,
       [](DwgObjectWriter& w) {
         w.data.Point3BD(4, 5, 6);
         Thickness(w);
         Extrusion(w);
         w.data.BD(0);
       },
       nullptr, [](const YxxfGroupRecord& r) { EXPECT_EQ(r.GetDouble(30), 6.0); }},
      {"FACE3D", 28, entity::k3DFace,
       [](DwgObjectWriter& w) {
         if (w.Release() <= 14) {
           for (int i = 0; i < 4; ++i) w.data.Point3BD(i, 0, 0);
           w.data.BS(0);
           return;
         }
         w.data.B(1);
         w.data.B(1);
         w.data.RD(0);
         w.data.RD(0);
         for (int i = 1; i < 4; ++i) {
           w.data.DD(i, i - 1);
           w.data.DD(0, 0);
           w.data.DD(0, 0);
         }
       },
       nullptr, [](const YxxfGroupRecord& r) { EXPECT_EQ(r.GetDouble(13), 3.0); }},
      {"SHAPE", 33, entity::kShape,
       [](DwgObjectWriter& w) {
         w.data.Point3BD(1, 2, 3);
         w.data.BD(4);
         w.data.BD(0);
         w.data.BD(1);
         w.data.BD(0);
         w.data.BD(0);
         w.data.BS(3);
         w.data.Point3BD(0, 0, 1);
       },
       [](DwgObjectWriter& w) { w.Handle(5, 0x11); },
       [](const YxxfGroupRecord& r) { EXPECT_EQ(r.GetDouble(40), 4.0); }},
      {"ATTRIB", 2, entity::kAttrib,
       [](DwgObjectWriter& w) {
         TextData(w, "value");
         AttributeTail(w);
       },
       [](DwgObjectWriter& w) { w.Handle(5, 0x11); },
       [](const YxxfGroupRecord& r) {
         EXPECT_EQ(r.GetString(1), WString(u"value"));
         EXPECT_EQ(r.GetString(2), WString(u"TAG"));
         EXPECT_EQ(r.GetInt(70), 8);
       }},
      {"ATTDEF", 3, entity::kAttDef,
       [](DwgObjectWriter& w) {
         TextData(w, "value");
         if (w.Release() >= 24) w.data.RC(0);
         if (w.Release() >= 32) w.data.RC(1);
         w.Text("TAG");
         w.data.BS(0);
         w.data.RC(8);
         if (w.Release() >= 21) w.data.B(0);
         if (w.Release() >= 24) w.data.RC(0);
         w.Text("Prompt?");
       },
       [](DwgObjectWriter& w) { w.Handle(5, 0x11); },
       [](const YxxfGroupRecord& r) { EXPECT_EQ(r.GetString(3), WString(u"Prompt?")); }},
      {"TOLERANCE", 46, entity::kTolerance,
       [](DwgObjectWriter& w) {
         if (w.Release() <= 14) {
           w.data.BS(0);
           w.data.BD(1);
           w.data.BD(1);
         }
         w.data.Point3BD(1, 2, 3);
         w.data.Point3BD(1, 0, 0);
         w.data.Point3BD(0, 0, 1);
         w.Text("{\\Fgdt;j}");
       },
       [](DwgObjectWriter& w) { w.Handle(5, 0x11); },
       [](const YxxfGroupRecord& r) { EXPECT_EQ(r.GetString(1), WString(u"{\\Fgdt;j}")); }},
      {"BLOCK", 4, 1, [](DwgObjectWriter& w) { w.Text("*U1"); }, nullptr,
       [](const YxxfGroupRecord& r) {
         EXPECT_EQ(r.GetString(2), WString(u"*U1"));
         EXPECT_EQ(r.GetInt(70, -1), 0);
       }},
      {"ENDBLK", 5, 1, [](DwgObjectWriter&) {}, nullptr,
       [](const YxxfGroupRecord& r) { EXPECT_EQ(r.GetInt(70, -1), 0); }},
      {"MINSERT", 8, entity::kInsert,
       [](DwgObjectWriter& w) {
         InsertData(w);
         w.data.BS(3);
         w.data.BS(2);
         w.data.BD(10);
         w.data.BD(20);
       },
       [](DwgObjectWriter& w) { w.Handle(5, 0x40); },
       [](const YxxfGroupRecord& r) {
         EXPECT_EQ(r.GetDouble(42), 2.0);
         EXPECT_EQ(r.GetInt(70), 3);
         EXPECT_EQ(r.GetInt(71), 2);
         EXPECT_EQ(r.GetDouble(45), 20.0);
       }},
      {"ACAD_TABLE", 85, entity::kAcadTable,
       [](DwgObjectWriter& w) {
         InsertData(w);
         w.data.Bits(0x3FF, 10);  // the table's own data
       },
       [](DwgObjectWriter& w) { w.Handle(5, 0x40); },
       [](const YxxfGroupRecord& r) { EXPECT_EQ(r.GetHandle(2), 0x40u); }},
      {"VERTEX_3D", 11, entity::kVertex,
       [](DwgObjectWriter& w) {
         w.data.RC(32);
         w.data.Point3BD(1, 2, 3);
       },
       nullptr, [](const YxxfGroupRecord& r) {
         EXPECT_EQ(r.GetInt(70), 32);
         EXPECT_EQ(r.GetDouble(30), 3.0);
       }},
      {"VERTEX_PFACE", 14, entity::kVertex,
       [](DwgObjectWriter& w) {
         for (int i = 1; i <= 4; ++i) w.data.BS(std::uint16_t(i));
       },
       nullptr, [](const YxxfGroupRecord& r) { EXPECT_EQ(r.GetInt(74), 4); }},
      {"POLYLINE_2D", 15, entity::kPolyline,
       [](DwgObjectWriter& w) {
         w.data.BS(1);
         w.data.BS(0);
         w.data.BD(0.5);
         w.data.BD(0.5);
         Thickness(w);
         w.data.BD(9);
         Extrusion(w);
         OwnedCount(w);
       },
       PolylineHandles, [](const YxxfGroupRecord& r) {
         EXPECT_EQ(r.GetInt(70), 1);
         EXPECT_EQ(r.GetDouble(30), 9.0);
         EXPECT_EQ(r.GetHandle(kCodeClosingEntity), 0x92u);
       }},
      {"POLYLINE_3D", 16, entity::kPolyline,
       [](DwgObjectWriter& w) {
         w.data.RC(1);
         w.data.RC(1);
         OwnedCount(w);
       },
       PolylineHandles, [](const YxxfGroupRecord& r) {
         EXPECT_EQ(r.GetInt(70), 13);
         EXPECT_EQ(r.GetInt(75), 5);
       }},
      {"PFACE", 29, entity::kPolyline,
       [](DwgObjectWriter& w) {
         w.data.BS(4);
         w.data.BS(1);
         OwnedCount(w);
       },
       PolylineHandles, [](const YxxfGroupRecord& r) { EXPECT_EQ(r.GetInt(70), 64); }},
      {"POLYLINE_MESH", 30, entity::kPolyline,
       [](DwgObjectWriter& w) {
         w.data.BS(16);
         w.data.BS(0);
         w.data.BS(3);
         w.data.BS(4);
         w.data.BS(0);
         w.data.BS(0);
         OwnedCount(w);
       },
       PolylineHandles, [](const YxxfGroupRecord& r) {
         EXPECT_EQ(r.GetInt(71), 3);
         EXPECT_EQ(r.GetInt(72), 4);
       }},
      dimension("DIMENSION ORD", 20, 0, false),
      dimension("DIMENSION ALIGN", 22, 10, false),
      dimension("DIMENSION ANGLE 3PT", 23, 12, false),
      dimension("DIMENSION ANGLE 2LN", 24, 12, true),
      dimension("DIMENSION ORD", 25, 7, false),
      dimension("DIMENSION DIA", 26, 7, false),
      {"ARC_DIMENSION", 93, entity::kArcDimension,
       [](DwgObjectWriter& w) {
         DimensionData(w);
         w.data.Bits(0x5555, 16);
       },
       [](DwgObjectWriter& w) {
         w.Handle(5, 0x21);
         w.Handle(5, 0x22);
       },
       [](const YxxfGroupRecord& r) { EXPECT_EQ(r.GetHandle(2), 0x22u); }},
  };
}

TEST(DwgEveryHandlerTest, EveryHandlerInEveryRelease) {
  for (int release : kReleases) {
    for (const Case& c : Cases()) {
      SCOPED_TRACE(std::string(c.name) + " release " + std::to_string(release));
      // Classes reach entries 83 and later.
      const int type = c.type >= kDwgFirstClassEntry ? 500 : c.type;
      DwgObjectWriter w(release, type, 0x80);
      DwgEntityCommon common;
      w.CommonEntity(common);
      c.fields(w);
      w.EntityHandles(common);
      if (c.handles) c.handles(w);
      std::vector<std::uint8_t> bytes = w.Finish();
      test::BitReader r(bytes, release);
      if (type == 500) r.reader.AddDwgClass(500, DwgObjectTypeAt(c.type)->name, true);
      ASSERT_TRUE(r.reader.ReadDwgObject(std::uint32_t(bytes.size())));
      EXPECT_EQ(r.reader.TypeName(), c.name);
      EXPECT_EQ(r.reader.EntityCode(), c.entityCode);
      auto record = test::RecordOf(r.reader);
      EXPECT_EQ(record->GetHandle(8), 0x10u);
      c.check(*record);
    }
  }
}

}  // namespace
}  // namespace kvn
