// mkshx: the built-in SHX archives and the UTF-16 to code page 1250 table,
// made from our own sources at build time. It only writes bytes, so it links
// nothing of the program but zlib (the code page table is the program's own,
// included as data).
//
//   mkshx blob <id> <members.txt> <shx folder> <hershey folder> <UnicodeData.txt> <out>
//   mkshx unitable <UnicodeData.txt> <out>
//
// A blob is u32 size, raw deflate data of a QDAT archive, and the 4-byte
// stream check value (CRC-32 of polynomial 0x04C11DB7, MSB first, started at
// 0xCAFEDEAD, no final XOR, least significant byte first). The table is the
// 65,536 bytes deflated the same way without the size.
//
// Members (members.txt, one a line): blob, member name, kind, source, and
// "latin" when the font gets the letters of code page 1250. Kinds:
//   shapes     a text font, SHX 1.1 shapes file numbered by code page 1250;
//   unicode    a text font, SHX unifont 1.0 numbered by UTF-16 code;
//   shapefile  a shape file without header, compiled from a .shp source.
// A text font's source is a Hershey font (<name>.jhf): its ASCII glyphs
// (keys it leaves empty filled from its capitals or from rowmans),
// cap height as "above", descenders as "below", advances from the glyph
// bounds and strokes as displacements. The accent marks (marks.shp) and the
// degree, plus-minus and diameter signs (symbols.shp) are written in the
// shape language below in units of a cap height of 21 and scaled to the font.
//
// Shape language (.shp): '#' starts a comment; "*NAME" or "*NUMBER,NAME"
// starts a shape; statements, one a line:
//   up | down | push | pop             codes 2, 1, 5, 6
//   go DX DY                           code 8, split into steps of at most 127
//   arc R START COUNT [cw]             code 10: octant arc of radius R
//   bulge DX DY B                      code 12
//   vec LENGTH DIRECTION               a vector byte (never scaled)
//   mul N | div N                      codes 4, 3
//   call NAME|NUMBER                   code 7 (the pen is up afterwards)
// Every shape gets its closing 0.
#include <zlib.h>

#include "foundation/UnicodeCase.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct CodePageTableEntry {
  int codePage;
  const char16_t* table;
};
#include "foundation/CodePageTables.inc"
// The ASCII look-alikes as data: the record types of the program's header,
// the table itself included here (nothing of the program is linked).
using kvn::CasePair;
using kvn::FoldEntry;
#include "foundation/UnicodeTables.inc"

using Bytes = std::vector<std::uint8_t>;

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "mkshx: %s\n", what.c_str());
  std::exit(1);
}

// ---- check value and deflate ----

std::uint32_t StreamCrc(const Bytes& data) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i << 24;
      for (int k = 0; k < 8; ++k) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
      t[i] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xCAFEDEAD;
  for (std::uint8_t b : data) crc = (crc << 8) ^ table[(crc >> 24) ^ b];
  return crc;
}

void PutU16(Bytes& out, std::uint32_t v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}
void PutU32(Bytes& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

// Raw deflate data followed by the check value.
Bytes DeflateWithCheck(const Bytes& data) {
  z_stream zs{};
  if (deflateInit2(&zs, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) Fail("deflateInit2");
  Bytes out(deflateBound(&zs, uLong(data.size())) + 16);
  zs.next_in = const_cast<Bytef*>(data.data());
  zs.avail_in = uInt(data.size());
  zs.next_out = out.data();
  zs.avail_out = uInt(out.size());
  if (deflate(&zs, Z_FINISH) != Z_STREAM_END) Fail("deflate");
  out.resize(zs.total_out);
  deflateEnd(&zs);
  PutU32(out, StreamCrc(data));
  return out;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!f) Fail("cannot write " + path);
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream f(path);
  if (!f) Fail("cannot read " + path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(f, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// ---- Unicode data ----

struct CharInfo {
  std::string name;
  std::string category;
  std::vector<std::uint32_t> decomposition;  // canonical only
};

std::map<std::uint32_t, CharInfo> ReadUnicodeData(const std::string& path) {
  std::map<std::uint32_t, CharInfo> chars;
  for (const std::string& line : ReadLines(path)) {
    std::vector<std::string> f;
    std::stringstream ss(line);
    for (std::string field; std::getline(ss, field, ';');) f.push_back(field);
    if (f.size() < 6) continue;
    const std::uint32_t code = std::uint32_t(std::stoul(f[0], nullptr, 16));
    if (code > 0xFFFF) continue;
    CharInfo info{f[1], f[2], {}};
    if (!f[5].empty() && f[5][0] != '<') {
      std::stringstream d(f[5]);
      for (std::string part; d >> part;) info.decomposition.push_back(std::uint32_t(std::stoul(part, nullptr, 16)));
    }
    chars[code] = info;
  }
  if (chars.empty()) Fail("no characters in " + path);
  return chars;
}

// The full canonical decomposition: base first, then the marks.
std::vector<std::uint32_t> Decompose(const std::map<std::uint32_t, CharInfo>& chars, std::uint32_t code) {
  auto it = chars.find(code);
  if (it == chars.end() || it->second.decomposition.empty()) return {code};
  std::vector<std::uint32_t> out;
  for (std::size_t i = 0; i < it->second.decomposition.size(); ++i) {
    std::vector<std::uint32_t> part = i == 0 ? Decompose(chars, it->second.decomposition[i])
                                             : std::vector<std::uint32_t>{it->second.decomposition[i]};
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

bool IsLetter(const std::map<std::uint32_t, CharInfo>& chars, std::uint32_t code) {
  auto it = chars.find(code);
  return it != chars.end() && (it->second.category == "Lu" || it->second.category == "Ll");
}

// Code page 1250 letters: their byte by UTF-16 code.
std::map<std::uint32_t, std::uint8_t> Cp1250Letters(const std::map<std::uint32_t, CharInfo>& chars) {
  std::map<std::uint32_t, std::uint8_t> letters;
  for (int b = 0x80; b < 0x100; ++b) {
    const std::uint32_t u = kCodePage1250[b - 0x80];
    if (IsLetter(chars, u)) letters[u] = std::uint8_t(b);
  }
  return letters;
}

// The ASCII look-alike of the foundation's fold table, or 0.
char AsciiFold(std::uint32_t code) {
  const auto* end = std::end(kFoldToAscii);
  const auto* it = std::lower_bound(std::begin(kFoldToAscii), end, code,
                                    [](const FoldEntry& e, std::uint32_t c) { return e.wide < c; });
  return it != end && it->wide == code ? it->ascii : 0;
}

// Greek letters on the keys of the Greek fonts (the symbol-font keyboard:
// a alpha, b beta, c chi, d delta ... q theta, w omega, y psi, z zeta), so
// that a Greek text in a Greek SHX font shows its own letters and in a Latin
// font a readable transliteration.
char GreekKey(std::uint32_t code) {
  static const char kSmall[25] = {'a', 'b', 'g', 'd', 'e', 'z', 'h', 'q', 'i', 'k', 'l', 'm', 'n',
                                  'x', 'o', 'p', 'r', 'V', 's', 't', 'u', 'f', 'c', 'y', 'w'};
  std::uint32_t offset = 0;
  bool capital = false;
  if (code >= 0x03B1 && code <= 0x03C9) {
    offset = code - 0x03B1;
  } else if (code >= 0x0391 && code <= 0x03A9 && code != 0x03A2) {
    offset = code - 0x0391;
    capital = true;
  } else {
    return 0;
  }
  char key = kSmall[offset];
  if (key == 'V') key = 's';  // final sigma
  return capital ? char(std::toupper(static_cast<unsigned char>(key))) : key;
}

bool InScript(const CharInfo& info) {
  return info.name.rfind("LATIN ", 0) == 0 || info.name.rfind("GREEK ", 0) == 0 || info.name.rfind("CYRILLIC ", 0) == 0;
}

// The byte of code page 1250 that stands for a letter: its own, else the
// 1250 letter of the same base and first mark, else that of its base (the
// base of a Greek letter on its key), else its ASCII look-alike; 0 for none.
std::uint8_t FoldLetter(const std::map<std::uint32_t, CharInfo>& chars,
                        const std::map<std::uint32_t, std::uint8_t>& letters,
                        const std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint8_t>& byBaseAndMark,
                        std::uint32_t code) {
  if (code < 128) return IsLetter(chars, code) ? std::uint8_t(code) : 0;
  if (auto it = letters.find(code); it != letters.end()) return it->second;
  if (const char key = GreekKey(code)) return std::uint8_t(key);
  const std::vector<std::uint32_t> d = Decompose(chars, code);
  if (d.size() >= 2) {
    if (auto it = byBaseAndMark.find({d[0], d[1]}); it != byBaseAndMark.end()) return it->second;
    if (d[0] != code && IsLetter(chars, d[0])) {
      if (const std::uint8_t base = FoldLetter(chars, letters, byBaseAndMark, d[0])) return base;
    }
  }
  const char ascii = AsciiFold(code);
  return (ascii >= 'A' && ascii <= 'Z') || (ascii >= 'a' && ascii <= 'z') ? std::uint8_t(ascii) : 0;
}

// Letters of the Latin, Greek and Cyrillic scripts by letter, as FoldLetter
// gives them. Codes 128 to 255 that code page 1250 holds at the same value
// are left 0 (their own code serves); the others get an entry, since a
// 1250-numbered font cannot be asked for them directly.
Bytes MakeUnicodeTable(const std::map<std::uint32_t, CharInfo>& chars) {
  const std::map<std::uint32_t, std::uint8_t> letters = Cp1250Letters(chars);
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint8_t> byBaseAndMark;
  for (const auto& [u, b] : letters) {
    const std::vector<std::uint32_t> d = Decompose(chars, u);
    if (d.size() == 2) byBaseAndMark[{d[0], d[1]}] = b;
  }
  Bytes table(65536, 0);
  for (const auto& [code, info] : chars) {
    if (code < 128 || (code < 256 && kCodePage1250[code - 0x80] == code)) continue;
    if (!IsLetter(chars, code) || !InScript(info)) continue;
    table[code] = FoldLetter(chars, letters, byBaseAndMark, code);
  }
  return table;
}

// ---- shapes ----

struct Shape {
  std::uint32_t number = 0;
  std::string name;
  Bytes bytes;        // the definition with its closing 0
  double endX = 0.0;  // pen after the shape, in shape units
  double endY = 0.0;
  // Box of the strokes (shape units): what accents are placed by.
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool hasBox = false;
};

// Writes displacements in shape units from rounded positions, so that scaled
// sources do not drift.
class Emitter {
 public:
  explicit Emitter(Shape& shape, double scale = 1.0) : shape_(shape), scale_(scale) {}
  Bytes& Out() { return shape_.bytes; }
  void Up() {
    Out().push_back(2);
    down_ = false;
  }
  void Down() {
    Out().push_back(1);
    down_ = true;
  }
  // Moves (drawing when the pen is down) to an exact target in source units.
  void GoTo(double x, double y) {
    exactX_ = x;
    exactY_ = y;
    long dx = std::lround(x * scale_ - posX_);
    long dy = std::lround(y * scale_ - posY_);
    if (dx == 0 && dy == 0) return;
    while (dx != 0 || dy != 0) {
      const long sx = std::clamp(dx, -127L, 127L), sy = std::clamp(dy, -127L, 127L);
      Out().push_back(8);
      Out().push_back(std::uint8_t(std::int8_t(sx)));
      Out().push_back(std::uint8_t(std::int8_t(sy)));
      Stroke(posX_, posY_);
      posX_ += double(sx);
      posY_ += double(sy);
      Stroke(posX_, posY_);
      dx -= sx;
      dy -= sy;
    }
  }
  void Go(double dx, double dy) { GoTo(exactX_ + dx, exactY_ + dy); }
  // Code 9 pairs through the points (exact source units), each step at most 127.
  void PolylineTo(const std::vector<std::pair<double, double>>& points) {
    bool open = false;
    for (auto [x, y] : points) {
      long dx = std::lround(x * scale_ - posX_), dy = std::lround(y * scale_ - posY_);
      while (dx != 0 || dy != 0) {
        const long sx = std::clamp(dx, -127L, 127L), sy = std::clamp(dy, -127L, 127L);
        if (!open) Out().push_back(9);
        open = true;
        Out().push_back(std::uint8_t(std::int8_t(sx)));
        Out().push_back(std::uint8_t(std::int8_t(sy)));
        Stroke(posX_, posY_);
        posX_ += double(sx);
        posY_ += double(sy);
        Stroke(posX_, posY_);
        dx -= sx;
        dy -= sy;
      }
      exactX_ = x;
      exactY_ = y;
    }
    if (open) Out().insert(Out().end(), {0, 0});
  }
  void Arc(double r, int start, int count, bool cw) {
    const long radius = std::lround(r * scale_);
    if (radius < 1 || radius > 255 || start < 0 || start > 7 || count < 1 || count > 8) Fail("bad arc");
    Out().push_back(10);
    Out().push_back(std::uint8_t(radius));
    Out().push_back(std::uint8_t((cw ? 0x80 : 0) | start << 4 | (count & 7)));
    const double pi = 3.14159265358979323846;
    const double a0 = start * pi / 4, a1 = (start + (cw ? -count : count)) * pi / 4;
    const double cx = posX_ - radius * std::cos(a0), cy = posY_ - radius * std::sin(a0);
    if (down_) {
      for (int k = 0; k <= 16; ++k) {
        const double a = a0 + (a1 - a0) * k / 16;
        Stroke(cx + radius * std::cos(a), cy + radius * std::sin(a));
      }
    }
    posX_ = cx + radius * std::cos(a1);
    posY_ = cy + radius * std::sin(a1);
    exactX_ = posX_ / scale_;
    exactY_ = posY_ / scale_;
  }
  void Bulge(double dx, double dy, int bulge) {
    const long sx = std::lround((exactX_ + dx) * scale_ - posX_), sy = std::lround((exactY_ + dy) * scale_ - posY_);
    if (std::abs(sx) > 127 || std::abs(sy) > 127 || bulge < -127 || bulge > 127) Fail("bad bulge");
    Out().insert(Out().end(), {12, std::uint8_t(std::int8_t(sx)), std::uint8_t(std::int8_t(sy)),
                               std::uint8_t(std::int8_t(bulge))});
    if (down_) {
      const double len = std::hypot(double(sx), double(sy)), sag = std::fabs(bulge / 127.0) * len / 2;
      Stroke(posX_, posY_);
      Stroke(posX_ + sx / 2.0 + (bulge > 0 ? sy : -sy) / len * sag, posY_ + sy / 2.0 + (bulge > 0 ? -sx : sx) / len * sag);
    }
    posX_ += double(sx);
    posY_ += double(sy);
    exactX_ += dx;
    exactY_ += dy;
    Stroke(posX_, posY_);
  }
  void Push() {
    Out().push_back(5);
    stack_.push_back({posX_, posY_, exactX_, exactY_});
  }
  void Pop() {
    Out().push_back(6);
    if (stack_.empty()) Fail("pop without push");
    const auto& s = stack_.back();
    posX_ = s[0], posY_ = s[1], exactX_ = s[2], exactY_ = s[3];
    stack_.pop_back();
  }
  // A subshape drawn from here; the pen is up afterwards.
  void Call(const Shape& callee, bool twoBytes) {
    Out().push_back(7);
    if (twoBytes) Out().push_back(std::uint8_t(callee.number >> 8));
    Out().push_back(std::uint8_t(callee.number));
    if (callee.hasBox) {
      Stroke(posX_ + callee.x1, posY_ + callee.y1);
      Stroke(posX_ + callee.x2, posY_ + callee.y2);
    }
    posX_ += callee.endX;
    posY_ += callee.endY;
    exactX_ = posX_ / scale_;
    exactY_ = posY_ / scale_;
    down_ = false;
  }
  void Finish() {
    Out().push_back(0);
    shape_.endX = posX_;
    shape_.endY = posY_;
  }
  double X() const { return posX_; }
  double Y() const { return posY_; }

 private:
  void Stroke(double x, double y) {
    if (!down_) return;
    if (!shape_.hasBox) {
      shape_.x1 = shape_.x2 = x;
      shape_.y1 = shape_.y2 = y;
      shape_.hasBox = true;
    }
    shape_.x1 = std::min(shape_.x1, x), shape_.x2 = std::max(shape_.x2, x);
    shape_.y1 = std::min(shape_.y1, y), shape_.y2 = std::max(shape_.y2, y);
  }

  Shape& shape_;
  double scale_;
  double posX_ = 0, posY_ = 0, exactX_ = 0, exactY_ = 0;
  bool down_ = true;
  std::vector<std::array<double, 4>> stack_;
};

struct SourceShape {
  std::optional<std::uint32_t> number;
  std::string name;
  std::vector<std::vector<std::string>> statements;
};

std::vector<SourceShape> ReadShapeSource(const std::string& path) {
  std::vector<SourceShape> shapes;
  for (std::string line : ReadLines(path)) {
    if (const std::size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    std::stringstream ss(line);
    std::vector<std::string> words;
    for (std::string w; ss >> w;) words.push_back(w);
    if (words.empty()) continue;
    if (words[0][0] == '*') {
      SourceShape s;
      const std::string head = words[0].substr(1);
      const std::size_t comma = head.find(',');
      if (comma != std::string::npos) {
        s.number = std::uint32_t(std::stoul(head.substr(0, comma), nullptr, 0));
        s.name = head.substr(comma + 1);
      } else {
        s.name = head;
      }
      shapes.push_back(s);
      continue;
    }
    if (shapes.empty()) Fail(path + ": statement before the first shape");
    shapes.back().statements.push_back(words);
  }
  return shapes;
}

double Num(const std::vector<std::string>& w, std::size_t i) {
  if (i >= w.size()) Fail("missing operand of " + w[0]);
  return std::stod(w[i]);
}

// Compiles one source shape; `lookup` resolves call targets.
template <typename Lookup>
void CompileShape(const SourceShape& src, Shape& shape, double scale, bool twoByteCalls, Lookup lookup) {
  Emitter e(shape, scale);
  for (const auto& w : src.statements) {
    const std::string& op = w[0];
    if (op == "up") {
      e.Up();
    } else if (op == "down") {
      e.Down();
    } else if (op == "push") {
      e.Push();
    } else if (op == "pop") {
      e.Pop();
    } else if (op == "go") {
      e.Go(Num(w, 1), Num(w, 2));
    } else if (op == "arc") {
      e.Arc(Num(w, 1), int(Num(w, 2)), int(Num(w, 3)), w.size() > 4 && w[4] == "cw");
    } else if (op == "bulge") {
      e.Bulge(Num(w, 1), Num(w, 2), int(Num(w, 3)));
    } else if (op == "vec") {
      const int length = int(Num(w, 1)), direction = int(Num(w, 2));
      if (length < 1 || length > 15 || direction < 0 || direction > 15) Fail("bad vector");
      e.Out().push_back(std::uint8_t(length << 4 | direction));
    } else if (op == "mul" || op == "div") {
      e.Out().push_back(op == "mul" ? 4 : 3);
      e.Out().push_back(std::uint8_t(Num(w, 1)));
    } else if (op == "call") {
      if (w.size() < 2) Fail("call without a target");
      e.Call(lookup(w[1]), twoByteCalls);
    } else {
      Fail(src.name + ": unknown statement " + op);
    }
  }
  e.Finish();
}

// ---- Hershey fonts ----

struct HersheyGlyph {
  int left = 0, right = 0;
  std::vector<std::vector<std::pair<int, int>>> strokes;  // x right, y down
};

std::vector<HersheyGlyph> ReadHershey(const std::string& path) {
  std::vector<HersheyGlyph> glyphs;
  for (const std::string& line : ReadLines(path)) {
    if (line.size() < 10) continue;
    HersheyGlyph g;
    g.left = line[8] - 'R';
    g.right = line[9] - 'R';
    g.strokes.emplace_back();
    for (std::size_t i = 10; i + 1 < line.size(); i += 2) {
      if (line[i] == ' ' && line[i + 1] == 'R') {
        g.strokes.emplace_back();
        continue;
      }
      g.strokes.back().push_back({line[i] - 'R', line[i + 1] - 'R'});
    }
    std::erase_if(g.strokes, [](const auto& s) { return s.empty(); });
    glyphs.push_back(std::move(g));
  }
  if (glyphs.size() < 95) Fail(path + ": fewer than 95 glyphs");
  return glyphs;
}

double Median(std::vector<int> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

struct TextFont {
  std::string member;
  bool unicode = false;
  bool latin = false;
  int above = 0, below = 0;
  double scale = 1.0;  // shape units per source unit of the language (cap 21)
  std::map<std::uint32_t, Shape> shapes;
  std::map<std::string, std::uint32_t> byName;
  std::uint32_t nextPrivate = 0;

  std::uint32_t NewPrivate() { return unicode ? 0xE000 + nextPrivate++ : 1 + nextPrivate++; }
  Shape& Add(std::uint32_t number, const std::string& name) {
    if (shapes.count(number)) Fail(member + ": shape " + std::to_string(number) + " twice");
    Shape& s = shapes[number];
    s.number = number;
    s.name = name;
    byName[name] = number;
    return s;
  }
  const Shape& Find(const std::string& ref) const {
    auto it = byName.find(ref);
    if (it != byName.end()) return shapes.at(it->second);
    char* end = nullptr;
    const unsigned long n = std::strtoul(ref.c_str(), &end, 0);
    if (end && *end == 0 && shapes.count(std::uint32_t(n))) return shapes.at(std::uint32_t(n));
    Fail(member + ": no shape " + ref);
  }
};

void AddHershey(TextFont& font, const std::vector<HersheyGlyph>& glyphs) {
  // Base line and cap height from the capitals, descenders from g j p q y.
  std::vector<int> tops, bottoms;
  for (int c = 'A'; c <= 'Z'; ++c) {
    const HersheyGlyph& g = glyphs[std::size_t(c - 32)];
    int top = 1000, bottom = -1000;
    for (const auto& s : g.strokes)
      for (auto [x, y] : s) top = std::min(top, y), bottom = std::max(bottom, y);
    if (top <= bottom) tops.push_back(top), bottoms.push_back(bottom);
  }
  const int base = int(Median(bottoms));
  const int cap = base - int(Median(tops));
  int lowest = base;
  for (char c : std::string("gjpqy")) {
    for (const auto& s : glyphs[std::size_t(c - 32)].strokes)
      for (auto [x, y] : s) lowest = std::max(lowest, y);
  }
  if (cap <= 0 || cap > 255) Fail(font.member + ": no cap height");
  font.above = cap;
  font.below = std::clamp(lowest - base, 1, 255);
  font.scale = cap / 21.0;
  for (int c = 32; c < 127; ++c) {
    const HersheyGlyph& g = glyphs[std::size_t(c - 32)];
    Shape& shape = font.Add(std::uint32_t(c), c == 32 ? std::string("SPACE") : std::string(1, char(c)));
    Emitter e(shape);
    e.Up();
    for (const auto& stroke : g.strokes) {
      e.GoTo(stroke[0].first - g.left, base - stroke[0].second);
      e.Down();
      std::vector<std::pair<double, double>> points;
      for (std::size_t i = 1; i < stroke.size(); ++i) points.push_back({stroke[i].first - g.left, base - stroke[i].second});
      e.PolylineTo(points);
      e.Up();
    }
    e.GoTo(g.right - g.left, 0);
    e.Finish();
  }
}

// A dotless i for accented i: the Hershey i without its dot (its shortest stroke).
void AddDotlessI(TextFont& font, const std::vector<HersheyGlyph>& glyphs) {
  HersheyGlyph g = glyphs['i' - 32];
  if (g.strokes.size() > 1) {
    auto extent = [](const auto& s) {
      int lo = 1000, hi = -1000;
      for (auto [x, y] : s) lo = std::min(lo, y), hi = std::max(hi, y);
      return hi - lo;
    };
    auto dot = std::min_element(g.strokes.begin(), g.strokes.end(),
                                [&](const auto& a, const auto& b) { return extent(a) < extent(b); });
    g.strokes.erase(dot);
  }
  // Reuse the glyph converter on a one-glyph font at position 'i'.
  TextFont temp;
  temp.member = font.member;
  std::vector<HersheyGlyph> copy = glyphs;
  copy['i' - 32] = g;
  AddHershey(temp, copy);
  Shape s = temp.shapes.at('i');
  s.number = font.NewPrivate();
  s.name = "DOTLESSI";
  font.shapes[s.number] = s;
  font.byName["DOTLESSI"] = s.number;
}

// Where a mark goes on its base: by the mark and the base letter.
struct Placement {
  std::string mark;
  double x, y;  // in shape units, from the base's origin
};

Placement PlaceMark(const TextFont& font, const Shape& base, std::uint32_t baseChar, std::uint32_t markCode) {
  const double w = base.x2 - base.x1, cx = (base.x1 + base.x2) / 2, top = base.y2, gap = 2 * font.scale;
  switch (markCode) {
    case 0x0301: return {"ACUTE", cx, top + gap};
    case 0x030C:
      if (baseChar == 'd' || baseChar == 'l' || baseChar == 't') return {"APOSTROPHE", base.x2 + gap, top};
      return {"CARON", cx, top + gap};
    case 0x030A: return {"RING", cx, top + gap};
    case 0x0308: return {"DIAERESIS", cx, top + gap};
    case 0x0302: return {"CIRCUMFLEX", cx, top + gap};
    case 0x0306: return {"BREVE", cx, top + gap};
    case 0x030B: return {"DOUBLEACUTE", cx, top + gap};
    case 0x0307: return {"DOTABOVE", cx, top + gap};
    case 0x0328: return {"OGONEK", base.x2 - 0.15 * w, 0};
    case 0x0327: return {"CEDILLA", cx, 0};
    default: Fail(font.member + ": no mark for U+" + std::to_string(markCode));
  }
}

// A letter made of subshapes: the base, then the mark from its anchor, then
// the pen to the base's advance.
void Compose(TextFont& font, std::uint32_t number, const std::string& name, const Shape& base,
             const std::vector<Placement>& marks) {
  Shape& s = font.Add(number, name);
  Emitter e(s);
  e.Call(base, font.unicode);
  for (const Placement& p : marks) {
    e.GoTo(p.x, p.y);
    e.Call(font.Find(p.mark), font.unicode);
  }
  e.GoTo(base.endX, 0);
  e.Finish();
  s.x1 = std::min(s.x1, base.x1), s.y1 = std::min(s.y1, base.y1);
  s.x2 = std::max(s.x2, base.x2), s.y2 = std::max(s.y2, base.y2);
  s.hasBox = true;
}

void AddLatinLetters(TextFont& font, const std::map<std::uint32_t, CharInfo>& chars) {
  for (const auto& [u, byte] : Cp1250Letters(chars)) {
    const std::uint32_t number = font.unicode ? u : byte;
    const std::string name = "U" + std::to_string(u);
    const std::vector<std::uint32_t> d = Decompose(chars, u);
    if (d.size() == 2 && d[0] < 128) {
      const std::uint32_t baseChar = d[0];
      const bool dotless = baseChar == 'i' && d[1] != 0x0328;
      const Shape& base = dotless ? font.Find("DOTLESSI") : font.shapes.at(baseChar);
      Compose(font, number, name, base, {PlaceMark(font, base, baseChar, d[1])});
      continue;
    }
    const double k = font.scale;
    switch (u) {
      case 0x0141:  // L with stroke
      case 0x0110: {  // D with stroke
        const Shape& base = font.shapes.at(u == 0x0141 ? 'L' : 'D');
        Compose(font, number, name, base, {{u == 0x0141 ? "STROKE" : "BAR", base.x1 + 1.5 * k, 0.45 * base.y2}});
        break;
      }
      case 0x0142: {
        const Shape& base = font.shapes.at('l');
        Compose(font, number, name, base, {{"STROKE", (base.x1 + base.x2) / 2, 0.55 * base.y2}});
        break;
      }
      case 0x0111: {
        const Shape& base = font.shapes.at('d');
        Compose(font, number, name, base, {{"BAR", base.x2 - 1.5 * k, 0.85 * base.y2}});
        break;
      }
      case 0x00B5: {
        const Shape& base = font.shapes.at('u');
        Compose(font, number, name, base, {{"TAIL", base.x1, 0}});
        break;
      }
      case 0x00DF: {
        const Shape& sharp = font.Find("SHARPS");
        Shape copy = sharp;
        copy.number = number;
        copy.name = name;
        font.shapes[number] = copy;
        break;
      }
      default: Fail(font.member + ": no recipe for the letter U+" + std::to_string(u));
    }
  }
}

// Compiles every shape of a language source into the font, numbering the
// unnumbered ones privately, scaled to the font.
void AddSource(TextFont& font, const std::string& path, const std::map<std::string, std::uint32_t>& numbers = {}) {
  for (const SourceShape& src : ReadShapeSource(path)) {
    std::uint32_t number = 0;
    if (auto it = numbers.find(src.name); it != numbers.end()) {
      number = it->second;
    } else {
      number = src.number ? *src.number : font.NewPrivate();
    }
    Shape s;
    s.number = number;
    s.name = src.name;
    CompileShape(src, s, font.scale, font.unicode, [&](const std::string& ref) -> const Shape& { return font.Find(ref); });
    font.shapes[number] = s;
    font.byName[src.name] = number;
  }
}

std::string HeaderName(const TextFont& font) {
  std::string n = font.member.substr(0, font.member.find('.'));
  for (char& c : n) c = char(std::toupper(static_cast<unsigned char>(c)));
  return n + " (Hershey)";
}

Bytes WriteShapesFile(const std::map<std::uint32_t, Shape>& shapes, const Bytes* header, const std::string& headerName) {
  struct Entry {
    std::uint32_t number;
    Bytes bytes;
  };
  std::vector<Entry> entries;
  if (header) {
    Entry e{0, Bytes(headerName.begin(), headerName.end())};
    e.bytes.push_back(0);
    e.bytes.insert(e.bytes.end(), header->begin(), header->end());
    entries.push_back(e);
  }
  for (const auto& [n, s] : shapes) {
    if (n == 0 || n > 0xFFFF) Fail("shape number out of range");
    Entry e{n, Bytes(s.name.begin(), s.name.end())};
    e.bytes.push_back(0);
    e.bytes.insert(e.bytes.end(), s.bytes.begin(), s.bytes.end());
    entries.push_back(e);
  }
  Bytes out;
  for (const char* m = "AutoCAD-86 shapes 1.1\r\n\x1A"; *m; ++m) out.push_back(std::uint8_t(*m));
  PutU16(out, entries.empty() ? 0 : entries.front().number);
  PutU16(out, entries.empty() ? 0 : entries.back().number);
  PutU16(out, std::uint32_t(entries.size()));
  for (const Entry& e : entries) {
    if (e.bytes.size() > 0xFFFF) Fail("shape too long");
    PutU16(out, e.number);
    PutU16(out, std::uint32_t(e.bytes.size()));
  }
  for (const Entry& e : entries) out.insert(out.end(), e.bytes.begin(), e.bytes.end());
  for (const char* m = "EOF"; *m; ++m) out.push_back(std::uint8_t(*m));
  return out;
}

Bytes WriteUnicodeFont(const TextFont& font, const Bytes& header) {
  Bytes out;
  for (const char* m = "AutoCAD-86 unifont 1.0\r\n\x1A"; *m; ++m) out.push_back(std::uint8_t(*m));
  PutU32(out, std::uint32_t(font.shapes.size() + 1));
  const std::string name = HeaderName(font);
  PutU16(out, std::uint32_t(name.size() + 1 + header.size()));
  out.insert(out.end(), name.begin(), name.end());
  out.push_back(0);
  out.insert(out.end(), header.begin(), header.end());
  for (const auto& [n, s] : font.shapes) {
    PutU16(out, n);
    PutU16(out, std::uint32_t(s.name.size() + 1 + s.bytes.size()));
    out.insert(out.end(), s.name.begin(), s.name.end());
    out.push_back(0);
    out.insert(out.end(), s.bytes.begin(), s.bytes.end());
  }
  return out;
}

// Keys a source font leaves empty (the Greek fonts have no "z", the map
// markers no digits): a lower-case letter takes its capital, anything else
// the simplex glyph of the key, so that every printable ASCII key draws.
// Hershey fonts share one frame (base line and cap height), so glyphs move
// between them unchanged.
void FillEmptyGlyphs(std::vector<HersheyGlyph>& glyphs, const std::string& simplexPath) {
  std::optional<std::vector<HersheyGlyph>> simplex;
  for (int c = 33; c < 127; ++c) {
    HersheyGlyph& g = glyphs[std::size_t(c - 32)];
    if (!g.strokes.empty()) continue;
    if (c >= 'a' && c <= 'z' && !glyphs[std::size_t(c - 'a' + 'A' - 32)].strokes.empty()) {
      g = glyphs[std::size_t(c - 'a' + 'A' - 32)];
      continue;
    }
    if (!simplex) simplex = ReadHershey(simplexPath);
    g = (*simplex)[std::size_t(c - 32)];
  }
}

Bytes MakeTextFont(const std::string& member, bool unicode, bool latin, const std::string& hersheyPath,
                   const std::string& shxDir, const std::map<std::uint32_t, CharInfo>& chars) {
  TextFont font;
  font.member = member;
  font.unicode = unicode;
  font.latin = latin;
  std::vector<HersheyGlyph> glyphs = ReadHershey(hersheyPath);
  FillEmptyGlyphs(glyphs, hersheyPath.substr(0, hersheyPath.find_last_of('/') + 1) + "rowmans.jhf");
  AddHershey(font, glyphs);
  AddSource(font, shxDir + "/symbols.shp",
            unicode ? std::map<std::string, std::uint32_t>{{"DEGREE", 176}, {"PLUSMINUS", 177}, {"DIAMETER", 8709}}
                    : std::map<std::string, std::uint32_t>{{"DEGREE", 256}, {"PLUSMINUS", 257}, {"DIAMETER", 258}});
  if (latin) {
    AddSource(font, shxDir + "/marks.shp");
    AddDotlessI(font, glyphs);
    AddLatinLetters(font, chars);
  }
  const Bytes header = {std::uint8_t(font.above), std::uint8_t(font.below), 0, 0};
  return unicode ? WriteUnicodeFont(font, header) : WriteShapesFile(font.shapes, &header, HeaderName(font));
}

Bytes MakeShapeFile(const std::string& path) {
  TextFont font;
  font.member = path;
  font.nextPrivate = 1;
  AddSource(font, path);
  return WriteShapesFile(font.shapes, nullptr, {});
}

void PutQdatFile(Bytes& out, const std::string& name, const Bytes& bytes) {
  out.push_back(1);
  out.push_back(std::uint8_t(name.size()));
  for (char c : name) PutU16(out, std::uint8_t(c));
  for (int i = 0; i < 8; ++i) out.push_back(0);  // no time stamp: reproducible builds
  PutU32(out, std::uint32_t(bytes.size()));
  out.insert(out.end(), bytes.begin(), bytes.end());
}

int MakeBlob(int id, const std::string& membersPath, const std::string& shxDir, const std::string& hersheyDir,
             const std::string& unicodeData, const std::string& outPath) {
  const std::map<std::uint32_t, CharInfo> chars = ReadUnicodeData(unicodeData);
  Bytes archive = {'Q', 'D', 'A', 'T', 1};
  int count = 0;
  for (std::string line : ReadLines(membersPath)) {
    if (const std::size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    std::stringstream ss(line);
    std::vector<std::string> w;
    for (std::string word; ss >> word;) w.push_back(word);
    if (w.empty()) continue;
    if (w.size() < 4) Fail("members: short line: " + line);
    if (std::stoi(w[0]) != id) continue;
    const std::string& member = w[1];
    const std::string& kind = w[2];
    const bool latin = w.size() > 4 && w[4] == "latin";
    Bytes file;
    if (kind == "shapefile") {
      file = MakeShapeFile(shxDir + "/" + w[3]);
    } else {
      const std::string hershey = hersheyDir + "/" + w[3] + ".jhf";
      if (!std::ifstream(hershey)) {
        std::fprintf(stderr, "mkshx: %s missing, %s left out\n", hershey.c_str(), member.c_str());
        continue;
      }
      file = MakeTextFont(member, kind == "unicode", latin, hershey, shxDir, chars);
    }
    PutQdatFile(archive, member, file);
    ++count;
  }
  archive.push_back(0);
  Bytes blob;
  PutU32(blob, std::uint32_t(archive.size()));
  const Bytes packed = DeflateWithCheck(archive);
  blob.insert(blob.end(), packed.begin(), packed.end());
  WriteFile(outPath, blob);
  std::printf("mkshx: blob %d: %d members, %zu bytes\n", id, count, blob.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 7 && args[0] == "blob") return MakeBlob(std::stoi(args[1]), args[2], args[3], args[4], args[5], args[6]);
  if (args.size() == 3 && args[0] == "unitable") {
    WriteFile(args[2], DeflateWithCheck(MakeUnicodeTable(ReadUnicodeData(args[1]))));
    return 0;
  }
  std::fprintf(stderr,
               "usage: mkshx blob <id> <members.txt> <shx folder> <hershey folder> <UnicodeData.txt> <out>\n"
               "       mkshx unitable <UnicodeData.txt> <out>\n");
  return 2;
}
