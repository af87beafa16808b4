// Driver escapes and pass-through picture data: no target of ours is a driver that takes pictures as JPEG
// or PNG data, so every escape is "not supported"; the recording target
// answers as its test says.
#include <cstring>
#include <string>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/gdi/TDib.h"

namespace kvn {

int TDC::ExtEscape(int, int, const void*, int, void*) { return 0; }

int TDC::StretchDIBitsData(int, int, int, int, int, int, int, int, const DibHeader&, const std::uint8_t*, std::uint32_t,
                           std::uint32_t) {
  return 0;
}

int RecordingDC::StretchDIBitsData(int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                                   int sourceHeight, const DibHeader& header, const std::uint8_t* data,
                                   std::uint32_t size, std::uint32_t rop) {
  const char* kind = header.compression == kBiJpeg ? "JPEG" : header.compression == kBiPng ? "PNG" : "other";
  Log("StretchDIBitsData " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(width) + " " +
      std::to_string(height) + " " + std::to_string(sourceX) + " " + std::to_string(sourceY) + " " +
      std::to_string(sourceWidth) + " " + std::to_string(sourceHeight) + " data(" + kind + " " +
      std::to_string(data ? size : 0) + ") " + (rop == kSrcCopy ? "SRCCOPY" : std::to_string(rop)));
  return sourceHeight < 0 ? -sourceHeight : sourceHeight;
}

int RecordingDC::ExtEscape(int escape, int inputSize, const void* input, int outputSize, void* output) {
  if (escape == kQueryEscSupport) {
    int asked = 0;
    if (input != nullptr && inputSize >= 4) asked = le::I32(static_cast<const std::uint8_t*>(input));
    const auto it = supportedEscapes.find(asked);
    const int answer = it == supportedEscapes.end() ? 0 : it->second;
    Log("ExtEscape QUERYESCSUPPORT " + std::to_string(asked) + " -> " + std::to_string(answer));
    return answer;
  }
  const auto it = escapeResults.find(escape);
  const int answer = it == escapeResults.end() ? 0 : it->second;
  if (output != nullptr && outputSize >= 4) le::Put32(static_cast<std::uint8_t*>(output), escapeOutput);
  Log("ExtEscape " + std::to_string(escape) + " in(" + std::to_string(inputSize) + ") -> " + std::to_string(answer));
  return answer;
}

}  // namespace kvn
