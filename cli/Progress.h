// What sallow shows of its work on standard error: on a terminal a live
// line with the elapsed time, an activity bar that moves as the effect's
// kernels finish slices, and the percentage the effect itself reports; in a
// pipe or a log, one plain line per frame.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

#include "LiveLine.h"
#include "fxhost/Host.h"

class ProgressDisplay {
public:
    enum class Mode { Silent, Live, Lines };
    // --progress picks Live on a terminal and Lines elsewhere.
    static Mode ModeFor(bool progress);

    ProgressDisplay(fxhost::Host &host, Mode mode);
    ProgressDisplay(const ProgressDisplay &) = delete;
    ProgressDisplay &operator=(const ProgressDisplay &) = delete;

    // The observer of the effect's progress calls for the frame renderer.
    std::function<void(A_long current, A_long total)> observer();

    void beginFrame(const std::string &label);
    // Ends the frame's live line and prints its plain line.
    void endFrame(double readSeconds, double effectSeconds);
    // A closing line about the file written.
    void wrote(const std::string &path, size_t bytes, double seconds);

private:
    void draw();

    fxhost::Host &host_;
    Mode mode_;
    std::string label_;
    std::atomic<int> effectPercent_{0};
    std::chrono::steady_clock::time_point started_;
    LiveLine line_;
};
