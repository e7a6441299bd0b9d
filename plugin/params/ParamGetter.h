// Readers of control values: checked out of the host at the current time, or
// copied from the params array of a command.
#pragma once

#include <cstddef>
#include <vector>

#include "AEConfig.h"
#include "AE_Effect.h"

class ParamGetter {
public:
    explicit ParamGetter(A_long parameterCount);
    virtual ~ParamGetter() = default;
    ParamGetter(const ParamGetter &) = delete;
    ParamGetter &operator=(const ParamGetter &) = delete;

    virtual PF_Err CheckoutParam(PF_ParamIndex index, PF_ParamDef *def) = 0;
    virtual PF_Err CheckinParam(PF_ParamDef *def) = 0;
    virtual bool IsPreRender() const = 0;
    virtual bool IsEnabled(PF_ParamIndex index) const = 0;

    // The definition buffer of one control for this read and its check-in, so
    // that reads on different threads never share one. `held` is set while
    // the buffer holds a definition the host has not had back.
    struct Slot {
        PF_ParamDef def;
        bool held;
    };
    Slot &SlotFor(PF_ParamIndex index) { return slots_.at(static_cast<size_t>(index)); }

private:
    std::vector<Slot> slots_;
};

class GetParamByCheckout : public ParamGetter {
public:
    GetParamByCheckout(A_long parameterCount, PF_InData *in_data, PF_ParamDef **params, bool preRender);

    PF_Err CheckoutParam(PF_ParamIndex index, PF_ParamDef *def) override;
    PF_Err CheckinParam(PF_ParamDef *def) override;
    bool IsPreRender() const override { return preRender_; }
    bool IsEnabled(PF_ParamIndex index) const override;

    // The classic render hands the values back without the command's array.
    void DropParams() { params_ = nullptr; }

private:
    PF_InData *in_data_;
    PF_ParamDef **params_;
    bool preRender_;
};

class GetParamFromArray : public ParamGetter {
public:
    GetParamFromArray(A_long parameterCount, PF_ParamDef **params);

    PF_Err CheckoutParam(PF_ParamIndex index, PF_ParamDef *def) override;
    PF_Err CheckinParam(PF_ParamDef *def) override;
    bool IsPreRender() const override { return false; }
    bool IsEnabled(PF_ParamIndex index) const override;

private:
    PF_ParamDef **params_;
};
