// Fixed-width vectors of the compiler for the kernels that are built twice:
// for the baseline instruction set, and for AVX2, chosen at run time. A
// kernel's vector code lives in an .inl file that its .cpp includes once in
// each of the namespaces SIMD_BASELINE_BEGIN and SIMD_AVX2_BEGIN open. The
// vector operations are lane-wise integer or IEEE arithmetic without fused
// multiply-add (the build passes -ffp-contract=off and AVX2 code is built
// without FMA), so both builds of a kernel give the same bits.
#pragma once

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

// True when the processor runs AVX2 code.
bool CpuHasAvx2();

// The namespaces the two builds of an .inl go into; each is private to the
// .cpp that includes it.
#define SIMD_BASELINE_BEGIN namespace { namespace baseline {
#define SIMD_BASELINE_END } }
#if defined(__clang__)
// clang (the fuzz programs' compiler) has no GCC target pragmas: its AVX2
// namespace holds a second baseline build.
#define SIMD_AVX2_BEGIN namespace { namespace avx2 {
#define SIMD_AVX2_END } }
#else
#define SIMD_AVX2_BEGIN _Pragma("GCC push_options") _Pragma("GCC target(\"avx2\")") namespace { namespace avx2 {
#define SIMD_AVX2_END } } _Pragma("GCC pop_options")
#endif

// Calls the AVX2 build of a kernel when the processor has it, else the
// baseline build.
#define SIMD_DISPATCH(...) (CpuHasAvx2() ? avx2::__VA_ARGS__ : baseline::__VA_ARGS__)
