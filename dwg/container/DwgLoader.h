// The front door of the DWG reader: the version string picks the layout
// reader, which fills a DwgReader context; every refusal ends in one result
// code with the number of the step that failed. R13 to R2000 files are read
// here (the plain layout), R2004 to R2018 and R2007 by their paged-layout
// readers, R11 and R12 (AC1009) by the reader of old drawings
// (dwg/old/DwgOldReader.h); versions before R11 are refused as unsupported.
#pragma once

#include <cstdint>

#include "document/DocumentResult.h"
#include "foundation/WString.h"

namespace kvn {

class DwgReader;
class FormatRegistry;
struct FormatReadContext;
class InFileStream;
class ProgressMonitor;
struct DwgLoadReport;

// One section locator of the R13-R15 file header.
struct DwgLocator {
  std::uint32_t address = 0;
  std::uint32_t size = 0;
};
inline constexpr int kDwgLocators = 9;

bool ReadDwgFileHeaderR13(DwgReader& reader, InFileStream& in, DwgLocator (&locators)[kDwgLocators]);
bool ReadDwgContainerR13(DwgReader& reader, InFileStream& in);

// The result of a refusal: the code of the message, the step's number as
// the detail (none for 0).
DocumentResult ReportDwgError(int messageId, int detail);

// Reads the file; `report`, when given, receives what was found. A file read
// whole gives the document of the import's drawing assembly.
// `context`, when given, who answers the assembly's questions (view
// direction, external references) and the load's reference context.
DocumentResult LoadDwgFile(const WString& path, ProgressMonitor* monitor, DwgLoadReport* report,
                           const FormatReadContext* context = nullptr);
// The same over an open stream (in memory for the fuzz target).
DocumentResult LoadDwgStream(InFileStream& in, const WString& path, ProgressMonitor* monitor,
                             DwgLoadReport* report, const FormatReadContext* context = nullptr);

// Registers the reader in the dispatcher's DWG slot.
void RegisterDwgReader(FormatRegistry& registry);

}  // namespace kvn
