// FormatReader: one record per file format the open dispatcher reads, and
// the registry that holds them in probe order. The dispatcher asks each
// reader's probe in turn (the stream rewound before each); the first that
// recognises the file loads it. Registration order does not matter: a
// reader's slot fixes its place in the probe order, so that recognisers of
// strong signatures come before the ones of weak signatures or extensions,
// and the picture import, which takes anything, comes last.
//
// The registry starts with the readers of document/ (see
// document/DocumentReaders.h); InstallReaders (dwg/InstallReaders.h) adds
// the foreign readers of import/ and dwg/. Registering a reader under the
// name of one already there replaces it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "document/DocumentResult.h"
#include "foundation/WString.h"

namespace kvn {

class InFileStream;
class LoadQuestions;
class ProgressMonitor;
struct DwgLoadReport;

// Places in the probe order, first probed first.
enum class FormatSlot : std::uint8_t {
  kDwg,       // version string in the first six bytes
  kDxf,       // the DXF probe of the group-code reader
  kDgn,       // the ".dgn" extension
  kNative,    // the native magic, or an OLE compound file named ".kvn"/".kni"
  kMetafile,  // enhanced and Windows metafiles
  kPicture,   // anything else: the picture import
};

// What a reader is given besides the path. Readers show no window: they
// report through the monitor and ask through `questions`.
struct FormatReadContext {
  ProgressMonitor* monitor = nullptr;
  // Never null while a reader runs.
  LoadQuestions* questions = nullptr;
  // A missing native file may give an empty document when the user agrees.
  bool allowMissing = false;
  // Nobody is asked anything (external references are given up quietly).
  bool quiet = false;
  // The caller wants to be told of a block library instead of a refusal.
  bool wantLibraryFlag = false;
  // The reference context of a top-level load (external references).
  void* referenceContext = nullptr;
  // The version to assume for a native stream without a container header.
  int assumedVersion = 0;
  // What the DWG reader found, when the caller wants it.
  DwgLoadReport* dwgReport = nullptr;
};

struct FormatReader {
  // Unique; also what kvn-dump and tests call the reader.
  std::string name;
  FormatSlot slot = FormatSlot::kPicture;
  // Whether the file is this reader's; the stream is at its start.
  bool (*probe)(InFileStream& in, const WString& path) = nullptr;
  DocumentResult (*load)(const WString& path, const FormatReadContext& context) = nullptr;
};

class FormatRegistry {
 public:
  // Adds the reader at its slot's place (after the readers already in that
  // slot), or replaces the reader of the same name.
  void Register(const FormatReader& reader);
  // False when no reader has that name.
  bool Remove(const std::string& name);
  void Clear() { readers_.clear(); }
  const FormatReader* Find(const std::string& name) const;
  // The first reader whose probe recognises the file; null for none.
  const FormatReader* Probe(InFileStream& in, const WString& path) const;
  const std::vector<FormatReader>& InProbeOrder() const { return readers_; }

 private:
  std::vector<FormatReader> readers_;
};

// The registry of the program, holding the readers of document/ from the
// start.
FormatRegistry& GetFormatRegistry();

// Keeps the program's registry as it is and puts it back on destruction
// (tests that register readers of their own).
class ScopedFormatRegistry {
 public:
  ScopedFormatRegistry() : saved_(GetFormatRegistry()) {}
  ~ScopedFormatRegistry() { GetFormatRegistry() = saved_; }
  ScopedFormatRegistry(const ScopedFormatRegistry&) = delete;
  ScopedFormatRegistry& operator=(const ScopedFormatRegistry&) = delete;

 private:
  FormatRegistry saved_;
};

}  // namespace kvn
