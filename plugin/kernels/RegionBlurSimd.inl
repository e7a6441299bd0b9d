// The region blur's passes for tables without a tail, with the weighted sums
// of TapSums.inl: a prepared pixel is the weight flag and red, green and
// blue. Rows are prepared a piece at a time into a buffer on the stack;
// columns are walked in strips, row by row, over a ring of prepared rows.
// Included by RegionBlur.cpp once per instruction set (see Simd.h).

#include "kernels/TapSums.inl"

template <class Pixel>
struct RegionLanes;
template <>
struct RegionLanes<PF_Pixel16> {
    using Lane = uint32_t;
    static Lane Weight(A_u_short tap) { return tap; }
    // The weight W as the 16-bit sum of the counted taps.
    static A_u_long TotalWeight(Lane flagSum) { return flagSum & 0xFFFF; }
};
template <>
struct RegionLanes<PF_PixelFloat> {
    using Lane = double;
    static Lane Weight(A_u_short tap) { return tap * kTapUnit; }
    // The flag sums are whole multiples of one tap unit, exact in double.
    static A_u_long TotalWeight(Lane flagSum) { return static_cast<A_u_long>(flagSum * 32768.0) & 0xFFFF; }
};

template <class Pixel>
using RegionLane = typename RegionLanes<Pixel>::Lane;

// Prepared pixels for count pixels of a line; those not selected, and those
// at or past `end` (when end < count), get zeros. in must be readable for
// count pixels when end >= count.
inline void PrepareRegionPixels(const PF_Pixel16 *in, const A_u_char *selected, A_long count, uint32_t *lanes)
{
    PrepareColours(in, count, lanes, [&](A_long i) { return selected[i] != 0; });
}

inline void PrepareRegionPixels(const PF_PixelFloat *in, const A_u_char *selected, A_long count, double *lanes)
{
    using V = LaneVectors<double>::V;
    using M = LaneVectors<double>::M;
    constexpr int kLanes = LaneVectors<double>::kLanes;
    constexpr A_long kPixels = kLanes / 4;
    M colour = {}, flag = {};
    for (int l = 0; l < kLanes; ++l) {
        colour[l] = l % 4 == 0 ? 0 : -1;
        flag[l] = l % 4 == 0 ? 0x3FF0000000000000 : 0;  // the bits of 1.0
    }
    A_long i = 0;
    for (; i + kPixels <= count; i += kPixels) {
        V wide;
        LoadWidened(wide, reinterpret_cast<const PF_FpShort *>(in + i));
        M bits;
        std::memcpy(&bits, &wide, sizeof bits);
        bits = (bits & colour) | flag;
        bool all = true;
        for (A_long p = 0; p < kPixels; ++p) all = all && selected[i + p] != 0;
        if (!all) {
            M counts = {};
            for (int l = 0; l < kLanes; ++l) counts[l] = selected[i + l / 4] != 0 ? -1 : 0;
            bits &= counts;
        }
        std::memcpy(lanes + 4 * i, &bits, sizeof bits);
    }
    for (; i < count; ++i) {
        const bool counts = selected[i] != 0;
        lanes[4 * i] = counts ? 1.0 : 0.0;
        lanes[4 * i + 1] = counts ? static_cast<double>(in[i].red) : 0.0;
        lanes[4 * i + 2] = counts ? static_cast<double>(in[i].green) : 0.0;
        lanes[4 * i + 3] = counts ? static_cast<double>(in[i].blue) : 0.0;
    }
}


// The output for one selected pixel from its sums: without weight the source
// pixel whole; with all of the table's 32768 a shift (16-bit) or the sums as
// they are (float); else the division by the weight. Alpha is not written.
inline void StoreRegion(const uint32_t *acc, const PF_Pixel16 &src, PF_Pixel16 &out)
{
    const A_u_long weight = RegionLanes<PF_Pixel16>::TotalWeight(acc[0]);
    if (weight == 0) {
        out = src;
        return;
    }
    if (weight == 32768) {
        out.red = static_cast<A_u_short>((acc[1] + 16384) >> 15);
        out.green = static_cast<A_u_short>((acc[2] + 16384) >> 15);
        out.blue = static_cast<A_u_short>((acc[3] + 16384) >> 15);
        return;
    }
    out.red = static_cast<A_u_short>((acc[1] + weight / 2) / weight);
    out.green = static_cast<A_u_short>((acc[2] + weight / 2) / weight);
    out.blue = static_cast<A_u_short>((acc[3] + weight / 2) / weight);
}

inline void StoreRegion(const double *acc, const PF_PixelFloat &src, PF_PixelFloat &out)
{
    const A_u_long weight = RegionLanes<PF_PixelFloat>::TotalWeight(acc[0]);
    if (weight == 0) {
        out = src;
        return;
    }
    // 32768 / 32768 is exactly 1.
    const double scale = weight == 32768 ? 1.0 : 32768.0 / weight;
    out.red = static_cast<PF_FpShort>(acc[1] * scale);
    out.green = static_cast<PF_FpShort>(acc[2] * scale);
    out.blue = static_cast<PF_FpShort>(acc[3] * scale);
}

// Whether a pixel's sums hold all of the table's weight: a flag sum of
// 32768 (16-bit), of exactly 1.0 (float).
inline bool FullWeight(const uint32_t *acc) { return (acc[0] & 0xFFFF) == 32768; }
inline bool FullWeight(const double *acc) { return acc[0] == 1.0; }

// Writes the colour lanes of whole pixels (every fourth lane, from the
// first, is alpha) with masked stores, which leave alpha as it is without
// reading the destination: waiting for its lines stalls the stores more than
// taking them for the write does. AVX-512 only.
template <class Element, class V>
inline void StoreColourLanes(Element *to, const V &lanes)
{
    if constexpr (sizeof(Element) == 4) {
        static_assert(sizeof(V) == 32, "eight float lanes");
        __builtin_ia32_storeups256_mask(to, lanes, 0xEE);
    } else {
        static_assert(sizeof(Element) == 2 && sizeof(V) == 64, "thirty-two 16-bit lanes");
        // The builtin takes signed words.
        using Word = std::make_signed_t<Element>;
        using Words = typename VectorOf<Word, 32>::type;
        __builtin_ia32_storedquhi512_mask(reinterpret_cast<Word *>(to), reinterpret_cast<const Words &>(lanes),
                                          0xEEEEEEEE);
    }
}

// The outputs of a whole group whose pixels all have the table's full
// weight, with the destination's alpha kept: StoreRegion's shift (16-bit),
// or its scale by exactly 1, which leaves the sums as they are (float).
template <A_long kCount>
inline void StoreFull(const uint32_t *acc, PF_Pixel16 *out)
{
    if constexpr (kAvx512Target) {
        A_u_short lanes[4 * kCount];
        using Words = VectorOf<A_u_short, 32>::type;
        static_assert(4 * kCount % 32 == 0, "a group fills whole vectors");
        for (A_long l = 0; l < 4 * kCount; ++l) lanes[l] = static_cast<A_u_short>((acc[l] + 16384) >> 15);
        for (A_long g = 0; g < 4 * kCount / 32; ++g) {
            Words words;
            std::memcpy(&words, lanes + 32 * g, sizeof words);
            StoreColourLanes(reinterpret_cast<A_u_short *>(out) + 32 * g, words);
        }
        return;
    }
    // Two pixels a vector: GCC leaves a loop that skips the alpha lanes
    // scalar.
    using Words = VectorOf<A_u_short, 8>::type;
    const Words alpha = {0xFFFF, 0, 0, 0, 0xFFFF, 0, 0, 0};
    A_u_short *to = reinterpret_cast<A_u_short *>(out);
    for (A_long l = 0; l < 4 * kCount; l += 8) {
        U32x8 sums;
        LoadVector(sums, acc + l);
        const Words made = __builtin_convertvector((sums + 16384) >> 15, Words);
        Words kept;
        std::memcpy(&kept, to + l, sizeof kept);
        const Words merged = (kept & alpha) | (made & ~alpha);
        std::memcpy(to + l, &merged, sizeof merged);
    }
}

// Written with vectors: GCC turns the float form of a loop over lanes into
// scalar conversions.
template <A_long kCount>
inline void StoreFull(const double *acc, PF_PixelFloat *out)
{
    using V = LaneVectors<double>::V;
    constexpr int kLanes = LaneVectors<double>::kLanes;
    using Narrow = VectorOf<float, kLanes>::type;
    using Bits = VectorOf<int32_t, kLanes>::type;
    static_assert(4 * kCount % kLanes == 0, "a group fills whole vectors");
    Bits alpha = {};
    for (int l = 0; l < kLanes; l += 4) alpha[l] = -1;
    char *to = reinterpret_cast<char *>(out);
    for (int g = 0; g < 4 * kCount / kLanes; ++g) {
        V sum;
        LoadVector(sum, acc + g * kLanes);
        const Narrow narrowed = __builtin_convertvector(sum, Narrow);
        if constexpr (kAvx512Target) {
            StoreColourLanes(reinterpret_cast<PF_FpShort *>(to + g * sizeof(Bits)), narrowed);
            continue;
        }
        Bits kept, made;
        std::memcpy(&kept, to + g * sizeof(Bits), sizeof kept);
        std::memcpy(&made, &narrowed, sizeof made);
        const Bits merged = (kept & alpha) | (made & ~alpha);
        std::memcpy(to + g * sizeof(Bits), &merged, sizeof merged);
    }
}

// Float columns keep their prepared pixels planar, a group of
// kPlanarGroup pixels at a time: the group's flags, then its reds, greens and
// blues, kPlanarGroup lanes each. A full group then sums only its three
// colour planes, a quarter less arithmetic than pixels side by side, whose
// flag lanes such a group never reads.
constexpr A_long kPlanarGroup = 2 * LaneVectors<double>::kLanes;
constexpr int kPlanarVectors = 4 * kPlanarGroup / LaneVectors<double>::kLanes;
constexpr int kColourVectors = 3 * kPlanarGroup / LaneVectors<double>::kLanes;

using F32x4 = VectorOf<float, 4>::type;
using F32x8 = VectorOf<float, 8>::type;

// Four pixels, two vectors of two, prepared into their group's planes at
// `to` (the flag plane's lane of the first): zeros where counts is 0.
inline void PrepareFourPlanar(const F32x8 &front, const F32x8 &back, const A_u_char *counts, double *to)
{
    constexpr A_long G = kPlanarGroup;
    const I64x4 one = {0x3FF0000000000000, 0x3FF0000000000000, 0x3FF0000000000000, 0x3FF0000000000000};
    const I64x4 keep = {-static_cast<int64_t>(counts[0] != 0), -static_cast<int64_t>(counts[1] != 0),
                        -static_cast<int64_t>(counts[2] != 0), -static_cast<int64_t>(counts[3] != 0)};
    const auto plane = [&](const F32x4 &channel, double *at) {
        const F64x4 wide = __builtin_convertvector(channel, F64x4);
        I64x4 bits;
        std::memcpy(&bits, &wide, sizeof bits);
        bits &= keep;
        std::memcpy(at, &bits, sizeof bits);
    };
    const I64x4 flag = one & keep;
    std::memcpy(to, &flag, sizeof flag);
    // Separate vectors, not an array of them: GCC copies such an array
    // through the stack a half at a time, and the whole-vector loads after
    // it wait for the halves.
    plane(__builtin_shufflevector(front, back, 1, 5, 9, 13), to + G);
    plane(__builtin_shufflevector(front, back, 2, 6, 10, 14), to + 2 * G);
    plane(__builtin_shufflevector(front, back, 3, 7, 11, 15), to + 3 * G);
}

// The prepared planes of count pixels (whole groups up to total pixels):
// those not selected, and those at or past count, are zeros. Neither in nor
// selected is read at or past count.
inline void PreparePlanar(const PF_PixelFloat *in, const A_u_char *selected, A_long count, A_long total,
                          double *lanes)
{
    constexpr A_long G = kPlanarGroup;
    const auto to = [&](A_long p) { return lanes + 4 * (p / G * G) + p % G; };
    A_long p = 0;
    for (; p + 4 <= count; p += 4) {
        F32x8 front, back;
        LoadVector(front, &in[p].alpha);
        LoadVector(back, &in[p + 2].alpha);
        PrepareFourPlanar(front, back, selected + p, to(p));
    }
    for (; p < total; p += 4) {
        PF_PixelFloat pixels[4] = {};
        A_u_char counts[4] = {};
        for (A_long q = p; q < std::min(count, p + 4); ++q) {
            pixels[q - p] = in[q];
            counts[q - p] = selected[q];
        }
        F32x8 front, back;
        LoadVector(front, &pixels[0].alpha);
        LoadVector(back, &pixels[2].alpha);
        PrepareFourPlanar(front, back, counts, to(p));
    }
}

// Writes two pixels' colour lanes (every fourth lane, from the first, is
// alpha) and keeps their alpha.
inline void StoreColourPair(const F32x8 &colour, PF_PixelFloat *out)
{
    if constexpr (kAvx512Target) {
        StoreColourLanes(reinterpret_cast<PF_FpShort *>(out), colour);
        return;
    }
    const I32x8 alpha = {-1, 0, 0, 0, -1, 0, 0, 0};
    I32x8 kept, made;
    std::memcpy(&kept, out, sizeof kept);
    std::memcpy(&made, &colour, sizeof made);
    const I32x8 merged = (kept & alpha) | (made & ~alpha);
    std::memcpy(out, &merged, sizeof merged);
}

// The colour of a group's pixels from the sums of its colour planes as they
// are (the full weight's scale of exactly 1), alpha kept.
inline void StorePlanarColour(const double *planes, PF_PixelFloat *out)
{
    constexpr A_long G = kPlanarGroup;
    for (A_long p = 0; p < G; p += 4) {
        F64x4 wideRed, wideGreen, wideBlue;
        LoadVector(wideRed, planes + p);
        LoadVector(wideGreen, planes + G + p);
        LoadVector(wideBlue, planes + 2 * G + p);
        const F32x4 red = __builtin_convertvector(wideRed, F32x4), green = __builtin_convertvector(wideGreen, F32x4),
                    blue = __builtin_convertvector(wideBlue, F32x4);
        const F32x8 redGreen = __builtin_shufflevector(red, green, 0, 4, 1, 5, 2, 6, 3, 7);
        const F32x8 blues = __builtin_shufflevector(blue, blue, 0, 0, 1, 1, 2, 2, 3, 3);
        StoreColourPair(__builtin_shufflevector(redGreen, blues, 0, 0, 1, 8, 0, 2, 3, 10), out + p);
        StoreColourPair(__builtin_shufflevector(redGreen, blues, 0, 4, 5, 12, 0, 6, 7, 14), out + p + 2);
    }
}

// The weights of the taps in the lanes' form.
template <class Pixel>
inline void RegionWeights(const GaussTable &table, TapWeights<RegionLane<Pixel>> &weights)
{
    weights.Fill(TapReach(table), [&](A_long k) { return RegionLanes<Pixel>::Weight(table.taps[k]); });
}


// Which pixels of a group of count have a window (lo <= hi) and how alike
// the windows are.
struct GroupShape {
    A_long first;  // the first pixel with a window; count when none has one
    bool same;     // every pixel with a window has the same one
    bool whole;    // the group is whole and every pixel of it has a window
};

inline GroupShape ShapeOf(const A_long *lo, const A_long *hi, A_long count, A_long group)
{
    GroupShape shape{0, true, count == group};
    while (shape.first < count && lo[shape.first] > hi[shape.first]) ++shape.first;
    shape.whole = shape.whole && shape.first == 0;
    for (A_long j = shape.first + 1; j < count; ++j) {
        if (lo[j] <= hi[j] && (lo[j] != lo[shape.first] || hi[j] != hi[shape.first])) shape.same = false;
        if (lo[j] > hi[j]) shape.whole = false;
    }
    return shape;
}

// The sums of a group of count pixels and their output, given each pixel's
// window [lo, hi] relative to it (lo > hi: not selected, not written). When
// every selected pixel has the same window no lane needs a mask.
template <class Pixel, class At>
inline void BlurGroup(const At &at, const A_long *lo, const A_long *hi, A_long count,
                      const TapWeights<RegionLane<Pixel>> &weights, const Pixel *in, Pixel *out)
{
    using Lane = RegionLane<Pixel>;
    constexpr A_long kGroup = kGroupPixels<Lane, 4>;
    const GroupShape shape = ShapeOf(lo, hi, count, kGroup);
    if (shape.first == count) return;
    Lane sums[kGroup][4];
    if (shape.same)
        SumCommon<Lane>(at, lo[shape.first], hi[shape.first], weights, sums[0], true);
    else
        SumTaps<Lane, 4>(at, lo, hi, count, weights, sums);
    // Every pixel of the group selected and with the full weight: one store
    // for the group.
    bool full = shape.same && shape.whole;
    for (A_long j = 0; full && j < kGroup; ++j) full = FullWeight(sums[j]);
    if (full) {
        StoreFull<kGroup>(sums[0], out);
        return;
    }
    for (A_long j = shape.first; j < count; ++j)
        if (lo[j] <= hi[j]) StoreRegion(sums[j], in[j], out[j]);
}

// BlurGroup over planar float pixels.
template <class At>
inline void BlurPlanarGroup(const At &at, const A_long *lo, const A_long *hi, A_long count,
                            const TapWeights<double> &weights, const PF_PixelFloat *in, PF_PixelFloat *out)
{
    constexpr A_long G = kPlanarGroup;
    const GroupShape shape = ShapeOf(lo, hi, count, G);
    if (shape.first == count) return;
    alignas(64) double sums[4 * G];
    if (shape.same)
        SumCommon<double, kPlanarVectors>(at, lo[shape.first], hi[shape.first], weights, sums, true);
    else
        SumWindows<double, kPlanarVectors>(at, lo, hi, count, weights, sums, [](int lane) { return lane % G; });
    bool full = shape.same && shape.whole;
    for (A_long j = 0; full && j < G; ++j) full = sums[j] == 1.0;
    if (full) {
        StorePlanarColour(sums + G, out);
        return;
    }
    for (A_long j = shape.first; j < count; ++j) {
        if (lo[j] > hi[j]) continue;
        const double acc[4] = {sums[j], sums[G + j], sums[2 * G + j], sums[3 * G + j]};
        StoreRegion(acc, in[j], out[j]);
    }
}

// A whole group each of whose pixels has its whole window selected and inside
// the line: no lane needs a mask and every weight is full. at(k) points at
// the group's first pixel at offset k, prepared.
template <class Pixel, class At>
inline void BlurFullGroup(const At &at, A_long reach, const TapWeights<RegionLane<Pixel>> &weights, Pixel *out)
{
    using Lane = RegionLane<Pixel>;
    constexpr A_long kGroup = kGroupPixels<Lane, 4>;
    Lane sums[kGroup][4];
    SumCommon<Lane>(at, -reach, reach, weights, sums[0], true);
    StoreFull<kGroup>(sums[0], out);
}

// BlurFullGroup over planar float pixels: the colour planes only.
template <class At>
inline void BlurFullPlanarGroup(const At &at, A_long reach, const TapWeights<double> &weights, PF_PixelFloat *out)
{
    constexpr A_long G = kPlanarGroup;
    alignas(64) double sums[3 * G];
    SumCommon<double, kColourVectors>([&](A_long k) { return at(k) + G; }, -reach, reach, weights, sums, true);
    StorePlanarColour(sums, out);
}

// Two full planar groups one line apart, from their shared rows (see
// SumCommonPair).
template <class At>
inline void BlurFullPlanarPair(const At &at, A_long reach, const TapWeights<double> &weights, PF_PixelFloat *out,
                               PF_PixelFloat *outNext)
{
    constexpr A_long G = kPlanarGroup;
    alignas(64) double sums[3 * G], sumsNext[3 * G];
    SumCommonPair<double, kColourVectors>([&](A_long k) { return at(k) + G; }, reach, weights, sums, sumsNext);
    StorePlanarColour(sums, out);
    StorePlanarColour(sumsNext, outNext);
}

// How the column pass prepares its rows and blurs a group of a strip.
template <class Pixel>
struct ColumnLayout;

// 16-bit: pixels side by side. Sums share one multiply between offsets k
// and -k, which a pair of rows cannot.
template <>
struct ColumnLayout<PF_Pixel16> {
    using Lane = uint32_t;
    static constexpr A_long kGroup = kGroupPixels<Lane, 4>;
    static constexpr bool kPairs = false;

    static void Prepare(const PF_Pixel16 *in, const A_u_char *selected, A_long count, A_long total, Lane *lanes)
    {
        PrepareRegionPixels(in, selected, count, lanes);
        PrepareZeros<4>(total - count, lanes + 4 * count);
    }
    template <class At>
    static void Full(const At &at, A_long reach, const TapWeights<Lane> &weights, PF_Pixel16 *out)
    {
        BlurFullGroup<PF_Pixel16>(at, reach, weights, out);
    }
    template <class At>
    static void Group(const At &at, const A_long *lo, const A_long *hi, A_long count,
                      const TapWeights<Lane> &weights, const PF_Pixel16 *in, PF_Pixel16 *out)
    {
        BlurGroup<PF_Pixel16>(at, lo, hi, count, weights, in, out);
    }
};

// Float: planar groups. With 32 vector registers a full group whose pixels
// of the next row are full too writes both rows from one read of the rows
// they share; with 16 the two rows' sums do not fit in registers.
template <>
struct ColumnLayout<PF_PixelFloat> {
    using Lane = double;
    static constexpr A_long kGroup = kPlanarGroup;
    static constexpr bool kPairs = kAvx512Target;

    static void Prepare(const PF_PixelFloat *in, const A_u_char *selected, A_long count, A_long total, Lane *lanes)
    {
        PreparePlanar(in, selected, count, total, lanes);
    }
    template <class At>
    static void Full(const At &at, A_long reach, const TapWeights<Lane> &weights, PF_PixelFloat *out)
    {
        BlurFullPlanarGroup(at, reach, weights, out);
    }
    template <class At>
    static void FullPair(const At &at, A_long reach, const TapWeights<Lane> &weights, PF_PixelFloat *out,
                         PF_PixelFloat *outNext)
    {
        BlurFullPlanarPair(at, reach, weights, out, outNext);
    }
    template <class At>
    static void Group(const At &at, const A_long *lo, const A_long *hi, A_long count,
                      const TapWeights<Lane> &weights, const PF_PixelFloat *in, PF_PixelFloat *out)
    {
        BlurPlanarGroup(at, lo, hi, count, weights, in, out);
    }
};

// One row. The pixels that count for each other form spans: the runs of
// selected pixels (run-limited), or the whole row (window form, where the
// unselected pixels count as zeros).
template <class Pixel, BlurForm Form>
void RegionRowFast(const Pixel *in, const A_u_char *selected, A_long length, const GaussTable &table, Pixel *out)
{
    using Lane = RegionLane<Pixel>;
    constexpr A_long kGroup = kGroupPixels<Lane, 4>;
    const A_long reach = TapReach(table);
    TapWeights<Lane> weights;
    RegionWeights<Pixel>(table, weights);

    alignas(64) Lane buffer[kLineBufferBytes / sizeof(Lane)];
    const A_long piece = static_cast<A_long>(kLineBufferBytes / (4 * sizeof(Lane))) - 2 * reach - kGroup;
    for (A_long x = SelectedFrom(selected, 0, length); x < length; x = SelectedFrom(selected, x, length)) {
        A_long spanBegin = 0, spanEnd = length - 1;
        if constexpr (Form == BlurForm::RunLimited) {
            spanBegin = x;
            spanEnd = SelectedUntil(selected, x + 1, length) - 1;
        }
        SelectedStretch stretch(selected, spanBegin, spanEnd + 1);
        for (A_long begin = x; begin <= spanEnd; begin += piece) {
            const A_long end = std::min(spanEnd + 1, begin + piece);
            if (!AnySelected(selected + begin, end - begin))
                continue;
            // The buffer holds positions first to last - 1, made as the
            // groups need them: zeros outside the span, the span's pixels
            // inside. Full groups read it too: widening the source's floats
            // once a pixel costs less than at every tap.
            const A_long first = begin - reach, last = end + reach + kGroup;
            A_long preparedEnd = first;
            const auto prepare = [&](A_long from, A_long to) {
                const A_long inside = std::clamp(spanBegin, from, to), outside = std::clamp(spanEnd + 1, inside, to);
                PrepareZeros<4>(inside - from, buffer + 4 * (from - first));
                PrepareRegionPixels(in + inside, selected + inside, outside - inside, buffer + 4 * (inside - first));
                PrepareZeros<4>(to - outside, buffer + 4 * (outside - first));
            };
            for (A_long group = begin; group < end; group += kGroup) {
                const A_long count = std::min(kGroup, end - group);
                if (!AnySelected(selected + group, count)) continue;
                // The group reads a whole group's pixels at each offset.
                const A_long needFrom = std::max(preparedEnd, group - reach);
                const A_long needTo = std::min(last, group + reach + kGroup);
                if (needFrom < needTo) prepare(needFrom, needTo);
                preparedEnd = std::max(preparedEnd, needTo);
                const auto at = [&](A_long k) { return buffer + 4 * (group + k - first); };
                // Pixels whose whole window is selected need no bounds.
                if (count == kGroup && stretch.Covers(group - reach, group + kGroup - 1 + reach)) {
                    BlurFullGroup<Pixel>(at, reach, weights, out + group);
                    continue;
                }
                A_long lo[kGroup], hi[kGroup];
                for (A_long j = 0; j < count; ++j) {
                    const A_long at = group + j;
                    lo[j] = selected[at] == 0 ? 1 : std::max(spanBegin, at - reach) - at;
                    hi[j] = selected[at] == 0 ? 0 : std::min(spanEnd, at + reach) - at;
                }
                BlurGroup<Pixel>(at, lo, hi, count, weights, in + group, out + group);
            }
        }
        x = spanEnd + 1;
    }
}

// Columns are walked in strips of adjacent columns, row by row down a ring
// of prepared rows. The pixels that count for each other are those of the
// same run of a column (run-limited), or of the whole column (window form,
// where the unselected pixels count as zeros).
template <class Pixel, BlurForm Form>
PF_Err RegionColumnsFast(const RegionBlurJob<Pixel> &job, Slice slice)
{
    using Layout = ColumnLayout<Pixel>;
    using Lane = typename Layout::Lane;
    constexpr A_long kGroup = Layout::kGroup;
    const GaussTable &table = *job.table;
    const PF_LRect &rect = job.rect;
    const PixelMask &mask = *job.mask;
    const A_long height = AreaHeight(rect), reach = TapReach(table);
    TapWeights<Lane> weights;
    RegionWeights<Pixel>(table, weights);

    const A_long columns = StripColumns<Lane, 4, kGroup>(reach);
    const A_u_short window = static_cast<A_u_short>(2 * reach + 1);
    ScratchBlock block;
    PreparedRing<Lane> ring{};
    ColumnStreaks streaks{};
    A_long *runBegin = nullptr, *runEnd = nullptr;
    A_u_char *doneBelow = nullptr;       // at a group's first column: its next row is written
    const Lane *rowAt[2 * kStoredTaps];  // the prepared row of each offset from the current row
    PF_Err err = PF_Err_NONE;
    ForEachColumnStrip(mask, slice, columns, [&](A_long x0, A_long width) {
        if (err != PF_Err_NONE) return;
        if (block.get() == nullptr) {
            // One row more than the window: a pair of output rows reads it.
            const size_t ringBytes = RingBytes<Lane, 4>(reach, columns, 0, 1);
            const size_t stateBytes = (2 * sizeof(A_long) + sizeof(A_u_short) + 1) * static_cast<size_t>(columns);
            if (!block.Allocate(job.in_data->pica_basicP, ringBytes + stateBytes)) {
                err = PF_Err_OUT_OF_MEMORY;
                return;
            }
            ring = MakeRing<Lane, 4>(block.get(), reach, columns, 0, 1);
            runBegin = reinterpret_cast<A_long *>(static_cast<char *>(block.get()) + ringBytes);
            runEnd = runBegin + columns;
            streaks.counts = reinterpret_cast<A_u_short *>(runEnd + columns);
            doneBelow = reinterpret_cast<A_u_char *>(streaks.counts + columns);
        }
        std::fill(runEnd, runEnd + width, -1);
        std::fill(doneBelow, doneBelow + width, A_u_char(0));
        const auto sourceAt = [&](A_long row) { return PixelRow<Pixel>(job.source, rect.top + row) + rect.left + x0; };
        const auto prepare = [&](A_long row, Lane *slot) {
            if (row + kPrefetchRows < height) {
                const A_long ahead = row + kPrefetchRows;
                PrefetchBytes(sourceAt(ahead), width * sizeof(Pixel));
                PrefetchBytes(mask.Row(ahead) + x0, static_cast<size_t>(width));
            }
            Layout::Prepare(sourceAt(row), mask.Row(row) + x0, width, columns, slot);
        };
        for (A_long y = 0; y < height; ++y) {
            if (!mask.RowOccupied(y)) continue;
            const A_u_char *selected = mask.Row(y) + x0;
            if (!AnySelected(selected, width))
                continue;
            AdvanceRing(ring, x0, y, reach, height, prepare);
            ring.Rows(y - reach, 2 * reach + 2, 0, height - 1, rowAt);
            // Groups whose pixels all have their whole window selected and
            // inside the column need no bounds.
            const bool fullPossible = y >= reach && y + reach < height;
            if (fullPossible) streaks.FoldTo(mask, x0, width, y - reach, y + reach, window);
            // Where the layout pairs rows, a full group whose pixels of the
            // next row are full too (the row after its window selected)
            // writes both rows.
            const bool pairPossible =
                Layout::kPairs && fullPossible && y + reach + 1 < height && mask.RowOccupied(y + reach + 1);
            const A_u_char *after = mask.Row(std::min(y + reach + 1, height - 1)) + x0;
            bool nextRowReady = false;
            Pixel *out = PixelRow<Pixel>(job.destination, rect.top + y) + rect.left + x0;
            PrefetchOutputAhead<Pixel>(job.destination, rect, x0, width, y);
            for (A_long i = 0; i < width; i += kGroup) {
                const A_long count = std::min(kGroup, width - i);
                if (doneBelow[i] != 0) {
                    doneBelow[i] = 0;
                    continue;
                }
                const auto at = [&](A_long k) { return rowAt[k + reach] + 4 * i; };
                if (fullPossible && count == kGroup && AllEqual(streaks.counts + i, kGroup, window)) {
                    if (pairPossible && AllSelected(after + i, kGroup)) {
                        if (!nextRowReady) {
                            AdvanceRing(ring, x0, y + 1, reach, height, prepare);
                            nextRowReady = true;
                        }
                        Pixel *below = PixelRow<Pixel>(job.destination, rect.top + y + 1) + rect.left + x0;
                        if constexpr (Layout::kPairs) Layout::FullPair(at, reach, weights, out + i, below + i);
                        doneBelow[i] = 1;
                        continue;
                    }
                    Layout::Full(at, reach, weights, out + i);
                    continue;
                }
                A_long lo[kGroup], hi[kGroup];
                for (A_long j = 0; j < count; ++j) {
                    const A_long column = i + j;
                    if (selected[column] == 0) {
                        lo[j] = 1;
                        hi[j] = 0;
                        continue;
                    }
                    A_long from = 0, to = height - 1;
                    if constexpr (Form == BlurForm::RunLimited) {
                        // A run's first pixel never belongs to a full
                        // group (its window holds the pixel above the run,
                        // or starts above the rectangle), so every run
                        // starts here.
                        if (y > runEnd[column]) {
                            // A new run: it ends at the column's next unselected pixel.
                            runBegin[column] = y;
                            runEnd[column] = RunEndBelow(selected + column, mask.rowBytes, y, height);
                        }
                        from = runBegin[column];
                        to = runEnd[column];
                    }
                    lo[j] = std::max(from, y - reach) - y;
                    hi[j] = std::min(to, y + reach) - y;
                }
                Layout::Group(at, lo, hi, count, weights, sourceAt(y) + i, out + i);
            }
        }
    });
    return err;
}
