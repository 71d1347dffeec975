// Whether this build runs under AddressSanitizer, which GCC says with
// __SANITIZE_ADDRESS__ and Clang through __has_feature: KMX_TEST_ASAN is 1
// then, else 0.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
#define KMX_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KMX_TEST_ASAN 1
#endif
#endif
#ifndef KMX_TEST_ASAN
#define KMX_TEST_ASAN 0
#endif

// The same for ThreadSanitizer: KMX_TEST_TSAN. Under it the device channel
// sends a copy of each request's input, so request paths allocate.
#if defined(__SANITIZE_THREAD__)
#define KMX_TEST_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KMX_TEST_TSAN 1
#endif
#endif
#ifndef KMX_TEST_TSAN
#define KMX_TEST_TSAN 0
#endif
