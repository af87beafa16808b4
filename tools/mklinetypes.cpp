// mklinetypes: writes the LinesTable resource, a native container with one
// drawing whose line-style table holds the predefined line types in order,
// from the source description resources/linetypes/linetypes.txt (syntax at
// its top).
//
// Usage: mklinetypes <source.txt> <output.bin>
//
// The styles are written by their own record writer (cStyleLine::Write with
// its symbol objects), inside a container made by the native-file writer of
// the tests, as the style list that follows a drawing's content.
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/ArchiveWriter.h"
#include "foundation/Resources.h"
#include "foundation/WString.h"
#include "model/StyleRefs.h"
#include "model/cCircle.h"
#include "model/cLine.h"
#include "model/cStyleLine.h"
#include "tests/support/NativeFixture.h"

namespace kvn::resource_data {
// The tool carries no resources of its own.
const EmbeddedResource kEmbeddedResources[1] = {{ResourceType::StringTable, -1, "", 0}};
const std::size_t kEmbeddedResourceCount = 0;
}  // namespace kvn::resource_data

namespace {

using kvn::cStyleLine;

bool Fail(const std::string& message, int lineNumber) {
  std::fprintf(stderr, "mklinetypes: line %d: %s\n", lineNumber, message.c_str());
  return false;
}

// Reads "key=value" into value; false when the key is not there.
bool Field(const std::string& word, const char* key, double& value) {
  const std::string prefix = std::string(key) + "=";
  if (word.rfind(prefix, 0) != 0) return false;
  value = std::stod(word.substr(prefix.size()));
  return true;
}

bool Parse(std::istream& in, std::vector<std::unique_ptr<cStyleLine>>& styles) {
  std::string text;
  int lineNumber = 0;
  cStyleLine* current = nullptr;
  while (std::getline(in, text)) {
    ++lineNumber;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    std::istringstream words(text);
    std::string keyword;
    if (!(words >> keyword) || keyword[0] == '#') continue;
    try {
      if (keyword == "type") {
        if (current) return Fail("type inside a type", lineNumber);
        std::string name;
        words >> name;
        auto style = std::make_unique<cStyleLine>();
        style->name = kvn::WString::FromUtf8(name);
        style->hasSymbol = 1;
        style->width = 0.25;
        std::string word;
        while (words >> word) {
          double v = 0;
          if (Field(word, "base", v)) {
            style->lineType = v != 0 ? 1 : 0;
          } else if (Field(word, "repeat", v)) {
            style->repeatLength = v;
          } else if (Field(word, "spacing", v)) {
            style->startOffset = v;
          } else if (Field(word, "symbol", v)) {
            style->symbolByte = std::uint8_t(v);
          } else {
            return Fail("unknown field " + word, lineNumber);
          }
        }
        current = style.get();
        styles.push_back(std::move(style));
      } else if (keyword == "end") {
        if (!current || current->symbol.Empty()) return Fail("end without symbol objects", lineNumber);
        current = nullptr;
      } else if (keyword == "line") {
        if (!current) return Fail("line outside a type", lineNumber);
        auto line = std::make_unique<kvn::cLine>();
        if (!(words >> line->start.x >> line->start.y >> line->end.x >> line->end.y))
          return Fail("line needs four numbers", lineNumber);
        current->symbol.Append(line.release());
      } else if (keyword == "dot" || keyword == "ring") {
        if (!current) return Fail(keyword + " outside a type", lineNumber);
        double cx = 0, cy = 0, r = 0;
        if (!(words >> cx >> cy >> r) || !(r > 0)) return Fail(keyword + " needs cx cy r", lineNumber);
        auto circle = std::make_unique<kvn::cCircle>();
        circle->p1 = {cx - r, cy - r};
        circle->p2 = {cx + r, cy + r};
        if (keyword == "dot") circle->fill.fillColor = 0;
        current->symbol.Append(circle.release());
      } else {
        return Fail("unknown keyword " + keyword, lineNumber);
      }
    } catch (const std::exception&) {
      return Fail("bad number", lineNumber);
    }
  }
  if (current) return Fail("missing end", lineNumber);
  if (styles.empty()) return Fail("no line types", lineNumber);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mklinetypes <source.txt> <output.bin>\n");
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "mklinetypes: cannot read %s\n", argv[1]);
    return 1;
  }
  std::vector<std::unique_ptr<cStyleLine>> styles;
  if (!Parse(in, styles)) return 1;

  kvn::test::FixtureDocument document;
  kvn::test::FixtureSheet sheet;
  sheet.name = u"Line types";
  // An empty drawing; the styles follow as the list of styles no object
  // names (the writer then ends that list).
  sheet.contentOverride = [&styles](kvn::ArchiveWriter& w) {
    w.WriteByte(2);    // the top block
    w.WriteByte(255);  // its objects end
    w.WriteByte(255);  // the blocks end
    for (const auto& style : styles) {
      w.WriteBit(true);
      kvn::style_refs::WriteStyleHeader(*style, w);
      style->Write(w, nullptr);
    }
  };
  document.sheets.push_back(std::move(sheet));
  const std::vector<std::uint8_t> bytes = kvn::test::WriteNativeFile(document);
  if (!kvn::test::SaveBytes(argv[2], bytes)) {
    std::fprintf(stderr, "mklinetypes: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
