#include "pipeline/RenderFrame.h"

#include "pipeline/WorldOps.h"

template <class Pixel>
PF_Err RenderFrame(const RenderContext &context)
{
    if (context.output->width != context.input->width || context.output->height != context.input->height)
        return PF_Err_BAD_CALLBACK_PARAM;
    const A_long width = context.area.right - context.area.left;
    const A_long height = context.area.bottom - context.area.top;
    if (width == 0 || height == 0) return PF_Err_NONE;
    return CopyWorld(context.in_data, context.input, context.output);
}

template PF_Err RenderFrame<PF_Pixel8>(const RenderContext &);
template PF_Err RenderFrame<PF_Pixel16>(const RenderContext &);
template PF_Err RenderFrame<PF_PixelFloat>(const RenderContext &);
