#include "text/ShxStandIn.h"

#include <string>
#include <string_view>

namespace kvn {

namespace {

// The first row whose fragment the lower-cased name contains wins; the order
// puts the more telling fragments first ("greekc" before "c...").
struct DesignClass {
  std::u16string_view fragment;
  const char16_t* font;
};
constexpr DesignClass kClasses[] = {
    {u"greek", u"Greeks.shx"},    {u"cyr", u"Cyrillic.shx"},  {u"goth", u"Gothice.shx"},
    {u"script", u"Scripts.shx"},  {u"ital", u"Italic.shx"},   {u"mono", u"Monotxt.shx"},
    {u"gdt", u"Gdt.shx"},         {u"sym", u"Symath.shx"},    {u"iso", u"Isocp.shx"},
    {u"trip", u"Romant.shx"},     {u"compl", u"Romanc.shx"},  {u"dup", u"Romand.shx"},
    {u"bold", u"Romand.shx"},     {u"txt", u"Txt.shx"},
};

}  // namespace

WString ShxStandInName(const WString& face) {
  std::u16string lower(face.View());
  for (char16_t& c : lower) {
    if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
  }
  for (const DesignClass& d : kClasses) {
    if (lower.find(d.fragment) != std::u16string::npos) return WString(d.font);
  }
  return WString(u"Simplex.shx");
}

}  // namespace kvn
