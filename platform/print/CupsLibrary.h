// The functions of libcups that the spooler and its jobs call, opened on the
// first call of one of them (see platform/RuntimeLibrary.h). <cups/cups.h>
// gives their types only; nothing links libcups at build time.
#pragma once

#include <cups/cups.h>

namespace kvn {

struct CupsLibrary {
  // Queues and their information.
  decltype(&::cupsGetDests2) getDests2 = nullptr;
  decltype(&::cupsGetNamedDest) getNamedDest = nullptr;
  decltype(&::cupsFreeDests) freeDests = nullptr;
  decltype(&::cupsCopyDestInfo) copyDestInfo = nullptr;
  decltype(&::cupsFreeDestInfo) freeDestInfo = nullptr;
  decltype(&::cupsFindDestDefault) findDestDefault = nullptr;
  decltype(&::cupsFindDestSupported) findDestSupported = nullptr;
  decltype(&::cupsCheckDestSupported) checkDestSupported = nullptr;
  decltype(&::cupsGetDestMediaDefault) getDestMediaDefault = nullptr;
  decltype(&::cupsGetDestMediaCount) getDestMediaCount = nullptr;
  decltype(&::cupsGetDestMediaByIndex) getDestMediaByIndex = nullptr;
  decltype(&::cupsLocalizeDestMedia) localizeDestMedia = nullptr;
  decltype(&::pwgMediaForSize) pwgMediaForSize = nullptr;
  // Attribute values.
  decltype(&::ippGetValueTag) ippGetValueTag = nullptr;
  decltype(&::ippGetCount) ippGetCount = nullptr;
  decltype(&::ippGetInteger) ippGetInteger = nullptr;
  decltype(&::ippGetString) ippGetString = nullptr;
  decltype(&::ippGetResolution) ippGetResolution = nullptr;
  // Errors.
  decltype(&::cupsLastError) lastError = nullptr;
  decltype(&::cupsLastErrorString) lastErrorString = nullptr;
  // Jobs: a connection of their own, options, the document and its end.
  decltype(&::cupsServer) server = nullptr;
  decltype(&::ippPort) ippPort = nullptr;
  decltype(&::cupsEncryption) encryption = nullptr;
  decltype(&::httpConnect2) httpConnect2 = nullptr;
  decltype(&::httpClose) httpClose = nullptr;
  decltype(&::cupsAddOption) addOption = nullptr;
  decltype(&::cupsFreeOptions) freeOptions = nullptr;
  decltype(&::cupsCreateDestJob) createDestJob = nullptr;
  decltype(&::cupsStartDestDocument) startDestDocument = nullptr;
  decltype(&::cupsWriteRequestData) writeRequestData = nullptr;
  decltype(&::cupsFinishDestDocument) finishDestDocument = nullptr;
  decltype(&::cupsCancelDestJob) cancelDestJob = nullptr;
};

// libcups with every function above, or null when it cannot be loaded (or a
// test hides it): the spooler then answers as a server without queues.
// Loaded once, safe from any thread.
const CupsLibrary* Cups();

}  // namespace kvn
