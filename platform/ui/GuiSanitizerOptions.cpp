// AddressSanitizer's defaults in the sanitizer build's programs with a
// window (every program linking the GUI library: the viewer, the GUI tests):
// the allocation stacks are taken with the full unwinder. GLib, GTK and
// their kin are built without frame pointers, so the fast unwinder stops at
// the first of their frames, and a leak of a block GLib allocated would
// show only GLib's allocator: the suppressions (LeakSuppressions.txt) could
// not tell a block GLib keeps on purpose from a string our code forgot to
// free. The full unwinder reaches the function that owns the block. It
// costs each allocation an unwind through the unwind tables, about three
// times the run time of a GUI test program; the programs without a window
// keep the fast unwinder. Options given in ASAN_OPTIONS still win.
//
// At exit, before LeakSanitizer's check, the program waits for Pango's
// font-matching threads to end. Pango matches and sorts the fonts of each
// new font description on two threads of their own, which it does not wait
// for: a program that lays out text up to its last moments exits while a
// few are still starting or ending. LeakSanitizer's check does not see into
// a thread that is starting or ending, and reports what only such a thread
// holds (GLib's per-thread allocator cache, 2,032 bytes; the thread's stack
// attributes) as a leak of the program: now and then, on a busy machine.
#include "foundation/AddressSanitizer.h"

#if defined(KVN_ADDRESS_SANITIZER)
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }

namespace {

// Pango names these threads "[pango] FcFontSetSort", "[pango] FcFontSetMatch"
// and, once at the start, "[pango] FcInit" (cut to 15 characters by the
// kernel); each does one piece of work and ends.
constexpr std::string_view kPangoThreads[] = {"[pango] FcFont", "[pango] FcInit"};

bool PangoThreadRunning() {
  DIR* tasks = opendir("/proc/self/task");
  if (tasks == nullptr) return false;
  bool found = false;
  while (const dirent* entry = readdir(tasks)) {
    if (entry->d_name[0] == '.') continue;
    const std::string path = std::string("/proc/self/task/") + entry->d_name + "/comm";
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;  // the thread ended meanwhile
    char name[32] = {};
    const ssize_t n = read(fd, name, sizeof name - 1);
    close(fd);
    const std::string_view thread(name, n > 0 ? std::size_t(n) : 0);
    for (std::string_view prefix : kPangoThreads) {
      if (thread.starts_with(prefix)) found = true;
    }
    if (found) break;
  }
  closedir(tasks);
  return found;
}

// Each such thread ends within moments of its match; the bound only keeps a
// thread that never ends from holding the exit up (the check then runs as
// before).
void AwaitPangoThreads() {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (PangoThreadRunning() && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

// LeakSanitizer's check was registered when the sanitizer started, before
// any code of the program's: handlers run in reverse order, so this one runs
// first.
[[maybe_unused]] const int kAwaitAtExit = std::atexit(AwaitPangoThreads);

}  // namespace
#endif
