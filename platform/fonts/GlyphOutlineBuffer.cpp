#include "platform/fonts/GlyphOutlineBuffer.h"

#include <cmath>

namespace kvn {

namespace {

constexpr std::uint32_t kPolygonType = 24;
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kMaxBuffer = 65535;

std::uint32_t BufferLe32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t BufferLe16(const std::uint8_t* p) { return std::uint16_t(p[0] | p[1] << 8); }
FixPoint GetPoint(const std::uint8_t* p) { return {std::int32_t(BufferLe32(p)), std::int32_t(BufferLe32(p + 4))}; }

void Put32At(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(v >> (8 * i));
}

std::int32_t TwoThirds(std::int32_t from, std::int32_t toward) {
  return std::int32_t(std::llround(from + 2.0 / 3.0 * (double(toward) - from)));
}

}  // namespace

GlyphRuns ParseGlyphOutline(std::span<const std::uint8_t> bytes) {
  GlyphRuns runs;
  std::size_t at = 0;
  while (bytes.size() - at >= kHeaderSize) {
    const std::uint8_t* h = bytes.data() + at;
    const std::uint32_t cb = BufferLe32(h);
    if (BufferLe32(h + 4) != kPolygonType || cb < kHeaderSize || cb > bytes.size() - at) break;
    std::vector<FixPoint> run{GetPoint(h + 8)};
    const std::size_t end = at + cb;
    std::size_t p = at + kHeaderSize;
    bool damaged = false;
    while (end - p >= 4) {
      const std::uint16_t type = BufferLe16(bytes.data() + p);
      const std::uint16_t count = BufferLe16(bytes.data() + p + 2);
      p += 4;
      if (std::size_t(count) * 8 > end - p || (type != 1 && type != 2 && type != 3)) {
        damaged = true;
        break;
      }
      const std::uint8_t* pts = bytes.data() + p;
      p += std::size_t(count) * 8;
      if (type == 1) {
        for (std::uint16_t i = 0; i < count; ++i) {
          const FixPoint q = GetPoint(pts + 8 * i);
          run.insert(run.end(), {run.back(), q, q});
        }
      } else if (type == 3) {
        for (std::uint16_t i = 0; i + 2 < count; i += 3) {
          run.insert(run.end(), {GetPoint(pts + 8 * i), GetPoint(pts + 8 * i + 8), GetPoint(pts + 8 * i + 16)});
        }
      } else {
        // Quadratic spline: each control q with the midpoint of the next
        // (or the last point itself) as its end.
        for (std::uint16_t i = 0; i + 1 < count; ++i) {
          const FixPoint p0 = run.back();
          const FixPoint q = GetPoint(pts + 8 * i);
          const FixPoint next = GetPoint(pts + 8 * i + 8);
          const bool last = i + 2 == count;
          const FixPoint p1 = last ? next
                                   : FixPoint{std::int32_t((std::int64_t(q.x) + next.x) / 2),
                                              std::int32_t((std::int64_t(q.y) + next.y) / 2)};
          run.insert(run.end(), {{TwoThirds(p0.x, q.x), TwoThirds(p0.y, q.y)},
                                 {TwoThirds(p1.x, q.x), TwoThirds(p1.y, q.y)},
                                 p1});
        }
      }
    }
    runs.push_back(std::move(run));
    if (damaged) break;
    at = end;
  }
  return runs;
}

void GlyphOutlineWriter::BeginPolygon(FixPoint start) {
  EndPolygon();
  polygon_ = bytes_.size();
  bytes_.resize(bytes_.size() + 8);
  Put32At(bytes_, polygon_ + 4, kPolygonType);
  recordType_ = 0;
  Point(start);
  open_ = true;
}

void GlyphOutlineWriter::BeginRecord(std::uint16_t type) {
  if (recordType_ == type) return;
  record_ = bytes_.size();
  bytes_.push_back(std::uint8_t(type));
  bytes_.push_back(0);
  bytes_.push_back(0);
  bytes_.push_back(0);
  recordType_ = type;
}

void GlyphOutlineWriter::Point(FixPoint p) {
  const std::size_t at = bytes_.size();
  bytes_.resize(at + 8);
  Put32At(bytes_, at, std::uint32_t(p.x));
  Put32At(bytes_, at + 4, std::uint32_t(p.y));
  if (recordType_ != 0) {
    const std::uint16_t n = std::uint16_t(bytes_[record_ + 2] | bytes_[record_ + 3] << 8);
    bytes_[record_ + 2] = std::uint8_t(n + 1);
    bytes_[record_ + 3] = std::uint8_t((n + 1) >> 8);
  }
}

void GlyphOutlineWriter::AddLine(FixPoint to) {
  if (!open_) return;
  BeginRecord(1);
  Point(to);
}

void GlyphOutlineWriter::AddCubic(FixPoint c1, FixPoint c2, FixPoint to) {
  if (!open_) return;
  // A record counts its points in 16 bits.
  if (recordType_ == 3 && (bytes_[record_ + 2] | bytes_[record_ + 3] << 8) > 0xFFF0) recordType_ = 0;
  BeginRecord(3);
  Point(c1);
  Point(c2);
  Point(to);
}

void GlyphOutlineWriter::EndPolygon() {
  if (!open_) return;
  Put32At(bytes_, polygon_, std::uint32_t(bytes_.size() - polygon_));
  open_ = false;
}

std::vector<std::uint8_t> GlyphOutlineWriter::Finish() {
  EndPolygon();
  if (bytes_.size() > kMaxBuffer) return {};
  return std::move(bytes_);
}

}  // namespace kvn
