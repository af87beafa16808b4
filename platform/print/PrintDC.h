// TPrintDC_: the printer device context. A cairo PDF surface whose unit is
// one printer dot, every page the size of the medium, with the document
// calls of a spooler: StartDoc creates the job on the queue (or opens the
// output file of "print to file", which receives the same PDF) and streams
// the document while pages end; EndDoc finishes it and reads the server's
// answer; AbortDoc cancels the job. Every failure answers a spooler code
// (kSpError .. kSpOutOfMemory) and keeps the server's or the system's words
// for it (SystemText).
#pragma once

#include <cairo-pdf.h>
#include <cairo.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "foundation/CountingAlloc.h"
#include "foundation/WString.h"
#include "platform/gdi/CairoDC.h"
#include "platform/print/PageGroupFilter.h"
#include "platform/print/Spooler.h"

namespace kvn {

// What the PDF stream writes into: held apart from the context so that it
// exists before the surface is made and after the surface is gone.
class PrintStream {
 protected:
  static cairo_status_t WriteChunk(void* closure, const unsigned char* data, unsigned int length);
  bool Deliver(const std::uint8_t* data, std::size_t size);
  // Passes on what the page filter still holds, at the document's end.
  bool DeliverHeld();

  // Everything the surface writes goes through it (PageGroupFilter.h).
  PageGroupFilter groups_;
  std::vector<std::uint8_t> filtered_;

  std::unique_ptr<SpoolerJob> job_;
  std::FILE* file_ = nullptr;
  // While a page is written, every chunk of it first reaches this context's
  // abort procedure, as a spooler's does: the surface writes a page only
  // when the page ends, which takes most of a long vector page's time (1 M
  // lines: 2.6 of 3.0 s). A stop ends the document with kSpAppAbort.
  TDC* answering_ = nullptr;
  // What the surface wrote before the document started.
  std::vector<std::uint8_t> pending_;
  // Everything the surface wrote, whether it reached anything or not.
  std::uint64_t surfaceBytes_ = 0;
  bool started_ = false;
  bool closed_ = false;
  int streamCode_ = 1;
  std::string streamText_;
};

// The page of a job in millimetres: the paper, and the printable area with
// its offset from the paper's corner. As on a printer, the context's origin
// is the printable area's corner and its size the printable area's.
struct PrintPageSetup {
  double paperWidthMm = 210, paperHeightMm = 297;
  int dpiX = 600, dpiY = 600;
  double printableWidthMm = 0, printableHeightMm = 0;  // 0: the paper's
  double offsetXMm = 0, offsetYMm = 0;
};

class TPrintDC_ : private PrintStream, public CairoDC {
 public:
  // A context for the queue with its settings; nothing reaches the server
  // before StartDoc.
  TPrintDC_(std::string queue, const PrinterSettings& settings, const PrintPageSetup& page);
  ~TPrintDC_() override;

  // > 0 on success. With an output file the document goes there instead of
  // the queue.
  int StartDoc(const WString& documentName, const WString& outputFile);
  int StartPage();
  int EndPage();
  int EndDoc();
  int AbortDoc();

  // The server's or the system's words for the last failure; empty when none.
  const std::string& SystemText() const { return streamText_; }
  // The surface could be made.
  bool Valid() const;
  int PagesEnded() const { return pagesEnded_; }
  // The bytes the surface has written so far, those that reached nothing
  // after the document ended included: what finishing or tearing down the
  // surface still costs shows here.
  std::uint64_t SurfaceBytes() const { return surfaceBytes_; }

  // The page's memory watch, while on. The PDF surface keeps every
  // operation of a page until it ends, in cairo's own memory, beside the
  // counting heap; the page's drawing is counted and, every kWatchStep bytes
  // of it, the process's resident memory is read. Past the ceiling the rest
  // of the page reaches nothing, and PageOverflowed() tells: the page cannot
  // be printed as it is. StartPage clears it.
  void SetPageWatch(bool on) { watch_ = on; }
  bool PageOverflowed() const { return overflowed_; }
  // Whether a page whose drawing counted `count` fits beside what the
  // process holds now.
  static bool PageFits(const OutputCount& count);

  // The page being drawn goes to the printer without a transparency group
  // (PageGroupFilter.h): a page of the vector road, which promises vectors
  // without transparency; other pages keep cairo's group. StartPage clears
  // it.
  void DropPageGroup() { dropGroup_ = true; }

 private:
  static cairo_surface_t* MakeSurface(PrintStream* stream, const PrintPageSetup& page);
  int Fail(int code, std::string text);
  int SurfaceCode();
  void AfterOutput(std::uint64_t points) override;

  std::string queue_;
  PrinterSettings settings_;
  PrintPageSetup page_;
  bool inPage_ = false;
  bool ended_ = false;
  int pagesEnded_ = 0;
  bool watch_ = false;
  bool overflowed_ = false;
  bool dropGroup_ = false;
  std::uint64_t pageBytes_ = 0;
  std::uint64_t nextWatch_ = 0;
};

// What the PDF surface keeps of a page until it ends, measured with cairo
// 1.16 on the resident memory: one recorded operation with its copies of
// the source, clip and style, and one point of a recorded path (a line
// stroked on its own, 100,000 and 200,000 of them, kept 1,066 bytes; a line
// of a joined run 18.5 bytes, over one and two million).
inline constexpr std::uint64_t kRecordedBytesPerOperation = 1050;
inline constexpr std::uint64_t kRecordedBytesPerPoint = 10;
std::uint64_t RecordedPageBytes(const CairoDC::OutputCount& count);
// The resident memory a printing process may reach while a page is kept:
// the counting heap's low-memory threshold, so that a print stops where an
// import stops.
inline constexpr std::uint64_t kPrintResidentCeiling = kLowMemoryThreshold;
// The process's resident memory in bytes (/proc/self/statm): the counting
// heap sees only the program's own blocks, while cairo allocates beside it.
// 0 when it cannot be read.
std::uint64_t ResidentBytes();
// Resident memory is read again after this many bytes of a page.
inline constexpr std::uint64_t kWatchStep = 16 << 20;

namespace print_testing {
// The ceiling in place of kPrintResidentCeiling (0 restores it), so that a
// test meets it with a small page.
void SetResidentCeiling(std::uint64_t bytes);
// What the fit check and the page watch read as the process's resident
// memory, in place of ResidentBytes() (null restores it), so that a test
// holds the process at a size of its choosing.
void SetResidentReader(std::function<std::uint64_t()> reader);
}  // namespace print_testing

// A context sized by the setup's printable area: dots = millimetres x dpi /
// 25.4, rounded.
DeviceCaps PrinterCaps(const PrintPageSetup& page);

}  // namespace kvn
