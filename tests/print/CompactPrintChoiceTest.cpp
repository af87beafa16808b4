// What the compact print dialog prints: pages of each range choice, the
// copies as repeats or as runs, and the cases that print nothing.
#include <gtest/gtest.h>

#include "print/CompactPrintChoice.h"

namespace kvn {
namespace {

CompactPrintRequest Request(int choice, int from, int to) {
  CompactPrintRequest r;
  r.hasPrinter = true;
  r.rangeChoice = choice;
  r.fromPage = from;
  r.toPage = to;
  r.pageCount = 5;
  r.currentPage = 3;
  r.copies = 2;
  return r;
}

TEST(CompactPrint, RangesOfEachChoice) {
  CompactPrintPlan all = PlanCompactPrint(Request(0, 4, 4));
  EXPECT_TRUE(all.print);
  EXPECT_EQ(all.firstPage, 1);
  EXPECT_EQ(all.lastPage, 5);
  CompactPrintPlan current = PlanCompactPrint(Request(1, 1, 5));
  EXPECT_EQ(current.firstPage, 3);
  EXPECT_EQ(current.lastPage, 3);
  CompactPrintPlan range = PlanCompactPrint(Request(2, 2, 9));
  EXPECT_EQ(range.firstPage, 2);
  EXPECT_EQ(range.lastPage, 5);  // "to" past the end: the last page
  CompactPrintPlan backwards = PlanCompactPrint(Request(2, 4, 2));
  EXPECT_EQ(backwards.firstPage, 4);
  EXPECT_EQ(backwards.lastPage, 4);
}

TEST(CompactPrint, NothingPrints) {
  // "From" beyond the page count.
  EXPECT_FALSE(PlanCompactPrint(Request(2, 6, 6)).print);
  // No current page.
  CompactPrintRequest r = Request(1, 1, 1);
  r.currentPage = -1;
  EXPECT_FALSE(PlanCompactPrint(r).print);
  // No printer; a cancelled print-out.
  r = Request(0, 1, 1);
  r.hasPrinter = false;
  EXPECT_FALSE(PlanCompactPrint(r).print);
  r = Request(0, 1, 1);
  r.cancelled = true;
  EXPECT_FALSE(PlanCompactPrint(r).print);
}

TEST(CompactPrint, CopiesRepeatPagesOrRunTheJob) {
  CompactPrintRequest r = Request(0, 1, 1);
  r.copies = 3;
  CompactPrintPlan runs = PlanCompactPrint(r);
  EXPECT_EQ(runs.perPageCopies, 1);
  EXPECT_EQ(runs.jobRuns, 3);
  r.copiesOption = true;
  CompactPrintPlan repeats = PlanCompactPrint(r);
  EXPECT_EQ(repeats.perPageCopies, 3);
  EXPECT_EQ(repeats.jobRuns, 1);
  r.copies = 5000;
  EXPECT_EQ(PlanCompactPrint(r).perPageCopies, 999);
}

}  // namespace
}  // namespace kvn
