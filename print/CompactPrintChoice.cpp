#include "print/CompactPrintChoice.h"

#include <algorithm>

namespace kvn {

CompactPrintOptions& CompactPrintGlobals() {
  static CompactPrintOptions options;
  return options;
}

CompactPrintPlan PlanCompactPrint(const CompactPrintRequest& r) {
  CompactPrintPlan plan;
  if (!r.hasPrinter || r.cancelled || r.pageCount < 1) return plan;
  switch (r.rangeChoice) {
    case 1:
      if (r.currentPage < 1 || r.currentPage > r.pageCount) return plan;
      plan.firstPage = plan.lastPage = r.currentPage;
      break;
    case 2:
      // A range that starts past the last page prints nothing.
      if (r.fromPage > r.pageCount) return plan;
      plan.firstPage = std::max(r.fromPage, 1);
      plan.lastPage = std::clamp(r.toPage, plan.firstPage, r.pageCount);
      break;
    default:
      plan.firstPage = 1;
      plan.lastPage = r.pageCount;
  }
  const int copies = std::clamp(r.copies, 1, 999);
  if (r.copiesOption) {
    plan.perPageCopies = copies;
  } else {
    plan.jobRuns = copies;
  }
  plan.print = true;
  return plan;
}

}  // namespace kvn
