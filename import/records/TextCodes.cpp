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

WString& StripMtextCodes(WString& out, const WString& text, bool& hasSpace) {
  std::u16string s(text.View());
  std::size_t i = 0;
  while (i < s.size()) {
    const char16_t c = s[i];
    if (c < 0x20 || c > 0x7D) {
      ++i;
    } else if (c == u' ') {
      hasSpace = true;
      ++i;
    } else if (c == u'{' || c == u'}') {
      s.erase(i, 1);
    } else if (c != u'\\') {
      ++i;
    } else if (i + 1 >= s.size()) {
      ++i;  // a backslash at the very end stays
    } else {
      const char16_t n = s[i + 1];
      switch (n) {
        case u'N':
        case u' ':
          s[i] = s[i + 1] = u'\n';
          i += 2;
          break;
        case u'P':
          s.erase(i, 1);
          s[i++] = u'\n';
          break;
        case u'K': case u'L': case u'O': case u'k': case u'l': case u'o':
          s.erase(i, 2);
          break;
        case u'\\': case u'{': case u'}':
          s.erase(i, 1);
          ++i;
          break;
        case u'~':
          s.erase(i, 1);
          s[i++] = u' ';
          break;
        case u'S': {
          const std::size_t end = s.find(u';', i);
          if (end == npos) {
            ++i;
            break;
          }
          const std::size_t caret = s.find(u'^', i + 1);
          if (caret != npos && caret < end) s[caret] = u'/';
          s.erase(i, 1);
          s[i] = u'[';
          s[end - 1] = u']';
          i = end;
          break;
        }
        case u'U':
        case u'u': {
          std::optional<char16_t> v;
          if (s.size() - i - 1 >= 6 && s[i + 2] == u'+') v = HexDigitsToChar(WString(std::u16string_view(s)), int(i) + 3);
          if (v) {
            s[i] = *v;
            s.erase(i + 1, 6);
          }
          ++i;
          break;
        }
        default: {
          const std::size_t end = s.find(u';', i);
          const std::size_t brace = s.find(u'{', i + 1);
          if (brace != npos && (end == npos || brace < end)) {
            s.erase(i, brace - i);
          } else if (end == npos) {
            ++i;
          } else {
            s.erase(i, end - i + 1);
          }
          break;
        }
      }
    }
  }
  out = WString(std::u16string_view(s));
  return out;
}

WString& ConvertPercentCodes(WString& out, const WString& text, bool multiLine) {
  // Most texts have no code: they are shared as they are.
  if (text.View().find(u"%%") == std::u16string_view::npos) {
    out = text;
    return out;
  }
  std::u16string s(text.View());
  std::size_t i = 0;
  while (i < s.size()) {
    if (s[i] != u'%' || i + 2 >= s.size() || s[i + 1] != u'%') {
      ++i;
      continue;
    }
    char16_t c = s[i + 2];
    if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
    switch (c) {
      case u'c': s.replace(i, 3, 1, u'\u00F8'); ++i; break;
      case u'd': s.replace(i, 3, 1, u'\u00B0'); ++i; break;
      case u'p': s.replace(i, 3, 1, u'\u00B1'); ++i; break;
      case u'%':
        if (multiLine) {
          i += 3;
        } else {
          s.erase(i, 2);
          ++i;
        }
        break;
      case u'o':
      case u'u':
        if (multiLine) {
          i += 3;
        } else {
          s.erase(i, 3);
        }
        break;
      default: {
        if (multiLine) {
          i += 3;
          break;
        }
        s.erase(i, 2);
        std::size_t digits = 0;
        int value = 0;
        while (digits < 3 && i + digits < s.size() && s[i + digits] >= u'0' && s[i + digits] <= u'9') {
          value = value * 10 + (s[i + digits] - u'0');
          ++digits;
        }
        if (digits == 0) {
          ++i;  // the letter stays
          break;
        }
        s.erase(i, digits);
        if (value >= 32) s.insert(i++, 1, char16_t(value));
        break;
      }
    }
  }
  out = WString(std::u16string_view(s));
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
