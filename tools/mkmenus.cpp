// mkmenus: turns a menu source (resources/menus/*.menu) into the binary menu
// and accelerator resources the program embeds.
//
//   mkmenus <file.menu> <texts.tsv> <menu.bin> <accelerators.bin>
//
// The source holds one "menu <id>" and one "accelerators <id>" block (the
// syntax is described at the top of each source). A text L<n> becomes the
// language token of table line n: '~', four hexadecimal digits, the row's
// flag, its English text, '~', looked up in texts.tsv so that the menu and
// the tables cannot drift apart.
//
// Menu resource (little-endian): "KMNU", u16 version 1, u16 0, u32 record
// count, then the records in order, each {u8 kind (0 item, 1 popup, 2
// separator, 3 end of popup), u8 flags (1 checkable), u16 0, u32 command
// id, u16 text length, u16 shortcut length, the text and the shortcut in
// UTF-16LE}.
// Accelerator resource: "KACC", u16 version 1, u16 0, u32 count, then count
// entries {u8 flags (1 virtual key, 4 Shift, 8 Ctrl, 16 Alt), u8 0, u16 key,
// u16 command id, u16 0}, numbered as Win32's ACCEL.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tools/ToolText.h"

namespace {

using kvn::tool::Fail;
using kvn::tool::LineToken;
using kvn::tool::TableRow;
using kvn::tool::Words;

std::u16string Utf16(const std::string& where, const std::string& utf8) {
  std::u16string out;
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned char b = static_cast<unsigned char>(utf8[i]);
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + std::size_t(extra) >= utf8.size()) Fail(where, "invalid UTF-8");
    char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k <= extra; ++k) {
      unsigned char t = static_cast<unsigned char>(utf8[i + std::size_t(k)]);
      if ((t & 0xC0) != 0x80) Fail(where, "invalid UTF-8");
      c = (c << 6) | (t & 0x3F);
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(char16_t(0xD800 + (c >> 10)));
      out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(char16_t(c));
    }
    i += std::size_t(extra) + 1;
  }
  return out;
}

bool IsText(const std::string& word) { return (word.size() >= 2 && word.front() == '"') || word[0] == 'L'; }

std::string Text(const std::string& where, const std::string& word, const std::map<int, TableRow>& table) {
  if (word.front() == '"') return word.substr(1, word.size() - 2);
  return LineToken(where, word, table, "a menu text");
}

std::uint32_t Number(const std::string& where, const std::string& word) {
  char* end = nullptr;
  long v = std::strtol(word.c_str(), &end, 10);
  if (word.empty() || *end != 0 || v < 1 || v > 65535) Fail(where, "bad command id '" + word + "'");
  return std::uint32_t(v);
}

void PutU16(std::string& out, std::uint32_t v) {
  out.push_back(char(v & 0xFF));
  out.push_back(char((v >> 8) & 0xFF));
}
void PutU32(std::string& out, std::uint32_t v) {
  PutU16(out, v & 0xFFFF);
  PutU16(out, v >> 16);
}

void PutRecord(std::string& out, int kind, int flags, std::uint32_t id, const std::u16string& text,
               const std::u16string& shortcut, const std::string& where) {
  if (text.size() > 1000 || shortcut.size() > 100) Fail(where, "text too long");
  out.push_back(char(kind));
  out.push_back(char(flags));
  PutU16(out, 0);
  PutU32(out, id);
  PutU16(out, std::uint32_t(text.size()));
  PutU16(out, std::uint32_t(shortcut.size()));
  for (char16_t c : text) PutU16(out, c);
  for (char16_t c : shortcut) PutU16(out, c);
}

std::uint32_t KeyCode(const std::string& where, const std::string& name) {
  if (name.size() == 1 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9'))) {
    return std::uint32_t(name[0]);
  }
  if (name.size() >= 2 && name[0] == 'F') {
    char* end = nullptr;
    long n = std::strtol(name.c_str() + 1, &end, 10);
    if (*end == 0 && n >= 1 && n <= 24) return 0x70 + std::uint32_t(n - 1);
  }
  static const std::map<std::string, std::uint32_t> kNames = {
      {"Add", 0x6B},    {"Subtract", 0x6D}, {"PageUp", 0x21}, {"PageDown", 0x22}, {"Insert", 0x2D},
      {"Delete", 0x2E}, {"Home", 0x24},     {"End", 0x23},    {"Escape", 0x1B},   {"Return", 0x0D},
      {"Tab", 0x09},    {"Space", 0x20}};
  auto it = kNames.find(name);
  if (it == kNames.end()) Fail(where, "unknown key '" + name + "'");
  return it->second;
}

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  out.close();
  if (!out) Fail(path, "cannot write");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: mkmenus <file.menu> <texts.tsv> <menu.bin> <accelerators.bin>\n";
    return 2;
  }
  const std::string source = argv[1];
  const std::map<int, TableRow> table = kvn::tool::ReadTable(argv[2]);
  std::ifstream in(source);
  if (!in) Fail(source, "cannot read");

  enum class Block { None, Menu, Accelerators } block = Block::None;
  int depth = 0;
  int menus = 0;
  int tables = 0;
  std::uint32_t records = 0;
  std::string menuBody;
  std::uint32_t accelCount = 0;
  std::string accelBody;
  std::string line;
  for (int n = 1; std::getline(in, line); ++n) {
    const std::string where = source + ":" + std::to_string(n);
    std::vector<std::string> w = Words(where, line);
    if (w.empty()) continue;
    if (block == Block::None) {
      if (w.size() != 2 || (w[0] != "menu" && w[0] != "accelerators")) Fail(where, "expected a menu or accelerators block");
      Number(where, w[1]);
      block = w[0] == "menu" ? Block::Menu : Block::Accelerators;
      if (block == Block::Menu && ++menus > 1) Fail(where, "one menu per source");
      if (block == Block::Accelerators && ++tables > 1) Fail(where, "one accelerator table per source");
      continue;
    }
    if (block == Block::Accelerators) {
      if (w[0] == "end") {
        block = Block::None;
        continue;
      }
      if (w.size() != 2) Fail(where, "expected <key> <command id>");
      std::uint32_t flags = 1;  // FVIRTKEY
      std::string key = w[0];
      for (;;) {
        if (key.rfind("Ctrl+", 0) == 0) {
          flags |= 8;
          key = key.substr(5);
        } else if (key.rfind("Shift+", 0) == 0) {
          flags |= 4;
          key = key.substr(6);
        } else if (key.rfind("Alt+", 0) == 0) {
          flags |= 16;
          key = key.substr(4);
        } else {
          break;
        }
      }
      accelBody.push_back(char(flags));
      accelBody.push_back(0);
      PutU16(accelBody, KeyCode(where, key));
      PutU16(accelBody, Number(where, w[1]));
      PutU16(accelBody, 0);
      ++accelCount;
      continue;
    }
    // Menu block.
    if (w[0] == "end") {
      if (depth == 0) {
        block = Block::None;
      } else {
        PutRecord(menuBody, 3, 0, 0, u"", u"", where);
        ++records;
        --depth;
      }
      continue;
    }
    if (w[0] == "separator") {
      if (w.size() != 1) Fail(where, "a separator has no arguments");
      if (depth == 0) Fail(where, "a separator belongs in a popup");
      PutRecord(menuBody, 2, 0, 0, u"", u"", where);
      ++records;
      continue;
    }
    if (w[0] == "popup") {
      if (w.size() != 2 || !IsText(w[1])) Fail(where, "expected popup <text>");
      if (++depth > 8) Fail(where, "popups nest at most 8 deep");
      PutRecord(menuBody, 1, 0, 0, Utf16(where, Text(where, w[1], table)), u"", where);
      ++records;
      continue;
    }
    if (w[0] == "item") {
      if (w.size() < 3 || !IsText(w[2])) Fail(where, "expected item <command id> <text> [<shortcut>] [check]");
      if (depth == 0) Fail(where, "an item belongs in a popup");
      std::size_t next = 3;
      std::u16string shortcut;
      if (next < w.size() && IsText(w[next])) shortcut = Utf16(where, Text(where, w[next++], table));
      int flags = 0;
      if (next < w.size() && w[next] == "check") {
        flags |= 1;
        ++next;
      }
      if (next != w.size()) Fail(where, "unexpected '" + w[next] + "'");
      PutRecord(menuBody, 0, flags, Number(where, w[1]), Utf16(where, Text(where, w[2], table)), shortcut, where);
      ++records;
      continue;
    }
    Fail(where, "unknown word '" + w[0] + "'");
  }
  if (block != Block::None) Fail(source, "a block is not closed");
  if (menus != 1 || tables != 1) Fail(source, "expected one menu and one accelerator table");

  std::string menu = "KMNU";
  PutU16(menu, 1);
  PutU16(menu, 0);
  PutU32(menu, records);
  menu += menuBody;
  std::string accel = "KACC";
  PutU16(accel, 1);
  PutU16(accel, 0);
  PutU32(accel, accelCount);
  accel += accelBody;
  Write(argv[3], menu);
  Write(argv[4], accel);
  return 0;
}
