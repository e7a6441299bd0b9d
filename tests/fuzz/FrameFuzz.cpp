// A small frame of any pixels (1x1 to 64x64, any alpha, NaN and infinite
// floats) with any control values, out-of-range ones included, at any depth
// and downsampling: the render never crashes, never writes outside its
// output or into its input, gives the same result and the same pixels on
// one thread and on two, and hands back everything it took.
#include <cmath>
#include <limits>

#include "FuzzSession.h"

namespace {

constexpr PF_PixelFormat kFormats[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128};

// Mostly values inside the control's range; now and then one a careless
// host might pass.
double FloatValue(fuzz::Reader &in, const PF_FloatSliderDef &slider)
{
    const uint16_t w = in.word();
    if (w < 0xF000) return slider.valid_min + (slider.valid_max - slider.valid_min) * (w / double(0xEFFF));
    const double odd[] = {-1.0,
                          -1e9,
                          slider.valid_max + 1,
                          1e6,
                          1e12,
                          std::numeric_limits<double>::quiet_NaN(),
                          std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::max(),
                          std::numeric_limits<double>::denorm_min(),
                          -0.0,
                          0.5};
    return odd[w % (sizeof odd / sizeof odd[0])];
}

PF_ParamValue IntegerValue(fuzz::Reader &in, PF_ParamValue low, PF_ParamValue high)
{
    const uint8_t b = in.byte();
    if (b < 0xF0) return low + b % (high - low + 1);
    const PF_ParamValue odd[] = {0, -1, high + 1, 1000, 1 << 20, std::numeric_limits<PF_ParamValue>::min(),
                                 std::numeric_limits<PF_ParamValue>::max(), 256};
    return odd[b % (sizeof odd / sizeof odd[0])];
}

void SetControls(fuzz::Reader &in, fxhost::ParamStore &params)
{
    for (int i = 1; i < params.count(); ++i) {
        PF_ParamDef &def = params.at(i);
        switch (def.param_type) {
        case PF_Param_FLOAT_SLIDER: def.u.fs_d.value = FloatValue(in, def.u.fs_d); break;
        case PF_Param_SLIDER: def.u.sd.value = IntegerValue(in, def.u.sd.valid_min, def.u.sd.valid_max); break;
        case PF_Param_POPUP: def.u.pd.value = IntegerValue(in, 1, def.u.pd.num_choices); break;
        case PF_Param_CHECKBOX: def.u.bd.value = IntegerValue(in, 0, 1); break;
        case PF_Param_COLOR: def.u.cd.value = {255, in.byte(), in.byte(), in.byte()}; break;
        default: break;
        }
    }
}

// The bytes of every row, slack included.
std::vector<uint8_t> AllBytes(const fxhost::World &world)
{
    const PF_EffectWorld &w = *world.get();
    const auto *bytes = reinterpret_cast<const uint8_t *>(w.data);
    return std::vector<uint8_t>(bytes, bytes + static_cast<size_t>(w.rowbytes) * static_cast<size_t>(w.height));
}

// The output's slack past the end of every row, which the effect must not
// touch.
std::vector<uint8_t> Slack(const fxhost::World &world)
{
    std::vector<uint8_t> slack;
    const size_t used = static_cast<size_t>(world.width()) * static_cast<size_t>(world.bytesPerPixel());
    for (A_long y = 0; y < world.height(); ++y) {
        const uint8_t *row = world.row<uint8_t>(y);
        slack.insert(slack.end(), row + used, row + world.get()->rowbytes);
    }
    return slack;
}

struct Frame {
    PF_Err err;
    fxhost::World output;
};

Frame Render(fuzz::Session &session, fxhost::World &input, int threads, const fxhost::RenderOptions &options)
{
    session.host.setThreadCount(threads);
    const std::vector<uint8_t> inputBefore = AllBytes(input);
    Frame frame{PF_Err_NONE, fxhost::World(input.width(), input.height(), input.format())};
    PF_EffectWorld &out = *frame.output.get();
    std::memset(out.data, 0x5C, static_cast<size_t>(out.rowbytes) * static_cast<size_t>(out.height));
    const std::vector<uint8_t> slackBefore = Slack(frame.output);
    frame.err = session.effect.render(input, frame.output, options).err;
    fuzz::Check(AllBytes(input) == inputBefore, "the render wrote into its input");
    fuzz::Check(Slack(frame.output) == slackBefore, "the render wrote past the end of an output row");
    return frame;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::Session &session = fuzz::Applied();
    static const fxhost::Accounting applied = session.host.accounting();
    fuzz::Reader in(data, size);
    const PF_PixelFormat format = kFormats[in.byte() % 3];
    const A_long width = 1 + in.byte() % 64;
    const A_long height = 1 + in.byte() % 64;
    fxhost::RenderOptions options;
    const uint8_t shape = in.byte();
    options.smart = (shape & 1) == 0;
    options.downsampleX = {1, static_cast<A_u_long>(1 + (shape >> 1) % 4)};
    options.downsampleY = {1, static_cast<A_u_long>(1 + (shape >> 3) % 4)};
    SetControls(in, session.effect.params());

    fxhost::World input(width, height, format);
    const std::vector<uint8_t> pixels = in.rest();
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(input.bytesPerPixel());
    for (A_long y = 0; y < height && !pixels.empty(); ++y) {
        uint8_t *row = input.row<uint8_t>(y);
        for (size_t i = 0; i < rowBytes; ++i) row[i] = pixels[(static_cast<size_t>(y) * rowBytes + i) % pixels.size()];
    }

    const Frame one = Render(session, input, 1, options);
    const Frame two = Render(session, input, 2, options);
    fuzz::Check(one.err == two.err, "one thread gives " + std::to_string(one.err) + ", two give " +
                                        std::to_string(two.err));
    fuzz::Check(AllBytes(one.output) == AllBytes(two.output), "one thread and two give different pixels");
    fuzz::Check(one.err == PF_Err_NONE || one.err == PF_Err_OUT_OF_MEMORY,
                "the frame failed with " + std::to_string(one.err));
    fuzz::Check(session.host.accounting() == applied, "after the frame the host holds " +
                                                          session.host.accounting().describe());
    return 0;
}
