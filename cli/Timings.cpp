#include "Timings.h"

#include <cstdio>

void PrintTimings(const std::string &what, double renderSeconds, const std::vector<fxhost::Host::Timing> &timings)
{
    std::fprintf(stderr, "%s: %.1f ms in the effect; timed host calls, longest first:\n", what.c_str(),
                 1e3 * renderSeconds);
    std::fprintf(stderr, "%10s %7s %6s  %s\n", "ms", "calls", "share", "what");
    for (const fxhost::Host::Timing &timing : timings) {
        const double share = renderSeconds > 0 ? 100.0 * timing.seconds / renderSeconds : 0.0;
        std::fprintf(stderr, "%10.2f %7ld %5.1f%%  %s\n", 1e3 * timing.seconds, timing.calls, share,
                     timing.name.c_str());
    }
}

TimingsReport::TimingsReport(fxhost::Host &host, bool on, bool perFrame) : host_(host), on_(on), perFrame_(perFrame)
{
    host_.setTimings(on_);
    host_.clearTimings();
}

void TimingsReport::beginFrame()
{
    if (on_ && perFrame_) host_.clearTimings();
}

void TimingsReport::endFrame(const std::string &frame, double renderSeconds)
{
    if (!on_) return;
    if (perFrame_) {
        PrintTimings(frame, renderSeconds, host_.timings());
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    ++frames_;
    renderSeconds_ += renderSeconds;
}

void TimingsReport::endShot(const std::string &shot)
{
    if (!on_ || perFrame_ || frames_ == 0) return;
    PrintTimings(shot + " (" + std::to_string(frames_) + " frame" + (frames_ == 1 ? "" : "s") + ")", renderSeconds_,
                 host_.timings());
}
