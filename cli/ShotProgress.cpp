#include "ShotProgress.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>

#include "Json.h"

namespace {

constexpr int kBarWidth = 30;
constexpr auto kTick = std::chrono::milliseconds(200);

const char *StatusName(FrameRecord::Status status)
{
    switch (status) {
    case FrameRecord::Status::Rendered: return "rendered";
    case FrameRecord::Status::Skipped: return "skipped";
    case FrameRecord::Status::Failed: return "failed";
    default: return "cancelled";
    }
}

std::string FrameName(const FrameRecord &record)
{
    return record.frame ? "frame " + std::to_string(*record.frame) : record.input;
}

std::string Clock(double seconds)
{
    const long whole = std::lround(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    return text;
}

}  // namespace

ShotProgress::Mode ShotProgress::ModeFor(const std::string &progress, bool quiet)
{
    if (progress == "json") return Mode::Json;
    if (progress == "lines") return Mode::Lines;
    if (progress == "auto") return isatty(STDERR_FILENO) ? Mode::Bar : Mode::Lines;
    return quiet ? Mode::Quiet : Mode::Errors;
}

ShotProgress::ShotProgress(Mode mode, size_t frames) : mode_(mode), total_(frames), bar_(kTick)
{
    if (mode_ == Mode::Bar) bar_.start([this] { drawBar(); });
}

ShotProgress::~ShotProgress() { close(); }

void ShotProgress::close() { bar_.stop(); }

double ShotProgress::elapsed() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
}

double ShotProgress::framesPerSecond() const
{
    const double seconds = elapsed();
    return seconds > 0 ? rendered_ / seconds : 0;
}

void ShotProgress::drawBar()
{
    const int filled = total_ > 0 ? static_cast<int>(done_ * kBarWidth / total_) : kBarWidth;
    std::string bar(static_cast<size_t>(filled), '=');
    bar.resize(kBarWidth, ' ');
    const double rate = framesPerSecond();
    const std::string left = rate > 0 ? Clock(static_cast<double>(total_ - done_) / rate) + " left" : "";
    std::fprintf(stderr, "\r\033[K[%s] %zu/%zu frames, %.2f frames/s %s", bar.c_str(), done_, total_, rate,
                 left.c_str());
    std::fflush(stderr);
}

void ShotProgress::finished(const FrameRecord &record)
{
    std::lock_guard<std::mutex> lock(bar_.mutex());
    ++done_;
    if (record.status == FrameRecord::Status::Rendered) ++rendered_;
    const bool failed = record.status == FrameRecord::Status::Failed;
    switch (mode_) {
    case Mode::Quiet:
    case Mode::Errors:
        if (failed) std::fprintf(stderr, "sallow: %s: %s\n", FrameName(record).c_str(), record.error.c_str());
        break;
    case Mode::Bar:
        if (failed) std::fprintf(stderr, "\r\033[Ksallow: %s: %s\n", FrameName(record).c_str(), record.error.c_str());
        drawBar();
        break;
    case Mode::Lines: {
        if (failed)
            std::fprintf(stderr, "%s: failed: %s [%zu/%zu]\n", FrameName(record).c_str(), record.error.c_str(), done_,
                         total_);
        else
            std::fprintf(stderr, "%s: %s %s in %.2f s [%zu/%zu]\n", FrameName(record).c_str(),
                         StatusName(record.status), record.output.c_str(), record.seconds, done_, total_);
        break;
    }
    case Mode::Json: {
        if (failed) std::fprintf(stderr, "sallow: %s: %s\n", FrameName(record).c_str(), record.error.c_str());
        JsonWriter json;
        json.beginObject().key("frame");
        if (record.frame)
            json.value(*record.frame);
        else
            json.null();
        json.key("input").value(record.input).key("output").value(record.output);
        json.key("status").value(StatusName(record.status));
        if (failed) json.key("error").value(record.error);
        json.key("seconds").value(record.seconds).key("done").value(static_cast<long>(done_));
        json.key("total").value(static_cast<long>(total_)).key("frames_per_second").value(framesPerSecond());
        json.endObject();
        std::printf("%s\n", json.text().c_str());
        std::fflush(stdout);
        break;
    }
    }
    std::fflush(stderr);
}
