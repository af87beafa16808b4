// OpenRequest: how a caller wants a drawing file opened (who owns the
// messages, the progress monitor, quiet or not), and the reader's view of it
// (FormatReadContext) that the dispatcher makes from it.
#pragma once

#include "document/FormatReader.h"
#include "document/LoadQuestions.h"

namespace kvn {

class cMsgDlg;
class ProgressMonitor;
struct DwgLoadReport;

struct OpenRequest {
  // Owner of the messages (a window). Null, or the quiet flag, shows none.
  cMsgDlg* owner = nullptr;
  ProgressMonitor* monitor = nullptr;
  bool quiet = false;
  // A missing native file may give an empty document after the user's OK.
  bool allowMissing = false;
  // Tell of a block library (kOpenLibraryDetected) instead of refusing it.
  bool wantLibraryFlag = false;
  // The reference context of a top-level load (external references).
  void* referenceContext = nullptr;
  // The version to assume for a native stream without a container header.
  int assumedVersion = 0;
  // Who answers the readers' questions; null: a message box of the message
  // owner, or "stop" when there is none.
  LoadQuestions* questions = nullptr;
  // Filled by the DWG reader when given (kvn-dump).
  DwgLoadReport* dwgReport = nullptr;
};

// The owner of the load's messages: the monitor's message parent when a
// monitor is given, else the request's owner; none when quiet.
cMsgDlg* MessageOwner(const OpenRequest& request);

// Whether the request's monitor was cancelled.
bool MonitorCancelled(const OpenRequest& request);

// The context a reader gets for a request; lives as long as the reader runs.
class RequestContext {
 public:
  explicit RequestContext(const OpenRequest& request);
  RequestContext(const RequestContext&) = delete;
  RequestContext& operator=(const RequestContext&) = delete;
  const FormatReadContext& Get() const { return context_; }

 private:
  // Asks with a message box of the message owner as it is when asked (the
  // progress dialog may have appeared meanwhile); "stop" without one.
  class OwnerQuestions final : public LoadQuestions {
   public:
    explicit OwnerQuestions(const OpenRequest& request) : request_(request) {}
    bool GoOn(const LoadQuestion& question) override;
    int Ask(const LoadQuestion& question) override;
    int ChooseSheet(const std::vector<WString>& items) override;
    bool ChooseViewDirection(ViewDirectionChoice& choice) override;

   private:
    const OpenRequest& request_;
  };
  OwnerQuestions owner_;
  FormatReadContext context_;
};

}  // namespace kvn
