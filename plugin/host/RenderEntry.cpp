// The render commands: the classic render, the SmartFX pre-render and render,
// and the dispatch of a frame to the driver of its pixel depth.
#include <new>

#include "AEConfig.h"
#include "AE_EffectCB.h"
#include "AEWorldSuite.h"
#include "BaseFilter.h"
#include "EffectIdentity.h"
#include "params/ParamRegistry.h"
#include "pipeline/RenderFrame.h"

namespace {

bool IsEmpty(const PF_LRect &r) { return r.left >= r.right || r.top >= r.bottom; }

// Widens `into` by `from`: an empty rectangle takes the other one whole, an
// empty `from` changes nothing.
void MergeRect(PF_LRect &into, const PF_LRect &from)
{
    if (IsEmpty(from)) return;
    if (IsEmpty(into)) {
        into = from;
        return;
    }
    if (from.left < into.left) into.left = from.left;
    if (from.top < into.top) into.top = from.top;
    if (from.right > into.right) into.right = from.right;
    if (from.bottom > into.bottom) into.bottom = from.bottom;
}

// Holds a locked host handle and unlocks it on every way out.
class LockedHandle {
public:
    LockedHandle(PF_UtilCallbacks *utils, PF_Handle handle)
        : utils_(utils), handle_(handle), memory_(handle ? utils->host_lock_handle(handle) : nullptr)
    {
    }
    ~LockedHandle()
    {
        if (memory_) utils_->host_unlock_handle(handle_);
    }
    LockedHandle(const LockedHandle &) = delete;
    LockedHandle &operator=(const LockedHandle &) = delete;

    void *get() const { return memory_; }

private:
    PF_UtilCallbacks *utils_;
    PF_Handle handle_;
    void *memory_;
};

// Disposes a host handle on every way out unless kept.
class HandleOwner {
public:
    HandleOwner(PF_UtilCallbacks *utils, PF_Handle handle) : utils_(utils), handle_(handle) {}
    ~HandleOwner()
    {
        if (handle_) utils_->host_dispose_handle(handle_);
    }
    HandleOwner(const HandleOwner &) = delete;
    HandleOwner &operator=(const HandleOwner &) = delete;

    void keep() { handle_ = nullptr; }

private:
    PF_UtilCallbacks *utils_;
    PF_Handle handle_;
};

// Hands the controls of a classic render back to the host on every way out,
// without the command's params array.
class ParamCheckIn {
public:
    ParamCheckIn(const ParamRegistry &registry, GetParamByCheckout &reader) : registry_(registry), reader_(reader) {}
    ~ParamCheckIn()
    {
        if (!done_) finish();
    }
    ParamCheckIn(const ParamCheckIn &) = delete;
    ParamCheckIn &operator=(const ParamCheckIn &) = delete;

    PF_Err finish()
    {
        done_ = true;
        reader_.DropParams();
        return registry_.CheckInAll(reader_);
    }

private:
    const ParamRegistry &registry_;
    GetParamByCheckout &reader_;
    bool done_ = false;
};

}  // namespace

void RenderContext::Initialise(RenderContext *context)
{
    ParamSnapshot::Initialise(&context->snapshot);
    context->in_data = nullptr;
    context->input = nullptr;
    context->output = nullptr;
    context->pixelFormat = PF_PixelFormat_INVALID;
    context->area = PF_LRect{0, 0, 0, 0};
}

PF_Err BaseFilter::Render(PF_InData *in_data, PF_OutData *, PF_ParamDef *params[], PF_LayerDef *output)
{
    if (in_data->appl_id == EffectIdentity::kPremiereApplId)
        return in_data->utils->copy(in_data->effect_ref, &params[0]->u.ld, output, nullptr, nullptr);

    RenderContext context;
    RenderContext::Initialise(&context);
    context.in_data = in_data;
    context.input = &params[0]->u.ld;
    context.output = output;
    context.area = in_data->extent_hint;

    const ParamRegistry &registry = ParamRegistry::Instance();
    GetParamByCheckout reader(registry.ParameterCount(), in_data, params, false);
    ParamCheckIn checkIn(registry, reader);
    PF_Err err = AEUtil::WorldSuite::getPixelFormat(in_data, context.input, &context.pixelFormat);
    if (err == PF_Err_NONE) err = registry.ReadAll(&context.snapshot, reader);
    if (err == PF_Err_NONE) err = RenderDepth(&context);
    PF_Err checkinErr = checkIn.finish();
    return err != PF_Err_NONE ? err : checkinErr;
}

// The pre-render handle belongs to the frame: it is disposed here when the
// pre-render fails (the host renders nothing then) and at the end of the smart
// render otherwise. The controls read here are handed back at once; the
// snapshot keeps copies of their values.
PF_Err BaseFilter::SmartPreRender(PF_InData *in_data, PF_OutData *out_data, PF_PreRenderExtra *extra)
{
    PF_UtilCallbacks *utils = in_data->utils;
    PF_Handle handle = utils->host_new_handle(sizeof(RenderContext));
    if (handle == nullptr) return PF_Err_OUT_OF_MEMORY;
    HandleOwner owner(utils, handle);

    PF_Err err = PF_Err_NONE;
    {
        LockedHandle locked(utils, handle);
        if (locked.get() == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
        auto *context = new (locked.get()) RenderContext;
        RenderContext::Initialise(context);
        extra->output->pre_render_data = handle;

        const ParamRegistry &registry = ParamRegistry::Instance();
        GetParamByCheckout reader(registry.ParameterCount(), in_data, nullptr, true);
        err = registry.ReadAll(&context->snapshot, reader);
        PF_Err checkinErr = registry.CheckInAll(reader);
        if (err == PF_Err_NONE) err = checkinErr;
        if (err == PF_Err_NONE) err = PreRenderCheckout(in_data, out_data, extra, context);
    }
    if (err == PF_Err_NONE)
        owner.keep();
    else
        extra->output->pre_render_data = nullptr;
    return err;
}

PF_Err BaseFilter::PreRenderCheckout(PF_InData *in_data, PF_OutData *, PF_PreRenderExtra *extra, RenderContext *)
{
    PF_RenderRequest request = extra->input->output_request;
    PF_CheckoutResult checkout{};
    PF_Err err = extra->cb->checkout_layer(in_data->effect_ref, 0, 0, &request, in_data->current_time,
                                           in_data->time_step, in_data->time_scale, &checkout);
    if (err != PF_Err_NONE) return err;
    MergeRect(extra->output->result_rect, checkout.result_rect);
    MergeRect(extra->output->max_result_rect, checkout.max_result_rect);
    return PF_Err_NONE;
}

PF_Err BaseFilter::SmartRender(PF_InData *in_data, PF_OutData *out_data, PF_SmartRenderExtra *extra)
{
    PF_UtilCallbacks *utils = in_data->utils;
    PF_Handle handle = static_cast<PF_Handle>(extra->input->pre_render_data);
    if (handle == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    HandleOwner owner(utils, handle);
    extra->input->pre_render_data = nullptr;

    PF_Err err = PF_Err_NONE;
    {
        LockedHandle locked(utils, handle);
        if (locked.get() == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
        auto *context = static_cast<RenderContext *>(locked.get());
        context->in_data = in_data;

        err = extra->cb->checkout_layer_pixels(in_data->effect_ref, 0, &context->input);
        if (err == PF_Err_NONE) err = extra->cb->checkout_output(in_data->effect_ref, &context->output);
        if (context->input != nullptr && context->output != nullptr) {
            context->area = PF_LRect{0, 0, static_cast<A_short>(context->input->width),
                                     static_cast<A_short>(context->input->height)};
            if (err == PF_Err_NONE)
                err = AEUtil::WorldSuite::getPixelFormat(in_data, context->input, &context->pixelFormat);
            if (err == PF_Err_NONE) err = BeforeSmartRender(in_data, out_data, extra, context);
            if (err == PF_Err_NONE) err = RenderDepth(context);
        }
        if (err == PF_Err_NONE) err = extra->cb->checkin_layer_pixels(in_data->effect_ref, 0);
    }
    return err;
}

PF_Err CustomFilter::RenderDepth(RenderContext *context)
{
    switch (context->pixelFormat) {
    case PF_PixelFormat_ARGB128: return RenderFrame<PF_PixelFloat>(*context);
    case PF_PixelFormat_ARGB64: return RenderFrame<PF_Pixel16>(*context);
    case PF_PixelFormat_ARGB32: return RenderFrame<PF_Pixel8>(*context);
    default: return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    }
}
