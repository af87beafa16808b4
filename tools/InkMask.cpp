#include "tools/InkMask.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

#include "platform/gdi/TDib.h"
#include "platform/image/ImageCodecs.h"

namespace kvn::tool {

namespace {

constexpr std::uint32_t kInkBelow = 208;

}  // namespace

std::size_t InkMask::InkCount() const { return std::size_t(std::count(ink.begin(), ink.end(), std::uint8_t(1))); }

InkMask InkOfPicture(const TDib& picture) {
  InkMask m;
  m.width = picture.Width();
  m.height = picture.Height();
  if (m.width <= 0 || m.height <= 0) return InkMask{};
  m.ink.assign(std::size_t(m.width) * std::size_t(m.height), 0);
  for (int y = 0; y < m.height; ++y)
    for (int x = 0; x < m.width; ++x) {
      const std::uint32_t c = picture.GetPixelColor(x, y);
      if (c == TDib::kInvalidColor) continue;
      const std::uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
      if (std::min({r, g, b}) < kInkBelow) m.ink[std::size_t(y) * std::size_t(m.width) + std::size_t(x)] = 1;
    }
  return m;
}

InkMask InkOfPngFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return InkMask{};
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  TDib picture;
  if (!DecodePngToDib(bytes.data(), bytes.size(), std::uint64_t(1) << 28, &picture)) return InkMask{};
  return InkOfPicture(picture);
}

InkMask CropToInk(const InkMask& mask) {
  int x1 = mask.width, y1 = mask.height, x2 = -1, y2 = -1;
  for (int y = 0; y < mask.height; ++y)
    for (int x = 0; x < mask.width; ++x)
      if (mask.At(x, y)) {
        x1 = std::min(x1, x);
        x2 = std::max(x2, x);
        y1 = std::min(y1, y);
        y2 = std::max(y2, y);
      }
  if (x2 < 0) return InkMask{};
  InkMask out;
  out.width = x2 - x1 + 1;
  out.height = y2 - y1 + 1;
  out.ink.resize(std::size_t(out.width) * std::size_t(out.height));
  for (int y = 0; y < out.height; ++y)
    std::copy_n(mask.ink.begin() + std::ptrdiff_t((y + y1) * mask.width + x1), out.width,
                out.ink.begin() + std::ptrdiff_t(y * out.width));
  return out;
}

InkMask ScaleMask(const InkMask& mask, int width, int height) {
  InkMask out;
  if (mask.Empty() || width <= 0 || height <= 0) return out;
  out.width = width;
  out.height = height;
  out.ink.assign(std::size_t(width) * std::size_t(height), 0);
  // Every source pixel marks the target pixels its area touches: a
  // reduction keeps thin lines, an enlargement fills the whole footprint.
  const double sx = double(width) / mask.width, sy = double(height) / mask.height;
  for (int y = 0; y < mask.height; ++y) {
    const int ty1 = std::min(height - 1, int(std::floor(y * sy)));
    const int ty2 = std::max(ty1, std::min(height - 1, int(std::ceil((y + 1) * sy)) - 1));
    for (int x = 0; x < mask.width; ++x) {
      if (!mask.At(x, y)) continue;
      const int tx1 = std::min(width - 1, int(std::floor(x * sx)));
      const int tx2 = std::max(tx1, std::min(width - 1, int(std::ceil((x + 1) * sx)) - 1));
      for (int ty = ty1; ty <= ty2; ++ty)
        std::fill_n(out.ink.begin() + std::ptrdiff_t(ty * width + tx1), tx2 - tx1 + 1, std::uint8_t(1));
    }
  }
  return out;
}

void StoredSize(const InkMask& cropped, int side, int& width, int& height) {
  width = height = 0;
  if (cropped.Empty()) return;
  const double f = std::min(double(side) / cropped.width, double(side) / cropped.height);
  width = std::max(1, int(std::lround(cropped.width * f)));
  height = std::max(1, int(std::lround(cropped.height * f)));
}

InkMask StoredMaskOf(const InkMask& mask) {
  const InkMask cropped = CropToInk(mask);
  int w = 0, h = 0;
  StoredSize(cropped, kStoredSide, w, h);
  return ScaleMask(cropped, w, h);
}

double InkWithin(const InkMask& a, const InkMask& b, int radius) {
  if (a.width != b.width || a.height != b.height) return 0.0;
  const std::size_t total = a.InkCount();
  if (total == 0) return 1.0;
  // b's ink grown by a disc of the radius, one row of offsets at a time.
  InkMask grown = b;
  for (int dy = -radius; dy <= radius; ++dy) {
    const int dx = int(std::floor(std::sqrt(double(radius * radius - dy * dy))));
    for (int y = 0; y < b.height; ++y) {
      const int sy = y + dy;
      if (sy < 0 || sy >= b.height) continue;
      for (int x = 0; x < b.width; ++x) {
        if (!b.At(x, sy)) continue;
        const int x1 = std::max(0, x - dx), x2 = std::min(b.width - 1, x + dx);
        std::fill_n(grown.ink.begin() + std::ptrdiff_t(y * b.width + x1), x2 - x1 + 1, std::uint8_t(1));
      }
    }
  }
  std::size_t near = 0;
  for (std::size_t i = 0; i < a.ink.size(); ++i) near += a.ink[i] && grown.ink[i];
  return double(near) / double(total);
}

InkAgreement CompareWithPeer(const InkMask& peer, const InkMask& ours, int radius) {
  InkAgreement r;
  const InkMask scaled = ScaleMask(CropToInk(ours), peer.width, peer.height);
  if (peer.Empty() || scaled.Empty()) return r;
  r.peerNearOurs = InkWithin(peer, scaled, radius);
  r.oursNearPeer = InkWithin(scaled, peer, radius);
  return r;
}

bool WritePbm(const InkMask& mask, const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  if (!out) return false;
  out << "P4\n" << mask.width << " " << mask.height << "\n";
  const int rowBytes = (mask.width + 7) / 8;
  std::vector<char> row(std::size_t(std::max(rowBytes, 0)));
  for (int y = 0; y < mask.height; ++y) {
    std::fill(row.begin(), row.end(), 0);
    for (int x = 0; x < mask.width; ++x)
      if (mask.At(x, y)) row[std::size_t(x / 8)] = char(row[std::size_t(x / 8)] | (0x80 >> (x % 8)));
    out.write(row.data(), std::streamsize(row.size()));
  }
  return bool(out);
}

InkMask ReadPbm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int width = 0, height = 0;
  if (!(in >> magic >> width >> height) || magic != "P4" || width <= 0 || height <= 0 || width > 65536 ||
      height > 65536)
    return InkMask{};
  in.get();  // the one white-space character before the bits
  InkMask m;
  m.width = width;
  m.height = height;
  m.ink.assign(std::size_t(width) * std::size_t(height), 0);
  const int rowBytes = (width + 7) / 8;
  std::vector<char> row(static_cast<std::size_t>(rowBytes));
  for (int y = 0; y < height; ++y) {
    if (!in.read(row.data(), rowBytes)) return InkMask{};
    for (int x = 0; x < width; ++x)
      m.ink[std::size_t(y) * std::size_t(width) + std::size_t(x)] = (row[std::size_t(x / 8)] >> (7 - x % 8)) & 1;
  }
  return m;
}

}  // namespace kvn::tool
