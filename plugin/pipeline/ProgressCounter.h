// The frame's progress budget and position, reported through the host's
// progress callback, which is also where the host tells the effect to stop.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"

struct ProgressCounter {
    PF_InData *in_data = nullptr;  // none: nothing is reported
    PF_ProgPtr effect_ref = nullptr;
    A_long total = 0;
    A_long done = 0;

    // One step further, then reported.
    PF_Err Advance();
    // The current position, without moving.
    PF_Err Report() const;
    // Moves to the end of the budget and reports it.
    PF_Err Finish();
    // min(done * 100 / total, 100); 100 when total is 0.
    A_long Percent() const;
};
