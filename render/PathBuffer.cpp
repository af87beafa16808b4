#include "render/PathBuffer.h"

namespace kvn {

namespace {

struct PieceList {
  OwnedArray<SegmentArray> pieces;
  std::uint32_t inUse = 0;
};

// The renderer runs on the one GUI thread.
PieceList g_lists[2];
int g_pathMode = 0;

PieceList& Current() { return g_lists[g_pathMode]; }

}  // namespace

SegmentArray* PathBuffer::NewPiece() {
  PieceList& list = Current();
  if (list.inUse == list.pieces.Count()) list.pieces.Add(new SegmentArray);
  SegmentArray* piece = list.pieces[list.inUse++];
  piece->Clear();
  return piece;
}

void PathBuffer::Empty() { Current().inUse = 0; }

std::uint32_t PathBuffer::PieceCount() { return Current().inUse; }

SegmentArray* PathBuffer::Piece(std::uint32_t i) { return i < Current().inUse ? Current().pieces[i] : nullptr; }

SegmentArray* const* PathBuffer::Pieces() { return Current().pieces.begin(); }

int PathBuffer::SetPathMode(int mode) {
  int old = g_pathMode;
  g_pathMode = mode ? 1 : 0;
  return old;
}

int PathBuffer::PathMode() { return g_pathMode; }

}  // namespace kvn
