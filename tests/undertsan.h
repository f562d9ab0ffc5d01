#pragma once

// DELVARINE_UNDER_TSAN is defined in ThreadSanitizer builds. The sanitizer of
// clang 14 fails inside fork(), which reading a PDF back with pdftotext needs;
// the printouts are checked in the other builds.
// DELVARINE_UNDER_SANITIZER is defined under any sanitizer, whose shadow
// memory and quarantine make the process's own size no measure of ours.
#if defined(__SANITIZE_THREAD__)
#define DELVARINE_UNDER_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define DELVARINE_UNDER_TSAN 1
#endif
#endif

#if defined(DELVARINE_UNDER_TSAN) || defined(__SANITIZE_ADDRESS__)
#define DELVARINE_UNDER_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DELVARINE_UNDER_SANITIZER 1
#endif
#endif
