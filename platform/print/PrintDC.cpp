#include "platform/print/PrintDC.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>

#include <utility>

#include "foundation/PathBytes.h"

namespace kvn {

namespace {

constexpr double kPointsPerInch = 72.0;

std::uint64_t residentCeiling = kPrintResidentCeiling;
std::function<std::uint64_t()> residentReader;

std::uint64_t Resident() { return residentReader ? residentReader() : ResidentBytes(); }

int CodeForErrno(int error) {
  if (error == ENOSPC || error == EDQUOT) return kSpOutOfDisk;
  if (error == ENOMEM) return kSpOutOfMemory;
  return kSpError;
}

}  // namespace

std::uint64_t ResidentBytes() {
  std::FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return 0;
  unsigned long long size = 0, resident = 0;
  const bool read = std::fscanf(f, "%llu %llu", &size, &resident) == 2;
  std::fclose(f);
  const long page = sysconf(_SC_PAGESIZE);
  return read && page > 0 ? std::uint64_t(resident) * std::uint64_t(page) : 0;
}

void print_testing::SetResidentCeiling(std::uint64_t bytes) {
  residentCeiling = bytes != 0 ? bytes : kPrintResidentCeiling;
}

void print_testing::SetResidentReader(std::function<std::uint64_t()> reader) { residentReader = std::move(reader); }

std::uint64_t RecordedPageBytes(const CairoDC::OutputCount& count) {
  return count.operations * kRecordedBytesPerOperation + count.points * kRecordedBytesPerPoint;
}

bool TPrintDC_::PageFits(const OutputCount& count) {
  return Resident() + RecordedPageBytes(count) <= residentCeiling;
}

void TPrintDC_::AfterOutput(std::uint64_t points) {
  if (!watch_ || GetReach() != Reach::Surface) return;
  pageBytes_ += RecordedPageBytes(OutputCount{1, points});
  if (pageBytes_ < nextWatch_) return;
  nextWatch_ = pageBytes_ + kWatchStep;
  if (Resident() > residentCeiling) {
    overflowed_ = true;
    SetReach(Reach::Nowhere);
  }
}

cairo_status_t PrintStream::WriteChunk(void* closure, const unsigned char* data, unsigned int length) {
  auto* self = static_cast<PrintStream*>(closure);
  self->surfaceBytes_ += length;
  if (self->started_ && !self->closed_ && self->streamCode_ > 0 && self->answering_ &&
      !self->answering_->QueryAbort()) {
    self->streamCode_ = kSpAppAbort;
    return CAIRO_STATUS_WRITE_ERROR;
  }
  self->filtered_.clear();
  self->groups_.Write(data, length, self->filtered_);
  return self->Deliver(self->filtered_.data(), self->filtered_.size()) ? CAIRO_STATUS_SUCCESS
                                                                       : CAIRO_STATUS_WRITE_ERROR;
}

bool PrintStream::DeliverHeld() {
  filtered_.clear();
  groups_.Finish(filtered_);
  return Deliver(filtered_.data(), filtered_.size());
}

bool PrintStream::Deliver(const std::uint8_t* data, std::size_t size) {
  if (closed_) return true;
  if (streamCode_ <= 0) return false;
  if (!started_) {
    pending_.insert(pending_.end(), data, data + size);
    return true;
  }
  if (file_) {
    if (size && std::fwrite(data, 1, size, file_) != size) {
      streamCode_ = CodeForErrno(errno);
      streamText_ = std::strerror(errno);
      return false;
    }
    return true;
  }
  if (job_ && !job_->Write(data, size)) {
    streamCode_ = kSpError;
    streamText_ = job_->ErrorText();
    return false;
  }
  return true;
}

DeviceCaps PrinterCaps(const PrintPageSetup& page) {
  DeviceCaps caps;
  caps.technology = kDtRasPrinter;
  caps.dpiX = page.dpiX > 0 ? page.dpiX : 600;
  caps.dpiY = page.dpiY > 0 ? page.dpiY : 600;
  auto dots = [](double mm, int dpi) {
    const double v = std::floor(mm * dpi / 25.4 + 0.5);
    return std::isfinite(v) && v >= 1 && v < 1e7 ? std::int32_t(v) : 1;
  };
  caps.widthPx = dots(page.printableWidthMm > 0 ? page.printableWidthMm : page.paperWidthMm, caps.dpiX);
  caps.heightPx = dots(page.printableHeightMm > 0 ? page.printableHeightMm : page.paperHeightMm, caps.dpiY);
  caps.bitsPixel = 24;
  caps.rasterCaps = kRcBitBlt | kRcDiBitmap | kRcStretchBlt | kRcStretchDib;
  return caps;
}

cairo_surface_t* TPrintDC_::MakeSurface(PrintStream* stream, const PrintPageSetup& page) {
  const DeviceCaps caps = PrinterCaps(page);
  const double sx = kPointsPerInch / caps.dpiX, sy = kPointsPerInch / caps.dpiY;
  auto points = [](double mm) { return std::isfinite(mm) && mm > 0 && mm < 1e5 ? mm / 25.4 * kPointsPerInch : 1.0; };
  cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(&PrintStream::WriteChunk, stream,
                                                                 points(page.paperWidthMm), points(page.paperHeightMm));
  // One unit of the surface is one printer dot, counted from the corner of
  // the printable area.
  cairo_surface_set_device_scale(surface, sx, sy);
  auto offset = [](double mm) { return std::isfinite(mm) && std::abs(mm) < 1e5 ? mm / 25.4 * kPointsPerInch : 0.0; };
  cairo_surface_set_device_offset(surface, offset(page.offsetXMm), offset(page.offsetYMm));
  return surface;
}

TPrintDC_::TPrintDC_(std::string queue, const PrinterSettings& settings, const PrintPageSetup& page)
    : CairoDC(MakeSurface(this, page), PrinterCaps(page)), queue_(std::move(queue)), settings_(settings), page_(page) {
  // CairoDC holds its own reference; drop the one MakeSurface made.
  cairo_surface_destroy(Surface());
  SetJoinStrokes(true);
}

TPrintDC_::~TPrintDC_() {
  if (started_ && !ended_) AbortDoc();
  // Whatever the surface writes while it is torn down goes nowhere.
  closed_ = true;
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

bool TPrintDC_::Valid() const { return cairo_surface_status(Surface()) == CAIRO_STATUS_SUCCESS; }

int TPrintDC_::Fail(int code, std::string text) {
  if (streamCode_ > 0) {
    streamCode_ = code;
    streamText_ = std::move(text);
  }
  return streamCode_;
}

int TPrintDC_::SurfaceCode() {
  if (streamCode_ <= 0) return streamCode_;
  const cairo_status_t status = cairo_surface_status(Surface());
  if (status == CAIRO_STATUS_SUCCESS) return 1;
  return Fail(status == CAIRO_STATUS_NO_MEMORY ? kSpOutOfMemory : kSpError, cairo_status_to_string(status));
}

int TPrintDC_::StartDoc(const WString& documentName, const WString& outputFile) {
  if (started_) return kSpError;
  if (!Valid()) return SurfaceCode();
  const std::string title = documentName.ToUtf8();
  cairo_pdf_surface_set_metadata(Surface(), CAIRO_PDF_METADATA_TITLE, title.c_str());
  if (!outputFile.IsEmpty()) {
    const std::string path = PathBytes(outputFile.View());
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return Fail(CodeForErrno(errno), std::strerror(errno));
  } else {
    SpoolerJobRequest request{queue_, title, settings_};
    int code = kSpError;
    std::string text;
    job_ = CurrentSpooler().StartJob(request, code, text);
    if (!job_) return Fail(code > 0 ? kSpError : code, std::move(text));
  }
  started_ = true;
  std::vector<std::uint8_t> waiting = std::move(pending_);
  pending_.clear();
  if (!Deliver(waiting.data(), waiting.size())) return streamCode_;
  return 1;
}

int TPrintDC_::StartPage() {
  if (!started_ || ended_) return kSpError;
  if (const int code = SurfaceCode(); code <= 0) return code;
  inPage_ = true;
  overflowed_ = false;
  dropGroup_ = false;
  pageBytes_ = 0;
  // The first drawing of a page reads the resident memory.
  nextWatch_ = 0;
  SetReach(Reach::Surface);
  return 1;
}

int TPrintDC_::EndPage() {
  if (!inPage_) return kSpError;
  inPage_ = false;
  // cairo writes the page's dictionary while it ends the page. Only the
  // page's own writing answers the abort procedure: the end of the document
  // writes the fonts' glyphs with cairo's lock on each font held, and a
  // repaint in the procedure's message pump could need one of them.
  groups_.DecidePage(dropGroup_);
  cairo_t* cr = Cairo();
  answering_ = this;
  cairo_show_page(cr);
  answering_ = nullptr;
  if (const int code = SurfaceCode(); code <= 0) return code;
  ++pagesEnded_;
  return 1;
}

int TPrintDC_::EndDoc() {
  if (!started_ || ended_) return kSpError;
  FlushStrokes();
  cairo_surface_finish(Surface());
  int code = SurfaceCode();
  if (code > 0 && !DeliverHeld()) code = streamCode_;
  ended_ = true;
  if (file_) {
    if (std::fclose(file_) != 0 && code > 0) code = Fail(CodeForErrno(errno), std::strerror(errno));
    file_ = nullptr;
  }
  if (job_) {
    if (code > 0) {
      code = job_->Finish();
      if (code <= 0) Fail(code, job_->ErrorText());
    } else {
      job_->Cancel();
    }
  }
  closed_ = true;
  return code;
}

int TPrintDC_::AbortDoc() {
  if (!started_ || ended_) return kSpError;
  ended_ = true;
  closed_ = true;
  if (job_) job_->Cancel();
  // The surface keeps the page being drawn until it ends, and torn down it
  // would still write it out, only for nothing to receive it: seconds for
  // a long page (1 M lines: 2.6 s). Cleared whole, the page is forgotten.
  cairo_t* clear = cairo_create(Surface());
  cairo_set_operator(clear, CAIRO_OPERATOR_CLEAR);
  cairo_paint(clear);
  cairo_destroy(clear);
  if (file_) std::fclose(file_);
  file_ = nullptr;
  return 1;
}

}  // namespace kvn
