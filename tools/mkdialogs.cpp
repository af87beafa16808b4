// mkdialogs: turns the dialog sources (resources/dialogs/*.dlg) into one C++
// source of template tables (platform/ui/DialogTemplate.h) that the window
// layer compiles.
//
//   mkdialogs <output.cpp> <texts.tsv> <file.dlg>...
//
// Source syntax, one statement per line, '#' starts a comment:
//
//   dialog <id> <caption> <width> <height> [resizable]
//     <kind> <id> <text> <x> <y> <width> <height> [flag...]
//     ...
//   end
//
// Sizes and positions are dialog units. A text is L<n>, the language-table
// line n of texts.tsv (it becomes that line's token: '~', four hexadecimal
// digits, the row's flag, its English text, '~'), a fixed text in double
// quotes, or '-' for none. A control id is 1..65535, or -1 for a control the
// code never names.
//
// Kinds and the Win32 class and style they stand for:
//   push, defpush            Button  BS_PUSHBUTTON / BS_DEFPUSHBUTTON, tab stop
//   check, check3            Button  BS_AUTOCHECKBOX / BS_AUTO3STATE, tab stop
//   radio                    Button  BS_AUTORADIOBUTTON
//   group                    Button  BS_GROUPBOX
//   static                   Static  SS_LEFT
//   edit                     Edit    ES_AUTOHSCROLL, border, tab stop
//   listbox                  ListBox LBS_NOTIFY, vertical scroll bar, border, tab stop
//   combo                    ComboBox CBS_DROPDOWNLIST, vertical scroll bar, tab stop
//   listview                 SysListView32 LVS_REPORT | LVS_SINGLESEL, border, tab stop
//   progress                 msctls_progress32
//   updown                   msctls_updown32
// Flags: tabstop, notabstop, group, disabled, hidden, border, vscroll,
// hscroll; ownerdraw (push); lefttext (check, radio); center, right,
// noprefix, etched, sunken (static); center, right, multiline, readonly,
// password, number, wantreturn (edit); sort, extendedsel, multiplesel,
// ownerdrawfixed (listbox, with LBS_HASSTRINGS); dropdown, simple, sort, ownerdrawfixed, ownerdrawvariable
// (combo); noheader, multisel (listview); smooth (progress); wrap,
// arrowkeys, horz (updown); and style=0x<hex> for any other bits.
//
// The checks are strict so that a template cannot load half-right: ids are
// unique within a dialog, every control lies inside its dialog, texts of
// language lines must exist.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tools/ToolText.h"

namespace {

using kvn::tool::Fail;
using kvn::tool::LineToken;
using kvn::tool::TableRow;
using kvn::tool::Words;

std::string Text(const std::string& where, const std::string& word, const std::map<int, TableRow>& table) {
  if (word == "-") return std::string();
  if (word.size() >= 2 && word.front() == '"') return word.substr(1, word.size() - 2);
  if (word.empty() || word[0] != 'L') Fail(where, "expected L<line>, \"text\" or -, got '" + word + "'");
  return LineToken(where, word, table, "a dialog text");
}

long Number(const std::string& where, const std::string& word, long low, long high, const char* what) {
  char* end = nullptr;
  long v = std::strtol(word.c_str(), &end, 10);
  if (word.empty() || *end != 0 || v < low || v > high) Fail(where, std::string("bad ") + what + " '" + word + "'");
  return v;
}

// A C++ UTF-16 literal of UTF-8 text: ASCII printable as it is, the rest as
// \u / \U escapes, so that the generated source is plain ASCII.
std::string Literal(const std::string& where, const std::string& utf8) {
  std::string out = "u\"";
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned char b = static_cast<unsigned char>(utf8[i]);
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0) Fail(where, "invalid UTF-8");
    char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k <= extra; ++k) {
      if (i + std::size_t(k) >= utf8.size()) Fail(where, "invalid UTF-8");
      unsigned char t = static_cast<unsigned char>(utf8[i + std::size_t(k)]);
      if ((t & 0xC0) != 0x80) Fail(where, "invalid UTF-8");
      c = (c << 6) | (t & 0x3F);
    }
    i += std::size_t(extra) + 1;
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\' && c != '?') {
      out.push_back(char(c));
    } else {
      char escape[16];
      if (c >= 0x10000) {
        std::snprintf(escape, sizeof escape, "\\U%08X", unsigned(c));
      } else {
        std::snprintf(escape, sizeof escape, "\\u%04X", unsigned(c));
      }
      out += escape;
    }
  }
  return out + "\"";
}

struct Control {
  std::string cls;
  long id = -1;
  std::string text;
  long x = 0, y = 0, cx = 0, cy = 0;
  std::uint32_t style = 0;
};

struct Dialog {
  long id = 0;
  std::string caption;
  long cx = 0, cy = 0;
  std::uint32_t style = 0;
  std::vector<Control> controls;
  std::string where;
};

constexpr std::uint32_t kWsChild = 0x40000000, kWsVisible = 0x10000000, kWsDisabled = 0x08000000,
                        kWsBorder = 0x00800000, kWsVScroll = 0x00200000, kWsHScroll = 0x00100000,
                        kWsGroup = 0x00020000, kWsTabStop = 0x00010000;
constexpr std::uint32_t kWsPopup = 0x80000000, kWsCaption = 0x00C00000, kWsSysMenu = 0x00080000,
                        kWsThickFrame = 0x00040000, kDsModalFrame = 0x80;

struct Kind {
  const char* cls;
  std::uint32_t style;
};

const std::map<std::string, Kind>& Kinds() {
  static const std::map<std::string, Kind> kinds = {
      {"push", {"Button", 0x0 | kWsTabStop}},
      {"defpush", {"Button", 0x1 | kWsTabStop}},
      {"check", {"Button", 0x3 | kWsTabStop}},
      {"check3", {"Button", 0x6 | kWsTabStop}},
      {"radio", {"Button", 0x9}},
      {"group", {"Button", 0x7}},
      {"static", {"Static", 0x0}},
      {"edit", {"Edit", 0x80 | kWsBorder | kWsTabStop}},
      {"listbox", {"ListBox", 0x1 | kWsVScroll | kWsBorder | kWsTabStop}},
      {"combo", {"ComboBox", 0x3 | kWsVScroll | kWsTabStop}},
      {"listview", {"ListView", 0x1 | 0x4 | kWsBorder | kWsTabStop}},
      {"progress", {"Progress", 0x0}},
      {"updown", {"UpDown", 0x0}},
  };
  return kinds;
}

// Applies one flag word to a control's style; false when the kind does not know it.
bool ApplyFlag(const std::string& kind, const std::string& flag, std::uint32_t& style) {
  static const std::map<std::string, std::uint32_t> kCommonSet = {
      {"tabstop", kWsTabStop}, {"group", kWsGroup}, {"disabled", kWsDisabled},
      {"border", kWsBorder},   {"vscroll", kWsVScroll}, {"hscroll", kWsHScroll}};
  if (auto it = kCommonSet.find(flag); it != kCommonSet.end()) {
    style |= it->second;
    return true;
  }
  if (flag == "notabstop") {
    style &= ~kWsTabStop;
    return true;
  }
  if (flag == "hidden") {
    style &= ~kWsVisible;
    return true;
  }
  if (flag.rfind("style=0x", 0) == 0) {
    char* end = nullptr;
    unsigned long v = std::strtoul(flag.c_str() + 8, &end, 16);
    if (*end != 0 || flag.size() == 8 || v > 0xFFFFFFFFul) return false;
    style |= std::uint32_t(v);
    return true;
  }
  struct KindFlag {
    const char* kind;
    const char* flag;
    std::uint32_t clear;
    std::uint32_t set;
  };
  static const KindFlag kKindFlags[] = {
      {"push", "ownerdraw", 0xF, 0xB},          {"defpush", "ownerdraw", 0xF, 0xB},
      {"check", "lefttext", 0, 0x20},           {"check3", "lefttext", 0, 0x20},
      {"radio", "lefttext", 0, 0x20},           {"static", "center", 0x1F, 0x1},
      {"static", "right", 0x1F, 0x2},           {"static", "noprefix", 0, 0x80},
      {"static", "etched", 0x1F, 0x10},         {"static", "sunken", 0, 0x1000},
      {"edit", "center", 0x3, 0x1},             {"edit", "right", 0x3, 0x2},
      {"edit", "multiline", 0, 0x4 | 0x40},     {"edit", "readonly", 0, 0x800},
      {"edit", "password", 0, 0x20},            {"edit", "number", 0, 0x2000},
      {"edit", "wantreturn", 0, 0x1000},        {"listbox", "sort", 0, 0x2},
      {"listbox", "extendedsel", 0, 0x800},     {"listbox", "multiplesel", 0, 0x8},
      {"listbox", "ownerdrawfixed", 0, 0x10 | 0x40},
      {"combo", "dropdown", 0x3, 0x2},          {"combo", "simple", 0x3, 0x1},
      {"combo", "sort", 0, 0x100},              {"combo", "ownerdrawfixed", 0x30, 0x10},
      {"combo", "ownerdrawvariable", 0x30, 0x20}, {"listview", "noheader", 0, 0x4000},
      {"listview", "multisel", 0x4, 0},         {"progress", "smooth", 0, 0x1},
      {"updown", "wrap", 0, 0x1},               {"updown", "arrowkeys", 0, 0x20},
      {"updown", "horz", 0, 0x40},
  };
  for (const KindFlag& f : kKindFlags) {
    if (kind == f.kind && flag == f.flag) {
      style = (style & ~f.clear) | f.set;
      return true;
    }
  }
  return false;
}

void ReadSource(const std::string& path, const std::map<int, TableRow>& table, std::vector<Dialog>& dialogs) {
  std::ifstream in(path);
  if (!in) Fail(path, "cannot read");
  std::string line;
  Dialog* open = nullptr;
  std::set<long> ids;
  for (int n = 1; std::getline(in, line); ++n) {
    const std::string where = path + ":" + std::to_string(n);
    std::vector<std::string> w = Words(where, line);
    if (w.empty()) continue;
    if (w[0] == "dialog") {
      if (open) Fail(where, "dialog inside a dialog (missing end)");
      if (w.size() < 5) Fail(where, "expected: dialog <id> <caption> <width> <height> [resizable]");
      Dialog d;
      d.where = where;
      d.id = Number(where, w[1], 1, 65535, "dialog id");
      d.caption = Text(where, w[2], table);
      d.cx = Number(where, w[3], 1, 2000, "width");
      d.cy = Number(where, w[4], 1, 2000, "height");
      d.style = kWsPopup | kWsCaption | kWsSysMenu | kDsModalFrame;
      for (std::size_t i = 5; i < w.size(); ++i) {
        if (w[i] == "resizable") {
          d.style |= kWsThickFrame;
        } else {
          Fail(where, "unknown dialog flag '" + w[i] + "'");
        }
      }
      for (const Dialog& other : dialogs) {
        if (other.id == d.id) Fail(where, "dialog " + w[1] + " is also defined at " + other.where);
      }
      dialogs.push_back(d);
      open = &dialogs.back();
      ids.clear();
      continue;
    }
    if (w[0] == "end") {
      if (!open) Fail(where, "end without dialog");
      if (w.size() != 1) Fail(where, "unexpected words after end");
      open = nullptr;
      continue;
    }
    if (!open) Fail(where, "a control outside a dialog");
    auto kind = Kinds().find(w[0]);
    if (kind == Kinds().end()) Fail(where, "unknown control kind '" + w[0] + "'");
    if (w.size() < 7) Fail(where, "expected: <kind> <id> <text> <x> <y> <width> <height> [flag...]");
    Control c;
    c.cls = kind->second.cls;
    c.id = Number(where, w[1], -1, 65535, "control id");
    if (c.id == 0) Fail(where, "control id 0");
    if (c.id != -1 && !ids.insert(c.id).second) Fail(where, "control id " + w[1] + " used twice in the dialog");
    c.text = Text(where, w[2], table);
    c.x = Number(where, w[3], 0, 2000, "x");
    c.y = Number(where, w[4], 0, 2000, "y");
    c.cx = Number(where, w[5], 0, 2000, "width");
    c.cy = Number(where, w[6], 0, 2000, "height");
    if (c.x + c.cx > open->cx || c.y + c.cy > open->cy) Fail(where, "the control lies outside its dialog");
    c.style = kWsChild | kWsVisible | kind->second.style;
    for (std::size_t i = 7; i < w.size(); ++i) {
      if (!ApplyFlag(w[0], w[i], c.style)) Fail(where, "flag '" + w[i] + "' does not fit a " + w[0]);
    }
    open->controls.push_back(c);
  }
  if (open) Fail(path, "missing end of dialog " + std::to_string(open->id));
}

std::string Hex(std::uint32_t v) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%08Xu", unsigned(v));
  return buffer;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: mkdialogs <output.cpp> <texts.tsv> <file.dlg>...\n";
    return 2;
  }
  const std::map<int, TableRow> table = kvn::tool::ReadTable(argv[2]);
  std::vector<Dialog> dialogs;
  dialogs.reserve(256);  // `open` points into the vector while a source is read
  for (int i = 3; i < argc; ++i) {
    if (dialogs.size() >= 200) Fail(argv[i], "too many dialogs for one pass");
    ReadSource(argv[i], table, dialogs);
  }

  std::ostringstream out;
  out << "// Generated by tools/mkdialogs from resources/dialogs/*.dlg; do not edit.\n"
      << "#include \"platform/ui/DialogTemplate.h\"\n\n"
      << "namespace kvn::dialog_data {\n\nnamespace {\n\n";
  std::size_t total = 0;
  for (const Dialog& d : dialogs) total += d.controls.size();
  if (total > 0) {
    out << "const DialogControlData kControls[] = {\n";
    for (const Dialog& d : dialogs) {
      out << "    // dialog " << d.id << "\n";
      for (const Control& c : d.controls) {
        out << "    {DialogControlClass::" << c.cls << ", " << c.id << ", " << Literal(d.where, c.text) << ", " << c.x
            << ", " << c.y << ", " << c.cx << ", " << c.cy << ", " << Hex(c.style) << "},\n";
      }
    }
    out << "};\n\n";
  }
  if (!dialogs.empty()) {
    out << "const DialogTemplateData kTemplates[] = {\n";
    std::size_t first = 0;
    for (const Dialog& d : dialogs) {
      out << "    {" << d.id << ", " << Literal(d.where, d.caption) << ", " << d.cx << ", " << d.cy << ", "
          << Hex(d.style) << ", "
          << (d.controls.empty() ? std::string("nullptr") : "kControls + " + std::to_string(first)) << ", "
          << d.controls.size() << "},\n";
      first += d.controls.size();
    }
    out << "};\n\n";
  }
  out << "}  // namespace\n\n";
  if (dialogs.empty()) {
    out << "const DialogTemplateData* const kDialogTemplates = nullptr;\n";
  } else {
    out << "const DialogTemplateData* const kDialogTemplates = kTemplates;\n";
  }
  out << "const std::size_t kDialogTemplateCount = " << dialogs.size() << ";\n\n}  // namespace kvn::dialog_data\n";

  std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
  file << out.str();
  file.close();
  if (!file) Fail(argv[1], "cannot write");
  return 0;
}
