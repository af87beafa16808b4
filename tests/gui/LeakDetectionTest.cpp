// Leak detection reaches our own code in the GUI test programs: a block our
// code allocates in a handler the toolkit's loop calls (a timer) and then
// drops is reported by LeakSanitizer, whatever platform/LeakSuppressions.txt
// exempts of the toolkit's libraries, and once it is freed nothing of ours
// is left over. So is a GLib string or buffer our code takes and never
// frees (a g_free forgotten after a GTK getter). Fails when a test run turns
// leak detection off, or when a suppression names a library that calls our
// code (wxWidgets, GTK) or GLib's allocator itself.
// Meaningful in the sanitizer build only; elsewhere it skips.
#include <dlfcn.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <wx/timer.h>

#include <chrono>
#include <cstdint>
#include <cstdio>

#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;
using LeakCheck = int (*)();

// The block is kept only as a scrambled number, which LeakSanitizer does
// not take for a pointer.
constexpr std::uintptr_t kScramble = 0x5A5A5A5A5A5A5A5Aull;
constexpr std::size_t kCanaryBytes = 4711;

[[gnu::noinline]] std::uintptr_t AllocateAndDrop() {
  auto* block = new char[kCanaryBytes];
  block[0] = 1;
  return reinterpret_cast<std::uintptr_t>(block) ^ kScramble;
}

TEST(LeakDetection, OurLeakInAToolkitHandlerIsReportedAndNothingElseOfOursLeaks) {
  const auto check = reinterpret_cast<LeakCheck>(dlsym(RTLD_DEFAULT, "__lsan_do_recoverable_leak_check"));
  if (check == nullptr) GTEST_SKIP() << "not a sanitizer build: no LeakSanitizer to ask";
  std::uintptr_t hidden = 0;
  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (hidden == 0) hidden = AllocateAndDrop();
  });
  timer.Start(20);
  ASSERT_TRUE(test::PumpUntil([&] { return hidden != 0; })) << "the timer never fired";
  timer.Stop();
  std::fprintf(stderr, "LeakDetectionTest: a report of one leak of %zu bytes follows; it is expected.\n",
               kCanaryBytes);
  EXPECT_EQ(check(), 1) << "our leak was not reported: leak detection is off, or a suppression hides our code";
  delete[] reinterpret_cast<char*>(hidden ^ kScramble);
  EXPECT_EQ(check(), 0) << "something leaked besides the test's own block (see the report above)";
}

// A GLib allocation dropped by our code, the two ways GLib allocates: a
// string copied by g_malloc (as GTK's getters return them) and a buffer
// grown by g_realloc (a GString's). Kept scrambled, as above.
struct GLibBlock {
  const char* allocator;
  std::uintptr_t (*allocateAndDrop)();
};

[[gnu::noinline]] std::uintptr_t GLibStringDropped() {
  gchar* copy = g_strnfill(kCanaryBytes - 1, 'k');
  return reinterpret_cast<std::uintptr_t>(copy) ^ kScramble;
}

[[gnu::noinline]] std::uintptr_t GLibBufferDropped() {
  GString* text = g_string_new(nullptr);
  for (std::size_t i = 0; i < kCanaryBytes; ++i) g_string_append_c(text, 'k');
  return reinterpret_cast<std::uintptr_t>(g_string_free(text, FALSE)) ^ kScramble;
}

TEST(LeakDetection, AGLibBlockOurHandlerDropsIsReported) {
  const auto check = reinterpret_cast<LeakCheck>(dlsym(RTLD_DEFAULT, "__lsan_do_recoverable_leak_check"));
  if (check == nullptr) GTEST_SKIP() << "not a sanitizer build: no LeakSanitizer to ask";
  for (const GLibBlock& block : {GLibBlock{"g_malloc", GLibStringDropped}, GLibBlock{"g_realloc", GLibBufferDropped}}) {
    std::uintptr_t hidden = 0;
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      if (hidden == 0) hidden = block.allocateAndDrop();
    });
    timer.Start(20);
    ASSERT_TRUE(test::PumpUntil([&] { return hidden != 0; })) << "the timer never fired";
    timer.Stop();
    std::fprintf(stderr, "LeakDetectionTest: a report of one leak through %s follows; it is expected.\n",
                 block.allocator);
    EXPECT_EQ(check(), 1) << "our leak through " << block.allocator
                          << " was not reported: a suppression hides GLib's allocator";
    g_free(reinterpret_cast<gpointer>(hidden ^ kScramble));
    EXPECT_EQ(check(), 0) << "something leaked besides the test's own block (see the report above)";
  }
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
