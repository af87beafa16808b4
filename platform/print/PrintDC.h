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
#include <memory>
#include <string>
#include <vector>

#include "foundation/WString.h"
#include "platform/gdi/CairoDC.h"
#include "platform/print/Spooler.h"

namespace kvn {

// What the PDF stream writes into: held apart from the context so that it
// exists before the surface is made and after the surface is gone.
class PrintStream {
 protected:
  static cairo_status_t WriteChunk(void* closure, const unsigned char* data, unsigned int length);
  bool Deliver(const std::uint8_t* data, std::size_t size);

  std::unique_ptr<SpoolerJob> job_;
  std::FILE* file_ = nullptr;
  // What the surface wrote before the document started.
  std::vector<std::uint8_t> pending_;
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

 private:
  static cairo_surface_t* MakeSurface(PrintStream* stream, const PrintPageSetup& page);
  int Fail(int code, std::string text);
  int SurfaceCode();

  std::string queue_;
  PrinterSettings settings_;
  PrintPageSetup page_;
  bool inPage_ = false;
  bool ended_ = false;
  int pagesEnded_ = 0;
};

// A context sized by the setup's printable area: dots = millimetres x dpi /
// 25.4, rounded.
DeviceCaps PrinterCaps(const PrintPageSetup& page);

}  // namespace kvn
