// The callbacks that act on the command behind effect_ref, and the pixel
// services the suites share.
#pragma once

#include "AE_Effect.h"
#include "fxhost/Colour.h"
#include "fxhost/Host.h"

namespace fxhost {

// Numbers a call of the effect into the active host; true when it is the call
// a test fails, with the code to answer in `code`.
inline bool CallFails(HostCall call, PF_Err *code = nullptr)
{
    Host *host = Host::current();
    return host != nullptr && host->calls().enter(call, code);
}

PF_InteractCallbacks CommandInteractCallbacks();
PF_PreRenderCallbacks *PreRenderCallbacks();
PF_SmartRenderCallbacks *SmartRenderCallbacks();

// Whole-world (or rectangle) copy between worlds of one format.
PF_Err CopyPixels(Host &host, PF_EffectWorld *src, PF_EffectWorld *dst, const PF_Rect *src_r, const PF_Rect *dst_r);
// Fills a rectangle with an 8-bit colour scaled to the world's depth; a null
// colour is transparent black.
PF_Err FillPixels(Host &host, const PF_Pixel *colour, const PF_Rect *rect, PF_EffectWorld *world);
// Fills bytes with streaming stores, which do not read the lines they write
// first: world fills are bound by memory, and a 1080p world does not stay in
// the caches anyway. The caller fences (_mm_sfence) before others read.
void StreamFill(uint8_t *bytes, size_t size, uint8_t value);

}  // namespace fxhost
