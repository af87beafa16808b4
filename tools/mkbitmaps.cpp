// mkbitmaps: turns a pixel-art text source into a bitmap resource, a packed
// DIB (40-byte BITMAPINFOHEADER, then 24-bit rows bottom-up, each padded to
// 4 bytes) as Windows keeps RT_BITMAP resources.
//
//   mkbitmaps <source.bmp.txt> <output.bin>
//
// Source syntax (resources/bitmaps/*.bmp.txt):
//   # comment lines and empty lines are skipped
//   size <width> <height>          1..256 pixels each way
//   color <char> <RRGGBB>           one per palette character
//   then exactly <height> rows of exactly <width> palette characters, top row first
//
// Tool-bar images use light grey C0C0C0 for their background: the button
// painter puts the button's face colour there.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

int Fail(const std::string& source, int line, const std::string& what) {
  std::cerr << source << ":" << line << ": " << what << "\n";
  return 1;
}

void Put16(std::string& out, std::uint32_t v) {
  out.push_back(char(v & 0xFF));
  out.push_back(char((v >> 8) & 0xFF));
}
void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: mkbitmaps <source.bmp.txt> <output.bin>\n";
    return 2;
  }
  const std::string source = argv[1];
  std::ifstream in(source);
  if (!in) return Fail(source, 0, "cannot open");
  int width = 0;
  int height = 0;
  std::map<char, std::uint32_t> palette;
  std::vector<std::string> rows;
  std::string text;
  int lineNo = 0;
  while (std::getline(in, text)) {
    ++lineNo;
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.empty() || text[0] == '#') continue;
    std::istringstream words(text);
    std::string word;
    words >> word;
    if (word == "size" && rows.empty()) {
      if (!(words >> width >> height) || width < 1 || height < 1 || width > 256 || height > 256) {
        return Fail(source, lineNo, "bad size");
      }
    } else if (word == "color" && rows.empty()) {
      std::string key;
      std::string hex;
      if (!(words >> key >> hex) || key.size() != 1 || hex.size() != 6 ||
          hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        return Fail(source, lineNo, "bad color line");
      }
      palette[key[0]] = std::uint32_t(std::stoul(hex, nullptr, 16));
    } else {
      if (width == 0) return Fail(source, lineNo, "rows before size");
      if (int(text.size()) != width) return Fail(source, lineNo, "row is not " + std::to_string(width) + " wide");
      for (char c : text) {
        if (!palette.count(c)) return Fail(source, lineNo, std::string("unknown colour '") + c + "'");
      }
      rows.push_back(text);
    }
  }
  if (width == 0 || int(rows.size()) != height) return Fail(source, lineNo, "wrong number of rows");

  const std::uint32_t stride = (std::uint32_t(width) * 3 + 3) & ~3u;
  std::string out;
  Put32(out, 40);
  Put32(out, std::uint32_t(width));
  Put32(out, std::uint32_t(height));  // positive: bottom-up
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);  // BI_RGB
  Put32(out, stride * std::uint32_t(height));
  Put32(out, 3780);  // 96 dpi
  Put32(out, 3780);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = height - 1; y >= 0; --y) {
    std::string row;
    for (char c : rows[std::size_t(y)]) {
      const std::uint32_t rgb = palette[c];
      row.push_back(char(rgb & 0xFF));
      row.push_back(char((rgb >> 8) & 0xFF));
      row.push_back(char((rgb >> 16) & 0xFF));
    }
    row.resize(stride, '\0');
    out += row;
  }
  std::ofstream file(argv[2], std::ios::binary);
  file.write(out.data(), std::streamsize(out.size()));
  return file.good() ? 0 : Fail(argv[2], 0, "cannot write");
}
