// Ink masks: how two renderings of one drawing by different programs are
// compared. Each picture becomes a mask of its ink (every pixel not close to
// white), cropped to the box of its ink and scaled alike, so that margins,
// picture sizes and the fit of each program do not count; then each side's
// ink is looked for within a few pixels of the other's.
//
// A stored peer mask is the peer picture's ink, cropped and fitted into
// kStoredSide x kStoredSide keeping its aspect, as a binary PBM (P4). Our
// picture's cropped ink is scaled to exactly that size before comparing.
// Scaling down keeps a pixel as ink when any pixel of its footprint is, so a
// one-pixel line survives any reduction.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvn {

class TDib;

namespace tool {

inline constexpr int kStoredSide = 400;

struct InkMask {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> ink;  // row-major, top row first, 1 = ink

  bool Empty() const { return width <= 0 || height <= 0; }
  bool At(int x, int y) const { return ink[std::size_t(y) * std::size_t(width) + std::size_t(x)] != 0; }
  std::size_t InkCount() const;
};

// A pixel is ink when one of its channels is below 208: paper, white text
// halos and the faintest anti-aliasing fringe are not.
InkMask InkOfPicture(const TDib& picture);
// The ink of a PNG file; empty when it cannot be read.
InkMask InkOfPngFile(const std::string& path);
// The box of the ink (an empty mask without ink).
InkMask CropToInk(const InkMask& mask);
InkMask ScaleMask(const InkMask& mask, int width, int height);
// The size a cropped mask is stored at: fitted into side x side.
void StoredSize(const InkMask& cropped, int side, int& width, int& height);
// Cropped and fitted into kStoredSide x kStoredSide: what a peer mask holds.
InkMask StoredMaskOf(const InkMask& mask);

// The share of `a`'s ink that lies within `radius` pixels (Euclidean) of ink
// of `b`; the two masks have one size. 1 when `a` has no ink.
double InkWithin(const InkMask& a, const InkMask& b, int radius);

struct InkAgreement {
  double peerNearOurs = 0;  // share of the peer's ink near ours
  double oursNearPeer = 0;  // share of our ink near the peer's
};
// `peer` is a stored mask; `ours` any full picture's mask (cropped and
// scaled here to the peer's size).
InkAgreement CompareWithPeer(const InkMask& peer, const InkMask& ours, int radius = 3);

bool WritePbm(const InkMask& mask, const std::string& path);
InkMask ReadPbm(const std::string& path);

}  // namespace tool
}  // namespace kvn
