// The filter framework: one virtual operation per host command, each with a
// default behaviour. CustomFilter is this effect's filter.
#pragma once

#include "AEConfig.h"
#include "AE_Effect.h"
#include "RenderContext.h"

class BaseFilter {
public:
    virtual ~BaseFilter() = default;

    virtual PF_Err Command(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                           PF_LayerDef *output, void *extra);
    virtual PF_Err About(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[], PF_LayerDef *output);
    virtual PF_Err GlobalSetup(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                               PF_LayerDef *output);
    virtual PF_Err GlobalSetdown(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                 PF_LayerDef *output);
    virtual PF_Err RegisterParams(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                  PF_LayerDef *output);
    virtual PF_Err UserChangedParam(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                    PF_LayerDef *output, void *extra);
    virtual PF_Err UpdateParamsUI(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                  PF_LayerDef *output);
    virtual PF_Err Render(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[], PF_LayerDef *output);
    virtual PF_Err SmartPreRender(PF_InData *in_data, PF_OutData *out_data, PF_PreRenderExtra *extra);
    virtual PF_Err SmartRender(PF_InData *in_data, PF_OutData *out_data, PF_SmartRenderExtra *extra);
    virtual PF_Err SequenceSetup(PF_InData *in_data, PF_OutData *out_data);
    virtual PF_Err SequenceSetdown(PF_InData *in_data, PF_OutData *out_data);
    virtual PF_Err SequenceFlatten(PF_InData *in_data, PF_OutData *out_data);
    virtual PF_Err SequenceResetup(PF_InData *in_data, PF_OutData *out_data);
    virtual PF_Err QueryDynamicFlags(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                     PF_LayerDef *output);
    virtual PF_Err HandleEvent(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                               PF_LayerDef *output, void *extra);
    virtual PF_Err ArbitraryCallback(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                     PF_LayerDef *output, void *extra);
    virtual PF_Err PreRenderCheckout(PF_InData *in_data, PF_OutData *out_data, PF_PreRenderExtra *extra,
                                     RenderContext *context);
    virtual PF_Err BeforeSmartRender(PF_InData *in_data, PF_OutData *out_data, PF_SmartRenderExtra *extra,
                                     RenderContext *context);
    virtual PF_Err NewSequenceData(PF_InData *in_data, PF_OutData *out_data);
    virtual PF_Err FirstCommand(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                                PF_LayerDef *output);
    virtual PF_Err RenderDepth(RenderContext *context);
};

class CustomFilter : public BaseFilter {
public:
    PF_Err Command(PF_Cmd cmd, PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                   PF_LayerDef *output, void *extra) override;
    PF_Err QueryDynamicFlags(PF_InData *in_data, PF_OutData *out_data, PF_ParamDef *params[],
                             PF_LayerDef *output) override;
    PF_Err RenderDepth(RenderContext *context) override;
};
