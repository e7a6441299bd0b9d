#include "pipeline/ColourKeys.h"

#include "AE_EffectCB.h"

PF_Err MakeColourKey(PF_InData *in_data, const PF_Pixel &colour, double rangeFraction, ColourKey *key)
{
    PF_Pixel rgb = colour;
    PF_HLS_Pixel hls = {0, 0, 0};
    const PF_Err err = in_data->utils->colorCB.RGBtoHLS(in_data->effect_ref, &rgb, hls);
    if (err != PF_Err_NONE) return err;
    *key = ColourKey{hls[0], hls[1], hls[2], static_cast<A_long>(rangeFraction * kFullTolerance)};
    return PF_Err_NONE;
}

PF_Err BuildBaseKeys(PF_InData *in_data, const ProcessParams &base, KeyList *keys)
{
    for (const KeyColorParams &param : base.keys) {
        if (param.enable == 0) continue;
        ColourKey key;
        const PF_Err err = MakeColourKey(in_data, param.color, param.range, &key);
        if (err != PF_Err_NONE) return err;
        keys->push_back(key);
    }
    return PF_Err_NONE;
}

PF_Err BuildProcessKeys(PF_InData *in_data, const ProcessParams &process, KeyList *keys)
{
    ColourKey key;
    const PF_Err err = MakeColourKey(in_data, process.keys[0].color, process.keys[0].range, &key);
    if (err == PF_Err_NONE) keys->push_back(key);
    return err;
}
