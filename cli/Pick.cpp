// sallow pick: the colour of one pixel as the effect's keys see it, how far
// it lies from each enabled key, and the range that takes in its
// neighbourhood.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Commands.h"
#include "Defaults.h"
#include "PixelPicker.h"
#include "fxhost/Effect.h"

namespace {

constexpr double kFullTolerance = 27904.0;  // the distance a range of 100 reaches
constexpr A_long kHalfTurn = 0xB40001;       // just over 180 degrees, 16.16
constexpr A_long kFullTurn = 0x1680000;      // 360 degrees
constexpr int kNeighbourhood = 2;            // a 5x5 square

struct Hls {
    A_long hue, lightness, saturation;
};

struct KeyControl {
    std::string enable, colour, range;
};

// The keys in the order the effect builds them: the Base colours, then the
// process colours.
const KeyControl kKeys[] = {
    {"Enable 1", "Color 1", "Color 1 Range"},      {"Enable 2", "Color 2", "Color 2 Range"},
    {"Enable 3", "Color 3", "Color 3 Range"},      {"Enable 4", "Color 4", "Color 4 Range"},
    {"1 : Enable Process", "1 : Color", "1 : Color Range"}, {"2 : Enable Process", "2 : Color", "2 : Color Range"},
    {"3 : Enable Process", "3 : Color", "3 : Color Range"}, {"4 : Enable Process", "4 : Color", "4 : Color Range"},
};

// The effect's own conversion: the host's RGBtoHLS callback.
class HostColours {
public:
    explicit HostColours(fxhost::Host &host) { host.prepareInData(in_data_, &frame_); }
    Hls hls(const PF_Pixel &colour)
    {
        PF_Pixel rgb = colour;
        PF_HLS_Pixel hls = {0, 0, 0};
        const PF_Err err = in_data_.utils->colorCB.RGBtoHLS(in_data_.effect_ref, &rgb, hls);
        if (err != PF_Err_NONE) throw std::runtime_error("the host's RGBtoHLS failed with " + std::to_string(err));
        return {hls[0], hls[1], hls[2]};
    }

private:
    PF_ProgressInfo frame_;
    PF_InData in_data_;
};

A_long Distance(const Hls &pixel, const Hls &key)
{
    A_long dH = std::abs(pixel.hue - key.hue);
    if (dH >= kHalfTurn) dH = kFullTurn - dH;
    return (std::abs(pixel.saturation - key.saturation) + std::abs(pixel.lightness - key.lightness) + (dH >> 7)) >> 3;
}

A_long Tolerance(double rangePercent) { return static_cast<A_long>(rangePercent / 100.0 * kFullTolerance); }

// The smallest range with one decimal, as the control shows it, whose
// tolerance reaches `distance`.
double SmallestRange(A_long distance)
{
    long tenths = std::max(0L, static_cast<long>(distance * 1000.0 / kFullTolerance) - 2);
    while (tenths < 1000 && Tolerance(tenths / 10.0) < distance) ++tenths;
    return tenths / 10.0;
}

std::string Hex(const PF_Pixel &c)
{
    char text[16];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", c.red, c.green, c.blue);
    return text;
}

const char *DepthName(PF_PixelFormat format)
{
    return format == PF_PixelFormat_ARGB32 ? "8-bit" : format == PF_PixelFormat_ARGB64 ? "16-bit" : "32-bit float";
}

void PrintKeys(fxhost::ParamStore &params, HostColours &colours, const Hls &pixel, bool transparent)
{
    std::printf("keys (distance (|dS| + |dL| + |dH| / 128) / 8; a range of 100 reaches %.0f):\n", kFullTolerance);
    bool any = false;
    for (const KeyControl &key : kKeys) {
        if (params.at(params.indexOf(key.enable)).u.bd.value == 0) continue;
        any = true;
        const PF_Pixel colour = params.at(params.indexOf(key.colour)).u.cd.value;
        const double range = params.at(params.indexOf(key.range)).u.fs_d.value;
        const A_long distance = Distance(pixel, colours.hls(colour));
        const A_long tolerance = Tolerance(range);
        std::printf("  %-10s %s  range %5.1f (tolerance %5ld)  distance %5ld  %s\n", key.colour.c_str(),
                    Hex(colour).c_str(), range, static_cast<long>(tolerance), static_cast<long>(distance),
                    transparent ? "no match (transparent)" : tolerance >= distance ? "matches" : "no match");
    }
    if (!any) std::printf("  (no key is enabled)\n");
}

void PrintNeighbourhood(PixelPicker &picker, HostColours &colours, long x, long y)
{
    const PF_Pixel centre = picker.keyColour(x, y);
    const Hls key = colours.hls(centre);
    std::map<std::string, int> counts;
    int transparent = 0;
    A_long farthest = 0;
    const long width = picker.world().width(), height = picker.world().height();
    for (long ny = std::max(0L, y - kNeighbourhood); ny <= std::min(height - 1, y + kNeighbourhood); ++ny)
        for (long nx = std::max(0L, x - kNeighbourhood); nx <= std::min(width - 1, x + kNeighbourhood); ++nx) {
            if (picker.transparent(nx, ny)) {
                ++transparent;
                continue;
            }
            const PF_Pixel colour = picker.keyColour(nx, ny);
            ++counts[Hex(colour)];
            farthest = std::max(farthest, Distance(colours.hls(colour), key));
        }
    std::printf("the %d x %d pixels around it:", 2 * kNeighbourhood + 1, 2 * kNeighbourhood + 1);
    for (const auto &entry : counts) std::printf(" %s x %d", entry.first.c_str(), entry.second);
    if (transparent > 0) std::printf(" (%d transparent, which no key matches)", transparent);
    std::printf("\n");
    if (counts.empty()) return;
    const double range = SmallestRange(farthest);
    std::printf("farthest distance %ld: the smallest range that takes them all in is %.1f\n",
                static_cast<long>(farthest), range);
    std::printf("  --set \"Color 1=%s\" --set \"Color 1 Range=%.1f\"\n", Hex(centre).c_str(), range);
}

struct PickRequest {
    std::string input;
    long x = 0, y = 0;
    ControlRequest controls;
    int depth = 0;
};

int RunPick(const std::string &modulePath, const PickRequest &request)
{
    fxhost::Host host;
    fxhost::Module module(modulePath);
    host.setModulePath(modulePath);
    fxhost::Effect effect(host, module);
    PixelPicker picker(request.input, RenderFormatFor(request.depth));
    picker.checkInside(request.x, request.y);
    ApplyControls(effect, request.controls, picker.source());
    HostColours colours(host);

    const PF_Pixel colour = picker.keyColour(request.x, request.y);
    const bool transparent = picker.transparent(request.x, request.y);
    const Hls hls = colours.hls(colour);
    std::printf("pixel %ld,%ld of %s (%dx%d, %s)\n", request.x, request.y, request.input.c_str(),
                static_cast<int>(picker.world().width()), static_cast<int>(picker.world().height()),
                DepthName(picker.world().format()));
    std::printf("colour:     %s (%d, %d, %d)%s\n", Hex(colour).c_str(), colour.red, colour.green, colour.blue,
                transparent ? ", fully transparent" : "");
    std::printf("working:    %s\n", picker.workingValues(request.x, request.y).c_str());
    std::printf("hue:        %.2f degrees (%ld in 16.16)\n", hls.hue / 65536.0, static_cast<long>(hls.hue));
    std::printf("lightness:  %.4f (%ld)\n", hls.lightness / 65536.0, static_cast<long>(hls.lightness));
    std::printf("saturation: %.4f (%ld)\n", hls.saturation / 65536.0, static_cast<long>(hls.saturation));
    PrintKeys(effect.params(), colours, hls, transparent);
    PrintNeighbourhood(picker, colours, request.x, request.y);
    effect.send(PF_Cmd_GLOBAL_SETDOWN);
    return kExitSuccess;
}

}  // namespace

void AddPickCommand(CLI::App &app, CommandAction &action)
{
    CLI::App *pick = app.add_subcommand(
        "pick", "the colour of a pixel as the effect's keys see it, its distance to each enabled key, and the "
                "range that takes in the colours around it");
    auto modulePath = std::make_shared<std::string>();
    auto request = std::make_shared<PickRequest>();
    pick->add_option("INPUT", request->input, "the image file")->required();
    pick->add_option("X", request->x, "the pixel's column, from 0 at the left")->required();
    pick->add_option("Y", request->y, "the pixel's row, from 0 at the top")->required();
    AddControlOptions(*pick, request->controls);
    AddDepthOption(*pick, request->depth);
    AddModuleOption(*pick, *modulePath);
    pick->callback([&action, modulePath, request] {
        action = [modulePath, request] { return RunPick(*modulePath, *request); };
    });
}
