// The native drawing file (".kvn") and block library (".kni"): one container
// format, a text header followed by a checksummed, bit-packed archive stream.
//
// Container layout (offsets from the container's start):
//    0  10 bytes  magic "QUARN-S1\r\n"
//   10   8 bytes  "Version="
//   18   4 bytes  the file version, four ASCII digits
//   22   3 bytes  skipped (written CR, LF, 0)
//   25            the archive stream, checksummed from here on
// Streams without that header, and containers older than 3065, are
// single-sheet files: the same magic followed by "key=value" CR LF lines,
// ended by a line that starts with a zero byte, then the drawing body.
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

class InFileStream;
class LoadQuestions;
class ProgressMonitor;

inline constexpr char kNativeMagic[] = "QUARN-S1\r\n";
inline constexpr std::uint32_t kNativeMagicLength = 10;
inline constexpr char kVersionKey[] = "Version=";
inline constexpr std::uint32_t kVersionKeyLength = 8;
// The newest file version; the version of every new document.
inline constexpr int kProgramFileVersion = 3111;
// Containers below this version are read in the single-sheet form.
inline constexpr int kFirstContainerVersion = 3065;

// Message texts of the native loaders.
inline constexpr int kStrFileNewerVersion = 16012;
inline constexpr int kStrLibraryRefused = 19764;
inline constexpr int kStrDrawingTooOld = 19768;
inline constexpr int kStrTooManyBlocks = 19770;
inline constexpr int kStrCannotOpenDrawing = 19771;  // "Cannot open file."
inline constexpr int kStrMissingFileQuestion = 16000;

// How one native read runs.
struct NativeReadOptions {
  // Who answers the readers' questions; null answers "stop". The readers
  // show no message: a failure is their result code.
  LoadQuestions* questions = nullptr;
  ProgressMonitor* monitor = nullptr;
  // The version to assume for a stream without a container header (0: the
  // header lines say it).
  int assumedVersion = 0;
  bool quiet = false;
  // Leaves the drawings' summaries as they are after reading.
  bool keepSummary = false;
  // The reference context of a top-level load (external references), may be null.
  void* referenceContext = nullptr;
  // The file being read: references are resolved against its folder.
  WString hostPath;
};

// Whether the 10 bytes are the native magic.
bool IsNativeMagic(const std::uint8_t* bytes, std::uint32_t length);

// Reads the header of a library container: 1 not a container (or older than
// 3070), 2 newer than this program, 3 a drawing, 0 a library (with its
// comment).
int ReadLibraryHeader(InFileStream& in, WString& comment);

// The comment escape of the single-sheet header: every "\`" pair before a
// character is removed and makes that character 32 lower.
AString UnescapeHeaderComment(const AString& text);

// The font-weight rule of the drawing settings, and its reverse.
std::uint8_t FontWeightFromStored(std::uint8_t stored);
std::uint8_t FontWeightToStored(std::uint8_t weight);

}  // namespace kvn
