// The multileader, emitted as the DXF form of the entity in the order of the
// DWG layout: the leaders come before the rest of the context data. Text
// items open and close the nested blocks: 300 "CONTEXT_DATA{" / 301 "}",
// 302 "LEADER{" / 303 "}", 304 "LEADER_LINE{" / 305 "}".
//
// The handles of the entity are stored after all its data, and from R2007
// its texts too. Each is given a place in the item sequence when its field
// is reached: a handle item of value 0 that receives the handle once the
// handles are read, and an insertion point for each text. Handle values are
// set first, then the texts are inserted from the last place to the first so
// that the earlier places stay where they were.
#include <deque>
#include <vector>

#include "dwg/objects/DwgReader.h"

namespace kvn {

namespace {

constexpr std::uint32_t kMinBitsPer3BD = 3 * 2;
// Two B, two 3BD, two BL, a BD and a BL.
constexpr std::uint32_t kBitsPerLeader = 2 + 2 * kMinBitsPer3BD + 2 * 2 + 2 + 2;
// Three BL.
constexpr std::uint32_t kBitsPerLeaderLine = 3 * 2;

struct TextPlace {
  std::size_t offset;
  std::uint16_t code;
  WString text;
};

}  // namespace

int DwgReader::HandleMultiLeader() {
  std::vector<std::size_t> handlePlaces;
  // Stable addresses: from R2007 the reader fills the texts when the object ends.
  std::deque<TextPlace> textPlaces;
  auto handlePlace = [&](std::uint16_t code) {
    handlePlaces.push_back(record_.End());
    record_.AddHandle(code, 0);
  };
  auto textPlace = [&](std::uint16_t code) {
    textPlaces.push_back({record_.End(), code, WString()});
    ReadText(&textPlaces.back().text, 0);
  };
  auto marker = [&](std::uint16_t code, std::u16string_view text) { record_.AddWide(code, text); };
  auto colour = [&](std::uint16_t code) { record_.AddInt32(code, std::int32_t(ReadObjectColor())); };
  auto int16 = [&](std::uint16_t code) { record_.AddInt16(code, std::int16_t(ReadBitShort())); };
  auto flag = [&](std::uint16_t code) { record_.AddInt8(code, std::uint8_t(ReadBit())); };
  auto point = [&](std::uint16_t code) {
    double x, y, z;
    Read3BitDouble(x, y, z);
    EmitPoint(code, x, y, z);
  };
  auto dropPoint = [&] {
    double x, y, z;
    Read3BitDouble(x, y, z);
  };
  const bool r2010 = release_ >= dwgrelease::kR2010;

  if (r2010) int16(270);

  // ---- the leaders ----
  const std::uint32_t leaders = ReadBitLong();
  if (!CountFits(leaders, kBitsPerLeader)) return 0;
  for (std::uint32_t l = 0; l < leaders; ++l) {
    if (overrun_) return 0;
    marker(302, u"LEADER{");
    ReadBit();
    ReadBit();
    point(10);
    point(11);
    const std::uint32_t breaks = ReadBitLong();
    if (!CountFits(breaks, 2 * kMinBitsPer3BD)) return 0;
    for (std::uint32_t b = 0; b < breaks; ++b) {
      if (overrun_) return 0;
      dropPoint();
      dropPoint();
    }
    ReadBitLong();
    EmitDouble(40, ReadBitDouble());
    const std::uint32_t lines = ReadBitLong();
    if (!CountFits(lines, kBitsPerLeaderLine)) return 0;
    for (std::uint32_t k = 0; k < lines; ++k) {
      if (overrun_) return 0;
      marker(304, u"LEADER_LINE{");
      const std::uint32_t points = ReadBitLong();
      if (!CountFits(points, kMinBitsPer3BD)) return 0;
      for (std::uint32_t p = 0; p < points; ++p) {
        if (overrun_) return 0;
        point(10);
      }
      const std::uint32_t lineBreaks = ReadBitLong();
      if (!CountFits(lineBreaks, 2 + 2 * kMinBitsPer3BD)) return 0;
      for (std::uint32_t b = 0; b < lineBreaks; ++b) {
        if (overrun_) return 0;
        ReadBitLong();
        dropPoint();
        dropPoint();
      }
      record_.AddInt32(91, std::int32_t(ReadBitLong()));
      if (r2010) {
        int16(170);
        colour(92);
        handlePlace(340);
        ReadBitLong();
        EmitDouble(40, ReadBitDouble());
        handlePlace(341);
        record_.AddInt32(93, std::int32_t(ReadBitLong()));
      }
      marker(305, u"}");
    }
    if (r2010) int16(271);
    marker(303, u"}");
  }

  // ---- the rest of the context data ----
  marker(300, u"CONTEXT_DATA{");
  EmitDouble(40, ReadBitDouble());
  point(10);
  EmitDouble(41, ReadBitDouble());
  EmitDouble(140, ReadBitDouble());
  EmitDouble(145, ReadBitDouble());
  for (std::uint16_t code = 174; code <= 177; ++code) int16(code);
  const bool hasText = ReadBit() != 0;
  record_.AddInt8(290, hasText ? 1 : 0);
  if (hasText) {
    textPlace(304);
    dropPoint();
    handlePlace(340);
    point(12);
    point(13);
    for (std::uint16_t code = 42; code <= 45; ++code) EmitDouble(code, ReadBitDouble());
    int16(170);
    colour(90);
    int16(171);
    int16(172);
    colour(91);
    EmitDouble(141, ReadBitDouble());
    record_.AddInt32(92, std::int32_t(ReadBitLong()));
    flag(291);
    flag(292);
    int16(173);
    flag(293);
    ReadBitDouble();
    ReadBitDouble();
    ReadBit();
    const std::uint32_t columns = ReadBitLong();
    if (!CountFits(columns, 2)) return 0;
    for (std::uint32_t c = 0; c < columns; ++c) {
      if (overrun_) return 0;
      ReadBitDouble();
    }
    flag(295);
    flag(296);
  } else if (ReadBit()) {
    // The block content flag is stored only when there is no text.
    record_.AddInt8(296, 1);
    handlePlace(341);
    point(14);
    point(15);
    point(16);
    EmitDouble(46, ReadBitDouble());
    colour(93);
    for (int i = 0; i < 16; ++i) EmitDouble(47, ReadBitDouble());
  } else {
    record_.AddInt8(296, 0);
  }
  point(110);
  point(111);
  point(112);
  flag(297);
  if (r2010) {
    ReadBitShort();
    ReadBitShort();
  }
  marker(301, u"}");

  // ---- the entity's own fields ----
  handlePlace(340);
  record_.AddInt32(90, std::int32_t(ReadBitLong()));
  int16(170);
  colour(91);
  handlePlace(341);
  record_.AddInt32(171, std::int32_t(ReadBitLong()));
  flag(290);
  flag(291);
  EmitDouble(41, ReadBitDouble());
  handlePlace(342);
  EmitDouble(42, ReadBitDouble());
  int16(172);
  handlePlace(343);
  int16(173);
  int16(95);
  int16(174);
  int16(175);
  colour(92);
  flag(292);
  handlePlace(344);
  colour(93);
  point(10);
  EmitDouble(43, ReadBitDouble());
  int16(176);
  flag(293);
  if (release_ <= dwgrelease::kR2007) {
    const std::uint32_t arrows = ReadBitLong();
    if (!CountFits(arrows, 1 + 8)) return 0;
    for (std::uint32_t a = 0; a < arrows; ++a) {
      if (overrun_) return 0;
      ReadBit();
      handlePlace(345);
    }
  }
  const std::uint32_t attributes = ReadBitLong();
  // A handle, a text, a BS and a BD each.
  if (!CountFits(attributes, 8 + 2 + 2 + 2)) return 0;
  for (std::uint32_t a = 0; a < attributes; ++a) {
    if (overrun_) return 0;
    handlePlace(330);
    textPlace(302);
    int16(177);
    EmitDouble(44, ReadBitDouble());
  }
  flag(294);
  int16(178);
  int16(179);
  EmitDouble(45, ReadBitDouble());
  if (r2010) {
    int16(271);
    int16(273);
    int16(272);
  }
  if (release_ >= dwgrelease::kR2013) ReadBit();

  if (!FinishEntityData()) return 0;
  std::vector<std::uint64_t> handles(handlePlaces.size(), 0);
  for (std::uint64_t& h : handles) {
    if (overrun_) return 0;
    ReadHandleRef(5, &h, 0);
  }
  if (!FinishObject()) return 0;
  for (std::size_t i = 0; i < handlePlaces.size(); ++i) record_.SetHandleAt(handlePlaces[i], handles[i]);
  for (auto it = textPlaces.rbegin(); it != textPlaces.rend(); ++it) {
    record_.InsertWideAt(it->offset, it->code, it->text.View());
  }
  entityCode_ = entity::kMultiLeader;
  return 1;
}

}  // namespace kvn
