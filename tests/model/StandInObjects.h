// Small drawing objects for tests of holders (blocks, drawing data) while the
// real object classes do not exist: a value object with a record, and a
// stand-in insert that places a block.
#pragma once

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/cOutObj.h"

namespace kvn::test {

// Counts the stand-ins alive, so tests can see what a holder deleted.
inline int g_standInsAlive = 0;

// A point-like object: the header plus one value; its extent is the square
// [value, value + 1].
class ValueObject : public cOutObj {
 public:
  explicit ValueObject(double v = 0, std::uint16_t level = 0) : cOutObj(kTypeLine), value(v) {
    SetLevel(level);
    ++g_standInsAlive;
  }
  ~ValueObject() override { --g_standInsAlive; }

  void Write(cDrawingData*, ArchiveWriter& w) const override {
    WriteHeader(w);
    w.WriteReal(value);
  }
  ObjectChain Read(ReadContext*, cDrawingData*, ArchiveReader& r, int version) override {
    ReadHeader(r, version);
    value = r.ReadReal();
    return {};
  }
  void Move(const DPoint& offset) override {
    value += offset.x;
    MarkDirty();
  }
  DRect& GetExtent(DRect& out) override {
    out = DRect{value, value, value + 1, value + 1};
    return out;
  }
  void Recalc(cDrawingData*) override {}

  double value;
};

// Places another block, as an insert does.
class PlacingObject : public ValueObject {
 public:
  explicit PlacingObject(cBlock* placed) : placed(placed) {}
  cBlock* GetPlacedBlock(cDrawingData*) override { return placed; }
  cBlock* placed;
};

}  // namespace kvn::test
