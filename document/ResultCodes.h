// Result codes of the native loaders and of the open dispatcher. 0 is
// success; every other value names the first fault met. Format faults of the
// container and the body are the small numbers; the four-digit codes are
// refusals and the dispatcher's own outcomes.
#pragma once

namespace kvn {

enum LoadResult : int {
  kLoadOk = 0,
  // The file does not open and the user did not go on.
  kLoadNotOpened = 1,
  // Body: a single-sheet stream without the magic.
  kLoadNoMagic = 2,
  // Body: the data ends inside a header line.
  kLoadHeaderLineCut = 3,
  // Body: a header line's CR is not followed by LF.
  kLoadHeaderLineBadEnd = 4,
  // Body: the data ends in the tagged settings section.
  kLoadTaggedSectionCut = 5,
  // Body: a tagged record is shorter than its length.
  kLoadTaggedRecordCut = 6,
  // Body: the data ends inside the first or the second list of reals.
  kLoadFirstRealListCut = 7,
  kLoadSecondRealListCut = 8,
  // Body: old 8-bit attribute text longer than the data.
  kLoadOldAttributeTextCut = 9,
  // Container or body: the attribute list or text is unreadable.
  kLoadAttributesBad = 10,
  // Attributes-only reading found nothing after the attributes.
  kLoadNothingAfterAttributes = 11,
  // Body: the old style section is unreadable.
  kLoadOldStylesBad = 18,
  // Body: the data ends inside the page records.
  kLoadPagesCut = 19,
  // Stored and computed checksums differ.
  kLoadChecksumMismatch = 20,
  // Body: the content (blocks, top block, style lists) is unreadable.
  kLoadContentBad = 21,
  // An external reference was given up.
  kLoadReferenceGivenUp = 999,
  // The drawing is a block library.
  kLoadIsLibraryDrawing = 2001,
  // An OLE compound file: a drawing saved by a version before 4.50.
  kLoadTooOld = 2002,
  // Written by a newer version than this program's.
  kLoadTooNew = 2003,
  // References beyond the block table, and the user did not go on.
  kLoadBlocksDeclined = 2020,
  // Version 3086, which is never read.
  kLoadVersion3086 = 2626,
  // A block-library container.
  kLoadLibraryContainer = 2999,
  // Internal: the file load found the OLE signature; the native load turns it
  // into kLoadTooOld.
  kLoadOleSignature = 9999,
  // Dispatcher: the file does not open, or a CAD reader gave nothing.
  kOpenNotReadable = 5001,
  // Dispatcher: the DGN reader gave nothing.
  kOpenDgnFailed = 5002,
  // Dispatcher: the picture import gave nothing.
  kOpenPictureFailed = 5004,
  // Dispatcher: a block library, and the caller asked to be told.
  kOpenLibraryDetected = 5005,
  // Dispatcher: the user cancelled the load (no message).
  kOpenCancelled = 5006,
  // A reader's cause: the format is recognised but no reader for it is in
  // the program yet.
  kOpenUnsupportedFormat = 5007,
  // A cause: the file is empty.
  kOpenEmptyFile = 5008,
  // The DWG reader's refusals. The numbers are shared with other outcomes,
  // so they come with the cause kOpenDwgRefused; the detail holds the
  // number of the step that failed, when there is one.
  kOpenDwgCorrupted = 5002,
  kOpenDwgEncrypted = 5003,
  kOpenDwgNotDwg = 5004,
  kOpenDwgUnsupported = 5005,
  kOpenDwgRefused = 5009,
  // A cause: the picture import met a file it could not decode.
  kOpenUnknownFileFormat = 5010,
  // Causes of a DGN refusal: a DGN V8 file (an OLE compound file), and a
  // file that is no V7 design file.
  kOpenDgnV8 = 5011,
  kOpenDgnNotDgn = 5012,
  // A cause: a picture whose bitmap would pass the memory threshold, refused
  // from its header; the detail holds the bytes it would take.
  kOpenPictureTooLarge = 5016,
  // A cause: a metafile above 20,000,000 bytes, refused unread.
  kOpenMetafileTooBig = 5017,
};

}  // namespace kvn
