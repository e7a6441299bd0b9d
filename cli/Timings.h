// sallow render --timings: where a frame's time went, as the emulated host
// measured it.
#pragma once

#include <string>
#include <vector>

#include "fxhost/Host.h"

// Prints the host's timings of one frame on standard error, longest first:
// milliseconds, calls, share of the frame's render time, and what was timed.
void PrintTimings(const std::string &frame, double renderSeconds, const std::vector<fxhost::Host::Timing> &timings);
