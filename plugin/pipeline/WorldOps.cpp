#include "pipeline/WorldOps.h"

#include "SuiteCache.h"

PF_Err CopyWorld(PF_InData *in_data, PF_EffectWorld *source, PF_EffectWorld *destination)
{
    AEUtil::SuiteCache suites(in_data->pica_basicP);
    const PF_WorldTransformSuite1 *transform = suites.worldTransformSuite();
    if (in_data->quality == PF_Quality_HI)
        return transform->copy_hq(in_data->effect_ref, source, destination, nullptr, nullptr);
    return transform->copy(in_data->effect_ref, source, destination, nullptr, nullptr);
}

PF_Err ClearWorld(PF_InData *in_data, PF_EffectWorld *world)
{
    AEUtil::SuiteCache suites(in_data->pica_basicP);
    const PF_Rect whole = {0, 0, static_cast<A_short>(world->width), static_cast<A_short>(world->height)};
    return suites.fillMatteSuite()->fill(in_data->effect_ref, nullptr, &whole, world);
}
