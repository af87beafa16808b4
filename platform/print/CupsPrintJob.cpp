// The job streams over a connection of its own, so that a cancel (sent on
// the default connection) can reach the server while the document is still
// incoming; closing the job's connection then drops what was sent.
#include "platform/print/CupsPrintJob.h"

#include <string>
#include <utility>
#include <vector>

#include "platform/print/CupsLibrary.h"

namespace kvn {

namespace {

std::string LastCupsError(const CupsLibrary& cups) {
  const char* text = cups.lastErrorString();
  return text && *text ? text : "unknown print server error";
}

// A spooler code for an IPP status; success is 1.
int CodeForStatus(ipp_status_t status) {
  if (status <= IPP_STATUS_OK_EVENTS_COMPLETE) return 1;
  if (status == IPP_STATUS_ERROR_JOB_CANCELED) return kSpUserAbort;
  return kSpError;
}

class CupsJob final : public SpoolerJob {
 public:
  explicit CupsJob(const CupsLibrary& cups) : cups_(cups) {}
  ~CupsJob() override {
    if (open_) Cancel();
    Close();
  }

  bool Open(const SpoolerJobRequest& request, int& code, std::string& errorText) {
    code = kSpError;
    std::string name = request.queue, instance;
    if (const std::size_t slash = name.find('/'); slash != std::string::npos) {
      instance = name.substr(slash + 1);
      name.resize(slash);
    }
    dest_ = cups_.getNamedDest(CUPS_HTTP_DEFAULT, name.c_str(), instance.empty() ? nullptr : instance.c_str());
    if (!dest_) {
      errorText = LastCupsError(cups_);
      return false;
    }
    http_ = cups_.httpConnect2(cups_.server(), cups_.ippPort(), nullptr, AF_UNSPEC, cups_.encryption(), 1, 30000,
                               nullptr);
    if (!http_) {
      errorText = LastCupsError(cups_);
      return false;
    }
    info_ = cups_.copyDestInfo(http_, dest_);
    if (!info_) {
      errorText = LastCupsError(cups_);
      return false;
    }
    cups_option_t* options = nullptr;
    int count = 0;
    for (const auto& [key, value] : CupsJobOptions(request.settings)) {
      count = cups_.addOption(key.c_str(), value.c_str(), count, &options);
    }
    const ipp_status_t created =
        cups_.createDestJob(http_, dest_, info_, &jobId_, request.title.c_str(), count, options);
    if (created > IPP_STATUS_OK_EVENTS_COMPLETE || jobId_ <= 0) {
      cups_.freeOptions(count, options);
      code = CodeForStatus(created) > 0 ? kSpError : CodeForStatus(created);
      errorText = LastCupsError(cups_);
      jobId_ = 0;
      return false;
    }
    const http_status_t started = cups_.startDestDocument(http_, dest_, info_, jobId_, request.title.c_str(),
                                                          CUPS_FORMAT_PDF, count, options, 1);
    cups_.freeOptions(count, options);
    if (started != HTTP_STATUS_CONTINUE) {
      errorText = LastCupsError(cups_);
      Cancel();
      return false;
    }
    open_ = true;
    code = 1;
    return true;
  }

  bool Write(const std::uint8_t* data, std::size_t size) override {
    if (!open_ || failed_) return false;
    if (size == 0) return true;
    if (cups_.writeRequestData(http_, reinterpret_cast<const char*>(data), size) != HTTP_STATUS_CONTINUE) {
      failed_ = true;
      errorText_ = LastCupsError(cups_);
      return false;
    }
    return true;
  }

  int Finish() override {
    if (!open_) return kSpError;
    open_ = false;
    if (failed_) {
      CancelOnServer();
      return kSpError;
    }
    const ipp_status_t status = cups_.finishDestDocument(http_, dest_, info_);
    const int code = CodeForStatus(status);
    if (code <= 0) {
      errorText_ = LastCupsError(cups_);
      CancelOnServer();
    }
    return code;
  }

  void Cancel() override {
    open_ = false;
    CancelOnServer();
    // The unfinished document dies with its connection.
    Close();
  }

 private:
  void CancelOnServer() {
    if (jobId_ > 0 && dest_) cups_.cancelDestJob(CUPS_HTTP_DEFAULT, dest_, jobId_);
  }
  void Close() {
    if (info_) cups_.freeDestInfo(info_);
    info_ = nullptr;
    if (http_) cups_.httpClose(http_);
    http_ = nullptr;
    if (dest_) cups_.freeDests(1, dest_);
    dest_ = nullptr;
  }

  const CupsLibrary& cups_;
  cups_dest_t* dest_ = nullptr;
  http_t* http_ = nullptr;
  cups_dinfo_t* info_ = nullptr;
  bool open_ = false;
  bool failed_ = false;
};

}  // namespace

std::vector<std::pair<std::string, std::string>> CupsJobOptions(const PrinterSettings& s) {
  std::vector<std::pair<std::string, std::string>> options;
  const int copies = s.copies > 0 ? s.copies : 1;
  if ((s.fields & kDmCopies) && copies > 1) {
    options.emplace_back("copies", std::to_string(copies));
    options.emplace_back("multiple-document-handling",
                         s.collate ? "separate-documents-collated-copies" : "separate-documents-uncollated-copies");
  }
  if (!s.media.empty()) options.emplace_back("media", s.media);
  options.emplace_back("orientation-requested", s.orientation == kDmOrientLandscape ? "4" : "3");
  options.emplace_back("print-color-mode", s.color == kDmColorMonochrome ? "monochrome" : "color");
  if (s.resolutionX > 0 && s.resolutionY > 0) {
    options.emplace_back("printer-resolution",
                         std::to_string(s.resolutionX) + "x" + std::to_string(s.resolutionY) + "dpi");
  }
  options.emplace_back("print-scaling", "none");
  return options;
}

std::unique_ptr<SpoolerJob> StartCupsJob(const CupsLibrary& cups, const SpoolerJobRequest& request, int& code,
                                         std::string& errorText) {
  auto job = std::make_unique<CupsJob>(cups);
  if (!job->Open(request, code, errorText)) return nullptr;
  return job;
}

}  // namespace kvn
