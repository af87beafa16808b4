// The spooler over libcups: destinations from cupsGetDests2, defaults and
// supported values from the destination's information (cupsCopyDestInfo),
// media from cupsGetDestMediaCount / cupsGetDestMediaByIndex. Without
// libcups (CupsLibrary.h) it answers as a server without queues.
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "foundation/SystemError.h"
#include "platform/print/CupsLibrary.h"
#include "platform/print/CupsPrintJob.h"
#include "platform/print/Spooler.h"

namespace kvn {

namespace {

Spooler*& Override() {
  static Spooler* current = nullptr;
  return current;
}

// Owns the destination array of cupsGetDests2.
class DestList {
 public:
  // No queues without the library.
  explicit DestList(const CupsLibrary* cups) : cups_(cups) {
    if (cups_) count_ = cups_->getDests2(CUPS_HTTP_DEFAULT, &dests_);
  }
  ~DestList() {
    if (cups_) cups_->freeDests(count_, dests_);
  }
  DestList(const DestList&) = delete;
  DestList& operator=(const DestList&) = delete;
  int count() const { return dests_ ? count_ : 0; }
  cups_dest_t* at(int i) const { return dests_ + i; }
  static std::string NameOf(const cups_dest_t& d) {
    std::string name = d.name ? d.name : "";
    if (d.instance && *d.instance) name.append("/").append(d.instance);
    return name;
  }
  cups_dest_t* Find(const std::string& queue) const {
    for (int i = 0; i < count(); ++i) {
      if (NameOf(*at(i)) == queue) return at(i);
    }
    return nullptr;
  }

 private:
  const CupsLibrary* cups_;
  cups_dest_t* dests_ = nullptr;
  int count_ = 0;
};

class DestInfo {
 public:
  // A destination comes only from a DestList, so with the library.
  DestInfo(const CupsLibrary* cups, cups_dest_t* dest) : cups_(cups), dest_(dest) {
    if (dest) info_ = cups_->copyDestInfo(CUPS_HTTP_DEFAULT, dest);
  }
  ~DestInfo() {
    if (info_) cups_->freeDestInfo(info_);
  }
  DestInfo(const DestInfo&) = delete;
  DestInfo& operator=(const DestInfo&) = delete;
  cups_dinfo_t* get() const { return info_; }
  cups_dest_t* dest() const { return dest_; }
  // Only while get() is not null.
  const CupsLibrary& cups() const { return *cups_; }

 private:
  const CupsLibrary* cups_;
  cups_dest_t* dest_;
  cups_dinfo_t* info_ = nullptr;
};

SpoolerMedium FromSize(cups_size_t& size, const DestInfo& info) {
  const CupsLibrary& cups = info.cups();
  SpoolerMedium m;
  m.name = size.media;
  // The server's wording, else the short name of the standard size ("A4",
  // "Letter"), else the PWG name itself.
  const char* display =
      cups.localizeDestMedia(CUPS_HTTP_DEFAULT, info.dest(), info.get(), CUPS_MEDIA_FLAGS_DEFAULT, &size);
  if (!display || !*display) {
    if (pwg_media_t* standard = cups.pwgMediaForSize(size.width, size.length)) display = standard->ppd;
  }
  m.displayName = display && *display ? display : size.media;
  m.width = size.width;
  m.length = size.length;
  m.left = size.left;
  m.bottom = size.bottom;
  m.right = size.right;
  m.top = size.top;
  return m;
}

// A resolution value in dots per inch (dots per centimetre converted).
bool ResolutionAt(const CupsLibrary& cups, ipp_attribute_t* attr, int index, int& x, int& y) {
  if (cups.ippGetValueTag(attr) != IPP_TAG_RESOLUTION) return false;
  ipp_res_t units{};
  int ry = 0;
  int rx = cups.ippGetResolution(attr, index, &ry, &units);
  if (units == IPP_RES_PER_CM) {
    rx = rx * 254 / 100;
    ry = ry * 254 / 100;
  }
  if (rx <= 0 || ry <= 0 || rx > 100000 || ry > 100000) return false;
  x = rx;
  y = ry;
  return true;
}

class CupsSpooler final : public Spooler {
 public:
  bool ListQueues(std::vector<std::string>& names, int& defaultIndex) override {
    names.clear();
    defaultIndex = -1;
    const CupsLibrary* cups = Cups();
    DestList list(cups);
    for (int i = 0; i < list.count(); ++i) {
      cups_dest_t* d = list.at(i);
      if (d->is_default) defaultIndex = static_cast<int>(names.size());
      names.push_back(DestList::NameOf(*d));
    }
    return cups && (!names.empty() || cups->lastError() <= IPP_STATUS_OK_EVENTS_COMPLETE);
  }

  bool QueueDefaults(const std::string& queue, PrinterSettings& s, std::uint32_t& error) override {
    const CupsLibrary* cups = Cups();
    DestList list(cups);
    DestInfo info(cups, list.Find(queue));
    if (!info.dest()) {
      error = kErrorInvalidPrinterName;
      return false;
    }
    if (!info.get()) {
      error = kErrorNotReady;
      return false;
    }
    s = PrinterSettings{};
    s.fields = kDmOrientation | kDmPaperSize | kDmCopies | kDmCollate | kDmColor;
    cups_size_t size{};
    if (cups->getDestMediaDefault(CUPS_HTTP_DEFAULT, info.dest(), info.get(), CUPS_MEDIA_FLAGS_DEFAULT, &size))
      s.media = size.media;
    auto find = [&](const char* option) {
      return cups->findDestDefault(CUPS_HTTP_DEFAULT, info.dest(), info.get(), option);
    };
    if (ipp_attribute_t* o = find(CUPS_ORIENTATION)) {
      if (cups->ippGetInteger(o, 0) == IPP_ORIENT_LANDSCAPE) s.orientation = kDmOrientLandscape;
    }
    if (ipp_attribute_t* c = find(CUPS_COPIES)) {
      int copies = cups->ippGetInteger(c, 0);
      if (copies >= 1 && copies <= 9999) s.copies = static_cast<std::int16_t>(copies);
    }
    if (ipp_attribute_t* c = find(CUPS_PRINT_COLOR_MODE)) {
      const char* mode = cups->ippGetString(c, 0, nullptr);
      std::string_view m = mode ? mode : "";
      s.color = m == "monochrome" || m == "bi-level" ? kDmColorMonochrome : kDmColorColor;
    }
    if (ipp_attribute_t* r = find("printer-resolution")) {
      int x = 0, y = 0;
      if (ResolutionAt(*cups, r, 0, x, y)) {
        s.resolutionX = x;
        s.resolutionY = y;
        s.fields |= kDmPrintQuality | kDmYResolution;
      }
    }
    return true;
  }

  bool QueueMedia(const std::string& queue, std::vector<SpoolerMedium>& media) override {
    media.clear();
    const CupsLibrary* cups = Cups();
    DestList list(cups);
    DestInfo info(cups, list.Find(queue));
    if (!info.get()) return false;
    const int count = cups->getDestMediaCount(CUPS_HTTP_DEFAULT, info.dest(), info.get(), CUPS_MEDIA_FLAGS_DEFAULT);
    for (int i = 0; i < count; ++i) {
      cups_size_t size{};
      if (cups->getDestMediaByIndex(CUPS_HTTP_DEFAULT, info.dest(), info.get(), i, CUPS_MEDIA_FLAGS_DEFAULT, &size))
        media.push_back(FromSize(size, info));
    }
    return true;
  }

  std::unique_ptr<SpoolerJob> StartJob(const SpoolerJobRequest& request, int& code, std::string& errorText) override {
    const CupsLibrary* cups = Cups();
    if (!cups) return Spooler::StartJob(request, code, errorText);
    return StartCupsJob(*cups, request, code, errorText);
  }

  bool QueueChoices(const std::string& queue, SpoolerChoices& choices, std::uint32_t& error) override {
    choices = SpoolerChoices{};
    if (!QueueMedia(queue, choices.media)) {
      error = kErrorNotReady;
      return false;
    }
    const CupsLibrary* cups = Cups();
    DestList list(cups);
    DestInfo info(cups, list.Find(queue));
    if (!info.get()) {
      error = kErrorNotReady;
      return false;
    }
    choices.landscape = cups->checkDestSupported(CUPS_HTTP_DEFAULT, info.dest(), info.get(), CUPS_ORIENTATION,
                                                 CUPS_ORIENTATION_LANDSCAPE) != 0;
    choices.color = cups->checkDestSupported(CUPS_HTTP_DEFAULT, info.dest(), info.get(), CUPS_PRINT_COLOR_MODE,
                                             CUPS_PRINT_COLOR_MODE_COLOR) != 0;
    if (ipp_attribute_t* attr =
            cups->findDestSupported(CUPS_HTTP_DEFAULT, info.dest(), info.get(), "printer-resolution")) {
      for (int i = 0; i < cups->ippGetCount(attr); ++i) {
        int x = 0, y = 0;
        if (ResolutionAt(*cups, attr, i, x, y)) choices.resolutions.emplace_back(x, y);
      }
    }
    return true;
  }
};

}  // namespace

std::unique_ptr<SpoolerJob> Spooler::StartJob(const SpoolerJobRequest&, int& code, std::string& errorText) {
  code = kSpError;
  errorText = "no print server";
  return nullptr;
}

Spooler& CurrentSpooler() {
  if (Spooler* s = Override()) return *s;
  static std::unique_ptr<Spooler> cups = MakeCupsSpooler();
  return *cups;
}

ScopedSpoolerOverride::ScopedSpoolerOverride(Spooler& spooler) : previous_(Override()) { Override() = &spooler; }
ScopedSpoolerOverride::~ScopedSpoolerOverride() { Override() = previous_; }

std::unique_ptr<Spooler> MakeCupsSpooler() { return std::make_unique<CupsSpooler>(); }

}  // namespace kvn
