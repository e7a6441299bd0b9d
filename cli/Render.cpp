// sallow render: applies the effect to an image file.
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "CommandLine.h"
#include "Commands.h"
#include "ControlValues.h"
#include "Defaults.h"
#include "ImageFile.h"
#include "Errors.h"
#include "Interruption.h"
#include "OutputFile.h"
#include "Progress.h"
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

}  // namespace

void AddRenderCommand(CLI::App &app, CommandAction &action)
{
    CLI::App *render = app.add_subcommand("render", "apply the effect to an image file");
    render->footer(std::string("An existing OUTPUT is replaced (through a temporary file, renamed into place) "
                               "unless --no-clobber is given.\n") + kExitStatusHelp);
    auto modulePath = std::make_shared<std::string>();
    auto request = std::make_shared<RenderRequest>();
    render->add_option("INPUT", request->input, "the image file to read")->required();
    render->add_option("OUTPUT", request->output, "the image file to write; its extension picks the format")->required();
    render->add_option("--set", request->settings,
                       "set a control, NAME=VALUE (repeatable): numbers for sliders, on/off for checkboxes, "
                       "an item or its number for View, #RRGGBB or r,g,b for colours")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
    render->add_option("--params", request->paramsFile,
                       "control values in the defaults-file format ([Version=1.0]; see the README)")
        ->type_name("FILE")
        ->check(ExistingFile());
    render->add_option("--depth", request->depth, "render depth: 8, 16 or 32 (default: the input file's)")
        ->type_name("8|16|32")
        ->check(CLI::Validator(
            [](std::string &text) -> std::string {
                return text == "8" || text == "16" || text == "32" ? "" : "takes 8, 16 or 32, not \"" + text + "\"";
            },
            ""));
    render->add_option("--threads", request->threads, "worker threads; 0 (the default) is one per core")
        ->type_name("N")
        ->check(WholeNumber(0, 256));
    render->add_option("--downsample", request->downsample, "render at 1/N resolution, as a host at that resolution does")
        ->type_name("N")
        ->check(WholeNumber(1, 64));
    render->add_flag("--classic", request->classic, "use the classic render command instead of SmartFX");
    CLI::Option *progress =
        render->add_flag("--progress", request->showProgress, "show progress (a bar on a terminal, else one line per frame)");
    CLI::Option *timings = render->add_flag(
        "--timings", request->timings,
        "after each frame, print the time spent in each of the effect's kernels (by worker function) and in "
        "each host call (worlds, handles, suites, copies and fills)");
    render->add_flag("--quiet,-q", request->quiet, "print nothing but errors")->excludes(progress)->excludes(timings);
    render->add_flag("--no-clobber,-n", request->noClobber, "never replace an existing OUTPUT; fail instead");
    render->add_option("--compression", request->compression,
                       "the output's compression, as the format names it (exr: none, rle, zips, zip, piz, pxr24, b44, "
                       "b44a, dwaa, dwab; tif: none, lzw, zip, packbits; png: zip:LEVEL); default: the input's "
                       "where the formats agree")
        ->type_name("NAME");
    render->add_option("--quality", request->quality, "quality of lossy outputs (jpg, webp), 1 to 100")
        ->type_name("N")
        ->check(WholeNumber(1, 100));
    AddModuleOption(*render, *modulePath);
    AddNoUserDefaultsOption(*render, request->useUserDefaults);
    render->callback([&action, modulePath, request] {
        action = [modulePath, request] { return RunRender(*modulePath, *request); };
    });
}

int RunRender(const std::string &modulePath, const RenderRequest &request)
{
    // Everything the command line says is checked before a pixel is read.
    const OutputFile target(request.output, request.input, request.noClobber);
    OutputImages images(request.output, {request.compression, request.quality});
    const PF_PixelFormat renderFormat =
        request.depth == 0 ? 0 : WorldFormatFor(request.depth == 8 ? FileDepth::Eight : request.depth == 16 ? FileDepth::Sixteen : FileDepth::Float);

    fxhost::Host host;
    if (request.threads > 0) host.setThreadCount(request.threads);
    host.setTimings(request.timings);
    fxhost::Module module(modulePath);
    host.setModulePath(modulePath);
    fxhost::Effect effect(host, module);
    ApplyWithDefaults(effect, request.useUserDefaults);
    if (!request.paramsFile.empty()) ApplyParamsFile(effect, request.paramsFile);
    for (const std::string &setting : request.settings) ApplySetting(effect, setting);

    const InputFile input(request.input);
    images.checkImageCount(input.images());
    ProgressDisplay display(host, ProgressDisplay::ModeFor(request.showProgress));
    for (int image = 0; image < input.images(); ++image) {
        Interruption::check();
        const auto readStart = std::chrono::steady_clock::now();
        Frame frame = input.read(image, renderFormat, request.downsample);
        Interruption::check();
        display.beginFrame(FrameLabel(request.input, image, input.images(), *frame.world));
        fxhost::World output(frame.world->width(), frame.world->height(), frame.world->format());

        fxhost::RenderOptions options;
        options.smart = !request.classic;
        options.downsampleX = options.downsampleY = PF_RationalScale{1, static_cast<A_u_long>(request.downsample)};
        options.progress = display.observer();
        host.clearTimings();
        const auto renderStart = std::chrono::steady_clock::now();
        const fxhost::CommandResult result = effect.render(*frame.world, output, options);
        const double renderSeconds = Seconds(renderStart, std::chrono::steady_clock::now());
        display.endFrame(Seconds(readStart, renderStart), renderSeconds);
        if (request.timings)
            PrintTimings(FrameLabel(request.input, image, input.images(), *frame.world), renderSeconds, host.timings());
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
    display.wrote(request.output, bytes.size(), Seconds(writeStart, std::chrono::steady_clock::now()));
    return kExitSuccess;
}
