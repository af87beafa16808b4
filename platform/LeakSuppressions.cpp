// LeakSanitizer's default suppressions in the sanitizer build: the list of
// LeakSuppressions.txt, which CMake turns into a string literal at configure
// time. Only third-party libraries are named there; leak detection stays on
// for our own code in every program.
#include "foundation/AddressSanitizer.h"

#if defined(KVN_ADDRESS_SANITIZER)
extern "C" const char* __lsan_default_suppressions() {
  return
#include "platform/LeakSuppressions.inc"
      ;
}
#endif
