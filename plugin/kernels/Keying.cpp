#include "kernels/Keying.h"

#include <cstdlib>
#include <cstring>

#include "AE_EffectCB.h"
#include "kernels/KernelArea.h"
#include "kernels/Slices.h"

namespace {

constexpr A_long kHalfTurn = 0xB40001;  // 180 degrees in 16.16, plus one
constexpr A_long kFullTurn = 0x1680000;  // 360 degrees in 16.16

// The 8-bit colour, alpha 255, that the host's colour callback converts.
PF_Pixel ReduceTo8(const PF_Pixel8 &p) { return {255, p.red, p.green, p.blue}; }

A_u_char Reduce16(A_u_short v) { return static_cast<A_u_char>((v * 255 + 16384) >> 15); }
PF_Pixel ReduceTo8(const PF_Pixel16 &p) { return {255, Reduce16(p.red), Reduce16(p.green), Reduce16(p.blue)}; }

// v * 255 + 0.5 in double, truncated, low eight bits kept; NaN and values
// whose truncation leaves the 32-bit range give 0.
A_u_char ReduceFloat(PF_FpShort v)
{
    const double scaled = static_cast<double>(v) * 255.0 + 0.5;
    if (!(scaled > -2147483649.0 && scaled < 2147483648.0)) return 0;
    return static_cast<A_u_char>(static_cast<A_long>(scaled));
}
PF_Pixel ReduceTo8(const PF_PixelFloat &p)
{
    return {255, ReduceFloat(p.red), ReduceFloat(p.green), ReduceFloat(p.blue)};
}

// (|dS| + |dL| + dH / 128) / 8 in the host's 16.16 HLS, the hue difference
// folded to at most 180 degrees.
A_long KeyDistance(const PF_HLS_Pixel hls, const ColourKey &key)
{
    A_long dH = std::abs(hls[0] - key.hue);
    if (dH >= kHalfTurn) dH = kFullTurn - dH;
    return (std::abs(hls[2] - key.saturation) + std::abs(hls[1] - key.lightness) + (dH >> 7)) >> 3;
}

// Bitwise equality of red, green and blue, which follow alpha in every layout.
template <class Pixel>
bool SameColour(const Pixel &a, const Pixel &b)
{
    return std::memcmp(&a.red, &b.red, 3 * sizeof a.red) == 0;
}

template <class Pixel>
struct AlphaMaskJob {
    const PF_EffectWorld *world;
    PF_LRect area;
    A_u_char mark;
    PixelMask *mask;

    A_long Lines() const { return AreaHeight(area); }

    PF_Err Run(Slice slice)
    {
        const A_long width = AreaWidth(area);
        for (A_long y = slice.begin; y < slice.end; ++y) {
            const Pixel *in = PixelRow<Pixel>(world, area.top + y) + area.left;
            A_u_char *out = mask->Row(y);
            bool marked = false;
            for (A_long x = 0; x < width; ++x) {
                if (in[x].alpha != 0) {
                    out[x] = mark;
                    RaiseFlag(&mask->columnFlags[x]);
                    marked = true;
                } else {
                    out[x] = 0;
                }
            }
            if (marked) {
                mask->rowFlags[y] = 1;
                RaiseFlag(&mask->boundsStale);
            }
        }
        return PF_Err_NONE;
    }
};

template <class Pixel>
struct KeyMaskJob {
    PF_InData *in_data;
    const PF_EffectWorld *world;
    PF_LRect area;
    const KeyList *keys;
    A_u_char mark;
    PixelMask *mask;

    A_long Lines() const { return AreaHeight(area); }

    A_u_char Match(const PF_HLS_Pixel hls) const
    {
        for (const ColourKey &key : *keys)
            if (key.tolerance >= KeyDistance(hls, key)) return mark;
        return 0;
    }

    PF_Err Run(Slice slice)
    {
        const A_long width = AreaWidth(area);
        // Flat artwork repeats colours, so the slice remembers the last one it
        // converted; the cache starts empty for every slice.
        bool cached = false;
        Pixel last{};
        A_u_char lastResult = 0;
        for (A_long y = slice.begin; y < slice.end; ++y) {
            const Pixel *in = PixelRow<Pixel>(world, area.top + y) + area.left;
            A_u_char *out = mask->Row(y);
            bool marked = false;
            for (A_long x = 0; x < width;) {
                if (in[x].alpha == 0) {
                    out[x++] = 0;
                    continue;
                }
                if (!cached || !SameColour(in[x], last)) {
                    PF_Pixel rgb = ReduceTo8(in[x]);
                    PF_HLS_Pixel hls = {0, 0, 0};
                    const PF_Err err = in_data->utils->colorCB.RGBtoHLS(in_data->effect_ref, &rgb, hls);
                    if (err != PF_Err_NONE) return err;
                    last = in[x];
                    lastResult = Match(hls);
                    cached = true;
                }
                // The pixels that repeat the colour take its result as a run.
                A_long end = x + 1;
                while (end < width && in[end].alpha != 0 && SameColour(in[end], last)) ++end;
                std::memset(out + x, lastResult, static_cast<size_t>(end - x));
                if (lastResult != 0) {
                    for (A_long i = x; i < end; ++i) RaiseFlag(&mask->columnFlags[i]);
                    marked = true;
                }
                x = end;
            }
            if (marked) mask->rowFlags[y] = 1;
        }
        return PF_Err_NONE;
    }
};

// A fresh mask of the area's size: plane, flags and bounds cleared.
PixelMask ClearedMask(PF_InData *in_data, const PF_LRect &area)
{
    PixelMask mask;
    mask.AllocateMask(in_data, AreaWidth(area), AreaHeight(area));
    mask.FillMask(0);
    return mask;
}

}  // namespace

template <class Pixel>
PF_Err MaskFromAlpha(PF_InData *in_data, const PF_EffectWorld *world, const PF_LRect &area, A_u_char mark,
                     PixelMask *result)
{
    if (!AreaInside(world, area)) return PF_Err_BAD_CALLBACK_PARAM;
    PixelMask mask = ClearedMask(in_data, area);
    if (!AreaEmpty(area)) {
        AlphaMaskJob<Pixel> job{world, area, mark, &mask};
        const PF_Err err = RunSlices(in_data, &job);
        if (err != PF_Err_NONE) return err;
    }
    *result = mask;
    return PF_Err_NONE;
}

template <class Pixel>
PF_Err MaskFromKeys(PF_InData *in_data, const PF_EffectWorld *world, const PF_LRect &area, const KeyList &keys,
                    A_u_char mark, PixelMask *result)
{
    if (!AreaInside(world, area)) return PF_Err_BAD_CALLBACK_PARAM;
    PixelMask mask = ClearedMask(in_data, area);
    if (!AreaEmpty(area)) {
        KeyMaskJob<Pixel> job{in_data, world, area, &keys, mark, &mask};
        const PF_Err err = RunSlices(in_data, &job);
        if (err != PF_Err_NONE) return err;
    }
    mask.boundsStale = 1;
    *result = mask;
    return PF_Err_NONE;
}

template PF_Err MaskFromAlpha<PF_Pixel8>(PF_InData *, const PF_EffectWorld *, const PF_LRect &, A_u_char,
                                         PixelMask *);
template PF_Err MaskFromAlpha<PF_Pixel16>(PF_InData *, const PF_EffectWorld *, const PF_LRect &, A_u_char,
                                          PixelMask *);
template PF_Err MaskFromAlpha<PF_PixelFloat>(PF_InData *, const PF_EffectWorld *, const PF_LRect &, A_u_char,
                                             PixelMask *);
template PF_Err MaskFromKeys<PF_Pixel8>(PF_InData *, const PF_EffectWorld *, const PF_LRect &, const KeyList &,
                                        A_u_char, PixelMask *);
template PF_Err MaskFromKeys<PF_Pixel16>(PF_InData *, const PF_EffectWorld *, const PF_LRect &, const KeyList &,
                                         A_u_char, PixelMask *);
template PF_Err MaskFromKeys<PF_PixelFloat>(PF_InData *, const PF_EffectWorld *, const PF_LRect &, const KeyList &,
                                            A_u_char, PixelMask *);
