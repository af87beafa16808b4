// ReadMetafileAsEmf: a picture stored as an enhanced metafile, a placeable
// Windows metafile or a plain Windows metafile, as the bits of an enhanced
// metafile.
//
// The kind is decided by content, EMF first: bytes that start with an
// EMR_HEADER carrying the " EMF" signature are an enhanced metafile and
// nothing else, so a damaged or truncated one is refused rather than read
// again as a Windows metafile. Every result, read or converted, has passed
// ValidateEmf.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/GrowArray.h"
#include "foundation/WString.h"

namespace kvn {

class InFileStream;
class cMsgDlg;

// Pictures above this many bytes are refused with kPictureTooBigMessage.
inline constexpr std::uint64_t kMaxMetafileBytes = 20'000'000;
inline constexpr const char16_t* kPictureTooBigMessage =
    u"Chyba, obrázek je příliš velký.\n\nError, picture is too big.";

// Reads from the stream's position to its end. Null when the bytes are
// neither kind of metafile, are damaged, cannot be read or converted, or are
// too big (then the message is shown, owned by `owner`, with the error icon).
// A Windows metafile cut short at a record boundary gives what could be
// read. A text record whose string or spacing lies outside it is dropped
// alone, from either kind. `partial`, when given, asks for what can be read
// of a damaged picture and says whether it was read in part: a Windows
// metafile cut, ended early or holding a damaged text record
// (ConvertWmfToEmf); an enhanced metafile holding a damaged text record,
// whose end record ends before its header's byte count (records lost to an
// early end record; bytes past that count are not the picture's), or whose
// records walked to its end record are not as many as its header counts
// (an early end record, or records swallowed by a record grown over them).
// `tooBig`, when given, learns whether the picture was refused for its size,
// and the message is then left to the caller, which tells it once with
// whatever else it tells.
std::unique_ptr<ByteArray> ReadMetafileAsEmf(InFileStream& stream, const cMsgDlg* owner, bool* partial = nullptr,
                                             bool* tooBig = nullptr);

// MulDiv as the picture size needs it: a x b / c rounded half away from
// zero in 64 bits; -1 when c is 0 or the result does not fit 32 bits.
std::int32_t MulDivRound(std::int32_t a, std::int32_t b, std::int32_t c);

}  // namespace kvn
