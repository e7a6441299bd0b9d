// Pixel formats of worlds.
#pragma once

#include "A.h"

// A pixel format code: the first character in the lowest byte, so the value
// differs from a multi-character literal such as 'argb'.
#ifndef MAKE_PIXEL_FORMAT_FOURCC
#define MAKE_PIXEL_FORMAT_FOURCC(ch0, ch1, ch2, ch3)                                                          \
    ((A_u_long)(A_u_char)(ch0) | ((A_u_long)(A_u_char)(ch1) << 8) | ((A_u_long)(A_u_char)(ch2) << 16) |     \
     ((A_u_long)(A_u_char)(ch3) << 24))
#endif

enum {
    PF_PixelFormat_ARGB32 = MAKE_PIXEL_FORMAT_FOURCC('a', 'r', 'g', 'b'),   // 8 bits a channel, 0 to 255
    PF_PixelFormat_ARGB64 = MAKE_PIXEL_FORMAT_FOURCC('a', 'e', '1', '6'),   // 16 bits a channel, 0 to 32768
    PF_PixelFormat_ARGB128 = MAKE_PIXEL_FORMAT_FOURCC('a', 'e', '3', '2'),  // float channels, 1.0 is white
    PF_PixelFormat_INVALID = MAKE_PIXEL_FORMAT_FOURCC('b', 'a', 'd', 'f')
};
typedef A_long PF_PixelFormat;
