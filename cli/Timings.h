// sallow render --timings: where the effect's time went, as the emulated host
// measured it.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "fxhost/Host.h"

// Prints the host's timings on standard error, longest first: milliseconds,
// calls, share of the effect's render time, and what was timed.
void PrintTimings(const std::string &what, double renderSeconds, const std::vector<fxhost::Host::Timing> &timings);

// The timings of a render: frame by frame when frames render one at a time,
// else summed over the shot, since frames at once share the host's timings.
class TimingsReport {
public:
    TimingsReport(fxhost::Host &host, bool on, bool perFrame);
    void beginFrame();
    void endFrame(const std::string &frame, double renderSeconds);
    // Prints the sums of a shot; nothing when frames were reported one by one.
    void endShot(const std::string &shot);

private:
    fxhost::Host &host_;
    const bool on_, perFrame_;
    std::mutex mutex_;
    int frames_ = 0;
    double renderSeconds_ = 0;
};
