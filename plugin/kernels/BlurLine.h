// What the region and boundary blurs share along one line of a pass: the two
// window forms, the plain window sums kept up to date as the window slides,
// the weighted taps, and the walks over a slice of rows or of columns.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

#include "AEConfig.h"
#include "AE_Effect.h"
#include "kernels/GaussTable.h"
#include "kernels/KernelArea.h"
#include "kernels/ScratchBlock.h"
#include "kernels/Slices.h"
#include "pipeline/PixelMask.h"

// Run-limited: a pixel mixes only with its own unbroken run of selected
// pixels ("Keep Division" on). Window: with every selected pixel of the
// kernel window.
enum class BlurForm { RunLimited, Window };

// Taps farther than this from the centre only act through the tail.
constexpr A_long kMaxTapDistance = kStoredTaps - 1;
constexpr double kTapUnit = 1.0 / 32768;  // one tap unit as a weight

// The taps that weigh pixels directly: those within this distance.
inline A_long TapReach(const GaussTable &table) { return std::min(table.n - 1, kMaxTapDistance); }

// A line of a world or a mask, a row or a column: element i lies stride
// bytes after element i - 1.
template <class T>
struct LineView {
    const char *first;
    ptrdiff_t stride;
    const T &operator[](A_long i) const { return *reinterpret_cast<const T *>(first + i * stride); }
};

template <class T>
LineView<T> RowView(const T *row)
{
    return {reinterpret_cast<const char *>(row), static_cast<ptrdiff_t>(sizeof(T))};
}

// Plain sums of some terms of each pixel over a window, and the number of
// pixels in it. Terms names the Pixel, the Value type of the sums, kCount and
// Of(pixel, values). Integer sums wrap as 32-bit sums do. Float sums agree
// with direct ones only while every term is finite (Inf - Inf would stay NaN
// after the Inf has left), so pixels with a non-finite term are counted aside
// and, while any is in the window, the window is summed directly.
template <class Terms>
class WindowSums {
public:
    using Pixel = typename Terms::Pixel;
    using Value = typename Terms::Value;
    static constexpr int kCount = Terms::kCount;
    struct Totals {
        std::array<Value, kCount> sum{};
        A_long count = 0;
    };

    void Add(const Pixel &p)
    {
        ++totals_.count;
        std::array<Value, kCount> v;
        Terms::Of(p, v.data());
        if (!Finite(v)) {
            ++nonFinite_;
            return;
        }
        for (int i = 0; i < kCount; ++i) totals_.sum[i] += v[i];
    }

    void Remove(const Pixel &p)
    {
        --totals_.count;
        std::array<Value, kCount> v;
        Terms::Of(p, v.data());
        if (!Finite(v)) {
            --nonFinite_;
            return;
        }
        for (int i = 0; i < kCount; ++i) totals_.sum[i] -= v[i];
    }

    // The sums over the selected pixels of [lo, hi], the window they cover.
    template <class In, class Selected>
    Totals Sum(const In &in, const Selected &selected, A_long lo, A_long hi) const
    {
        if (nonFinite_ == 0) return totals_;
        Totals direct;
        direct.count = totals_.count;
        for (A_long p = lo; p <= hi; ++p) {
            if (selected[p] == 0) continue;
            std::array<Value, kCount> v;
            Terms::Of(in[p], v.data());
            for (int i = 0; i < kCount; ++i) direct.sum[i] += v[i];
        }
        return direct;
    }

private:
    static bool Finite(const std::array<Value, kCount> &v)
    {
        if constexpr (std::is_floating_point_v<Value>) {
            for (const Value value : v)
                if (!std::isfinite(value)) return false;
        }
        return true;
    }

    Totals totals_;
    A_long nonFinite_ = 0;
};

// No plain sums: a walk that only needs the windows.
struct NoSums {
    template <class Pixel>
    void Add(const Pixel &)
    {
    }
    template <class Pixel>
    void Remove(const Pixel &)
    {
    }
};

// The window of each selected pixel of a line in turn, the pixels within
// half of it (run-limited: of its run), with the plain sums of the window's
// selected pixels updated by at most one pixel in and one out per step; the
// run-limited form starts them afresh at every run. The pixels must be
// visited in increasing order.
template <BlurForm Form, class Sums>
class WindowWalk {
public:
    WindowWalk(A_long length, A_long half) : length_(length), half_(half) {}

    // Moves the window to the selected pixel x; [lo, hi] becomes its window.
    template <class In, class Selected>
    void Visit(const In &in, const Selected &selected, A_long x, Sums &sums, A_long &lo, A_long &hi)
    {
        lo = std::max<A_long>(0, x - half_);
        hi = std::min(length_ - 1, x + half_);
        if constexpr (Form == BlurForm::RunLimited) {
            if (x > runEnd_) {
                runBegin_ = runEnd_ = x;
                while (runEnd_ + 1 < length_ && selected[runEnd_ + 1] != 0) ++runEnd_;
                sums = Sums();
                coveredLo_ = x;
                coveredHi_ = x - 1;
            }
            lo = std::max(lo, runBegin_);
            hi = std::min(hi, runEnd_);
        }
        while (coveredHi_ < hi) {
            ++coveredHi_;
            if (selected[coveredHi_] != 0) sums.Add(in[coveredHi_]);
        }
        while (coveredLo_ < lo) {
            if (selected[coveredLo_] != 0) sums.Remove(in[coveredLo_]);
            ++coveredLo_;
        }
    }

private:
    A_long length_, half_;
    A_long coveredLo_ = 0, coveredHi_ = -1;  // the pixels the sums hold
    A_long runBegin_ = 0, runEnd_ = -1;
};

// Calls visit(x, lo, hi) for every selected pixel x of a line, [lo, hi] being
// its window, with sums holding the window's plain sums at each call.
template <BlurForm Form, class Sums, class In, class Selected, class Visit>
void WalkWindows(const In &in, const Selected &selected, A_long length, A_long half, Sums &sums, Visit &&visit)
{
    WindowWalk<Form, Sums> walk(length, half);
    for (A_long x = 0; x < length; ++x) {
        if (selected[x] == 0) continue;
        A_long lo, hi;
        walk.Visit(in, selected, x, sums, lo, hi);
        visit(x, lo, hi);
    }
}

// The first position from `from` to end - 1 whose mask byte is 0, or end.
// Eight bytes a word: rows are mostly long runs. The lowest byte flagged in a
// word is always a zero byte; a borrow only flags bytes above one.
inline A_long SelectedUntil(const A_u_char *selected, A_long from, A_long end)
{
    A_long p = from;
    for (; p + 8 <= end; p += 8) {
        uint64_t word;
        std::memcpy(&word, selected + p, sizeof word);
        const uint64_t zeroBytes = (word - 0x0101010101010101ull) & ~word & 0x8080808080808080ull;
        if (zeroBytes != 0) return p + __builtin_ctzll(zeroBytes) / 8;
    }
    while (p < end && selected[p] != 0) ++p;
    return p;
}

// The first position from `from` to end - 1 whose mask byte is not 0, or
// end; eight bytes a word, as most of a sparse mask's row is unselected.
inline A_long SelectedFrom(const A_u_char *selected, A_long from, A_long end)
{
    A_long p = from;
    for (; p + 8 <= end; p += 8) {
        uint64_t word;
        std::memcpy(&word, selected + p, sizeof word);
        if (word != 0) return p + __builtin_ctzll(word) / 8;
    }
    while (p < end && selected[p] == 0) ++p;
    return p;
}

// The last row of the run of selected pixels of a column that starts at
// row y, `here` pointing at the column's mask byte in row y, rows rowBytes
// apart. The scan keeps its place and the stride in locals: stores to run
// bounds of the same integer type would otherwise make the compiler read
// them anew at every row.
inline A_long RunEndBelow(const A_u_char *here, ptrdiff_t rowBytes, A_long y, A_long height)
{
    A_long end = y;
    for (const A_u_char *next = here + rowBytes; end + 1 < height && *next != 0; next += rowBytes) ++end;
    return end;
}

// Whether stretches of a line, asked in increasing order of their starts,
// lie wholly within [begin, end) and are wholly selected. Each run of
// selected pixels is scanned once.
class SelectedStretch {
public:
    SelectedStretch(const A_u_char *selected, A_long begin, A_long end)
        : selected_(selected), begin_(begin), end_(end), runBegin_(begin), runEnd_(begin - 1)
    {
    }

    bool Covers(A_long lo, A_long hi)
    {
        if (lo < begin_ || hi >= end_) return false;
        if (lo > runEnd_) {
            if (selected_[lo] == 0) return false;
            runBegin_ = runEnd_ = lo;
            runEnd_ = SelectedUntil(selected_, lo + 1, end_) - 1;
        }
        return lo >= runBegin_ && hi <= runEnd_;
    }

private:
    const A_u_char *selected_;
    A_long begin_, end_;         // the line's span
    A_long runBegin_, runEnd_;   // selected from runBegin_ to runEnd_
};

// For each column of a strip, the rows down to the latest one folded in that
// are selected without a break, counted up to a cap: a pixel's whole window
// of `cap` rows ending at that row is selected when its count is the cap.
struct ColumnStreaks {
    A_u_short *counts;  // one per strip column
    A_long x0 = -1;     // the strip the counts are for
    A_long row = -1;    // the latest row folded in

    // Folds in the rows up to last; rows before first are not needed.
    void FoldTo(const PixelMask &mask, A_long stripX0, A_long width, A_long first, A_long last, A_u_short cap)
    {
        if (stripX0 != x0 || row < first - 1) {
            x0 = stripX0;
            row = first - 1;
            std::fill(counts, counts + width, A_u_short(0));
        }
        for (++row; row <= last; ++row) {
            if (!mask.RowOccupied(row)) {
                std::fill(counts, counts + width, A_u_short(0));
                continue;
            }
            const A_u_char *selected = mask.Row(row) + x0;
            for (A_long i = 0; i < width; ++i) {
                const A_u_short grown = counts[i] < cap ? static_cast<A_u_short>(counts[i] + 1) : cap;
                counts[i] = static_cast<A_u_short>(grown & -static_cast<A_u_short>(selected[i] != 0));
            }
        }
        row = last;
    }
};

// Calls tap(p, weight) for the counted pixels p of the window [lo, hi] that
// lie within kMaxTapDistance of x, weight being the table's tap at |p - x|.
template <BlurForm Form, class Selected, class Tap>
void ForEachTap(const Selected &selected, A_long x, A_long lo, A_long hi, const GaussTable &table, Tap &&tap)
{
    const A_long reach = TapReach(table);
    const A_long last = std::min(hi, x + reach);
    for (A_long p = std::max(lo, x - reach); p <= last; ++p) {
        // A run holds only selected pixels.
        if (Form == BlurForm::Window && selected[p] == 0) continue;
        tap(p, table.taps[p < x ? x - p : p - x]);
    }
}

template <int Planes>
using MaskPlanes = std::array<LineView<A_u_char>, Planes>;

// A row pass over one slice of the rect's rows, skipping the rows the first
// mask calls empty: line(y, in, planes, out) gets the source row, each mask's
// row, and the destination row.
template <class Pixel, int Planes, class Line>
void BlurRows(const PF_EffectWorld *source, PF_EffectWorld *destination, const PF_LRect &rect,
              const std::array<const PixelMask *, Planes> &masks, Slice slice, Line &&line)
{
    for (A_long y = slice.begin; y < slice.end; ++y) {
        if (!masks[0]->RowOccupied(y)) continue;
        MaskPlanes<Planes> planes;
        for (int i = 0; i < Planes; ++i) planes[i] = RowView(masks[i]->Row(y));
        const Pixel *in = PixelRow<Pixel>(source, rect.top + y) + rect.left;
        Pixel *out = PixelRow<Pixel>(destination, rect.top + y) + rect.left;
        line(y, in, planes, out);
    }
}

// The column pass over one slice of the rect's columns works on strips of
// adjacent columns, walked down together row by row so that pixels are read
// and written along rows. Each column keeps the WindowWalk and the sums of its
// own line; visit(row, strip) is called for every row of a strip that holds a
// selected pixel, after the walks of its selected pixels have moved there.
template <BlurForm Form, class Sums>
struct ColumnWalks {
    A_long x0;      // the strip's first column, rect-relative
    A_long width;   // columns in the strip
    A_long height;  // the column length
    WindowWalk<Form, Sums> *walks;
    Sums *sums;
    A_long *lo, *hi;  // the window of each column's pixel in the current row; lo > hi when unselected
};

// Bytes per strip column of the state ColumnWalks keeps.
template <BlurForm Form, class Sums>
constexpr size_t kWalkStateBytes = sizeof(WindowWalk<Form, Sums>) + sizeof(Sums) + 2 * sizeof(A_long);

// Calls strip(x0, width) for strips of at most stripWidth adjacent columns of
// a slice that start and end at occupied columns, left to right.
template <class Strip>
void ForEachColumnStrip(const PixelMask &mask, Slice slice, A_long stripWidth, Strip &&strip)
{
    for (A_long next = slice.begin; next < slice.end;) {
        A_long x0 = next;
        while (x0 < slice.end && !mask.ColumnOccupied(x0)) ++x0;
        if (x0 == slice.end) return;
        A_long x1 = std::min(slice.end, x0 + stripWidth);
        next = x1;
        while (!mask.ColumnOccupied(x1 - 1)) --x1;
        strip(x0, x1 - x0);
    }
}

// Runs the strips of one slice; each strip is at most stripWidth columns.
// extraBytes of host memory for the caller's own per-strip state come after
// the walks' own (at extra). Returns PF_Err_OUT_OF_MEMORY when the state
// cannot be made.
template <class Pixel, BlurForm Form, class Sums, class RowVisit>
PF_Err WalkColumnStrips(const SPBasicSuite *basic, const PF_EffectWorld *source, const PF_LRect &rect,
                        const PixelMask &mask, Slice slice, A_long half, A_long stripWidth, size_t extraBytes,
                        void **extra, RowVisit &&visit)
{
    const A_long height = AreaHeight(rect);
    ScratchBlock block;
    ColumnWalks<Form, Sums> strip{0, 0, height, nullptr, nullptr, nullptr, nullptr};
    PF_Err err = PF_Err_NONE;
    ForEachColumnStrip(mask, slice, stripWidth, [&](A_long x0, A_long width) {
        if (err != PF_Err_NONE) return;
        if (block.get() == nullptr) {
            const size_t stateBytes = (kWalkStateBytes<Form, Sums> * static_cast<size_t>(stripWidth) + 63) / 64 * 64;
            if (!block.Allocate(basic, stateBytes + extraBytes)) {
                err = PF_Err_OUT_OF_MEMORY;
                return;
            }
            char *state = static_cast<char *>(block.get());
            strip.walks = reinterpret_cast<WindowWalk<Form, Sums> *>(state);
            strip.sums = reinterpret_cast<Sums *>(strip.walks + stripWidth);
            strip.lo = reinterpret_cast<A_long *>(strip.sums + stripWidth);
            strip.hi = strip.lo + stripWidth;
            *extra = state + stateBytes;
        }
        strip.x0 = x0;
        strip.width = width;
        for (A_long i = 0; i < strip.width; ++i) {
            new (&strip.walks[i]) WindowWalk<Form, Sums>(height, half);
            new (&strip.sums[i]) Sums();
        }
        const ptrdiff_t maskStride = mask.rowBytes;
        const ptrdiff_t pixelStride = source->rowbytes;
        for (A_long y = 0; y < height; ++y) {
            if (!mask.RowOccupied(y)) continue;
            const A_u_char *selected = mask.Row(y) + x0;
            bool any = false;
            for (A_long i = 0; i < strip.width; ++i) {
                if (selected[i] == 0) {
                    strip.lo[i] = 1;
                    strip.hi[i] = 0;
                    continue;
                }
                any = true;
                const LineView<A_u_char> column{reinterpret_cast<const char *>(mask.data + x0 + i), maskStride};
                const LineView<Pixel> pixels{
                    reinterpret_cast<const char *>(PixelRow<Pixel>(source, rect.top) + rect.left + x0 + i),
                    pixelStride};
                strip.walks[i].Visit(pixels, column, y, strip.sums[i], strip.lo[i], strip.hi[i]);
            }
            if (any) visit(y, static_cast<const ColumnWalks<Form, Sums> &>(strip));
        }
    });
    return err;
}
