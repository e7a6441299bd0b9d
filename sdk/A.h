// Base integer types of the effect API.
#pragma once

#include <cstddef>
#include <cstdint>

typedef int8_t A_char;
typedef uint8_t A_u_char;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef int64_t A_longlong;
typedef uint64_t A_u_longlong;
typedef uint8_t A_Boolean;
typedef double A_FpLong;
typedef float A_FpShort;

typedef struct {
    A_long value;
    A_u_long scale;
} A_Time;
