#include "CommandCallbacks.h"

#include <algorithm>
#include <cstring>

#include <emmintrin.h>

#include "fxhost/ParamStore.h"

namespace fxhost {

namespace {

Host &Active() { return *Host::current(); }

PF_Err CheckoutParam(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long, A_long, A_u_long, PF_ParamDef *param)
{
    Host &host = Active();
    PF_Err code = PF_Err_NONE;
    if (CallFails(HostCall::CheckoutParam, &code)) return code;
    if (host.shouldFail(Fault::CheckoutParam, &code)) return code;
    ParamStore *params = effect_ref ? effect_ref->frame.params : nullptr;
    if (params == nullptr || index < 0 || index >= params->count()) return PF_Err_INVALID_INDEX;
    *param = params->at(index);
    if (index == 0 && effect_ref->frame.input) param->u.ld = *effect_ref->frame.input;
    host.noteParamCheckout(param);
    return PF_Err_NONE;
}

// A check-in the host answers with an error still takes the parameter back.
PF_Err CheckinParam(PF_ProgPtr, PF_ParamDef *param)
{
    PF_Err code = PF_Err_NONE;
    const bool fails = CallFails(HostCall::CheckinParam, &code);
    const PF_Err err = Active().noteParamCheckin(param) ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
    return fails ? code : err;
}

PF_Err AddParam(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDefPtr def)
{
    PF_Err code = PF_Err_NONE;
    if (CallFails(HostCall::AddParam, &code)) return code;
    if (Active().shouldFail(Fault::AddParam, &code)) return code;
    if (effect_ref == nullptr || effect_ref->frame.params == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    return effect_ref->frame.params->add(index, *def);
}

PF_Err Abort(PF_ProgPtr) { return PF_Err_NONE; }

PF_Err Progress(PF_ProgPtr effect_ref, A_long current, A_long total)
{
    PF_Err code = PF_Err_NONE;
    if (CallFails(HostCall::Progress, &code)) return code;
    return Active().progress(effect_ref, current, total);
}

PF_Err CheckoutLayer(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long, const PF_RenderRequest *request, A_long,
                     A_long, A_u_long, PF_CheckoutResult *result)
{
    PF_Err code = PF_Err_NONE;
    if (CallFails(HostCall::CheckoutLayer, &code)) return code;
    if (Active().shouldFail(Fault::CheckoutLayer, &code)) return code;
    if (effect_ref == nullptr || effect_ref->frame.input == nullptr || index != 0) return PF_Err_BAD_CALLBACK_PARAM;
    const PF_EffectWorld &layer = *effect_ref->frame.input;
    const PF_LRect bounds = {0, 0, layer.width, layer.height};
    PF_LRect wanted = request->rect;
    wanted.left = std::max(wanted.left, bounds.left);
    wanted.top = std::max(wanted.top, bounds.top);
    wanted.right = std::min(wanted.right, bounds.right);
    wanted.bottom = std::min(wanted.bottom, bounds.bottom);
    if (wanted.left >= wanted.right || wanted.top >= wanted.bottom) wanted = PF_LRect{0, 0, 0, 0};
    std::memset(result, 0, sizeof *result);
    result->result_rect = wanted;
    result->max_result_rect = bounds;
    result->par = {1, 1};
    result->ref_width = layer.width;
    result->ref_height = layer.height;
    return PF_Err_NONE;
}

PF_Err CheckoutLayerPixels(PF_ProgPtr effect_ref, A_long checkout_id, PF_EffectWorld **pixels)
{
    PF_Err code = PF_Err_NONE;
    *pixels = nullptr;
    if (CallFails(HostCall::CheckoutLayerPixels, &code)) return code;
    if (Active().shouldFail(Fault::CheckoutLayerPixels, &code)) return code;
    if (effect_ref == nullptr || checkout_id != 0 || effect_ref->frame.input == nullptr)
        return PF_Err_BAD_CALLBACK_PARAM;
    *pixels = effect_ref->frame.input;
    ++effect_ref->frame.layerCheckouts;
    return PF_Err_NONE;
}

// A check-in the host answers with an error still takes the pixels back.
PF_Err CheckinLayerPixels(PF_ProgPtr effect_ref, A_long checkout_id)
{
    PF_Err code = PF_Err_NONE;
    const bool fails = CallFails(HostCall::CheckinLayerPixels, &code);
    if (effect_ref == nullptr || checkout_id != 0 || effect_ref->frame.layerCheckouts == 0) {
        Active().noteBadRelease();
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    --effect_ref->frame.layerCheckouts;
    return fails ? code : PF_Err_NONE;
}

PF_Err CheckoutOutput(PF_ProgPtr effect_ref, PF_EffectWorld **output)
{
    PF_Err code = PF_Err_NONE;
    *output = nullptr;
    if (CallFails(HostCall::CheckoutOutput, &code)) return code;
    if (Active().shouldFail(Fault::CheckoutOutput, &code)) return code;
    if (effect_ref == nullptr || effect_ref->frame.output == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    *output = effect_ref->frame.output;
    return PF_Err_NONE;
}

PF_PreRenderCallbacks g_preRenderCallbacks = {CheckoutLayer};
PF_SmartRenderCallbacks g_smartRenderCallbacks = {CheckoutLayerPixels, CheckinLayerPixels, CheckoutOutput};

// round(n / d) = floor((2n + d) / (2d)) for d > 0.
long long RoundDiv(long long n, long long d)
{
    long long num = 2 * n + d;
    long long den = 2 * d;
    long long q = num / den;
    if ((num % den != 0) && ((num < 0) != (den < 0))) --q;
    return q;
}

bool WorldRect(const PF_EffectWorld *world, const PF_Rect *rect, PF_Rect &out)
{
    out = rect ? *rect : PF_Rect{0, 0, world->width, world->height};
    return out.left >= 0 && out.top >= 0 && out.right <= world->width && out.bottom <= world->height &&
           out.left <= out.right && out.top <= out.bottom;
}

}  // namespace

// The host offers no custom UI or audio: those entries are null.
PF_InteractCallbacks CommandInteractCallbacks()
{
    PF_InteractCallbacks callbacks{};
    callbacks.checkout_param = CheckoutParam;
    callbacks.checkin_param = CheckinParam;
    callbacks.add_param = AddParam;
    callbacks.abort = Abort;
    callbacks.progress = Progress;
    return callbacks;
}
PF_PreRenderCallbacks *PreRenderCallbacks() { return &g_preRenderCallbacks; }
PF_SmartRenderCallbacks *SmartRenderCallbacks() { return &g_smartRenderCallbacks; }

void RgbToHls(const PF_Pixel &rgb, PF_HLS_Pixel hls)
{
    const long long r = rgb.red, g = rgb.green, b = rgb.blue;
    const long long mx = std::max({r, g, b});
    const long long mn = std::min({r, g, b});
    const long long d = mx - mn;
    const long long s = mx + mn;
    const long long kFull = 65536;
    hls[1] = static_cast<PF_Fixed>(RoundDiv(kFull * s, 510));
    if (d == 0) {
        hls[0] = 0;
        hls[2] = 0;
        return;
    }
    hls[2] = static_cast<PF_Fixed>(s <= 255 ? RoundDiv(kFull * d, s) : RoundDiv(kFull * d, 510 - s));
    long long num;
    if (r == mx)
        num = g - b;
    else if (g == mx)
        num = 2 * d + b - r;
    else
        num = 4 * d + r - g;
    long long hue = RoundDiv(60 * kFull * num, d);
    if (hue < 0) hue += 360 * kFull;
    if (hue >= 360 * kFull) hue -= 360 * kFull;
    hls[0] = static_cast<PF_Fixed>(hue);
}

void StreamFill(uint8_t *bytes, size_t size, uint8_t value)
{
    const size_t head = std::min(size, static_cast<size_t>((16 - reinterpret_cast<uintptr_t>(bytes) % 16) % 16));
    std::memset(bytes, value, head);
    size_t i = head;
    const __m128i fill = _mm_set1_epi8(static_cast<char>(value));
    for (; i + 16 <= size; i += 16) _mm_stream_si128(reinterpret_cast<__m128i *>(bytes + i), fill);
    std::memset(bytes + i, value, size - i);
}

PF_Err CopyPixels(Host &host, PF_EffectWorld *src, PF_EffectWorld *dst, const PF_Rect *src_r, const PF_Rect *dst_r)
{
    PF_PixelFormat srcFormat = 0, dstFormat = 0;
    if (src == nullptr || dst == nullptr || host.pixelFormatOf(src, &srcFormat) != PF_Err_NONE ||
        host.pixelFormatOf(dst, &dstFormat) != PF_Err_NONE || srcFormat != dstFormat)
        return PF_Err_BAD_CALLBACK_PARAM;
    PF_Rect from, to;
    if (!WorldRect(src, src_r, from) || !WorldRect(dst, dst_r, to) || from.right - from.left != to.right - to.left ||
        from.bottom - from.top != to.bottom - to.top)
        return PF_Err_BAD_CALLBACK_PARAM;
    const size_t pixelBytes = static_cast<size_t>(BytesPerPixel(srcFormat));
    const size_t rowBytes = static_cast<size_t>(from.right - from.left) * pixelBytes;
    const auto rows = static_cast<size_t>(from.bottom - from.top);
    // Rows are copied by bands on the host's threads; a copy within one world
    // keeps to one thread, where the order of the rows matters.
    const auto copyRows = [&](size_t begin, size_t end) {
        for (size_t y = begin; y < end; ++y) {
            const auto *in = reinterpret_cast<const uint8_t *>(src->data) + (from.top + y) * src->rowbytes + from.left * pixelBytes;
            auto *out = reinterpret_cast<uint8_t *>(dst->data) + (to.top + y) * dst->rowbytes + to.left * pixelBytes;
            std::memmove(out, in, rowBytes);
        }
    };
    if (src->data == dst->data)
        copyRows(0, rows);
    else
        host.forEachBand(rows, rowBytes, copyRows);
    return PF_Err_NONE;
}

PF_Err FillPixels(Host &host, const PF_Pixel *colour, const PF_Rect *rect, PF_EffectWorld *world)
{
    PF_PixelFormat format = 0;
    if (world == nullptr || host.pixelFormatOf(world, &format) != PF_Err_NONE) return PF_Err_BAD_CALLBACK_PARAM;
    PF_Rect area;
    if (!WorldRect(world, rect, area)) return PF_Err_BAD_CALLBACK_PARAM;
    const PF_Pixel c = colour ? *colour : PF_Pixel{0, 0, 0, 0};
    const size_t pixelBytes = static_cast<size_t>(BytesPerPixel(format));
    // The pixel in the world's format.
    uint8_t pixel[16];
    if (format == PF_PixelFormat_ARGB32) {
        std::memcpy(pixel, &c, sizeof c);
    } else if (format == PF_PixelFormat_ARGB64) {
        auto scale = [](A_u_char v) { return static_cast<A_u_short>((v * 32768 + 128) / 255); };
        const PF_Pixel16 p = {scale(c.alpha), scale(c.red), scale(c.green), scale(c.blue)};
        std::memcpy(pixel, &p, sizeof p);
    } else {
        auto scale = [](A_u_char v) { return v / 255.0f; };
        const PF_PixelFloat p = {scale(c.alpha), scale(c.red), scale(c.green), scale(c.blue)};
        std::memcpy(pixel, &p, sizeof p);
    }
    const bool zero = std::all_of(pixel, pixel + pixelBytes, [](uint8_t b) { return b == 0; });
    const size_t rowBytes = static_cast<size_t>(area.right - area.left) * pixelBytes;
    host.forEachBand(static_cast<size_t>(area.bottom - area.top), rowBytes, [&](size_t begin, size_t end) {
        for (size_t y = begin; y < end; ++y) {
            auto *row = reinterpret_cast<uint8_t *>(world->data) + (area.top + y) * world->rowbytes + area.left * pixelBytes;
            if (zero) {
                StreamFill(row, rowBytes, 0);
                continue;
            }
            for (size_t x = 0; x < rowBytes; x += pixelBytes) std::memcpy(row + x, pixel, pixelBytes);
        }
        _mm_sfence();
    });
    return PF_Err_NONE;
}

}  // namespace fxhost
