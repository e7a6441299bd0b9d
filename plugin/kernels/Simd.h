// Fixed-width vectors of the compiler for the kernels that are built three
// times: for the baseline instruction set, for AVX2 and for AVX-512, chosen at
// run time. A kernel's vector code lives in an .inl file that its .cpp
// includes once in each of the namespaces SIMD_BASELINE_BEGIN,
// SIMD_AVX2_BEGIN and SIMD_AVX512_BEGIN open; each namespace's kVectorBytes
// is the width of the vectors its sums use. The vector operations are
// lane-wise integer or IEEE arithmetic, never contracted into fused
// multiply-adds (the build passes -ffp-contract=off), so every build of a
// kernel gives the same bits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

template <class T, int Lanes>
struct VectorOf {
    typedef T type __attribute__((vector_size(sizeof(T) * Lanes)));
};

using U32x8 = VectorOf<uint32_t, 8>::type;
using I32x8 = VectorOf<int32_t, 8>::type;
using F64x4 = VectorOf<double, 4>::type;
using I64x4 = VectorOf<int64_t, 4>::type;

// True when the processor runs AVX2 code; AVX-512 code of the foundation,
// byte-and-word, vector-length and doubleword-and-quadword sets.
bool CpuHasAvx2();
bool CpuHasAvx512();
// The size in bytes of a core's first-level data cache; 0 when the processor
// does not say.
size_t CpuFirstLevelDataBytes();

// The namespaces the builds of an .inl go into; each is private to the .cpp
// that includes it.
#define SIMD_BASELINE_BEGIN namespace { namespace baseline { constexpr int kVectorBytes = 32; \
    constexpr bool kAvx512Target = false;
#define SIMD_BASELINE_END } }
#if defined(__clang__)
// clang (the fuzz programs' compiler) has no GCC target pragmas: its AVX2
// and AVX-512 namespaces hold more baseline builds.
#define SIMD_AVX2_BEGIN namespace { namespace avx2 { constexpr int kVectorBytes = 32; \
    constexpr bool kAvx512Target = false;
#define SIMD_AVX2_END } }
#define SIMD_AVX512_BEGIN namespace { namespace avx512 { constexpr int kVectorBytes = 64; \
    constexpr bool kAvx512Target = false;
#define SIMD_AVX512_END } }
#else
#define SIMD_AVX2_BEGIN \
    _Pragma("GCC push_options") _Pragma("GCC target(\"avx2\")") namespace { namespace avx2 { \
    constexpr int kVectorBytes = 32; constexpr bool kAvx512Target = false;
#define SIMD_AVX2_END } } _Pragma("GCC pop_options")
#define SIMD_AVX512_BEGIN \
    _Pragma("GCC push_options") _Pragma("GCC target(\"avx2,avx512f,avx512bw,avx512vl,avx512dq\")") \
    namespace { namespace avx512 { constexpr int kVectorBytes = 64; constexpr bool kAvx512Target = true;
#define SIMD_AVX512_END } } _Pragma("GCC pop_options")
#endif

// Calls the widest build of a kernel that the processor runs.
#define SIMD_DISPATCH(...) \
    (CpuHasAvx512() ? avx512::__VA_ARGS__ : CpuHasAvx2() ? avx2::__VA_ARGS__ : baseline::__VA_ARGS__)
