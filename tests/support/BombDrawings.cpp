#include "tests/support/BombDrawings.h"

#include "dwg/container/DwgLoader.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "tests/support/DwgBitWriter.h"
#include "tests/support/DwgFileWriter.h"
#include "tests/support/DxfWriter.h"

namespace kvn::test {

namespace {

// How block `level` (from 1) places the one below: `count` inserts side by
// side, or one array of `columns` x `rows` cells.
struct Placement {
  int count = 1;
  int columns = 1, rows = 1;
};

Placement PlacementOf(const BombShape& shape) {
  switch (shape.kind) {
    case BombShape::Doubling: return {2, 1, 1};
    case BombShape::TenWay: return {10, 1, 1};
    case BombShape::Arrays: return {1, shape.side, shape.side};
  }
  return {};
}

std::string BlockName(int level) { return "B" + std::to_string(level); }

}  // namespace

std::string BombShape::Name() const {
  switch (kind) {
    case Doubling: return "doubling-" + std::to_string(levels);
    case TenWay: return "ten-way-" + std::to_string(levels);
    case Arrays: return "arrays-" + std::to_string(side) + "x" + std::to_string(side) + "-" + std::to_string(levels);
  }
  return "bomb";
}

std::string BombDxf(const BombShape& shape) {
  const Placement p = PlacementOf(shape);
  DxfWriter w;
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1009").EndSection();
  w.Section("BLOCKS");
  w.Block(BlockName(0)).Line("0", 0, 0, 1, 0).EndBlock();
  for (int level = 1; level <= shape.levels; ++level) {
    w.Block(BlockName(level));
    for (int i = 0; i < p.count; ++i) {
      w.Str(0, "INSERT").Str(8, "0").Str(2, BlockName(level - 1)).Point(10, i * 2.0, level);
      if (p.columns * p.rows > 1) w.Int(70, p.columns).Int(71, p.rows).Real(44, 2.0).Real(45, 2.0);
    }
    w.EndBlock();
  }
  w.EndSection();
  w.Section("ENTITIES").Insert(BlockName(shape.levels), "0", 0, 0).EndSection().Eof();
  return w.Bytes();
}

namespace {

constexpr int kRelease = 15;
constexpr std::uint64_t kBlockControl = 0x01, kLayer = 0x10, kModelSpace = 0x1F;
constexpr std::uint64_t kFirstHeader = 0x30, kFirstEntity = 0x1000;

std::vector<std::uint8_t> BlockControl(int blocks) {
  DwgObjectWriter w(kRelease, 48, kBlockControl);
  w.CommonObject();
  w.data.BL(std::uint32_t(blocks));
  w.ObjectHandles(0);
  for (int i = 0; i < blocks; ++i) w.Handle(2, kFirstHeader + std::uint64_t(i));
  w.Handle(3, kModelSpace);
  w.Handle(3, 0x1E);
  return w.Finish();
}

std::vector<std::uint8_t> BlockHeader(std::uint64_t handle, const std::string& name, std::uint64_t first,
                                      std::uint64_t last) {
  DwgObjectWriter w(kRelease, 49, handle);
  w.CommonObject();
  w.Text(name);
  w.data.B(0);
  w.data.BS(0);
  for (int i = 0; i < 5; ++i) w.data.B(0);  // dependence, anonymous, attributes, reference, overlaid
  w.data.B(1);                              // loaded
  w.data.Point3BD(0, 0, 0);
  w.Text("");
  w.data.RC(0);  // no inserts listed
  w.Text("");
  w.data.BL(0);  // no preview
  w.ObjectHandles(kBlockControl);
  w.Handle(5, 0);
  w.Handle(3, 0);
  w.Handle(4, first);
  w.Handle(4, last);
  w.Handle(3, 0);
  w.Handle(5, 0);
  return w.Finish();
}

std::vector<std::uint8_t> Layer() {
  DwgObjectWriter w(kRelease, 51, kLayer);
  w.CommonObject();
  w.Text("0");
  w.data.B(0);
  w.data.BS(0);
  w.data.B(0);
  w.data.BS(0);
  w.data.BS(7);
  w.ObjectHandles(0x02);
  w.Handle(5, 0);
  w.Handle(5, 0);
  w.Handle(5, 0x14);
  return w.Finish();
}

DwgEntityCommon Common(std::uint64_t owner, std::uint64_t previous, std::uint64_t next) {
  DwgEntityCommon c;
  c.mode = owner == kModelSpace ? 2 : 0;
  c.owner = owner;
  c.noLinks = false;
  c.previous = previous;
  c.next = next;
  c.layer = kLayer;
  return c;
}

std::vector<std::uint8_t> Line(std::uint64_t handle, const DwgEntityCommon& c) {
  DwgObjectWriter w(kRelease, 19, handle);
  w.CommonEntity(c);
  w.data.B(1);  // z is 0
  w.data.RD(0);
  w.data.DD(1, 0);
  w.data.RD(0);
  w.data.DD(0, 0);
  w.data.B(1);  // default thickness
  w.data.B(1);  // default extrusion
  w.EntityHandles(c);
  return w.Finish();
}

std::vector<std::uint8_t> Insert(std::uint64_t handle, const DwgEntityCommon& c, std::uint64_t block, double x,
                                 double y, const Placement& p) {
  const bool array = p.columns * p.rows > 1;
  DwgObjectWriter w(kRelease, array ? 8 : 7, handle);
  w.CommonEntity(c);
  w.data.Point3BD(x, y, 0);
  w.data.BB(3);  // scale 1
  w.data.BD(0);  // rotation
  w.data.Point3BD(0, 0, 1);
  w.data.B(0);  // no attributes
  if (array) {
    w.data.BS(std::uint16_t(p.columns));
    w.data.BS(std::uint16_t(p.rows));
    w.data.BD(2.0);
    w.data.BD(2.0);
  }
  w.EntityHandles(c);
  w.Handle(5, block);
  return w.Finish();
}

}  // namespace

std::vector<std::uint8_t> BombDwg(const BombShape& shape) {
  const Placement p = PlacementOf(shape);
  DwgFileSpec spec;
  const int blocks = shape.levels + 1;
  spec.objects = {BlockControl(blocks), Layer()};
  spec.handles = {kBlockControl, kLayer};
  std::uint64_t next = kFirstEntity;
  auto add = [&spec](std::uint64_t handle, std::vector<std::uint8_t> object) {
    spec.handles.push_back(handle);
    spec.objects.push_back(std::move(object));
  };
  for (int level = 0; level < blocks; ++level) {
    const std::uint64_t header = kFirstHeader + std::uint64_t(level);
    const int entities = level == 0 ? 1 : p.count;
    const std::uint64_t first = next, last = next + std::uint64_t(entities) - 1;
    add(header, BlockHeader(header, BlockName(level), first, last));
    for (int i = 0; i < entities; ++i, ++next) {
      const DwgEntityCommon c = Common(header, next == first ? 0 : next - 1, next == last ? 0 : next + 1);
      add(next, level == 0 ? Line(next, c) : Insert(next, c, header - 1, i * 2.0, level, p));
    }
  }
  const std::uint64_t top = next;
  add(kModelSpace, BlockHeader(kModelSpace, "*MODEL_SPACE", top, top));
  add(top, Insert(top, Common(kModelSpace, 0, 0), kFirstHeader + std::uint64_t(shape.levels), 0, 0, Placement{}));
  return WriteDwgFile(spec);
}

DocumentResult OpenBomb(const BombShape& shape, bool dwg) {
  ByteArray bytes;
  if (dwg) {
    const std::vector<std::uint8_t> file = BombDwg(shape);
    bytes.AppendBytes(file.data(), std::int64_t(file.size()));
  } else {
    const std::string file = BombDxf(shape);
    bytes.AppendBytes(file.data(), std::int64_t(file.size()));
  }
  InFileStream in = InFileStream::FromMemory(bytes);
  return dwg ? LoadDwgStream(in, WString(u"bomb.dwg"), nullptr, nullptr)
             : LoadDxfStream(in, WString(u"bomb.dxf"), nullptr, nullptr);
}

}  // namespace kvn::test
