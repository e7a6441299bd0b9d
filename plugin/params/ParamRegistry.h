// The process-wide list of control objects, in host order and by disk id.
#pragma once

#include <array>
#include <memory>

#include "params/BaseParam.h"

class ParamRegistry {
public:
    static constexpr int kCapacity = 512;

    static ParamRegistry &Instance();

    // Releases every object, then creates the effect's controls afresh.
    void ParamsSetup();
    // Destroys every object (module unload).
    void Release();

    // The host index of the control with this disk id; 0 when there is none.
    A_long FindIndexById(A_long diskId) const;

    // The host parameter count: the controls plus the input layer.
    A_long ParameterCount() const { return parameterCount_; }
    A_long ObjectCount() const { return objectCount_; }

    // The objects in host order.
    BaseParam *const *begin() const { return byIndex_.data(); }
    BaseParam *const *end() const { return byIndex_.data() + objectCount_; }

    // Walks of a reader over every object in host order. The first failure
    // ends a read and is returned; a check-in hands back every control and
    // returns the first failure.
    PF_Err ReadAll(ParamSnapshot *snapshot, ParamGetter &reader) const;
    PF_Err CheckInAll(ParamGetter &reader) const;

    // Used while the list is being built.
    void Add(std::unique_ptr<BaseParam> param);

private:
    ParamRegistry() = default;
    void Sort();

    std::array<std::unique_ptr<BaseParam>, kCapacity> objects_{};  // by disk id after setup
    std::array<BaseParam *, kCapacity> byIndex_{};
    A_long objectCount_ = 0;
    A_long parameterCount_ = 1;
    A_long nextIndex_ = 1;
};
