// Suites for the effect's parameter user interface.
#pragma once

#include "AE_Effect.h"

#define kPFParamUtilsSuite "PF Param Utils Suite"
#define kPFParamUtilsSuiteVersion2 2
#define kPFParamUtilsSuiteVersion3 3

// Versions 2 and 3 share the one function this effect calls, at the same place.
typedef struct PF_ParamUtilsSuite3 {
    PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, const PF_ParamDef *defP);
} PF_ParamUtilsSuite3;
typedef PF_ParamUtilsSuite3 PF_ParamUtilsSuite2;
