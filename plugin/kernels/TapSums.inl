// The weighted sums of the blurs with vectors. A prepared pixel is four
// lanes: the pixel's weight flag (1 when it counts, else 0) and three values
// (the colour, or the alpha), all 0 for a pixel that does not count. A group
// of output pixels sums weight(|k|) * prepared(k) over its window offsets k,
// in increasing k, as the scalar code does: lanes outside a pixel's window are
// masked to zero, and adding zero leaves a sum unchanged (a sum that starts
// at +0 never becomes -0). Included once per instruction set (see Simd.h).

template <class Lane>
struct Packing;
// 16-bit: 32-bit lanes, two pixels to a vector, four vectors summed side by
// side.
template <>
struct Packing<uint32_t> {
    using V = U32x8;
    using M = I32x8;
    using Bound = int32_t;
    static constexpr int kPixels = 2;
    static constexpr int kVectors = 4;
};
// Float: double lanes, one pixel to a vector; six sums side by side keep
// both adders busy through their latency and leave registers for the loads.
template <>
struct Packing<double> {
    using V = F64x4;
    using M = I64x4;
    using Bound = int64_t;
    static constexpr int kPixels = 1;
    static constexpr int kVectors = 6;
};

// The pixels of a group, summed side by side.
template <class Lane>
constexpr A_long kGroupPixels = Packing<Lane>::kVectors * Packing<Lane>::kPixels;

// Vectors go in and out of helpers by reference: passing them by value
// would tie the baseline build to an AVX calling convention.
template <class V, class Lane>
inline void LoadVector(V &v, const Lane *at)
{
    std::memcpy(&v, at, sizeof v);
}

template <class V, class Lane>
inline void Broadcast(V &v, Lane value)
{
    for (unsigned l = 0; l < sizeof(V) / sizeof(Lane); ++l) v[l] = value;
}

// Adds the offsets every pixel of the group counts, no masks, to the group's
// sums (kVectors vectors at sums; taken as zero when fresh). lo <= 0 <= hi.
template <class Lane, class At>
inline void SumCommon(const At &at, A_long lo, A_long hi, const Lane *weights, Lane *sums, bool fresh)
{
    using V = typename Packing<Lane>::V;
    constexpr int kVectors = Packing<Lane>::kVectors;
    constexpr int kLanes = 4 * Packing<Lane>::kPixels;
    V sum[kVectors] = {};
    if (!fresh) {
#pragma GCC unroll 8
        for (int g = 0; g < kVectors; ++g) LoadVector(sum[g], sums + g * kLanes);
    }
    const auto single = [&](A_long k) {
        V w;
        Broadcast(w, weights[k < 0 ? -k : k]);
        const Lane *base = at(k);
#pragma GCC unroll 8
        for (int g = 0; g < kVectors; ++g) {
            V v;
            LoadVector(v, base + g * kLanes);
            sum[g] += v * w;
        }
    };
    if constexpr (std::is_integral_v<Lane>) {
        // Integer sums do not depend on their order, and the pixels at
        // offsets k and -k share a weight: one multiply for both.
        const A_long pairs = -lo < hi ? -lo : hi;
        single(0);
        for (A_long k = 1; k <= pairs; ++k) {
            V w;
            Broadcast(w, weights[k]);
            const Lane *before = at(-k), *after = at(k);
#pragma GCC unroll 8
            for (int g = 0; g < kVectors; ++g) {
                V a, b;
                LoadVector(a, before + g * kLanes);
                LoadVector(b, after + g * kLanes);
                sum[g] += (a + b) * w;
            }
        }
        for (A_long k = lo; k < -pairs; ++k) single(k);
        for (A_long k = pairs + 1; k <= hi; ++k) single(k);
    } else {
        for (A_long k = lo; k <= hi; ++k) single(k);
    }
#pragma GCC unroll 8
    for (int g = 0; g < kVectors; ++g) std::memcpy(sums + g * kLanes, &sum[g], sizeof(V));
}

// Adds the offset k to the group's sums where it lies inside each pixel's
// window [lo, hi] (lowest, highest: the bounds in every lane).
template <class Lane, class At, class M>
inline void SumMasked(const At &at, A_long k, const Lane *weights, const M *lowest, const M *highest, Lane *sums)
{
    using P = Packing<Lane>;
    using V = typename P::V;
    constexpr int kLanes = 4 * P::kPixels;
    V w;
    Broadcast(w, weights[k < 0 ? -k : k]);
    M offset;
    Broadcast(offset, static_cast<typename P::Bound>(k));
    const Lane *base = at(k);
#pragma GCC unroll 8
    for (int g = 0; g < P::kVectors; ++g) {
        M bits;
        LoadVector(bits, base + g * kLanes);
        bits &= (lowest[g] <= offset) & (offset <= highest[g]);
        V v, sum;
        std::memcpy(&v, &bits, sizeof v);
        LoadVector(sum, sums + g * kLanes);
        sum += v * w;
        std::memcpy(sums + g * kLanes, &sum, sizeof sum);
    }
}

// sums[j] for the count pixels j of a group (a whole group's lanes, pixel by
// pixel): the sum over k from lo[j] to hi[j] of weights[|k|] * at(k)[j], k
// increasing. at(k) points at the prepared pixel of the group's first pixel
// at offset k, and the whole group must be readable there. A pixel with
// lo > hi gets nothing useful. False when no pixel of the group has a window.
template <class Lane, class At>
inline bool SumTaps(const At &at, const A_long *lo, const A_long *hi, A_long count, const Lane *weights,
                    Lane (*sums)[4])
{
    using P = Packing<Lane>;
    using M = typename P::M;
    using Bound = typename P::Bound;
    constexpr int kLanes = 4 * P::kPixels;

    A_long unionLo = 0, unionHi = -1, commonLo = 0, commonHi = -1;
    bool any = false;
    for (A_long j = 0; j < count; ++j) {
        if (lo[j] > hi[j]) continue;
        if (!any) {
            unionLo = commonLo = lo[j];
            unionHi = commonHi = hi[j];
            any = true;
            continue;
        }
        unionLo = lo[j] < unionLo ? lo[j] : unionLo;
        unionHi = hi[j] > unionHi ? hi[j] : unionHi;
        commonLo = lo[j] > commonLo ? lo[j] : commonLo;
        commonHi = hi[j] < commonHi ? hi[j] : commonHi;
    }
    if (!any) return false;
    // Every window holds its own pixel, so the common part is never empty.

    Lane *flat = sums[0];
    if (unionLo == commonLo && commonHi == unionHi) {
        SumCommon<Lane>(at, commonLo, commonHi, weights, flat, true);
        return true;
    }
    const typename P::V zero = {};
#pragma GCC unroll 8
    for (int g = 0; g < P::kVectors; ++g) std::memcpy(flat + g * kLanes, &zero, sizeof zero);
    // Some windows end inside the group's span: there their lanes are masked
    // by each pixel's own bounds.
    M lowest[P::kVectors], highest[P::kVectors];
    for (int g = 0; g < P::kVectors; ++g)
        for (int l = 0; l < kLanes; ++l) {
            const A_long j = g * P::kPixels + l / 4;
            lowest[g][l] = static_cast<Bound>(j < count ? lo[j] : 1);
            highest[g][l] = static_cast<Bound>(j < count ? hi[j] : 0);
        }
    for (A_long k = unionLo; k < commonLo; ++k) SumMasked<Lane>(at, k, weights, lowest, highest, flat);
    SumCommon<Lane>(at, commonLo, commonHi, weights, flat, false);
    for (A_long k = commonHi + 1; k <= unionHi; ++k) SumMasked<Lane>(at, k, weights, lowest, highest, flat);
    return true;
}
