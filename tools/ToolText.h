// What the resource tools share: reporting an error and stopping, reading
// the language-table rows of resources/strings/texts.tsv, splitting source
// lines into words and turning a text word into its language token.
// Header-only: each tool is one source compiled on its own.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace kvn::tool {

// "<where>: error: <message>" on stderr, then exit status 1 (the build
// stops at the first bad line rather than embedding half a resource).
[[noreturn]] inline void Fail(const std::string& where, const std::string& message) {
  std::cerr << where << ": error: " << message << "\n";
  std::exit(1);
}

// The fields of a tab-separated line; empty fields are kept.
inline std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::string::size_type start = 0;
  for (;;) {
    std::string::size_type tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

struct TableRow {
  char flag = '0';
  std::string english;
};

// Table line -> {flag, English} of every translated row of texts.tsv
// (string id | table line | flag | English | Czech | Slovak ...).
inline std::map<int, TableRow> ReadTable(const std::string& path) {
  std::ifstream in(path);
  if (!in) Fail(path, "cannot read");
  std::map<int, TableRow> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f = SplitTabs(line);
    if (f.size() < 6 || f[1] == "-" || f[1].empty()) continue;
    rows[std::atoi(f[1].c_str())] = TableRow{f[2].empty() ? '0' : f[2][0], f[3]};
  }
  return rows;
}

// Words of a source line, '#' starting a comment; a "quoted text" is one
// word, kept with its quotes; inside it \" and \\ stand for a quote and a
// backslash. A CR (sources saved with CR LF) separates words like a blank.
inline std::vector<std::string> Words(const std::string& where, const std::string& line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
      continue;
    }
    if (line[i] == '#') break;
    if (line[i] == '"') {
      std::string word = "\"";
      std::size_t j = i + 1;
      for (;; ++j) {
        if (j >= line.size()) Fail(where, "unterminated text");
        if (line[j] == '\\' && j + 1 < line.size() && (line[j + 1] == '"' || line[j + 1] == '\\')) {
          word.push_back(line[++j]);
          continue;
        }
        if (line[j] == '"') break;
        word.push_back(line[j]);
      }
      word.push_back('"');
      words.push_back(word);
      i = j + 1;
      continue;
    }
    std::size_t end = line.find_first_of(" \t\r", i);
    words.push_back(line.substr(i, end == std::string::npos ? std::string::npos : end - i));
    i = end == std::string::npos ? line.size() : end;
  }
  return words;
}

// The language token of the word L<n>: '~', table line n in four hexadecimal
// digits, the row's flag, its English text, '~', looked up in texts.tsv so
// that a resource and the tables cannot drift apart. `what` names the text
// in the error for a '~' inside it ("a menu text").
inline std::string LineToken(const std::string& where, const std::string& word, const std::map<int, TableRow>& table,
                             const std::string& what) {
  char* end = nullptr;
  long line = std::strtol(word.c_str() + 1, &end, 10);
  if (*end != 0 || line < 1 || line > 0xFFFE) Fail(where, "bad table line '" + word + "'");
  auto it = table.find(int(line));
  if (it == table.end()) Fail(where, "texts.tsv has no row for table line " + std::to_string(line));
  if (it->second.english.find('~') != std::string::npos) Fail(where, what + " cannot hold '~'");
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04lX", line);
  return std::string("~") + hex + it->second.flag + it->second.english + "~";
}

}  // namespace kvn::tool
