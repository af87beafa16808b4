// Registration of the foreign-format readers of this subsystem with the
// open dispatcher's registry (called by InstallReaders, dwg/InstallReaders.h).
#pragma once

namespace kvn {

class FormatRegistry;

void RegisterImportReaders(FormatRegistry& registry);

}  // namespace kvn
