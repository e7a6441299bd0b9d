#include "params/ParamRegistry.h"

#include <algorithm>
#include <new>
#include <stdexcept>

ParamRegistry &ParamRegistry::Instance()
{
    // Built in static storage and never destroyed: the unload notification
    // releases the objects, and in a process that calls exit() with the
    // module loaded it comes after the static destructors have run.
    alignas(ParamRegistry) static unsigned char storage[sizeof(ParamRegistry)];
    static ParamRegistry *const registry = new (storage) ParamRegistry();
    return *registry;
}

void ParamRegistry::Release()
{
    for (auto &object : objects_) object.reset();
    byIndex_.fill(nullptr);
    objectCount_ = 0;
    parameterCount_ = 1;
    nextIndex_ = 1;
}

void ParamRegistry::Add(std::unique_ptr<BaseParam> param)
{
    if (objectCount_ >= kCapacity) throw std::length_error("too many parameters");
    param->index_ = nextIndex_++;
    objects_[static_cast<size_t>(objectCount_++)] = std::move(param);
}

void ParamRegistry::Sort()
{
    auto first = objects_.begin();
    auto last = first + objectCount_;
    std::stable_sort(first, last, [](const auto &a, const auto &b) { return a->diskId() < b->diskId(); });
    for (A_long i = 0; i < objectCount_; ++i) byIndex_[static_cast<size_t>(i)] = objects_[static_cast<size_t>(i)].get();
    std::stable_sort(byIndex_.begin(), byIndex_.begin() + objectCount_,
                     [](const BaseParam *a, const BaseParam *b) { return a->index() < b->index(); });
    parameterCount_ = nextIndex_;
}

A_long ParamRegistry::FindIndexById(A_long diskId) const
{
    auto first = objects_.begin();
    auto last = first + objectCount_;
    auto found = std::lower_bound(first, last, diskId, [](const auto &object, A_long id) { return object->diskId() < id; });
    if (found == last || (*found)->diskId() != diskId) return 0;
    return (*found)->index();
}

PF_Err ParamRegistry::ReadAll(ParamSnapshot *snapshot, ParamGetter &reader) const
{
    for (BaseParam *param : *this) {
        PF_Err err = param->ReadValue(snapshot, reader);
        if (err != PF_Err_NONE) return err;
    }
    return PF_Err_NONE;
}

PF_Err ParamRegistry::CheckInAll(ParamGetter &reader) const
{
    // Every control goes back even when the host refuses one: stopping would
    // leave the rest checked out with the host for good.
    PF_Err first = PF_Err_NONE;
    for (BaseParam *param : *this) {
        const PF_Err err = param->CheckIn(reader);
        if (first == PF_Err_NONE) first = err;
    }
    return first;
}
