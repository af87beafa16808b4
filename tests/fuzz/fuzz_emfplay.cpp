// Enhanced-metafile playback over arbitrary bytes: validation, then playback
// onto a 256 x 256 raster target and onto the recording target through the
// metafile-drawing callback.
#include <cstring>
#include <initializer_list>
#include <vector>

#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfPlayer.h"
#include "render/GdiOutput.h"
#include "tests/fuzz/FuzzTarget.h"

using namespace kvn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<EmfDocument> emf = EmfDocument::FromBytes(data, size);
  if (!emf) return 0;
  constexpr int kSide = 256;
  std::vector<std::uint8_t> bits(kSide * kSide * 4, 0xFF);
  if (auto raster = RasterDC::Create(bits.data(), kSide, kSide)) {
    PlayEnhMetaFile(*raster, *emf, TRect{0, 0, kSide, kSide});
  }
  RecordingDC recording;
  const TRect rect{-50, 10, 300, 200};
  EnumEnhMetaFile(recording, *emf, &PlayMetafileRecord, 3, &rect);
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

// A 4 x 4 packed DIB of the bit count (palette for 8 bits) appended to a
// record whose offsets field lies at `offsetsAt`.
void AddDibRecord(EmfBuilder& b, std::uint32_t type, std::uint32_t fixed, std::uint32_t offsetsAt,
                  std::uint16_t bitCount, std::initializer_list<std::uint32_t> fields) {
  std::vector<std::uint8_t> bmi(40, 0);
  le::Put32(&bmi[0], 40);
  le::Put32(&bmi[4], 4);
  le::Put32(&bmi[8], 4);
  le::Put16(&bmi[12], 1);
  le::Put16(&bmi[14], bitCount);
  if (bitCount == 8) {
    std::vector<std::uint8_t> palette(1024);
    for (std::size_t i = 0; i < palette.size(); ++i) palette[i] = std::uint8_t(i * 7);
    bmi.insert(bmi.end(), palette.begin(), palette.end());
  }
  std::vector<std::uint8_t> pixels(4 * ((4 * bitCount / 8 + 3) / 4 * 4), 0);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = std::uint8_t(i * 37);
  std::uint8_t* p = b.AddWithDib(type, fixed, DibParts{bmi.data(), std::uint32_t(bmi.size()), pixels.data(),
                                                      std::uint32_t(pixels.size())},
                                 offsetsAt);
  if (!p) return;
  std::uint32_t at = 8;
  for (std::uint32_t v : fields) {
    if (at < offsetsAt || at >= offsetsAt + 16) le::Put32(p + at, v);
    at += 4;
  }
}

std::vector<std::uint8_t> Build(bool anisotropic) {
  EmfBuilder b(1 << 20);
  Rec(b, kEmrHeader, {0, 0, 255, 255, 0, 0, 6773, 6773, kEmfSignature, 0x10000, 0, 0, 0, 0, 0, 0, 1024, 768, 270,
                      203, 0, 0, 0, 0, 0});
  if (anisotropic) {
    Rec(b, 17, {U(kMmAnisotropic)});
    Rec(b, 9, {100, 100});
    Rec(b, 11, {256, U(-256)});
    Rec(b, 12, {0, 256});
  }
  Rec(b, 38, {1, kPsDash, 3, 0, Rgb(200, 0, 0)});
  Rec(b, 37, {1});
  Rec(b, 39, {2, kBsHatched, Rgb(0, 0, 200), kHsCross});
  Rec(b, 37, {2});
  Rec(b, 86, {0, 0, 50, 50, 3, 10 | 10u << 16, 50 | 10u << 16, 30 | 50u << 16});  // POLYGON16
  Rec(b, 8, {0, 0, 90, 90, 2, 6, 3, 3, 10, 10, 90, 10, 50, 90, 20, 20, 80, 20, 50, 80});  // POLYPOLYGON
  Rec(b, 45, {10, 10, 90, 60, 90, 30, 10, 30});  // ARC
  Rec(b, 57, {2});                               // clockwise
  Rec(b, 46, {20, 20, 80, 80, 80, 50, 50, 20});  // CHORD
  Rec(b, 47, {30, 30, 70, 90, 0, 0, 100, 100});  // PIE
  Rec(b, 44, {5, 5, 95, 45, 20, 10});            // ROUNDRECT
  Rec(b, 41, {50, 50, 30, 0x42340000, 0x43870000});  // ANGLEARC 45 deg, 270 deg
  Rec(b, 33, {});                                    // SAVEDC
  Rec(b, 35, {0x3F800000, 0x3F000000, 0, 0x3F800000, 0x41200000, 0});  // SETWORLDTRANSFORM
  Rec(b, 59, {});
  Rec(b, 27, {10, 10});
  Rec(b, 54, {60, 20});
  Rec(b, 88, {0, 0, 0, 0, 3, 80 | 20u << 16, 80 | 80u << 16, 10 | 80u << 16});  // POLYBEZIERTO16
  Rec(b, 61, {});
  Rec(b, 60, {});
  Rec(b, 63, {0, 0, 0, 0});
  Rec(b, 34, {U(-1)});                                                 // RESTOREDC
  Rec(b, 75, {64, kRgnAnd, 32, 1, 2, 32, 0, 0, 200, 200, 0, 0, 100, 200, 120, 0, 200, 150});  // EXTSELECTCLIPRGN
  Rec(b, 30, {5, 5, 250, 250});                                        // INTERSECTCLIPRECT
  Rec(b, 95, {3, 0, 0, 0, 0, kPsGeometric | kPsUserStyle | kPsEndCapFlat, 4, kBsSolid, Rgb(0, 128, 0), 0, 3, 6, 2,
              1});  // EXTCREATEPEN
  Rec(b, 37, {3});
  Rec(b, 92, {0, 0, 0, 0, 4, 0, 100 | 100u << 16, 120 | 50u << 16, 140 | 150u << 16,
              kPtMoveTo | kPtLineTo << 8 | kPtBezierTo << 16 | std::uint32_t(kPtBezierTo) << 24});  // POLYDRAW16 (bad types)
  {
    std::uint8_t* f = b.Add(82, 12 + 92);  // EXTCREATEFONTINDIRECTW
    if (f) {
      le::Put32(f + 8, 4);
      le::Put32(f + 12, U(-20));
      le::Put32(f + 20, 900);
      const char16_t face[] = u"Liberation Sans";
      for (std::size_t i = 0; i < sizeof face / 2; ++i) le::Put16(f + 40 + 2 * i, face[i]);
    }
  }
  Rec(b, 37, {4});
  Rec(b, 84, {0, 0, 0, 0, 1, 0, 0, 40, 120, 3, 76, kEtoOpaque, 30, 100, 90, 125, 84, 'A' | 'b' << 16, 'c', 9, 9,
              9});  // EXTTEXTOUTW
  AddDibRecord(b, 81, 80, 48, 8, {0, 0, 0, 0, 150, 150, 0, 0, 4, 4, 0, 0, 0, 0, 0, kSrcCopy, 60, U(-60)});
  AddDibRecord(b, 76, 100, 84, 24,
               {0, 0, 0, 0, 10, 180, 40, 40, kSrcCopy, 0, 0, 0x3F800000, 0, 0, 0x3F800000, 0, 0, 0, 0});
  AddDibRecord(b, 114, 108, 84, 32,
               {0, 0, 0, 0, 200, 10, 50, 50, 0x00800000, 0, 0, 0x3F800000, 0, 0, 0x3F800000, 0, 0, 0, 0, 0, 0, 0, 4,
                4});  // ALPHABLEND
  Rec(b, 71, {0, 0, 0, 0, 48, 2, 32, 1, 1, 16, 0, 0, 50, 50, 200, 200, 240, 240});  // FILLRGN
  Rec(b, 70, {8, 0x2B464D45, 0});                                                    // an EMF+ comment
  Rec(b, 40, {1});
  Rec(b, 37, {0x80000000u | kNullPen});
  Rec(b, 42, {100, 100, 200, 160});
  b.Finish(5);
  return {b.Bytes().Items(), b.Bytes().Items() + b.Bytes().Count()};
}

}  // namespace

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() { return {Build(false), Build(true)}; }
