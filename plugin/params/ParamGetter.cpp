#include "params/ParamGetter.h"

#include <cstring>

ParamGetter::ParamGetter(A_long parameterCount) : slots_(static_cast<size_t>(parameterCount > 0 ? parameterCount : 0))
{
}

GetParamByCheckout::GetParamByCheckout(A_long parameterCount, PF_InData *in_data, PF_ParamDef **params,
                                       bool preRender)
    : ParamGetter(parameterCount), in_data_(in_data), params_(params), preRender_(preRender)
{
}

PF_Err GetParamByCheckout::CheckoutParam(PF_ParamIndex index, PF_ParamDef *def)
{
    PF_Err err = in_data_->inter.checkout_param(in_data_->effect_ref, index, in_data_->current_time,
                                                in_data_->time_step, in_data_->time_scale, def);
    if (err != PF_Err_NONE) std::memset(def, 0, sizeof *def);
    return err;
}

PF_Err GetParamByCheckout::CheckinParam(PF_ParamDef *def)
{
    return in_data_->inter.checkin_param(in_data_->effect_ref, def);
}

bool GetParamByCheckout::IsEnabled(PF_ParamIndex index) const
{
    if (params_ == nullptr) return true;
    return (params_[index]->ui_flags & PF_PUI_DISABLED) == 0;
}

GetParamFromArray::GetParamFromArray(A_long parameterCount, PF_ParamDef **params)
    : ParamGetter(parameterCount), params_(params)
{
}

PF_Err GetParamFromArray::CheckoutParam(PF_ParamIndex index, PF_ParamDef *def)
{
    *def = *params_[index];
    return PF_Err_NONE;
}

PF_Err GetParamFromArray::CheckinParam(PF_ParamDef *) { return PF_Err_NONE; }

bool GetParamFromArray::IsEnabled(PF_ParamIndex index) const
{
    return (params_[index]->ui_flags & PF_PUI_DISABLED) == 0;
}
