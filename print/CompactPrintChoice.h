// What the compact print dialog prints, apart from its window: the pages,
// the copies and whether anything is printed at all.
#pragma once

namespace kvn {

// The compact dialog's remembered options (process-wide).
struct CompactPrintOptions {
  int printToFile = 0;
  int rangeChoice = 0;  // 0 all pages, 1 the current page, 2 from page to page
  int copiesOption = 0;  // each page repeated, one job
};
CompactPrintOptions& CompactPrintGlobals();

struct CompactPrintRequest {
  bool hasPrinter = false;
  bool cancelled = false;  // the print-out was cancelled before
  int rangeChoice = 0;
  int fromPage = 1, toPage = 1;
  int pageCount = 0;
  int currentPage = -1;  // the print-out's current page; not positive: none
  int copies = 1;
  bool copiesOption = false;
};

struct CompactPrintPlan {
  bool print = false;
  int firstPage = 0, lastPage = 0;
  int perPageCopies = 1;  // the print-out repeats each page
  int jobRuns = 1;        // the job prints all pages this often
};

CompactPrintPlan PlanCompactPrint(const CompactPrintRequest& request);

}  // namespace kvn
