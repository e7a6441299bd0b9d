#include "Timings.h"

#include <cstdio>

void PrintTimings(const std::string &frame, double renderSeconds, const std::vector<fxhost::Host::Timing> &timings)
{
    std::fprintf(stderr, "%s: %.1f ms in the effect; timed host calls, longest first:\n", frame.c_str(),
                 1e3 * renderSeconds);
    std::fprintf(stderr, "%10s %7s %6s  %s\n", "ms", "calls", "share", "what");
    for (const fxhost::Host::Timing &timing : timings) {
        const double share = renderSeconds > 0 ? 100.0 * timing.seconds / renderSeconds : 0.0;
        std::fprintf(stderr, "%10.2f %7ld %5.1f%%  %s\n", 1e3 * timing.seconds, timing.calls, share,
                     timing.name.c_str());
    }
}
