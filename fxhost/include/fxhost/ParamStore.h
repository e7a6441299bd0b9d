// The host's side of an effect's controls: the definitions the effect
// registered, their current values, and the ui flags the effect set.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "AE_Effect.h"

namespace fxhost {

class ParamStore {
public:
    ParamStore();

    // Forgets every control; index 0, the input layer, stays.
    void clear();
    // add_param: appends a copy of the definition (index -1) or replaces the
    // one at index.
    PF_Err add(PF_ParamIndex index, const PF_ParamDef &def);

    // Host parameters, the layer included.
    int count() const { return static_cast<int>(defs_.size()); }
    const PF_ParamDef &at(int index) const { return *defs_.at(static_cast<size_t>(index)); }
    PF_ParamDef &at(int index) { return *defs_.at(static_cast<size_t>(index)); }
    // The index of the control with this name; -1 when there is none.
    int indexOf(const std::string &name) const;

    // The params array of a command.
    PF_ParamDef **array() { return pointers_.data(); }

    void setLayer(const PF_EffectWorld &world) { defs_[0]->u.ld = world; }

    // PF_UpdateParamUI: takes the disabled bit the effect sends, the one ui
    // flag an effect may change, and records the call.
    PF_Err updateUi(PF_ParamIndex index, const PF_ParamDef &def);

    struct UiUpdate {
        PF_ParamIndex index;
        PF_ParamUIFlags uiFlags;
    };
    // Every PF_UpdateParamUI call that reached the store since the last
    // clearUiUpdates, in order.
    const std::vector<UiUpdate> &uiUpdates() const { return uiUpdates_; }
    void clearUiUpdates() { uiUpdates_.clear(); }

private:
    std::vector<std::unique_ptr<PF_ParamDef>> defs_;
    std::vector<PF_ParamDef *> pointers_;
    std::vector<UiUpdate> uiUpdates_;
};

}  // namespace fxhost
