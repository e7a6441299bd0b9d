// sallow render: applies the effect to an image file.
#include <cstdio>
#include <string>

#include "Commands.h"
#include "ControlValues.h"
#include "Defaults.h"
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

}  // namespace

int RunRender(const std::string &modulePath, const RenderRequest &request)
{
    LoadedImage image = ReadImage(request.input, request.depth);
    fxhost::World output(image.world->width(), image.world->height(), image.world->format());

    fxhost::Host host;
    if (request.threads > 0) host.setThreadCount(request.threads);
    fxhost::Module module(modulePath);
    host.setModulePath(modulePath);
    fxhost::Effect effect(host, module);
    ApplyWithDefaults(effect, request.useUserDefaults);
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
