// What sallow shows while it renders a shot of several frames: on a terminal
// one bar for the whole shot (frames done of total, frames per second, time
// left), in a pipe or a log one plain line per finished frame, and with
// --progress=json one JSON object per finished frame on standard output.
// Failed frames are always reported on standard error.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "LiveLine.h"

// One frame of a shot as it ended.
struct FrameRecord {
    enum class Status { Rendered, Skipped, Failed, Cancelled };
    std::optional<long> frame;  // none for a file that is not part of a sequence
    std::string input, output;
    Status status = Status::Rendered;
    std::string error;  // why it failed
    double seconds = 0;
};

class ShotProgress {
public:
    enum class Mode { Quiet, Errors, Bar, Lines, Json };
    // --progress: "" (errors only, or nothing with --quiet), "auto" (a bar
    // on a terminal, lines elsewhere), "lines" or "json".
    static Mode ModeFor(const std::string &progress, bool quiet);

    ShotProgress(Mode mode, size_t frames);
    ~ShotProgress();
    ShotProgress(const ShotProgress &) = delete;
    ShotProgress &operator=(const ShotProgress &) = delete;

    // Called from the threads that render the frames.
    void finished(const FrameRecord &record);
    // Stops the bar.
    void close();

    double elapsed() const;

private:
    void drawBar();
    // Frames rendered (not skipped) per second so far.
    double framesPerSecond() const;

    Mode mode_;
    size_t total_;
    size_t done_ = 0, rendered_ = 0;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    LiveLine bar_;
};
