// Platform and processor macros of the effect API. A Windows plug-in includes
// this first, with MSWindows defined.
#pragma once

#if defined(_WIN32)
#define AE_OS_WIN
#elif defined(__APPLE__)
#define AE_OS_MAC
#endif

#if defined(_M_X64) || defined(__amd64__) || defined(__x86_64__)
#define AE_PROC_INTELx64
#elif defined(__aarch64__) || defined(__arm64__)
#define AE_PROC_ARM64
#endif

#define AE_LITTLE_ENDIAN
