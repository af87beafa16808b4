// Lint: every control id the program's code names for a dialog exists in
// that dialog's template (resources/dialogs/*.dlg).
//
// The scan reads the sources of the folders that hold dialogs. A source
// (its .h and .cpp together) names its template in a dialog base
// constructor, TDialogTr(parent, <id>), TDialog(parent, <id>),
// TEmbeddedDialog(parent, <id>), TMyPropertyPage(sheet, <id>, title) or
// TDialogBar(parent, <id>, frame) (an id the
// code computes: then the controls must all be in one template), and its
// controls in the resource constructors of the control classes (the
// argument count tells them from the constructors with a position),
// GetDlgItem(<id>) and OnChildNotify rows. Ids written as numbers or as
// constants (constexpr ... kName = <number>;) are checked; computed ids are
// not. A source that names template controls but no template is an error
// too, unless the controls are the standard buttons (IDOK, IDCANCEL, IDHELP)
// that code for every dialog may ask for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/ui/DialogTemplate.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;

// A class whose resource constructor takes `arity` arguments with the
// control id at `idIndex` (and, for a radio run, the button count at `countIndex`).
struct ControlClass {
  const char* name;
  int arity;
  int idIndex;
  int countIndex = -1;
};

const std::vector<ControlClass>& ControlClasses() {
  static const std::vector<ControlClass> classes = {
      {"TAutoCheck", 4, 1},      {"TAutoRadio", 5, 1, 2},   {"TAutoRadioSub", 3, 1},
      {"TMyStaticText", 2, 1},   {"TAutoString_AW", 4, 1},  {"TAutoListBox", 4, 1},
      {"TAutoCombo_", 4, 1},     {"TAutoIconCombo_", 6, 1}, {"TAutoDate_", 4, 1},
      {"TAutoDouble", 5, 2},      {"TAutoInt_", 4, 1},       {"TAutoWORD_", 4, 1},
      {"TMyCheckList", 3, 1},     {"TXButton", 6, 2},         {"TRangeSpinEdit5", 3, 2},
      {"TButton", 2, 1},          {"TCheckBox", 2, 1},        {"TRadioButton", 2, 1},
      {"TGroupBox", 2, 1},        {"TStatic", 2, 1},          {"TEdit", 2, 1},
      {"TListBox", 2, 1},         {"TComboBox", 2, 1},        {"TListWindow", 2, 1},
      {"TGauge", 2, 1},           {"TUpDown", 2, 1},          {"GetDlgItem", 1, 0},
      {"OnChildNotify", 2, 0},
  };
  return classes;
}

// The text with comments blanked out (line breaks kept, so that offsets
// still give line numbers) and string literals kept as they are.
std::string StripComments(const std::string& in) {
  std::string out = in;
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '"' || out[i] == '\'') {
      const char quote = out[i];
      for (++i; i < out.size() && out[i] != quote; ++i) {
        if (out[i] == '\\') ++i;
      }
    } else if (out.compare(i, 2, "//") == 0) {
      for (; i < out.size() && out[i] != '\n'; ++i) out[i] = ' ';
    } else if (out.compare(i, 2, "/*") == 0) {
      for (; i < out.size() && out.compare(i, 2, "*/") != 0; ++i) {
        if (out[i] != '\n') out[i] = ' ';
      }
      if (i + 1 < out.size()) out[i] = out[i + 1] = ' ';
      ++i;
    }
  }
  return out;
}

bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::string Trim(const std::string& s) {
  std::size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

// The arguments of the call whose '(' is at `open`; false when unbalanced.
bool SplitArgs(const std::string& text, std::size_t open, std::vector<std::string>& args) {
  args.clear();
  int depth = 0;
  std::string current;
  for (std::size_t i = open; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"' || c == '\'') {
      const std::size_t start = i;
      for (++i; i < text.size() && text[i] != c; ++i) {
        if (text[i] == '\\') ++i;
      }
      current += text.substr(start, i - start + 1);
      continue;
    }
    if (c == '(' || c == '[' || c == '{') {
      if (depth++ == 0) continue;
    } else if (c == ')' || c == ']' || c == '}') {
      if (--depth == 0) {
        const std::string last = Trim(current);
        if (!last.empty() || !args.empty()) args.push_back(last);
        return true;
      }
    } else if (c == ',' && depth == 1) {
      args.push_back(Trim(current));
      current.clear();
      continue;
    }
    current.push_back(c);
  }
  return false;
}

// Numbers and the constants of the scanned sources.
struct Constants {
  std::map<std::string, long> values;
  void Read(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
      const std::size_t eq = line.find('=');
      if (eq == std::string::npos ||
          (line.find("constexpr") == std::string::npos && line.find("const ") == std::string::npos)) {
        continue;
      }
      std::size_t end = eq;
      while (end > 0 && std::isspace(static_cast<unsigned char>(line[end - 1]))) --end;
      std::size_t start = end;
      while (start > 0 && IsIdentChar(line[start - 1])) --start;
      const std::string name = line.substr(start, end - start);
      if (name.size() < 2 || name[0] != 'k') continue;
      const std::string value = Trim(line.substr(eq + 1, line.find(';', eq) - eq - 1));
      if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos) continue;
      values[name] = std::stol(value);
    }
  }
  // The value of a number or a known constant (optionally cast, int(x)).
  bool Resolve(std::string arg, long& out) const {
    for (const char* cast : {"int(", "std::uint16_t(", "std::uint32_t("}) {
      if (arg.rfind(cast, 0) == 0 && arg.back() == ')')
        arg = Trim(arg.substr(std::strlen(cast), arg.size() - std::strlen(cast) - 1));
    }
    if (!arg.empty() && arg.find_first_not_of("0123456789") == std::string::npos) {
      out = std::stol(arg);
      return true;
    }
    auto it = values.find(arg);
    if (it == values.end()) return false;
    out = it->second;
    return true;
  }
};

struct Use {
  long id;
  std::string where;
};

// What one source (its .h and .cpp together) says.
struct SourceFacts {
  std::set<long> templates;
  bool computedTemplate = false;  // a dialog base constructor with a computed id
  std::vector<Use> controls;
};

void Scan(const std::string& path, const std::string& raw, const Constants& constants, SourceFacts& facts) {
  const std::string text = StripComments(raw);
  auto lineOf = [&](std::size_t at) {
    return path + ":" + std::to_string(1 + std::count(text.begin(), text.begin() + long(at), '\n'));
  };
  std::vector<std::string> args;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!IsIdentChar(text[i]) || (i > 0 && IsIdentChar(text[i - 1]))) continue;
    std::size_t end = i;
    while (end < text.size() && IsIdentChar(text[end])) ++end;
    const std::string word = text.substr(i, end - i);
    std::size_t open = end;
    // Template rows: OnChildNotify<&C::H>(id, code).
    if (open < text.size() && text[open] == '<' && word == "OnChildNotify") {
      open = text.find('>', open);
      if (open == std::string::npos) break;
      ++open;
    }
    while (open < text.size() && std::isspace(static_cast<unsigned char>(text[open]))) ++open;
    if (open >= text.size() || text[open] != '(') continue;
    if (!SplitArgs(text, open, args)) continue;
    long id = 0;
    // The save and open choosers take an extra template: (slot, folder,
    // name, parent, data, template, title).
    if ((word == "TAutoFileSaveDialog" || word == "TAutoFileOpenDialog") && args.size() == 7) {
      if (constants.Resolve(args[5], id)) facts.templates.insert(id);
      continue;
    }
    // A property sheet's page: (sheet, template, title[, icon]); a source
    // may hold several pages, each control then in one of their templates.
    if (word == "TMyPropertyPage" && (args.size() == 3 || args.size() == 4)) {
      if (constants.Resolve(args[1], id)) {
        facts.templates.insert(id);
      } else {
        facts.computedTemplate = true;
      }
      continue;
    }
    // The tool bar's dialog bar takes the frame as a third argument.
    const bool dialogBar = word == "TDialogBar" && args.size() == 3;
    if (word == "TDialogTr" || word == "TDialog" || word == "TDialogGeneric" || word == "TEmbeddedDialog" ||
        dialogBar) {
      if (args.size() == 2 || dialogBar) {
        if (constants.Resolve(args[1], id)) {
          facts.templates.insert(id);
        } else {
          facts.computedTemplate = true;
        }
      }
      continue;
    }
    for (const ControlClass& cls : ControlClasses()) {
      if (word != cls.name || int(args.size()) != cls.arity) continue;
      if (!constants.Resolve(args[std::size_t(cls.idIndex)], id)) break;
      facts.controls.push_back(Use{id, lineOf(i) + " " + word});
      long count = 0;
      if (cls.countIndex >= 0 && constants.Resolve(args[std::size_t(cls.countIndex)], count)) {
        for (long k = 1; k < count && k < 1000; ++k)
          facts.controls.push_back(Use{id + k, lineOf(i) + " " + word + " run"});
      }
      break;
    }
  }
}

// Every problem of one source, one line each.
std::vector<std::string> Check(const SourceFacts& facts) {
  std::vector<std::string> problems;
  if (facts.controls.empty()) return problems;
  if (facts.templates.empty() && facts.computedTemplate) {
    // The template id is known only at run time: the controls must at
    // least all be in one template; the one that holds most of them names
    // the ids it lacks.
    const DialogTemplateData* best = nullptr;
    std::size_t bestCount = 0;
    for (const DialogTemplateData& t : AllDialogTemplates()) {
      std::size_t count = 0;
      for (const Use& use : facts.controls) count += t.FindControl(int(use.id)) ? 1 : 0;
      if (count > bestCount) {
        best = &t;
        bestCount = count;
      }
    }
    for (const Use& use : facts.controls) {
      if (best == nullptr || !best->FindControl(int(use.id))) {
        problems.push_back(use.where + ": control " + std::to_string(use.id) + " is in no template with the others");
      }
    }
    return problems;
  }
  if (facts.templates.empty()) {
    // Code for every dialog may name the standard buttons, which a
    // template may or may not have (IDOK 1, IDCANCEL 2, IDHELP 9).
    for (const Use& use : facts.controls) {
      if (use.id != 1 && use.id != 2 && use.id != 9) {
        problems.push_back(use.where + ": names template controls but no dialog template");
        break;
      }
    }
    return problems;
  }
  for (long t : facts.templates) {
    if (FindDialogTemplate(int(t)) == nullptr)
      problems.push_back("dialog template " + std::to_string(t) + " does not exist");
  }
  for (const Use& use : facts.controls) {
    bool found = false;
    for (long t : facts.templates) {
      const DialogTemplateData* data = FindDialogTemplate(int(t));
      if (data && data->FindControl(int(use.id))) found = true;
    }
    if (!found) problems.push_back(use.where + ": control " + std::to_string(use.id) + " is in no template it names");
  }
  return problems;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(DialogIdLintTest, EveryControlIdOfTheCodeIsInItsTemplate) {
  const fs::path root = KVN_SOURCE_DIR;
  std::vector<fs::path> files;
  for (const char* dir : {"app", "controls", "print", "platform/ui", "tests/gui"}) {
    if (!fs::exists(root / dir)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(root / dir)) {
      const std::string ext = entry.path().extension().string();
      if (entry.is_regular_file() && (ext == ".h" || ext == ".cpp")) files.push_back(entry.path());
    }
  }
  ASSERT_FALSE(files.empty());
  Constants constants;
  constants.Read(ReadFile(root / "platform/ui/Messages.h"));
  for (const fs::path& f : files) constants.Read(ReadFile(f));

  // A header and its source are one dialog's code.
  std::map<std::string, SourceFacts> sources;
  for (const fs::path& f : files) {
    fs::path stem = f;
    stem.replace_extension();
    Scan(fs::relative(f, root).string(), ReadFile(f), constants, sources[stem.string()]);
  }
  std::vector<std::string> problems;
  int checked = 0;
  for (const auto& [name, facts] : sources) {
    for (const std::string& p : Check(facts)) problems.push_back(p);
    checked += int(facts.controls.size());
  }
  std::string report;
  for (const std::string& p : problems) report += p + "\n";
  EXPECT_TRUE(problems.empty()) << report;
  // The test dialog of tests/gui names its controls, so the scan sees some.
  EXPECT_GT(checked, 0);
}

TEST(DialogIdLintTest, FindsAnIdTheTemplateLacks) {
  static const DialogControlData controls[] = {{DialogControlClass::Button, 1002, u"", 1, 1, 20, 10, 0},
                                               {DialogControlClass::Button, 1003, u"", 1, 12, 20, 10, 0},
                                               {DialogControlClass::Button, 1004, u"", 1, 24, 20, 10, 0}};
  static const DialogTemplateData templates[] = {{500, u"x", 50, 40, 0, controls, 3}};
  ScopedDialogTemplates scope(templates);
  Constants constants;
  constants.Read("inline constexpr int kTestDialog = 500;\nconstexpr int kGridCheck = 1002;\n");
  const std::string source =
      "TestDialog::TestDialog(TWindow* p) : TDialogTr(p, kTestDialog) {\n"
      "  new TAutoCheck(this, kGridCheck, &grid, 0);\n"
      "  // new TAutoCheck(this, 1999, &grid, 0);  (a comment is not code)\n"
      "  new TAutoRadio(this, 1003, 3, &mode, 0);\n"
      "  new TAutoCheck(this, 1009, \"(,)\" , 0);\n"
      "  new TAutoCheck(this, 7, u\"caption\", 1, 2, 3, 4);  // made at run time\n"
      "  new TEdit(this, firstId + 2);  // computed\n"
      "}\n";
  SourceFacts facts;
  Scan("dialog.cpp", source, constants, facts);
  const std::vector<std::string> problems = Check(facts);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_NE(problems[0].find("control 1005"), std::string::npos) << problems[0];  // the radio run's third button
  EXPECT_NE(problems[1].find("dialog.cpp:5 TAutoCheck: control 1009"), std::string::npos) << problems[1];

  // A template known only at run time: the controls must share one.
  SourceFacts computed;
  Scan("run.cpp", "X::X(TWindow* p, int id) : TDialogTr(p, id) { new TButton(this, 1003); new TEdit(this, 1004); }\n",
       constants, computed);
  EXPECT_TRUE(Check(computed).empty());
  Scan("run.cpp", "void X::More() { new TEdit(this, 1077); }\n", constants, computed);
  ASSERT_EQ(Check(computed).size(), 1u);
  EXPECT_NE(Check(computed)[0].find("control 1077"), std::string::npos);

  // A save chooser's extra template names the template too.
  SourceFacts chooser;
  Scan("save.cpp",
       "S::S(TWindow* p, TData& d) : TAutoFileSaveDialog(3, f, n, p, d, kTestDialog, t) {\n"
       "  new TAutoCheck(Extra(), kGridCheck, &grid, 0);\n  new TAutoCheck(Extra(), 1011, &x, 0);\n}\n",
       constants, chooser);
  ASSERT_EQ(Check(chooser).size(), 1u);
  EXPECT_NE(Check(chooser)[0].find("control 1011"), std::string::npos) << Check(chooser)[0];

  SourceFacts orphan;
  Scan("bar.cpp", "new TButton(this, 1002);\n", constants, orphan);
  ASSERT_EQ(Check(orphan).size(), 1u);
  EXPECT_NE(Check(orphan)[0].find("no dialog template"), std::string::npos);
}

}  // namespace
}  // namespace kvn
