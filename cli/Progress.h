// Progress of a render on the terminal, and Ctrl-C as the user's cancel.
#pragma once

#include <signal.h>

#include <functional>

#include "fxhost/Host.h"

// While it lives, Ctrl-C asks the host to cancel the frame at the effect's
// next progress call instead of ending the process; with `drawBar` the
// effect's progress reports draw a bar on standard error.
class RenderProgress {
public:
    RenderProgress(fxhost::Host &host, bool drawBar);
    ~RenderProgress();
    RenderProgress(const RenderProgress &) = delete;
    RenderProgress &operator=(const RenderProgress &) = delete;

    // The observer to hand the frame renderer.
    std::function<void(A_long current, A_long total)> observer();
    bool interrupted() const;

private:
    void report(A_long current, A_long total);

    fxhost::Host &host_;
    bool drawBar_;
    bool drawn_ = false;
    int lastPercent_ = -1;
    struct sigaction previous_ {};
};
