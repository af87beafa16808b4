// The tagged settings section of drawings from 3041 to 3060: records
// {tag byte, length byte, payload} ended by a tag 0. Payload words are 32-bit
// little-endian (w0 at offset 0, w1 at 4, ...); reals are IEEE singles.
// Unknown tags are stepped over, so later files could add settings.
#include <bit>
#include <cfloat>
#include <cstring>

#include "document/BodyReader.h"
#include "document/ResultCodes.h"
#include "document/cDrawing.h"
#include "document/cSheet.h"
#include "foundation/ArchiveReader.h"
#include "foundation/WString.h"
#include "model/cDrawingData.h"

namespace kvn {

namespace {

constexpr std::uint32_t kPayloadSize = 256;
// The largest single: a real setting that holds it was never set.
constexpr std::uint32_t kFloatMaxBits = 0x7F7FFFFF;

struct Payload {
  std::uint8_t bytes[kPayloadSize] = {};
  std::uint32_t Word(int i) const {
    const std::uint8_t* b = bytes + 4 * i;
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
  }
  std::int32_t Int(int i) const { return std::int32_t(Word(i)); }
  double Real(int i) const { return double(std::bit_cast<float>(Word(i))); }
  DPoint Point(int i) const { return {Real(i), Real(i + 1)}; }
  std::uint16_t Half(int i) const { return std::uint16_t(bytes[2 * i] | bytes[2 * i + 1] << 8); }
};

// Old text attributes: colour, second colour, height, then from offset 12
// the old 37-byte font record (face name in code page 1250 in 32 bytes,
// bold, italic, underline, strike-out, pitch-and-family).
void ReadOldTextAttributes(const Payload& p, TextAttributes& a) {
  a.color = p.Word(0) & 0x00FFFFFF;
  a.secondColor = p.Word(1) & 0x80FFFFFF;
  a.height = p.Real(2);
  const std::uint8_t* font = p.bytes + 12;
  int n = 0;
  while (n < 32 && font[n] != 0) ++n;
  WString face;
  face.AssignBytes(1250, reinterpret_cast<const char*>(font), n);
  SetFaceName(a, face.CStr(), face.Length());
  a.bold = font[32] != 0;
  a.italic = font[33] != 0;
  a.underline = font[34] != 0;
  a.strikeOut = font[35] != 0;
  a.pitchAndFamily = font[36];
}

void ApplyTag(BodyState& state, std::uint8_t tag, const Payload& p) {
  cDrawing& d = state.drawing;
  OldBodySettings& old = state.old;
  switch (tag) {
    case 1: state.data.SetScale(p.Real(0)); break;
    case 2:
      old.hasViewPoint = true;
      old.viewOffset = p.Point(0);
      break;
    case 3:
      old.hasViewPoint = true;
      old.viewPoint = p.Point(0);
      break;
    case 4: d.tileOverlap = p.Real(0); break;
    case 5: d.printScale = p.Real(0); break;
    case 6: d.gridMode = std::uint8_t(p.Word(0)); break;
    case 7: d.gridStep = p.Point(0); break;
    case 8: d.minStep = p.Point(0); break;
    case 11:
      if (p.Int(0) > 0) d.paperId = std::uint16_t(p.Word(0));
      break;
    case 12: d.printFormatSize = p.Point(0); break;
    case 13: d.printMargins = p.Point(0); break;
    case 14: d.printArea = {p.Real(0), p.Real(1), p.Real(2), p.Real(3)}; break;
    case 18:
      old.hasTextFields = true;
      ReadOldTextAttributes(p, old.textFields);
      break;
    case 19:
      if (p.Word(0) != kFloatMaxBits) d.realAfterPrototypes = p.Real(0);
      break;
    case 20: old.intViewPosition[0] = p.Int(0); break;
    case 21: old.intViewPosition[1] = p.Int(0); break;
    case 22:
      // The prototype shape: fill colour, line width, the kind byte and the
      // line type byte, line colour, hatch scale, pattern scale.
      old.hasShapeFields = true;
      old.shapeFillColor = p.Word(0);
      old.shapeWidth = p.Real(1);
      old.shapeKind = p.bytes[8];
      old.shapeLineType = p.bytes[9];
      old.shapeLineColor = p.Word(4);
      old.shapeHatchScale = p.Real(5);
      old.shapePatternScale = p.Real(6);
      break;
    case 25: ReadOldTextAttributes(p, d.oldTextAttributes[0]); break;
    case 26: ReadOldTextAttributes(p, d.oldTextAttributes[1]); break;
    case 34: ReadOldTextAttributes(p, d.oldTextAttributes[2]); break;
    case 28: d.attributes.SetI32(kAttrSetting204, p.Int(0)); break;
    case 29: d.gridTwoBits = p.Word(0); break;
    case 30: d.gridMode2 = std::uint8_t(p.Word(0)); break;
    case 31: d.gridInts[0] = p.Word(0); break;
    case 32: d.gridInts[1] = p.Word(0); break;
    case 33: old.scaleDivisor = p.Real(0); break;
    case 35: d.fourBitSetting = std::uint8_t(p.Word(0)); break;
    case 36:
      d.attributes.SetU16(kAttrDefaultLineStyle, p.Half(0));
      d.attributes.SetU16(kAttrDefaultFillStyle, p.Half(1));
      d.attributes.SetU16(kAttrDefaultWallStyle, p.Half(2));
      d.attributes.SetU16(kAttrDefaultLinkStyle, p.Half(3));
      d.attributes.SetU16(kAttrDefaultTextStyle, p.Half(4));
      break;
    case 37: d.currentLevel = p.bytes[0]; break;
    case 39: d.levelLeadBit = std::uint8_t(p.Word(0) != 0); break;
    case 40: d.unitReal = p.Real(0); break;
    case 41:
      old.hasShapeFields = true;
      old.shapeTag41 = p.Word(0);
      break;
    case 47:
      old.hasShapeFields = true;
      old.shapeHatchValue = p.Real(0);
      break;
    case 48: d.storedCurrentPage = std::uint16_t(p.Word(0)); break;
    case 49: d.pageResetFlag = std::uint8_t(p.Word(0) != 0); break;
    default: break;
  }
}

}  // namespace

int ReadTaggedSettings(BodyState& state) {
  ArchiveReader& r = state.r;
  while (true) {
    if (r.AtEnd()) return kLoadTaggedSectionCut;
    const std::uint8_t tag = r.ReadByte();
    if (tag == 0) break;
    if (r.AtEnd()) return kLoadTaggedRecordCut;
    const std::uint8_t length = r.ReadByte();
    Payload payload;
    if (length > 0 && r.Read(payload.bytes, length) != length) return kLoadTaggedRecordCut;
    ApplyTag(state, tag, payload);
  }
  if (state.old.scaleDivisor > 0.0) state.data.SetScale(state.data.Scale() / state.old.scaleDivisor);
  return kLoadOk;
}

}  // namespace kvn
