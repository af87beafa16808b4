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
#include "foundation/AddressSanitizer.h"

#if defined(KVN_ADDRESS_SANITIZER)
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
#endif
