// Shared helpers of the geometry object tests: record round trips through
// the factory, truncated-record sweeps, and test renderer services with a
// small predefined line-type list.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/GeometryServices.h"
#include "model/Geometry.h"
#include "model/cAnyLine.h"
#include "model/cDrawingData.h"
#include "model/ObjectChain.h"
#include "model/ObjectList.h"
#include "model/cOutObj.h"
#include "model/cStyleLine.h"
#include "tests/support/RecordFixtures.h"

namespace kvn::test {

// Writes the object (type byte first), reads it back through the factory at
// the current version and checks that the two records are byte-equal.
inline std::unique_ptr<cOutObj> RoundTripObject(const cOutObj& object, cDrawingData* writeData = nullptr,
                                                cDrawingData* readData = nullptr) {
  auto bytes = Archive([&](ArchiveWriter& w) { object.Write(writeData, w); });
  MemoryArchive a(bytes);
  const std::uint8_t type = a.Reader().ReadByte();
  std::unique_ptr<cOutObj> back(cOutObj::Create(type & kTypeCodeMask, true));
  if (!back) {
    ADD_FAILURE() << "no class for type " << int(type & kTypeCodeMask);
    return nullptr;
  }
  back->SetTypeByteSourceBits(type);
  EXPECT_TRUE(back->Read(nullptr, readData, a.Reader(), kCurrentFileVersion).Empty());
  EXPECT_FALSE(a.Reader().HasError());
  if (!writeData) {
    ByteArray x, y;
    EXPECT_TRUE(object.IsSameRecord(*back, x, y));
  }
  return back;
}

// Reads every proper prefix of the object's record and a run of noise at
// several versions: nothing may crash or hang (the sanitizer build checks
// the bounds). Each prefix read as the object list would meet it (type byte
// first) must be reported as cut short, with the object kept.
inline void ReadDamagedRecords(const cOutObj& object) {
  auto whole = Archive([&](ArchiveWriter& w) { object.Write(nullptr, w); });
  ASSERT_EQ(whole.empty() ? -1 : whole[0] & kTypeCodeMask, object.TypeCode());
  for (std::size_t n = 1; n < whole.size(); ++n) {
    std::unique_ptr<cOutObj> back(cOutObj::Create(object.TypeCode(), true));
    MemoryArchive a(std::vector<std::uint8_t>(whole.begin() + 1, whole.begin() + std::ptrdiff_t(n)));
    back->Read(nullptr, nullptr, a.Reader(), kCurrentFileVersion);
    MemoryArchive listed(std::vector<std::uint8_t>(whole.begin(), whole.begin() + std::ptrdiff_t(n)));
    ObjectChain chain;
    EXPECT_FALSE(ReadObjectList(listed.Reader(), nullptr, kCurrentFileVersion, chain)) << "cut after " << n;
    ASSERT_NE(chain.Head(), nullptr) << "cut after " << n;
    EXPECT_EQ(chain.Head()->TypeCode(), object.TypeCode()) << "cut after " << n;
  }
  for (std::uint8_t fill : {std::uint8_t(0xFF), std::uint8_t(0xA5), std::uint8_t(0x00)}) {
    for (int version : {3040, 3049, 3052, 3055, 3060, 3061, 3070, 3080, 3085, 3091, 3098, 3111}) {
      std::unique_ptr<cOutObj> back(cOutObj::Create(object.TypeCode(), true));
      MemoryArchive a(std::vector<std::uint8_t>(96, fill));
      back->Read(nullptr, nullptr, a.Reader(), version);
      DRect r;
      back->GetFullExtent(nullptr, r);
    }
  }
}

inline void ExpectNear(const DPoint& a, const DPoint& b, double eps = 1e-12) {
  EXPECT_NEAR(a.x, b.x, eps);
  EXPECT_NEAR(a.y, b.y, eps);
}

// Renderer services for tests: a predefined line-type list that the test
// fills, symbol instances made by copying the style's symbol (scaled, turned
// and moved; no insert expansion), and a record of every request.
class TestGeometryServices : public GeometryServices {
 public:
  TestGeometryServices() { SetGeometryServices(this); }
  ~TestGeometryServices() override { SetGeometryServices(nullptr); }

  const cStyleLine* GetPredefinedLineType(std::uint32_t index) override {
    return index < lineTypes.size() ? lineTypes[index].get() : nullptr;
  }
  void ExpandSymbolInstance(const SymbolInstanceRequest& request, ObjectChain& out) override {
    requests.push_back(request);
    // The style may be a temporary one that is gone after the expansion.
    SeenStyle seen;
    seen.repeatLength = request.style->repeatLength;
    seen.startOffset = request.style->startOffset;
    seen.width = request.style->width;
    if (const cOutObj* head = request.style->symbol.Head(); head && head->AsAnyLine()) {
      seen.symbolWidth = head->AsAnyLine()->stroke.width;
      seen.symbolPen = head->AsAnyLine()->stroke.penOption;
      DRect box;
      const_cast<cOutObj*>(head)->GetExtent(box);
      seen.symbolBox = box;
    }
    seenStyles.push_back(seen);
    if (emptySymbols) return;
    for (const cOutObj* o = request.style->symbol.Head(); o; o = o->next) {
      cOutObj* copy = cOutObj::Create(o->TypeCode(), false);
      copy->Assign(*o);
      copy->Scale(TransformContext{}, DPoint{0, 0}, DPoint{request.scale, request.scale});
      copy->Rotate(TransformContext{}, DPoint{0, 0}, request.angle);
      copy->Move(request.position);
      out.Append(copy);
    }
  }
  // Built-in hatch n: one line from (0, 0) to (n, scale), width `value`,
  // tile box (0, 0, scale, scale).
  void BuildBuiltinHatch(ObjectChain& out, std::uint8_t pattern, double scale, double value,
                         DRect& tileBox) override {
    hatchCalls.push_back({pattern, scale, value});
    auto* line = cOutObj::Create(kTypeLine, false);
    line->AsAnyLine()->stroke.width = value;
    const DPoint ends[2] = {{0, 0}, {double(pattern), scale}};
    line->SetPoints(ends, 2);
    out.Append(line);
    tileBox = DRect{0, 0, scale, scale};
  }
  std::uint16_t ConvertOldWallStyle(cDrawingData& data, const cAnyFill& attributes, double thickness) override {
    wallThickness = thickness;
    wallAttributes = &attributes;
    (void)data;
    return convertedWallStyle;
  }

  // A predefined line type of one symbol (a copy of `symbol`) with the
  // given spacing (start offset) and first distance (repeat length).
  cStyleLine& AddLineType(const cOutObj& symbol, double spacing, double first, std::uint8_t lineType = 1) {
    auto style = std::make_unique<cStyleLine>();
    style->lineType = lineType;
    style->startOffset = spacing;
    style->repeatLength = first;
    style->hasSymbol = 1;
    cOutObj* copy = cOutObj::Create(symbol.TypeCode(), false);
    copy->Assign(symbol);
    style->symbol.Append(copy);
    lineTypes.push_back(std::move(style));
    return *lineTypes.back();
  }

  struct HatchCall {
    std::uint8_t pattern;
    double scale, value;
  };
  std::vector<HatchCall> hatchCalls;

  struct SeenStyle {
    double repeatLength = 0, startOffset = 0, width = 0;
    double symbolWidth = 0;
    std::uint8_t symbolPen = 0;
    DRect symbolBox;
  };

  std::vector<std::unique_ptr<cStyleLine>> lineTypes;
  // Requests as made; their style and line pointers are valid only during
  // the expansion (seenStyles keeps what tests look at).
  std::vector<SymbolInstanceRequest> requests;
  std::vector<SeenStyle> seenStyles;
  bool emptySymbols = false;
  double wallThickness = -1;
  const cAnyFill* wallAttributes = nullptr;
  std::uint16_t convertedWallStyle = 0;
};

// A drawing data record released when the holder goes.
class DataHolder {
 public:
  DataHolder() : data_(new cDrawingData()) { data_->AddRef(); }
  ~DataHolder() { data_->Release(); }
  DataHolder(const DataHolder&) = delete;
  DataHolder& operator=(const DataHolder&) = delete;
  cDrawingData* operator->() const { return data_; }
  cDrawingData* get() const { return data_; }

 private:
  cDrawingData* data_;
};

}  // namespace kvn::test
