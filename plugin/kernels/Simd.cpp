#include "kernels/Simd.h"

#include <cpuid.h>

#include <initializer_list>

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

// Intel's deterministic cache parameters (leaf 4) and AMD's (leaf
// 0x8000001D) describe one cache a subleaf in the same layout; a processor
// without the leaf answers with zeros.
size_t ProbeFirstLevelData()
{
    for (const unsigned leaf : {4u, 0x8000001Du}) {
        if (static_cast<unsigned>(__get_cpuid_max(leaf & 0x80000000u, nullptr)) < leaf) continue;
        for (unsigned index = 0; index < 16; ++index) {
            unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
            __cpuid_count(leaf, index, eax, ebx, ecx, edx);
            const unsigned type = eax & 0x1F, level = (eax >> 5) & 0x7;
            if (type == 0) break;
            constexpr unsigned kDataCache = 1;
            if (type != kDataCache || level != 1) continue;
            const size_t ways = ((ebx >> 22) & 0x3FF) + 1, partitions = ((ebx >> 12) & 0x3FF) + 1;
            const size_t lineBytes = (ebx & 0xFFF) + 1, sets = static_cast<size_t>(ecx) + 1;
            return ways * partitions * lineBytes * sets;
        }
    }
    return 0;
}

}  // namespace

size_t CpuFirstLevelDataBytes()
{
    static const size_t bytes = ProbeFirstLevelData();
    return bytes;
}

bool CpuHasAvx2() { return Supported().avx2; }

bool CpuHasAvx512() { return Supported().avx512; }
