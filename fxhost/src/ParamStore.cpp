#include "fxhost/ParamStore.h"

#include <cstring>

namespace fxhost {

ParamStore::ParamStore() { clear(); }

void ParamStore::clear()
{
    defs_.clear();
    auto layer = std::make_unique<PF_ParamDef>();
    layer->param_type = PF_Param_LAYER;
    defs_.push_back(std::move(layer));
    pointers_ = {defs_[0].get()};
}

PF_Err ParamStore::add(PF_ParamIndex index, const PF_ParamDef &def)
{
    if (index == -1) {
        defs_.push_back(std::make_unique<PF_ParamDef>(def));
        pointers_.push_back(defs_.back().get());
        return PF_Err_NONE;
    }
    if (index <= 0 || index >= count()) return PF_Err_INVALID_INDEX;
    *defs_[static_cast<size_t>(index)] = def;
    return PF_Err_NONE;
}

int ParamStore::indexOf(const std::string &name) const
{
    for (int i = 1; i < count(); ++i)
        if (at(i).param_type != PF_Param_GROUP_END && name == at(i).name) return i;
    return -1;
}

PF_Err ParamStore::updateUi(PF_ParamIndex index, const PF_ParamDef &def)
{
    uiUpdates_.push_back({index, def.ui_flags});
    if (index <= 0 || index >= count()) return PF_Err_INVALID_INDEX;
    PF_ParamUIFlags &flags = at(index).ui_flags;
    flags = (flags & ~PF_PUI_DISABLED) | (def.ui_flags & PF_PUI_DISABLED);
    return PF_Err_NONE;
}

}  // namespace fxhost
