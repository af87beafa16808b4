// The metafile interpreter over arbitrary bytes, unvalidated: the walk's own
// record checks must keep every read inside the bytes. Each input is
// exploded into an upright frame and into a mirrored, turned one.
#include <cstring>
#include <initializer_list>
#include <vector>

#include "import/pictures/MetafileExploder.h"
#include "model/cDrawingData.h"
#include "model/cWmf.h"
#include "platform/gdi/LeBytes.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfValidate.h"
#include "tests/fuzz/FuzzTarget.h"

using namespace kvn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  for (int pass = 0; pass < 2; ++pass) {
    cWmf metafile;
    metafile.frame.width = pass == 0 ? 100 : -50;
    metafile.frame.height = pass == 0 ? 80 : 30;
    metafile.frame.angle = pass == 0 ? 0 : 30;
    metafile.SetBits(std::vector<std::uint8_t>(data, data + size));
    ObjectChain chain = ExplodeMetafile(metafile, static_cast<cDrawingData*>(nullptr));
    (void)chain.Count();
  }
  return 0;
}

namespace {

void Rec(EmfBuilder& b, std::uint32_t type, std::initializer_list<std::uint32_t> fields) {
  std::uint8_t* p = b.Add(type, 8 + 4 * fields.size());
  if (!p) return;
  std::uint32_t at = 8;
  for (std::uint32_t v : fields) {
    le::Put32(p + at, v);
    at += 4;
  }
}

std::uint32_t U(int v) { return std::uint32_t(v); }

std::vector<std::uint8_t> Build(int mapMode) {
  EmfBuilder b(1 << 20);
  Rec(b, kEmrHeader, {0, 0, 255, 255, 0, 0, 6773, 6773, kEmfSignature, 0x10000, 0, 0, 0, 0, 0, 0, 1024, 768, 270,
                      203, 0, 0, 0, 0, 0});
  Rec(b, 17, {U(mapMode)});
  Rec(b, 9, {100, 100});
  Rec(b, 11, {256, U(-256)});
  Rec(b, 38, {1, 1, 3, 0, 0x0000C8});                       // CREATEPEN dashed
  Rec(b, 37, {1});
  Rec(b, 39, {2, 0, 0xC80000, 0});                          // CREATEBRUSHINDIRECT solid
  Rec(b, 37, {2});
  Rec(b, 86, {0, 0, 50, 50, 3, 10 | 10u << 16, 50 | 10u << 16, 30 | 50u << 16});  // POLYGON16
  Rec(b, 8, {0, 0, 90, 90, 2, 6, 3, 3, 10, 10, 90, 10, 50, 90, 20, 20, 80, 20, 50, 80});  // POLYPOLYGON
  Rec(b, 45, {10, 10, 90, 60, 90, 30, 10, 30});            // ARC
  Rec(b, 42, {5, 5, 60, 40});                               // ELLIPSE
  Rec(b, 33, {});                                           // SAVEDC
  Rec(b, 35, {0x3F800000, 0x3F000000, 0, 0x3F800000, 0x41200000, 0});  // SETWORLDTRANSFORM
  Rec(b, 59, {});                                           // BEGINPATH
  Rec(b, 27, {10, 10});
  Rec(b, 54, {60, 20});
  Rec(b, 88, {0, 0, 0, 0, 3, 80 | 20u << 16, 80 | 80u << 16, 10 | 80u << 16});  // POLYBEZIERTO16
  Rec(b, 61, {});
  Rec(b, 43, {20, 20, 40, 40});                             // RECTANGLE into the path
  Rec(b, 60, {});
  Rec(b, 63, {0, 0, 0, 0});                                 // STROKEANDFILLPATH
  Rec(b, 34, {U(-1)});                                      // RESTOREDC
  Rec(b, 56, {0, 0, 0, 0, 4, 0, 0, 30, 0, 30, 30, 0, 30, 0x03020206});  // POLYDRAW
  Rec(b, 76, {0, 0, 0, 0, 5, 5, 20, 20, 0x00F00021, 0, 0, 0x3F800000, 0, 0, 0x3F800000, 0, 0, 0, 0, 0, 0, 0, 0});
  Rec(b, 22, {24 | 6});                                     // SETTEXTALIGN
  Rec(b, 84, {0, 0, 0, 0, 1, 0, 0, 40, 50, 3, 76, 0, 0, 0, 0, 0, 0, 0xF041 | 0x42u << 16, 0x43});  // EXTTEXTOUTW
  return b.Finish(4) ? std::vector<std::uint8_t>(b.Bytes().Items(), b.Bytes().Items() + b.Bytes().Count())
                     : std::vector<std::uint8_t>();
}

}  // namespace

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() { return {Build(1), Build(2), Build(8)}; }
