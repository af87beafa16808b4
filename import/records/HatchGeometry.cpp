#include "import/records/HatchGeometry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>
#include <string>
#include <string_view>

#include "foundation/Resources.h"
#include "import/records/YxxfGroupRecord.h"
#include "model/ArcCubic.h"
#include "model/Geometry.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {

constexpr double kQuarterK = 0.552284749830793;

DPoint Turn(const DPoint& p, double degrees) {
  DPoint q = p;
  RotatePoint(q, DPoint{0, 0}, degrees);
  return q;
}

// The kept-line rule shared by the entity's lines and the table's.
void FinishLine(double angle, double bx, double by, double ox, double oy, std::vector<double> dashes, bool continuous,
                std::vector<OneFinalDef>& out) {
  double length = 0;
  if (continuous) {
    dashes.assign(1, std::hypot(ox, oy));
  }
  for (double d : dashes) length += std::fabs(d);
  const double a = angle * kPi / 180.0;
  const double spacing = std::fabs(-std::sin(a) * ox + std::cos(a) * oy);
  if (!(length > 1e-6) || !(spacing > 1e-6)) return;
  if (dashes.size() == 1 && std::fabs(dashes[0] - length) <= 1e-6) dashes.clear();
  OneFinalDef line;
  line.angle = angle;
  line.baseX = bx;
  line.baseY = -by;
  line.offsetX = ox;
  line.offsetY = -oy;
  line.dashes = std::move(dashes);
  out.push_back(std::move(line));
}

bool ParseNumber(std::string_view text, double& out) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size() && std::isfinite(out);
}

std::string UpperAscii(std::u16string_view name) {
  std::string s;
  for (char16_t c : name) s.push_back(c < 128 ? char(std::toupper(int(c))) : '?');
  return s;
}

// name -> the numbers of each line
using PatternTable = std::map<std::string, std::vector<std::vector<double>>>;

PatternTable ParseTable() {
  PatternTable table;
  std::span<const std::uint8_t> bytes = FindResource(ResourceType::HatchPatterns, 1);
  std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::vector<std::vector<double>>* current = nullptr;
  while (!text.empty()) {
    std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '*') {
      std::string name(line.substr(1));
      while (!name.empty() && (name.back() == '\r' || name.back() == ' ')) name.pop_back();
      for (char& c : name) c = char(std::toupper(static_cast<unsigned char>(c)));
      current = &table[name];
      continue;
    }
    if (!current) continue;
    std::vector<double> numbers;
    bool good = true;
    while (good) {
      std::size_t comma = line.find(',');
      double v = 0;
      good = ParseNumber(line.substr(0, comma), v);
      if (good) numbers.push_back(v);
      if (comma == std::string_view::npos) break;
      line.remove_prefix(comma + 1);
    }
    if (good && numbers.size() >= 5 && current->size() < kMaxPatternLines) current->push_back(std::move(numbers));
  }
  return table;
}

}  // namespace

void ArcEdgeToBeziers(const ArcEdge& edge, bool fullTurn, CubicArray& out, double axisRotation, bool clockwise) {
  double start = edge.startAngle, end = edge.endAngle;
  if (clockwise) {
    start = -edge.endAngle;
    end = -edge.startAngle;
  }
  const double difference = end - start;
  double sweep = difference;
  start = NormalizeAngle(start);
  if (sweep < 0) sweep += 360.0;
  if (fullTurn && difference >= 359.9999) sweep = 360.0;
  // Bound the pieces: a sweep from a damaged file can be anything.
  if (!std::isfinite(sweep)) return;
  sweep = std::min(sweep, 360.0);

  const std::uint32_t first = out.Count();
  double a = 0;
  bool any = false;
  while (sweep + kFloatEpsilon >= 90.0) {
    const double b = a + 90.0;
    const double ca = std::cos(a * kPi / 180), sa = std::sin(a * kPi / 180);
    const double cb = std::cos(b * kPi / 180), sb = std::sin(b * kPi / 180);
    out.Append64(Cubic{{DPoint{ca, sa}, DPoint{ca - kQuarterK * sa, sa + kQuarterK * ca},
                        DPoint{cb + kQuarterK * sb, sb - kQuarterK * cb}, DPoint{cb, sb}}});
    a = b;
    sweep -= 90.0;
    any = true;
  }
  if (sweep > 0 || !any) {
    Cubic piece;
    MakeArcCubic(piece, DPoint{0, 0}, 1.0, 0.0, std::max(sweep, 0.0));
    for (DPoint& p : piece.p) p = Turn(p, a);
    out.Append64(piece);
  }
  for (std::uint32_t i = first; i < out.Count(); ++i) {
    for (DPoint& p : out[i].p) {
      p = Turn(p, start);
      p.x *= edge.rx;
      p.y *= edge.ry;
      p = Turn(p, axisRotation);
      p.x += edge.cx;
      p.y += edge.cy;
    }
  }
  if (clockwise) {
    std::reverse(out.begin() + first, out.end());
    for (std::uint32_t i = first; i < out.Count(); ++i) std::reverse(std::begin(out[i].p), std::end(out[i].p));
  }
}

void EllipseAngleToParameter(double& angle, double ratio) {
  double a = angle;
  double turns = 0;
  if (!std::isfinite(a)) return;
  if (a > 360.0) {
    turns = std::floor(a / 360.0);
    a -= turns * 360.0;
  } else if (a < -360.0) {
    turns = -std::floor(-a / 360.0);
    a -= turns * 360.0;
  }
  const double r = a * kPi / 180.0;
  const double c = ratio * std::cos(r), s = std::sin(r);
  double p;
  if (std::fabs(c) > 1e-8) {
    p = std::fabs(s) > 1e-8 ? std::atan2(s, c) : (c > 0 ? 0.0 : kPi);
  } else {
    p = s > 0 ? kPi / 2 : -kPi / 2;
  }
  p = p * 180.0 / kPi;
  if (a < -180.0) p -= 360.0;
  if (a > 180.0) p += 360.0;
  angle = p + turns * 360.0;
}

void ReadHatchPatternLines(const YxxfGroupRecord& record, std::vector<OneFinalDef>& out) {
  std::int32_t count = 0;
  std::uint32_t at = 0;
  if (!record.FindInt(count, 78, &at) || count < 1) return;
  for (std::int32_t line = 0; line < count && line < std::int32_t(kMaxPatternLines); ++line) {
    double angle = 0, bx = 0, by = 0, ox = 0, oy = 0;
    std::int32_t dashCount = 0;
    if (!record.FindDouble(angle, 53, &at) || !record.FindDouble(bx, 43, &at) || !record.FindDouble(by, 44, &at) ||
        !record.FindDouble(ox, 45, &at) || !record.FindDouble(oy, 46, &at) || !record.FindInt(dashCount, 79, &at)) {
      return;
    }
    std::vector<double> dashes;
    for (std::int32_t d = 0; d < dashCount; ++d) {
      double v = 0;
      if (!record.FindDouble(v, 49, &at)) break;
      if (dashes.size() < kMaxPatternDashes) dashes.push_back(v);
    }
    FinishLine(angle, bx, by, ox, oy, std::move(dashes), dashCount == 0, out);
  }
}

std::vector<OneFinalDef> PredefinedHatchPattern(const WString& name) {
  static const PatternTable table = ParseTable();
  std::vector<OneFinalDef> out;
  auto found = table.find(UpperAscii(name.View()));
  if (found == table.end()) return out;
  for (const std::vector<double>& n : found->second) {
    std::vector<double> dashes(n.begin() + 5, n.begin() + std::min<std::size_t>(n.size(), 5 + kMaxPatternDashes));
    const bool continuous = dashes.empty();
    FinishLine(n[0], n[1], n[2], n[3], n[4], std::move(dashes), continuous, out);
  }
  return out;
}

}  // namespace kvn
