// The one message a failed open shows: made from the result alone, so that
// the dispatcher shows it and kvn-dump prints the same text. Where the
// result has a text of its own (a block library, an old or a newer
// version) that text is the message; otherwise "Cannot open file." and the
// path are followed by the reason the reader knows, after an empty line.
#pragma once

#include <cstdint>

#include "document/DocumentResult.h"
#include "foundation/WString.h"

namespace kvn {

class cMsgDlg;

// The reasons.
inline constexpr int kStrReasonUnknownFormat = 19780;
inline constexpr int kStrReasonDamaged = 19781;  // with %d, the result
inline constexpr int kStrReasonNotOpened = 19782;
inline constexpr int kStrReasonNoReaderYet = 19783;  // with %s, the format
inline constexpr int kStrReasonDgnFailed = 19784;
// The DGN reader's refusals: a V8 file, and a file that is no DGN.
inline constexpr int kStrDgnV8Refused = 18174;
inline constexpr int kStrDgnNotDgn = 19134;
inline constexpr int kStrReasonPictureFailed = 19785;
inline constexpr int kStrReasonCadFailed = 19786;
inline constexpr int kStrReasonBlocksDeclined = 19787;
inline constexpr int kStrReasonVersion3086 = 19788;
inline constexpr int kStrReasonReferenceGivenUp = 19789;
inline constexpr int kStrReasonChecksum = 19790;
inline constexpr int kStrReasonReaderResult = 19791;  // with %d, the result
inline constexpr int kStrReasonEmptyFile = 19792;
// "Unknown file format": a picture that does not decode; with the name of
// the format it was recognised as, that its data are damaged (%s).
inline constexpr int kStrReasonUnknownFileFormat = 16082;
inline constexpr int kStrReasonPictureDamaged = 19798;
// A picture too large to hold (%s: the bytes its pixels would take).
inline constexpr int kStrReasonPictureTooLarge = 19826;
// A file named .dgn that is no DGN design file.
inline constexpr int kStrReasonNotDgn = 19799;
// The DWG reader's messages, and the word before a step number.
inline constexpr int kStrDwgUnsupportedVersion = 19890;
inline constexpr int kStrDwgNotDwg = 19892;
inline constexpr int kStrDwgEncrypted = 19893;
inline constexpr int kStrDwgCorrupted = 19894;
inline constexpr int kStrDwgError = 19895;

struct OpenFailureMessage {
  // Empty: the result shows no message (success, the user's cancel).
  WString text;
  std::uint32_t style = 0;
};

// In the current language.
OpenFailureMessage MakeOpenFailureMessage(const DocumentResult& result, const WString& path);

// Shows the message of a failed result with `owner` (nothing for a result
// without one).
void ShowOpenFailure(const cMsgDlg* owner, const DocumentResult& result, const WString& path);

}  // namespace kvn
