// How a kernel's rows (or columns) are shared among the workers that the
// host's iterate_generic starts, and the worker that runs a job's slice.
#pragma once

#include <algorithm>

#include "AEConfig.h"
#include "AE_Effect.h"
#include "AE_EffectCB.h"

// A worker that iterate_generic runs: refcon, thread index, iteration and
// iteration count.
typedef PF_Err (*IterateWorker)(void *refcon, A_long thread, A_long index, A_long iterations);

struct Slice {
    A_long begin;
    A_long end;  // exclusive
};

// Slice i of n over count items: per = ceil(count / n); the first
// e = count - (per - 1) * n slices take per items, the others per - 1.
inline Slice SliceOf(A_long count, A_long index, A_long slices)
{
    slices = std::max<A_long>(slices, 1);
    const A_long per = (count + slices - 1) / slices;
    const A_long longer = count - (per - 1) * slices;
    const A_long begin = index < longer ? index * per : longer * per + (index - longer) * (per - 1);
    const A_long size = index < longer ? per : per - 1;
    return {std::clamp<A_long>(begin, 0, count), std::clamp<A_long>(begin + size, 0, count)};
}

// The iterate_generic worker for a job that offers Lines() (how many items it
// has) and Run(Slice) (the work on one slice, returning a host error code).
template <class Job>
PF_Err SliceWorker(void *refcon, A_long /*thread*/, A_long index, A_long slices)
{
    Job *job = static_cast<Job *>(refcon);
    return job->Run(SliceOf(job->Lines(), index, slices));
}

// One iterate_generic call, once per processor, over the job; returns the
// first worker error.
template <class Job>
PF_Err RunSlices(PF_InData *in_data, Job *job)
{
    return in_data->utils->iterate_generic(PF_Iterations_ONCE_PER_PROCESSOR, job, SliceWorker<Job>);
}
