// sallow sheet: the input and the effect's seven views of one frame in a
// labelled grid, transparency shown over a checkerboard.
#include <OpenImageIO/imagebufalgo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Commands.h"
#include "ControlValues.h"
#include "Defaults.h"
#include "Errors.h"
#include "ImageFile.h"
#include "Interruption.h"
#include "OutputFile.h"
#include "PixelPicker.h"
#include "fxhost/Effect.h"

namespace {

// The layout: four columns and two rows of tiles, each a label band over the
// picture, with a margin around and between them.
constexpr int kColumns = 4;
constexpr int kMargin = 8;
constexpr int kLabelHeight = 28;
constexpr int kLabelSize = 18;        // font size in pixels
constexpr int kSmallestColumn = 120;  // room for the longest label
constexpr int kCheckerSquare = 8;
constexpr float kBackground[3] = {0.16f, 0.16f, 0.16f};
constexpr float kLabelColour[3] = {0.94f, 0.94f, 0.94f};
constexpr float kCheckerLight = 0.8f, kCheckerDark = 0.6f;
const char kLabelFont[] = "DejaVuSans";

struct Tile {
    std::string label;
    const fxhost::World *picture;
};

// A pixel's colour and alpha in 0..1.
struct Shade {
    float red, green, blue, alpha;
};

Shade ShadeAt(const fxhost::World &world, A_long x, A_long y)
{
    auto clip = [](float v) { return std::clamp(v, 0.0f, 1.0f); };
    if (world.format() == PF_PixelFormat_ARGB32) {
        const PF_Pixel8 &p = world.at<PF_Pixel8>(x, y);
        return {p.red / 255.0f, p.green / 255.0f, p.blue / 255.0f, p.alpha / 255.0f};
    }
    if (world.format() == PF_PixelFormat_ARGB64) {
        const PF_Pixel16 &p = world.at<PF_Pixel16>(x, y);
        return {p.red / 32768.0f, p.green / 32768.0f, p.blue / 32768.0f, p.alpha / 32768.0f};
    }
    const PF_PixelFloat &p = world.at<PF_PixelFloat>(x, y);
    return {clip(p.red), clip(p.green), clip(p.blue), clip(p.alpha)};
}

// The picture over a checkerboard, at (left, top) of the sheet.
void PlacePicture(OIIO::ImageBuf &sheet, const fxhost::World &picture, int left, int top)
{
    for (A_long y = 0; y < picture.height(); ++y)
        for (A_long x = 0; x < picture.width(); ++x) {
            const Shade s = ShadeAt(picture, x, y);
            const float checker = ((x / kCheckerSquare + y / kCheckerSquare) % 2 == 0) ? kCheckerLight : kCheckerDark;
            const float under = checker * (1.0f - s.alpha);
            const float rgb[3] = {s.red * s.alpha + under, s.green * s.alpha + under, s.blue * s.alpha + under};
            sheet.setpixel(left + static_cast<int>(x), top + static_cast<int>(y), rgb, 3);
        }
}

fxhost::World ToWorld(const OIIO::ImageBuf &sheet)
{
    const OIIO::ImageSpec &spec = sheet.spec();
    fxhost::World world(spec.width, spec.height, PF_PixelFormat_ARGB32);
    std::vector<float> row(static_cast<size_t>(spec.width) * 3);
    for (int y = 0; y < spec.height; ++y) {
        sheet.get_pixels(OIIO::ROI(0, spec.width, y, y + 1), OIIO::TypeDesc::FLOAT, row.data());
        for (int x = 0; x < spec.width; ++x) {
            auto byte = [&](int c) {
                return static_cast<A_u_char>(std::lround(std::clamp(row[static_cast<size_t>(x) * 3 + c], 0.0f, 1.0f) * 255));
            };
            world.at<PF_Pixel8>(x, y) = {255, byte(0), byte(1), byte(2)};
        }
    }
    return world;
}

void WriteSheet(const std::vector<Tile> &tiles, A_long width, A_long height, const std::string &path)
{
    const int column = std::max<int>(width, kSmallestColumn);
    const int rows = static_cast<int>((tiles.size() + kColumns - 1) / kColumns);
    OIIO::ImageSpec spec(kColumns * column + (kColumns + 1) * kMargin,
                         rows * (kLabelHeight + static_cast<int>(height)) + (rows + 1) * kMargin, 3, OIIO::TypeDesc::FLOAT);
    OIIO::ImageBuf sheet(spec);
    OIIO::ImageBufAlgo::fill(sheet, kBackground);
    for (size_t i = 0; i < tiles.size(); ++i) {
        const int left = kMargin + static_cast<int>(i % kColumns) * (column + kMargin);
        const int top = kMargin + static_cast<int>(i / kColumns) * (kLabelHeight + static_cast<int>(height) + kMargin);
        if (!OIIO::ImageBufAlgo::render_text(sheet, left + 2, top + kLabelHeight - 8, tiles[i].label, kLabelSize,
                                              kLabelFont, kLabelColour))
            throw std::runtime_error("cannot draw the sheet's labels: " + sheet.geterror() +
                                     " (the font comes with Debian's fonts-dejavu-core)");
        PlacePicture(sheet, *tiles[i].picture, left, top + kLabelHeight);
    }
    WriteImage(path, ToWorld(sheet), FileDepth::Eight);
}

struct SheetRequest {
    std::string input, output;
    ControlRequest controls;
    int depth = 0;
};

int RunSheet(const std::string &modulePath, const SheetRequest &request)
{
    const OutputFile target(request.output, request.input, false);
    CheckOutputFormat(request.output);
    fxhost::Host host;
    fxhost::Module module(modulePath);
    host.setModulePath(modulePath);
    fxhost::Effect effect(host, module);
    PixelPicker picker(request.input, RenderFormatFor(request.depth));
    ApplyControls(effect, request.controls, picker.source());
    fxhost::World &input = picker.world();

    PF_ParamDef &view = effect.params().at(FindControl(effect.params(), "View"));
    const std::vector<std::string> items = PopupItems(view);
    std::vector<fxhost::World> renders;
    renders.reserve(items.size());
    std::vector<Tile> tiles{{"Input", &input}};
    for (size_t item = 0; item < items.size(); ++item) {
        if (items[item] == kPopupSeparator) continue;
        Interruption::check();
        view.u.pd.value = static_cast<PF_ParamValue>(item + 1);
        renders.emplace_back(input.width(), input.height(), input.format());
        fxhost::World &output = renders.back();
        const fxhost::CommandResult result = effect.render(input, output);
        if (result.err == PF_Interrupt_CANCEL) throw Cancelled(Interruption::signal());
        if (result.err != PF_Err_NONE)
            throw std::runtime_error("the effect failed with " + std::to_string(result.err) + " on the view \"" +
                                     items[item] + "\": " + result.message());
        tiles.push_back({items[item], &output});
    }
    WriteSheet(tiles, input.width(), input.height(), request.output);
    effect.send(PF_Cmd_GLOBAL_SETDOWN);
    return kExitSuccess;
}

}  // namespace

void AddSheetCommand(CLI::App &app, CommandAction &action)
{
    CLI::App *sheet = app.add_subcommand(
        "sheet", "the input and the effect's seven views of one frame in a labelled grid, transparency shown over a "
                 "checkerboard");
    auto modulePath = std::make_shared<std::string>();
    auto request = std::make_shared<SheetRequest>();
    sheet->add_option("INPUT", request->input, "the image file")->required();
    sheet->add_option("OUTPUT", request->output, "the sheet to write (png, jpg, tif, ...)")->required();
    AddControlOptions(*sheet, request->controls);
    AddDepthOption(*sheet, request->depth);
    AddModuleOption(*sheet, *modulePath);
    sheet->callback([&action, modulePath, request] {
        action = [modulePath, request] { return RunSheet(*modulePath, *request); };
    });
}
