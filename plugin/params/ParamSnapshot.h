// The plain record of every control value one frame renders with.
#pragma once

#include <cstdint>

#include "AEConfig.h"
#include "AE_Effect.h"

struct KeyColorParams {
    uint8_t enable;
    PF_Pixel color;
    double range;  // percent 0..100 as read; the render driver turns it into a fraction
};

struct ProcessParams {
    KeyColorParams keys[4];
    double blurAmount;
    int32_t repeatCount;
    double boundaryBlur;
    int32_t unusedInt;
    double boundaryBias;
    uint8_t keepDivision;
    uint8_t unusedByte;
    uint8_t keepProcess;
    uint8_t enableProcess;
    int32_t unusedPair[2];
};

struct ParamSnapshot {
    int32_t view;
    ProcessParams blocks[5];  // 0: Base, 1..4: Process 1..4
    double unusedScale;

    // All zero, then the values no control overwrites: view 1, the Base block
    // enabled with keys 0 and 1 enabled, keys 0 and 1 of Process 1 enabled.
    static void Initialise(ParamSnapshot *snapshot);
};

// The "View" popup values.
enum ViewItem : int32_t {
    kViewNormal = 1,
    kViewSeparator = 2,
    kViewExtract = 3,
    kViewBase = 4,
    kViewProcess1 = 5,
    kViewProcess4 = 8
};
