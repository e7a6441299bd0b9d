// sallow render: applies the effect to an image file.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "CommandLine.h"
#include "Commands.h"
#include "ControlValues.h"
#include "ImageFile.h"
#include "Progress.h"
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
    render->add_flag("--quiet,-q", request->quiet, "print nothing but errors")->excludes(progress);
    AddModuleOption(*render, *modulePath);
    render->callback([&action, modulePath, request] {
        action = [modulePath, request] { return RunRender(*modulePath, *request); };
    });
}

int RunRender(const std::string &modulePath, const RenderRequest &request)
{
    LoadedImage image = ReadImage(request.input, request.depth ? WorldFormatFor(request.depth == 8 ? FileDepth::Eight : request.depth == 16 ? FileDepth::Sixteen : FileDepth::Float) : 0);
    fxhost::World output(image.world->width(), image.world->height(), image.world->format());

    fxhost::Host host;
    if (request.threads > 0) host.setThreadCount(request.threads);
    fxhost::Module module(modulePath);
    host.setModulePath(modulePath);
    fxhost::Effect effect(host, module);
    effect.apply();
    if (!request.paramsFile.empty()) ApplyParamsFile(effect, request.paramsFile);
    for (const std::string &setting : request.settings) ApplySetting(effect, setting);

    fxhost::RenderOptions options;
    options.smart = !request.classic;
    options.downsampleX = options.downsampleY = PF_RationalScale{1, static_cast<A_u_long>(request.downsample)};
    fxhost::CommandResult result;
    {
        RenderProgress progress(host, request.showProgress);
        options.progress = progress.observer();
        result = effect.render(*image.world, output, options);
    }
    if (result.err != PF_Err_NONE) {
        std::fprintf(stderr, "sallow: the effect failed with %d (%s)%s%s\n", static_cast<int>(result.err),
                     ErrorName(result.err), result.message().empty() ? "" : ": ", OneLine(result.message()).c_str());
        return result.err == PF_Interrupt_CANCEL ? 130 : 1;
    }
    WriteImage(request.output, output, image.fileDepth);
    return 0;
}
