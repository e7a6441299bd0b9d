#include "Progress.h"

#include <unistd.h>

#include <cstdio>

namespace {

constexpr int kBarWidth = 24;
constexpr int kRunnerWidth = 4;
constexpr auto kTick = std::chrono::milliseconds(100);

double Since(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

ProgressDisplay::Mode ProgressDisplay::ModeFor(bool progress)
{
    if (!progress) return Mode::Silent;
    return isatty(STDERR_FILENO) ? Mode::Live : Mode::Lines;
}

ProgressDisplay::ProgressDisplay(fxhost::Host &host, Mode mode) : host_(host), mode_(mode), line_(kTick) {}

std::function<void(A_long, A_long)> ProgressDisplay::observer()
{
    return [this](A_long current, A_long total) {
        if (total > 0) effectPercent_ = static_cast<int>(current * 100 / total);
    };
}

void ProgressDisplay::beginFrame(const std::string &label)
{
    label_ = label;
    effectPercent_ = 0;
    started_ = std::chrono::steady_clock::now();
    if (mode_ == Mode::Lines) {
        // The line's first half, so that a reader sees the frame under way.
        std::fprintf(stderr, "%s: ", label_.c_str());
        std::fflush(stderr);
    }
    if (mode_ == Mode::Live) line_.start([this] { draw(); });
}

void ProgressDisplay::draw()
{
    // The runner moves one step per finished kernel slice, so it stands
    // still only when the effect does.
    const long steps = host_.slicesRun();
    const int span = kBarWidth - kRunnerWidth;
    const int phase = static_cast<int>(steps % (2 * span));
    const int at = phase < span ? phase : 2 * span - phase;
    char bar[kBarWidth + 1];
    for (int i = 0; i < kBarWidth; ++i) bar[i] = i >= at && i < at + kRunnerWidth ? '=' : ' ';
    bar[kBarWidth] = '\0';
    std::fprintf(stderr, "\r\033[K%s [%s] %6.1f s (the effect reports %d%%)", label_.c_str(), bar, Since(started_),
                 effectPercent_.load());
    std::fflush(stderr);
}

void ProgressDisplay::endFrame(double readSeconds, double effectSeconds)
{
    line_.stop();
    if (mode_ == Mode::Silent) return;
    std::fprintf(stderr, "%s%sread %.2f s, effect %.2f s\n", mode_ == Mode::Live ? label_.c_str() : "",
                 mode_ == Mode::Live ? ": " : "", readSeconds, effectSeconds);
}

void ProgressDisplay::wrote(const std::string &path, size_t bytes, double seconds)
{
    if (mode_ == Mode::Silent) return;
    std::fprintf(stderr, "%s: %zu bytes encoded and written in %.2f s\n", path.c_str(), bytes, seconds);
}
