// Renders the bundled sample and a 1080p cel frame at every View and depth
// under a set of control settings, and prints the result code and an FNV-1a
// checksum of each render. With --compare FILE it checks the renders against
// checksums written before, so a change to the code can show that it keeps
// every output bit; running it with different --threads shows that the bits
// do not depend on the number of worker threads.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "CelFrame.h"
#include "ImageFile.h"
#include "ParityFrame.h"
#include "fxhost/Effect.h"

namespace {

struct Options {
    std::string module = SALLOW_MODULE_PATH;
    std::string sample = SALLOW_SOURCE_DIR "/samples/cel-frame.png";
    std::string compare;
    int threads = 0;
    bool quick = false;  // the sample only, at a few views
};

// A named set of control values on top of the built-in defaults.
struct Settings {
    const char *name;
    std::function<void(fxhost::Effect &, const PF_Pixel *colours)> apply;
    bool heavy;  // radii past the stored taps: rendered at the Normal view only on large frames
};

// A picture to render: its name, four of its colours (the first is the
// default key colour), and the picture at a depth.
struct Picture {
    const char *name;
    PF_Pixel colours[4];
    std::function<fxhost::World(PF_PixelFormat)> draw;
    bool large;
};

void AllProcesses(fxhost::Effect &effect, const PF_Pixel *colours)
{
    effect.setValue("Enable 2", 1);
    effect.setColour("Color 2", colours[1]);
    for (int process = 2; process <= 4; ++process) {
        const std::string group = std::to_string(process) + " : ";
        effect.setValue(group + "Enable Process", 1);
        effect.setColour(group + "Color", colours[process - 1]);
    }
}

void KeepDivisionOff(fxhost::Effect &effect)
{
    effect.setValue("Keep Division", 0);
    for (int process = 1; process <= 4; ++process)
        effect.setValue(std::to_string(process) + " : Keep Division", 0);
}

// Blur Amount 310 and Boundary Blur 620 give kernels of 311 taps a side, past
// the 300 stored ones, so the tables' tail takes part.
void LongestKernels(fxhost::Effect &effect)
{
    effect.setValue("Blur Amount", 310);
    effect.setValue("Blur Repeat Num", 10);
    for (int process = 1; process <= 4; ++process) {
        const std::string group = std::to_string(process) + " : ";
        effect.setValue(group + "Boundary Blur", 620);
        effect.setValue(group + "Blur Repeat Num", 10);
    }
}

const Settings kSettings[] = {
    {"default", [](fxhost::Effect &, const PF_Pixel *) {}, false},
    {"all4", AllProcesses, false},
    {"nodivision",
     [](fxhost::Effect &effect, const PF_Pixel *colours) {
         AllProcesses(effect, colours);
         KeepDivisionOff(effect);
         effect.setValue("3 : Keep Process", 0);
         effect.setValue("1 : Boundary Bias", 20);
         effect.setValue("4 : Boundary Bias", 100);
         effect.setValue("2 : Boundary Blur", 25);
         effect.setValue("Blur Repeat Num", 2);
     },
     false},
    {"small",
     [](fxhost::Effect &effect, const PF_Pixel *colours) {
         AllProcesses(effect, colours);
         effect.setValue("Blur Amount", 1);
         effect.setValue("Blur Repeat Num", 1);
         effect.setValue("1 : Boundary Blur", 2);
         effect.setValue("2 : Boundary Blur", 0);
         effect.setValue("3 : Boundary Blur", 3);
         effect.setValue("3 : Blur Repeat Num", 1);
         effect.setValue("4 : Boundary Blur", 29);
     },
     false},
    {"tail",
     [](fxhost::Effect &effect, const PF_Pixel *colours) {
         AllProcesses(effect, colours);
         KeepDivisionOff(effect);
         LongestKernels(effect);
     },
     true},
    {"tailkeep",
     [](fxhost::Effect &effect, const PF_Pixel *colours) {
         AllProcesses(effect, colours);
         LongestKernels(effect);
     },
     true},
};

fxhost::World ReadSample(const std::string &path, PF_PixelFormat format)
{
    Frame frame = InputFile(path).read(0, format, 1);
    return std::move(*frame.world);
}

template <class Pixel>
fxhost::World DrawCel(PF_PixelFormat format)
{
    return CelFrame<Pixel>(format);
}

fxhost::World DrawCelAt(PF_PixelFormat format)
{
    switch (format) {
    case PF_PixelFormat_ARGB32: return DrawCel<PF_Pixel8>(format);
    case PF_PixelFormat_ARGB64: return DrawCel<PF_Pixel16>(format);
    default: return DrawCel<PF_PixelFloat>(format);
    }
}

// "frame settings depth view" to "result checksum".
using Results = std::map<std::string, std::string>;

Results ReadResults(const std::string &path)
{
    Results results;
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string frame, settings, depth, view, err, checksum;
        if (fields >> frame >> settings >> depth >> view >> err >> checksum)
            results[frame + " " + settings + " " + depth + " " + view] = err + " " + checksum;
    }
    return results;
}

Options Parse(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw std::runtime_error(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--module")
            options.module = value();
        else if (arg == "--sample")
            options.sample = value();
        else if (arg == "--compare")
            options.compare = value();
        else if (arg == "--threads")
            options.threads = std::atoi(value().c_str());
        else if (arg == "--quick")
            options.quick = true;
        else
            throw std::runtime_error("unknown argument " + arg +
                                     "; usage: render_checksums [--quick] [--threads N] [--compare FILE] "
                                     "[--module PATH] [--sample PATH]");
    }
    return options;
}

int Run(const Options &options)
{
    // The built-in defaults, whatever the user stored.
    setenv("XDG_CONFIG_HOME", "/nonexistent/render-checksums", 1);
    const Results expected = options.compare.empty() ? Results() : ReadResults(options.compare);

    fxhost::Host host;
    if (options.threads > 0) host.setThreadCount(options.threads);
    fxhost::Module module(options.module);
    host.setModulePath(options.module);

    const std::string samplePath = options.sample;
    std::vector<Picture> pictures = {
        {"sample",
         {{255, 3, 180, 245}, {255, 2, 128, 190}, {255, 250, 214, 186}, {255, 40, 30, 48}},
         [samplePath](PF_PixelFormat format) { return ReadSample(samplePath, format); },
         false},
    };
    if (!options.quick)
        pictures.push_back(
            {"cel1080", {kCelColours[0], kCelColours[1], kCelColours[2], kCelColours[3]}, DrawCelAt, true});
    const std::vector<int> views = options.quick ? std::vector<int>{1, 3, 4, 5, 8} : std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8};

    int compared = 0, differing = 0, missing = 0;
    for (const Picture &picture : pictures) {
        for (PF_PixelFormat format : parity::kFormats) {
            fxhost::World input = picture.draw(format);
            for (const Settings &settings : kSettings) {
                fxhost::Effect effect(host, module);
                effect.apply();
                settings.apply(effect, picture.colours);
                for (int view : views) {
                    if (settings.heavy && (picture.large || options.quick) && view != 1) continue;
                    effect.setValue("View", view);
                    fxhost::World output(input.width(), input.height(), format);
                    const PF_Err err = effect.render(input, output).err;
                    char line[160];
                    std::snprintf(line, sizeof line, "%s %s %d view%d %d %016llx", picture.name, settings.name,
                                  parity::BitDepth(format), view, static_cast<int>(err),
                                  static_cast<unsigned long long>(parity::Checksum(output)));
                    std::printf("%s\n", line);
                    std::fflush(stdout);
                    if (options.compare.empty()) continue;
                    std::istringstream fields(line);
                    std::string frame, name, depth, viewName, code, checksum;
                    fields >> frame >> name >> depth >> viewName >> code >> checksum;
                    const auto found = expected.find(frame + " " + name + " " + depth + " " + viewName);
                    if (found == expected.end()) {
                        ++missing;
                        std::fprintf(stderr, "not in %s: %s\n", options.compare.c_str(), line);
                    } else if (found->second != code + " " + checksum) {
                        ++differing;
                        std::fprintf(stderr, "DIFFERS: %s (expected %s)\n", line, found->second.c_str());
                    } else {
                        ++compared;
                    }
                }
            }
        }
    }
    if (!host.accounting().balanced()) {
        std::fprintf(stderr, "host resources left: %s\n", host.accounting().describe().c_str());
        return 1;
    }
    if (options.compare.empty()) return 0;
    std::fprintf(stderr, "%d renders match, %d differ, %d not in %s\n", compared, differing, missing,
                 options.compare.c_str());
    return differing == 0 && missing == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv)
{
    try {
        return Run(Parse(argc, argv));
    } catch (const std::exception &e) {
        std::fprintf(stderr, "render_checksums: %s\n", e.what());
        return 2;
    }
}
