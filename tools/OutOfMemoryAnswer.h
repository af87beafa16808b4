// The one JSON answer of a diagnostic tool (kvn-dump, kvn-render) when the
// heap refuses a request for good: the allocator's fatal callback writes it
// and the process ends with the allocator's exit code. The answer is the
// refusal the viewer shows when an open runs the memory out (the language
// tables' text, after "Cannot open file." and the path), with the most bytes
// held; it is made while memory is still there, and written without
// allocating (the number is formatted on the stack, the pieces go out
// through write(2)).
// Header-only: each tool is one source compiled on its own.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <string>

#include "document/DocumentResult.h"
#include "document/OpenFailureMessage.h"
#include "document/ResultCodes.h"
#include "foundation/CountingAlloc.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "foundation/WString.h"
#include "import/records/ImportLosses.h"
#include "tools/JsonText.h"

namespace kvn::tool {

namespace out_of_memory {

// The answer before and after the number of bytes (none when the text has
// no place for it).
inline std::string gBefore, gAfter;
inline bool gWithNumber = true;

inline void WriteAll(const char* bytes, std::size_t n) {
  while (n > 0) {
    const ssize_t written = ::write(STDOUT_FILENO, bytes, n);
    if (written <= 0) return;
    bytes += written;
    n -= std::size_t(written);
  }
}

inline void WriteAnswer() {
  WriteAll(gBefore.data(), gBefore.size());
  if (!gWithNumber) {
    WriteAll(gAfter.data(), gAfter.size());
    return;
  }
  char digits[24];
  std::size_t at = sizeof digits;
  std::uint64_t peak = GetPeakAllocatedBytes();
  do {
    digits[--at] = char('0' + peak % 10);
    peak /= 10;
  } while (peak != 0 && at > 0);
  WriteAll(digits + at, sizeof digits - at);
  WriteAll(gAfter.data(), gAfter.size());
}

}  // namespace out_of_memory

// Prepares the answer for the file `path` and installs the callback that
// writes it. `head` opens the JSON object up to the message, for example
// "{\"result\": 5001, \"message\": ". Call after the language is chosen.
inline void AnswerOutOfMemory(const WString& path, const std::string& head) {
  // A character no text holds stands for the number while the message is
  // made; the JSON form of its last occurrence (the path comes before the
  // text) marks where the number goes.
  const WString detail = FormatPercentS(LoadLangString(kStrOutOfMemory), WString(u"\u0001"));
  const DocumentResult refusal = DocumentResult::Failure(kOpenNotReadable, kOpenNotReadable, detail);
  std::string json;
  AppendJsonString(json, MakeOpenFailureMessage(refusal, path).text.ToUtf8());
  const std::string marker = "\\u0001";
  const std::size_t at = json.rfind(marker);
  if (at == std::string::npos) {
    out_of_memory::gBefore = head + json;
    out_of_memory::gAfter = "}\n";
    out_of_memory::gWithNumber = false;
  } else {
    out_of_memory::gBefore = head + json.substr(0, at);
    out_of_memory::gAfter = json.substr(at + marker.size()) + "}\n";
  }
  SetFatalMemoryCallback(&out_of_memory::WriteAnswer);
}

}  // namespace kvn::tool
