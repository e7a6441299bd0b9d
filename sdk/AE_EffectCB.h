// Utility callbacks the host hands the effect in in_data->utils.
#pragma once

#include "AE_Effect.h"

enum { PF_Iterations_ONCE_PER_PROCESSOR = -1 };

typedef A_long PF_PlatDataID;
enum {
    PF_PlatData_MAIN_WND = 0,
    PF_PlatData_EXE_FILE_PATH_DEPRECATED = 1,
    PF_PlatData_RES_FILE_PATH_DEPRECATED = 2,
    PF_PlatData_RES_REFNUM = 3,
    PF_PlatData_RES_DLLINSTANCE = 4
};

typedef struct PF_ANSICallbacks {
    int (*sprintf)(char *buffer, const char *format, ...);
    char *(*strcpy)(char *dest, const char *src);
} PF_ANSICallbacks;

typedef struct PF_ColorCallbacks {
    PF_Err (*RGBtoHLS)(PF_ProgPtr effect_ref, PF_Pixel *rgb, PF_HLS_Pixel hls);
    PF_Err (*HLStoRGB)(PF_ProgPtr effect_ref, PF_HLS_Pixel hls, PF_Pixel *rgb);
} PF_ColorCallbacks;

typedef PF_Err (*PF_IteratePixelFunc)(void *refconPV, A_long thread_indexL, A_long i, A_long iterationsL);

typedef struct _PF_UtilCallbacks {
    PF_Err (*copy)(PF_ProgPtr effect_ref, PF_EffectWorld *src, PF_EffectWorld *dst, PF_Rect *src_r,
                   PF_Rect *dst_r);
    PF_Handle (*host_new_handle)(A_u_longlong size);
    void *(*host_lock_handle)(PF_Handle pf_handle);
    void (*host_unlock_handle)(PF_Handle pf_handle);
    void (*host_dispose_handle)(PF_Handle pf_handle);
    A_u_longlong (*host_get_handle_size)(PF_Handle pf_handle);
    PF_ANSICallbacks ansi;
    PF_ColorCallbacks colorCB;
    PF_Err (*get_platform_data)(PF_ProgPtr effect_ref, PF_PlatDataID which, void *data);
    PF_Err (*iterate_generic)(A_long iterationsL, void *refconPV, PF_IteratePixelFunc fn_func);
} PF_UtilCallbacks;
