// Base integer types of the effect API.
#pragma once

#include <stdint.h>

typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef char A_char;
typedef double A_FpLong;
typedef float A_FpShort;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef uint8_t A_u_char;
typedef uint8_t A_Boolean;
typedef uint64_t A_u_longlong;

// Sizes of host handles.
typedef A_u_longlong A_HandleSize;

typedef struct {
    A_long value;
    A_u_long scale;
} A_Time;
