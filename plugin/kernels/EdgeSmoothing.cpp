#include "kernels/EdgeSmoothing.h"

#include "SuiteCache.h"
#include "kernels/EdgePatterns.h"
#include "kernels/SmoothingDepth.h"
#include "kernels/Slices.h"

namespace {

void FillEdgeMapRows(Depth16, EdgeMap &map, const PF_EffectWorld &source, A_long threshold, Slice rows)
{
    FillEdgeMapRows16(map, source, Depth16::Threshold(threshold), rows);
}

void FillEdgeMapRows(DepthFloat, EdgeMap &map, const PF_EffectWorld &source, A_long threshold, Slice rows)
{
    FillEdgeMapRowsFloat(map, source, DepthFloat::Threshold(threshold), rows);
}

// The edge map filled by bands of rows on the host's threads.
template <class Depth>
struct EdgeMapJob {
    EdgeMap *map;
    const PF_EffectWorld *source;
    A_long threshold;

    A_long Lines() const { return map->height(); }
    PF_Err Run(Slice rows)
    {
        FillEdgeMapRows(Depth{}, *map, *source, threshold, rows);
        return PF_Err_NONE;
    }
};

template <class Depth>
PF_Err SmoothEdges(const SmoothingJob &job)
{
    const PF_EffectWorld &source = *job.source;
    const PF_EffectWorld &destination = *job.destination;
    if (source.width != destination.width || source.height != destination.height) return PF_Err_BAD_CALLBACK_PARAM;

    AEUtil::SuiteCache suites(job.in_data->pica_basicP);
    const PF_ProgPtr effectRef = job.in_data->effect_ref;
    PF_Err err = suites.worldTransformSuite()->copy(effectRef, job.source, job.destination, nullptr, nullptr);
    if (err != PF_Err_NONE || job.strength == 0) return err;

    EdgeMapWorld mapWorld(suites.worldSuite(), effectRef);
    err = mapWorld.allocate(source.width, source.height);
    if (err != PF_Err_NONE) return err;
    EdgeMap map = mapWorld.map();
    EdgeMapJob<Depth> mapJob{&map, &source, job.threshold};
    // A host that refuses its threads gets the map filled on this one, so the
    // frame is smoothed all the same.
    if (RunSlices(job.in_data, &mapJob) != PF_Err_NONE) mapJob.Run({0, map.height()});
    SmoothAll(MakeSmoothingPass<Depth>(map, source, destination, job.strength));
    return PF_Err_NONE;
}

}  // namespace

SmoothingJob SmoothingJob::ForRenderDriver(PF_InData *in_data, PF_PixelFormat pixelFormat, PF_EffectWorld *source,
                                           PF_EffectWorld *destination)
{
    SmoothingJob job{};
    job.threshold = 10;
    job.strength = 70;
    job.shaping = 0;
    job.colourRed = 255;
    job.colourGreen = 255;
    job.colourBlue = 255;
    job.in_data = in_data;
    job.pixelFormat = pixelFormat;
    job.source = source;
    job.destination = destination;
    return job;
}

PF_Err SmoothEdges16(const SmoothingJob &job) { return SmoothEdges<Depth16>(job); }

PF_Err SmoothEdgesFloat(const SmoothingJob &job) { return SmoothEdges<DepthFloat>(job); }
