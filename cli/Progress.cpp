#include "Progress.h"

#include <signal.h>

#include <atomic>
#include <cstdio>

namespace {

std::atomic<bool> g_interrupted{false};

void OnInterrupt(int) { g_interrupted.store(true); }

constexpr int kBarWidth = 40;

}  // namespace

RenderProgress::RenderProgress(fxhost::Host &host, bool drawBar)
    : host_(host), drawBar_(drawBar)
{
    g_interrupted.store(false);
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_);
}

RenderProgress::~RenderProgress()
{
    sigaction(SIGINT, &previous_, nullptr);
    if (drawn_) std::fputc('\n', stderr);
}

std::function<void(A_long, A_long)> RenderProgress::observer()
{
    return [this](A_long current, A_long total) { report(current, total); };
}

bool RenderProgress::interrupted() const { return g_interrupted.load(); }

void RenderProgress::report(A_long current, A_long total)
{
    if (g_interrupted.load()) host_.requestCancel();
    if (!drawBar_ || total <= 0) return;
    const int percent = static_cast<int>(current * 100 / total);
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    const int filled = percent * kBarWidth / 100;
    std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################", kBarWidth - filled, "",
                 percent);
    std::fflush(stderr);
    drawn_ = true;
}
