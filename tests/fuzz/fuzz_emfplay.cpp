// Enhanced-metafile playback over arbitrary bytes: damaged text records
// taken out, validation, then playback onto a 256 x 256 raster target and
// onto the recording target through the metafile-drawing callback.
#include <uemf.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfPlayer.h"
#include "platform/metafile/EmfValidate.h"
#include "render/GdiOutput.h"
#include "tests/fuzz/FuzzTarget.h"

using namespace kvn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The picture reader first takes out the text records that do not fit
  // and the widenings past the limit;
  // what is left is played when it validates.
  std::vector<std::uint8_t> bytes(data, data + size);
  std::uint64_t kept = bytes.size();
  DropUnfitTextRecords(bytes.data(), &kept);
  DropWideningsPastLimit(bytes.data(), &kept);
  if (kept > size) std::abort();
  const std::optional<EmfDocument> emf = EmfDocument::FromBytes(bytes.data(), kept);
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

// The records that copy through masks, shade, frame and invert regions,
// move the clip, justify and draw symbol faces, written by libUEMF.
std::vector<std::uint8_t> BuildMore() {
  EmfBuilder b(1 << 20);
  Rec(b, kEmrHeader, {0, 0, 255, 255, 0, 0, 6773, 6773, kEmfSignature, 0x10000, 0, 0, 0, 0, 0, 0, 1024, 768, 270,
                      203, 0, 0, 0, 0, 0});
  const U_RECTL box{0, 0, 255, 255};
  const U_XFORM identity{1, 0, 0, 1, 0, 0};
  U_TRIVERTEX v[3] = {{10, 10, 0xFF00, 0, 0, 0}, {200, 40, 0, 0xFF00, 0, 0}, {40, 200, 0, 0, 0xFF00, 0}};
  const std::uint32_t rect[2] = {0, 1}, tri[3] = {0, 1, 2};
  b.Take(U_EMRGRADIENTFILL_set(box, 3, 1, U_GRADIENT_FILL_RECT_V, v, rect));
  b.Take(U_EMRGRADIENTFILL_set(box, 3, 1, U_GRADIENT_FILL_TRIANGLE, v, tri));
  // A 4 x 4 24-bit picture and a 4 x 4 mask.
  char pixels[48];
  for (int i = 0; i < 48; ++i) pixels[i] = char(i * 23);
  char mask[16] = {char(0xA0), 0, 0, 0, char(0x50), 0, 0, 0, char(0xF0), 0, 0, 0, 0, 0, 0, 0};
  U_RGBQUAD mono[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  PU_BITMAPINFO bmi = bitmapinfo_set(bitmapinfoheader_set(4, 4, 1, 24, U_BI_RGB, 48, 0, 0, 0, 0), nullptr);
  PU_BITMAPINFO mbi = bitmapinfo_set(bitmapinfoheader_set(4, -4, 1, 1, U_BI_RGB, 16, 0, 0, 2, 0), mono);
  b.Take(U_EMRTRANSPARENTBLT_set(box, {20, 20}, {60, 60}, {0, 0}, {4, 4}, identity, {0, 0, 0, 0}, U_DIB_RGB_COLORS,
                                 0x00170000, bmi, 48, pixels));
  b.Take(U_EMRMASKBLT_set(box, {100, 20}, {4, 4}, {0, 0}, identity, {0, 0, 0, 0}, U_DIB_RGB_COLORS, {1, 0},
                          U_DIB_RGB_COLORS, 0xAA000000u | U_SRCCOPY, bmi, 48, pixels, mbi, 16, mask));
  U_POINTL corners[3] = {{128, 100}, {200, 160}, {60, 170}};
  b.Take(U_EMRPLGBLT_set(box, corners, {0, 0}, {4, 4}, identity, {0, 0, 0, 0}, U_DIB_RGB_COLORS, {0, 0},
                         U_DIB_RGB_COLORS, bmi, 48, pixels, mbi, 16, mask));
  std::free(bmi);
  std::free(mbi);
  U_RECTL rects[2] = {{10, 200, 120, 240}, {60, 240, 100, 250}};
  PU_RGNDATA region = rgndata_set(rgndataheader_set(2, U_RECTL{10, 200, 120, 250}), rects);
  Rec(b, 39, {1, kBsSolid, Rgb(0, 90, 0), 0});
  b.Take(U_EMRFRAMERGN_set(box, 1, {3, 2}, region));
  b.Take(U_EMRINVERTRGN_set(region));
  std::free(region);
  Rec(b, 30, {0, 0, 128, 128});  // INTERSECTCLIPRECT
  Rec(b, 26, {40, U(-20)});      // OFFSETCLIPRGN
  Rec(b, 120, {30, 2});          // SETTEXTJUSTIFICATION
  {
    std::uint8_t* f = b.Add(82, 12 + 92);
    if (f) {
      le::Put32(f + 8, 2);
      le::Put32(f + 12, U(-24));
      f[35] = 2;
      const char16_t face[] = u"Wingdings";
      for (std::size_t i = 0; i < sizeof face / 2; ++i) le::Put16(f + 40 + 2 * i, face[i]);
    }
  }
  Rec(b, 37, {2});
  Rec(b, 22, {U(kTaUpdateCp | kTaBaseline)});
  // POLYTEXTOUTW: two runs, "a b" and a private-use code.
  Rec(b, 97, {0, 0, 0, 0, 1, 0, 0, 2,
              30, 60, 3, 120, kEtoClipped, 0, 0, 200, 100, 0,
              30, 90, 1, 126, 0, 0, 0, 0, 0, 0,
              'a' | ' ' << 16, 'b' | 0xF04Au << 16});
  b.Finish(3);
  return {b.Bytes().Items(), b.Bytes().Items() + b.Bytes().Count()};
}

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() { return {Build(false), Build(true), BuildMore()}; }
