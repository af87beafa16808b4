#include "tests/support/BombDrawings.h"

#include "dwg/container/DwgLoader.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "tests/support/DwgBitWriter.h"
#include "tests/support/DwgBlockObjects.h"
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

constexpr std::uint64_t kFirstHeader = 0x30, kFirstEntity = 0x1000;

// An insert of `block` at (x, y), as `p` places it.
std::vector<std::uint8_t> Insert(std::uint64_t handle, const DwgEntityCommon& c, std::uint64_t block, double x,
                                 double y, const Placement& p) {
  DwgInsertSpec spec;
  spec.x = x;
  spec.y = y;
  spec.columns = p.columns;
  spec.rows = p.rows;
  return DwgInsertObject(handle, c, block, spec);
}

}  // namespace

std::vector<std::uint8_t> BombDwg(const BombShape& shape) {
  const Placement p = PlacementOf(shape);
  DwgFileSpec spec;
  const int blocks = shape.levels + 1;
  std::vector<std::uint64_t> headers;
  for (int level = 0; level < blocks; ++level) headers.push_back(kFirstHeader + std::uint64_t(level));
  spec.objects = {DwgBlockControl(headers), DwgLayerZero()};
  spec.handles = {kDwgBlockControl, kDwgLayerZero};
  std::uint64_t next = kFirstEntity;
  auto add = [&spec](std::uint64_t handle, std::vector<std::uint8_t> object) {
    spec.handles.push_back(handle);
    spec.objects.push_back(std::move(object));
  };
  for (int level = 0; level < blocks; ++level) {
    const std::uint64_t header = kFirstHeader + std::uint64_t(level);
    const int entities = level == 0 ? 1 : p.count;
    const std::uint64_t first = next, last = next + std::uint64_t(entities) - 1;
    add(header, DwgBlockHeader(header, BlockName(level), first, last));
    for (int i = 0; i < entities; ++i, ++next) {
      const DwgEntityCommon c = DwgLinkedCommon(header, next == first ? 0 : next - 1, next == last ? 0 : next + 1);
      add(next, level == 0 ? DwgUnitLine(next, c) : Insert(next, c, header - 1, i * 2.0, level, p));
    }
  }
  const std::uint64_t top = next;
  add(kDwgModelSpace, DwgBlockHeader(kDwgModelSpace, "*MODEL_SPACE", top, top));
  add(top, Insert(top, DwgLinkedCommon(kDwgModelSpace, 0, 0), kFirstHeader + std::uint64_t(shape.levels), 0, 0,
                  Placement{}));
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
