// Title-block fields over arbitrary texts: the bytes become a text in which
// some byte values stand for placeholder marks, reference prefixes, list
// fields and line ends, expanded against a document with linked inserts,
// links and two blocks that place each other. The expansion must end, stay
// within its bounds and never read outside the text.
#include <cstdlib>
#include <string>

#include "document/TitleFields.h"
#include "model/cInsert.h"
#include "model/cLink.h"
#include "print/PaperNameField.h"
#include "tests/fuzz/FuzzTarget.h"
#include "tests/support/FieldFixtures.h"

using namespace kvn;

namespace {

const char16_t* const kTokens[] = {
    u"[/<",           u">\\]",           u"list:inputs",  u"list:references", u"block:name", u"#",
    u"\r\n",          u"input:name",     u"2#",           u"?",               u"seznam:vstupy", u"list:blocks",
    u"sector",        u"page:name",      u"tile:order:x", u"block:attribute:", u"\n",         u"blok:název",
    u"link:style",    u"file:name",      u"9999999999#",  u"drawing:scale",   u"format:name", u"layer:height"};
constexpr std::size_t kTokenCount = sizeof(kTokens) / sizeof(kTokens[0]);

test::FieldFixture& Fixture() {
  static test::FieldFixture fixture = [] {
    InstallPaperNameField();
    return test::MakeFieldFixture();
  }();
  return fixture;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  test::FieldFixture& f = Fixture();
  cOutObj* const contexts[] = {f.pumpA, f.pumpB, f.tank, f.cyclic, f.feed, f.drain, nullptr};
  cOutObj* context = contexts[data[0] % 7];
  cOutObj* insert = (data[0] & 0x80) ? context : nullptr;
  std::u16string text;
  for (std::size_t i = 1; i < size; ++i) {
    const std::uint8_t b = data[i];
    if (b >= 0xE0 && std::size_t(b - 0xE0) < kTokenCount) {
      text += kTokens[b - 0xE0];
    } else {
      text.push_back(char16_t(b));
    }
  }
  WString s{std::u16string_view(text)};
  WString extra;
  cOutObj* const objects[] = {context};
  ExpandTitleFields(s, f.data, f.text, objects, insert, &extra);
  // Every value but a list's is short; lists stop before 65,535 units.
  if (std::size_t(s.Length()) > text.size() * 64 + 65536) std::abort();
  return 0;
}

std::vector<std::vector<std::uint8_t>> KvnFuzzSeeds() {
  auto seed = [](std::uint8_t context, std::initializer_list<std::uint8_t> bytes) {
    std::vector<std::uint8_t> v{context};
    v.insert(v.end(), bytes.begin(), bytes.end());
    return v;
  };
  return {
      seed(0x80, {0xE0, 0xE2, 0xE1, 0xE0, 0xE7, 0xE1, '-', 0xE0, 0xE4, 0xE1, 0xE6, 'x'}),
      seed(0x80, {0xE0, 0xE3, 0xE1, 0xE0, 0xE3, 0xE1, 0xE0, 0xE2, 0xE1, 'a', 0xE6, 0xE0, 0xEA, 0xE1}),
      seed(4, {0xE0, 0xE4, 0xE1, 0xE0, 0xE4, 0xE1, 0xE0, 0xE7, 0xE1, 0xE0, 0xF2, 0xE1}),
      seed(0x83, {0xE0, 0xE5, 0xE4, 0xE1, 0xE0, 0xE8, 0xE4, 0xE1, 0xE0, 0xF4, 0xE4, 0xE1}),
      seed(6, {0xE0, 0xE9, 0xF3, 0xE1, 0xE0, 0xEC, 0xE1, 0xE0, 0xED, 0xE1, 0xE0, 0xF5, 0xE1, 0xE0, 0xF7, 0xE1}),
      seed(0x81, {0xE0, 0xEE, 0xE1, 0xE0, 0xF6, 0xE1, 0xE0, 0xEF, 'T', 'y', 'p', 'e', 0xE1, 0xE0, 0xEB, 0xE1, 'z'}),
  };
}
