#include "document/OpenRequest.h"

#include "foundation/MsgBox.h"

#include "document/ProgressMonitor.h"

namespace kvn {

cMsgDlg* MessageOwner(const OpenRequest& request) {
  if (request.quiet) return nullptr;
  if (request.monitor) return request.monitor->GetMessageParent();
  return request.owner;
}

bool MonitorCancelled(const OpenRequest& request) { return request.monitor && request.monitor->Cancelled(); }

bool RequestContext::OwnerQuestions::GoOn(const LoadQuestion& question) {
  cMsgDlg* owner = MessageOwner(request_);
  return owner && MessageBoxQuestions(*owner).GoOn(question);
}

int RequestContext::OwnerQuestions::Ask(const LoadQuestion& question) {
  cMsgDlg* owner = MessageOwner(request_);
  return owner ? MessageBoxQuestions(*owner).Ask(question) : kIdCancel;
}

int RequestContext::OwnerQuestions::ChooseSheet(const std::vector<WString>& items) {
  cMsgDlg* owner = MessageOwner(request_);
  return owner ? MessageBoxQuestions(*owner).ChooseSheet(items) : -1;
}

bool RequestContext::OwnerQuestions::ChooseViewDirection(ViewDirectionChoice& choice) {
  cMsgDlg* owner = MessageOwner(request_);
  return owner ? MessageBoxQuestions(*owner).ChooseViewDirection(choice) : true;
}

RequestContext::RequestContext(const OpenRequest& request) : owner_(request) {
  context_.monitor = request.monitor;
  context_.allowMissing = request.allowMissing;
  context_.quiet = request.quiet;
  context_.wantLibraryFlag = request.wantLibraryFlag;
  context_.referenceContext = request.referenceContext;
  context_.assumedVersion = request.assumedVersion;
  context_.dwgReport = request.dwgReport;
  if (request.questions) {
    context_.questions = request.questions;
  } else {
    context_.questions = &owner_;
  }
}

}  // namespace kvn
