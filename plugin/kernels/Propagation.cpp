#include "kernels/Propagation.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "AE_EffectCB.h"
#include "kernels/KernelArea.h"
#include "kernels/Slices.h"

namespace {

// A line of values, a row or a column, in a world or a buffer.
template <class T>
struct Line {
    using Byte = std::conditional_t<std::is_const_v<T>, const char, char>;
    Byte *first;
    ptrdiff_t stride;  // bytes from one value to the next
    T &operator[](A_long i) const { return *reinterpret_cast<T *>(first + i * stride); }
};

// A line of contiguous values.
template <class T>
Line<T> Contiguous(T *values)
{
    return {reinterpret_cast<typename Line<T>::Byte *>(values), static_cast<ptrdiff_t>(sizeof(T))};
}

// The walks from every seed of one line. Each seed is copied to spread and
// gets distance 0. The first seed of a run walks left and the last walks
// right, over distances 1 .. reach - 1 and never onto the line's first or last
// pixel; a fill pixel takes the seed's pixel and the step count k when k is
// below its recorded distance, and record(p, k) is told. A pixel outside the
// fill mask ends the walk with stopAtGap, and is stepped over otherwise.
template <class Pixel, class Record>
void SpreadLine(Line<const Pixel> source, Line<Pixel> spread, Line<const A_u_char> seed, Line<const A_u_char> fill,
                Line<A_u_short> distance, A_long length, A_long reach, bool stopAtGap, Record &&record)
{
    bool runStart = true;
    for (A_long x = 0; x < length; ++x) {
        if (seed[x] == 0) continue;
        spread[x] = source[x];
        distance[x] = 0;
        // False once the walk has to end.
        const auto step = [&](A_long p, A_long k) {
            if (fill[p] == 0) return !stopAtGap;
            if (k < distance[p]) {
                distance[p] = static_cast<A_u_short>(k);
                record(p, distance[p]);
                spread[p] = source[x];
            }
            return true;
        };
        if (runStart) {
            const A_long end = std::max<A_long>(0, x - reach);
            for (A_long p = x - 1; p > end && step(p, x - p); --p) {
            }
            runStart = false;
        }
        if (x < length - 1 && seed[x + 1] == 0) {
            const A_long end = std::min(x + reach, length - 1);
            for (A_long p = x + 1; p < end && step(p, p - x); ++p) {
            }
            runStart = true;
        }
    }
}

// Walks are bounded by the line anyway, so a longer reach changes nothing.
A_long Reach(const PF_LRect &rect, double distance)
{
    return static_cast<A_long>(std::min(distance, static_cast<double>(std::max(AreaWidth(rect), AreaHeight(rect)))));
}

// The nearest recorded distance of a fill pixel; a later candidate wins only
// when strictly nearer.
struct Nearest {
    float v = kNoDistance;
    A_long x = 0, y = 0;  // the rectangle's top-left pixel when nothing was found
    bool found = false;

    // A pixel along the line at offset steps whose map entry across is entry.
    void Consider(A_long offset, A_u_short entry, A_long px, A_long py)
    {
        if (entry == kNoDistance) return;
        const float candidate = std::sqrt(static_cast<float>(offset * offset + entry * entry));
        if (candidate < v) {
            v = candidate;
            x = px;
            y = py;
            found = true;
        }
    }
};

A_u_short Fade(A_u_short alpha, double reach, double v) { return static_cast<A_u_short>((reach - v) * alpha / reach); }
PF_FpShort Fade(PF_FpShort alpha, double reach, double v)
{
    return static_cast<PF_FpShort>((reach - v) * alpha / reach);
}

}  // namespace

bool DistanceMap::Allocate(const SPBasicSuite *basic, A_long width, A_long height)
{
    stride_ = (width + 3) / 4 * 4;
    const size_t count = static_cast<size_t>(stride_) * static_cast<size_t>(height);
    if (!block_.Allocate(basic, count * sizeof(A_u_short))) return false;
    entries_ = static_cast<A_u_short *>(block_.get());
    std::fill(entries_, entries_ + count, kNoDistance);
    return true;
}

template <class Pixel>
PF_Err SpreadRows(void *refcon, A_long /*thread*/, A_long index, A_long slices)
{
    const auto &job = *static_cast<const PropagationJob<Pixel> *>(refcon);
    const A_long width = AreaWidth(job.rect);
    const Slice slice = SliceOf(AreaHeight(job.rect), index, slices);
    for (A_long y = slice.begin; y < slice.end; ++y) {
        if (!job.fillMask->RowOccupied(y)) continue;
        const Pixel *source = PixelRow<Pixel>(job.source, job.rect.top + y) + job.rect.left;
        Pixel *spread = PixelRow<Pixel>(job.spread, job.rect.top + y) + job.rect.left;
        SpreadLine(Contiguous(source), Contiguous(spread), Contiguous<const A_u_char>(job.seedMask->Row(y)),
                   Contiguous<const A_u_char>(job.fillMask->Row(y)), Contiguous(job.rowMap->Row(y)), width,
                   Reach(job.rect, job.distance), job.stopAtGap, [](A_long, A_u_short) {});
    }
    return PF_Err_NONE;
}

// Columns are spread a strip at a time: each row's piece of the strip (seed
// and fill bytes, pixels, distances) is copied into a buffer of the strip's
// rows, the walks go down its columns, and what they wrote goes back row by
// row, so no pass reads a world down a column. Walks reach less than `reach`
// rows from their seed, so only the rows that near a seed of the strip are
// copied in and back.
template <class Pixel>
class SpreadStrip {
public:
    static constexpr A_long kColumns = 16;
    static_assert(kColumns % 8 == 0, "a row's seed bytes are tested eight at a time");

    // False when the host has no memory for it.
    bool Allocate(const SPBasicSuite *basic, A_long height)
    {
        const size_t cells = static_cast<size_t>(height) * kColumns;
        if (!block_.Allocate(basic, cells * (2 * sizeof(Pixel) + sizeof(A_u_short) + 3))) return false;
        char *memory = static_cast<char *>(block_.get());
        source_ = reinterpret_cast<Pixel *>(memory);
        spread_ = source_ + cells;
        distance_ = reinterpret_cast<A_u_short *>(spread_ + cells);
        seed_ = reinterpret_cast<A_u_char *>(distance_ + cells);
        fill_ = seed_ + cells;
        recorded_ = fill_ + cells;
        return true;
    }

    // Columns x0 to x0 + count - 1 of the job's rectangle, for walks of up
    // to `reach` steps.
    void Load(const PropagationJob<Pixel> &job, A_long x0, A_long count, A_long reach)
    {
        // Whole strips copy rows of a size known here, which stay inline.
        if (count == kColumns)
            LoadRows(job, x0, static_cast<size_t>(kColumns), reach);
        else
            LoadRows(job, x0, static_cast<size_t>(count), reach);
    }

    // The walks down column i of the strip; seeds get their distance 0 in the
    // buffer only.
    void Spread(A_long i, A_long height, A_long reach, bool stopAtGap)
    {
        A_u_char *recorded = recorded_ + i;
        SpreadLine(Column<const Pixel>(source_, i), Column<Pixel>(spread_, i), Column<const A_u_char>(seed_, i),
                   Column<const A_u_char>(fill_, i), Column<A_u_short>(distance_, i), height, reach, stopAtGap,
                   [recorded](A_long y, A_u_short) { recorded[static_cast<ptrdiff_t>(y) * kColumns] = 1; });
    }

    // The spread pixels of seeds and of walked pixels, and the distances the
    // walks recorded, into the job's spread world and column map.
    void Store(const PropagationJob<Pixel> &job, A_long x0, A_long count, A_long reach,
               const A_u_char *spreadColumns) const
    {
        ForEachReachedStretch(AreaHeight(job.rect), reach, [&](A_long begin, A_long end) {
            for (A_long y = begin; y < end; ++y) {
                Pixel *spread = PixelRow<Pixel>(job.spread, job.rect.top + y) + job.rect.left + x0;
                A_u_short *distance = job.columnMap->Row(y) + x0;
                for (A_long i = 0; i < count; ++i) {
                    if (spreadColumns[i] == 0) continue;
                    const size_t at = Cell(i, y);
                    if (recorded_[at] != 0) distance[i] = distance_[at];
                    if (recorded_[at] != 0 || seed_[at] != 0) spread[i] = spread_[at];
                }
            }
        });
    }

private:
    // The seed bytes of every row; the rest of the rows the walks can reach.
    void LoadRows(const PropagationJob<Pixel> &job, A_long x0, size_t n, A_long reach)
    {
        const A_long height = AreaHeight(job.rect);
        for (A_long y = 0; y < height; ++y) {
            const size_t at = Cell(0, y);
            std::memset(seed_ + at, 0, kColumns);
            std::memcpy(seed_ + at, job.seedMask->Row(y) + x0, n);
        }
        ForEachReachedStretch(height, reach, [&](A_long begin, A_long end) {
            for (A_long y = begin; y < end; ++y) {
                const size_t at = Cell(0, y);
                std::memcpy(fill_ + at, job.fillMask->Row(y) + x0, n);
                std::memcpy(distance_ + at, job.columnMap->Row(y) + x0, n * sizeof(A_u_short));
                std::memcpy(source_ + at, PixelRow<Pixel>(job.source, job.rect.top + y) + job.rect.left + x0,
                            n * sizeof(Pixel));
                std::memset(recorded_ + at, 0, n);
            }
        });
    }

    // Calls visit(begin, end) for the stretches of rows [begin, end), top to
    // bottom, within `reach` rows of a row that holds a seed of the strip.
    template <class Visit>
    void ForEachReachedStretch(A_long height, A_long reach, Visit &&visit) const
    {
        A_long begin = 0, end = 0;
        for (A_long y = 0; y < height; ++y) {
            uint64_t seeds[kColumns / 8];
            std::memcpy(seeds, seed_ + Cell(0, y), sizeof seeds);
            uint64_t any = 0;
            for (const uint64_t word : seeds) any |= word;
            if (any == 0) continue;
            const A_long from = std::max<A_long>(0, y - reach), to = std::min(height, y + reach + 1);
            if (from > end) {
                if (end > begin) visit(begin, end);
                begin = from;
            }
            end = to;
        }
        if (end > begin) visit(begin, end);
    }

    static size_t Cell(A_long column, A_long y)
    {
        return static_cast<size_t>(y) * kColumns + static_cast<size_t>(column);
    }
    template <class T, class Plane>
    static Line<T> Column(Plane *plane, A_long i)
    {
        return {reinterpret_cast<typename Line<T>::Byte *>(plane + i),
                static_cast<ptrdiff_t>(kColumns * sizeof(Plane))};
    }

    ScratchBlock block_;
    Pixel *source_ = nullptr;
    Pixel *spread_ = nullptr;
    A_u_short *distance_ = nullptr;
    A_u_char *seed_ = nullptr;
    A_u_char *fill_ = nullptr;
    A_u_char *recorded_ = nullptr;
};

template <class Pixel>
PF_Err SpreadColumns(void *refcon, A_long /*thread*/, A_long index, A_long slices)
{
    const auto &job = *static_cast<const PropagationJob<Pixel> *>(refcon);
    const A_long height = AreaHeight(job.rect);
    const Slice slice = SliceOf(AreaWidth(job.rect), index, slices);
    const A_long reach = Reach(job.rect, job.distance);
    SpreadStrip<Pixel> strip;
    bool allocated = false;
    for (A_long x0 = slice.begin; x0 < slice.end; x0 += SpreadStrip<Pixel>::kColumns) {
        const A_long count = std::min(SpreadStrip<Pixel>::kColumns, slice.end - x0);
        A_u_char occupied[SpreadStrip<Pixel>::kColumns];
        bool any = false;
        for (A_long i = 0; i < count; ++i) {
            occupied[i] = job.fillMask->ColumnOccupied(x0 + i) ? 1 : 0;
            any = any || occupied[i] != 0;
        }
        if (!any) continue;
        if (!allocated) {
            if (!strip.Allocate(job.in_data->pica_basicP, height)) return PF_Err_OUT_OF_MEMORY;
            allocated = true;
        }
        strip.Load(job, x0, count, reach);
        for (A_long i = 0; i < count; ++i)
            if (occupied[i] != 0) strip.Spread(i, height, reach, job.stopAtGap);
        strip.Store(job, x0, count, reach, occupied);
    }
    return PF_Err_NONE;
}

template <class Pixel>
PF_Err FillFromSpread(void *refcon, A_long /*thread*/, A_long index, A_long slices)
{
    const auto &job = *static_cast<const PropagationJob<Pixel> *>(refcon);
    const A_long width = AreaWidth(job.rect), height = AreaHeight(job.rect);
    const double reach = job.distance;
    const PixelMask &fill = *job.fillMask;
    const Slice slice = SliceOf(height, index, slices);
    for (A_long y = slice.begin; y < slice.end; ++y) {
        if (!fill.RowOccupied(y)) continue;
        const Pixel *source = PixelRow<Pixel>(job.source, job.rect.top + y) + job.rect.left;
        Pixel *out = PixelRow<Pixel>(job.output, job.rect.top + y) + job.rect.left;
        const A_u_char *seed = job.seedMask->Row(y);
        const A_u_char *fillRow = fill.Row(y);
        const A_u_short *across = job.columnMap->Row(y);
        for (A_long x = 0; x < width; ++x) {
            if (seed[x] != 0) {
                out[x] = source[x];
                continue;
            }
            if (fillRow[x] == 0) continue;
            // Along the row the column spread's distances count, along the
            // column the row spread's; the searches stop at the fill's edge.
            Nearest nearest;
            for (A_long p = x; p > std::max(0.0, x - reach) && fillRow[p] != 0; --p)
                nearest.Consider(x - p, across[p], p, y);
            for (A_long p = x + 1; p < std::min(x + reach, static_cast<double>(width)) && fillRow[p] != 0; ++p)
                nearest.Consider(p - x, across[p], p, y);
            for (A_long q = y; q > std::max(0.0, y - reach) && fill.Row(q)[x] != 0; --q)
                nearest.Consider(y - q, job.rowMap->Row(q)[x], x, q);
            for (A_long q = y + 1; q < std::min(y + reach, static_cast<double>(height)) && fill.Row(q)[x] != 0; ++q)
                nearest.Consider(q - y, job.rowMap->Row(q)[x], x, q);

            // Without a candidate, or beyond the distance, the pixel fades out
            // completely, even where R exceeds the start value 1000.
            double v = nearest.v;
            if (!nearest.found || v > reach) v = reach;
            const Pixel &from = PixelRow<Pixel>(job.spread, job.rect.top + nearest.y)[job.rect.left + nearest.x];
            out[x] = from;
            out[x].alpha = Fade(from.alpha, reach, v);
        }
    }
    return PF_Err_NONE;
}

template <class Pixel>
PF_Err PropagateColour(const PF_EffectWorld *source, PF_EffectWorld *output, PF_EffectWorld *spread, PF_InData *in_data,
                       const PF_LRect &rect, const PixelMask &seedMask, const PixelMask &fillMask, double distance,
                       bool stopAtGap)
{
    PF_Err err = CheckArea(rect, {source, output, spread}, &seedMask);
    if (err == PF_Err_NONE && !MaskCovers(fillMask, rect)) err = PF_Err_BAD_CALLBACK_PARAM;
    if (err == PF_Err_NONE && (spread == source || spread == output)) err = PF_Err_BAD_CALLBACK_PARAM;
    if (err == PF_Err_NONE && !(distance > 0.0 && std::isfinite(distance))) err = PF_Err_BAD_CALLBACK_PARAM;
    if (err != PF_Err_NONE || AreaEmpty(rect)) return err;

    DistanceMap rowMap, columnMap;
    if (!rowMap.Allocate(in_data->pica_basicP, AreaWidth(rect), AreaHeight(rect)) ||
        !columnMap.Allocate(in_data->pica_basicP, AreaWidth(rect), AreaHeight(rect)))
        return PF_Err_OUT_OF_MEMORY;
    PropagationJob<Pixel> job{in_data,   source,  spread,     output,   rect,     &seedMask,
                              &fillMask, &rowMap, &columnMap, distance, stopAtGap};
    for (IterateWorker pass : {SpreadRows<Pixel>, SpreadColumns<Pixel>, FillFromSpread<Pixel>}) {
        err = in_data->utils->iterate_generic(PF_Iterations_ONCE_PER_PROCESSOR, &job, pass);
        if (err != PF_Err_NONE) return err;
    }
    return PF_Err_NONE;
}

template PF_Err SpreadRows<PF_Pixel16>(void *, A_long, A_long, A_long);
template PF_Err SpreadRows<PF_PixelFloat>(void *, A_long, A_long, A_long);
template PF_Err SpreadColumns<PF_Pixel16>(void *, A_long, A_long, A_long);
template PF_Err SpreadColumns<PF_PixelFloat>(void *, A_long, A_long, A_long);
template PF_Err FillFromSpread<PF_Pixel16>(void *, A_long, A_long, A_long);
template PF_Err FillFromSpread<PF_PixelFloat>(void *, A_long, A_long, A_long);
template PF_Err PropagateColour<PF_Pixel16>(const PF_EffectWorld *, PF_EffectWorld *, PF_EffectWorld *, PF_InData *,
                                            const PF_LRect &, const PixelMask &, const PixelMask &, double, bool);
template PF_Err PropagateColour<PF_PixelFloat>(const PF_EffectWorld *, PF_EffectWorld *, PF_EffectWorld *, PF_InData *,
                                               const PF_LRect &, const PixelMask &, const PixelMask &, double, bool);
