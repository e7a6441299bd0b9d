#include "pipeline/ProgressCounter.h"

#include <algorithm>

PF_Err ProgressCounter::Advance()
{
    ++done;
    return Report();
}

PF_Err ProgressCounter::Finish()
{
    done = std::max(done, total);
    return Report();
}

PF_Err ProgressCounter::Report() const
{
    if (in_data == nullptr || in_data->inter.progress == nullptr) return PF_Err_NONE;
    return in_data->inter.progress(effect_ref, Percent(), 100);
}

A_long ProgressCounter::Percent() const
{
    if (total == 0) return 100;
    return std::min<A_long>(done * 100 / total, 100);
}
