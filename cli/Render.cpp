// sallow render: applies the effect to an image file.
#include <sched.h>
#include <signal.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "CommandLine.h"
#include "Commands.h"
#include "ControlValues.h"
#include "Defaults.h"
#include "ImageFile.h"
#include "Errors.h"
#include "FrameSequence.h"
#include "Interruption.h"
#include "OutputFile.h"
#include "PixelPicker.h"
#include "Progress.h"
#include "ShotProgress.h"
#include "Timings.h"
#include "fxhost/Effect.h"

namespace {

const char *ErrorName(PF_Err code)
{
    switch (code) {
    case PF_Err_OUT_OF_MEMORY: return "PF_Err_OUT_OF_MEMORY";
    case PF_Err_INTERNAL_STRUCT_DAMAGED: return "PF_Err_INTERNAL_STRUCT_DAMAGED";
    case PF_Err_INVALID_INDEX: return "PF_Err_INVALID_INDEX";
    case PF_Err_UNRECOGNIZED_PARAM_TYPE: return "PF_Err_UNRECOGNIZED_PARAM_TYPE";
    case PF_Err_INVALID_CALLBACK: return "PF_Err_INVALID_CALLBACK";
    case PF_Err_BAD_CALLBACK_PARAM: return "PF_Err_BAD_CALLBACK_PARAM";
    case PF_Interrupt_CANCEL: return "PF_Interrupt_CANCEL";
    default: return "error";
    }
}

// The return message as one line: the effect separates lines with '\n' or '\r'.
std::string OneLine(std::string text)
{
    for (char &c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

// "in.png [2/3] 1920x1080 16-bit": the frame as the progress display names it.
std::string FrameLabel(const std::string &path, int image, int images, const fxhost::World &world)
{
    std::string label = path;
    if (images > 1) label += " [" + std::to_string(image + 1) + "/" + std::to_string(images) + "]";
    const int bits = world.format() == PF_PixelFormat_ARGB32 ? 8 : world.format() == PF_PixelFormat_ARGB64 ? 16 : 32;
    return label + " " + std::to_string(world.width()) + "x" + std::to_string(world.height()) + " " +
           std::to_string(bits) + "-bit";
}

double Seconds(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

// A whole number from low to high, named in the message when it is not one.
CLI::Validator WholeNumber(int low, int high)
{
    const std::string range = std::to_string(low) + " to " + std::to_string(high);
    return CLI::Validator(
        [low, high, range](std::string &text) -> std::string {
            char *end = nullptr;
            const long value = std::strtol(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || value < low || value > high)
                return "takes a whole number from " + range + ", not \"" + text + "\"";
            return "";
        },
        "");
}

// One output file to render from one input file; a frame of a sequence
// carries its number.
struct FrameJob {
    std::optional<long> frame;
    std::string input, output;
};

// What the command line names: one file, or the frames of a sequence.
struct Shot {
    std::vector<FrameJob> frames;
    bool sequence = false;
};

bool Exists(const std::string &path)
{
    struct stat status {};
    return stat(path.c_str(), &status) == 0;
}

Shot PlanShot(const RenderRequest &request)
{
    // An input that names an existing file is that file, whatever its name holds.
    const std::optional<FramePattern> input = Exists(request.input) ? std::nullopt : FramePattern::Parse(request.input);
    if (!input) {
        if (!request.frames.empty())
            throw UsageError("--frames needs a numbered INPUT, such as shot.%04d.png or shot.#.png");
        return {{{std::nullopt, request.input, request.output}}, false};
    }
    const std::optional<FramePattern> output = FramePattern::Parse(request.output);
    if (!output)
        throw UsageError("INPUT " + request.input + " is a numbered sequence; OUTPUT needs a frame-number field too, "
                         "such as out.%04d.exr or out.#.exr");
    if (output->name(0) == input->name(0))
        throw UsageError("the output " + request.output + " names the input frames; sallow does not overwrite its input");
    const std::vector<long> frames = request.frames.empty() ? input->framesOnDisk() : ParseFrameList(request.frames);
    if (frames.empty()) throw std::runtime_error("no frames of " + request.input + " on disk");
    Shot shot;
    shot.sequence = true;
    for (long frame : frames) shot.frames.push_back({frame, input->name(frame), output->name(frame)});
    return shot;
}

// How many frames render at once, and with how many threads each: the cores
// shared out so that frames x threads never exceeds them, and no more frames
// than memory holds.
struct Workers {
    int jobs, threads;
};

// The cores this process may run on (a cluster's task may have fewer than
// the machine).
int UsableCores()
{
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

Workers ShareCores(const RenderRequest &request, const Shot &shot)
{
    const int cores = UsableCores();
    const int frames = static_cast<int>(shot.frames.size());
    int jobs = request.jobs;
    if (jobs == 0 && frames > 1) {
        jobs = request.threads > 0 ? std::max(1, cores / request.threads) : cores;
        // The first frame on disk tells the size of all.
        const auto first = std::find_if(shot.frames.begin(), shot.frames.end(), [](const FrameJob &job) { return Exists(job.input); });
        try {
            if (first != shot.frames.end()) {
                const double perFrame = RenderMemory(InputFile(first->input).spec(0), RenderFormatFor(request.depth)) /
                                        (static_cast<double>(request.downsample) * request.downsample);
                jobs = std::max(1, std::min(jobs, static_cast<int>(AvailableMemory() * 0.75 / perFrame)));
            }
        } catch (const std::runtime_error &) {
            // The frame reports its own fault when its turn comes.
        }
    }
    jobs = std::max(1, std::min(jobs, frames));
    return {jobs, request.threads > 0 ? request.threads : std::max(1, cores / jobs)};
}

// The loaded effect with the controls the command line gives.
struct RenderSession {
    RenderSession(const std::string &modulePath, const RenderRequest &request, const Shot &shot, const Workers &workers)
        : module(modulePath), effect(host, module)
    {
        host.setThreadCount(workers.threads);
        host.setConcurrentFrames(workers.jobs);
        host.setModulePath(modulePath);
        PixelPicker picker(shot.frames.front().input, RenderFormatFor(request.depth));
        ApplyControls(effect, request.controls, picker.source());
        if (!request.saveParams.empty()) {
            const std::string text = DefaultsFileText(effect.params());
            OutputFile(request.saveParams, "", false).commit(text.data(), text.size());
        }
    }
    fxhost::Host host;
    fxhost::Module module;
    fxhost::Effect effect;
};

// Renders every image of one input file into one output file, written whole
// or not at all.
void RenderFile(fxhost::Effect &effect, const FrameJob &job, const OutputFile &target, const RenderRequest &request,
                ProgressDisplay &display, TimingsReport &timings)
{
    OutputImages images(job.output, {request.compression, request.quality});
    const InputFile input(job.input);
    images.checkImageCount(input.images());
    for (int image = 0; image < input.images(); ++image) {
        Interruption::check();
        const auto readStart = std::chrono::steady_clock::now();
        Frame frame = input.read(image, RenderFormatFor(request.depth), request.downsample);
        Interruption::check();
        const std::string label = FrameLabel(job.input, image, input.images(), *frame.world);
        display.beginFrame(label);
        fxhost::World output(frame.world->width(), frame.world->height(), frame.world->format());

        fxhost::RenderOptions options;
        options.smart = !request.classic;
        options.downsampleX = options.downsampleY = PF_RationalScale{1, static_cast<A_u_long>(request.downsample)};
        options.progress = display.observer();
        timings.beginFrame();
        const auto renderStart = std::chrono::steady_clock::now();
        const fxhost::CommandResult result = effect.render(*frame.world, output, options);
        const double renderSeconds = Seconds(renderStart, std::chrono::steady_clock::now());
        display.endFrame(Seconds(readStart, renderStart), renderSeconds);
        timings.endFrame(label, renderSeconds);
        if (result.err == PF_Interrupt_CANCEL)
            throw Cancelled(Interruption::signal() ? Interruption::signal() : SIGINT, "cancelled (PF_Interrupt_CANCEL)");
        if (result.err != PF_Err_NONE)
            throw std::runtime_error("the effect failed with " + std::to_string(result.err) + " (" + ErrorName(result.err) +
                                     ")" + (result.message().empty() ? "" : ": " + OneLine(result.message())));
        Interruption::check();
        images.add(frame, output, input.formatName());
    }
    const auto writeStart = std::chrono::steady_clock::now();
    const std::vector<unsigned char> bytes = images.encode();
    target.commit(bytes.data(), bytes.size());
    display.wrote(job.output, bytes.size(), Seconds(writeStart, std::chrono::steady_clock::now()));
}

// One file, with the live line of ProgressDisplay; failures end the command.
int RenderStill(const std::string &modulePath, const RenderRequest &request, const Shot &shot)
{
    const FrameJob &job = shot.frames.front();
    if (request.skipExisting && Exists(job.output)) {
        if (!request.quiet) std::fprintf(stderr, "sallow: %s exists; left as it is (--skip-existing)\n", job.output.c_str());
        return kExitSuccess;
    }
    // Everything the command line says is checked before a pixel is read.
    const OutputFile target(job.output, job.input, request.noClobber);
    CheckOutputFormat(job.output);
    RenderSession session(modulePath, request, shot, ShareCores(request, shot));
    ProgressDisplay display(session.host, request.progress == "lines" ? ProgressDisplay::Mode::Lines
                                                                     : ProgressDisplay::ModeFor(!request.progress.empty()));
    TimingsReport timings(session.host, request.timings, true);
    RenderFile(session.effect, job, target, request, display, timings);
    return kExitSuccess;
}

// The frames of a shot, several at once; a frame that fails is reported and
// the others go on.
int RenderShot(const std::string &modulePath, const RenderRequest &request, const Shot &shot)
{
    const Workers workers = ShareCores(request, shot);
    OutputFile::checkFolder(shot.frames.front().output);
    CheckOutputFormat(shot.frames.front().output);
    RenderSession session(modulePath, request, shot, workers);
    ShotProgress progress(ShotProgress::ModeFor(request.progress, request.quiet), shot.frames.size());
    TimingsReport timings(session.host, request.timings, workers.jobs == 1);

    // A frame that never starts counts as cancelled.
    std::vector<FrameRecord> records(shot.frames.size());
    for (FrameRecord &record : records) record.status = FrameRecord::Status::Cancelled;
    std::atomic<size_t> next{0};
    std::atomic<bool> stop{false};
    auto work = [&] {
        ProgressDisplay silent(session.host, ProgressDisplay::Mode::Silent);
        for (size_t i; !stop && (i = next++) < shot.frames.size();) {
            const FrameJob &job = shot.frames[i];
            FrameRecord &record = records[i];
            record.frame = job.frame;
            record.input = job.input;
            record.output = job.output;
            const auto start = std::chrono::steady_clock::now();
            try {
                Interruption::check();
                if (request.skipExisting && Exists(job.output)) {
                    record.status = FrameRecord::Status::Skipped;
                } else {
                    const OutputFile target(job.output, job.input, request.noClobber);
                    RenderFile(session.effect, job, target, request, silent, timings);
                    record.status = FrameRecord::Status::Rendered;
                }
            } catch (const Cancelled &) {
                record.status = FrameRecord::Status::Cancelled;
                stop = true;
                continue;
            } catch (const std::exception &e) {
                record.status = FrameRecord::Status::Failed;
                record.error = e.what();
            }
            record.seconds = Seconds(start, std::chrono::steady_clock::now());
            progress.finished(record);
        }
    };
    {
        std::vector<std::thread> helpers;
        for (int j = 1; j < workers.jobs; ++j) helpers.emplace_back(work);
        work();
        for (std::thread &helper : helpers) helper.join();
    }
    progress.close();
    timings.endShot(request.input);

    size_t rendered = 0, skipped = 0, cancelled = 0;
    std::vector<long> failed;
    for (const FrameRecord &record : records) {
        rendered += record.status == FrameRecord::Status::Rendered;
        skipped += record.status == FrameRecord::Status::Skipped;
        cancelled += record.status == FrameRecord::Status::Cancelled;
        if (record.status == FrameRecord::Status::Failed) failed.push_back(record.frame.value_or(0));
    }
    const double seconds = progress.elapsed();
    if (!request.quiet || !failed.empty() || Interruption::signal())
        std::fprintf(stderr, "sallow: %zu frames in %.2f s (%.2f frames/s, %d at once, %d thread%s each): %zu rendered, "
                             "%zu skipped, %zu failed%s\n",
                     shot.frames.size(), seconds, seconds > 0 ? rendered / seconds : 0.0, workers.jobs, workers.threads, workers.threads == 1 ? "" : "s",
                     rendered, skipped, failed.size(),
                     cancelled > 0 ? (", " + std::to_string(cancelled) + " not rendered (cancelled)").c_str() : "");
    if (Interruption::signal()) throw Cancelled(Interruption::signal());
    if (failed.empty()) return kExitSuccess;
    if (!shot.sequence) return kExitFailure;
    std::fprintf(stderr, "sallow: failed frames: %s (render them again with --frames %s)\n",
                 DescribeFrames(failed).c_str(), DescribeFrames(failed).c_str());
    return kExitSomeFrames;
}

}  // namespace

void AddRenderCommand(CLI::App &app, CommandAction &action)
{
    CLI::App *render = app.add_subcommand("render", "apply the effect to an image file or a numbered sequence");
    render->footer(std::string(
                       "INPUT and OUTPUT may be numbered sequences: shot.%04d.png (printf), shot.#.png (# is four "
                       "digits) or shot.@@@.png (@ is one digit); without --frames, every frame of INPUT on disk.\n"
                       "An existing OUTPUT is replaced (through a temporary file, renamed into place) unless "
                       "--no-clobber or --skip-existing is given.\n") +
                   kExitStatusHelp);
    auto modulePath = std::make_shared<std::string>();
    auto request = std::make_shared<RenderRequest>();
    render->add_option("INPUT", request->input, "the image file or numbered sequence to read")->required();
    render->add_option("OUTPUT", request->output, "the image file or numbered sequence to write; its extension picks the format")
        ->required();
    AddControlOptions(*render, request->controls);
    render->add_option("--frames", request->frames,
                       "the frames of a sequence: 1-240, 1-240x2 (every second), 1,5,10-20; default: those on disk")
        ->type_name("LIST");
    AddDepthOption(*render, request->depth);
    render->add_option("--jobs,-j", request->jobs,
                       "frames rendered at once through the one loaded effect; 0 (the default) is enough to keep "
                       "every core busy, as memory allows")
        ->type_name("N")
        ->check(WholeNumber(0, Interruption::kPendingFiles));
    render->add_option("--threads", request->threads,
                       "worker threads per frame; 0 (the default) shares the cores among the frames at once")
        ->type_name("N")
        ->check(WholeNumber(0, 256));
    render->add_option("--downsample", request->downsample, "render at 1/N resolution, as a host at that resolution does")
        ->type_name("N")
        ->check(WholeNumber(1, 64));
    render->add_flag("--classic", request->classic, "use the classic render command instead of SmartFX");
    CLI::Option *progress =
        render->add_flag("--progress{auto}", request->progress,
                         "show progress: a bar on a terminal, else one line per frame; --progress=json: one JSON "
                         "object per finished frame on standard output")
            ->check(CLI::IsMember({"auto", "lines", "json"}));
    CLI::Option *timings = render->add_flag(
        "--timings", request->timings,
        "print on standard error the time spent in each of the effect's kernels (by worker function) and in each "
        "host call (worlds, handles, suites, copies and fills): after each frame, or for the whole shot when "
        "frames render at once");
    render->add_flag("--quiet,-q", request->quiet, "print nothing but errors")->excludes(progress)->excludes(timings);
    CLI::Option *noClobber =
        render->add_flag("--no-clobber,-n", request->noClobber, "never replace an existing OUTPUT; fail instead");
    render->add_flag("--skip-existing", request->skipExisting,
                     "leave outputs that exist as they are, so a stopped shot goes on where it stopped")
        ->excludes(noClobber);
    render->add_option("--compression", request->compression,
                       "the output's compression, as the format names it (exr: none, rle, zips, zip, piz, pxr24, b44, "
                       "b44a, dwaa, dwab; tif: none, lzw, zip, packbits; png: zip:LEVEL); default: the input's "
                       "where the formats agree")
        ->type_name("NAME");
    render->add_option("--quality", request->quality, "quality of lossy outputs (jpg, webp), 1 to 100")
        ->type_name("N")
        ->check(WholeNumber(1, 100));
    render->add_option("--save-params", request->saveParams,
                       "write the controls in effect to FILE in the defaults-file format, which --params and "
                       "`sallow defaults save --params` read back")
        ->type_name("FILE");
    render->add_flag("--dry-run", request->dryRun,
                     "print the frames to render (FRAME, INPUT and OUTPUT, tab-separated, one per line) and render "
                     "nothing");
    AddModuleOption(*render, *modulePath);
    render->callback([&action, modulePath, request] {
        action = [modulePath, request] { return RunRender(*modulePath, *request); };
    });
}

int RunRender(const std::string &modulePath, const RenderRequest &request)
{
    const Shot shot = PlanShot(request);
    if (request.dryRun) {
        for (const FrameJob &job : shot.frames)
            std::printf("%s\t%s\t%s\n", job.frame ? std::to_string(*job.frame).c_str() : "-", job.input.c_str(),
                        job.output.c_str());
        return kExitSuccess;
    }
    if (!shot.sequence && request.progress != "json") return RenderStill(modulePath, request, shot);
    return RenderShot(modulePath, request, shot);
}
