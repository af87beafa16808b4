// External references: a sheet of a native document that names another
// drawing file and the sheet of it to show. The referenced file is opened
// through the open dispatcher and its sheet taken into the host document;
// a reference inside a reference is refused, and a missing file leaves an
// empty placeholder sheet once the user gives it up.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "foundation/WString.h"

namespace kvn {

class cDrawingDoc;
class LoadQuestions;
struct NativeReadOptions;

struct ExternalReferenceEntry {
  WString sheetName;
  WString storedPath;
  // 0 the path as stored, 1 relative to the host's folder, 2 the old rule
  // of files before 3084.
  int kind = 2;
  std::uint16_t sheetIndex = 0;
};

// One per top-level load, shared by the loads it starts.
struct ReferenceContext {
  bool nestingShown = false;
  int depth = 0;
  std::vector<WString> loading;  // the paths being loaded, outermost first
  // Reference paths and what stands for them; an empty one: leave empty.
  std::vector<std::pair<WString, WString>> substitutions;
};

// Appends the sheet that shows the reference to the host document. False
// only when the referenced file opened but has too few sheets.
bool LoadExternalReference(cDrawingDoc& host, const ExternalReferenceEntry& entry, const NativeReadOptions& options);

// An empty path gives the folder; else the path taken relative to the
// folder, or the folder's text followed by the path when that file exists,
// or the path itself when it exists, else relative to the program's folder.
// Stored Windows paths (backslashes, drive letters) are read as such.
WString ResolveFilePath(const WString& path, const WString& folder);

// The file the user picks for a missing reference, starting in the folder;
// empty when none. Installed by the shell; without one a missing reference
// is given up.
using ReferenceFileChooser = WString (*)(const WString& startFolder);
ReferenceFileChooser SetReferenceFileChooser(ReferenceFileChooser chooser);

// Tells the user (through `questions`) that a reference refers to another
// one: text 18402, then the chain of files and the current one.
void ReportNestedReference(LoadQuestions* questions, const std::vector<WString>& chain, const WString& current);

}  // namespace kvn
