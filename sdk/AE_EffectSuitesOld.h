// Earlier versions of suites that older hosts offer in place of the current
// ones.
#ifndef _H_AE_EffectSuitesOld
#error this file is designed to be included only by AE_EffectSuites.h; do not include directly
#endif

// Version number 2 of "PF Param Utils Suite", the 64-bit form hosts before
// the current version offer. PF_UpdateParamUI sits where version 3 has it.
#define kPFParamUtilsSuiteVersion1 2

typedef struct PF_ParamUtilsSuite1 {
    PF_Err (*PF_UpdateParamUI)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, const PF_ParamDef *defP);
    PF_Err (*PF_GetCurrentStateObsolete)(PF_ProgPtr effect_ref, PF_State *stateP);
    PF_Err (*PF_HasParamChangedObsolete)(PF_ProgPtr effect_ref, const PF_State *stateP, PF_ParamIndex param_index,
                                         PF_Boolean *changedPB);
    PF_Err (*PF_HaveInputsChangedOverTimeSpanObsolete)(PF_ProgPtr effect_ref, const PF_State *stateP,
                                                       const A_Time *startPT0, const A_Time *durationPT0,
                                                       PF_Boolean *changedPB);
    PF_Err (*PF_IsIdenticalCheckout)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, A_long what_time1,
                                     A_long time_step1, A_u_long time_scale1, A_long what_time2, A_long time_step2,
                                     A_u_long time_scale2, PF_Boolean *identicalPB);
    PF_Err (*PF_FindKeyframeTime)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, A_long what_time,
                                  A_u_long time_scale, PF_TimeDir time_dir, PF_Boolean *foundPB,
                                  PF_KeyIndex *key_indexP0, A_long *key_timeP0, A_u_long *key_timescaleP0);
    PF_Err (*PF_GetKeyframeCount)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, PF_KeyIndex *key_countP);
    PF_Err (*PF_CheckoutKeyframe)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, PF_KeyIndex key_index,
                                  A_long *key_timeP0, A_u_long *key_timescaleP0, PF_ParamDef *paramP0);
    PF_Err (*PF_CheckinKeyframe)(PF_ProgPtr effect_ref, PF_ParamDef *paramP);
    PF_Err (*PF_KeyIndexToTime)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, PF_KeyIndex key_indexP,
                                A_long *key_timeP, A_u_long *key_timescaleP);
} PF_ParamUtilsSuite1;
