#include "dwg/container/DwgDecompress2007.h"

namespace kvn {

namespace {

struct Piece {
  std::uint8_t count, offset;
};

// For a tail of r bytes: the pieces (count, source offset) in destination
// order; runs of two or more are copied again by their own rule.
constexpr Piece kPieces[32][5] = {
    {},
    {{1, 0}},
    {{1, 1}, {1, 0}},
    {{1, 2}, {1, 1}, {1, 0}},
    {{1, 0}, {1, 1}, {1, 2}, {1, 3}},
    {{1, 4}, {4, 0}},
    {{1, 5}, {4, 1}, {1, 0}},
    {{2, 5}, {4, 1}, {1, 0}},
    {{4, 0}, {4, 4}},
    {{1, 8}, {8, 0}},
    {{1, 9}, {8, 1}, {1, 0}},
    {{2, 9}, {8, 1}, {1, 0}},
    {{4, 8}, {8, 0}},
    {{1, 12}, {4, 8}, {8, 0}},
    {{1, 13}, {4, 9}, {8, 1}, {1, 0}},
    {{2, 13}, {4, 9}, {8, 1}, {1, 0}},
    {{8, 8}, {8, 0}},
    {{8, 9}, {1, 8}, {8, 0}},
    {{1, 17}, {16, 1}, {1, 0}},
    {{3, 16}, {16, 0}},
    {{4, 16}, {16, 0}},
    {{1, 20}, {4, 16}, {16, 0}},
    {{2, 20}, {4, 16}, {16, 0}},
    {{3, 20}, {4, 16}, {16, 0}},
    {{8, 16}, {16, 0}},
    {{8, 17}, {1, 16}, {16, 0}},
    {{1, 25}, {8, 17}, {1, 16}, {16, 0}},
    {{2, 25}, {8, 17}, {1, 16}, {16, 0}},
    {{4, 24}, {8, 16}, {16, 0}},
    {{1, 28}, {4, 24}, {8, 16}, {16, 0}},
    {{2, 28}, {4, 24}, {8, 16}, {16, 0}},
    {{1, 30}, {4, 26}, {8, 18}, {16, 2}, {2, 0}},
};

void CopyTail(std::uint8_t* dst, const std::uint8_t* src, std::size_t r) {
  for (const Piece& piece : kPieces[r]) {
    if (piece.count == 0) break;
    if (piece.count == 1) {
      *dst = src[piece.offset];
    } else {
      CopyTail(dst, src + piece.offset, piece.count);
    }
    dst += piece.count;
  }
}

}  // namespace

void CopyReordered2007(std::uint8_t* destination, const std::uint8_t* source, std::size_t count) {
  while (count >= 32) {
    CopyTail(destination, source + 16, 16);
    CopyTail(destination + 16, source, 16);
    destination += 32;
    source += 32;
    count -= 32;
  }
  if (count > 0) CopyTail(destination, source, count);
}

}  // namespace kvn
