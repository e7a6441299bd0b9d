// Whole-world operations through the host's suites.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"

// Copies source to destination (high quality at PF_Quality_HI).
PF_Err CopyWorld(PF_InData *in_data, PF_EffectWorld *source, PF_EffectWorld *destination);

// Fills the world with transparent black.
PF_Err ClearWorld(PF_InData *in_data, PF_EffectWorld *world);
