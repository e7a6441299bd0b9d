#include "kernels/Simd.h"

bool CpuHasAvx2()
{
#if defined(_WIN32)
    // GCC cannot keep 32-byte vectors aligned on the Windows x64 stack (GCC
    // bug 54412), and the AVX2 builds then give other bits; the baseline
    // builds serve there.
    return false;
#else
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return has;
#endif
}

bool CpuHasAvx512()
{
#if defined(_WIN32)
    return false;
#else
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512bw") != 0 &&
               __builtin_cpu_supports("avx512vl") != 0 && __builtin_cpu_supports("avx512dq") != 0;
    }();
    return has;
#endif
}
