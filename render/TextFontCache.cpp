#include "render/TextFontCache.h"

#include <cmath>
#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "model/FontList.h"
#include "model/TextAttributes.h"
#include "model/TrueTypeFace.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "platform/gdi/DeviceContext.h"
#include "render/DrawInfo.h"

namespace kvn {
namespace {

constexpr std::uint8_t kStyleBold = 0x01;
constexpr std::uint8_t kStyleItalic = 0x02;
constexpr std::uint8_t kStyleUnderline = 0x04;
constexpr std::uint8_t kStyleStrikeOut = 0x08;

struct FontKey {
  char16_t faceName[kFaceNameUnits] = {};
  std::uint8_t style = 0;
  std::int32_t height = 0;
  std::int32_t escapement = 0;

  friend bool operator==(const FontKey&, const FontKey&) = default;
};

struct TextFontCache {
  std::mutex lock;
  FontKey key;
  TFont font;
};

TextFontCache& Cache() {
  static TextFontCache cache;
  return cache;
}

std::uint8_t StyleBits(const TextAttributes& a) {
  std::uint8_t bits = 0;
  if (a.bold) bits |= kStyleBold;
  if (a.italic) bits |= kStyleItalic;
  if (a.underline) bits |= kStyleUnderline;
  if (a.strikeOut) bits |= kStyleStrikeOut;
  return bits;
}

// -|height|, kept inside 32 bits.
std::int32_t CharacterHeight(std::int32_t height) {
  return height == INT32_MIN ? INT32_MIN : -std::abs(height);
}

LogFont MakeLogFont(const TextAttributes& a, const FontKey& key) {
  LogFont lf;
  lf.height = CharacterHeight(key.height);
  lf.escapement = key.escapement;
  lf.orientation = key.escapement;
  lf.weight = a.bold ? 700 : 400;
  lf.italic = a.italic ? 1 : 0;
  // The text drawing adds the bars itself, placed from the face's metrics:
  // a device would draw them again (and a metafile player perhaps not).
  lf.underline = 0;
  lf.strikeOut = 0;
  lf.charSet = a.charSet;
  lf.pitchAndFamily = a.pitchAndFamily;
  static_assert(kFaceNameUnits <= kLfFaceSize);
  for (int i = 0; i < kFaceNameUnits; ++i) lf.faceName[i] = key.faceName[i];
  return lf;
}

// The installed family that stands in for the text's TrueType family, or
// null when the family is there (or the text names no font record).
const WString* SubstituteFaceName(const cText& text, cDrawingData* data) {
  const std::uint16_t index = text.GetFontIndex(data);
  if (!data || index >= data->FontStyles().Count()) return nullptr;
  const cStyleFont* font = data->FontStyles().Get(index);
  TrueTypeFaceSet* set = font ? font->FaceSet() : nullptr;
  if (!set || set->memoryFont || set->IsAvailable() || set->substituteName.IsEmpty()) return nullptr;
  return &set->substituteName;
}

}  // namespace

std::int32_t TextFontEscapement(double angleDegrees) {
  double e = std::floor(angleDegrees * 10.0 + 0.5);
  if (!std::isfinite(e)) return 0;
  if (e < 0) e += 3600.0;
  if (e < 0 || e >= 3600.0) {
    e = std::fmod(e, 3600.0);
    if (e < 0) e += 3600.0;
  }
  return std::int32_t(e);
}

TFont SelectTextFont(TDC& dc, const cText& text, cDrawInfo& info, std::int32_t height) {
  TextAttributes attributes;
  text.GetTextAttributes(attributes, info.data);
  FontKey key;
  for (int i = 0; i < kFaceNameUnits; ++i) key.faceName[i] = attributes.faceName[i];
  // A family nobody has is drawn in the face the glyph road draws it in.
  if (const WString* substitute = SubstituteFaceName(text, info.data)) {
    const int n = std::min(substitute->Length(), kFaceNameUnits - 1);
    for (int i = 0; i < kFaceNameUnits; ++i) key.faceName[i] = i < n ? (*substitute)[i] : u'\0';
  }
  // A text that names no face runs in the default face, the one its glyphs
  // and bars are measured in (the toolkit's own default may be another).
  if (key.faceName[0] == u'\0') {
    std::uint8_t pitchAndFamily = text.pitchAndFamily;
    const WString face = GetDefaultFaceForKind(pitchAndFamily, 0);
    const int n = std::min(face.Length(), kFaceNameUnits - 1);
    for (int i = 0; i < kFaceNameUnits; ++i) key.faceName[i] = i < n ? face[i] : u'\0';
  }
  key.style = StyleBits(attributes);
  key.height = height;
  key.escapement = TextFontEscapement(text.angle);

  TextFontCache& cache = Cache();
  const std::lock_guard<std::mutex> guard(cache.lock);
  if (!info.options.fontCache && cache.font.IsValid() && key == cache.key) return cache.font;

  info.options.fontCache = 0;
  // The context gives up the cached font before the cache lets go of it.
  if (info.Dc() == &dc) info.RestoreDeviceFont();
  if (cache.font.IsValid() && dc.GetCurrentFont() == cache.font) dc.RestoreFont();
  cache.key = key;
  TFont made(MakeLogFont(attributes, key));
  cache.font = std::move(made);
  return cache.font;
}

void ClearTextFontCache() {
  TextFontCache& cache = Cache();
  const std::lock_guard<std::mutex> guard(cache.lock);
  cache.font = TFont();
  cache.key = FontKey{};
}

}  // namespace kvn
