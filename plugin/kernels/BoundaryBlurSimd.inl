// The boundary blur's passes for tables without a tail and with no more than
// the stored taps, with the weighted sums of TapSums.inl. The weighted alpha
// takes prepared pixels of two lanes, the weight flag and the alpha. The
// plain sums of the window (the opaque pixels' number and colours): 16-bit as
// sums with unit weights over prepared pixels of four lanes, integer sums
// being the same in any order; float from the WindowSums of each line, whose
// order of additions the results depend on. Included by BoundaryBlur.cpp once
// per instruction set (see Simd.h).

#include "kernels/TapSums.inl"

template <class Pixel>
struct BoundaryLanes;
template <>
struct BoundaryLanes<PF_Pixel16> {
    using Lane = uint32_t;
    static Lane Weight(A_u_short tap) { return tap; }
    static A_u_long TotalWeight(Lane flagSum) { return flagSum & 0xFFFF; }
};
template <>
struct BoundaryLanes<PF_PixelFloat> {
    using Lane = double;
    static Lane Weight(A_u_short tap) { return tap * kTapUnit; }
    static A_u_long TotalWeight(Lane flagSum) { return static_cast<A_u_long>(flagSum * 32768.0) & 0xFFFF; }
};

template <class Pixel>
using BoundaryLane = typename BoundaryLanes<Pixel>::Lane;

// The weighted lanes: flag and alpha of the pixels that count.
template <class Pixel>
inline void PrepareAlphas(const Pixel *in, const A_u_char *selected, A_long count, BoundaryLane<Pixel> *lanes)
{
    using Lane = BoundaryLane<Pixel>;
    for (A_long i = 0; i < count; ++i) {
        const bool counts = selected[i] != 0;
        lanes[2 * i] = counts ? Lane(1) : Lane(0);
        lanes[2 * i + 1] = counts ? Lane(in[i].alpha) : Lane(0);
    }
}

// The 16-bit alpha lanes four pixels a vector.
inline void PrepareAlphas(const PF_Pixel16 *in, const A_u_char *selected, A_long count, uint32_t *lanes)
{
    using U16x16 = VectorOf<uint16_t, 16>::type;
    using U16x8 = VectorOf<uint16_t, 8>::type;
    const U32x8 alpha = {0, ~0u, 0, ~0u, 0, ~0u, 0, ~0u};
    const U32x8 flag = {1, 0, 1, 0, 1, 0, 1, 0};
    A_long i = 0;
    for (; i + 4 <= count; i += 4) {
        U16x16 four;
        std::memcpy(&four, in + i, sizeof four);
        const U16x8 alphas = __builtin_shufflevector(four, four, 0, 0, 4, 4, 8, 8, 12, 12);
        const U32x8 wide = __builtin_convertvector(alphas, U32x8);
        U32x8 kept;
        for (int l = 0; l < 8; ++l) kept[l] = selected[i + l / 2] != 0 ? ~0u : 0;
        const U32x8 prepared = ((wide & alpha) | flag) & kept;
        std::memcpy(lanes + 2 * i, &prepared, sizeof prepared);
    }
    for (; i < count; ++i) {
        const bool counts = selected[i] != 0;
        lanes[2 * i] = counts ? 1 : 0;
        lanes[2 * i + 1] = counts ? in[i].alpha : 0;
    }
}

// The 16-bit plain lanes: 1 and the colour of the opaque pixels that count.
inline void PrepareOpaque(const PF_Pixel16 *in, const A_u_char *selected, A_long count, uint32_t *lanes)
{
    PrepareColours(in, count, lanes, [&](A_long i) { return selected[i] != 0 && in[i].alpha != 0; });
}

// The 16-bit plain lanes of a line as running totals: lanes[4 i + c] becomes
// the sum of lane c over pixels 0 to i. Integer sums do not depend on their
// order, and the sum over a window is the difference of two totals, exact in
// 32-bit arithmetic that wraps, as every window's true sum fits.
inline void RunningTotals(uint32_t *lanes, A_long count)
{
    // The total carried in a register: read back from the lanes just
    // stored, each pixel would wait for the store before it.
    using U32x4 = VectorOf<uint32_t, 4>::type;
    U32x4 total = {};
    for (A_long i = 0; i < count; ++i) {
        U32x4 pixel;
        std::memcpy(&pixel, lanes + 4 * i, sizeof pixel);
        total += pixel;
        std::memcpy(lanes + 4 * i, &total, sizeof total);
    }
}

// The plain sums of the count pixels of a group from running totals: total(k)
// points at the totals of the group's first pixel at offset k (the pixel j's
// four lanes follow at 4 j), and pixel j's window [lo[j], hi[j]] sums to
// total(hi[j]) - total(lo[j] - 1). Pixels with lo > hi get nothing useful.
template <class Total>
inline void PlainSums(const Total &total, const A_long *lo, const A_long *hi, A_long count, uint32_t (*sums)[4])
{
    A_long first = 0;
    while (first < count && lo[first] > hi[first]) ++first;
    if (first == count) return;
    bool same = true;
    for (A_long j = first + 1; j < count; ++j)
        if (lo[j] <= hi[j] && (lo[j] != lo[first] || hi[j] != hi[first])) same = false;
    if (same) {
        const uint32_t *upper = total(hi[first]), *lower = total(lo[first] - 1);
        uint32_t *flat = sums[0];
        for (A_long l = 4 * first; l < 4 * count; ++l) flat[l] = upper[l] - lower[l];
        return;
    }
    for (A_long j = first; j < count; ++j) {
        if (lo[j] > hi[j]) continue;
        const uint32_t *upper = total(hi[j]) + 4 * j, *lower = total(lo[j] - 1) + 4 * j;
        for (int c = 0; c < 4; ++c) sums[j][c] = upper[c] - lower[c];
    }
}

// The blurred alpha without a tail: the source alpha without weight, the
// sums as they are with the whole table's weight, else scaled to it.
inline PF_FpShort BlurredAlpha(const double *weighted, const PF_PixelFloat &src)
{
    const A_u_long weight = BoundaryLanes<PF_PixelFloat>::TotalWeight(weighted[0]);
    if (weight == 0) return src.alpha;
    // 32768 / 32768 is exactly 1.
    const double scale = weight == 32768 ? 1.0 : 32768.0 / weight;
    return static_cast<PF_FpShort>(scale * weighted[1]);
}

// Rounded divisions by a window's opaque count, which is at most the
// window's width: a multiply by m = ceil(2^36 / d) and a shift, cheaper than
// a division. The quotient is exact for every numerator n below 2^26 (a
// window's sum of at most 599 16-bit values, plus half the count): with
// m d = 2^36 + e and e < d, n m / 2^36 exceeds n / d by n e / (d 2^36),
// less than 1 / d, and n / d lies at least 1 / d below the next whole number.
class CountDivisions {
public:
    explicit CountDivisions(A_long window) : size_(window + 1)
    {
        for (A_long d = 1; d < size_; ++d) multipliers_[d] = ((uint64_t(1) << 36) + d - 1) / d;
    }
    // (n + d / 2) div d for a count d > 0.
    A_u_short Rounded(uint32_t n, uint32_t d) const
    {
        n += d / 2;
        if (d >= static_cast<uint32_t>(size_)) return static_cast<A_u_short>(n / d);
        return static_cast<A_u_short>((n * multipliers_[d]) >> 36);
    }

private:
    A_long size_;
    uint64_t multipliers_[2 * kStoredTaps];
};

// The colour of a selected pixel from its window's opaque count and colour
// sums (16-bit plain lanes): their rounded means, or the source pixel whole
// when the window has no opaque pixel (src is read only then). The alpha is
// the caller's to set.
inline PF_Pixel16 MeanColour(const uint32_t *opaque, const PF_Pixel16 &src, const CountDivisions &divisions)
{
    const uint32_t count = opaque[0];
    if (count == 0) return src;
    return {0, divisions.Rounded(opaque[1], count), divisions.Rounded(opaque[2], count),
            divisions.Rounded(opaque[3], count)};
}

// A selected pixel's output from its weighted sums and its window's opaque
// count and colour sums. The blurred alpha: the source alpha without
// weight, a shift with the whole table's weight, else the rounded division.
inline void StoreBoundary(const uint32_t *weighted, const uint32_t *opaque, const PF_Pixel16 &src, bool keep,
                          const CountDivisions &divisions, PF_Pixel16 &out)
{
    A_u_short alpha = src.alpha;
    const A_u_long weight = BoundaryLanes<PF_Pixel16>::TotalWeight(weighted[0]);
    if (!keep && weight == 32768)
        alpha = static_cast<A_u_short>((weighted[1] + 16384) >> 15);
    else if (!keep && weight != 0)
        alpha = static_cast<A_u_short>((weighted[1] + weight / 2) / weight);
    out = MeanColour(opaque, src, divisions);
    out.alpha = alpha;
}

// Float: the window's sums as its WindowSums give them.
template <class Totals>
inline void StoreBoundary(const double *weighted, const Totals &totals, const PF_PixelFloat &src, bool keep,
                          PF_PixelFloat &out)
{
    const PF_FpShort alpha = keep ? src.alpha : BlurredAlpha(weighted, src);
    const double count = totals.sum[kOpaqueCount];
    if (count == 0) {
        out = src;
    } else {
        out.red = static_cast<PF_FpShort>(totals.sum[kRedSum] / count);
        out.green = static_cast<PF_FpShort>(totals.sum[kGreenSum] / count);
        out.blue = static_cast<PF_FpShort>(totals.sum[kBlueSum] / count);
    }
    out.alpha = alpha;
}

template <class Pixel>
inline void BoundaryWeights(const GaussTable &table, TapWeights<BoundaryLane<Pixel>> &weights)
{
    weights.Fill(TapReach(table), [&](A_long k) { return BoundaryLanes<Pixel>::Weight(table.taps[k]); });
}

// Output pixels handled side by side: 16-bit, a group of the opaque sums;
// float, a group of the weighted sums. A group reads this many pixels at
// each offset.
template <class Pixel>
constexpr A_long kBoundaryGroup = std::is_same_v<Pixel, PF_Pixel16> ? kGroupPixels<uint32_t, 4>
                                                                    : kGroupPixels<double, 2>;

// The weighted sums of a 16-bit group fill only as many vectors as its
// pixels' two lanes each need.
constexpr int kAlphaVectors = 2 * kBoundaryGroup<PF_Pixel16> / LaneVectors<uint32_t>::kLanes;

// The weighted sums of a 16-bit group (see SumWindows).
template <class At>
inline bool SumAlphas(const At &at, const A_long *lo, const A_long *hi, A_long count,
                      const TapWeights<uint32_t> &weights, uint32_t (*weighted)[2])
{
    return SumWindows<uint32_t, kAlphaVectors>(at, lo, hi, count, weights, weighted[0],
                                               [](int lane) { return lane / 2; });
}

// The outputs of a whole 16-bit group each of whose pixels has its whole
// window selected and inside the line: every window is [-reach, reach], so
// no lane needs a bound and every pixel has the table's whole weight.
// alphaAt(k) and totalAt(k) point at the group's prepared alphas and running
// totals at offset k.
template <class AlphaAt, class TotalAt>
inline void BoundaryFullGroup(const AlphaAt &alphaAt, const TotalAt &totalAt, A_long reach,
                              const TapWeights<uint32_t> &weights, const CountDivisions &divisions,
                              const PF_Pixel16 *in, const A_u_char *keep, PF_Pixel16 *out)
{
    constexpr A_long kGroup = kBoundaryGroup<PF_Pixel16>;
    uint32_t weighted[kGroup][2], sums[kGroup][4];
    SumCommon<uint32_t, kAlphaVectors>(alphaAt, -reach, reach, weights, weighted[0], true);
    const uint32_t *upper = totalAt(reach), *lower = totalAt(-reach - 1);
    uint32_t *flat = sums[0];
    for (A_long l = 0; l < 4 * kGroup; ++l) flat[l] = upper[l] - lower[l];
    // The source alphas from the prepared lanes, which every pixel of the
    // group keeps whole: the source row itself is far behind in the caches.
    const uint32_t *prepared = alphaAt(0);
    for (A_long j = 0; j < kGroup; ++j) {
        PF_Pixel16 result = MeanColour(sums[j], in[j], divisions);
        result.alpha = keep[j] != 0 ? static_cast<A_u_short>(prepared[2 * j + 1])
                                    : static_cast<A_u_short>((weighted[j][1] + 16384) >> 15);
        out[j] = result;
    }
}

// The window of each pixel of a group relative to it, from the span of
// pixels that count for each other; lo > hi for pixels not selected.
inline void GroupWindows(const A_u_char *selected, A_long group, A_long count, A_long spanBegin, A_long spanEnd,
                         A_long reach, A_long *lo, A_long *hi)
{
    for (A_long j = 0; j < count; ++j) {
        const A_long at = group + j;
        lo[j] = selected[at] == 0 ? 1 : std::max(spanBegin, at - reach) - at;
        hi[j] = selected[at] == 0 ? 0 : std::min(spanEnd, at + reach) - at;
    }
}

// Calls piece(begin, end, spanBegin, spanEnd) for the pieces of at most
// `piece` pixels of the spans of a row that hold selected pixels; a span is a
// run (run-limited) or the whole row (window form).
template <BlurForm Form, class Piece>
void ForEachPiece(const A_u_char *selected, A_long length, A_long piece, Piece &&visit)
{
    for (A_long x = SelectedFrom(selected, 0, length); x < length; x = SelectedFrom(selected, x, length)) {
        A_long spanBegin = 0, spanEnd = length - 1;
        if constexpr (Form == BlurForm::RunLimited) {
            spanBegin = x;
            spanEnd = SelectedUntil(selected, x + 1, length) - 1;
        }
        for (A_long begin = x; begin <= spanEnd; begin += piece) {
            const A_long end = std::min(spanEnd + 1, begin + piece);
            if (AnySelected(selected + begin, end - begin))
                visit(begin, end, spanBegin, spanEnd);
        }
        x = spanEnd + 1;
    }
}

// Prepares the pixels [first, last) of a row into lanes, zeros outside the
// span [spanBegin, spanEnd].
template <int PerPixel, class Lane, class Prepare>
void PrepareSpan(A_long first, A_long last, A_long spanBegin, A_long spanEnd, Lane *lanes, Prepare &&prepare)
{
    const A_long inside = std::max(first, spanBegin), outside = std::min(last, spanEnd + 1);
    PrepareZeros<PerPixel>(inside - first, lanes);
    prepare(inside, outside - inside, lanes + PerPixel * (inside - first));
    PrepareZeros<PerPixel>(last - outside, lanes + PerPixel * (outside - first));
}

template <BlurForm Form>
void BoundaryRowFast(const PF_Pixel16 *in, const A_u_char *region, const A_u_char *keep, A_long length,
                     const GaussTable &table, PF_Pixel16 *out)
{
    constexpr A_long kGroup = kBoundaryGroup<PF_Pixel16>;
    const A_long reach = TapReach(table);
    TapWeights<uint32_t> weights;
    BoundaryWeights<PF_Pixel16>(table, weights);
    const CountDivisions divisions(2 * reach + 1);

    alignas(64) uint32_t alphas[kLineBufferBytes / sizeof(uint32_t) / 3];
    // The running totals of the plain lanes, after one pixel of zeros: the
    // total before the first pixel.
    alignas(64) uint32_t opaqueTotals[2 * kLineBufferBytes / sizeof(uint32_t) / 3];
    uint32_t *const opaque = opaqueTotals + 4;
    std::fill(opaqueTotals, opaque, 0u);
    const A_long piece = static_cast<A_long>(sizeof opaqueTotals / (4 * sizeof(uint32_t))) - 1 - 2 * reach -
                         kBoundaryGroup<PF_Pixel16>;
    ForEachPiece<Form>(region, length, piece, [&](A_long begin, A_long end, A_long spanBegin, A_long spanEnd) {
        const A_long first = begin - reach, last = end + reach + kBoundaryGroup<PF_Pixel16>;
        PrepareSpan<2>(first, last, spanBegin, spanEnd, alphas, [&](A_long at, A_long count, uint32_t *lanes) {
            PrepareAlphas(in + at, region + at, count, lanes);
        });
        PrepareSpan<4>(first, last, spanBegin, spanEnd, opaque, [&](A_long at, A_long count, uint32_t *lanes) {
            PrepareOpaque(in + at, region + at, count, lanes);
        });
        RunningTotals(opaque, last - first);
        SelectedStretch stretch(region, spanBegin, spanEnd + 1);
        for (A_long group = begin; group < end; group += kGroup) {
            const A_long count = std::min(kGroup, end - group);
            const auto alphaAt = [&](A_long k) { return alphas + 2 * (group + k - first); };
            const auto totalAt = [&](A_long k) { return opaque + 4 * (group + k - first); };
            if (count == kGroup && stretch.Covers(group - reach, group + kGroup - 1 + reach)) {
                BoundaryFullGroup(alphaAt, totalAt, reach, weights, divisions, in + group, keep + group,
                                  out + group);
                continue;
            }
            A_long lo[kGroup], hi[kGroup];
            GroupWindows(region, group, count, spanBegin, spanEnd, reach, lo, hi);
            uint32_t weighted[kGroup][2], sums[kGroup][4];
            if (!SumAlphas(alphaAt, lo, hi, count, weights, weighted)) continue;
            PlainSums(totalAt, lo, hi, count, sums);
            for (A_long j = 0; j < count; ++j)
                if (lo[j] <= hi[j])
                    StoreBoundary(weighted[j], sums[j], in[group + j], keep[group + j] != 0, divisions,
                                  out[group + j]);
        }
    });
}

template <BlurForm Form>
void BoundaryRowFast(const PF_PixelFloat *in, const A_u_char *region, const A_u_char *keep, A_long length,
                     const GaussTable &table, PF_PixelFloat *out)
{
    using Plain = WindowSums<BoundaryTerms<PF_PixelFloat, double>>;
    constexpr A_long kGroup = kBoundaryGroup<PF_PixelFloat>;
    const A_long reach = TapReach(table);
    TapWeights<double> weights;
    BoundaryWeights<PF_PixelFloat>(table, weights);

    // The window sums of each pixel of a piece, as the walk along the row
    // gives them.
    constexpr A_long kPiece = 512;
    Plain::Totals totals[kPiece];
    alignas(64) double alphas[2 * (kPiece + 2 * kStoredTaps + kBoundaryGroup<PF_PixelFloat>)];
    const LineView<PF_PixelFloat> pixels = RowView(in);
    const LineView<A_u_char> selected = RowView(region);
    WindowWalk<Form, Plain> walk(length, table.n - 1);
    Plain plain;
    ForEachPiece<Form>(region, length, kPiece, [&](A_long begin, A_long end, A_long spanBegin, A_long spanEnd) {
        const A_long first = begin - reach, last = end + reach + kBoundaryGroup<PF_PixelFloat>;
        PrepareSpan<2>(first, last, spanBegin, spanEnd, alphas, [&](A_long at, A_long count, double *lanes) {
            PrepareAlphas(in + at, region + at, count, lanes);
        });
        for (A_long x = begin; x < end; ++x) {
            if (region[x] == 0) continue;
            A_long lo, hi;
            walk.Visit(pixels, selected, x, plain, lo, hi);
            // Made in place: assigning a returned copy went through the
            // stack in pieces that the processor could not forward.
            new (&totals[x - begin]) Plain::Totals(plain.Sum(pixels, selected, lo, hi));
        }
        for (A_long group = begin; group < end; group += kGroup) {
            const A_long count = std::min(kGroup, end - group);
            A_long lo[kGroup], hi[kGroup];
            GroupWindows(region, group, count, spanBegin, spanEnd, reach, lo, hi);
            double weighted[kGroup][2];
            const auto alphaAt = [&](A_long k) { return alphas + 2 * (group + k - first); };
            if (!SumTaps<double, 2>(alphaAt, lo, hi, count, weights, weighted)) continue;
            for (A_long j = 0; j < count; ++j)
                if (lo[j] <= hi[j])
                    StoreBoundary(weighted[j], totals[group + j - begin], in[group + j], keep[group + j] != 0,
                                  out[group + j]);
        }
    });
}

// The window of column `column` of a strip at row y relative to y, for a
// pixel the mask selects; runs (run-limited) are found when the walk enters
// them and kept in runBegin and runEnd.
template <BlurForm Form>
inline void ColumnWindow(const PixelMask &mask, const A_u_char *selectedHere, A_long column, A_long y, A_long height,
                         A_long reach, A_long *runBegin, A_long *runEnd, A_long &lo, A_long &hi)
{
    A_long from = 0, to = height - 1;
    if constexpr (Form == BlurForm::RunLimited) {
        if (y > runEnd[column]) {
            runBegin[column] = y;
            runEnd[column] = RunEndBelow(selectedHere + column, mask.rowBytes, y, height);
        }
        from = runBegin[column];
        to = runEnd[column];
    }
    lo = std::max(from, y - reach) - y;
    hi = std::min(to, y + reach) - y;
}

template <BlurForm Form>
PF_Err BoundaryColumnsFast(const BoundaryBlurJob<PF_Pixel16> &job, Slice slice)
{
    constexpr A_long kGroup = kBoundaryGroup<PF_Pixel16>;
    const GaussTable &table = *job.table;
    const PF_LRect &rect = job.rect;
    const PixelMask &mask = *job.regionMask;
    const A_long height = AreaHeight(rect), reach = TapReach(table);
    TapWeights<uint32_t> weights;
    BoundaryWeights<PF_Pixel16>(table, weights);
    const CountDivisions divisions(2 * reach + 1);

    // The two rings together as one of six lanes to a pixel.
    const A_long columns = StripColumns<uint32_t, 6>(reach) / kGroup * kGroup + kGroup;
    const size_t alphaBytes = RingBytes<uint32_t, 2>(reach, columns);
    // The plain lanes as running totals down each column of the strip, from
    // the first row prepared since the rows stopped following on: the ring
    // keeps the row before the window too.
    const size_t opaqueBytes = RingBytes<uint32_t, 4>(reach, columns, 0, 1);
    ScratchBlock block;
    PreparedRing<uint32_t> alphaRing{}, opaqueRing{};
    A_long *runBegin = nullptr, *runEnd = nullptr;
    ColumnStreaks streaks{};
    const A_u_short window = static_cast<A_u_short>(2 * reach + 1);
    const uint32_t *alphaRow[2 * kStoredTaps], *totalRow[2 * kStoredTaps + 1];
    A_long totalsFrom = 0, totalsLast = -2;  // the rows the running totals cover
    PF_Err err = PF_Err_NONE;
    ForEachColumnStrip(mask, slice, columns, [&](A_long x0, A_long width) {
        if (err != PF_Err_NONE) return;
        if (block.get() == nullptr) {
            const size_t stateBytes = (2 * sizeof(A_long) + sizeof(A_u_short)) * static_cast<size_t>(columns);
            if (!block.Allocate(job.in_data->pica_basicP, alphaBytes + opaqueBytes + stateBytes)) {
                err = PF_Err_OUT_OF_MEMORY;
                return;
            }
            char *memory = static_cast<char *>(block.get());
            alphaRing = MakeRing<uint32_t, 2>(memory, reach, columns);
            opaqueRing = MakeRing<uint32_t, 4>(memory + alphaBytes, reach, columns, 0, 1);
            runBegin = reinterpret_cast<A_long *>(memory + alphaBytes + opaqueBytes);
            runEnd = runBegin + columns;
            streaks.counts = reinterpret_cast<A_u_short *>(runEnd + columns);
        }
        std::fill(runEnd, runEnd + width, -1);
        totalsLast = -2;
        for (A_long y = 0; y < height; ++y) {
            if (!mask.RowOccupied(y)) continue;
            const A_u_char *selected = mask.Row(y) + x0;
            if (!AnySelected(selected, width))
                continue;
            const auto source = [&](A_long row) { return PixelRow<PF_Pixel16>(job.source, rect.top + row) + rect.left + x0; };
            AdvanceRing(alphaRing, x0, y, reach, height, [&](A_long row, uint32_t *slot) {
                if (row + kPrefetchRows < height) {
                    PrefetchBytes(source(row + kPrefetchRows), width * sizeof(PF_Pixel16));
                    PrefetchBytes(mask.Row(row + kPrefetchRows) + x0, static_cast<size_t>(width));
                }
                // The keep mask's row is read when the walk reaches the
                // row, reach rows on.
                PrefetchBytes(job.keepMask->Row(row) + x0, static_cast<size_t>(width));
                PrepareAlphas(source(row), mask.Row(row) + x0, width, slot);
                PrepareZeros<2>(columns - width, slot + 2 * width);
            });
            AdvanceRing(opaqueRing, x0, y, reach, height, [&](A_long row, uint32_t *slot) {
                PrepareOpaque(source(row), mask.Row(row) + x0, width, slot);
                PrepareZeros<4>(columns - width, slot + 4 * width);
                if (row == totalsLast + 1) {
                    // The bound in a local: the lanes may alias an int the
                    // lambda sees by reference, which would be read anew
                    // every lane and keep the loop from vectorising.
                    const uint32_t *above = opaqueRing.Slot(row - 1);
                    const A_long lanes = 4 * columns;
                    for (A_long l = 0; l < lanes; ++l) slot[l] += above[l];
                } else {
                    totalsFrom = row;
                }
                totalsLast = row;
            });
            alphaRing.Around(y, reach, height, alphaRow);
            // totalRow[k + reach + 1]: the totals of row y + k, zero outside the
            // rows they cover.
            opaqueRing.Rows(y - reach - 1, 2 * reach + 2, totalsFrom, totalsLast, totalRow);
            const PF_Pixel16 *in = source(y);
            PF_Pixel16 *out = PixelRow<PF_Pixel16>(job.destination, rect.top + y) + rect.left + x0;
            PrefetchOutputAhead<PF_Pixel16>(job.destination, rect, x0, width, y);
            const A_u_char *keep = job.keepMask->Row(y) + x0;
            // Groups whose pixels all have their whole window selected and
            // inside the column need no bounds. A run's first pixel never
            // belongs to one (its window holds the pixel above the run, or
            // starts above the rectangle), so every run is still found below.
            const bool fullPossible = y >= reach && y + reach < height;
            if (fullPossible) streaks.FoldTo(mask, x0, width, y - reach, y + reach, window);
            for (A_long i = 0; i < width; i += kGroup) {
                const A_long count = std::min(kGroup, width - i);
                const auto alphaAt = [&](A_long k) { return alphaRow[k + reach] + 2 * i; };
                const auto totalAt = [&](A_long k) { return totalRow[k + reach + 1] + 4 * i; };
                if (fullPossible && count == kGroup && AllEqual(streaks.counts + i, kGroup, window)) {
                    BoundaryFullGroup(alphaAt, totalAt, reach, weights, divisions, in + i, keep + i, out + i);
                    continue;
                }
                // Cleared so that GCC sees every bound the sums read set.
                A_long lo[kGroup] = {}, hi[kGroup] = {};
                for (A_long j = 0; j < count; ++j) {
                    lo[j] = 1;
                    hi[j] = 0;
                    if (selected[i + j] != 0)
                        ColumnWindow<Form>(mask, selected, i + j, y, height, reach, runBegin, runEnd, lo[j], hi[j]);
                }
                uint32_t weighted[kGroup][2], sums[kGroup][4];
                if (!SumAlphas(alphaAt, lo, hi, count, weights, weighted)) continue;
                PlainSums(totalAt, lo, hi, count, sums);
                for (A_long j = 0; j < count; ++j)
                    if (lo[j] <= hi[j])
                        StoreBoundary(weighted[j], sums[j], in[i + j], keep[i + j] != 0, divisions, out[i + j]);
            }
        }
    });
    return err;
}

template <BlurForm Form>
PF_Err BoundaryColumnsFast(const BoundaryBlurJob<PF_PixelFloat> &job, Slice slice)
{
    using Plain = WindowSums<BoundaryTerms<PF_PixelFloat, double>>;
    constexpr A_long kGroup = kBoundaryGroup<PF_PixelFloat>;
    const GaussTable &table = *job.table;
    const PF_LRect &rect = job.rect;
    const PixelMask &mask = *job.regionMask;
    const A_long height = AreaHeight(rect), reach = TapReach(table);
    TapWeights<double> weights;
    BoundaryWeights<PF_PixelFloat>(table, weights);

    const A_long columns = StripColumns<double, 2>(reach);
    void *memory = nullptr;
    PreparedRing<double> ring{};
    const double *alphaRow[2 * kStoredTaps];
    return WalkColumnStrips<PF_PixelFloat, Form, Plain>(
        job.in_data->pica_basicP, job.source, rect, mask, slice, table.n - 1, columns,
        RingBytes<double, 2>(reach, columns), &memory, [&](A_long y, const ColumnWalks<Form, Plain> &strip) {
            if (ring.rows == nullptr) ring = MakeRing<double, 2>(memory, reach, columns);
            const auto source = [&](A_long row) {
                return PixelRow<PF_PixelFloat>(job.source, rect.top + row) + rect.left + strip.x0;
            };
            AdvanceRing(ring, strip.x0, y, reach, height, [&](A_long row, double *slot) {
                if (row + kPrefetchRows < height) {
                    PrefetchBytes(source(row + kPrefetchRows), strip.width * sizeof(PF_PixelFloat));
                    PrefetchBytes(mask.Row(row + kPrefetchRows) + strip.x0, static_cast<size_t>(strip.width));
                }
                PrepareAlphas(source(row), mask.Row(row) + strip.x0, strip.width, slot);
                PrepareZeros<2>(columns - strip.width, slot + 2 * strip.width);
            });
            ring.Around(y, reach, height, alphaRow);
            const PF_PixelFloat *in = source(y);
            PF_PixelFloat *out = PixelRow<PF_PixelFloat>(job.destination, rect.top + y) + rect.left + strip.x0;
            PrefetchOutputAhead<PF_PixelFloat>(job.destination, rect, strip.x0, strip.width, y);
            const A_u_char *keep = job.keepMask->Row(y) + strip.x0;
            for (A_long i = 0; i < strip.width; i += kGroup) {
                const A_long count = std::min(kGroup, strip.width - i);
                A_long lo[kGroup], hi[kGroup];
                for (A_long j = 0; j < count; ++j) {
                    lo[j] = strip.lo[i + j];
                    hi[j] = strip.hi[i + j];
                    if (lo[j] > hi[j]) continue;
                    lo[j] = std::max(lo[j], y - reach) - y;
                    hi[j] = std::min(hi[j], y + reach) - y;
                }
                double weighted[kGroup][2];
                const auto alphaAt = [&](A_long k) { return alphaRow[k + reach] + 2 * i; };
                if (!SumTaps<double, 2>(alphaAt, lo, hi, count, weights, weighted)) continue;
                for (A_long j = 0; j < count; ++j) {
                    if (lo[j] > hi[j]) continue;
                    const A_long column = i + j;
                    const LineView<PF_PixelFloat> pixels{
                        reinterpret_cast<const char *>(source(0) + column), job.source->rowbytes};
                    const LineView<A_u_char> selected{reinterpret_cast<const char *>(mask.data + strip.x0 + column),
                                                      mask.rowBytes};
                    StoreBoundary(weighted[j], strip.sums[column].Sum(pixels, selected, strip.lo[column], strip.hi[column]),
                                  in[column], keep[column] != 0, out[column]);
                }
            }
        });
}
