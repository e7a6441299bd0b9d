// Pixel formats of worlds, and the world suite that knows about them.
#pragma once

#include "AE_Effect.h"

enum {
    PF_PixelFormat_ARGB32 = PF_FOURCC('a', 'r', 'g', 'b'),
    PF_PixelFormat_ARGB64 = PF_FOURCC('a', 'e', '1', '6'),
    PF_PixelFormat_ARGB128 = PF_FOURCC('a', 'e', '3', '2'),
    PF_PixelFormat_INVALID = PF_FOURCC('b', 'a', 'd', 'f')
};

#define kPFWorldSuiteVersion2 2

typedef struct PF_WorldSuite2 {
    PF_Err (*PF_NewWorld)(PF_ProgPtr effect_ref, A_long widthL, A_long heightL, PF_Boolean clear_pixB,
                          PF_PixelFormat pixel_format, PF_EffectWorld *worldP);
    PF_Err (*PF_DisposeWorld)(PF_ProgPtr effect_ref, PF_EffectWorld *worldP);
    PF_Err (*PF_GetPixelFormat)(const PF_EffectWorld *worldP, PF_PixelFormat *pixel_formatP);
} PF_WorldSuite2;
