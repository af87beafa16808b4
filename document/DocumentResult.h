// DocumentResult: what every load of a drawing file answers. Either the
// document, or the LoadResult of the first fault met, never both; warnings
// (things the reader mended or left out) may come with a document.
//
// A failure carries no message: the open dispatcher makes the one message
// the user sees from the code (document/OpenFailureMessage.h). `detail` is
// what only the reader knows in words (the system's error text of a file
// that does not open); `cause` is the reader's own code when it answers a
// more general one (an OLE compound file is refused as "too old").
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "document/ResultCodes.h"
#include "document/cDrawingDoc.h"
#include "foundation/WString.h"

namespace kvn {

class [[nodiscard]] DocumentResult {
 public:
  // A document: success (kLoadOk).
  explicit DocumentResult(std::unique_ptr<cDrawingDoc> document) : document_(std::move(document)) {
    if (!document_) code_ = cause_ = kOpenNotReadable;
  }
  static DocumentResult Failure(LoadResult code, LoadResult cause, WString detail = WString()) {
    DocumentResult result(code);
    result.cause_ = cause;
    result.detail_ = std::move(detail);
    return result;
  }
  static DocumentResult Failure(LoadResult code) { return DocumentResult(code == kLoadOk ? kOpenNotReadable : code); }

  bool Ok() const { return document_ != nullptr; }
  LoadResult Code() const { return code_; }
  LoadResult Cause() const { return cause_; }
  const WString& Detail() const { return detail_; }
  cDrawingDoc* Document() const { return document_.get(); }
  std::unique_ptr<cDrawingDoc> TakeDocument() { return std::move(document_); }

  const std::vector<WString>& Warnings() const { return warnings_; }
  void AddWarning(WString text) { warnings_.push_back(std::move(text)); }

  // A document read only in part (a file cut short, damaged records or
  // pixels passed over): the user is told once that the file is damaged and
  // what could be read is shown (document/PartialReadNotice.h). `told`: the
  // reader told it already, before a question of its own.
  void MarkPartial(bool told = false) {
    partial_ = true;
    partialTold_ = partialTold_ || told;
  }
  bool Partial() const { return partial_; }
  bool PartialTold() const { return partialTold_; }

  // A picture or metafile shown in a new drawing, not a native drawing.
  bool native = true;

 private:
  explicit DocumentResult(LoadResult code) : code_(code), cause_(code) {}

  std::unique_ptr<cDrawingDoc> document_;
  LoadResult code_ = kLoadOk;
  LoadResult cause_ = kLoadOk;
  WString detail_;
  std::vector<WString> warnings_;
  bool partial_ = false;
  bool partialTold_ = false;
};

}  // namespace kvn
