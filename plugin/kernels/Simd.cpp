#include "kernels/Simd.h"

namespace {

struct VectorSets {
    bool avx2 = false;
    bool avx512 = false;
};

// What the processor runs, asked once.
const VectorSets &Supported()
{
    static const VectorSets sets = [] {
        VectorSets found;
#if !defined(_WIN32)
        // On Windows the baseline builds serve: GCC cannot keep 32-byte
        // vectors aligned on the Windows x64 stack (GCC bug 54412), and the
        // wider builds then give other bits.
        __builtin_cpu_init();
        found.avx2 = __builtin_cpu_supports("avx2") != 0;
        found.avx512 = __builtin_cpu_supports("avx512f") != 0 && __builtin_cpu_supports("avx512bw") != 0 &&
                       __builtin_cpu_supports("avx512vl") != 0 && __builtin_cpu_supports("avx512dq") != 0;
#endif
        return found;
    }();
    return sets;
}

}  // namespace

bool CpuHasAvx2() { return Supported().avx2; }

bool CpuHasAvx512() { return Supported().avx512; }
