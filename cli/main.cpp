// sallow: applies the K_Sallowmerine effect to image files through the
// emulated host, and shows what the effect declares.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "Commands.h"
#include "ControlValues.h"
#include "Defaults.h"
#include "ImageFile.h"

namespace {

const char kUsage[] =
    "usage:\n"
    "  sallow info                      name, version, flags and about text of the module\n"
    "  sallow params                    the controls as the module registers them, enabled or not\n"
    "  sallow render INPUT OUTPUT [options]\n"
    "      --set \"NAME=VALUE\"           set a control (repeatable): numbers for sliders, on/off for\n"
    "                                   checkboxes, an item or number for View, #RRGGBB or r,g,b for colours\n"
    "      --params FILE                control values in the defaults-file format\n"
    "      --depth 8|16|32              render depth (default: the input file's)\n"
    "      --threads N                  worker threads (default: one per core)\n"
    "      --downsample N               render at 1/N resolution, as the host's downsample factors\n"
    "      --classic                    use the classic render command instead of SmartFX\n"
    "      --progress                   show a progress bar (Ctrl-C cancels the frame either way)\n"
    "  sallow sample OUTPUT             draw the bundled cel-style test frame\n"
    "  sallow defaults save [--set \"NAME=VALUE\" ...] [--params FILE]\n"
    "                                   store the controls' values as the effect's defaults\n"
    "                                   (the options dialog's store button)\n"
    "  sallow defaults restore          remove the stored defaults (the dialog's restore button)\n"
    "  sallow defaults show             the defaults file and its entries\n"
    "common options:\n"
    "  --module PATH                    the effect module (default: next to sallow, or $SALLOW_MODULE)\n"
    "  --no-user-defaults               render, params, defaults save: start from the built-in defaults,\n"
    "                                   leaving the stored ones aside\n"
    "the stored defaults live in $XDG_CONFIG_HOME/KORVA/Tavix/K_Sallowmerine.ini\n"
    "(~/.config when XDG_CONFIG_HOME is not set)\n";

int ParseCount(const std::string &option, const std::string &text, int low, int high)
{
    char *end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < low || value > high)
        throw UsageError(option + " takes a whole number from " + std::to_string(low) + " to " + std::to_string(high));
    return static_cast<int>(value);
}

}  // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    try {
        std::string modulePath = DefaultModulePath();
        std::vector<std::string> positional;
        RenderRequest request;
        for (size_t i = 1; i < args.size(); ++i) {
            const std::string &arg = args[i];
            auto value = [&]() -> const std::string & {
                if (i + 1 >= args.size()) throw UsageError(arg + " needs a value");
                return args[++i];
            };
            if (arg == "--module")
                modulePath = value();
            else if (arg == "--set")
                request.settings.push_back(value());
            else if (arg == "--params")
                request.paramsFile = value();
            else if (arg == "--threads")
                request.threads = ParseCount(arg, value(), 1, 256);
            else if (arg == "--downsample")
                request.downsample = ParseCount(arg, value(), 1, 64);
            else if (arg == "--classic")
                request.classic = true;
            else if (arg == "--progress")
                request.showProgress = true;
            else if (arg == "--no-user-defaults")
                request.useUserDefaults = false;
            else if (arg == "--depth") {
                const int depth = ParseCount(arg, value(), 8, 32);
                if (depth != 8 && depth != 16 && depth != 32) throw UsageError("--depth takes 8, 16 or 32");
                request.depth = WorldFormatFor(depth == 8 ? FileDepth::Eight : depth == 16 ? FileDepth::Sixteen : FileDepth::Float);
            } else if (!arg.empty() && arg[0] == '-')
                throw UsageError("unknown option " + arg);
            else
                positional.push_back(arg);
        }
        const std::string &command = args[0];
        if (command == "info" && positional.empty()) return RunInfo(modulePath);
        if (command == "params" && positional.empty()) return RunParams(modulePath, request.useUserDefaults);
        if (command == "sample" && positional.size() == 1) return RunSample(positional[0]);
        if (command == "render" && positional.size() == 2) {
            request.input = positional[0];
            request.output = positional[1];
            return RunRender(modulePath, request);
        }
        if (command == "defaults" && positional.size() == 1) {
            if (positional[0] == "save")
                return RunDefaultsSave(modulePath, {request.settings, request.paramsFile, request.useUserDefaults});
            if (positional[0] == "restore") return RunDefaultsRestore(modulePath);
            if (positional[0] == "show") return RunDefaultsShow(modulePath);
        }
        throw UsageError("unknown command or wrong arguments: sallow " + command);
    } catch (const UsageError &e) {
        std::fprintf(stderr, "sallow: %s\n\n%s", e.what(), kUsage);
        return 2;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "sallow: %s\n", e.what());
        return 1;
    }
}
