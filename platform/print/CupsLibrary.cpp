#include "platform/print/CupsLibrary.h"

#include "platform/RuntimeLibrary.h"

namespace kvn {

namespace {

void ResolveCups(RuntimeLibrary& library, CupsLibrary& f) {
  library.Resolve(f.getDests2, "cupsGetDests2");
  library.Resolve(f.getNamedDest, "cupsGetNamedDest");
  library.Resolve(f.freeDests, "cupsFreeDests");
  library.Resolve(f.copyDestInfo, "cupsCopyDestInfo");
  library.Resolve(f.freeDestInfo, "cupsFreeDestInfo");
  library.Resolve(f.findDestDefault, "cupsFindDestDefault");
  library.Resolve(f.findDestSupported, "cupsFindDestSupported");
  library.Resolve(f.checkDestSupported, "cupsCheckDestSupported");
  library.Resolve(f.getDestMediaDefault, "cupsGetDestMediaDefault");
  library.Resolve(f.getDestMediaCount, "cupsGetDestMediaCount");
  library.Resolve(f.getDestMediaByIndex, "cupsGetDestMediaByIndex");
  library.Resolve(f.localizeDestMedia, "cupsLocalizeDestMedia");
  library.Resolve(f.pwgMediaForSize, "pwgMediaForSize");
  library.Resolve(f.ippGetValueTag, "ippGetValueTag");
  library.Resolve(f.ippGetCount, "ippGetCount");
  library.Resolve(f.ippGetInteger, "ippGetInteger");
  library.Resolve(f.ippGetString, "ippGetString");
  library.Resolve(f.ippGetResolution, "ippGetResolution");
  library.Resolve(f.lastError, "cupsLastError");
  library.Resolve(f.lastErrorString, "cupsLastErrorString");
  library.Resolve(f.server, "cupsServer");
  library.Resolve(f.ippPort, "ippPort");
  library.Resolve(f.encryption, "cupsEncryption");
  library.Resolve(f.httpConnect2, "httpConnect2");
  library.Resolve(f.httpClose, "httpClose");
  library.Resolve(f.addOption, "cupsAddOption");
  library.Resolve(f.freeOptions, "cupsFreeOptions");
  library.Resolve(f.createDestJob, "cupsCreateDestJob");
  library.Resolve(f.startDestDocument, "cupsStartDestDocument");
  library.Resolve(f.writeRequestData, "cupsWriteRequestData");
  library.Resolve(f.finishDestDocument, "cupsFinishDestDocument");
  library.Resolve(f.cancelDestJob, "cupsCancelDestJob");
}

}  // namespace

const CupsLibrary* Cups() {
  static const RuntimeFunctions<CupsLibrary> cups("libcups.so.2", ResolveCups);
  return cups.Get();
}

}  // namespace kvn
