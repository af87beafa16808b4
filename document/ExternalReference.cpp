#include "document/ExternalReference.h"

#include <filesystem>
#include <memory>
#include <vector>

#include "document/LoadQuestions.h"
#include "document/NativeFormat.h"
#include "document/OpenDrawingFile.h"
#include "document/OpenRequest.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/FileSystem.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/PathNames.h"
#include "foundation/TextFormat.h"

namespace kvn {

namespace {

constexpr int kStrNestedReference = 18402;
constexpr int kStrReloadReference = 18271;
constexpr int kStrSelectAnotherFile = 18272;

ReferenceFileChooser g_chooser = nullptr;

// A stored Windows path read on Linux: backslashes as separators, a drive
// letter dropped (the path then counts from the root).
WString Portable(const WString& stored) {
  std::u16string text(stored.View());
  for (char16_t& c : text)
    if (c == u'\\') c = u'/';
  if (text.size() >= 2 && text[1] == u':' &&
      ((text[0] >= u'A' && text[0] <= u'Z') || (text[0] >= u'a' && text[0] <= u'z')))
    text.erase(0, 2);
  return WString(text);
}

// The existing file whose name matches each part of `path` without regard
// to case ("..\Sub\PLAN.KVN" finds "sub/plan.kvn"); the path itself when
// nothing matches.
WString MatchNoCase(const WString& path) {
  namespace fs = std::filesystem;
  if (FileExists(path)) return path;
  const fs::path wanted(path.ToUtf8());
  fs::path found = wanted.is_absolute() ? fs::path("/") : fs::path(".");
  std::error_code ec;
  for (const fs::path& part : wanted.relative_path()) {
    const std::string name = part.string();
    if (name == "." || name == "..") {
      found /= part;
      continue;
    }
    fs::path match;
    for (const fs::directory_entry& entry : fs::directory_iterator(found, ec)) {
      const std::string candidate = entry.path().filename().string();
      if (candidate.size() == name.size() &&
          WString::FromUtf8(candidate).CompareNoCaseN(WString::FromUtf8(name).CStr(), int(name.size())) == 0) {
        match = entry.path();
        break;
      }
    }
    if (ec || match.empty()) return path;
    found = match;
  }
  return WString::FromUtf8(found.lexically_normal().string());
}

WString Joined(const WString& folder, const WString& path) {
  WString out = folder;
  if (!out.IsEmpty() && out[out.Length() - 1] != u'/') out.AppendChar(u'/');
  out.Append(path);
  return out;
}

WString ResolveByKind(const ExternalReferenceEntry& entry, const WString& hostFolder) {
  const WString stored = Portable(entry.storedPath);
  switch (entry.kind) {
    case 0: return MatchNoCase(stored);
    case 1: return MatchNoCase(GetFullPath(Joined(hostFolder, stored)));
    default: return MatchNoCase(ResolveFilePath(stored, hostFolder));
  }
}

std::unique_ptr<cSheet> Placeholder() { return std::make_unique<cSheet>(); }

// Only regular files are opened: a stored path may name a device or a pipe
// (/dev/zero never ends), which no drawing is.
bool RegularFile(const WString& path) {
  std::error_code ec;
  return !path.IsEmpty() && std::filesystem::is_regular_file(std::filesystem::path(path.ToUtf8()), ec);
}

// The user's pick among the sheets of a chosen file: "number - name".
int ChooseSheetOf(const cDrawingDoc& document, LoadQuestions* questions) {
  if (!questions) return 0;
  std::vector<WString> items;
  for (std::uint32_t i = 0; i < document.SheetCount(); ++i) {
    const cSheet* sheet = document.GetSheet(i);
    WString name = sheet ? sheet->Drawing().name : WString();
    MakeDefaultSheetName(name, i);
    WString item = FormatPercentD(WString(u"%d"), int(i + 1));
    item.AppendCStr(u" - ");
    item.Append(name);
    items.push_back(item);
  }
  return questions->ChooseSheet(items);
}

}  // namespace

ReferenceFileChooser SetReferenceFileChooser(ReferenceFileChooser chooser) {
  ReferenceFileChooser previous = g_chooser;
  g_chooser = chooser;
  return previous;
}

WString ResolveFilePath(const WString& path, const WString& folder) {
  if (path.IsEmpty()) return folder;
  if (path[0] == u'/') return GetFullPath(path);
  WString relative = path;
  if (!folder.IsEmpty() && MakeAbsolutePath(relative, folder)) return relative;
  const WString joined = Joined(folder, path);
  if (FileExists(joined)) return joined;
  if (FileExists(path)) return GetFullPath(path);
  WString fromProgram = path;
  ResolveFromProgramDirectory(fromProgram);
  return fromProgram;
}

void ReportNestedReference(LoadQuestions* questions, const std::vector<WString>& chain, const WString& current) {
  if (!questions) return;
  LoadQuestion question{kStrNestedReference, kMbOk | kMbIconError, WString(u"\n\n")};
  for (const WString& path : chain) {
    question.detail.Append(path);
    question.detail.AppendCStr(u"\n->\n");
  }
  question.detail.Append(current);
  questions->Ask(question);
}

bool LoadExternalReference(cDrawingDoc& host, const ExternalReferenceEntry& entry, const NativeReadOptions& options) {
  ReferenceContext local;
  auto* context = static_cast<ReferenceContext*>(options.referenceContext);
  if (!context) context = &local;
  LoadQuestions* questions = options.quiet ? nullptr : options.questions;

  WString hostFolder = options.hostPath.IsEmpty() ? host.filePath : options.hostPath;
  if (const int slash = hostFolder.ReverseFindChar(u'/'); slash >= 0) hostFolder = hostFolder.Mid(0, slash + 1);
  WString path = ResolveByKind(entry, hostFolder);
  bool leaveEmpty = false;
  for (const auto& [from, to] : context->substitutions) {
    if (from == path) {
      leaveEmpty = to.IsEmpty();
      path = to;
      break;
    }
  }

  std::unique_ptr<cSheet> sheet;
  if (!leaveEmpty && context->depth > 0) {
    // A reference inside a reference is not loaded; the user hears it once.
    if (!context->nestingShown) {
      context->nestingShown = true;
      ReportNestedReference(questions, context->loading, path);
    }
  } else if (!leaveEmpty) {
    if (!RegularFile(path)) {
      const WString beside = Joined(hostFolder, GetFileNamePart(path));
      if (RegularFile(beside)) path = beside;
    }
    const WString original = path;
    // A file the user chose shows the sheet the user picks from it.
    bool chosenFile = false;
    // However often the user asks to retry, the load ends at last.
    for (int round = 0; round < 100; ++round) {
      OpenRequest request;
      request.quiet = options.quiet;
      request.monitor = options.monitor;
      request.questions = options.questions;
      request.referenceContext = context;
      ++context->depth;
      context->loading.push_back(path);
      OpenOutcome outcome;
      std::unique_ptr<cDrawingDoc> document = RegularFile(path) ? OpenDrawingFile(path, request, outcome) : nullptr;
      context->loading.pop_back();
      --context->depth;
      if (document && chosenFile) {
        const int picked = document->SheetCount() < 2 ? 0 : ChooseSheetOf(*document, questions);
        if (picked >= 0 && std::uint32_t(picked) < document->SheetCount()) {
          sheet = document->DetachSheet(std::uint32_t(picked));
          // Later references to the missing file take the chosen one.
          context->substitutions.emplace_back(original, path);
          for (std::uint32_t i = 0; i < host.SheetCount(); ++i) host.GetSheet(i)->Drawing().MarkModified();
          break;
        }
        // No sheet picked: the question about the missing file comes again.
        document.reset();
        path = original;
        chosenFile = false;
      } else if (document) {
        if (entry.sheetIndex >= document->SheetCount()) return false;
        sheet = document->DetachSheet(entry.sheetIndex);
        break;
      }
      int answer = kIdCancel;
      if (questions) {
        LoadQuestion question{kStrReloadReference, kMbYesNoCancel | kMbIconError, WString(u"\n\n")};
        question.detail.Append(path);
        question.detail.AppendCStr(u"\n\n");
        question.detail.Append(LoadLangString(kStrSelectAnotherFile));
        answer = questions->Ask(question);
      }
      if (answer == kIdYes && round + 1 < 100) continue;
      if (answer == kIdNo && g_chooser) {
        const WString chosen = g_chooser(NearestExistingDirectory(path));
        if (chosen.IsEmpty()) continue;  // nothing chosen: asked again
        path = chosen;
        chosenFile = true;
        continue;
      }
      // Cancel, or nobody to ask: later references to the file stay empty
      // without asking again.
      context->substitutions.emplace_back(original, WString());
      break;
    }
  }
  if (!sheet) sheet = Placeholder();
  sheet->name = entry.sheetName;
  if (sheet->Drawing().name.IsEmpty()) sheet->Drawing().name = entry.sheetName;
  sheet->isReference = 1;
  sheet->referencedSheet = entry.sheetIndex;
  sheet->referencePath = path;
  host.AddSheet(std::move(sheet));
  return true;
}

}  // namespace kvn
