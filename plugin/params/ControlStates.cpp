#include "params/ControlStates.h"

#include "AE_EffectSuites.h"
#include "SuiteCache.h"
#include "params/ParamList.h"
#include "params/ParamRegistry.h"

namespace {

using namespace ParamIds;

typedef PF_Err (*UpdateParamUIFunction)(PF_ProgPtr effect_ref, PF_ParamIndex param_index, const PF_ParamDef *defP);

constexpr A_long kGroups[] = {kBaseGroup, kProcessGroup[1], kProcessGroup[2], kProcessGroup[3], kProcessGroup[4]};

// The members of a group that follow its Enable Process checkbox, in the
// order they are sent.
constexpr A_long kGroupMembers[] = {3, 4, 5, 7, 8, 6, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22};

// The controls of one command's params array, addressed by disk id.
class ControlStates {
public:
    ControlStates(PF_InData *in_data, PF_ParamDef *params[], UpdateParamUIFunction update)
        : in_data_(in_data), params_(params), update_(update), registry_(ParamRegistry::Instance())
    {
    }

    // A checkbox this effect does not have counts as on.
    bool IsOn(A_long diskId) const
    {
        const A_long index = registry_.FindIndexById(diskId);
        return index == 0 || params_[index]->u.bd.value != 0;
    }

    // Sends a copy of the control with its disabled bit set or cleared; the
    // host's answer does not stop the walk. Ids of no control are skipped.
    void Set(A_long diskId, bool enabled) const
    {
        const A_long index = registry_.FindIndexById(diskId);
        if (index == 0) return;
        PF_ParamDef def = *params_[index];
        if (enabled)
            def.ui_flags &= ~PF_PUI_DISABLED;
        else
            def.ui_flags |= PF_PUI_DISABLED;
        update_(in_data_->effect_ref, index, &def);
    }

private:
    PF_InData *in_data_;
    PF_ParamDef **params_;
    UpdateParamUIFunction update_;
    const ParamRegistry &registry_;
};

// A control named by several rules ends in the state of the last one.
void ApplyRules(const ControlStates &controls)
{
    for (A_long group : kGroups)
        for (A_long member : kGroupMembers) controls.Set(group + member, controls.IsOn(group + kEnableProcess));

    // Keep Process restricts a pass to the result of a lower process, so it
    // needs one of those to run.
    bool lowerOn = false;
    for (int n = 1; n <= 4; ++n) {
        const bool on = controls.IsOn(kProcessGroup[n] + kEnableProcess);
        if (n > 1) controls.Set(kProcessGroup[n] + kKeepProcess, lowerOn && on);
        lowerOn = lowerOn || on;
    }

    for (A_long group : kGroups) {
        const bool groupOn = controls.IsOn(group + kEnableProcess);
        for (int k = 0; k < 4; ++k) {
            const bool keyOn = controls.IsOn(group + KeyEnable(k)) && groupOn;
            controls.Set(group + KeyColour(k), keyOn);
            controls.Set(group + KeyRange(k), keyOn);
        }
    }
}

template <class Suite>
void UpdateThrough(PF_InData *in_data, PF_ParamDef *params[], A_long version)
{
    AEUtil::ScopedSuite<Suite> suite(in_data->pica_basicP, kPFParamUtilsSuite, version);
    if (!suite) throw static_cast<PF_Err>(PF_Err_BAD_CALLBACK_PARAM);
    ApplyRules(ControlStates(in_data, params, suite->PF_UpdateParamUI));
}

}  // namespace

bool UsesParamUtilsVersion2(const PF_SpecVersion &version)
{
    if (version.major < 12 || (version.major == 12 && version.minor <= 14)) return true;
    return version.major == 13 && version.minor <= 1;
}

PF_Err UpdateControlStates(PF_InData *in_data, PF_ParamDef *params[])
{
    if (UsesParamUtilsVersion2(in_data->version))
        UpdateThrough<PF_ParamUtilsSuite1>(in_data, params, kPFParamUtilsSuiteVersion1);
    else
        UpdateThrough<PF_ParamUtilsSuite3>(in_data, params, kPFParamUtilsSuiteVersion3);
    return PF_Err_NONE;
}
