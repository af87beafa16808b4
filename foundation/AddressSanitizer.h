// KVN_ADDRESS_SANITIZER is defined in builds instrumented by AddressSanitizer,
// whichever compiler made them: g++ says so by __SANITIZE_ADDRESS__, clang
// (the on-demand fuzz builds) only through __has_feature.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define KVN_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KVN_ADDRESS_SANITIZER 1
#endif
#endif
