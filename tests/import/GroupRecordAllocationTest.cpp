// Refilling the group-code record allocates nothing once it has held an
// entity of the same shape: a reader clears and refills it for every entity
// of a drawing that may hold millions.
#include <gtest/gtest.h>

#include <malloc.h>

#include <cstdlib>

#include "foundation/CountingAlloc.h"
#include "import/records/YxxfGroupRecord.h"

namespace kvn {
namespace {

struct CountingHeap {
  static inline int calls = 0;
  static void* Malloc(std::size_t n) {
    ++calls;
    return std::malloc(n);
  }
  static void* Realloc(void* p, std::size_t n) {
    ++calls;
    return std::realloc(p, n);
  }
  static void Free(void* p) { std::free(p); }
  static std::size_t Size(void* p) { return malloc_usable_size(p); }
};

void FillEntity(YxxfGroupRecord& r, int i) {
  r.Clear();
  r.AddString(5, std::string_view(i % 2 ? "1A2B" : "FF"));
  r.AddString(8, std::string_view("Walls and doors"));
  r.AddInt(62, i % 255);
  r.AddPoint3(10, i, 2.0 * i, 0.0);
  r.AddPoint3(11, -i, 1.0, 0.0);
  r.AddWideString(1, std::u16string_view(i % 3 ? u"text of an entity" : u"short"));
  r.SetSubRecord(1);
  r.AddString(304, std::string_view("embedded multi-line text"));
  r.AddHandle(340, 0x10, 0);
}

TEST(GroupRecordAllocationTest, RefillingAThousandTimesAllocatesNothing) {
  YxxfGroupRecord r;
  FillEntity(r, 1);  // the first fill takes the item array and the pool strings
  FillEntity(r, 0);
  FillEntity(r, 3);
  alloc_testing::SetHeap({&CountingHeap::Malloc, &CountingHeap::Realloc, &CountingHeap::Free, &CountingHeap::Size});
  CountingHeap::calls = 0;
  double sum = 0;
  for (int i = 0; i < 1000; ++i) {
    FillEntity(r, i);
    r.SetSubRecord(0);
    double x = 0;
    std::uint32_t at = 0;
    while (r.FindDouble(x, 10, &at)) sum += x;
    sum += double(r.GetHandle(5));
  }
  int calls = CountingHeap::calls;
  alloc_testing::SetHeap(alloc_testing::SystemHeap());
  EXPECT_EQ(calls, 0);
  EXPECT_GT(sum, 0);
  EXPECT_EQ(r.NarrowPoolSize(), 3u);
  EXPECT_EQ(r.WidePoolSize(), 1u);
}

}  // namespace
}  // namespace kvn
