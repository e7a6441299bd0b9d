// The weighted sums of the blurs with vectors. A prepared pixel is PerPixel
// lanes: the pixel's weight flag (1 when it counts, else 0) and the values
// it is weighed for (the colour, or the alpha), all 0 for a pixel that does
// not count. A group of output pixels sums weight(|k|) * prepared(k) over
// its window offsets k, in increasing k, as the scalar code does: lanes
// outside a pixel's window are masked to zero, and adding zero leaves a sum
// unchanged (a sum that starts at +0 never becomes -0). Included once per
// instruction set (see Simd.h).

template <class Lane>
struct LaneVectors;
// 16-bit: 32-bit lanes, four vectors summed side by side.
template <>
struct LaneVectors<uint32_t> {
    static constexpr int kLanes = kVectorBytes / 4;
    using V = VectorOf<uint32_t, kLanes>::type;
    using M = VectorOf<int32_t, kLanes>::type;
    using Bound = int32_t;
    static constexpr int kVectors = 4;
};
// Float: double lanes; six sums side by side keep both adders busy through
// their latency and leave registers for the loads.
template <>
struct LaneVectors<double> {
    static constexpr int kLanes = kVectorBytes / 8;
    using V = VectorOf<double, kLanes>::type;
    using M = VectorOf<int64_t, kLanes>::type;
    using Bound = int64_t;
    static constexpr int kVectors = 6;
};

template <class Lane, int PerPixel>
struct Packing : LaneVectors<Lane> {
    static constexpr int kPerPixel = PerPixel;
    static constexpr int kPixels = LaneVectors<Lane>::kLanes / PerPixel;
};

// The pixels of a group, summed side by side.
template <class Lane, int PerPixel>
constexpr A_long kGroupPixels = LaneVectors<Lane>::kVectors * Packing<Lane, PerPixel>::kPixels;

// Vectors go in and out of helpers by reference: passing them by value
// would tie the baseline build to an AVX calling convention.
template <class V, class Lane>
inline void LoadVector(V &v, const Lane *at)
{
    std::memcpy(&v, at, sizeof v);
}

// A vector of lanes from narrower elements, each widened exactly.
template <class V, class Element>
inline void LoadWidened(V &v, const Element *at)
{
    constexpr int kLanes = sizeof(V) / sizeof(v[0]);
    typename VectorOf<Element, kLanes>::type narrow;
    std::memcpy(&narrow, at, sizeof narrow);
    // GCC 12 widens eight floats in two halves even where AVX-512 does it in
    // one instruction.
    if constexpr (kAvx512Target && sizeof(Element) == 4 && sizeof(v[0]) == 8 && kLanes == 8)
        v = __builtin_ia32_cvtps2pd512_mask(narrow, V{}, 0xFF, 4);
    else
        v = __builtin_convertvector(narrow, V);
}

template <class V, class Lane>
inline void Broadcast(V &v, Lane value)
{
    // Cleared first so the compiler sees every lane written.
    v = V{};
    for (unsigned l = 0; l < sizeof(V) / sizeof(Lane); ++l) v[l] = value;
}

// The weight of every offset k from -reach to reach, in every lane.
template <class Lane>
struct TapWeights {
    using V = typename LaneVectors<Lane>::V;
    V vectors[2 * kStoredTaps - 1];

    // weightOf(k) for k from 0 to reach.
    template <class WeightOf>
    void Fill(A_long reach, WeightOf &&weightOf)
    {
        for (A_long k = 0; k <= reach; ++k) {
            Broadcast(vectors[kMaxTapDistance + k], weightOf(k));
            vectors[kMaxTapDistance - k] = vectors[kMaxTapDistance + k];
        }
    }
    const V &At(A_long k) const { return vectors[kMaxTapDistance + k]; }
};

// Adds the offsets every pixel of the group counts, no masks, to the group's
// sums (kVectors vectors at sums; taken as zero when fresh). lo <= 0 <= hi.
// at(k) points at lanes.
template <class Lane, int kVectors = LaneVectors<Lane>::kVectors, class At>
inline void SumCommon(const At &at, A_long lo, A_long hi, const TapWeights<Lane> &weights, Lane *sums, bool fresh)
{
    using V = typename LaneVectors<Lane>::V;
    constexpr int kLanes = LaneVectors<Lane>::kLanes;
    V sum[kVectors] = {};
    if (!fresh) {
#pragma GCC unroll 8
        for (int g = 0; g < kVectors; ++g) LoadVector(sum[g], sums + g * kLanes);
    }
    const auto single = [&](A_long k) {
        const V w = weights.At(k);
        const auto *base = at(k);
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
            const V w = weights.At(k);
            const auto *before = at(-k), *after = at(k);
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

// The sums of two groups one line apart whose windows are whole, the rows
// they share read once: at(j) points at the pixels j lines from the first
// group, j from -reach to reach + 1. Each group sums its own offsets -reach
// to reach in increasing order, as SumCommon does.
template <class Lane, int kVectors = LaneVectors<Lane>::kVectors, class At>
inline void SumCommonPair(const At &at, A_long reach, const TapWeights<Lane> &weights, Lane *first, Lane *second)
{
    using V = typename LaneVectors<Lane>::V;
    constexpr int kLanes = LaneVectors<Lane>::kLanes;
    V sum[kVectors] = {}, next[kVectors] = {};
    const auto add = [&](V *to, A_long k, const Lane *base) {
        const V w = weights.At(k);
#pragma GCC unroll 8
        for (int g = 0; g < kVectors; ++g) {
            V v;
            LoadVector(v, base + g * kLanes);
            to[g] += v * w;
        }
    };
    add(sum, -reach, at(-reach));
    for (A_long j = -reach + 1; j <= reach; ++j) {
        const V w = weights.At(j), wNext = weights.At(j - 1);
        const Lane *base = at(j);
#pragma GCC unroll 8
        for (int g = 0; g < kVectors; ++g) {
            V v;
            LoadVector(v, base + g * kLanes);
            sum[g] += v * w;
            next[g] += v * wNext;
        }
    }
    add(next, reach, at(reach + 1));
#pragma GCC unroll 8
    for (int g = 0; g < kVectors; ++g) {
        std::memcpy(first + g * kLanes, &sum[g], sizeof(V));
        std::memcpy(second + g * kLanes, &next[g], sizeof(V));
    }
}

// Adds the offset k to the group's kVectors vectors of sums where it lies
// inside each pixel's window [lo, hi] (lowest, highest: the bounds in every
// lane).
template <class Lane, int kVectors, class At, class M>
inline void SumMasked(const At &at, A_long k, const TapWeights<Lane> &weights, const M *lowest, const M *highest,
                      Lane *sums)
{
    using P = LaneVectors<Lane>;
    using V = typename P::V;
    constexpr int kLanes = P::kLanes;
    const V w = weights.At(k);
    M offset;
    Broadcast(offset, static_cast<typename P::Bound>(k));
    const Lane *base = at(k);
#pragma GCC unroll 8
    for (int g = 0; g < kVectors; ++g) {
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

// The sums of a group of count pixels held in kVectors vectors, lane l
// belonging to pixel pixelOf(l): for each lane, the sum over k from lo[j] to
// hi[j] of weight(k) * at(k)[l], j its pixel, k increasing. at(k) points at
// the group's prepared lanes at offset k, and the whole group must be
// readable there. A pixel with lo > hi gets nothing useful. False when no
// pixel of the group has a window.
template <class Lane, int kVectors, class At, class PixelOf>
inline bool SumWindows(const At &at, const A_long *lo, const A_long *hi, A_long count,
                       const TapWeights<Lane> &weights, Lane *sums, const PixelOf &pixelOf)
{
    using P = LaneVectors<Lane>;
    using M = typename P::M;
    using Bound = typename P::Bound;
    constexpr int kLanes = P::kLanes;

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

    if (unionLo == commonLo && commonHi == unionHi) {
        SumCommon<Lane, kVectors>(at, commonLo, commonHi, weights, sums, true);
        return true;
    }
    const typename P::V zero = {};
#pragma GCC unroll 8
    for (int g = 0; g < kVectors; ++g) std::memcpy(sums + g * kLanes, &zero, sizeof zero);
    // Some windows end inside the group's span: there their lanes are masked
    // by each pixel's own bounds. The bounds are filled as plain arrays and
    // copied into the vectors: GCC 12 at -O3 vectorises stores to the lanes
    // of vector variables in this loop wrongly.
    Bound lanesLo[kVectors * kLanes], lanesHi[kVectors * kLanes];
    for (int lane = 0; lane < kVectors * kLanes; ++lane) {
        const A_long j = pixelOf(lane);
        lanesLo[lane] = static_cast<Bound>(j < count ? lo[j] : 1);
        lanesHi[lane] = static_cast<Bound>(j < count ? hi[j] : 0);
    }
    M lowest[kVectors], highest[kVectors];
    std::memcpy(lowest, lanesLo, sizeof lowest);
    std::memcpy(highest, lanesHi, sizeof highest);
    for (A_long k = unionLo; k < commonLo; ++k) SumMasked<Lane, kVectors>(at, k, weights, lowest, highest, sums);
    SumCommon<Lane, kVectors>(at, commonLo, commonHi, weights, sums, false);
    for (A_long k = commonHi + 1; k <= unionHi; ++k)
        SumMasked<Lane, kVectors>(at, k, weights, lowest, highest, sums);
    return true;
}

// sums[j] for the count pixels j of a group whose prepared pixels lie side by
// side, PerPixel lanes each (see SumWindows).
template <class Lane, int PerPixel, class At>
inline bool SumTaps(const At &at, const A_long *lo, const A_long *hi, A_long count, const TapWeights<Lane> &weights,
                    Lane (*sums)[PerPixel])
{
    return SumWindows<Lane, Packing<Lane, PerPixel>::kVectors>(at, lo, hi, count, weights, sums[0],
                                                               [](int lane) { return lane / PerPixel; });
}

// Tests over mask bytes and counts, written as loops here rather than as
// std algorithms over lambdas: an algorithm instantiated outside this
// instruction set's namespace cannot inline a lambda from inside it, and
// calls it once an element.
inline bool AnySelected(const A_u_char *from, A_long count)
{
    // Eight bytes a word: sparse masks leave most strip rows empty.
    A_long i = 0;
    for (; i + 32 <= count; i += 32) {
        uint64_t words[4];
        std::memcpy(words, from + i, sizeof words);
        if ((words[0] | words[1] | words[2] | words[3]) != 0) return true;
    }
    for (; i < count; ++i)
        if (from[i] != 0) return true;
    return false;
}

inline bool AllSelected(const A_u_char *from, A_long count)
{
    for (A_long i = 0; i < count; ++i)
        if (from[i] == 0) return false;
    return true;
}

template <class T>
inline bool AllEqual(const T *from, A_long count, T value)
{
    for (A_long i = 0; i < count; ++i)
        if (from[i] != value) return false;
    return true;
}

// 16-bit pixels prepared as four lanes: the flag 1 and the colour of the
// pixels i that counts(i) counts, zeros for the others.
template <class Counts>
inline void PrepareColours(const PF_Pixel16 *in, A_long count, uint32_t *lanes, const Counts &counts)
{
    using U16x8 = VectorOf<uint16_t, 8>::type;
    const U32x8 colour = {0, ~0u, ~0u, ~0u, 0, ~0u, ~0u, ~0u};
    const U32x8 flag = {1, 0, 0, 0, 1, 0, 0, 0};
    A_long i = 0;
    for (; i + 2 <= count; i += 2) {
        U16x8 two;
        std::memcpy(&two, in + i, sizeof two);
        const U32x8 wide = __builtin_convertvector(two, U32x8);
        const uint32_t first = counts(i) ? ~0u : 0, second = counts(i + 1) ? ~0u : 0;
        const U32x8 kept = {first, first, first, first, second, second, second, second};
        const U32x8 prepared = ((wide & colour) | flag) & kept;
        std::memcpy(lanes + 4 * i, &prepared, sizeof prepared);
    }
    for (; i < count; ++i) {
        const bool counted = counts(i);
        lanes[4 * i] = counted ? 1 : 0;
        lanes[4 * i + 1] = counted ? in[i].red : 0;
        lanes[4 * i + 2] = counted ? in[i].green : 0;
        lanes[4 * i + 3] = counted ? in[i].blue : 0;
    }
}

template <int PerPixel, class Lane>
inline void PrepareZeros(A_long count, Lane *lanes)
{
    std::memset(lanes, 0, PerPixel * sizeof(Lane) * static_cast<size_t>(count));
}

// The pixels of a row prepared a piece at a time: the piece's pixels and
// reach more on each side, and one more group for the last group's reads.
constexpr size_t kLineBufferBytes = 64 * 1024;

// Rows of a strip kept prepared around the current row: 2 * reach + 1 of
// them in a ring, and a row of zeros for rows beyond the rectangle.
template <class Lane>
struct PreparedRing {
    Lane *rows;        // slots of stride lanes each, then the zero row
    A_long slots;      // 2 * reach + 1
    A_long stride;     // lanes per slot
    A_long nextRow;    // the next row to prepare
    A_long stripX0;    // the strip the ring holds
    Lane *Slot(A_long y) const { return rows + static_cast<ptrdiff_t>(y % slots) * stride; }
    Lane *Zero() const { return rows + static_cast<ptrdiff_t>(slots) * stride; }
    // The rows first to first + count - 1: at[i] is row first + i, or the
    // zero row for rows outside [lowest, highest]. One division for all.
    void Rows(A_long first, A_long count, A_long lowest, A_long highest, const Lane **at) const
    {
        A_long slot = first % slots;
        if (slot < 0) slot += slots;
        const Lane *row = rows + static_cast<ptrdiff_t>(slot) * stride;
        const Lane *const end = rows + static_cast<ptrdiff_t>(slots) * stride;
        if (first >= lowest && first + count - 1 <= highest) {
            // All inside: the slots to the ring's end, then from its start.
            const A_long before = std::min(count, slots - slot);
            for (A_long i = 0; i < before; ++i) at[i] = row + static_cast<ptrdiff_t>(i) * stride;
            for (A_long i = before; i < count; ++i) at[i] = rows + static_cast<ptrdiff_t>(i - before) * stride;
            return;
        }
        for (A_long i = 0; i < count; ++i) {
            at[i] = first + i < lowest || first + i > highest ? Zero() : row;
            row += stride;
            if (row == end) row = rows;
        }
    }
    // The rows y - reach to y + reach: at[k + reach] is row y + k, or the
    // zero row beyond the rectangle's height rows.
    void Around(A_long y, A_long reach, A_long height, const Lane **at) const
    {
        Rows(y - reach, 2 * reach + 1, 0, height - 1, at);
    }
};

// The bytes a column strip's ring may take. With a first-level data cache
// of 32 KB a ring that spills out of it is slower, so it stays within 24 KB;
// with one of 48 KB or more, the second-level cache behind it keeps up with
// a 64 KB ring, whose wider strips cost less a row (float region columns
// at 21 taps: 26 ms at 24 KB, 18 ms at 64 KB). Strips only group the
// columns: every width gives the same bits.
inline size_t RingBudgetBytes() { return CpuFirstLevelDataBytes() >= 48 * 1024 ? 64 * 1024 : 24 * 1024; }

// Strip widths: as many columns as keep the ring within the budget, a whole
// number of groups, at most kMaxStripColumns.
constexpr A_long kMaxStripColumns = 256;

template <class Lane, int PerPixel, A_long group = kGroupPixels<Lane, PerPixel>>
A_long StripColumns(A_long reach)
{
    const size_t perColumn = PerPixel * sizeof(Lane) * static_cast<size_t>(2 * reach + 2);
    const A_long fits = static_cast<A_long>(RingBudgetBytes() / perColumn) / group * group;
    return std::max(group, std::min(kMaxStripColumns, fits));
}

// A ring for strips of up to `columns` columns; each row has room for
// `spare` pixels more, for reads of a group wider than the strip's groups.
// `extra` rows more than the window's keep rows before it (a ring of prefix
// sums keeps the row before the window).
template <class Lane, int PerPixel>
size_t RingBytes(A_long reach, A_long columns, A_long spare = 0, A_long extra = 0)
{
    return PerPixel * sizeof(Lane) * static_cast<size_t>(columns + spare) *
           static_cast<size_t>(2 * reach + 2 + extra);
}

template <class Lane, int PerPixel>
PreparedRing<Lane> MakeRing(void *memory, A_long reach, A_long columns, A_long spare = 0, A_long extra = 0)
{
    PreparedRing<Lane> ring{static_cast<Lane *>(memory), 2 * reach + 1 + extra, PerPixel * (columns + spare), 0, -1};
    std::fill(ring.Zero(), ring.Zero() + ring.stride, Lane(0));
    return ring;
}

// A column strip reads a short piece of each row, one row after another, which
// the processor's prefetchers do not foresee: the piece of the row this many
// rows ahead is asked for while the current one is prepared.
constexpr A_long kPrefetchRows = 6;

// Prefetches are always inlined: GCC takes a function that only prefetches
// for one without effects, and drops its calls where it is not inlined.
__attribute__((always_inline)) inline void PrefetchBytes(const void *start, size_t bytes)
{
    const char *from = static_cast<const char *>(start);
    for (size_t offset = 0; offset < bytes; offset += 64) __builtin_prefetch(from + offset);
    __builtin_prefetch(from + bytes - 1);
}

// The piece of a destination row kPrefetchRows below row y of a strip,
// asked for ahead of its stores: they read the row's lines first.
template <class Pixel>
__attribute__((always_inline)) inline void PrefetchOutputAhead(PF_EffectWorld *destination, const PF_LRect &rect,
                                                               A_long x0, A_long width, A_long y)
{
    if (y + kPrefetchRows < AreaHeight(rect))
        PrefetchBytes(PixelRow<Pixel>(destination, rect.top + y + kPrefetchRows) + rect.left + x0,
                      static_cast<size_t>(width) * sizeof(Pixel));
}

// Brings the rows around row y into the ring; prepare(row, slot) fills one.
template <class Lane, class Prepare>
void AdvanceRing(PreparedRing<Lane> &ring, A_long stripX0, A_long y, A_long reach, A_long height, Prepare &&prepare)
{
    if (ring.stripX0 != stripX0) {
        ring.stripX0 = stripX0;
        ring.nextRow = 0;
    }
    for (A_long p = std::max(ring.nextRow, y - reach); p <= std::min(y + reach, height - 1); ++p) {
        prepare(p, ring.Slot(p));
        ring.nextRow = p + 1;
    }
}

