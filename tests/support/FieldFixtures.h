// A document of two drawings whose second holds everything the title-block
// fields read: a format with margins and two tiles, three pages, a level,
// sectors, a linked set of pump inserts, a tank, links between them and a
// label text; and a pair of blocks that place each other (a cycle).
#pragma once

#include <memory>

#include "document/cDrawingDoc.h"

namespace kvn {
class cBlock;
class cDrawing;
class cDrawingData;
class cInsert;
class cLink;
class cText;
}  // namespace kvn

namespace kvn::test {

struct FieldFixture {
  std::unique_ptr<cDrawingDoc> document;
  cDrawing* drawing = nullptr;  // the second drawing
  cDrawingData* data = nullptr;
  cText* text = nullptr;        // in the top block, level "Walls", pages 1 and 3
  cInsert* pumpA = nullptr;     // linked set 5, number 1, running id 11
  cInsert* pumpB = nullptr;     // linked set 5, number 2, running id 12
  cInsert* tank = nullptr;      // running id 13
  cInsert* cyclic = nullptr;    // places block "Loop A", which places "Loop B", which places "Loop A"
  cLink* feed = nullptr;        // pump A input 0 -> tank input 1
  cLink* bypass = nullptr;      // pump B input 0 -> pump A input 0
  cLink* drain = nullptr;       // tank input 0 -> pump A input 2 (Spare)
};

FieldFixture MakeFieldFixture();

}  // namespace kvn::test
