// What the region and boundary blurs share along one line of a pass: the two
// window forms, the plain window sums kept up to date as the window slides,
// the weighted taps, and the walk over a slice of rows or columns.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <type_traits>

#include "AEConfig.h"
#include "AE_Effect.h"
#include "kernels/ColumnBuffer.h"
#include "kernels/GaussTable.h"
#include "kernels/KernelArea.h"
#include "kernels/Slices.h"
#include "pipeline/PixelMask.h"

// Run-limited: a pixel mixes only with its own unbroken run of selected
// pixels ("Keep Division" on). Window: with every selected pixel of the
// kernel window.
enum class BlurForm { RunLimited, Window };

// Taps farther than this from the centre only act through the tail.
constexpr A_long kMaxTapDistance = kStoredTaps - 1;
constexpr double kTapUnit = 1.0 / 32768;  // one tap unit as a weight

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
    Totals Sum(const Pixel *in, const A_u_char *selected, A_long lo, A_long hi) const
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

// Calls visit(x, lo, hi) for every selected pixel x of a line, [lo, hi] being
// its window: the pixels within half of x (run-limited: of x's run). When
// sums is given, it holds the plain sums of the window's selected pixels at
// each call, updated by at most one pixel in and one out per step; the
// run-limited form starts them afresh at every run.
template <BlurForm Form, class Sums, class Visit>
void WalkWindows(const typename Sums::Pixel *in, const A_u_char *selected, A_long length, A_long half, Sums *sums,
                 Visit &&visit)
{
    A_long coveredLo = 0, coveredHi = -1;  // the pixels *sums holds
    A_long runBegin = 0, runEnd = -1;
    for (A_long x = 0; x < length; ++x) {
        if (selected[x] == 0) continue;
        A_long lo = std::max<A_long>(0, x - half);
        A_long hi = std::min(length - 1, x + half);
        if constexpr (Form == BlurForm::RunLimited) {
            if (x > runEnd) {
                runBegin = runEnd = x;
                while (runEnd + 1 < length && selected[runEnd + 1] != 0) ++runEnd;
                if (sums != nullptr) *sums = Sums();
                coveredLo = x;
                coveredHi = x - 1;
            }
            lo = std::max(lo, runBegin);
            hi = std::min(hi, runEnd);
        }
        if (sums != nullptr) {
            while (coveredHi < hi) {
                ++coveredHi;
                if (selected[coveredHi] != 0) sums->Add(in[coveredHi]);
            }
            while (coveredLo < lo) {
                if (selected[coveredLo] != 0) sums->Remove(in[coveredLo]);
                ++coveredLo;
            }
        }
        visit(x, lo, hi);
    }
}

// Calls tap(p, weight) for the counted pixels p of the window [lo, hi] that
// lie within kMaxTapDistance of x, weight being the table's tap at |p - x|.
template <BlurForm Form, class Tap>
void ForEachTap(const A_u_char *selected, A_long x, A_long lo, A_long hi, const GaussTable &table, Tap &&tap)
{
    const A_long reach = std::min(table.n - 1, kMaxTapDistance);
    const A_long last = std::min(hi, x + reach);
    for (A_long p = std::max(lo, x - reach); p <= last; ++p) {
        // A run holds only selected pixels.
        if (Form == BlurForm::Window && selected[p] == 0) continue;
        tap(p, table.taps[p < x ? x - p : p - x]);
    }
}

template <int Planes>
using MaskPlanes = std::array<const A_u_char *, Planes>;

// A row pass over one slice of the rect's rows, skipping the rows the first
// mask calls empty: line(in, planes, length, out, stride) gets the source
// row, each mask's row, and the destination row with its pixel stride.
template <class Pixel, int Planes, class Line>
void BlurRows(const PF_EffectWorld *source, PF_EffectWorld *destination, const PF_LRect &rect,
              const std::array<const PixelMask *, Planes> &masks, Slice slice, Line &&line)
{
    for (A_long y = slice.begin; y < slice.end; ++y) {
        if (!masks[0]->RowOccupied(y)) continue;
        MaskPlanes<Planes> planes;
        for (int i = 0; i < Planes; ++i) planes[i] = masks[i]->Row(y);
        const Pixel *in = PixelRow<Pixel>(source, rect.top + y) + rect.left;
        Pixel *out = PixelRow<Pixel>(destination, rect.top + y) + rect.left;
        line(in, planes, AreaWidth(rect), reinterpret_cast<char *>(out), static_cast<ptrdiff_t>(sizeof(Pixel)));
    }
}

// The column pass over one slice of the rect's columns, skipping those the
// first mask calls empty; each column is first copied into the worker's
// buffer, and results go straight to the destination column. Returns
// PF_Err_OUT_OF_MEMORY when the buffer cannot be made.
template <class Pixel, int Planes, class Line>
PF_Err BlurColumns(const SPBasicSuite *basic, const PF_EffectWorld *source, PF_EffectWorld *destination,
                   const PF_LRect &rect, const std::array<const PixelMask *, Planes> &masks, Slice slice, Line &&line)
{
    const A_long height = AreaHeight(rect);
    ColumnBuffer<Pixel, Planes> buffer;
    for (A_long x = slice.begin; x < slice.end; ++x) {
        if (!masks[0]->ColumnOccupied(x)) continue;
        if (!buffer.Allocated() && !buffer.Allocate(basic, height)) return PF_Err_OUT_OF_MEMORY;
        buffer.Load(source, masks, rect, x);
        MaskPlanes<Planes> planes;
        for (int i = 0; i < Planes; ++i) planes[i] = buffer.Selected(i);
        Pixel *out = PixelRow<Pixel>(destination, rect.top) + rect.left + x;
        line(buffer.Pixels(), planes, height, reinterpret_cast<char *>(out),
             static_cast<ptrdiff_t>(destination->rowbytes));
    }
    return PF_Err_NONE;
}
