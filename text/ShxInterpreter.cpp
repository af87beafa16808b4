// The shape interpreter: one shape's bytes into pen-down runs of cubic
// records. Subshapes nest at most kMaxShapeNesting deep and a shape that is
// already being drawn is skipped, so shapes that draw each other end; and
// one glyph executes at most kMaxCommands commands, so shapes that call
// others many times over (a fan-out 16 levels deep) cannot run for ever.
#include <cmath>

#include "model/ArcPieces.h"
#include "text/ShxParsedFont.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {

constexpr int kMaxShapeNesting = 16;
constexpr int kMaxStack = 4;
constexpr std::uint32_t kMaxCommands = 200000;

constexpr double kDirections[16][2] = {
    {1, 0},  {1, 0.5},  {1, 1},   {0.5, 1},  {0, 1},  {-0.5, 1}, {-1, 1}, {-1, 0.5},
    {-1, 0}, {-1, -0.5}, {-1, -1}, {-0.5, -1}, {0, -1}, {0.5, -1}, {1, -1}, {1, -0.5},
};

struct Run {
  const ShxParsedFont& font;
  std::vector<CubicArray>& polylines;
  DPoint& pen;
  double& scale;
  std::vector<std::uint16_t> active;  // shapes being drawn, outermost first
  std::uint32_t commandsLeft = kMaxCommands;
};

class Interpreter {
 public:
  Interpreter(Run& run, const ShxGlyph& glyph) : run_(run), bytes_(glyph.definition) {}

  void Execute() {
    while (pos_ < bytes_.size()) {
      const std::uint8_t code = bytes_[pos_++];
      if (code == 0 || run_.commandsLeft == 0) return;
      --run_.commandsLeft;
      if (!Command(code)) return;
    }
  }

 private:
  bool Byte(std::uint8_t& v) {
    if (pos_ >= bytes_.size()) return false;
    v = bytes_[pos_++];
    return true;
  }
  bool Signed(double& v) {
    std::uint8_t b = 0;
    if (!Byte(b)) return false;
    v = double(std::int8_t(b));
    return true;
  }
  CubicArray& Current() {
    if (current_ < 0) {
      run_.polylines.emplace_back();
      current_ = int(run_.polylines.size()) - 1;
    }
    return run_.polylines[std::size_t(current_)];
  }
  void EndPolyline() { current_ = -1; }
  void DrawTo(const DPoint& p) {
    if (penDown_) Current().Append64(Cubic::Straight(run_.pen, p));
    run_.pen = p;
  }
  void Arc(double start, double end, double r) {
    const double a0 = start * kPi / 180.0, a1 = end * kPi / 180.0, am = (a0 + a1) / 2.0;
    const DPoint c{run_.pen.x - r * std::cos(a0), run_.pen.y - r * std::sin(a0)};
    const DPoint endPoint{c.x + r * std::cos(a1), c.y + r * std::sin(a1)};
    const DPoint through{c.x + r * std::cos(am), c.y + r * std::sin(am)};
    if (penDown_) AppendArcBeziers(Current(), run_.pen, through, endPoint);
    run_.pen = endPoint;
  }
  void Bulge(double dx, double dy, double bulge) {
    const DPoint start = run_.pen;
    const DPoint end{start.x + dx * run_.scale, start.y + dy * run_.scale};
    if (penDown_) {
      const double b = -bulge / 127.0;
      const double L = std::hypot(end.x - start.x, end.y - start.y);
      if (b == 0.0 || L == 0.0) {
        Current().Append64(Cubic::Straight(start, end));
      } else {
        const double theta = std::atan2(end.y - start.y, end.x - start.x) + (b > 0 ? kPi / 2 : -kPi / 2);
        const double sagitta = std::fabs(b) * L / 2.0;
        const DPoint through{(start.x + end.x) / 2 + sagitta * std::cos(theta),
                             (start.y + end.y) / 2 + sagitta * std::sin(theta)};
        AppendArcBeziers(Current(), start, through, end);
      }
    }
    run_.pen = end;
  }
  // Count, direction and start octant of an octant byte.
  static void Octants(std::uint8_t octant, double& start, double& end, bool& clockwise) {
    int count = octant & 7;
    if (count == 0) count = 8;
    clockwise = (octant & 0x80) != 0;
    if (clockwise) count = -count;
    const int so = (octant >> 4) & 7;
    start = so * 45.0;
    end = (so + count) * 45.0;
  }
  bool Subshape() {
    std::uint32_t number = 0;
    std::uint8_t b = 0;
    if (!Byte(b)) return false;
    number = b;
    if (run_.font.type == ShxFontType::kUnicode) {
      std::uint8_t low = 0;
      if (!Byte(low)) return false;
      number = number << 8 | low;
    } else if (number == 0) {
      pos_ = std::min(bytes_.size(), pos_ + 6);
    }
    if (number != 0 && run_.active.size() < std::size_t(kMaxShapeNesting)) {
      bool onStack = false;
      for (std::uint16_t n : run_.active) onStack = onStack || n == number;
      const ShxGlyph* shape = onStack ? nullptr : run_.font.FindShape(number);
      if (shape) {
        run_.active.push_back(shape->number);
        Interpreter inner(run_, *shape);
        inner.Execute();
        run_.active.pop_back();
      }
    }
    penDown_ = false;
    EndPolyline();
    return true;
  }
  // The operands of a command skipped after code 14.
  bool SkipCommand() {
    std::uint8_t code = 0;
    if (!Byte(code)) return false;
    std::uint8_t a = 0, b = 0;
    switch (code) {
      case 3:
      case 4:
        return Byte(a);
      case 7:
        if (!Byte(a)) return false;
        if (run_.font.type == ShxFontType::kUnicode) return Byte(b);
        if (a == 0) pos_ = std::min(bytes_.size(), pos_ + 6);
        return true;
      case 8:
      case 10:
        return Byte(a) && Byte(b);
      case 11:
        pos_ = std::min(bytes_.size(), pos_ + 5);
        return true;
      case 12:
        pos_ = std::min(bytes_.size(), pos_ + 3);
        return true;
      case 9:
        while (Byte(a) && Byte(b)) {
          if (a == 0 && b == 0) return true;
        }
        return false;
      case 13:
        while (Byte(a) && Byte(b)) {
          if (a == 0 && b == 0) return true;
          if (!Byte(a)) return false;
        }
        return false;
      default:
        return true;
    }
  }

  // False ends the shape.
  bool Command(std::uint8_t code) {
    double dx = 0, dy = 0, bulge = 0;
    std::uint8_t n = 0;
    switch (code) {
      case 1:
        penDown_ = true;
        return true;
      case 2:
        penDown_ = false;
        EndPolyline();
        return true;
      case 3:
        if (!Byte(n)) return false;
        if (n) run_.scale /= n;
        return true;
      case 4:
        if (!Byte(n)) return false;
        if (n) run_.scale *= n;
        return true;
      case 5:
        if (depth_ < kMaxStack) stack_[depth_++] = run_.pen;
        return true;
      case 6:
        EndPolyline();
        if (depth_ == 0) return false;
        run_.pen = stack_[--depth_];
        return true;
      case 7:
        return Subshape();
      case 8:
        if (!Signed(dx) || !Signed(dy)) return false;
        DrawTo({run_.pen.x + dx * run_.scale, run_.pen.y + dy * run_.scale});
        return true;
      case 9:
        for (;;) {
          if (!Signed(dx) || !Signed(dy)) return false;
          if (dx == 0 && dy == 0) return true;
          DrawTo({run_.pen.x + dx * run_.scale, run_.pen.y + dy * run_.scale});
        }
      case 10: {
        std::uint8_t radius = 0, octant = 0;
        if (!Byte(radius) || !Byte(octant)) return false;
        double start = 0, end = 0;
        bool cw = false;
        Octants(octant, start, end, cw);
        Arc(start, end, radius * run_.scale);
        return true;
      }
      case 11: {
        std::uint8_t so = 0, eo = 0, hi = 0, lo = 0, octant = 0;
        if (!Byte(so) || !Byte(eo) || !Byte(hi) || !Byte(lo) || !Byte(octant)) return false;
        double start = 0, end = 0;
        bool cw = false;
        Octants(octant, start, end, cw);
        if (so != 0 || eo != 0) {
          const double startOffset = std::floor(so * 45.0 / 256.0 * 5.0 + 0.5) / 5.0;
          const double endOffset = std::floor(eo * 45.0 / 256.0 * 5.0 + 0.5) / 5.0;
          start += cw ? -startOffset : startOffset;
          if (eo != 0) end -= cw ? endOffset - 45.0 : 45.0 - endOffset;
        }
        Arc(start, end, (hi * 256.0 + lo) * run_.scale);
        return true;
      }
      case 12:
        if (!Signed(dx) || !Signed(dy) || !Signed(bulge)) return false;
        Bulge(dx, dy, bulge);
        return true;
      case 13:
        for (;;) {
          if (!Signed(dx) || !Signed(dy)) return false;
          if (dx == 0 && dy == 0) return true;
          if (!Signed(bulge)) return false;
          Bulge(dx, dy, bulge);
        }
      case 14:
        return SkipCommand();
      default: {
        const double length = code >> 4;
        const double* d = kDirections[code & 15];
        DrawTo({run_.pen.x + length * d[0] * run_.scale, run_.pen.y + length * d[1] * run_.scale});
        return true;
      }
    }
  }

  Run& run_;
  const std::vector<std::uint8_t>& bytes_;
  std::size_t pos_ = 0;
  bool penDown_ = true;
  int current_ = -1;
  DPoint stack_[kMaxStack];
  int depth_ = 0;
};

void GrowBox(DRect& box, const DPoint& p) {
  box.x1 = std::min(box.x1, p.x);
  box.y1 = std::min(box.y1, p.y);
  box.x2 = std::max(box.x2, p.x);
  box.y2 = std::max(box.y2, p.y);
}

}  // namespace

void ShxShapeInterpreter(const ShxGlyph& glyph, DPoint& pen, std::vector<CubicArray>& polylines,
                         const ShxParsedFont& font, double& scale) {
  Run run{font, polylines, pen, scale, {glyph.number}};
  Interpreter(run, glyph).Execute();
}

void ShxGlyph::Compute(const ShxParsedFont& font) {
  if (computed) return;
  computed = true;
  polylines.clear();
  DPoint pen{0, 0};
  double scale = 1.0;
  ShxShapeInterpreter(*this, pen, polylines, font, scale);
  penEnd = pen;
  bounds = DRect{0, -font.GetBelow(), pen.x, font.GetAbove()};
  for (const CubicArray& line : polylines) {
    for (const Cubic& c : line) {
      for (const DPoint& p : c.p) GrowBox(bounds, p);
    }
  }
}

}  // namespace kvn
