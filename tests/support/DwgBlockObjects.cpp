#include "tests/support/DwgBlockObjects.h"

namespace kvn::test {

namespace {

constexpr int kRelease = 15;
constexpr std::uint64_t kPaperSpace = 0x1E;

}  // namespace

std::vector<std::uint8_t> DwgBlockControl(const std::vector<std::uint64_t>& headers) {
  DwgObjectWriter w(kRelease, 48, kDwgBlockControl);
  w.CommonObject();
  w.data.BL(std::uint32_t(headers.size()));
  w.ObjectHandles(0);
  for (std::uint64_t header : headers) w.Handle(2, header);
  w.Handle(3, kDwgModelSpace);
  w.Handle(3, kPaperSpace);
  return w.Finish();
}

std::vector<std::uint8_t> DwgBlockHeader(std::uint64_t handle, const std::string& name, std::uint64_t first,
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
  w.ObjectHandles(kDwgBlockControl);
  w.Handle(5, 0);
  w.Handle(3, 0);
  w.Handle(4, first);
  w.Handle(4, last);
  w.Handle(3, 0);
  w.Handle(5, 0);
  return w.Finish();
}

std::vector<std::uint8_t> DwgLayerZero() {
  DwgObjectWriter w(kRelease, 51, kDwgLayerZero);
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

DwgEntityCommon DwgLinkedCommon(std::uint64_t owner, std::uint64_t previous, std::uint64_t next) {
  DwgEntityCommon c;
  c.mode = owner == kDwgModelSpace ? 2 : 0;
  c.owner = owner;
  c.noLinks = false;
  c.previous = previous;
  c.next = next;
  c.layer = kDwgLayerZero;
  return c;
}

std::vector<std::uint8_t> DwgUnitLine(std::uint64_t handle, const DwgEntityCommon& common) {
  DwgObjectWriter w(kRelease, 19, handle);
  w.CommonEntity(common);
  w.data.B(1);  // z is 0
  w.data.RD(0);
  w.data.DD(1, 0);
  w.data.RD(0);
  w.data.DD(0, 0);
  w.data.B(1);  // default thickness
  w.data.B(1);  // default extrusion
  w.EntityHandles(common);
  return w.Finish();
}

std::vector<std::uint8_t> DwgInsertObject(std::uint64_t handle, const DwgEntityCommon& common, std::uint64_t block,
                                          const DwgInsertSpec& spec) {
  const bool array = spec.columns * spec.rows > 1;
  DwgObjectWriter w(kRelease, array ? 8 : 7, handle);
  w.CommonEntity(common);
  w.data.Point3BD(spec.x, spec.y, 0);
  if (spec.sx == 1 && spec.sy == 1) {
    w.data.BB(3);  // scale 1
  } else {
    w.data.BB(0);  // x, then y and z defaulting to x
    w.data.RD(spec.sx);
    w.data.DD(spec.sy, spec.sx);
    w.data.DD(1, spec.sx);
  }
  w.data.BD(0);  // rotation
  w.data.Point3BD(spec.extrusion[0], spec.extrusion[1], spec.extrusion[2]);
  w.data.B(0);  // no attributes
  if (array) {
    w.data.BS(std::uint16_t(spec.columns));
    w.data.BS(std::uint16_t(spec.rows));
    w.data.BD(2.0);
    w.data.BD(2.0);
  }
  w.EntityHandles(common);
  w.Handle(5, block);
  return w.Finish();
}

}  // namespace kvn::test
