// mklangtables: builds the three language tables and the string table from
// the one text source resources/strings/texts.tsv.
//
//   mklangtables <texts.tsv> <line count> <output folder>
//
// writes lang-30000.txt (Czech), lang-30001.txt (Slovak), lang-30002.txt
// (English) and strings.bin into the output folder.
//
// Source rows (UTF-8, tab-separated; '#' starts a comment line):
//   string id | table line | flag | English | Czech | Slovak [| resource form]
// - string id: 0..32767, or "-" for a text that only the tables hold (menus
//   and dialogs name table lines directly);
// - table line: 1..line count, or "-" for a string that is not translated
//   (its English column is then the whole string, Czech and Slovak empty);
// - flag: the token's flag character '0'-'9' or 'A'-'F' ("-" without a line);
// - resource form (optional): the string resource around its token, "{}"
//   standing for the token, e.g. "({})".
// In the texts, the two characters '\' 't' stand for a TAB (the separator of
// list items in one string), in the tables and the string table alike; the
// two characters '\' 'n' stand for a line break: the tables
// keep them as they are (the loader turns them into CR LF), the string table
// gets a line feed.
//
// Tables: code page 1250, entry k on line k, each line ended by LF, lines no
// row names left empty (a look-up of an empty entry gives the token's default).
// String table (all numbers little-endian): u32 count; count records of
// {i32 id, u32 offset, u32 length} sorted by id; then the UTF-8 texts, each
// record's offset counted from the start of the table.
#include <algorithm>
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

// Code page 1250, bytes 0x80..0xFF; 0 where the code page has no character.
constexpr char32_t kCp1250High[128] = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021, 0x0000, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

constexpr int kLanguages = 3;  // table order: Czech, Slovak, English
constexpr int kMaxStringId = 32767;

struct Row {
  int sourceLine = 0;
  int id = -1;    // -1: no string resource
  int line = -1;  // -1: not translated
  char flag = '0';
  std::string texts[kLanguages];  // Czech, Slovak, English
  std::string form = "{}";
};

using kvn::tool::Fail;
using kvn::tool::SplitTabs;

// "-" gives -1; anything else must be a decimal number in [low, high].
int ParseNumber(const std::string& where, const std::string& field, int low, int high, const char* what) {
  if (field == "-") return -1;
  if (field.empty() || field.size() > 6 ||
      !std::all_of(field.begin(), field.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    Fail(where, std::string("bad ") + what + " '" + field + "'");
  }
  int value = std::atoi(field.c_str());
  if (value < low || value > high) Fail(where, std::string(what) + " " + field + " out of range");
  return value;
}

// Strict UTF-8 decoding (no overlong forms, no surrogates).
std::u32string DecodeUtf8(const std::string& where, const std::string& text) {
  std::u32string out;
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0) Fail(where, "invalid UTF-8");
    char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k <= extra; ++k) {
      if (i + std::size_t(k) >= text.size()) Fail(where, "invalid UTF-8");
      unsigned char t = static_cast<unsigned char>(text[i + std::size_t(k)]);
      if ((t & 0xC0) != 0x80) Fail(where, "invalid UTF-8");
      c = (c << 6) | (t & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) Fail(where, "invalid UTF-8");
    out.push_back(c);
    i += std::size_t(extra) + 1;
  }
  return out;
}

std::string EncodeCp1250(const std::string& where, const std::string& utf8) {
  std::string out;
  for (char32_t c : DecodeUtf8(where, utf8)) {
    if (c < 0x80) {
      out.push_back(char(c));
      continue;
    }
    const char32_t* hit = std::find(std::begin(kCp1250High), std::end(kCp1250High), c);
    if (hit == std::end(kCp1250High)) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", unsigned(c));
      Fail(where, std::string("character ") + code + " has no place in code page 1250");
    }
    out.push_back(char(0x80 + (hit - kCp1250High)));
  }
  return out;
}

// The two characters '\' 'n' become a line feed.
std::string LineBreaks(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      out.push_back('\n');
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

// The two characters '\' 't' become a TAB (the columns are TAB-separated).
std::string Tabs(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 't') {
      out.push_back('\t');
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

Row ParseRow(const std::string& where, const std::string& line, int lineCount) {
  std::vector<std::string> f = SplitTabs(line);
  for (std::size_t i = 3; i < f.size() && i < 6; ++i) f[i] = Tabs(f[i]);
  if (f.size() != 6 && f.size() != 7)
    Fail(where, "expected 6 or 7 tab-separated columns, found " + std::to_string(f.size()));
  Row row;
  row.id = ParseNumber(where, f[0], 0, kMaxStringId, "string id");
  row.line = ParseNumber(where, f[1], 1, lineCount, "table line");
  row.texts[2] = f[3];
  row.texts[0] = f[4];
  row.texts[1] = f[5];
  if (row.id < 0 && row.line < 0) Fail(where, "a row needs a string id or a table line");
  if (f.size() == 7) {
    row.form = f[6];
    auto at = row.form.find("{}");
    if (at == std::string::npos || row.form.find("{}", at + 1) != std::string::npos)
      Fail(where, "the resource form must hold \"{}\" once");
    if (row.id < 0 || row.line < 0) Fail(where, "a resource form needs a string id and a table line");
  }
  if (row.line < 0) {
    if (f[2] != "-") Fail(where, "an untranslated string has the flag \"-\"");
    if (!row.texts[0].empty() || !row.texts[1].empty())
      Fail(where, "an untranslated string has no Czech or Slovak text");
    if (row.texts[2].empty()) Fail(where, "empty string");
    return row;
  }
  if (f[2].size() != 1 || !((f[2][0] >= '0' && f[2][0] <= '9') || (f[2][0] >= 'A' && f[2][0] <= 'F'))) {
    Fail(where, "the flag is one character 0-9 or A-F");
  }
  row.flag = f[2][0];
  for (const std::string& text : row.texts) {
    if (text.empty()) Fail(where, "every language needs its text");
  }
  // The English text is also the token's default, which ends at the first '~'
  // and must not be empty.
  if (row.id >= 0 && row.texts[2].find('~') != std::string::npos)
    Fail(where, "a string's English text cannot hold '~'");
  return row;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  out.close();
  if (!out) Fail(path, "cannot write");
}

void PutU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: mklangtables <texts.tsv> <line count> <output folder>\n";
    return 2;
  }
  const std::string source = argv[1];
  const int lineCount = std::atoi(argv[2]);
  const std::string folder = argv[3];
  if (lineCount < 1 || lineCount > 0xFFFE) Fail(source, "bad line count");

  std::ifstream in(source, std::ios::binary);
  if (!in) Fail(source, "cannot read");
  std::vector<Row> rows;
  std::string text;
  for (int n = 1; std::getline(in, text); ++n) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.empty() || text[0] == '#') continue;
    rows.push_back(ParseRow(source + ":" + std::to_string(n), text, lineCount));
    rows.back().sourceLine = n;
  }

  // Tables: one entry per line, each line's texts fixed by the first row naming it.
  std::vector<const Row*> byLine(std::size_t(lineCount) + 1, nullptr);
  std::map<int, const Row*> byId;
  for (const Row& row : rows) {
    std::string where = source + ":" + std::to_string(row.sourceLine);
    if (row.id >= 0 && !byId.emplace(row.id, &row).second)
      Fail(where, "string id " + std::to_string(row.id) + " given twice");
    if (row.line < 0) continue;
    const Row*& slot = byLine[std::size_t(row.line)];
    if (slot) {
      for (int k = 0; k < kLanguages; ++k) {
        if (slot->texts[k] != row.texts[k])
          Fail(where, "table line " + std::to_string(row.line) + " has other texts on line " +
                          std::to_string(slot->sourceLine));
      }
    } else {
      slot = &row;
    }
  }
  static const char* const kNames[kLanguages] = {"lang-30000.txt", "lang-30001.txt", "lang-30002.txt"};
  for (int k = 0; k < kLanguages; ++k) {
    std::string table;
    for (int line = 1; line <= lineCount; ++line) {
      if (const Row* row = byLine[std::size_t(line)]) {
        table += EncodeCp1250(source + ":" + std::to_string(row->sourceLine), row->texts[k]);
      }
      table.push_back('\n');
    }
    WriteFile(folder + "/" + kNames[k], table);
  }

  // String table: the token "~LLLLF<English>~" inside the row's form.
  std::string texts;
  std::string index;
  PutU32(index, std::uint32_t(byId.size()));
  const std::uint32_t headerSize = 4 + 12 * std::uint32_t(byId.size());
  for (const auto& [id, row] : byId) {
    std::string value;
    if (row->line < 0) {
      value = LineBreaks(row->texts[2]);
    } else {
      char token[16];
      std::snprintf(token, sizeof token, "~%04X%c", unsigned(row->line), row->flag);
      std::string full = std::string(token) + row->texts[2] + "~";
      value = row->form;
      value.replace(value.find("{}"), 2, full);
      value = LineBreaks(value);
    }
    PutU32(index, std::uint32_t(id));
    PutU32(index, headerSize + std::uint32_t(texts.size()));
    PutU32(index, std::uint32_t(value.size()));
    texts += value;
  }
  WriteFile(folder + "/strings.bin", index + texts);
  return 0;
}
