// Pictures written as PNG or TIFF, into memory or into a file, by the
// pixel-format table of EncodeDibAsContainer (platform/image/ImageCodecs.h).
// Failures are told by number ("GdiPlus error #%d", with a parent window):
// 501 no memory stream, 504 the stream's memory not reachable, 510 the
// stream empty or unreadable, 511 the encoder failed.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/GrowArray.h"
#include "foundation/WString.h"
#include "platform/image/ImageCodecs.h"

namespace kvn {

class cMsgDlg;

inline constexpr int kEncodeErrorStream = 501;
inline constexpr int kEncodeErrorMemory = 504;
inline constexpr int kEncodeErrorRead = 510;
inline constexpr int kEncodeErrorEncoder = 511;

// The encoded bytes, or null (with the error number in `error` when given).
std::unique_ptr<ByteArray> EncodeDibToMemory(const cMsgDlg* parent, const TDib& dib, const TDib* alphaMask,
                                             PictureContainer container, int* error = nullptr);
std::unique_ptr<ByteArray> EncodePngToMemory(const cMsgDlg* parent, const TDib& dib, const TDib* alphaMask);
// False when nothing was encoded ("Cannot save the file:" and the name shown
// with a parent) or the file was not written completely.
bool EncodeDibToFile(const cMsgDlg* parent, const WString& fileName, const TDib& dib, const TDib* alphaMask,
                     PictureContainer container);
// Pictures of other depths than 24 bits are converted to 24 first.
bool EncodeDibAsPngFile(const cMsgDlg* parent, const WString& fileName, const TDib& dib, const TDib* alphaMask);
bool EncodeDibAsTiffFile(const cMsgDlg* parent, const WString& fileName, const TDib& dib, const TDib* alphaMask);

}  // namespace kvn
