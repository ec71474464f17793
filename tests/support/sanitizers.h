#pragma once
// Which sanitizer a test program is built with, under GCC's names or clang's. Each brings its
// own allocator: counts of allocations and the C library's heap limits do not reach it.

#if defined(__SANITIZE_THREAD__)
#define KELVARO_THREAD_SANITIZER
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KELVARO_THREAD_SANITIZER
#endif
#endif

#if defined(__SANITIZE_ADDRESS__)
#define KELVARO_ADDRESS_SANITIZER
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KELVARO_ADDRESS_SANITIZER
#endif
#endif
