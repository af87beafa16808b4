#include "import/records/TextCodes.h"

#include <cmath>
#include <string>

#include "import/records/ImportMatrix.h"
#include "model/cText.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {

constexpr std::size_t npos = std::u16string::npos;

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// The place of one character at or after a position that only moves
// forward. Each character is looked at once however often it is asked for,
// so a text of many codes and no ";" is not scanned to its end per code.
class ForwardFind {
 public:
  ForwardFind(std::u16string_view text, char16_t wanted, std::uint64_t& work)
      : text_(text), wanted_(wanted), work_(work) {}

  std::size_t From(std::size_t from) {
    if (!known_ || from > found_) {
      found_ = text_.find(wanted_, from);
      const std::size_t end = found_ == npos ? text_.size() : found_ + 1;
      if (end > from) work_ += end - from;
      known_ = true;
    }
    return found_;
  }

 private:
  std::u16string_view text_;
  char16_t wanted_;
  std::uint64_t& work_;
  std::size_t found_ = npos;
  bool known_ = false;
};

}  // namespace

std::optional<char16_t> HexDigitsToChar(const WString& text, int position) {
  if (position < 0 || position + 4 > text.Length()) return std::nullopt;
  int value = 0;
  for (int k = 0; k < 4; ++k) {
    const int d = HexDigit(text[position + k]);
    if (d < 0) return std::nullopt;
    value = value * 16 + d;
  }
  if (value == 0 || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
  return char16_t(value);
}

// Both routines copy while they scan: the text left to read is always a tail
// of the input, so a code never moves what follows it (an MTEXT of many
// thousand codes would otherwise be moved once per code).
WString& StripMtextCodes(WString& out, const WString& text, bool& hasSpace, TextCodeWork* work) {
  const std::u16string_view s = text.View();
  std::uint64_t looked = 0;
  ForwardFind semicolon(s, u';', looked), brace(s, u'{', looked), caret(s, u'^', looked);
  std::u16string o;
  o.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    ++looked;
    const char16_t c = s[i];
    if (c < 0x20 || c > 0x7D) {
      o += c;
      ++i;
    } else if (c == u' ') {
      hasSpace = true;
      o += c;
      ++i;
    } else if (c == u'{' || c == u'}') {
      ++i;
    } else if (c != u'\\' || i + 1 >= s.size()) {
      o += c;  // a backslash at the very end stays
      ++i;
    } else {
      const char16_t n = s[i + 1];
      switch (n) {
        case u'N':
        case u' ':
          o += u"\n\n";
          i += 2;
          break;
        case u'P':
          o += u'\n';
          i += 2;
          break;
        case u'K': case u'L': case u'O': case u'k': case u'l': case u'o':
          i += 2;
          break;
        case u'\\': case u'{': case u'}':
          o += n;
          i += 2;
          break;
        case u'~':
          o += u' ';
          i += 2;
          break;
        case u'S': {
          // Stacked text up to its ";" as [a/b]: the first "^" becomes "/",
          // the rest is kept as written.
          const std::size_t end = semicolon.From(i);
          if (end == npos) {
            o += c;
            ++i;
            break;
          }
          const std::size_t at = caret.From(i + 2);
          o += u'[';
          const std::size_t first = o.size();
          o.append(s.substr(i + 2, end - i - 2));
          if (at < end) o[first + (at - i - 2)] = u'/';
          o += u']';
          looked += end - i;
          i = end + 1;
          break;
        }
        case u'U':
        case u'u': {
          std::optional<char16_t> v;
          if (s.size() - i - 1 >= 6 && s[i + 2] == u'+') v = HexDigitsToChar(text, int(i) + 3);
          if (v) {
            o += *v;
            i += 7;
          } else {
            o += c;
            ++i;
          }
          break;
        }
        default: {
          // Any other code runs to its ";", or to a "{" that comes first.
          const std::size_t end = semicolon.From(i);
          const std::size_t open = brace.From(i + 1);
          if (open != npos && (end == npos || open < end)) {
            i = open;
          } else if (end == npos) {
            o += c;
            ++i;
          } else {
            i = end + 1;
          }
          break;
        }
      }
    }
  }
  if (work) work->characters += looked + o.size();
  out = WString(std::u16string_view(o));
  return out;
}

WString& ConvertPercentCodes(WString& out, const WString& text, bool multiLine, TextCodeWork* work) {
  const std::u16string_view s = text.View();
  // Most texts have no code: they are shared as they are.
  if (s.find(u"%%") == std::u16string_view::npos) {
    if (work) work->characters += s.size();
    out = text;
    return out;
  }
  std::u16string o;
  o.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    if (s[i] != u'%' || i + 2 >= s.size() || s[i + 1] != u'%') {
      o += s[i++];
      continue;
    }
    char16_t c = s[i + 2];
    if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
    if (c == u'c' || c == u'd' || c == u'p') {
      o += c == u'c' ? u'\u00F8' : c == u'd' ? u'\u00B0' : u'\u00B1';
      i += 3;
    } else if (multiLine) {
      // Multi-line texts keep the other codes as written.
      o.append(s.substr(i, 3));
      i += 3;
    } else if (c == u'%') {
      o += u'%';
      i += 3;
    } else if (c == u'o' || c == u'u') {
      i += 3;
    } else {
      // %%nnn: up to three digits, the character from 32 on; %% before
      // anything else is dropped and the character kept.
      i += 2;
      std::size_t digits = 0;
      int value = 0;
      while (digits < 3 && i + digits < s.size() && s[i + digits] >= u'0' && s[i + digits] <= u'9') {
        value = value * 10 + (s[i + digits] - u'0');
        ++digits;
      }
      if (digits == 0) {
        o += s[i++];
      } else {
        if (value >= 32) o += char16_t(value);
        i += digits;
      }
    }
  }
  if (work) work->characters += s.size() + o.size();
  out = WString(std::u16string_view(o));
  return out;
}

int GetTextJustifyIndex(std::uint32_t flags) {
  const int b17 = (flags >> 17) & 1, b18 = (flags >> 18) & 1;
  const int b24 = (flags >> 24) & 1, b25 = (flags >> 25) & 1;
  if (flags & 1) return b17 ? 11 : 9 + b18;
  return (b24 + 2 * b25) * 3 + 2 * b17 + b18;
}

bool FitTextToTransform(cText& text, const ImportMatrix& transform, const Vec3& d, const Vec3& extrusion) {
  const double* m = transform.m;
  auto project = [m](const Vec3& v, double& x, double& y) {
    x = m[0] * v.x + m[1] * v.y + m[2] * v.z;
    y = -(m[4] * v.x + m[5] * v.y + m[6] * v.z);
  };
  const double l0 = std::sqrt(d.LengthSq());
  if (!(l0 >= 1e-8)) return false;
  double px = 0, py = 0;
  project(d, px, py);
  const double l1 = std::hypot(px, py);
  if (!(l1 >= 1e-8)) return false;
  const double k = l1 / l0;
  Vec3 up = OcsToWcs(Vec3{-d.y, d.x, d.z}, extrusion);
  double ux = 0, uy = 0;
  project(up, ux, uy);
  const double l2 = std::hypot(ux, uy);
  const double l3 = l0;
  if (!(l2 >= 1e-20) || !(l3 >= 1e-20)) return false;
  const double h = l2 / l3;
  // The side the glyphs stand on: the plane's normal crossed with the
  // direction, mapped. When it lands on the other side of the mapped
  // direction than an upright text's up (an extrusion towards -z, a
  // mirrored insert), the text is seen from behind and is drawn mirrored
  // across its baseline.
  Vec3 n = extrusion.LengthSq() > 1e-24 ? extrusion : Vec3{0, 0, 1};
  const Vec3 side{n.y * d.z - n.z * d.y, n.z * d.x - n.x * d.z, n.x * d.y - n.y * d.x};
  double sx = 0, sy = 0;
  project(side, sx, sy);
  if (px * sy - py * sx > 1e-12 * l1 * std::hypot(sx, sy)) text.attr.mirrorY = text.attr.mirrorY ? 0 : 1;
  text.SetAngle(-std::atan2(py, px) * 180.0 / kPi);
  text.attr.height *= h;
  text.attr.widthFactor = k / h;
  text.wrapWidth *= k;
  text.MarkDirty();
  return true;
}

}  // namespace kvn
