#include "fxhost/Effect.h"

#include <stdexcept>

#include "CommandCallbacks.h"

namespace fxhost {

namespace {

// One frame's commands, as the host counts the frames rendering.
struct FrameInFlight {
    explicit FrameInFlight(Host &host) : host(host) { host.frameStarted(); }
    ~FrameInFlight() { host.frameEnded(cancelled); }
    FrameInFlight(const FrameInFlight &) = delete;
    FrameInFlight &operator=(const FrameInFlight &) = delete;
    Host &host;
    bool cancelled = false;
};

}  // namespace

Effect::Effect(Host &host, const Module &module) : host_(host), module_(module) {}

Effect::~Effect()
{
    if (sequenceData_ != nullptr) send(PF_Cmd_SEQUENCE_SETDOWN);
}

CommandResult Effect::send(PF_Cmd cmd, PF_LayerDef *output, void *extra)
{
    PF_ProgressInfo frame;
    frame.frame.params = &params_;
    PF_InData in_data;
    host_.prepareInData(in_data, &frame);
    return dispatch(cmd, in_data, output, extra);
}

CommandResult Effect::dispatch(PF_Cmd cmd, PF_InData &in_data, PF_LayerDef *output, void *extra,
                               PF_ParamDef **params)
{
    CommandResult result;
    in_data.sequence_data = sequenceData_;
    in_data.num_params = params_.count();
    result.out.sequence_data = sequenceData_;
    if (cmd == PF_Cmd_PARAMS_SETUP) params_.clear();
    result.err = module_.call(cmd, &in_data, &result.out, params ? params : params_.array(), output, extra);

    PF_Handle before = sequenceData_;
    PF_Handle after = result.out.sequence_data;
    switch (cmd) {
    case PF_Cmd_SEQUENCE_SETUP:
        if (result.err == PF_Err_NONE) sequenceData_ = after;
        break;
    case PF_Cmd_SEQUENCE_RESETUP:
    case PF_Cmd_SEQUENCE_FLATTEN:
        // The host owns the handle it handed in and disposes it once the
        // effect has made a new one.
        if (result.err == PF_Err_NONE && after != before) {
            if (before) host_.disposeHandle(before);
            sequenceData_ = after;
        }
        break;
    case PF_Cmd_SEQUENCE_SETDOWN: sequenceData_ = nullptr; break;
    default: break;
    }
    return result;
}

void Effect::apply()
{
    for (PF_Cmd cmd : {PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP, PF_Cmd_SEQUENCE_SETUP}) {
        CommandResult result = send(cmd);
        if (result.err != PF_Err_NONE)
            throw std::runtime_error("command " + std::to_string(cmd) + " failed with " + std::to_string(result.err) +
                                     ": " + result.message());
    }
}

CommandResult Effect::saveAndReopen()
{
    CommandResult flat = send(PF_Cmd_SEQUENCE_FLATTEN);
    if (flat.err != PF_Err_NONE) return flat;
    return send(PF_Cmd_SEQUENCE_RESETUP);
}

void Effect::setValue(const std::string &name, double value)
{
    const int index = params_.indexOf(name);
    if (index < 0) throw std::invalid_argument("no control named " + name);
    PF_ParamDef &def = params_.at(index);
    switch (def.param_type) {
    case PF_Param_FLOAT_SLIDER: def.u.fs_d.value = value; break;
    case PF_Param_SLIDER: def.u.sd.value = static_cast<PF_ParamValue>(value); break;
    case PF_Param_POPUP: def.u.pd.value = static_cast<PF_ParamValue>(value); break;
    case PF_Param_CHECKBOX: def.u.bd.value = static_cast<PF_ParamValue>(value); break;
    default: throw std::invalid_argument("control " + name + " takes no number");
    }
}

void Effect::setColour(const std::string &name, PF_Pixel colour)
{
    const int index = params_.indexOf(name);
    if (index < 0 || params_.at(index).param_type != PF_Param_COLOR)
        throw std::invalid_argument("no colour control named " + name);
    params_.at(index).u.cd.value = colour;
}

void Effect::prepareRender(PF_InData &in_data, PF_ProgressInfo &frame, World &input, World &output,
                           const RenderOptions &options, const PF_LRect &area)
{
    frame.frame.params = &params_;
    frame.frame.input = input.get();
    frame.frame.output = output.get();
    frame.frame.progress = options.progress;
    host_.prepareInData(in_data, &frame);
    in_data.width = input.width();
    in_data.height = input.height();
    in_data.extent_hint = area;
    in_data.downsample_x = options.downsampleX;
    in_data.downsample_y = options.downsampleY;
}

CommandResult Effect::render(World &input, World &output, const RenderOptions &options)
{
    host_.noteFrameSize(input.width(), input.height());
    FrameInFlight frame(host_);
    CommandResult result = options.smart ? renderSmart(input, output, options) : renderClassic(input, output, options);
    frame.cancelled = result.err == PF_Interrupt_CANCEL;
    return result;
}

CommandResult Effect::renderSmart(World &input, World &output, const RenderOptions &options)
{
    const PF_LRect area = options.area.value_or(PF_LRect{0, 0, input.width(), input.height()});
    PF_ProgressInfo frame;
    PF_InData in_data;
    prepareRender(in_data, frame, input, output, options, area);

    PF_PreRenderInput preInput{};
    preInput.output_request.rect = area;
    preInput.output_request.channel_mask = 0xF;
    preInput.bitdepth = static_cast<A_short>(8 * BytesPerPixel(input.format()) / 4);
    PF_PreRenderOutput preOutput{};
    PF_PreRenderExtra preExtra{&preInput, &preOutput, PreRenderCallbacks()};
    CommandResult result = dispatch(PF_Cmd_SMART_PRE_RENDER, in_data, nullptr, &preExtra);
    if (result.err != PF_Err_NONE) return result;

    PF_SmartRenderInput renderInput{};
    renderInput.output_request = preInput.output_request;
    renderInput.bitdepth = preInput.bitdepth;
    renderInput.pre_render_data = preOutput.pre_render_data;
    PF_SmartRenderExtra renderExtra{&renderInput, SmartRenderCallbacks()};
    result = dispatch(PF_Cmd_SMART_RENDER, in_data, nullptr, &renderExtra);
    // Like After Effects, the host takes back layer pixels the effect kept.
    frame.frame.layerCheckouts = 0;
    return result;
}

CommandResult Effect::renderClassic(World &input, World &output, const RenderOptions &options)
{
    const PF_LRect area = options.area.value_or(PF_LRect{0, 0, input.width(), input.height()});
    PF_ProgressInfo frame;
    PF_InData in_data;
    prepareRender(in_data, frame, input, output, options, area);
    // The layer parameter carries the input world for this command only, so
    // concurrent renders each use a params array of their own.
    std::vector<PF_ParamDef> defs;
    std::vector<PF_ParamDef *> pointers;
    defs.reserve(static_cast<size_t>(params_.count()));
    for (int i = 0; i < params_.count(); ++i) defs.push_back(params_.at(i));
    defs[0].u.ld = *input.get();
    for (PF_ParamDef &def : defs) pointers.push_back(&def);

    return dispatch(PF_Cmd_RENDER, in_data, output.get(), nullptr, pointers.data());
}

}  // namespace fxhost
